#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// The configuration file that belongs to a program file: same folder and base name, the
// last extension replaced by ".INI" (a program without extension just gets ".INI" added).
QString iniPathForProgram(const QString& programPath);

// A configuration file in the INI format ("[Section]" lines, "key=value" lines).
//
// Section and key names match without regard to case; whitespace around names and values is
// ignored; CR LF and LF line ends both read. A value in double quotes reads as what stands
// between them; a value with blanks at its start or end, or one in quotes itself, is written
// so. A missing file, section or key, or a value that is not a decimal number where a number
// is asked for, gives the caller's default.
//
// Writes are collected and put into the file by commit() (at the latest by the destructor):
// the file is read afresh, every key written here is updated where it stands or added at the
// end of its section, and the whole text goes to a temporary file beside it that then replaces
// the file. Sections, keys and comments that were not written stay as they are, so several
// objects may write their own keys of one file in turn; a file saved without a change keeps
// every byte, line ends included. The file is written as UTF-8; a file that is not valid UTF-8
// is read as Windows-1252.
class IniFile {
public:
    // Touches no file; a missing file is no error.
    explicit IniFile(QString fileName);
    // Commits what is still pending; a failure there can only be seen through commit().
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const QString& fileName() const { return fileName_; }

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    int32_t readInteger(const QString& section, const QString& key, int32_t defaultValue) const;
    // Read as an integer: any number other than 0 is true.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    // Line breaks in a value become blanks, so a value cannot break the file's structure.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int32_t value);
    // Written as "1" or "0".
    void writeBool(const QString& section, const QString& key, bool value);

    // Puts every pending write into the file. On failure the file stays as it was, the writes
    // stay pending and errorText() holds "In <full file name> kann nicht geschrieben werden".
    // A file that exists but cannot be read is never replaced.
    bool commit();
    bool hasPendingWrites() const { return !pending_.empty(); }
    const QString& errorText() const { return errorText_; }

    // A decimal integer (optional sign, digits only) in the signed 32-bit range.
    static std::optional<int32_t> parseInteger(const QString& text);

private:
    // The file's lines without their line feeds (carriage returns stay), and how to end new ones.
    struct Text {
        std::vector<QString> lines;
        bool crlf = false;
        bool bom = false;
    };
    struct Write {
        QString section;
        QString key;
        QString value;
    };
    enum class LoadResult { Read, Missing, Unreadable };

    static LoadResult load(const QString& fileName, Text& text, QByteArray* raw);
    static void apply(Text& text, const Write& write);
    static QByteArray serialize(const Text& text);
    const Text& cached() const;
    void write(const QString& section, const QString& key, const QString& value);

    QString fileName_;
    mutable std::optional<Text> cache_; // the file as first read, with the writes made since
    std::vector<Write> pending_;
    QString errorText_;
};

} // namespace platform
