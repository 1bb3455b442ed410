#pragma once

#include <QString>

#include <cstdint>

// The main window's own configuration values; the window owns one and applies it.
struct MainWindowSettings {
    // The window's position; before loading, its current one, which is the default.
    int32_t Left = 192;
    int32_t Top = 107;
    uint8_t Port = 1;
    QString BusLog;
    QString COMLog;
    QString PgmLog;
    bool ShowHints = true; // ToolButton8.Down
    int32_t SettingDelay = 0;
    int32_t DlgDelay = 0;
};

// The running program's configuration file: its path with ".INI" in place of the extension.
QString ProgramIniFileName();

// Reads the 88 keys of the main window into the window's values and the program-wide
// values of Globals, in file order, each with its default. Never fails.
void LoadIniSettings(const QString& iniFileName, MainWindowSettings& window);
// Writes the same 88 keys. On failure the file stays as it was and errorText (when given)
// receives the German message for the user.
bool SaveIniSettings(const QString& iniFileName, const MainWindowSettings& window,
                     QString* errorText = nullptr);

// Text of the status panel that names the port, "COM" and the number.
QString PortPanelText(uint8_t port);

// Where a dialog keeps its window position; a null key is not kept.
struct PositionKeys {
    const char* Section;
    const char* Left;
    const char* Top;
    const char* Width;
    const char* Height;
};

namespace PositionSections {
inline constexpr PositionKeys Messmodus{"Position", "MessmodLeft", "MessmodTop", nullptr, nullptr};
inline constexpr PositionKeys Datenanzeige{"Position", "StoreDataLeft", "StoreDataTop", nullptr, nullptr};
inline constexpr PositionKeys AuswListe{"Position", "SelectListLeft", "SelectListTop", "SelectListWidth",
                                        "SelectListHeight"};
inline constexpr PositionKeys Datenabruf{"LoadDataPosition", "Left", "Top", "Width", "Height"};
inline constexpr PositionKeys Pruefling{"SelDevicePosition", "Left", "Top", nullptr, "Height"};
} // namespace PositionSections

// Left and top edge, outer width and height in screen pixels.
struct WindowPosition {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
};

// Reads the dialog's keys in the order Left, Top, Width, Height; each default is the value
// already in position (the window's current one).
void LoadPosition(const QString& iniFileName, const PositionKeys& keys, WindowPosition& position);
// Writes the same keys; on failure as SaveIniSettings.
bool SavePosition(const QString& iniFileName, const PositionKeys& keys, const WindowPosition& position,
                  QString* errorText = nullptr);
