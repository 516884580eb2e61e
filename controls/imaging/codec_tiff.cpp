// TIFF through libtiff: multi-page reading and writing, every compression of the format codes,
// byte order, 1-bit fax pages kept 1-bit, and the annotation layer in a private tag.
#include "controls/imaging/codec.h"
#include "platform/text/native_path.h"
#include "runtime/replacing_file.h"

#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <limits>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <tiffio.h>
#include <unistd.h>

namespace img {

namespace {

// The most pages a document may have: the directory count the TIFF library itself accepts. Long
// fax archives run to many thousand pages.
constexpr int32_t kMaxTiffPages = 1048576;

thread_local std::string tLastTiffError;

void silentWarning(const char*, const char*, va_list) {}
void recordError(const char* module, const char* fmt, va_list ap) {
  char buf[512];
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  tLastTiffError = module ? std::string(module) + ": " + buf : std::string(buf);
}

TIFFExtendProc gParentExtender = nullptr;
void annotationExtender(TIFF* tif) {
  static const TIFFFieldInfo info[] = {
      {static_cast<ttag_t>(kAnnotationTag), TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_UNDEFINED, FIELD_CUSTOM, 1, 1,
       const_cast<char*>("LumivexAnnotation")},
  };
  TIFFMergeFieldInfo(tif, info, 1);
  if (gParentExtender) gParentExtender(tif);
}

void setupLibtiff() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetWarningHandler(silentWarning);
    TIFFSetErrorHandler(recordError);
    gParentExtender = TIFFSetTagExtender(annotationExtender);
  });
}

// A file that cannot be read is damaged, in the program's words, the library's own at the end.
[[noreturn]] void tiffDamaged(const QString& what) {
  failDamaged(QStringLiteral("TIFF"), what, QString::fromStdString(tLastTiffError));
}

bool diskIsFull(const QString& path) {
  struct statvfs fs {};
  const QByteArray folder = plat::nativePath(QFileInfo(path).absolutePath());
  return ::statvfs(folder.constData(), &fs) == 0 && fs.f_bavail == 0;
}

// A write that failed: the system's reason when it gave one (errno is cleared before writing), a
// full disk when the library stopped at a short write on one, the library's words otherwise. The
// message names the document, never the temporary it is written through.
[[noreturn]] void tiffWriteFailed(const QString& path, const QString& what) {
  const int err = errno;
  const QString document = currentDocument().isEmpty() ? path : currentDocument();
  if (err != 0) rt::raiseWriting(document, err);
  if (diskIsFull(path)) rt::raiseWriting(document, ENOSPC);
  QString text = QStringLiteral("Cannot write %1 as TIFF: %2").arg(document, what);
  if (!tLastTiffError.empty()) text += QStringLiteral(" (%1)").arg(QString::fromStdString(tLastTiffError));
  fail(kErrWrite, text);
}

// Read-only TIFF over memory.
struct MemFile {
  std::span<const uint8_t> d;
  uint64_t pos = 0;
};
tmsize_t memRead(thandle_t h, void* buf, tmsize_t n) {
  auto* m = static_cast<MemFile*>(h);
  if (n <= 0 || m->pos >= m->d.size()) return 0;
  const uint64_t k = std::min<uint64_t>(static_cast<uint64_t>(n), m->d.size() - m->pos);
  std::memcpy(buf, m->d.data() + m->pos, static_cast<std::size_t>(k));
  m->pos += k;
  return static_cast<tmsize_t>(k);
}
tmsize_t memWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t memSeek(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemFile*>(h);
  uint64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : m->d.size();
  m->pos = base + off;
  return m->pos;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemFile*>(h)->d.size(); }
int memMap(thandle_t h, void** base, toff_t* size) {
  auto* m = static_cast<MemFile*>(h);
  *base = const_cast<uint8_t*>(m->d.data());
  *size = m->d.size();
  return 1;
}
void memUnmap(thandle_t, void*, toff_t) {}

// A file seen through a header that names one page as the first: libtiff then reads that page's
// directory straight away. Reaching a page of a fresh handle by its offset otherwise makes libtiff
// walk every directory before it to number it, which for a long document costs seconds for each
// thread that reads a page.
struct PageFile {
  int fd = -1;
  uint64_t pos = 0;
  uint64_t size = 0;
  uint64_t first = 0;  // the directory offset the header gives
  bool big = false;    // BigTIFF: an 8-byte offset at byte 8, else a 4-byte one at byte 4
  bool bigEndian = false;
};
tmsize_t pageRead(thandle_t h, void* buf, tmsize_t n) {
  auto* f = static_cast<PageFile*>(h);
  if (n <= 0) return 0;
  const ssize_t got = ::pread(f->fd, buf, static_cast<std::size_t>(n), static_cast<off_t>(f->pos));
  if (got <= 0) return got < 0 ? -1 : 0;
  const uint64_t field = f->big ? 8 : 4, width = f->big ? 8 : 4, end = f->pos + static_cast<uint64_t>(got);
  for (uint64_t k = 0; k < width; ++k) {
    const uint64_t at = field + k;
    if (at < f->pos || at >= end) continue;
    const uint64_t shift = f->bigEndian ? 8 * (width - 1 - k) : 8 * k;
    static_cast<uint8_t*>(buf)[at - f->pos] = static_cast<uint8_t>(f->first >> shift);
  }
  f->pos = end;
  return static_cast<tmsize_t>(got);
}
toff_t pageSeek(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<PageFile*>(h);
  const uint64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->size;
  f->pos = base + off;
  return f->pos;
}
toff_t pageSize(thandle_t h) { return static_cast<PageFile*>(h)->size; }
int noMap(thandle_t, void**, toff_t*) { return 0; }

struct TiffHandle {
  TIFF* t = nullptr;
  MemFile mem;
  ~TiffHandle() {
    if (t) TIFFClose(t);
  }
};

// Options for reading: libtiff itself may not allocate more in one piece than a picture may take
// (twice, for its own sample buffers), so a damaged strip or tile size cannot exhaust memory
// inside the library, where our own size checks do not reach.
struct ReadOptions {
  TIFFOpenOptions* o = TIFFOpenOptionsAlloc();
  ReadOptions() {
    const std::size_t cap = maxBitmapBytes();
    const auto limit = cap > static_cast<std::size_t>(std::numeric_limits<tmsize_t>::max() / 2)
                           ? std::numeric_limits<tmsize_t>::max()
                           : static_cast<tmsize_t>(cap) * 2;
    if (o) TIFFOpenOptionsSetMaxSingleMemAlloc(o, limit);
  }
  ~ReadOptions() { TIFFOpenOptionsFree(o); }
};

void openMemory(TiffHandle& h, std::span<const uint8_t> data) {
  setupLibtiff();
  tLastTiffError.clear();
  h.mem.d = data;
  ReadOptions options;
  h.t = TIFFClientOpenExt("memory", "rm", &h.mem, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap,
                          options.o);
  if (!h.t) tiffDamaged(QStringLiteral("it cannot be read as TIFF"));
}

// Opens the chain of a file the caller has open already (fd): libtiff reads through a duplicate
// of the descriptor, not mapped (a mapping keeps every part of the file it has touched resident,
// for each handle again), instead of opening the file again.
void openFile(TiffHandle& h, const QString& path, int fd) {
  setupLibtiff();
  tLastTiffError.clear();
  const QByteArray native = plat::nativePath(path);
  ReadOptions options;
  const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) fail(75, QStringLiteral("Cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  ::lseek(own, 0, SEEK_SET);
  h.t = TIFFFdOpenExt(own, native.constData(), "rm", options.o);
  if (!h.t) {
    ::close(own);
    tiffDamaged(QStringLiteral("it cannot be read as TIFF"));
  }
}

int32_t countPages(TIFF* t) {
  const tdir_t n = TIFFNumberOfDirectories(t);
  return static_cast<int32_t>(n);
}

int16_t codeForCompression(TIFF* t, uint16_t comp) {
  switch (comp) {
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW: return kFormatTiffCcittRle;
    case COMPRESSION_CCITTFAX3: {
      uint32_t opts = 0;
      TIFFGetField(t, TIFFTAG_GROUP3OPTIONS, &opts);
      return (opts & GROUP3OPT_2DENCODING) ? kFormatTiffG3_2D : kFormatTiffG3;
    }
    case COMPRESSION_CCITTFAX4: return kFormatTiffG4;
    case COMPRESSION_LZW: return kFormatTiffLzw;
    case COMPRESSION_PACKBITS: return kFormatTiffPackBits;
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG: return kFormatTiffJpeg;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE: return kFormatTiffDeflate;
    default: return kFormatTiff;
  }
}

// Reads the rows of a stripped, contiguous page of 1, 4 or 8 bits per sample (one sample) or
// 8-bit RGB into the bitmap, strip by strip.
bool readStrips(TIFF* t, Bitmap& b, int spp) {
  if (TIFFIsTiled(t)) return false;
  const tmsize_t lineBytes = TIFFScanlineSize(t);
  const int32_t w = b.width(), h = b.height();
  const tmsize_t expect = spp == 3 ? static_cast<tmsize_t>(w) * 3
                                   : static_cast<tmsize_t>((static_cast<int64_t>(w) * b.bitsPerPixel() + 7) / 8);
  if (lineBytes != expect) return false;
  uint32_t rowsPerStrip = 0;
  if (!TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) || rowsPerStrip == 0) rowsPerStrip = h;
  rowsPerStrip = std::min<uint32_t>(rowsPerStrip, static_cast<uint32_t>(h));
  const tmsize_t stripBytes = lineBytes * static_cast<tmsize_t>(rowsPerStrip);
  std::vector<uint8_t> buf(static_cast<std::size_t>(stripBytes));
  const uint32_t strips = TIFFNumberOfStrips(t);
  for (uint32_t s = 0; s < strips; ++s) {
    const int64_t y0 = static_cast<int64_t>(s) * rowsPerStrip;
    if (y0 >= h) break;
    const int64_t rows = std::min<int64_t>(rowsPerStrip, h - y0);
    std::memset(buf.data(), 0, buf.size());
    const tmsize_t got = TIFFReadEncodedStrip(t, s, buf.data(), lineBytes * rows);
    if (got < 0) tiffDamaged(QStringLiteral("a strip cannot be decoded"));
    for (int64_t r = 0; r < rows; ++r) {
      uint8_t* d = b.row(static_cast<int32_t>(y0 + r));
      const uint8_t* src = buf.data() + r * lineBytes;
      if (spp == 3) {
        for (int32_t x = 0; x < w; ++x) {
          d[x * 3] = src[x * 3 + 2];
          d[x * 3 + 1] = src[x * 3 + 1];
          d[x * 3 + 2] = src[x * 3];
        }
      } else {
        std::memcpy(d, src, static_cast<std::size_t>(lineBytes));
      }
    }
  }
  return true;
}

// Chooses the page by walking the chain (counting the pages only when the page is not there).
void choosePage(TIFF* t, int32_t page) {
  if (page < 1 || page > kMaxTiffPages || !TIFFSetDirectory(t, static_cast<tdir_t>(page - 1))) {
    const int32_t pages = countPages(t);
    if (page < 1 || page > pages)
      fail(kErrBadPage, QStringLiteral("TIFF: page %1 does not exist (%2 pages)").arg(page).arg(pages));
    tiffDamaged(QStringLiteral("page %1 cannot be read").arg(page));
  }
}

// The annotation layer the current page carries in its private tag; empty when it has none.
std::vector<uint8_t> pageAnnotation(TIFF* t) {
  uint32_t count = 0;
  void* data = nullptr;
  if (!TIFFGetField(t, static_cast<ttag_t>(kAnnotationTag), &count, &data) || !data || count == 0) return {};
  const auto* p = static_cast<const uint8_t*>(data);
  return {p, p + count};
}

// The colours of the sample values of a grey or palette page of bps bits.
std::vector<QRgb> pagePalette(TIFF* t, uint16_t bps, uint16_t photometric) {
  if (photometric != PHOTOMETRIC_PALETTE) {
    std::vector<QRgb> pal = grayPalette(bps);
    if (photometric == PHOTOMETRIC_MINISWHITE) std::reverse(pal.begin(), pal.end());
    return pal;
  }
  const int n = 1 << bps;
  std::vector<QRgb> pal(static_cast<std::size_t>(n));
  uint16_t *r = nullptr, *g = nullptr, *bl = nullptr;
  if (!TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &bl)) tiffDamaged(QStringLiteral("palette page without a palette"));
  // Some writers store 8-bit values in the 16-bit palette.
  bool eight = true;
  for (int i = 0; i < n; ++i)
    if (r[i] > 255 || g[i] > 255 || bl[i] > 255) eight = false;
  for (int i = 0; i < n; ++i)
    pal[static_cast<std::size_t>(i)] = eight ? qRgb(r[i], g[i], bl[i]) : qRgb(r[i] >> 8, g[i] >> 8, bl[i] >> 8);
  return pal;
}

// Strips up to this size are decoded whole, in one call per strip, into a buffer each thread keeps;
// a larger strip (a big page held in one strip) is decoded a row at a time instead, so that no
// page-sized buffer is ever needed.
std::atomic<std::size_t> gWholeStripLimit{std::size_t(4) << 20};

// The ink of a bilevel page counted block by block as its rows come, for a reduction by a whole
// factor (a multiple of 8). Each row is read once: the set bits of each byte are added to a count
// per byte, which serves a block of up to 31 rows (8 x 31 still fits a byte); taller blocks gather
// the counts every 31 rows. The buffers live as long as the thread and are reused page after page.
class InkReducer {
 public:
  void start(uint32_t w, uint32_t h, uint32_t factor, std::size_t lineBytes, QRgb paper, QRgb ink, Bitmap& out) {
    w_ = w;
    h_ = h;
    factor_ = factor;
    n_ = lineBytes;
    bytesPerBlock_ = factor / 8;
    ow_ = (w + factor - 1) / factor;
    out_ = &out;
    lastMask_ = static_cast<uint8_t>(w % 8 ? 0xFF00 >> (w % 8) : 0xFF);
    counts_.assign(n_, 0);
    sums_.assign(ow_, 0);
    // The table of block colours stays while the pages keep their colours and reduction.
    if (factor != tableFactor_ || paper != tablePaper_ || ink != tableInk_) mixTable_.clear();
    tableFactor_ = factor;
    tablePaper_ = paper;
    tableInk_ = ink;
    for (int k = 0; k < 3; ++k) {
      const int shift = k * 8;  // blue, green, red as a 24-bit row holds them
      paper_[k] = static_cast<int>((paper >> shift) & 0xFF);
      ink_[k] = static_cast<int>((ink >> shift) & 0xFF);
    }
    pending_ = 0;
    y_ = 0;
    blockRow_ = 0;
    sumsUsed_ = false;
  }

  void addRow(const uint8_t* row) {
    // A plain loop over the bytes, without branches, that the compiler turns into vector code.
    // (Locals, not members: stores through a byte pointer could change any member.)
    uint8_t* const counts = counts_.data();
    const std::size_t n = n_;
    for (std::size_t i = 0; i < n; ++i) counts[i] = static_cast<uint8_t>(counts[i] + bitsOf(row[i]));
    // Bits past the width in the last byte are no pixels.
    counts[n - 1] = static_cast<uint8_t>(counts[n - 1] - bitsOf(static_cast<uint8_t>(row[n - 1] & ~lastMask_)));
    ++y_;
    const bool blockDone = ++blockRow_ == factor_ || y_ == h_;
    if (blockDone) {
      emit();
      blockRow_ = 0;
    } else if (++pending_ == 31) {
      gather();
    }
  }

 private:
  static uint8_t bitsOf(uint8_t v) {
    v = static_cast<uint8_t>(v - ((v >> 1) & 0x55));
    v = static_cast<uint8_t>((v & 0x33) + ((v >> 2) & 0x33));
    return static_cast<uint8_t>((v + (v >> 4)) & 0x0F);
  }

  // The ink of each block from the per-byte counts (and what was gathered of taller blocks).
  uint64_t blockInk(uint32_t c) const {
    uint64_t s = sumsUsed_ ? sums_[c] : 0;
    const std::size_t from = c * bytesPerBlock_, to = std::min(n_, from + bytesPerBlock_);
    for (std::size_t k = from; k < to; ++k) s += counts_[k];
    return s;
  }

  // Blocks taller than 31 rows: the per-byte counts move into the blocks before they overflow.
  void gather() {
    for (uint32_t c = 0; c < ow_; ++c) sums_[c] = blockInk(c);
    sumsUsed_ = true;
    std::memset(counts_.data(), 0, n_);
    pending_ = 0;
  }

  // The colour of a block of total pixels of which n1 are ink, into o[0..2].
  void mix(uint64_t total, uint64_t n1, uint8_t* o) const {
    n1 = std::min(n1, total);
    const uint64_t n0 = total - n1;
    for (int k = 0; k < 3; ++k) o[k] = static_cast<uint8_t>((paper_[k] * n0 + ink_[k] * n1 + total / 2) / total);
  }

  // One output row is complete: each pixel mixes the two colours by how many of each it covers.
  // The colours of whole blocks come from a table made once (three divisions a pixel would cost
  // more than counting the ink), four bytes an entry so that a pixel is one store; the next pixel
  // overwrites the fourth byte.
  void emit() {
    const uint64_t blockRows = blockRow_, factor = factor_, full = factor * factor;
    uint8_t* const o = out_->row(static_cast<int32_t>((y_ - 1) / factor_));
    const bool useTable = blockRows == factor && full <= kMixTableLimit;
    if (useTable && mixTable_.empty()) {
      mixTable_.resize(static_cast<std::size_t>(full + 1) * 4);
      for (uint64_t n1 = 0; n1 <= full; ++n1) mix(full, n1, mixTable_.data() + n1 * 4);
    }
    const uint8_t* const table = mixTable_.data();
    const uint32_t ow = ow_, quick = useTable ? std::min(w_ / factor_, ow - 1) : 0;
    if (bytesPerBlock_ == 1 && !sumsUsed_) {
      const uint8_t* const counts = counts_.data();
      for (uint32_t c = 0; c < quick; ++c) std::memcpy(o + c * 3, table + std::min<uint64_t>(counts[c], full) * 4, 4);
    } else {
      for (uint32_t c = 0; c < quick; ++c) std::memcpy(o + c * 3, table + std::min(blockInk(c), full) * 4, 4);
    }
    for (uint32_t c = quick; c < ow; ++c) {
      const uint64_t cols = std::min<uint64_t>(factor, w_ - static_cast<uint64_t>(c) * factor);
      mix(cols * blockRows, blockInk(c), o + c * 3);
    }
    std::memset(counts_.data(), 0, n_);
    if (sumsUsed_) std::fill(sums_.begin(), sums_.end(), 0);
    sumsUsed_ = false;
    pending_ = 0;
  }

  static constexpr uint64_t kMixTableLimit = 1 << 16;

  uint32_t w_ = 0, h_ = 0, factor_ = 8, ow_ = 0, y_ = 0, blockRow_ = 0, pending_ = 0;
  bool sumsUsed_ = false;
  std::size_t n_ = 0, bytesPerBlock_ = 1;
  uint8_t lastMask_ = 0xFF;
  int paper_[3] = {}, ink_[3] = {};
  Bitmap* out_ = nullptr;
  std::vector<uint8_t> counts_;  // set bits per byte of the row over up to 31 rows
  std::vector<uint64_t> sums_;    // set bits per block gathered from the counts, for tall blocks
  std::vector<uint8_t> mixTable_;  // colour of a whole block by its ink, four bytes each
  uint32_t tableFactor_ = 0;
  QRgb tablePaper_ = 0, tableInk_ = 0;
};

struct ReduceBuffers {
  InkReducer reducer;
  std::vector<uint8_t> strip;
};
ReduceBuffers& reduceBuffers() {
  static thread_local ReduceBuffers b;
  return b;
}

// A bilevel page reduced by a whole factor (a multiple of 8) while it is decoded strip by strip,
// each output pixel the mix of the two colours over its block: a page of any size is shown from a
// strip and a small picture instead of its full bitmap. False when the page is not a stripped
// bilevel page large enough to reduce; the caller decodes it whole then.
bool readReducedBilevel(TIFF* t, int maxSide, Bitmap& out) {
  uint32_t w = 0, h = 0;
  uint16_t bps = 1, spp = 1, planar = PLANARCONFIG_CONTIG, photometric = PHOTOMETRIC_MINISWHITE;
  if (maxSide <= 0 || TIFFIsTiled(t) || !TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h))
    return false;
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = PHOTOMETRIC_MINISWHITE;
  // A page beyond the sizes the program holds is refused by the whole decode, by its size.
  if (bps != 1 || spp != 1 || planar != PLANARCONFIG_CONTIG || w == 0 || h == 0 ||
      w > static_cast<uint32_t>(kMaxDimension) || h > static_cast<uint32_t>(kMaxDimension) ||
      !(photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_PALETTE))
    return false;
  const uint32_t factor = std::max(w, h) / static_cast<uint32_t>(maxSide) / 8 * 8;
  const tmsize_t lineBytes = TIFFScanlineSize(t);
  if (factor < 8 || lineBytes != static_cast<tmsize_t>((w + 7) / 8)) return false;
  const std::vector<QRgb> pal = pagePalette(t, 1, photometric);
  out = Bitmap(static_cast<int32_t>((w + factor - 1) / factor), static_cast<int32_t>((h + factor - 1) / factor), 24);
  ReduceBuffers& buffers = reduceBuffers();
  InkReducer& reducer = buffers.reducer;
  const auto n = static_cast<std::size_t>(lineBytes);
  reducer.start(w, h, factor, n, pal[0], pal[1], out);
  uint32_t rowsPerStrip = 0;
  if (!TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) || rowsPerStrip == 0 || rowsPerStrip > h)
    rowsPerStrip = h;
  const uint32_t strips = TIFFNumberOfStrips(t);
  if (static_cast<uint64_t>(rowsPerStrip) * n <= gWholeStripLimit.load(std::memory_order_relaxed) &&
      static_cast<uint64_t>(strips) * rowsPerStrip >= h) {
    std::vector<uint8_t>& buf = buffers.strip;
    if (buf.size() < rowsPerStrip * n) buf.resize(rowsPerStrip * n);
    for (uint32_t s = 0, y0 = 0; y0 < h; ++s, y0 += rowsPerStrip) {
      const uint32_t rows = std::min(rowsPerStrip, h - y0);
      const tmsize_t want = static_cast<tmsize_t>(rows * n);
      // Rows a strip does not give count as paper rather than as what the buffer held before.
      const tmsize_t got = TIFFReadEncodedStrip(t, s, buf.data(), want);
      if (got < 0) tiffDamaged(QStringLiteral("a strip cannot be decoded"));
      if (got < want) std::memset(buf.data() + got, 0, static_cast<std::size_t>(want - got));
      for (uint32_t r = 0; r < rows; ++r) reducer.addRow(buf.data() + r * n);
    }
  } else {
    // The page is decoded a row at a time: a page held in one big strip costs no page-sized buffer.
    std::vector<uint8_t>& line = buffers.strip;
    if (line.size() < n) line.resize(n);
    for (uint32_t y = 0; y < h; ++y) {
      if (TIFFReadScanline(t, line.data(), y, 0) < 0) tiffDamaged(QStringLiteral("a strip cannot be decoded"));
      reducer.addRow(line.data());
    }
  }
  return true;
}

// The page the handle is on (page numbers it in messages).
Bitmap readCurrentPage(TIFF* t, int32_t page, int16_t* formatOut) {
  uint32_t w = 0, h = 0;
  uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG, comp = COMPRESSION_NONE;
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h))
    tiffDamaged(QStringLiteral("page has no size"));
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &comp);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric)) photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;
  if (formatOut) *formatOut = codeForCompression(t, comp);

  Bitmap b;
  bool done = false;
  const bool gray = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
  if (spp == 1 && planar == PLANARCONFIG_CONTIG && (bps == 1 || bps == 4 || bps == 8) &&
      (gray || photometric == PHOTOMETRIC_PALETTE)) {
    b = Bitmap(w, h, bps);
    b.palette() = pagePalette(t, bps, photometric);
    done = readStrips(t, b, 1);
  } else if (spp == 3 && bps == 8 && planar == PLANARCONFIG_CONTIG && photometric == PHOTOMETRIC_RGB) {
    b = Bitmap(w, h, 24);
    done = readStrips(t, b, 3);
  }
  if (!done) {
    // Everything else (tiles, YCbCr, CMYK, 16-bit, separate planes, JPEG) through libtiff's RGBA reader.
    b = Bitmap(w, h, 24);
    std::vector<uint32_t> rgba;
    const uint64_t count = static_cast<uint64_t>(w) * h;
    rgba.resize(static_cast<std::size_t>(count));
    if (comp == COMPRESSION_JPEG && photometric == PHOTOMETRIC_YCBCR)
      TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (!TIFFReadRGBAImageOriented(t, w, h, rgba.data(), ORIENTATION_TOPLEFT, 0))
      tiffDamaged(QStringLiteral("page %1 cannot be decoded").arg(page));
    for (uint32_t y = 0; y < h; ++y) {
      uint8_t* d = b.row(static_cast<int32_t>(y));
      const uint32_t* s = rgba.data() + static_cast<std::size_t>(y) * w;
      for (uint32_t x = 0; x < w; ++x) {
        d[x * 3] = static_cast<uint8_t>(TIFFGetB(s[x]));
        d[x * 3 + 1] = static_cast<uint8_t>(TIFFGetG(s[x]));
        d[x * 3 + 2] = static_cast<uint8_t>(TIFFGetR(s[x]));
      }
    }
    if (gray && spp == 1) b = b.toGray8();
  }
  float xr = 0, yr = 0;
  uint16_t unit = RESUNIT_INCH;
  if (TIFFGetField(t, TIFFTAG_XRESOLUTION, &xr) && TIFFGetField(t, TIFFTAG_YRESOLUTION, &yr)) {
    TIFFGetFieldDefaulted(t, TIFFTAG_RESOLUTIONUNIT, &unit);
    b.resolutionX = std::isfinite(xr) ? xr : 0;
    b.resolutionY = std::isfinite(yr) ? yr : 0;
    b.resolutionUnit = static_cast<int16_t>(unit >= 1 && unit <= 3 ? unit : 1);
  }
  b.annotation = pageAnnotation(t);
  return b;
}

Bitmap readPage(TIFF* t, int32_t page, int16_t* formatOut) {
  choosePage(t, page);
  return readCurrentPage(t, page, formatOut);
}

}  // namespace

int32_t tiffPageCount(std::span<const uint8_t> data) {
  TiffHandle h;
  openMemory(h, data);
  return countPages(h.t);
}

Bitmap decodeTiff(std::span<const uint8_t> data, int32_t page, int16_t* formatOut) {
  TiffHandle h;
  openMemory(h, data);
  return readPage(h.t, page, formatOut);
}

namespace {

// The file last read stays open with the offsets of its pages, so the pages of a document are
// read one after another without opening the file and walking its directory chain each time.
// The file's identity (device, inode, size, modification time) tells when it has changed.
struct FileKey {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const FileKey&) const = default;
};

// The annotation layer of every page, read on the same walk of the chain as its offsets; shared,
// since every thread's handle of a long document would otherwise keep a copy.
using PageLayers = std::shared_ptr<const std::vector<std::vector<uint8_t>>>;

struct CachedTiff {
  QString path;
  FileKey key;
  int fd = -1;  // the file, read by every page's own handle
  bool big = false, bigEndian = false;
  std::vector<uint64_t> offsets;
  PageLayers layers;
  bool cutShort = false;  // the chain of pages breaks off before its end
  ~CachedTiff() {
    if (fd >= 0) ::close(fd);
  }
};

// One page of the file through a handle of its own (PageFile).
struct PageHandle {
  PageFile file;
  TiffHandle h;
};

// One kept file per thread: thumbnail grids decode pages on worker threads, and a TIFF handle
// must not be shared between threads.
std::unique_ptr<CachedTiff>& cachedTiff() {
  static thread_local std::unique_ptr<CachedTiff> c;
  return c;
}

FileKey keyOfStat(const struct stat& st) {
  FileKey k;
  k.dev = st.st_dev;
  k.ino = st.st_ino;
  k.size = st.st_size;
  k.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return k;
}

bool keyOf(const QString& path, FileKey& k) {
  struct stat st{};
  if (::stat(plat::nativePath(path).constData(), &st) != 0) return false;
  k = keyOfStat(st);
  return true;
}

// The offsets of the pages of the files last opened, shared by all threads: each thread needs a
// handle of its own, but the chain of pages is walked once per file, not once per thread.
struct KnownChain {
  QString path;
  FileKey key;
  std::vector<uint64_t> offsets;
  PageLayers layers;
  bool cutShort = false;
};
std::mutex gChainsMutex;
std::vector<KnownChain> gChains;  // the most recent last

bool knownChain(const QString& path, const FileKey& k, CachedTiff& c) {
  std::lock_guard<std::mutex> lock(gChainsMutex);
  for (const KnownChain& chain : gChains)
    if (chain.path == path && chain.key == k) {
      c.offsets = chain.offsets;
      c.layers = chain.layers;
      c.cutShort = chain.cutShort;
      return true;
    }
  return false;
}

void rememberChain(const CachedTiff& c) {
  std::lock_guard<std::mutex> lock(gChainsMutex);
  std::erase_if(gChains, [&](const KnownChain& chain) { return chain.path == c.path; });
  if (gChains.size() >= 8) gChains.erase(gChains.begin());
  gChains.push_back({c.path, c.key, c.offsets, c.layers, c.cutShort});
}

CachedTiff& openCached(const QString& path, int fd = -1) {
  FileKey k;
  if (!keyOf(path, k)) fail(53, QStringLiteral("File not found: %1").arg(path));
  auto& c = cachedTiff();
  if (c && c->path == path && c->key == k) return *c;
  c.reset();
  auto n = std::make_unique<CachedTiff>();
  n->path = path;
  if (fd >= 0) {
    n->fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  } else {
    countFileOpen();
    n->fd = ::open(plat::nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
  }
  if (n->fd < 0) fail(75, QStringLiteral("Cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  // The file as it is read, whatever may have replaced it under its name since it was looked up.
  struct stat st{};
  if (::fstat(n->fd, &st) != 0) fail(75, QStringLiteral("Cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  n->key = keyOfStat(st);
  uint8_t header[4] = {};
  if (::pread(n->fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header)) tiffDamaged(QStringLiteral("it cannot be read as TIFF"));
  n->bigEndian = header[0] == 'M';
  n->big = (n->bigEndian ? header[3] : header[2]) == 43;
  if (!knownChain(path, n->key, *n)) {
    // The chain is walked once through a handle of the whole file, every page's layer on the way.
    TiffHandle whole;
    openFile(whole, path, n->fd);
    auto layers = std::make_shared<std::vector<std::vector<uint8_t>>>();
    for (;;) {
      n->offsets.push_back(TIFFCurrentDirOffset(whole.t));
      layers->push_back(pageAnnotation(whole.t));
      if (TIFFLastDirectory(whole.t) || n->offsets.size() >= static_cast<std::size_t>(kMaxTiffPages)) break;
      if (!TIFFReadDirectory(whole.t)) {
        n->cutShort = true;
        break;
      }
    }
    n->layers = std::move(layers);
    rememberChain(*n);
  }
  c = std::move(n);
  return *c;
}

// The handle of one page of the cached file; its directory is the handle's current one.
void openPage(const CachedTiff& c, int32_t page, PageHandle& p) {
  if (page < 1 || page > static_cast<int32_t>(c.offsets.size()))
    fail(kErrBadPage, QStringLiteral("TIFF: page %1 does not exist (%2 pages)").arg(page).arg(c.offsets.size()));
  setupLibtiff();
  tLastTiffError.clear();
  p.file.fd = c.fd;
  p.file.size = static_cast<uint64_t>(c.key.size);
  p.file.first = c.offsets[static_cast<std::size_t>(page - 1)];
  p.file.big = c.big;
  p.file.bigEndian = c.bigEndian;
  ReadOptions options;
  p.h.t = TIFFClientOpenExt(plat::nativePath(c.path).constData(), "rm", &p.file, pageRead, memWrite, pageSeek, memClose,
                            pageSize, noMap, memUnmap, options.o);
  if (!p.h.t) tiffDamaged(QStringLiteral("page %1 cannot be read").arg(page));
}

}  // namespace

void setWholeStripLimit(std::size_t bytes) { gWholeStripLimit.store(bytes, std::memory_order_relaxed); }

void releaseTiffFile(const QString& path) {
  auto& c = cachedTiff();
  if (c && c->path == path) c.reset();
}

void forgetTiffFile(const QString& path) {
  releaseTiffFile(path);
  std::lock_guard<std::mutex> lock(gChainsMutex);
  std::erase_if(gChains, [&](const KnownChain& chain) { return chain.path == path; });
}

int32_t tiffFilePageCount(const QString& path) { return static_cast<int32_t>(openCached(path).offsets.size()); }

TiffDocument readTiffDocument(const QString& path, int fd) {
  CachedTiff& c = openCached(path, fd);
  TiffDocument d;
  d.pages = static_cast<int32_t>(c.offsets.size());
  d.layers = *c.layers;
  d.cutShort = c.cutShort;
  d.first.format = kFormatTiff;
  PageHandle p;
  openPage(c, 1, p);
  d.first.bitmap = readCurrentPage(p.h.t, 1, &d.first.format);
  return d;
}

Bitmap readTiffFile(const QString& path, int32_t page, int16_t* formatOut) {
  CachedTiff& c = openCached(path);
  PageHandle p;
  openPage(c, page, p);
  return readCurrentPage(p.h.t, page, formatOut);
}

Bitmap readTiffFileReduced(const QString& path, int32_t page, int maxSide, int16_t* formatOut, int32_t* fullW,
                           int32_t* fullH) {
  CachedTiff& c = openCached(path);
  PageHandle p;
  openPage(c, page, p);
  TIFF* t = p.h.t;
  uint32_t w = 0, h = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  Bitmap b;
  if (!readReducedBilevel(t, maxSide, b)) {
    b = readCurrentPage(t, page, formatOut);
  } else {
    if (formatOut) {
      uint16_t comp = COMPRESSION_NONE;
      TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &comp);
      *formatOut = codeForCompression(t, comp);
    }
    b.annotation = pageAnnotation(t);
  }
  if (fullW) *fullW = static_cast<int32_t>(w);
  if (fullH) *fullH = static_cast<int32_t>(h);
  return b;
}

namespace {

uint16_t libtiffCompression(int32_t c) {
  switch (c) {
    case kTiffCcittRle: return COMPRESSION_CCITTRLE;
    case kTiffG3:
    case kTiffG3_2D: return COMPRESSION_CCITTFAX3;
    case kTiffG4: return COMPRESSION_CCITTFAX4;
    case kTiffLzw: return COMPRESSION_LZW;
    case kTiffPackBits: return COMPRESSION_PACKBITS;
    case kTiffJpeg: return COMPRESSION_JPEG;
    case kTiffDeflate: return COMPRESSION_ADOBE_DEFLATE;
    case kTiffNone: return COMPRESSION_NONE;
    default: fail(kErrBadValue, QStringLiteral("TIFF: unknown compression %1").arg(c));
  }
}

bool isFax(int32_t c) { return c == kTiffCcittRle || c == kTiffG3 || c == kTiffG3_2D || c == kTiffG4; }

// A bilevel copy: index 1 is black when the palette's entry 1 is darker.
Bitmap toBilevel(const Bitmap& src) {
  if (src.bitsPerPixel() == 1) return src;
  Bitmap gray = src.toGray8();
  Bitmap out(src.width(), src.height(), 1);
  out.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
  for (int32_t y = 0; y < src.height(); ++y) {
    const uint8_t* s = gray.row(y);
    uint8_t* d = out.row(y);
    for (int32_t x = 0; x < src.width(); ++x)
      if (s[x] < 128) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  out.resolutionX = src.resolutionX;
  out.resolutionY = src.resolutionY;
  out.resolutionUnit = src.resolutionUnit;
  out.annotation = src.annotation;
  return out;
}

int luminance(QRgb c) { return qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114; }

bool isIdentityGray(const Bitmap& b, bool inverted) {
  const std::size_t n = std::size_t(1) << b.bitsPerPixel();
  if (b.palette().size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    int v = static_cast<int>(i * 255 / (n - 1));
    if (inverted) v = 255 - v;
    if (b.palette()[i] != qRgb(v, v, v)) return false;
  }
  return true;
}

void writePage(TIFF* t, const Bitmap& src, const SaveOptions& o) {
  const int32_t comp = o.tiffCompression;
  Bitmap b;
  if (isFax(comp)) {
    b = toBilevel(src);
    // Fax pages are written white-is-zero; a palette with black first is flipped on the way.
    if (luminance(b.palette()[0]) < luminance(b.palette()[1])) {
      for (auto& byte : b.data()) byte = static_cast<uint8_t>(~byte);
      b.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
    } else {
      b.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
    }
  } else if (comp == kTiffJpeg) {
    b = (src.bitsPerPixel() <= 8 && src.isGray()) ? src.toGray8() : src.toColor24();
  } else {
    b = src;
  }
  const int bpp = b.bitsPerPixel();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(b.width()));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(b.height()));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
  TIFFSetField(t, TIFFTAG_COMPRESSION, libtiffCompression(comp));
  std::vector<uint16_t> cmap;
  bool invertBits = false;
  if (bpp == 24) {
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    if (comp == kTiffJpeg) {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    } else {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    }
  } else {
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bpp);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    if (bpp == 1 && isIdentityGray(b, true)) {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    } else if (isIdentityGray(b, false)) {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    } else if (bpp == 1 && b.palette().size() >= 2 && b.palette()[0] == qRgb(0, 0, 0) && b.palette()[1] == qRgb(255, 255, 255)) {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    } else if (comp == kTiffJpeg) {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    } else {
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
      const std::size_t n = std::size_t(1) << bpp;
      cmap.assign(n * 3, 0);
      for (std::size_t i = 0; i < n; ++i) {
        const QRgb c = i < b.palette().size() ? b.palette()[i] : qRgb(0, 0, 0);
        cmap[i] = static_cast<uint16_t>(qRed(c) * 257);
        cmap[n + i] = static_cast<uint16_t>(qGreen(c) * 257);
        cmap[2 * n + i] = static_cast<uint16_t>(qBlue(c) * 257);
      }
      TIFFSetField(t, TIFFTAG_COLORMAP, cmap.data(), cmap.data() + n, cmap.data() + 2 * n);
    }
  }
  (void)invertBits;
  if (comp == kTiffG3 || comp == kTiffG3_2D)
    TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, comp == kTiffG3_2D ? GROUP3OPT_2DENCODING : 0);
  if (comp == kTiffJpeg) {
    int q = o.jpegLuminance;
    q = std::clamp(q * 100 / 255, 1, 100);
    TIFFSetField(t, TIFFTAG_JPEGQUALITY, q);
    if (bpp == 24) TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  // Continuous tone (8-bit grey, colour) packs far better as differences between neighbours;
  // palette indices and bilevel pixels do not, so they are written as they are.
  if (comp == kTiffLzw || comp == kTiffDeflate) {
    uint16_t photometric = PHOTOMETRIC_PALETTE;
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool continuous = bpp == 24 || (bpp == 8 && photometric == PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_PREDICTOR, continuous ? PREDICTOR_HORIZONTAL : PREDICTOR_NONE);
  }
  if (b.resolutionX > 0 && b.resolutionY > 0) {
    TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(b.resolutionX));
    TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(b.resolutionY));
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT,
                 static_cast<uint16_t>(b.resolutionUnit >= 1 && b.resolutionUnit <= 3 ? b.resolutionUnit : 1));
  }
  if (!src.annotation.empty())
    TIFFSetField(t, static_cast<ttag_t>(kAnnotationTag), static_cast<uint32_t>(src.annotation.size()), src.annotation.data());
  const uint32_t rps = comp == kTiffJpeg ? std::max<uint32_t>(16, TIFFDefaultStripSize(t, 0) / 16 * 16)
                                         : TIFFDefaultStripSize(t, 0);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rps);
  const std::size_t lineBytes = bpp == 24 ? static_cast<std::size_t>(b.width()) * 3
                                          : static_cast<std::size_t>((static_cast<int64_t>(b.width()) * bpp + 7) / 8);
  std::vector<uint8_t> line(lineBytes);
  for (int32_t y = 0; y < b.height(); ++y) {
    const uint8_t* s = b.row(y);
    if (bpp == 24) {
      for (int32_t x = 0; x < b.width(); ++x) {
        line[static_cast<std::size_t>(x) * 3] = s[x * 3 + 2];
        line[static_cast<std::size_t>(x) * 3 + 1] = s[x * 3 + 1];
        line[static_cast<std::size_t>(x) * 3 + 2] = s[x * 3];
      }
    } else {
      std::memcpy(line.data(), s, lineBytes);
    }
    if (TIFFWriteScanline(t, line.data(), static_cast<uint32_t>(y), 0) < 0)
      tiffWriteFailed(plat::pathFromNative(TIFFFileName(t)), QStringLiteral("a row of the page cannot be written"));
  }
  if (!TIFFWriteDirectory(t)) tiffWriteFailed(plat::pathFromNative(TIFFFileName(t)), QStringLiteral("the page cannot be written"));
}

}  // namespace

void writeTiffFile(const QString& path, const Bitmap& b, const SaveOptions& o, bool append) {
  setupLibtiff();
  tLastTiffError.clear();
  if (b.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  forgetTiffFile(path);
  std::string mode = append ? "a" : "w";
  mode += o.tiffByteOrder == 1 ? "b" : "l";
  errno = 0;
  TIFF* t = TIFFOpen(plat::nativePath(path).constData(), mode.c_str());
  if (!t) tiffWriteFailed(path, QStringLiteral("the file cannot be made"));
  errno = 0;
  try {
    writePage(t, b, o);
  } catch (...) {
    TIFFClose(t);
    throw;
  }
  TIFFClose(t);
}

}  // namespace img
