#include "app/NetzspgWarnWin.h"

#include "platform/message_box.h"
#include "platform/window_place.h"

#include <QFont>
#include <QPalette>

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
    setObjectName(QStringLiteral("NetzspgWarnWin"));
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
    platform::placeOnShow(*this, platform::Placement::CentredOnce);
}
