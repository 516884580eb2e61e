#pragma once
// The preview of one file with Previous and Next for its pages, as the album manager, the keyword
// search and the image search show it: an imaging control filling a frame, and the page buttons'
// enabled states for the page it shows.
#include <QString>
#include <cstdint>

class QGroupBox;
class QWidget;
namespace img {
class ImagingControl;
}

namespace albums {

// The page toolbar of the preview for a file: enabled states of prev, next and set.
struct PageButtons {
  bool prev = false, next = false, set = false;
};
PageButtons pageButtons(bool multiPage, int32_t pageNumber, int32_t pageCount);

// A frame (twips, in parent) with the preview control "ixPre" filling it inside a margin; the
// control shows a whole page fitted to it.
img::ImagingControl* makePreview(QWidget* parent, double left, double top, double width, double height,
                                 QGroupBox** frame);

// The buttons for the page the preview shows. A multi-page file's page count is read into pageCount;
// for another file pageCount stays as it was.
PageButtons previewPageButtons(img::ImagingControl* ix, int16_t& pageCount);

// Shows the page before (by -1) or after (by 1) the one shown, and gives the buttons for it in a file
// of pageCount pages; nothing changes before the first page (false). Raises rt::RuntimeError when
// the page cannot be read.
bool stepPreviewPage(img::ImagingControl* ix, int by, int32_t pageCount, PageButtons& buttons);

}  // namespace albums
