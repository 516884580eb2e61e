#pragma once
// The pictures of the main window's toolbar buttons: each button's icon from the desktop's icon
// theme by its freedesktop name, or, where the theme has none or only a faint one, the program's
// own drawing of the same thing (an SVG built into the program).
#include <QColor>
#include <QIcon>
#include <QString>

namespace ws {

// The freedesktop icon name a button key asks the theme for ("" for a key whose names in the
// naming rules do not say what the button does: its own drawing is always used).
QString toolbarIconName(const QString& key);
// The program's own drawing for a key (null for an unknown key).
QIcon toolbarFallbackIcon(const QString& key);
// Whether an icon, at the toolbar's size over a bar of this colour, shows too little to be read
// beside the other buttons: nothing drawn, or only pale lines without colour (the grey pictures
// some themes keep for old names).
bool isFaintIcon(const QIcon& icon, const QColor& bar);
// The theme's icon when it has one that is not faint over the window's colour, else the program's own.
QIcon toolbarIcon(const QString& key);

}  // namespace ws
