#pragma once

#include "printing/BarcodeEncoding.h"

#include <QColor>
#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

enum class TBarCodeType {
    Code39,
    Code25,
    Interleaved2Of5,
    Code128,
    Codabar,
    PostNet,
    PostnetZip,
    PostNetZipPlus4,
    Postnet11,
    EAN,
    EAN8,
    EAN13,
    ITF14,
    FIMA,
    FIMB,
    FIMC,
    EAN128,
};

enum class TBDDirection { bdRight, bdDown, bdLeft, bdUp };

using barcode::CheckDigitMod10;

// The record field a bound barcode takes its text from. The owner of the records emits
// DataChanged whenever the current record or its values change.
class TBarcodeDataSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The named field of the current record as text; nothing when there is no such field.
    virtual std::optional<QString> FieldText(const QString& fieldName) const = 0;

signals:
    void DataChanged();
};

// A barcode of one of 17 symbologies. As a control it paints the symbol on itself, and every
// property change repaints it; it also draws onto any painter (an image, a printer page) at a
// given point, without being shown. Geometry is in device pixels of the target.
class TPrintBarcode : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxTextLength = 280;

    explicit TPrintBarcode(QWidget* parent = nullptr);
    ~TPrintBarcode() override;

    const QString& Text() const { return text_; }
    void SetText(const QString& text);
    TBarCodeType BarCodeType() const { return type_; }
    void SetBarCodeType(TBarCodeType type);
    QColor BarColor() const { return barColor_; }
    void SetBarColor(const QColor& color);
    // Background of gaps, quiet zones and what the symbol does not cover.
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    TBDDirection Direction() const { return direction_; }
    void SetDirection(TBDDirection direction);
    int ModuleNarrow() const { return moduleNarrow_; }
    void SetModuleNarrow(int width);
    int ModuleWide() const { return moduleWide_; }
    void SetModuleWide(int width);
    bool ModuleAuto() const { return moduleAuto_; }
    void SetModuleAuto(bool on);
    double ModuleFactor() const { return moduleFactor_; }
    void SetModuleFactor(double factor);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    bool BearerBars() const { return bearerBars_; }
    void SetBearerBars(bool on);
    int BearerBarsWidth() const { return bearerBarsWidth_; }
    void SetBearerBarsWidth(int width);
    int LeadInWidth() const { return leadInWidth_; }
    void SetLeadInWidth(int width);
    bool HumanReadable() const { return humanReadable_; }
    void SetHumanReadable(bool on);
    // The control's area; the widget follows it (within the sizes a widget can take).
    int Width() const { return width_; }
    void SetWidth(int width);
    int Height() const { return height_; }
    void SetHeight(int height);

    QString DataField() const { return dataField_; }
    void SetDataField(const QString& name);
    TBarcodeDataSource* DataSource() const { return dataSource_.data(); }
    void SetDataSource(TBarcodeDataSource* source);
    // Takes Text from the bound field, padded with leading zeros for EAN13, ITF14 and EAN8.
    void DataChange();

    // Draws the symbol with its top left corner at point and leaves the painter's font, pen and
    // brush as they were. False when the text cannot be encoded (nothing is drawn then); an empty
    // text or a length without a symbol is drawn as the symbology says and counts as drawn.
    bool DrawOnCanvas(QPainter& canvas, QPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Run {
        bool bar;
        long long width;
    };

    bool drawBarcode(QPainter& canvas, int x, int y);
    bool drawRuns(QPainter& canvas, int x, int y, const std::vector<Run>& elements, int trim,
                  bool bearerBars);
    bool drawEan(QPainter& canvas, int x, int y);
    bool drawItf14(QPainter& canvas, int x, int y);
    bool drawCode128(QPainter& canvas, int x, int y, bool withFnc1);
    void drawEmptyBox(QPainter& canvas, int x, int y);
    void fill(QPainter& canvas, long long x1, long long y1, long long x2, long long y2, const QColor& color);
    template <typename T> void change(T& member, const T& value);
    void applySize();
    bool horizontal() const;
    bool mirrored() const;
    int leadIn() const;

    QString text_ = QStringLiteral("1234");
    TBarCodeType type_ = TBarCodeType::Code39;
    QColor barColor_{0, 0, 0};
    QColor color_{255, 255, 255};
    TBDDirection direction_ = TBDDirection::bdRight;
    int moduleNarrow_ = 2;
    int moduleWide_ = 5;
    bool moduleAuto_ = true;
    double moduleFactor_ = 2.6;
    bool autoSize_ = true;
    bool bearerBars_ = false;
    int bearerBarsWidth_ = 3;
    int leadInWidth_ = 20;
    bool humanReadable_ = true;
    int width_ = 105;
    int height_ = 32;
    QString dataField_;
    QPointer<TBarcodeDataSource> dataSource_;
    QMetaObject::Connection connection_;
};
