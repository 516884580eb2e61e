#include "platform/windows/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <memory>

#include "platform/windows/window.h"

namespace plat {

namespace {
struct Pending {
  bool open = false;
  bool emptied = false;
  std::unique_ptr<QMimeData> data;
} gClip;

QClipboard* clipboard() { return QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr; }

QString mimeOf(uint32_t format) { return QString::fromStdString(ClipboardFormatMime(format)); }

// What the clipboard will hold when it is closed. Adding to what is there (without emptying it
// first) keeps the other formats.
QMimeData& pending() {
  if (!gClip.data) {
    gClip.data = std::make_unique<QMimeData>();
    if (const QMimeData* now = clipboard()->mimeData())
      for (const QString& f : now->formats()) gClip.data->setData(f, now->data(f));
  }
  return *gClip.data;
}
}  // namespace

bool OpenClipboard(HWND) {
  if (gClip.open || !clipboard()) return false;
  gClip.open = true;
  gClip.emptied = false;
  gClip.data.reset();
  return true;
}

bool EmptyClipboard() {
  if (!gClip.open) return false;
  gClip.emptied = true;
  gClip.data = std::make_unique<QMimeData>();
  return true;
}

bool SetClipboardData(uint32_t format, HGLOBAL block) {
  QString mime = mimeOf(format);
  bool ok = gClip.open && !mime.isEmpty() && GlobalIsValid(block);
  if (ok) {
    const char* bytes = static_cast<const char*>(GlobalLock(block));
    pending().setData(mime, QByteArray(bytes, qsizetype(GlobalSize(block))));
    GlobalUnlock(block);
  }
  GlobalFree(block);
  return ok;
}

bool CloseClipboard() {
  if (!gClip.open) return false;
  gClip.open = false;
  if (gClip.data) clipboard()->setMimeData(gClip.data.release());
  else if (gClip.emptied) clipboard()->clear();
  return true;
}

bool IsClipboardFormatAvailable(uint32_t format) {
  QString mime = mimeOf(format);
  const QMimeData* d = clipboard() ? clipboard()->mimeData() : nullptr;
  return d && !mime.isEmpty() && d->hasFormat(mime);
}

HGLOBAL GetClipboardDataCopy(uint32_t format) {
  if (!IsClipboardFormatAvailable(format)) return nullptr;
  QByteArray bytes = clipboard()->mimeData()->data(mimeOf(format));
  return GlobalFromBytes(bytes.constData(), std::size_t(bytes.size()));
}

bool SetClipboardUnicodeText(const std::u16string& text) {
  if (!gClip.open) return false;
  pending().setText(QString::fromStdU16String(text));
  return true;
}

bool GetClipboardUnicodeText(std::u16string* text) {
  const QMimeData* d = clipboard() ? clipboard()->mimeData() : nullptr;
  if (!d || !d->hasText() || !text) return false;
  *text = d->text().toStdU16String();
  return true;
}

}  // namespace plat
