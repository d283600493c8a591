#pragma once

#include <QIcon>

namespace qev::app {

// The desktop entry's name (qevdvb.desktop), which is also the icon's name in the theme.
inline constexpr const char *kDesktopFileName = "qevdvb";

// The program's icon at every size it is drawn in, from the program itself, so that an
// uninstalled program shows it too.
QIcon ApplicationIcon();

// Tells the desktop which entry and icon the windows belong to. Needs the QApplication.
void SetDesktopIdentity();

} // namespace qev::app
