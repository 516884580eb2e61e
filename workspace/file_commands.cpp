#include "workspace/file_commands.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/printer.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/print_plan.h"
#include "workspace/settings/frm_img_prop.h"
#include "workspace/settings/frm_img_sv_settings.h"
#include "workspace/window_openers.h"

#include <QFileInfo>
#include <algorithm>

using namespace modVars;

namespace ws {

void mnuFileNew_Click(frmImgClntForm&) {
  if (!document().close(false)) return;
  // The new-image dialog makes the blank page through fnNewImgFile.
  openWindow(QStringLiteral("frmImgNew"));
}

void mnuFileOpen_Click(frmImgClntForm& w) {
  if (!document().close(false)) return;
  rt::CommonDialog& dialog = w.cdgMain;
  try {
    dialog.DialogTitle = QStringLiteral("Select File To Open");
    dialog.FileName.clear();
    dialog.CancelError = true;
    dialog.Owner = &w;
    dialog.ShowOpen();
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
  const int pages = w.pageCount();
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
  // The page shown may hold edits its thumbnail has not: it is stored before the thumbnails print.
  document().storePageEdits();
  rt::BusyPointer busy;
  // A failure stops printing; the pages already printed stay printed.
  try {
    rt::Printer printer(dialog, gstrCurrFile.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(gstrCurrFile).fileName());
    for (const PrintJob& j : fnPrintJobs(dialog.Copies, range)) {
      img::ImagingControl* page = w.ixTmb(j.page);
      if (!page) break;
      const PrintPlacement at = fnPrintPlacement(page->ImageWidth(), page->ImageHeight(), rt::Screen::TwipsPerPixelX(),
                                                 rt::Screen::TwipsPerPixelY(), printer.Width(), printer.Height());
      page->setPrintLeft(at.left);
      page->setPrintTop(at.top);
      page->setPrintWidth(at.width);
      page->setPrintHeight(at.height);
      page->PrintToDC(&printer.NewPage());
    }
    printer.EndDoc();
  } catch (const rt::RuntimeError& e) {
    rt::ShowError(e.Description());
  }
}

void mnuPopTmbCopy_Click(frmImgClntForm& w) {
  if (img::ImagingControl* t = w.ixTmb(gintPopupTmb)) t->CopyToClipboard();
}

void mnuPopTmbProperties_Click(frmImgClntForm& w) { mnuFileProperties_Click(w); }

}  // namespace ws
