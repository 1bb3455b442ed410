#include "tester/Limits.h"

std::span<const int32_t> PeResistanceLimits(int firmwareLevel) {
    if (firmwareLevel >= 1)
        return PeResistanceLimits10;
    return PeResistanceLimits8;
}

std::span<const int32_t> LimitTable(TLimitKind kind, int firmwareLevel) {
    switch (kind) {
    case TLimitKind::lkPeResistance:
        return PeResistanceLimits(firmwareLevel);
    case TLimitKind::lkInsulation:
        return InsulationLimits;
    case TLimitKind::lkLeakage:
        break;
    }
    return LeakageLimits;
}

int IndexOfValue(std::span<const int32_t> Table, int32_t Value) {
    for (size_t i = 0; i < Table.size(); ++i)
        if (Table[i] == Value)
            return static_cast<int>(i);
    return -1;
}

std::optional<int32_t> LimitAt(TLimitKind kind, int index, int firmwareLevel) {
    const auto table = LimitTable(kind, firmwareLevel);
    if (index < 0 || static_cast<size_t>(index) >= table.size())
        return std::nullopt;
    return table[static_cast<size_t>(index)];
}

double LimitDisplayValue(TLimitKind kind, int32_t value) {
    switch (kind) {
    case TLimitKind::lkPeResistance:
        return value;
    case TLimitKind::lkInsulation:
        return value / 1000.0;
    case TLimitKind::lkLeakage:
        break;
    }
    return value / 100.0;
}

QString LimitDisplayText(TLimitKind kind, int index, int firmwareLevel, bool rowInUse,
                         QChar decimalSeparator) {
    const auto value = LimitAt(kind, index, firmwareLevel);
    if (!value || !rowInUse)
        return QStringLiteral(" --- ");
    const int decimals = kind == TLimitKind::lkPeResistance ? 0 : 2;
    QString text = QString::number(LimitDisplayValue(kind, *value), 'f', decimals);
    text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

TStandardLimits StandardLimits(int protectionClass, bool din0702, int insulationVariant, int firmwareLevel) {
    TStandardLimits limits;
    switch (protectionClass) {
    case 1:
        limits.Insulation = (firmwareLevel < 3 && din0702) ? 500 : 1000;
        break;
    case 2:
        limits.Insulation = 2000;
        break;
    case 3:
        limits.Insulation = 250;
        break;
    default:
        break;
    }
    const bool withInsulation = insulationVariant == 1 || insulationVariant == 2;
    if (firmwareLevel < 3 && din0702)
        limits.Leakage = 700;
    else if (protectionClass == 2 && withInsulation)
        limits.Leakage = 50;
    else
        limits.Leakage = 350;
    return limits;
}

TStandardLimitIndices StandardLimitIndices(int protectionClass, bool din0702, int insulationVariant,
                                           int firmwareLevel) {
    const TStandardLimits limits = StandardLimits(protectionClass, din0702, insulationVariant, firmwareLevel);
    TStandardLimitIndices indices;
    indices.PeResistance = IndexOfValue(PeResistanceLimits(firmwareLevel), limits.PeResistance);
    if (limits.Insulation)
        indices.Insulation = IndexOfValue(InsulationLimits, *limits.Insulation);
    indices.Leakage = IndexOfValue(LeakageLimits, limits.Leakage);
    return indices;
}

int TrackBarPosition(TLimitKind kind, int index, int firmwareLevel) {
    if (!LimitAt(kind, index, firmwareLevel))
        return -1;
    if (kind == TLimitKind::lkPeResistance && firmwareLevel >= 1)
        return index < 8 ? index + 2 : index - 8;
    return index;
}

int IndexOfTrackBarPosition(TLimitKind kind, int position, int firmwareLevel) {
    const int count = static_cast<int>(LimitTable(kind, firmwareLevel).size());
    if (position < 0 || position >= count)
        return -1;
    if (kind == TLimitKind::lkPeResistance && firmwareLevel >= 1)
        return position < 2 ? position + 8 : position - 2;
    return position;
}
