#include "app/AboutBox.h"

#include "platform/window_place.h"

#include <QDate>
#include <QFont>
#include <QFrame>

#include <array>
#include <cstring>

QString BuildDateText(const char* compilerDate) {
    static constexpr std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QString text = QString::fromLatin1(compilerDate);
    const QStringList parts = text.simplified().split(u' ');
    if (parts.size() != 3)
        return text;
    int month = 0;
    for (size_t i = 0; i < months.size(); ++i) {
        if (parts[0] == QLatin1String(months[i]))
            month = static_cast<int>(i) + 1;
    }
    bool dayOk = false;
    bool yearOk = false;
    const QDate date(parts[2].toInt(&yearOk), month, parts[1].toInt(&dayOk));
    if (!dayOk || !yearOk || !date.isValid())
        return text;
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

TAboutBox::TAboutBox(QWidget* owner)
    : QDialog(owner), ProductName(new QLabel(this)), Version(new QLabel(this)), Copyright(new QLabel(this)),
      Comments(new QLabel(this)), OKButton(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    setFixedSize(300, 220);
    platform::placeOnShow(*this, platform::Placement::Centred);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 8, 284, 161);
    panel->lower();

    QFont title(QStringLiteral("Liberation Sans"), 12);
    title.setBold(true);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setFont(title);
    ProductName->setText(QStringLiteral("Gerätetester"));
    ProductName->setGeometry(16, 16, 268, 24);

    Version->setObjectName(QStringLiteral("Version"));
    Version->setText(QStringLiteral("Version 1.0 vom ") + BuildDateText(__DATE__));
    Version->setGeometry(16, 48, 268, 20);

    Copyright->setObjectName(QStringLiteral("Copyright"));
    Copyright->setText(QStringLiteral("Begleitprogramm zum Gerätetester"));
    Copyright->setGeometry(16, 76, 268, 20);

    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setText(
        QStringLiteral("Prüfungen nach DIN VDE 0701 und 0702:\nAuslesen, Verwalten und Drucken der "
                       "Prüfprotokolle"));
    Comments->setWordWrap(true);
    Comments->setGeometry(16, 104, 268, 56);

    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 180, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}
