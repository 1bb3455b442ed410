#pragma once

#include "platform/file_replacement.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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
