#pragma once

#include "records/StoredData.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// What the staging list shows of a row: display texts, the calculated fields and the button
// rule of the retrieval dialog. No widgets here, so the rules can be checked without a display.

// Fields of a staging row computed from Menueflags and Messablauf, never stored.
struct TStagingCalcFields {
    bool automatisch = false;
    int32_t DINVDE = 1; // 2 = DIN VDE 0702, 1 = 0701
    bool manuGrenz = false;
    QString mitIsol;
    bool mitBeruehr = false;
    bool abgebrochen = false;
};

TStagingCalcFields StagingCalcFields(int32_t menueflags, int32_t messablauf);

// One measured-value column: the field, its Grenzwertflags bit and unit text.
struct TStagingValueColumn {
    const char* Field;
    int Bit;
    const char* Unit;
};
inline constexpr int StagingValueColumnCount = 7;
extern const std::array<TStagingValueColumn, StagingValueColumnCount> StagingValueColumns;

// The value column of a field name, or nullptr for a field that is no measured value.
const TStagingValueColumn* StagingValueColumn(const QString& field);

// "---" for a value not measured; else the formatter's text and the unit, with "* " in front
// when the row's Grenzwertflags marks the value as over its limit. The connected tester's
// firmware level decides the insulation's overflow text.
QString StagingValueText(const TStagingValueColumn& column, int32_t value, int32_t grenzwertflags,
                         int32_t firmwareLevel);

// SchutzklasseText and SichtpruefText come with the stored data.
QString PrueflingNrText(int32_t prueflingNr); // "ja" / "nein"
QString DINVDEText(int32_t dinvde);           // "0701", "0702"
QString PruefungsergebnisText(bool passed);   // "i.O." / "nicht i.O."

// Enabled states of the dialog's action buttons.
struct TStagingButtons {
    bool DatenHolen = false;    // BitBtn3
    bool ZeileLoeschen = false; // BitBtn1
    bool AllesLoeschen = false; // BitBtn2
    bool Uebernehmen = false;   // BitBtn4
    bool Pruefling = false;     // BitBtn5
    bool operator==(const TStagingButtons&) const = default;
};

// The button rule; rowCount is empty while the list is not open (nothing may act on it then).
// While a retrieval runs no action may start: the run owns the list.
TStagingButtons StagingButtons(bool connected, std::optional<int> rowCount, bool retrievalRunning = false);
