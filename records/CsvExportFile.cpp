#include "records/CsvExportFile.h"

#include "platform/windows1252.h"
#include "records/ProgramDatabase.h"

QString CannotCreateMessage(const QString& fileName) {
    return QStringLiteral("Die Datei \"") + fileName + QStringLiteral("\" kann nicht angelegt werden.");
}

QString DatabaseFileMessage(const QString& fileName) {
    return QStringLiteral("Die Datei \"%1\" gehört zur Datenbank des Programms und wird nicht als "
                          "Exportdatei überschrieben. Bitte wählen Sie einen anderen Dateinamen.")
        .arg(fileName);
}

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
