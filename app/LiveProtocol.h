#pragma once

#include "app/Globals.h"

#include <QDate>
#include <QString>

// The record of a protocol of the live test: the live record with no customer or device,
// dated today, stamped with the tester and the operator, passed when the tester's sequence
// flags hold none of the failure bits.
TWerteSatz LiveProtocolRecord(const TWerteSatz& live, const QDate& today, const QString& testerSerialNumber,
                              const QString& inspector);

// The text of the safety note behind the picture beside the tool bar.
QString SafetyNoteText();
