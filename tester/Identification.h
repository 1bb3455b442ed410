#pragma once

#include "serial/SyncBus.h"
#include "tester/TesterSettings.h"

#include <QString>

// The tester's serial number from the d0..d4 of its $11 answer: per byte first the low,
// then the high nibble, each as the character "0" + nibble (ten characters).
QString SerialNumberFromFrame(const TProtok& answer);

// The program version from d0..d6 of the $10 answer: c0.c1c2.c3c4 c5c6.
QString ProgramVersionFromFrame(const TProtok& answer);

// Firmware level 0..3 from the version characters c0..c4 of the $10 answer.
int FirmwareLevelFromFrame(const TProtok& answer);
// The same from the version's first five characters (missing ones count as 0).
int FirmwareLevelOfVersion(const char* c, size_t count);

// Status panel 5: the level with two digits, empty for level 0.
QString FirmwareLevelPanelText(int level);

// Highest position of the protective-conductor limit bar: 10 limits from level 1 on, else 8.
int PeTrackBarMax(int level);

// Up to three $11 requests while the port is open; empty without an answer.
QString GetSerialNumber(ITesterLink& link);

struct TProgramVersion {
    QString Version;       // empty without an answer
    int FirmwareLevel = 0; // 0 without an answer
    bool Answered = false; // a version answer arrived
    bool LinkLost = false; // the port closed before an attempt
};
// Up to three $10 requests while the port is open.
TProgramVersion GetProgramVersion(ITesterLink& link);
