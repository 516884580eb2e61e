#pragma once
// The magnifier over a pressed thumbnail (album manager, directory browser): the magnifier window,
// 260 x 199 pixels (199 x 260 for a portrait picture) centred on the thumbnail, showing the whole
// picture scaled to it, open while the mouse button is held.
#include <QRect>
#include <cstdint>

class QWidget;

namespace albums {

class ThumbCell;

// Where the magnifier goes, in screen pixels: its size by the picture's orientation, centred on the
// thumbnail whose top-left lies at origin (screen pixels) with the given size.
QRect thumbMagnifierRect(QPoint origin, QSize thumbSize, int32_t imageWidth, int32_t imageHeight);

// Opens the magnifier over a cell that holds a picture (nothing for an empty cell); closes it.
void openThumbMagnifier(QWidget* owner, const ThumbCell* cell);
void closeThumbMagnifier();

}  // namespace albums
