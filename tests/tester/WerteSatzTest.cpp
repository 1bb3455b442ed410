#include "tester/WerteSatz.h"

#include "tester/Globals.h"
#include "tester/WerteSatzFields.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct FormatterCase {
    int32_t value;
    const char* comma;
    const char* point;
};

} // namespace

TEST(Formatters, Schutzleiterwid) {
    EXPECT_EQ(FormatSchutzleiterwid(0), "0");
    EXPECT_EQ(FormatSchutzleiterwid(1000), "1000");
    EXPECT_EQ(FormatSchutzleiterwid(1001), ">1000");
    EXPECT_EQ(FormatSchutzleiterwid(-1), " --- ");
    EXPECT_EQ(FormatSchutzleiterwid(std::numeric_limits<int32_t>::min()), " --- ");
}

TEST(Formatters, AbleitstromAndStromAtTheirLimits) {
    const FormatterCase leakage[] = {{0, "0,00", "0.00"},      {5, "0,05", "0.05"},
                                     {350, "3,50", "3.50"},    {2000, "20,00", "20.00"},
                                     {2001, ">20.0", ">20.0"}, {-1, " --- ", " --- "}};
    for (const auto& c : leakage) {
        EXPECT_EQ(FormatAbleitstrom(c.value, u','), c.comma) << c.value;
        EXPECT_EQ(FormatAbleitstrom(c.value, u'.'), c.point) << c.value;
    }
    const FormatterCase current[] = {{1, "0,01", "0.01"},
                                     {999, "9,99", "9.99"},
                                     {1000, "10,00", "10.00"},
                                     {1001, ">10.0", ">10.0"},
                                     {-5, " --- ", " --- "}};
    for (const auto& c : current) {
        EXPECT_EQ(FormatStrom(c.value, u','), c.comma) << c.value;
        EXPECT_EQ(FormatStrom(c.value, u'.'), c.point) << c.value;
    }
}

TEST(Formatters, IsolationswidByFirmwareLevelAndRoundedHalvesUp) {
    for (int level : {0, 1}) {
        EXPECT_EQ(FormatIsolationswid(20000, level, u','), "20,00");
        EXPECT_EQ(FormatIsolationswid(20001, level, u','), ">20.0");
        EXPECT_EQ(FormatIsolationswid(15000, level, u','), "15,00");
    }
    for (int level : {2, 3}) {
        EXPECT_EQ(FormatIsolationswid(10000, level, u','), "10,00");
        EXPECT_EQ(FormatIsolationswid(10001, level, u'.'), ">10.0");
        EXPECT_EQ(FormatIsolationswid(15000, level, u','), ">10.0");
    }
    EXPECT_EQ(FormatIsolationswid(199, 0, u','), "<0.20");
    EXPECT_EQ(FormatIsolationswid(200, 0, u','), "0,20");
    EXPECT_EQ(FormatIsolationswid(200, 0, u'.'), "0.20");
    EXPECT_EQ(FormatIsolationswid(-1, 3, u','), " --- ");
    // Exact decimal halves go up, where binary floating point would round some of them down.
    EXPECT_EQ(FormatIsolationswid(1255, 0, u','), "1,26");
    EXPECT_EQ(FormatIsolationswid(1005, 0, u','), "1,01");
    EXPECT_EQ(FormatIsolationswid(2675, 0, u','), "2,68");
    EXPECT_EQ(FormatIsolationswid(1254, 0, u','), "1,25");
    EXPECT_EQ(FormatIsolationswid(9999, 2, u','), "10,00");
}

TEST(Formatters, UseTheProgramsSeparator) {
    const QChar separator = Globals::DecimalSeparator;
    EXPECT_EQ(separator, u',');
    EXPECT_EQ(FormatIsolationswid(15000, 2), ">10.0");
    EXPECT_EQ(FormatIsolationswid(15000, 0), "15,00");
    Globals::DecimalSeparator = u'.';
    EXPECT_EQ(FormatIsolationswid(15000, 0), "15.00");
    EXPECT_EQ(FormatStrom(125), "1.25");
    EXPECT_EQ(FormatAbleitstrom(125), "1.25");
    Globals::DecimalSeparator = separator;
}

TEST(ComputeEnables, WholeTable) {
    enum Mode { IsoDiff, Iso0701, Iso0702, NoIso };
    // Rows: mode; columns: class I, II, III.
    const int32_t table[4][3] = {
        {0x7B, 0x62, 0x02}, {0x07, 0x06, 0x02}, {0x07, 0x02, 0x02}, {0x7D, 0x60, 0x00}};
    for (int level = 0; level <= 3; ++level) {
        for (int mode = IsoDiff; mode <= NoIso; ++mode) {
            for (bool touch : {true, false}) {
                for (int klasse = -1; klasse <= 4; ++klasse) {
                    const bool isoDiff = mode == IsoDiff;
                    const bool iso = mode == Iso0701 || mode == Iso0702;
                    const bool din0702 = mode == Iso0702;
                    int32_t expected = 0;
                    if (klasse >= 1 && klasse <= 3) {
                        expected = table[mode][klasse - 1];
                        if (mode == Iso0702 && klasse == 2 && level >= 3)
                            expected = 0x06;
                        if (!touch)
                            expected &= 0x1F;
                    }
                    EXPECT_EQ(ComputeEnables(iso, isoDiff, din0702, touch, klasse, level), expected)
                        << "level " << level << " mode " << mode << " touch " << touch << " class " << klasse;
                }
            }
        }
    }
    // Insulation plus differential wins over the plain insulation flag, in both parts.
    EXPECT_EQ(ComputeEnables(true, true, true, true, 1, 0), 0x7B);
    EXPECT_EQ(ComputeEnables(false, true, false, false, 1, 0), 0x1B);
}

TEST(DecodeWerteSatzFlags, EmergencyStopVoidsCurrentsAndAbortFails) {
    TWerteSatz w;
    w.Messablauf = 9; // aborted and emergency stop
    w.Pruefungsergebnis = true;
    w.Schutzleiterwid = 120;
    w.SchutzlStromL1N = w.SchutzlStromNL1 = w.BeruehrungsstromL1N = w.BeruehrungsstromNL1 = 15;
    DecodeWerteSatzFlags(w, 0);
    EXPECT_TRUE(w.abgebrochen);
    EXPECT_FALSE(w.Pruefungsergebnis);
    EXPECT_EQ(w.SchutzlStromL1N, -1);
    EXPECT_EQ(w.SchutzlStromNL1, -1);
    EXPECT_EQ(w.BeruehrungsstromL1N, -1);
    EXPECT_EQ(w.BeruehrungsstromNL1, -1);
    EXPECT_EQ(w.Schutzleiterwid, 120);
    EXPECT_FALSE(w.Schnellabschaltung);
    EXPECT_EQ(w.DINVDE, 1);
    EXPECT_EQ(w.Enables, 0); // no protection class

    TWerteSatz passed;
    passed.Messablauf = Messablauf::Schnellabschaltung | Messablauf::SichtpruefungBestanden;
    passed.Pruefungsergebnis = true;
    passed.SchutzlStromL1N = 15;
    DecodeWerteSatzFlags(passed, 0);
    EXPECT_TRUE(passed.Pruefungsergebnis);
    EXPECT_TRUE(passed.Schnellabschaltung);
    EXPECT_FALSE(passed.abgebrochen);
    EXPECT_EQ(passed.SchutzlStromL1N, 15);
}

TEST(DecodeWerteSatzFlags, LimitAndModeBits) {
    TWerteSatz w;
    w.Grenzwertflags = 0b1010101;
    w.Menueflags =
        Menueflags::automatisch | Menueflags::DINVDE | Menueflags::mitIsol | Menueflags::mitBeruehr;
    w.Schutzklasse = 1;
    DecodeWerteSatzFlags(w, 0);
    EXPECT_TRUE(w.SchutzleiterwidLimit);
    EXPECT_FALSE(w.IsolationswidLimit);
    EXPECT_TRUE(w.AbleitstromLimit);
    EXPECT_FALSE(w.SchutzlStromL1NLimit);
    EXPECT_TRUE(w.SchutzlStromNL1Limit);
    EXPECT_FALSE(w.BeruehrungsstromL1NLimit);
    EXPECT_TRUE(w.BeruehrungsstromNL1Limit);
    EXPECT_TRUE(w.automatisch);
    EXPECT_EQ(w.DINVDE, 2);
    EXPECT_TRUE(w.mitIsol);
    EXPECT_FALSE(w.mitIsoDiff);
    EXPECT_FALSE(w.manuGrenz);
    EXPECT_TRUE(w.mitBeruehr);
    EXPECT_EQ(w.Enables, 0x07);

    w.Menueflags = Menueflags::manuGrenz | Menueflags::mitIsoDiff | Menueflags::Steuerbarcode;
    w.Grenzwertflags = 0;
    DecodeWerteSatzFlags(w, 0);
    EXPECT_TRUE(w.manuGrenz);
    EXPECT_TRUE(w.mitIsoDiff);
    EXPECT_FALSE(w.mitIsol);
    EXPECT_FALSE(w.automatisch);
    EXPECT_EQ(w.DINVDE, 1);
    EXPECT_FALSE(w.SchutzleiterwidLimit);
    EXPECT_EQ(w.Enables, 0x1B);

    // Which measurements apply follows the firmware level given.
    w.Menueflags = Menueflags::DINVDE | Menueflags::mitIsol | Menueflags::mitBeruehr;
    w.Schutzklasse = 2;
    DecodeWerteSatzFlags(w, 2);
    EXPECT_EQ(w.Enables, 0x02);
    DecodeWerteSatzFlags(w, 3);
    EXPECT_EQ(w.Enables, 0x06);
}

TEST(WerteSatz, FailureMaskAndJaNein) {
    EXPECT_EQ(FailureMask, Messablauf::abgebrochen | Messablauf::Grenzwertverletzung | Messablauf::NotAus |
                               Messablauf::Fehler);
    EXPECT_EQ(BoolToJaNein(true), "ja");
    EXPECT_EQ(BoolToJaNein(false), "nein");
}

TEST(WerteSatz, ExportColumnsTable) {
    EXPECT_STREQ(ExportColumnTable[0].Key, "KundenNr");
    EXPECT_STREQ(ExportColumnTable[23].Key, "Sichtpruefung");
    EXPECT_STREQ(ExportColumnTable[55].Key, "Enables");
    QStringList off;
    for (const TExportColumn& c : ExportColumnTable)
        if (!c.Default)
            off << c.Key;
    EXPECT_EQ(off, QStringList({"KundenNr", "PrueflingNr", "PruefungsNr", "Grenzwertflags", "Menueflags",
                                "Messablauf", "automatisch", "Enables"}));
}
