#include "platform/ini_file.h"

#include "platform/windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <array>

namespace platform {

namespace {

// Larger than any configuration file; such a file is read as empty and never overwritten.
constexpr qint64 kMaxFileSize = qint64{16} * 1024 * 1024;

std::optional<QString> sectionOf(const QString& line) {
    const QStringView t = QStringView(line).trimmed();
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed().toString();
}

// Position of the "=" of a key line, or -1 for sections, comments and other lines.
qsizetype equalsOf(const QString& line) {
    const QStringView t = QStringView(line).trimmed();
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'#') || t.startsWith(u'['))
        return -1;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0 || QStringView(line).left(eq).trimmed().isEmpty())
        return -1;
    return eq;
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isKeyLine(const QString& line, const QString& key) {
    const qsizetype eq = equalsOf(line);
    return eq >= 0 && sameName(QStringView(line).left(eq).trimmed(), key);
}

// The value as the file holds it: blanks around it do not count, and a value in double quotes
// stands for what is between them (so that blanks at its ends survive).
QString valueOf(const QString& line, qsizetype eq) {
    const QStringView v = QStringView(line).mid(eq + 1).trimmed();
    if (v.size() >= 2 && v.startsWith(u'"') && v.endsWith(u'"'))
        return v.mid(1, v.size() - 2).toString();
    return v.toString();
}

// The value as written: in double quotes where reading would otherwise change it.
QString encodedValue(const QString& value) {
    if (value.isEmpty())
        return value;
    const bool blankAtAnEnd = value.front().isSpace() || value.back().isSpace();
    const bool quoted = value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"');
    return blankAtAnEnd || quoted ? u'"' + value + u'"' : value;
}

// Where the carriage returns at the end of a line begin. A line keeps them as they were read,
// so that a file with stray ones is written back byte for byte.
qsizetype contentEnd(const QString& line) {
    qsizetype end = line.size();
    while (end > 0 && line[end - 1] == u'\r')
        --end;
    return end;
}

// Index of the first line of the key in the first section of that name that holds it, or -1.
qsizetype findKey(const std::vector<QString>& lines, const QString& section, const QString& key) {
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionOf(lines[i])) {
            inSection = sameName(*name, section);
            continue;
        }
        if (inSection && isKeyLine(lines[i], key))
            return static_cast<qsizetype>(i);
    }
    return -1;
}

} // namespace

QString iniPathForProgram(const QString& programPath) {
    const qsizetype slash = programPath.lastIndexOf(u'/');
    const qsizetype dot = programPath.lastIndexOf(u'.');
    // A dot that starts the file name or belongs to a folder is no extension.
    if (dot > slash + 1)
        return programPath.left(dot) + QStringLiteral(".INI");
    return programPath + QStringLiteral(".INI");
}

IniFile::IniFile(QString fileName) : fileName_(std::move(fileName)) {}

IniFile::~IniFile() {
    if (!pending_.empty())
        commit();
}

std::optional<int32_t> IniFile::parseInteger(const QString& text) {
    const QStringView t = QStringView(text).trimmed();
    qsizetype i = 0;
    const bool negative = !t.isEmpty() && t[0] == u'-';
    if (!t.isEmpty() && (t[0] == u'-' || t[0] == u'+'))
        i = 1;
    if (i >= t.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > int64_t{INT32_MAX} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

IniFile::LoadResult IniFile::load(const QString& fileName, Text& text, QByteArray* raw) {
    text = Text{};
    QFile file(fileName);
    if (!file.exists())
        return LoadResult::Missing;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return LoadResult::Unreadable;
    QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize || file.error() != QFileDevice::NoError)
        return LoadResult::Unreadable;
    if (raw)
        *raw = bytes;

    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF")) {
        text.bom = true;
        body = body.sliced(3);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString content = utf8.decode(body);
    if (utf8.hasError())
        content = decodeWindows1252(body);

    const qsizetype firstLf = content.indexOf(u'\n');
    text.crlf = firstLf > 0 && content[firstLf - 1] == u'\r';
    const bool lineEndAtTheEnd = content.endsWith(u'\n');
    if (lineEndAtTheEnd)
        content.chop(1);
    if (content.isEmpty())
        return LoadResult::Read;
    // Lines keep their carriage returns; only the line feed separates them.
    for (QString& line : content.split(u'\n'))
        text.lines.push_back(std::move(line));
    // The last line gets the line end the file's others have.
    if (!lineEndAtTheEnd && text.crlf)
        text.lines.back() += u'\r';
    return LoadResult::Read;
}

void IniFile::apply(Text& text, const Write& write) {
    std::vector<QString>& lines = text.lines;
    const QString cr = text.crlf ? QStringLiteral("\r") : QString();
    const qsizetype at = findKey(lines, write.section, write.key);
    if (at >= 0) {
        QString& line = lines[static_cast<size_t>(at)];
        const qsizetype eq = line.indexOf(u'=');
        if (valueOf(line, eq) == write.value)
            return;
        // Keep the key as it is spelt and spaced and the line's end, replace only the value.
        const qsizetype end = contentEnd(line);
        qsizetype valueStart = eq + 1;
        while (valueStart < end && line[valueStart].isSpace())
            ++valueStart;
        line = line.left(valueStart) + encodedValue(write.value) + line.mid(end);
        return;
    }

    const QString newLine = write.key + u'=' + encodedValue(write.value) + cr;
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines[i]);
        if (!name || !sameName(*name, write.section))
            continue;
        // After the section's last key, so comments and blank lines before the next section stay there.
        size_t insertAt = i + 1;
        for (size_t j = i + 1; j < lines.size() && !sectionOf(lines[j]); ++j) {
            if (equalsOf(lines[j]) >= 0)
                insertAt = j + 1;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
        return;
    }

    if (!lines.empty() && !lines.back().trimmed().isEmpty())
        lines.push_back(cr);
    lines.push_back(u'[' + write.section + u']' + cr);
    lines.push_back(newLine);
}

QByteArray IniFile::serialize(const Text& text) {
    QString content;
    for (const QString& line : text.lines)
        content += line + u'\n';
    QByteArray bytes = content.toUtf8();
    if (text.bom)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

const IniFile::Text& IniFile::cached() const {
    if (!cache_) {
        cache_ = Text{};
        load(fileName_, *cache_, nullptr);
        for (const Write& w : pending_)
            apply(*cache_, w);
    }
    return *cache_;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Text& text = cached();
    const qsizetype at = findKey(text.lines, section, key);
    if (at < 0)
        return defaultValue;
    const QString& line = text.lines[static_cast<size_t>(at)];
    return valueOf(line, line.indexOf(u'='));
}

int32_t IniFile::readInteger(const QString& section, const QString& key, int32_t defaultValue) const {
    const Text& text = cached();
    const qsizetype at = findKey(text.lines, section, key);
    if (at < 0)
        return defaultValue;
    const QString& line = text.lines[static_cast<size_t>(at)];
    return parseInteger(valueOf(line, line.indexOf(u'='))).value_or(defaultValue);
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    const Text& text = cached();
    const qsizetype at = findKey(text.lines, section, key);
    if (at < 0)
        return defaultValue;
    const QString& line = text.lines[static_cast<size_t>(at)];
    const auto number = parseInteger(valueOf(line, line.indexOf(u'=')));
    return number ? *number != 0 : defaultValue;
}

void IniFile::write(const QString& section, const QString& key, const QString& value) {
    QString clean = value;
    clean.replace(u'\r', u' ').replace(u'\n', u' ');
    pending_.push_back(Write{section, key, std::move(clean)});
    if (cache_)
        apply(*cache_, pending_.back());
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    write(section, key, value);
}

void IniFile::writeInteger(const QString& section, const QString& key, int32_t value) {
    write(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    write(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::commit() {
    errorText_.clear();
    if (pending_.empty())
        return true;

    // Read the file afresh: another object may have written its own keys since we read it.
    Text fresh;
    QByteArray before;
    const LoadResult loaded = load(fileName_, fresh, &before);
    bool ok = loaded != LoadResult::Unreadable;
    if (ok) {
        for (const Write& w : pending_)
            apply(fresh, w);
        const QByteArray after = serialize(fresh);
        if (loaded == LoadResult::Missing || after != before) {
            const QFileInfo info(fileName_);
            ok = !(info.exists() && !info.isWritable());
            QSaveFile out(fileName_);
            ok = ok && out.open(QIODevice::WriteOnly) && out.write(after) == after.size() && out.commit();
        }
    }
    if (!ok) {
        errorText_ = QStringLiteral("In %1 kann nicht geschrieben werden")
                         .arg(QFileInfo(fileName_).absoluteFilePath());
        return false;
    }
    pending_.clear();
    cache_ = std::move(fresh);
    return true;
}

} // namespace platform
