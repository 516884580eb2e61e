#pragma once
// The page view's annotation layer: read from a page's stored layer when the page shows, written
// back as bytes when the page is stored, and the palette window, which shows the current tool
// while a page is annotated.
#include <QByteArray>
#include <optional>

class frmImgClntForm;

namespace ws {

// The palette's closing leaves the pointer tool and unchecks the menu item, whatever closes it.
void closeAnnoPalette(frmImgClntForm& w);

// The page view's layer as the engine writes it (empty when there is none or it holds no
// annotation); nothing when the engine cannot write it.
std::optional<QByteArray> currentLayerBytes(frmImgClntForm& w);
// A page's stored layer into the page view, which is redrawn; nothing for an empty one. False
// when the engine could not take the layer in.
bool restorePageAnnotations(frmImgClntForm& w, const QByteArray& layer);
// The page view's layer becomes the current one; a page without annotations gets an empty layer
// to draw on.
void takeCurrentLayer(frmImgClntForm& w);

}  // namespace ws
