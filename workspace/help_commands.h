#pragma once
// The Help menu: the program's guide and the About window. Both first write a floating pasted
// area into the page, as any menu does.
class frmImgClntForm;

namespace ws {

void mnuHelpContents_Click(frmImgClntForm& w);
void mnuHelpAbout_Click(frmImgClntForm& w);

}  // namespace ws
