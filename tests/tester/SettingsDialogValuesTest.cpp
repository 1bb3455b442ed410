#include "tester/SettingsDialogValues.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct SettingsDialogValuesTest : ::testing::Test {
    void SetUp() override {
        for (int k = 1; k <= 5; ++k) {
            Globals::TopLine[k] = QStringLiteral("oben %1").arg(k);
            Globals::BottomLine[k] = QStringLiteral("unten %1").arg(k);
        }
        Globals::Operator = QStringLiteral("Meier");
        Globals::ServiceInterv = 365;
        Globals::Preview = false;
        Globals::ExportFile = 1;
        Globals::ExportFileName = QStringLiteral("/tmp/export.csv");
        Globals::ExportColumns.fill(true);
    }
};

TEST_F(SettingsDialogValuesTest, RoundTripKeepsEveryValue) {
    StoreSettingsDialogValues(SettingsDialogValuesFromGlobals());
    EXPECT_EQ(Globals::TopLine[5], "oben 5");
    EXPECT_EQ(Globals::BottomLine[1], "unten 1");
    EXPECT_EQ(Globals::Operator, "Meier");
    EXPECT_EQ(Globals::ServiceInterv, 365);
    EXPECT_EQ(Globals::ExportFile, 1);
    EXPECT_EQ(Globals::ExportFileName, "/tmp/export.csv");
}

TEST_F(SettingsDialogValuesTest, EmptyFileNameMakesTheExportAsk) {
    TSettingsDialogValues v = SettingsDialogValuesFromGlobals();
    v.ExportFileName.clear();
    StoreSettingsDialogValues(v);
    EXPECT_EQ(Globals::ExportFile, 0);
    EXPECT_TRUE(Globals::ExportFileName.isEmpty());
}

TEST_F(SettingsDialogValuesTest, FileNameWithAskingKeepsAsking) {
    TSettingsDialogValues v = SettingsDialogValuesFromGlobals();
    v.ExportFileItem = 0;
    v.ExportFileName = QStringLiteral("/tmp/neu.csv");
    StoreSettingsDialogValues(v);
    EXPECT_EQ(Globals::ExportFile, 0);
    EXPECT_EQ(Globals::ExportFileName, "/tmp/neu.csv");
}

TEST_F(SettingsDialogValuesTest, ExportFileValuesOutsideTheItemsShowTheNearestOrNone) {
    EXPECT_EQ(ExportFileItemOf(-5), -1);
    EXPECT_EQ(ExportFileItemOf(0), 0);
    EXPECT_EQ(ExportFileItemOf(1), 1);
    EXPECT_EQ(ExportFileItemOf(2), 1);
    // No item selected stays -1 after OK.
    Globals::ExportFile = -1;
    StoreSettingsDialogValues(SettingsDialogValuesFromGlobals());
    EXPECT_EQ(Globals::ExportFile, -1);
}

TEST_F(SettingsDialogValuesTest, ProtocolLinesAreFiveWhateverTheMemoHolds) {
    TFiveLines lines;
    TakeFiveLines(lines, {QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(lines[1], "a");
    EXPECT_EQ(lines[2], "b");
    EXPECT_TRUE(lines[3].isEmpty() && lines[4].isEmpty() && lines[5].isEmpty());
    TakeFiveLines(lines, QStringLiteral("1\n2\n3\n4\n5\n6\n7").split(u'\n'));
    EXPECT_EQ(lines[5], "5");
    TakeFiveLines(lines, QStringList());
    EXPECT_TRUE(lines[1].isEmpty());
    // Five empty lines come back as five empty lines.
    EXPECT_EQ(LinesOf(lines), QStringList(5, QString()));
}

TEST(ServiceInterval, ReadsTheNumberWithinTheTextAsTheIntegerEditDoes) {
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("365")), 365);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral(" -7 ")), -7);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("0")), 0);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("+12")), 12);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("-2147483648")), INT32_MIN);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("12 Tage")), 12);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("12a")), 12);
    EXPECT_EQ(ParseServiceInterval(QStringLiteral("-30 Tage")), -30);
    // No number, or none that can be read: the dialog says so.
    for (const char* bad : {"", " ", "-", "abc", "ein Jahr", "1-2", "2147483648", "99999999999999999999"})
        EXPECT_FALSE(ParseServiceInterval(QString::fromLatin1(bad))) << bad;
}

TEST(ProtocolLines, LineBreaksCountAsTheMemoMakesThem) {
    EXPECT_EQ(LineBreakCount(QString()), 0);
    EXPECT_EQ(LineBreakCount(QStringLiteral("a\nb\r\nc\rd")), 3);
    EXPECT_EQ(
        LineBreakCount(QStringLiteral("a") + QChar(QChar::ParagraphSeparator) + QChar(QChar::LineSeparator)),
        2);
}

TEST(ExportCheckBoxes, EachColumnHasItsOwnBoxInTheDesignedGrid) {
    std::set<int> numbers;
    std::set<std::pair<int, int>> places;
    for (int i = 0; i < ExportColumnCount; ++i) {
        const TExportCheckBoxPlace p = ExportCheckBoxPlace(i);
        numbers.insert(p.Number);
        places.insert({p.Left, p.Top});
        EXPECT_GE(p.Top, 192);
        EXPECT_LE(p.Top, 368);
    }
    EXPECT_EQ(numbers.size(), 56u);
    EXPECT_EQ(*numbers.begin(), 2);
    EXPECT_EQ(*numbers.rbegin(), 57);
    EXPECT_EQ(places.size(), 56u);

    const TExportCheckBoxPlace sicht = ExportCheckBoxPlace(23);
    EXPECT_EQ(sicht.Number, 57);
    EXPECT_EQ(sicht.Left, 96);
    EXPECT_EQ(sicht.Top, 368);
    EXPECT_EQ(ExportCheckBoxPlace(22).Number, 24);
    EXPECT_EQ(ExportCheckBoxPlace(24).Number, 25);
    EXPECT_EQ(ExportCheckBoxPlace(24).Top, 192);
    EXPECT_EQ(ExportCheckBoxPlace(44).Width, 137); // CheckBox45
    EXPECT_EQ(ExportCheckBoxPlace(45).Width, 145); // CheckBox46
    EXPECT_EQ(ExportCheckBoxPlace(55).Number, 56);
    EXPECT_EQ(ExportCheckBoxPlace(55).Top, 304);
}

TEST(ExportCheckBoxes, CaptionsAreTheKeysButSichtpruefung) {
    EXPECT_EQ(ExportColumnCaption(0), "KundenNr");
    EXPECT_EQ(ExportColumnCaption(23), "Sichtprüfung");
    EXPECT_EQ(ExportColumnCaption(55), "Enables");
}

} // namespace
