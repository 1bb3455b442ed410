#pragma once

#include "controls/DBControls.h"
#include "controls/DBGrid.h"
#include "tester/IniSettings.h"

#include <QDialog>
#include <QPushButton>
#include <QString>

#include <vector>

// One column of a pick list. Expanded is kept for the column tables; the grid has no
// expandable columns.
struct TColDef {
    bool Expanded = false;
    QString FieldName;
    bool Visible = true;
    QString Caption; // empty: the field's name
    TAlignment TitleAlignment = TAlignment::taLeftJustify;
};

// The customer and device columns of the browser's pick lists.
const std::vector<TColDef>& KundenColumns();
const std::vector<TColDef>& PrueflingColumns();

// A grid over one of the caller's data sources, so that the user picks a row of the caller's
// own list; the row current when the window closes stays current there.
class TAuswListeDlg : public QDialog {
    Q_OBJECT
public:
    // iniFileName: where the window keeps its position and size.
    explicit TAuswListeDlg(const QString& iniFileName = ProgramIniFileName(), QWidget* owner = nullptr);
    ~TAuswListeDlg() override;

    // Shows the rows of source with the columns, modally, under caption.
    void ShowPickList(const QString& caption, TDataSource* source, const std::vector<TColDef>& columns);

    TDBGrid* DBGrid1;
    QWidget* Panel1;
    QPushButton* BitBtn1; // "OK"

private:
    void FormCreate();
    void FormDestroy();
    void LoadPosition();
    void SavePosition();

    QString iniFileName_;
};

// The program's single instance.
inline TAuswListeDlg* AuswListeDlg = nullptr;
