#include "printing/Pruefprot.h"

#include "printing/Barcd4.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

using platform::reportFont;
using platform::TReportAlign;
using platform::TReportImage;
using platform::TReportLabel;

namespace {

constexpr double BandWidth = 160.0;
constexpr double BoxMm = 3.2;
constexpr int BoxPixels = 12;
// Room between a field's rule and the row below it, where umlauts and capitals reach up.
constexpr double RuleClearanceMm = 0.35;
// Clear room between a caption and the field (its rule or text) to its right.
constexpr double CaptionGapMm = 0.5;
// A caption too wide for its room is printed smaller, down to this size.
constexpr double SmallestCaptionPt = 7;
// A value is printed whole, never cut at its field's end: a long one smaller, down to this size.
constexpr double SmallestValuePt = 6;
// Clear room between two footer lines that share a row.
constexpr double FooterGapMm = 2;

double lineHeightMm(double pt) {
    return pt * 25.4 / 72.0 * 1.2;
}

TReportLabel* label(platform::TReportBand* band, double x, double y, const QString& text, double pt,
                    bool bold = false) {
    return band->AddLabel(x, y, text, reportFont(pt, bold));
}

// A label centred on the band's width.
TReportLabel* centred(platform::TReportBand* band, double y, const QString& text, double pt, bool bold) {
    TReportLabel* l = label(band, 0, y, text, pt, bold);
    l->Alignment = TReportAlign::Center;
    l->AlignToBand = true;
    return l;
}

// A field of fixed width with a rule under it. The rule stays inside the field's row, which ends
// where the next row begins (nextRow, 0 for none close below).
TReportLabel* field(platform::TReportBand* band, double x, double y, double width, TReportAlign align,
                    double pt = 10, bool bold = true, double nextRow = 0) {
    TReportLabel* l = label(band, x, y, QString(), pt, bold);
    l->Width = width;
    l->AutoSize = false;
    l->Alignment = align;
    l->MinFontSize = SmallestValuePt;
    double rule = lineHeightMm(pt);
    if (nextRow > y)
        rule = std::min(rule, nextRow - y - RuleClearanceMm);
    band->AddHorLine(x, y + rule, width)->PenWidth = 0.2;
    return l;
}

// Where the text of the visual lines that fit into heightMm ends, laid out at one resolution:
// the paragraph and the character position in it.
std::pair<qsizetype, qsizetype> noteCut(const QStringList& paragraphs, const QFont& font, double widthMm,
                                        double heightMm, double dpi) {
    QImage device(1, 1, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    device.setDotsPerMeterX(dotsPerMeter);
    device.setDotsPerMeterY(dotsPerMeter);
    const double pxPerMm = dpi / 25.4;
    // Line heights as the painter lays them out at this resolution (hinted, so not the font's
    // nominal line spacing).
    int fitting = 0;
    {
        QPainter painter(&device);
        painter.setFont(font);
        const QRectF area(0, 0, widthMm * pxPerMm, 1e6);
        const int flags = Qt::AlignTop | Qt::AlignLeft;
        const double first = painter.boundingRect(area, flags, QStringLiteral("X")).height();
        const double pitch = painter.boundingRect(area, flags, QStringLiteral("X\nX")).height() - first;
        const double room = heightMm * pxPerMm;
        if (room >= first && pitch > 0)
            fitting = 1 + static_cast<int>(std::floor((room - first) / pitch));
    }
    int used = 0;
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        QTextLayout layout(paragraphs[p], font, &device);
        QTextOption option(Qt::AlignLeft);
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        qsizetype end = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(widthMm * pxPerMm);
            if (used == fitting) {
                layout.endLayout();
                return {p, end};
            }
            ++used;
            end = line.textStart() + line.textLength();
        }
        layout.endLayout();
    }
    return {paragraphs.size(), 0};
}

// The note's lines cut after the last whole line that fits the memo's box at every resolution,
// so that no half line shows at the bottom of the box.
QStringList noteThatFits(const QStringList& paragraphs, const QFont& font, double widthMm, double heightMm) {
    std::pair<qsizetype, qsizetype> cut{paragraphs.size(), 0};
    for (double dpi : platform::ReportPageDpis)
        cut = std::min(cut, noteCut(paragraphs, font, widthMm, heightMm, dpi));
    QStringList kept = paragraphs.mid(0, cut.first);
    if (cut.first < paragraphs.size() && cut.second > 0) {
        QString part = paragraphs[cut.first].left(cut.second);
        while (!part.isEmpty() && part.back().isSpace())
            part.chop(1);
        kept << part;
    }
    return kept;
}

// The caption of the field that starts at fieldX. It ends clear of the field; where the report
// font is too wide for that, this caption alone is printed smaller, on the field's baseline, and
// the field stays put.
TReportLabel* caption(platform::TReportBand* band, double x, double y, const QString& text, double fieldX) {
    TReportLabel* l = label(band, x, y, text, 10);
    l->Width = fieldX - x - CaptionGapMm;
    l->MinFontSize = SmallestCaptionPt;
    return l;
}

// A right-aligned label whose right edge stays at right.
TReportLabel* endingAt(platform::TReportBand* band, double right, double y, double pt, bool bold) {
    TReportLabel* l = label(band, 0, y, QString(), pt, bold);
    l->Width = right;
    l->Alignment = TReportAlign::Right;
    return l;
}

TReportImage* box(platform::TReportBand* band, double x, double y) {
    return band->AddImage(x, y, BoxMm, BoxMm, BoxPixels, BoxPixels);
}

// Widths for two texts that share room: where both fit, each its own and half of the rest; else
// each in proportion to its own, so that both shrink alike and the tighter one no more than it must.
std::pair<double, double> shareRoom(double first, double second, double room) {
    const double total = first + second;
    if (total <= room) {
        const double rest = (room - total) / 2;
        return {first + rest, second + rest};
    }
    return {room * first / total, room * second / total};
}

double printedWidthMm(const TReportLabel* label) {
    return label->Caption.isEmpty() ? 0.0 : platform::reportTextWidthMm(label->Caption, label->Font);
}

void placeInRow(TReportLabel* label, double left, double width) {
    label->Left = left;
    label->Width = width;
}

// A footer line: kept inside the part of the band its row gives it, smaller where long.
TReportLabel* footerLine(platform::TReportBand* band, double y, TReportAlign align) {
    TReportLabel* l = label(band, 0, y, QString(), 8);
    l->Alignment = align;
    l->AutoSize = false;
    l->MinFontSize = SmallestValuePt;
    return l;
}

QString dashText(const QString& unit) {
    return QStringLiteral("--- ") + unit;
}

} // namespace

TPruefprot::TPruefprot(QWidget* owner) : QWidget(owner) {
    setObjectName(QStringLiteral("Pruefprot"));
    setWindowTitle(QStringLiteral("Prüfprotokoll"));
    resize(595, 842);

    QuickRep1.Title = QStringLiteral("Prüfprotokoll");
    QuickRep1.Page = {210.0, 297.0, 25.0, 15.0, 30.0, 20.0};
    QuickRep1.BeforePrint = [this] { QuickRep1BeforePrint(); };

    auto* d = DetailBand1 = QuickRep1.AddBand(platform::TBandType::Detail, 249.0);
    d->FrameLeft = d->FrameTop = d->FrameRight = d->FrameBottom = true;

    centred(d, 4, QStringLiteral("Prüfprotokoll"), 18, true)->Name = QStringLiteral("QRLabel12");
    centred(d, 13, QStringLiteral("Sicherheitsprüfung nach DIN VDE 0701/0702"), 10, false)->Name =
        QStringLiteral("QRLabel49");

    // Addresses of customer and contractor in two columns.
    d->AddHorLine(0, 20, BandWidth);
    d->AddVertLine(81, 21, 36);
    label(d, 4, 23, QStringLiteral("Auftraggeber"), 8)->Name = QStringLiteral("QRLabel50");
    label(d, 84, 23, QStringLiteral("Auftragnehmer"), 8)->Name = QStringLiteral("QRLabel51");
    TReportLabel** address[] = {&QRLabel7, &QRLabel8, &QRLabel9, &QRLabel10, &QRLabel11, &QRLabel19};
    for (int i = 0; i < 6; ++i)
        *address[i] = field(d, 4, 27.5 + 4.5 * i, 74, TReportAlign::Left);
    TReportLabel** heading[] = {&QRLabel1, &QRLabel2, &QRLabel3, &QRLabel4, &QRLabel5};
    // Kept inside their column, smaller where long: a line neither runs over the frame nor loses letters.
    for (int i = 0; i < 5; ++i) {
        TReportLabel* line = label(d, 84, 27.5 + 4.5 * i, QString(), 10);
        line->Width = 74;
        line->AutoSize = false;
        line->MinFontSize = SmallestValuePt;
        *heading[i] = line;
    }
    d->AddHorLine(0, 56.6, BandWidth);

    // Device under test.
    centred(d, 59.5, QStringLiteral("Gerätedaten (Prüfling)"), 14, true)->Name = QStringLiteral("QRLabel53");
    caption(d, 4, 70, QStringLiteral("Prüfling:"), 31);
    caption(d, 4, 74, QStringLiteral("Typ:"), 31);
    caption(d, 4, 79, QStringLiteral("Inventarnummer:"), 31);
    caption(d, 4, 83, QStringLiteral("Schutzklasse"), 31);
    QRLabel32 = field(d, 31, 70, 47, TReportAlign::Left, 10, true, 74);
    QRLabel33 = field(d, 31, 74, 47, TReportAlign::Left, 10, true, 79);
    QRLabel34 = field(d, 31, 79, 47, TReportAlign::Left, 10, true, 83);
    QRLabel40 = field(d, 31, 83, 9, TReportAlign::Center);
    caption(d, 82, 70, QStringLiteral("Fabr.-Nr.:"), 107);
    caption(d, 82, 74, QStringLiteral("Seriennummer:"), 107);
    caption(d, 82, 79, QStringLiteral("Barcode:"), 107);
    QRLabel35 = field(d, 107, 70, 47, TReportAlign::Left, 10, true, 74);
    QRLabel36 = field(d, 107, 74, 47, TReportAlign::Left, 10, true, 79);
    QRLabel18 = field(d, 107, 79, 47, TReportAlign::Left, 10, true, 85);
    QRImage1 = d->AddImage(107, 85, 51, 6, 193, 23);
    d->AddHorLine(0, 92, BandWidth);

    // Results.
    centred(d, 95, QStringLiteral("Prüfungsergebnisse"), 14, true)->Name = QStringLiteral("QRLabel45");
    QRImage2 = box(d, 37, 103);
    label(d, 42, 103, QStringLiteral("Sicherheitsprüfung nach DIN VDE 0701-1/9.2000"), 10);
    QRImage3 = box(d, 37, 109.5);
    label(d, 42, 109.5, QStringLiteral("Wiederholungsprüfung nach DIN VDE 0702"), 10);
    label(d, 38, 117, QStringLiteral("Messung mit"), 10);
    QRImage4 = box(d, 63, 117);
    label(d, 68, 117, QStringLiteral("Isolationswiderstand"), 10);
    QRImage5 = box(d, 107, 117);
    label(d, 112, 117, QStringLiteral("Differenzstrom"), 10);
    label(d, 4, 125, QStringLiteral("Sichtprüfung bestanden"), 10);
    QRImage6 = box(d, 50, 125);
    label(d, 55, 125, QStringLiteral("ja"), 10);
    QRImage7 = box(d, 71, 125);
    label(d, 76, 125, QStringLiteral("nein"), 10);

    const double columns[] = {4, 33, 63, 93, 122};
    const char* headings[] = {"Schutzleiter", "Isolationswiderstand", "Ersatz-Ableitstrom",
                              "Schutzleiterstrom", "Berührungsstrom"};
    TReportLabel** values[] = {&QRLabel62, &QRLabel63, &QRLabel64, &QRLabel65, &QRLabel66};
    TReportLabel** limits[] = {&QRLabel69, &QRLabel70, &QRLabel71, &QRLabel72, &QRLabel73};
    for (int i = 0; i < 5; ++i) {
        label(d, columns[i], 137.6, QString::fromUtf8(headings[i]), 8);
        *values[i] = field(d, columns[i], 142, 26, TReportAlign::Right);
        TReportLabel* limit = label(d, columns[i], 146.6, QString(), 8);
        limit->Width = 26;
        limit->Alignment = TReportAlign::Right;
        *limits[i] = limit;
    }
    QRLabel39 = label(d, 4, 156, QString(), 10, true);
    QRLabel39->Width = 71;
    QRLabel39->Alignment = TReportAlign::Right;
    label(d, 93, 158.5, QStringLiteral("Netzstecker umgepolt"), 8);
    label(d, 122, 158.5, QStringLiteral("Netzstecker umgepolt"), 8);
    QRLabel67 = field(d, 93, 163, 26, TReportAlign::Right);
    QRLabel68 = field(d, 122, 163, 26, TReportAlign::Right);

    // Verdict: a cross before "ja" or "nein".
    caption(d, 4, 163, QStringLiteral("Gerät in Ordnung:"), 33);
    TReportLabel* ja = field(d, 33, 163, 26, TReportAlign::Right, 10, false);
    ja->Caption = QStringLiteral("ja");
    TReportLabel* nein = field(d, 63, 163, 26, TReportAlign::Right, 10, false);
    nein->Caption = QStringLiteral("nein");
    QRLabel76 = label(d, 42, 163, QString(), 10, true);
    QRLabel77 = label(d, 71, 163, QString(), 10, true);
    d->AddHorLine(0, 170, BandWidth);

    caption(d, 4, 174, QStringLiteral("Verwendetes Prüfgerät:"), 42);
    QRLabel75 = label(d, 42, 174, QString(), 10, true);
    QRLabel6 = endingAt(d, 157, 174, 10, false);
    d->AddHorLine(0, 181, BandWidth);

    label(d, 4, 183, QStringLiteral("Notiz:"), 8);
    QRMemo1 = d->AddMemo(4, 187, 154, 30, reportFont(10, true));
    d->AddHorLine(0, 219, BandWidth);
    QRLabel78 = label(d, 4, 221, QString(), 10);

    // Date, place and signature.
    QRLabel38 = endingAt(d, 72, 237.6, 10, false);
    d->AddHorLine(3, 241, 71);
    d->AddHorLine(78, 241, 78);
    label(d, 3, 242, QStringLiteral("Ort"), 8);
    label(d, 78, 242, QStringLiteral("Unterschrift"), 8);
    QRLabel37 = label(d, 94.5, 242, QString(), 8);
    QRLabel37->Width = 156 - 94.5; // kept under the signature's rule
    QRLabel37->MinFontSize = SmallestValuePt;

    auto* f = PageFooterBand1 = QuickRep1.AddBand(platform::TBandType::PageFooter, 8.0);
    QRLabel13 = footerLine(f, 0.5, TReportAlign::Left);
    QRLabel14 = footerLine(f, 4.2, TReportAlign::Left);
    QRLabel15 = footerLine(f, 0.5, TReportAlign::Center);
    QRLabel16 = footerLine(f, 0.5, TReportAlign::Right);
    QRLabel17 = footerLine(f, 4.2, TReportAlign::Right);
}

// Each footer line gets a part of its row of its own, so that no line prints over another or runs
// past the band; the parts follow the lengths of the lines.
void TPruefprot::placeFooterLines() {
    const double left = printedWidthMm(QRLabel13);
    const double centre = printedWidthMm(QRLabel15);
    const double right = printedWidthMm(QRLabel16);
    if (centre > 0) {
        // The centred line stays centred: the two outer lines have the same room beside it.
        const double outer = std::max(left, right);
        const auto [half, side] = shareRoom(centre / 2, outer, BandWidth / 2 - (outer > 0 ? FooterGapMm : 0));
        placeInRow(QRLabel13, 0, side);
        placeInRow(QRLabel15, BandWidth / 2 - half, 2 * half);
        placeInRow(QRLabel16, BandWidth - side, side);
    } else {
        const auto [l, r] = shareRoom(left, right, BandWidth - (left > 0 && right > 0 ? FooterGapMm : 0));
        placeInRow(QRLabel13, 0, l);
        placeInRow(QRLabel15, BandWidth / 2, 0);
        placeInRow(QRLabel16, BandWidth - r, r);
    }
    const double left2 = printedWidthMm(QRLabel14);
    const double right2 = printedWidthMm(QRLabel17);
    const auto [l2, r2] = shareRoom(left2, right2, BandWidth - (left2 > 0 && right2 > 0 ? FooterGapMm : 0));
    placeInRow(QRLabel14, 0, l2);
    placeInRow(QRLabel17, BandWidth - r2, r2);
}

void TPruefprot::DrawCheckBox(TReportImage* Image, bool Checked) {
    QImage& bitmap = Image->Bitmap();
    const int w = bitmap.width();
    const int h = bitmap.height();
    QPainter canvas(&bitmap);
    // The white interior erases a cross of an earlier run.
    canvas.setBrush(Qt::white);
    canvas.setPen(QPen(Qt::black, 3));
    canvas.drawRect(0, 0, w, h);
    if (Checked) {
        canvas.setPen(QPen(Qt::black, 2));
        canvas.drawLine(0, 0, w, h);
        canvas.drawLine(0, h, w, 0);
    }
}

TReportLabel* TPruefprot::addressLabel(int lineNumber) const {
    TReportLabel* const lines[] = {QRLabel7, QRLabel8, QRLabel9, QRLabel10, QRLabel11, QRLabel19};
    if (lineNumber < 1 || lineNumber > 6)
        return nullptr;
    return lines[lineNumber - 1];
}

void TPruefprot::AddAddressLine(const QString& Text, int& LineNumber) {
    if (Text.isEmpty())
        return;
    if (TReportLabel* line = addressLabel(LineNumber))
        line->Caption = Text;
    ++LineNumber;
}

void TPruefprot::QuickRep1BeforePrint() {
    const TWerteSatz& w = WerteSatz;

    TReportLabel* const top[] = {QRLabel1, QRLabel2, QRLabel3, QRLabel4, QRLabel5};
    TReportLabel* const bottom[] = {QRLabel13, QRLabel14, QRLabel15, QRLabel16, QRLabel17};
    for (int i = 0; i < 5; ++i) {
        top[i]->Caption = Globals::TopLine[i + 1];
        bottom[i]->Caption = Globals::BottomLine[i + 1];
    }
    placeFooterLines();

    QRLabel75->Caption = QStringLiteral("Torvane Quellix 0701/0702");
    QRLabel6->Caption = QStringLiteral("Ser.-Nr. ") + w.GTSeriennummer;

    for (int line = 1; line <= 6; ++line)
        addressLabel(line)->Caption.clear();
    QString town = w.KdPLZ + QLatin1Char(' ') + w.KdOrt;
    if (!w.KdLKZ.isEmpty())
        town = w.KdLKZ + QLatin1Char('-') + town;
    int lineNumber = 1;
    AddAddressLine(w.Name1, lineNumber);
    AddAddressLine(w.Name2, lineNumber);
    AddAddressLine(w.Name3, lineNumber);
    AddAddressLine(w.KdStr, lineNumber);
    ++lineNumber; // one blank line before the town
    AddAddressLine(town, lineNumber);

    DrawCheckBox(QRImage2, w.DINVDE == 1);
    DrawCheckBox(QRImage3, w.DINVDE == 2);
    DrawCheckBox(QRImage4, w.mitIsol || w.mitIsoDiff);
    DrawCheckBox(QRImage5, w.mitIsoDiff || !w.mitIsol);
    DrawCheckBox(QRImage6, w.Sichtpruef == 1);
    DrawCheckBox(QRImage7, w.Sichtpruef == 0);

    QRLabel32->Caption = w.Bezeichnung;
    QRLabel33->Caption = w.Typ;
    QRLabel34->Caption = w.Inventarnummer;
    QRLabel35->Caption = w.Fabrikationsnummer;
    QRLabel36->Caption = w.Seriennummer;

    switch (w.Schutzklasse) {
    case 1:
        QRLabel40->Caption = QStringLiteral("I");
        break;
    case 2:
        QRLabel40->Caption = QStringLiteral("II");
        break;
    case 3:
        QRLabel40->Caption = QStringLiteral("III");
        break;
    default:
        QRLabel40->Caption.clear();
        break;
    }

    QRLabel76->Caption = w.Pruefungsergebnis ? QStringLiteral("X") : QString();
    QRLabel77->Caption = w.Pruefungsergebnis ? QString() : QStringLiteral("X");
    QRLabel39->Caption = w.abgebrochen ? QStringLiteral("Die Prüfung wurde abgebrochen.") : QString();

    namespace B = MeasurementBits;
    const QString mOhm = QStringLiteral(" mOhm");
    const QString MOhm = QStringLiteral(" MOhm");
    const QString mA = QStringLiteral(" mA");
    const QString max = QStringLiteral("(max. ");
    const QString min = QStringLiteral("(min. ");
    // One column: its value (and the reversed-plug value) with the limit, or the dash text alone.
    const auto column = [&w](int bits, TReportLabel* value, TReportLabel* reversed, TReportLabel* limit,
                             const auto& format, int32_t measured, int32_t measuredReversed,
                             int32_t grenzwert, const QString& unit, const QString& prefix) {
        const bool on = (w.Enables & bits) != 0;
        value->Caption = on ? format(measured) + unit : dashText(unit);
        if (reversed != nullptr)
            reversed->Caption = on ? format(measuredReversed) + unit : dashText(unit);
        limit->Caption = on ? prefix + format(grenzwert) + unit + QStringLiteral(")") : QString();
    };
    const int32_t level = TesterLink ? TesterLink->FirmwareLevel() : 0;
    const auto isolation = [level](int32_t v) { return FormatIsolationswid(v, level); };
    const auto ableit = [](int32_t v) { return FormatAbleitstrom(v); };
    const auto strom = [](int32_t v) { return FormatStrom(v); };
    column(1 << B::Schutzleiterwid, QRLabel62, nullptr, QRLabel69, FormatSchutzleiterwid, w.Schutzleiterwid,
           0, w.GrwSchutzleiterwid, mOhm, max);
    column(1 << B::Isolationswid, QRLabel63, nullptr, QRLabel70, isolation, w.Isolationswid, 0,
           w.GrwIsolationswid, MOhm, min);
    column(1 << B::Ableitstrom, QRLabel64, nullptr, QRLabel71, ableit, w.Ableitstrom, 0, w.GrwAbleitstrom, mA,
           max);
    column((1 << B::SchutzlStromL1N) | (1 << B::SchutzlStromNL1), QRLabel65, QRLabel67, QRLabel72, strom,
           w.SchutzlStromL1N, w.SchutzlStromNL1, w.GrwSchutzleiterstrom, mA, max);
    column((1 << B::BeruehrungsstromL1N) | (1 << B::BeruehrungsstromNL1), QRLabel66, QRLabel68, QRLabel73,
           strom, w.BeruehrungsstromL1N, w.BeruehrungsstromNL1, w.GrwBeruehrungsstrom, mA, max);

    QRMemo1->SetText(w.Notiz);
    QRMemo1->Lines = noteThatFits(QRMemo1->Lines, QRMemo1->Font, QRMemo1->Width, QRMemo1->Height);
    QRLabel37->Caption = QStringLiteral("(") + w.Pruefer + QStringLiteral(")");
    const QString dateFormat = QStringLiteral("dd.MM.yyyy");
    QRLabel38->Caption = w.Datum.date().toString(dateFormat);
    if (Globals::ServiceInterv == 0)
        QRLabel78->Caption.clear();
    else
        QRLabel78->Caption = QStringLiteral("Nächste Prüfung: ") +
                             w.Datum.date().addDays(Globals::ServiceInterv).toString(dateFormat);

    QImage& picture = QRImage1->Bitmap();
    picture.fill(Qt::white);
    if (!w.Barcode.isEmpty()) {
        QRLabel18->Caption = w.Barcode;
        TPrintBarcode barcode(this); // freed on leaving the block, whatever drawing did
        barcode.SetBarCodeType(TBarCodeType::Interleaved2Of5);
        barcode.SetLeadInWidth(0);
        barcode.SetModuleNarrow(1);
        barcode.SetHeight(QRImage1->PixelHeight());
        barcode.SetText(QRLabel18->Caption);
        QPainter canvas(&picture);
        barcode.DrawOnCanvas(canvas, QPoint(0, 0));
    } else {
        QRLabel18->Caption.clear();
    }
}
