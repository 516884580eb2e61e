// The File menu's dialogs of the main window: convert, properties and print.
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

#include <QFileInfo>

using namespace modVars;

void frmImgClntForm::mnuFileConvert_Click() {
  frmImgSvSettingsForm::setRole(QStringLiteral("Convert"));
  frmImgSvSettings->Show(rt::vbModal, this);
}

void frmImgClntForm::mnuFileProperties_Click() { frmImgProp->Show(rt::vbModal, this); }

void frmImgClntForm::mnuPopTmbProperties_Click() { mnuFileProperties_Click(); }

void frmImgClntForm::mnuFilePrint_Click() {
  cdgMain.DialogTitle = QStringLiteral("Select Printer");
  cdgMain.CancelError = true;
  cdgMain.Owner = this;
  cdgMain.Copies = 1;
  cdgMain.FromPage = 0;
  cdgMain.ToPage = 0;
  cdgMain.Min = 1;
  cdgMain.Max = std::max(1, thumbCount());
  try {
    cdgMain.ShowPrinter();
  } catch (const rt::RuntimeError& e) {
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
    return;
  }
  if (cdgMain.Copies == 0) return;
  const ws::PrintRange range = ws::fnPrintRange(cdgMain.FromPage, cdgMain.ToPage, thumbCount());
  // The page shown may hold edits its thumbnail has not: it is stored before the thumbnails print.
  ws::document().storePageEdits();
  rt::BusyPointer busy;
  // A failure stops printing; the pages already printed stay printed.
  try {
    rt::Printer printer(cdgMain, gstrCurrFile.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(gstrCurrFile).fileName());
    for (const ws::PrintJob& j : ws::fnPrintJobs(cdgMain.Copies, range)) {
      img::ImagingControl* page = ixTmb(j.page);
      if (!page) break;
      const ws::PrintPlacement at = ws::fnPrintPlacement(page->ImageWidth(), page->ImageHeight(), rt::Screen::TwipsPerPixelX(),
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
