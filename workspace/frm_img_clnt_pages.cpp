// The pages of the main window: the thumbnail strip, the page view with its mouse modes and the
// floating pasted area, the view layouts and the zoom.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/conversions.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/annotation_commands.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/magnifier_link.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/page_view_state.h"
#include "workspace/thumb_strip.h"
#include "runtime/twips.h"
#include "workspace/view_text.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QToolBar>
#include <algorithm>
#include <optional>

using namespace modVars;

namespace {

double tppX() { return rt::Screen::TwipsPerPixelX(); }
double tppY() { return rt::Screen::TwipsPerPixelY(); }

}  // namespace

// ---- Thumbnail strip ------------------------------------------------------------------------------

void frmImgClntForm::ixTmb_Click(int32_t index) {
  img::ImagingControl* t = ixTmb(index);
  if (!t) return;
  fnClearSelection();
  if (!ws::document().hasPageStrip()) {
    t->setImageHandle(ixMain->ImageHandleCopy());
    t->setHighlightBorder(ws::kThumbSelected);
    return;
  }
  if (mblnShiftDown) {
    t->setHighlightBorder(ws::kThumbSelected);
    return;
  }
  ws::document().storePageEdits();
  for (int i = 0; i < pageCount(); ++i) ixTmb(i)->setHighlightBorder(ws::kThumbUnselected);
  t->setHighlightBorder(ws::kThumbSelected);
  gintCurrPage = index;
  fnRefreshMainDisplay(index + 1);
  scrollStripToCurrent();
}

void frmImgClntForm::ixTmb_DblClick(int32_t index) {
  ixTmb_Click(index);
  if (!mblnShiftDown) showLayout(Layout::PageOnly);
}

void frmImgClntForm::ixTmb_MouseDown(int32_t index, int16_t button) {
  if (button != ws::kRightButton) return;
  ixTmb_Click(index);
  gintPopupTmb = index;
  mnuPopTmb->popup(QCursor::pos());
}

void frmImgClntForm::storeCurrentPage() {
  if (!ws::document().hasPageStrip()) {
    ixTmb(0)->setImageHandle(ixMain->ImageHandleCopy());
    return;
  }
  if (img::ImagingControl* t = ixTmb(gintCurrPage)) t->setImageHandle(ixMain->ImageHandleCopy());
  ws::savePageAnnotations(*this, gintCurrPage);
}









// ---- Page view ------------------------------------------------------------------------------------

void frmImgClntForm::fnRefreshMainDisplay(int32_t page) {
  const bool pageModified = gblnPageModified;
  const bool docModified = gblnDocModified;
  nxMain->ClearAll();
  if (img::ImagingControl* t = ixTmb(page - 1)) ixMain->setImageHandle(t->ImageHandleCopy());
  ws::restorePageAnnotations(*this, page - 1);
  ws::takeCurrentLayer(*this);
  nxMain->setCurrentTool(TOOL_POINTER);
  gblnPageModified = pageModified;
  gblnDocModified = docModified;
  if (Menu("mnuAnnPalette")->isChecked() && frmAnnoPalette.IsLoaded()) frmAnnoPalette->fnShowCurrTool();
  const ws::MouseMode mode = currentMode();
  if (mode == ws::MouseMode::Hand || mode == ws::MouseMode::Rect || mode == ws::MouseMode::Magnify)
    nxMain->setCurrentTool(TOOL_NONE);
  ws::document().updatePageButtons();
}

void frmImgClntForm::showPage(int page) { fnRefreshMainDisplay(page); }

void frmImgClntForm::enablePageButtons(bool previous, bool next) {
  Button(tbrImage, "previous")->setEnabled(previous);
  Menu("mnuViewPrev")->setEnabled(previous);
  Button(tbrImage, "next")->setEnabled(next);
  Menu("mnuViewNext")->setEnabled(next);
}

void frmImgClntForm::fnClearSelection() {
  ixMain->AreaPlacement(false);
  ixMain->RubberBandStart(false);
  ixMain->setSelectionVisible(false);
  ixMain->ClearArea();
}

ws::PageGeometry frmImgClntForm::pageGeometry() const {
  return {ixMain->ScrollPosX(), ixMain->ScrollPosY(), ixMain->ZoomFactor(), ixMain->ImageWidth(), ixMain->ImageHeight()};
}

ws::MouseMode frmImgClntForm::currentMode() const {
  for (QAction* a : tbrMode->actions())
    if (a->isChecked()) return ws::fnModeForKey(a->data().toString());
  return ws::MouseMode::None;
}

void frmImgClntForm::commitPendingEdit() { fnCommitPendingEdit(); }

void frmImgClntForm::fnCommitPendingEdit() {
  if (!area_.pending()) return;
  const QPoint at = area_.commit(pageGeometry());
  ixMain->MoveArea(at.x(), at.y());
  ixMain->setSelectionVisible(false);
  ixMain->MergeArea();
  ixMain->ClearArea();
  ws::document().markModified();
}

// A dropped area is discarded: merging it would write the picture into the page while the
// modified flags stay as they were, an unsaved change that nothing reports.
void frmImgClntForm::dropPendingArea() {
  fnClearSelection();
  area_.drop();
}

void frmImgClntForm::ixMain_KeyDown(int16_t keyCode, int16_t) {
  if ((keyCode == ws::kKeyDelete || keyCode == ws::kKeyEscape) && area_.pending()) {
    dropPendingArea();
    return;
  }
  if (keyCode == ws::kKeyDelete) mnuEditDelete_Click();
}

void frmImgClntForm::ixMain_MouseDown(int16_t button, int16_t, float x, float y) {
  const double vx = x / tppX(), vy = y / tppY();
  mlngDownX = ws::fnNear(vx);
  mlngDownY = ws::fnNear(vy);
  switch (area_.press(vx, vy, ixMain->MousePointer())) {
    case ws::FloatingArea::Press::StartDrag: ixMain->setMousePointer(ws::kPointerSizeAll); return;
    case ws::FloatingArea::Press::Commit: fnCommitPendingEdit(); return;
    case ws::FloatingArea::Press::Ignored: break;
  }
  if (button != ws::kLeftButton) return;
  switch (currentMode()) {
    case ws::MouseMode::Rect:
      fnClearSelection();
      ixMain->RubberBandStart(true, mlngDownX, mlngDownY);
      break;
    case ws::MouseMode::Magnify:
      if (ws::Magnifier* m = ws::magnifier())
        m->show(this, ixMain->ImageHandleCopy(), ixMain->ZoomFactor() * 5.0f);
      break;
    case ws::MouseMode::Hand:
      ixMain->setMouseIcon(handClosed_);
      ixMain->setMousePointer(ws::kPointerCustom);
      break;
    default: break;
  }
}

void frmImgClntForm::ixMain_MouseMove(int16_t button, int16_t, float x, float y) {
  const double vx = x / tppX(), vy = y / tppY();
  if (area_.dragging()) {
    const QPoint at = area_.dragTo(vx, vy, pageGeometry());
    ixMain->GetAreaOrigin(at.x(), at.y());
    ixMain->setMousePointer(ws::kPointerSizeAll);
    // The pointer outside the view scrolls it by one step per move.
    if (const int dx = ws::fnAutoScroll(x, ixMain->Width())) ixMain->setScrollPosX(ixMain->ScrollPosX() + dx * ixMain->ScrollStepX());
    if (const int dy = ws::fnAutoScroll(y, ixMain->Height())) ixMain->setScrollPosY(ixMain->ScrollPosY() + dy * ixMain->ScrollStepY());
    return;
  }
  if (area_.pending()) {
    ixMain->setMousePointer(area_.hoverPointer(vx, vy));
    return;
  }
  if (button != ws::kLeftButton) return;
  switch (currentMode()) {
    case ws::MouseMode::Hand:
      ixMain->setScrollPosX(ws::fnNear(ixMain->ScrollPosX() + mlngDownX - vx));
      mlngDownX = ws::fnNear(vx);
      ixMain->setScrollPosY(ws::fnNear(ixMain->ScrollPosY() + mlngDownY - vy));
      mlngDownY = ws::fnNear(vy);
      break;
    case ws::MouseMode::Rect: ixMain->RubberBandTo(ws::fnNear(vx), ws::fnNear(vy)); break;
    case ws::MouseMode::Magnify: moveMagnifier(vx, vy); break;
    default: break;
  }
}

// The magnifier is centred on the pointer and shows the picture around it.
void frmImgClntForm::moveMagnifier(double vx, double vy) {
  ws::Magnifier* m = ws::magnifier();
  if (!m || !m->isShown()) return;
  const QPoint screen = ixMain->mapToGlobal(QPoint(ws::fnNear(vx), ws::fnNear(vy)));
  const double w = m->widthTwips(), h = m->heightTwips(), mz = m->zoom(), z = ixMain->ZoomFactor();
  auto near16 = [](double v) { return static_cast<int16_t>(std::clamp(ws::fnNear(v), -32768, 32767)); };
  const int16_t a = near16(ixMain->ScrollPosX() / z + ws::fnNear(vx) / z - (w / 2 / tppX()) / mz);
  const int16_t b = near16(ixMain->ScrollPosY() / z + ws::fnNear(vy) / z - (h / 2 / tppY()) / mz);
  m->newCrop(static_cast<float>(tppX() * screen.x() - w / 2), static_cast<float>(tppY() * screen.y() - h / 2), a, b);
}

void frmImgClntForm::ixMain_MouseUp(int16_t button, int16_t, float x, float y) {
  if (area_.dragging()) {
    const QPoint at = area_.release(x / tppX(), y / tppY());
    ixMain->GetAreaOrigin(at.x(), at.y());
    ixMain->setMousePointer(ws::kPointerSizeAll);
    return;
  }
  if (button != ws::kLeftButton) return;
  switch (currentMode()) {
    case ws::MouseMode::Magnify:
      if (ws::Magnifier* m = ws::magnifier()) m->unload();
      break;
    case ws::MouseMode::Rect: {
      const int32_t h = ixMain->SelectionHeight(), w = ixMain->SelectionWidth();
      if (h < 1 || w < 1) break;
      const int32_t l = ixMain->SelectionLeft(), t = ixMain->SelectionTop();
      ixMain->setSelectionVisible(false);
      ixMain->ClearArea();
      ixMain->AddAreaPoint(l, t);
      ixMain->AddAreaPoint(l + w, t);
      ixMain->AddAreaPoint(l + w, t + h);
      ixMain->AddAreaPoint(l, t + h);
      ixMain->CloseArea();
      ixMain->setSelectionVisible(true);
      break;
    }
    case ws::MouseMode::Hand:
      ixMain->setMouseIcon(handOpen_);
      ixMain->setMousePointer(ws::kPointerCustom);
      break;
    default: break;
  }
}

// ---- Pane divider ---------------------------------------------------------------------------------

void frmImgClntForm::ixMain_DragDrop(QWidget* source, float x, float) {
  if (!source || source->objectName() != QLatin1String("imgDivider")) return;
  // Dropped within 2100 twips of the right edge: the page pane keeps 2100 twips.
  if (tw::Width(fraEdt) - x <= 2100)
    placeDivider(Width() - 2100 - tw::Width(imgDivider));
  else
    placeDivider(tw::Left(fraEdt) + x);
}

void frmImgClntForm::picChild_DragDrop(QWidget* source, float x, float) {
  if (!source || source->objectName() != QLatin1String("imgDivider")) return;
  placeDivider(x <= 2100 ? 2100 : x);
}

void frmImgClntForm::placeDivider(double left) {
  tw::setLeft(imgDivider, left);
  tw::setLeft(fraEdt, tw::Left(imgDivider) + tw::Width(imgDivider));
  tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
  ixMain->setWidth(tw::Width(fraEdt) - 80);
  tw::setWidth(fraTmb, tw::Left(imgDivider) - tw::Left(fraTmb));
  strip_->setViewportWidth(tw::Width(fraTmb) - 80);
  layOutStrip();
}

// ---- Layouts --------------------------------------------------------------------------------------

void frmImgClntForm::showLayout(Layout layout) {
  // The check mark is on the layout's item only.
  const std::pair<Layout, const char*> items[] = {
      {Layout::PageAndThumbs, "mnuViewPageThumbs"}, {Layout::ThumbsOnly, "mnuViewThumbsOnly"}, {Layout::PageOnly, "mnuViewPageOnly"}};
  for (const auto& [l, name] : items)
    if (QAction* a = Menu(QString::fromLatin1(name))) a->setChecked(l == layout);
  switch (layout) {
    case Layout::PageAndThumbs:
      fraTmb->setVisible(true);
      fraEdt->setVisible(true);
      imgDivider->setVisible(true);
      tw::setWidth(fraTmb, tw::Left(imgDivider) - tw::Left(fraTmb));
      tw::setLeft(fraEdt, tw::Left(imgDivider) + tw::Width(imgDivider));
      if (Width() - tw::Left(fraEdt) - 130 > 0) tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
      if (tw::Height(fraTmb) - 180 != 0) strip_->setViewportHeight(tw::Height(fraTmb) - 180);
      if (tw::Width(fraTmb) - 80 != 0) strip_->setViewportWidth(tw::Width(fraTmb) - 80);
      if (tw::Height(fraEdt) - 180 != 0) ixMain->setHeight(tw::Height(fraEdt) - 180);
      if (tw::Width(fraEdt) - 80 != 0) ixMain->setWidth(tw::Width(fraEdt) - 80);
      layOutStrip();
      break;
    case Layout::ThumbsOnly:
      fraTmb->setVisible(true);
      fraEdt->setVisible(false);
      imgDivider->setVisible(false);
      tw::setWidth(fraTmb, Width() - tw::Left(fraTmb) - 130);
      strip_->setViewportHeight(tw::Height(fraTmb) - 180);
      strip_->setViewportWidth(tw::Width(fraTmb) - 80);
      layOutStrip();
      break;
    case Layout::PageOnly:
      fraTmb->setVisible(false);
      imgDivider->setVisible(false);
      fraEdt->setVisible(true);
      tw::setLeft(fraEdt, tw::Left(fraTmb));
      tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
      ixMain->setHeight(tw::Height(fraEdt) - 180);
      ixMain->setWidth(tw::Width(fraEdt) - 80);
      break;
  }
}
