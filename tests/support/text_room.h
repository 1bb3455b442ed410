#pragma once

// Whether a window gives its texts the room they need in the program's font, by font metrics.

#include "controls/DBControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

// The program's font (as SetUpApplication sets it) while the object lives. Windows take the
// font when they are created, so create them after this.
class ProgramFont {
public:
    ProgramFont() : before_(QApplication::font()) {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        QApplication::setFont(font);
    }
    ~ProgramFont() { QApplication::setFont(before_); }
    ProgramFont(const ProgramFont&) = delete;
    ProgramFont& operator=(const ProgramFont&) = delete;

private:
    QFont before_;
};

// The captions of labels, check boxes and radio buttons in window that are cut (wider than their
// control) or come within 2 pixels of another control beside them.
inline QStringList CaptionsWithoutRoom(const QWidget& window) {
    QStringList without;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window))
            continue;
        QString text;
        int need = 0;
        Qt::Alignment align = Qt::AlignLeft;
        if (const auto* label = qobject_cast<const QLabel*>(w); label && !label->wordWrap()) {
            text = label->text();
            const QMargins m = label->contentsMargins();
            need = label->fontMetrics().horizontalAdvance(text) + m.left() + m.right();
            align = label->alignment();
        } else if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
            text = static_cast<const QAbstractButton*>(w)->text();
            need = w->sizeHint().width();
        }
        if (text.isEmpty())
            continue;
        if (need > w->width())
            without << text + QStringLiteral(" (cut)");
        // The line the caption takes, with the gap it keeps at its end.
        const QSize line(need + 2, w->fontMetrics().height());
        const QRect used =
            QStyle::alignedRect(w->layoutDirection(), align | Qt::AlignVCenter, line, w->geometry());
        for (const QWidget* other : w->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (other != w && other->isVisibleTo(&window) && used.intersects(other->geometry()))
                without << text + QStringLiteral(" / ") + other->objectName();
    }
    return without;
}

// Titles (bold, as the header shows the current column's) and cell texts of grid that are
// wider than their column with the margins the style draws them with.
inline QStringList GridTextsWithoutRoom(const TDBGrid& grid) {
    QStringList without;
    const QHeaderView* header = grid.horizontalHeader();
    QFont bold = header->font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    const QFontMetrics cell(grid.font());
    const int titleMargins = 2 * grid.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int cellMargins =
        2 * (grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1) + 1;
    for (int c = 0; c < grid.model()->columnCount(); ++c) {
        const int room = grid.columnWidth(c);
        const QString t = grid.model()->headerData(c, Qt::Horizontal).toString();
        if (title.horizontalAdvance(t) + titleMargins > room)
            without << t;
        for (int r = 0; r < grid.model()->rowCount(); ++r)
            if (const QString text = grid.CellText(r, c); cell.horizontalAdvance(text) + cellMargins > room)
                without << t + QStringLiteral(": ") + text;
    }
    return without;
}
