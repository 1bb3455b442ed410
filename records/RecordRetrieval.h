#pragma once

#include "records/StoredRecord.h"
#include "tester/TesterLink.h"
#include "tester/TesterMessages.h"

#include <QString>

#include <cstdint>
#include <optional>

// The staging table end: rows are held back from BeginRun until Commit writes them.
// A sink may throw; the run then ends as after a false.
class IStagingSink {
public:
    virtual ~IStagingSink() = default;
    virtual void BeginRun() = 0;
    // The device carrying a (non-empty) barcode, 0 for none; empty when the lookup failed.
    virtual std::optional<int32_t> FindPrueflingNr(const QString& Barcode) = 0;
    // Appends and posts one row into the held-back rows; false when it was refused.
    virtual bool Append(const TStagingRow& Row) = 0;
    // Writes every held-back row durably at once; false leaves the table as it was and gives
    // the reason as the user is to read it.
    virtual bool Commit(QString& Reason) = 0;
    // Drops whatever was not committed. A failure's text tells the user what became of the
    // rows shown.
    virtual void EndRun() = 0;
};

// The dialog around a retrieval: progress bar, plain message windows, button rule.
class IRetrievalView {
public:
    virtual ~IRetrievalView() = default;
    virtual void SetProgressMax(int Max) = 0;
    virtual void SetProgressPosition(int Position) = 0;
    virtual void ShowMessage(const QString& Text) = 0;
    virtual void UpdateButtons() = 0;
};

// How the last run ended.
enum class TRetrievalOutcome {
    roNone,         // no run yet
    roNotConnected, // no port open
    roBusy,         // another exchange or run was going on; nothing sent
    roNoRecords,    // the count failed or was 0
    roStartFailed,  // "T" failed
    roBroken,       // the tester fell silent within the run; no row kept
    roStoreFailed,  // a row, the lookup or the commit failed; no row kept, "C" not sent; a
                    // failed commit is reported
    roNotCleared,   // rows stored, but the tester did not confirm "C"
    roDone,         // rows stored and the tester's memory cleared
};

inline const QString& ConnectionBrokenText() {
    static const QString text = QStringLiteral("Die Verbindung zum Gerätetester ist unterbrochen.");
    return text;
}
inline const QString& NotClearedText() {
    static const QString text = QStringLiteral(
        "Die Verbindung zum Gerätetester ist unterbrochen, die empfangenen Daten wurden nicht gelöscht.");
    return text;
}

// A fetch whose commit failed; Reason as the sink gave it.
inline QString NotStoredText(const QString& Reason) {
    return QStringLiteral("Die Datensätze konnten nicht gespeichert werden: %1\nEs wurde nichts gespeichert; "
                          "die Datensätze bleiben im Gerätetester.")
        .arg(Reason);
}

// Fetches every stored record of the tester into the staging table and then clears the
// tester's record memory; "Daten holen" of the retrieval dialog.
class TRecordRetrieval {
public:
    TRecordRetrieval(ITesterLink& link, IStagingSink& sink, IRetrievalView& view)
        : link_(link), sink_(sink), view_(view) {}

    // The whole run; nothing escapes it. A call while a run is going on does nothing.
    void Run(const TRecordStamp& stamp);

    // True while a run waits for the tester; the dialog then refuses to close or act.
    bool Running() const { return running_; }
    TRetrievalOutcome LastOutcome() const { return outcome_; }

private:
    TRetrievalOutcome Fetch(const TRecordStamp& stamp);
    TRetrievalOutcome FetchRecords(const TRecordStamp& stamp, int count, TProtok& answer, QString& notStored);
    // Every message of a run tells of a failure: the program log keeps it as well.
    void Tell(const QString& Text);
    bool Request(uint8_t Sub, const TMsgData& Data, TTimeoutClass c, TProtok& Answer);
    bool Step(TProtok& Answer);
    bool EepromFunction(char function, TProtok& Answer);

    ITesterLink& link_;
    IStagingSink& sink_;
    IRetrievalView& view_;
    bool running_ = false;
    TRetrievalOutcome outcome_ = TRetrievalOutcome::roNone;
};
