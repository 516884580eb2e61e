// JPEG through libjpeg-turbo: grey and colour, CMYK and EXIF files read; separate luminance and
// chrominance quality, greyscale, progressive and chroma subsampling written.
#include "controls/imaging/codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

namespace img {

namespace {

struct ErrorMgr {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorMgr*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}
// Warnings pass silently, except the end of the data before the end of the picture: a truncated
// file is an error, not a picture with a grey bottom.
void onMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
    auto* e = reinterpret_cast<ErrorMgr*>(cinfo->err);
    std::snprintf(e->message, sizeof e->message, "file is truncated");
    std::longjmp(e->jump, 1);
  }
}

jpeg_error_mgr* installErrors(ErrorMgr& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = onMessage;
  return &err.pub;
}

bool isExif(jpeg_decompress_struct& c) {
  for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next)
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) return true;
  return false;
}

// The libjpeg work, with no C++ object created between setjmp and the end of the work.
struct DecodeJob {
  std::span<const uint8_t> data;
  int maxSide = 0;  // > 0: decode reduced, at least this long on the longer side
  int32_t fullW = 0, fullH = 0;
  Bitmap out;
  int16_t format = kFormatJpeg;
  std::vector<uint8_t> line;
  char message[JMSG_LENGTH_MAX] = {0};
  int failure = 0;  // 0 ok, 1 libjpeg error, 2 impossible size, 3 too large for memory
};

void runDecode(DecodeJob& job) {
  jpeg_decompress_struct c;
  ErrorMgr err;
  c.err = installErrors(err);
  if (setjmp(err.jump)) {
    std::memcpy(job.message, err.message, sizeof job.message);
    jpeg_destroy_decompress(&c);
    job.failure = 1;
    return;
  }
  jpeg_create_decompress(&c);
  c.mem->max_memory_to_use = 512L << 20;
  jpeg_mem_src(&c, job.data.data(), static_cast<unsigned long>(job.data.size()));
  jpeg_save_markers(&c, JPEG_APP0 + 1, 0xFFFF);
  jpeg_read_header(&c, TRUE);
  const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  const bool gray = c.jpeg_color_space == JCS_GRAYSCALE;
  // Colour comes out in the bitmap's own blue-green-red order, straight into its rows.
  c.out_color_space = cmyk ? JCS_CMYK : gray ? JCS_GRAYSCALE : JCS_EXT_BGR;
  const bool exif = isExif(c);
  if (cmyk) job.format = kFormatJpegCmyk;
  else if (c.progressive_mode) job.format = exif ? kFormatExifProgressive : kFormatJpegProgressive;
  else job.format = exif ? kFormatExif : kFormatJpeg;
  // Sizes are checked before any pixel memory is taken.
  // A legal picture too large for memory is told apart from a header that claims more than its data
  // can hold.
  const uint64_t bytes = static_cast<uint64_t>(c.image_width) * c.image_height * (gray ? 1 : 3);
  job.fullW = static_cast<int32_t>(c.image_width);
  job.fullH = static_cast<int32_t>(c.image_height);
  if (c.image_width == 0 || c.image_height == 0) job.failure = 2;
  else if (c.image_width > static_cast<unsigned>(kMaxDimension) || c.image_height > static_cast<unsigned>(kMaxDimension) ||
           (job.maxSide == 0 && bytes > maxBitmapBytes()))
    job.failure = 3;
  else if (bytes > static_cast<uint64_t>(job.data.size()) * 4096 + (1u << 20)) job.failure = 2;
  if (job.failure) {
    jpeg_destroy_decompress(&c);
    return;
  }
  if (job.maxSide > 0) {
    // The decoder's own reduction by 2, 4 or 8 costs a fraction of the full decode.
    const unsigned longer = std::max(c.image_width, c.image_height);
    unsigned denom = 8;
    while (denom > 1 && longer / denom < static_cast<unsigned>(job.maxSide)) denom /= 2;
    c.scale_num = 1;
    c.scale_denom = denom;
  }
  jpeg_calc_output_dimensions(&c);
  job.out = Bitmap(static_cast<int32_t>(c.output_width), static_cast<int32_t>(c.output_height), gray ? 8 : 24);
  if (c.density_unit == 1 || c.density_unit == 2) {
    job.out.resolutionUnit = c.density_unit == 1 ? kUnitInch : kUnitCentimeter;
    job.out.resolutionX = c.X_density;
    job.out.resolutionY = c.Y_density;
  }
  const bool adobeInverted = cmyk && c.saw_Adobe_marker;
  jpeg_start_decompress(&c);
  if (cmyk) job.line.resize(static_cast<std::size_t>(c.output_width) * static_cast<std::size_t>(c.output_components));
  while (c.output_scanline < c.output_height) {
    const int32_t y = static_cast<int32_t>(c.output_scanline);
    uint8_t* d = job.out.row(y);
    if (!cmyk) {
      JSAMPROW direct = d;
      jpeg_read_scanlines(&c, &direct, 1);
      continue;
    }
    JSAMPROW row = job.line.data();
    jpeg_read_scanlines(&c, &row, 1);
    const uint8_t* s = job.line.data();
    for (JDIMENSION x = 0; x < c.output_width; ++x) {
      int C = s[x * 4], M = s[x * 4 + 1], Y = s[x * 4 + 2], K = s[x * 4 + 3];
      if (!adobeInverted) {
        C = 255 - C; M = 255 - M; Y = 255 - Y; K = 255 - K;
      }
      d[x * 3] = static_cast<uint8_t>(Y * K / 255);
      d[x * 3 + 1] = static_cast<uint8_t>(M * K / 255);
      d[x * 3 + 2] = static_cast<uint8_t>(C * K / 255);
    }
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
}

// The quantisation tables of the JPEG standard (Annex K), scaled per table.
const unsigned int kLuminance[64] = {16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
                                     14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
                                     18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
                                     49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
const unsigned int kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                       24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                       99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                       99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

struct EncodeJob {
  const Bitmap* src = nullptr;
  SaveOptions o;
  std::vector<uint8_t> line;
  unsigned char* mem = nullptr;
  unsigned long memSize = 0;
  char message[JMSG_LENGTH_MAX] = {0};
  bool failed = false;
};

void runEncode(EncodeJob& job) {
  jpeg_compress_struct c;
  ErrorMgr err;
  c.err = installErrors(err);
  if (setjmp(err.jump)) {
    std::memcpy(job.message, err.message, sizeof job.message);
    jpeg_destroy_compress(&c);
    job.failed = true;
    return;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &job.mem, &job.memSize);
  const Bitmap& b = *job.src;
  const bool grayIn = b.bitsPerPixel() == 8;
  c.image_width = static_cast<JDIMENSION>(b.width());
  c.image_height = static_cast<JDIMENSION>(b.height());
  c.input_components = grayIn ? 1 : 3;
  c.in_color_space = grayIn ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  if (job.o.jpegGrayscale || grayIn) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
  // Quality 0-255 as the options give it, higher is better.
  auto scale = [](int v) { return jpeg_quality_scaling(std::clamp(1 + v * 99 / 255, 1, 100)); };
  jpeg_add_quant_table(&c, 0, kLuminance, scale(job.o.jpegLuminance), TRUE);
  jpeg_add_quant_table(&c, 1, kChrominance, scale(job.o.jpegChrominance), TRUE);
  if (c.num_components == 3) {
    int h = 1, v = 1;
    switch (job.o.jpegSubSampling) {
      case 1: h = 2; break;
      case 2: h = 2; v = 2; break;
      case 3: v = 2; break;
      default: break;
    }
    c.comp_info[0].h_samp_factor = h;
    c.comp_info[0].v_samp_factor = v;
    for (int i = 1; i < 3; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  }
  if (job.o.jpegProgressive) jpeg_simple_progression(&c);
  if (b.resolutionX > 0 && b.resolutionY > 0 && b.resolutionX < 65536 && b.resolutionY < 65536) {
    c.density_unit = b.resolutionUnit == kUnitCentimeter ? 2 : 1;
    c.X_density = static_cast<UINT16>(b.resolutionX + 0.5);
    c.Y_density = static_cast<UINT16>(b.resolutionY + 0.5);
  }
  jpeg_start_compress(&c, TRUE);
  job.line.resize(static_cast<std::size_t>(b.width()) * static_cast<std::size_t>(c.input_components));
  while (c.next_scanline < c.image_height) {
    const uint8_t* s = b.row(static_cast<int32_t>(c.next_scanline));
    if (grayIn) {
      std::memcpy(job.line.data(), s, static_cast<std::size_t>(b.width()));
    } else {
      for (int32_t x = 0; x < b.width(); ++x) {
        job.line[static_cast<std::size_t>(x) * 3] = s[x * 3 + 2];
        job.line[static_cast<std::size_t>(x) * 3 + 1] = s[x * 3 + 1];
        job.line[static_cast<std::size_t>(x) * 3 + 2] = s[x * 3];
      }
    }
    JSAMPROW row = job.line.data();
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
}

}  // namespace

Bitmap decodeJpeg(std::span<const uint8_t> data, int16_t* formatOut) { return decodeJpegReduced(data, 0, formatOut); }

Bitmap decodeJpegReduced(std::span<const uint8_t> data, int maxSide, int16_t* formatOut, int32_t* fullW, int32_t* fullH) {
  DecodeJob job;
  job.data = data;
  job.maxSide = maxSide;
  runDecode(job);
  if (fullW) *fullW = job.fullW;
  if (fullH) *fullH = job.fullH;
  if (job.failure == 1)
    failDamaged(QStringLiteral("JPEG"), QStringLiteral("its picture cannot be decoded"), QString::fromLatin1(job.message));
  if (job.failure == 2) failDamaged(QStringLiteral("JPEG"), QStringLiteral("invalid picture size"));
  if (job.failure == 3) pictureTooLarge(job.fullW, job.fullH);
  if (formatOut) *formatOut = job.format;
  return std::move(job.out);
}

std::vector<uint8_t> encodeJpeg(const Bitmap& b, const SaveOptions& o) {
  if (b.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  const Bitmap src = (b.bitsPerPixel() <= 8 && b.isGray()) || o.jpegGrayscale ? b.toGray8() : b.toColor24();
  EncodeJob job;
  job.src = &src;
  job.o = o;
  runEncode(job);
  std::vector<uint8_t> out;
  if (job.mem) {
    if (!job.failed) out.assign(job.mem, job.mem + job.memSize);
    std::free(job.mem);
  }
  if (job.failed) fail(kErrWrite, QStringLiteral("JPEG: %1").arg(QString::fromLatin1(job.message)));
  return out;
}

}  // namespace img
