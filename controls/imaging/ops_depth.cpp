// Colour depth: a palette (fixed, grey, or chosen by median cut) and the mapping of every pixel
// to it, directly or with dithering (Floyd-Steinberg, ordered 8 x 8, Stucki).
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"
#include "runtime/errors.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <opencv2/imgproc.hpp>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace img {

std::vector<QRgb> fixedPalette(int bpp) {
  std::vector<QRgb> p;
  if (bpp == 1) return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  if (bpp == 4) {
    static const uint32_t v[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                   0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (uint32_t c : v) p.push_back(0xFF000000u | c);
    return p;
  }
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) p.push_back(qRgb(r * 51, g * 51, b * 51));
  for (int i = 0; i < 40; ++i) {
    const int v = i * 255 / 39;
    p.push_back(qRgb(v, v, v));
  }
  return p;
}

namespace {

// A box of the colour histogram (5 bits per channel) for median cut.
struct Box {
  int lo[3], hi[3];
  uint64_t count = 0;
};

constexpr int kBits = 5;
constexpr int kSide = 1 << kBits;
int cellOf(int r, int g, int b) { return (r << (2 * kBits)) | (g << kBits) | b; }

void shrink(Box& box, const std::vector<uint32_t>& hist) {
  int lo[3] = {kSide, kSide, kSide}, hi[3] = {-1, -1, -1};
  box.count = 0;
  for (int r = box.lo[0]; r <= box.hi[0]; ++r)
    for (int g = box.lo[1]; g <= box.hi[1]; ++g)
      for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
        const uint32_t n = hist[static_cast<std::size_t>(cellOf(r, g, b))];
        if (!n) continue;
        box.count += n;
        const int c[3] = {r, g, b};
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::min(lo[k], c[k]);
          hi[k] = std::max(hi[k], c[k]);
        }
      }
  if (box.count)
    for (int k = 0; k < 3; ++k) {
      box.lo[k] = lo[k];
      box.hi[k] = hi[k];
    }
}

}  // namespace

std::vector<QRgb> optimizedPalette(const Bitmap& src, int maxColours) {
  if (src.isNull() || maxColours < 1) return {};
  // Exact colours when the picture has few enough.
  std::vector<uint32_t> hist(static_cast<std::size_t>(kSide * kSide * kSide));
  std::vector<uint64_t> sums(hist.size() * 3);
  std::vector<QRgb> distinct;
  bool exact = true;
  auto add = [&](QRgb c, uint32_t n) {
    const std::size_t k = static_cast<std::size_t>(cellOf(qRed(c) >> 3, qGreen(c) >> 3, qBlue(c) >> 3));
    hist[k] += n;
    sums[k * 3] += uint64_t(qRed(c)) * n;
    sums[k * 3 + 1] += uint64_t(qGreen(c)) * n;
    sums[k * 3 + 2] += uint64_t(qBlue(c)) * n;
    if (exact && std::find(distinct.begin(), distinct.end(), c) == distinct.end()) {
      distinct.push_back(c);
      if (static_cast<int>(distinct.size()) > maxColours) exact = false;
    }
  };
  if (src.bitsPerPixel() <= 8) {
    const std::vector<uint64_t> byIndex = ops::indexCounts(src);
    for (std::size_t i = 0; i < byIndex.size(); ++i)
      if (byIndex[i]) add(src.palette()[i] | 0xFF000000u, static_cast<uint32_t>(byIndex[i]));
  } else {
    // Every pixel goes into the histogram; only the first colours are tracked exactly.
    for (int32_t y = 0; y < src.height(); ++y) {
      const uint8_t* p = src.row(y);
      for (int32_t x = 0; x < src.width(); ++x, p += 3) {
        const std::size_t k = static_cast<std::size_t>(cellOf(p[2] >> 3, p[1] >> 3, p[0] >> 3));
        ++hist[k];
        sums[k * 3] += p[2];
        sums[k * 3 + 1] += p[1];
        sums[k * 3 + 2] += p[0];
        if (exact) {
          const QRgb c = qRgb(p[2], p[1], p[0]);
          if (std::find(distinct.begin(), distinct.end(), c) == distinct.end()) {
            distinct.push_back(c);
            if (static_cast<int>(distinct.size()) > maxColours) exact = false;
          }
        }
      }
    }
  }
  if (exact) return distinct;
  // Median cut: split the box with the most pixels along its longest side at the median.
  std::vector<Box> boxes(1);
  for (int k = 0; k < 3; ++k) {
    boxes[0].lo[k] = 0;
    boxes[0].hi[k] = kSide - 1;
  }
  shrink(boxes[0], hist);
  while (static_cast<int>(boxes.size()) < maxColours) {
    int pick = -1;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const Box& bx = boxes[i];
      const bool splittable = bx.lo[0] < bx.hi[0] || bx.lo[1] < bx.hi[1] || bx.lo[2] < bx.hi[2];
      if (splittable && (pick < 0 || bx.count > boxes[static_cast<std::size_t>(pick)].count)) pick = static_cast<int>(i);
    }
    if (pick < 0) break;
    Box& bx = boxes[static_cast<std::size_t>(pick)];
    int axis = 0;
    for (int k = 1; k < 3; ++k)
      if (bx.hi[k] - bx.lo[k] > bx.hi[axis] - bx.lo[axis]) axis = k;
    std::vector<uint64_t> slice(kSide);
    for (int r = bx.lo[0]; r <= bx.hi[0]; ++r)
      for (int g = bx.lo[1]; g <= bx.hi[1]; ++g)
        for (int b = bx.lo[2]; b <= bx.hi[2]; ++b) {
          const int c[3] = {r, g, b};
          slice[static_cast<std::size_t>(c[axis])] += hist[static_cast<std::size_t>(cellOf(r, g, b))];
        }
    uint64_t acc = 0;
    int cut = bx.lo[axis];
    for (int v = bx.lo[axis]; v < bx.hi[axis]; ++v) {
      acc += slice[static_cast<std::size_t>(v)];
      cut = v;
      if (acc * 2 >= bx.count) break;
    }
    Box other = bx;
    bx.hi[axis] = cut;
    other.lo[axis] = cut + 1;
    shrink(bx, hist);
    shrink(other, hist);
    boxes.push_back(other);
  }
  std::vector<QRgb> pal;
  for (const Box& bx : boxes) {
    if (!bx.count) continue;
    uint64_t s[3] = {0, 0, 0}, n = 0;
    for (int r = bx.lo[0]; r <= bx.hi[0]; ++r)
      for (int g = bx.lo[1]; g <= bx.hi[1]; ++g)
        for (int b = bx.lo[2]; b <= bx.hi[2]; ++b) {
          const std::size_t k = static_cast<std::size_t>(cellOf(r, g, b));
          n += hist[k];
          for (int c = 0; c < 3; ++c) s[c] += sums[k * 3 + static_cast<std::size_t>(c)];
        }
    pal.push_back(qRgb(static_cast<int>((s[0] + n / 2) / n), static_cast<int>((s[1] + n / 2) / n), static_cast<int>((s[2] + n / 2) / n)));
  }
  return pal;
}

namespace {

// Nearest palette entry by squared distance, the first such entry in palette order (as a scan of
// the whole palette would pick). The colour cube is cut into cells; each cell keeps, in palette
// order, only the entries that can be nearest to some colour inside it: those no farther from the
// cell than the cell's farthest corner is from the entry that is best in the worst case. A search
// measures the few candidates of its cell, without a branch per candidate: distance and index in
// one key, the least key wins. Threads share one table.
class Nearest {
 public:
  // Finer cells give shorter lists but take longer to build: worth it for large pictures.
  Nearest(const std::vector<QRgb>& pal, bool fine)
      : kShift(fine ? 5 : 4), kCells(1 << kShift), kWidthBits(8 - kShift), kWidth(1 << kWidthBits),
        first_(static_cast<std::size_t>(kCells * kCells * kCells + 1)) {
    const std::size_t n = pal.size();
    // Per channel, per cell position along it and per entry: the squared distance from the entry
    // to the nearest and to the farthest value of the cell's range.
    std::vector<int32_t> nearPart(3 * static_cast<std::size_t>(kCells) * n), farPart(3 * static_cast<std::size_t>(kCells) * n);
    for (int k = 0; k < 3; ++k)
      for (int cellPos = 0; cellPos < kCells; ++cellPos)
        for (std::size_t i = 0; i < n; ++i) {
          const int v = k == 0 ? qRed(pal[i]) : k == 1 ? qGreen(pal[i]) : qBlue(pal[i]);
          const int a = cellPos * kWidth, z = a + kWidth - 1;
          const int in = v < a ? a - v : v > z ? v - z : 0;
          const int out = std::max(std::abs(v - a), std::abs(v - z));
          const std::size_t at = (static_cast<std::size_t>(k * kCells + cellPos)) * n + i;
          nearPart[at] = in * in;
          farPart[at] = out * out;
        }
    std::vector<int32_t> lowest(n);
    for (int cell = 0; cell < kCells * kCells * kCells; ++cell) {
      first_[static_cast<std::size_t>(cell)] = static_cast<uint32_t>(red_.size());
      const int pos[3] = {cell >> (2 * kShift), (cell >> kShift) & (kCells - 1), cell & (kCells - 1)};
      const int32_t* nr = &nearPart[static_cast<std::size_t>(pos[0]) * n];
      const int32_t* ng = &nearPart[static_cast<std::size_t>(kCells + pos[1]) * n];
      const int32_t* nb = &nearPart[static_cast<std::size_t>(2 * kCells + pos[2]) * n];
      const int32_t* fr = &farPart[static_cast<std::size_t>(pos[0]) * n];
      const int32_t* fg = &farPart[static_cast<std::size_t>(kCells + pos[1]) * n];
      const int32_t* fb = &farPart[static_cast<std::size_t>(2 * kCells + pos[2]) * n];
      int32_t bound = INT32_MAX;
      for (std::size_t i = 0; i < n; ++i) {
        lowest[i] = nr[i] + ng[i] + nb[i];
        bound = std::min(bound, fr[i] + fg[i] + fb[i]);
      }
      for (std::size_t i = 0; i < n; ++i)
        if (lowest[i] <= bound) {
          red_.push_back(qRed(pal[i]));
          green_.push_back(qGreen(pal[i]));
          blue_.push_back(qBlue(pal[i]));
          index_.push_back(static_cast<int32_t>(i));
        }
    }
    first_.back() = static_cast<uint32_t>(red_.size());
  }

  // The search, its answers remembered per colour (for pictures whose colours repeat).
  int operator()(int r, int g, int b) const {
    // 0: not yet known; threads that meet the same colour store the same answer.
    std::atomic_ref<uint16_t> slot(known_[(uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b)]);
    const uint16_t seen = slot.load(std::memory_order_relaxed);
    if (seen) return seen - 1;
    const int best = search(r, g, b);
    slot.store(static_cast<uint16_t>(best + 1), std::memory_order_relaxed);
    return best;
  }

  int search(int r, int g, int b) const {
    const std::size_t cell = static_cast<std::size_t>(((r >> kWidthBits) << (2 * kShift)) | ((g >> kWidthBits) << kShift) | (b >> kWidthBits));
    const std::size_t from = first_[cell], to = first_[cell + 1];
    const int32_t* pr = red_.data() + from;
    const int32_t* pg = green_.data() + from;
    const int32_t* pb = blue_.data() + from;
    const int32_t* pi = index_.data() + from;
    // At most 3 * 255 * 255 < 2^18, times 2^8 for the index: the key fits 32 bits.
    int32_t least = INT32_MAX;
    for (std::size_t k = 0, n = to - from; k < n; ++k) {
      const int32_t dr = pr[k] - r, dg = pg[k] - g, db = pb[k] - b;
      least = std::min(least, ((dr * dr + dg * dg + db * db) << 8) | pi[k]);
    }
    return from == to ? 0 : least & 0xFF;
  }

 private:
  const int kShift, kCells, kWidthBits, kWidth;  // cells per channel 1 << kShift, each kWidth wide
  std::vector<uint32_t> first_;  // candidates of cell c: [first_[c], first_[c + 1])
  std::vector<int32_t> red_, green_, blue_, index_;
  // One entry per 24-bit colour: only the pages of the colours met are touched.
  ops::ZeroTable<uint16_t> known_{std::size_t(1) << 24};
};

struct Tap {
  int dx, dy, weight;
};
// Error-diffusion kernels (weights over their sum).
const std::vector<Tap> kFloydSteinberg = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
const std::vector<Tap> kStucki = {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
                                  {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}};

// A hint to the processor that this thread is spinning on a value another thread will change.
inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

// Progress of one row of an error diffusion (pixels done), alone on its cache line.
struct alignas(64) RowProgress {
  std::atomic<int32_t> done{0};
};

// Index picture of the colour source (24-bit or 8-bit grey) against the palette.
Bitmap quantize(const Bitmap& src, int bpp, const std::vector<QRgb>& pal, int dither) {
  Bitmap out(src.width(), src.height(), bpp);
  out.palette() = pal;
  out.palette().resize(static_cast<std::size_t>(1) << bpp, qRgb(0, 0, 0));
  ops::copyMeta(src, out);
  const Nearest nearest(pal, static_cast<int64_t>(src.width()) * src.height() >= (int64_t(1) << 20));
  const int32_t w = src.width(), h = src.height();
  const bool gray = src.bitsPerPixel() == 8;
  auto colourAt = [&](const uint8_t* row, int32_t x, int c) {  // c: 0 red, 1 green, 2 blue
    return gray ? row[x] : row[x * 3 + (2 - c)];
  };
  // Rows of the index picture are separate bytes, so threads on different rows never meet.
  auto put = [&](int32_t x, int32_t y, int idx) {
    if (bpp == 8) out.row(y)[x] = static_cast<uint8_t>(idx);
    else out.setIndex(x, y, static_cast<uint32_t>(idx));
  };
  if (dither == kDitherNone || dither == kDitherOrdered) {
    static const int bayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                    {12, 44, 4, 36, 14, 46, 6, 38},  {60, 28, 52, 20, 62, 30, 54, 22},
                                    {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
                                    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    // Ordered dither spreads by the palette's typical spacing between neighbouring levels.
    const double spread = dither == kDitherOrdered ? 255.0 / std::max(1.0, std::cbrt(static_cast<double>(pal.size())) - 1) : 0;
    // Each pixel on its own: the rows are shared out among the worker threads.
    ops::forRowBlocks(src, [&](int32_t first, int32_t last) {
      for (int32_t y = first; y < last; ++y) {
        const uint8_t* row = src.row(y);
        for (int32_t x = 0; x < w; ++x) {
          const double t = spread ? ((bayer[y & 7][x & 7] + 0.5) / 64.0 - 0.5) * spread : 0;
          const int r = std::clamp(static_cast<int>(std::lround(colourAt(row, x, 0) + t)), 0, 255);
          const int g = std::clamp(static_cast<int>(std::lround(colourAt(row, x, 1) + t)), 0, 255);
          const int b = std::clamp(static_cast<int>(std::lround(colourAt(row, x, 2) + t)), 0, 255);
          put(x, y, nearest(r, g, b));
        }
      }
    });
    return out;
  }
  const std::vector<Tap>& taps = dither == kDitherStucki ? kStucki : kFloydSteinberg;
  int total = 0, reach = 0, depth = 0;
  for (const Tap& t : taps) {
    total += t.weight;
    reach = std::max(reach, std::abs(t.dx));
    depth = std::max(depth, t.dy);
  }
  // Each tap passes on its share of the error: weight / sum of the weights.
  struct Share {
    int dy;
    std::ptrdiff_t offset;  // in floats, from the pixel's own cell
    float factor;
  };
  std::vector<Share> shares;
  for (const Tap& t : taps) shares.push_back({t.dy, t.dx * 3, static_cast<float>(t.weight) / static_cast<float>(total)});
  // Error diffusion is a wavefront: each row runs on its own thread a little behind the row above.
  // Before a row handles pixel x, the row above must have handled every pixel up to x + 2 * reach:
  // then every error that row sends to the cells this pixel reads or adds to has arrived, and the
  // additions into each cell happen in the same order as in one pass down the picture, so the
  // result is the same to the last bit at any thread count. Rows finish in order.
  const int threads = std::max(1, std::min(cv::getNumThreads(), h));
  const int32_t lead = 2 * reach + 1;
  constexpr int32_t kChunk = 128;  // pixels handled between two reports of progress
  // Errors of the rows in flight, with two columns of margin on each side (the kernels reach two
  // pixels at most): a ring of rows, each cleared by the first row that sends errors into it, once
  // the row that used it before is done. Errors for rows below the picture go to a spare row.
  const int ring = threads + depth + 2;
  const std::size_t span = static_cast<std::size_t>(w + 4) * 3;
  std::vector<float> err(span * static_cast<std::size_t>(ring + 1), 0.0f);
  auto errRow = [&](int32_t y) { return &err[(y < h ? static_cast<std::size_t>(y % ring) : static_cast<std::size_t>(ring)) * span + 6]; };
  std::vector<RowProgress> progress(static_cast<std::size_t>(h));
  // The row above is usually only a moment ahead: spin briefly before sleeping, since putting a
  // thread to sleep and waking it costs far more than a stretch of pixels.
  auto waitFor = [&](int32_t y, int32_t need) {
    std::atomic<int32_t>& d = progress[static_cast<std::size_t>(y)].done;
    int spins = 0;
    for (int32_t seen = d.load(std::memory_order_acquire); seen < need; seen = d.load(std::memory_order_acquire)) {
      if (++spins < 4000) {
        pause();
        continue;
      }
      d.wait(seen, std::memory_order_acquire);
    }
  };
  // std::lround for the values met here, without a library call: the fraction is exact in float.
  auto roundToInt = [](float v) {
    const int i = static_cast<int>(v);
    const float f = v - static_cast<float>(i);
    return i + static_cast<int>(f >= 0.5f) - static_cast<int>(f <= -0.5f);
  };
  std::atomic<int32_t> nextRow{0};
  auto runRows = [&] {
    for (int32_t y = nextRow.fetch_add(1); y < h; y = nextRow.fetch_add(1)) {
      // The ring row this row is the first to send errors into held row y + depth - ring before.
      if (y + depth < h) {
        if (y + depth - ring >= 0) waitFor(y + depth - ring, w);
        std::fill_n(errRow(y + depth) - 6, span, 0.0f);
      }
      float* rows[3] = {errRow(y), errRow(y + 1), errRow(y + 2)};
      const uint8_t* row = src.row(y);
      std::atomic<int32_t>& mine = progress[static_cast<std::size_t>(y)].done;
      for (int32_t x0 = 0; x0 < w; x0 += kChunk) {
        const int32_t x1 = std::min(w, x0 + kChunk);
        if (y > 0) waitFor(y - 1, std::min(w, x1 - 1 + lead));
        for (int32_t x = x0; x < x1; ++x) {
          const std::ptrdiff_t cell = static_cast<std::ptrdiff_t>(x) * 3;
          float want[3];
          int v[3];
          for (int c = 0; c < 3; ++c) {
            want[c] = colourAt(row, x, c) + rows[0][cell + c];
            v[c] = std::clamp(roundToInt(want[c]), 0, 255);
          }
          // Diffused errors rarely give a colour twice: no memory of answers here.
          const int idx = nearest.search(v[0], v[1], v[2]);
          put(x, y, idx);
          const QRgb got = pal[static_cast<std::size_t>(idx)];
          const float e[3] = {want[0] - qRed(got), want[1] - qGreen(got), want[2] - qBlue(got)};
          for (const Share& t : shares) {
            float* to = rows[t.dy] + cell + t.offset;
            for (int c = 0; c < 3; ++c) to[c] += e[c] * t.factor;
          }
        }
        mine.store(x1, std::memory_order_release);
        mine.notify_all();
      }
    }
  };
  // Every worker takes the next row as it finishes one; a worker that waits only ever waits for a
  // row taken earlier by a worker that is running, so this ends even when fewer workers run.
  cv::parallel_for_(cv::Range(0, threads), [&](const cv::Range&) { runRows(); }, threads);
  return out;
}

}  // namespace

void changeColorDepth(Bitmap& b, int bpp, int paletteType, int dither) {
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
    throw rt::RuntimeError(380, QStringLiteral("Invalid bits per pixel %1").arg(bpp));
  if (b.isNull()) return;
  if (bpp == 24) {
    if (b.bitsPerPixel() != 24) b = b.toColor24();
    return;
  }
  int type = std::clamp(paletteType, 0, 7);
  if (type >= kPaletteOptimizedDither) {
    // The "with dither" palettes diffuse errors even when no dither type was chosen.
    if (dither == kDitherNone) dither = kDitherFloydSteinberg;
    type = type == kPaletteOptimizedDither ? kPaletteOptimized : type == kPaletteGrayDither ? kPaletteGray : kPaletteFixed;
  }
  // There is no palette file or user palette here: those take the fixed palette.
  if (type == kPaletteFile || type == kPaletteUser) type = kPaletteFixed;
  dither = std::clamp(dither, 0, 3);
  if (type == kPaletteGray && bpp == 8 && dither == kDitherNone) {
    // 256 evenly spaced greys hold every grey value exactly: the grey picture is the answer.
    Bitmap g;
    if (b.bitsPerPixel() == 24) {
      g = Bitmap(b.width(), b.height(), 8);
      ops::copyMeta(b, g);
      cv::Mat grey = ops::asMat(g);
      cv::cvtColor(ops::asMat(b), grey, cv::COLOR_BGR2GRAY);
    } else {
      g = b.toGray8();
    }
    g.setGrayPalette();
    b = std::move(g);
    return;
  }
  std::vector<QRgb> pal = type == kPaletteGray    ? grayPalette(bpp)
                          : type == kPaletteFixed ? fixedPalette(bpp)
                                                  : optimizedPalette(b, 1 << bpp);
  if (type != kPaletteGray && !b.isGray() && b.bitsPerPixel() == 24) {
    b = quantize(b, bpp, pal, dither);  // already colour: no copy of the picture
    return;
  }
  const Bitmap src = type == kPaletteGray || b.isGray() ? b.toGray8() : b.toColor24();
  b = quantize(src, bpp, pal, dither);
}

QRect greyPart(const Bitmap& src, Bitmap& dst, const QRect& area) {
  const QRect part = area.intersected(QRect(0, 0, src.width(), src.height()));
  if (part.isEmpty() || src.bitsPerPixel() != 24 || dst.bitsPerPixel() != 8) return {};
  const cv::Rect r(part.left(), part.top(), part.width(), part.height());
  cv::Mat out = ops::asMat(dst)(r);
  // The same conversion, pixel by pixel, as the whole picture's in changeColorDepth.
  cv::cvtColor(ops::asMat(const_cast<Bitmap&>(src))(r), out, cv::COLOR_BGR2GRAY);
  return part;
}

DepthSettings depthSettings(const Bitmap& b) {
  DepthSettings s;
  if (b.isNull()) return s;
  s.bitsPerPixel = b.bitsPerPixel() == 1 || b.bitsPerPixel() == 4 || b.bitsPerPixel() == 8 ? b.bitsPerPixel() : 24;
  s.paletteType = b.bitsPerPixel() <= 8 && b.isGray() ? kPaletteGray : kPaletteOptimized;
  s.ditherType = kDitherNone;
  return s;
}

}  // namespace img
