#include "controls/LEDPaint.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>

#include <map>
#include <memory>

namespace {

const QColor kHost(0x12, 0x34, 0x56);

// Fields of one record, as the database layer will offer them.
class FakeRecord : public TFieldSource {
public:
    std::map<QString, TFieldValue> fields;
    std::optional<TFieldValue> FieldValue(const QString& name) const override {
        const auto it = fields.find(name);
        if (it == fields.end())
            return std::nullopt;
        return it->second;
    }
    void set(const QString& name, TFieldValue value) {
        fields[name] = value;
        emit DataChanged();
    }
};

QImage render(TLEDPaint& led) {
    QImage image(led.size(), QImage::Format_RGB32);
    image.fill(kHost);
    led.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(LEDPaint, InsetCountsTheBevelsThatAreThere) {
    TLEDPaint led;
    led.SetBevelOuter(TLEDPaint::TBevelCut::bvNone);
    led.SetBevelWidth(3);
    EXPECT_EQ(led.Inset(), 3);
    led.SetBevelInner(TLEDPaint::TBevelCut::bvNone);
    EXPECT_EQ(led.Inset(), 0);
    led.SetBevelOuter(TLEDPaint::TBevelCut::bvSpace);
    led.SetBevelInner(TLEDPaint::TBevelCut::bvLowered);
    EXPECT_EQ(led.Inset(), 6);
}

TEST(LEDPaint, LitOnlyWhenOnAndEnabled) {
    TLEDPaint led;
    EXPECT_EQ(render(led).pixel(8, 8), QColor(128, 128, 128).rgb());
    led.SetLEDOn(true);
    EXPECT_EQ(render(led).pixel(8, 8), QColor(255, 0, 0).rgb());
    led.setEnabled(false);
    EXPECT_EQ(render(led).pixel(8, 8), QColor(128, 128, 128).rgb());
}

TEST(LEDPaint, RectangleLooksInsideTheBevelInset) {
    TLEDPaint led;
    led.SetLEDOn(true);
    QImage image = render(led);
    // Frameless: the inset stays the host's; inner bevel raised gives a black top left and a
    // white bottom right frame, then the lamp.
    EXPECT_EQ(image.pixel(0, 0), kHost.rgb());
    EXPECT_EQ(image.pixel(1, 8), kHost.rgb());
    EXPECT_EQ(image.pixel(16, 16), kHost.rgb());
    EXPECT_EQ(image.pixel(2, 2), QColor(Qt::black).rgb());
    EXPECT_EQ(image.pixel(2, 10), QColor(Qt::black).rgb());
    EXPECT_EQ(image.pixel(14, 14), QColor(Qt::white).rgb());
    EXPECT_EQ(image.pixel(14, 5), QColor(Qt::white).rgb());
    EXPECT_EQ(image.pixel(3, 3), QColor(Qt::red).rgb());
    EXPECT_EQ(image.pixel(13, 13), QColor(Qt::red).rgb());

    led.SetBevelOuter(TLEDPaint::TBevelCut::bvNone);
    led.SetBevelInner(TLEDPaint::TBevelCut::bvNone);
    image = render(led);
    EXPECT_EQ(image.pixel(0, 0), QColor(Qt::black).rgb()); // outer none: black top left
    EXPECT_EQ(image.pixel(16, 16), QColor(Qt::white).rgb());
    EXPECT_EQ(image.pixel(1, 1), QColor(Qt::red).rgb());

    // Framed: bevels and background, then the lamp one inset further in.
    led.SetBevelOuter(TLEDPaint::TBevelCut::bvRaised);
    led.SetBevelInner(TLEDPaint::TBevelCut::bvRaised);
    led.SetFrameless(false);
    led.SetBackGround(QColor(0, 200, 0));
    image = render(led);
    EXPECT_EQ(image.pixel(2, 2), QColor(0, 200, 0).rgb());
    EXPECT_EQ(image.pixel(4, 4), QColor(Qt::black).rgb());
    EXPECT_EQ(image.pixel(8, 8), QColor(Qt::red).rgb());
}

TEST(LEDPaint, RoundAndTriangleLooks) {
    TLEDPaint led;
    led.SetLEDType(TLEDPaint::TLEDType::ltRound);
    led.SetLEDOn(true);
    QImage image = render(led);
    EXPECT_EQ(image.pixel(2, 2), kHost.rgb()); // outside the circle
    EXPECT_EQ(image.pixel(10, 11), QColor(Qt::red).rgb());
    EXPECT_GT(qBlue(image.pixel(6, 5)), 200); // the white highlight on the upper left

    led.SetLEDType(TLEDPaint::TLEDType::ltRight);
    image = render(led);
    EXPECT_EQ(image.pixel(4, 8), QColor(Qt::red).rgb());
    EXPECT_EQ(image.pixel(13, 4), kHost.rgb());
    led.SetLEDType(TLEDPaint::TLEDType::ltUp);
    image = render(led);
    EXPECT_EQ(image.pixel(8, 12), QColor(Qt::red).rgb());
    EXPECT_EQ(image.pixel(4, 4), kHost.rgb());
}

TEST(LEDPaint, FieldLightsIt) {
    FakeRecord record;
    record.fields["Messablauf"] = TFieldValue{.IsBoolean = false, .AsInteger = 6};
    record.fields["Pruefungsergebnis"] = TFieldValue{.IsBoolean = true, .AsInteger = 0, .AsBoolean = true};
    TLEDPaint led;
    led.SetDataSource(&record);
    led.SetDataField("Messablauf");
    EXPECT_FALSE(led.LEDOn()); // Maske 0
    led.SetMaske(2);
    EXPECT_TRUE(led.LEDOn());
    led.SetMaske(8);
    EXPECT_FALSE(led.LEDOn());
    record.set("Messablauf", TFieldValue{.IsBoolean = false, .AsInteger = 9});
    EXPECT_TRUE(led.LEDOn());

    // A Boolean field ignores Maske.
    led.SetDataField("Pruefungsergebnis");
    EXPECT_TRUE(led.LEDOn());
    led.SetMaske(0);
    EXPECT_TRUE(led.LEDOn());
    record.set("Pruefungsergebnis", TFieldValue{.IsBoolean = true, .AsInteger = 0, .AsBoolean = false});
    EXPECT_FALSE(led.LEDOn());

    // No such field: the lamp keeps its state.
    led.SetLEDOn(true);
    led.SetDataField("Fehlt");
    EXPECT_TRUE(led.LEDOn());
}

TEST(LEDPaint, DestroyedSourceIsForgotten) {
    auto record = std::make_unique<FakeRecord>();
    TLEDPaint led;
    led.SetDataSource(record.get());
    record.reset();
    EXPECT_EQ(led.DataSource(), nullptr);
    led.SetMaske(4);
}

TEST(LEDPaint, ClickAndAnchors) {
    QWidget window; // shown, so that its panel is resized at once
    window.resize(200, 100);
    QWidget& host = *new QWidget(&window);
    host.resize(100, 50);
    TLEDPaint* led = new TLEDPaint(&host);
    window.show();
    int clicks = 0;
    led->OnClick = [&](TLEDPaint&) { ++clicks; };
    auto mouse = [&](QEvent::Type type, QPointF at) {
        QMouseEvent e(type, at, led->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(led, &e);
    };
    mouse(QEvent::MouseButtonPress, {5, 5});
    mouse(QEvent::MouseButtonRelease, {6, 6});
    mouse(QEvent::MouseButtonPress, {5, 5});
    mouse(QEvent::MouseButtonRelease, {40, 6}); // let go outside: no click
    EXPECT_EQ(clicks, 1);

    led->move(80, 30);
    led->SetAnchors(akRight | akBottom);
    host.resize(120, 60);
    EXPECT_EQ(led->geometry(), QRect(100, 40, 17, 17));
    led->SetAnchors(akLeft | akRight | akTop);
    host.resize(130, 70);
    EXPECT_EQ(led->geometry(), QRect(100, 40, 27, 17));
}
