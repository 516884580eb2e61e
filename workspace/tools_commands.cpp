#include "workspace/tools_commands.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/screen.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/window_openers.h"

#include <functional>

namespace ws::tools_menu {

namespace {

// Runs a direct operation on the page view; like every tool that changes the page, it clears the
// selection and sets both modified flags.
void direct(frmImgClntForm& f, const std::function<void(img::ImagingControl&)>& op) {
  {
    rt::BusyPointer busy;
    op(*f.ixMain);
  }
  f.fnClearSelection();
  modVars::gblnDocModified = true;
  modVars::gblnPageModified = true;
}

// Shows a tool dialog, with the operation word it reads when there is one.
void openTool(const char* form, const char* word = nullptr) {
  if (word) modVars::gstrImgOperation = QLatin1String(word);
  ws::openWindow(QLatin1String(form));
}

}  // namespace

// Positive angles turn counter-clockwise.
void mnuToolsFlip_Click(frmImgClntForm& f) { direct(f, [](img::ImagingControl& ix) { ix.RotateBy(180.0); }); }
void mnuToolsLeft_Click(frmImgClntForm& f) { direct(f, [](img::ImagingControl& ix) { ix.RotateBy(90.0); }); }
void mnuToolsRight_Click(frmImgClntForm& f) { direct(f, [](img::ImagingControl& ix) { ix.RotateBy(-90.0); }); }
void mnuToolsMirror_Click(frmImgClntForm& f) { direct(f, [](img::ImagingControl& ix) { ix.Mirror(); }); }
void mnuToolsDeskew_Click(frmImgClntForm& f) { direct(f, [](img::ImagingControl& ix) { ix.Deskew(); }); }
void mnuToolsDespeckle_Click(frmImgClntForm& f) { direct(f, [](img::ImagingControl& ix) { ix.Despeckle(); }); }
void mnuToolsAutoContrast_Click(frmImgClntForm& f) { direct(f, [](img::ImagingControl& ix) { ix.AutoContrast(); }); }

void openEffect(frmImgClntForm& f, const char* word) {
  openTool("frmImgProc", word);
  f.fnClearSelection();
}

void mnuToolsCrop_Click(frmImgClntForm& f) {
  openTool("frmImgSize", "CROP");
  f.fnClearSelection();
}
void mnuToolsResize_Click(frmImgClntForm&) { openTool("frmImgSize", "RESIZE"); }
void mnuToolsDepth_Click(frmImgClntForm&) { openTool("frmImgColDep"); }
void mnuToolsReplaceCols_Click(frmImgClntForm&) { openTool("frmImgColRep"); }
void mnuToolsSeparation_Click(frmImgClntForm&) { openTool("frmImgColSep"); }
void mnuToolsIntLvl_Click(frmImgClntForm&) { openTool("frmILevel"); }

}  // namespace ws::tools_menu
