// The main window's side of the open document: its public procedures forward to the document
// session, and the window shows the document as the session asks (the DocumentView members): the
// page view with its annotations, the strip, the commands, the title and the save dialog.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/document/document_session.h"
#include "workspace/file_commands.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/page_annotations.h"
#include "workspace/page_view_input.h"
#include "workspace/thumb_strip.h"
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

void frmImgClntForm::mnuFileClose_Click() { ws::document().close(false); }

// ---- Questions, title, status ---------------------------------------------------------------------

int frmImgClntForm::ask(const QString& question, int buttons) { return rt::Confirm(question, buttons); }

void frmImgClntForm::showError(const QString& text) { rt::ShowError(text); }

void frmImgClntForm::setTitle(const QString& caption) { setCaption(caption); }

void frmImgClntForm::showZoom() {
  setStatusPanel(QStringLiteral("ZOOM"), modView::fnSingleText(ixMain->ZoomFactor() * 100.0f) + QLatin1Char('%'));
}

void frmImgClntForm::showLogin(const QString& user) { setStatusPanel(QStringLiteral("LOGIN"), user); }

void frmImgClntForm::showCommands(ws::DocState state, const std::vector<ws::CommandState>& commands, bool modes) {
  enableCommands(commands);
  if (modes) resetModes(state);
}

void frmImgClntForm::showNewDocument(bool chooseLayout, bool multiPage) {
  // A layout that shows the strip lays it out.
  if (chooseLayout) showLayout(multiPage ? Layout::PageAndThumbs : Layout::PageOnly);
  else layOutStrip();
  showZoom();
  setToolDefaults();
}

// ---- Page view ------------------------------------------------------------------------------------

void frmImgClntForm::showPage(int, img::Bitmap picture, const QByteArray& layer) {
  nxMain->ClearAll();
  nxMain->setAttachControlName(QStringLiteral("ixMain"));
  if (picture.isNull())
    ixMain->setSourceFile(QString());
  else
    ixMain->showNewPicture(std::move(picture));
  layerKeptAsRead_ = !ws::restorePageAnnotations(*this, layer);
  ws::takeCurrentLayer(*this);
  nxMain->setCurrentTool(TOOL_POINTER);
  if (Menu("mnuAnnPalette")->isChecked() && frmAnnoPalette.IsLoaded()) frmAnnoPalette->fnShowCurrTool();
  const ws::MouseMode mode = input_->mode();
  if (mode == ws::MouseMode::Hand || mode == ws::MouseMode::Rect || mode == ws::MouseMode::Magnify)
    nxMain->setCurrentTool(TOOL_NONE);
}

ws::ShownPage frmImgClntForm::shownPage() {
  commitPendingEdit();
  ws::ShownPage shown;
  if (ixMain->hasImage()) shown.picture = ixMain->bitmap();
  shown.layer = ws::currentLayerBytes(*this);
  if (layerKeptAsRead_ && shown.layer && shown.layer->isEmpty()) shown.layer.reset();
  return shown;
}

void frmImgClntForm::showNoDocument() {
  strip_->empty();
  ixMain->setSourceFile(QString());
  setStatusPanel(QStringLiteral("ZOOM"), QString());
  if (Menu("mnuAnnPalette")->isChecked()) ws::closeAnnoPalette(*this);
}

// ---- Strip ----------------------------------------------------------------------------------------

void frmImgClntForm::showPages() {
  strip_->pagesChanged();
  layOutStrip();
  scrollStripToCurrent();
}

void frmImgClntForm::layOutStrip() { strip_->layOut(); }
void frmImgClntForm::scrollStripToCurrent() { strip_->scrollToCurrent(); }
bool frmImgClntForm::ThumbsLoading() const { return strip_->loadingPictures(); }

// ---- Save -----------------------------------------------------------------------------------------

std::optional<QString> frmImgClntForm::askSavePath() {
  const QString filter = cdgMain.Filter;
  cdgMain.Filter = QStringLiteral("All Files (*.*)|*.*");
  cdgMain.DialogTitle = QStringLiteral("Save Current File As");
  cdgMain.FileName.clear();
  // The new name is asked for beside the document, like the file to open.
  cdgMain.InitDir = ws::openDialogFolder(ws::document().state().path);
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
