#pragma once

// Creates the program's windows once, in their start-up order; the first is the main window.
void CreateProgramWindows();
// Destroys them in the reverse order, while every widget still exists.
void DestroyProgramWindows();
