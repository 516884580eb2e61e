#pragma once
// The magnifier over a pressed thumbnail (album manager, directory browser): a window 260 x 199
// pixels (199 x 260 for a portrait picture) centred on the thumbnail, showing the whole picture
// scaled to it, open while the mouse button is held. The magnifier window itself belongs to the
// page-view work; until it is there, windows that want one install an opener here.
#include "platform/memory/global_memory.h"

#include <QRect>
#include <functional>

class QWidget;

namespace albums {

class ThumbCell;

// Where the magnifier goes, in screen pixels: its size by the picture's orientation, centred on the
// thumbnail whose top-left lies at origin (screen pixels) with the given size.
QRect thumbMagnifierRect(QPoint origin, QSize thumbSize, int32_t imageWidth, int32_t imageHeight);

// Shows the magnifier modally over `owner` with the picture (taken over) in `screenRect`.
using ThumbMagnifierOpen = std::function<void(QWidget* owner, plat::HGLOBAL picture, QRect screenRect)>;
using ThumbMagnifierClose = std::function<void()>;
void setThumbMagnifier(ThumbMagnifierOpen open, ThumbMagnifierClose close);

// Opens the magnifier over a cell that holds a picture (nothing for an empty cell); closes it.
void openThumbMagnifier(QWidget* owner, const ThumbCell* cell);
void closeThumbMagnifier();

}  // namespace albums
