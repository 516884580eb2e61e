#include "albums/page_preview.h"

#include "albums/form_util.h"
#include "controls/imaging/imaging_control.h"
#include "workspace/mod_vars.h"

#include <QGroupBox>

namespace albums {

namespace {
constexpr double kMargin = 60;
}

PageButtons pageButtons(bool multiPage, int32_t pageNumber, int32_t pageCount) {
  PageButtons b;
  if (!multiPage) return b;
  b.prev = pageNumber >= 2;
  if (pageCount >= 2) {
    b.set = true;
    b.next = pageNumber < pageCount;
  }
  return b;
}

img::ImagingControl* makePreview(QWidget* parent, double left, double top, double width, double height,
                                 QGroupBox** frame) {
  auto* box = new QGroupBox(parent);
  place(box, left, top, width, height);
  auto* ix = new img::ImagingControl(box);
  ix->setName(QStringLiteral("ixPre"));
  ix->setViewSizeMode(4);
  place(ix, kMargin, kMargin, width - 2 * kMargin, height - 2 * kMargin);
  if (frame) *frame = box;
  return ix;
}

PageButtons previewPageButtons(img::ImagingControl* ix, int16_t& pageCount) {
  const bool multi = modVars::fnIsMultiPageFormat(ix->ImageFileType());
  if (multi) pageCount = static_cast<int16_t>(ix->FilePageCount(ix->SourceFile()));
  return pageButtons(multi, ix->PageNumber(), pageCount);
}

bool stepPreviewPage(img::ImagingControl* ix, int by, int32_t pageCount, PageButtons& buttons) {
  const int32_t page = ix->PageNumber() + by;
  if (page < 1) return false;
  ix->setPageNumber(page);
  ix->setSourceFile(ix->SourceFile());
  buttons = pageButtons(true, page, pageCount);
  return true;
}

}  // namespace albums
