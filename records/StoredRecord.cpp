#include "records/StoredRecord.h"

#include "records/ProgramDatabase.h"
#include "tester/WerteSatz.h"

#include <algorithm>

namespace {

constexpr int DataOffset = 4; // data bytes of a frame start after "S", Id, checksum, Sub

void PutWord(std::array<uint8_t, StoredTestRecord::PartBytes>& part, int byte, int16_t value) {
    const auto u = static_cast<uint16_t>(value);
    part[static_cast<size_t>(byte)] = static_cast<uint8_t>(u & 0xFF);
    part[static_cast<size_t>(byte + 1)] = static_cast<uint8_t>(u >> 8);
}

} // namespace

void StoredTestRecord::SetPart(int k, const TProtok& answer) {
    auto& part = Part.at(static_cast<size_t>(k));
    std::copy_n(answer.begin() + DataOffset, PartBytes, part.begin());
}

TMsgData StoredTestRecord::PartData(int k) const {
    const auto& part = Part.at(static_cast<size_t>(k));
    return TMsgData(part.begin(), part.end());
}

int16_t StoredTestRecord::Word(int part, int byte) const {
    const auto& p = Part.at(static_cast<size_t>(part));
    const auto u =
        static_cast<uint16_t>(p.at(static_cast<size_t>(byte)) | (p.at(static_cast<size_t>(byte + 1)) << 8));
    return static_cast<int16_t>(u);
}

StoredTestRecord EncodeStoredRecord(const TStoredTestValues& v) {
    StoredTestRecord r;
    auto& p1 = r.Part[0];
    const size_t digits = std::min<size_t>(v.Barcode.size(), StoredTestRecord::MaxBarcodeDigits);
    p1[0] = static_cast<uint8_t>(digits);
    p1[1] = v.Grenzwertflags;
    p1[2] = v.Menueflags;
    p1[3] = v.Klasse;
    p1[4] = v.Messablauf;
    PutWord(p1, 6, v.Schutzleiterwid);
    PutWord(r.Part[1], 0, v.Isolationswid);
    PutWord(r.Part[1], 2, v.Ableitstrom);
    PutWord(r.Part[1], 4, v.SchutzlStromL1N);
    PutWord(r.Part[1], 6, v.SchutzlStromNL1);
    PutWord(r.Part[2], 0, v.BeruehrungsstromL1N);
    PutWord(r.Part[2], 2, v.BeruehrungsstromNL1);
    PutWord(r.Part[2], 4, v.GrwSchutzleiterwid);
    PutWord(r.Part[2], 6, v.GrwIsolationswid);
    PutWord(r.Part[3], 0, v.GrwAbleitstrom);
    PutWord(r.Part[3], 2, v.GrwSchutzleiterstrom);
    PutWord(r.Part[3], 4, v.GrwBeruehrungsstrom);
    PutWord(r.Part[3], 6, v.GrwSchnellabschaltung);
    auto& p5 = r.Part[4];
    for (size_t k = 0; k < digits; ++k) {
        const auto nibble = static_cast<uint8_t>((static_cast<uint8_t>(v.Barcode[k]) - 0x30) & 0x0F);
        p5[k / 2] |= static_cast<uint8_t>(k % 2 == 0 ? nibble : nibble << 4);
    }
    return r;
}

QString StoredRecordBarcode(const StoredTestRecord& record) {
    // The count comes from the line; part 5 has room for 16 digits only.
    const int n = std::min<int>(record.Part[0][0], StoredTestRecord::MaxBarcodeDigits);
    QString text;
    text.reserve(n);
    const auto& p5 = record.Part[4];
    for (int k = 0; k < n; ++k) {
        const uint8_t byte = p5[static_cast<size_t>(k / 2)];
        const int nibble = k % 2 == 0 ? (byte & 0x0F) : (byte >> 4);
        text.append(QChar(0x30 + nibble));
    }
    return text;
}

uint8_t FixedMenueflags(uint8_t menueflags, uint8_t klasse) {
    if ((klasse & StoredClassMask) == 3 || (menueflags & Menueflags::mitIsol))
        return static_cast<uint8_t>(menueflags & ~Menueflags::mitBeruehr);
    return menueflags;
}

TStagingRow DecodeStoredRecord(const StoredTestRecord& r, int32_t lfdNr, const TRecordStamp& stamp) {
    const auto& p1 = r.Part[0];
    const uint8_t klasse = p1[3];
    const uint8_t ablauf = p1[4];

    TStagingRow row;
    row.LfdNr = lfdNr;
    row.Barcode = CutToWidth(StoredRecordBarcode(r), BarcodeWidth);
    row.Datum = stamp.Datum;
    row.GTSeriennummer = CutToWidth(stamp.GTSeriennummer, GTSeriennummerWidth);
    row.Grenzwertflags = p1[1];
    row.Menueflags = FixedMenueflags(p1[2], klasse);
    row.Schutzklasse = klasse & StoredClassMask;
    if (klasse & StoredVisualCheckOpen)
        row.Sichtpruef = -1;
    else
        row.Sichtpruef = (ablauf & Messablauf::SichtpruefungBestanden) ? 1 : 0;
    row.Messablauf = ablauf;
    row.Schutzleiterwid = r.Word(0, 6);
    row.Isolationswid = r.Word(1, 0);
    row.Ableitstrom = r.Word(1, 2);
    // After an emergency stop the currents were not measured.
    const bool notAus = ablauf & Messablauf::NotAus;
    row.SchutzlStromL1N = notAus ? -1 : r.Word(1, 4);
    row.SchutzlStromNL1 = notAus ? -1 : r.Word(1, 6);
    row.BeruehrungsstromL1N = notAus ? -1 : r.Word(2, 0);
    row.BeruehrungsstromNL1 = notAus ? -1 : r.Word(2, 2);
    row.GrwSchutzleiterwid = r.Word(2, 4);
    row.GrwIsolationswid = r.Word(2, 6);
    row.GrwAbleitstrom = r.Word(3, 0);
    row.GrwSchutzleiterstrom = r.Word(3, 2);
    row.GrwBeruehrungsstrom = r.Word(3, 4);
    row.GrwSchnellabschaltung = r.Word(3, 6);
    row.Pruefungsergebnis = row.Sichtpruef != 0 && (ablauf & FailureMask) == 0;
    row.Pruefer = CutToWidth(stamp.Pruefer, PrueferWidth);
    return row;
}

std::vector<std::pair<const char*, QVariant>> StagingRowFields(const TStagingRow& row) {
    std::vector<std::pair<const char*, QVariant>> fields;
    fields.reserve(UebernahColumns.size());
    // Before PrueflingNr: setting it re-matches the device.
    constexpr const TWerteSatzField& barcode = WerteSatzFieldOf(&TWerteSatz::Barcode);
    fields.emplace_back(barcode.Name, row.Barcode);
    for (const TWerteSatzField* f : UebernahColumns) {
        if (f == &barcode)
            continue;
        const TWerteSatzMember& m = f->Member;
        QVariant value;
        if (m.Number)
            value = row.*m.Number;
        else if (m.Text)
            value = row.*m.Text;
        else if (m.Flag)
            value = row.*m.Flag;
        else if (m.Moment)
            value = row.Datum;
        else
            value = row.LfdNr; // the table's own number
        fields.emplace_back(f->Name, value);
    }
    return fields;
}

QString CutToWidth(const QString& text, int width) {
    int units = 0;
    for (int chars = 0; units < text.size() && chars < width; ++chars)
        units += (text.at(units).isHighSurrogate() && units + 1 < text.size() &&
                  text.at(units + 1).isLowSurrogate())
                     ? 2
                     : 1;
    return text.left(units);
}
