#include "imagetools/preview_runner.h"

#include "controls/imaging/imaging_control.h"
#include "imagetools/tool_controls.h"
#include "runtime/busy_work.h"

#include <algorithm>
#include <cmath>

namespace tools {

namespace {
// About this many pixels per idle step: short enough that a slider moved meanwhile answers at
// once, long enough that the steps do not add up to much more than the whole run.
constexpr int64_t kStepPixels = 1 << 20;
}  // namespace

RowsFirstPreview::RowsFirstPreview(img::ImagingControl* from, img::ImagingControl* to, QObject* parent)
    : QObject(parent), from_(from), to_(to) {
  timer_.setSingleShot(true);
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, [this] { step(); });
}

namespace {
// The source pixels [first, last) a viewer shows along one direction from scroll position pos
// over extent view pixels at zoom z, with a few to spare at each end, within [0, size).
std::pair<int32_t, int32_t> inView(double pos, double view, double z, int32_t size) {
  const auto first = static_cast<int32_t>(std::max(0.0, std::floor(pos / z) - 3));
  const auto last = static_cast<int32_t>(std::min<double>(size, std::ceil((pos + view) / z) + 3));
  return {std::min(first, size), std::max(std::min(first, size), last)};
}
}  // namespace

std::pair<int32_t, int32_t> RowsFirstPreview::rowsInView(img::ImagingControl* ix) {
  const QRect a = areaInView(ix);
  return {a.top(), a.top() + a.height()};
}

QRect RowsFirstPreview::areaInView(img::ImagingControl* ix) {
  const int32_t w = ix->ImageWidth(), h = ix->ImageHeight();
  if (ix->ViewSizeMode() == 4 || ix->ThumbDisplayMode() == 1) return QRect(0, 0, w, h);  // the whole picture fitted
  const double z = std::max(1e-3, static_cast<double>(ix->ZoomFactor()));
  const auto* view = static_cast<const QWidget*>(ix);
  const auto [top, bottom] = inView(ix->ScrollPosY(), view->height(), z, h);
  const auto [left, right] = inView(ix->ScrollPosX(), view->width(), z, w);
  return QRect(left, top, right - left, bottom - top);
}

bool RowsFirstPreview::sourceFits() const {
  if (!from_ || !to_ || !from_->hasImage() || !to_->hasImage()) return false;
  const img::Bitmap& s = from_->bitmap();
  const img::Bitmap& d = to_->bitmap();
  return s.width() == d.width() && s.height() == d.height() && s.bitsPerPixel() == 24 && d.bitsPerPixel() == depth_;
}

std::pair<const img::Bitmap*, img::Bitmap*> RowsFirstPreview::targets() {
  if (!sourceFits()) {
    pending_.clear();
    return {nullptr, nullptr};
  }
  return {&from_->bitmap(), &to_->editableBitmap()};
}

void RowsFirstPreview::run(const std::function<void(img::Bitmap&)>& whole, PreviewRows rows, int madeDepth) {
  timer_.stop();
  pending_.clear();
  rows_ = std::move(rows);
  depth_ = madeDepth ? madeDepth : 24;
  if (!from_ || !to_ || !from_->hasImage()) return;
  const img::Bitmap& src = from_->bitmap();
  const int32_t w = src.width(), h = src.height();
  const bool byRows = rows_ && src.bitsPerPixel() == 24 && to_->hasImage() && to_->ImageWidth() == w && to_->ImageHeight() == h;
  const QRect view = byRows ? areaInView(to_) : QRect(0, 0, w, h);
  // The part in view first only pays when the view shows a small part of the picture.
  if (!byRows || int64_t(view.width()) * view.height() * 2 > int64_t(w) * h) {
    previewInto(from_, to_, whole);
    return;
  }
  if (!sourceFits()) {
    // The after picture becomes one of the depth the effect makes (same size, same view), in the
    // memory of the one it replaces; the rows are made into it below and while idle.
    img::Bitmap blank = img::Bitmap::reusing(std::move(to_->editableBitmap()), w, h, depth_);
    blank.resolutionX = src.resolutionX;
    blank.resolutionY = src.resolutionY;
    blank.resolutionUnit = src.resolutionUnit;
    to_->replaceBitmap(std::move(blank));
  }
  img::Bitmap& dst = to_->editableBitmap();
  QRect made;
  const bool ok = rt::RunBusy(int64_t(view.width()) * view.height(), [&] { made = rows_(src, dst, view); });
  if (!ok) {
    to_->pictureEdited();
    return;
  }
  to_->pictureEdited(made);
  // Shown now: the steps below would otherwise run while the paint waits its turn.
  to_->RedrawView();
  // The rest of the rows in view (they come into view with a sideways scroll), then the rows
  // above and below.
  if (made.left() > 0) pending_.emplace_back(0, made.top(), made.left(), made.height());
  if (made.right() + 1 < w) pending_.emplace_back(made.right() + 1, made.top(), w - made.right() - 1, made.height());
  if (made.top() > 0) pending_.emplace_back(0, 0, w, made.top());
  if (made.bottom() + 1 < h) pending_.emplace_back(0, made.bottom() + 1, w, h - made.bottom() - 1);
  if (!pending_.empty()) timer_.start();
}

void RowsFirstPreview::step() {
  if (pending_.empty()) return;
  const auto [srcp, dstp] = targets();
  if (!srcp) return;
  QRect& rest = pending_.front();
  const int32_t n = static_cast<int32_t>(std::max<int64_t>(1, kStepPixels / std::max(1, rest.width())));
  const QRect part(rest.left(), rest.top(), rest.width(), std::min(n, rest.height()));
  QRect made;
  if (!rt::RunIdle([&] { made = rows_(*srcp, *dstp, part); })) {
    pending_.clear();
    return;
  }
  to_->pictureEdited(made);
  rest.setTop(part.bottom() + 1);
  if (rest.isEmpty()) pending_.erase(pending_.begin());
  if (!pending_.empty()) timer_.start();
}

void RowsFirstPreview::finish() {
  timer_.stop();
  if (pending_.empty()) return;
  const auto [srcp, dstp] = targets();
  if (!srcp) return;
  const img::Bitmap& src = *srcp;
  img::Bitmap& dst = *dstp;
  int64_t pixels = 0;
  for (const QRect& r : pending_) pixels += int64_t(r.width()) * r.height();
  const std::vector<QRect> left = std::move(pending_);
  pending_.clear();
  QRect made;
  const bool ok = rt::RunBusy(pixels, [&] {
    for (const QRect& r : left) made |= rows_(src, dst, r);
  });
  if (ok) to_->pictureEdited(made);
  else to_->pictureEdited();
}

}  // namespace tools
