#include "records/CsvExport.h"

#include "platform/database.h"
#include "platform/windows1252.h"
#include "records/StoredData.h"

#include <sqlite3.h>

#include <charconv>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

// How a column's item is made from the record.
enum class Kind {
    Number,          // decimal integer
    Text,            // the stored text
    Date,            // the date, dd.MM.yyyy
    Sichtpruef,      // "nein", "ja", "---"
    Schutzleiterwid, // the value formatters
    Isolationswid,
    Ableitstrom,
    Strom,
    JaNein,
    DinVde,  // "0701", "0702" or empty
    MitIsol, // "Iso+Diff", else "ja" / "nein"
};

struct Column {
    const char* key;
    Kind kind;
    int32_t TWerteSatz::*number = nullptr;
    QString TWerteSatz::*text = nullptr;
    bool TWerteSatz::*flag = nullptr;
    const char* field = nullptr; // the text's field in the all-tests join
};

constexpr Column number(const char* key, int32_t TWerteSatz::*m, Kind kind = Kind::Number) {
    return {key, kind, m, nullptr, nullptr, nullptr};
}
constexpr Column text(const char* key, QString TWerteSatz::*m, const char* field) {
    return {key, Kind::Text, nullptr, m, nullptr, field};
}
constexpr Column jaNein(const char* key, bool TWerteSatz::*m) {
    return {key, Kind::JaNein, nullptr, nullptr, m, nullptr};
}

using W = TWerteSatz;

// Every column key of the export and how its item is made.
constexpr Column kColumns[] = {
    number("KundenNr", &W::KundenNr),
    number("PrueflingNr", &W::PrueflingNr),
    number("PruefungsNr", &W::PruefungsNr),
    text("Name1", &W::Name1, "Name1"),
    text("Name2", &W::Name2, "Name2"),
    text("Name3", &W::Name3, "Name3"),
    text("KdStr", &W::KdStr, "KdStr"),
    text("KdLKZ", &W::KdLKZ, "KdLKZ"),
    text("KdPLZ", &W::KdPLZ, "KdPLZ"),
    text("KdOrt", &W::KdOrt, "KdOrt"),
    text("Telefon", &W::Telefon, "Telefon"),
    text("Fax", &W::Fax, "Fax"),
    text("Bezeichnung", &W::Bezeichnung, "Bezeichnung"),
    text("Typ", &W::Typ, "Typ"),
    text("Inventarnummer", &W::Inventarnummer, "Inventarnummer"),
    text("Fabrikationsnummer", &W::Fabrikationsnummer, "Fabrikationsnummer"),
    text("Seriennummer", &W::Seriennummer, "Seriennummer"),
    text("Barcode", &W::Barcode, "Barcode"),
    {"Datum", Kind::Date},
    text("GTSeriennummer", &W::GTSeriennummer, "GT-Seriennummer"),
    number("Grenzwertflags", &W::Grenzwertflags),
    number("Menueflags", &W::Menueflags),
    number("Schutzklasse", &W::Schutzklasse),
    number("Sichtpruefung", &W::Sichtpruef, Kind::Sichtpruef),
    number("Messablauf", &W::Messablauf),
    number("Schutzleiterwid", &W::Schutzleiterwid, Kind::Schutzleiterwid),
    number("Isolationswid", &W::Isolationswid, Kind::Isolationswid),
    number("Ableitstrom", &W::Ableitstrom, Kind::Ableitstrom),
    number("SchutzlStromL1N", &W::SchutzlStromL1N, Kind::Strom),
    number("SchutzlStromNL1", &W::SchutzlStromNL1, Kind::Strom),
    number("BeruehrungsstromL1N", &W::BeruehrungsstromL1N, Kind::Strom),
    number("BeruehrungsstromNL1", &W::BeruehrungsstromNL1, Kind::Strom),
    number("GrwSchutzleiterwid", &W::GrwSchutzleiterwid, Kind::Schutzleiterwid),
    number("GrwIsolationswid", &W::GrwIsolationswid, Kind::Isolationswid),
    number("GrwAbleitstrom", &W::GrwAbleitstrom, Kind::Ableitstrom),
    number("GrwSchutzleiterstrom", &W::GrwSchutzleiterstrom, Kind::Strom),
    number("GrwBeruehrungsstrom", &W::GrwBeruehrungsstrom, Kind::Strom),
    number("GrwSchnellabschaltung", &W::GrwSchnellabschaltung, Kind::Strom),
    jaNein("Pruefungsergebnis", &W::Pruefungsergebnis),
    text("Notiz", &W::Notiz, "Notiz"),
    text("Pruefer", &W::Pruefer, "Pruefer"),
    jaNein("SchutzleiterwidLimit", &W::SchutzleiterwidLimit),
    jaNein("IsolationswidLimit", &W::IsolationswidLimit),
    jaNein("AbleitstromLimit", &W::AbleitstromLimit),
    jaNein("SchutzlStromL1NLimit", &W::SchutzlStromL1NLimit),
    jaNein("SchutzlStromNL1Limit", &W::SchutzlStromNL1Limit),
    jaNein("BeruehrungsstromL1NLimit", &W::BeruehrungsstromL1NLimit),
    jaNein("BeruehrungsstromNL1Limit", &W::BeruehrungsstromNL1Limit),
    jaNein("Schnellabschaltung", &W::Schnellabschaltung),
    jaNein("automatisch", &W::automatisch),
    number("DINVDE", &W::DINVDE, Kind::DinVde),
    {"mitIsol", Kind::MitIsol},
    jaNein("manuGrenz", &W::manuGrenz),
    jaNein("mitBeruehr", &W::mitBeruehr),
    jaNein("abgebrochen", &W::abgebrochen),
    number("Enables", &W::Enables),
};

const Column* columnOf(const char* key) {
    for (const Column& c : kColumns)
        if (qstrcmp(c.key, key) == 0)
            return &c;
    return nullptr;
}

// The columns switched on, in export order; a nullptr for a key that is no column.
std::vector<const Column*> shownColumns() {
    std::vector<const Column*> shown;
    for (size_t i = 0; i < ExportColumnTable.size(); ++i)
        if (Globals::ExportColumns[i])
            shown.push_back(columnOf(ExportColumnTable[i].Key));
    return shown;
}

// The item of a value of the kinds that depend on one number alone. MitIsol: bit 0 mitIsol,
// bit 1 mitIsoDiff.
QString kindText(Kind kind, int32_t v) {
    switch (kind) {
    case Kind::Sichtpruef:
        return SichtpruefText(v);
    case Kind::Schutzleiterwid:
        return FormatSchutzleiterwid(v);
    case Kind::Isolationswid:
        return FormatIsolationswid(v);
    case Kind::Ableitstrom:
        return FormatAbleitstrom(v);
    case Kind::Strom:
        return FormatStrom(v);
    case Kind::JaNein:
        return BoolToJaNein(v != 0);
    case Kind::DinVde:
        return v == 1 ? QStringLiteral("0701") : v == 2 ? QStringLiteral("0702") : QString();
    case Kind::MitIsol:
        return (v & 2) ? QStringLiteral("Iso+Diff") : BoolToJaNein((v & 1) != 0);
    default:
        return QString::number(v);
    }
}

int32_t mitIsolCode(const TWerteSatz& w) {
    return (w.mitIsol ? 1 : 0) | (w.mitIsoDiff ? 2 : 0);
}

QString dateText(const QDate& d) {
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString valueText(const Column& c, const TWerteSatz& w) {
    switch (c.kind) {
    case Kind::Text:
        return w.*(c.text);
    case Kind::Date:
        return dateText(w.Datum.isValid() ? w.Datum.date() : QDate());
    case Kind::JaNein:
        return kindText(c.kind, w.*(c.flag) ? 1 : 0);
    case Kind::MitIsol:
        return kindText(c.kind, mitIsolCode(w));
    default:
        return kindText(c.kind, w.*(c.number));
    }
}

QString cleanItem(QString item) {
    item.replace(u'"', u'\'');
    return item;
}

// ---- the all-tests export

bool writeAllTestsThroughQuery(platform::Database& db, TCsvExportFile& file) {
    platform::TQuery all(nullptr, &db);
    all.SetSQL(StoredDataSql::AllTestsForExport());
    all.Open();
    if (!file.WriteLine(CsvHeaderLine()))
        return false;
    for (all.First(); !all.Eof(); all.Next()) {
        TWerteSatz w;
        FillWerteSatz(all, all, w, all);
        if (!file.WriteLine(CsvValueLine(w)))
            return false;
    }
    return true;
}

// The join read straight from the file for the values the database holds in their own form:
// numbers as integers, texts as texts, dates as ISO dates, and empty fields. A value in any
// other form is read by the query objects instead, the way every other window reads it.
class DirectJoin {
public:
    enum class Result { Written, WriteFailed, NotPlain };

    explicit DirectJoin(platform::Database& db) : db_(db.Handle()) {}
    ~DirectJoin() { sqlite3_finalize(stmt_); }
    DirectJoin(const DirectJoin&) = delete;
    DirectJoin& operator=(const DirectJoin&) = delete;

    Result Write(TCsvExportFile& file);

private:
    struct Cached {
        bool known = false;
        QByteArray item;
    };

    bool prepare();
    int columnIndex(const char* name) const;
    bool readRow();
    bool integer(int column, int32_t& out) const;
    void appendItem(const Column& c);
    void appendText(int column);
    void appendCached(Kind kind, int32_t value);

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    std::vector<const Column*> shown_;
    std::vector<std::pair<int32_t TWerteSatz::*, int>> numbers_; // field, join column
    std::vector<int> textColumns_;                               // by shown column
    int datum_ = -1;
    int ergebnis_ = -1;
    TWerteSatz w_;
    QDate date_;
    QByteArray line_;
    // Items by kind and value: the formatters give the same text for the same value.
    std::unordered_map<uint64_t, QByteArray> cache_;
    std::vector<std::vector<Cached>> small_;
};

int DirectJoin::columnIndex(const char* name) const {
    // The first of equal names, as the query objects take it.
    const int n = sqlite3_column_count(stmt_);
    for (int i = 0; i < n; ++i)
        if (qstricmp(sqlite3_column_name(stmt_, i), name) == 0)
            return i;
    return -1;
}

bool DirectJoin::prepare() {
    const QByteArray sql = StoredDataSql::AllTestsForExport().join(QLatin1Char('\n')).toUtf8();
    if (!db_ || sqlite3_prepare_v2(db_, sql.constData(), int(sql.size()), &stmt_, nullptr) != SQLITE_OK)
        return false;
    static const std::pair<int32_t TWerteSatz::*, const char*> numbers[] = {
        {&W::KundenNr, "KundenNr"},
        {&W::PrueflingNr, "PrueflingNr"},
        {&W::PruefungsNr, "PruefungsNr"},
        {&W::Grenzwertflags, "Grenzwertflags"},
        {&W::Menueflags, "Menueflags"},
        {&W::Schutzklasse, "Schutzklasse"},
        {&W::Sichtpruef, "Sichtpruef"},
        {&W::Messablauf, "Messablauf"},
        {&W::Schutzleiterwid, "Schutzleiterwid"},
        {&W::Isolationswid, "Isolationswid"},
        {&W::Ableitstrom, "Ableitstrom"},
        {&W::SchutzlStromL1N, "SchutzlStromL1N"},
        {&W::SchutzlStromNL1, "SchutzlStromNL1"},
        {&W::BeruehrungsstromL1N, "BeruehrungsstromL1N"},
        {&W::BeruehrungsstromNL1, "BeruehrungsstromNL1"},
        {&W::GrwSchutzleiterwid, "GrwSchutzleiterwid"},
        {&W::GrwIsolationswid, "GrwIsolationswid"},
        {&W::GrwAbleitstrom, "GrwAbleitstrom"},
        {&W::GrwSchutzleiterstrom, "GrwSchutzleiterstrom"},
        {&W::GrwBeruehrungsstrom, "GrwBeruehrungsstrom"},
        {&W::GrwSchnellabschaltung, "GrwSchnellabschaltung"},
    };
    for (const auto& [field, name] : numbers) {
        const int i = columnIndex(name);
        if (i < 0)
            return false;
        numbers_.emplace_back(field, i);
    }
    datum_ = columnIndex("Datum");
    ergebnis_ = columnIndex("Pruefungsergebnis");
    if (datum_ < 0 || ergebnis_ < 0)
        return false;
    // Every text field the record is filled with, whether shown or not.
    for (const Column& c : kColumns)
        if (c.kind == Kind::Text && columnIndex(c.field) < 0)
            return false;
    shown_ = shownColumns();
    for (const Column* c : shown_) {
        if (!c)
            return false;
        textColumns_.push_back(c->kind == Kind::Text ? columnIndex(c->field) : -1);
    }
    return true;
}

bool DirectJoin::integer(int column, int32_t& out) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL:
        out = 0;
        return true;
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_column_int64(stmt_, column);
        if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
            return false;
        out = int32_t(v);
        return true;
    }
    default:
        return false;
    }
}

// Takes the current row into w_ and date_; false when a value is not in its own form.
bool DirectJoin::readRow() {
    for (const auto& [field, column] : numbers_)
        if (!integer(column, w_.*field))
            return false;
    int32_t passed = 0;
    if (!integer(ergebnis_, passed))
        return false;
    w_.Pruefungsergebnis = passed != 0;
    switch (sqlite3_column_type(stmt_, datum_)) {
    case SQLITE_NULL:
        date_ = QDate();
        break;
    case SQLITE_TEXT: {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, datum_));
        const int n = sqlite3_column_bytes(stmt_, datum_);
        if (n == 0) {
            date_ = QDate();
            break;
        }
        // yyyy-MM-dd only; anything else is read the query objects' way.
        if (n != 10 || t[4] != '-' || t[7] != '-')
            return false;
        int y = 0, m = 0, d = 0;
        if (std::from_chars(t, t + 4, y).ptr != t + 4 || std::from_chars(t + 5, t + 7, m).ptr != t + 7 ||
            std::from_chars(t + 8, t + 10, d).ptr != t + 10)
            return false;
        date_ = QDate(y, m, d);
        if (!date_.isValid())
            return false;
        break;
    }
    default:
        return false;
    }
    for (int column : textColumns_) {
        if (column < 0)
            continue;
        const int type = sqlite3_column_type(stmt_, column);
        if (type != SQLITE_TEXT && type != SQLITE_NULL)
            return false;
    }
    DecodeWerteSatzFlags(w_);
    return true;
}

void DirectJoin::appendText(int column) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int n = sqlite3_column_bytes(stmt_, column);
    const qsizetype start = line_.size();
    bool ascii = true;
    for (int i = 0; i < n && ascii; ++i)
        ascii = static_cast<unsigned char>(t[i]) < 0x80;
    if (n == 0)
        return;
    if (ascii)
        line_.append(t, n);
    else
        line_.append(platform::encodeWindows1252(QString::fromUtf8(t, n)));
    // A double quote of the set is the one of ASCII, and no other character encodes as it.
    for (qsizetype i = start; i < line_.size(); ++i)
        if (line_[i] == '"')
            line_[i] = '\'';
}

void DirectJoin::appendCached(Kind kind, int32_t value) {
    constexpr int32_t smallLimit = 4096;
    const auto itemOf = [kind, value] {
        return platform::encodeWindows1252(cleanItem(kindText(kind, value)));
    };
    if (value >= -1 && value < smallLimit) {
        auto& byKind = small_[size_t(kind)];
        if (byKind.empty())
            byKind.resize(smallLimit + 1);
        Cached& slot = byKind[size_t(value + 1)];
        if (!slot.known) {
            slot.item = itemOf();
            slot.known = true;
        }
        line_.append(slot.item);
        return;
    }
    const auto [it, fresh] = cache_.try_emplace((uint64_t(kind) << 32) | uint32_t(value));
    if (fresh)
        it->second = itemOf();
    line_.append(it->second);
}

void DirectJoin::appendItem(const Column& c) {
    switch (c.kind) {
    case Kind::Number: {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, w_.*(c.number)).ptr;
        line_.append(digits, end - digits);
        break;
    }
    case Kind::Date:
        line_.append(dateText(date_).toLatin1());
        break;
    case Kind::JaNein:
        appendCached(c.kind, w_.*(c.flag) ? 1 : 0);
        break;
    case Kind::MitIsol:
        appendCached(c.kind, mitIsolCode(w_));
        break;
    default:
        appendCached(c.kind, w_.*(c.number));
        break;
    }
}

DirectJoin::Result DirectJoin::Write(TCsvExportFile& file) {
    if (!prepare())
        return Result::NotPlain;
    small_.resize(size_t(Kind::MitIsol) + 1);
    bool header = false;
    for (;;) {
        const int step = sqlite3_step(stmt_);
        if (step == SQLITE_DONE)
            break;
        if (step != SQLITE_ROW || !readRow())
            return Result::NotPlain;
        // The header once the first row is known to be plain, so that nothing is written in
        // vain when the query objects take over at once.
        if (!header) {
            header = true;
            if (!file.WriteLine(CsvHeaderLine()))
                return Result::WriteFailed;
        }
        line_.clear();
        for (size_t i = 0; i < shown_.size(); ++i) {
            if (i > 0)
                line_.append(';');
            line_.append('"');
            if (textColumns_[i] >= 0)
                appendText(textColumns_[i]);
            else
                appendItem(*shown_[i]);
            line_.append('"');
        }
        if (!file.WriteBytes(line_))
            return Result::WriteFailed;
    }
    if (!header && !file.WriteLine(CsvHeaderLine()))
        return Result::WriteFailed;
    return Result::Written;
}

} // namespace

QString StringsToCsvLine(const QStringList& items) {
    QString line;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            line += u';';
        line += u'"' + cleanItem(items.at(i)) + u'"';
    }
    return line;
}

void FillCsvHeader(QStringList& items) {
    items.clear();
    for (size_t i = 0; i < ExportColumnTable.size(); ++i) {
        if (!Globals::ExportColumns[i])
            continue;
        const QString key = QString::fromLatin1(ExportColumnTable[i].Key);
        items << (key == QLatin1String("Sichtpruefung") ? QStringLiteral("SichtpruefungBestanden") : key);
    }
}

void FillCsvValues(QStringList& items, const TWerteSatz& w) {
    items.clear();
    for (size_t i = 0; i < ExportColumnTable.size(); ++i)
        if (Globals::ExportColumns[i])
            items << CsvValueOf(ExportColumnTable[i].Key, w);
}

QString CsvHeaderLine() {
    QStringList items;
    FillCsvHeader(items);
    return StringsToCsvLine(items);
}

QString CsvValueLine(const TWerteSatz& w) {
    QStringList items;
    FillCsvValues(items, w);
    return StringsToCsvLine(items);
}

QString CsvValueOf(const char* key, const TWerteSatz& w) {
    const Column* c = columnOf(key);
    return c ? valueText(*c, w) : QString();
}

QString CannotCreateMessage(const QString& fileName) {
    return QStringLiteral("Die Datei \"") + fileName + QStringLiteral("\" kann nicht angelegt werden.");
}

bool WriteAllTests(platform::Database& db, TCsvExportFile& file) {
    {
        DirectJoin direct(db);
        switch (direct.Write(file)) {
        case DirectJoin::Result::Written:
            return true;
        case DirectJoin::Result::WriteFailed:
            return false;
        case DirectJoin::Result::NotPlain:
            break;
        }
    }
    if (!file.Restart())
        return false;
    return writeAllTestsThroughQuery(db, file);
}

// ---- TCsvExportFile

namespace {
constexpr qsizetype kBlockSize = 64 * 1024;
} // namespace

bool TCsvExportFile::Create(const QString& fileName) {
    Close();
    held_.clear();
    failed_ = false;
    if (fileName.isEmpty())
        return false;
    file_.setFileName(fileName);
    return file_.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool TCsvExportFile::WriteLine(const QString& line) {
    return WriteBytes(platform::encodeWindows1252(line));
}

bool TCsvExportFile::WriteBytes(QByteArrayView line) {
    if (!file_.isOpen() || failed_)
        return false;
    if (held_.capacity() < kBlockSize)
        held_.reserve(kBlockSize + 1024);
    held_.append(line);
    held_.append("\r\n", 2);
    return held_.size() < kBlockSize || writeOut();
}

bool TCsvExportFile::writeOut() {
    if (failed_)
        return false;
    if (!held_.isEmpty()) {
        failed_ = file_.write(held_) != held_.size();
        held_.clear();
    }
    return !failed_;
}

bool TCsvExportFile::Flush() {
    if (!file_.isOpen())
        return false;
    if (!writeOut())
        return false;
    failed_ = !file_.flush();
    return !failed_;
}

bool TCsvExportFile::Restart() {
    held_.clear();
    failed_ = false;
    return file_.isOpen() && file_.seek(0) && file_.resize(0);
}

void TCsvExportFile::Close() {
    if (!file_.isOpen())
        return;
    Flush();
    file_.close();
}

QString TCsvExportFile::WriteErrorText() const {
    return QStringLiteral("Fehler beim Schreiben der Datei \"%1\": %2")
        .arg(file_.fileName(), file_.errorString());
}
