#pragma once

#include "platform/database.h"
#include "platform/query.h"
#include "tester/WerteSatz.h"

#include <QStringList>

#include <cstdint>

class TTesterSettings;

// The SQL texts of the stored-data browser and the all-tests export.
namespace StoredDataSql {
QStringList Customers();
QStringList DevicesOfCustomer(); // parameter KundenNr
QStringList TestsOfDevice();     // parameter PrueflingNr
QStringList AllTestsForExport();
} // namespace StoredDataSql

// Fills w from the current rows of the three data sets (which may be one joined query):
// customer number and texts, device number and texts, and the test. A data set without
// rows leaves its part cleared. The derived fields as for the connected tester's firmware level.
void FillWerteSatz(platform::TQuery& customers, platform::TQuery& devices, TWerteSatz& w,
                   platform::TQuery& tests, int32_t firmwareLevel);

// Device and customer of a test; 0 where there is none.
void GetPrueflingKunde(int32_t pruefungsNr, int32_t& prueflingNr, int32_t& kundenNr,
                       platform::Database* db = nullptr);

// Another device than prueflingNr carries barcode. An empty barcode is never taken.
bool BarcodeHeldByOtherDevice(const QString& barcode, int32_t prueflingNr, platform::Database* db = nullptr);

// "Es existiert bereits ein Prüfling mit dieser Barcodenummer/Prüflingsnummer.\r..."
QString DuplicateBarcodeMessage();

// Display texts of the test fields.
QString SchutzklasseText(int32_t schutzklasse);
QString SichtpruefText(int32_t sichtpruef);
QString ErgebnisText(bool passed);

// The result rows that apply to a shown test (MeasurementBits order) for the connected tester's
// firmware level; 0 without a test.
int32_t ShownTestEnables(bool haveTest, int32_t menueflags, int32_t schutzklasse, int32_t firmwareLevel);
// The row "Grenzwert für Netztrennung:" applies when any current row does.
bool DisconnectRowEnabled(int32_t enables);
