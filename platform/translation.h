#pragma once

#include <QString>

namespace platform {

// Qt's own German texts ("qtbase_de") for what Qt supplies: buttons of message boxes, the file
// and print dialogs, the edit fields' context menus. Loads them from folder, or from Qt's
// translations folder when folder is empty, and installs them once for the whole program.
// False when the file cannot be loaded; Qt then keeps its English texts and the program runs on.
bool loadQtTranslation(const QString& folder = QString());

} // namespace platform
