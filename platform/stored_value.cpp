#include "platform/stored_value.h"

#include "platform/database.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <map>

namespace platform {

using enum TFieldType;

TFieldType typeOfDeclaration(const char* declaredType, int& size) {
    const QString t = QString::fromUtf8(declaredType).trimmed().toUpper();
    size = 0;
    if (t.startsWith(QLatin1String("VARCHAR")) || t.startsWith(QLatin1String("CHAR"))) {
        static const QRegularExpression width(QStringLiteral("\\((\\d+)\\)"));
        size = width.match(t).captured(1).toInt();
        return ftString;
    }
    static const std::map<QString, TFieldType> types = {{"TEXT", ftString},     {"SMALLINT", ftSmallint},
                                                        {"BOOLEAN", ftBoolean}, {"DATE", ftDate},
                                                        {"INTEGER", ftInteger}, {"INT", ftInteger}};
    const auto it = types.find(t);
    return it == types.end() ? ftUnknown : it->second;
}

namespace {

// what names the kind of value for the message.
qlonglong numberOf(const QVariant& v, const char* what, const QString& field) {
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::LongLong)
        return v.toLongLong();
    if (v.typeId() == QMetaType::Double)
        return qRound64(v.toDouble());
    const QString text = v.toString().trimmed();
    bool ok = text.isEmpty();
    const qlonglong n = ok ? 0 : text.toLongLong(&ok);
    if (!ok)
        throw EDatabaseError(QStringLiteral("'%1' ist kein gültiger %2 für Feld '%3'.")
                                 .arg(v.toString(), QString::fromUtf8(what), field));
    return n;
}

} // namespace

bool storedIsNull(const QVariant& v) {
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

int32_t storedInteger(const QVariant& v, const QString& field) {
    return int32_t(std::clamp<qlonglong>(numberOf(v, "Integerwert", field),
                                         std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<int32_t>::max()));
}

bool storedBoolean(const QVariant& v, const QString& field) {
    return numberOf(v, "Boolescher Wert", field) != 0;
}

QDate storedDate(const QVariant& v, const QString& field) {
    const bool isText = v.typeId() == QMetaType::QString;
    if (v.isNull() || (isText && v.toString().trimmed().isEmpty()))
        return QDate();
    const QDate d = isText ? QDate::fromString(v.toString().trimmed(), Qt::ISODate) : QDate();
    if (!d.isValid())
        throw EDatabaseError(
            QStringLiteral("'%1' ist kein gültiges Datum für Feld '%2'.").arg(v.toString(), field));
    return d;
}

QString storedText(const QVariant& v, TFieldType type, const QString& field) {
    if (v.isNull())
        return QString();
    switch (type) {
    case ftDate:
        return storedDate(v, field).toString(QStringLiteral("dd.MM.yyyy"));
    case ftBoolean:
        return storedBoolean(v, field) ? QStringLiteral("True") : QStringLiteral("False");
    case ftAutoInc:
    case ftInteger:
    case ftSmallint:
        return v.typeId() == QMetaType::QString ? v.toString() : QString::number(storedInteger(v, field));
    default:
        return v.toString();
    }
}

} // namespace platform
