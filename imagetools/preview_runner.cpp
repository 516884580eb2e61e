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

std::pair<int32_t, int32_t> RowsFirstPreview::rowsInView(img::ImagingControl* ix) {
  const int32_t h = ix->ImageHeight();
  if (ix->ViewSizeMode() == 4 || ix->ThumbDisplayMode() == 1) return {0, h};  // the whole picture fitted
  const double z = std::max(1e-3, static_cast<double>(ix->ZoomFactor()));
  const double top = ix->ScrollPosY(), bottom = top + static_cast<const QWidget*>(ix)->height();
  const auto first = static_cast<int32_t>(std::max(0.0, std::floor(top / z) - 3));
  const auto last = static_cast<int32_t>(std::min<double>(h, std::ceil(bottom / z) + 3));
  return {std::min(first, h), std::max(std::min(first, h), last)};
}

bool RowsFirstPreview::sourceFits() const {
  if (!from_ || !to_ || !from_->hasImage() || !to_->hasImage()) return false;
  const img::Bitmap& s = from_->bitmap();
  const img::Bitmap& d = to_->bitmap();
  return s.width() == d.width() && s.height() == d.height() && s.bitsPerPixel() == d.bitsPerPixel();
}

std::pair<const img::Bitmap*, img::Bitmap*> RowsFirstPreview::targets() {
  if (!sourceFits()) {
    pending_.clear();
    return {nullptr, nullptr};
  }
  return {&from_->bitmap(), &to_->editableBitmap()};
}

void RowsFirstPreview::run(const std::function<void(img::Bitmap&)>& whole, PreviewRows rows) {
  timer_.stop();
  pending_.clear();
  rows_ = std::move(rows);
  if (!from_ || !to_ || !from_->hasImage()) return;
  const bool byRows = rows_ && from_->bitmap().bitsPerPixel() == 24 && sourceFits();
  const int32_t h = from_->bitmap().height();
  const auto [first, last] = byRows ? rowsInView(to_) : std::pair<int32_t, int32_t>{0, h};
  // Rows first only pays when the view shows a small part of the picture.
  if (!byRows || int64_t(last - first) * 2 > h) {
    previewInto(from_, to_, whole);
    return;
  }
  const img::Bitmap& src = from_->bitmap();
  img::Bitmap& dst = to_->editableBitmap();
  const bool ok = rt::RunBusy(int64_t(src.width()) * (last - first), [&] { rows_(src, dst, first, last); });
  to_->pictureEdited();
  if (!ok) return;
  if (first > 0) pending_.emplace_back(0, first);
  if (last < h) pending_.emplace_back(last, h);
  if (!pending_.empty()) timer_.start();
}

void RowsFirstPreview::step() {
  if (pending_.empty()) return;
  const auto [srcp, dstp] = targets();
  if (!srcp) return;
  const img::Bitmap& src = *srcp;
  img::Bitmap& dst = *dstp;
  auto& [first, last] = pending_.front();
  const int32_t n = static_cast<int32_t>(std::max<int64_t>(1, kStepPixels / std::max(1, src.width())));
  const int32_t end = std::min(last, first + n);
  if (!rt::RunIdle([&] { rows_(src, dst, first, end); })) {
    pending_.clear();
    return;
  }
  first = end;
  if (first >= last) pending_.erase(pending_.begin());
  if (pending_.empty()) to_->pictureEdited();  // the reduced view is made again from the whole picture
  else timer_.start();
}

void RowsFirstPreview::finish() {
  timer_.stop();
  if (pending_.empty()) return;
  const auto [srcp, dstp] = targets();
  if (!srcp) return;
  const img::Bitmap& src = *srcp;
  img::Bitmap& dst = *dstp;
  int64_t rows = 0;
  for (const auto& [first, last] : pending_) rows += last - first;
  const std::vector<std::pair<int32_t, int32_t>> left = std::move(pending_);
  pending_.clear();
  rt::RunBusy(rows * src.width(), [&] {
    for (const auto& [first, last] : left) rows_(src, dst, first, last);
  });
  to_->pictureEdited();
}

}  // namespace tools
