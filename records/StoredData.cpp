#include "records/StoredData.h"

#include "records/BarcodeMatch.h"
#include "tester/Limits.h"
#include "tester/TesterSettings.h"

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

int32_t intOf(TQuery& q, const char* name) {
    return q.FieldByName(QString::fromLatin1(name)).AsInteger();
}

QString textOf(TQuery& q, const char* name) {
    return q.FieldByName(QString::fromLatin1(name)).AsString();
}

} // namespace

void FillWerteSatz(TQuery& customers, TQuery& devices, TWerteSatz& w, TQuery& tests) {
    w = TWerteSatz{};
    if (hasRow(customers)) {
        TQuery& q = customers;
        w.KundenNr = intOf(q, "KundenNr");
        w.Name1 = textOf(q, "Name1");
        w.Name2 = textOf(q, "Name2");
        w.Name3 = textOf(q, "Name3");
        w.KdStr = textOf(q, "KdStr");
        w.KdLKZ = textOf(q, "KdLKZ");
        w.KdPLZ = textOf(q, "KdPLZ");
        w.KdOrt = textOf(q, "KdOrt");
        w.Telefon = textOf(q, "Telefon");
        w.Fax = textOf(q, "Fax");
    }
    if (hasRow(devices)) {
        TQuery& q = devices;
        w.PrueflingNr = intOf(q, "PrueflingNr");
        w.Bezeichnung = textOf(q, "Bezeichnung");
        w.Typ = textOf(q, "Typ");
        w.Inventarnummer = textOf(q, "Inventarnummer");
        w.Fabrikationsnummer = textOf(q, "Fabrikationsnummer");
        w.Seriennummer = textOf(q, "Seriennummer");
        w.Barcode = textOf(q, "Barcode");
    }
    if (hasRow(tests)) {
        TQuery& q = tests;
        w.PruefungsNr = intOf(q, "PruefungsNr");
        const QDate date = q.FieldByName(QStringLiteral("Datum")).AsDate();
        w.Datum = date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime();
        w.GTSeriennummer = textOf(q, "GT-Seriennummer");
        w.Grenzwertflags = intOf(q, "Grenzwertflags");
        w.Menueflags = intOf(q, "Menueflags");
        w.Schutzklasse = intOf(q, "Schutzklasse");
        w.Sichtpruef = intOf(q, "Sichtpruef");
        w.Messablauf = intOf(q, "Messablauf");
        w.Schutzleiterwid = intOf(q, "Schutzleiterwid");
        w.Isolationswid = intOf(q, "Isolationswid");
        w.Ableitstrom = intOf(q, "Ableitstrom");
        w.SchutzlStromL1N = intOf(q, "SchutzlStromL1N");
        w.SchutzlStromNL1 = intOf(q, "SchutzlStromNL1");
        w.BeruehrungsstromL1N = intOf(q, "BeruehrungsstromL1N");
        w.BeruehrungsstromNL1 = intOf(q, "BeruehrungsstromNL1");
        w.GrwSchutzleiterwid = intOf(q, "GrwSchutzleiterwid");
        w.GrwIsolationswid = intOf(q, "GrwIsolationswid");
        w.GrwAbleitstrom = intOf(q, "GrwAbleitstrom");
        w.GrwSchutzleiterstrom = intOf(q, "GrwSchutzleiterstrom");
        w.GrwBeruehrungsstrom = intOf(q, "GrwBeruehrungsstrom");
        w.GrwSchnellabschaltung = intOf(q, "GrwSchnellabschaltung");
        w.Pruefungsergebnis = q.FieldByName(QStringLiteral("Pruefungsergebnis")).AsBoolean();
        w.Notiz = textOf(q, "Notiz");
        w.Pruefer = textOf(q, "Pruefer");
    }
    DecodeWerteSatzFlags(w);
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

int32_t ShownTestEnables(bool haveTest, int32_t m, int32_t schutzklasse) {
    if (!haveTest)
        return 0;
    return ComputeEnables((m & Menueflags::mitIsol) != 0, (m & Menueflags::mitIsoDiff) != 0,
                          (m & Menueflags::DINVDE) != 0, (m & Menueflags::mitBeruehr) != 0, schutzklasse);
}

bool DisconnectRowEnabled(int32_t enables) {
    constexpr int32_t currents =
        (1 << MeasurementBits::SchutzlStromL1N) | (1 << MeasurementBits::SchutzlStromNL1) |
        (1 << MeasurementBits::BeruehrungsstromL1N) | (1 << MeasurementBits::BeruehrungsstromNL1);
    return (enables & currents) != 0;
}
