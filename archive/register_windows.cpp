#include "archive/register_windows.h"

#include "archive/frm_arch_batch.h"
#include "archive/frm_arch_index.h"
#include "archive/frm_arch_retrieve.h"
#include "archive/frm_arch_verify.h"
#include "archive/frm_login.h"
#include "archive/frm_tcpip.h"
#include "workspace/main_window.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"
#include "workspace/window_openers.h"

#include <QLineEdit>

void registerArchiveWindows() {
  ws::registerWindow(QStringLiteral("frmTCPIP"), [](const QStringList& args) {
    if (!args.isEmpty()) modTCP::gstrTCPCommand = args.front();
    frmTCPIP->Show(rt::vbModal, ws::mainWindow());
  });
  // "RETRIEVE" asks for the keys of a document to fetch; "ARCHIVE" shows the open document's keys
  // for its commit.
  ws::registerWindow(QStringLiteral("frmArchRetrieve"), [](const QStringList& args) {
    using namespace modVars;
    frmArchRetrieveForm* f = frmArchRetrieve.get();
    if (args.value(0) == QLatin1String("ARCHIVE")) {
      f->setCaption(QStringLiteral("   Archive Image"));
      f->txtAchID->setText(ws::document().state().achId);
      f->txtParm1->setText(ws::document().state().parm1);
      f->txtParm2->setText(ws::document().state().parm2);
      f->setAchIDBackColor(frmArchRetrieveForm::kArchiveMode);
    } else {
      f->setAchIDBackColor(frmArchRetrieveForm::kWindowBackground);
      f->setCaption(QStringLiteral("   Retrieve Image"));
    }
    f->Show(rt::vbModal, ws::mainWindow());
  });
  ws::registerWindow(QStringLiteral("frmLogin"), [](const QStringList&) { frmLogin->Show(rt::vbModal, ws::mainWindow()); });
  // The index window stays beside the main window; the batch windows are modal.
  ws::registerWindow(QStringLiteral("frmArchIndex"), [](const QStringList&) { frmArchIndex->Show(rt::vbModeless, ws::mainWindow()); });
  ws::registerWindow(QStringLiteral("frmArchVerify"), [](const QStringList&) { frmArchVerify->Show(rt::vbModal, ws::mainWindow()); });
  ws::registerWindow(QStringLiteral("frmArchBatch"), [](const QStringList&) { frmArchBatch->Show(rt::vbModal, ws::mainWindow()); });
}
