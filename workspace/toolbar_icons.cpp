#include "workspace/toolbar_icons.h"

#include "workspace/command_table.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <algorithm>
#include <cstdlib>

namespace ws {

namespace {
// The size the toolbar shows its pictures at.
constexpr int kToolbarIconSize = 16;
// A picture is read at that size by its ink: some part nearly as far from the bar's grey level as
// black is from a light bar, or a strong colour.
constexpr int kInkContrast = 160;
constexpr double kStrongColour = 0.5;
}  // namespace

QString toolbarIconName(const QString& key) {
  const ButtonRow* r = findButton(key);
  return r ? QString::fromLatin1(r->themeIcon) : QString();
}

QIcon toolbarFallbackIcon(const QString& key) {
  const QString file = QStringLiteral(":/icons/toolbar/%1.svg").arg(key);
  return findButton(key) && QFile::exists(file) ? QIcon(file) : QIcon();
}

bool isFaintIcon(const QIcon& icon, const QColor& bar) {
  const QImage picture =
      icon.pixmap(kToolbarIconSize, kToolbarIconSize).toImage().convertToFormat(QImage::Format_ARGB32);
  const int barGrey = qGray(bar.rgb());
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const QColor c = picture.pixelColor(x, y);
      if (c.alpha() < 128) continue;
      if (std::abs(qGray(c.rgb()) - barGrey) >= kInkContrast || c.hsvSaturationF() >= kStrongColour) return false;
    }
  return true;
}

QIcon toolbarIcon(const QString& key) {
  const QString name = toolbarIconName(key);
  if (!name.isEmpty() && QIcon::hasThemeIcon(name)) {
    const QIcon themed = QIcon::fromTheme(name);
    if (!isFaintIcon(themed, QGuiApplication::palette().color(QPalette::Window))) return themed;
  }
  return toolbarFallbackIcon(key);
}

}  // namespace ws
