#include "app/NetzspgWarnWin.h"

#include "platform/message_box.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

const QString NetzspgWarnText =
    QStringLiteral("ACHTUNG! Bei nächster Messung wird 230 V~ auf Prüfdose geschaltet");

namespace {
constexpr int ClientWidth = 320;
constexpr int ClientHeight = 110;
constexpr int Margin = 8;
} // namespace

TNetzspgWarnWin::TNetzspgWarnWin(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      Label1(new QLabel(this)) {
    setWindowTitle(platform::messageCaption());
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(ClientWidth, ClientHeight);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::yellow);
    pal.setColor(QPalette::WindowText, Qt::red);
    setPalette(pal);
    setAutoFillBackground(true);

    QFont font(QStringLiteral("Liberation Sans"), 14);
    font.setBold(true);
    Label1->setFont(font);
    Label1->setText(NetzspgWarnText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(Margin, Margin, ClientWidth - 2 * Margin, ClientHeight - 2 * Margin);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
    }
}
