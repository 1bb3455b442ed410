#include "controls/Layout.h"

#include "controls/DBControls.h"

#include <QLabel>

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w, int h, const char* name) {
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QLatin1String(name));
    if (w == AutoSize && h == AutoSize)
        l->move(x, y);
    else
        l->setGeometry(x, y, w == AutoSize ? l->sizeHint().width() : w,
                       h == AutoSize ? l->sizeHint().height() : h);
    return l;
}

TDBEdit* edit(QWidget* parent, TDataSource* source, const char* field, int x, int y, int w,
              const char* name) {
    auto* e = new TDBEdit(parent);
    e->setObjectName(name ? QString::fromLatin1(name)
                          : QStringLiteral("DBEdit_%1").arg(QLatin1String(field)));
    e->setGeometry(x, y, w, 21);
    e->SetDataSource(source);
    e->SetDataField(QString::fromUtf8(field));
    return e;
}

void setBold(QWidget* w) {
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}
