#pragma once
// The annotation layers of the open document's pages: the page view's layer is written into the
// per-page store when its page is left or saved, and read back when the page is shown again; and
// the palette window, which shows the current tool while a page is annotated.
class frmImgClntForm;

namespace ws {

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
