#include "imagetools/register_windows.h"

#include "imagetools/frm_i_level.h"
#include "imagetools/frm_img_col_dep.h"
#include "imagetools/frm_img_col_rep.h"
#include "imagetools/frm_img_col_sep.h"
#include "imagetools/frm_img_new.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/frm_img_size.h"
#include "runtime/form.h"
#include "workspace/main_window.h"
#include "workspace/window_openers.h"

namespace {
// Each tool dialog is shown modally, owned by the main window.
template <class F>
ws::WindowOpener ownedByMainWindow(rt::DefaultInstance<F>& form) {
  return [&form](const QStringList&) { form->Show(rt::vbModal, ws::mainWindow()); };
}
}  // namespace

void registerImageToolsWindows() {
  ws::registerWindow(QStringLiteral("frmImgProc"), ownedByMainWindow(frmImgProc));
  ws::registerWindow(QStringLiteral("frmImgSize"), ownedByMainWindow(frmImgSize));
  ws::registerWindow(QStringLiteral("frmImgColDep"), ownedByMainWindow(frmImgColDep));
  ws::registerWindow(QStringLiteral("frmImgColRep"), ownedByMainWindow(frmImgColRep));
  ws::registerWindow(QStringLiteral("frmImgColSep"), ownedByMainWindow(frmImgColSep));
  ws::registerWindow(QStringLiteral("frmImgNew"), ownedByMainWindow(frmImgNew));
  // The levels window has no owner.
  ws::registerWindow(QStringLiteral("frmILevel"), [](const QStringList&) { frmILevel->Show(rt::vbModal); });
}
