#pragma once
// The Annotation menu and its palette window, and the per-page store of the annotation layers:
// the page view's layer is written into the store when its page is left or saved, and read back
// when the page is shown again.
class frmImgClntForm;

namespace ws {

// Opening the menu: Select All and Burn In need annotations on the page.
void mnuAnn_Click(frmImgClntForm& w);
// Asks first; the annotations become pixels of the page and are no longer kept as annotations.
void mnuAnnBurnIn_Click(frmImgClntForm& w);
// Shows the palette with the pointer mode, or closes it and goes back to the hand.
void mnuAnnPalette_Click(frmImgClntForm& w);
void mnuAnnSelectAll_Click(frmImgClntForm& w);
// The palette's closing leaves the pointer tool and unchecks the menu item, whatever closes it.
void closeAnnoPalette(frmImgClntForm& w);

// The page view's layer into the store's entry of page index (0-based); a layer the engine cannot
// write leaves the stored one in place.
void savePageAnnotations(frmImgClntForm& w, int index);
// The stored layer of page index into the page view, which is redrawn with its thumbnail.
void restorePageAnnotations(frmImgClntForm& w, int index);
// The page view's layer becomes the current one; a page without annotations gets an empty layer
// to draw on.
void takeCurrentLayer(frmImgClntForm& w);
// Draws the current layer into the attached picture; raises an error naming the page (1-based in
// the text; -1 for the page view) when annotations exist but cannot be burned in.
void burnInCurrentLayer(frmImgClntForm& w, int page);

}  // namespace ws
