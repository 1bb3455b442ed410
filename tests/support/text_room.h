#pragma once

// Whether a window gives its texts the room they need in the program's font, by font metrics.

#include "controls/DBControls.h"
#include "controls/DBGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QStyle>

// The program's font while the object lives; windows take it when they are created.
struct ProgramFont {
    const QFont before = QApplication::font();
    ProgramFont() {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        QApplication::setFont(font);
    }
    ~ProgramFont() { QApplication::setFont(before); }
};

// Captions of labels and check boxes that are cut, or come within 2 pixels of a control beside them.
inline QString CaptionsWithoutRoom(const QWidget& window) {
    QStringList without;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(w);
        const auto* box = qobject_cast<const QCheckBox*>(w);
        const QString text = label ? label->text() : box ? box->text() : QString();
        if (text.isEmpty() || !w->isVisibleTo(&window) || (label && label->wordWrap()))
            continue;
        const int need = label ? label->fontMetrics().horizontalAdvance(text) : box->sizeHint().width();
        if (need > w->width())
            without << text + QStringLiteral(" (cut)");
        const QRect used = QStyle::alignedRect(
            w->layoutDirection(), (label ? label->alignment() : Qt::AlignLeft) | Qt::AlignVCenter,
            QSize(need + 2, w->fontMetrics().height()), w->geometry());
        for (const QWidget* other : w->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (other != w && other->isVisibleTo(&window) && used.intersects(other->geometry()))
                without << text + QStringLiteral(" / ") + other->objectName();
    }
    return without.join(QStringLiteral(" | "));
}

// Titles (bold, as the current column's) and cell texts of a grid wider than their column with
// the margins the style draws them with.
inline QString GridTextsWithoutRoom(const TDBGrid& grid) {
    QStringList without;
    QFont bold = grid.horizontalHeader()->font();
    bold.setBold(true);
    const int titleMargins =
        2 * grid.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, grid.horizontalHeader());
    const int cellMargins =
        2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1) + 1;
    for (int c = 0; c < grid.model()->columnCount(); ++c) {
        const QString title = grid.model()->headerData(c, Qt::Horizontal).toString();
        if (QFontMetrics(bold).horizontalAdvance(title) + titleMargins > grid.columnWidth(c))
            without << title;
        for (int r = 0; r < grid.model()->rowCount(); ++r)
            if (grid.fontMetrics().horizontalAdvance(grid.CellText(r, c)) + cellMargins > grid.columnWidth(c))
                without << title + QStringLiteral(": ") + grid.CellText(r, c);
    }
    return without.join(QStringLiteral(" | "));
}
