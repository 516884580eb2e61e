#include "workspace/help_commands.h"

#include "workspace/frm_img_clnt.h"
#include "workspace/program_guide.h"
#include "workspace/settings/frm_about.h"

namespace ws {

void mnuHelpContents_Click(frmImgClntForm& w) {
  w.commitPendingEdit();
  openGuide();
}

void mnuHelpAbout_Click(frmImgClntForm& w) {
  w.commitPendingEdit();
  frmAbout->Show(rt::vbModal, &w);
}

}  // namespace ws
