#include "records/StagingTable.h"

#include "platform/database.h"
#include "platform/error_report.h"
#include "platform/log_sink.h"
#include "platform/query.h"
#include "records/BarcodeMatch.h"
#include "records/ProgramDatabase.h"

using platform::Database;
using platform::EDatabaseError;
using platform::TControlsHeld;
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
    for (const TWerteSatzField* f : UebernahColumns)
        q.AddField(QLatin1String(f->Name), FieldTypeOf(f->Store), f->Width);
    q.AddCalcField(QStringLiteral("automatisch"), TFieldType::ftBoolean);
    q.AddCalcField(QStringLiteral("DINVDE"), TFieldType::ftSmallint);
    q.AddCalcField(QStringLiteral("manuGrenz"), TFieldType::ftBoolean);
    q.AddCalcField(QStringLiteral("mitIsol"), TFieldType::ftString, 20);
    q.AddCalcField(QStringLiteral("mitBeruehr"), TFieldType::ftBoolean);
    q.AddCalcField(QStringLiteral("abgebrochen"), TFieldType::ftBoolean);
}

void DefineTestQuery(TQuery& q) {
    q.SQLClear();
    q.SQLAdd(QStringLiteral("select * from \"Pruefung.db\""));
    q.SQLAdd(QStringLiteral("order by PruefungsNr"));
    q.SetRequestLive(true);
}

void CopyStagingToTest(TQuery& staging, TQuery& test) {
    for (const TWerteSatzField* f : UebernahColumns) {
        if (!f->Pruefung)
            continue;
        const platform::TField& from = staging.FieldByName(QLatin1String(f->Name));
        platform::TField& to = test.FieldByName(QLatin1String(f->Name));
        switch (f->Store) {
        case TFieldStore::Date:
            if (from.IsNull())
                to.Clear();
            else
                to.SetAsDate(from.AsDate());
            break;
        case TFieldStore::Varchar:
            to.SetAsString(from.AsString());
            break;
        case TFieldStore::Boolean:
            to.SetAsBoolean(from.AsBoolean());
            break;
        default:
            to.SetAsInteger(from.AsInteger());
            break;
        }
    }
}

namespace {

bool editing(const TQuery& q) {
    return q.State() == TDataSetState::dsEdit || q.State() == TDataSetState::dsInsert;
}

int32_t lfdNrOf(TQuery& q) {
    return q.FieldByName(QStringLiteral("LfdNr")).AsInteger();
}

} // namespace

void RematchStagingRow(TQuery& q) {
    if (q.Eof() || q.RecordCount() == 0 || editing(q))
        return;
    const QString barcode = q.FieldByName(QStringLiteral("Barcode")).AsString();
    if (barcode.isEmpty())
        return;
    const int32_t found = FindPrueflingNr(Database::Current(), barcode);
    if (found == q.FieldByName(QStringLiteral("PrueflingNr")).AsInteger())
        return;
    const int32_t lfdNr = lfdNrOf(q);
    try {
        q.Edit();
        q.FieldByName(QStringLiteral("PrueflingNr")).SetAsInteger(found);
        q.Post();
    } catch (const std::exception& e) {
        platform::logFailure("Datenabruf: Zeile " + std::to_string(lfdNr) + " nicht neu zugeordnet", e);
        if (editing(q))
            q.Cancel();
    }
}

void WalkStagingRows(TQuery& q) {
    const platform::TBookmark mark = q.GetBookmark();
    TControlsHeld held(q);
    q.First();
    while (!q.Eof())
        q.Next();
    q.First();
    if (q.BookmarkValid(mark))
        q.GotoBookmark(mark);
}

void AssignStagingRow(TQuery& q, int32_t prueflingNr, const QString& barcode) {
    try {
        q.Edit();
        q.FieldByName(QStringLiteral("Barcode")).SetAsString(barcode);
        q.FieldByName(QStringLiteral("PrueflingNr")).SetAsInteger(prueflingNr);
        q.Post();
    } catch (...) {
        if (editing(q))
            q.Cancel();
        throw;
    }
}

int TakeOverAssignedRows(Database& db, TQuery& staging, TQuery& test) {
    int moved = 0;
    db.RunAtomically([&] {
        moved = 0;
        staging.First();
        while (!staging.Eof() && staging.RecordCount() > 0) {
            // The re-match of a row the walk passes swallows its errors; once one ended the
            // transaction, the take-over ends there instead of trying and blaming the rows after.
            db.RequireUnitOpen();
            if (staging.FieldByName(QStringLiteral("PrueflingNr")).AsInteger() == 0) {
                staging.Next();
                continue;
            }
            const int place = staging.RecNo();
            const int32_t lfdNr = lfdNrOf(staging);
            try {
                db.RunAtomically([&] {
                    test.Append();
                    CopyStagingToTest(staging, test);
                    test.Post();
                    staging.Delete();
                });
                ++moved;
            } catch (const std::exception& e) {
                if (editing(test))
                    test.Cancel();
                // A file that refuses this row refuses every other one as well; a list that could
                // not be read again has no rows to go on with; a transaction the engine ended
                // took every row moved so far with it. The whole take-over ends, keeping nothing.
                const auto* error = dynamic_cast<const EDatabaseError*>(&e);
                if ((error && error->OfTheFile()) || !staging.Active() || !db.UnitOpen()) {
                    platform::logFailure("Übernahme: Zeile " + std::to_string(lfdNr) +
                                             " nicht übernommen; die Übernahme ist abgebrochen, es wurde "
                                             "nichts übernommen",
                                         e);
                    throw;
                }
                platform::logFailure("Übernahme: Zeile " + std::to_string(lfdNr) + " nicht übernommen", e);
                // The failed row stays in the list: go on after it, whether or not the list was
                // read again.
                staging.First();
                staging.MoveBy(place);
            }
        }
    });
    return moved;
}

QString TakeOverFailedText(const QString& reason) {
    return QStringLiteral("Die Daten konnten nicht übernommen werden: %1\nEs wurde nichts gespeichert; die "
                          "Datensätze bleiben in der Liste.")
        .arg(reason);
}

void TStagingQuerySink::BeginRun() {
    query_.SetCachedUpdates(true);
}

std::optional<int32_t> TStagingQuerySink::FindPrueflingNr(const QString& Barcode) {
    try {
        return ::FindPrueflingNr(Database::Current(), Barcode);
    } catch (const std::exception& e) {
        platform::logFailure("Datenabruf: Prüfling zum Barcode " + Barcode.toStdString() + " nicht gesucht",
                             e);
        return std::nullopt;
    }
}

bool TStagingQuerySink::Append(const TStagingRow& Row) {
    // Bound controls see the posted row once, not every field on its way in.
    TControlsHeld held(query_);
    return appendRow(Row);
}

bool TStagingQuerySink::appendRow(const TStagingRow& Row) {
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
    } catch (const std::exception& e) {
        platform::logFailure("Datenabruf: Datensatz " + std::to_string(Row.LfdNr) + " nicht aufgenommen", e);
        if (query_.State() == TDataSetState::dsInsert || query_.State() == TDataSetState::dsEdit)
            query_.Cancel();
        return false;
    }
}

bool TStagingQuerySink::Commit(QString& Reason) {
    try {
        query_.ApplyUpdates();
        return true;
    } catch (const std::exception& e) {
        Reason = platform::errorText(e);
        return false;
    }
}

void TStagingQuerySink::EndRun() {
    query_.SetCachedUpdates(false);
}
