// The File menu's dialogs of the main window: convert, properties and print.
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/print_plan.h"
#include "workspace/settings/frm_img_prop.h"
#include "workspace/settings/frm_img_sv_settings.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

using namespace modVars;

void frmImgClntForm::mnuFileConvert_Click() {
  frmImgSvSettingsForm::setRole(QStringLiteral("Convert"));
  frmImgSvSettings->Show(rt::vbModal, this);
}

void frmImgClntForm::mnuFileProperties_Click() { frmImgProp->Show(rt::vbModal, this); }

void frmImgClntForm::mnuPopTmbProperties_Click() { mnuFileProperties_Click(); }

namespace {

// The file of one job when the printer writes files: every job after the first gets a number of
// its own, so that no job overwrites the one before.
QString jobFileName(const QString& chosen, int job) {
  if (job == 1) return chosen;
  const QFileInfo f(chosen);
  const QString suffix = f.suffix().isEmpty() ? QString() : QLatin1Char('.') + f.suffix();
  return f.path() + QLatin1Char('/') + f.completeBaseName() + QStringLiteral("-%1").arg(job) + suffix;
}

}  // namespace

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
  int job = 0;
  for (const ws::PrintJob& j : ws::fnPrintJobs(cdgMain.Copies, range)) {
    img::ImagingControl* page = ixTmb(j.page);
    if (!page) break;
    QPrinter printer(QPrinter::HighResolution);
    if (!cdgMain.PrinterName.isEmpty()) printer.setPrinterName(cdgMain.PrinterName);
    if (!cdgMain.OutputFileName.isEmpty()) {
      printer.setOutputFileName(jobFileName(cdgMain.OutputFileName, ++job));
      // A file has no unprintable border: the page starts at its edge.
      printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    }
    printer.setPageOrientation(cdgMain.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    // Each job is one copy: the copies are the jobs themselves.
    printer.setCopyCount(1);
    printer.setDocName(gstrCurrFile.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(gstrCurrFile).fileName());
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const double twipsPerDot = 1440.0 / printer.resolution();
    const ws::PrintPlacement at =
        ws::fnPrintPlacement(page->ImageWidth(), page->ImageHeight(), rt::Screen::TwipsPerPixelX(),
                             rt::Screen::TwipsPerPixelY(), area.width() * twipsPerDot, area.height() * twipsPerDot);
    page->setPrintLeft(at.left);
    page->setPrintTop(at.top);
    page->setPrintWidth(at.width);
    page->setPrintHeight(at.height);
    // A failure stops printing; the jobs already ended stay printed.
    QPainter painter;
    if (!painter.begin(&printer)) {
      rt::ShowError(QStringLiteral("The printer could not be opened."));
      return;
    }
    try {
      page->PrintToDC(&painter);
    } catch (const rt::RuntimeError& e) {
      painter.end();
      rt::ShowError(e.Description());
      return;
    }
    painter.end();
  }
}
