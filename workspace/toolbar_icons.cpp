#include "workspace/toolbar_icons.h"

#include <QFile>

namespace ws {
namespace {

struct IconRow {
  const char* key;         // the toolbar button's key
  const char* themeName;   // freedesktop icon name, "" when there is none for it
};

// Scanning into an open document and paging an album have no names of their own in the naming
// rules; their own drawings say what they do instead.
constexpr IconRow kIcons[] = {
    {"scannew", "scanner"},
    {"scanappend", ""},
    {"scaninsert", ""},
    {"scanoverwrite", ""},
    {"open", "document-open"},
    {"save", "document-save"},
    {"close", "document-close"},
    {"album", ""},
    {"browse", "folder-pictures"},
    {"previous", "go-previous"},
    {"next", "go-next"},
    {"zoompage", "zoom-fit-best"},
    {"zoomwidth", "zoom-fit-width"},
    {"zoomheight", "zoom-fit-height"},
    {"flip", "object-flip-vertical"},
    {"rotateleft", "object-rotate-left"},
    {"rotateright", "object-rotate-right"},
    {"selhand", "transform-move"},
    {"selarrow", "edit-select"},
    {"selrect", "select-rectangular"},
    {"selmagnify", "zoom-in"},
    {"annotation", "draw-freehand"},
};

const IconRow* rowOf(const QString& key) {
  for (const IconRow& r : kIcons)
    if (key == QLatin1String(r.key)) return &r;
  return nullptr;
}

}  // namespace

QString toolbarIconName(const QString& key) {
  const IconRow* r = rowOf(key);
  return r ? QString::fromLatin1(r->themeName) : QString();
}

QIcon toolbarFallbackIcon(const QString& key) {
  const QString file = QStringLiteral(":/icons/toolbar/%1.svg").arg(key);
  return rowOf(key) && QFile::exists(file) ? QIcon(file) : QIcon();
}

QIcon toolbarIcon(const QString& key) {
  const QString name = toolbarIconName(key);
  if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  return toolbarFallbackIcon(key);
}

}  // namespace ws
