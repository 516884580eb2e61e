// The Edit menu: every command works on the selected annotations first, then on the rectangle
// selection of the page view, then on the pages of the strip.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "platform/memory/global_memory.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/window_openers.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMimeData>

using namespace modVars;

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

// The picture on the clipboard, whatever image type the program that put it there offered (a
// bitmap, a PNG, ...); null when there is none.
QImage clipboardPicture() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  if (!m) return QImage();
  if (m->hasImage()) {
    const QImage i = qvariant_cast<QImage>(m->imageData());
    if (!i.isNull()) return i;
  }
  for (const QString& f : m->formats()) {
    if (!f.startsWith(QLatin1String("image/"))) continue;
    const QImage i = QImage::fromData(m->data(f));
    if (!i.isNull()) return i;
  }
  return QImage();
}

bool clipboardHasPicture() {
  const QMimeData* m = QGuiApplication::clipboard()->mimeData();
  if (!m) return false;
  if (m->hasImage()) return true;
  for (const QString& f : m->formats())
    if (f.startsWith(QLatin1String("image/"))) return !clipboardPicture().isNull();
  return false;
}

}  // namespace

void frmImgClntForm::mnuEdit_Click() {
  // The menu's own opening has already written a floating area into the page.
  Menu("mnuEditUndo")->setEnabled(ixMain->UndoAvailable() != 0);
  const bool selection = ixMain->SelectionWidth() != 0 || nxMain->HasSelection();
  Menu("mnuEditCopy")->setEnabled(selection);
  Menu("mnuEditCut")->setEnabled(selection);
  Menu("mnuEditPaste")->setEnabled(nxMain->CanPaste() || clipboardHasPicture());
  Menu("mnuEditDelete")->setEnabled(selection || fnIsMultiPageFormat(gintCurrFormat));
}

void frmImgClntForm::mnuEditUndo_Click() { ixMain->UndoLast(); }

void frmImgClntForm::mnuEditCopy_Click() {
  if (nxMain->HasSelection()) {
    nxMain->CopySelected();
    return;
  }
  ixMain->CopyToClipboard();
  fnClearSelection();
}

void frmImgClntForm::mnuEditCut_Click() {
  if (nxMain->HasSelection()) {
    nxMain->CutSelected();
  } else {
    ixMain->CopyToClipboard();
    fnEraseSelection();
    fnClearSelection();
  }
  ws::document().markModified();
}

void frmImgClntForm::fnEraseSelection() {
  if (ixMain->SelectionWidth() != 0) ixMain->ReplaceColours(kBlack, kWhite, kWhite);
}

void frmImgClntForm::mnuEditPaste_Click() {
  if (nxMain->CanPaste()) {
    nxMain->PasteAnnotations();
    ws::document().markModified();
    return;
  }
  const QImage pasted = clipboardPicture();
  if (pasted.isNull() || !ixMain->hasImage()) return;
  fnClearSelection();
  const float z = ixMain->ZoomFactor();
  ixTemp->SetZoom(z);
  ixTemp->setPicture(pasted);
  const int32_t w = ws::fnNear(z * ixTemp->ImageWidth());
  const int32_t h = ws::fnNear(z * ixTemp->ImageHeight());
  // The page under the coming area is kept aside, so the area floats over the page as it was.
  ixMain->RubberBandStart(true, 0, 0);
  ixMain->RubberBandTo(w, h);
  const QImage under = ixMain->SelectionWidth() != 0 ? (ixMain->CopyToClipboard(), clipboardPicture()) : QImage();
  ixMain->RubberBandStart(false);
  const double sx = ixMain->ScrollPosX(), sy = ixMain->ScrollPosY();
  const double x0 = sx / z, y0 = sy / z;
  ixMain->AreaPlacement(true, x0, y0, 1, 1);
  ixMain->AreaPlacementOptions(true, 1, 0, false);
  ixMain->setImageHandle(ixTemp->ImageHandleCopy());
  ixMain->AddAreaPoint(ws::fnNear(sx / z), ws::fnNear(sy / z));
  ixMain->AddAreaPoint(ws::fnNear((sx + w) / z), ws::fnNear(sy / z));
  ixMain->AddAreaPoint(ws::fnNear((sx + w) / z), ws::fnNear((sy + h) / z));
  ixMain->AddAreaPoint(ws::fnNear(sx / z), ws::fnNear((sy + h) / z));
  ixMain->CloseArea();
  ixMain->setSelectionVisible(true);
  ixMain->ActivateArea();
  if (!under.isNull()) {
    ixMain->AreaPlacement(true, x0, y0, 1, 1);
    ixMain->AreaPlacementOptions(true, 1, 0, false);
    ixMain->setPicture(under);
  }
  // The pasted picture goes back on the clipboard, so the next Paste pastes it again.
  QGuiApplication::clipboard()->setImage(pasted);
  ixMain->AreaPlacementOptions(false);
  ixMain->AreaPlacement(false);
  // The floating picture carries its own outline; the selection's would stay behind at the
  // paste position while the picture is dragged away.
  ixMain->setSelectionVisible(false);
  area_.paste(w, h);
}

void frmImgClntForm::mnuEditDelete_Click() {
  if (nxMain->HasSelection()) {
    if (rt::Confirm(QStringLiteral("Are you sure you want to delete the selected annotation(s)?")) != rt::vbYes) return;
    nxMain->DeleteSelected();
    ws::document().markModified();
    return;
  }
  if (ixMain->SelectionWidth() != 0) {
    if (rt::Confirm(QStringLiteral("Are you sure you want to delete the selection?")) != rt::vbYes) return;
    fnEraseSelection();
    fnClearSelection();
    ws::document().markModified();
    return;
  }
  if (!fnIsMultiPageFormat(gintCurrFormat)) return;
  std::vector<bool> selected;
  for (int i = 0; i < pageCount(); ++i) selected.push_back(ixTmb(i)->HighlightBorder() == ws::kThumbSelected);
  const std::optional<ws::PageEdit> edit = ws::fnDeletePages(pageCount(), gintCurrPage, selected);
  // A document keeps at least one page.
  if (!edit) {
    rt::ShowError(QStringLiteral("A document must keep at least one page: the selected image(s) cannot all be deleted."));
    return;
  }
  if (edit->count() == pageCount()) return;
  if (rt::Confirm(QStringLiteral("Are you sure you want to delete the selected image(s)?")) != rt::vbYes) return;
  // Edits of the shown page go to its thumbnail first, so that they survive if the page stays.
  ws::document().storePageEdits();
  ws::document().applyPageEdit(*edit, ws::CaptionRule::Travel);
  layOutStrip();
  scrollStripToCurrent();
  fnRefreshMainDisplay(gintCurrPage + 1);
  ws::document().updatePageButtons();
  ws::document().markModified();
}

void frmImgClntForm::mnuEditAppend_Click() {
  ws::document().storePageEdits();
  cdgMain.DialogTitle = QStringLiteral("Select Source File");
  cdgMain.FileName = QString();
  cdgMain.CancelError = true;
  try {
    cdgMain.ShowOpen();
  } catch (const rt::RuntimeError& e) {
    if (e.Number() == rt::kErrCancel) return;
    throw;
  }
  gstrAppendFile = cdgMain.FileName;
  ws::openWindow(QStringLiteral("frmSelImage"));
  gstrAppendFile.clear();
}

void frmImgClntForm::mnuEditInsert_Click() { mnuEditAppend_Click(); }

void frmImgClntForm::fnAddPickedPages(const ws::PageEdit& edit, const std::vector<plat::HGLOBAL>& pictures) {
  ws::document().addPickedPages(edit, pictures);
}

void frmImgClntForm::setPagePicture(int index, plat::HGLOBAL picture) { ixTmb(index)->setImageHandle(picture); }
