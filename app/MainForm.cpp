#include "app/MainForm.h"

#include "app/NetzspgWarnWin.h"
#include "app/SchnittstelleDlg.h"
#include "app/SplashScreen.h"
#include "app/SprachEinstDlg.h"
#include "platform/idle_event.h"
#include "platform/message_box.h"
#include "records/DatenanzeigeDlg.h"
#include "tester/Identification.h"
#include "tester/TesterMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace {

// Colours as the window was designed, given as $BBGGRR values.
const QColor InactiveBack(0xC0, 0xC0, 0x40);
const QColor InactiveText(0xB0, 0xB0, 0x30);
const QColor DarkGrey(0x20, 0x20, 0x20);
const QColor Orange(0xFF, 0x80, 0x00);

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h = 16) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y, w, h);
    return l;
}

void setBold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

void colour(QLabel* l, const QColor& back, const QColor& text) {
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::WindowText, text);
    l->setPalette(p);
}

QLabel* stateLabel(QWidget* parent, const char* name, const QString& text, int x, int y, const QColor& back,
                   const QColor& fore) {
    QLabel* l = label(parent, name, text, x, y, 90, 22);
    l->setAlignment(Qt::AlignCenter);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    setBold(l);
    colour(l, back, fore);
    return l;
}

QToolButton* toolButton(QToolBar* bar, const char* name, const QString& hint, QStyle::StandardPixmap icon,
                        bool checkable = false) {
    auto* b = new QToolButton(bar);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setCheckable(checkable);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

QPixmap safetyPicture() {
    QPixmap pix(28, 28);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF tri{{14, 2}, {26, 25}, {2, 25}};
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(0xFF, 0xD0, 0x00));
    p.drawPolygon(tri);
    QFont f(QStringLiteral("Liberation Sans"), 12, QFont::Bold);
    p.setFont(f);
    p.drawText(QRect(2, 7, 24, 18), Qt::AlignCenter, QStringLiteral("!"));
    return pix;
}

QPixmap logoPicture() {
    QPixmap pix(64, 40);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x40, 0x80));
    p.drawRoundedRect(QRectF(0, 0, 64, 40), 6, 6);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("Liberation Sans"), 9, QFont::Bold);
    p.setFont(f);
    p.drawText(QRect(0, 0, 64, 40), Qt::AlignCenter, QStringLiteral("VDE\n0701/0702"));
    return pix;
}

} // namespace

const std::array<TForm1::TStoreRoutine, RefreshKindCount> TForm1::StoreRoutines{
    &TForm1::StoreLimits1,   &TForm1::StoreLimits2,   &TForm1::StoreRecordCount, &TForm1::StoreFlags,
    &TForm1::StoreMeasured1, &TForm1::StoreMeasured2, &TForm1::StoreRawValue,    &TForm1::StoreSequenceFlags,
};

const std::array<TForm1::TApplyRoutine, RefreshKindCount> TForm1::ApplyRoutines{
    &TForm1::ApplyLimits1,   &TForm1::ApplyLimits2,   &TForm1::ApplyRecordCount, &TForm1::ApplyFlags,
    &TForm1::ApplyMeasured1, &TForm1::ApplyMeasured2, &TForm1::ApplyRawValue,    &TForm1::ApplySequenceFlags,
};

TForm1::TForm1(const QString& iniFileName, QWidget* owner) : QMainWindow(owner), iniFileName_(iniFileName) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Gerätetester"));
    // The designed place: the default of the configured position.
    move(Settings.Left, Settings.Top);
    createComponents();
    createMenus();
    createToolBar();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFixedSize(660, 578);
    setCentralWidget(client);
    createSettingsPanel(client);
    createLimitPanel(client);
    createValuePanel(client);
    createLowerPanel(client);
    createStatusBar();
    bindHandlers();
    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
    platform::setIdleHandler({});
    destroyPortComponent();
}

// ---------------------------------------------------------------- layout

void TForm1::createComponents() {
    SynchroBus1 = new TSynchroBus(this);
    SynchroBus1->setObjectName(QStringLiteral("SynchroBus1"));
    createPortComponent();
    Timer1 = new platform::TTimer(this);
    Timer1->SetInterval(100);
    Timer2 = new platform::TTimer(this);
    Timer2->SetInterval(100);
    // A user's action that waited for an exchange runs from the event loop, never inside
    // the code that held the gate.
    ExchangeGate.SetScheduler([this](TExchangeGate::TAction action) { QTimer::singleShot(0, this, action); });
    AutosendList = SynchroBus1->IntToMsgData(AutosendMask);
}

void TForm1::createMenus() {
    QMenuBar* bar = menuBar();
    auto action = [this](QMenu* menu, const char* name, const QString& text, bool checkable = false) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(checkable);
        return a;
    };
    Geraetetester1 = bar->addMenu(QStringLiteral("&Gerätetester"));
    whlen1 = action(Geraetetester1, "whlen1", QStringLiteral("Schnittstelle &wählen..."));
    verbinden1 = action(Geraetetester1, "verbinden1", QStringLiteral("mit Gerätetester &verbinden"), true);
    Datenabrufen1 = action(Geraetetester1, "Datenabrufen1", QStringLiteral("Daten abrufen..."));
    Geraetetester1->addSeparator();
    Beenden1 = action(Geraetetester1, "Beenden1", QStringLiteral("Beenden"));
    Daten1 = bar->addMenu(QStringLiteral("&Daten"));
    ffnen1 = action(Daten1, "ffnen1", QStringLiteral("Ö&ffnen..."));
    Barcode1 = action(Daten1, "Barcode1", QStringLiteral("Barcode..."));
    Konfiguration1 = bar->addMenu(QStringLiteral("Konfiguration"));
    Einstellungen1 = action(Konfiguration1, "Einstellungen1", QStringLiteral("Einstellungen..."));
    Hinweise1 = action(Konfiguration1, "Hinweise1", QStringLiteral("Hinweise"), true);
    Sprache1 = action(Konfiguration1, "Sprache1", QStringLiteral("Sprache..."));
    Messmodus1 = bar->addMenu(QStringLiteral("Messmodus"));
    einstellen1 = action(Messmodus1, "einstellen1", QStringLiteral("einstellen..."));
    Hilfe1 = bar->addMenu(QStringLiteral("&Hilfe"));
    Index1 = action(Hilfe1, "Index1", QStringLiteral("Inde&x"));
    Hilfebenutzen1 = action(Hilfe1, "Hilfebenutzen1", QStringLiteral("&Hilfe benutzen"));
    Hilfe1->addSeparator();
    Info1 = action(Hilfe1, "Info1", QStringLiteral("In&fo..."));
}

void TForm1::createToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(22, 22));
    ToolButton1 =
        toolButton(ToolBar1, "ToolButton1", QStringLiteral("Schnittstelle wählen"), QStyle::SP_DriveNetIcon);
    ToolButton10 = toolButton(ToolBar1, "ToolButton10", QStringLiteral("Verbindung herstellen"),
                              QStyle::SP_MediaPlay, true);
    ToolButton12 = toolButton(ToolBar1, "ToolButton12", QStringLiteral("Datenabruf vom Gerätetester"),
                              QStyle::SP_ArrowDown);
    ToolBar1->addSeparator();
    ToolButton3 =
        toolButton(ToolBar1, "ToolButton3", QStringLiteral("gespeicherte Daten"), QStyle::SP_DirOpenIcon);
    ToolButton5 =
        toolButton(ToolBar1, "ToolButton5", QStringLiteral("Barcodes"), QStyle::SP_FileDialogListView);
    ToolBar1->addSeparator();
    ToolButton7 = toolButton(ToolBar1, "ToolButton7", QStringLiteral("Einstellungen"),
                             QStyle::SP_FileDialogDetailedView);
    ToolButton8 = toolButton(ToolBar1, "ToolButton8", QStringLiteral("Hinweise ein/aus"),
                             QStyle::SP_MessageBoxInformation, true);
    ToolBar1->addSeparator();
    ToolButton11 = toolButton(ToolBar1, "ToolButton11", QStringLiteral("Messmodus einstellen"),
                              QStyle::SP_FileDialogContentsView);
    ToolBar1->addSeparator();
    ToolButton9 =
        toolButton(ToolBar1, "ToolButton9", QStringLiteral("Hilfe anzeigen"), QStyle::SP_DialogHelpButton);
    ToolButton2 =
        toolButton(ToolBar1, "ToolButton2", QStringLiteral("Programm beenden"), QStyle::SP_DialogCloseButton);
    auto* spacer = new QWidget(ToolBar1);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar1->addWidget(spacer);
    Image1 = new QToolButton(ToolBar1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setToolTip(QStringLiteral("Sicherheitshinweise"));
    Image1->setIcon(QIcon(safetyPicture()));
    Image1->setAutoRaise(true);
    ToolBar1->addWidget(Image1);
}

void TForm1::createSettingsPanel(QWidget* client) {
    GroupBox1 = new QGroupBox(QStringLiteral("Gerätetestereinstellung"), client);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(6, 2, 648, 150);
    QWidget* p = GroupBox1;

    auto radio = [p](const char* name, const QString& caption, const QStringList& items, int x, int y, int w,
                     int h, int index) {
        auto* g = new TRadioGroup(caption, p);
        g->setObjectName(QLatin1String(name));
        g->setGeometry(x, y, w, h);
        g->SetItems(items);
        g->SetItemIndex(index);
        return g;
    };
    RadioGroup1 = radio("RadioGroup1", QStringLiteral("DIN/VDE"),
                        {QStringLiteral("070&1"), QStringLiteral("070&2")}, 8, 18, 80, 62, 0);
    RadioGroup3 = radio("RadioGroup3", QStringLiteral("Messablauf"),
                        {QStringLiteral("&einzeln"), QStringLiteral("&automatisch")}, 92, 18, 116, 62, 0);
    RadioGroup4 = radio("RadioGroup4", QStringLiteral("Grenzwerte"),
                        {QStringLiteral("S&tandard"), QStringLiteral("ma&nuell")}, 212, 18, 94, 62, 0);
    RadioGroup2 = radio("RadioGroup2", QStringLiteral("Isolationsprüfung"),
                        {QStringLiteral("ohne Isol.-Pr."), QStringLiteral("mit Isol.-Pr."),
                         QStringLiteral("Isol. und Diff.")},
                        310, 18, 124, 80, -1);
    RadioGroup5 =
        radio("RadioGroup5", QStringLiteral("Berührungsstrom"),
              {QStringLiteral("ohne Ber.-Str."), QStringLiteral("mit Ber.-Str.")}, 440, 18, 122, 62, -1);

    GroupBox2 = new QGroupBox(QStringLiteral("Schutzklasse"), p);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 84, 84, 56);
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")});
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setGeometry(8, 22, 68, 24);

    CheckBox1 = new QCheckBox(QStringLiteral("Steuerbarcode"), p);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(100, 90, 110, 20);
    CheckBox2 = new QCheckBox(QStringLiteral("Einstellsperre"), p);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setGeometry(100, 116, 110, 20);

    Label26 = label(p, "Label26", QStringLiteral("Sichtpr.best."), 210, 90, 90);
    ComboBox2 = new QComboBox(p);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("----"), QStringLiteral("nein"), QStringLiteral("ja")});
    ComboBox2->setCurrentIndex(0);
    ComboBox2->setGeometry(210, 110, 80, 24);

    Label27 = label(p, "Label27", QStringLiteral("Messzeit"), 316, 114, 56);
    FloatEdit1 = new TFloatEdit(p);
    FloatEdit1->setObjectName(QStringLiteral("FloatEdit1"));
    FloatEdit1->SetMinValue(3.0);
    FloatEdit1->SetMaxValue(25.0);
    FloatEdit1->SetFormatString(QStringLiteral("%1.1f"));
    FloatEdit1->SetDecimalSeparator(Globals::DecimalSeparator);
    FloatEdit1->SetValue(3.0);
    FloatEdit1->setGeometry(372, 110, 52, 24);
    Label28 = label(p, "Label28", QStringLiteral("s"), 428, 114, 12);

    Label5 = label(p, "Label5", QStringLiteral("gespeichert:"), 568, 24, 76);
    Label21 = label(p, "Label21", QStringLiteral("-"), 568, 42, 76);
    Label6 = label(p, "Label6", QStringLiteral("freie Bytes:"), 568, 66, 76);
    Label22 = label(p, "Label22", QStringLiteral("-"), 568, 84, 76);
    setBold(Label21);
    setBold(Label22);
}

namespace {

// A row of five digits, head (the given number) at the right, chained leftwards.
void digitRow(QWidget* parent, std::array<TDigit*, 50>& digits, int head, int x, int y) {
    TDigit* right = nullptr;
    for (int i = 0; i < 5; ++i) {
        auto* d = new TDigit(parent);
        d->setObjectName(QStringLiteral("Digit%1").arg(head + i));
        d->setGeometry(x + (4 - i) * 17, y, 17, 27);
        digits[static_cast<size_t>(head + i - 1)] = d;
        if (right)
            right->SetnextDigit(d);
        right = d;
    }
}

} // namespace

void TForm1::createLimitPanel(QWidget* client) {
    GroupBox3 = new QGroupBox(QStringLiteral("Grenzwertanzeige / Einstellung"), client);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(6, 156, 648, 114);
    QWidget* p = GroupBox3;
    struct Row {
        QLabel** caption;
        const char* captionName;
        const char* text;
        QLabel** unit;
        const char* unitName;
        const char* unitText;
        QSlider** bar;
        const char* barName;
        int max;
        int head;
    };
    const Row rows[] = {
        {&Label2, "Label2", "Schutzleiterwiderstand", &Label23, "Label23", "mOhm", &TrackBar1, "TrackBar1", 7,
         1},
        {&Label3, "Label3", "Isolationswiderstand", &Label24, "Label24", "MOhm", &TrackBar2, "TrackBar2", 4,
         6},
        {&Label4, "Label4", "Ersatzableitstrom", &Label25, "Label25", "mA", &TrackBar3, "TrackBar3", 13, 11},
    };
    int y = 20;
    for (const Row& r : rows) {
        *r.caption = label(p, r.captionName, QString::fromUtf8(r.text), 10, y + 6, 160);
        digitRow(p, digits_, r.head, 176, y);
        *r.unit = label(p, r.unitName, QString::fromUtf8(r.unitText), 266, y + 6, 40);
        auto* bar = new QSlider(Qt::Horizontal, p);
        bar->setObjectName(QLatin1String(r.barName));
        bar->setRange(0, r.max);
        bar->setPageStep(1);
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setTickInterval(1);
        bar->setGeometry(316, y, 320, 28);
        *r.bar = bar;
        y += 31;
    }
}

void TForm1::createValuePanel(QWidget* client) {
    GroupBox4 = new QGroupBox(client);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    GroupBox4->setGeometry(6, 274, 648, 222);
    QWidget* p = GroupBox4;
    struct Row {
        QLabel** caption;
        const char* captionName;
        const char* text;
        QLabel** unit;
        const char* unitName;
        const char* unitText;
        QLabel** exceeded;
        const char* exceededName;
        const char* exceededText;
        int head;
    };
    const Row rows[] = {
        {&Label7, "Label7", "Schutzleiterwiderstand", &Label10, "Label10", "mOhm", &Label43, "Label43",
         "Grenzwert überschritten", 16},
        {&Label8, "Label8", "Isolationswiderstand", &Label11, "Label11", "MOhm", &Label44, "Label44",
         "Grenzwert unterschritten", 21},
        {&Label9, "Label9", "Ersatzableitstrom", &Label12, "Label12", "mA", &Label45, "Label45",
         "Grenzwert überschritten", 26},
        {&Label13, "Label13", "Schutzleiterstrom", &Label17, "Label17", "mA", &Label29, "Label29",
         "Grenzwert überschritten", 31},
        {&Label14, "Label14", "Prüfdose umgepolt", &Label18, "Label18", "mA", &Label47, "Label47",
         "Grenzwert überschritten", 36},
        {&Label15, "Label15", "Berührungsstrom", &Label19, "Label19", "mA", &Label31, "Label31",
         "Grenzwert überschritten", 41},
        {&Label16, "Label16", "Prüfdose umgepolt", &Label20, "Label20", "mA", &Label49, "Label49",
         "Grenzwert überschritten", 46},
    };
    int y = 8;
    for (const Row& r : rows) {
        *r.caption = label(p, r.captionName, QString::fromUtf8(r.text), 10, y + 6, 160);
        digitRow(p, digits_, r.head, 176, y);
        *r.unit = label(p, r.unitName, QString::fromUtf8(r.unitText), 266, y + 6, 40);
        *r.exceeded = label(p, r.exceededName, QString::fromUtf8(r.exceededText), 316, y + 6, 160);
        QPalette red = (*r.exceeded)->palette();
        red.setColor(QPalette::WindowText, Qt::red);
        (*r.exceeded)->setPalette(red);
        setBold(*r.exceeded);
        y += 30;
    }
    Label46 = label(p, "Label46", QStringLiteral("(Grenzwert < 3,5 mA)"), 480, 8 + 3 * 30 + 6, 150);
    Label48 = label(p, "Label48", QStringLiteral("(Grenzwert < 0,5 mA)"), 480, 8 + 5 * 30 + 6, 150);
    Image3 = new QLabel(p);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setPixmap(logoPicture());
    Image3->setGeometry(572, 10, 64, 40);
    Image3->hide();

    Digit1 = Digit(1);
    Digit6 = Digit(6);
    Digit11 = Digit(11);
    Digit16 = Digit(16);
    Digit21 = Digit(21);
    Digit26 = Digit(26);
    Digit31 = Digit(31);
    Digit36 = Digit(36);
    Digit41 = Digit(41);
    Digit46 = Digit(46);
}

void TForm1::createLowerPanel(QWidget* client) {
    const int y = 500;
    Label33 = stateLabel(client, "Label33", QStringLiteral("Umschalt"), 10, y, InactiveBack, InactiveText);
    Label39 = stateLabel(client, "Label39", QStringLiteral("Umschalt"), 10, y, DarkGrey, Qt::yellow);
    Label36 = stateLabel(client, "Label36", QStringLiteral("Abbruch"), 104, y, InactiveBack, InactiveText);
    Label41 = stateLabel(client, "Label41", QStringLiteral("Abbruch"), 104, y, Orange,
                         palette().color(QPalette::WindowText));
    Label37 = stateLabel(client, "Label37", QStringLiteral("Grenzwert"), 198, y, InactiveBack, InactiveText);
    Label40 = stateLabel(client, "Label40", QStringLiteral("Grenzwert"), 198, y, Orange,
                         palette().color(QPalette::WindowText));
    Label38 = stateLabel(client, "Label38", QStringLiteral("Not-Aus"), 292, y, InactiveBack, InactiveText);
    Label42 = stateLabel(client, "Label42", QStringLiteral("Not-Aus"), 292, y, Qt::red, Qt::white);
    Label30 = label(client, "Label30", QString(), 400, y - 2, 250, 40);
    Label30->setWordWrap(true);
    setBold(Label30);
    Label32 =
        label(client, "Label32", QStringLiteral("ACHTUNG! 230 V~ 16A an Prüfdose"), 10, y + 26, 380, 18);
    setBold(Label32);
    QPalette red = Label32->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label32->setPalette(red);

    auto button = [client](const char* name, const QString& text, int i) {
        auto* b = new QPushButton(text, client);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(10 + i * 128, 546, 120, 28);
        return b;
    };
    BitBtn1 = button("BitBtn1", QStringLiteral("Prüfung Start"), 0);
    BitBtn2 = button("BitBtn2", QStringLiteral("Prüfung weiter"), 1);
    BitBtn3 = button("BitBtn3", QStringLiteral("Abbrechen"), 2);
    BitBtn4 = button("BitBtn4", QStringLiteral("&Drucken"), 3);
    BitBtn5 = button("BitBtn5", QStringLiteral("Speicher CLR"), 4);
}

void TForm1::createStatusBar() {
    const Qt::Alignment c = Qt::AlignHCenter;
    const Qt::Alignment l = Qt::AlignLeft;
    StatusBar1 = new TStatusBar({{150, c, QStringLiteral("Keine Verbindung")},
                                 {50, c, QStringLiteral("COM1")},
                                 {110, l, QStringLiteral("SerNo.")},
                                 {120, l, QStringLiteral("PgmVers.")},
                                 {50, c, QString()},
                                 {50, c, QString()},
                                 {50, l, QString()}},
                                this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    // The panels keep their designed widths; a smaller font lets serial number and version fit.
    // The program font is given in pixels, where the point size reads -1.
    QFont small = StatusBar1->font();
    if (small.pixelSize() > 0)
        small.setPixelSize(std::max(1, qRound(small.pixelSize() * 0.85)));
    else
        small.setPointSizeF(small.pointSizeF() * 0.85);
    StatusBar1->setFont(small);
    setStatusBar(StatusBar1);
    LEDPaint1 = new TLEDPaint(this);
    LEDPaint1->setObjectName(QStringLiteral("LEDPaint1"));
    LEDPaint1->SetLEDColor(QColor(0, 255, 0));
    LEDPaint1->setToolTip(QStringLiteral("Senden"));
    LEDPaint2 = new TLEDPaint(this);
    LEDPaint2->setObjectName(QStringLiteral("LEDPaint2"));
    LEDPaint2->SetLEDColor(QColor(255, 0, 0));
    LEDPaint2->setToolTip(QStringLiteral("Empfang"));
}

void TForm1::bindHandlers() {
    Timer1->OnTimer = [this] { Timer1Timer(); };
    Timer2->OnTimer = [this] { Timer2Timer(); };
    SynchroBus1->OnCateSend = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1CateSend(s, m); };
    SynchroBus1->OnCateSent = [this](TSynchroBus& s, const TProtok& m, bool ok) {
        SynchroBus1CateSent(s, m, ok);
    };
    SynchroBus1->OnCharReceived = [this](TSynchroBus& s, uint8_t c, bool a) {
        SynchroBus1CharReceived(s, c, a);
    };
    SynchroBus1->OnSendMsg = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1SendMsg(s, m); };
    SynchroBus1->OnMsgReceived = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1MsgReceived(s, m); };
    SynchroBus1->OnMsgUnhandled = [this](TSynchroBus& s, const TProtok& m) { SynchroBus1MsgUnhandled(s, m); };

    connect(whlen1, &QAction::triggered, this, [this] { whlen1Click(); });
    connect(ToolButton1, &QToolButton::clicked, this, [this] { ToolButton1Click(); });
    connect(ToolButton10, &QToolButton::clicked, this, [this] { ToolButton10Click(); });
    connect(verbinden1, &QAction::triggered, this, [this] { verbinden1Click(); });
    connect(ToolButton2, &QToolButton::clicked, this, [this] { ToolButton2Click(); });
    connect(Beenden1, &QAction::triggered, this, [this] { Beenden1Click(); });
    connect(Sprache1, &QAction::triggered, this, [this] { Sprache1Click(); });
    bindPanelHandlers();
    bindCommandHandlers();
}

// ---------------------------------------------------------------- start-up and shut-down

void TForm1::FormCreate() {
    Refresh.Reset();
    Globals::FirmwareLevel = 0;
    // The LEDs sit in the last panel, which nothing else writes.
    LEDPaint1->setParent(StatusBar1->Panel(6));
    LEDPaint2->setParent(StatusBar1->Panel(6));
    LEDPaint1->setGeometry(8, 3, 14, 14);
    LEDPaint2->setGeometry(28, 3, 14, 14);
    LEDPaint1->show();
    LEDPaint2->show();
    Image3->show();

    LoadIniSettings();
    Timer2->SetInterval(PollMode ? Globals::PollIntervalMs(Settings.DlgDelay) : 100);
    // A log that cannot be created is off for this run; the configured name stays.
    if (!Settings.PgmLog.isEmpty())
        programLog_.Create(Settings.PgmLog.toStdString());
    WriteProgramLog("Programmstart");
    SynchroBus1->SetMsgTimeOut(Globals::BusMsgTimeOut());
    SynchroBus1->SetCharTimeOut(Globals::BusCharTimeOut());
    WerteSatz = TWerteSatz();
    LiveState.PendingLimit.fill(false);
    LiveState.RunningStep = 0;
    LiveState.SettingDelay = Settings.SettingDelay;
    ResetConnectionUi();
    Counters.SendLed = Counters.ReceiveLed = 0;
    PauseRefresh();
    LiveState.StartCountdown = 0;
    LiveState.SettingsHold = 0;
    Counters.Splash = 8;
    platform::setIdleHandler([this] { ApplicationIdle(); });
    SynchroBus1->SetLogFile(Settings.BusLog.toStdString());
    StatusBar1->SetPanelText(5, QString());
}

void TForm1::FormDestroy() {
    if (formDestroyed_)
        return;
    formDestroyed_ = true;
    PauseRefresh();
    if (IsConnected())
        sendAutosendOff();
    setPortLog(QString());
    closePort();
    SynchroBus1->SetLogFile(std::string());
    WriteProgramLog("Programmende");
    WriteProgramLog("------------");
    programLog_.Close();
    SaveIniSettings();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever else is shown.
    event->accept();
    QCoreApplication::quit();
}

void TForm1::LoadIniSettings() {
    Settings.Left = x();
    Settings.Top = y();
    ::LoadIniSettings(iniFileName_, Settings);
    move(Settings.Left, Settings.Top);
    ToolButton8->setChecked(Settings.ShowHints);
    Hinweise1->setChecked(Settings.ShowHints);
    StatusBar1->SetPanelText(1, PortPanelText(Settings.Port));
}

void TForm1::SaveIniSettings() {
    Settings.Left = x();
    Settings.Top = y();
    Settings.ShowHints = ToolButton8->isChecked();
    QString error;
    if (!::SaveIniSettings(iniFileName_, Settings, &error))
        platform::messageBox(error, platform::MessageButtons::Ok, platform::MessageIcon::Stop);
}

void TForm1::WriteProgramLog(const std::string& text) {
    programLog_.Write(text);
}

void TForm1::TickActivityLed(TLEDPaint& led, int& counter) {
    led.SetLEDOn(THousekeeping::TickActivityLed(counter));
}

void TForm1::Timer1Timer() {
    TickActivityLed(*LEDPaint1, Counters.SendLed);
    TickActivityLed(*LEDPaint2, Counters.ReceiveLed);
    const THousekeeping::TResult r = Counters.Tick(IsConnected(), SplashScreen != nullptr);
    if (r.InactivityTimeout) {
        WriteProgramLog("Time-Out durch ActiveCtr");
        ToolButton10->setChecked(false);
        ConnectOrDisconnect();
    }
    if (r.FreeSplash && SplashScreen) {
        delete SplashScreen;
        SplashScreen = nullptr;
    }
    // The settings hold counter and the start-button countdown; the countdown's end enables
    // "Prüfung Start" before it sends command $40.
    LiveState.Display.BitBtn1Enabled = BitBtn1->isEnabled();
    Keys.Timer1Tick();
    BitBtn1->setEnabled(LiveState.Display.BitBtn1Enabled);
}

void TForm1::SynchroBus1CateSend(TSynchroBus&, const TProtok&) {
    if (IsConnected())
        Counters.SendLed = 2;
}

void TForm1::SynchroBus1CateSent(TSynchroBus&, const TProtok&, bool success) {
    if (IsConnected() && !success)
        Counters.SendLed = 2;
}

void TForm1::SynchroBus1CharReceived(TSynchroBus&, uint8_t, bool) {
    Counters.ReceiveLed = 2;
}

void TForm1::SynchroBus1SendMsg(TSynchroBus&, const TProtok& msg) {
    WriteProgramLog(SentMsgLogLine(msg));
}

void TForm1::SynchroBus1MsgReceived(TSynchroBus&, const TProtok& msg) {
    WriteProgramLog(ReceivedMsgLogLine(msg));
    if (Counters.ActiveCtr > 0)
        Counters.ActiveCtr = Globals::InactivityTicks();
}

// ---------------------------------------------------------------- connection

void TForm1::ChoosePort() {
    TSchnittstelleDlg* dlg = SchnittstelleDlg;
    if (!dlg)
        return;
    dlg->RadioGroup1->SetItemIndex(Settings.Port - 1);
    if (dlg->exec() != QDialog::Accepted)
        return;
    // OK with no port chosen keeps the port.
    const int index = dlg->RadioGroup1->ItemIndex();
    if (index < 0)
        return;
    Settings.Port = static_cast<uint8_t>(index + 1);
    StatusBar1->SetPanelText(1, PortPanelText(Settings.Port));
}

void TForm1::whlen1Click() {
    ChoosePort();
}

void TForm1::ToolButton1Click() {
    ChoosePort();
}

void TForm1::ToolButton10Click() {
    ConnectOrDisconnect();
}

void TForm1::verbinden1Click() {
    ToolButton10->setChecked(!ToolButton10->isChecked());
    ConnectOrDisconnect();
}

void TForm1::ToolButton2Click() {
    close();
}

void TForm1::Beenden1Click() {
    close();
}

void TForm1::syncConnectButton() {
    ToolButton10->setChecked(IsConnected());
    ToolButton1->setEnabled(!ToolButton10->isChecked());
    verbinden1->setChecked(ToolButton10->isChecked());
}

void TForm1::ConnectOrDisconnect() {
    // The identification waits in the event loop; a click or the inactivity time-out
    // meanwhile is taken up once the running sequence has ended.
    if (connecting_) {
        connectAgain_ = true;
        return;
    }
    connecting_ = true;
    TExchangeGate::TScope exchange(ExchangeGate);
    do {
        connectAgain_ = false;
        if (ToolButton10->isChecked()) {
            if (!IsConnected()) {
                WriteProgramLog("COM wird geöffnet");
                Counters.ActiveCtr = 2 * Globals::InactivityTicks();
                setPortLog(Settings.COMLog);
                openPort(Settings.Port);
            }
        } else {
            if (IsConnected() && Refresh.RefreshCounter() >= 1) {
                WriteProgramLog("lfd. Übertragung beenden");
                Refresh.SetRefreshCounter(0);
                sendAutosendOff();
            }
            WriteProgramLog("COM wird geschlossen");
            closePort();
        }
        // A click while the port opened or closed left its wish in the button: keep it.
        if (!connectAgain_)
            syncConnectButton();
        if (IsConnected()) {
            if (!identifyTester())
                ResetConnectionUi();
        } else {
            ResetConnectionUi();
        }
        // Run again only for a wish that differs from the state reached.
    } while (connectAgain_ && ToolButton10->isChecked() != IsConnected());
    connectAgain_ = false;
    syncConnectButton();
    connecting_ = false;
}

bool TForm1::identifyTester() {
    EnableSettingsUi();
    WriteProgramLog("COM ist verbunden");
    StatusBar1->SetPanelText(0, QStringLiteral("Verbunden"));
    Sprache1->setEnabled(true);
    Globals::TesterSerialNumber = GetSerialNumber();
    if (!IsConnected())
        return false;
    StatusBar1->SetPanelText(2, QStringLiteral("SerNo. ") + Globals::TesterSerialNumber);
    const QString version = GetProgramVersion();
    if (!IsConnected())
        return false;
    StatusBar1->SetPanelText(3, QStringLiteral("PgmVers. ") + version);
    StatusBar1->SetPanelText(4, GetTesterLanguage());
    if (!IsConnected())
        return false;
    SetTesterLanguage(QStringLiteral("de"));
    if (!IsConnected())
        return false;
    AutosendList = SynchroBus1->IntToMsgData(AutosendMask);
    Refresh.SetPollIndex(0);
    SendRefresh();
    // Also a polled tester needs the refresh timer, which nothing else has started yet.
    Timer2->SetEnabled(true);
    LiveState.SettingDelay = Settings.SettingDelay;
    Keys.StartCountdownAtConnect();
    return true;
}

QString TForm1::GetSerialNumber() {
    return ::GetSerialNumber(*this);
}

QString TForm1::GetProgramVersion() {
    const TProgramVersion v = ::GetProgramVersion(*this);
    Globals::FirmwareLevel = v.FirmwareLevel;
    if (v.LinkLost)
        return v.Version;
    if (v.Answered) {
        PollMode = v.FirmwareLevel == 0;
        Timer2->SetInterval(PollMode ? Globals::PollIntervalMs(Settings.DlgDelay) : 100);
    }
    StatusBar1->SetPanelText(5, FirmwareLevelPanelText(v.FirmwareLevel));
    TrackBar1->setMaximum(PeTrackBarMax(v.FirmwareLevel));
    return v.Version;
}

void TForm1::EnableSettingsUi() {
    for (QWidget* w : std::initializer_list<QWidget*>{RadioGroup1, RadioGroup2, ComboBox1, Label5, Label6,
                                                      CheckBox1, CheckBox2, Label27, Label28, FloatEdit1,
                                                      RadioGroup3, RadioGroup4, ToolButton11, ToolButton12})
        w->setEnabled(true);
    const bool visualCheck = Globals::FirmwareLevel >= 1;
    LiveState.Panel.ComboBox2Enabled = visualCheck;
    ComboBox2->setEnabled(visualCheck);
    Label26->setEnabled(visualCheck);
}

void TForm1::ResetConnectionUi() {
    LiveDisplay.ResetConnection();
    ShowLiveState();
    for (QWidget* w :
         std::initializer_list<QWidget*>{RadioGroup1, RadioGroup2, ComboBox1, ComboBox2, Label26, Label5,
                                         Label6, RadioGroup3, RadioGroup4, RadioGroup5, CheckBox1, CheckBox2,
                                         Label27, Label28, FloatEdit1, TrackBar1, TrackBar2, TrackBar3})
        w->setEnabled(false);
    StatusBar1->SetPanelText(0, QStringLiteral("Keine Verbindung"));
    Sprache1->setEnabled(false);
    StatusBar1->SetPanelText(2, QStringLiteral("SerNo."));
    Globals::TesterSerialNumber.clear();
    StatusBar1->SetPanelText(3, QStringLiteral("PgmVers."));
    StatusBar1->SetPanelText(4, QString());
    ToolButton11->setEnabled(false);
    ToolButton12->setEnabled(true);
    Globals::FirmwareLevel = 0;
    StatusBar1->SetPanelText(5, QString());
}

void TForm1::ClearMeasuredValues() {
    LiveDisplay.ClearMeasuredValues();
    ShowLiveState();
}

void TForm1::SwapVisible(QWidget* A, QWidget* B, bool Flag) {
    B->setVisible(Flag);
    A->setVisible(!Flag);
}

void TForm1::SendCommand40() {
    TesterSettings.SendCommand40();
}

// ---------------------------------------------------------------- refresh

void TForm1::Timer2Timer() {
    if (Refresh.Tick(IsConnected()))
        SendRefresh();
}

void TForm1::SendRefresh() {
    if (PollMode) {
        PollNextInfo();
        return;
    }
    WriteProgramLog("Auffrischung senden");
    Refresh.SetRefreshCounter(Globals::RefreshTicks());
    SynchroBus1->SendMsg(MsgIdPc, MsgSetAutosend, AutosendList);
}

void TForm1::PollNextInfo() {
    WriteProgramLog(PollLogLine(Refresh.PollIndex()));
    Refresh.SetRefreshCounter(1);
    SynchroBus1->SendMsg(MsgIdPc, Refresh.TakePollCode(), TMsgData());
}

void TForm1::PauseRefresh() {
    Timer2->SetEnabled(false);
    Refresh.SetRefreshCounter(0);
    Counters.ActiveCtr = 0;
}

void TForm1::ResumeRefresh() {
    Counters.ActiveCtr = Globals::InactivityTicks();
    Refresh.SetPollIndex(0);
    Timer2->SetEnabled(true);
    SendRefresh();
}

void TForm1::SynchroBus1MsgUnhandled(TSynchroBus&, const TProtok& msg) {
    const int kind = RefreshKindOfFrame(msg);
    if (kind < 0)
        return;
    (this->*StoreRoutines[static_cast<size_t>(kind)])(msg);
    if (!PollMode)
        return;
    (this->*ApplyRoutines[static_cast<size_t>(kind)])();
    if (Counters.ActiveCtr > 0)
        Counters.ActiveCtr = Globals::InactivityTicks();
}

// In autosend mode a frame waits for the idle handler; in poll mode it is applied at once.
void TForm1::StoreLimits1(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreLimits2(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreRecordCount(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreFlags(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreMeasured1(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreMeasured2(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreRawValue(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}
void TForm1::StoreSequenceFlags(const TProtok& msg) {
    Refresh.Store(msg, !PollMode);
}

void TForm1::ApplyPendingMessage(int kind) {
    if (kind < 0 || kind >= RefreshKindCount)
        return;
    // The routine clears the bit itself, first: a frame of its kind that arrives while it
    // waits for the tester stays pending.
    (this->*ApplyRoutines[static_cast<size_t>(kind)])();
}

void TForm1::ApplicationIdle() {
    if (DatenanzeigeDlg)
        DatenanzeigeDlg->BitBtn4->setEnabled(IsConnected());
    if (!IsConnected()) {
        Keys.IdleDisconnected();
        BitBtn1->setEnabled(false);
    }
    const int kind = Refresh.IdleStep(IsConnected());
    if (kind >= 0)
        ApplyPendingMessage(kind);
}

// ---------------------------------------------------------------- tester language

QString TForm1::GetTesterLanguage() {
    return TesterLanguage.GetTesterLanguage();
}

void TForm1::GetTesterLanguageList(int& Current, QString& List) {
    TesterLanguage.GetTesterLanguageList(Current, List);
}

void TForm1::SetTesterLanguage(const QString& Code) {
    TesterLanguage.SetTesterLanguage(Code,
                                     [this](const QString& code) { StatusBar1->SetPanelText(4, code); });
}

void TForm1::Sprache1Click() {
    if (!IsConnected() || Globals::FirmwareLevel < 1 || !SprachEinstDlg)
        return;
    TExchangeGate::TScope exchange(ExchangeGate);
    if (!exchange.Acquired())
        return;
    int current = 0;
    QString list;
    GetTesterLanguageList(current, list);
    const TLanguageChoice choice = LanguageChoice(list, current);
    SprachEinstDlg->ListBox1->clear();
    SprachEinstDlg->ListBox1->addItems(choice.Items);
    SprachEinstDlg->ListBox1->setCurrentRow(choice.Selected);
    if (choice.Selected < 0)
        SprachEinstDlg->ListBox1->clearSelection();
    if (SprachEinstDlg->exec() != QDialog::Accepted)
        return;
    const QListWidgetItem* item = SprachEinstDlg->ListBox1->currentItem();
    if (!item || !item->isSelected() || !IsConnected())
        return;
    SetTesterLanguage(item->text().left(2));
}

// ---------------------------------------------------------------- link

uint32_t TForm1::AnswerTimeout(TTimeoutClass c) const {
    switch (c) {
    case TTimeoutClass::tcRam:
        return Globals::AnswerTimeoutRAM();
    case TTimeoutClass::tcReadEeprom:
        return Globals::AnswerTimeoutReadEEPROM();
    case TTimeoutClass::tcWriteEeprom:
        break;
    }
    return Globals::AnswerTimeoutWriteEEPROM();
}

bool TForm1::RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) {
    return RequestTesterMsg(*SynchroBus1, Sub, Data, TimeoutMs, Answer);
}

void TForm1::sendAutosendOff() {
    // Straight to the port: the bus would hold it back while an earlier frame awaits its
    // answer, and the port closes right after.
    SynchroBus1->CateSendMsg(MsgIdPc, MsgSetAutosend, TMsgData(1, '\0'));
}
