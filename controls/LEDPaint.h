#pragma once

#include "controls/FieldLink.h"
#include "controls/ParentPlacement.h"

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <functional>

// A lamp: round, rectangular or a triangle, lit or unlit, optionally in a bevelled frame. Bound
// to a field it lights from a Boolean field directly, from any other field when the field's
// integer value has a bit of Maske set.
class TLEDPaint : public QWidget {
    Q_OBJECT
public:
    enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    enum class TLEDType { ltRound, ltRect, ltRight, ltLeft, ltUp, ltDown };

    using TNotifyEvent = std::function<void(TLEDPaint& sender)>;
    using TMouseEvent = std::function<void(TLEDPaint& sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(TLEDPaint& sender, Qt::MouseButtons buttons,
                                               Qt::KeyboardModifiers shift, int x, int y)>;

    explicit TLEDPaint(QWidget* owner = nullptr);

    QColor BackGround() const { return backGround_; }
    void SetBackGround(const QColor& color);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut bevel);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut bevel);
    uint8_t BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(uint8_t width);
    QColor LEDColor() const { return ledColor_; }
    void SetLEDColor(const QColor& color);
    QColor LEDOffColor() const { return ledOffColor_; }
    void SetLEDOffColor(const QColor& color);
    bool LEDOn() const { return ledOn_; }
    void SetLEDOn(bool on);
    TLEDType LEDType() const { return ledType_; }
    void SetLEDType(TLEDType type);
    QColor LEDFrameColor() const { return ledFrameColor_; }
    void SetLEDFrameColor(const QColor& color);
    // Outline width; 0 draws an automatic outline.
    int LEDFrameWidth() const { return ledFrameWidth_; }
    void SetLEDFrameWidth(int width);
    bool Frameless() const { return frameless_; }
    void SetFrameless(bool on);
    int32_t Maske() const { return maske_; }
    void SetMaske(int32_t mask);
    QString DataField() const { return link_.FieldName(); }
    void SetDataField(const QString& name) { link_.SetFieldName(name); }
    TFieldSource* DataSource() const { return link_.DataSource(); }
    void SetDataSource(TFieldSource* source) { link_.SetDataSource(source); }
    TAnchors Anchors() const { return placement_->Anchors(); }
    void SetAnchors(TAnchors anchors) { placement_->SetAnchors(anchors); }
    // Whether the tool tip (the hint) is shown.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on) { showHint_ = on; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // Pixels between the control's edge and the lamp: one BevelWidth per bevel that is not none.
    int Inset() const { return inset_; }
    // Lights the lamp from the bound field, when there is one.
    void DataChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    template <typename T> void store(T& field, const T& value);
    void setBevel(TBevelCut& field, TBevelCut value);
    void computeInset();

    ParentPlacement* placement_;
    TFieldDataLink link_;
    QColor backGround_;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    TBevelCut bevelInner_ = TBevelCut::bvRaised;
    uint8_t bevelWidth_ = 1;
    QColor ledColor_{255, 0, 0};
    QColor ledOffColor_{0x80, 0x80, 0x80};
    bool ledOn_ = false;
    TLEDType ledType_ = TLEDType::ltRect;
    QColor ledFrameColor_{Qt::black};
    int ledFrameWidth_ = 0;
    bool frameless_ = true;
    int32_t maske_ = 0;
    bool showHint_ = true;
    int inset_ = 0;
    bool pressed_ = false;
};
