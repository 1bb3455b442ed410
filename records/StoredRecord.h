#pragma once

#include "serial/SyncBus.h"
#include "tester/WerteSatzFields.h"

#include <QDate>
#include <QString>
#include <QVariant>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One stored test as the tester returns it: five parts of 8 bytes, read with $20..$24.
struct StoredTestRecord {
    static constexpr int PartCount = 5;
    static constexpr int PartBytes = 8;
    // Part 5 holds two digits per byte.
    static constexpr int MaxBarcodeDigits = 16;

    std::array<std::array<uint8_t, PartBytes>, PartCount> Part{};

    // Part k (0-based) from the data bytes of an answer frame, and back as message data.
    void SetPart(int k, const TProtok& answer);
    TMsgData PartData(int k) const;

    // The signed little-endian word at a byte of a part.
    int16_t Word(int part, int byte) const;
};

// The content of a stored record as the tester keeps it, before the PC adds anything.
struct TStoredTestValues {
    std::string Barcode; // digit characters '0'..'?', at most 16 are stored
    uint8_t Grenzwertflags = 0;
    uint8_t Menueflags = 0;
    uint8_t Klasse = 0; // bits 0-1 protection class, 0x08 visual inspection still open
    uint8_t Messablauf = 0;
    int16_t Schutzleiterwid = 0;
    int16_t Isolationswid = 0;
    int16_t Ableitstrom = 0;
    int16_t SchutzlStromL1N = 0;
    int16_t SchutzlStromNL1 = 0;
    int16_t BeruehrungsstromL1N = 0;
    int16_t BeruehrungsstromNL1 = 0;
    int16_t GrwSchutzleiterwid = 0;
    int16_t GrwIsolationswid = 0;
    int16_t GrwAbleitstrom = 0;
    int16_t GrwSchutzleiterstrom = 0;
    int16_t GrwBeruehrungsstrom = 0;
    int16_t GrwSchnellabschaltung = 0;
};

// What the tester sends for these values; a barcode longer than 16 digits is cut.
StoredTestRecord EncodeStoredRecord(const TStoredTestValues& values);

// Part 1 byte 3.
inline constexpr uint8_t StoredClassMask = 0x03;
inline constexpr uint8_t StoredVisualCheckOpen = 0x08;

// Widths of the text fields of "Uebernah.db", in characters.
inline constexpr int BarcodeWidth = WerteSatzFieldOf(&TWerteSatz::Barcode).Width;
inline constexpr int GTSeriennummerWidth = WerteSatzFieldOf(&TWerteSatz::GTSeriennummer).Width;
inline constexpr int NotizWidth = WerteSatzFieldOf(&TWerteSatz::Notiz).Width;
inline constexpr int PrueferWidth = WerteSatzFieldOf(&TWerteSatz::Pruefer).Width;

// One row of the staging table "Uebernah.db": a fetched test with its running number. Of the
// record it fills the fields the table stores; PrueflingNr 0 means not assigned.
struct TStagingRow : TWerteSatz {
    int32_t LfdNr = 0;
    QDate Datum; // the day alone, in place of the record's date and time

    bool operator==(const TStagingRow&) const = default;
};

// What the PC adds to every fetched record.
struct TRecordStamp {
    QDate Datum;
    QString GTSeriennummer; // the connected tester's serial number
    QString Pruefer;        // the configured operator
};

// The barcode digits of a record; a digit count above 16 reads no further than part 5.
QString StoredRecordBarcode(const StoredTestRecord& record);

// Menueflags as stored: no touch current with protection class 3 or with insulation test.
uint8_t FixedMenueflags(uint8_t menueflags, uint8_t klasse);

// The staging row of record number lfdNr. PrueflingNr stays 0: the match against the devices
// is the caller's. Texts are cut to their field widths.
TStagingRow DecodeStoredRecord(const StoredTestRecord& record, int32_t lfdNr, const TRecordStamp& stamp);

// The fields of a row by their database names, in the order a fetch sets them: Barcode, whose
// setting re-matches the device, first, so that the row's own PrueflingNr comes after it.
std::vector<std::pair<const char*, QVariant>> StagingRowFields(const TStagingRow& row);

// The first width characters of a text (code points, not UTF-16 units).
QString CutToWidth(const QString& text, int width);
