#include "workspace/settings/register_settings_windows.h"

#include "workspace/frm_img_clnt.h"
#include "workspace/settings/frm_img_sv_settings.h"
#include "workspace/window_openers.h"

void registerSettingsWindows() {
  ws::registerWindow(QStringLiteral("frmImgSvSettings"), [](const QStringList& args) {
    frmImgSvSettingsForm::setRole(args.value(0));
    frmImgSvSettings->Show(rt::vbModal, frmImgClnt.get());
  });
}
