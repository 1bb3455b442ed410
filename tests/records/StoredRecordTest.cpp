#include "records/StoredRecord.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

const TRecordStamp Stamp{QDate(2024, 3, 5), QStringLiteral("0123456789"), QStringLiteral("Meier")};

StoredTestRecord WithBarcodeBytes(uint8_t digits, std::initializer_list<uint8_t> part5) {
    StoredTestRecord r;
    r.Part[0][0] = digits;
    size_t i = 0;
    for (uint8_t b : part5)
        r.Part[4][i++] = b;
    return r;
}

StoredTestRecord WithFlags(uint8_t menueflags, uint8_t klasse, uint8_t ablauf) {
    StoredTestRecord r;
    r.Part[0][2] = menueflags;
    r.Part[0][3] = klasse;
    r.Part[0][4] = ablauf;
    return r;
}

TEST(StoredRecordBarcode, TakesDigitsLowNibbleFirst) {
    EXPECT_EQ(StoredRecordBarcode(WithBarcodeBytes(3, {0x21, 0x43})), "123");
    EXPECT_EQ(StoredRecordBarcode(WithBarcodeBytes(4, {0x21, 0x43})), "1234");
    EXPECT_EQ(StoredRecordBarcode(WithBarcodeBytes(5, {0x21, 0x43, 0x65})), "12345");
    EXPECT_EQ(StoredRecordBarcode(WithBarcodeBytes(0, {0x21, 0x43})), "");
}

TEST(StoredRecordBarcode, NibblesAboveNineGiveTheCharactersAfterTheDigits) {
    EXPECT_EQ(StoredRecordBarcode(WithBarcodeBytes(6, {0xBA, 0xDC, 0xFE})), ":;<=>?");
}

TEST(StoredRecordBarcode, SixteenDigitsFillPartFiveAndTheFieldKeepsFifteen) {
    const StoredTestRecord r = WithBarcodeBytes(16, {0x21, 0x43, 0x65, 0x87, 0x09, 0x21, 0x43, 0x65});
    EXPECT_EQ(StoredRecordBarcode(r), "1234567890123456");
    EXPECT_EQ(DecodeStoredRecord(r, 1, Stamp).Barcode, "123456789012345");
}

TEST(StoredRecordBarcode, CountAboveSixteenReadsNoFurtherThanPartFive) {
    StoredTestRecord r = WithBarcodeBytes(255, {0x21, 0x43, 0x65, 0x87, 0x09, 0x21, 0x43, 0x65});
    r.Part[3].fill(0x77);
    EXPECT_EQ(StoredRecordBarcode(r), "1234567890123456");
    r.Part[0][0] = 17;
    EXPECT_EQ(StoredRecordBarcode(r), "1234567890123456");
}

TEST(StoredRecordMenueflags, TouchCurrentIsClearedForClassThreeOrWithInsulation) {
    EXPECT_EQ(FixedMenueflags(0x10, 3), 0x00);
    EXPECT_EQ(FixedMenueflags(0x14, 1), 0x04);
    EXPECT_EQ(FixedMenueflags(0xFF, 3), 0xEF);
    EXPECT_EQ(FixedMenueflags(0x10, 2), 0x10);
    // Only bits 0-1 of the class byte name the class.
    EXPECT_EQ(FixedMenueflags(0x13, 0x0B), 0x03);
    EXPECT_EQ(FixedMenueflags(0x13, 0x0A), 0x13);
}

TEST(StoredRecordDecode, StoredMenueflagsAreFixedUp) {
    EXPECT_EQ(DecodeStoredRecord(WithFlags(0x10, 3, 0), 1, Stamp).Menueflags, 0);
    EXPECT_EQ(DecodeStoredRecord(WithFlags(0x14, 1, 0), 1, Stamp).Menueflags, 0x04);
}

TEST(StoredRecordDecode, OpenVisualVerdictWinsAndDoesNotFail) {
    const TStagingRow row = DecodeStoredRecord(WithFlags(0, 0x0A, 0x40), 1, Stamp);
    EXPECT_EQ(row.Schutzklasse, 2);
    EXPECT_EQ(row.Sichtpruef, -1);
    EXPECT_TRUE(row.Pruefungsergebnis);
}

TEST(StoredRecordDecode, VisualVerdictAndResult) {
    TStagingRow passed = DecodeStoredRecord(WithFlags(0, 1, 0x40), 1, Stamp);
    EXPECT_EQ(passed.Sichtpruef, 1);
    EXPECT_TRUE(passed.Pruefungsergebnis);

    TStagingRow failedVisual = DecodeStoredRecord(WithFlags(0, 1, 0x00), 1, Stamp);
    EXPECT_EQ(failedVisual.Sichtpruef, 0);
    EXPECT_FALSE(failedVisual.Pruefungsergebnis);

    for (uint8_t failure : {0x01, 0x02, 0x08, 0x20}) {
        TStagingRow row = DecodeStoredRecord(WithFlags(0, 1, static_cast<uint8_t>(0x40 | failure)), 1, Stamp);
        EXPECT_EQ(row.Sichtpruef, 1);
        EXPECT_FALSE(row.Pruefungsergebnis) << int(failure);
    }
    // Fast disconnection (bit 2) is no failure bit.
    EXPECT_TRUE(DecodeStoredRecord(WithFlags(0, 1, 0x44), 1, Stamp).Pruefungsergebnis);
}

TEST(StoredRecordDecode, EmergencyStopVoidsTheFourCurrents) {
    TStoredTestValues v;
    v.Messablauf = 0x48;
    v.SchutzlStromL1N = 11;
    v.SchutzlStromNL1 = 12;
    v.BeruehrungsstromL1N = 13;
    v.BeruehrungsstromNL1 = 14;
    v.Ableitstrom = 15;
    v.GrwSchutzleiterstrom = 50;
    const TStagingRow row = DecodeStoredRecord(EncodeStoredRecord(v), 1, Stamp);
    EXPECT_EQ(row.SchutzlStromL1N, -1);
    EXPECT_EQ(row.SchutzlStromNL1, -1);
    EXPECT_EQ(row.BeruehrungsstromL1N, -1);
    EXPECT_EQ(row.BeruehrungsstromNL1, -1);
    EXPECT_EQ(row.Ableitstrom, 15);
    EXPECT_EQ(row.GrwSchutzleiterstrom, 50);
    EXPECT_FALSE(row.Pruefungsergebnis);
}

TEST(StoredRecordDecode, WordsAreSignExtendedAndFlagBytesUnsigned) {
    StoredTestRecord r;
    r.Part[0][1] = 0xFF; // Grenzwertflags
    r.Part[0][2] = 0x80; // Menueflags
    r.Part[0][4] = 0xC0; // Messablauf
    r.Part[0][6] = 0xFF;
    r.Part[0][7] = 0xFF;
    r.Part[1][0] = 0x00;
    r.Part[1][1] = 0x80;
    r.Part[1][2] = 0xFF;
    r.Part[1][3] = 0x7F;
    r.Part[3][6] = 0x34;
    r.Part[3][7] = 0x12;
    const TStagingRow row = DecodeStoredRecord(r, 1, Stamp);
    EXPECT_EQ(row.Grenzwertflags, 255);
    EXPECT_EQ(row.Menueflags, 128);
    EXPECT_EQ(row.Messablauf, 192);
    EXPECT_EQ(row.Schutzleiterwid, -1);
    EXPECT_EQ(row.Isolationswid, -32768);
    EXPECT_EQ(row.Ableitstrom, 32767);
    EXPECT_EQ(row.GrwSchnellabschaltung, 0x1234);
}

TEST(StoredRecordDecode, PcAddsNumberDateTesterAndInspector) {
    const TStagingRow row = DecodeStoredRecord(WithBarcodeBytes(2, {0x21}), 7, Stamp);
    EXPECT_EQ(row.LfdNr, 7);
    EXPECT_EQ(row.Barcode, "12");
    EXPECT_EQ(row.PrueflingNr, 0);
    EXPECT_EQ(row.Datum, QDate(2024, 3, 5));
    EXPECT_EQ(row.GTSeriennummer, "0123456789");
    EXPECT_EQ(row.Pruefer, "Meier");
    EXPECT_TRUE(row.Notiz.isEmpty());
}

TEST(StoredRecordDecode, TextsAreCutToTheirWidthInCharacters) {
    TRecordStamp stamp = Stamp;
    stamp.GTSeriennummer = QStringLiteral("01234567890123");
    // 24 umlauts and a character outside the basic plane, then more.
    stamp.Pruefer =
        QString(24, QChar(0x00FC)) + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("xyz");
    const TStagingRow row = DecodeStoredRecord(StoredTestRecord{}, 1, stamp);
    EXPECT_EQ(row.GTSeriennummer, "0123456789");
    EXPECT_EQ(row.Pruefer, QString(24, QChar(0x00FC)) + QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(CutToWidth(QStringLiteral("abc"), 0), "");
    EXPECT_EQ(CutToWidth(QStringLiteral("abc"), 5), "abc");
}

TEST(StoredRecordEncode, LaysOutTheFiveParts) {
    TStoredTestValues v;
    v.Barcode = "12345";
    v.Grenzwertflags = 0x81;
    v.Menueflags = 0x15;
    v.Klasse = 0x0A;
    v.Messablauf = 0x40;
    v.Schutzleiterwid = -1;
    v.Isolationswid = 0x0102;
    v.GrwSchnellabschaltung = 0x0304;
    const StoredTestRecord r = EncodeStoredRecord(v);
    using P = std::array<uint8_t, 8>;
    EXPECT_EQ(r.Part[0], (P{5, 0x81, 0x15, 0x0A, 0x40, 0, 0xFF, 0xFF}));
    EXPECT_EQ(r.Part[1], (P{0x02, 0x01, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.Part[3], (P{0, 0, 0, 0, 0, 0, 0x04, 0x03}));
    EXPECT_EQ(r.Part[4], (P{0x21, 0x43, 0x05, 0, 0, 0, 0, 0}));
}

TEST(StoredRecordEncode, LongBarcodeIsCutToSixteenDigits) {
    TStoredTestValues v;
    v.Barcode = "12345678901234567890";
    const StoredTestRecord r = EncodeStoredRecord(v);
    EXPECT_EQ(r.Part[0][0], 16);
    EXPECT_EQ(StoredRecordBarcode(r), "1234567890123456");
}

TEST(StoredRecordEncode, EveryWordReachesItsField) {
    TStoredTestValues v;
    v.Barcode = "9:?";
    v.Grenzwertflags = 0x7F;
    v.Menueflags = 0x0B;
    v.Klasse = 0x01;
    v.Messablauf = 0x44;
    v.Schutzleiterwid = 101;
    v.Isolationswid = 102;
    v.Ableitstrom = 103;
    v.SchutzlStromL1N = 104;
    v.SchutzlStromNL1 = 105;
    v.BeruehrungsstromL1N = 106;
    v.BeruehrungsstromNL1 = -107;
    v.GrwSchutzleiterwid = 108;
    v.GrwIsolationswid = 109;
    v.GrwAbleitstrom = 110;
    v.GrwSchutzleiterstrom = 111;
    v.GrwBeruehrungsstrom = 112;
    v.GrwSchnellabschaltung = -113;

    TStagingRow want;
    want.LfdNr = 3;
    want.Barcode = "9:?";
    want.Datum = Stamp.Datum;
    want.GTSeriennummer = Stamp.GTSeriennummer;
    want.Grenzwertflags = 0x7F;
    want.Menueflags = 0x0B;
    want.Schutzklasse = 1;
    want.Sichtpruef = 1;
    want.Messablauf = 0x44;
    want.Schutzleiterwid = 101;
    want.Isolationswid = 102;
    want.Ableitstrom = 103;
    want.SchutzlStromL1N = 104;
    want.SchutzlStromNL1 = 105;
    want.BeruehrungsstromL1N = 106;
    want.BeruehrungsstromNL1 = -107;
    want.GrwSchutzleiterwid = 108;
    want.GrwIsolationswid = 109;
    want.GrwAbleitstrom = 110;
    want.GrwSchutzleiterstrom = 111;
    want.GrwBeruehrungsstrom = 112;
    want.GrwSchnellabschaltung = -113;
    want.Pruefungsergebnis = true;
    want.Pruefer = Stamp.Pruefer;
    EXPECT_EQ(DecodeStoredRecord(EncodeStoredRecord(v), 3, Stamp), want);
}

TEST(StoredRecordParts, PartsTravelAsTheDataBytesOfAFrame) {
    TStoredTestValues v;
    v.Barcode = "4711";
    v.Isolationswid = 999;
    const StoredTestRecord sent = EncodeStoredRecord(v);
    StoredTestRecord received;
    for (int k = 0; k < StoredTestRecord::PartCount; ++k) {
        TProtok frame{};
        frame[0] = 'S';
        frame[3] = static_cast<uint8_t>(0x20 + k);
        const TMsgData data = sent.PartData(k);
        ASSERT_EQ(data.size(), 8u);
        std::copy(data.begin(), data.end(), frame.begin() + 4);
        frame[12] = 0xEE; // beyond the data bytes
        received.SetPart(k, frame);
    }
    EXPECT_EQ(received.Part, sent.Part);
}

TEST(StagingRowFields, NamesEveryStoredFieldOnceWithItsValue) {
    TStagingRow row;
    row.Barcode = QStringLiteral("4711");
    row.GTSeriennummer = QStringLiteral("42");
    row.Sichtpruef = -1;
    row.Pruefungsergebnis = true;
    const auto fields = StagingRowFields(row);
    std::map<std::string, QVariant> byName;
    for (const auto& [name, value] : fields)
        byName[name] = value;
    EXPECT_EQ(byName.size(), 26u);
    EXPECT_EQ(fields.size(), 26u);
    EXPECT_STREQ(fields[0].first, "Barcode");
    EXPECT_STREQ(fields[1].first, "PrueflingNr"); // after Barcode, whose setting re-matches
    EXPECT_EQ(byName["Barcode"].toString(), "4711");
    EXPECT_EQ(byName["GT-Seriennummer"].toString(), "42");
    EXPECT_EQ(byName["Sichtpruef"].toInt(), -1);
    EXPECT_TRUE(byName["Pruefungsergebnis"].toBool());
}

} // namespace
