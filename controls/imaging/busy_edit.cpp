#include "controls/imaging/busy_edit.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/busy_work.h"

namespace img {

bool makeOnControl(ImagingControl* ix, const std::function<Bitmap(const Bitmap&)>& make) {
  if (!ix || !ix->hasImage()) return true;
  const Bitmap& current = ix->bitmap();
  Bitmap made;
  if (!rt::RunBusy(static_cast<int64_t>(current.width()) * current.height(), [&] { made = make(current); })) return false;
  ix->setBitmap(std::move(made));
  return true;
}

bool runOnControl(ImagingControl* ix, const std::function<void(Bitmap&)>& op) {
  return makeOnControl(ix, [&](const Bitmap& current) {
    Bitmap b = current;
    op(b);
    return b;
  });
}

}  // namespace img
