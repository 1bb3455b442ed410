#pragma once

#include "app/Globals.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// The semicolon-separated export: a header line and one line per test, with the columns
// switched on in Globals::ExportColumns, in the order of ExportColumnTable.

// Each item in double quotes, joined by ";". A double quote inside an item becomes a single
// quote, so that an item never ends early; a note's line breaks stay inside its quotes.
QString StringsToCsvLine(const QStringList& items);
// Header item of every switched-on column ("SichtpruefungBestanden" for key Sichtpruefung).
void FillCsvHeader(QStringList& items);
// Value item of every switched-on column.
void FillCsvValues(QStringList& items, const TWerteSatz& w);
QString CsvHeaderLine();
QString CsvValueLine(const TWerteSatz& w);

// The value item of one column key; a key that is no column gives an empty text.
QString CsvValueOf(const char* key, const TWerteSatz& w);

// `Die Datei "<name>" kann nicht angelegt werden.`
QString CannotCreateMessage(const QString& fileName);

// One export file, written as Windows-1252 lines ending in CR LF. Create replaces a file of
// the name; a line that cannot be written ends the export and leaves what was written.
class TCsvExportFile {
public:
    bool Create(const QString& fileName);
    bool WriteLine(const QString& line);
    void Close();
    bool IsOpen() const { return file_.isOpen(); }
    // German text of the failed write.
    QString WriteErrorText() const;

private:
    QFile file_;
};
