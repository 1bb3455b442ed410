// The main window against the tester double over a pseudo-terminal, paced at 9600 bit/s, in the
// cases where the bus must tell one answer from another: lost answers and a tester slower than
// the request time-out. Prints the frames on the wire with their times, which frame each answer
// answers and whether the program took it, and the waits.
//
//   bench_bus_audit [case ...]     cases: lang-lost start-lost start-lost2 start-700 ident-900
//                                  ident-1000 start-900 start-1000 lang-slows
#include "app/MainForm.h"
#include "app/NetzspgWarnWin.h"
#include "platform/event_pump.h"
#include "tester/TesterMessages.h"
#include "tests/support/tester_script.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// What the program received, in order, and whether it took each frame as an answer.
struct Received {
    int64_t at;
    bool taken;
};

struct Audit {
    std::string name;
    int answerMs = 0;    // 0: at once
    int laterMs = -1;    // the answer time after connecting, -1: the same
    uint8_t loseSub = 0; // lose answers to frames of this code ...
    int loseFrom = 0;    // ... from its n-th frame after connecting (1 = the first)
    int loseCount = 0;   // ... this many in a row
    std::function<std::string(TForm1&)> act;
};

void runFor(int ms) {
    platform::delayMs(ms);
}

std::string hex(uint8_t b) {
    char s[4];
    std::snprintf(s, sizeof s, "%02X", b);
    return s;
}

void run(const Audit& a) {
    TesterDouble tester;
    TesterScript script(tester);
    script.setLanguages({"de", "en", "fr"}, 0);
    tester.withState([](TesterDouble::State& s) {
        s.settings[2] = 1;
        s.settings[1] = 4;
    });
    if (!tester.start()) {
        std::perror("tester double");
        return;
    }
    tester.setPacing(true);
    if (a.answerMs > 0)
        tester.misbehave(TesterDouble::Misbehaviour::Slow, a.answerMs);
    qputenv("GERAETETESTER_COM1", tester.slavePath().c_str());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("geraetetester.INI"));
    QFile f(ini);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write("[Interface]\r\nPort=1\r\n");
    f.close();

    NetzspgWarnWin = new TNetzspgWarnWin;
    auto form = std::make_unique<TForm1>(ini);
    Form1 = form.get();
    std::vector<Received> received;
    // A complete frame is counted when its last byte comes; whether the bus took it as an
    // answer is known once it has been handled, which is before the next frame's last byte.
    bool unhandled = false;
    int pending = -1;
    const auto settle = [&] {
        if (pending >= 0)
            received[static_cast<size_t>(pending)].taken = !unhandled;
        pending = -1;
    };
    const auto onUnhandled = form->SynchroBus1->OnMsgUnhandled;
    form->SynchroBus1->OnMsgUnhandled = [&, onUnhandled](TSynchroBus& bus, const TProtok& m) {
        unhandled = true;
        if (onUnhandled)
            onUnhandled(bus, m);
    };
    const auto onChar = form->SynchroBus1->OnCharReceived;
    form->SynchroBus1->OnCharReceived = [&, onChar](TSynchroBus& bus, uint8_t b, bool complete) {
        if (onChar)
            onChar(bus, b, complete);
        if (!complete)
            return;
        settle();
        unhandled = false;
        received.push_back({nowMs(), false});
        pending = static_cast<int>(received.size()) - 1;
    };
    form->show();
    form->ToolButton10->click();
    runFor(1500);
    settle();
    if (a.laterMs >= 0)
        tester.misbehave(a.laterMs > 0 ? TesterDouble::Misbehaviour::Slow : TesterDouble::Misbehaviour::None,
                         a.laterMs);
    // Losses count from here on.
    std::map<uint8_t, int> seen;
    tester.setAnswerLoss([&seen, a](const TProtok& r) {
        if (r[3] != a.loseSub)
            return false;
        const int n = ++seen[r[3]];
        return n >= a.loseFrom && n < a.loseFrom + a.loseCount;
    });
    const size_t wireFrom = tester.wire().size();
    const int64_t t0 = nowMs();
    const std::string outcome = a.act(*form);
    const int64_t t1 = nowMs();
    runFor(1500);
    settle();

    std::printf("== %s (tester %d ms%s)\n", a.name.c_str(), a.answerMs,
                a.laterMs >= 0 ? (" then " + std::to_string(a.laterMs) + " ms").c_str() : "");
    const auto wire = tester.wire();
    // The frames the tester wrote reach the program in the order written.
    size_t r = 0;
    for (size_t i = 0; i < wireFrom; ++i)
        r += !wire[i].fromPc && !wire[i].lost;
    std::vector<int64_t> pcFrames;
    for (size_t i = wireFrom; i < wire.size(); ++i) {
        const auto& e = wire[i];
        const long long t = e.atMs - t0;
        const uint8_t sub = e.frame[3];
        if (e.fromPc) {
            if (sub != MsgSetAutosend)
                pcFrames.push_back(e.atMs);
            std::printf("%6lld  PC  #%d $%s d0=%02X d7=%02X\n", t, e.request, hex(sub).c_str(), e.frame[4],
                        e.frame[11]);
            continue;
        }
        if (e.lost) {
            std::printf("%6lld  T   answer to #%d $%s lost\n", t, e.request, hex(sub).c_str());
            continue;
        }
        const bool taken = r < received.size() && received[r].taken;
        ++r;
        if (e.request >= 0)
            std::printf("%6lld  T   answers #%d $%s: %s\n", t, e.request, hex(sub).c_str(),
                        taken ? "taken" : "unhandled");
        else if (taken)
            std::printf("%6lld  T   own $%s: taken\n", t, hex(sub).c_str());
    }
    int64_t longestGap = 0;
    for (size_t i = 1; i < pcFrames.size(); ++i)
        longestGap = std::max(longestGap, pcFrames[i] - pcFrames[i - 1]);
    std::printf(
        "outcome: %s; the action took %lld ms; longest silence of the PC between its frames %lld ms\n\n",
        outcome.c_str(), static_cast<long long>(t1 - t0), static_cast<long long>(longestGap));
    form.reset();
    Form1 = nullptr;
    delete NetzspgWarnWin;
    NetzspgWarnWin = nullptr;
    qunsetenv("GERAETETESTER_COM1");
}

std::string languages(TForm1& f) {
    int current = -1;
    QString list;
    f.GetTesterLanguageList(current, list);
    return "list " + list.toStdString();
}

std::string identified(TForm1& f) {
    return (f.StatusBar1->PanelText(2) + QStringLiteral(" / ") + f.StatusBar1->PanelText(3)).toStdString();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<Audit> audits;
    const auto start = [](TForm1& f) {
        f.BitBtn1Click();
        return std::string("start clicked");
    };
    audits.push_back({"lang-lost", 0, -1, MsgQueryLanguageEntry, 1, 1, languages});
    audits.push_back({"start-lost", 0, -1, MsgSetSettings, 1, 1, start});
    audits.push_back({"start-lost2", 0, -1, MsgSetSettings, 1, 2, start});
    audits.push_back({"start-700", 700, -1, MsgSetSettings, 1, 1, start});
    // Identification happens at connect: these act on a reconnect.
    const auto reconnect = [](TForm1& f) {
        f.ToolButton10->click();
        f.ToolButton10->click();
        return identified(f);
    };
    audits.push_back({"ident-900", 900, -1, 0, 0, 0, reconnect});
    audits.push_back({"ident-1000", 1000, -1, 0, 0, 0, reconnect});
    audits.push_back({"start-900", 900, -1, 0, 0, 0, start});
    audits.push_back({"start-1000", 1000, -1, 0, 0, 0, start});
    audits.push_back({"lang-slows", 0, 650, MsgQueryLanguageEntry, 1, 1, languages});
    std::vector<std::string> wanted(argv + 1, argv + argc);
    for (const Audit& a : audits)
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), a.name) != wanted.end())
            run(a);
    return 0;
}
