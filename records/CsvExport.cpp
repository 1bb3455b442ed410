#include "records/CsvExport.h"

#include "platform/database.h"
#include "platform/query.h"
#include "platform/windows1252.h"
#include "records/ProgramDatabase.h"
#include "records/StoredData.h"
#include "tester/WerteSatzFields.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

using Kind = TFieldFormat;
using Column = TWerteSatzField;

const Column* columnOf(const char* key) {
    for (const Column* c : ExportedFields)
        if (qstrcmp(c->Key(), key) == 0)
            return c;
    return nullptr;
}

// The columns switched on, in export order.
std::vector<const Column*> shownColumns() {
    std::vector<const Column*> shown;
    for (size_t i = 0; i < ExportedFields.size(); ++i)
        if (Globals::ExportColumns[i])
            shown.push_back(ExportedFields[i]);
    return shown;
}

} // namespace

QString FieldValueText(TFieldFormat format, int32_t v, int32_t firmwareLevel) {
    switch (format) {
    case Kind::Sichtpruef:
        return SichtpruefText(v);
    case Kind::Schutzleiterwid:
        return FormatSchutzleiterwid(v);
    case Kind::Isolationswid:
        return FormatIsolationswid(v, firmwareLevel);
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

namespace {

int32_t mitIsolCode(const TWerteSatz& w) {
    return (w.mitIsol ? 1 : 0) | (w.mitIsoDiff ? 2 : 0);
}

QString dateText(const QDate& d) {
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString valueText(const Column& c, const TWerteSatz& w, int32_t firmwareLevel) {
    switch (c.Format) {
    case Kind::Text:
        return w.*c.Member.Text;
    case Kind::Date: {
        const QDateTime& date = w.*c.Member.Moment;
        return dateText(date.isValid() ? date.date() : QDate());
    }
    case Kind::JaNein:
        return FieldValueText(c.Format, w.*c.Member.Flag ? 1 : 0, firmwareLevel);
    case Kind::MitIsol:
        return FieldValueText(c.Format, mitIsolCode(w), firmwareLevel);
    default:
        return FieldValueText(c.Format, w.*c.Member.Number, firmwareLevel);
    }
}

// The fields the all-tests join holds; the others are decoded from them.
bool inJoin(const Column& c) {
    return c.Origin == TFieldOrigin::Customer || c.Origin == TFieldOrigin::Device ||
           c.Origin == TFieldOrigin::Test;
}

QString cleanItem(QString item) {
    item.replace(u'"', u'\'');
    return item;
}

// ---- the all-tests export

bool writeAllTestsThroughQuery(platform::Database& db, TCsvExportFile& file, int32_t firmwareLevel) {
    platform::TQuery all(nullptr, &db);
    all.SetSQL(StoredDataSql::AllTestsForExport());
    all.Open();
    if (!file.WriteLine(CsvHeaderLine()))
        return false;
    for (all.First(); !all.Eof(); all.Next()) {
        TWerteSatz w;
        FillWerteSatz(all, all, w, all, firmwareLevel);
        if (!file.WriteLine(CsvValueLine(w, firmwareLevel)))
            return false;
    }
    return true;
}

// The record has one date; the direct join keeps it apart as a day.
static_assert(std::ranges::count(WerteSatzFields, Kind::Date, &Column::Format) == 1);

// The join read straight from the file for the values the database holds in their own form:
// numbers as integers, texts as texts, dates as ISO dates, and empty fields. A value in any
// other form is read by the query objects instead, the way every other window reads it.
class DirectJoin {
public:
    enum class Result { Written, WriteFailed, NotPlain };

    DirectJoin(platform::Database& db, int32_t firmwareLevel)
        : db_(db.Handle()), firmwareLevel_(firmwareLevel) {}
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
    int32_t firmwareLevel_;
    sqlite3_stmt* stmt_ = nullptr;
    std::vector<const Column*> shown_;
    std::vector<std::pair<int32_t TWerteSatz::*, int>> numbers_; // field, join column
    std::vector<std::pair<bool TWerteSatz::*, int>> flags_;      // field, join column
    std::vector<int> textColumns_;                               // by shown column
    int datum_ = -1;
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
    for (const Column& c : WerteSatzFields) {
        if (!inJoin(c))
            continue;
        // Every field the record is filled with, whether shown or not.
        const int i = columnIndex(c.Name);
        if (i < 0)
            return false;
        if (c.Member.Number)
            numbers_.emplace_back(c.Member.Number, i);
        else if (c.Member.Flag)
            flags_.emplace_back(c.Member.Flag, i);
        else if (c.Member.Moment)
            datum_ = i;
    }
    shown_ = shownColumns();
    for (const Column* c : shown_)
        textColumns_.push_back(c->Format == Kind::Text ? columnIndex(c->Name) : -1);
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
    for (const auto& [field, column] : flags_) {
        int32_t flag = 0;
        if (!integer(column, flag))
            return false;
        w_.*field = flag != 0;
    }
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
    DecodeWerteSatzFlags(w_, firmwareLevel_);
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
    const auto itemOf = [this, kind, value] {
        return platform::encodeWindows1252(cleanItem(FieldValueText(kind, value, firmwareLevel_)));
    };
    if (value >= -1 && value < smallLimit) {
        if (small_.size() <= size_t(kind))
            small_.resize(size_t(kind) + 1);
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
    switch (c.Format) {
    case Kind::Number: {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, w_.*c.Member.Number).ptr;
        line_.append(digits, end - digits);
        break;
    }
    case Kind::Date:
        line_.append(dateText(date_).toLatin1());
        break;
    case Kind::JaNein:
        appendCached(c.Format, w_.*c.Member.Flag ? 1 : 0);
        break;
    case Kind::MitIsol:
        appendCached(c.Format, mitIsolCode(w_));
        break;
    default:
        appendCached(c.Format, w_.*c.Member.Number);
        break;
    }
}

DirectJoin::Result DirectJoin::Write(TCsvExportFile& file) {
    if (!prepare())
        return Result::NotPlain;
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
    for (const Column* c : shownColumns())
        items << QString::fromLatin1(c->Header());
}

void FillCsvValues(QStringList& items, const TWerteSatz& w, int32_t firmwareLevel) {
    items.clear();
    for (const Column* c : shownColumns())
        items << valueText(*c, w, firmwareLevel);
}

QString CsvHeaderLine() {
    QStringList items;
    FillCsvHeader(items);
    return StringsToCsvLine(items);
}

QString CsvValueLine(const TWerteSatz& w, int32_t firmwareLevel) {
    QStringList items;
    FillCsvValues(items, w, firmwareLevel);
    return StringsToCsvLine(items);
}

QString CsvValueOf(const char* key, const TWerteSatz& w, int32_t firmwareLevel) {
    const Column* c = columnOf(key);
    return c ? valueText(*c, w, firmwareLevel) : QString();
}

QString CannotCreateMessage(const QString& fileName) {
    return QStringLiteral("Die Datei \"") + fileName + QStringLiteral("\" kann nicht angelegt werden.");
}

QString DatabaseFileMessage(const QString& fileName) {
    return QStringLiteral("Die Datei \"%1\" gehört zur Datenbank des Programms und wird nicht als "
                          "Exportdatei überschrieben. Bitte wählen Sie einen anderen Dateinamen.")
        .arg(fileName);
}

bool WriteAllTests(platform::Database& db, TCsvExportFile& file, int32_t firmwareLevel) {
    {
        DirectJoin direct(db, firmwareLevel);
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
    return writeAllTestsThroughQuery(db, file, firmwareLevel);
}

// ---- TCsvExportFile

namespace {
constexpr qsizetype kBlockSize = 64 * 1024;
} // namespace

bool TCsvExportFile::Create(const QString& fileName) {
    Discard();
    failed_ = false;
    name_ = fileName;
    // Replacing the database or its log with the export would lose every stored test.
    database_ = !fileName.isEmpty() && IsProgramDatabaseFile(fileName);
    return !fileName.isEmpty() && !database_ && file_.open(fileName);
}

bool TCsvExportFile::WriteLine(const QString& line) {
    return WriteBytes(platform::encodeWindows1252(line));
}

bool TCsvExportFile::WriteBytes(QByteArrayView line) {
    if (!IsOpen() || failed_)
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
    failed_ = !file_.write(held_.constData(), held_.size());
    held_.clear();
    return !failed_;
}

bool TCsvExportFile::Flush() {
    return IsOpen() && writeOut();
}

bool TCsvExportFile::Restart() {
    held_.clear();
    failed_ = false;
    return file_.restart();
}

bool TCsvExportFile::Commit() {
    if (!Flush())
        return false;
    failed_ = !file_.commit();
    return !failed_;
}

void TCsvExportFile::Discard() {
    held_.clear();
    file_.discard();
}

QString TCsvExportFile::CreateErrorText() const {
    return database_ ? DatabaseFileMessage(name_) : CannotCreateMessage(name_);
}

QString TCsvExportFile::WriteErrorText() const {
    using Left = platform::FileReplacement::Left;
    QString fate;
    switch (file_.left()) {
    case Left::Nothing:
        fate = QStringLiteral("Es wurde keine Datei angelegt.");
        break;
    case Left::Earlier:
        fate = QStringLiteral("Die bisherige Datei ist unverändert erhalten.");
        break;
    case Left::Incomplete:
        fate = QStringLiteral("Die Datei ist unvollständig.");
        break;
    }
    return QStringLiteral("Fehler beim Schreiben der Datei \"%1\": %2. %3")
        .arg(name_, platform::fileErrorText(file_.error()), fate);
}
