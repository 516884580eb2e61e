#include "workspace/scan_commands.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "controls/scanning/scanning_control.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/command_states.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/page_view_state.h"
#include "workspace/scan_placement.h"
#include "workspace/settings/frm_scan_opts.h"

#include <QAction>
#include <QLabel>

using modVars::gstrScanMode;

namespace ws {

void scanFailed(frmImgClntForm& w, const rt::RuntimeError& e) {
  const bool fromScanner = e.Source() == QLatin1String(ScanningControl::kSourceId);
  if (fromScanner && e.Number() == ScanningControl::kErrNoSource) return;
  if (fromScanner && e.Number() == ScanningControl::kErrDriver)
    rt::ShowError("Error " + rt::CStr(w.twnMain->ErrorCode()) + ": " + w.twnMain->ErrorText());
  else
    rt::ShowError(e.Description());
}

void scannersChecked(frmImgClntForm& w) {
  if (const std::optional<rt::RuntimeError> error = w.twnMain->SourceCheckError()) {
    // No scanner to talk to: the scan commands stay off; only a described failure is shown.
    document().state().scannerPresent = false;
    scanFailed(w, *error);
    return;
  }
  document().setScannerPresent(w.twnMain->CheckedSourceCount().value_or(0) != 0);
}

namespace {

void acquire(frmImgClntForm& w, const QString& mode) {
  gstrScanMode = mode;
  rt::BusyPointer busy;
  try {
    w.twnMain->Acquire();
  } catch (const rt::RuntimeError& e) {
    // What was placed before the failure stays.
    scanFailed(w, e);
  }
}

}  // namespace

void mnuScanSelect_Click(frmImgClntForm& w) {
  try {
    w.twnMain->SelectSource();
  } catch (const rt::RuntimeError& e) {
    scanFailed(w, e);
  }
}

// The strip holds the edited page before pages move.
void mnuScanNew_Click(frmImgClntForm& w) {
  document().storePageEdits();
  // A new scan is a new document: the open one is closed first, with its save prompt, so that the
  // scanned pages start an empty strip.
  if (!document().close(false)) return;
  document().state().currentPage = -1;
  acquire(w, QStringLiteral("NEW"));
}

void mnuScanAppend_Click(frmImgClntForm& w) {
  document().storePageEdits();
  acquire(w, QStringLiteral("APPEND"));
}

void mnuScanInsert_Click(frmImgClntForm& w) {
  document().storePageEdits();
  acquire(w, QStringLiteral("INSERT"));
}

void mnuScanPage_Click(frmImgClntForm& w) {
  if (!document().pages().valid(document().state().currentPage)) {
    rt::MsgBox(QStringLiteral("Please select a valid page first!"), rt::vbOKOnly, QStringLiteral("Error"));
    return;
  }
  acquire(w, QStringLiteral("PAGE"));
}

void mnuScanOpt_Click(frmImgClntForm& w) { frmScanOpts->Show(rt::vbModal, &w); }

void mnuScanUI_Click(frmImgClntForm& w) {
  QAction* item = w.Menu(QStringLiteral("mnuScanUI"));
  item->setChecked(!item->isChecked());
  w.twnMain->setShowDriverUI(item->isChecked());
}

void scannedPageArrived(frmImgClntForm& w) {
  plat::HGLOBAL page = w.twnMain->AcquiredImage();
  if (!page) return;
  try {
    DocumentSession& doc = document();
    const ScanPlacement p = fnPlaceScannedPage(gstrScanMode, doc.pageCount(), doc.state().currentPage);
    img::Bitmap picture = img::fromDibHandle(page);
    plat::GlobalFree(page);
    page = nullptr;
    if (!p.valid) return;
    if (gstrScanMode == QLatin1String("NEW")) doc.startUntitled();
    doc.placeScannedPage(p, std::move(picture));
  } catch (const rt::RuntimeError& e) {
    if (page) plat::GlobalFree(page);
    // The acquisition ends with the failure; the pages placed so far stay.
    w.twnMain->Cancel();
    scanFailed(w, e);
  }
}

}  // namespace ws
