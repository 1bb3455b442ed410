#include "app/LiveProtocol.h"

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
    const TWerteSatz w =
        LiveProtocolRecord(live, QDate(2026, 12, 9), QStringLiteral("1234567890"), QStringLiteral("Meier"));
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
        live.Messablauf = 1 << bit;
        const bool failure = (FailureMask & (1 << bit)) != 0;
        const TWerteSatz w = LiveProtocolRecord(live, QDate(2026, 1, 1), QString(), QString());
        EXPECT_EQ(w.Pruefungsergebnis, !failure && !w.abgebrochen) << "bit " << bit;
    }
    live.Messablauf = 0;
    EXPECT_TRUE(LiveProtocolRecord(live, QDate(2026, 1, 1), QString(), QString()).Pruefungsergebnis);
}
