#pragma once
// Helpers shared by the pixel-operation families: OpenCV views of a picture and the working
// depth of operations that mix neighbouring pixels.
#include "controls/imaging/bitmap.h"
#include "runtime/errors.h"

#include <algorithm>
#include <array>
#include <type_traits>
#include <vector>
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <sys/mman.h>

namespace img::ops {

// A matrix over the picture's own rows (8-bit grey or 24-bit pictures only); no copy.
inline cv::Mat asMat(Bitmap& b) {
  return cv::Mat(b.height(), b.width(), b.bitsPerPixel() == 24 ? CV_8UC3 : CV_8UC1, b.data().data(),
                 static_cast<std::size_t>(b.stride()));
}

// Brings a picture to a depth that filters can read pixel by pixel: grey palettes to 8-bit grey,
// other palettes to 24-bit colour.
inline void toWorkingDepth(Bitmap& b) {
  if (b.bitsPerPixel() == 24) return;
  b = b.isGray() ? b.toGray8() : b.toColor24();
}

// Same metadata (resolution, annotation layer) on a new picture.
inline void copyMeta(const Bitmap& from, Bitmap& to) {
  to.resolutionX = from.resolutionX;
  to.resolutionY = from.resolutionY;
  to.resolutionUnit = from.resolutionUnit;
  to.annotation = from.annotation;
}

// Writes a matrix of the picture's size and type back into its rows.
void storeMat(Bitmap& b, const cv::Mat& m);

// How many pixels use each palette entry of a palette picture.
std::vector<uint64_t> indexCounts(const Bitmap& b);

// The luminance (0..255) a pixel of this colour shows.
inline int luminance(int red, int green, int blue) { return (red * 299 + green * 587 + blue * 114 + 500) / 1000; }
// How many pixels show each luminance; palette indexes without an entry show black.
std::array<uint64_t, 256> luminanceHistogram(const Bitmap& b);
// Finds a whole-number factor F and shift s, as F << 5 | s, with
// min(255, (v * F + 2^s / 2) >> s) == want[v] for every v of 0..255 and 255 * F + 2^s / 2 within
// 32 bits, starting from the factor given and the finest shift; false when none gives every value.
bool fitScaling(const uint8_t* want, double factor, uint32_t& entry);

// Runs f on blocks of the rows [first, last) spread over the worker threads: f(from, to) for
// rows [from, to), or f(row pointer) once per row.
template <class B, class F>
void forRowRange(B& b, int32_t first, int32_t last, F f) {
  first = std::max(0, first);
  last = std::min(b.height(), last);
  if (first >= last) return;
  // Blocks of about a megabyte: small enough to share out, large enough to pay for the hand-off.
  const double stripes = std::max(1.0, static_cast<double>(b.stride()) * (last - first) / (1 << 20));
  cv::parallel_for_(cv::Range(first, last), [&](const cv::Range& r) {
    if constexpr (std::is_invocable_v<F, int32_t, int32_t>) {
      f(r.start, r.end);
    } else {
      for (int32_t y = r.start; y < r.end; ++y) f(b.row(y));
    }
  }, stripes);
}

// The same over all the rows of the picture.
template <class B, class F>
void forRowBlocks(B& b, F f) {
  forRowRange(b, 0, b.height(), f);
}

// 64 random bits for the pixel (or block) at (x, y), from its position and the random effects'
// fixed seed: a random effect gives the same pixels however the rows are shared out among
// threads or made band by band, and the preview and the applied effect are the same picture.
constexpr uint32_t kRandomSeed = 0x5EED1234u;
inline uint64_t positionBits(uint32_t x, uint32_t y) {
  uint64_t z = (uint64_t(y) << 32 | x) + uint64_t(kRandomSeed) * 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
// The low 32 of those bits scaled into 0..n-1.
inline uint32_t below(uint64_t bits, uint32_t n) { return static_cast<uint32_t>(((bits & 0xFFFFFFFFu) * n) >> 32); }

// A large table of zeros for remembering answers per colour. Fresh zero pages come from the system
// on first touch only, in large pages where it gives them: far fewer faults than small pages when
// threads fill the table at random.
template <class T>
class ZeroTable {
 public:
  explicit ZeroTable(std::size_t count) : bytes_(count * sizeof(T)) {
    void* p = mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw rt::RuntimeError(7, QStringLiteral("Out of memory"));
    madvise(p, bytes_, MADV_HUGEPAGE);
    p_ = static_cast<T*>(p);
  }
  ZeroTable(const ZeroTable&) = delete;
  ZeroTable& operator=(const ZeroTable&) = delete;
  ~ZeroTable() { munmap(p_, bytes_); }
  T& operator[](std::size_t i) const { return p_[i]; }

 private:
  std::size_t bytes_;
  T* p_;
};

using Lut = std::array<uint8_t, 256>;
// Maps every channel value through a table per channel: palette entries for palette pictures,
// pixels for colour pictures.
void applyLuts(Bitmap& b, const Lut& red, const Lut& green, const Lut& blue);
inline void applyLut(Bitmap& b, const Lut& all) { applyLuts(b, all, all, all); }

}  // namespace img::ops
