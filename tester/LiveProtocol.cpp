#include "tester/LiveProtocol.h"

int32_t SichtpruefOf(bool pending, int32_t messablauf) {
    if (pending)
        return -1;
    return (messablauf & Messablauf::SichtpruefungBestanden) ? 1 : 0;
}

bool PruefungInOrdnung(int32_t sichtpruef, int32_t messablauf) {
    return sichtpruef != 0 && (messablauf & FailureMask) == 0;
}

TWerteSatz LiveProtocolRecord(const TWerteSatz& live, bool visualCheckPending, const QDate& today,
                              const QString& testerSerialNumber, const QString& inspector,
                              int32_t firmwareLevel) {
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
    w.Sichtpruef = SichtpruefOf(visualCheckPending, w.Messablauf);
    w.Pruefungsergebnis = PruefungInOrdnung(w.Sichtpruef, w.Messablauf);
    w.Notiz.clear();
    w.Pruefer = inspector;
    DecodeWerteSatzFlags(w, firmwareLevel);
    return w;
}

QString SafetyNoteText() {
    return QStringLiteral(
        "Bitte beachten Sie die Bedienungsanleitung zum Gerätetester.\n\n"
        "Die Prüfungen mit dem Gerätetester an elektrischen Geräten dürfen nur von einer "
        "Elektrofachkraft oder von einer Elektrofachkraft unterwiesenen Person durchgeführt "
        "werden.");
}
