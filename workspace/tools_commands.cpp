#include "workspace/tools_commands.h"

#include "controls/imaging/busy_edit.h"
#include "controls/imaging/imaging_control.h"
#include "controls/imaging/pixel_ops.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/window_openers.h"

#include <type_traits>

namespace ws::tools_menu {

namespace {

// Runs a direct operation on the page view as the tool dialogs run theirs: with the busy pointer,
// and on a large page beside the window while a progress window keeps it painting. Like every
// tool that changes the page, it clears the selection and sets both modified flags; a failure is
// shown and leaves the page, the selection and the flags as they were.
// op either makes a new picture from the page or changes a copy of it.
template <class Op>
void direct(frmImgClntForm& f, Op op) {
  if (!f.ixMain->hasImage()) return;
  bool done;
  if constexpr (std::is_invocable_r_v<img::Bitmap, Op, const img::Bitmap&>) done = img::makeOnControl(f.ixMain, op);
  else done = img::runOnControl(f.ixMain, op);
  if (!done) return;
  f.fnClearSelection();
  ws::document().markModified();
}

// Shows a tool dialog, with the operation word it reads when there is one.
void openTool(const char* form, const char* word = nullptr) {
  if (word) modVars::gstrImgOperation = QLatin1String(word);
  ws::openWindow(QLatin1String(form));
}

}  // namespace

// Flip turns the page half a turn; left and right are a quarter turn counter-clockwise and clockwise.
void mnuToolsFlip_Click(frmImgClntForm& f) { direct(f, [](const img::Bitmap& b) { return img::rotateAny(b, -180.0); }); }
void mnuToolsLeft_Click(frmImgClntForm& f) { direct(f, [](const img::Bitmap& b) { return img::rotateAny(b, -90.0); }); }
void mnuToolsRight_Click(frmImgClntForm& f) { direct(f, [](const img::Bitmap& b) { return img::rotateAny(b, 90.0); }); }
void mnuToolsMirror_Click(frmImgClntForm& f) { direct(f, img::mirrored); }
void mnuToolsDeskew_Click(frmImgClntForm& f) { direct(f, img::deskew); }
void mnuToolsAutoContrast_Click(frmImgClntForm& f) { direct(f, img::autoContrasted); }
void mnuToolsDespeckle_Click(frmImgClntForm& f) { direct(f, [](img::Bitmap& b) { img::despeckle(b); }); }

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
