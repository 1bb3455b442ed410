#pragma once

#include <QString>

namespace platform {

// The application's help file: a German HTML page beside the program.
void setHelpFile(const QString& fileName);
// The file's full path: as set when absolute, else beside the program.
QString helpFilePath();

// Opens the help file in the help window; false when it cannot be read (the window then
// says so).
bool showHelpIndex();
// How to use the help window.
void showHelpOnHelp();

} // namespace platform
