// The retrieval of stored records from the tester double pacing its bytes at 9600 bit/s, and
// the take-over of staged rows into the test table; run by hand.
#include "platform/database.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"
#include "records/StagingTable.h"
#include "serial/Cate32.h"
#include "serial/SyncBus.h"
#include "tester/Globals.h"
#include "tester/TesterSettings.h"
#include "tests/support/port_main_window.h"
#include "tests/support/stored_records_double.h"

#include <QApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using platform::Database;
using platform::TQuery;

namespace {

class SilentView : public IRetrievalView {
public:
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void UpdateButtons() override {}
};

std::vector<uint8_t> recordBytes(int i) {
    TStoredTestValues v;
    v.Barcode = std::to_string(100000 + i);
    v.Menueflags = 0x05;
    v.Klasse = 1;
    v.Messablauf = 0x40;
    v.Schutzleiterwid = static_cast<int16_t>(i);
    v.Isolationswid = 2500;
    const StoredTestRecord r = EncodeStoredRecord(v);
    std::vector<uint8_t> bytes;
    for (const auto& part : r.Part)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 200;
    const int staged = argc > 2 ? std::atoi(argv[2]) : 1000;

    QTemporaryDir dir;
    Database db(dir.filePath(QStringLiteral("Pruefdaten.sqlite")), ProgramDatabaseSchema());
    Database::SetCurrent(&db);

    TesterDouble tester;
    if (!tester.start()) {
        std::perror("tester double");
        return 1;
    }
    StoredRecordsDouble memory(tester);
    std::vector<std::vector<uint8_t>> list;
    for (int i = 1; i <= records; ++i)
        list.push_back(recordBytes(i));
    memory.setRecords(list);
    tester.setPacing(true);
    PortMainWindow main;
    main.device = tester.slavePath();
    main.cate.SetReadBufferSize(64);
    main.cate.SetReadInterval(10);
    main.cate.Loaded();
    main.cate.SetPort(TPort::Com1);
    if (main.cate.Port() != TPort::Com1) {
        std::fprintf(stderr, "port did not open\n");
        return 1;
    }
    main.bus.SetCate(&main.cate);
    main.bus.SetWriteLog({});
    Globals::MessageAnswerRAM = 300;
    Globals::MessageAnswerReadEEPROM = 800;
    Globals::MessageAnswerWriteEEPROM = 1200;
    Globals::TesterSerialNumber = QStringLiteral("0987654321");

    TQuery staging(nullptr, &db);
    DefineStagingQuery(staging);
    staging.Open();
    {
        TStagingQuerySink sink(staging);
        SilentView view;
        TRecordRetrieval retrieval(main.link, sink, view);
        const auto t0 = std::chrono::steady_clock::now();
        retrieval.Run({QDate::currentDate(), main.link.TesterSerialNumber(), QStringLiteral("Bench")});
        const double wall = seconds(t0);
        // Count, "T", five parts and "S" per record, "C"; each exchange 24 bytes of 10 bits.
        const int exchanges = 3 + 6 * records;
        const double wire = exchanges * 24 * 10 / 9600.0;
        std::printf("retrieval: %d records, %d rows stored, outcome %d, %.2f s wall, %.2f s on the wire "
                    "(%d exchanges), ratio %.2f\n",
                    records, staging.RecordCount(), static_cast<int>(retrieval.LastOutcome()), wall, wire,
                    exchanges, wall / wire);
    }
    main.cate.SetPort(TPort::NoPort);

    // Take-over: staged rows all assigned, re-matched on every move as the dialog does.
    db.Execute(QStringLiteral("delete from \"Uebernah.db\""));
    db.Execute(QStringLiteral("insert into \"Prueflng.db\" (KundenNr, Barcode) values (1, 'X')"));
    {
        TStagingQuerySink sink(staging);
        staging.Close();
        staging.Open();
        sink.BeginRun();
        for (int i = 1; i <= staged; ++i) {
            TStagingRow row;
            row.LfdNr = i;
            row.Barcode = QStringLiteral("X");
            row.PrueflingNr = 1;
            row.Datum = QDate::currentDate();
            row.Pruefer = QStringLiteral("Bench");
            sink.Append(row);
        }
        QString reason;
        sink.Commit(reason);
        sink.EndRun();
    }
    staging.Close();
    staging.AfterScroll = [](TQuery& q) { RematchStagingRow(q); };
    staging.Open();
    TQuery test(nullptr, &db);
    DefineTestQuery(test);
    test.Open();
    const auto t1 = std::chrono::steady_clock::now();
    const int moved = TakeOverAssignedRows(db, staging, test);
    const double takeOver = seconds(t1);
    std::printf("take-over: %d staged rows, %d moved, %.3f s (%.3f ms per row)\n", staged, moved, takeOver,
                1000.0 * takeOver / std::max(1, staged));
    return moved == staged ? 0 : 1;
}
