#include "records/RecordRetrieval.h"
#include "platform/error_report.h"
#include "platform/log_sink.h"
#include "tests/support/FakeTesterLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr uint32_t RamMs = 300;
constexpr uint32_t ReadEepromMs = 800;
constexpr uint32_t WriteEepromMs = 1200;

const TRecordStamp Stamp{QDate(2024, 6, 1), QStringLiteral("1234567890"), QStringLiteral("Schulz")};

using Events = std::vector<std::string>;

class FakeStaging : public IStagingSink {
public:
    FakeStaging(Events& events) : events_(events) {}

    std::map<QString, int32_t> devices;
    bool lookupFails = false;
    int refuseAppendAt = 0; // LfdNr whose append is refused
    bool throwOnAppend = false;
    bool commitResult = true;
    std::vector<QString> lookedUp;

    std::vector<TStagingRow> held;
    std::vector<TStagingRow> table;

    void BeginRun() override { events_.push_back("BeginRun"); }
    std::optional<int32_t> FindPrueflingNr(const QString& Barcode) override {
        lookedUp.push_back(Barcode);
        if (lookupFails)
            return std::nullopt;
        auto it = devices.find(Barcode);
        return it == devices.end() ? 0 : it->second;
    }
    bool Append(const TStagingRow& Row) override {
        events_.push_back("Append " + std::to_string(Row.LfdNr));
        if (throwOnAppend)
            throw std::runtime_error("disk full");
        if (Row.LfdNr == refuseAppendAt)
            return false;
        held.push_back(Row);
        return true;
    }
    bool Commit(QString& Reason) override {
        events_.push_back("Commit");
        if (!commitResult) {
            Reason = QStringLiteral("Der Datenträger ist voll.");
            return false;
        }
        table.insert(table.end(), held.begin(), held.end());
        held.clear();
        return true;
    }
    void EndRun() override {
        events_.push_back("EndRun");
        if (!endRunFailure.isEmpty())
            throw platform::EUserError(endRunFailure);
        held.clear();
    }
    QString endRunFailure; // what EndRun throws, as a list closed for lack of reading says

private:
    Events& events_;
};

class FakeView : public IRetrievalView {
public:
    int progressMax = -1;
    std::vector<int> positions;
    std::vector<QString> messages;
    int buttonRules = 0;

    void SetProgressMax(int Max) override { progressMax = Max; }
    void SetProgressPosition(int Position) override { positions.push_back(Position); }
    void ShowMessage(const QString& Text) override { messages.push_back(Text); }
    void UpdateButtons() override { ++buttonRules; }
};

StoredTestRecord Record(int n) {
    TStoredTestValues v;
    v.Barcode = std::to_string(1000 + n);
    v.Klasse = 1;
    v.Messablauf = 0x40;
    v.Schutzleiterwid = static_cast<int16_t>(100 + n);
    v.GrwSchnellabschaltung = static_cast<int16_t>(-n);
    return EncodeStoredRecord(v);
}

class RecordRetrievalTest : public ::testing::Test {
protected:
    // Every message a run shows tells of a failure, and the program log keeps it as one line.
    void TearDown() override {
        platform::setLogSink(logBefore);
        for (const QString& m : view.messages) {
            const std::string line =
                "Fehlermeldung: " + QString(m).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString();
            EXPECT_EQ(std::count(log.begin(), log.end(), line), 1) << line;
        }
    }

    std::vector<std::string> log;
    platform::LogSink logBefore =
        platform::setLogSink([this](const std::string& text) { log.push_back(text); });
    // A tester with stored records; what it is asked and what the table is given, in one order.
    FakeTesterLink tester;
    Events& events = tester.events;
    FakeStaging staging{events};
    FakeView view;
    TExchangeGate& gate = tester.gate; // the link's, as in the program
    TRecordRetrieval retrieval{tester, staging, view};

    void Store(int n) {
        for (int i = 1; i <= n; ++i)
            tester.records.push_back(Record(i).Part);
    }
    size_t Count(const std::string& name) const { return std::count(events.begin(), events.end(), name); }
};

Events RecordEvents(int lfdNr) {
    return {"$20", "$21", "$22", "$23", "$24", "Append " + std::to_string(lfdNr), "S"};
}

TEST_F(RecordRetrievalTest, FullRunStoresEveryRecordAndClearsTheTesterAfterTheCommit) {
    Store(3);
    staging.devices[QStringLiteral("1002")] = 17;

    retrieval.Run(Stamp);

    Events want{"$33", "T", "BeginRun"};
    for (int i = 1; i <= 3; ++i) {
        Events r = RecordEvents(i);
        want.insert(want.end(), r.begin(), r.end());
    }
    want.insert(want.end(), {"Commit", "C", "EndRun"});
    EXPECT_EQ(events, want);

    ASSERT_EQ(staging.table.size(), 3u);
    for (int i = 1; i <= 3; ++i) {
        TStagingRow expected = DecodeStoredRecord(Record(i), i, Stamp);
        expected.PrueflingNr = i == 2 ? 17 : 0;
        EXPECT_EQ(staging.table[static_cast<size_t>(i - 1)], expected) << i;
    }
    EXPECT_TRUE(tester.records.empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.progressMax, 3);
    EXPECT_EQ(view.positions, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(view.buttonRules, 1);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roDone);
    EXPECT_FALSE(retrieval.Running());
}

TEST_F(RecordRetrievalTest, RequestsCarryTheirDataAndTimeouts) {
    Store(1);
    retrieval.Run(Stamp);
    ASSERT_EQ(tester.requests.size(), 9u);
    auto check = [&](size_t i, uint8_t sub, const TMsgData& data, uint32_t timeout) {
        EXPECT_EQ(tester.requests[i].sub, sub) << i;
        EXPECT_EQ(tester.requests[i].data, FakeTesterLink::Bytes(data.begin(), data.end())) << i;
        EXPECT_EQ(tester.requests[i].timeout, timeout) << i;
        EXPECT_EQ(tester.requests[i].once, data == "S") << i << ": only \"S\" is never repeated";
    };
    check(0, MsgQueryRecordCount, "", RamMs);
    check(1, MsgEepromFunction, "T", RamMs);
    for (size_t k = 0; k < 5; ++k)
        check(2 + k, static_cast<uint8_t>(MsgReadRecordPart1 + k), "", ReadEepromMs);
    check(7, MsgEepromFunction, "S", ReadEepromMs);
    check(8, MsgEepromFunction, "C", WriteEepromMs);
}

TEST_F(RecordRetrievalTest, CountIsUnsignedLittleEndian) {
    for (int i = 0; i < 0x102; ++i)
        tester.records.push_back(Record(i % 7).Part);
    retrieval.Run(Stamp);
    EXPECT_EQ(view.progressMax, 0x102);
    ASSERT_EQ(staging.table.size(), 0x102u);
    EXPECT_EQ(staging.table.back().LfdNr, 0x102);
}

TEST_F(RecordRetrievalTest, NothingHappensWithoutRecordsOrPort) {
    retrieval.Run(Stamp);
    EXPECT_EQ(events, Events{"$33"});
    EXPECT_EQ(view.progressMax, -1);
    EXPECT_TRUE(view.positions.empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.buttonRules, 1);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roNoRecords);

    events.clear();
    Store(2);
    tester.fails = [](const std::string& name) { return name == "$33"; };
    retrieval.Run(Stamp);
    EXPECT_EQ(events, Events{"$33"});
    EXPECT_TRUE(view.positions.empty());
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roNoRecords);

    events.clear();
    tester.fails = nullptr;
    tester.connected = false;
    retrieval.Run(Stamp);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(view.buttonRules, 3);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roNotConnected);
    EXPECT_EQ(tester.records.size(), 2u);
}

TEST_F(RecordRetrievalTest, FailedStartStoresNothing) {
    Store(2);
    tester.fails = [](const std::string& name) { return name == "T"; };
    retrieval.Run(Stamp);
    EXPECT_EQ(events, (Events{"$33", "T"}));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(view.positions, std::vector<int>{0});
    EXPECT_EQ(tester.records.size(), 2u);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roStartFailed);
}

TEST_F(RecordRetrievalTest, SilenceWithinARecordKeepsNoRowAndClearsNothing) {
    Store(10);
    // Record 5 of 10 (index 4) stops answering after its second part.
    tester.fails = [this](const std::string& name) { return tester.currentRecord == 4 && name == "$22"; };
    retrieval.Run(Stamp);

    EXPECT_EQ(view.messages, std::vector<QString>{"Die Verbindung zum Gerätetester ist unterbrochen."});
    EXPECT_TRUE(staging.table.empty());
    EXPECT_TRUE(staging.held.empty());
    EXPECT_EQ(Count("Commit"), 0u);
    EXPECT_EQ(Count("C"), 0u);
    EXPECT_EQ(Count("S"), 4u);
    EXPECT_EQ(Count("Append 5"), 0u);
    EXPECT_EQ(events.back(), "EndRun");
    EXPECT_EQ(events[events.size() - 2], "$22"); // nothing asked after the silence
    EXPECT_EQ(tester.records.size(), 10u);
    EXPECT_EQ(view.positions.back(), 0);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roBroken);
}

TEST_F(RecordRetrievalTest, FailedStepBeforeTheLastRecordEndsTheRun) {
    Store(5);
    tester.fails = [this](const std::string& name) { return tester.currentRecord == 2 && name == "S"; };
    retrieval.Run(Stamp);

    EXPECT_EQ(view.messages, std::vector<QString>{"Die Verbindung zum Gerätetester ist unterbrochen."});
    EXPECT_TRUE(staging.table.empty());
    EXPECT_EQ(Count("C"), 0u);
    EXPECT_EQ(Count("Commit"), 0u);
    EXPECT_EQ(Count("$20"), 3u); // record 4 is never read as if it were record 3
    EXPECT_EQ(tester.records.size(), 5u);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roBroken);

    // A new run fetches all five.
    tester.fails = nullptr;
    view.messages.clear();
    retrieval.Run(Stamp);
    ASSERT_EQ(staging.table.size(), 5u);
    EXPECT_EQ(staging.table[3].Barcode, "1004");
    EXPECT_TRUE(tester.records.empty());
}

TEST_F(RecordRetrievalTest, LostStepAfterTheLastRecordIsHarmless) {
    Store(3);
    tester.fails = [this](const std::string& name) { return tester.currentRecord == 2 && name == "S"; };
    retrieval.Run(Stamp);

    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(staging.table.size(), 3u);
    EXPECT_EQ(Count("C"), 1u);
    EXPECT_TRUE(tester.records.empty());
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roDone);
}

TEST_F(RecordRetrievalTest, FailedClearKeepsTheRowsAndSaysSo) {
    Store(4);
    tester.fails = [](const std::string& name) { return name == "C"; };
    retrieval.Run(Stamp);

    EXPECT_EQ(view.messages, std::vector<QString>{"Die Verbindung zum Gerätetester ist unterbrochen, die "
                                                  "empfangenen Daten wurden nicht gelöscht."});
    EXPECT_EQ(staging.table.size(), 4u);
    EXPECT_EQ(tester.records.size(), 4u);
    EXPECT_EQ(view.positions.back(), 0);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roNotCleared);
}

TEST_F(RecordRetrievalTest, FailedCommitNeverClearsTheTester) {
    Store(3);
    staging.commitResult = false;
    retrieval.Run(Stamp);

    EXPECT_EQ(Count("Commit"), 1u);
    EXPECT_EQ(Count("C"), 0u);
    EXPECT_TRUE(staging.table.empty());
    EXPECT_EQ(view.messages,
              std::vector<QString>{"Die Datensätze konnten nicht gespeichert werden: Der Datenträger "
                                   "ist voll.\nEs wurde nichts gespeichert; die Datensätze bleiben "
                                   "im Gerätetester."});
    EXPECT_EQ(tester.records.size(), 3u);
    EXPECT_EQ(events.back(), "EndRun");
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roStoreFailed);
}

// Rows the list could not drop (it closed instead) are told of after what ended the run: in the
// same message as a failed commit, in a message of their own after a broken connection.
TEST_F(RecordRetrievalTest, AListThatCouldNotDropTheRowsIsToldOfLast) {
    const QString closed = QStringLiteral("Die Liste bleibt leer.");
    staging.endRunFailure = closed;
    Store(3);
    staging.commitResult = false;
    retrieval.Run(Stamp);
    EXPECT_EQ(view.messages,
              std::vector<QString>{"Die Datensätze konnten nicht gespeichert werden: Der Datenträger "
                                   "ist voll.\nEs wurde nichts gespeichert; die Datensätze bleiben "
                                   "im Gerätetester.\n" +
                                   closed});

    tester.fails = [this](const std::string& name) { return tester.currentRecord == 1 && name == "$20"; };
    retrieval.Run(Stamp);
    EXPECT_EQ(view.messages.size(), 3u);
    EXPECT_EQ(view.messages[1], ConnectionBrokenText());
    EXPECT_EQ(view.messages[2], closed);
}

TEST_F(RecordRetrievalTest, RefusedRowEndsTheRunQuietly) {
    Store(3);
    staging.refuseAppendAt = 2;
    retrieval.Run(Stamp);

    const Events tail{"Append 2", "EndRun"};
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(Events(events.end() - 2, events.end()), tail);
    EXPECT_TRUE(staging.table.empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(tester.records.size(), 3u);
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roStoreFailed);
}

TEST_F(RecordRetrievalTest, ErrorOfTheTableDoesNotEscapeTheRun) {
    Store(2);
    staging.throwOnAppend = true;
    EXPECT_NO_THROW(retrieval.Run(Stamp));
    EXPECT_EQ(events.back(), "EndRun");
    EXPECT_EQ(Count("C"), 0u);
    EXPECT_EQ(view.positions.back(), 0);
    EXPECT_EQ(view.buttonRules, 1);
    EXPECT_FALSE(retrieval.Running());
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roStoreFailed);
}

TEST_F(RecordRetrievalTest, EmptyBarcodeIsNotLookedUp) {
    TStoredTestValues empty;
    tester.records.push_back(EncodeStoredRecord(empty).Part);
    tester.records.push_back(Record(1).Part);
    staging.devices[QString()] = 99; // a device without barcode must not be found
    staging.devices[QStringLiteral("1001")] = 5;
    retrieval.Run(Stamp);

    EXPECT_EQ(staging.lookedUp, std::vector<QString>{"1001"});
    ASSERT_EQ(staging.table.size(), 2u);
    EXPECT_EQ(staging.table[0].PrueflingNr, 0);
    EXPECT_EQ(staging.table[1].PrueflingNr, 5);
}

TEST_F(RecordRetrievalTest, FailedLookupEndsTheRunLikeAFailedRow) {
    Store(2);
    staging.lookupFails = true;
    retrieval.Run(Stamp);
    EXPECT_EQ(Count("Append 1"), 0u);
    EXPECT_EQ(Count("C"), 0u);
    EXPECT_TRUE(staging.table.empty());
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roStoreFailed);
}

TEST_F(RecordRetrievalTest, SecondClickDuringARunDoesNothing) {
    Store(2);
    bool sawRunning = false;
    tester.whileWaiting = [&](const FakeTesterLink::Request&) {
        sawRunning = sawRunning || retrieval.Running();
        tester.whileWaiting = nullptr;
        retrieval.Run(Stamp);
    };
    retrieval.Run(Stamp);
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(Count("$33"), 1u);
    EXPECT_EQ(staging.table.size(), 2u);
    EXPECT_EQ(view.buttonRules, 1);
}

TEST_F(RecordRetrievalTest, OtherExchangeHoldsTheLine) {
    Store(2);
    TExchangeGate::TScope other(gate);
    retrieval.Run(Stamp);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(retrieval.LastOutcome(), TRetrievalOutcome::roBusy);
    EXPECT_EQ(view.buttonRules, 1);
}

TEST_F(RecordRetrievalTest, RunHoldsTheExchangeGate) {
    Store(1);
    bool busy = true;
    tester.whileWaiting = [&](const FakeTesterLink::Request&) { busy = busy && gate.Busy(); };
    retrieval.Run(Stamp);
    EXPECT_TRUE(busy);
    EXPECT_FALSE(gate.Busy());
}

} // namespace
