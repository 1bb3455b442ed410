#include "records/StagingDisplay.h"

#include "tester/Globals.h"

#include <gtest/gtest.h>

namespace {

const TStagingValueColumn& column(const char* field) {
    const TStagingValueColumn* c = StagingValueColumn(QString::fromLatin1(field));
    EXPECT_NE(c, nullptr) << field;
    return *c;
}

TEST(StagingValueText, FlaggedValueGetsStarFormatterTextAndUnit) {
    EXPECT_EQ(StagingValueText(column("Schutzleiterwid"), 250, 0x01, 2), "* 250 mOhm");
    EXPECT_EQ(StagingValueText(column("Schutzleiterwid"), 250, 0x02, 2), "250 mOhm");
}

TEST(StagingValueText, NotMeasuredShowsDashesWhateverTheFlag) {
    for (const auto& c : StagingValueColumns) {
        EXPECT_EQ(StagingValueText(c, -1, 0x7F, 2), "---") << c.Field;
        EXPECT_EQ(StagingValueText(c, -32768, 0, 2), "---") << c.Field;
    }
}

TEST(StagingValueText, EachColumnUsesItsOwnBitFormatterAndUnit) {
    Globals::DecimalSeparator = u',';
    EXPECT_EQ(StagingValueText(column("Isolationswid"), 1500, 0x02, 2), "* 1,50 MOhm");
    EXPECT_EQ(StagingValueText(column("Isolationswid"), 15000, 0, 2), ">10.0 MOhm");
    EXPECT_EQ(StagingValueText(column("Ableitstrom"), 2500, 0x04, 2), "* >20.0 mA");
    EXPECT_EQ(StagingValueText(column("SchutzlStromL1N"), 25, 0x08, 2), "* 0,25 mA");
    EXPECT_EQ(StagingValueText(column("SchutzlStromNL1"), 25, 0x08, 2), "0,25 mA");
    EXPECT_EQ(StagingValueText(column("SchutzlStromNL1"), 25, 0x10, 2), "* 0,25 mA");
    EXPECT_EQ(StagingValueText(column("BeruehrungsstromL1N"), 1500, 0x20, 2), "* >10.0 mA");
    EXPECT_EQ(StagingValueText(column("BeruehrungsstromNL1"), 3, 0x40, 2), "* 0,03 mA");
    EXPECT_EQ(StagingValueText(column("Isolationswid"), 15000, 0, 0), "15,00 MOhm");
    EXPECT_EQ(StagingValueColumn("Notiz"), nullptr);
}

TEST(StagingCalcFields, MitIsolPrefersIsoDiffOverIsol) {
    EXPECT_EQ(StagingCalcFields(0x44, 0).mitIsol, "Iso+Dif");
    EXPECT_EQ(StagingCalcFields(0x04, 0).mitIsol, "Isol.");
    EXPECT_EQ(StagingCalcFields(0x00, 0).mitIsol, "Diff.");
}

TEST(StagingCalcFields, BitsOfMenueflagsAndMessablauf) {
    const TStagingCalcFields none = StagingCalcFields(0, 0);
    EXPECT_FALSE(none.automatisch);
    EXPECT_EQ(none.DINVDE, 1);
    EXPECT_FALSE(none.manuGrenz);
    EXPECT_FALSE(none.mitBeruehr);
    EXPECT_FALSE(none.abgebrochen);
    const TStagingCalcFields all = StagingCalcFields(0xFF, 0x01);
    EXPECT_TRUE(all.automatisch);
    EXPECT_EQ(all.DINVDE, 2);
    EXPECT_TRUE(all.manuGrenz);
    EXPECT_TRUE(all.mitBeruehr);
    EXPECT_TRUE(all.abgebrochen);
    EXPECT_FALSE(StagingCalcFields(0xFF, 0xFE).abgebrochen);
}

TEST(StagingTexts, CodesAndTheirFallbacks) {
    EXPECT_EQ(SchutzklasseText(0), "---");
    EXPECT_EQ(SchutzklasseText(1), "I");
    EXPECT_EQ(SchutzklasseText(2), "II");
    EXPECT_EQ(SchutzklasseText(3), "III");
    EXPECT_EQ(SchutzklasseText(4), "---");
    EXPECT_EQ(SichtpruefText(-1), "---");
    EXPECT_EQ(SichtpruefText(0), "nein");
    EXPECT_EQ(SichtpruefText(1), "ja");
    EXPECT_EQ(SichtpruefText(2), "---");
    EXPECT_EQ(PrueflingNrText(0), "nein");
    EXPECT_EQ(PrueflingNrText(17), "ja");
    EXPECT_EQ(DINVDEText(1), "0701");
    EXPECT_EQ(DINVDEText(2), "0702");
    EXPECT_EQ(PruefungsergebnisText(true), "i.O.");
    EXPECT_EQ(PruefungsergebnisText(false), "nicht i.O.");
}

TEST(StagingButtons, FetchOnlyWhenConnectedAndEmpty) {
    EXPECT_EQ(StagingButtons(true, 0), (TStagingButtons{true, false, false, false, false}));
    EXPECT_EQ(StagingButtons(false, 0), (TStagingButtons{}));
    EXPECT_EQ(StagingButtons(true, 3), (TStagingButtons{false, true, true, true, true}));
    EXPECT_EQ(StagingButtons(false, 1), (TStagingButtons{false, true, true, true, true}));
}

TEST(StagingButtons, NothingActsOnAListThatIsNotOpen) {
    EXPECT_EQ(StagingButtons(true, std::nullopt), (TStagingButtons{}));
}

TEST(StagingButtons, NothingStartsWhileARetrievalRuns) {
    EXPECT_EQ(StagingButtons(true, 0, true), (TStagingButtons{}));
    EXPECT_EQ(StagingButtons(true, 4, true), (TStagingButtons{}));
}

} // namespace
