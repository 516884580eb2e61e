#pragma once
// The zoom toolbar over the tool dialogs' preview viewers: the zoom ladder, the centring of the
// lead viewer, and the followers brought into step with it.
#include <QString>
#include <cstdint>
#include <vector>

class QToolBar;
class QWidget;
namespace img {
class ImagingControl;
}

namespace tools {

// The next rung of the ladder 0.15, 0.25, 0.5, 0.75, 1.0 from z for the key "in" or "out"; any
// other key gives z unchanged.
float zoomStep(float z, const QString& key);
// The scroll position (in the view's pixels) that centres a picture of imageSize pixels at zoom z in a viewer viewTwips
// wide (twipsPerPixel twips to a screen pixel): half the overflow, halves to even; 0 when it fits.
int32_t centredOffset(float z, int32_t imageSize, double viewTwips, double twipsPerPixel);
// Centres the lead viewer by that rule in both directions.
void centreViewer(img::ImagingControl* lead);
// Copies the lead's view offsets to each follower, in order.
void followOffsets(img::ImagingControl* lead, const std::vector<img::ImagingControl*>& followers);
// A toolbar button click: new zoom on the lead, the same on the followers, centre, offsets.
void zoomButtonClick(const QString& key, img::ImagingControl* lead, const std::vector<img::ImagingControl*>& followers);
// The two-button toolbar "in" / "out" with its tool tips and 16 x 16 images; each click calls
// zoomButtonClick with the button's key.
QToolBar* makeZoomToolbar(QWidget* parent, img::ImagingControl* lead, std::vector<img::ImagingControl*> followers);

}  // namespace tools
