#include "controls/RadioGroup.h"

#include <gtest/gtest.h>

#include <memory>

#include <QFont>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace {

// Each button stands inside the frame, below its top line, and apart from the button below.
void expectInsideTheFrame(const TRadioGroup& group) {
    const QRect inside = group.contentsRect();
    for (int i = 0; group.Button(i); ++i) {
        SCOPED_TRACE(i);
        const QRect button = group.Button(i)->geometry();
        EXPECT_GT(button.top(), inside.top());
        EXPECT_LE(button.bottom(), inside.bottom());
        const QRadioButton* below = group.Button(i + 1);
        if (below && below->x() == button.x()) {
            EXPECT_GT(below->y(), button.bottom());
        }
    }
}

} // namespace

TEST(RadioGroupTest, ButtonsStandBelowTheFramesTopLine) {
    QWidget window;
    window.resize(450, 200);
    TRadioGroup ports(QStringLiteral("COM-Port"), &window);
    ports.setGeometry(8, 8, 210, 116);
    ports.SetColumns(2);
    ports.SetItems({"COM&1", "COM&2", "COM&3", "COM&4", "COM&5", "COM&6", "COM&7", "COM&8"});

    TRadioGroup three(QStringLiteral("Isolationsprüfung"), &window);
    three.SetItems({"ohne Isol.-Pr.", "mit Isol.-Pr.", "Isol. und Diff."});
    three.setGeometry(310, 18, 124, 80);
    window.show();
    {
        SCOPED_TRACE("two columns");
        expectInsideTheFrame(ports);
    }
    {
        SCOPED_TRACE("three rows, the items set first");
        expectInsideTheFrame(three);
    }

    // A larger caption lowers the frame's top line; the buttons follow it.
    const int before = ports.Button(0)->y();
    QFont large = ports.font();
    large.setPixelSize(18);
    ports.setFont(large);
    EXPECT_GT(ports.Button(0)->y(), before);
    {
        SCOPED_TRACE("larger font");
        expectInsideTheFrame(ports);
    }

    // So does a font given before the group is shown, and another style.
    TRadioGroup hidden(QStringLiteral("Isolationsprüfung"));
    hidden.SetItems({"ohne Isol.-Pr.", "mit Isol.-Pr.", "Isol. und Diff."});
    hidden.setGeometry(0, 0, 124, 100);
    hidden.setFont(large);
    hidden.show();
    {
        SCOPED_TRACE("font before show");
        expectInsideTheFrame(hidden);
    }
    std::unique_ptr<QStyle> windows(QStyleFactory::create(QStringLiteral("Windows")));
    ASSERT_TRUE(windows);
    three.setStyle(windows.get());
    {
        SCOPED_TRACE("other style");
        expectInsideTheFrame(three);
    }
    three.setStyle(nullptr);
}
