#pragma once

#include "records/RecordRetrieval.h"

#include <QString>

#include <cstdint>

namespace platform {
class Database;
class TQuery;
} // namespace platform

// The queries of the staging table and the device lookups of the record windows.

// The device whose Barcode equals the text, else 0. The text is bound as a parameter; an
// empty text is no device's barcode. Errors of the query reach the caller.
int32_t FindPrueflingNr(platform::Database& db, const QString& barcode);

// Another device already holds this barcode (never for an empty one).
bool PrueflingBarcodeTaken(platform::Database& db, const QString& barcode);

// SQL text and field objects of the staging list's query: "Uebernah.db" by LfdNr, live,
// calculated fields only when rows are read.
void DefineStagingQuery(platform::TQuery& query);

// SQL text of the take-over target: "Pruefung.db" by PruefungsNr, live.
void DefineTestQuery(platform::TQuery& query);

// Re-matches the current staging row by its barcode: a row with a barcode gets the device
// that carries it (0 for none); a row without one keeps its device. A lookup error reaches
// the caller; an error while posting the new number leaves the row as it was and goes to the
// program log.
void RematchStagingRow(platform::TQuery& staging);

// Passes every row once (each runs the query's after-scroll handling) without bound controls
// following, then returns to the row that was current.
void WalkStagingRows(platform::TQuery& staging);

// Gives the current staging row a device chosen by hand, with that device's barcode.
void AssignStagingRow(platform::TQuery& staging, int32_t prueflingNr, const QString& barcode);

// Moves every assigned staging row into the test table (test opened by the caller) and
// returns how many moved. All rows move in one transaction, each row within it as a whole
// (the new test and the removal of the staging row): a row that fails stays in the list and
// the others go on. When the file refuses the writes, the engine ends the transaction on its
// own or the commit fails, nothing is kept, the error reaches the caller and both queries show
// the file again.
int TakeOverAssignedRows(platform::Database& db, platform::TQuery& staging, platform::TQuery& test);

// What the user reads when a take-over kept nothing; reason: the failure's own text.
QString TakeOverFailedText(const QString& reason);

// Copies the test fields of the current staging row into the test row being inserted.
void CopyStagingToTest(platform::TQuery& staging, platform::TQuery& test);

// The staging query as the retrieval's sink: rows are held in the query's cache until
// Commit applies them in one transaction. Setting Barcode runs the query's own barcode
// match; the explicit PrueflingNr of the row comes after it.
class TStagingQuerySink : public IStagingSink {
public:
    explicit TStagingQuerySink(platform::TQuery& query) : query_(query) {}
    void BeginRun() override;
    std::optional<int32_t> FindPrueflingNr(const QString& Barcode) override;
    bool Append(const TStagingRow& Row) override;
    bool Commit(QString& Reason) override;
    void EndRun() override;

private:
    bool appendRow(const TStagingRow& Row);

    platform::TQuery& query_;
};
