// The export of all tests as the stored-data browser runs it ("Export" clicked, from the click
// to the closed file), beside the sqlite3 command-line tool writing the same join as
// semicolon-separated text, in the same run. Run by hand:
//     bench_export [customers devices-per-customer tests-per-device, default 10 100 10]
// Without the sqlite3 tool (Debian: apt-get install sqlite3) its column is left out.
#include "platform/database.h"
#include "platform/message_box.h"
#include "records/CsvExport.h"
#include "records/DatenanzeigeDlg.h"
#include "records/ProgramDatabase.h"
#include "records/StoredData.h"
#include "tester/Globals.h"

#include <sqlite3.h>

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using platform::Database;

namespace {

double seconds(const std::function<void()>& run) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The best of a few runs: the least disturbed by whatever else the machine does.
double best(int runs, const std::function<void()>& run) {
    double b = 1e9;
    for (int i = 0; i < runs; ++i)
        b = std::min(b, seconds(run));
    return b;
}

void exec(sqlite3* h, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(h, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
        sqlite3_free(error);
        std::exit(1);
    }
}

sqlite3_stmt* prepare(sqlite3* h, const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(h, sql, -1, &s, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, sqlite3_errmsg(h));
        std::exit(1);
    }
    return s;
}

void text(sqlite3_stmt* s, int index, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(s, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void step(sqlite3_stmt* s) {
    if (sqlite3_step(s) != SQLITE_DONE) {
        std::fprintf(stderr, "insert failed\n");
        std::exit(1);
    }
    sqlite3_reset(s);
}

void fill(Database& db, int customers, int devicesPerCustomer, int testsPerDevice) {
    sqlite3* h = db.Handle();
    exec(h, "BEGIN");
    sqlite3_stmt* k = prepare(h, "insert into \"Kunden.db\" (Name1, Name2, Name3, KdStr, KdLKZ, KdPLZ, "
                                 "KdOrt, Telefon, Fax) values (?,?,?,?,?,?,?,?,?)");
    sqlite3_stmt* p = prepare(h, "insert into \"Prueflng.db\" (KundenNr, Bezeichnung, Typ, Inventarnummer, "
                                 "Fabrikationsnummer, Seriennummer, Barcode) values (?,?,?,?,?,?,?)");
    sqlite3_stmt* t = prepare(
        h,
        "insert into \"Pruefung.db\" (PrueflingNr, Datum, \"GT-Seriennummer\", Grenzwertflags, Menueflags, "
        "Schutzklasse, Messablauf, Schutzleiterwid, Isolationswid, Ableitstrom, SchutzlStromL1N, "
        "SchutzlStromNL1, BeruehrungsstromL1N, BeruehrungsstromNL1, GrwSchutzleiterwid, GrwIsolationswid, "
        "GrwAbleitstrom, GrwSchutzleiterstrom, GrwBeruehrungsstrom, GrwSchnellabschaltung, "
        "Pruefungsergebnis, Notiz, Pruefer, Sichtpruef) values "
        "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    int device = 0;
    int test = 0;
    for (int c = 1; c <= customers; ++c) {
        text(k, 1, QStringLiteral("Elektro Müller %1 GmbH").arg(c));
        text(k, 2, QStringLiteral("Abteilung Prüfung"));
        text(k, 3, QString());
        text(k, 4, QStringLiteral("Hauptstraße %1").arg(c));
        text(k, 5, QStringLiteral("D"));
        text(k, 6, QStringLiteral("%1").arg(50000 + c));
        text(k, 7, QStringLiteral("Köln"));
        text(k, 8, QStringLiteral("0221 %1").arg(100000 + c));
        text(k, 9, QString());
        step(k);
        const sqlite3_int64 kundenNr = sqlite3_last_insert_rowid(h);
        for (int d = 1; d <= devicesPerCustomer; ++d) {
            ++device;
            sqlite3_bind_int64(p, 1, kundenNr);
            text(p, 2, QStringLiteral("Bohrmaschine %1").arg(d));
            text(p, 3, QStringLiteral("BM-%1").arg(d % 7));
            text(p, 4, QStringLiteral("INV%1").arg(device));
            text(p, 5, QStringLiteral("F%1").arg(device * 7));
            text(p, 6, QStringLiteral("S%1").arg(device * 13));
            text(p, 7, QStringLiteral("%1").arg(100000 + device));
            step(p);
            const sqlite3_int64 prueflingNr = sqlite3_last_insert_rowid(h);
            for (int i = 0; i < testsPerDevice; ++i) {
                ++test;
                int n = 1;
                sqlite3_bind_int64(t, n++, prueflingNr);
                text(t, n++, QDate(2024, 1, 1).addDays(test % 700).toString(Qt::ISODate));
                text(t, n++, QStringLiteral("0123456789"));
                sqlite3_bind_int(t, n++, test % 3 == 0 ? 1 : 0);
                sqlite3_bind_int(t, n++, (test % 5 == 0 ? 0x44 : 0x06) | (test % 2 ? 0x10 : 0));
                sqlite3_bind_int(t, n++, 1 + test % 3);
                sqlite3_bind_int(t, n++, test % 11 == 0 ? 0x08 : 0x40);
                const int values[] = {test % 1200, test % 3 ? 25000 : 150, test % 2100, test % 1100, -1,
                                      test % 90,   test % 7 ? 12 : -1};
                for (int v : values)
                    sqlite3_bind_int(t, n++, v);
                const int limits[] = {300, 1000, 350, 50, 25, 1000};
                for (int v : limits)
                    sqlite3_bind_int(t, n++, v);
                sqlite3_bind_int(t, n++, test % 3 ? 1 : 0);
                text(t, n++, test % 4 ? QString() : QStringLiteral("Stecker \"lose\"; Kabel geknickt"));
                text(t, n++, QStringLiteral("Meier"));
                sqlite3_bind_int(t, n++, test % 13 == 0 ? -1 : 1);
                step(t);
            }
        }
    }
    sqlite3_finalize(k);
    sqlite3_finalize(p);
    sqlite3_finalize(t);
    exec(h, "COMMIT");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int customers = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int devices = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    const int tests = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
    const int runs = 3;

    QTemporaryDir dir;
    const QString dbPath = dir.filePath(QStringLiteral("Pruefdaten.sqlite"));
    Database db(dbPath, ProgramDatabaseSchema());
    Database::SetCurrent(&db);
    fill(db, customers, devices, tests);
    Globals::ExportColumns.fill(true);
    Globals::ExportFile = 1;
    const QString browserFile = dir.filePath(QStringLiteral("browser.csv"));
    Globals::ExportFileName = browserFile;
    platform::setMessageBoxHandler([](const QString& text, platform::MessageButtons, platform::MessageIcon) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return platform::MessageResult::Ok;
    });

    TDatenanzeigeDlg browser{QString()};
    browser.show();
    QApplication::processEvents();
    const double inBrowser = best(runs, [&] { browser.BitBtn5->click(); });
    const qint64 bytes = QFileInfo(browserFile).size();

    std::printf("export of %d tests (%d customers, %d devices), every column: %lld bytes\n",
                customers * devices * tests, customers, customers * devices, static_cast<long long>(bytes));
    std::printf("  \"Export\" in the browser:  %.3f s (best of %d)\n", inBrowser, runs);

    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (tool.isEmpty()) {
        std::printf("  sqlite3 tool:              not installed (apt-get install sqlite3), left out\n");
        return bytes > 0 ? 0 : 1;
    }
    const QString toolFile = dir.filePath(QStringLiteral("sqlite3.csv"));
    const QString join = StoredDataSql::AllTestsForExport().join(QLatin1Char(' '));
    bool toolOk = true;
    const double byTool = best(runs, [&] {
        QProcess p;
        p.setStandardOutputFile(toolFile);
        p.start(tool, {QStringLiteral("-batch"), QStringLiteral("-header"), QStringLiteral("-separator"),
                       QStringLiteral(";"), dbPath, join});
        toolOk = p.waitForFinished(-1) && p.exitCode() == 0 && toolOk;
    });
    std::printf("  sqlite3 tool, same join:   %.3f s (best of %d)%s, %lld bytes\n", byTool, runs,
                toolOk ? "" : " FAILED", static_cast<long long>(QFileInfo(toolFile).size()));
    std::printf("  ratio browser / sqlite3:   %.1f\n", inBrowser / byTool);
    return bytes > 0 && toolOk ? 0 : 1;
}
