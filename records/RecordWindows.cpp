#include "records/RecordWindows.h"

#include "records/DatenabrufDlg.h"
#include "records/NeuKundeDlg.h"
#include "records/NeuPrueflingDlg.h"
#include "records/PrueflingDlg.h"

void ConnectRecordWindows(TDatenabrufDlg& datenabruf, TPrueflingDlg& pruefling, TNeuKundeDlg& neuKunde,
                          TNeuPrueflingDlg& neuPruefling, QDialog* datenanzeige) {
    datenabruf.SetPrueflingDlg(&pruefling);
    pruefling.SetNeuKundeDlg(&neuKunde);
    pruefling.SetNeuPrueflingDlg(&neuPruefling);
    pruefling.SetDatenanzeigeDlg(datenanzeige);
    neuKunde.SetNeuPrueflingDlg(&neuPruefling);
    neuPruefling.SetDatenabrufDlg(&datenabruf);
    neuPruefling.SetNeuKundeDlg(&neuKunde);
    neuPruefling.SetPrueflingDlg(&pruefling);
}
