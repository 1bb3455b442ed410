#include "app/MessmodusDlg.h"

#include "platform/error_report.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "platform/window_place.h"

#include <QHeaderView>

#include <memory>
#include <optional>

TMessmodusDlg::TMessmodusDlg(QWidget* owner, const QString& iniFileName)
    : QDialog(owner), iniFileName_(iniFileName) {
    setObjectName(QStringLiteral("MessmodusDlg"));
    setWindowTitle(QStringLiteral("Messmodus-Einstellung"));
    resize(498, 453);
    move(192, 107);
    platform::placeOnShow(*this, platform::Placement::Kept);

    RadioButton1 = new QRadioButton(QStringLiteral("wie aktueller gespeicherter Satz"), this);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(16, 12, 240, 17);
    RadioButton2 = new QRadioButton(QStringLiteral("aus Tabelle:"), this);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(16, 36, 240, 17);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(16, 60, 466, 340);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setHeaderLabels({QStringLiteral("Code"), QStringLiteral("Schutzkl."),
                                QStringLiteral("Isol/Diff"), QStringLiteral("Berührstr."),
                                QStringLiteral("DIN/VDE"), QStringLiteral("auto")});
    // Every column as wide as designed; the list's rest stays empty.
    ListView1->header()->setStretchLastSection(false);
    const int widths[] = {50, 60, 50, 60, 60, 45};
    for (int c = 0; c < 6; ++c) {
        ListView1->setColumnWidth(c, widths[c]);
        ListView1->headerItem()->setTextAlignment(c, c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                                            : Qt::AlignCenter);
    }
    // The selection stays visible while the focus is on the buttons.
    QPalette palette = ListView1->palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight,
                     palette.brush(QPalette::Active, QPalette::Highlight));
    palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                     palette.brush(QPalette::Active, QPalette::HighlightedText));
    ListView1->setPalette(palette);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(310, 414, 80, 25);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(402, 414, 80, 25);
    CancelBtn->setAutoDefault(false);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ListView1, &QTreeWidget::itemClicked, this, [this] { ListView1Click(); });

    FormCreate();
}

TMessmodusDlg::~TMessmodusDlg() {
    FormDestroy();
}

void TMessmodusDlg::FormCreate() {
    LoadPosition();
}

void TMessmodusDlg::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    SavePosition();
}

void TMessmodusDlg::LoadPosition() {
    WindowPosition position;
    position.Left = pos().x();
    position.Top = pos().y();
    ::LoadPosition(iniFileName_, PositionSections::Messmodus, position);
    move(position.Left, position.Top);
}

void TMessmodusDlg::SavePosition() {
    WindowPosition position;
    position.Left = pos().x();
    position.Top = pos().y();
    QString error;
    if (!::SavePosition(iniFileName_, PositionSections::Messmodus, position, &error))
        platform::messageBox(error, platform::MessageButtons::Ok, platform::MessageIcon::Stop);
}

void TMessmodusDlg::FormShow() {
    ListView1->clear();
    const int rows = ModeTableRowCount(firmwareLevel_);
    for (int i = 0; i < rows; ++i) {
        const TModeRow& row = ModeTable[static_cast<size_t>(i)];
        auto* item = new QTreeWidgetItem(ListView1);
        item->setText(0, QString::fromUtf8(row.Code));
        for (int c = 0; c < 5; ++c) {
            item->setText(c + 1, QString::fromUtf8(row.Texts[static_cast<size_t>(c)]));
            item->setTextAlignment(c + 1, Qt::AlignCenter);
        }
    }
    ListView1->setCurrentItem(nullptr);
    ListView1->clearSelection();
}

void TMessmodusDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TMessmodusDlg::ListView1Click() {
    RadioButton2->setChecked(true);
}

bool TMessmodusDlg::Choose(int firmwareLevel) {
    firmwareLevel_ = firmwareLevel;
    RadioButton1->setEnabled(Globals::aktCheckNumber != 0);
    return exec() == QDialog::Accepted;
}

bool TMessmodusDlg::ApplyChoice(TMeasuringModeWriter& writer) {
    if (RadioButton1->isChecked())
        return ApplyStoredTest(writer, Globals::aktCheckNumber, this);
    if (RadioButton2->isChecked()) {
        const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
        if (selected.isEmpty())
            return false;
        return writer.WriteTableRow(ListView1->indexOfTopLevelItem(selected.first()));
    }
    return false;
}

bool TMessmodusDlg::Execute(const TModeWriterParts& link) {
    if (!Choose(link.link.FirmwareLevel()))
        return false;
    // The choice as made now: the dialog may be shown again before the writes' turn comes.
    const bool stored = RadioButton1->isChecked();
    int row = -1;
    if (RadioButton2->isChecked()) {
        const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
        if (!selected.isEmpty())
            row = ListView1->indexOfTopLevelItem(selected.first());
    }
    if (!stored && row < 0)
        return false;
    const int32_t number = Globals::aktCheckNumber;
    auto written = std::make_shared<bool>(false);
    const bool now = link.link.ExchangeGate().Perform(0, [this, link, stored, row, number, written] {
        TMeasuringModeWriter writer = link.Writer();
        *written = stored ? ApplyStoredTest(writer, number, this) : writer.WriteTableRow(row);
    });
    return now && *written;
}

TStoredTestMode TMessmodusDlg::ReadStoredTestMode(platform::TQuery& query) {
    TStoredTestMode mode;
    mode.Menueflags = query.FieldByName(QStringLiteral("Menueflags")).AsInteger();
    mode.Schutzklasse = query.FieldByName(QStringLiteral("Schutzklasse")).AsInteger();
    mode.GrwSchutzleiterwid = query.FieldByName(QStringLiteral("GrwSchutzleiterwid")).AsInteger();
    mode.GrwIsolationswid = query.FieldByName(QStringLiteral("GrwIsolationswid")).AsInteger();
    mode.GrwAbleitstrom = query.FieldByName(QStringLiteral("GrwAbleitstrom")).AsInteger();
    return mode;
}

bool TMessmodusDlg::ApplyStoredTest(TMeasuringModeWriter& writer, int32_t pruefungsNr, QObject* owner) {
    std::optional<TStoredTestMode> mode;
    const bool read = platform::guarded([&] {
        platform::TQuery query(owner);
        query.SQLAdd(QStringLiteral("select * from \"Pruefung.db\" where PruefungsNr=") +
                     QString::number(pruefungsNr));
        query.Open();
        if (query.Eof())
            platform::messageBox(QString::fromUtf8(StoredTestNotFound), platform::MessageButtons::Ok,
                                 platform::MessageIcon::None);
        else
            mode = ReadStoredTestMode(query);
    });
    return read && mode && writer.WriteStoredTest(*mode);
}
