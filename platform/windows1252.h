#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

// The 8-bit character set of files that older tools and spreadsheets read and write.
QString decodeWindows1252(QByteArrayView bytes);
// Characters the set lacks become '?'.
QByteArray encodeWindows1252(const QString& text);

} // namespace platform
