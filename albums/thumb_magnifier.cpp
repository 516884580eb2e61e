#include "albums/thumb_magnifier.h"

#include "albums/frm_mag_window.h"
#include "albums/thumb_grid.h"

namespace albums {

QRect thumbMagnifierRect(QPoint origin, QSize thumbSize, int32_t imageWidth, int32_t imageHeight) {
  const QSize size = imageHeight > imageWidth ? QSize(199, 260) : QSize(260, 199);
  const int left = origin.x() + thumbSize.width() / 2 - size.width() / 2;
  const int top = origin.y() + thumbSize.height() / 2 - size.height() / 2;
  return QRect(QPoint(left, top), size);
}

void openThumbMagnifier(QWidget* owner, const ThumbCell* cell) {
  if (!cell || cell->ImageFileType() <= 0) return;
  const QRect r = thumbMagnifierRect(cell->mapToGlobal(QPoint(0, 0)), cell->size(), cell->ImageWidth(), cell->ImageHeight());
  plat::HGLOBAL picture = cell->ImageHandleCopy();
  if (!picture) return;
  frmMagWindow->showFitted(owner, picture, r);
}

void closeThumbMagnifier() { frmMagWindow.Unload(); }

}  // namespace albums
