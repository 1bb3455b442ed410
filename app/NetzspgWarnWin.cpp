#include "app/NetzspgWarnWin.h"

TNetzspgWarnWin::TNetzspgWarnWin(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("NetzspgWarnWin"));
    setWindowTitle(QStringLiteral("Gerätetester"));
    resize(360, 90);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 0, 0));
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    Label1 =
        new QLabel(QStringLiteral("ACHTUNG! Bei nächster Messung wird 230 V~ auf Prüfdose geschaltet"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 344, 74);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignCenter);
    QFont f = Label1->font();
    f.setBold(true);
    f.setPointSize(12);
    Label1->setFont(f);
}
