#pragma once

class QDialog;
class TDatenabrufDlg;
class TNeuKundeDlg;
class TNeuPrueflingDlg;
class TPrueflingDlg;

// Lets the single instances of the record windows find each other.
void ConnectRecordWindows(TDatenabrufDlg& datenabruf, TPrueflingDlg& pruefling, TNeuKundeDlg& neuKunde,
                          TNeuPrueflingDlg& neuPruefling, QDialog* datenanzeige = nullptr);
