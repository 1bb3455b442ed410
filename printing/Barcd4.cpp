#include "printing/Barcd4.h"

#include <QFont>
#include <QPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace {

// Longer than any page at printer resolution; beyond it the geometry is a fault, not a symbol.
constexpr long long kMaxLength = 1'000'000;
constexpr long long kCoordinateLimit = 1 << 30;
constexpr int kMaxModule = 1 << 20;

// Nearest integer, halves to the even neighbour; nothing when the value is not a number.
std::optional<int> roundModule(double value) {
    if (std::isnan(value))
        return std::nullopt;
    const double rounded = std::nearbyint(std::clamp(value, -1.0, static_cast<double>(kMaxModule)));
    return std::max(1, static_cast<int>(rounded));
}

int clampCoordinate(long long v) {
    return static_cast<int>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
}

int widgetExtent(int v) {
    return std::clamp(v, 0, QWIDGETSIZE_MAX);
}

} // namespace

TPrintBarcode::TPrintBarcode(QWidget* parent) : QWidget(parent) {
    applySize();
}

TPrintBarcode::~TPrintBarcode() {
    QObject::disconnect(connection_);
}

template <typename T> void TPrintBarcode::change(T& member, const T& value) {
    if (member == value)
        return;
    member = value;
    update();
}

void TPrintBarcode::applySize() {
    const QSize size(widgetExtent(width_), widgetExtent(height_));
    if (QWidget::size() != size)
        resize(size);
}

void TPrintBarcode::SetText(const QString& text) {
    text_ = text.left(kMaxTextLength);
    // Never keep half of a character.
    if (!text_.isEmpty() && text_.back().isHighSurrogate() && text.size() > kMaxTextLength)
        text_.chop(1);
    update();
}

void TPrintBarcode::SetBarCodeType(TBarCodeType type) {
    change(type_, type);
}

void TPrintBarcode::SetBarColor(const QColor& color) {
    change(barColor_, color);
}

void TPrintBarcode::SetColor(const QColor& color) {
    change(color_, color);
}

void TPrintBarcode::SetAutoSize(bool on) {
    change(autoSize_, on);
}

void TPrintBarcode::SetBearerBars(bool on) {
    change(bearerBars_, on);
}

void TPrintBarcode::SetBearerBarsWidth(int width) {
    if (width == bearerBarsWidth_)
        return;
    bearerBarsWidth_ = width;
    if (bearerBars_)
        update();
}

void TPrintBarcode::SetLeadInWidth(int width) {
    change(leadInWidth_, width);
}

void TPrintBarcode::SetHumanReadable(bool on) {
    change(humanReadable_, on);
}

void TPrintBarcode::SetWidth(int width) {
    if (width == width_)
        return;
    width_ = width;
    applySize();
    update();
}

void TPrintBarcode::SetHeight(int height) {
    if (height == height_)
        return;
    height_ = height;
    applySize();
    update();
}

void TPrintBarcode::SetDirection(TBDDirection direction) {
    if (direction == direction_)
        return;
    const bool wasHorizontal = horizontal();
    direction_ = direction;
    if (autoSize_ && wasHorizontal != horizontal()) {
        if (wasHorizontal)
            width_ = height_;
        else
            height_ = width_;
        applySize();
    }
    update();
}

void TPrintBarcode::SetModuleNarrow(int width) {
    if (width < 1 || width == moduleNarrow_)
        return;
    moduleNarrow_ = width;
    if (moduleAuto_)
        moduleWide_ = roundModule(width * moduleFactor_).value_or(moduleWide_);
    update();
}

void TPrintBarcode::SetModuleWide(int width) {
    if (width < 1 || width == moduleWide_)
        return;
    moduleWide_ = width;
    if (moduleAuto_)
        moduleNarrow_ = roundModule(width / moduleFactor_).value_or(moduleNarrow_);
    update();
}

void TPrintBarcode::SetModuleAuto(bool on) {
    if (on == moduleAuto_)
        return;
    moduleAuto_ = on;
    if (on)
        moduleWide_ = roundModule(moduleNarrow_ * moduleFactor_).value_or(moduleWide_);
    update();
}

void TPrintBarcode::SetModuleFactor(double factor) {
    if (factor == moduleFactor_)
        return;
    moduleFactor_ = factor;
    if (moduleAuto_)
        moduleWide_ = roundModule(moduleNarrow_ * factor).value_or(moduleWide_);
    update();
}

void TPrintBarcode::SetDataField(const QString& name) {
    dataField_ = name;
    DataChange();
}

void TPrintBarcode::SetDataSource(TBarcodeDataSource* source) {
    if (source == dataSource_)
        return;
    QObject::disconnect(connection_);
    dataSource_ = source;
    if (source != nullptr)
        connection_ = connect(source, &TBarcodeDataSource::DataChanged, this, [this] { DataChange(); });
    DataChange();
}

void TPrintBarcode::DataChange() {
    if (dataSource_ == nullptr || dataField_.isEmpty())
        return;
    if (const std::optional<QString> value = dataSource_->FieldText(dataField_))
        SetText(*value);
    qsizetype minimum = 0;
    if (type_ == TBarCodeType::EAN13 || type_ == TBarCodeType::ITF14)
        minimum = 12;
    else if (type_ == TBarCodeType::EAN8)
        minimum = 7;
    if (text_.size() < minimum)
        text_.prepend(QString(minimum - text_.size(), QLatin1Char('0')));
}

bool TPrintBarcode::DrawOnCanvas(QPainter& canvas, QPoint point) {
    if (!canvas.isActive())
        return false;
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setRenderHint(QPainter::TextAntialiasing, true);
    const bool drawn = drawBarcode(canvas, point.x(), point.y());
    canvas.restore();
    applySize();
    return drawn;
}

void TPrintBarcode::paintEvent(QPaintEvent*) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        drawBarcode(painter, 0, 0);
    }
    // The symbol's length, when AutoSize set it, takes effect once this painter is done.
    applySize();
}

// A layout or the user may size the control; its area follows.
void TPrintBarcode::resizeEvent(QResizeEvent* event) {
    const QSize size = event->size();
    if (size.width() != widgetExtent(width_))
        width_ = size.width();
    if (size.height() != widgetExtent(height_))
        height_ = size.height();
    QWidget::resizeEvent(event);
}

bool TPrintBarcode::horizontal() const {
    return direction_ == TBDDirection::bdRight || direction_ == TBDDirection::bdLeft;
}

bool TPrintBarcode::mirrored() const {
    return direction_ == TBDDirection::bdLeft || direction_ == TBDDirection::bdUp;
}

int TPrintBarcode::leadIn() const {
    return std::max(0, leadInWidth_);
}

void TPrintBarcode::fill(QPainter& canvas, long long x1, long long y1, long long x2, long long y2,
                         const QColor& color) {
    if (x2 <= x1 || y2 <= y1)
        return;
    const int left = clampCoordinate(x1);
    const int top = clampCoordinate(y1);
    canvas.fillRect(QRect(left, top, clampCoordinate(x2) - left, clampCoordinate(y2) - top), color);
}

bool TPrintBarcode::drawBarcode(QPainter& canvas, int x, int y) {
    const QString text = text_;
    auto twoWidth = [this](const barcode::Elements& elements) {
        std::vector<Run> runs;
        runs.reserve(elements.size());
        for (const barcode::Element& e : elements)
            runs.push_back({e.bar, e.wide ? moduleWide_ : moduleNarrow_});
        return runs;
    };
    switch (type_) {
    case TBarCodeType::Code39:
        return drawRuns(canvas, x, y, twoWidth(barcode::Code39(text)), moduleNarrow_, true);
    case TBarCodeType::Code25:
        return drawRuns(canvas, x, y, twoWidth(barcode::Code25(text)), 0, true);
    case TBarCodeType::Interleaved2Of5:
        return drawRuns(canvas, x, y, twoWidth(barcode::Interleaved2Of5(text)), 0, true);
    case TBarCodeType::Code128:
        return drawCode128(canvas, x, y, false);
    case TBarCodeType::Codabar:
        return drawRuns(canvas, x, y, twoWidth(barcode::Codabar(text)), 0, true);
    case TBarCodeType::PostNet: {
        const int count = text.size() <= 5 ? 5 : text.size() <= 9 ? 9 : 11;
        return drawRuns(canvas, x, y, twoWidth(barcode::PostNet(text, count)), 0, false);
    }
    case TBarCodeType::PostnetZip:
        return drawRuns(canvas, x, y, twoWidth(barcode::PostNet(text, 5)), 0, false);
    case TBarCodeType::PostNetZipPlus4:
        return drawRuns(canvas, x, y, twoWidth(barcode::PostNet(text, 9)), 0, false);
    case TBarCodeType::Postnet11:
        return drawRuns(canvas, x, y, twoWidth(barcode::PostNet(text, 11)), 0, false);
    case TBarCodeType::EAN:
    case TBarCodeType::EAN8:
    case TBarCodeType::EAN13:
        return drawEan(canvas, x, y);
    case TBarCodeType::ITF14:
        return drawItf14(canvas, x, y);
    case TBarCodeType::FIMA:
    case TBarCodeType::FIMB:
    case TBarCodeType::FIMC: {
        const char* mark = type_ == TBarCodeType::FIMA ? "A" : type_ == TBarCodeType::FIMB ? "B" : "C";
        return drawRuns(canvas, x, y, twoWidth(*barcode::Fim(QString::fromLatin1(mark))), 0, true);
    }
    case TBarCodeType::EAN128:
        return drawCode128(canvas, x, y, true);
    }
    return false;
}

bool TPrintBarcode::drawRuns(QPainter& canvas, int x, int y, const std::vector<Run>& elements, int trim,
                             bool bearerBars) {
    if (elements.empty())
        return true;
    std::vector<Run> runs;
    runs.reserve(elements.size() + 2);
    runs.push_back({false, leadIn()});
    runs.insert(runs.end(), elements.begin(), elements.end());
    runs.push_back({false, leadIn()});
    long long total = 0;
    for (const Run& r : runs)
        total += r.width;
    if (total > kMaxLength)
        return false;
    if (mirrored())
        std::reverse(runs.begin(), runs.end());

    const bool across = horizontal();
    long long pos = 0;
    for (const Run& r : runs) {
        const QColor& color = r.bar ? barColor_ : color_;
        if (across)
            fill(canvas, x + pos, y, x + pos + r.width, static_cast<long long>(y) + height_, color);
        else
            fill(canvas, x, y + pos, static_cast<long long>(x) + width_, y + pos + r.width, color);
        pos += r.width;
    }

    if (autoSize_) {
        const int length = static_cast<int>(std::max(0LL, total - trim));
        if (across)
            width_ = length;
        else
            height_ = length;
    } else if (across) {
        fill(canvas, x + pos, y, static_cast<long long>(x) + width_, static_cast<long long>(y) + height_,
             color_);
    } else {
        fill(canvas, x, y + pos, static_cast<long long>(x) + width_, static_cast<long long>(y) + height_,
             color_);
    }

    if (bearerBars && bearerBars_) {
        const long long right = static_cast<long long>(x) + width_;
        const long long bottom = static_cast<long long>(y) + height_;
        if (across) {
            fill(canvas, x, y, right, static_cast<long long>(y) + bearerBarsWidth_, barColor_);
            fill(canvas, x, bottom - bearerBarsWidth_, right, bottom, barColor_);
        } else {
            fill(canvas, x, y, static_cast<long long>(x) + bearerBarsWidth_, bottom, barColor_);
            fill(canvas, right - bearerBarsWidth_, y, right, bottom, barColor_);
        }
    }
    return true;
}

bool TPrintBarcode::drawCode128(QPainter& canvas, int x, int y, bool withFnc1) {
    const std::optional<std::vector<uint8_t>> values = barcode::Code128Values(text_, withFnc1);
    if (!values)
        return false;
    std::vector<Run> runs;
    bool bar = true;
    for (int modules : barcode::Code128Widths(*values)) {
        runs.push_back({bar, static_cast<long long>(modules) * moduleNarrow_});
        bar = !bar;
    }
    return drawRuns(canvas, x, y, runs, moduleNarrow_, true);
}

bool TPrintBarcode::drawItf14(QPainter& canvas, int x, int y) {
    const std::optional<QString> digits = barcode::Itf14Digits(text_);
    if (!digits) {
        drawEmptyBox(canvas, x, y);
        return true;
    }
    std::vector<Run> runs;
    for (const barcode::Element& e : barcode::Interleaved2Of5(*digits))
        runs.push_back({e.bar, e.wide ? moduleWide_ : moduleNarrow_});
    return drawRuns(canvas, x, y, runs, 0, true);
}

void TPrintBarcode::drawEmptyBox(QPainter& canvas, int x, int y) {
    const long long right = static_cast<long long>(x) + width_;
    const long long bottom = static_cast<long long>(y) + height_;
    fill(canvas, x, y, right, bottom, color_);
    fill(canvas, x, y, right, y + 1LL, barColor_);
    fill(canvas, x, bottom - 1, right, bottom, barColor_);
    fill(canvas, x, y, x + 1LL, bottom, barColor_);
    fill(canvas, right - 1, y, right, bottom, barColor_);
}

// EAN runs left to right in every direction: its digits and guard lengths have no vertical layout.
bool TPrintBarcode::drawEan(QPainter& canvas, int x, int y) {
    const std::optional<barcode::EanSymbol> symbol = barcode::Ean(text_);
    if (!symbol) {
        drawEmptyBox(canvas, x, y);
        return true;
    }
    const long long module = moduleNarrow_;
    const long long total = 2LL * leadIn() + static_cast<long long>(symbol->modules.size()) * module;
    if (total > kMaxLength)
        return false;

    const QFont font = canvas.font();
    long long barLength = height_;
    long long guardLength = height_;
    int fontHeight = 0;
    if (humanReadable_) {
        const int size = std::abs(font.pointSize() > 0 ? font.pointSize() : font.pixelSize());
        if (font.pixelSize() > 0) {
            fontHeight = font.pixelSize();
        } else {
            const int dpi = canvas.device() != nullptr ? canvas.device()->logicalDpiY() : 96;
            fontHeight = static_cast<int>(std::lround(font.pointSizeF() * dpi / 72.0));
        }
        barLength = height_ - size - 2;
        guardLength = (height_ + barLength) / 2;
        canvas.setPen(barColor_);
    }

    const long long bottom = static_cast<long long>(y) + height_;
    long long pos = 0;
    auto leadInZone = [&] {
        fill(canvas, x + pos, y, x + pos + leadIn(), bottom, color_);
        pos += leadIn();
    };
    leadInZone();
    std::size_t nextPrinted = 0;
    const long long symbolStart = pos;
    for (std::size_t m = 0; m < symbol->modules.size(); ++m) {
        const barcode::EanModule& mod = symbol->modules[m];
        const long long length = mod.guard ? guardLength : barLength;
        fill(canvas, x + pos, y + std::max(0LL, length), x + pos + module, bottom, color_);
        fill(canvas, x + pos, y, x + pos + module, y + length, mod.bar ? barColor_ : color_);
        pos += module;
        // The digit goes on the paper once its seven modules are drawn.
        if (humanReadable_ && nextPrinted < symbol->printed.size() &&
            symbol->printed[nextPrinted].firstModule + 6 == static_cast<int>(m)) {
            const barcode::EanPrintedDigit& digit = symbol->printed[nextPrinted++];
            const QRect at(clampCoordinate(x + symbolStart + digit.firstModule * module),
                           clampCoordinate(bottom - fontHeight), 0, 0);
            const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;
            const QRect box = canvas.boundingRect(at, flags, QString(digit.digit));
            canvas.fillRect(box, color_);
            canvas.drawText(box, flags, QString(digit.digit));
        }
    }
    leadInZone();

    if (autoSize_)
        width_ = static_cast<int>(pos);
    else
        fill(canvas, x + pos, y, static_cast<long long>(x) + width_, bottom, color_);
    return true;
}
