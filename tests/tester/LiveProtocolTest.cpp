#include "tester/LiveProtocol.h"

#include <gtest/gtest.h>

TEST(LiveProtocolTest, HasNoCustomerOrDeviceAndTheStampsOfToday) {
    TWerteSatz live;
    live.KundenNr = 7;
    live.PrueflingNr = 8;
    live.PruefungsNr = 9;
    live.Name1 = QStringLiteral("Müller");
    live.Barcode = QStringLiteral("4711");
    live.Notiz = QStringLiteral("alt");
    live.Schutzleiterwid = 120;
    live.Datum = QDateTime(QDate(2020, 1, 2), QTime(13, 14));
    const TWerteSatz w = LiveProtocolRecord(live, false, QDate(2026, 12, 9), QStringLiteral("1234567890"),
                                            QStringLiteral("Meier"), 0);
    EXPECT_EQ(w.KundenNr, 0);
    EXPECT_EQ(w.PrueflingNr, 0);
    EXPECT_EQ(w.PruefungsNr, 0);
    EXPECT_TRUE(w.Name1.isEmpty());
    EXPECT_TRUE(w.Barcode.isEmpty());
    EXPECT_TRUE(w.Notiz.isEmpty());
    EXPECT_EQ(w.Datum, QDateTime(QDate(2026, 12, 9), QTime(0, 0)));
    EXPECT_EQ(w.GTSeriennummer, QStringLiteral("1234567890"));
    EXPECT_EQ(w.Pruefer, QStringLiteral("Meier"));
    EXPECT_EQ(w.Schutzleiterwid, 120);
}

TEST(LiveProtocolTest, PassedExactlyWhenNoFailureBitIsSet) {
    TWerteSatz live;
    // Values over their limits do not decide; the tester's sequence flags do.
    live.Schutzleiterwid = 5000;
    live.GrwSchutzleiterwid = 300;
    for (int bit = 0; bit < 8; ++bit) {
        live.Messablauf = (1 << bit) | Messablauf::SichtpruefungBestanden;
        const bool failure = (FailureMask & (1 << bit)) != 0;
        const TWerteSatz w = LiveProtocolRecord(live, false, QDate(2026, 1, 1), QString(), QString(), 0);
        EXPECT_EQ(w.Pruefungsergebnis, !failure && !w.abgebrochen) << "bit " << bit;
    }
}

TEST(LiveProtocolTest, FailedVisualInspectionIsNotInOrderAndAnOpenOneDoesNotDecide) {
    TWerteSatz live;
    live.Sichtpruef = 1; // the live record's own value does not count
    struct Case {
        bool pending;
        int32_t messablauf;
        int32_t sichtpruef;
        bool inOrdnung;
    };
    const Case cases[] = {
        {false, 0x00, 0, false}, {false, 0x40, 1, true},  {true, 0x00, -1, true},
        {true, 0x40, -1, true},  {false, 0x42, 1, false}, {true, 0x08, -1, false},
    };
    for (const Case& c : cases) {
        live.Messablauf = c.messablauf;
        const TWerteSatz w = LiveProtocolRecord(live, c.pending, QDate(2026, 1, 1), QString(), QString(), 0);
        EXPECT_EQ(w.Sichtpruef, c.sichtpruef) << c.pending << " " << c.messablauf;
        EXPECT_EQ(w.Pruefungsergebnis, c.inOrdnung) << c.pending << " " << c.messablauf;
    }
}
