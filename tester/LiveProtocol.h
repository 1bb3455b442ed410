#pragma once

#include "tester/WerteSatz.h"

#include <QDate>
#include <QString>

// The visual inspection as the tester reports it, live in its settings block (d2, d6) and
// stored in a record (part 1 bytes 3 and 4): -1 not decided while it is pending, else 1 when
// the sequence flags say passed, 0 when they do not.
int32_t SichtpruefOf(bool pending, int32_t messablauf);
// A test is in order when its visual inspection did not fail and its sequence flags hold
// none of the failure bits; the rule of a fetched record too.
bool PruefungInOrdnung(int32_t sichtpruef, int32_t messablauf);

// The record of a protocol of the live test: the live record with no customer or device,
// dated today, stamped with the tester and the operator; its visual inspection from the
// tester's report, its result by the rule of a fetched record, its measurements those that
// apply at the tester's firmware level.
TWerteSatz LiveProtocolRecord(const TWerteSatz& live, bool visualCheckPending, const QDate& today,
                              const QString& testerSerialNumber, const QString& inspector,
                              int32_t firmwareLevel);

// The text of the safety note behind the picture beside the tool bar.
QString SafetyNoteText();
