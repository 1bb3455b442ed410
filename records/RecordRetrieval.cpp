#include "records/RecordRetrieval.h"

#include "platform/error_report.h"
#include "platform/log_sink.h"
#include "records/BarcodeMatch.h"

#include <QStringList>

#include <stdexcept>

namespace {

// Inside a catch block: the program log keeps why a run went another way than planned.
void logCaught(const char* what) {
    try {
        throw;
    } catch (const std::exception& e) {
        platform::logFailure(what, e);
    } catch (...) {
        platform::logFailure(what, std::runtime_error("Unbekannter Fehler"));
    }
}

constexpr int DataOffset = 4;

// Clears the running flag however a run ends.
class TRunningScope {
public:
    explicit TRunningScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TRunningScope() { flag_ = false; }
    TRunningScope(const TRunningScope&) = delete;
    TRunningScope& operator=(const TRunningScope&) = delete;

private:
    bool& flag_;
};

} // namespace

void TRecordRetrieval::Run(const TRecordStamp& stamp) {
    // The requests run the event loop, so a second click can arrive while a run waits.
    if (running_)
        return;
    {
        TRunningScope scope(running_);
        try {
            outcome_ = Fetch(stamp);
        } catch (...) {
            logCaught("Datenabruf abgebrochen");
            outcome_ = TRetrievalOutcome::roBroken;
        }
    }
    view_.UpdateButtons();
}

void TRecordRetrieval::Tell(const QString& Text) {
    platform::logShownFailure(Text.toStdString());
    view_.ShowMessage(Text);
}

bool TRecordRetrieval::Request(uint8_t Sub, const TMsgData& Data, TTimeoutClass c, TProtok& Answer) {
    return link_.RequestMsg(Sub, Data, link_.AnswerTimeout(c), Answer);
}

bool TRecordRetrieval::EepromFunction(char function, TProtok& Answer) {
    return Request(MsgEepromFunction, TMsgData(1, function), EepromFunctionTimeoutClass(function), Answer);
}

// "S" moves the tester on: sent again after a lost answer it would skip a record, which
// the later "C" would then clear unread.
bool TRecordRetrieval::Step(TProtok& Answer) {
    return link_.RequestOnce(MsgEepromFunction, TMsgData(1, 'S'),
                             link_.AnswerTimeout(EepromFunctionTimeoutClass('S')), Answer);
}

TRetrievalOutcome TRecordRetrieval::Fetch(const TRecordStamp& stamp) {
    if (!link_.Connected())
        return TRetrievalOutcome::roNotConnected;
    TExchangeGate::TScope exclusive(link_.ExchangeGate());
    if (!exclusive.Acquired())
        return TRetrievalOutcome::roBusy;

    TProtok answer{};
    if (!Request(MsgQueryRecordCount, TMsgData(), TTimeoutClass::tcRam, answer))
        return TRetrievalOutcome::roNoRecords;
    const int count = answer[DataOffset] | (answer[DataOffset + 1] << 8);
    if (count == 0)
        return TRetrievalOutcome::roNoRecords;

    view_.SetProgressMax(count);
    TRetrievalOutcome result = TRetrievalOutcome::roStartFailed;
    if (EepromFunction('T', answer)) {
        QString notStored;
        try {
            sink_.BeginRun();
            result = FetchRecords(stamp, count, answer, notStored);
        } catch (...) {
            logCaught("Datenabruf: Datensätze nicht gespeichert");
            result = TRetrievalOutcome::roStoreFailed;
        }
        // A list that could not drop the rows the file did not take closes instead; the user
        // learns why it shows nothing.
        QString notDropped;
        try {
            sink_.EndRun();
        } catch (const std::exception& e) {
            notDropped = platform::errorText(e);
        } catch (...) {
            logCaught("Datenabruf: Zwischenspeicher nicht verworfen");
        }
        // Once the list shows only what the file holds.
        QStringList told;
        if (!notStored.isEmpty())
            told << NotStoredText(notStored);
        if (!notDropped.isEmpty())
            told << notDropped;
        if (!told.isEmpty())
            Tell(told.join(QLatin1Char('\n')));
    }
    view_.SetProgressPosition(0);
    return result;
}

TRetrievalOutcome TRecordRetrieval::FetchRecords(const TRecordStamp& stamp, int count, TProtok& answer,
                                                 QString& notStored) {
    for (int i = 1; i <= count; ++i) {
        view_.SetProgressPosition(i);
        StoredTestRecord record;
        for (int k = 0; k < StoredTestRecord::PartCount; ++k) {
            if (!Request(static_cast<uint8_t>(MsgReadRecordPart1 + k), TMsgData(),
                         TTimeoutClass::tcReadEeprom, answer)) {
                Tell(ConnectionBrokenText());
                return TRetrievalOutcome::roBroken;
            }
            record.SetPart(k, answer);
        }

        TStagingRow row = DecodeStoredRecord(record, i, stamp);
        if (IsMatchableBarcode(row.Barcode)) {
            const std::optional<int32_t> nr = sink_.FindPrueflingNr(row.Barcode);
            if (!nr)
                return TRetrievalOutcome::roStoreFailed;
            row.PrueflingNr = *nr;
        }
        if (!sink_.Append(row))
            return TRetrievalOutcome::roStoreFailed;

        // Without the answer to "S" it is unknown which record the tester presents: going
        // on could store one twice or skip one and clear it unread. After the last record
        // it does no harm.
        if (!Step(answer) && i < count) {
            Tell(ConnectionBrokenText());
            return TRetrievalOutcome::roBroken;
        }
    }

    // The tester's memory is cleared only once every row is safe in the table.
    if (!sink_.Commit(notStored))
        return TRetrievalOutcome::roStoreFailed;
    if (!EepromFunction('C', answer)) {
        Tell(NotClearedText());
        return TRetrievalOutcome::roNotCleared;
    }
    return TRetrievalOutcome::roDone;
}
