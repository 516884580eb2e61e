#include "workspace/frm_img_clnt.h"

#include "runtime/conversions.h"
#include "workspace/mod_vars.h"

rt::DefaultInstance<frmImgClntForm> frmImgClnt;

frmImgClntForm::frmImgClntForm() { setObjectName("frmImgClnt"); }

bool frmImgClntForm::NetworkSucceeded() const {
  bool ok = false;
  const bool value = rt::TextToBool(NetworkResult, &ok);
  return ok && value;
}

void frmImgClntForm::Form_Load() {
  setCaption(QStringLiteral("   Image Lumivex"));
  resize(1024, 720);
  modVars::fnResetAtLoad();
}
