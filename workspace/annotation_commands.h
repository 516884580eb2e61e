#pragma once
// The Annotation menu: its palette window, burn-in and select all.
class frmImgClntForm;

namespace ws {

// Opening the menu: Select All and Burn In need annotations on the page.
void mnuAnn_Click(frmImgClntForm& w);
// Asks first; the annotations become pixels of the page and are no longer kept as annotations.
void mnuAnnBurnIn_Click(frmImgClntForm& w);
// Shows the palette with the pointer mode, or closes it and goes back to the hand.
void mnuAnnPalette_Click(frmImgClntForm& w);
void mnuAnnSelectAll_Click(frmImgClntForm& w);

}  // namespace ws
