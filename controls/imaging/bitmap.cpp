#include "controls/imaging/bitmap.h"

#include "controls/imaging/byte_io.h"
#include "controls/imaging/format_codes.h"
#include "controls/imaging/imaging_errors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <utility>

namespace img {

namespace {
std::size_t gMaxBytes = std::size_t(1) << 30;
}

namespace {

// Buffers from this size up are mapped on their own and may be kept for reuse; smaller ones come
// from the allocator, which reuses them anyway.
constexpr std::size_t kPoolFrom = std::size_t(4) << 20;
constexpr std::size_t kHugePage = std::size_t(2) << 20;
// A few kept buffers serve a run of edits: each finds the one its undo, or the undo step that fell
// off the end, let go, and a tool dialog's viewers find those of the dialog shown before. Memory
// a process has not used before costs far more to touch the first time than memory it reuses (on
// some virtual machines a hundred times more), so a large page's buffers are reused, not returned.
constexpr std::size_t kPoolCount = 4;

// Under the address checker, the part of a mapping beyond a picture's bytes, and a kept buffer
// as a whole, are marked unusable: an overrun or a use after letting go is still caught.
void unmap(uint8_t* p, std::size_t cap) {
  ASAN_UNPOISON_MEMORY_REGION(p, cap);
  ::munmap(p, cap);
}

std::size_t mappedLength(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

// The let-go large buffers, kept newest last. A buffer serves a request whose own mapping would
// be no more than a quarter smaller, so a small picture never pins a much larger block.
struct PixelPool {
  std::mutex lock;
  std::vector<std::pair<uint8_t*, std::size_t>> kept;
  std::size_t bytes = 0;
  std::size_t limit = std::size_t(256) << 20;

  std::pair<uint8_t*, std::size_t> take(std::size_t want) {
    const std::size_t length = mappedLength(want);
    const std::lock_guard<std::mutex> guard(lock);
    for (std::size_t i = kept.size(); i-- > 0;) {
      const auto block = kept[i];
      if (block.second >= length && block.second - length <= block.second / 4) {
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(i));
        bytes -= block.second;
        ASAN_UNPOISON_MEMORY_REGION(block.first, want);
        return block;
      }
    }
    return {nullptr, 0};
  }
  // Keeps the buffer, letting the oldest ones go to stay within the limits; false when it is
  // larger than the limit itself.
  bool keep(uint8_t* p, std::size_t cap) {
    std::vector<std::pair<uint8_t*, std::size_t>> drop;
    {
      const std::lock_guard<std::mutex> guard(lock);
      if (cap > limit) return false;
      letGoOldest(drop, [&] { return kept.size() >= kPoolCount || bytes + cap > limit; });
      kept.emplace_back(p, cap);
      bytes += cap;
    }
    for (const auto& [q, n] : drop) unmap(q, n);
    return true;
  }
  std::size_t trim(std::size_t newLimit) {
    std::vector<std::pair<uint8_t*, std::size_t>> drop;
    std::size_t old = 0;
    {
      const std::lock_guard<std::mutex> guard(lock);
      old = std::exchange(limit, newLimit);
      letGoOldest(drop, [&] { return bytes > limit; });
    }
    for (const auto& [q, n] : drop) unmap(q, n);
    return old;
  }
  // Moves the oldest kept buffers to drop while tooMuch() holds (under the lock; they are
  // unmapped after it).
  template <class Rule>
  void letGoOldest(std::vector<std::pair<uint8_t*, std::size_t>>& drop, Rule tooMuch) {
    while (!kept.empty() && tooMuch()) {
      drop.push_back(kept.front());
      bytes -= kept.front().second;
      kept.erase(kept.begin());
    }
  }
};

PixelPool& pixelPool() {
  static PixelPool* pool = new PixelPool;  // never destroyed: buffers may be let go at exit
  return *pool;
}

[[noreturn]] void outOfMemory(std::size_t bytes) {
  fail(7, QStringLiteral("Out of memory for a picture of %1 bytes").arg(bytes));
}

}  // namespace

std::size_t pooledPixelBytes() {
  PixelPool& pool = pixelPool();
  const std::lock_guard<std::mutex> guard(pool.lock);
  return pool.bytes;
}

std::size_t setPixelPoolLimit(std::size_t bytes) { return pixelPool().trim(bytes); }

void PixelBuffer::allocate(std::size_t bytes, bool zero) {
  if (bytes == 0) return;
  if (bytes < kPoolFrom) {
    p_ = static_cast<uint8_t*>(zero ? std::calloc(bytes, 1) : std::malloc(bytes));
    if (!p_) outOfMemory(bytes);
    n_ = bytes;
    return;
  }
  if (const auto [kept, cap] = pixelPool().take(bytes); kept) {
    p_ = kept;
    n_ = bytes;
    capacity_ = cap;
    if (zero) std::memset(p_, 0, bytes);
    return;
  }
  const std::size_t cap = mappedLength(bytes);
  void* m = ::mmap(nullptr, cap, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) outOfMemory(bytes);
  ::madvise(m, cap, MADV_HUGEPAGE);  // fewer faults on first touch; refused without harm
  p_ = static_cast<uint8_t*>(m);     // a fresh mapping reads as zero
  n_ = bytes;
  capacity_ = cap;
  ASAN_POISON_MEMORY_REGION(p_ + bytes, cap - bytes);
}

void PixelBuffer::release() noexcept {
  if (capacity_ != 0) {
    // A kept buffer's pages stay in place for the next picture, but the system may take them
    // back whenever it runs short (they then read as zero): keeping costs nothing it needs.
    ::madvise(p_, capacity_, MADV_FREE);
    ASAN_POISON_MEMORY_REGION(p_, capacity_);
    if (!pixelPool().keep(p_, capacity_)) unmap(p_, capacity_);
  } else {
    std::free(p_);
  }
  p_ = nullptr;
  n_ = 0;
  capacity_ = 0;
}

void PixelBuffer::shrinkTo(std::size_t bytes) {
  if (bytes >= n_) return;
  if (capacity_ != 0) ASAN_POISON_MEMORY_REGION(p_ + bytes, n_ - bytes);
  n_ = bytes;
}

PixelBuffer::PixelBuffer(std::size_t bytes) { allocate(bytes, true); }

PixelBuffer::PixelBuffer(std::size_t bytes, Unfilled) { allocate(bytes, false); }

PixelBuffer::PixelBuffer(const PixelBuffer& o) {
  allocate(o.n_, false);
  if (n_) std::memcpy(p_, o.p_, n_);
}

PixelBuffer& PixelBuffer::operator=(const PixelBuffer& o) {
  if (this != &o) *this = PixelBuffer(o);
  return *this;
}

PixelBuffer::PixelBuffer(PixelBuffer&& o) noexcept
    : p_(std::exchange(o.p_, nullptr)), n_(std::exchange(o.n_, 0)), capacity_(std::exchange(o.capacity_, 0)) {}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& o) noexcept {
  if (this != &o) {
    release();
    p_ = std::exchange(o.p_, nullptr);
    n_ = std::exchange(o.n_, 0);
    capacity_ = std::exchange(o.capacity_, 0);
  }
  return *this;
}

PixelBuffer::~PixelBuffer() { release(); }

std::size_t maxBitmapBytes() { return gMaxBytes; }
void setMaxBitmapBytes(std::size_t bytes) { gMaxBytes = bytes; }

namespace {
// A size refused (the text has the width and the height to fill in), with the file it came from
// when there is one.
[[noreturn]] void refuseSize(const QString& pattern, int64_t width, int64_t height) {
  QString text = pattern.arg(width).arg(height);
  const QString document = currentDocument();
  if (!document.isEmpty()) text += QStringLiteral(": ") + document;
  fail(kErrDamaged, text);
}
}  // namespace

void pictureTooLarge(int64_t width, int64_t height) { refuseSize(QStringLiteral("Picture too large (%1 x %2)"), width, height); }

int32_t Bitmap::strideFor(int32_t width, int bpp) {
  return static_cast<int32_t>(((static_cast<int64_t>(width) * bpp + 31) / 32) * 4);
}

std::size_t Bitmap::checkedSize(int64_t width, int64_t height, int bpp) {
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
    fail(kErrDamaged, QStringLiteral("Unsupported bit depth %1").arg(bpp));
  if (width <= 0 || height <= 0)
    refuseSize(QStringLiteral("Invalid picture size %1 x %2"), width, height);
  if (width > kMaxDimension || height > kMaxDimension) pictureTooLarge(width, height);
  const int64_t stride = ((width * bpp + 31) / 32) * 4;
  const int64_t bytes = stride * height;
  if (static_cast<uint64_t>(bytes) > gMaxBytes) pictureTooLarge(width, height);
  return static_cast<std::size_t>(bytes);
}

Bitmap::Bitmap(int64_t width, int64_t height, int bpp) {
  const std::size_t bytes = checkedSize(width, height, bpp);
  width_ = static_cast<int32_t>(width);
  height_ = static_cast<int32_t>(height);
  bpp_ = bpp;
  stride_ = strideFor(width_, bpp);
  pixels_ = PixelBuffer(bytes);
  if (bpp <= 8) setGrayPalette();
}

Bitmap Bitmap::unfilled(int64_t width, int64_t height, int bpp) {
  const std::size_t bytes = checkedSize(width, height, bpp);
  Bitmap b;
  b.width_ = static_cast<int32_t>(width);
  b.height_ = static_cast<int32_t>(height);
  b.bpp_ = bpp;
  b.stride_ = strideFor(b.width_, bpp);
  b.pixels_ = PixelBuffer(bytes, PixelBuffer::Unfilled{});
  if (bpp <= 8) b.setGrayPalette();
  return b;
}

Bitmap Bitmap::reusing(Bitmap&& old, int32_t width, int32_t height, int bpp) {
  const std::size_t bytes = checkedSize(width, height, bpp);
  if (old.pixels_.size() < bytes) return Bitmap(width, height, bpp);
  Bitmap b;
  b.width_ = width;
  b.height_ = height;
  b.bpp_ = bpp;
  b.stride_ = strideFor(width, bpp);
  b.pixels_ = std::move(old.pixels_);
  old = Bitmap();
  b.pixels_.shrinkTo(bytes);
  std::memset(b.pixels_.data(), 0, bytes);
  if (bpp <= 8) b.setGrayPalette();
  return b;
}

void Bitmap::clearPadding() {
  const int64_t bits = static_cast<int64_t>(width_) * bpp_;
  const auto whole = static_cast<std::size_t>(bits / 8);
  const int tail = static_cast<int>(bits % 8);  // pixel bits in the last, partly used byte
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* r = row(y);
    std::size_t from = whole;
    if (tail) r[from++] &= static_cast<uint8_t>(0xFF00 >> tail);
    std::memset(r + from, 0, static_cast<std::size_t>(stride_) - from);
  }
}

std::vector<QRgb> grayPalette(int bpp) {
  std::vector<QRgb> p;
  if (bpp > 8) return p;
  const int n = 1 << bpp;
  for (int i = 0; i < n; ++i) {
    const int v = i * 255 / (n - 1);
    p.push_back(qRgb(v, v, v));
  }
  return p;
}

void Bitmap::setGrayPalette() { palette_ = grayPalette(bpp_); }

uint32_t Bitmap::index(int32_t x, int32_t y) const {
  const uint8_t* r = row(y);
  switch (bpp_) {
    case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (r[x >> 1] & 0x0F) : (r[x >> 1] >> 4);
    case 8: return r[x];
    default: return qRgb(r[x * 3 + 2], r[x * 3 + 1], r[x * 3]);
  }
}

void Bitmap::setIndex(int32_t x, int32_t y, uint32_t v) {
  uint8_t* r = row(y);
  switch (bpp_) {
    case 1: {
      const uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
      if (v & 1) r[x >> 3] |= m; else r[x >> 3] &= static_cast<uint8_t>(~m);
      break;
    }
    case 4:
      if (x & 1) r[x >> 1] = static_cast<uint8_t>((r[x >> 1] & 0xF0) | (v & 0x0F));
      else r[x >> 1] = static_cast<uint8_t>((r[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
      break;
    case 8: r[x] = static_cast<uint8_t>(v); break;
    default:
      r[x * 3] = static_cast<uint8_t>(qBlue(v));
      r[x * 3 + 1] = static_cast<uint8_t>(qGreen(v));
      r[x * 3 + 2] = static_cast<uint8_t>(qRed(v));
  }
}

QRgb Bitmap::pixel(int32_t x, int32_t y) const {
  const uint32_t v = index(x, y);
  if (bpp_ == 24) return v;
  return v < palette_.size() ? palette_[v] : qRgb(0, 0, 0);
}

bool Bitmap::isGray() const {
  if (bpp_ > 8 || palette_.empty()) return false;
  return std::all_of(palette_.begin(), palette_.end(),
                     [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); });
}

QImage Bitmap::toQImage() const {
  if (isNull()) return QImage();
  QImage out;
  if (bpp_ == 1 || bpp_ == 8) {
    out = QImage(width_, height_, bpp_ == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
    QList<QRgb> table(palette_.begin(), palette_.end());
    table.resize(1 << bpp_, qRgb(0, 0, 0));
    out.setColorTable(table);
    const int n = std::min<int>(out.bytesPerLine(), stride_);
    for (int y = 0; y < height_; ++y) std::memcpy(out.scanLine(y), row(y), static_cast<std::size_t>(n));
  } else if (bpp_ == 4) {
    out = QImage(width_, height_, QImage::Format_Indexed8);
    QList<QRgb> table(palette_.begin(), palette_.end());
    table.resize(16, qRgb(0, 0, 0));
    out.setColorTable(table);
    for (int y = 0; y < height_; ++y) {
      const uint8_t* s = row(y);
      uchar* d = out.scanLine(y);
      for (int x = 0; x < width_; ++x) d[x] = (x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4);
    }
  } else {
    out = QImage(width_, height_, QImage::Format_BGR888);
    for (int y = 0; y < height_; ++y)
      std::memcpy(out.scanLine(y), row(y), static_cast<std::size_t>(width_) * 3);
  }
  if (resolutionX > 0 && resolutionY > 0) {
    const double perMeter = resolutionUnit == kUnitCentimeter ? 100.0 : (resolutionUnit == kUnitInch ? 39.3700787 : 0);
    if (perMeter > 0) {
      out.setDotsPerMeterX(static_cast<int>(resolutionX * perMeter + 0.5));
      out.setDotsPerMeterY(static_cast<int>(resolutionY * perMeter + 0.5));
    }
  }
  return out;
}

Bitmap Bitmap::fromQImage(const QImage& in) {
  if (in.isNull()) return Bitmap();
  Bitmap b;
  if (in.format() == QImage::Format_Mono || in.format() == QImage::Format_MonoLSB) {
    QImage m = in.convertToFormat(QImage::Format_Mono);
    b = Bitmap(m.width(), m.height(), 1);
    const QList<QRgb> table = m.colorTable();
    b.palette_.assign(table.begin(), table.end());
    b.palette_.resize(2, qRgb(255, 255, 255));
    for (int y = 0; y < b.height_; ++y)
      std::memcpy(b.row(y), m.constScanLine(y), static_cast<std::size_t>(std::min<int>(b.stride_, m.bytesPerLine())));
  } else if (in.format() == QImage::Format_Indexed8 || in.format() == QImage::Format_Grayscale8) {
    QImage m = in.convertToFormat(QImage::Format_Indexed8);
    b = Bitmap(m.width(), m.height(), 8);
    if (in.format() == QImage::Format_Grayscale8) b.setGrayPalette();
    else {
      const QList<QRgb> table = m.colorTable();
      b.palette_.assign(table.begin(), table.end());
      b.palette_.resize(256, qRgb(0, 0, 0));
    }
    for (int y = 0; y < b.height_; ++y)
      std::memcpy(b.row(y), m.constScanLine(y), static_cast<std::size_t>(b.width_));
  } else {
    QImage m = in;
    if (m.hasAlphaChannel()) {
      // Transparent parts show white, as on paper.
      QImage flat(m.size(), QImage::Format_RGB32);
      flat.fill(Qt::white);
      for (int y = 0; y < m.height(); ++y)
        for (int x = 0; x < m.width(); ++x) {
          const QRgb c = m.pixel(x, y);
          const int a = qAlpha(c);
          flat.setPixel(x, y, qRgb((qRed(c) * a + 255 * (255 - a)) / 255, (qGreen(c) * a + 255 * (255 - a)) / 255,
                                   (qBlue(c) * a + 255 * (255 - a)) / 255));
        }
      m = flat;
    }
    m = m.convertToFormat(QImage::Format_BGR888);
    b = Bitmap(m.width(), m.height(), 24);
    for (int y = 0; y < b.height_; ++y)
      std::memcpy(b.row(y), m.constScanLine(y), static_cast<std::size_t>(b.width_) * 3);
  }
  if (in.dotsPerMeterX() > 0 && in.dotsPerMeterY() > 0) {
    b.resolutionUnit = kUnitInch;
    b.resolutionX = std::round(in.dotsPerMeterX() / 39.3700787);
    b.resolutionY = std::round(in.dotsPerMeterY() / 39.3700787);
  }
  return b;
}

Bitmap Bitmap::toColor24() const {
  if (bpp_ == 24 || isNull()) return *this;
  Bitmap out(width_, height_, 24);
  for (int y = 0; y < height_; ++y) {
    uint8_t* d = out.row(y);
    for (int x = 0; x < width_; ++x) {
      const QRgb c = pixel(x, y);
      d[x * 3] = static_cast<uint8_t>(qBlue(c));
      d[x * 3 + 1] = static_cast<uint8_t>(qGreen(c));
      d[x * 3 + 2] = static_cast<uint8_t>(qRed(c));
    }
  }
  out.resolutionX = resolutionX;
  out.resolutionY = resolutionY;
  out.resolutionUnit = resolutionUnit;
  out.annotation = annotation;
  return out;
}

Bitmap Bitmap::toGray8() const {
  if (isNull()) return *this;
  if (bpp_ == 8 && isGray()) {
    bool identity = palette_.size() == 256;
    for (int i = 0; identity && i < 256; ++i) identity = qRed(palette_[static_cast<std::size_t>(i)]) == i;
    if (identity) return *this;
  }
  Bitmap out(width_, height_, 8);
  for (int y = 0; y < height_; ++y) {
    uint8_t* d = out.row(y);
    for (int x = 0; x < width_; ++x) {
      const QRgb c = pixel(x, y);
      d[x] = static_cast<uint8_t>((qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114 + 500) / 1000);
    }
  }
  out.resolutionX = resolutionX;
  out.resolutionY = resolutionY;
  out.resolutionUnit = resolutionUnit;
  out.annotation = annotation;
  return out;
}

// ---- packed DIB ------------------------------------------------------------------------------

namespace {
constexpr double kInchPerMeter = 0.0254;

int32_t toPelsPerMeter(double res, int16_t unit) {
  if (res <= 0) return 0;
  if (unit == kUnitCentimeter) return static_cast<int32_t>(res * 100 + 0.5);
  return static_cast<int32_t>(res / kInchPerMeter + 0.5);
}
}  // namespace

std::size_t packedDibHeaderSize(const Bitmap& b) {
  const std::size_t paletteCount = b.bitsPerPixel() <= 8 ? (std::size_t(1) << b.bitsPerPixel()) : 0;
  return 40 + paletteCount * 4;
}

std::size_t packedDibSize(const Bitmap& b) {
  if (b.isNull()) return 0;
  return packedDibHeaderSize(b) + static_cast<std::size_t>(b.stride()) * static_cast<std::size_t>(b.height());
}

void writePackedDibHeader(const Bitmap& b, uint8_t* out) {
  const std::size_t headerBytes = packedDibHeaderSize(b);
  const std::size_t paletteCount = (headerBytes - 40) / 4;
  const std::size_t bits = static_cast<std::size_t>(b.stride()) * static_cast<std::size_t>(b.height());
  std::vector<uint8_t> header(headerBytes, 0);
  ByteWriter w(header);
  w.u32(40);
  w.i32(b.width());
  w.i32(b.height());
  w.u16(1);
  w.u16(static_cast<uint16_t>(b.bitsPerPixel()));
  w.u32(0);
  w.u32(static_cast<uint32_t>(bits));
  w.i32(toPelsPerMeter(b.resolutionX, b.resolutionUnit));
  w.i32(toPelsPerMeter(b.resolutionY, b.resolutionUnit));
  w.u32(static_cast<uint32_t>(paletteCount));
  w.u32(0);
  for (std::size_t i = 0; i < paletteCount; ++i) {
    const QRgb c = i < b.palette().size() ? b.palette()[i] : qRgb(0, 0, 0);
    w.u8(static_cast<uint8_t>(qBlue(c)));
    w.u8(static_cast<uint8_t>(qGreen(c)));
    w.u8(static_cast<uint8_t>(qRed(c)));
    w.u8(0);
  }
  std::memcpy(out, header.data(), headerBytes);
}

namespace {
// The header, palette and rows bottom-up into out (packedDibSize(b) bytes), each byte written once:
// a large picture's copy is one pass over memory, not a zeroing and then a copy.
void writePackedDib(const Bitmap& b, uint8_t* out) {
  writePackedDibHeader(b, out);
  uint8_t* dst = out + packedDibHeaderSize(b);
  for (int32_t y = 0; y < b.height(); ++y)
    std::memcpy(dst + static_cast<std::size_t>(b.height() - 1 - y) * b.stride(), b.row(y), static_cast<std::size_t>(b.stride()));
}
}  // namespace

std::vector<uint8_t> toPackedDib(const Bitmap& b) {
  if (b.isNull()) return {};
  std::vector<uint8_t> out(packedDibSize(b));
  writePackedDib(b, out.data());
  return out;
}

plat::HGLOBAL toDibHandle(const Bitmap& b) {
  if (b.isNull()) return nullptr;
  plat::HGLOBAL h = plat::GlobalAlloc(plat::GMEM_MOVEABLE, packedDibSize(b));
  void* p = h ? plat::GlobalLock(h) : nullptr;
  if (!p) {
    if (h) plat::GlobalFree(h);
    fail(kErrNoImage, QStringLiteral("Out of memory for the bitmap handle"));
  }
  writePackedDib(b, static_cast<uint8_t*>(p));
  plat::GlobalUnlock(h);
  return h;
}

Bitmap fromDibHandle(plat::HGLOBAL h) {
  if (!plat::GlobalIsValid(h)) fail(kErrBadHandle, QStringLiteral("Invalid bitmap handle"));
  const std::size_t n = plat::GlobalSize(h);
  const auto* p = static_cast<const uint8_t*>(plat::GlobalLock(h));
  if (!p) fail(kErrBadHandle, QStringLiteral("Invalid bitmap handle"));
  struct Unlock {
    plat::HGLOBAL h;
    ~Unlock() { plat::GlobalUnlock(h); }
  } unlock{h};
  return fromPackedDib(std::span<const uint8_t>(p, n));
}

}  // namespace img
