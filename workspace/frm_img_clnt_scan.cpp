// The Scanner menu of the main window: the scan commands and the placement of each scanned page
// in the page strip.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "controls/scanning/scanning_control.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/command_states.h"
#include "workspace/scan_placement.h"
#include "workspace/settings/frm_scan_opts.h"

#include <QLabel>

using namespace modVars;

void frmImgClntForm::fnScanFailed(const rt::RuntimeError& e) {
  const bool fromScanner = e.Source() == QLatin1String(ScanningControl::kSourceId);
  if (fromScanner && e.Number() == ScanningControl::kErrNoSource) return;
  if (fromScanner && e.Number() == ScanningControl::kErrDriver)
    rt::ShowError("Error " + rt::CStr(twnMain->ErrorCode()) + ": " + twnMain->ErrorText());
  else
    rt::ShowError(e.Description());
}

void frmImgClntForm::twnMain_SourcesChecked() {
  if (const std::optional<rt::RuntimeError> error = twnMain->SourceCheckError()) {
    // No scanner to talk to: the scan commands stay off; only a described failure is shown.
    gblnScannerPresent = false;
    fnScanFailed(*error);
    return;
  }
  ws::document().setScannerPresent(twnMain->CheckedSourceCount().value_or(0) != 0);
}

// The strip holds the edited page before pages move.
void frmImgClntForm::fnStoreBeforeScan() { ws::document().storePageEdits(); }

void frmImgClntForm::fnAcquire(const QString& mode) {
  gstrScanMode = mode;
  rt::BusyPointer busy;
  try {
    twnMain->Acquire();
  } catch (const rt::RuntimeError& e) {
    // What was placed before the failure stays.
    fnScanFailed(e);
  }
}

void frmImgClntForm::mnuScanSelect_Click() {
  try {
    twnMain->SelectSource();
  } catch (const rt::RuntimeError& e) {
    fnScanFailed(e);
  }
}

void frmImgClntForm::mnuScanNew_Click() {
  fnStoreBeforeScan();
  // A new scan is a new document: the open one is closed first, with its save prompt, so that the
  // scanned pages start an empty strip.
  if (!ws::document().close(false)) return;
  gintCurrPage = -1;
  fnAcquire(QStringLiteral("NEW"));
}

void frmImgClntForm::mnuScanAppend_Click() {
  fnStoreBeforeScan();
  fnAcquire(QStringLiteral("APPEND"));
}

void frmImgClntForm::mnuScanInsert_Click() {
  fnStoreBeforeScan();
  fnAcquire(QStringLiteral("INSERT"));
}

void frmImgClntForm::mnuScanPage_Click() {
  if (gintCurrPage < 0 || gintCurrPage > thumbCount() - 1) {
    rt::MsgBox(QStringLiteral("Please select a valid page first!"), rt::vbOKOnly, QStringLiteral("Error"));
    return;
  }
  fnAcquire(QStringLiteral("PAGE"));
}

void frmImgClntForm::mnuScanOpt_Click() { frmScanOpts->Show(rt::vbModal, this); }

void frmImgClntForm::twnMain_ImageAcquired() {
  plat::HGLOBAL page = twnMain->AcquiredImage();
  if (!page) return;
  try {
    const int n = thumbCount();
    const ws::ScanPlacement p = ws::fnPlaceScannedPage(gstrScanMode, n, gintCurrPage);
    if (!p.valid) {
      plat::GlobalFree(page);
      return;
    }
    const bool newDocument = gstrScanMode == QLatin1String("NEW");
    if (newDocument) ws::document().startUntitled();
    if (p.startsDocument) {
      clearAnnotations();
      ws::document().emptyStore();
      clearAnnotations();
      ixMain->setSourceFile(QString());
      glngAnnoHandle = nxMain->NewLayer();
      setToolDefaults();
    }
    if (p.edit) ws::document().applyPageEdit(*p.edit, p.captions);
    ixTmb(p.slot)->setImageHandle(page);
    page = nullptr;
    // A scanned page has no annotations; a rescanned one loses those it had.
    if (static_cast<std::size_t>(p.slot) < gvarPageAnno.size()) gvarPageAnno[static_cast<std::size_t>(p.slot)] = rt::Variant();
    if (p.startsDocument) {
      lblTmb(0)->setText(ws::fnPageCaption(0));
      ixTmb(0)->setHighlightBorder(ws::kThumbSelected);
    }
    gintCurrPage = p.current;
    if (newDocument) {
      ws::document().updatePageButtons();
      showZoom();
    }
    fnOrganizeThumbs();
    fnScrollTmbToCurrent();
    fnRefreshMainDisplay(static_cast<int16_t>(p.show));
    if (newDocument) {
      ws::document().enterState(ws::DocState::NoDocument);
      ws::document().enterState(ws::DocState::DocumentOpen);
    }
    gblnDocModified = true;
    ws::document().updatePageButtons();
  } catch (const rt::RuntimeError& e) {
    if (page) plat::GlobalFree(page);
    // The acquisition ends with the failure; the pages placed so far stay.
    twnMain->Cancel();
    fnScanFailed(e);
  }
}
