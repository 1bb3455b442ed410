#include "platform/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <memory>

namespace platform {

bool loadQtTranslation(const QString& folder) {
    static QPointer<QTranslator> installed;
    if (!QCoreApplication::instance())
        return false;
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_de"), from))
        return false;
    if (installed)
        return true;
    translator->setParent(QCoreApplication::instance());
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    installed = translator.release();
    return true;
}

} // namespace platform
