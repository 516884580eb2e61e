#include "workspace/archive_commands.h"

#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/window_openers.h"

#include <QAction>
#include <QFile>

namespace ws {
namespace {

using namespace modVars;

void showError(const QString& first, const QString& second = QString()) {
  rt::ShowError(second.isEmpty() ? first : first + QLatin1Char('\r') + second);
}

bool loggedIn() { return document().state().login.loggedIn(); }

bool batchDirKnown() {
  if (!gstrBatchDir.isEmpty()) return true;
  showError(QStringLiteral("The batch directory has not been specified yet!"),
            QStringLiteral("Please specify the batch directory first!"));
  return false;
}

}  // namespace

void mnuArchive_Click(frmImgClntForm& w) {
  const bool in = loggedIn();
  w.Menu(QStringLiteral("mnuArchLogin"))->setEnabled(!in);
  w.Menu(QStringLiteral("mnuArchLogout"))->setEnabled(in);
  w.Menu(QStringLiteral("mnuArchRetrieve"))->setEnabled(ws::document().state().login.view);
  for (const char* item : {"mnuArchSend", "mnuArchIndexDir", "mnuArchBatchDir", "mnuArchIndex", "mnuArchVerify", "mnuArchBatch"})
    w.Menu(QString::fromLatin1(item))->setEnabled(ws::document().state().login.update);
}

void mnuArchLogin_Click(frmImgClntForm&) { openWindow(QStringLiteral("frmLogin")); }

void mnuArchLogout_Click(frmImgClntForm&) {
  DocumentSession& doc = document();
  if (!loggedIn()) return;
  if (!ws::document().state().achId.isEmpty() && !doc.close(false)) return;
  if (doc.runNetwork(QStringLiteral("LOGOUT")))
    doc.setLogin({});
  else
    showError(QStringLiteral("Logout was unsuccessful!, Please inform your administrator"));
}

// The criteria dialog closes the open document (with its save question and its unlock) only once
// the user has chosen OK; Cancel there leaves it as it was.
void mnuArchRetrieve_Click(frmImgClntForm&) {
  DocumentSession& doc = document();
  doc.state().network = NetworkResult::Failed;
  modTCP::gstrTCPCommand = QStringLiteral("RETRIEVE");
  openWindow(QStringLiteral("frmArchRetrieve"), {modTCP::gstrTCPCommand});
  const QString working = modTCP::fnWorkingFilePath();
  if (!doc.networkSucceeded() || !QFile::exists(working)) return;
  try {
    doc.open(working);
  } catch (const rt::RuntimeError& e) {
    showError(e.Description());
  }
}

void mnuArchSend_Click(frmImgClntForm&) {
  if (ws::document().state().achId.isEmpty()) {
    showError(QStringLiteral("There is no AchID attached to the current image!"),
              QStringLiteral("Please use the index form to archive this image."));
    return;
  }
  if (rt::Confirm(QStringLiteral("Commit the image back to Archive?")) != rt::vbYes)
    return;
  ws::document().state().commitSave = true;
  const bool saved = document().save();
  ws::document().state().commitSave = false;
  // What is on disk is what goes to the archive: nothing is sent when the save did not happen.
  if (!saved) return;
  ws::document().state().origAchId = ws::document().state().achId;
  modTCP::gstrTCPCommand = QStringLiteral("ARCHIVE");
  openWindow(QStringLiteral("frmArchRetrieve"), {modTCP::gstrTCPCommand});
}

void mnuArchIndexDir_Click(frmImgClntForm&) {
  openWindow(QStringLiteral("frmSelDir"), {QStringLiteral("   Select Index Directory"), gstrIndexDir.trimmed()});
}

void mnuArchBatchDir_Click(frmImgClntForm&) {
  openWindow(QStringLiteral("frmSelDir"), {QStringLiteral("   Select Batch Directory"), gstrBatchDir.trimmed()});
}

void mnuArchIndex_Click(frmImgClntForm&) {
  if (gstrIndexDir.isEmpty()) {
    showError(QStringLiteral("The index directory has not been specified yet!"),
              QStringLiteral("Please specify the index directory first!"));
    return;
  }
  if (batchDirKnown()) openWindow(QStringLiteral("frmArchIndex"));
}

void mnuArchVerify_Click(frmImgClntForm&) {
  if (batchDirKnown()) openWindow(QStringLiteral("frmArchVerify"));
}

void mnuArchBatch_Click(frmImgClntForm&) {
  if (batchDirKnown()) openWindow(QStringLiteral("frmArchBatch"));
}

}  // namespace ws
