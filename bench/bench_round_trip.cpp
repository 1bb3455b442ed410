// Request and answer round trips over a pseudo-terminal against the tester double,
// which paces its bytes at 9600 bit/s. The wire limit: 24 bytes of 10 bits, 25 ms.
#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tests/support/tester_double.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int requests = argc > 1 ? std::atoi(argv[1]) : 200;

    TesterDouble tester;
    if (!tester.start()) {
        std::perror("tester double");
        return 1;
    }
    tester.setPacing(true);
    TCate cate;
    // COM1 is the double's side of the pseudo-terminal.
    const std::string slave = tester.slavePath();
    cate.SetCommOpener(
        [&slave](int, platform::CommOpenStatus& status) { return platform::openCommPath(slave, status); });
    cate.SetReadBufferSize(64);
    cate.SetReadInterval(10);
    cate.Loaded();
    cate.SetPort(TPort::Com1);
    if (cate.Port() != TPort::Com1) {
        std::fprintf(stderr, "port did not open\n");
        return 1;
    }
    TSynchroBus bus;
    bus.SetCate(&cate);
    bus.SetWriteLog({});

    int answered = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < requests; ++i) {
        TProtok answer{};
        if (bus.RequestMsg(TesterDouble::IdPc, 0x10, "", ByteSet({TesterDouble::IdTester}), ByteSet({0x10}),
                           500, answer))
            ++answered;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double perSecond = requests / seconds;
    const double wireLimit = 1000.0 / 25.0;
    std::printf("%d requests, %d answered, %.2f s: %.1f requests/s, %.0f %% of the wire limit (%.0f/s)\n",
                requests, answered, seconds, perSecond, 100.0 * perSecond / wireLimit, wireLimit);
    cate.SetPort(TPort::NoPort);
    return answered == requests ? 0 : 1;
}
