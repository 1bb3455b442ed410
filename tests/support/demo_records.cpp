#include "tests/support/demo_records.h"

#include "tester/Limits.h"

namespace {

// The double reports program version 2000000: firmware level 3.
constexpr int DemoFirmwareLevel = 3;
constexpr uint8_t WithInsulation = 0x04;
constexpr uint8_t WithTouchCurrent = 0x10;
constexpr uint8_t LimitExceeded = 0x02;
constexpr uint8_t VisualPassed = 0x40;
// The limits of the protective-conductor and touch currents the double reports ($32).
constexpr int16_t PeCurrentLimit = 350;
constexpr int16_t TouchCurrentLimit = 50;
constexpr int16_t FastDisconnectLimit = 1000;

TStoredTestValues notMeasured() {
    TStoredTestValues v;
    v.Schutzleiterwid = v.Isolationswid = v.Ableitstrom = -1;
    v.SchutzlStromL1N = v.SchutzlStromNL1 = v.BeruehrungsstromL1N = v.BeruehrungsstromNL1 = -1;
    v.GrwSchutzleiterstrom = PeCurrentLimit;
    v.GrwBeruehrungsstrom = TouchCurrentLimit;
    v.GrwSchnellabschaltung = FastDisconnectLimit;
    return v;
}

// Class I with insulation test, DIN VDE 0701: resistance, insulation and leakage.
TStoredTestValues classOneWithInsulation(const char* barcode, int16_t pe, int16_t iso, int16_t leak) {
    TStoredTestValues v = notMeasured();
    const TStandardLimits limits = StandardLimits(1, false, 1, DemoFirmwareLevel);
    v.Barcode = barcode;
    v.Klasse = 1;
    v.Menueflags = WithInsulation;
    v.Schutzleiterwid = pe;
    v.Isolationswid = iso;
    v.Ableitstrom = leak;
    v.GrwSchutzleiterwid = static_cast<int16_t>(limits.PeResistance);
    v.GrwIsolationswid = static_cast<int16_t>(limits.Insulation.value_or(-1));
    v.GrwAbleitstrom = static_cast<int16_t>(limits.Leakage);
    if (pe > v.GrwSchutzleiterwid)
        v.Grenzwertflags |= 0x01;
    if (iso < v.GrwIsolationswid)
        v.Grenzwertflags |= 0x02;
    if (leak > v.GrwAbleitstrom)
        v.Grenzwertflags |= 0x04;
    v.Messablauf = static_cast<uint8_t>(VisualPassed | (v.Grenzwertflags ? LimitExceeded : 0));
    return v;
}

} // namespace

std::vector<TStoredTestValues> DemoTestValues() {
    std::vector<TStoredTestValues> tests;
    // Passed, every value well inside its limit.
    tests.push_back(classOneWithInsulation("4711001", 95, 18500, 12));
    // The protective conductor is too poor: 0.45 Ohm over 0.3 Ohm.
    tests.push_back(classOneWithInsulation("4711002", 450, 22000, 9));
    // Passed the measurements, the visual inspection is not decided yet; no barcode.
    TStoredTestValues open = classOneWithInsulation("", 110, 9500, 15);
    open.Klasse |= StoredVisualCheckOpen;
    open.Messablauf = 0;
    tests.push_back(open);
    // Class II without insulation test, touch current normal and reversed; no barcode.
    TStoredTestValues classTwo = notMeasured();
    classTwo.Klasse = 2;
    classTwo.Menueflags = WithTouchCurrent;
    classTwo.BeruehrungsstromL1N = 4;
    classTwo.BeruehrungsstromNL1 = 3;
    classTwo.GrwSchutzleiterwid =
        static_cast<int16_t>(StandardLimits(2, false, 0, DemoFirmwareLevel).PeResistance);
    classTwo.GrwIsolationswid =
        static_cast<int16_t>(StandardLimits(2, false, 0, DemoFirmwareLevel).Insulation.value_or(-1));
    classTwo.GrwAbleitstrom = static_cast<int16_t>(StandardLimits(2, false, 0, DemoFirmwareLevel).Leakage);
    classTwo.Messablauf = VisualPassed;
    tests.push_back(classTwo);
    return tests;
}

std::vector<uint8_t> StoredRecordBytes(const TStoredTestValues& values) {
    const StoredTestRecord r = EncodeStoredRecord(values);
    std::vector<uint8_t> bytes;
    for (const auto& part : r.Part)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

std::vector<std::vector<uint8_t>> DemoRecords() {
    std::vector<std::vector<uint8_t>> records;
    for (const TStoredTestValues& v : DemoTestValues())
        records.push_back(StoredRecordBytes(v));
    return records;
}
