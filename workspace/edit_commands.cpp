#include "workspace/edit_commands.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "platform/memory/global_memory.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/clipboard_picture.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/window_openers.h"

#include <QAction>
#include <QImage>

namespace ws {

namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

void mnuEdit_Click(frmImgClntForm& w) {
  // The menu's own opening has already written a floating area into the page.
  w.Menu("mnuEditUndo")->setEnabled(w.ixMain->UndoAvailable() != 0);
  const bool selection = w.ixMain->SelectionWidth() != 0 || w.nxMain->HasSelection();
  w.Menu("mnuEditCopy")->setEnabled(selection);
  w.Menu("mnuEditCut")->setEnabled(selection);
  w.Menu("mnuEditPaste")->setEnabled(w.nxMain->CanPaste() || clipboardHasPicture());
  w.Menu("mnuEditDelete")->setEnabled(selection || document().isMultiPage());
}

void mnuEditUndo_Click(frmImgClntForm& w) { w.ixMain->UndoLast(); }

void mnuEditCopy_Click(frmImgClntForm& w) {
  if (w.nxMain->HasSelection()) {
    w.nxMain->CopySelected();
    return;
  }
  w.ixMain->CopyToClipboard();
  w.fnClearSelection();
}

void mnuEditCut_Click(frmImgClntForm& w) {
  if (w.nxMain->HasSelection()) {
    w.nxMain->CutSelected();
  } else {
    w.ixMain->CopyToClipboard();
    fnEraseSelection(w);
    w.fnClearSelection();
  }
  document().markModified();
}

void fnEraseSelection(frmImgClntForm& w) {
  if (w.ixMain->SelectionWidth() != 0) w.ixMain->ReplaceColours(kBlack, kWhite, kWhite);
}

void mnuEditPaste_Click(frmImgClntForm& w) {
  if (w.nxMain->CanPaste()) {
    w.nxMain->PasteAnnotations();
    document().markModified();
    return;
  }
  const QImage pasted = clipboardPicture();
  if (pasted.isNull() || !w.ixMain->hasImage()) return;
  w.floatPicture(pasted);
}

void mnuEditDelete_Click(frmImgClntForm& w) {
  if (w.nxMain->HasSelection()) {
    if (rt::Confirm(QStringLiteral("Are you sure you want to delete the selected annotation(s)?")) != rt::vbYes) return;
    w.nxMain->DeleteSelected();
    document().markModified();
    return;
  }
  if (w.ixMain->SelectionWidth() != 0) {
    if (rt::Confirm(QStringLiteral("Are you sure you want to delete the selection?")) != rt::vbYes) return;
    fnEraseSelection(w);
    w.fnClearSelection();
    document().markModified();
    return;
  }
  if (document().isMultiPage()) document().deleteSelectedPages();
}

void mnuEditAppend_Click(frmImgClntForm& w) {
  document().storePageEdits();
  w.cdgMain.DialogTitle = QStringLiteral("Select Source File");
  w.cdgMain.FileName = QString();
  w.cdgMain.CancelError = true;
  try {
    w.cdgMain.ShowOpen();
  } catch (const rt::RuntimeError& e) {
    if (e.Number() == rt::kErrCancel) return;
    throw;
  }
  modVars::gstrAppendFile = w.cdgMain.FileName;
  openWindow(QStringLiteral("frmSelImage"));
  modVars::gstrAppendFile.clear();
}

void mnuEditInsert_Click(frmImgClntForm& w) { mnuEditAppend_Click(w); }

}  // namespace ws
