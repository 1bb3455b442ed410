#include "records/AuswListeDlg.h"

#include "platform/window_place.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

const std::vector<TColDef>& KundenColumns() {
    static const std::vector<TColDef> columns = {
        {false, QStringLiteral("Name1"), true, QStringLiteral("Name 1"), TAlignment::taLeftJustify},
        {false, QStringLiteral("Name2"), true, QStringLiteral("Name 2"), TAlignment::taLeftJustify},
        {false, QStringLiteral("Name3"), true, QStringLiteral("Name 3"), TAlignment::taLeftJustify},
        {false, QStringLiteral("KdStr"), true, QStringLiteral("Straße"), TAlignment::taLeftJustify},
        {false, QStringLiteral("KdLKZ"), true, QStringLiteral("LKZ"), TAlignment::taCenter},
        {false, QStringLiteral("KdPLZ"), true, QStringLiteral("PLZ"), TAlignment::taCenter},
        {false, QStringLiteral("KdOrt"), true, QStringLiteral("Ort"), TAlignment::taLeftJustify},
        {false, QStringLiteral("Telefon"), true, QString(), TAlignment::taLeftJustify},
        {false, QStringLiteral("Fax"), true, QString(), TAlignment::taLeftJustify},
    };
    return columns;
}

const std::vector<TColDef>& PrueflingColumns() {
    static const std::vector<TColDef> columns = [] {
        std::vector<TColDef> c;
        for (const char* name :
             {"Bezeichnung", "Typ", "Inventarnummer", "Fabrikationsnummer", "Seriennummer", "Barcode"})
            c.push_back({false, QString::fromLatin1(name), true, QString(), TAlignment::taLeftJustify});
        return c;
    }();
    return columns;
}

TAuswListeDlg::TAuswListeDlg(const QString& iniFileName, QWidget* owner)
    : QDialog(owner), iniFileName_(iniFileName) {
    setObjectName(QStringLiteral("AuswListeDlg"));
    setWindowTitle(QStringLiteral("Auswahl"));
    resize(454, 335);
    platform::placeOnShow(*this, platform::Placement::Kept);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    DBGrid1 = new TDBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    layout->addWidget(DBGrid1, 1);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    auto* panel = new QHBoxLayout(Panel1);
    panel->addStretch(1);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setFixedSize(90, 25);
    panel->addWidget(BitBtn1);
    panel->addStretch(1);
    layout->addWidget(Panel1);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    FormCreate();
}

TAuswListeDlg::~TAuswListeDlg() {
    FormDestroy();
}

void TAuswListeDlg::FormCreate() {
    LoadPosition();
}

void TAuswListeDlg::FormDestroy() {
    SavePosition();
}

void TAuswListeDlg::LoadPosition() {
    // Without a stored position the window stands where it was designed.
    move(227, 108);
    WindowPosition p{pos().x(), pos().y(), size().width(), size().height()};
    ::LoadPosition(iniFileName_, PositionSections::AuswListe, p);
    move(p.Left, p.Top);
    resize(p.Width, p.Height);
}

void TAuswListeDlg::SavePosition() {
    const WindowPosition p{pos().x(), pos().y(), size().width(), size().height()};
    ::SavePosition(iniFileName_, PositionSections::AuswListe, p);
}

void TAuswListeDlg::ShowPickList(const QString& caption, TDataSource* source,
                                 const std::vector<TColDef>& columns) {
    setWindowTitle(caption);
    DBGrid1->SetDataSource(source);
    DBGrid1->ClearColumns();
    for (const TColDef& def : columns) {
        TColumn column;
        column.FieldName = def.FieldName;
        column.Visible = def.Visible;
        if (!def.Caption.isEmpty())
            column.Title = def.Caption;
        column.TitleAlignment = def.TitleAlignment;
        DBGrid1->AddColumn(column);
    }
    exec();
    DBGrid1->SetDataSource(nullptr);
    DBGrid1->ClearColumns();
}
