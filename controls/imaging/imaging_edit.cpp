// The imaging control's selection, floating area, editing and clipboard.
#include "controls/imaging/imaging_control.h"

#include "controls/imaging/imaging_control_p.h"
#include "controls/imaging/pixel_ops.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cmath>

namespace img {

namespace {
template <class S>
QPoint imagePoint(const S& d, int32_t vx, int32_t vy) {
  return QPoint(static_cast<int>(std::lround((d.scrollX + vx) / d.zoom)), static_cast<int>(std::lround((d.scrollY + vy) / d.zoom)));
}
}  // namespace

// ---- selection ---------------------------------------------------------------------------------

bool ImagingControl::SelectionVisible() const { return d->selVisible; }
void ImagingControl::setSelectionVisible(bool on) {
  d->selVisible = on;
  if (d->redraw) update();
}

void ImagingControl::RubberBandStart(bool on, int32_t x, int32_t y) {
  d->sel = QRect();
  d->selFromArea = false;
  d->rubber = on;
  if (on) d->rubberStart = imagePoint(*d, x, y);
  if (d->redraw) update();
}

void ImagingControl::RubberBandTo(int32_t x, int32_t y) {
  if (!d->rubber) return;
  const QPoint p = imagePoint(*d, x, y);
  const QRect r = QRect(QPoint(std::min(p.x(), d->rubberStart.x()), std::min(p.y(), d->rubberStart.y())),
                        QPoint(std::max(p.x(), d->rubberStart.x()) - 1, std::max(p.y(), d->rubberStart.y()) - 1));
  d->sel = r.intersected(QRect(0, 0, d->imgW, d->imgH));
  d->selFromArea = false;
  if (d->redraw) update();
}

int32_t ImagingControl::SelectionLeft() const { return d->sel.isEmpty() ? 0 : d->sel.left(); }
int32_t ImagingControl::SelectionTop() const { return d->sel.isEmpty() ? 0 : d->sel.top(); }
int32_t ImagingControl::SelectionWidth() const { return d->sel.isEmpty() ? 0 : d->sel.width(); }
int32_t ImagingControl::SelectionHeight() const { return d->sel.isEmpty() ? 0 : d->sel.height(); }
void ImagingControl::setSelection(int32_t l, int32_t t, int32_t w, int32_t h) {
  d->sel = (w > 0 && h > 0) ? QRect(l, t, w, h).intersected(QRect(0, 0, d->imgW, d->imgH)) : QRect();
  d->selFromArea = false;
  if (d->redraw) update();
}

// ---- floating area -----------------------------------------------------------------------------

void ImagingControl::AddAreaPoint(int32_t x, int32_t y) {
  if (d->areaClosed) {
    d->areaPts.clear();
    d->areaClosed = false;
  }
  d->areaPts << QPoint(x, y);
}

void ImagingControl::CloseArea() {
  if (d->areaPts.size() < 3) return;
  d->areaClosed = true;
  const QRect box = d->areaPts.boundingRect();
  // Points are corners: the bounding box spans from the first to the last corner exclusive.
  d->sel = QRect(box.topLeft(), QSize(box.width() - 1, box.height() - 1)).intersected(QRect(0, 0, d->imgW, d->imgH));
  d->selFromArea = true;
  if (d->redraw) update();
}

void ImagingControl::ActivateArea() {
  if (!d->areaClosed || !hasImage()) return;
  ensureFullPage();
  const QRect box = d->areaPts.boundingRect();
  const QRect r(box.topLeft(), QSize(box.width() - 1, box.height() - 1));
  const QRect clipped = r.intersected(QRect(0, 0, d->imgW, d->imgH));
  if (clipped.isEmpty()) return;
  d->floatBmp = crop(d->bmp, clipped);
  d->floatImage = d->floatBmp.toQImage();
  // A rectangle needs no mask; another outline keeps its shape relative to the picture.
  const bool rect = d->areaPts.size() == 4 && QPolygon(QRect(r.topLeft(), r.size() + QSize(1, 1)), false).boundingRect() == box &&
                    (d->areaPts[0].x() == d->areaPts[3].x() || d->areaPts[0].y() == d->areaPts[3].y());
  d->floatMask = rect ? QPolygon() : d->areaPts.translated(-clipped.topLeft());
  d->floatPos = clipped.topLeft();
  d->areaActive = true;
  if (d->redraw) update();
}

void ImagingControl::AreaPlacement(bool on, double x, double y, double sx, double sy) {
  d->placement = on;
  if (!on) return;
  if (!(sx > 0) || !(sy > 0)) fail(kErrBadValue, QStringLiteral("Invalid placement scale"));
  d->plX = x;
  d->plY = y;
  d->plSX = sx;
  d->plSY = sy;
}

void ImagingControl::AreaPlacementOptions(bool on, int32_t mode, int32_t transparentColour, bool transparent) {
  d->plOptions = on;
  d->plMode = mode;
  d->plTransparentColour = transparentColour;
  d->plTransparent = transparent;
}

void ImagingControl::GetAreaOrigin(int32_t viewX, int32_t viewY) {
  if (!d->areaActive) return;
  d->floatPos = imagePoint(*d, viewX, viewY);
  if (d->redraw) update();
}

void ImagingControl::MoveArea(int32_t x, int32_t y) {
  if (!d->areaActive) return;
  d->floatPos = QPoint(x, y);
  if (d->redraw) update();
}

void ImagingControl::MergeArea() {
  if (!d->areaActive || d->floatBmp.isNull()) return;
  ensureFullPage();
  // A paste that keeps the picture's depth and palette changes only the area it covers: the
  // undo keeps that area alone. Otherwise the whole picture.
  const Bitmap& f = d->floatBmp;
  const bool keepsDepth = d->bmp.bitsPerPixel() == 24 || (f.bitsPerPixel() == d->bmp.bitsPerPixel() && f.palette() == d->bmp.palette());
  if (!keepsDepth || !keepPartForUndo(QRect(d->floatPos, QSize(f.width(), f.height())))) pushUndo();
  paste(d->bmp, d->floatBmp, d->floatPos.x(), d->floatPos.y(), d->floatMask);
  d->ownPicture();
  d->areaActive = false;
  d->floatBmp = Bitmap();
  d->floatImage = QImage();
  afterPictureChanged(false);
}

void ImagingControl::ClearArea() {
  d->areaPts.clear();
  d->areaClosed = false;
  d->areaActive = false;
  d->floatBmp = Bitmap();
  d->floatImage = QImage();
  d->floatMask.clear();
  if (d->selFromArea) {
    d->sel = QRect();
    d->selFromArea = false;
  }
  if (d->redraw) update();
}

bool ImagingControl::AreaActive() const { return d->areaActive; }
int32_t ImagingControl::AreaLeft() const { return d->floatPos.x(); }
int32_t ImagingControl::AreaTop() const { return d->floatPos.y(); }

// ---- editing -----------------------------------------------------------------------------------

void ImagingControl::CopyToClipboard() {
  if (!hasImage()) fail(kErrNoImage, QStringLiteral("There is no picture to copy"));
  ensureFullPage();
  const Bitmap part = d->sel.isEmpty() ? d->bmp : crop(d->bmp, d->sel);
  QGuiApplication::clipboard()->setImage(part.toQImage());
}

void ImagingControl::UndoLast() {
  if (d->undo.empty()) return;
  State::UndoStep step = std::move(d->undo.back());
  d->undo.pop_back();
  if (step.part) {
    ensureFullPage();
    putPart(d->bmp, step.picture, step.at.x(), step.at.y());
  } else {
    d->bmp = std::move(step.picture);
  }
  d->ownPicture();
  afterPictureChanged(false);
}

int32_t ImagingControl::UndoAvailable() const { return static_cast<int32_t>(d->undo.size()); }

void ImagingControl::CreateBlankImage(int32_t w, int32_t h, int16_t bpp, uint32_t colour) {
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) fail(kErrBadValue, QStringLiteral("Invalid bits per pixel %1").arg(bpp));
  Bitmap b = blankBitmap(w, h, bpp, fromBgr(colour));
  b.resolutionX = b.resolutionY = 96;
  b.resolutionUnit = kUnitInch;
  takePicture(std::move(b));
}

namespace {
const Bitmap& editable(const ImagingControl& c) {
  if (!c.hasImage()) fail(kErrNoImage, QStringLiteral("There is no picture to edit"));
  return c.bitmap();
}
// An edit in place works on the one copy it needs; the picture it replaces goes to the undo.
template <class F>
void editInPlace(ImagingControl& c, F f) {
  Bitmap b = editable(c);
  f(b);
  c.setBitmap(std::move(b));
}
// An edit that makes a new picture reads the current one without copying it.
template <class F>
void editInto(ImagingControl& c, F f) {
  c.setBitmap(f(editable(c)));
}
}  // namespace

void ImagingControl::RotateBy(double degrees) {
  if (!std::isfinite(degrees)) fail(kErrBadValue, QStringLiteral("Invalid angle"));
  editInto(*this, [&](const Bitmap& b) { return rotateAny(b, -degrees); });
}
void ImagingControl::Mirror() { editInto(*this, [](const Bitmap& b) { return mirrored(b); }); }
void ImagingControl::Flip() { editInto(*this, [](const Bitmap& b) { return flipped(b); }); }
void ImagingControl::ReplaceColours(uint32_t from, uint32_t to, uint32_t with) {
  const QRect r = d->sel;
  const Bitmap& b = editable(*this);
  if (!r.isEmpty() && !r.contains(QRect(0, 0, b.width(), b.height())) && replacementKeepsDepth(b, fromBgr(with)) &&
      keepPartForUndo(r)) {
    // Only the selection changes, in place; the undo keeps its old pixels.
    replaceColours(d->bmp, r, fromBgr(from), fromBgr(to), fromBgr(with));
    d->ownPicture();
    afterPictureChanged(false);
    return;
  }
  editInto(*this, [&](const Bitmap& p) { return coloursReplaced(p, r, fromBgr(from), fromBgr(to), fromBgr(with)); });
}
void ImagingControl::AutoContrast() { editInto(*this, [](const Bitmap& b) { return autoContrasted(b); }); }
void ImagingControl::Despeckle() { editInPlace(*this, [](Bitmap& b) { despeckle(b); }); }
void ImagingControl::Deskew() { editInto(*this, [](const Bitmap& b) { return deskew(b); }); }

}  // namespace img
