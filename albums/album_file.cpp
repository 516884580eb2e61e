#include "albums/album_file.h"

#include "platform/text/ansi.h"
#include "platform/text/native_path.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace albums {

namespace {
const QString kSource = QStringLiteral("Album");
const QString kSep = QStringLiteral(", ");

QString pageOrOne(const QString& candidate) {
  const QString page = trimBlanks(candidate);
  return rt::IsNumeric(page) ? page : QStringLiteral("1");
}
}  // namespace

QString trimBlanks(const QString& text) {
  qsizetype from = 0, to = text.size();
  while (from < to && text.at(from) == QLatin1Char(' ')) ++from;
  while (to > from && text.at(to - 1) == QLatin1Char(' ')) --to;
  return text.mid(from, to - from);
}

AlbumRecord parseAlbumLine(const QString& rawLine) {
  const QString line = trimBlanks(rawLine);
  AlbumRecord r;
  const qsizetype c1 = line.indexOf(QLatin1Char(','));
  if (c1 < 0) {
    r.path = line;
    return r;
  }
  r.path = trimBlanks(line.left(c1));
  const QString rest = trimBlanks(line.mid(c1 + 1));
  const qsizetype c2 = rest.indexOf(QLatin1Char(','));
  if (c2 < 0) {
    r.page = pageOrOne(rest);
    return r;
  }
  r.page = pageOrOne(rest.left(c2));
  r.remarks = trimBlanks(rest.mid(c2 + 1)).toUpper();
  return r;
}

bool parseSearchLine(const QString& rawLine, QString* path, QString* remarks) {
  const QString line = trimBlanks(rawLine);
  const qsizetype c1 = line.indexOf(QLatin1Char(','));
  if (c1 < 0) return false;
  const QString rest = trimBlanks(line.mid(c1 + 1));
  const qsizetype c2 = rest.indexOf(QLatin1Char(','));
  if (c2 < 0) return false;
  if (path) *path = trimBlanks(line.left(c1));
  if (remarks) *remarks = trimBlanks(rest.mid(c2 + 1)).toUpper();
  return true;
}

namespace {

constexpr qsizetype kReadChunk = 64 * 1024;

// Eight bytes at a time: albums of hundreds of megabytes pass through here.
bool isAscii(QByteArrayView bytes) {
  const char* p = bytes.data();
  qsizetype n = bytes.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & 0x8080808080808080ULL) return false;
  }
  for (; n > 0; ++p, --n)
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  return true;
}

// The first line end (CR or LF) in bytes, or nullptr.
const char* findLineEnd(const char* from, const char* to) {
  const auto* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(to - from)));
  const auto* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>((lf ? lf : to) - from)));
  return cr ? cr : lf;
}

// 1234567 as "1,234,567": limits are stated the same way whatever the desktop's language.
QString grouped(qsizetype n) {
  QString digits = QString::number(n);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return digits;
}

}  // namespace

QString AlbumLine::text() const {
  return ascii_ ? QString::fromLatin1(bytes_.data(), bytes_.size()) : decoded_;
}

AlbumLineReader::AlbumLineReader(QIODevice& in, const QString& name, const AlbumLimits& limits)
    : in_(in), name_(name), limits_(limits) {}

void AlbumLineReader::refuse(const QString& why) const {
  rt::Raise(rt::kErrOverflow, kSource, QStringLiteral("The album %1 cannot be opened: %2").arg(name_, why));
}

// Appends one read to what is left of the buffer; false at the end of the file.
bool AlbumLineReader::fill() {
  if (atEnd_) return false;
  if (pos_ > 0) {
    buffer_.remove(0, pos_);
    pos_ = 0;
  }
  const qsizetype kept = buffer_.size();
  buffer_.resize(kept + kReadChunk);
  const qint64 got = in_.read(buffer_.data() + kept, kReadChunk);
  if (got < 0) rt::Raise(rt::kErrDeviceIO, kSource, in_.errorString());
  buffer_.resize(kept + got);
  peak_ = std::max(peak_, buffer_.capacity());
  if (got == 0) atEnd_ = true;
  if (!started_ && (buffer_.size() >= 3 || atEnd_)) {
    started_ = true;
    if (buffer_.startsWith("\xEF\xBB\xBF")) pos_ = 3;
  }
  return got > 0;
}

bool AlbumLineReader::nextBytes(QByteArrayView* line) {
  while (!started_ && fill()) {}
  if (skipLineFeed_) {
    if (pos_ == buffer_.size()) fill();
    if (pos_ < buffer_.size() && buffer_[pos_] == '\n') ++pos_;
    skipLineFeed_ = false;
  }
  qsizetype scan = pos_;
  for (;;) {
    const char* data = buffer_.constData();
    if (const char* end = findLineEnd(data + scan, data + buffer_.size())) {
      const qsizetype i = end - data;
      if (i - pos_ <= limits_.maxLineBytes) {
        *line = QByteArrayView(data + pos_, i - pos_);
        skipLineFeed_ = *end == '\r';
        pos_ = i + 1;
        return true;
      }
    }
    if (buffer_.size() - pos_ > limits_.maxLineBytes)
      refuse(QStringLiteral("its line %1 is longer than %2 bytes, the most an album line can hold.")
                 .arg(grouped(lines_ + 1), grouped(limits_.maxLineBytes)));
    scan = buffer_.size() - pos_;
    if (!fill()) break;
  }
  if (pos_ == buffer_.size()) return false;
  *line = QByteArrayView(buffer_.constData() + pos_, buffer_.size() - pos_);
  pos_ = buffer_.size();
  return true;
}

void AlbumLineReader::rewind() {
  if (!in_.seek(0)) rt::Raise(rt::kErrDeviceIO, kSource, in_.errorString());
  buffer_.clear();
  pos_ = lines_ = 0;
  atEnd_ = started_ = skipLineFeed_ = false;
}

void AlbumLineReader::readAll(const std::function<void(const AlbumLine&)>& onLine, const std::function<void()>& onRestart) {
  bool utf8 = true;
  AlbumLine line;
  while (nextBytes(&line.bytes_)) {
    if (++lines_ > limits_.maxRows)
      refuse(QStringLiteral("it has more than %1 rows, the most an album can hold.").arg(grouped(limits_.maxRows)));
    line.ascii_ = isAscii(line.bytes_);
    if (!line.ascii_) {
      if (utf8) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        line.decoded_ = decoder.decode(line.bytes_);
        if (decoder.hasError()) {
          // The lines given so far read the same in Windows-1252 only if they were plain ASCII.
          utf8 = false;
          if (onRestart) onRestart();
          rewind();
          continue;
        }
      } else {
        line.decoded_ = plat::fromAnsi(std::string_view(line.bytes_.data(), static_cast<std::size_t>(line.bytes_.size())));
      }
    }
    onLine(line);
  }
}

std::vector<AlbumRecord> readAlbum(QIODevice& in, const QString& name, const AlbumLimits& limits, qsizetype* peakBuffer) {
  std::vector<AlbumRecord> records;
  AlbumLineReader reader(in, name, limits);
  reader.readAll([&](const AlbumLine& line) { records.push_back(parseAlbumLine(line.text())); },
                 [&] { records.clear(); });
  if (peakBuffer) *peakBuffer = reader.peakBuffer();
  return records;
}

std::vector<AlbumRecord> parseAlbum(const QByteArray& bytes, const AlbumLimits& limits) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return readAlbum(buffer, QString(), limits);
}

QString formatAlbumLine(const AlbumRecord& r) {
  return trimBlanks(r.path) + kSep + trimBlanks(r.page) + kSep + trimBlanks(r.remarks);
}

bool isStorablePath(const QString& path) {
  return !trimBlanks(path).isEmpty() && !path.contains(QLatin1Char(','));
}

std::vector<AlbumRecord> readAlbumFile(const QString& path, bool createIfMissing) {
  // By the name's own bytes: an album whose name is not valid UTF-8 opens, or is made, under it.
  const QByteArray native = plat::nativePath(path);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0) {
    if (!createIfMissing) rt::Raise(rt::kErrFileNotFound, kSource);
    struct stat folder {};
    if (::stat(plat::nativePath(QFileInfo(path).absolutePath()).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode))
      rt::Raise(rt::kErrPathNotFound, kSource);
    const int made = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (made < 0) rt::Raise(rt::kErrPermissionDenied, kSource);
    ::close(made);
    return {};
  }
  if (S_ISDIR(st.st_mode)) rt::Raise(rt::kErrPathNotFound, kSource);
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) rt::Raise(rt::kErrPermissionDenied, kSource);
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    rt::Raise(rt::kErrPermissionDenied, kSource);
  }
  return readAlbum(file, plat::displayPath(path));
}

void writeAlbumFile(const QString& path, const std::vector<AlbumRecord>& records) {
  QByteArray bytes;
  for (const AlbumRecord& r : records) {
    bytes += formatAlbumLine(r).toUtf8();
    bytes += "\r\n";
  }
  // Refuses a read-only album and writes beside it under the album's own bytes, as reading does.
  rt::ReplacingFile out(path);
  const int fd = ::open(plat::nativePath(out.tempPath()).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) rt::raiseWriting(path, errno);
  QFile file;
  if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    rt::Raise(rt::kErrDeviceIO, kSource, file.errorString());
  }
  const bool written = file.write(bytes) == bytes.size() && file.flush();
  if (!written) rt::Raise(rt::kErrDeviceIO, kSource, file.errorString());
  file.close();
  out.commit();
}

QString scanExtension(const QString& fileName) {
  const QString name = trimBlanks(fileName);
  if (name.size() > 4 && name.at(name.size() - 4) == QLatin1Char('.')) return name.right(3);
  return QString();
}

}  // namespace albums
