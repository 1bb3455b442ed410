// Processor time of a retrieval driven through the retrieval dialog as a user does it: the
// dialog shown (offscreen unless a platform is set), "Daten holen" clicked, against the tester
// double pacing its bytes at 9600 bit/s. The double runs in a process of its own, so the
// processor time measured (getrusage of this process) is the program's alone; the share of
// the user-interface thread is printed beside it. Run by hand:
//     bench_retrieval_cpu [records, default 200] [--hidden]
// --hidden fetches through the same dialog without showing it: what the port, the bus and the
// list's query cost without any drawing.
#include "platform/database.h"
#include "records/DatenabrufDlg.h"
#include "records/ProgramDatabase.h"
#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tester/Globals.h"
#include "tests/support/port_main_window.h"
#include "tests/support/stored_records_double.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::Database;

namespace {

std::vector<uint8_t> recordBytes(int i) {
    TStoredTestValues v;
    v.Barcode = std::to_string(100000 + i);
    v.Grenzwertflags = static_cast<uint8_t>(i & 0x03);
    v.Menueflags = 0x05;
    v.Klasse = 1;
    v.Messablauf = 0x40;
    v.Schutzleiterwid = static_cast<int16_t>(i);
    v.Isolationswid = 2500;
    v.Ableitstrom = 25;
    v.SchutzlStromL1N = 30;
    v.SchutzlStromNL1 = 31;
    v.BeruehrungsstromL1N = -1;
    v.BeruehrungsstromNL1 = -1;
    const StoredTestRecord r = EncodeStoredRecord(v);
    std::vector<uint8_t> bytes;
    for (const auto& part : r.Part)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

// Serves the records until SIGTERM; writes the terminal's path to fd first.
[[noreturn]] void serveRecords(int records, int fd) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    TesterDouble tester;
    StoredRecordsDouble memory(tester);
    std::vector<std::vector<uint8_t>> list;
    for (int i = 1; i <= records; ++i)
        list.push_back(recordBytes(i));
    memory.setRecords(list);
    tester.setPacing(true);
    if (!tester.start())
        _exit(1);
    const std::string path = tester.slavePath() + "\n";
    if (write(fd, path.data(), path.size()) != static_cast<ssize_t>(path.size()))
        _exit(1);
    close(fd);
    int sig = 0;
    sigwait(&stop, &sig);
    tester.stop();
    _exit(0);
}

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    int records = 200;
    bool hidden = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hidden") == 0)
            hidden = true;
        else
            records = std::max(1, std::atoi(argv[i]));
    }

    // Forked before any thread exists.
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        return 1;
    }
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0) {
        close(fds[0]);
        serveRecords(records, fds[1]);
    }
    close(fds[1]);
    std::string path;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        path += c;
    close(fds[0]);
    const auto stopDouble = [child] {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    };
    if (path.empty()) {
        std::fprintf(stderr, "tester double did not start\n");
        stopDouble();
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Database db(dir.filePath(QStringLiteral("Pruefdaten.sqlite")), ProgramDatabaseSchema());
    Database::SetCurrent(&db);
    Globals::Operator = QStringLiteral("Bench");
    Globals::MessageAnswerRAM = 300;
    Globals::MessageAnswerReadEEPROM = 800;
    Globals::MessageAnswerWriteEEPROM = 1200;
    Globals::TesterSerialNumber = QStringLiteral("0987654321");

    int status = 0;
    {
        // The port and bus as the main window sets them up.
        PortMainWindow main;
        main.device = path;
        main.cate.SetReadBufferSize(64);
        main.cate.SetWriteBufferSize(0);
        main.cate.SetReadInterval(10);
        main.cate.SetReadTotalTimeoutMultiplier(0);
        main.cate.SetReadTotalTimeoutConstant(0);
        main.cate.Loaded();
        main.bus.SetCate(&main.cate);
        main.bus.SetMsgTimeOut(Globals::BusMsgTimeOut());
        main.bus.SetCharTimeOut(Globals::BusCharTimeOut());
        main.cate.SetPort(TPort::Com1);
        if (main.cate.Port() != TPort::Com1) {
            std::fprintf(stderr, "port did not open\n");
            stopDouble();
            return 1;
        }

        TDatenabrufDlg dlg(main.link, QString());
        if (hidden)
            dlg.Query1->Open();
        else
            dlg.show();
        QApplication::processEvents();

        const double cpu0 = cpuSeconds(RUSAGE_SELF);
        const double ui0 = cpuSeconds(RUSAGE_THREAD);
        const auto t0 = std::chrono::steady_clock::now();
        if (hidden)
            dlg.BitBtn3Click();
        else
            dlg.BitBtn3->click();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
        const double ui = cpuSeconds(RUSAGE_THREAD) - ui0;

        // Count, "T", five parts and "S" per record, "C"; each exchange 24 bytes of 10 bits,
        // each answer read after at most one read interval of 10 ms.
        const int exchanges = 3 + 6 * records;
        const double wire = exchanges * 24 * 10 / 9600.0;
        const double paced = wire + exchanges * 0.010;
        const int rows = dlg.Query1->Active() ? dlg.Query1->RecordCount() : -1;
        std::printf("retrieval through the %s dialog: %d records, %d rows, %.2f s wall (%.2f of wire plus "
                    "read interval), processor %.3f s = %.1f %% of the wall time (user-interface thread "
                    "%.1f %%)\n",
                    hidden ? "hidden" : "shown", records, rows, wall, wall / paced, cpu, 100.0 * cpu / wall,
                    100.0 * ui / wall);
        status = rows == records ? 0 : 1;
        dlg.done(QDialog::Accepted);
        main.cate.SetPort(TPort::NoPort);
    }
    stopDouble();
    return status;
}
