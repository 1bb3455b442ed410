#pragma once

#include "tester/WerteSatz.h"

#include <array>
#include <cstddef>
#include <cstdint>

// How a field's value becomes the text of an export item or a display.
enum class TFieldFormat : uint8_t {
    Number,          // decimal integer
    Text,            // the stored text
    Date,            // the date, dd.MM.yyyy
    Sichtpruef,      // "nein", "ja", "---"
    Schutzleiterwid, // the value formatters
    Isolationswid,
    Ableitstrom,
    Strom,
    JaNein,
    DinVde,  // "0701", "0702" or empty
    MitIsol, // "Iso+Diff", else "ja" / "nein"
};

// Where a record's field comes from: the rows of a customer, a device or a test, the flags
// of the test (DecodeWerteSatzFlags), or the staging table alone.
enum class TFieldOrigin : uint8_t { Customer, Device, Test, Decoded, Staging };

// Whether and how the export writes a field.
enum class TFieldExport : uint8_t { No, Shown, Hidden }; // Hidden: switched off by default

// The SQL type of a column of "Pruefung.db" and "Uebernah.db".
enum class TFieldStore : uint8_t { None, AutoInc, Integer, Smallint, Boolean, Date, Varchar };

// The member of TWerteSatz that holds a field; none for the staging table's own number and
// for a field made of two members.
struct TWerteSatzMember {
    constexpr TWerteSatzMember() = default;
    constexpr TWerteSatzMember(int32_t TWerteSatz::*m) : Number(m) {}
    constexpr TWerteSatzMember(QString TWerteSatz::*m) : Text(m) {}
    constexpr TWerteSatzMember(bool TWerteSatz::*m) : Flag(m) {}
    constexpr TWerteSatzMember(QDateTime TWerteSatz::*m) : Moment(m) {}

    int32_t TWerteSatz::*Number = nullptr;
    QString TWerteSatz::*Text = nullptr;
    bool TWerteSatz::*Flag = nullptr;
    QDateTime TWerteSatz::*Moment = nullptr;
};

// One row of WerteSatzFields.
struct TWerteSatzField {
    const char* Name; // the designed name: the database field, else the member's name
    TWerteSatzMember Member;
    TFieldFormat Format;
    TFieldOrigin Origin;
    TFieldExport Export;
    TFieldStore Store;
    int Width;                          // characters of a VARCHAR
    bool Pruefung;                      // stored in "Pruefung.db"
    bool Uebernah;                      // stored in "Uebernah.db"
    const char* ExportKey = nullptr;    // where it differs from Name
    const char* ExportHeader = nullptr; // where it differs from the key

    constexpr const char* Key() const { return ExportKey ? ExportKey : Name; }
    constexpr const char* Header() const { return ExportHeader ? ExportHeader : Key(); }
};

// Every field of a test record: its designed name, the member holding it, how it reads as
// text, where it is read from, whether the export writes it, its type in "Pruefung.db" and
// "Uebernah.db" and whether each of them stores it. The export's columns, the reading of a
// record from the database and the staging rows follow from this one table; the two tables
// themselves are written out in the database schema, and a test holds both to each other.
// In the order of the export's columns.
inline constexpr auto WerteSatzFields = [] {
    using W = TWerteSatz;
    using S = TFieldStore;
    using enum TFieldFormat;
    using enum TFieldOrigin;
    using enum TFieldExport;
    return std::to_array<TWerteSatzField>({
        {"KundenNr", &W::KundenNr, Number, Customer, Hidden, S::None, 0, false, false},
        {"PrueflingNr", &W::PrueflingNr, Number, Device, Hidden, S::Integer, 0, true, true},
        {"PruefungsNr", &W::PruefungsNr, Number, Test, Hidden, S::AutoInc, 0, true, false},
        {"Name1", &W::Name1, Text, Customer, Shown, S::None, 0, false, false},
        {"Name2", &W::Name2, Text, Customer, Shown, S::None, 0, false, false},
        {"Name3", &W::Name3, Text, Customer, Shown, S::None, 0, false, false},
        {"KdStr", &W::KdStr, Text, Customer, Shown, S::None, 0, false, false},
        {"KdLKZ", &W::KdLKZ, Text, Customer, Shown, S::None, 0, false, false},
        {"KdPLZ", &W::KdPLZ, Text, Customer, Shown, S::None, 0, false, false},
        {"KdOrt", &W::KdOrt, Text, Customer, Shown, S::None, 0, false, false},
        {"Telefon", &W::Telefon, Text, Customer, Shown, S::None, 0, false, false},
        {"Fax", &W::Fax, Text, Customer, Shown, S::None, 0, false, false},
        {"Bezeichnung", &W::Bezeichnung, Text, Device, Shown, S::None, 0, false, false},
        {"Typ", &W::Typ, Text, Device, Shown, S::None, 0, false, false},
        {"Inventarnummer", &W::Inventarnummer, Text, Device, Shown, S::None, 0, false, false},
        {"Fabrikationsnummer", &W::Fabrikationsnummer, Text, Device, Shown, S::None, 0, false, false},
        {"Seriennummer", &W::Seriennummer, Text, Device, Shown, S::None, 0, false, false},
        {"Barcode", &W::Barcode, Text, Device, Shown, S::Varchar, 15, false, true},
        {"Datum", &W::Datum, Date, Test, Shown, S::Date, 0, true, true},
        {"GT-Seriennummer", &W::GTSeriennummer, Text, Test, Shown, S::Varchar, 10, true, true,
         "GTSeriennummer"},
        {"Grenzwertflags", &W::Grenzwertflags, Number, Test, Hidden, S::Smallint, 0, true, true},
        {"Menueflags", &W::Menueflags, Number, Test, Hidden, S::Smallint, 0, true, true},
        {"Schutzklasse", &W::Schutzklasse, Number, Test, Shown, S::Smallint, 0, true, true},
        {"Sichtpruef", &W::Sichtpruef, Sichtpruef, Test, Shown, S::Integer, 0, true, true, "Sichtpruefung",
         "SichtpruefungBestanden"},
        {"Messablauf", &W::Messablauf, Number, Test, Hidden, S::Smallint, 0, true, true},
        {"Schutzleiterwid", &W::Schutzleiterwid, Schutzleiterwid, Test, Shown, S::Integer, 0, true, true},
        {"Isolationswid", &W::Isolationswid, Isolationswid, Test, Shown, S::Integer, 0, true, true},
        {"Ableitstrom", &W::Ableitstrom, Ableitstrom, Test, Shown, S::Integer, 0, true, true},
        {"SchutzlStromL1N", &W::SchutzlStromL1N, Strom, Test, Shown, S::Integer, 0, true, true},
        {"SchutzlStromNL1", &W::SchutzlStromNL1, Strom, Test, Shown, S::Integer, 0, true, true},
        {"BeruehrungsstromL1N", &W::BeruehrungsstromL1N, Strom, Test, Shown, S::Integer, 0, true, true},
        {"BeruehrungsstromNL1", &W::BeruehrungsstromNL1, Strom, Test, Shown, S::Integer, 0, true, true},
        {"GrwSchutzleiterwid", &W::GrwSchutzleiterwid, Schutzleiterwid, Test, Shown, S::Integer, 0, true,
         true},
        {"GrwIsolationswid", &W::GrwIsolationswid, Isolationswid, Test, Shown, S::Integer, 0, true, true},
        {"GrwAbleitstrom", &W::GrwAbleitstrom, Ableitstrom, Test, Shown, S::Integer, 0, true, true},
        {"GrwSchutzleiterstrom", &W::GrwSchutzleiterstrom, Strom, Test, Shown, S::Integer, 0, true, true},
        {"GrwBeruehrungsstrom", &W::GrwBeruehrungsstrom, Strom, Test, Shown, S::Integer, 0, true, true},
        {"GrwSchnellabschaltung", &W::GrwSchnellabschaltung, Strom, Test, Shown, S::Integer, 0, true, true},
        {"Pruefungsergebnis", &W::Pruefungsergebnis, JaNein, Test, Shown, S::Boolean, 0, true, true},
        {"Notiz", &W::Notiz, Text, Test, Shown, S::Varchar, 255, true, true},
        {"Pruefer", &W::Pruefer, Text, Test, Shown, S::Varchar, 25, true, true},
        {"SchutzleiterwidLimit", &W::SchutzleiterwidLimit, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"IsolationswidLimit", &W::IsolationswidLimit, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"AbleitstromLimit", &W::AbleitstromLimit, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"SchutzlStromL1NLimit", &W::SchutzlStromL1NLimit, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"SchutzlStromNL1Limit", &W::SchutzlStromNL1Limit, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"BeruehrungsstromL1NLimit", &W::BeruehrungsstromL1NLimit, JaNein, Decoded, Shown, S::None, 0, false,
         false},
        {"BeruehrungsstromNL1Limit", &W::BeruehrungsstromNL1Limit, JaNein, Decoded, Shown, S::None, 0, false,
         false},
        {"Schnellabschaltung", &W::Schnellabschaltung, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"automatisch", &W::automatisch, JaNein, Decoded, Hidden, S::None, 0, false, false},
        {"DINVDE", &W::DINVDE, DinVde, Decoded, Shown, S::None, 0, false, false},
        {"mitIsol", {}, MitIsol, Decoded, Shown, S::None, 0, false, false},
        {"manuGrenz", &W::manuGrenz, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"mitBeruehr", &W::mitBeruehr, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"abgebrochen", &W::abgebrochen, JaNein, Decoded, Shown, S::None, 0, false, false},
        {"Enables", &W::Enables, Number, Decoded, Hidden, S::None, 0, false, false},
        {"LfdNr", {}, Number, Staging, No, S::Integer, 0, false, true},
    });
}();

// The exported fields in the order of the export's columns (and of ExportColumnTable).
inline constexpr auto ExportedFields = [] {
    constexpr size_t count = [] {
        size_t n = 0;
        for (const TWerteSatzField& f : WerteSatzFields)
            n += f.Export != TFieldExport::No;
        return n;
    }();
    std::array<const TWerteSatzField*, count> exported{};
    size_t i = 0;
    for (const TWerteSatzField& f : WerteSatzFields)
        if (f.Export != TFieldExport::No)
            exported[i++] = &f;
    return exported;
}();

// One column of the semicolon-separated export: its configuration key (section "Export")
// and whether it is exported by default.
struct TExportColumn {
    const char* Key;
    bool Default;
};
inline constexpr int ExportColumnCount = static_cast<int>(ExportedFields.size());
// The configuration file has one switch per column in its section "Export".
static_assert(ExportColumnCount == 56);
inline constexpr auto ExportColumnTable = [] {
    std::array<TExportColumn, ExportColumnCount> columns{};
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i] = {ExportedFields[i]->Key(), ExportedFields[i]->Export == TFieldExport::Shown};
    return columns;
}();

// The field held in a text member (at compile time: a member without a field does not compile).
constexpr const TWerteSatzField& WerteSatzFieldOf(QString TWerteSatz::*member) {
    for (const TWerteSatzField& f : WerteSatzFields)
        if (f.Member.Text == member)
            return f;
    throw "no field of this member";
}
