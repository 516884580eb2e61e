// The File menu's dialogs of the main window: convert, properties and print.
#include "workspace/frm_img_clnt.h"
#include "workspace/settings/frm_img_prop.h"
#include "workspace/settings/frm_img_sv_settings.h"

void frmImgClntForm::mnuFileConvert_Click() {
  frmImgSvSettingsForm::setRole(QStringLiteral("Convert"));
  frmImgSvSettings->Show(rt::vbModal, this);
}

void frmImgClntForm::mnuFileProperties_Click() { frmImgProp->Show(rt::vbModal, this); }

void frmImgClntForm::mnuPopTmbProperties_Click() { mnuFileProperties_Click(); }

void frmImgClntForm::mnuFilePrint_Click() {}
