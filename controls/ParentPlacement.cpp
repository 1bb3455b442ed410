#include "controls/ParentPlacement.h"

#include <QEvent>
#include <QResizeEvent>

#include <algorithm>

ParentPlacement::ParentPlacement(QWidget* control) : QObject(control), control_(control) {
    control_->installEventFilter(this);
    follow(control_->parentWidget());
}

void ParentPlacement::SetAlign(TAlign align) {
    if (align == align_)
        return;
    align_ = align;
    placeAligned();
}

void ParentPlacement::SetAnchors(TAnchors anchors) {
    anchors_ = anchors;
}

void ParentPlacement::follow(QWidget* parent) {
    if (parent_)
        parent_->removeEventFilter(this);
    parent_ = parent;
    if (parent_) {
        parent_->installEventFilter(this);
        parentSize_ = parent_->size();
    }
    placeAligned();
}

bool ParentPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (watched == control_ && event->type() == QEvent::ParentChange) {
        follow(control_->parentWidget());
    } else if (watched == parent_ && event->type() == QEvent::Resize) {
        const QSize newSize = static_cast<QResizeEvent*>(event)->size();
        if (align_ != TAlign::alNone)
            placeAligned();
        else
            placeAnchored(parentSize_, newSize);
        parentSize_ = newSize;
    }
    return false;
}

void ParentPlacement::placeAligned() {
    if (!parent_ || align_ == TAlign::alNone)
        return;
    const int pw = parent_->width();
    const int ph = parent_->height();
    const int w = control_->width();
    const int h = control_->height();
    switch (align_) {
    case TAlign::alTop:
        control_->setGeometry(0, 0, pw, h);
        break;
    case TAlign::alBottom:
        control_->setGeometry(0, ph - h, pw, h);
        break;
    case TAlign::alLeft:
        control_->setGeometry(0, 0, w, ph);
        break;
    case TAlign::alRight:
        control_->setGeometry(pw - w, 0, w, ph);
        break;
    case TAlign::alClient:
        control_->setGeometry(0, 0, pw, ph);
        break;
    case TAlign::alNone:
        break;
    }
}

void ParentPlacement::placeAnchored(QSize oldSize, QSize newSize) {
    const int dx = newSize.width() - oldSize.width();
    const int dy = newSize.height() - oldSize.height();
    QRect g = control_->geometry();
    auto shift = [](bool first, bool second, int delta, int& pos, int& extent) {
        if (first && second)
            extent += delta;
        else if (second)
            pos += delta;
        else if (!first)
            pos += delta / 2;
    };
    int x = g.x(), y = g.y(), w = g.width(), h = g.height();
    shift(anchors_ & akLeft, anchors_ & akRight, dx, x, w);
    shift(anchors_ & akTop, anchors_ & akBottom, dy, y, h);
    control_->setGeometry(x, y, std::max(w, 0), std::max(h, 0));
}
