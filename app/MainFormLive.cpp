// The main window's live display, settings panel and key buttons: the logic lives in
// TLiveDisplay, TSettingsPanel and TKeyCommands; here it meets the controls.
#include "app/MainForm.h"

#include "app/NetzspgWarnWin.h"

#include <QSignalBlocker>

namespace {

void putEnabled(QWidget* w, bool on) {
    if (w->isEnabled() != on)
        w->setEnabled(on);
}

void putShown(QWidget* w, bool on) {
    if (w->isHidden() == on)
        w->setVisible(on);
}

void putText(QLabel* l, const QString& text) {
    if (l->text() != text)
        l->setText(text);
}

void putData(TDigit* d, const QString& text) {
    if (d->Data() != text)
        d->SetData(text);
}

void putItemIndex(TRadioGroup* g, int index) {
    if (g->ItemIndex() == index)
        return;
    const QSignalBlocker block(g);
    g->SetItemIndex(index);
}

void putCurrentIndex(QComboBox* c, int index) {
    if (c->hasFocus() || c->currentIndex() == index)
        return;
    const QSignalBlocker block(c);
    c->setCurrentIndex(index);
}

void putChecked(QCheckBox* c, bool on) {
    if (c->isChecked() == on)
        return;
    const QSignalBlocker block(c);
    c->setChecked(on);
}

void putPosition(QSlider* s, int position) {
    if (s->value() == position)
        return;
    const QSignalBlocker block(s);
    s->setValue(position);
}

} // namespace

TPanelFocus TForm1::panelFocus() const {
    return {ComboBox1->hasFocus(), ComboBox2->hasFocus(), FloatEdit1->hasFocus()};
}

void TForm1::ShowLiveState() {
    const TLiveDisplayState& d = LiveState.Display;
    const TSettingsPanelState& p = LiveState.Panel;

    TDigit* const values[ValueRowCount] = {Digit16, Digit21, Digit26, Digit31, Digit36, Digit41, Digit46};
    QLabel* const exceeded[ValueRowCount] = {Label43, Label44, Label45, Label29, Label47, Label31, Label49};
    QLabel* const captions[ValueRowCount] = {Label7, Label8, Label9, Label13, Label14, Label15, Label16};
    const std::initializer_list<QWidget*> companions[ValueRowCount] = {
        {Label43, Label10, Label2, Label23},
        {Label44, Label11, Label3, Label24},
        {Label45, Label12, Label4, Label25},
        {Label46, Label29, Label17},
        {Label47, Label18},
        {Label48, Label31, Label19},
        {Label49, Label20},
    };
    for (size_t row = 0; row < ValueRowCount; ++row) {
        putData(values[row], d.ValueText[row]);
        putShown(exceeded[row], d.LimitExceeded[row]);
        putEnabled(captions[row], d.RowInUse[row]);
        for (QWidget* w : companions[row])
            putEnabled(w, d.RowInUse[row]);
    }
    TDigit* const limits[LimitRowCount] = {Digit1, Digit6, Digit11};
    QSlider* const bars[LimitRowCount] = {TrackBar1, TrackBar2, TrackBar3};
    for (size_t l = 0; l < LimitRowCount; ++l) {
        putData(limits[l], d.LimitText[l]);
        putPosition(bars[l], p.TrackBarPosition[l]);
        putEnabled(bars[l], p.TrackBarEnabled[l]);
    }

    SwapVisible(Label33, Label39, d.Umschalt);
    SwapVisible(Label36, Label41, d.Abbruch);
    SwapVisible(Label37, Label40, d.Grenzwert);
    SwapVisible(Label38, Label42, d.NotAus);
    // The step names break their lines with CR LF; the label breaks at LF.
    putText(Label30, QString(d.StepName).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    putText(Label21, d.StoredRecords);
    putText(Label22, d.FreeBytes);
    putShown(Label32, d.MainsNoteVisible);
    if (NetzspgWarnWin && NetzspgWarnWin->isVisible() != d.WarningWindowVisible)
        NetzspgWarnWin->setVisible(d.WarningWindowVisible);
    putEnabled(BitBtn1, d.BitBtn1Enabled);
    putEnabled(BitBtn2, d.BitBtn2Enabled);
    putEnabled(BitBtn3, d.BitBtn3Enabled);
    putEnabled(BitBtn4, d.BitBtn4Enabled);
    putEnabled(BitBtn5, d.BitBtn5Enabled);

    putItemIndex(RadioGroup1, p.RadioGroup1);
    putItemIndex(RadioGroup3, p.RadioGroup3);
    putItemIndex(RadioGroup4, p.RadioGroup4);
    putItemIndex(RadioGroup2, p.RadioGroup2);
    putItemIndex(RadioGroup5, p.RadioGroup5);
    putCurrentIndex(ComboBox1, p.ComboBox1);
    putCurrentIndex(ComboBox2, p.ComboBox2);
    putChecked(CheckBox1, p.CheckBox1);
    putChecked(CheckBox2, p.CheckBox2);
    if (!FloatEdit1->hasFocus()) {
        const QSignalBlocker block(FloatEdit1);
        FloatEdit1->SetValue(p.FloatEdit1);
    }
    putEnabled(RadioGroup5, p.RadioGroup5Enabled);
    putEnabled(ComboBox2, p.ComboBox2Enabled);
    putEnabled(Label26, p.ComboBox2Enabled);
}

// ---------------------------------------------------------------- live display

void TForm1::ApplyLimits1() {
    Refresh.ClearPending(0);
    LiveDisplay.ApplyLimits1(Refresh.Buffer(0));
}

void TForm1::ApplyLimits2() {
    Refresh.ClearPending(1);
    LiveDisplay.ApplyLimits2(Refresh.Buffer(1));
}

void TForm1::ApplyRecordCount() {
    Refresh.ClearPending(2);
    LiveDisplay.ApplyRecordCount(Refresh.Buffer(2));
    ShowLiveState();
}

void TForm1::ApplyFlags() {
    Refresh.ClearPending(3);
    LiveDisplay.ApplyFlags(Refresh.Buffer(3), panelFocus());
    ShowLiveState();
}

void TForm1::ApplyMeasured1() {
    Refresh.ClearPending(4);
    LiveDisplay.ApplyMeasured1(Refresh.Buffer(4));
    ShowLiveState();
}

void TForm1::ApplyMeasured2() {
    Refresh.ClearPending(5);
    LiveDisplay.ApplyMeasured2(Refresh.Buffer(5));
    ShowLiveState();
}

void TForm1::ApplyRawValue() {
    Refresh.ClearPending(6);
    LiveDisplay.ApplyRawValue(Refresh.Buffer(6));
    ShowLiveState();
}

void TForm1::ApplySequenceFlags() {
    Refresh.ClearPending(7);
    // A copy: sending a pending limit waits for the tester, and the buffer may be refilled
    // meanwhile.
    const TProtok frame = Refresh.Buffer(7);
    LiveDisplay.ApplySequenceFlags(frame);
    ShowLiveState();
}

// ---------------------------------------------------------------- settings panel

void TForm1::bindPanelHandlers() {
    RadioGroup1->OnClick = [this] { RadioGroup1Click(); };
    RadioGroup3->OnClick = [this] { RadioGroup3Click(); };
    RadioGroup2->OnClick = [this] { RadioGroup2Click(); };
    RadioGroup5->OnClick = [this] { RadioGroup5Click(); };
    RadioGroup4->OnClick = [this] { RadioGroup4Click(); };
    // The user's signals only: the mirror sets these controls too.
    connect(ComboBox1, &QComboBox::activated, this, [this](int) { ComboBox1Change(); });
    connect(ComboBox2, &QComboBox::activated, this, [this](int) { ComboBox2Change(); });
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
    FloatEdit1->OnExit = [this](TValidateEdit&) { FloatEdit1Exit(); };
    FloatEdit1->OnKeyDown = [this](TValidateEdit&, int& key) { FloatEdit1KeyDown(key); };
    connect(TrackBar1, &QSlider::actionTriggered, this, [this](int) { TrackBar1Change(); });
    connect(TrackBar2, &QSlider::actionTriggered, this, [this](int) { TrackBar2Change(); });
    connect(TrackBar3, &QSlider::actionTriggered, this, [this](int) { TrackBar3Change(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { BitBtn5Click(); });
}

// A click on the entry already chosen changes nothing and writes nothing.
void TForm1::RadioGroup1Click() {
    const int index = RadioGroup1->ItemIndex();
    if (!IsConnected() || index == LiveState.Panel.RadioGroup1)
        return;
    Panel.RadioGroup1Click(index);
    ShowLiveState();
}

void TForm1::RadioGroup3Click() {
    const int index = RadioGroup3->ItemIndex();
    if (!IsConnected() || index == LiveState.Panel.RadioGroup3)
        return;
    Panel.RadioGroup3Click(index);
    ShowLiveState();
}

void TForm1::RadioGroup2Click() {
    const int index = RadioGroup2->ItemIndex();
    if (!IsConnected() || index == LiveState.Panel.RadioGroup2)
        return;
    Panel.RadioGroup2Click(index);
    ShowLiveState();
}

void TForm1::RadioGroup5Click() {
    const int index = RadioGroup5->ItemIndex();
    if (!IsConnected() || index == LiveState.Panel.RadioGroup5)
        return;
    Panel.RadioGroup5Click(index);
    ShowLiveState();
}

void TForm1::ComboBox1Change() {
    const int index = ComboBox1->currentIndex();
    if (!IsConnected() || index == LiveState.Panel.ComboBox1)
        return;
    Panel.ComboBox1Change(index);
    ShowLiveState();
}

void TForm1::RadioGroup4Click() {
    const int index = RadioGroup4->ItemIndex();
    if (!IsConnected() || index == LiveState.Panel.RadioGroup4)
        return;
    Panel.RadioGroup4Click(index);
    ShowLiveState();
}

void TForm1::CheckBox1Click() {
    if (!IsConnected())
        return;
    Panel.CheckBox1Click(CheckBox1->isChecked());
    ShowLiveState();
}

void TForm1::CheckBox2Click() {
    if (!IsConnected())
        return;
    Panel.CheckBox2Click(CheckBox2->isChecked());
    ShowLiveState();
}

void TForm1::ComboBox2Change() {
    const int index = ComboBox2->currentIndex();
    if (!IsConnected() || index == LiveState.Panel.ComboBox2)
        return;
    Panel.ComboBox2Change(index);
    ShowLiveState();
}

void TForm1::FloatEdit1Exit() {
    // Also the exit of a disabled edit whose tester has gone reaches here.
    if (!IsConnected())
        return;
    Panel.FloatEdit1Exit(FloatEdit1->Value());
}

void TForm1::FloatEdit1KeyDown(int& Key) {
    if (Key != Qt::Key_Return && Key != Qt::Key_Enter)
        return;
    if (!IsConnected())
        return;
    // Value checks the text first, as leaving the edit would.
    Panel.FloatEdit1KeyDown(Key, FloatEdit1->Value());
}

void TForm1::TrackBar1Change() {
    Panel.TrackBarChange(0, TrackBar1->sliderPosition());
}

void TForm1::TrackBar2Change() {
    Panel.TrackBarChange(1, TrackBar2->sliderPosition());
}

void TForm1::TrackBar3Change() {
    Panel.TrackBarChange(2, TrackBar3->sliderPosition());
}

// ---------------------------------------------------------------- key commands

void TForm1::BitBtn1Click() {
    Keys.BitBtn1Click();
    ShowLiveState();
}

void TForm1::BitBtn2Click() {
    Keys.BitBtn2Click();
    ShowLiveState();
}

void TForm1::BitBtn3Click() {
    Keys.BitBtn3Click();
    ShowLiveState();
}

void TForm1::BitBtn5Click() {
    Keys.BitBtn5Click();
    ShowLiveState();
}
