#include "platform/statement.h"

#include <map>

namespace platform {

EDatabaseError engineError(sqlite3* db, QString file) {
    static const char* const locked = "Die Datenbankdatei \"%1\" ist von einem anderen Programm gesperrt. "
                                      "Bitte später noch einmal versuchen.";
    static const char* const denied = "Der Zugriff auf die Datenbankdatei \"%1\" ist nicht erlaubt.";
    static const std::map<int, const char*> sentences = {
        {SQLITE_READONLY,
         "Die Datenbankdatei \"%1\" ist schreibgeschützt; Änderungen können nicht gespeichert werden."},
        {SQLITE_NOTADB, "Die Datei \"%1\" ist keine Datenbankdatei oder sie ist beschädigt."},
        {SQLITE_CORRUPT, "Die Datenbankdatei \"%1\" ist beschädigt."},
        {SQLITE_CANTOPEN, "Die Datenbankdatei \"%1\" kann nicht angelegt oder geöffnet werden. Gibt es das "
                          "Verzeichnis und darf das Programm darin schreiben?"},
        {SQLITE_BUSY, locked},
        {SQLITE_LOCKED, locked},
        {SQLITE_FULL, "Die Datenbankdatei \"%1\" kann nicht wachsen: der Datenträger ist voll."},
        {SQLITE_IOERR, "Die Datenbankdatei \"%1\" kann nicht gelesen oder geschrieben werden."},
        {SQLITE_PERM, denied},
        {SQLITE_AUTH, denied},
        {SQLITE_NOMEM, "Für die Datenbankdatei \"%1\" reicht der Arbeitsspeicher nicht."},
        {SQLITE_CONSTRAINT, "Die Datenbankdatei \"%1\" nimmt die Änderung nicht an."},
    };
    const int code = sqlite3_extended_errcode(db) & 0xff;
    const auto it = sentences.find(code);
    const char* sentence = it != sentences.end() ? it->second : "Fehler in der Datenbankdatei \"%1\".";
    if (file.isEmpty())
        file = QString::fromUtf8(sqlite3_db_filename(db, "main"));
    EDatabaseError error(QString::fromUtf8(sentence).arg(file) + QStringLiteral("\nMeldung der Datenbank: ") +
                             QString::fromUtf8(sqlite3_errmsg(db)),
                         it != sentences.end() && code != SQLITE_CONSTRAINT);
    Database::noteEngineFailure(db, error);
    return error;
}

std::vector<QString> fieldNames(sqlite3_stmt* st, int first) {
    std::vector<QString> names;
    std::map<QString, int> seen;
    for (int i = first; i < sqlite3_column_count(st); ++i) {
        QString name = QString::fromUtf8(sqlite3_column_name(st, i));
        if (const int n = seen[name.toLower()]++)
            name += QStringLiteral("_%1").arg(n);
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace platform
