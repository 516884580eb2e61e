#pragma once
// What the two full-screen viewers share: the black borderless window over the whole screen, the
// white bold label, and the imaging control that shows a page scaled whole.
#include <QRectF>

class QLabel;
class QWidget;
namespace img {
class ImagingControl;
}

namespace albums {

void makeViewerWindow(QWidget* form);
// Puts the window over the whole screen (again after it was given an owner).
void coverScreen(QWidget* form);
QLabel* makeViewerLabel(QWidget* form);
img::ImagingControl* makeViewerImage(QWidget* form, const char* name);
// Puts the control at the fitted place (twips) for its picture in the window.
void fitViewerImage(QWidget* form, img::ImagingControl* ix, bool limitZoom);

}  // namespace albums
