#pragma once

#include "platform/file_replacement.h"
#include "tester/Globals.h"
#include "tester/WerteSatzFields.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace platform {
class Database;
} // namespace platform

// The semicolon-separated export: a header line and one line per test, with the columns
// switched on in Globals::ExportColumns, in the order of ExportColumnTable (the exported
// fields of WerteSatzFields). The caller gives the connected tester's firmware level: it decides
// the insulation's overflow text and, for the records read here, which measurements apply.

// Each item in double quotes, joined by ";". A double quote inside an item becomes a single
// quote, so that an item never ends early; a note's line breaks stay inside its quotes.
QString StringsToCsvLine(const QStringList& items);
// Header item of every switched-on column ("SichtpruefungBestanden" for key Sichtpruefung).
void FillCsvHeader(QStringList& items);
// Value item of every switched-on column.
void FillCsvValues(QStringList& items, const TWerteSatz& w, int32_t firmwareLevel);
QString CsvHeaderLine();
QString CsvValueLine(const TWerteSatz& w, int32_t firmwareLevel);

// The value item of one column key; a key that is no column gives an empty text.
QString CsvValueOf(const char* key, const TWerteSatz& w, int32_t firmwareLevel);

// The text of a value in the formats that depend on one number alone (not Text, not Date).
// MitIsol: bit 0 mitIsol, bit 1 mitIsoDiff.
QString FieldValueText(TFieldFormat format, int32_t value, int32_t firmwareLevel);

// `Die Datei "<name>" kann nicht angelegt werden.`
QString CannotCreateMessage(const QString& fileName);
// The refusal of an export onto one of the program's database files.
QString DatabaseFileMessage(const QString& fileName);

// One export file, written as Windows-1252 lines ending in CR LF. Lines are held back and
// written in blocks: Flush writes what is held back and says whether every line reached the
// file; after a failed write nothing more is written.
// The lines go to a temporary file that replaces the file of the name only at Commit, so that
// an export which fails halfway leaves an earlier file as it was and no part of its own (see
// platform::FileReplacement). A device or pipe is written directly. A database file of the
// program is never a target.
class TCsvExportFile {
public:
    TCsvExportFile() = default;
    TCsvExportFile(const TCsvExportFile&) = delete;
    TCsvExportFile& operator=(const TCsvExportFile&) = delete;
    ~TCsvExportFile() { Discard(); }

    bool Create(const QString& fileName);
    bool WriteLine(const QString& line);
    // A line already in Windows-1252, without its line end.
    bool WriteBytes(QByteArrayView line);
    bool Flush();
    // Empties the file to write it anew.
    bool Restart();
    // Writes what is held back and puts the file in place; false when any write failed, and
    // then nothing replaced the earlier file.
    bool Commit();
    // Drops what was written since Create; an earlier file of the name stays as it was.
    void Discard();
    bool IsOpen() const { return file_.isOpen(); }
    // German text of a failed Create.
    QString CreateErrorText() const;
    // German text of the failed write, saying what became of the file.
    QString WriteErrorText() const;

private:
    bool writeOut();

    QString name_;
    platform::FileReplacement file_;
    bool database_ = false; // Create refused a database file
    QByteArray held_;
    bool failed_ = false;
};

// Every test with its device and that device's customer, in the order the database delivers
// the join (tests whose device or customer is missing are left out): the header line, then
// one line per test, as FillWerteSatz and CsvValueLine make them. False when a write failed;
// errors of the database reach the caller.
bool WriteAllTests(platform::Database& db, TCsvExportFile& file, int32_t firmwareLevel);
