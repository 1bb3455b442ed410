// Runs the tester double by hand: prints the slave path to use as GERAETETESTER_COM1.
#include "tests/support/stored_records_double.h"
#include "tests/support/tester_double.h"
#include "tests/support/tester_link.h"
#include "tests/support/tester_sequence.h"

#include "records/StoredRecord.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {
// A day's work in the tester's memory, so that a fetch by hand has something to bring.
std::vector<std::vector<uint8_t>> demoRecords() {
    std::vector<std::vector<uint8_t>> records;
    for (int n = 1; n <= 3; ++n) {
        TStoredTestValues v;
        v.Barcode = std::to_string(4711000 + n);
        v.Klasse = 1;
        v.Menueflags = 4; // with insulation test
        v.Schutzleiterwid = static_cast<int16_t>(80 + 15 * n);
        v.Isolationswid = static_cast<int16_t>(1500 + 250 * n);
        v.Ableitstrom = -1;
        v.SchutzlStromL1N = -1;
        v.SchutzlStromNL1 = -1;
        v.BeruehrungsstromL1N = -1;
        v.BeruehrungsstromNL1 = -1;
        v.GrwSchutzleiterwid = 300;
        v.GrwIsolationswid = 1000;
        v.GrwAbleitstrom = 350;
        v.GrwSchutzleiterstrom = -1;
        v.GrwBeruehrungsstrom = -1;
        v.GrwSchnellabschaltung = -1;
        const StoredTestRecord r = EncodeStoredRecord(v);
        std::vector<uint8_t> bytes;
        for (const auto& part : r.Part)
            bytes.insert(bytes.end(), part.begin(), part.end());
        records.push_back(std::move(bytes));
    }
    return records;
}
} // namespace

int main(int argc, char** argv) {
    TesterDouble tester;
    TesterLink link(tester);
    // A tester set to protection class I, as one comes out of its box.
    tester.withState([](TesterDouble::State& state) { state.settings[2] = 1; });
    StoredRecordsDouble memory(tester);
    memory.setRecords(demoRecords());
    TesterSequence sequence(link);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pace") == 0) {
            tester.setPacing(true);
        } else {
            std::fprintf(stderr, "usage: %s [--pace]\n", argv[0]);
            return 2;
        }
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    // Blocked before the serving thread starts, so that only sigwait takes them.
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    if (!tester.start()) {
        std::perror("tester-double");
        return 1;
    }
    std::printf("%s\n", tester.slavePath().c_str());
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stopSignals, &sig);
    tester.stop();
    return 0;
}
