#include "imagetools/preview_zoom.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/conversions.h"
#include "runtime/screen.h"
#include "runtime/twips.h"

#include <QAction>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

namespace tools {

float zoomStep(float z, const QString& key) {
  if (key == QLatin1String("out")) {
    if (z > 0.75f) return 0.75f;
    if (z > 0.5f) return 0.5f;
    if (z > 0.25f) return 0.25f;
    return 0.15f;
  }
  if (key == QLatin1String("in")) {
    if (z < 0.25f) return 0.25f;
    if (z < 0.5f) return 0.5f;
    if (z < 0.75f) return 0.75f;
    return 1.0f;
  }
  return z;
}

int32_t centredOffset(float z, int32_t imageSize, double viewTwips, double twipsPerPixel) {
  const double zoomed = static_cast<double>(z) * imageSize;
  const double view = viewTwips / twipsPerPixel;
  if (static_cast<float>(zoomed) > static_cast<float>(view)) return static_cast<int32_t>(rt::RoundHalfEven((zoomed - view) / 2));
  return 0;
}

void centreViewer(img::ImagingControl* lead) {
  const float z = lead->ZoomFactor();
  // The offset is in the view's own pixels (the zoomed picture's), which is the control's scroll
  // position; its view offset counts picture pixels.
  lead->setScrollPosX(centredOffset(z, lead->ImageWidth(), tw::Width(lead), rt::Screen::TwipsPerPixelX()));
  lead->setScrollPosY(centredOffset(z, lead->ImageHeight(), tw::Height(lead), rt::Screen::TwipsPerPixelY()));
}

void followOffsets(img::ImagingControl* lead, const std::vector<img::ImagingControl*>& followers) {
  for (img::ImagingControl* f : followers) {
    f->setViewOffsetX(lead->ViewOffsetX());
    f->setViewOffsetY(lead->ViewOffsetY());
  }
}

void zoomButtonClick(const QString& key, img::ImagingControl* lead, const std::vector<img::ImagingControl*>& followers) {
  if (key != QLatin1String("in") && key != QLatin1String("out")) return;
  lead->SetZoom(zoomStep(lead->ZoomFactor(), key));
  for (img::ImagingControl* f : followers) f->SetZoom(lead->ZoomFactor());
  centreViewer(lead);
  followOffsets(lead, followers);
}

namespace {
// A magnifying glass with a plus or a minus.
QIcon zoomIcon(bool in) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1.5));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
  p.setPen(QPen(Qt::black, 2.5));
  p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
  p.setPen(QPen(Qt::black, 1.2));
  p.drawLine(QPointF(3.5, 6), QPointF(8.5, 6));
  if (in) p.drawLine(QPointF(6, 3.5), QPointF(6, 8.5));
  return QIcon(pm);
}
}  // namespace

QToolBar* makeZoomToolbar(QWidget* parent, img::ImagingControl* lead, std::vector<img::ImagingControl*> followers) {
  auto* bar = new QToolBar(parent);
  bar->setObjectName(QStringLiteral("tlbBefore"));
  bar->setIconSize(QSize(16, 16));
  for (auto [key, tip] : {std::pair{"in", "Zoom In"}, std::pair{"out", "Zoom Out"}}) {
    QAction* a = bar->addAction(zoomIcon(QLatin1String(key) == QLatin1String("in")), QString());
    a->setObjectName(QLatin1String(key));
    a->setData(QLatin1String(key));
    a->setToolTip(QLatin1String(tip));
    const QString k = QLatin1String(key);
    QObject::connect(a, &QAction::triggered, bar, [k, lead, followers] { zoomButtonClick(k, lead, followers); });
  }
  return bar;
}

}  // namespace tools
