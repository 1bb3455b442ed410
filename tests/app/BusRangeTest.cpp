// The program's exchanges with the tester over the whole range of answer times, lost frames and
// autosend phases, on virtual time: which request takes which answer, whether each caller's
// operation succeeds, how long the requests wait, and how often the start key reaches the tester.
#include "records/RecordRetrieval.h"
#include "tester/Globals.h"
#include "tester/Identification.h"
#include "tester/KeyCommands.h"
#include "tester/TesterLanguage.h"
#include "tests/serial/FakeBusPort.h"
#include "tests/support/virtual_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace {

constexpr uint32_t ClassR = 300, ClassE = 800, ClassW = 1200;
constexpr int64_t BusDeadline = 500, TickMs = 1000, AutosendEveryMs = 200, OwedWait = 1500;

enum class Sequence { Identification, Languages, StartKey, Retrieval };
enum class Loss { None, OneAnswer, TwoAnswers, OneRequest };

const char* name(Sequence s) {
    switch (s) {
    case Sequence::Identification:
        return "identification";
    case Sequence::Languages:
        return "languages";
    case Sequence::StartKey:
        return "startkey";
    case Sequence::Retrieval:
        return "retrieval";
    }
    return "";
}

// Answer time at connect, then in the run that is checked.
struct Timing {
    int atConnect;
    int later;
};

// Autosend off (ticks at 500 ms), or on with its frames and the ticks at a phase.
struct Autosend {
    bool on;
    int phase;
};

struct Case {
    Sequence sequence;
    Timing timing;
    Autosend autosend;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    const Case& c = info.param;
    std::ostringstream s;
    s << name(c.sequence) << "_" << c.timing.atConnect;
    if (c.timing.later != c.timing.atConnect)
        s << "then" << c.timing.later;
    s << "ms_" << (c.autosend.on ? "autosend" + std::to_string(c.autosend.phase) : std::string("quiet"));
    return s.str();
}

TStoredTestValues storedValues(int n) {
    TStoredTestValues v;
    v.Barcode = "4711" + std::to_string(n);
    v.Klasse = 1;
    v.Messablauf = 0x40;
    v.Schutzleiterwid = static_cast<int16_t>(100 + n);
    v.Isolationswid = static_cast<int16_t>(2000 + n);
    v.SchutzlStromL1N = static_cast<int16_t>(30 + n);
    v.BeruehrungsstromNL1 = static_cast<int16_t>(40 + n);
    v.GrwAbleitstrom = static_cast<int16_t>(50 + n);
    return v;
}

// The tester on a virtual line. Every frame it receives is numbered from 1; it acts on a frame
// when it arrives and answers it answerMs later, unless that frame or its answer is lost. Its
// own frames ($34 and $37, with autosend on) answer no frame.
class LineTester {
public:
    LineTester(VirtualClock& clock, FakeBusPort& port) : clock_(clock), port_(port) {
        port_.onSent = [this](const std::vector<uint8_t>& f) { Receive(f); };
    }

    int answerMs = 10;
    std::set<int> lostFrames, lostAnswers;
    // Per frame: the request that sent it (0: none) and when.
    std::vector<int> senderOf{0};
    std::vector<int64_t> sentAt{0};
    std::vector<std::vector<uint8_t>> frames{{}};
    // Called with the number of the frame an answer answers (0: a frame of the tester's own)
    // around its delivery.
    std::function<int(const std::vector<uint8_t>& frame)> senderOfNext;
    std::function<void(int answers, const std::vector<uint8_t>&)> deliver;

    // What the tester keeps.
    std::vector<std::string> languages{"de", "en", "fr"};
    std::array<uint8_t, 8> settings{0x04, 0x04, 0x01, 0x0A, 0, 0, 0, 0};
    std::vector<uint8_t> keys; // the command bytes of every $66 it took
    std::vector<StoredTestRecord> records;
    size_t current = 0;

    int frameCount() const { return static_cast<int>(frames.size()) - 1; }
    // Frames of the PC that get an answer, from frame first on.
    std::vector<int> answeredFrames(int first) const {
        std::vector<int> n;
        for (int i = first; i <= frameCount(); ++i)
            if (frames[static_cast<size_t>(i)][3] != MsgSetAutosend)
                n.push_back(i);
        return n;
    }

    void sendOwn(uint8_t sub) {
        std::vector<uint8_t> data;
        if (sub == MsgQueryFlags)
            data.assign(settings.begin(), settings.end());
        Deliver(0, frameBytes(MsgIdTester, sub, data));
    }

private:
    void Receive(const std::vector<uint8_t>& f) {
        const int n = static_cast<int>(frames.size());
        frames.push_back(f);
        senderOf.push_back(senderOfNext ? senderOfNext(f) : 0);
        sentAt.push_back(clock_.nowMs());
        if (lostFrames.count(n))
            return;
        std::optional<std::vector<uint8_t>> data = Act(f);
        if (!data || lostAnswers.count(n))
            return;
        const auto answer = frameBytes(MsgIdTester, f[3], *data);
        clock_.after(answerMs, [this, n, answer] { Deliver(n, answer); });
    }

    void Deliver(int n, const std::vector<uint8_t>& answer) {
        if (deliver)
            deliver(n, answer);
        else
            port_.deliver(answer);
    }

    std::optional<std::vector<uint8_t>> Act(const std::vector<uint8_t>& f) {
        const uint8_t sub = f[3];
        const uint8_t d0 = f[4];
        switch (sub) {
        case MsgQuerySerialNumber:
            return std::vector<uint8_t>{0x21, 0x43, 0x65, 0x87, 0x09};
        case MsgGetProgramVersion:
            return std::vector<uint8_t>{'2', '0', '0', '0', '0', '0', '0'};
        case MsgQueryLanguageEntry: {
            const size_t i = d0;
            if (i >= languages.size())
                return std::vector<uint8_t>{0, 0, 0, 0, static_cast<uint8_t>(languages.size()), 0};
            return std::vector<uint8_t>{0,
                                        1,
                                        static_cast<uint8_t>(languages[i][0]),
                                        static_cast<uint8_t>(languages[i][1]),
                                        static_cast<uint8_t>(languages.size()),
                                        0};
        }
        case MsgQueryFlags:
            return std::vector<uint8_t>(settings.begin(), settings.end());
        case MsgSetSettings:
            keys.push_back(f[4 + 7]);
            for (int i = 0; i < 7; ++i)
                settings[static_cast<size_t>(i)] = f[4 + static_cast<size_t>(i)];
            return std::vector<uint8_t>{};
        case MsgQueryRecordCount:
            return std::vector<uint8_t>{static_cast<uint8_t>(records.size()), 0, 0, 0x10};
        case MsgEepromFunction:
            if (d0 == 'T')
                current = 0;
            else if (d0 == 'S')
                ++current;
            else if (d0 == 'C')
                records.clear(), current = 0;
            return std::vector<uint8_t>{d0};
        case MsgSetAutosend:
            return std::nullopt;
        default:
            if (sub >= MsgReadRecordPart1 && sub <= MsgReadRecordPart1 + 4) {
                if (current >= records.size())
                    return std::vector<uint8_t>(8, 0xFF);
                const auto& part = records[current].Part[static_cast<size_t>(sub - MsgReadRecordPart1)];
                return std::vector<uint8_t>(part.begin(), part.end());
            }
            return std::vector<uint8_t>{};
        }
    }

    VirtualClock& clock_;
    FakeBusPort& port_;
};

// The staging table and the retrieval dialog, kept in memory.
struct MemorySink final : IStagingSink {
    std::vector<TStagingRow> held, table;
    void BeginRun() override { held.clear(); }
    std::optional<int32_t> FindPrueflingNr(const QString&) override { return 0; }
    bool Append(const TStagingRow& row) override {
        held.push_back(row);
        return true;
    }
    bool Commit(QString&) override {
        table.insert(table.end(), held.begin(), held.end());
        held.clear();
        return true;
    }
    void EndRun() override { held.clear(); }
};

struct SilentView final : IRetrievalView {
    QStringList messages;
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void ShowMessage(const QString& text) override { messages << text; }
    void UpdateButtons() override {}
};

// What one request asked, and how it went.
struct Asked {
    uint8_t sub;
    std::string data;
    uint32_t timeout;
    int attempts;
    int64_t began = 0, ended = 0;
    bool answered = false;
};

class BusRange : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        saved = {Globals::MessageAnswerRAM, Globals::MessageAnswerReadEEPROM,
                 Globals::MessageAnswerWriteEEPROM, Globals::FirmwareLevel};
        Globals::MessageAnswerRAM = ClassR;
        Globals::MessageAnswerReadEEPROM = ClassE;
        Globals::MessageAnswerWriteEEPROM = ClassW;
        Globals::FirmwareLevel = 3;
        Globals::TesterSerialNumber = QStringLiteral("1234567890");
    }
    void TearDown() override {
        Globals::MessageAnswerRAM = saved[0];
        Globals::MessageAnswerReadEEPROM = saved[1];
        Globals::MessageAnswerWriteEEPROM = saved[2];
        Globals::FirmwareLevel = saved[3];
        Globals::TesterSerialNumber.clear();
    }
    std::array<int32_t, 4> saved{};
};

// One program and one tester on a fresh line: the bus with the main window's timings, the
// link with its refresh (the autosend order after every writer), and the tester.
class World {
public:
    explicit World(const Case& c) : bus(nullptr, clock), tester(clock, port), c_(c) {
        bus.SetTickTime(10000);
        bus.SetMsgTimeOut(BusDeadline);
        bus.SetLateAnswerWait(OwedWait);
        bus.SetCate(&port);
        // The ticks come from the virtual clock below; the tick thread posts its first ones at
        // once, and a tick more at any time changes nothing that is checked.
        platform::processPendingEvents();
        bus.OnMsgUnhandled = [this](TSynchroBus&, const TProtok&) { unhandled = true; };
        tester.senderOfNext = [this](const std::vector<uint8_t>& f) { return Attribute(f); };
        tester.deliver = [this](int n, const std::vector<uint8_t>& answer) { Deliver(n, answer); };
        const int64_t start = clock.nowMs();
        const int64_t tickPhase = c.autosend.on ? c.autosend.phase : 500;
        Every(start + tickPhase, TickMs, [this] { bus.DoTick(); });
        if (c.autosend.on)
            Every(start + c.autosend.phase % AutosendEveryMs, AutosendEveryMs, [this] {
                tester.sendOwn(MsgQueryFlags);
                tester.sendOwn(MsgQueryMeasured1);
            });
    }

    ~World() { clock.clear(); }

    // The operation of the case; true when it did what the user asked for.
    bool Run() {
        switch (c_.sequence) {
        case Sequence::Identification: {
            const QString serial = GetSerialNumber(link);
            const TProgramVersion version = GetProgramVersion(link);
            return serial == QStringLiteral("1234567890") && version.Version == QStringLiteral("2.00.00 00");
        }
        case Sequence::Languages: {
            int current = -1;
            QString list;
            TTesterLanguage(link).GetTesterLanguageList(current, list);
            return list == QStringLiteral("de,en,fr") && current == 0;
        }
        case Sequence::StartKey: {
            const size_t before = tester.keys.size();
            keys.BitBtn1Click();
            const std::vector<uint8_t> sent(tester.keys.begin() + static_cast<std::ptrdiff_t>(before),
                                            tester.keys.end());
            startKeys = static_cast<int>(std::count(sent.begin(), sent.end(), KeyStart));
            return !sent.empty() && sent.back() == KeyStart && startKeys >= 1 &&
                   std::count(sent.begin(), sent.end(), KeyAbort) >= 2;
        }
        case Sequence::Retrieval: {
            tester.records.clear();
            for (int n = 1; n <= 2; ++n)
                tester.records.push_back(EncodeStoredRecord(storedValues(n)));
            const auto stored = tester.records;
            sink.table.clear();
            const TRecordStamp stamp{QDate(2026, 12, 10), QStringLiteral("1234567890"),
                                     QStringLiteral("Prüfer")};
            TRecordRetrieval(link, sink, view).Run(stamp);
            std::vector<TStagingRow> expected;
            for (size_t i = 0; i < stored.size(); ++i)
                expected.push_back(DecodeStoredRecord(stored[i], static_cast<int32_t>(i + 1), stamp));
            retrievalSafe =
                sink.table.empty() ? tester.records.size() == stored.size() : sink.table == expected;
            return sink.table == expected && tester.records.empty();
        }
        }
        return false;
    }

    // The answer time of the tester from now on.
    void AnswerAfter(int ms) { tester.answerMs = ms; }
    // Loses the k-th frame from now on that gets an answer (the autosend orders get none), or
    // its answer, or the answers to it and the next.
    void Lose(Loss loss, int k) {
        lossAt = k;
        loss_ = loss;
        pendingLoss = loss != Loss::None;
    }
    // A frame setting the start key, or its answer, was lost.
    bool StartKeyLost() const {
        for (int i = 1; i <= tester.frameCount(); ++i) {
            const auto& f = tester.frames[static_cast<size_t>(i)];
            if (f[3] == MsgSetSettings && f[4 + 7] == KeyStart &&
                (tester.lostFrames.count(i) || tester.lostAnswers.count(i)))
                return true;
        }
        return false;
    }

    std::string Timeline() const {
        std::ostringstream s;
        for (int i = 1; i <= tester.frameCount(); ++i) {
            const auto& f = tester.frames[static_cast<size_t>(i)];
            s << "#" << i << " $" << std::hex << int(f[3]) << std::dec << " d0=" << int(f[4]) << " at "
              << tester.sentAt[static_cast<size_t>(i)] - t0 << " by request "
              << tester.senderOf[static_cast<size_t>(i)];
            if (tester.lostFrames.count(i))
                s << " (frame lost)";
            if (tester.lostAnswers.count(i))
                s << " (answer lost)";
            const auto t = takenBy.find(i);
            if (t != takenBy.end())
                s << " answer taken by request " << t->second;
            s << "\n";
        }
        for (size_t r = 1; r < asked.size(); ++r)
            s << "request " << r << " $" << std::hex << int(asked[r].sub) << std::dec << " "
              << asked[r].began - t0 << ".." << asked[r].ended - t0
              << (asked[r].answered ? " answered" : " failed") << "\n";
        return s.str();
    }

    VirtualClock clock;
    FakeBusPort port;
    TSynchroBus bus;
    LineTester tester;
    TExchangeGate gate;
    TTesterLink inner{bus, gate,
                      TTesterLink::TWindow{
                          [] { return true; }, [] {},
                          [this] { bus.SendMsg(MsgIdPc, MsgSetAutosend, bus.IntToMsgData(AutosendMask)); }}};

    // The link as the program's parts see it, writing down every request.
    class CountingLink final : public ITesterLink {
    public:
        explicit CountingLink(World& w) : w_(w) {}
        bool Connected() const override { return true; }
        int FirmwareLevel() const override { return w_.inner.FirmwareLevel(); }
        QString TesterSerialNumber() const override { return w_.inner.TesterSerialNumber(); }
        uint32_t AnswerTimeout(TTimeoutClass c) const override { return w_.inner.AnswerTimeout(c); }
        bool RequestMsg(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override {
            return w_.Ask(Sub, Data, TimeoutMs, 3,
                          [&] { return w_.inner.RequestMsg(Sub, Data, TimeoutMs, Answer); });
        }
        bool RequestOnce(uint8_t Sub, const TMsgData& Data, uint32_t TimeoutMs, TProtok& Answer) override {
            return w_.Ask(Sub, Data, TimeoutMs, 1,
                          [&] { return w_.inner.RequestOnce(Sub, Data, TimeoutMs, Answer); });
        }
        bool SendMsg(uint8_t Sub, const TMsgData& Data) override { return w_.inner.SendMsg(Sub, Data); }
        bool SendMsgNow(uint8_t Sub, const TMsgData& Data) override { return w_.inner.SendMsgNow(Sub, Data); }
        void PauseRefresh() override { w_.inner.PauseRefresh(); }
        void ResumeRefresh() override { w_.inner.ResumeRefresh(); }
        TExchangeGate& ExchangeGate() override { return w_.inner.ExchangeGate(); }

    private:
        World& w_;
    };

    CountingLink link{*this};
    TLiveState state;
    TTesterSettings settings{link};
    TKeyCommands keys{state, link, settings};
    MemorySink sink;
    SilentView view;
    bool retrievalSafe = false;
    int startKeys = 0;

    std::vector<Asked> asked{Asked{}}; // from request 1 on
    int active = 0;
    std::map<int, int> takenBy; // frame -> request that took its answer
    std::vector<std::string> faults;
    int64_t t0 = 0;

private:
    template <typename F>
    bool Ask(uint8_t sub, const TMsgData& data, uint32_t timeout, int attempts, F request) {
        TProtok frame;
        bus.BuildMsg(MsgIdPc, sub, data, frame);
        asked.push_back(
            Asked{sub, std::string(frame.begin() + 4, frame.begin() + 12), timeout, attempts, clock.nowMs()});
        active = static_cast<int>(asked.size()) - 1;
        const bool ok = request();
        asked.back().ended = clock.nowMs();
        asked.back().answered = ok;
        active = 0;
        return ok;
    }

    int Attribute(const std::vector<uint8_t>& f) {
        if (pendingLoss) {
            if (f[3] != MsgSetAutosend && --lossAt == 0) {
                const int n = tester.frameCount();
                if (loss_ == Loss::OneRequest)
                    tester.lostFrames.insert(n);
                else
                    tester.lostAnswers.insert(n);
                if (loss_ == Loss::TwoAnswers) {
                    lossAt = 1;
                    loss_ = Loss::OneAnswer;
                    return Owner(f);
                }
                pendingLoss = false;
            }
        }
        return Owner(f);
    }

    int Owner(const std::vector<uint8_t>& f) {
        if (active != 0) {
            const Asked& a = asked[static_cast<size_t>(active)];
            if (f[3] == a.sub && std::string(f.begin() + 4, f.begin() + 12) == a.data)
                return active;
        }
        if (f[3] != MsgSetAutosend)
            faults.push_back("a frame of no waiting request went out: $" + std::to_string(f[3]));
        return 0;
    }

    // Whether request r may take the answer to a frame of request s: its own, or the one
    // before it when r asks the very same again with nothing asked in between.
    bool MayTake(int r, int s) const {
        if (s == r)
            return true;
        if (s <= 0 || s > r)
            return false;
        for (int i = s; i < r; ++i) {
            const Asked& a = asked[static_cast<size_t>(i)];
            const Asked& b = asked[static_cast<size_t>(i + 1)];
            if (a.sub != b.sub || a.data != b.data)
                return false;
        }
        return true;
    }

    void Deliver(int n, const std::vector<uint8_t>& answer) {
        unhandled = false;
        const int waiting = active;
        port.deliver(answer);
        if (unhandled)
            return;
        // Taken as the waiting request's answer.
        if (waiting == 0) {
            faults.push_back("an answer was taken while no request waited");
            return;
        }
        if (n == 0)
            return; // a frame of the tester's own, which the design lets a request take
        takenBy[n] = waiting;
        const int sender = tester.senderOf[static_cast<size_t>(n)];
        if (!MayTake(waiting, sender))
            faults.push_back("request " + std::to_string(waiting) + " took the answer to frame #" +
                             std::to_string(n) + " of request " + std::to_string(sender));
    }

    void Every(int64_t first, int64_t period, std::function<void()> call) {
        clock.at(first, [this, first, period, call] {
            call();
            Every(first + period, period, call);
        });
    }

    Case c_;
    bool unhandled = false;
    bool pendingLoss = false;
    int lossAt = 0;
    Loss loss_ = Loss::None;
};

struct Outcome {
    bool ok;
    bool safe;
    int frames;
    int startKeys;
    bool startKeyLost;
};

// Runs the case's operation once at the connect answer time, then once with the later answer
// time and the loss, and checks the second run.
Outcome RunCase(const Case& c, Loss loss, int k, std::string& trace) {
    World w(c);
    w.AnswerAfter(c.timing.atConnect);
    const bool first = w.Run();
    EXPECT_TRUE(first || c.timing.atConnect > 700) << "at connect\n" << w.Timeline();
    w.clock.advance(2000);
    w.AnswerAfter(c.timing.later);
    w.t0 = w.clock.nowMs();
    const size_t firstRequest = w.asked.size();
    const int firstFrame = w.tester.frameCount() + 1;
    w.Lose(loss, k);
    const bool ok = w.Run();
    trace = w.Timeline();

    for (const std::string& f : w.faults)
        ADD_FAILURE() << f << "\n" << trace;
    // Every request ends within its attempts plus the wait for owed answers.
    for (size_t r = firstRequest; r < w.asked.size(); ++r) {
        const Asked& a = w.asked[r];
        EXPECT_LE(a.ended - a.began, OwedWait + a.attempts * static_cast<int64_t>(a.timeout) + 1)
            << "request " << r << "\n"
            << trace;
    }
    // A tester answering within the bus deadline gets every request once.
    if (loss == Loss::None && c.timing.later < BusDeadline - 100) {
        std::map<int, int> frames;
        for (int i = firstFrame; i <= w.tester.frameCount(); ++i)
            ++frames[w.tester.senderOf[static_cast<size_t>(i)]];
        for (const auto& [request, n] : frames)
            if (request != 0) {
                EXPECT_EQ(n, 1) << "request " << request << "\n" << trace;
            }
    }
    const bool safe = c.sequence != Sequence::Retrieval || w.retrievalSafe;
    return {ok, safe, static_cast<int>(w.tester.answeredFrames(firstFrame).size()), w.startKeys,
            w.StartKeyLost()};
}

// The operation must succeed where the tester answers within the time its requests allow
// and no more than two frames in a row are lost. The retrieval's step "S" has one attempt and
// its count and "T" two: a loss there may end the run, but only safely.
bool MustSucceed(const Case& c, Loss loss) {
    if (c.timing.later > 700)
        return c.sequence == Sequence::Identification && loss == Loss::None;
    return c.sequence != Sequence::Retrieval || loss == Loss::None;
}

} // namespace

TEST_P(BusRange, EveryRequestTakesOnlyItsOwnAnswerAndTheOperationSucceeds) {
    const Case c = GetParam();
    std::string trace;
    const Outcome clean = RunCase(c, Loss::None, 0, trace);
    EXPECT_TRUE(clean.ok || !MustSucceed(c, Loss::None)) << trace;
    EXPECT_TRUE(clean.safe) << trace;
    // The start key starts one test wherever the tester answers within the request time.
    if (c.sequence == Sequence::StartKey && c.timing.later <= 700) {
        EXPECT_EQ(clean.startKeys, 1) << trace;
    }
    for (Loss loss : {Loss::OneAnswer, Loss::TwoAnswers, Loss::OneRequest})
        for (int k = 1; k <= clean.frames; ++k) {
            SCOPED_TRACE("loss " + std::to_string(static_cast<int>(loss)) + " at frame " + std::to_string(k));
            const Outcome o = RunCase(c, loss, k, trace);
            EXPECT_TRUE(o.ok || !MustSucceed(c, loss)) << trace;
            EXPECT_TRUE(o.safe) << trace;
            if (c.sequence == Sequence::StartKey && c.timing.later <= 700 && !o.startKeyLost) {
                EXPECT_EQ(o.startKeys, 1) << trace;
            }
        }
}

namespace {

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    const Timing timings[] = {{10, 10},   {300, 300}, {400, 400},   {600, 600},
                              {700, 700}, {900, 900}, {1000, 1000}, {10, 700}};
    const Autosend autosends[] = {{false, 0}, {true, 0}, {true, 333}, {true, 666}};
    for (Sequence s :
         {Sequence::Identification, Sequence::Languages, Sequence::StartKey, Sequence::Retrieval})
        for (const Timing& t : timings)
            for (const Autosend& a : autosends)
                cases.push_back({s, t, a});
    return cases;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Bus, BusRange, ::testing::ValuesIn(AllCases()), caseName);
