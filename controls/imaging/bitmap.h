#pragma once
// One raster picture: 1, 4 or 8 bits per pixel with a palette, or 24-bit colour. Rows are kept
// top-down in the row layout of a device-independent bitmap (each row padded to 4 bytes, colour
// pixels in blue-green-red order, 1 and 4-bit pixels most significant bits first), so the packed
// form of the bitmap handle is the same rows in the opposite order.
#include "platform/memory/global_memory.h"

#include <QImage>
#include <QRgb>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace img {

// Largest pixel buffer a decoder may ask for; a damaged size field cannot exhaust memory.
std::size_t maxBitmapBytes();
void setMaxBitmapBytes(std::size_t bytes);  // fuzzers lower it
constexpr int32_t kMaxDimension = 1 << 17;
// 2, 16 or 256 evenly spaced greys for a depth of 1, 4 or 8 bits (none above 8).
std::vector<QRgb> grayPalette(int bitsPerPixel);
// The one error for a legal picture that does not fit in memory, whatever its format; it names the
// file being read, as every other error of opening a file does.
[[noreturn]] void pictureTooLarge(int64_t width, int64_t height);

// Pixel storage. Large buffers are mapped on their own (in huge pages where the system offers
// them) and, once let go, a few are kept to serve the next picture of about the same size: an
// edit on a large page then writes into memory already in place instead of faulting in and
// zeroing tens of megabytes. A kept buffer is handed out only after its owner let go of it.
class PixelBuffer {
 public:
  struct Unfilled {};  // the caller writes every byte before reading any
  PixelBuffer() = default;
  explicit PixelBuffer(std::size_t bytes);  // zeroed; throws rt::RuntimeError (7, out of memory)
  PixelBuffer(std::size_t bytes, Unfilled);
  PixelBuffer(const PixelBuffer& o);
  PixelBuffer& operator=(const PixelBuffer& o);
  PixelBuffer(PixelBuffer&& o) noexcept;
  PixelBuffer& operator=(PixelBuffer&& o) noexcept;
  ~PixelBuffer();
  uint8_t* data() { return p_; }
  const uint8_t* data() const { return p_; }
  std::size_t size() const { return n_; }
  uint8_t* begin() { return p_; }
  uint8_t* end() { return p_ + n_; }
  const uint8_t* begin() const { return p_; }
  const uint8_t* end() const { return p_ + n_; }
  uint8_t& operator[](std::size_t i) { return p_[i]; }
  uint8_t operator[](std::size_t i) const { return p_[i]; }
  // Holds only the first bytes from now on (no more than it holds); the memory stays its own.
  void shrinkTo(std::size_t bytes);

 private:
  void allocate(std::size_t bytes, bool zero);
  void release() noexcept;
  uint8_t* p_ = nullptr;
  std::size_t n_ = 0;
  std::size_t capacity_ = 0;  // the mapped length of a large buffer, 0 for a small one
};

// How many bytes of let-go large buffers are kept for reuse now, and the most that are kept.
std::size_t pooledPixelBytes();
std::size_t setPixelPoolLimit(std::size_t bytes);  // 0 keeps none; gives the previous limit

class Bitmap {
 public:
  Bitmap() = default;
  // Throws rt::RuntimeError for a size or depth that cannot be held, naming the size as a file gave
  // it (a width of 4,000,000,000 is not cut to 32 bits first). Pixels start at 0.
  Bitmap(int64_t width, int64_t height, int bitsPerPixel);
  // The same with pixels left as they are: for a picture whose rows the caller writes in full,
  // padding included (clearPadding helps an operation that writes only the pixels).
  static Bitmap unfilled(int64_t width, int64_t height, int bitsPerPixel);
  // A new picture of pixels 0 in the memory of old (a picture let go for it) when that holds
  // enough: a picture of another depth made in place of one of the same size takes no memory
  // never used before.
  static Bitmap reusing(Bitmap&& old, int32_t width, int32_t height, int bitsPerPixel);
  void clearPadding();

  bool isNull() const { return width_ == 0 || height_ == 0; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int bitsPerPixel() const { return bpp_; }
  int32_t stride() const { return stride_; }
  static int32_t strideFor(int32_t width, int bitsPerPixel);
  // Throws when width x height x depth is invalid or above the cap; 64-bit arithmetic throughout.
  static std::size_t checkedSize(int64_t width, int64_t height, int bitsPerPixel);

  uint8_t* row(int32_t y) { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
  const uint8_t* row(int32_t y) const { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
  PixelBuffer& data() { return pixels_; }
  const PixelBuffer& data() const { return pixels_; }

  // Palette entries as 0xFFRRGGBB; empty for 24-bit.
  std::vector<QRgb>& palette() { return palette_; }
  const std::vector<QRgb>& palette() const { return palette_; }
  void setGrayPalette();  // 2, 16 or 256 grey levels to match the depth

  // Palette index (palette images) or 0xFFRRGGBB colour of one pixel.
  uint32_t index(int32_t x, int32_t y) const;
  void setIndex(int32_t x, int32_t y, uint32_t v);
  QRgb pixel(int32_t x, int32_t y) const;
  bool isGray() const;  // a palette image whose palette is all grey

  double resolutionX = 0;
  double resolutionY = 0;
  int16_t resolutionUnit = 0;  // ResolutionUnit
  // The annotation layer saved with a TIFF page (private tag); empty when the page has none.
  std::vector<uint8_t> annotation;

  // A QImage sharing nothing with the bitmap (Mono, Indexed8 or RGB888 / RGB32).
  QImage toQImage() const;
  // From any QImage: 1-bit stays 1-bit, indexed stays 8-bit, grey stays 8-bit, else 24-bit.
  static Bitmap fromQImage(const QImage& image);
  // Same picture, other depth: 24-bit colour, or 8-bit grey.
  Bitmap toColor24() const;
  Bitmap toGray8() const;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int bpp_ = 0;
  int32_t stride_ = 0;
  PixelBuffer pixels_;
  std::vector<QRgb> palette_;
};

// Packed device-independent bitmap: BITMAPINFOHEADER (40 bytes), palette, rows bottom-up.
std::vector<uint8_t> toPackedDib(const Bitmap& b);
// Its size, and the size and bytes of its header and palette (the rows follow them bottom-up).
std::size_t packedDibSize(const Bitmap& b);
std::size_t packedDibHeaderSize(const Bitmap& b);
void writePackedDibHeader(const Bitmap& b, uint8_t* out);
// Accepts 1, 4, 8, 16, 24 and 32 bits, uncompressed, bit fields, RLE8 and RLE4, bottom-up or
// top-down. Throws rt::RuntimeError on any damage.
Bitmap fromPackedDib(std::span<const uint8_t> dib);
// Same in movable memory: the handle is a new block the receiver frees.
plat::HGLOBAL toDibHandle(const Bitmap& b);
Bitmap fromDibHandle(plat::HGLOBAL h);

}  // namespace img
