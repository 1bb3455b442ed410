#include "tester/WerteSatz.h"

#include "tester/Globals.h"

#include <array>

namespace {

const QString kNotMeasured = QStringLiteral(" --- ");

// value / divisor with two decimals, the last one rounded halves up; value >= 0.
QString twoDecimals(int64_t value, int64_t divisor, QChar separator) {
    const int64_t step = divisor / 100; // units per hundredth
    const int64_t hundredths = step > 1 ? (value + step / 2) / step : value;
    return QString::number(hundredths / 100) + separator +
           QStringLiteral("%1").arg(static_cast<qlonglong>(hundredths % 100), 2, 10, QChar(u'0'));
}

bool hasBit(int32_t bits, int32_t value) {
    return (bits & value) != 0;
}

} // namespace

void DecodeWerteSatzFlags(TWerteSatz& w, int32_t firmwareLevel) {
    w.SchutzleiterwidLimit = hasBit(w.Grenzwertflags, 1 << MeasurementBits::Schutzleiterwid);
    w.IsolationswidLimit = hasBit(w.Grenzwertflags, 1 << MeasurementBits::Isolationswid);
    w.AbleitstromLimit = hasBit(w.Grenzwertflags, 1 << MeasurementBits::Ableitstrom);
    w.SchutzlStromL1NLimit = hasBit(w.Grenzwertflags, 1 << MeasurementBits::SchutzlStromL1N);
    w.SchutzlStromNL1Limit = hasBit(w.Grenzwertflags, 1 << MeasurementBits::SchutzlStromNL1);
    w.BeruehrungsstromL1NLimit = hasBit(w.Grenzwertflags, 1 << MeasurementBits::BeruehrungsstromL1N);
    w.BeruehrungsstromNL1Limit = hasBit(w.Grenzwertflags, 1 << MeasurementBits::BeruehrungsstromNL1);
    w.Schnellabschaltung = hasBit(w.Messablauf, Messablauf::Schnellabschaltung);
    w.automatisch = hasBit(w.Menueflags, Menueflags::automatisch);
    w.DINVDE = hasBit(w.Menueflags, Menueflags::DINVDE) ? 2 : 1;
    w.mitIsol = hasBit(w.Menueflags, Menueflags::mitIsol);
    w.mitIsoDiff = hasBit(w.Menueflags, Menueflags::mitIsoDiff);
    w.manuGrenz = hasBit(w.Menueflags, Menueflags::manuGrenz);
    w.mitBeruehr = hasBit(w.Menueflags, Menueflags::mitBeruehr);
    w.abgebrochen = hasBit(w.Messablauf, Messablauf::abgebrochen);

    if (hasBit(w.Messablauf, Messablauf::NotAus)) {
        w.SchutzlStromL1N = -1;
        w.SchutzlStromNL1 = -1;
        w.BeruehrungsstromL1N = -1;
        w.BeruehrungsstromNL1 = -1;
    }
    if (w.abgebrochen)
        w.Pruefungsergebnis = false;
    w.Enables =
        ComputeEnables(w.mitIsol, w.mitIsoDiff, w.DINVDE == 2, w.mitBeruehr, w.Schutzklasse, firmwareLevel);
}

int32_t ComputeEnables(bool mitIsol, bool mitIsoDiff, bool isDinVde0702, bool mitBeruehr,
                       int32_t schutzklasse, int32_t firmwareLevel) {
    if (schutzklasse < 1 || schutzklasse > 3)
        return 0;
    const size_t c = static_cast<size_t>(schutzklasse - 1);
    int32_t result;
    if (mitIsoDiff)
        result = std::array{0x7B, 0x62, 0x02}[c];
    else if (mitIsol && !isDinVde0702)
        result = std::array{0x07, 0x06, 0x02}[c];
    else if (mitIsol)
        result = std::array{0x07, firmwareLevel >= 3 ? 0x06 : 0x02, 0x02}[c];
    else
        result = std::array{0x7D, 0x60, 0x00}[c];
    if (!mitBeruehr)
        result &= 0x1F;
    return result;
}

QString BoolToJaNein(bool value) {
    return value ? QStringLiteral("ja") : QStringLiteral("nein");
}

QString FormatSchutzleiterwid(int32_t milliohm) {
    if (milliohm < 0)
        return kNotMeasured;
    if (milliohm > 1000)
        return QStringLiteral(">1000");
    return QString::number(milliohm);
}

QString FormatIsolationswid(int32_t kiloohm, int32_t firmwareLevel, QChar decimalSeparator) {
    if (kiloohm < 0)
        return kNotMeasured;
    if (firmwareLevel <= 1 && kiloohm > 20000)
        return QStringLiteral(">20.0");
    if (firmwareLevel >= 2 && kiloohm > 10000)
        return QStringLiteral(">10.0");
    if (kiloohm < 200)
        return QStringLiteral("<0.20");
    return twoDecimals(kiloohm, 1000, decimalSeparator);
}

QString FormatIsolationswid(int32_t kiloohm, int32_t firmwareLevel) {
    return FormatIsolationswid(kiloohm, firmwareLevel, Globals::DecimalSeparator);
}

QString FormatAbleitstrom(int32_t hundredthMilliampere, QChar decimalSeparator) {
    if (hundredthMilliampere < 0)
        return kNotMeasured;
    if (hundredthMilliampere > 2000)
        return QStringLiteral(">20.0");
    return twoDecimals(hundredthMilliampere, 100, decimalSeparator);
}

QString FormatAbleitstrom(int32_t hundredthMilliampere) {
    return FormatAbleitstrom(hundredthMilliampere, Globals::DecimalSeparator);
}

QString FormatStrom(int32_t hundredthMilliampere, QChar decimalSeparator) {
    if (hundredthMilliampere < 0)
        return kNotMeasured;
    if (hundredthMilliampere > 1000)
        return QStringLiteral(">10.0");
    return twoDecimals(hundredthMilliampere, 100, decimalSeparator);
}

QString FormatStrom(int32_t hundredthMilliampere) {
    return FormatStrom(hundredthMilliampere, Globals::DecimalSeparator);
}
