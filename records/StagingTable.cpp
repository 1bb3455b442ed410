#include "records/StagingTable.h"

#include "platform/database.h"
#include "records/BarcodeMatch.h"

using platform::Database;
using platform::EDatabaseError;
using platform::TDataSetState;
using platform::TFieldType;
using platform::TQuery;

int32_t FindPrueflingNr(Database& db, const QString& barcode) {
    if (!IsMatchableBarcode(barcode))
        return 0;
    TQuery query(nullptr, &db);
    query.SQLAdd(QStringLiteral("select PrueflingNr, Barcode from \"Prueflng.db\""));
    query.SQLAdd(QStringLiteral("where Barcode = :Barcode"));
    query.SetUniDirectional(true);
    query.ParamByName(QStringLiteral("Barcode")).SetAsString(barcode);
    query.Open();
    const int32_t nr = query.Eof() ? 0 : query.FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
    query.Close();
    return nr;
}

bool PrueflingBarcodeTaken(Database& db, const QString& barcode) {
    if (!IsMatchableBarcode(barcode))
        return false;
    TQuery query(nullptr, &db);
    query.SQLAdd(QStringLiteral("select Barcode from \"Prueflng.db\""));
    query.SQLAdd(QStringLiteral("where Barcode = :Barcode"));
    query.ParamByName(QStringLiteral("Barcode")).SetAsString(barcode);
    query.Open();
    const bool taken = query.RecordCount() > 0;
    query.Close();
    return taken;
}

void DefineStagingQuery(TQuery& q) {
    q.SQLClear();
    q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\""));
    q.SQLAdd(QStringLiteral("order by LfdNr"));
    q.SetRequestLive(true);
    q.SetAutoCalcFields(false);
    q.AddField(QStringLiteral("LfdNr"), TFieldType::ftInteger);
    q.AddField(QStringLiteral("Barcode"), TFieldType::ftString, BarcodeWidth);
    q.AddField(QStringLiteral("PrueflingNr"), TFieldType::ftInteger);
    q.AddField(QStringLiteral("Datum"), TFieldType::ftDate);
    q.AddField(QStringLiteral("GT-Seriennummer"), TFieldType::ftString, GTSeriennummerWidth);
    for (const char* name : {"Grenzwertflags", "Menueflags", "Schutzklasse", "Messablauf"})
        q.AddField(QLatin1String(name), TFieldType::ftSmallint);
    for (const char* name : {"Schutzleiterwid", "Isolationswid", "Ableitstrom", "SchutzlStromL1N",
                             "SchutzlStromNL1", "BeruehrungsstromL1N", "BeruehrungsstromNL1"})
        q.AddField(QLatin1String(name), TFieldType::ftInteger);
    q.AddField(QStringLiteral("Pruefungsergebnis"), TFieldType::ftBoolean);
    q.AddField(QStringLiteral("Notiz"), TFieldType::ftString, NotizWidth);
    q.AddField(QStringLiteral("Pruefer"), TFieldType::ftString, PrueferWidth);
    q.AddCalcField(QStringLiteral("automatisch"), TFieldType::ftBoolean);
    q.AddCalcField(QStringLiteral("DINVDE"), TFieldType::ftSmallint);
    q.AddCalcField(QStringLiteral("manuGrenz"), TFieldType::ftBoolean);
    q.AddCalcField(QStringLiteral("mitIsol"), TFieldType::ftString, 20);
    q.AddCalcField(QStringLiteral("mitBeruehr"), TFieldType::ftBoolean);
    q.AddCalcField(QStringLiteral("abgebrochen"), TFieldType::ftBoolean);
    for (const char* name : {"GrwSchutzleiterwid", "GrwIsolationswid", "GrwAbleitstrom", "GrwSchutzleiterstrom",
                             "GrwBeruehrungsstrom", "GrwSchnellabschaltung", "Sichtpruef"})
        q.AddField(QLatin1String(name), TFieldType::ftInteger);
}

void DefineTestQuery(TQuery& q) {
    q.SQLClear();
    q.SQLAdd(QStringLiteral("select * from \"Pruefung.db\""));
    q.SQLAdd(QStringLiteral("order by PruefungsNr"));
    q.SetRequestLive(true);
}

void CopyStagingToTest(TQuery& staging, TQuery& test) {
    static const char* const integers[] = {
        "PrueflingNr",         "Grenzwertflags",      "Menueflags",         "Schutzklasse",
        "Sichtpruef",          "Messablauf",          "Schutzleiterwid",    "Isolationswid",
        "Ableitstrom",         "SchutzlStromL1N",     "SchutzlStromNL1",    "BeruehrungsstromL1N",
        "BeruehrungsstromNL1", "GrwSchutzleiterwid",  "GrwIsolationswid",   "GrwAbleitstrom",
        "GrwSchutzleiterstrom", "GrwBeruehrungsstrom", "GrwSchnellabschaltung"};
    auto from = [&](const char* name) -> platform::TField& { return staging.FieldByName(QLatin1String(name)); };
    auto to = [&](const char* name) -> platform::TField& { return test.FieldByName(QLatin1String(name)); };
    to("PrueflingNr").SetAsInteger(from("PrueflingNr").AsInteger());
    if (from("Datum").IsNull())
        to("Datum").Clear();
    else
        to("Datum").SetAsDate(from("Datum").AsDate());
    to("GT-Seriennummer").SetAsString(from("GT-Seriennummer").AsString());
    for (const char* name : integers)
        to(name).SetAsInteger(from(name).AsInteger());
    to("Pruefungsergebnis").SetAsBoolean(from("Pruefungsergebnis").AsBoolean());
    to("Notiz").SetAsString(from("Notiz").AsString());
    to("Pruefer").SetAsString(from("Pruefer").AsString());
}

void TStagingQuerySink::BeginRun() {
    query_.SetCachedUpdates(true);
}

std::optional<int32_t> TStagingQuerySink::FindPrueflingNr(const QString& Barcode) {
    try {
        return ::FindPrueflingNr(Database::Current(), Barcode);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool TStagingQuerySink::Append(const TStagingRow& Row) {
    try {
        query_.Append();
        for (const auto& [name, value] : StagingRowFields(Row)) {
            platform::TField& field = query_.FieldByName(QLatin1String(name));
            switch (value.typeId()) {
            case QMetaType::Bool:
                field.SetAsBoolean(value.toBool());
                break;
            case QMetaType::QDate:
                field.SetAsDate(value.toDate());
                break;
            case QMetaType::QString:
                field.SetAsString(value.toString());
                break;
            default:
                field.SetAsInteger(value.toInt());
                break;
            }
        }
        query_.Post();
        return true;
    } catch (const std::exception&) {
        if (query_.State() == TDataSetState::dsInsert || query_.State() == TDataSetState::dsEdit)
            query_.Cancel();
        return false;
    }
}

bool TStagingQuerySink::Commit() {
    try {
        query_.ApplyUpdates();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TStagingQuerySink::EndRun() {
    query_.SetCachedUpdates(false);
}
