#include "controls/RadioGroup.h"

#include <QResizeEvent>

TRadioGroup::TRadioGroup(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {
    group_.setExclusive(true);
    QObject::connect(&group_, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick)
            OnClick();
    });
}

void TRadioGroup::SetItems(const QStringList& items) {
    for (QRadioButton* b : buttons_) {
        group_.removeButton(b);
        delete b;
    }
    buttons_.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("Item%1").arg(i));
        group_.addButton(b, i);
        buttons_ << b;
        b->show();
    }
    place();
}

QStringList TRadioGroup::Items() const {
    QStringList items;
    for (const QRadioButton* b : buttons_)
        items << b->text();
    return items;
}

void TRadioGroup::SetColumns(int columns) {
    columns_ = columns < 1 ? 1 : columns;
    place();
}

int TRadioGroup::ItemIndex() const {
    return group_.checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    // Without exclusivity for a moment, so that "no item" can be shown.
    group_.setExclusive(false);
    for (int i = 0; i < buttons_.size(); ++i) {
        const QSignalBlocker block(buttons_[i]);
        buttons_[i]->setChecked(i == index);
    }
    group_.setExclusive(true);
}

QRadioButton* TRadioGroup::Button(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

// A new font, style or caption moves the frame's top line: the group box then sets new contents
// margins, which Qt delivers as a resize event (pending until shown), so this covers them too.
void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    place();
}

void TRadioGroup::place() {
    if (buttons_.isEmpty())
        return;
    const int rows = (static_cast<int>(buttons_.size()) + columns_ - 1) / columns_;
    // The rows fill the room inside the frame; where its top line runs depends on the style
    // and on the caption's font.
    const QRect inside = contentsRect();
    const int buttonHeight = 18;
    const int left = 8;
    const int colWidth = (width() - left) / columns_;
    const int rowHeight = std::max(buttonHeight, (inside.height() - 1) / rows);
    for (int i = 0; i < buttons_.size(); ++i) {
        const int col = i / rows;
        const int row = i % rows;
        buttons_[i]->setGeometry(left + col * colWidth, inside.top() + 1 + row * rowHeight, colWidth - 4,
                                 buttonHeight);
    }
}
