// The main window's side of the open document: its public procedures forward to the document
// session, and the window shows the document as the session asks (the DocumentView members):
// the page view, the strip's slots, the save dialog and the writing of the pages.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/page_annotations.h"
#include "workspace/page_writer.h"
#include "workspace/mod_vars.h"
#include "workspace/thumb_strip.h"
#include "workspace/page_strip.h"
#include "workspace/save_plan.h"
#include "workspace/view_text.h"

#include <QAction>
#include <QLabel>

// ---- Forwards to the session ----------------------------------------------------------------------

void frmImgClntForm::fnNewImgFile(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) {
  ws::document().newDocument(width, height, bitsPerPixel, colour);
}

void frmImgClntForm::fnOpenImgFile(const QString& path) { ws::document().open(path); }

void frmImgClntForm::fnCloseFile(bool noPrompt, bool& ok) { ok = ws::document().close(noPrompt); }

bool frmImgClntForm::mnuFileSave_Click() { return ws::document().save(); }

void frmImgClntForm::fnApplyPageEdit(const ws::PageEdit& edit, ws::CaptionRule captions) {
  ws::document().applyPageEdit(edit, captions);
}

void frmImgClntForm::mnuFileClose_Click() { ws::document().close(false); }

void frmImgClntForm::fnAddPickedPages(const ws::PageEdit& edit, const std::vector<plat::HGLOBAL>& pictures) {
  ws::document().addPickedPages(edit, pictures);
}

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
  ws::takeCurrentLayer(*this);
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
  if (Menu("mnuAnnPalette")->isChecked()) ws::closeAnnoPalette(*this);
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
  strip_->fill(pages, path, pages == 0 ? ixMain->ImageHandleCopy() : nullptr);
}
void frmImgClntForm::rearrangeStrip(const ws::PageEdit& edit, ws::CaptionRule captions) { strip_->rearrange(edit, captions); }
void frmImgClntForm::emptyStrip() { strip_->empty(); }
void frmImgClntForm::layOutStrip() { strip_->layOut(); }
void frmImgClntForm::scrollStripToCurrent() { strip_->scrollToCurrent(); }
void frmImgClntForm::loadThumbs(const QString& path, int pages) { strip_->loadPictures(path, pages); }
void frmImgClntForm::stopThumbs() { strip_->stopPictures(); }
bool frmImgClntForm::ThumbsLoading() const { return strip_->loadingPictures(); }
void frmImgClntForm::setPagePicture(int index, plat::HGLOBAL picture) { ixTmb(index)->setImageHandle(picture); }

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

void frmImgClntForm::writePages(const ws::SavePlan& plan) { ws::writeDocumentPages(*this, plan); }
