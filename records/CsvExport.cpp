#include "records/CsvExport.h"

#include "platform/windows1252.h"
#include "records/StoredData.h"

#include <QHash>

#include <functional>

namespace {

QString num(int32_t v) {
    return QString::number(v);
}

QString dateText(const QDateTime& d) {
    return d.isValid() ? d.date().toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

using ValueFn = std::function<QString(const TWerteSatz&)>;

const QHash<QString, ValueFn>& valueTable() {
    static const QHash<QString, ValueFn> table = {
        {QStringLiteral("KundenNr"), [](const TWerteSatz& w) { return num(w.KundenNr); }},
        {QStringLiteral("PrueflingNr"), [](const TWerteSatz& w) { return num(w.PrueflingNr); }},
        {QStringLiteral("PruefungsNr"), [](const TWerteSatz& w) { return num(w.PruefungsNr); }},
        {QStringLiteral("Name1"), [](const TWerteSatz& w) { return w.Name1; }},
        {QStringLiteral("Name2"), [](const TWerteSatz& w) { return w.Name2; }},
        {QStringLiteral("Name3"), [](const TWerteSatz& w) { return w.Name3; }},
        {QStringLiteral("KdStr"), [](const TWerteSatz& w) { return w.KdStr; }},
        {QStringLiteral("KdLKZ"), [](const TWerteSatz& w) { return w.KdLKZ; }},
        {QStringLiteral("KdPLZ"), [](const TWerteSatz& w) { return w.KdPLZ; }},
        {QStringLiteral("KdOrt"), [](const TWerteSatz& w) { return w.KdOrt; }},
        {QStringLiteral("Telefon"), [](const TWerteSatz& w) { return w.Telefon; }},
        {QStringLiteral("Fax"), [](const TWerteSatz& w) { return w.Fax; }},
        {QStringLiteral("Bezeichnung"), [](const TWerteSatz& w) { return w.Bezeichnung; }},
        {QStringLiteral("Typ"), [](const TWerteSatz& w) { return w.Typ; }},
        {QStringLiteral("Inventarnummer"), [](const TWerteSatz& w) { return w.Inventarnummer; }},
        {QStringLiteral("Fabrikationsnummer"), [](const TWerteSatz& w) { return w.Fabrikationsnummer; }},
        {QStringLiteral("Seriennummer"), [](const TWerteSatz& w) { return w.Seriennummer; }},
        {QStringLiteral("Barcode"), [](const TWerteSatz& w) { return w.Barcode; }},
        {QStringLiteral("Datum"), [](const TWerteSatz& w) { return dateText(w.Datum); }},
        {QStringLiteral("GTSeriennummer"), [](const TWerteSatz& w) { return w.GTSeriennummer; }},
        {QStringLiteral("Grenzwertflags"), [](const TWerteSatz& w) { return num(w.Grenzwertflags); }},
        {QStringLiteral("Menueflags"), [](const TWerteSatz& w) { return num(w.Menueflags); }},
        {QStringLiteral("Schutzklasse"), [](const TWerteSatz& w) { return num(w.Schutzklasse); }},
        {QStringLiteral("Sichtpruefung"), [](const TWerteSatz& w) { return SichtpruefText(w.Sichtpruef); }},
        {QStringLiteral("Messablauf"), [](const TWerteSatz& w) { return num(w.Messablauf); }},
        {QStringLiteral("Schutzleiterwid"),
         [](const TWerteSatz& w) { return FormatSchutzleiterwid(w.Schutzleiterwid); }},
        {QStringLiteral("Isolationswid"),
         [](const TWerteSatz& w) { return FormatIsolationswid(w.Isolationswid); }},
        {QStringLiteral("Ableitstrom"), [](const TWerteSatz& w) { return FormatAbleitstrom(w.Ableitstrom); }},
        {QStringLiteral("SchutzlStromL1N"),
         [](const TWerteSatz& w) { return FormatStrom(w.SchutzlStromL1N); }},
        {QStringLiteral("SchutzlStromNL1"),
         [](const TWerteSatz& w) { return FormatStrom(w.SchutzlStromNL1); }},
        {QStringLiteral("BeruehrungsstromL1N"),
         [](const TWerteSatz& w) { return FormatStrom(w.BeruehrungsstromL1N); }},
        {QStringLiteral("BeruehrungsstromNL1"),
         [](const TWerteSatz& w) { return FormatStrom(w.BeruehrungsstromNL1); }},
        {QStringLiteral("GrwSchutzleiterwid"),
         [](const TWerteSatz& w) { return FormatSchutzleiterwid(w.GrwSchutzleiterwid); }},
        {QStringLiteral("GrwIsolationswid"),
         [](const TWerteSatz& w) { return FormatIsolationswid(w.GrwIsolationswid); }},
        {QStringLiteral("GrwAbleitstrom"),
         [](const TWerteSatz& w) { return FormatAbleitstrom(w.GrwAbleitstrom); }},
        {QStringLiteral("GrwSchutzleiterstrom"),
         [](const TWerteSatz& w) { return FormatStrom(w.GrwSchutzleiterstrom); }},
        {QStringLiteral("GrwBeruehrungsstrom"),
         [](const TWerteSatz& w) { return FormatStrom(w.GrwBeruehrungsstrom); }},
        {QStringLiteral("GrwSchnellabschaltung"),
         [](const TWerteSatz& w) { return FormatStrom(w.GrwSchnellabschaltung); }},
        {QStringLiteral("Pruefungsergebnis"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.Pruefungsergebnis); }},
        {QStringLiteral("Notiz"), [](const TWerteSatz& w) { return w.Notiz; }},
        {QStringLiteral("Pruefer"), [](const TWerteSatz& w) { return w.Pruefer; }},
        {QStringLiteral("SchutzleiterwidLimit"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.SchutzleiterwidLimit); }},
        {QStringLiteral("IsolationswidLimit"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.IsolationswidLimit); }},
        {QStringLiteral("AbleitstromLimit"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.AbleitstromLimit); }},
        {QStringLiteral("SchutzlStromL1NLimit"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.SchutzlStromL1NLimit); }},
        {QStringLiteral("SchutzlStromNL1Limit"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.SchutzlStromNL1Limit); }},
        {QStringLiteral("BeruehrungsstromL1NLimit"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.BeruehrungsstromL1NLimit); }},
        {QStringLiteral("BeruehrungsstromNL1Limit"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.BeruehrungsstromNL1Limit); }},
        {QStringLiteral("Schnellabschaltung"),
         [](const TWerteSatz& w) { return BoolToJaNein(w.Schnellabschaltung); }},
        {QStringLiteral("automatisch"), [](const TWerteSatz& w) { return BoolToJaNein(w.automatisch); }},
        {QStringLiteral("DINVDE"),
         [](const TWerteSatz& w) {
             return w.DINVDE == 1   ? QStringLiteral("0701")
                    : w.DINVDE == 2 ? QStringLiteral("0702")
                                    : QString();
         }},
        {QStringLiteral("mitIsol"),
         [](const TWerteSatz& w) {
             return w.mitIsoDiff ? QStringLiteral("Iso+Diff") : BoolToJaNein(w.mitIsol);
         }},
        {QStringLiteral("manuGrenz"), [](const TWerteSatz& w) { return BoolToJaNein(w.manuGrenz); }},
        {QStringLiteral("mitBeruehr"), [](const TWerteSatz& w) { return BoolToJaNein(w.mitBeruehr); }},
        {QStringLiteral("abgebrochen"), [](const TWerteSatz& w) { return BoolToJaNein(w.abgebrochen); }},
        {QStringLiteral("Enables"), [](const TWerteSatz& w) { return num(w.Enables); }},
    };
    return table;
}

QString cleanItem(QString item) {
    item.replace(u'"', u'\'');
    return item;
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
    const auto& table = valueTable();
    const auto it = table.find(QString::fromLatin1(key));
    return it == table.end() ? QString() : it.value()(w);
}

QString CannotCreateMessage(const QString& fileName) {
    return QStringLiteral("Die Datei \"") + fileName + QStringLiteral("\" kann nicht angelegt werden.");
}

bool TCsvExportFile::Create(const QString& fileName) {
    Close();
    if (fileName.isEmpty())
        return false;
    file_.setFileName(fileName);
    return file_.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool TCsvExportFile::WriteLine(const QString& line) {
    if (!file_.isOpen())
        return false;
    const QByteArray bytes = platform::encodeWindows1252(line) + "\r\n";
    return file_.write(bytes) == bytes.size() && file_.flush();
}

void TCsvExportFile::Close() {
    if (file_.isOpen())
        file_.close();
}

QString TCsvExportFile::WriteErrorText() const {
    return QStringLiteral("Fehler beim Schreiben der Datei \"%1\": %2")
        .arg(file_.fileName(), file_.errorString());
}
