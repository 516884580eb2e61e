#pragma once
// The pictures of the main window's toolbar buttons: each button's icon from the desktop's icon
// theme by its freedesktop name, or, where the theme has none, the program's own drawing of the
// same thing (an SVG built into the program).
#include <QIcon>
#include <QString>

namespace ws {

// The freedesktop icon name a button key asks the theme for ("" for a key the naming rules have no
// name for: its own drawing is always used).
QString toolbarIconName(const QString& key);
// The program's own drawing for a key (null for an unknown key).
QIcon toolbarFallbackIcon(const QString& key);
// The theme's icon when it has one, else the program's own.
QIcon toolbarIcon(const QString& key);

}  // namespace ws
