#pragma once
// Pictures on the desktop's clipboard, whatever image type the program that put them there offered
// (a bitmap, a PNG, ...).
#include <QImage>

namespace ws {

// The picture on the clipboard; null when there is none.
QImage clipboardPicture();
// Whether the clipboard holds a picture that can be read.
bool clipboardHasPicture();

}  // namespace ws
