#include "workspace/file_commands.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/printer.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/print_plan.h"
#include "workspace/settings/frm_img_prop.h"
#include "workspace/settings/frm_img_sv_settings.h"
#include "workspace/window_openers.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <algorithm>

namespace ws {

QString& lastOpenFolder() {
  static QString folder;
  return folder;
}

QString openDialogFolder(const QString& documentPath) {
  if (!documentPath.isEmpty()) return QFileInfo(documentPath).absolutePath();
  if (!lastOpenFolder().isEmpty() && QFileInfo(lastOpenFolder()).isDir()) return lastOpenFolder();
  return QDir::homePath();
}

// The new-image dialog closes the open document (with its save question) only once the user has
// chosen Create, and then makes the blank page; Cancel leaves the document as it was.
void mnuFileNew_Click(frmImgClntForm&) { openWindow(QStringLiteral("frmImgNew")); }

void mnuFileOpen_Click(frmImgClntForm& w) {
  rt::CommonDialog& dialog = w.cdgMain;
  try {
    dialog.DialogTitle = QStringLiteral("Select File To Open");
    dialog.FileName.clear();
    dialog.InitDir = openDialogFolder(document().state().path);
    dialog.CancelError = true;
    dialog.Owner = &w;
    dialog.ShowOpen();
    // The document the user had stays until another has been chosen; then it closes with its
    // save question, and Cancel there keeps it.
    if (!document().close(false)) return;
    lastOpenFolder() = QFileInfo(dialog.FileName).absolutePath();
    document().open(dialog.FileName);
  } catch (const rt::RuntimeError& e) {
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
  }
}

bool mnuFileSaveAs_Click(frmImgClntForm&) { return document().saveAs(); }

void mnuFileExit_Click(frmImgClntForm& w) { w.Unload(); }

void mnuFileAlbums_Click(frmImgClntForm&) { openWindow(QStringLiteral("frmAlbum")); }
void mnuFileBrowseDir_Click(frmImgClntForm&) { openWindow(QStringLiteral("frmBrowseDir")); }
void mnuFileSearch_Click(frmImgClntForm&) { openWindow(QStringLiteral("frmSearch")); }

void mnuFileConvert_Click(frmImgClntForm& w) {
  frmImgSvSettingsForm::setRole(QStringLiteral("Convert"));
  frmImgSvSettings->Show(rt::vbModal, &w);
}

void mnuFileProperties_Click(frmImgClntForm& w) { frmImgProp->Show(rt::vbModal, &w); }

void mnuFilePrint_Click(frmImgClntForm& w) {
  rt::CommonDialog& dialog = w.cdgMain;
  DocumentSession& doc = document();
  const int pages = doc.pageCount();
  dialog.DialogTitle = QStringLiteral("Select Printer");
  dialog.CancelError = true;
  dialog.Owner = &w;
  dialog.Copies = 1;
  dialog.FromPage = 0;
  dialog.ToPage = 0;
  dialog.Min = 1;
  dialog.Max = std::max(1, pages);
  try {
    dialog.ShowPrinter();
  } catch (const rt::RuntimeError& e) {
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
    return;
  }
  if (dialog.Copies == 0) return;
  const PrintRange range = fnPrintRange(dialog.FromPage, dialog.ToPage, pages);
  // The page shown may hold edits the document has not: they are stored before the pages print.
  doc.storePageEdits();
  rt::BusyPointer busy;
  // A failure stops printing; the pages already printed stay printed.
  try {
    const QString path = doc.state().path;
    rt::Printer printer(dialog, path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(path).fileName());
    for (const PrintJob& j : fnPrintJobs(dialog.Copies, range)) {
      if (!doc.pages().valid(j.page)) break;
      // Each page is read for its turn: a long document is never held in memory whole.
      const QImage page = doc.pages().picture(j.page).toQImage();
      const PrintPlacement at = fnPrintPlacement(page.width(), page.height(), rt::Screen::TwipsPerPixelX(),
                                                 rt::Screen::TwipsPerPixelY(), printer.Width(), printer.Height());
      img::printPicture(&printer.NewPage(), page, at.left, at.top, at.width, at.height);
    }
    printer.EndDoc();
  } catch (const rt::RuntimeError& e) {
    rt::ShowError(e.Description());
  }
}

void mnuPopTmbCopy_Click(frmImgClntForm& w) {
  DocumentSession& doc = document();
  const int page = doc.state().popupPage;
  if (!doc.pages().valid(page)) return;
  doc.storePageEdits();
  // The whole page goes to the clipboard, through the scratch view that shows nothing.
  w.ixTemp->showNewPicture(doc.pages().picture(page));
  w.ixTemp->CopyToClipboard();
  w.ixTemp->setSourceFile(QString());
}

void mnuPopTmbProperties_Click(frmImgClntForm& w) { mnuFileProperties_Click(w); }

}  // namespace ws
