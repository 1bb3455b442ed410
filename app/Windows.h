#pragma once

class QLocale;

// Sets the running application up as the program uses it: its name, font and help file, Qt's
// German texts for the dialogs Qt supplies, and the decimal separator of locale. Window titles
// stay exactly as the windows set them.
void SetUpApplication(const QLocale& locale);

// Creates the program's windows once, in their start-up order; the first is the main window.
void CreateProgramWindows();
// Destroys them in the reverse order, while every widget still exists.
void DestroyProgramWindows();
