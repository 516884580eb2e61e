#pragma once
// The Scanner menu: the scan commands record where the coming pages go and start the scanner;
// each page arrives through scannedPageArrived and takes its place in the page strip.
class frmImgClntForm;
namespace rt {
class RuntimeError;
}

namespace ws {

void mnuScanSelect_Click(frmImgClntForm& w);
// A new scan closes the open document first (with its save prompt).
void mnuScanNew_Click(frmImgClntForm& w);
void mnuScanAppend_Click(frmImgClntForm& w);
void mnuScanInsert_Click(frmImgClntForm& w);
// Rescans the current page; needs one.
void mnuScanPage_Click(frmImgClntForm& w);
void mnuScanOpt_Click(frmImgClntForm& w);
// Whether the scanner's own dialog shows on a scan (a check mark).
void mnuScanUI_Click(frmImgClntForm& w);

// The scanner's events: a page has arrived; the start-up check of the scanners has answered (the
// Scanner menu and toolbar take the scanner's presence, or the driver's error is shown).
void scannedPageArrived(frmImgClntForm& w);
void scannersChecked(frmImgClntForm& w);
// The scanner's error rule: its quiet error ends silently, its described failure shows "Error
// code: text", any other error its description.
void scanFailed(frmImgClntForm& w, const rt::RuntimeError& e);

}  // namespace ws
