#include "workspace/clipboard_picture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace ws {

QImage clipboardPicture() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  if (!m) return QImage();
  if (m->hasImage()) {
    const QImage i = qvariant_cast<QImage>(m->imageData());
    if (!i.isNull()) return i;
  }
  for (const QString& f : m->formats()) {
    if (!f.startsWith(QLatin1String("image/"))) continue;
    const QImage i = QImage::fromData(m->data(f));
    if (!i.isNull()) return i;
  }
  return QImage();
}

bool clipboardHasPicture() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  if (!m) return false;
  if (m->hasImage()) return true;
  for (const QString& f : m->formats())
    if (f.startsWith(QLatin1String("image/"))) return !clipboardPicture().isNull();
  return false;
}

}  // namespace ws
