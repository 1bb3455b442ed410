// Runs the tester double by hand: prints the slave path to use as GERAETETESTER_COM1.
#include "tests/support/demo_records.h"
#include "tests/support/stored_records_double.h"
#include "tests/support/tester_double.h"
#include "tests/support/tester_script.h"
#include "tests/support/tester_sequence.h"

#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    TesterDouble tester;
    TesterScript script(tester);
    // A tester set to protection class I, as one comes out of its box.
    tester.withState([](TesterDouble::State& state) { state.settings[2] = 1; });
    StoredRecordsDouble memory(tester);
    memory.setRecords(DemoRecords());
    TesterSequence sequence(script);
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
