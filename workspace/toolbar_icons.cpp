#include "workspace/toolbar_icons.h"

#include "workspace/command_table.h"

#include <QFile>

namespace ws {

QString toolbarIconName(const QString& key) {
  const ButtonRow* r = findButton(key);
  return r ? QString::fromLatin1(r->themeIcon) : QString();
}

QIcon toolbarFallbackIcon(const QString& key) {
  const QString file = QStringLiteral(":/icons/toolbar/%1.svg").arg(key);
  return findButton(key) && QFile::exists(file) ? QIcon(file) : QIcon();
}

QIcon toolbarIcon(const QString& key) {
  const QString name = toolbarIconName(key);
  if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  return toolbarFallbackIcon(key);
}

}  // namespace ws
