// The main window's controls at their designed places; what they do is wired in MainForm.cpp.
#include "app/MainForm.h"

#include "controls/Layout.h"

#include <QMenuBar>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

// Colours as the window was designed, given as $BBGGRR values.
const QColor InactiveBack(0xC0, 0xC0, 0x40);
const QColor InactiveText(0xB0, 0xB0, 0x30);
const QColor DarkGrey(0x20, 0x20, 0x20);
const QColor Orange(0xFF, 0x80, 0x00);

void colour(QLabel* l, const QColor& back, const QColor& text) {
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, back);
    p.setColor(QPalette::WindowText, text);
    l->setPalette(p);
}

QLabel* stateLabel(QWidget* parent, const char* name, const QString& text, int x, int y, const QColor& back,
                   const QColor& fore) {
    QLabel* l = label(parent, text, x, y, 90, 22, name);
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

    Label26 = label(p, QStringLiteral("Sichtpr.best."), 210, 90, 90, 16, "Label26");
    ComboBox2 = new QComboBox(p);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("----"), QStringLiteral("nein"), QStringLiteral("ja")});
    ComboBox2->setCurrentIndex(0);
    ComboBox2->setGeometry(210, 110, 80, 24);

    Label27 = label(p, QStringLiteral("Messzeit"), 316, 114, 56, 16, "Label27");
    FloatEdit1 = new TFloatEdit(p);
    FloatEdit1->setObjectName(QStringLiteral("FloatEdit1"));
    FloatEdit1->SetMinValue(3.0);
    FloatEdit1->SetMaxValue(25.0);
    FloatEdit1->SetFormatString(QStringLiteral("%1.1f"));
    FloatEdit1->SetDecimalSeparator(Globals::DecimalSeparator);
    FloatEdit1->SetValue(3.0);
    FloatEdit1->setGeometry(372, 110, 52, 24);
    Label28 = label(p, QStringLiteral("s"), 428, 114, 12, 16, "Label28");

    Label5 = label(p, QStringLiteral("gespeichert:"), 568, 24, 76, 16, "Label5");
    Label21 = label(p, QStringLiteral("-"), 568, 42, 76, 16, "Label21");
    Label6 = label(p, QStringLiteral("freie Bytes:"), 568, 66, 76, 16, "Label6");
    Label22 = label(p, QStringLiteral("-"), 568, 84, 76, 16, "Label22");
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
        *r.caption = label(p, QString::fromUtf8(r.text), 10, y + 6, 160, 16, r.captionName);
        digitRow(p, digits_, r.head, 176, y);
        *r.unit = label(p, QString::fromUtf8(r.unitText), 266, y + 6, 40, 16, r.unitName);
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
        *r.caption = label(p, QString::fromUtf8(r.text), 10, y + 6, 160, 16, r.captionName);
        digitRow(p, digits_, r.head, 176, y);
        *r.unit = label(p, QString::fromUtf8(r.unitText), 266, y + 6, 40, 16, r.unitName);
        *r.exceeded = label(p, QString::fromUtf8(r.exceededText), 316, y + 6, 160, 16, r.exceededName);
        QPalette red = (*r.exceeded)->palette();
        red.setColor(QPalette::WindowText, Qt::red);
        (*r.exceeded)->setPalette(red);
        setBold(*r.exceeded);
        y += 30;
    }
    Label46 = label(p, QStringLiteral("(Grenzwert < 3,5 mA)"), 480, 8 + 3 * 30 + 6, 150, 16, "Label46");
    Label48 = label(p, QStringLiteral("(Grenzwert < 0,5 mA)"), 480, 8 + 5 * 30 + 6, 150, 16, "Label48");
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
    Label30 = label(client, QString(), 400, y - 2, 250, 40, "Label30");
    Label30->setWordWrap(true);
    setBold(Label30);
    Label32 =
        label(client, QStringLiteral("ACHTUNG! 230 V~ 16A an Prüfdose"), 10, y + 26, 380, 18, "Label32");
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
