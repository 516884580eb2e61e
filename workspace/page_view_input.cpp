#include "workspace/page_view_input.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/screen.h"
#include "runtime/twips.h"
#include "workspace/document/document_session.h"
#include "workspace/clipboard_picture.h"
#include "workspace/magnifier_link.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QToolBar>
#include <algorithm>
#include <utility>

namespace ws {

namespace {

double tppX() { return rt::Screen::TwipsPerPixelX(); }
double tppY() { return rt::Screen::TwipsPerPixelY(); }

QPixmap handPixmap(bool closed) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(Qt::white);
  if (closed) {
    p.drawRoundedRect(QRectF(3, 5, 10, 9), 3, 3);
  } else {
    for (int i = 0; i < 4; ++i) p.drawRoundedRect(QRectF(3 + i * 2.6, 1 + (i == 0 || i == 3 ? 2 : 0), 2.4, 8), 1, 1);
    p.drawRoundedRect(QRectF(3, 7, 10, 7), 3, 3);
  }
  return pm;
}

}  // namespace

MouseMode pressedMode(const QToolBar* modeBar) {
  for (QAction* a : modeBar->actions())
    if (a->isChecked()) return fnModeForKey(a->data().toString());
  return MouseMode::None;
}

void pressModeButton(QToolBar* modeBar, MouseMode mode) {
  const QString pressed = fnKeyForMode(mode);
  for (QAction* a : modeBar->actions()) a->setChecked(a->data().toString() == pressed);
}

PageViewInput::PageViewInput(img::ImagingControl* view, img::ImagingControl* scratch, std::function<MouseMode()> mode,
                             std::function<void()> deleteCommand)
    : view_(view),
      scratch_(scratch),
      mode_(std::move(mode)),
      deleteCommand_(std::move(deleteCommand)),
      handOpen_(handPixmap(false)),
      handClosed_(handPixmap(true)) {}

void PageViewInput::reset() {
  downX_ = downY_ = 0;
  area_ = FloatingArea();
}

PageGeometry PageViewInput::pageGeometry() const {
  return {view_->ScrollPosX(), view_->ScrollPosY(), view_->ZoomFactor(), view_->ImageWidth(), view_->ImageHeight()};
}

void PageViewInput::enterMode(MouseMode mode) {
  const ModeSettings settings = fnModeSettings(mode);
  if (mode == MouseMode::Hand) view_->setMouseIcon(handOpen_);
  view_->setMousePointer(settings.pointer);
  if (settings.endsRubberBand) view_->RubberBandStart(false);
}

void PageViewInput::clearSelection() {
  view_->AreaPlacement(false);
  view_->RubberBandStart(false);
  view_->setSelectionVisible(false);
  view_->ClearArea();
}

void PageViewInput::commitPendingEdit() {
  if (!area_.pending()) return;
  const QPoint at = area_.commit(pageGeometry());
  view_->MoveArea(at.x(), at.y());
  view_->setSelectionVisible(false);
  view_->MergeArea();
  view_->ClearArea();
  document().markModified();
}

// A dropped area is discarded: merging it would write the picture into the page while the
// modified flags stay as they were, an unsaved change that nothing reports.
void PageViewInput::dropPendingArea() {
  clearSelection();
  area_.drop();
}

void PageViewInput::floatPicture(const QImage& pasted) {
  clearSelection();
  const float z = view_->ZoomFactor();
  scratch_->SetZoom(z);
  scratch_->setPicture(pasted);
  const int32_t w = fnNear(z * scratch_->ImageWidth());
  const int32_t h = fnNear(z * scratch_->ImageHeight());
  // The page under the coming area is kept aside, so the area floats over the page as it was.
  view_->RubberBandStart(true, 0, 0);
  view_->RubberBandTo(w, h);
  const QImage under = view_->SelectionWidth() != 0 ? (view_->CopyToClipboard(), clipboardPicture()) : QImage();
  view_->RubberBandStart(false);
  const double sx = view_->ScrollPosX(), sy = view_->ScrollPosY();
  const double x0 = sx / z, y0 = sy / z;
  view_->AreaPlacement(true, x0, y0, 1, 1);
  view_->AreaPlacementOptions(true, 1, 0, false);
  view_->setImageHandle(scratch_->ImageHandleCopy());
  view_->AddAreaPoint(fnNear(sx / z), fnNear(sy / z));
  view_->AddAreaPoint(fnNear((sx + w) / z), fnNear(sy / z));
  view_->AddAreaPoint(fnNear((sx + w) / z), fnNear((sy + h) / z));
  view_->AddAreaPoint(fnNear(sx / z), fnNear((sy + h) / z));
  view_->CloseArea();
  view_->setSelectionVisible(true);
  view_->ActivateArea();
  if (!under.isNull()) {
    view_->AreaPlacement(true, x0, y0, 1, 1);
    view_->AreaPlacementOptions(true, 1, 0, false);
    view_->setPicture(under);
  }
  // The pasted picture goes back on the clipboard, so the next Paste pastes it again.
  QGuiApplication::clipboard()->setImage(pasted);
  view_->AreaPlacementOptions(false);
  view_->AreaPlacement(false);
  // The floating picture carries its own outline; the selection's would stay behind at the
  // paste position while the picture is dragged away.
  view_->setSelectionVisible(false);
  area_.paste(w, h);
}

void PageViewInput::keyDown(int16_t keyCode, int16_t) {
  if ((keyCode == kKeyDelete || keyCode == kKeyEscape) && area_.pending()) {
    dropPendingArea();
    return;
  }
  if (keyCode == kKeyDelete) deleteCommand_();
}

void PageViewInput::mouseDown(int16_t button, int16_t, float x, float y) {
  const double vx = x / tppX(), vy = y / tppY();
  downX_ = fnNear(vx);
  downY_ = fnNear(vy);
  switch (area_.press(vx, vy, view_->MousePointer())) {
    case FloatingArea::Press::StartDrag: view_->setMousePointer(kPointerSizeAll); return;
    case FloatingArea::Press::Commit: commitPendingEdit(); return;
    case FloatingArea::Press::Ignored: break;
  }
  if (button != kLeftButton) return;
  switch (mode()) {
    case MouseMode::Rect:
      clearSelection();
      view_->RubberBandStart(true, downX_, downY_);
      break;
    case MouseMode::Magnify:
      if (Magnifier* m = magnifier()) m->show(view_->window(), view_->ImageHandleCopy(), view_->ZoomFactor() * 5.0f);
      break;
    case MouseMode::Hand:
      view_->setMouseIcon(handClosed_);
      view_->setMousePointer(kPointerCustom);
      break;
    default: break;
  }
}

void PageViewInput::mouseMove(int16_t button, int16_t, float x, float y) {
  const double vx = x / tppX(), vy = y / tppY();
  if (area_.dragging()) {
    const QPoint at = area_.dragTo(vx, vy, pageGeometry());
    view_->GetAreaOrigin(at.x(), at.y());
    view_->setMousePointer(kPointerSizeAll);
    // The pointer outside the view scrolls it by one step per move.
    if (const int dx = fnAutoScroll(x, tw::Width(view_))) view_->setScrollPosX(view_->ScrollPosX() + dx * view_->ScrollStepX());
    if (const int dy = fnAutoScroll(y, tw::Height(view_))) view_->setScrollPosY(view_->ScrollPosY() + dy * view_->ScrollStepY());
    return;
  }
  if (area_.pending()) {
    view_->setMousePointer(area_.hoverPointer(vx, vy));
    return;
  }
  if (button != kLeftButton) return;
  switch (mode()) {
    case MouseMode::Hand:
      view_->setScrollPosX(fnNear(view_->ScrollPosX() + downX_ - vx));
      downX_ = fnNear(vx);
      view_->setScrollPosY(fnNear(view_->ScrollPosY() + downY_ - vy));
      downY_ = fnNear(vy);
      break;
    case MouseMode::Rect: view_->RubberBandTo(fnNear(vx), fnNear(vy)); break;
    case MouseMode::Magnify: moveMagnifier(vx, vy); break;
    default: break;
  }
}

// The magnifier is centred on the pointer and shows the picture around it.
void PageViewInput::moveMagnifier(double vx, double vy) {
  Magnifier* m = magnifier();
  if (!m || !m->isShown()) return;
  const QPoint screen = view_->mapToGlobal(QPoint(fnNear(vx), fnNear(vy)));
  const double w = m->widthTwips(), h = m->heightTwips(), mz = m->zoom(), z = view_->ZoomFactor();
  auto near16 = [](double v) { return static_cast<int16_t>(std::clamp(fnNear(v), -32768, 32767)); };
  const int16_t a = near16(view_->ScrollPosX() / z + fnNear(vx) / z - (w / 2 / tppX()) / mz);
  const int16_t b = near16(view_->ScrollPosY() / z + fnNear(vy) / z - (h / 2 / tppY()) / mz);
  m->newCrop(static_cast<float>(tppX() * screen.x() - w / 2), static_cast<float>(tppY() * screen.y() - h / 2), a, b);
}

void PageViewInput::mouseUp(int16_t button, int16_t, float x, float y) {
  if (area_.dragging()) {
    const QPoint at = area_.release(x / tppX(), y / tppY());
    view_->GetAreaOrigin(at.x(), at.y());
    view_->setMousePointer(kPointerSizeAll);
    return;
  }
  if (button != kLeftButton) return;
  switch (mode()) {
    case MouseMode::Magnify:
      if (Magnifier* m = magnifier()) m->unload();
      break;
    case MouseMode::Rect: {
      const int32_t h = view_->SelectionHeight(), w = view_->SelectionWidth();
      if (h < 1 || w < 1) break;
      const int32_t l = view_->SelectionLeft(), t = view_->SelectionTop();
      view_->setSelectionVisible(false);
      view_->ClearArea();
      view_->AddAreaPoint(l, t);
      view_->AddAreaPoint(l + w, t);
      view_->AddAreaPoint(l + w, t + h);
      view_->AddAreaPoint(l, t + h);
      view_->CloseArea();
      view_->setSelectionVisible(true);
      break;
    }
    case MouseMode::Hand:
      view_->setMouseIcon(handOpen_);
      view_->setMousePointer(kPointerCustom);
      break;
    default: break;
  }
}

}  // namespace ws
