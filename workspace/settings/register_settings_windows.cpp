#include "workspace/settings/register_settings_windows.h"

#include "workspace/main_window.h"
#include "workspace/settings/frm_ext_assoc.h"
#include "workspace/settings/frm_img_sv_settings.h"
#include "workspace/window_openers.h"

void registerSettingsWindows() {
  ws::registerWindow(QStringLiteral("frmImgSvSettings"), [](const QStringList& args) {
    frmImgSvSettingsForm::setRole(args.value(0));
    frmImgSvSettings->Show(rt::vbModal, ws::mainWindow());
  });
  // Offered at the first start, before the main window is in use: modal without an owner.
  ws::registerWindow(QStringLiteral("frmExtAssoc"), [](const QStringList&) { frmExtAssoc->Show(rt::vbModal); });
}
