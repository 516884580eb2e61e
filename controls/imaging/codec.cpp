// Format detection, dispatch to the codecs, and the safe write (beside the target, then rename).
#include "controls/imaging/codec.h"
#include "controls/imaging/format_table.h"

#include "controls/imaging/byte_io.h"
#include "platform/text/native_path.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace img {

void damagedFile(const char* format, const char* why) { failDamaged(QString::fromLatin1(format), QString::fromLatin1(why)); }
void ByteReader::damaged(const char* why) const { damagedFile(format_, why); }

int16_t tiffFormatFor(TiffCompression c) {
  switch (c) {
    case kTiffNone: return kFormatTiff;
    case kTiffG3_2D: return kFormatTiffG3_2D;
    default: return static_cast<int16_t>(12 + c);
  }
}

QString formatName(int16_t code) { return QString::fromLatin1(formatInfo(code).name); }

namespace {
QString suffixOf(const QString& path) { return QFileInfo(path).suffix().toLower(); }

bool looksLikeTga(std::span<const uint8_t> h) {
  if (h.size() < 18) return false;
  const uint8_t cmapType = h[1], type = h[2], depth = h[16];
  if (cmapType > 1) return false;
  if (!(type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11)) return false;
  if (!(depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32)) return false;
  return (h[12] | h[13]) != 0 && (h[14] | h[15]) != 0;
}
}  // namespace

int16_t sniffFormat(std::span<const uint8_t> h, const QString& path) {
  auto at = [&](std::size_t i) -> int { return i < h.size() ? h[i] : -1; };
  if ((at(0) == 'I' && at(1) == 'I' && (at(2) == 42 || at(2) == 43) && at(3) == 0) ||
      (at(0) == 'M' && at(1) == 'M' && at(2) == 0 && (at(3) == 42 || at(3) == 43)))
    return kFormatTiff;
  if (at(0) == 0xFF && at(1) == 0xD8 && at(2) == 0xFF) return kFormatJpeg;
  if (at(0) == 0x89 && at(1) == 'P' && at(2) == 'N' && at(3) == 'G') return kFormatPng;
  if (at(0) == 'B' && at(1) == 'M') return suffixOf(path) == QLatin1String("rle") ? kFormatRle : kFormatBmp;
  if (at(0) == 0xB1 && at(1) == 0x68 && at(2) == 0xDE && at(3) == 0x3A) return kFormatDcx;
  if (at(0) == 0x0A && at(1) >= 0 && at(1) <= 5 && at(2) == 1) return kFormatPcx;
  if (at(0) == 'P' && at(1) >= '1' && at(1) <= '6') {
    const int k = at(1) - '0';
    return (k == 1 || k == 4) ? kFormatPbm : (k == 2 || k == 5) ? kFormatPgm : kFormatPpm;
  }
  if (at(0) == 0 && at(1) == 0 && at(2) == 1 && at(3) == 0 && (at(4) > 0 || at(5) > 0)) return kFormatIco;
  if (at(0) == '%' && at(1) == 'P' && at(2) == 'D' && at(3) == 'F') return kFormatPdf;
  if ((at(0) == '%' && at(1) == '!' && at(2) == 'P' && at(3) == 'S') ||
      (at(0) == 0xC5 && at(1) == 0xD0 && at(2) == 0xD3 && at(3) == 0xC6))
    return kFormatEps;
  if ((at(0) == 0xD7 && at(1) == 0xCD && at(2) == 0xC6 && at(3) == 0x9A) ||
      (at(0) == 1 && at(1) == 0 && at(2) == 9 && at(3) == 0))
    return kFormatWmf;
  if (at(0) == 0xFF && at(1) == 'W' && at(2) == 'P' && at(3) == 'C') return kFormatWpg;
  const QString ext = suffixOf(path);
  if (looksLikeCals(h) || ext == QLatin1String("cal") || ext == QLatin1String("ct1")) return kFormatCals;
  if (ext == QLatin1String("tga") || ext == QLatin1String("vda") || ext == QLatin1String("icb") ||
      ext == QLatin1String("vst"))
    return kFormatTga;
  // TGA has no signature: a header that makes sense is taken for one.
  if (looksLikeTga(h)) return kFormatTga;
  return kFormatNone;
}

namespace {

[[noreturn]] void unsupportedRead(int16_t code) {
  if (code == kFormatNone) fail(kErrUnsupported, QStringLiteral("Unknown or unsupported image file format"));
  fail(kErrUnsupported, QStringLiteral("Reading %1 files is not supported").arg(formatName(code)));
}

thread_local uint64_t tFileOpens = 0;

// Opens a file to read it, or says why it cannot be read: missing, a folder, not allowed, empty.
void openForReading(QFile& f, const QString& path) {
  countFileOpen();
  const QByteArray native = plat::nativePath(path);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
    fail(53, QStringLiteral("File not found: %1").arg(path));
  if (S_ISDIR(st.st_mode)) fail(75, QStringLiteral("Cannot open %1: it is a folder").arg(path));
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) fail(70, QStringLiteral("Cannot open %1: no permission to read it").arg(path));
    fail(75, QStringLiteral("Cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
  }
  f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
  if (S_ISREG(st.st_mode) && st.st_size == 0) fail(kErrDamaged, QStringLiteral("The file %1 is empty").arg(path));
}

QByteArray readAllOf(QFile& f, const QString& path) {
  if (static_cast<uint64_t>(f.size()) > (uint64_t(1) << 31)) fail(kErrDamaged, QStringLiteral("File too large: %1").arg(path));
  return f.readAll();
}

QByteArray readWhole(const QString& path) {
  QFile f;
  openForReading(f, path);
  return readAllOf(f, path);
}

std::span<const uint8_t> bytesOf(const QByteArray& a) {
  return {reinterpret_cast<const uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}

int16_t sniffFile(const QString& path) {
  QFile f;
  openForReading(f, path);
  const QByteArray head = f.read(32);
  return sniffFormat(bytesOf(head), path);
}

void refuseUnreadable(int16_t code) {
  if (code == kFormatNone || code == kFormatWmf || code == kFormatWpg) unsupportedRead(code);
}

// The whole of a file that TIFF reading does not take, refused before it is read when no reader
// takes its format.
QByteArray readWholeSupported(const QString& path, int16_t code) {
  refuseUnreadable(code);
  return readWhole(path);
}

QString damageNoteFor(const QString& path, int32_t pages) {
  return QStringLiteral("The TIFF file %1 is damaged: only %2 %3 could be read.")
      .arg(plat::displayPath(path))
      .arg(pages)
      .arg(pages == 1 ? QStringLiteral("page") : QStringLiteral("pages"));
}

void checkSinglePage(int32_t page, const char* format) {
  if (page != 1)
    fail(kErrBadPage, QStringLiteral("%1: page %2 does not exist (1 page)").arg(QString::fromLatin1(format)).arg(page));
}

}  // namespace

Decoded decodeMemory(std::span<const uint8_t> data, int32_t page, const QString& path) {
  Decoded d;
  d.format = sniffFormat(data.first(std::min<std::size_t>(data.size(), 32)), path);
  switch (d.format) {
    case kFormatTiff: d.bitmap = decodeTiff(data, page, &d.format); break;
    case kFormatJpeg: checkSinglePage(page, "JPEG"); d.bitmap = decodeJpeg(data, &d.format); break;
    case kFormatPng: checkSinglePage(page, "PNG"); d.bitmap = decodePng(data); break;
    case kFormatBmp: case kFormatRle: checkSinglePage(page, "BMP"); d.bitmap = decodeBmp(data); break;
    case kFormatPcx: checkSinglePage(page, "PCX"); d.bitmap = decodePcx(data); break;
    case kFormatDcx: d.bitmap = decodeDcx(data, page); break;
    case kFormatTga: checkSinglePage(page, "TGA"); d.bitmap = decodeTga(data); break;
    case kFormatPbm: case kFormatPgm: case kFormatPpm: checkSinglePage(page, "PNM"); d.bitmap = decodePnm(data, &d.format); break;
    case kFormatIco: checkSinglePage(page, "ICO"); d.bitmap = decodeIco(data); break;
    case kFormatCals: checkSinglePage(page, "CALS"); d.bitmap = decodeCals(data); break;
    case kFormatEps: checkSinglePage(page, "EPS"); d.bitmap = decodeEps(data); break;
    case kFormatPdf: d.bitmap = decodePdf(data, page); break;
    default: unsupportedRead(d.format);
  }
  return d;
}

int32_t pageCountMemory(std::span<const uint8_t> data) {
  const int16_t code = sniffFormat(data.first(std::min<std::size_t>(data.size(), 32)));
  if (code == kFormatTiff) return tiffPageCount(data);
  if (code == kFormatDcx) return dcxPageCount(data);
  if (code == kFormatPdf) return pdfPageCount(data);
  return 1;
}

int32_t filePageCount(const QString& path) {
  const DocumentScope document(path);
  const int16_t code = sniffFile(path);
  if (code == kFormatTiff) return tiffFilePageCount(path);
  if (code == kFormatDcx || code == kFormatPdf) {
    const QByteArray all = readWhole(path);
    return code == kFormatDcx ? dcxPageCount(bytesOf(all)) : pdfPageCount(bytesOf(all));
  }
  if (code == kFormatNone) unsupportedRead(code);
  return 1;
}

uint64_t fileOpensOnThisThread() { return tFileOpens; }
void countFileOpen() { ++tFileOpens; }

OpenedFile openDocumentFile(const QString& path) {
  const DocumentScope document(path);
  // Opening a document clears what killed saves left beside it.
  rt::removeStaleSaveTemps(QFileInfo(path).absolutePath());
  QFile file;
  openForReading(file, path);
  const int16_t code = sniffFormat(bytesOf(file.peek(32)), path);
  OpenedFile f;
  if (code == kFormatTiff) {
    // libtiff reads through the descriptor opened here: the file is opened once.
    TiffDocument t = readTiffDocument(path, file.handle());
    f.first = std::move(t.first);
    f.pages = t.pages;
    f.layers = std::move(t.layers);
    if (t.cutShort) f.damageNote = damageNoteFor(path, t.pages);
    return f;
  }
  refuseUnreadable(code);
  const QByteArray all = readAllOf(file, path);
  f.first = decodeMemory(bytesOf(all), 1, path);
  f.pages = std::max(1, pageCountMemory(bytesOf(all)));
  f.layers.resize(static_cast<std::size_t>(f.pages));
  return f;
}

Decoded readFilePage(const QString& path, int32_t page) {
  const DocumentScope document(path);
  const int16_t code = sniffFile(path);
  if (code == kFormatTiff) {
    Decoded d;
    d.format = kFormatTiff;
    d.bitmap = readTiffFile(path, page, &d.format);
    return d;
  }
  const QByteArray all = readWholeSupported(path, code);
  return decodeMemory(bytesOf(all), page, path);
}

Decoded readFilePageForDisplay(const QString& path, int32_t page, int maxSide, int32_t& fullW, int32_t& fullH) {
  const DocumentScope document(path);
  const int16_t code = sniffFile(path);
  if (code == kFormatTiff) {
    Decoded d;
    d.format = kFormatTiff;
    d.bitmap = readTiffFileReduced(path, page, maxSide, &d.format, &fullW, &fullH);
    return d;
  }
  if (code == kFormatJpeg) {
    checkSinglePage(page, "JPEG");
    const QByteArray all = readWhole(path);
    Decoded d;
    d.bitmap = decodeJpegReduced(bytesOf(all), maxSide, &d.format, &fullW, &fullH);
    return d;
  }
  Decoded d = readFilePage(path, page);
  fullW = d.bitmap.width();
  fullH = d.bitmap.height();
  return d;
}

FileInfo fileInfo(const QString& path, int32_t page) {
  const DocumentScope document(path);
  FileInfo info;
  Decoded d;
  const int16_t code = sniffFile(path);
  if (code == kFormatTiff) {
    d = readFilePage(path, page);
    info.pages = tiffFilePageCount(path);
  } else {
    // The page and the page count come from one reading of the file.
    const QByteArray all = readWholeSupported(path, code);
    d = decodeMemory(bytesOf(all), page, path);
    info.pages = pageCountMemory(bytesOf(all));
  }
  info.width = d.bitmap.width();
  info.height = d.bitmap.height();
  info.bitsPerPixel = static_cast<int16_t>(d.bitmap.bitsPerPixel());
  info.format = d.format;
  info.fileSize = plat::fileSize(path);
  info.unit = d.bitmap.resolutionUnit;
  info.resolutionX = d.bitmap.resolutionX;
  info.resolutionY = d.bitmap.resolutionY;
  return info;
}

namespace {

// Error texts name the document (shown), never the temporary it is written through; a full disk
// says so.
void writeBytesTo(const QString& file, const std::vector<uint8_t>& bytes, const QString& document = QString()) {
  const QString shown = document.isEmpty() ? file : document;
  const int fd = ::open(plat::nativePath(file).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) rt::raiseWriting(shown, errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : ENOSPC;
      ::close(fd);
      rt::raiseWriting(shown, err);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) rt::raiseWriting(shown, errno);
}

void writeBytesSafely(const QString& path, const std::vector<uint8_t>& bytes) {
  rt::ReplacingFile out(path);
  writeBytesTo(out.tempPath(), bytes, path);
  out.commit();
}

}  // namespace

void writeFile(const QString& path, const Bitmap& b, const SaveOptions& o) {
  // The pages of a document are written one by one into its save temporary: messages name the
  // document.
  const DocumentScope document(rt::documentOf(path));
  if (b.isNull()) fail(kErrNoImage, QStringLiteral("No picture to save"));
  if (path.isEmpty()) fail(kErrBadValue, QStringLiteral("No file name to save to"));
  const int16_t code = o.format;
  if (isTiffFormat(code)) {
    SaveOptions t = o;
    if (code != kFormatTiff) t.tiffCompression = formatInfo(code).tiffCompression;
    struct stat st {};
    if (o.multiPage && ::stat(plat::nativePath(path).constData(), &st) == 0) {
      // Pages are added to the file in place: the caller builds a multi-page document in a file of
      // its own and renames it when every page is written.
      rt::checkTargetWritable(path);
      writeTiffFile(path, b, t, true);
      return;
    }
    rt::ReplacingFile out(path);
    writeTiffFile(out.tempPath(), b, t, false);
    forgetTiffFile(path);
    out.commit();
    return;
  }
  std::vector<uint8_t> bytes;
  switch (code) {
    case kFormatBmp: bytes = encodeBmp(b); break;
    case kFormatTga: bytes = encodeTga(b, false); break;
    case kFormatPcx: bytes = encodePcx(b); break;
    case kFormatDcx: {
      std::vector<std::vector<uint8_t>> pages;
      // As with TIFF, a page is added in place to the caller's own file (an empty one is new).
      const bool append = o.multiPage && plat::fileSize(path) > 0;
      if (append) {
        rt::checkTargetWritable(path);
        const QByteArray all = readWhole(path);
        if (sniffFormat(bytesOf(all).first(std::min<std::size_t>(all.size(), 32)), path) != kFormatDcx)
          fail(kErrWrite, QStringLiteral("DCX: %1 is not a DCX file; a page cannot be added").arg(currentDocument()));
        for (auto p : dcxPages(bytesOf(all))) pages.emplace_back(p.begin(), p.end());
      }
      pages.push_back(encodePcx(b));
      bytes = encodeDcx(pages);
      if (append) {
        writeBytesTo(path, bytes);
        return;
      }
      break;
    }
    case kFormatJpeg: case kFormatJpegProgressive: case kFormatExif: case kFormatExifProgressive: case kFormatJpegCmyk: {
      SaveOptions j = o;
      if (code == kFormatJpegProgressive || code == kFormatExifProgressive) j.jpegProgressive = true;
      bytes = encodeJpeg(b, j);
      break;
    }
    case kFormatPng: bytes = encodePng(b, o.pngInterlace); break;
    case kFormatPpm: bytes = encodePnm(b, kFormatPpm, o.ppmType == 1); break;
    case kFormatPgm: bytes = encodePnm(b, kFormatPgm, o.pgmType == 1); break;
    case kFormatPbm: bytes = encodePnm(b, kFormatPbm, o.pbmType == 1); break;
    default:
      fail(kErrUnsupported, QStringLiteral("Saving in %1 format is not supported").arg(formatName(code)));
  }
  writeBytesSafely(path, bytes);
}

}  // namespace img
