#include "records/StoredData.h"

#include "records/BarcodeMatch.h"
#include "tester/Limits.h"
#include "tester/TesterSettings.h"
#include "tester/WerteSatzFields.h"

using platform::TQuery;

namespace StoredDataSql {

QStringList Customers() {
    return {QStringLiteral("select * from \"Kunden.db\""), QStringLiteral("order by KundenNr")};
}

QStringList DevicesOfCustomer() {
    return {QStringLiteral("select * from \"Prueflng.db\""), QStringLiteral("where KundenNr = :KundenNr"),
            QStringLiteral("order by PrueflingNr")};
}

QStringList TestsOfDevice() {
    return {QStringLiteral("select * from \"Pruefung.db\""),
            QStringLiteral("where PrueflingNr = :PrueflingNr"), QStringLiteral("order by PruefungsNr")};
}

QStringList AllTestsForExport() {
    return {QStringLiteral("select * from \"Pruefung.db\" as M, \"Prueflng.db\" as P, \"Kunden.db\" as K"),
            QStringLiteral("where M.PrueflingNr = P.PrueflingNr and P.KundenNr = K.KundenNr")};
}

} // namespace StoredDataSql

namespace {

bool hasRow(TQuery& q) {
    return q.Active() && q.RecordCount() > 0;
}

// Reads the fields the current row of q holds for one part of the record, in table order.
void readFields(TQuery& q, TFieldOrigin origin, TWerteSatz& w) {
    for (const TWerteSatzField& f : WerteSatzFields) {
        if (f.Origin != origin)
            continue;
        const platform::TField& field = q.FieldByName(QLatin1String(f.Name));
        const TWerteSatzMember& m = f.Member;
        if (m.Number) {
            w.*m.Number = field.AsInteger();
        } else if (m.Text) {
            w.*m.Text = field.AsString();
        } else if (m.Flag) {
            w.*m.Flag = field.AsBoolean();
        } else if (m.Moment) {
            const QDate date = field.AsDate();
            w.*m.Moment = date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime();
        }
    }
}

} // namespace

void FillWerteSatz(TQuery& customers, TQuery& devices, TWerteSatz& w, TQuery& tests, int32_t firmwareLevel) {
    w = TWerteSatz{};
    if (hasRow(customers))
        readFields(customers, TFieldOrigin::Customer, w);
    if (hasRow(devices))
        readFields(devices, TFieldOrigin::Device, w);
    if (hasRow(tests))
        readFields(tests, TFieldOrigin::Test, w);
    DecodeWerteSatzFlags(w, firmwareLevel);
}

void GetPrueflingKunde(int32_t pruefungsNr, int32_t& prueflingNr, int32_t& kundenNr, platform::Database* db) {
    prueflingNr = 0;
    kundenNr = 0;
    TQuery q(nullptr, db);
    q.SQLAdd(QStringLiteral("select PruefungsNr,PrueflingNr from \"Pruefung.db\" where PruefungsNr=") +
             QString::number(pruefungsNr));
    q.Open();
    if (q.RecordCount() > 0)
        prueflingNr = q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
    q.Close();
    if (prueflingNr > 0) {
        q.SQLClear();
        q.SQLAdd(QStringLiteral("select PrueflingNr,KundenNr from \"Prueflng.db\" where PrueflingNr=") +
                 QString::number(prueflingNr));
        q.Open();
        if (q.RecordCount() > 0)
            kundenNr = q.FieldByName(QStringLiteral("KundenNr")).AsInteger();
    }
}

bool BarcodeHeldByOtherDevice(const QString& barcode, int32_t prueflingNr, platform::Database* db) {
    if (!IsMatchableBarcode(barcode))
        return false;
    TQuery q(nullptr, db);
    q.SQLAdd(QStringLiteral("select PrueflingNr,Barcode from \"Prueflng.db\""));
    q.SQLAdd(QStringLiteral("where Barcode = :Barcode"));
    q.SQLAdd(QStringLiteral("and PrueflingNr <> ") + QString::number(prueflingNr));
    q.ParamByName(QStringLiteral("Barcode")).SetAsString(barcode);
    q.Open();
    return q.RecordCount() > 0;
}

QString DuplicateBarcodeMessage() {
    return QStringLiteral("Es existiert bereits ein Prüfling mit dieser Barcodenummer/Prüflingsnummer.\r"
                          "Barcodenummern müssen jedoch leer oder eindeutig sein.");
}

QString SchutzklasseText(int32_t schutzklasse) {
    switch (schutzklasse) {
    case 1:
        return QStringLiteral("I");
    case 2:
        return QStringLiteral("II");
    case 3:
        return QStringLiteral("III");
    default:
        return QStringLiteral("---");
    }
}

QString SichtpruefText(int32_t sichtpruef) {
    switch (sichtpruef) {
    case 0:
        return QStringLiteral("nein");
    case 1:
        return QStringLiteral("ja");
    default:
        return QStringLiteral("---");
    }
}

QString ErgebnisText(bool passed) {
    return passed ? QStringLiteral("JA") : QStringLiteral("NEIN");
}

int32_t ShownTestEnables(bool haveTest, int32_t m, int32_t schutzklasse, int32_t firmwareLevel) {
    if (!haveTest)
        return 0;
    return ComputeEnables((m & Menueflags::mitIsol) != 0, (m & Menueflags::mitIsoDiff) != 0,
                          (m & Menueflags::DINVDE) != 0, (m & Menueflags::mitBeruehr) != 0, schutzklasse,
                          firmwareLevel);
}

bool DisconnectRowEnabled(int32_t enables) {
    constexpr int32_t currents =
        (1 << MeasurementBits::SchutzlStromL1N) | (1 << MeasurementBits::SchutzlStromNL1) |
        (1 << MeasurementBits::BeruehrungsstromL1N) | (1 << MeasurementBits::BeruehrungsstromNL1);
    return (enables & currents) != 0;
}
