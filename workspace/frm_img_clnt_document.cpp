// The main window's side of the open document: the File menu commands forward to the document
// session, and the window shows the document as the session asks (the DocumentView members):
// the page view, the strip's slots, the save dialog and the writing of the pages.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "platform/text/native_path.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/replacing_file.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/window_openers.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/save_plan.h"
#include "workspace/view_text.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <algorithm>

// ---- Forwards to the session ----------------------------------------------------------------------

void frmImgClntForm::fnNewImgFile(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) {
  ws::document().newDocument(width, height, bitsPerPixel, colour);
}

void frmImgClntForm::fnOpenImgFile(const QString& path) { ws::document().open(path); }

void frmImgClntForm::fnCloseFile(bool noPrompt, bool& ok) { ok = ws::document().close(noPrompt); }

bool frmImgClntForm::mnuFileSave_Click() { return ws::document().save(); }

bool frmImgClntForm::mnuFileSaveAs_Click() { return ws::document().saveAs(); }

void frmImgClntForm::fnApplyPageEdit(const ws::PageEdit& edit, ws::CaptionRule captions) {
  ws::document().applyPageEdit(edit, captions);
}

void frmImgClntForm::mnuFileNew_Click() {
  if (!ws::document().close(false)) return;
  // The new-image dialog makes the blank page through fnNewImgFile.
  ws::openWindow(QStringLiteral("frmImgNew"));
}

void frmImgClntForm::mnuFileOpen_Click() {
  if (!ws::document().close(false)) return;
  try {
    cdgMain.DialogTitle = QStringLiteral("Select File To Open");
    cdgMain.FileName.clear();
    cdgMain.CancelError = true;
    cdgMain.Owner = this;
    cdgMain.ShowOpen();
    ws::document().open(cdgMain.FileName);
  } catch (const rt::RuntimeError& e) {
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
  }
}

void frmImgClntForm::mnuFileClose_Click() { ws::document().close(false); }

// ---- Questions, title, status ---------------------------------------------------------------------

int frmImgClntForm::ask(const QString& question, int buttons) { return rt::Confirm(question, buttons); }

void frmImgClntForm::showError(const QString& text) { rt::ShowError(text); }

void frmImgClntForm::setTitle(const QString& caption) { setCaption(caption); }

void frmImgClntForm::showZoom() {
  setStatusPanel(QStringLiteral("ZOOM"), modView::fnSingleText(ixMain->ZoomFactor() * 100.0f) + QLatin1Char('%'));
}

void frmImgClntForm::showLogin(const QString& user) { setStatusPanel(QStringLiteral("LOGIN"), user); }

// ---- Page view ------------------------------------------------------------------------------------

void frmImgClntForm::clearAnnotations() {
  nxMain->ClearAll();
  nxMain->setAttachControlName(QStringLiteral("ixMain"));
}

// The annotation control picks up the page's annotations by itself when it is attached there.
int16_t frmImgClntForm::showFirstPage(const QString& path) {
  ixMain->setPageNumber(1);
  ixMain->setSourceFile(path);
  fnTakeCurrentLayer();
  return ixMain->ImageFileType();
}

void frmImgClntForm::showBlankPage(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) {
  ixMain->setSourceFile(QString());
  ixMain->CreateBlankImage(width, height, bitsPerPixel, colour);
  modVars::glngAnnoHandle = nxMain->NewLayer();
  ixTmb(0)->setImageHandle(ixMain->ImageHandleCopy());
  ixTmb(0)->setHighlightBorder(ws::kThumbSelected);
  lblTmb(0)->setText(ws::fnPageCaption(0));
}

void frmImgClntForm::emptyPageView() {
  ixMain->setSourceFile(QString());
  setStatusPanel(QStringLiteral("ZOOM"), QString());
  if (Menu("mnuAnnPalette")->isChecked()) unloadPalette();
}

rt::Variant frmImgClntForm::takeInLayer(const rt::Variant& read) {
  rt::Variant written;
  intptr_t layer = 0;
  if (nxMain->LoadLayerFromVariant(read, layer) == 0 && layer != 0) {
    int32_t bytes = 0;
    nxMain->SaveLayerToVariant(written, layer, bytes);
    nxMain->DeleteLayer(layer);
  }
  return written;
}

// ---- Strip ----------------------------------------------------------------------------------------

void frmImgClntForm::fillStrip(int pages, const QString& path) {
  img::ImagingControl* first = ixTmb(0);
  if (pages == 0) {
    first->setImageHandle(ixMain->ImageHandleCopy());
    first->setHighlightBorder(ws::kThumbSelected);
    lblTmb(0)->setText(ws::fnPageCaption(0));
    return;
  }
  // Slots stay hidden here: the strip shows those near its view once it is laid out.
  const int64_t fileSize = plat::fileSize(path);
  for (int i = 0; i < pages; ++i) {
    if (i > 0) ixTmb.Load(i);
    img::ImagingControl* t = ixTmb(i);
    t->setThumbDisplayMode(1);
    t->setPageNumber(i + 1);
    t->setPendingSource(path, fileSize);
    t->setHighlightBorder(i == 0 ? ws::kThumbSelected : ws::kThumbUnselected);
    if (i > 0) lblTmb.Load(i);
    lblTmb(i)->setText(ws::fnPageCaption(i));
  }
}

void frmImgClntForm::emptyStrip() {
  stopThumbs();
  ixTmb(0)->setSourceFile(QString());
  ixTmb(0)->setHighlightBorder(ws::kThumbUnselected);
  lblTmb(0)->setText(QString());
  ixTmb.UnloadAll();
  lblTmb.UnloadAll();
  // No empty thumbnail stands in the strip without a document (the strip shows no slot that is
  // empty); laying out the next document shows it.
  fnResetStripScroll();
}

void frmImgClntForm::layOutStrip() { fnOrganizeThumbs(); }

void frmImgClntForm::scrollStripToCurrent() { fnScrollTmbToCurrent(); }

// ---- Save -----------------------------------------------------------------------------------------

std::optional<QString> frmImgClntForm::askSavePath() {
  const QString filter = cdgMain.Filter;
  cdgMain.Filter = QStringLiteral("All Files (*.*)|*.*");
  cdgMain.DialogTitle = QStringLiteral("Save Current File As");
  cdgMain.FileName.clear();
  cdgMain.CancelError = true;
  cdgMain.Owner = this;
  try {
    cdgMain.ShowSave();
  } catch (const rt::RuntimeError& e) {
    cdgMain.Filter = filter;
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
    return std::nullopt;
  }
  cdgMain.Filter = filter;
  return cdgMain.FileName.trimmed();
}

void frmImgClntForm::writePages(const ws::SavePlan& plan) {
  if (img::ImagingControl* current = ixTmb(modVars::gintCurrPage)) current->setImageHandle(ixMain->ImageHandleCopy());
  if (!plan.pageByPage)
    saveSinglePage(plan);
  else
    saveMultiPage(plan);
}

void frmImgClntForm::burnInCurrentLayer(int page) {
  // The layer of the page that is attached now; a handle kept from another page would be stale.
  intptr_t layer = nxMain->CurrentLayer();
  if (!layer || nxMain->LayerObjectCount(layer) == 0) return;
  nxMain->SelectAll(layer, true);
  const int32_t rc = nxMain->BurnIn(layer);
  if (rc == 0) return;
  const QString where = page < 0 ? QStringLiteral("The annotations") : QStringLiteral("The annotations of page %1").arg(page + 1);
  rt::Raise(rc, QStringLiteral("nxMain"),
            where + QStringLiteral(" could not be burned into the image (annotation error %1), and files of this format "
                                   "cannot keep annotations. Nothing was saved.")
                        .arg(rc));
}

void frmImgClntForm::saveSinglePage(const ws::SavePlan& plan) {
  nxMain->SetBurnInDepth(ixMain->ImageBitsPerPixel());
  burnInCurrentLayer(-1);
  ixMain->setSaveMultiPage(false);
  ixMain->setSaveFileType(plan.writeFormat);
  ixMain->setSaveFileName(modVars::gstrCurrFile);
  ixMain->SaveFile();
}

void frmImgClntForm::saveMultiPage(const ws::SavePlan& plan) {
  using namespace modVars;
  // The pages are written into a temporary file beside the target, which replaces the target only
  // once every page is in it; a failure on the way leaves the target, the pages and their
  // annotations as they were.
  const int pages = thumbCount();
  const bool burnIn = plan.annotations == ws::AnnotationHandling::BurnIn;
  // Every page is written with what the user sees: the page view's live annotations first.
  fnSavePageAnnotations(gintCurrPage);
  try {
    rt::ReplacingFile out(gstrCurrFile);
    const QString temp = out.tempPath();
    for (int i = 0; i < pages; ++i) {
      img::ImagingControl* page = ixTmb(i);
      if (burnIn) {
        // Only a burn-in needs the page's layer in the engine, over the page it is burned into.
        nxMain->setAttachControlName(QStringLiteral("ixTmb(%1)").arg(i));
        nxMain->ClearAll();
        fnRestorePageAnnotations(i);
        nxMain->SetBurnInDepth(ixMain->ImageBitsPerPixel());
        burnInCurrentLayer(i);
      } else {
        // The page's stored layer goes into the file with the page.
        const rt::Variant entry = i < static_cast<int>(gvarPageAnno.size()) ? gvarPageAnno[i] : rt::Variant();
        const QByteArray bytes = entry.Bytes();
        page->setAnnotationData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
      }
      page->setSaveMultiPage(true);
      page->setSaveFileType(plan.writeFormat);
      page->setSaveFileName(temp);
      // A document converted to TIFF writes every page with the compression and byte order chosen
      // for it; another TIFF keeps the compression it came with.
      if (gintCurrFormat == img::kFormatTiff) {
        page->setSaveTiffCompression(ixMain->SaveTiffCompression());
        page->setSaveTiffByteOrder(ixMain->SaveTiffByteOrder());
        page->setSaveJpegLuminance(ixMain->SaveJpegLuminance());
        page->setSaveJpegChrominance(ixMain->SaveJpegChrominance());
      } else {
        page->setSaveTiffCompression(plan.tiffCompression);
      }
      page->SaveFile();
    }
    nxMain->ClearAll();
    nxMain->setAttachControlName(QStringLiteral("ixMain"));
    out.commit();
  } catch (const rt::RuntimeError&) {
    nxMain->ClearAll();
    nxMain->setAttachControlName(QStringLiteral("ixMain"));
    fnRestorePageAnnotations(gintCurrPage);
    fnTakeCurrentLayer();
    throw;
  }
  if (burnIn) {
    // The annotations are part of the pictures now.
    gvarPageAnno.assign(static_cast<std::size_t>(pages) + 1, rt::Variant());
    ixMain->setImageHandle(ixTmb(gintCurrPage)->ImageHandleCopy());
  } else {
    fnRestorePageAnnotations(gintCurrPage);
  }
  fnTakeCurrentLayer();
}
