#include "app/EinstellungenDlg.h"

#include "controls/Layout.h"
#include "controls/NumberText.h"
#include "platform/message_box.h"
#include "platform/window_place.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QGuiApplication>
#include <QScrollBar>
#include <QtMath>
#include <algorithm>

TProtocolLinesMemo::TProtocolLinesMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] { cursorMoved(); });
}

// The lines scroll sideways together: a line reached from another by key shows as much of its
// start as the cursor allows, rather than the middle part left from the long line before. Under
// the mouse the text stays where it is, or it would move away from a click or a selection.
void TProtocolLinesMemo::cursorMoved() {
    const int line = textCursor().blockNumber();
    if (line == cursorLine_)
        return;
    cursorLine_ = line;
    if (textCursor().hasSelection() || QGuiApplication::mouseButtons() != Qt::NoButton)
        return;
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(std::max(0, cursorRect().right() + bar->value() + 1 - viewport()->width()));
}

bool TProtocolLinesMemo::fits(const QString& inserted) const {
    const QTextCursor cursor = textCursor();
    const QString text = toPlainText();
    const QString result = text.left(cursor.selectionStart()) + inserted + text.mid(cursor.selectionEnd());
    // A break after the last line would be dropped again at once: it would change nothing but
    // move the cursor out of the five lines.
    return UsedLineCount(result) <= ProtocolLineCount && KeptTextLength(result) > cursor.selectionStart();
}

void TProtocolLinesMemo::dropSurplusEmptyLines() {
    const QString text = toPlainText();
    const qsizetype end = KeptTextLength(text);
    if (end == text.size())
        return;
    QTextCursor cut(document());
    cut.joinPreviousEditBlock();
    cut.setPosition(int(end));
    cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    cut.endEditBlock();
}

void TProtocolLinesMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!fits(QStringLiteral("\n"))) {
            // Taken here: it neither adds a line nor reaches the dialog's default button.
            event->accept();
            platform::beep();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
        dropSurplusEmptyLines();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

// The empty last lines only hold the places of the five lines: a click on one of them puts the
// cursor on the first, so that typing goes on right after the text.
void TProtocolLinesMemo::mousePressEvent(QMouseEvent* event) {
    QPlainTextEdit::mousePressEvent(event);
    QTextCursor cursor = textCursor();
    const QString text = toPlainText();
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u'\n')
        --end;
    const qsizetype firstEmpty = end == 0 ? 0 : end + 1;
    if (event->button() != Qt::LeftButton || cursor.hasSelection() || end == text.size() ||
        cursor.position() <= firstEmpty)
        return;
    cursor.setPosition(int(firstEmpty));
    setTextCursor(cursor);
}

void TProtocolLinesMemo::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    // Qt keeps its document margin above the first line and below the last and one pixel more
    // free; at the designed height its default of 4 leaves no room for the fifth line, and the
    // memo scrolls the first one away. A narrower margin keeps all five in view.
    const int lineHeight = qCeil(QFontMetricsF(document()->defaultFont()).lineSpacing());
    const int room = contentsRect().height() - 1 - ProtocolLineCount * lineHeight;
    document()->setDocumentMargin(std::clamp(room / 2, 0, DefaultDocumentMargin));
}

bool TProtocolLinesMemo::canInsertFromMimeData(const QMimeData* source) const {
    return QPlainTextEdit::canInsertFromMimeData(source) && (!source->hasText() || fits(source->text()));
}

void TProtocolLinesMemo::insertFromMimeData(const QMimeData* source) {
    if (source->hasText() && !fits(source->text())) {
        platform::beep();
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
    dropSurplusEmptyLines();
}

void TServiceIntervalEdit::ShowValue(int32_t value) {
    SetTextQuietly(numbertext::FormatInt(FormatString(), value));
    SetValue(value);
}

void TServiceIntervalEdit::focusOutEvent(QFocusEvent* event) {
    if (!ParseServiceInterval(text())) {
        QLineEdit::focusOutEvent(event);
        return;
    }
    TIntEdit::focusOutEvent(event);
}

namespace {

// Room between a caption and the control to its right.
constexpr int CaptionGap = 4;

// The captions here stand at the top of their place. One wider in this font than designed grows
// to the right rather than being cut.
QLabel* caption(QLabel* lbl, bool wrap = false) {
    lbl->setWordWrap(wrap);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (!wrap && lbl->sizeHint().width() > lbl->width())
        lbl->resize(lbl->sizeHint().width(), lbl->height());
    return lbl;
}

TProtocolLinesMemo* memo(QWidget* parent, const char* name, int l, int t, int w, int h) {
    auto* m = new TProtocolLinesMemo(parent);
    m->setObjectName(QString::fromLatin1(name));
    m->setGeometry(l, t, w, h);
    // Tab moves on to the next control, as in the other edits.
    m->setTabChangesFocus(true);
    return m;
}

void setLines(QPlainTextEdit* m, const QStringList& lines) {
    m->setPlainText(lines.join(u'\n'));
}

// The lines of a memo as typed.
QStringList linesOf(const QPlainTextEdit* m) {
    return m->toPlainText().split(u'\n');
}

QFrame* bevel(QWidget* parent, const char* name, QFrame::Shape shape, int l, int t, int w, int h) {
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameShape(shape);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(l, t, w, h);
    return f;
}

} // namespace

TEinstellungenDlg::TEinstellungenDlg(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("EinstellungenDlg"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    resize(649, 493);
    platform::placeOnShow(*this, platform::Placement::Centred);
    setSizeGripEnabled(true);
    // The places are designed for a small dialog font; the default one would cut the captions.
    QFont small(QStringLiteral("Liberation Sans"));
    small.setPixelSize(11);
    setFont(small);

    Label2 =
        caption(label(this, QStringLiteral("Anschrift für Prüfprotokoll"), 8, 11, 100, 26, "Label2"), true);
    Memo1 = memo(this, "Memo1", 112, 8, 185, 73);
    Label3 = caption(
        label(this, QStringLiteral("Zusatzzeilen für Prüfprotokoll (unten)"), 8, 91, 100, 26, "Label3"),
        true);
    Memo2 = memo(this, "Memo2", 112, 88, 185, 73);
    Bevel1 = bevel(this, "Bevel1", QFrame::VLine, 304, 8, 3, 160);

    CheckBox1 = new QCheckBox(QStringLiteral("Druckvorschau"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(310, 8, 103, 17);
    CheckBox1->setLayoutDirection(Qt::RightToLeft); // caption left of the box

    Label4 = caption(label(this, QStringLiteral("Prüfer:"), 312, 35, 31, 13, "Label4"));
    Label5 = caption(label(this, QStringLiteral("Wartungsintervall:"), 312, 59, 85, 13, "Label5"));
    // The edits stand right of their captions, further right than designed where this font needs it.
    const int editLeft = std::max({400, Label4->x() + Label4->sizeHint().width() + CaptionGap,
                                   Label5->x() + Label5->sizeHint().width() + CaptionGap});
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(editLeft, 32, 153, 21);
    IntEdit1 = new TServiceIntervalEdit(this);
    IntEdit1->setObjectName(QStringLiteral("IntEdit1"));
    IntEdit1->setGeometry(editLeft, 56, 49, 21);
    IntEdit1->SetFormatString(QStringLiteral("%d"));
    Label1 = caption(label(this, QStringLiteral("Tage"), editLeft + 56, 59, 25, 13, "Label1"));

    Bevel2 = bevel(this, "Bevel2", QFrame::HLine, 0, 168, 641, 4);
    Label6 = caption(label(this, QStringLiteral("Exportfelder:"), 8, 176, 59, 13, "Label6"));

    // The export boxes in five columns at the dialog's font: a column takes its longest caption
    // and moves the columns right of it (and the dialog's edge) further right where it must.
    constexpr std::array<int, 5> designedLefts{8, 96, 216, 344, 488};
    const auto columnOf = [&](int index) {
        return size_t(std::find(designedLefts.begin(), designedLefts.end(), ExportCheckBoxPlace(index).Left) -
                      designedLefts.begin());
    };
    std::array<int, 5> needs{};
    for (int i = 0; i < ExportColumnCount; ++i) {
        auto* box = new QCheckBox(ExportColumnCaption(i), this);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(ExportCheckBoxPlace(i).Number));
        needs[columnOf(i)] = std::max(needs[columnOf(i)], box->sizeHint().width());
        exportBoxes_[static_cast<size_t>(i)] = box;
    }
    std::array<int, 6> lefts{designedLefts[0]};
    for (size_t c = 1; c < designedLefts.size(); ++c)
        lefts[c] = std::max(designedLefts[c], lefts[c - 1] + needs[c - 1] + CaptionGap);
    const int dialogWidth = std::max(width(), lefts[4] + needs[4] + 8);
    lefts[5] = dialogWidth;
    for (int i = 0; i < ExportColumnCount; ++i) {
        const TExportCheckBoxPlace p = ExportCheckBoxPlace(i);
        const size_t c = columnOf(i);
        const int room = lefts[c + 1] - lefts[c] - CaptionGap;
        exportBoxes_[static_cast<size_t>(i)]->setGeometry(lefts[c], p.Top,
                                                          std::max(needs[c], std::min(p.Width, room)), 17);
    }
    resize(dialogWidth, height());
    Bevel2->resize(dialogWidth - 8, Bevel2->height());

    RadioGroup1 = new TRadioGroup(QStringLiteral("Exportdatei"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(8, 392, 401, 65);
    RadioGroup1->SetItems({QStringLiteral("immer fragen"), QString()});
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(36, 431, 325, 21);
    BitBtn3 = new QPushButton(QStringLiteral("such"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setGeometry(368, 431, 33, 21);
    BitBtn3->setAutoDefault(false);

    BitBtn2 = new QPushButton(QStringLiteral("Abbrechen"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(424, 432, 97, 25);
    BitBtn2->setAutoDefault(false);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(536, 432, 97, 25);
    BitBtn1->setDefault(true);

    SaveDialog1.Title = QStringLiteral("Exportdatei");
    SaveDialog1.Filter = QStringLiteral("CSV-Dateien (*.csv)|*.csv|alle Dateien (*.*)|*.*");
    SaveDialog1.DefaultExtension = QStringLiteral("csv");
    SaveDialog1.Options = platform::fdHideReadOnly | platform::fdPathMustExist | platform::fdEnableSizing;

    // The designed tab order; the export boxes follow their indexes.
    QList<QWidget*> order{Memo1, Memo2, Edit1, IntEdit1, BitBtn1, BitBtn2, CheckBox1};
    order << RadioGroup1->Button(0) << RadioGroup1->Button(1) << Edit2 << BitBtn3;
    for (QCheckBox* box : exportBoxes_)
        order << box;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
}

QCheckBox* TEinstellungenDlg::CheckBox(int number) const {
    if (number == 1)
        return CheckBox1;
    for (int i = 0; i < ExportColumnCount; ++i)
        if (ExportCheckBoxPlace(i).Number == number)
            return ExportCheckBox(i);
    return nullptr;
}

void TEinstellungenDlg::FillFromValues() {
    const TSettingsDialogValues v = SettingsDialogValuesFromGlobals();
    setLines(Memo1, v.TopLines);
    setLines(Memo2, v.BottomLines);
    Edit1->setText(v.Operator);
    Edit1->setCursorPosition(0); // a long name shows its start, not its end
    IntEdit1->ShowValue(v.ServiceInterv);
    CheckBox1->setChecked(v.Preview);
    Edit2->setText(v.ExportFileName);
    RadioGroup1->SetItemIndex(v.ExportFileItem);
    for (int i = 0; i < ExportColumnCount; ++i)
        ExportCheckBox(i)->setChecked(v.ExportColumns[static_cast<size_t>(i)]);
}

TSettingsDialogValues TEinstellungenDlg::ControlValues() {
    TSettingsDialogValues v;
    v.TopLines = linesOf(Memo1);
    v.BottomLines = linesOf(Memo2);
    v.Operator = Edit1->text();
    v.ServiceInterv = ParseServiceInterval(IntEdit1->text()).value_or(IntEdit1->Value());
    v.Preview = CheckBox1->isChecked();
    v.ExportFileItem = RadioGroup1->ItemIndex();
    v.ExportFileName = Edit2->text();
    for (int i = 0; i < ExportColumnCount; ++i)
        v.ExportColumns[static_cast<size_t>(i)] = ExportCheckBox(i)->isChecked();
    return v;
}

void TEinstellungenDlg::TakeValues() {
    StoreSettingsDialogValues(ControlValues());
}

bool TEinstellungenDlg::Execute() {
    FillFromValues();
    if (exec() != QDialog::Accepted)
        return false;
    TakeValues();
    return true;
}

void TEinstellungenDlg::BitBtn1Click() {
    if (!ParseServiceInterval(IntEdit1->text())) {
        platform::messageBox(ServiceIntervalMessage, platform::MessageButtons::Ok,
                             platform::MessageIcon::Warning);
        IntEdit1->setFocus(Qt::OtherFocusReason);
        IntEdit1->selectAll();
        return;
    }
    accept();
}

void TEinstellungenDlg::BitBtn3Click() {
    SaveDialog1.FileName = Edit2->text();
    const platform::SaveFileResult result = platform::saveFileDialog(SaveDialog1);
    if (result.Accepted)
        Edit2->setText(result.FileName);
}
