#include "app/SplashScreen.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {
constexpr int Width = 326;
constexpr int Height = 182;
} // namespace

QPixmap TSplashScreen::Picture() {
    QPixmap pix(Width, Height);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, Height);
    sky.setColorAt(0, QColor(0x20, 0x40, 0x80));
    sky.setColorAt(1, QColor(0x08, 0x18, 0x38));
    p.fillRect(pix.rect(), sky);

    // A plug with a lightning bolt: the tester's business.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE0, 0xE0, 0xE0));
    p.drawRoundedRect(QRectF(24, 52, 64, 78), 10, 10);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawEllipse(QRectF(38, 80, 12, 12));
    p.drawEllipse(QRectF(62, 80, 12, 12));
    QPainterPath bolt;
    bolt.moveTo(60, 100);
    bolt.lineTo(48, 120);
    bolt.lineTo(57, 120);
    bolt.lineTo(51, 138);
    bolt.lineTo(68, 114);
    bolt.lineTo(59, 114);
    bolt.closeSubpath();
    p.setBrush(QColor(0xFF, 0xD0, 0x00));
    p.drawPath(bolt);

    p.setPen(Qt::white);
    QFont title(QStringLiteral("Liberation Sans"), 22, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(104, 44, Width - 112, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Gerätetester"));
    QFont sub(QStringLiteral("Liberation Sans"), 10);
    p.setFont(sub);
    p.setPen(QColor(0xC0, 0xD0, 0xF0));
    p.drawText(QRect(104, 86, Width - 112, 44), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Prüfung elektrischer Geräte\nnach DIN VDE 0701 und 0702"));
    p.drawText(QRect(104, 144, Width - 112, 20), Qt::AlignLeft,
               QStringLiteral("Programm wird gestartet ..."));
    p.setPen(QPen(QColor(0xFF, 0xD0, 0x00), 2));
    p.drawLine(104, 84, Width - 16, 84);
    return pix;
}

TSplashScreen::TSplashScreen(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashScreen"));
    setFixedSize(Width, Height);
    const QPixmap pix = Picture();
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, Width, Height);
    Image1->setPixmap(pix);
    Image1->hide();
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, Width, Height);
    Image2->setPixmap(pix);
    Image2->hide();
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
    FormCreate();
}

void TSplashScreen::FormCreate() {
    Image2->show();
}
