#pragma once
// The Edit menu: every command works on the selected annotations first, then on the rectangle
// selection of the page view, then on the pages of the strip.
class frmImgClntForm;

namespace ws {

// Opening the menu: Undo follows the page view, Copy and Cut a selection, Paste the clipboard,
// Delete a selection or a multi-page document.
void mnuEdit_Click(frmImgClntForm& w);
void mnuEditUndo_Click(frmImgClntForm& w);
void mnuEditCopy_Click(frmImgClntForm& w);
void mnuEditCut_Click(frmImgClntForm& w);
// Annotations on the clipboard are pasted as annotations; a picture floats over the page.
void mnuEditPaste_Click(frmImgClntForm& w);
// Asks first; the last page of a document is never deleted.
void mnuEditDelete_Click(frmImgClntForm& w);
// Pages of another file, picked in the page picker, join the document.
void mnuEditAppend_Click(frmImgClntForm& w);
void mnuEditInsert_Click(frmImgClntForm& w);

// Paints the rectangle selection white; nothing without one.
void fnEraseSelection(frmImgClntForm& w);

}  // namespace ws
