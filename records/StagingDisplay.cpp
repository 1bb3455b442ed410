#include "records/StagingDisplay.h"

#include "tester/WerteSatz.h"

TStagingCalcFields StagingCalcFields(int32_t menueflags, int32_t messablauf) {
    TStagingCalcFields c;
    c.automatisch = (menueflags & Menueflags::automatisch) != 0;
    c.DINVDE = (menueflags & Menueflags::DINVDE) ? 2 : 1;
    if (menueflags & Menueflags::mitIsoDiff)
        c.mitIsol = QStringLiteral("Iso+Dif");
    else if (menueflags & Menueflags::mitIsol)
        c.mitIsol = QStringLiteral("Isol.");
    else
        c.mitIsol = QStringLiteral("Diff.");
    c.manuGrenz = (menueflags & Menueflags::manuGrenz) != 0;
    c.mitBeruehr = (menueflags & Menueflags::mitBeruehr) != 0;
    c.abgebrochen = (messablauf & Messablauf::abgebrochen) != 0;
    return c;
}

const std::array<TStagingValueColumn, StagingValueColumnCount> StagingValueColumns = {{
    {"Schutzleiterwid", MeasurementBits::Schutzleiterwid, " mOhm"},
    {"Isolationswid", MeasurementBits::Isolationswid, " MOhm"},
    {"Ableitstrom", MeasurementBits::Ableitstrom, " mA"},
    {"SchutzlStromL1N", MeasurementBits::SchutzlStromL1N, " mA"},
    {"SchutzlStromNL1", MeasurementBits::SchutzlStromNL1, " mA"},
    {"BeruehrungsstromL1N", MeasurementBits::BeruehrungsstromL1N, " mA"},
    {"BeruehrungsstromNL1", MeasurementBits::BeruehrungsstromNL1, " mA"},
}};

const TStagingValueColumn* StagingValueColumn(const QString& field) {
    for (const auto& c : StagingValueColumns)
        if (field == QLatin1String(c.Field))
            return &c;
    return nullptr;
}

QString StagingValueText(const TStagingValueColumn& column, int32_t value, int32_t grenzwertflags,
                         int32_t firmwareLevel) {
    if (value < 0)
        return QStringLiteral("---");
    QString text;
    switch (column.Bit) {
    case MeasurementBits::Schutzleiterwid:
        text = FormatSchutzleiterwid(value);
        break;
    case MeasurementBits::Isolationswid:
        text = FormatIsolationswid(value, firmwareLevel);
        break;
    case MeasurementBits::Ableitstrom:
        text = FormatAbleitstrom(value);
        break;
    default:
        text = FormatStrom(value);
        break;
    }
    text += QLatin1String(column.Unit);
    if (grenzwertflags & (1 << column.Bit))
        text.prepend(QStringLiteral("* "));
    return text;
}

QString PrueflingNrText(int32_t prueflingNr) {
    return BoolToJaNein(prueflingNr != 0);
}

QString DINVDEText(int32_t dinvde) {
    return dinvde == 2 ? QStringLiteral("0702") : QStringLiteral("0701");
}

QString PruefungsergebnisText(bool passed) {
    return passed ? QStringLiteral("i.O.") : QStringLiteral("nicht i.O.");
}

TStagingButtons StagingButtons(bool connected, std::optional<int> rowCount, bool retrievalRunning) {
    TStagingButtons b;
    if (retrievalRunning || !rowCount)
        return b;
    b.DatenHolen = connected && *rowCount == 0;
    b.ZeileLoeschen = *rowCount > 0;
    b.AllesLoeschen = b.Uebernehmen = b.Pruefling = b.ZeileLoeschen;
    return b;
}
