#pragma once

#include <QString>

#include <functional>

namespace platform {

// Switches of a file dialog, combined with |.
enum FileDialogOption : unsigned {
    fdHideReadOnly = 1,    // no read-only check box
    fdPathMustExist = 2,   // the folder of a typed name must exist
    fdEnableSizing = 4,    // the window can be resized
    fdOverwritePrompt = 8, // ask before an existing file is replaced
};

// What a save dialog is opened with. Filter: pairs of caption and pattern separated by "|",
// as in "CSV-Dateien (*.csv)|*.csv|alle Dateien (*.*)|*.*".
struct SaveFileRequest {
    QString FileName; // preset name
    QString Title;
    QString Filter;
    QString DefaultExtension; // without the point; added to a name typed without one
    unsigned Options = 0;
};

struct SaveFileResult {
    bool Accepted = false;
    QString FileName; // the chosen name; empty when not accepted
};

using SaveFileHandler = std::function<SaveFileResult(const SaveFileRequest& request)>;

// A modal save dialog.
SaveFileResult saveFileDialog(const SaveFileRequest& request);

// Replaces the real dialog (tests answer it); returns the handler before. An empty handler
// brings the real dialog back.
SaveFileHandler setSaveFileHandler(SaveFileHandler handler);

// The filter text in the form Qt's file dialog takes ("caption;;caption").
QString qtFilterText(const QString& filter);
// name with ".extension" added when it has no extension of its own.
QString withDefaultExtension(const QString& name, const QString& extension);

} // namespace platform
