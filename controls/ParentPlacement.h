#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <cstdint>

// Where a control keeps itself inside its parent when the parent is resized.
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TAnchorKind : uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = uint8_t; // a set of TAnchorKind

// Follows the parent of one control and places the control by its Align and Anchors: an
// aligned control fills the parent's edge or client area; otherwise an edge that is anchored
// keeps its distance to the parent's edge, and with neither edge of a direction anchored the
// control keeps its centre in proportion.
class ParentPlacement : public QObject {
public:
    explicit ParentPlacement(QWidget* control);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow(QWidget* parent);
    void placeAligned();
    void placeAnchored(QSize oldSize, QSize newSize);

    QWidget* control_;
    QPointer<QWidget> parent_;
    QSize parentSize_;
    TAlign align_ = TAlign::alNone;
    TAnchors anchors_ = akLeft | akTop;
};
