// PNG through libpng: every colour type read (transparency shown over white), palette, grey and
// colour pictures written, with or without interlace.
#include "controls/imaging/codec.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <png.h>

namespace img {

namespace {

struct PngError {
  char message[256] = {0};
};

void onError(png_structp p, png_const_charp msg) {
  auto* e = static_cast<PngError*>(png_get_error_ptr(p));
  std::snprintf(e->message, sizeof e->message, "%s", msg ? msg : "error");
  png_longjmp(p, 1);
}
void onWarning(png_structp, png_const_charp) {}

struct Source {
  std::span<const uint8_t> d;
  std::size_t pos = 0;
};
void readFn(png_structp p, png_bytep out, png_size_t n) {
  auto* s = static_cast<Source*>(png_get_io_ptr(p));
  if (n > s->d.size() - s->pos) png_error(p, "file is truncated");
  std::memcpy(out, s->d.data() + s->pos, n);
  s->pos += n;
}

struct DecodeJob {
  Source src;
  Bitmap out;
  std::vector<uint8_t> pixels;  // decoded rows, one byte per sample
  std::vector<png_bytep> rows;
  PngError err;
  int failure = 0;  // 1 libpng, 2 impossible size, 3 too large for memory
  png_uint_32 width = 0, height = 0;
};

void runDecode(DecodeJob& job) {
  png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job.err, onError, onWarning);
  png_infop info = p ? png_create_info_struct(p) : nullptr;
  if (!p || !info) {
    png_destroy_read_struct(&p, nullptr, nullptr);
    job.failure = 1;
    return;
  }
  if (setjmp(png_jmpbuf(p))) {
    png_destroy_read_struct(&p, &info, nullptr);
    job.failure = job.failure ? job.failure : 1;
    return;
  }
  png_set_read_fn(p, &job.src, readFn);
  png_set_user_limits(p, 0x7FFFFFFF, 0x7FFFFFFF);  // every legal size; ours are checked below
  png_set_chunk_malloc_max(p, 64u << 20);
  png_read_info(p, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(p, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
  const bool trns = png_get_valid(p, info, PNG_INFO_tRNS) != 0;
  // Kind of output: 0 palette kept, 1 bilevel grey, 2 grey 8-bit, 3 colour.
  int kind = 3;
  if (colorType == PNG_COLOR_TYPE_PALETTE && !trns) kind = 0;
  else if (colorType == PNG_COLOR_TYPE_GRAY && !trns) kind = depth == 1 ? 1 : 2;
  int outBpp = 24;
  if (kind == 0) outBpp = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
  else if (kind == 1) outBpp = 1;
  else if (kind == 2) outBpp = 8;
  job.width = w;
  job.height = h;
  // A legal picture too large for memory is told apart from a header that claims more than its data
  // can hold (deflate packs at most about 1032 to 1).
  const uint64_t raw = (static_cast<uint64_t>(w) * depth * png_get_channels(p, info) + 7) / 8 * h;
  // An 8-bit RGB picture without transparency is read row by row straight into the bitmap, which
  // the stride check holds; any other colour picture is read whole in four channels first.
  const bool direct = kind == 3 && colorType == PNG_COLOR_TYPE_RGB && !trns && interlace == PNG_INTERLACE_NONE;
  const uint64_t working = direct ? 0 : static_cast<uint64_t>(w) * h * (kind == 3 ? 4 : 1);
  if (w == 0 || h == 0) job.failure = 2;
  else if (w > static_cast<uint32_t>(kMaxDimension) || h > static_cast<uint32_t>(kMaxDimension) ||
           working > maxBitmapBytes() || Bitmap::strideFor(static_cast<int32_t>(w), outBpp) * uint64_t(h) > maxBitmapBytes())
    job.failure = 3;
  else if (raw > static_cast<uint64_t>(job.src.d.size()) * 1100 + (1u << 20)) job.failure = 2;
  if (job.failure) {
    png_destroy_read_struct(&p, &info, nullptr);
    return;
  }
  if (depth == 16) png_set_strip_16(p);
  if (kind == 0 || kind == 1) png_set_packing(p);
  if (kind == 2 && depth < 8) png_set_expand_gray_1_2_4_to_8(p);
  // A colour picture without transparency that is not interlaced (a photograph) is read row by
  // row straight into the bitmap, in its blue-green-red order: no whole picture of four channels
  // to blend afterwards.
  if (direct) {
    png_set_bgr(p);
  } else if (kind == 3) {
    png_set_expand(p);
    png_set_gray_to_rgb(p);
    png_set_add_alpha(p, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(p);
  png_read_update_info(p, info);
  if (direct) {
    job.out = Bitmap::unfilled(static_cast<int32_t>(w), static_cast<int32_t>(h), 24);
    job.out.clearPadding();
    for (png_uint_32 y = 0; y < h; ++y) png_read_row(p, job.out.row(static_cast<int32_t>(y)), nullptr);
  } else {
    const std::size_t rowBytes = png_get_rowbytes(p, info);
    job.pixels.resize(rowBytes * h);
    job.rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) job.rows[y] = job.pixels.data() + rowBytes * y;
    png_read_image(p, job.rows.data());
  }
  png_read_end(p, nullptr);
  if (!direct) job.out = Bitmap(static_cast<int32_t>(w), static_cast<int32_t>(h), outBpp);
  if (kind == 0) {
    png_colorp pal = nullptr;
    int n = 0;
    png_get_PLTE(p, info, &pal, &n);
    std::vector<QRgb>& outPal = job.out.palette();
    outPal.assign(std::size_t(1) << outBpp, qRgb(0, 0, 0));
    for (int i = 0; i < n && i < static_cast<int>(outPal.size()); ++i) outPal[static_cast<std::size_t>(i)] = qRgb(pal[i].red, pal[i].green, pal[i].blue);
  } else if (kind == 1) {
    job.out.palette() = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  }
  png_uint_32 rx = 0, ry = 0;
  int unit = 0;
  if (png_get_pHYs(p, info, &rx, &ry, &unit) && unit == PNG_RESOLUTION_METER) {
    job.out.resolutionUnit = kUnitInch;
    job.out.resolutionX = std::round(rx * 0.0254);
    job.out.resolutionY = std::round(ry * 0.0254);
  }
  png_destroy_read_struct(&p, &info, nullptr);
  if (direct) return;
  for (png_uint_32 y = 0; y < h; ++y) {
    const uint8_t* s = job.rows[y];
    const auto yy = static_cast<int32_t>(y);
    if (kind == 0 || kind == 1) {
      for (png_uint_32 x = 0; x < w; ++x) job.out.setIndex(static_cast<int32_t>(x), yy, s[x]);
    } else if (kind == 2) {
      std::memcpy(job.out.row(yy), s, w);
    } else {
      uint8_t* d = job.out.row(yy);
      for (png_uint_32 x = 0; x < w; ++x) {
        const int a = s[x * 4 + 3];
        for (int c = 0; c < 3; ++c) d[x * 3 + 2 - c] = static_cast<uint8_t>((s[x * 4 + c] * a + 255 * (255 - a) + 127) / 255);
      }
    }
  }
}

void writeFn(png_structp p, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
  out->insert(out->end(), data, data + n);
}
void flushFn(png_structp) {}

struct EncodeJob {
  const Bitmap* b = nullptr;
  bool interlace = false;
  bool gray = false;
  std::vector<uint8_t> out;
  std::vector<png_color> palette;
  std::vector<png_bytep> rows;
  PngError err;
  bool failed = false;
};

void runEncode(EncodeJob& job) {
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job.err, onError, onWarning);
  png_infop info = p ? png_create_info_struct(p) : nullptr;
  if (!p || !info) {
    png_destroy_write_struct(&p, nullptr);
    job.failed = true;
    return;
  }
  if (setjmp(png_jmpbuf(p))) {
    png_destroy_write_struct(&p, &info);
    job.failed = true;
    return;
  }
  const Bitmap& b = *job.b;
  png_set_write_fn(p, &job.out, writeFn, flushFn);
  const int bpp = b.bitsPerPixel();
  const int type = bpp == 24 ? PNG_COLOR_TYPE_RGB : job.gray ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE;
  png_set_IHDR(p, info, static_cast<png_uint_32>(b.width()), static_cast<png_uint_32>(b.height()), bpp == 24 ? 8 : bpp, type,
               job.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (type == PNG_COLOR_TYPE_PALETTE)
    png_set_PLTE(p, info, job.palette.data(), static_cast<int>(job.palette.size()));
  if (b.resolutionX > 0 && b.resolutionY > 0) {
    const double perMeter = b.resolutionUnit == kUnitCentimeter ? 100.0 : 1 / 0.0254;
    png_set_pHYs(p, info, static_cast<png_uint_32>(b.resolutionX * perMeter + 0.5),
                 static_cast<png_uint_32>(b.resolutionY * perMeter + 0.5), PNG_RESOLUTION_METER);
  }
  png_write_info(p, info);
  if (bpp == 24) png_set_bgr(p);
  png_write_image(p, job.rows.data());
  png_write_end(p, info);
  png_destroy_write_struct(&p, &info);
}

bool identityGray(const Bitmap& b) {
  const std::size_t n = std::size_t(1) << b.bitsPerPixel();
  if (b.palette().size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const int v = static_cast<int>(i * 255 / (n - 1));
    if (b.palette()[i] != qRgb(v, v, v)) return false;
  }
  return true;
}

}  // namespace

Bitmap decodePng(std::span<const uint8_t> data) {
  DecodeJob job;
  job.src.d = data;
  runDecode(job);
  if (job.failure == 1) failDamaged(QStringLiteral("PNG"), QStringLiteral("its picture cannot be decoded"), QString::fromLatin1(job.err.message));
  if (job.failure == 2) failDamaged(QStringLiteral("PNG"), QStringLiteral("invalid picture size"));
  if (job.failure == 3) pictureTooLarge(job.width, job.height);
  return std::move(job.out);
}

std::vector<uint8_t> encodePng(const Bitmap& b, bool interlace) {
  if (b.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  EncodeJob job;
  job.b = &b;
  job.interlace = interlace;
  job.gray = b.bitsPerPixel() <= 8 && identityGray(b);
  if (b.bitsPerPixel() <= 8 && !job.gray) {
    for (std::size_t i = 0; i < (std::size_t(1) << b.bitsPerPixel()); ++i) {
      const QRgb c = i < b.palette().size() ? b.palette()[i] : qRgb(0, 0, 0);
      job.palette.push_back(png_color{static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)), static_cast<png_byte>(qBlue(c))});
    }
  }
  for (int32_t y = 0; y < b.height(); ++y) job.rows.push_back(const_cast<png_bytep>(b.row(y)));
  runEncode(job);
  if (job.failed) fail(kErrWrite, QStringLiteral("PNG: %1").arg(QString::fromLatin1(job.err.message)));
  return std::move(job.out);
}

}  // namespace img
