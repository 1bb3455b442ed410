#include "app/LiveProtocol.h"

TWerteSatz LiveProtocolRecord(const TWerteSatz& live, const QDate& today, const QString& testerSerialNumber,
                              const QString& inspector) {
    TWerteSatz w = live;
    w.KundenNr = 0;
    w.PrueflingNr = 0;
    w.PruefungsNr = 0;
    for (QString* text :
         {&w.Name1, &w.Name2, &w.Name3, &w.KdStr, &w.KdLKZ, &w.KdPLZ, &w.KdOrt, &w.Telefon, &w.Fax,
          &w.Bezeichnung, &w.Typ, &w.Inventarnummer, &w.Fabrikationsnummer, &w.Seriennummer, &w.Barcode})
        text->clear();
    w.Datum = QDateTime(today, QTime(0, 0));
    w.GTSeriennummer = testerSerialNumber;
    w.Pruefungsergebnis = (w.Messablauf & FailureMask) == 0;
    w.Notiz.clear();
    w.Pruefer = inspector;
    DecodeWerteSatzFlags(w);
    return w;
}

QString SafetyNoteText() {
    return QStringLiteral(
        "Bitte beachten Sie die Bedienungsanleitung zum Gerätetester.\n\n"
        "Die Prüfungen mit dem Gerätetester an elektrischen Geräten dürfen nur von einer "
        "Elektrofachkraft oder von einer Elektrofachkraft unterwiesenen Person durchgeführt "
        "werden.");
}
