#pragma once

#include <QChar>
#include <QDateTime>
#include <QString>

#include <cstdint>

// Bit numbers of the seven measurements; one order for Grenzwertflags, Enables and the
// main window's value rows.
namespace MeasurementBits {
enum : int {
    Schutzleiterwid = 0,
    Isolationswid = 1,
    Ableitstrom = 2,
    SchutzlStromL1N = 3,
    SchutzlStromNL1 = 4,
    BeruehrungsstromL1N = 5,
    BeruehrungsstromNL1 = 6,
    Count = 7,
};
} // namespace MeasurementBits

// Bit values of the measuring mode (byte 0 of the tester's settings block); 128 is unused.
namespace Menueflags {
enum : int32_t {
    automatisch = 1,
    DINVDE = 2, // set: DIN VDE 0702, clear: 0701
    mitIsol = 4,
    manuGrenz = 8,
    mitBeruehr = 16,
    Steuerbarcode = 32,
    mitIsoDiff = 64,
};
} // namespace Menueflags

// Bit values of the test run as the tester reports it (byte 6 of its settings block).
namespace Messablauf {
enum : int32_t {
    abgebrochen = 1,         // "Abbruch"
    Grenzwertverletzung = 2, // a limit was exceeded
    Schnellabschaltung = 4,  // fast disconnection, label "Grenzwert"
    NotAus = 8,              // emergency stop, "Not-Aus"
    Fehler = 32,             // a further failure without label
    SichtpruefungBestanden = 64,
};
} // namespace Messablauf

// A test fails when any of these Messablauf bits is set.
constexpr int32_t FailureMask = 0x2B;

// One test with its customer and device data. The field names are the database field names
// and export keys. A default-constructed record is the cleared record.
struct TWerteSatz {
    int32_t KundenNr = 0;
    int32_t PrueflingNr = 0;
    int32_t PruefungsNr = 0;
    QString Name1, Name2, Name3, KdStr, KdLKZ, KdPLZ, KdOrt, Telefon, Fax;
    QString Bezeichnung, Typ, Inventarnummer, Fabrikationsnummer, Seriennummer, Barcode;
    QDateTime Datum;
    QString GTSeriennummer; // database field "GT-Seriennummer"
    int32_t Grenzwertflags = 0;
    int32_t Menueflags = 0;
    int32_t Schutzklasse = 0; // 1..3, 0 = none
    int32_t Sichtpruef = 0;   // -1 not decided, 0 failed, 1 passed
    int32_t Messablauf = 0;
    // Measured values in the tester's units (mOhm, kOhm, 0.01 mA); negative = not measured.
    int32_t Schutzleiterwid = 0;
    int32_t Isolationswid = 0;
    int32_t Ableitstrom = 0;
    int32_t SchutzlStromL1N = 0;
    int32_t SchutzlStromNL1 = 0;
    int32_t BeruehrungsstromL1N = 0;
    int32_t BeruehrungsstromNL1 = 0;
    int32_t GrwSchutzleiterwid = 0;
    int32_t GrwIsolationswid = 0;
    int32_t GrwAbleitstrom = 0;
    int32_t GrwSchutzleiterstrom = 0;
    int32_t GrwBeruehrungsstrom = 0;
    int32_t GrwSchnellabschaltung = 0;
    bool Pruefungsergebnis = false;
    QString Notiz;
    QString Pruefer;
    // Derived by DecodeWerteSatzFlags.
    bool SchutzleiterwidLimit = false;
    bool IsolationswidLimit = false;
    bool AbleitstromLimit = false;
    bool SchutzlStromL1NLimit = false;
    bool SchutzlStromNL1Limit = false;
    bool BeruehrungsstromL1NLimit = false;
    bool BeruehrungsstromNL1Limit = false;
    bool Schnellabschaltung = false;
    bool automatisch = false;
    int32_t DINVDE = 0; // 2 = DIN VDE 0702, 1 = 0701
    bool mitIsol = false;
    bool mitIsoDiff = false;
    bool manuGrenz = false;
    bool mitBeruehr = false;
    bool abgebrochen = false;
    int32_t Enables = 0;

    bool operator==(const TWerteSatz&) const = default;
};

// Fills the derived fields from the bit sets; an emergency stop voids the four currents and an
// aborted test has not passed. Enables as for the connected tester's firmware level.
void DecodeWerteSatzFlags(TWerteSatz& w, int32_t firmwareLevel);

// Mask in MeasurementBits order of the measurements that apply to a measuring mode.
int32_t ComputeEnables(bool mitIsol, bool mitIsoDiff, bool isDinVde0702, bool mitBeruehr,
                       int32_t schutzklasse, int32_t firmwareLevel);

QString BoolToJaNein(bool value);

// Texts of measured values and limits. Negative values give " --- "; decimals are rounded
// halves up from the exact value; the overflow texts always carry a point.
QString FormatSchutzleiterwid(int32_t milliohm);
QString FormatIsolationswid(int32_t kiloohm, int32_t firmwareLevel, QChar decimalSeparator);
// At the program's decimal separator, as the formatters below without one.
QString FormatIsolationswid(int32_t kiloohm, int32_t firmwareLevel);
QString FormatAbleitstrom(int32_t hundredthMilliampere, QChar decimalSeparator);
QString FormatAbleitstrom(int32_t hundredthMilliampere);
QString FormatStrom(int32_t hundredthMilliampere, QChar decimalSeparator);
QString FormatStrom(int32_t hundredthMilliampere);
