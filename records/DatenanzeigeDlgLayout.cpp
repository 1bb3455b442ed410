// The stored-data browser's controls at their designed places, bound to their fields and
// handlers; what the handlers do is in DatenanzeigeDlg.cpp.
#include "records/DatenanzeigeDlg.h"

#include "controls/Layout.h"

void TDatenanzeigeDlg::buildControls() {
    const auto text = [this](TDataSource* source, const char* field, int x, int y, int w) {
        auto* t = new TDBText(this);
        t->SetDataSource(source);
        t->SetDataField(QString::fromLatin1(field));
        t->setGeometry(x, y, w, 17);
        return t;
    };
    const auto led = [this](const char* field, int32_t mask, int x, int y, QColor color = QColor(255, 0, 0)) {
        auto* l = new TLEDPaint(this);
        l->SetDataSource(DataSource3);
        l->SetDataField(QString::fromLatin1(field));
        l->SetMaske(mask);
        l->SetLEDColor(color);
        l->setGeometry(x, y, 14, 14);
        return l;
    };

    // Customers.
    label(this, QStringLiteral("Kunde:"), 8, 8, AutoSize, 17);
    KundenAnzahl = label(this, QString(), 60, 8, 60, 17);
    KundenAnzahl->setObjectName(QStringLiteral("KundenAnzahl"));
    DBText1 = text(DataSource1, "KundenNr", 130, 8, 60);
    DBText1->setVisible(false);
    label(this, QStringLiteral("Name:"), 8, 32, AutoSize, 17);
    KundenEdits[0] = edit(this, DataSource1, "Name1", 110, 30, 200, "DBEdit1");
    KundenEdits[1] = edit(this, DataSource1, "Name2", 110, 54, 200, "DBEdit2");
    KundenEdits[2] = edit(this, DataSource1, "Name3", 110, 78, 200, "DBEdit3");
    label(this, QStringLiteral("Straße:"), 8, 104, AutoSize, 17);
    KundenEdits[3] = edit(this, DataSource1, "KdStr", 110, 102, 200, "DBEdit4");
    label(this, QStringLiteral("PLZ, Ort:"), 8, 128, AutoSize, 17);
    KundenEdits[4] = edit(this, DataSource1, "KdLKZ", 110, 126, 34, "DBEdit5");
    label(this, QStringLiteral("-"), 147, 128, 6, 17);
    KundenEdits[5] = edit(this, DataSource1, "KdPLZ", 156, 126, 48, "DBEdit6");
    KundenEdits[6] = edit(this, DataSource1, "KdOrt", 208, 126, 102, "DBEdit7");
    label(this, QStringLiteral("Tel."), 8, 152, AutoSize, 17);
    KundenEdits[7] = edit(this, DataSource1, "Telefon", 110, 150, 200, "DBEdit8");
    label(this, QStringLiteral("Fax"), 8, 176, AutoSize, 17);
    KundenEdits[8] = edit(this, DataSource1, "Fax", 110, 174, 200, "DBEdit9");
    DBNavigator1 = new TDBNavigator(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->SetDataSource(DataSource1);
    DBNavigator1->setGeometry(110, 200, 200, 25);

    // Devices.
    label(this, QStringLiteral("Prüfling:"), 8, 240, AutoSize, 17);
    PrueflingAnzahl = label(this, QString(), 60, 240, 60, 17);
    PrueflingAnzahl->setObjectName(QStringLiteral("PrueflingAnzahl"));
    DBText2 = text(DataSource2, "PrueflingNr", 130, 240, 60);
    DBText2->setVisible(false);
    const char* deviceLabels[] = {"Bezeichnung:",        "Typ:",
                                  "Fabrikationsnummer:", "Seriennummer:",
                                  "Inventarnummer:",     "Barcode/Prüflingsnummer:"};
    const char* deviceFields[] = {"Bezeichnung",    "Typ",    "Fabrikationsnummer", "Seriennummer",
                                  "Inventarnummer", "Barcode"};
    for (int i = 0; i < 6; ++i) {
        label(this, QString::fromUtf8(deviceLabels[i]), 8, 266 + 24 * i, AutoSize, 17);
        const QByteArray name = "DBEdit" + QByteArray::number(10 + i);
        PrueflingEdits[size_t(i)] =
            edit(this, DataSource2, deviceFields[i], 160, 264 + 24 * i, 150, name.constData());
    }
    DBEdit15 = PrueflingEdits[5];
    DBNavigator2 = new TDBNavigator(this);
    DBNavigator2->setObjectName(QStringLiteral("DBNavigator2"));
    DBNavigator2->SetDataSource(DataSource2);
    DBNavigator2->setGeometry(110, 412, 200, 25);

    for (TDBEdit* e : KundenEdits)
        e->OnExit = [this](TDBEdit& sender) { DBEdit1Exit(sender); };
    for (TDBEdit* e : PrueflingEdits)
        if (e != DBEdit15)
            e->OnExit = [this](TDBEdit& sender) { DBEdit1Exit(sender); };
    DBEdit15->OnExit = [this](TDBEdit& sender) { DBEdit15Exit(sender); };

    // Tests.
    const int tx = 330;
    label(this, QStringLiteral("Durchgeführte Prüfung"), tx, 8, AutoSize, 17);
    PruefungAnzahl = label(this, QString(), tx + 150, 8, 60, 17);
    PruefungAnzahl->setObjectName(QStringLiteral("PruefungAnzahl"));
    label(this, QStringLiteral("mit Gerätetester Serien-Nr."), tx, 30, AutoSize, 17);
    GTSeriennummerText = text(DataSource3, "GT-Seriennummer", tx + 180, 30, 100);
    label(this, QStringLiteral("Datum:"), tx, 50, AutoSize, 17);
    DatumText = text(DataSource3, "Datum", tx + 60, 50, 100);
    label(this, QStringLiteral("Schutzklasse"), tx + 180, 50, AutoSize, 17);
    SchutzklasseText = text(DataSource3, "Schutzklasse", tx + 270, 50, 40);
    VDE0701LED = led("VDE0701", 0, tx, 74, QColor(0, 255, 0));
    label(this, QStringLiteral("DIN/VDE 0701"), tx + 20, 72, AutoSize, 17);
    VDE0702LED = led("Menueflags", Menueflags::DINVDE, tx + 120, 74, QColor(0, 255, 0));
    label(this, QStringLiteral("0702"), tx + 140, 72, AutoSize, 17);
    const std::array<std::pair<int32_t, const char*>, 4> checks = {
        {{Menueflags::automatisch, "Messablauf automatisch"},
         {Menueflags::mitIsol, "mit Isolationsprüfung"},
         {Menueflags::manuGrenz, "Grenzwerte manuell"},
         {Menueflags::mitBeruehr, "mit Berührungsstrom"}}};
    for (size_t i = 0; i < checks.size(); ++i) {
        auto* c = new TCheckDisp(this);
        c->setText(QString::fromUtf8(checks[i].second));
        c->SetDataSource(DataSource3);
        c->SetDataField(QStringLiteral("Menueflags"));
        c->SetMaske(checks[i].first);
        c->setGeometry(tx + int(i % 2) * 170, 94 + int(i / 2) * 20, 170, 18);
        ModeChecks[i] = c;
    }
    AbgebrochenLED = led("Messablauf", Messablauf::abgebrochen, tx, 140);
    label(this, QStringLiteral("Messablauf abgebrochen"), tx + 20, 138, AutoSize, 17);
    GrenzwertLED = led("Messablauf", Messablauf::Grenzwertverletzung, tx + 170, 140);
    label(this, QStringLiteral("Grenzwertüberschreitung"), tx + 190, 138, AutoSize, 17);
    label(this, QStringLiteral("Sichtprüfung best.:"), tx, 160, AutoSize, 17);
    SichtpruefText = text(DataSource3, "Sichtpruef", tx + 130, 160, 40);

    struct RowSpec {
        const char* caption;
        const char* value;
        const char* unit;
        const char* prefix;
        const char* limit;
        const char* limitUnit;
        const char* ledField;
        int32_t ledMask;
    };
    const std::array<RowSpec, 8> rows = {{
        {"Schutzleiterwiderstand:", "Schutzleiterwid", "mOhm", "(max.", "GrwSchutzleiterwid", "mOhm)",
         "Grenzwertflags", 1},
        {"Isolationswiderstand:", "Isolationswid", "MOhm", "(min.", "GrwIsolationswid", "MOhm)",
         "Grenzwertflags", 2},
        {"Ersatzableitstrom:", "Ableitstrom", "mA", "(max.", "GrwAbleitstrom", "mA)", "Grenzwertflags", 4},
        {"Schutzleiterstrom:", "SchutzlStromL1N", "mA", "(max.", "GrwSchutzleiterstrom", "mA)",
         "Grenzwertflags", 8},
        {"umgepolt:", "SchutzlStromNL1", "mA", nullptr, nullptr, nullptr, "Grenzwertflags", 16},
        {"Berührungsstrom:", "BeruehrungsstromL1N", "mA", "(max.", "GrwBeruehrungsstrom", "mA)",
         "Grenzwertflags", 32},
        {"umgepolt:", "BeruehrungsstromNL1", "mA", nullptr, nullptr, nullptr, "Grenzwertflags", 64},
        {"Grenzwert für Netztrennung:", nullptr, nullptr, nullptr, "GrwSchnellabschaltung", "mA",
         "Messablauf", 8},
    }};
    for (size_t i = 0; i < rows.size(); ++i) {
        const RowSpec& r = rows[i];
        const int y = 184 + int(i) * 22;
        TResultRow& row = ResultRows[i];
        row.LED = led(r.ledField, r.ledMask, tx, y + 2);
        row.Caption = label(this, QString::fromUtf8(r.caption), tx + 20, y, 170, 17);
        if (r.value) {
            row.Value = text(DataSource3, r.value, tx + 190, y, 50);
            row.Value->setAlignment(Qt::AlignRight);
            row.Unit = label(this, QString::fromLatin1(r.unit), tx + 244, y, 36, 17);
        }
        if (r.prefix)
            row.Prefix = label(this, QString::fromLatin1(r.prefix), tx + 284, y, 40, 17);
        if (r.limit) {
            const int lx = r.value ? tx + 324 : tx + 190;
            row.Limit = text(DataSource3, r.limit, lx, y, 50);
            row.Limit->setAlignment(Qt::AlignRight);
            row.LimitUnit = label(this, QString::fromLatin1(r.limitUnit), lx + 54, y, 40, 17);
        }
    }

    label(this, QStringLiteral("Notiz:"), tx, 364, AutoSize, 17);
    DBMemo1 = new TDBMemo(this);
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->SetDataSource(DataSource3);
    DBMemo1->SetDataField(QStringLiteral("Notiz"));
    DBMemo1->setGeometry(tx, 382, 400, 60);
    DBMemo1->OnExit = [this](TDBMemo& sender) { DBMemo1Exit(sender); };
    label(this, QStringLiteral("Prüfer:"), tx, 452, AutoSize, 17);
    DBEdit16 = edit(this, DataSource3, "Pruefer", tx + 60, 450, 200, "DBEdit16");
    DBEdit16->OnExit = [this](TDBEdit& sender) { DBEdit1Exit(sender); };
    label(this, QStringLiteral("Gerät in Ordnung:"), tx, 480, AutoSize, 17);
    ErgebnisText = text(DataSource3, "Pruefungsergebnis", tx + 130, 478, 60);
    QFont bold = ErgebnisText->font();
    bold.setBold(true);
    ErgebnisText->setFont(bold);
    ErgebnisText->setAutoFillBackground(true);
    QPalette yellow = ErgebnisText->palette();
    yellow.setColor(QPalette::Window, QColor(255, 255, 0));
    ErgebnisText->setPalette(yellow);
    ErgebnisText->setFixedHeight(21);
    DBNavigator3 = new TDBNavigator(this);
    DBNavigator3->setObjectName(QStringLiteral("DBNavigator3"));
    DBNavigator3->SetDataSource(DataSource3);
    DBNavigator3->SetVisibleButtons({TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext,
                                     TNavigateBtn::nbLast, TNavigateBtn::nbDelete});
    DBNavigator3->setGeometry(tx, 510, 170, 25);

    // Buttons, top to bottom.
    const auto button = [this](const QString& caption, const char* name, int y) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(751, y, 97, 25);
        return b;
    };
    BitBtn6 = button(QStringLiteral("Kunden"), "BitBtn6", 8);
    BitBtn7 = button(QStringLiteral("Prüflinge"), "BitBtn7", 40);
    BitBtn4 = button(QStringLiteral("Messmod."), "BitBtn4", 90);
    BitBtn4->setEnabled(false);
    BitBtn5 = button(QStringLiteral("Export"), "BitBtn5", 140);
    BitBtn3 = button(QStringLiteral("Einzelexp."), "BitBtn3", 172);
    BitBtn2 = button(QStringLiteral("Druck"), "BitBtn2", 222);
    BitBtn2->setEnabled(false);
    BitBtn1 = button(QStringLiteral("OK"), "BitBtn1", 533);
    BitBtn1->setDefault(true);
    connect(BitBtn6, &QPushButton::clicked, this, [this] { BitBtn6Click(); });
    connect(BitBtn7, &QPushButton::clicked, this, [this] { BitBtn7Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    showResultRows();
}
