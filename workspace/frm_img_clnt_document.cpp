// The document life cycle of the main window: new, open, close with the save prompt, save in
// place or under a new name, and the File menu commands that drive them.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/fso.h"
#include "runtime/message_boxes.h"
#include "runtime/replacing_file.h"
#include "runtime/screen.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/window_openers.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/save_plan.h"
#include "workspace/view_text.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <algorithm>
#include <filesystem>
#include <system_error>

using namespace modVars;

namespace {

const QString kTitle = QStringLiteral("   Image Lumivex");

}  // namespace

// ---- Shared steps ---------------------------------------------------------------------------------

// Loads one page of a file into an imaging control; the annotation control picks up the page's
// annotations by itself when it is attached there.
void frmImgClntForm::loadPage(img::ImagingControl* ix, int32_t page, const QString& path) {
  ix->setPageNumber(page);
  ix->setSourceFile(path);
}

void frmImgClntForm::fnShowZoomPanel() {
  setStatusPanel(QStringLiteral("ZOOM"), modView::fnSingleText(ixMain->ZoomFactor() * 100.0f) + QLatin1Char('%'));
}

// Whether the document keeps its pages in the thumbnail strip: a multi-page format, or any
// document that has more than one page (an untitled scan, pages added after New).
bool frmImgClntForm::fnHasPageStrip() const {
  return fnIsMultiPageFormat(gintCurrFormat) || thumbCount() > 1;
}

void frmImgClntForm::unlockArchivedDocument() {
  NetworkResult = rt::CStr(false);
  modTCP::gstrTCPCommand = QStringLiteral("UNLOCK");
  ws::openWindow(QStringLiteral("frmTCPIP"), {modTCP::gstrTCPCommand});
  if (!NetworkSucceeded())
    rt::ShowError(QStringLiteral("Error encountered trying to unlock this AchID.") + QLatin1Char('\r') +
              QStringLiteral("Please inform the administrator."));
}

// What New and Open do once the pages are in place: show page 1 with the commands of an open
// document, unmodified.
void frmImgClntForm::fnShowNewDocument() {
  gintCurrPage = 0;
  fnOrganizeThumbs();
  fnShowZoomPanel();
  fnSetNoDocState();
  fnSetDocOpenState();
  fnSetDefaultView();
  fnUpdatePageButtons();
  fnSetAnnoToolDefaults();
  gblnDocModified = false;
  gblnPageModified = false;
}

// ---- New ------------------------------------------------------------------------------------------

void frmImgClntForm::fnNewImgFile(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) {
  rt::BusyPointer busy;
  gstrAchID.clear();
  gstrCurrFile.clear();
  gintCurrFormat = 0;
  nxMain->ClearAll();
  fnLoadFileAnnotations(QString());
  nxMain->ClearAll();
  ixMain->setSourceFile(QString());
  ixMain->CreateBlankImage(width, height, bitsPerPixel, colour);
  glngAnnoHandle = nxMain->NewLayer();
  ixTmb(0)->setImageHandle(ixMain->ImageHandleCopy());
  ixTmb(0)->setHighlightBorder(ws::kThumbSelected);
  lblTmb(0)->setText(ws::fnPageCaption(0));
  fnShowNewDocument();
  setCaption(kTitle + QStringLiteral(" - New File"));
}

// ---- Open -----------------------------------------------------------------------------------------

void frmImgClntForm::fnOpenImgFile(const QString& path) {
  if (path.trimmed().isEmpty()) return;
  rt::BusyPointer busy;
  stopThumbLoader();
  try {
    gstrCurrFile = path;
    nxMain->ClearAll();
    fnLoadFileAnnotations(path);
    nxMain->ClearAll();
    loadPage(ixMain, 1, path);
    fnTakeCurrentLayer();
    gintCurrFormat = ixMain->ImageFileType();

    img::ImagingControl* first = ixTmb(0);
    int32_t pages = 0;
    if (!fnIsMultiPageFormat(gintCurrFormat)) {
      first->setImageHandle(ixMain->ImageHandleCopy());
      first->setHighlightBorder(ws::kThumbSelected);
      lblTmb(0)->setText(ws::fnPageCaption(0));
    } else {
      // Every page gets its slot and caption now; the pictures follow in the background.
      pages = std::max(1, first->FilePageCount(path));
      const int64_t fileSize = QFileInfo(path).size();
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
    fnShowNewDocument();
    if (pages > 0) startThumbLoader(path, pages);
    // A file cut short opens with the pages that could be read, and the user is told.
    if (const QString note = first->FileDamageNote(path); !note.isEmpty()) rt::ShowError(note);
    if (!gstrAchID.isEmpty())
      setCaption(kTitle + " - Archived Document [" + gstrAchID + ", " + gstrParm1 + ", " + gstrParm2 + "]");
    else
      setCaption(kTitle + " - " + gstrCurrFile);
  } catch (const rt::RuntimeError&) {
    // A file that cannot be read leaves no half-opened document behind.
    bool ok = false;
    fnCloseFile(true, ok);
    throw;
  }
}

// ---- Close ----------------------------------------------------------------------------------------

void frmImgClntForm::fnCloseFile(bool noPrompt, bool& ok) {
  ok = false;
  if (!noPrompt) {
    if (gblnDocModified) {
      const int answer = rt::Confirm(QStringLiteral("Image has been modified! Save changes?"), rt::vbYesNoCancel);
      if (answer == rt::vbCancel) return;
      // A save that failed or was cancelled keeps the document open: closing now would lose it.
      if (answer == rt::vbYes && !mnuFileSave_Click()) return;
    }
    if (!gstrAchID.isEmpty() && gblnAchUpd) unlockArchivedDocument();
  }
  stopThumbLoader();
  ixTmb(0)->setSourceFile(QString());
  ixTmb(0)->setHighlightBorder(ws::kThumbUnselected);
  lblTmb(0)->setText(QString());
  ixTmb.UnloadAll();
  lblTmb.UnloadAll();
  fnResetStripScroll();
  fnSetNoDocState();
  gstrAchID.clear();
  gstrCurrFile.clear();
  gintCurrFormat = 0;
  ixMain->setSourceFile(QString());
  if (Menu("mnuAnnPalette")->isChecked()) unloadPalette();
  gblnDocModified = false;
  gblnPageModified = false;
  setCaption(kTitle);
  ok = true;
}

// ---- Save -----------------------------------------------------------------------------------------

// Steps shared by Save and Save As: a format for an untitled image, and the warning for formats
// that cannot be written. False when the save is not to go ahead.
bool frmImgClntForm::askSaveFormatFirst() {
  if (ws::fnSaveFirst(gintCurrFormat) == ws::SaveFirst::ChooseFormat) {
    ws::openWindow(QStringLiteral("frmImgSvSettings"), {QStringLiteral("Specify File Format")});
    if (gintCurrFormat == 0) return false;
  }
  if (ws::fnSaveFirst(gintCurrFormat) == ws::SaveFirst::ConfirmTiff && rt::Confirm(ws::fnConfirmTiffText()) == rt::vbNo)
    return false;
  return true;
}

bool frmImgClntForm::mnuFileSave_Click() {
  if (!askSaveFormatFirst()) return false;
  if (ws::fnSaveTarget(gstrCurrFile, gstrAchID, gblnCommitSave) == ws::SaveTarget::InPlace) return fnSaveImgFile();
  return mnuFileSaveAs_Click();
}

bool frmImgClntForm::mnuFileSaveAs_Click() {
  fnCommitPendingEdit();
  if (!askSaveFormatFirst()) return false;
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
    return false;
  }
  cdgMain.Filter = filter;
  const QString chosen = cdgMain.FileName.trimmed();
  if (rt::fso::FileExists(chosen) &&
      rt::Confirm(QStringLiteral("A file already exists with the selected path and name!") + QLatin1Char('\r') +
              QStringLiteral("Overwrite?"),
          rt::vbYesNo) == rt::vbNo)
    return false;
  const QString previous = gstrCurrFile;
  gstrCurrFile = chosen;
  if (fnSaveImgFile()) return true;
  // The document was not written there: it keeps the name it had.
  gstrCurrFile = previous;
  return false;
}

bool frmImgClntForm::fnSaveImgFile() {
  const ws::SavePlan plan = ws::fnPlanSave(gintCurrFormat, thumbCount(), fnHasPageStrip(), gstrCurrFile);
  if (!plan.refusal.isEmpty()) {
    rt::ShowError(plan.refusal);
    return false;
  }
  rt::BusyPointer busy;
  try {
    if (img::ImagingControl* current = ixTmb(gintCurrPage)) current->setImageHandle(ixMain->ImageHandleCopy());
    if (!plan.pageByPage)
      saveSinglePage(plan);
    else
      saveMultiPage(plan);
  } catch (const rt::RuntimeError& e) {
    rt::ShowError(e.Description());
    return false;
  }
  gblnDocModified = false;
  gblnPageModified = false;
  fnSetDocOpenState();
  fnUpdatePageButtons();
  if (!gblnCommitSave) setCaption(kTitle + " - " + gstrCurrFile);
  if (!gstrAchID.isEmpty() && gblnAchUpd && !gblnCommitSave) unlockArchivedDocument();
  return true;
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
  ixMain->setSaveFileName(gstrCurrFile);
  ixMain->SaveFile();
}

void frmImgClntForm::saveMultiPage(const ws::SavePlan& plan) {
  if (!plan.extensionQuestion.isEmpty()) {
    rt::Screen::setMousePointer(rt::vbDefault);
    if (rt::Confirm(plan.extensionQuestion) == rt::vbYes) gstrCurrFile = plan.pathOnYes;
    rt::Screen::setMousePointer(rt::vbHourglass);
  }
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
        fnRestorePageAnnotations(static_cast<int16_t>(i));
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

// ---- File menu ------------------------------------------------------------------------------------

void frmImgClntForm::mnuFileNew_Click() {
  bool ok = false;
  fnCloseFile(false, ok);
  if (!ok) return;
  // The new-image dialog makes the blank page through fnNewImgFile.
  ws::openWindow(QStringLiteral("frmImgNew"));
}

void frmImgClntForm::mnuFileOpen_Click() {
  bool ok = false;
  fnCloseFile(false, ok);
  if (!ok) return;
  try {
    cdgMain.DialogTitle = QStringLiteral("Select File To Open");
    cdgMain.FileName.clear();
    cdgMain.CancelError = true;
    cdgMain.Owner = this;
    cdgMain.ShowOpen();
    fnOpenImgFile(cdgMain.FileName);
  } catch (const rt::RuntimeError& e) {
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
  }
}

void frmImgClntForm::mnuFileClose_Click() {
  bool ok = false;
  fnCloseFile(false, ok);
}
