#include "platform/help.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

namespace platform {

namespace {

QString& fileName() {
    static QString name;
    return name;
}

QTextBrowser* window() {
    static QPointer<QTextBrowser> browser;
    if (!browser) {
        browser = new QTextBrowser;
        browser->setAttribute(Qt::WA_DeleteOnClose);
        browser->setObjectName(QStringLiteral("HelpWindow"));
        browser->setOpenExternalLinks(false);
        browser->resize(640, 520);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, browser.data(), &QObject::deleteLater);
    }
    return browser;
}

} // namespace

void setHelpFile(const QString& name) {
    fileName() = name;
}

QString helpFilePath() {
    const QFileInfo info(fileName());
    if (info.isAbsolute())
        return info.filePath();
    return QDir(QCoreApplication::applicationDirPath()).filePath(fileName());
}

bool showHelpIndex() {
    QTextBrowser* b = window();
    b->setWindowTitle(messageCaption() + QStringLiteral(" - Hilfe"));
    const QString path = helpFilePath();
    const bool ok = !fileName().isEmpty() && QFileInfo(path).isReadable();
    if (ok)
        b->setSource(QUrl::fromLocalFile(path));
    else
        b->setHtml(
            QStringLiteral("<p>Die Hilfedatei „%1“ wurde nicht gefunden.</p>").arg(path.toHtmlEscaped()));
    b->show();
    b->raise();
    return ok;
}

void showHelpOnHelp() {
    QTextBrowser* b = window();
    b->setWindowTitle(QStringLiteral("Hilfe benutzen"));
    b->setHtml(QStringLiteral("<h2>Hilfe benutzen</h2><p>Die Hilfe ist eine Seite mit Verweisen. Klicken "
                              "Sie auf einen unterstrichenen Verweis, um zu dem Abschnitt zu springen. "
                              "Mit Alt+Pfeil links kehren Sie zurück; mit den Bildtasten blättern Sie. "
                              "Schließen Sie das Fenster, wenn Sie fertig sind.</p>"));
    b->show();
    b->raise();
}

} // namespace platform
