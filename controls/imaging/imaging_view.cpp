// The imaging control's view: zoom, scrolling, painting, pointer and input events, printing.
#include "controls/imaging/imaging_control.h"

#include "controls/imaging/imaging_control_p.h"
#include "controls/imaging/pixel_ops.h"
#include "platform/windows/virtual_keys.h"
#include "runtime/screen.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <cmath>
#include <cstring>
#include <array>

namespace img {

int16_t vbShiftState(Qt::KeyboardModifiers m) {
  int16_t s = 0;
  if (m & Qt::ShiftModifier) s |= 1;
  if (m & Qt::ControlModifier) s |= 2;
  if (m & Qt::AltModifier) s |= 4;
  return s;
}

int16_t vbButtons(Qt::MouseButtons b) {
  int16_t v = 0;
  if (b & Qt::LeftButton) v |= 1;
  if (b & Qt::RightButton) v |= 2;
  if (b & Qt::MiddleButton) v |= 4;
  return v;
}

// ---- zoom and scrolling ------------------------------------------------------------------------

namespace {
constexpr double kMinZoom = 0.01, kMaxZoom = 64.0;
}

float ImagingControl::ZoomFactor() const { return static_cast<float>(d->zoom); }

void ImagingControl::SetZoom(float factor) {
  if (!(factor > 0) || !std::isfinite(factor)) fail(kErrBadValue, QStringLiteral("Invalid zoom factor"));
  const double old = d->zoom;
  const double offX = d->scrollX / old, offY = d->scrollY / old;
  d->zoom = std::clamp(static_cast<double>(factor), kMinZoom, kMaxZoom);
  d->scrollX = static_cast<int32_t>(std::lround(offX * d->zoom));
  d->scrollY = static_cast<int32_t>(std::lround(offY * d->zoom));
  d->scaled = QImage();
  updateScrollBars();
  if (d->redraw) update();
}

void ImagingControl::ZoomToFit(int16_t how) {
  if (how < 0 || how > 2) fail(kErrBadValue, QStringLiteral("Invalid fit %1").arg(how));
  if (!hasImage() || width() <= 0 || height() <= 0) return;
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const double W = width(), H = height();
  double z;
  if (how == 0) {
    z = W / d->imgW;
    if (d->imgH * z > H) z = std::max(1.0, W - sb) / d->imgW;
  } else if (how == 1) {
    z = H / d->imgH;
    if (d->imgW * z > W) z = std::max(1.0, H - sb) / d->imgH;
  } else {
    z = std::min(W / d->imgW, H / d->imgH);
  }
  SetZoom(static_cast<float>(z));
}

int32_t ImagingControl::ViewOffsetX() const { return static_cast<int32_t>(std::lround(d->scrollX / d->zoom)); }
int32_t ImagingControl::ViewOffsetY() const { return static_cast<int32_t>(std::lround(d->scrollY / d->zoom)); }
void ImagingControl::setViewOffsetX(int32_t x) { setScrollPosX(static_cast<int32_t>(std::lround(x * d->zoom))); }
void ImagingControl::setViewOffsetY(int32_t y) { setScrollPosY(static_cast<int32_t>(std::lround(y * d->zoom))); }
int32_t ImagingControl::ScrollPosX() const { return d->scrollX; }
int32_t ImagingControl::ScrollPosY() const { return d->scrollY; }

void ImagingControl::setScrollPosX(int32_t x) {
  d->scrollX = x;
  updateScrollBars();
  if (d->redraw) update();
}
void ImagingControl::setScrollPosY(int32_t y) {
  d->scrollY = y;
  updateScrollBars();
  if (d->redraw) update();
}
int32_t ImagingControl::ScrollStepX() const { return d->stepX; }
int32_t ImagingControl::ScrollStepY() const { return d->stepY; }
void ImagingControl::setScrollStepX(int32_t s) { d->stepX = std::max(1, s); updateScrollBars(); }
void ImagingControl::setScrollStepY(int32_t s) { d->stepY = std::max(1, s); updateScrollBars(); }
int32_t ImagingControl::PointerViewX() const { return d->ptrX; }
int32_t ImagingControl::PointerViewY() const { return d->ptrY; }

bool ImagingControl::ScrollBars() const { return d->scrollBars; }
void ImagingControl::setScrollBars(bool show) {
  d->scrollBars = show;
  updateScrollBars();
}

// Lays out the scroll bars for the content size and keeps the scroll position in range.
void ImagingControl::updateScrollBars() {
  const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int W = width(), H = height();
  const double cw = d->imgW * d->zoom, ch = d->imgH * d->zoom;
  bool needH = false, needV = false;
  if (!d->fitMode() && hasImage() && d->scrollBars) {
    for (int i = 0; i < 2; ++i) {
      needH = cw > W - (needV ? sb : 0);
      needV = ch > H - (needH ? sb : 0);
    }
  }
  const int vw = W - (needV ? sb : 0), vh = H - (needH ? sb : 0);
  const int maxX = std::max(0, static_cast<int>(std::ceil(cw)) - vw);
  const int maxY = std::max(0, static_cast<int>(std::ceil(ch)) - vh);
  if (d->fitMode()) {
    d->scrollX = d->scrollY = 0;
  } else {
    d->scrollX = std::clamp(d->scrollX, 0, maxX);
    d->scrollY = std::clamp(d->scrollY, 0, maxY);
  }
  if (d->hbar || needH) scrollBar(true)->setVisible(needH);
  if (d->vbar || needV) scrollBar(false)->setVisible(needV);
  if (needH) {
    QScrollBar* bar = scrollBar(true);
    bar->setGeometry(0, H - sb, vw, sb);
    bar->setRange(0, maxX);
    bar->setPageStep(std::max(1, vw));
    bar->setSingleStep(d->stepX);
    QSignalBlocker b(bar);
    bar->setValue(d->scrollX);
  }
  if (needV) {
    QScrollBar* bar = scrollBar(false);
    bar->setGeometry(W - sb, 0, sb, vh);
    bar->setRange(0, maxY);
    bar->setPageStep(std::max(1, vh));
    bar->setSingleStep(d->stepY);
    QSignalBlocker b(bar);
    bar->setValue(d->scrollY);
  }
}

// ---- view properties ---------------------------------------------------------------------------

int32_t ImagingControl::ThumbDisplayMode() const { return d->thumbMode; }
void ImagingControl::setThumbDisplayMode(int32_t mode) {
  d->thumbMode = mode;
  if (mode == 1 && d->haveFull && d->thumb.isNull()) {
    const int side = displaySide();
    d->thumb = makeThumbnail(d->bmp, side, side);
  }
  d->dropCaches();
  updateScrollBars();
  if (d->redraw) update();
}
int32_t ImagingControl::ViewSizeMode() const { return d->sizeMode; }
void ImagingControl::setViewSizeMode(int32_t mode) {
  d->sizeMode = mode;
  d->dropCaches();
  updateScrollBars();
  if (d->redraw) update();
}
int32_t ImagingControl::HighlightBorder() const { return d->highlight; }
void ImagingControl::setHighlightBorder(int32_t v) {
  if (d->highlight == v) return;
  d->highlight = v;
  if (d->redraw) update();
}
uint32_t ImagingControl::BackColor() const { return d->back; }
void ImagingControl::setBackColor(uint32_t c) {
  d->back = c & 0x00FFFFFF;
  if (d->redraw) update();
}
bool ImagingControl::ViewRedraw() const { return d->redraw; }
void ImagingControl::setViewRedraw(bool on) {
  d->redraw = on;
  if (on) update();
}
void ImagingControl::RedrawView() { repaint(); }
void ImagingControl::Refresh() { repaint(); }

int16_t ImagingControl::MousePointer() const { return d->pointer; }
void ImagingControl::setMousePointer(int16_t p) {
  d->pointer = p;
  applyCursor();
}
QPixmap ImagingControl::MouseIcon() const { return d->icon; }
void ImagingControl::setMouseIcon(const QPixmap& icon) {
  d->icon = icon;
  applyCursor();
}

void ImagingControl::applyCursor() {
  Qt::CursorShape shape = Qt::ArrowCursor;
  switch (d->pointer) {
    case 2: shape = Qt::CrossCursor; break;
    case 3: shape = Qt::IBeamCursor; break;
    case 5: case 15: case 43: shape = Qt::SizeAllCursor; break;
    case 6: shape = Qt::SizeBDiagCursor; break;
    case 7: shape = Qt::SizeVerCursor; break;
    case 8: shape = Qt::SizeFDiagCursor; break;
    case 9: shape = Qt::SizeHorCursor; break;
    case 10: shape = Qt::UpArrowCursor; break;
    case 11: shape = Qt::WaitCursor; break;
    case 12: shape = Qt::ForbiddenCursor; break;
    case 13: shape = Qt::BusyCursor; break;
    case 30: {
      // The magnifier: a lens with its handle, the hot spot in the lens.
      static const QCursor lens = [] {
        QPixmap pm(24, 24);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 4));
        p.drawEllipse(QRectF(2, 2, 14, 14));
        p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawEllipse(QRectF(2, 2, 14, 14));
        p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
        return QCursor(pm, 9, 9);
      }();
      setCursor(lens);
      return;
    }
    case 99:
      if (!d->icon.isNull()) {
        setCursor(QCursor(d->icon));
        return;
      }
      break;
    default: break;
  }
  setCursor(QCursor(shape));
}

// ---- painting ----------------------------------------------------------------------------------

void ImagingControl::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  paintView(p, e->rect());
}

void ImagingControl::resizeEvent(QResizeEvent*) {
  d->fitted = QImage();
  updateScrollBars();
}

namespace {
QColor qcolorOf(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

void dashedRect(QPainter& p, const QRectF& r) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 1));
  p.drawRect(r);
  p.setPen(QPen(Qt::black, 1, Qt::DashLine));
  p.drawRect(r);
}
}  // namespace

// A thumbnail out of sight lets its scaled picture go: it is made again from the page's reduced
// picture when the thumbnail shows.
void ImagingControl::hideEvent(QHideEvent* e) {
  if (d->thumbMode == 1) {
    d->fitted = QImage();
    d->fittedFor = QSize();
  }
  QWidget::hideEvent(e);
}

void ImagingControl::ensureFitted() const {
  const QSize box = rect().size() - QSize(6, 6);
  if (!d->fitted.isNull() && d->fittedFor == box) return;
  if (d->thumbMode == 1 && !d->thumb.isNull()) {
    d->fitted = d->thumb.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  } else {
    ensureFullPage();
    d->fitted = makeThumbnail(d->bmp, std::max(1, box.width()), std::max(1, box.height()));
    if (d->fitted.width() < box.width() && d->fitted.height() < box.height())
      d->fitted = d->fitted.scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation);
  }
  d->fittedFor = box;
}

QRect ImagingControl::FittedPictureRect() const {
  if (!hasImage() || !d->fitMode()) return {};
  ensureFitted();
  const QSize size = d->fitted.size();
  return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

namespace {
// Pictures up to this many pixels keep a whole copy in screen colours for painting at 100 % and
// above; larger ones convert only what is in view (a bilevel page of 60000 x 60000 pixels takes
// 450 MB as it is, and would take 14 GB in screen colours; a photograph of 24 megapixels would
// take a tenth of a second to convert before its first paint).
constexpr int64_t kWholeDisplayCopyPixels = int64_t(1) << 22;
// Reduced copies are kept of pictures whose first, halved copy takes up to this many bytes.
constexpr int64_t kReducedCopyBytes = int64_t(64) << 20;
}  // namespace

int ImagingControl::reductionFor(int w, int h) const {
  int level = -1;
  if (int64_t(d->bmp.width() / 2) * (d->bmp.height() / 2) * 3 > kReducedCopyBytes) return level;
  for (;;) {
    const Bitmap& from = reduction(level);
    const int lw = from.width() / 2, lh = from.height() / 2;
    if (lw < w || lh < h || lw < 1 || lh < 1) return level;
    if (static_cast<std::size_t>(level + 1) == d->reduced.size()) d->reduced.push_back(halved(from));
    ++level;
  }
}

const Bitmap& ImagingControl::reduction(int level) const {
  return level < 0 ? d->bmp : d->reduced[static_cast<std::size_t>(level)];
}

void ImagingControl::paintReduced(QPainter& p, const QRect& target, const QRect& client) {
  const double z = d->zoom;
  const QPoint scroll(d->scrollX, d->scrollY);
  const int sw = std::max(1, static_cast<int>(std::lround(d->imgW * z)));
  const int sh = std::max(1, static_cast<int>(std::lround(d->imgH * z)));
  const QRect page(0, 0, sw, sh);
  const QRect wanted = target.translated(scroll).intersected(page);
  if (wanted.isEmpty()) return;
  if (d->scaled.isNull() || d->scaledZoom != z || !d->scaledRect.contains(wanted)) {
    // The whole part the view shows, so that a paint of a smaller area later finds it made. Once
    // the view scrolls away from the part made at this zoom, half a view more each way: the next
    // scroll steps find their rows made rather than reducing the whole view again each time.
    const bool scrolling = !d->scaled.isNull() && d->scaledZoom == z;
    QRect shown = client.translated(scroll).intersected(page) | wanted;
    if (scrolling) shown = shown.adjusted(-client.width() / 2, -client.height() / 2, client.width() / 2, client.height() / 2).intersected(page);
    d->scaledFrom = reductionFor(sw, sh);
    d->scaled = reducedPart(reduction(d->scaledFrom), sw, sh, shown);
    d->scaledRect = shown;
    d->scaledZoom = z;
  }
  p.drawImage(wanted.topLeft() - scroll, d->scaled, wanted.translated(-d->scaledRect.topLeft()));
}

void ImagingControl::paintView(QPainter& p, const QRect& area) {
  // The back colour goes only where the page does not cover the view.
  QRegion uncovered(area);
  if (hasImage() && !d->fitMode())
    uncovered -= QRect(-d->scrollX, -d->scrollY, static_cast<int>(d->imgW * d->zoom), static_cast<int>(d->imgH * d->zoom));
  for (const QRect& r : uncovered) p.fillRect(r, qcolorOf(d->back));
  if (hasImage()) {
    if (d->fitMode()) {
      // The whole picture scaled into the control, centred.
      ensureFitted();
      p.drawImage(FittedPictureRect().topLeft(), d->fitted);
    } else {
      ensureFullPage();
      const double z = d->zoom;
      const QRect client(0, 0, width() - (d->vbar && d->vbar->isVisible() ? d->vbar->width() : 0),
                         height() - (d->hbar && d->hbar->isVisible() ? d->hbar->height() : 0));
      const QRect target = area.intersected(client);
      if (z < 1.0 - 1e-9) {
        paintReduced(p, target, client);
      } else {
        const bool wholeCopy = int64_t(d->imgW) * d->imgH <= kWholeDisplayCopyPixels;
        if (wholeCopy && d->display.isNull()) d->display = d->bmp.toQImage().convertToFormat(QImage::Format_RGB32);
        // Columns from..to-1 of a picture row in screen colours; element 0 is column from.
        std::vector<QRgb> rowBuffer;
        // A palette picture's pixels in view go through one table of its colours.
        const int bpp = d->bmp.bitsPerPixel();
        std::array<QRgb, 256> colours{};
        if (!wholeCopy && bpp <= 8) {
          colours.fill(qRgb(0, 0, 0));
          const std::vector<QRgb>& palette = d->bmp.palette();
          for (std::size_t i = 0; i < palette.size() && i < colours.size(); ++i) colours[i] = palette[i] | 0xFF000000u;
        }
        auto pictureRow = [&](int sy, int from, int to) -> const QRgb* {
          if (wholeCopy) return reinterpret_cast<const QRgb*>(d->display.constScanLine(sy)) + from;
          rowBuffer.resize(static_cast<std::size_t>(to - from));
          if (d->bmp.bitsPerPixel() == 24) {
            const uint8_t* in = d->bmp.row(sy) + static_cast<std::ptrdiff_t>(from) * 3;
            for (std::size_t i = 0; i < rowBuffer.size(); ++i, in += 3) rowBuffer[i] = qRgb(in[2], in[1], in[0]);
          } else {
            const uint8_t* in = d->bmp.row(sy);
            for (int x = from; x < to; ++x) {
              const unsigned v = bpp == 8   ? in[x]
                                 : bpp == 4 ? (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu
                                            : (in[x >> 3] >> (7 - (x & 7))) & 1u;
              rowBuffer[static_cast<std::size_t>(x - from)] = colours[v];
            }
          }
          return rowBuffer.data();
        };
        if (std::abs(z - 1.0) < 1e-9) {
          const QRect src = QRect(target.translated(d->scrollX, d->scrollY)).intersected(QRect(0, 0, d->imgW, d->imgH));
          if (!src.isEmpty() && wholeCopy) {
            p.drawImage(src.topLeft() - QPoint(d->scrollX, d->scrollY), d->display, src);
          } else if (!src.isEmpty()) {
            QImage part(src.size(), QImage::Format_RGB32);
            for (int y = 0; y < src.height(); ++y)
              std::memcpy(part.scanLine(y), pictureRow(src.top() + y, src.left(), src.right() + 1),
                          static_cast<std::size_t>(src.width()) * 4);
            p.drawImage(src.topLeft() - QPoint(d->scrollX, d->scrollY), part);
          }
        } else {
          // Enlarged: the visible part of the client is built by repeating source pixels and
          // kept, so a repaint of the same view is a plain copy and a vertical scroll builds
          // only the rows that come into view.
          const QRect content = client.intersected(QRect(-d->scrollX, -d->scrollY, static_cast<int>(d->imgW * z),
                                                         static_cast<int>(d->imgH * z)));
          if (!content.isEmpty()) {
            const int cw = content.width(), ch = content.height();
            auto ringRow = [ch](int a) { return ((a % ch) + ch) % ch; };
            const int top = content.top() + d->scrollY;
            const bool sameColumns = !d->zoomed.isNull() && d->zoomed.size() == content.size() &&
                                     d->zoomedRect.left() == content.left() && d->zoomedScrollX == d->scrollX &&
                                     d->zoomedZoom == z;
            int from = top, to = top + ch;  // enlarged-page rows to build
            if (sameColumns) {
              const int held = d->zoomedTop;
              if (top >= held && top < held + ch) from = held + ch;
              else if (top < held && top + ch > held) to = held;
            } else if (d->zoomed.size() != content.size()) {
              d->zoomed = QImage(content.size(), QImage::Format_RGB32);
            }
            if (from < to) {
              std::vector<int> xmap(static_cast<std::size_t>(cw));
              for (int tx = 0; tx < cw; ++tx)
                xmap[static_cast<std::size_t>(tx)] = std::min(d->imgW - 1, static_cast<int>((content.left() + tx + d->scrollX) / z));
              uchar* bits = d->zoomed.bits();
              const auto stride = static_cast<std::size_t>(d->zoomed.bytesPerLine());
              const int firstColumn = xmap.front(), endColumn = xmap.back() + 1;
              int prevSy = -1;
              const QRgb* prev = nullptr;
              for (int a = from; a < to; ++a) {
                const int sy = std::min(d->imgH - 1, static_cast<int>(a / z));
                auto* out = reinterpret_cast<QRgb*>(bits + stride * static_cast<std::size_t>(ringRow(a)));
                if (sy == prevSy) {
                  std::memcpy(out, prev, static_cast<std::size_t>(cw) * 4);
                  continue;
                }
                const QRgb* in = pictureRow(sy, firstColumn, endColumn);
                for (int tx = 0; tx < cw; ++tx) out[tx] = in[xmap[static_cast<std::size_t>(tx)] - firstColumn];
                prevSy = sy;
                prev = out;
              }
            }
            d->zoomedRect = content;
            d->zoomedScrollX = d->scrollX;
            d->zoomedTop = top;
            d->zoomedZoom = z;
            const QRect part = target.intersected(content);
            // Drawn in two pieces where the ring wraps.
            for (int y = part.top(); y <= part.bottom();) {
              const int r = ringRow(y + d->scrollY);
              const int n = std::min(part.bottom() + 1 - y, ch - r);
              p.drawImage(QPoint(part.left(), y), d->zoomed, QRect(part.left() - content.left(), r, part.width(), n));
              y += n;
            }
          }
        }
      }
      // Floating area, selection and rubber band.
      auto toView = [&](const QRect& r) {
        return QRectF(r.left() * z - d->scrollX, r.top() * z - d->scrollY, r.width() * z, r.height() * z);
      };
      p.save();
      p.setClipRect(client);
      if (d->areaActive && !d->floatBmp.isNull()) {
        const QRect fr(d->floatPos, QSize(d->floatBmp.width(), d->floatBmp.height()));
        p.drawImage(toView(fr), d->floatImage);
        dashedRect(p, toView(fr).adjusted(0, 0, -1, -1));
      }
      if ((d->selVisible || d->rubber) && !d->sel.isEmpty()) dashedRect(p, toView(d->sel).adjusted(0, 0, -1, -1));
      p.restore();
    }
  }
  if (d->highlight == 3) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(palette().color(QPalette::Highlight), 3));
    p.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
  }
}

// ---- input -------------------------------------------------------------------------------------

namespace {
float twipsX(double px) { return static_cast<float>(rt::Screen::ToTwipsX(px)); }
float twipsY(double px) { return static_cast<float>(rt::Screen::ToTwipsY(px)); }
}  // namespace

void ImagingControl::mousePressEvent(QMouseEvent* e) {
  const QPointF pos = e->position();
  d->ptrX = static_cast<int32_t>(pos.x());
  d->ptrY = static_cast<int32_t>(pos.y());
  d->pressed |= e->button();
  Q_EMIT MouseDown(vbButtons(e->button()), vbShiftState(e->modifiers()), twipsX(pos.x()), twipsY(pos.y()));
}

void ImagingControl::mouseMoveEvent(QMouseEvent* e) {
  const QPointF pos = e->position();
  d->ptrX = static_cast<int32_t>(pos.x());
  d->ptrY = static_cast<int32_t>(pos.y());
  Q_EMIT MouseMove(vbButtons(e->buttons()), vbShiftState(e->modifiers()), twipsX(pos.x()), twipsY(pos.y()));
}

void ImagingControl::mouseReleaseEvent(QMouseEvent* e) {
  const QPointF pos = e->position();
  d->ptrX = static_cast<int32_t>(pos.x());
  d->ptrY = static_cast<int32_t>(pos.y());
  const bool wasPressed = d->pressed & e->button();
  d->pressed &= ~e->button();
  QPointer<ImagingControl> self(this);
  Q_EMIT MouseUp(vbButtons(e->button()), vbShiftState(e->modifiers()), twipsX(pos.x()), twipsY(pos.y()));
  if (self && wasPressed && e->button() == Qt::LeftButton && rect().contains(pos.toPoint())) Q_EMIT Click();
}

void ImagingControl::mouseDoubleClickEvent(QMouseEvent* e) {
  d->pressed |= e->button();
  if (e->button() == Qt::LeftButton) Q_EMIT DblClick();
}

void ImagingControl::keyPressEvent(QKeyEvent* e) {
  const auto code = static_cast<int16_t>(plat::VirtualKeyFromQtKey(e->key()));
  if (code) Q_EMIT KeyDown(code, vbShiftState(e->modifiers()));
  else QWidget::keyPressEvent(e);
  // Enter is not the view's: it goes on to the window, whose default button it presses.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) e->ignore();
}

void ImagingControl::keyReleaseEvent(QKeyEvent* e) {
  const auto code = static_cast<int16_t>(plat::VirtualKeyFromQtKey(e->key()));
  if (code) Q_EMIT KeyUp(code, vbShiftState(e->modifiers()));
  else QWidget::keyReleaseEvent(e);
}

void ImagingControl::wheelEvent(QWheelEvent* e) {
  if (d->fitMode() || !hasImage()) return QWidget::wheelEvent(e);
  const QPoint steps = e->angleDelta() / 120;
  if (steps.isNull()) return;
  if (e->modifiers() & Qt::ShiftModifier) setScrollPosX(d->scrollX - steps.y() * d->stepX);
  else {
    setScrollPosX(d->scrollX - steps.x() * d->stepX);
    setScrollPosY(d->scrollY - steps.y() * d->stepY);
  }
  Q_EMIT Scroll();
}

void ImagingControl::dragEnterEvent(QDragEnterEvent* e) {
  if (e->source()) e->acceptProposedAction();
}
void ImagingControl::dragMoveEvent(QDragMoveEvent* e) {
  if (e->source()) e->acceptProposedAction();
}
void ImagingControl::dropEvent(QDropEvent* e) {
  auto* src = qobject_cast<QWidget*>(e->source());
  if (!src) return;
  e->acceptProposedAction();
  const QPointF pos = e->position();
  Q_EMIT DragDrop(src, twipsX(pos.x()), twipsY(pos.y()));
}

// ---- printing ----------------------------------------------------------------------------------

int32_t ImagingControl::PrintLeft() const { return d->prL; }
int32_t ImagingControl::PrintTop() const { return d->prT; }
int32_t ImagingControl::PrintWidth() const { return d->prW; }
int32_t ImagingControl::PrintHeight() const { return d->prH; }
void ImagingControl::setPrintLeft(int32_t t) { d->prL = t; }
void ImagingControl::setPrintTop(int32_t t) { d->prT = t; }
void ImagingControl::setPrintWidth(int32_t t) { d->prW = t; }
void ImagingControl::setPrintHeight(int32_t t) { d->prH = t; }

void printPicture(QPainter* dc, const QImage& picture, int32_t left, int32_t top, int32_t width, int32_t height) {
  if (!dc || !dc->isActive()) fail(kErrBadValue, QStringLiteral("Invalid device context"));
  if (picture.isNull()) fail(kErrNoImage, QStringLiteral("There is no picture to print"));
  QPaintDevice* dev = dc->device();
  const double dpiX = dev ? dev->logicalDpiX() : 96, dpiY = dev ? dev->logicalDpiY() : 96;
  // A placement without size prints the picture at its size on the screen.
  const double wTw = width > 0 ? width : rt::Screen::ToTwipsX(picture.width());
  const double hTw = height > 0 ? height : rt::Screen::ToTwipsY(picture.height());
  const QRectF target(left * dpiX / 1440.0, top * dpiY / 1440.0, wTw * dpiX / 1440.0, hTw * dpiY / 1440.0);
  dc->save();
  dc->setRenderHint(QPainter::SmoothPixmapTransform, true);
  dc->drawImage(target, picture);
  dc->restore();
}

void ImagingControl::PrintToDC(QPainter* dc) {
  if (!dc || !dc->isActive()) fail(kErrBadValue, QStringLiteral("Invalid device context"));
  if (!hasImage()) fail(kErrNoImage, QStringLiteral("There is no picture to print"));
  printPicture(dc, Picture(), d->prL, d->prT, d->prW, d->prH);
}

void ImagingControl::PrintToDC(QPaintDevice* device) {
  if (!device) fail(kErrBadValue, QStringLiteral("Invalid device context"));
  QPainter p(device);
  PrintToDC(&p);
}

}  // namespace img
