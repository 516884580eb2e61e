// The pages of the main window: the thumbnail strip, the page view with its mouse modes and the
// floating pasted area, the view layouts and the zoom.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/conversions.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/magnifier_link.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/page_view_state.h"
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
  for (int i = 0; i < thumbCount(); ++i) ixTmb(i)->setHighlightBorder(ws::kThumbUnselected);
  t->setHighlightBorder(ws::kThumbSelected);
  gintCurrPage = index;
  fnRefreshMainDisplay(index + 1);
  fnScrollTmbToCurrent();
}

void frmImgClntForm::ixTmb_DblClick(int32_t index) {
  ixTmb_Click(index);
  if (!mblnShiftDown) mnuViewPageOnly_Click();
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
  fnSavePageAnnotations(gintCurrPage);
}

void frmImgClntForm::fnScrollTmbToCurrent() {
  if (ws::document().showsSinglePage()) return;
  img::ImagingControl* selected = nullptr;
  for (int i = 0; i < thumbCount() && !selected; ++i)
    if (ixTmb(i)->HighlightBorder() == ws::kThumbSelected) selected = ixTmb(i);
  if (!selected) return;
  const double T = tw::Top(selected), H = tw::Height(selected), V = vsTmb->value(), P = tw::Height(picMain);
  if (V * 200 + P < T + H + 280)
    vsTmb->setValue(rt::CLng((T + H + 280 - P) / 200));
  else if (T + 280 < V * 200)
    vsTmb->setValue(rt::CLng((T - 280) / 200));
}

void frmImgClntForm::fnOrganizeThumbs() {
  img::ImagingControl* first = ixTmb(0);
  if (ws::document().showsSinglePage()) {
    tw::setLeft(lblTmb(0), tw::Left(first));
    tw::setTop(lblTmb(0), tw::Top(first) + tw::Height(first) + 10);
    first->show();
    lblTmb(0)->show();
    return;
  }
  const int n = thumbCount();
  const modView::ThumbGrid grid = modView::fnThumbGrid(tw::Width(picMain), n);
  const int c = grid.columns, r = grid.rows;
  auto sizeAll = [&](double w, double h) {
    for (int i = 0; i < n; ++i) {
      tw::setWidth(ixTmb(i), w);
      tw::setHeight(ixTmb(i), h);
    }
  };
  if (tw::Height(picMain) < r * 2105.0 + 280) {
    setViewportWidth(tw::Width(fraTmb) - 80 - tw::Width(vsTmb));
    if (tw::Width(picChild) < 2020 && c == 1) sizeAll(1220, 1525);
    else sizeAll(1460, 1825);
    tw::setHeight(picChild, (tw::Height(first) + 280) * r + 280);
    if (tw::Height(picChild) > tw::Height(picMain)) {
      tw::setLeft(vsTmb, tw::Left(picMain) + tw::Width(picMain));
      tw::setTop(vsTmb, tw::Top(picMain));
      tw::setHeight(vsTmb, tw::Height(picMain));
      vsTmb->setVisible(true);
      vsTmb->setMaximum(rt::CLng((tw::Height(picChild) - tw::Height(picMain)) / 200));
    } else {
      setViewportWidth(tw::Width(fraTmb) - 80);
      tw::setHeight(picChild, tw::Height(picMain));
      vsTmb->setVisible(false);
    }
  } else {
    setViewportWidth(tw::Width(fraTmb) - 80);
    sizeAll(1460, 1825);
    vsTmb->setVisible(false);
  }
  // A grid that fits fills the viewport and has nothing to scroll; otherwise the carrier stands
  // where the scroll bar says.
  if (!vsTmb->isVisible()) {
    tw::setHeight(picChild, tw::Height(picMain));
    vsTmb->setValue(0);
  }
  for (int i = 0; i < n; ++i) {
    const int col = i % c, row = i / c;
    img::ImagingControl* t = ixTmb(i);
    tw::setLeft(t, (tw::Width(first) + 280) * col + 280);
    tw::setTop(t, (tw::Height(first) + 280) * row + 280);
    if (QLabel* l = lblTmb(i)) {
      tw::setLeft(l, tw::Left(t));
      tw::setTop(l, tw::Top(t) + tw::Height(t) + 10);
      l->adjustSize();
    }
  }
  vsTmb_Change();
}

void frmImgClntForm::rearrangeStrip(const ws::PageEdit& edit, ws::CaptionRule rule) {
  const int before = thumbCount();
  // The pictures that change places are taken before any slot is overwritten.
  // (Each handle taken here is handed over to its new slot below.)
  std::vector<std::optional<plat::HGLOBAL>> moved(static_cast<std::size_t>(edit.count()));
  for (int i = 0; i < edit.count(); ++i) {
    const int src = edit.from[static_cast<std::size_t>(i)];
    if (src != i && src >= 0 && src < before) moved[static_cast<std::size_t>(i)] = ixTmb(src)->ImageHandleCopy();
  }
  std::vector<QString> captions;
  for (int i = 0; i < before; ++i) captions.push_back(lblTmb(i) ? lblTmb(i)->text() : QString());
  const std::vector<QString> newCaptions = ws::fnAlignCaptions(captions, edit, rule);

  for (int k = before - 1; k >= std::max(1, edit.count()); --k) {
    ixTmb.Unload(k);
    lblTmb.Unload(k);
  }
  for (int i = 0; i < edit.count(); ++i) {
    if (!ixTmb.Exists(i)) {
      ixTmb.Load(i);
      ixTmb(i)->setVisible(true);
    }
    if (!lblTmb.Exists(i)) {
      lblTmb.Load(i);
      lblTmb(i)->setVisible(true);
    }
    img::ImagingControl* t = ixTmb(i);
    const int src = edit.from[static_cast<std::size_t>(i)];
    if (src == ws::kNewPage) t->setSourceFile(QString());
    else if (moved[static_cast<std::size_t>(i)]) t->setImageHandle(*moved[static_cast<std::size_t>(i)]);
    lblTmb(i)->setText(newCaptions[static_cast<std::size_t>(i)]);
    t->setHighlightBorder(i == edit.current ? ws::kThumbSelected : ws::kThumbUnselected);
  }
}

void frmImgClntForm::vsTmb_Change() {
  tw::setTop(picChild, -200.0 * vsTmb->value());
  showSlotsNearView();
  preferVisibleThumbs();
}

// With no pages there is nothing to scroll: the next document's strip starts at its top.
void frmImgClntForm::fnResetStripScroll() {
  vsTmb->setValue(0);
  vsTmb->setMaximum(0);
  vsTmb->setVisible(false);
  vsTmb_Change();
}

void frmImgClntForm::setViewportWidth(double twips) {
  const int before = picMain->width();
  tw::setWidth(picMain, twips);
  if (picMain->width() != before) picMain_Resize();
}

void frmImgClntForm::setViewportHeight(double twips) {
  const int before = picMain->height();
  tw::setHeight(picMain, twips);
  if (picMain->height() != before) picMain_Resize();
}

// The carrier takes the viewport's new size (the layout then gives it the grid's height), so the
// thumbnails are sized for the strip as it is now, not as an earlier layout left it.
void frmImgClntForm::picMain_Resize() { picChild->setGeometry(0, 0, picMain->width(), picMain->height()); }

// ---- Page view ------------------------------------------------------------------------------------

void frmImgClntForm::fnRefreshMainDisplay(int32_t page) {
  const bool pageModified = gblnPageModified;
  const bool docModified = gblnDocModified;
  nxMain->ClearAll();
  if (img::ImagingControl* t = ixTmb(page - 1)) ixMain->setImageHandle(t->ImageHandleCopy());
  fnRestorePageAnnotations(page - 1);
  fnTakeCurrentLayer();
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
    if (const int dx = ws::fnAutoScroll(x, tw::Width(ixMain))) ixMain->setScrollPosX(ixMain->ScrollPosX() + dx * ixMain->ScrollStepX());
    if (const int dy = ws::fnAutoScroll(y, tw::Height(ixMain))) ixMain->setScrollPosY(ixMain->ScrollPosY() + dy * ixMain->ScrollStepY());
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
  tw::setWidth(ixMain, tw::Width(fraEdt) - 80);
  tw::setWidth(fraTmb, tw::Left(imgDivider) - tw::Left(fraTmb));
  setViewportWidth(tw::Width(fraTmb) - 80);
  fnOrganizeThumbs();
}

// ---- Layouts --------------------------------------------------------------------------------------

void frmImgClntForm::checkLayout(const QString& item) {
  for (const char* name : {"mnuViewPageThumbs", "mnuViewThumbsOnly", "mnuViewPageOnly"})
    if (QAction* a = Menu(QString::fromLatin1(name))) a->setChecked(item == QLatin1String(name));
}

void frmImgClntForm::mnuViewPageThumbs_Click() {
  checkLayout(QStringLiteral("mnuViewPageThumbs"));
  fraTmb->setVisible(true);
  fraEdt->setVisible(true);
  imgDivider->setVisible(true);
  tw::setWidth(fraTmb, tw::Left(imgDivider) - tw::Left(fraTmb));
  tw::setLeft(fraEdt, tw::Left(imgDivider) + tw::Width(imgDivider));
  if (Width() - tw::Left(fraEdt) - 130 > 0) tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
  if (tw::Height(fraTmb) - 180 != 0) setViewportHeight(tw::Height(fraTmb) - 180);
  if (tw::Width(fraTmb) - 80 != 0) setViewportWidth(tw::Width(fraTmb) - 80);
  if (tw::Height(fraEdt) - 180 != 0) tw::setHeight(ixMain, tw::Height(fraEdt) - 180);
  if (tw::Width(fraEdt) - 80 != 0) tw::setWidth(ixMain, tw::Width(fraEdt) - 80);
  fnOrganizeThumbs();
}

void frmImgClntForm::mnuViewThumbsOnly_Click() {
  checkLayout(QStringLiteral("mnuViewThumbsOnly"));
  fraTmb->setVisible(true);
  fraEdt->setVisible(false);
  imgDivider->setVisible(false);
  tw::setWidth(fraTmb, Width() - tw::Left(fraTmb) - 130);
  setViewportHeight(tw::Height(fraTmb) - 180);
  setViewportWidth(tw::Width(fraTmb) - 80);
  fnOrganizeThumbs();
}

void frmImgClntForm::mnuViewPageOnly_Click() {
  checkLayout(QStringLiteral("mnuViewPageOnly"));
  fraTmb->setVisible(false);
  imgDivider->setVisible(false);
  fraEdt->setVisible(true);
  tw::setLeft(fraEdt, tw::Left(fraTmb));
  tw::setWidth(fraEdt, Width() - tw::Left(fraEdt) - 130);
  tw::setHeight(ixMain, tw::Height(fraEdt) - 180);
  tw::setWidth(ixMain, tw::Width(fraEdt) - 80);
}

// ---- Pages and zoom -------------------------------------------------------------------------------

void frmImgClntForm::mnuViewNext_Click() {
  if (gintCurrPage + 1 < thumbCount()) ixTmb_Click(gintCurrPage + 1);
  fnScrollTmbToCurrent();
  ws::document().updatePageButtons();
}

void frmImgClntForm::mnuViewPrev_Click() {
  if (gintCurrPage + 1 > 1) ixTmb_Click(gintCurrPage - 1);
  fnScrollTmbToCurrent();
  ws::document().updatePageButtons();
}

void frmImgClntForm::mnuZoomFixed(float factor) {
  ixMain->SetZoom(factor);
  setStatusPanel(QStringLiteral("ZOOM"), modView::fnZoomText(factor));
}

void frmImgClntForm::mnuZoom025_Click() { mnuZoomFixed(0.25f); }
void frmImgClntForm::mnuZoom050_Click() { mnuZoomFixed(0.5f); }
void frmImgClntForm::mnuZoom075_Click() { mnuZoomFixed(0.75f); }
void frmImgClntForm::mnuZoom100_Click() { mnuZoomFixed(1.0f); }
void frmImgClntForm::mnuZoom200_Click() { mnuZoomFixed(2.0f); }
void frmImgClntForm::mnuZoom400_Click() { mnuZoomFixed(4.0f); }

void frmImgClntForm::mnuZoomIn_Click() {
  ixMain->SetZoom(static_cast<float>(static_cast<double>(ixMain->ZoomFactor()) * 1.1));
  if (ixMain->ZoomFactor() > 4.0f) ixMain->SetZoom(4.0f);
  setStatusPanel(QStringLiteral("ZOOM"), modView::fnZoomText(ixMain->ZoomFactor()));
}

void frmImgClntForm::mnuZoomOut_Click() {
  ixMain->SetZoom(static_cast<float>(static_cast<double>(ixMain->ZoomFactor()) * 0.9));
  if (ixMain->ZoomFactor() < 0.2f) ixMain->SetZoom(0.2f);
  setStatusPanel(QStringLiteral("ZOOM"), modView::fnZoomText(ixMain->ZoomFactor()));
}

void frmImgClntForm::mnuZoomFit(int16_t how) {
  ixMain->setViewOffsetX(0);
  ixMain->setViewOffsetY(0);
  ixMain->ZoomToFit(how);
  setStatusPanel(QStringLiteral("ZOOM"), modView::fnZoomText(ixMain->ZoomFactor()));
}

void frmImgClntForm::mnuZoomPage_Click() { mnuZoomFit(ws::kFitPage); }
void frmImgClntForm::mnuZoomWidth_Click() { mnuZoomFit(ws::kFitWidth); }
void frmImgClntForm::mnuZoomHeight_Click() { mnuZoomFit(ws::kFitHeight); }
