#include "albums/album_file.h"

#include "platform/text/ansi.h"
#include "platform/text/native_path.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"

#include <QBuffer>
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

bool isUtf8(QByteArrayView bytes) { return isAscii(bytes) || bytes.isValidUtf8(); }

// A byte-order mark inside a field is kept as a character: dropped, it would leave the blank
// behind it untrimmed, and the row would not read back as it was written.
QString utf8Text(QByteArrayView bytes) {
  return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(bytes);
}

QString decodeText(QByteArrayView bytes, AlbumText text) {
  if (text == AlbumText::Utf8) return utf8Text(bytes);
  return plat::fromAnsi(std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size())));
}

bool exists(const QByteArray& path) {
  struct stat st {};
  return !path.isEmpty() && ::stat(path.constData(), &st) == 0;
}

// The three fields of a line, blanks trimmed; commas: how many of them the line has (at most 2).
struct Fields {
  QByteArrayView path, page, remarks;
  int commas = 0;
};

// The trimmed parts of text before and after its first comma; false, with the whole text before,
// when it has none.
bool splitAtComma(QByteArrayView text, QByteArrayView* before, QByteArrayView* after) {
  const qsizetype comma = text.indexOf(',');
  if (comma < 0) {
    *before = trimBlanks(text);
    return false;
  }
  *before = trimBlanks(text.first(comma));
  *after = trimBlanks(text.sliced(comma + 1));
  return true;
}

Fields splitLine(QByteArrayView line) {
  Fields f;
  QByteArrayView rest;
  if (!splitAtComma(line, &f.path, &rest)) return f;
  f.commas = splitAtComma(rest, &f.page, &f.remarks) ? 2 : 1;
  return f;
}

QByteArray pageOrOne(QByteArrayView candidate, AlbumText text) {
  const QString page = decodeText(candidate, text);
  return rt::IsNumeric(page) ? page.toUtf8() : QByteArray("1");
}

// The first line end (CR or LF) in bytes, or nullptr.
const char* findLineEnd(const char* from, const char* to) {
  const auto* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(to - from)));
  const auto* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>((lf ? lf : to) - from)));
  return cr ? cr : lf;
}

// 1234567 as "1,234,567": limits are stated the same way whatever the desktop's language.
QString grouped(qint64 n) {
  QString digits = QString::number(n);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return digits;
}

}  // namespace

// ---- Records ------------------------------------------------------------------------------------

AlbumRecord::AlbumRecord(const QString& path, const QString& page, const QString& remarks) {
  set(plat::nativePath(path), page.toUtf8(), remarks.toUtf8());
}

AlbumRecord AlbumRecord::fromBytes(QByteArrayView path, QByteArrayView page, QByteArrayView remarks) {
  AlbumRecord r;
  r.set(path, page, remarks);
  return r;
}

void AlbumRecord::set(QByteArrayView path, QByteArrayView page, QByteArrayView remarks) {
  // Exactly as long as the text: a row is seldom edited, and no room to grow is kept.
  QByteArray bytes(path.size() + page.size() + remarks.size(), Qt::Uninitialized);
  char* out = bytes.data();
  for (QByteArrayView part : {path, page, remarks}) {
    if (!part.isEmpty()) std::memcpy(out, part.data(), static_cast<std::size_t>(part.size()));
    out += part.size();
  }
  bytes_ = std::move(bytes);
  pageAt_ = static_cast<uint32_t>(path.size());
  remarksAt_ = static_cast<uint32_t>(path.size() + page.size());
}

QString AlbumRecord::path() const { return plat::pathFromNative(pathBytes()); }

QString AlbumRecord::page() const { return utf8Text(pageBytes()); }

QString AlbumRecord::remarks() const { return utf8Text(remarksBytes()); }

void AlbumRecord::setPage(const QString& page) {
  const QByteArray old = bytes_;  // the views below stay valid while set replaces bytes_
  set(QByteArrayView(old).first(pageAt_), page.toUtf8(), QByteArrayView(old).sliced(remarksAt_));
}

void AlbumRecord::setRemarks(const QString& remarks) {
  const QByteArray old = bytes_;
  set(QByteArrayView(old).first(pageAt_), QByteArrayView(old).sliced(pageAt_, remarksAt_ - pageAt_), remarks.toUtf8());
}

bool AlbumRecord::fileExists() const {
  struct stat st {};
  return pageAt_ > 0 && ::stat(pathBytes().toByteArray().constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// ---- Lines --------------------------------------------------------------------------------------

QString trimBlanks(const QString& text) {
  qsizetype from = 0, to = text.size();
  while (from < to && text.at(from) == QLatin1Char(' ')) ++from;
  while (to > from && text.at(to - 1) == QLatin1Char(' ')) --to;
  return text.mid(from, to - from);
}

QByteArrayView trimBlanks(QByteArrayView bytes) {
  qsizetype from = 0, to = bytes.size();
  while (from < to && bytes[from] == ' ') ++from;
  while (to > from && bytes[to - 1] == ' ') --to;
  return bytes.sliced(from, to - from);
}

namespace {
// The bytes of the file that a row's path names: its own. An album of an earlier version wrote a
// name in Windows-1252; where such bytes name no file but their Windows-1252 reading does, that
// name is meant.
QByteArray rowPathBytes(QByteArrayView bytes) {
  QByteArray own = bytes.toByteArray();
  if (isUtf8(bytes) || exists(own)) return own;
  const QByteArray earlier = decodeText(bytes, AlbumText::Windows1252).toUtf8();
  return exists(earlier) ? earlier : own;
}

// Remarks in upper case, as UTF-8; plain ASCII (most remarks) without a round through a text.
QByteArray upperRemarks(QByteArrayView remarks, AlbumText text) {
  if (isAscii(remarks)) return remarks.toByteArray().toUpper();
  return decodeText(remarks, text).toUpper().toUtf8();
}
}  // namespace

AlbumRecord parseAlbumLine(QByteArrayView line, AlbumText text) {
  const Fields f = splitLine(line);
  const QByteArray path = rowPathBytes(f.path);
  if (f.commas == 0) return AlbumRecord::fromBytes(path, "1", {});
  return AlbumRecord::fromBytes(path, pageOrOne(f.page, text), upperRemarks(f.remarks, text));
}

bool parseSearchLine(QByteArrayView line, QString* path, QString* remarks, AlbumText text) {
  const Fields f = splitLine(line);
  if (f.commas < 2) return false;
  if (path) *path = plat::pathFromNative(rowPathBytes(f.path));
  if (remarks) *remarks = decodeText(f.remarks, text).toUpper();
  return true;
}

QByteArray formatAlbumLine(const AlbumRecord& r) {
  // The fields as kept (UTF-8, in which a blank is never part of another character): no round
  // through a text for each row saved.
  const QByteArrayView page = trimBlanks(r.pageBytes()), remarks = trimBlanks(r.remarksBytes());
  const QByteArrayView path = trimBlanks(r.pathBytes());
  QByteArray line;
  line.reserve(path.size() + page.size() + remarks.size() + 4);
  line.append(path).append(", ").append(page).append(", ").append(remarks);
  return line;
}

bool isStorablePath(const QString& path) {
  return !trimBlanks(path).isEmpty() && !path.contains(QLatin1Char(','));
}

// ---- Reading ------------------------------------------------------------------------------------

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
  read_ += got;
  // A file that grows while it is read, or a device whose size is not known, is held to the same
  // bound as a file of a known size.
  if (read_ > limits_.maxFileBytes)
    refuse(QStringLiteral("it is larger than %1 bytes, the most an album can hold.").arg(grouped(limits_.maxFileBytes)));
  if (got == 0) atEnd_ = true;
  if (!started_ && (buffer_.size() >= 3 || atEnd_)) {
    started_ = true;
    if (buffer_.startsWith("\xEF\xBB\xBF")) pos_ = 3;
  }
  if (progress_ && !stopped_ && !progress_(read_, total_)) stopped_ = true;
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
  read_ = 0;
  atEnd_ = started_ = skipLineFeed_ = false;
}

bool AlbumLineReader::readAll(const std::function<void(const AlbumLine&)>& onLine, const std::function<void()>& onRestart) {
  // A file whose size is known is refused before a byte of it is read.
  total_ = in_.isSequential() ? 0 : in_.size();
  if (total_ > limits_.maxFileBytes)
    refuse(QStringLiteral("it is larger than %1 bytes, the most an album can hold.").arg(grouped(limits_.maxFileBytes)));
  AlbumLine line;
  while (nextBytes(&line.bytes_)) {
    if (stopped_) return false;
    if (++lines_ > limits_.maxRows)
      refuse(QStringLiteral("it has more than %1 rows, the most an album can hold.").arg(grouped(limits_.maxRows)));
    line.ascii_ = isAscii(line.bytes_);
    if (!line.ascii_ && line.text_ == AlbumText::Utf8) {
      // The path is the file's own bytes, whatever they are; the text after it tells the album's.
      const qsizetype comma = line.bytes_.indexOf(',');
      if (comma >= 0 && !isUtf8(line.bytes_.sliced(comma + 1))) {
        // The lines given so far read the same in Windows-1252 only if their text was plain ASCII.
        line.text_ = AlbumText::Windows1252;
        if (onRestart) onRestart();
        rewind();
        continue;
      }
    }
    onLine(line);
  }
  return !stopped_;
}

std::optional<std::vector<AlbumRecord>> readAlbum(QIODevice& in, const QString& name, const AlbumLimits& limits,
                                                  qsizetype* peakBuffer, const ReadProgress& progress) {
  std::vector<AlbumRecord> records;
  AlbumLineReader reader(in, name, limits);
  reader.setProgress(progress);
  const bool read = reader.readAll([&](const AlbumLine& line) { records.push_back(parseAlbumLine(line.bytes(), line.text())); },
                                   [&] { records.clear(); });
  if (peakBuffer) *peakBuffer = reader.peakBuffer();
  if (!read) return std::nullopt;
  return records;
}

std::vector<AlbumRecord> parseAlbum(const QByteArray& bytes, const AlbumLimits& limits) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  return *readAlbum(buffer, QString(), limits);
}

void openAlbumFile(QFile& file, const QString& path, bool createIfMissing) {
  // By the name's own bytes: an album whose name is not valid UTF-8 opens, or is made, under it.
  const QByteArray native = plat::nativePath(path);
  struct stat st {};
  if (::stat(native.constData(), &st) != 0) {
    if (!createIfMissing) rt::Raise(rt::kErrFileNotFound, kSource);
    struct stat folder {};
    if (::stat(plat::nativePath(QFileInfo(path).absolutePath()).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode))
      rt::Raise(rt::kErrPathNotFound, kSource);
  } else if (S_ISDIR(st.st_mode)) {
    rt::Raise(rt::kErrPathNotFound, kSource);
  }
  const int fd = ::open(native.constData(), createIfMissing ? O_RDONLY | O_CREAT | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0666);
  if (fd < 0) rt::Raise(rt::kErrPermissionDenied, kSource);
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    rt::Raise(rt::kErrPermissionDenied, kSource);
  }
}

std::optional<std::vector<AlbumRecord>> readAlbumFile(const QString& path, bool createIfMissing, const ReadProgress& progress,
                                                      const AlbumLimits& limits) {
  QFile file;
  openAlbumFile(file, path, createIfMissing);
  return readAlbum(file, plat::displayPath(path), limits, nullptr, progress);
}

std::vector<AlbumRecord> readAlbumFile(const QString& path, bool createIfMissing) {
  return *readAlbumFile(path, createIfMissing, ReadProgress());
}

// ---- Writing ------------------------------------------------------------------------------------

void writeAlbumFile(const QString& path, const std::vector<AlbumRecord>& records) {
  // Refuses a read-only album and writes beside it under the album's own bytes, as reading does.
  rt::ReplacingFile out(path);
  const int fd = ::open(plat::nativePath(out.tempPath()).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) rt::raiseWriting(path, errno);
  // Written a block at a time: the album is never held a second time as one block of text.
  QByteArray block;
  const auto flush = [&] {
    qsizetype done = 0;
    while (done < block.size()) {
      const ssize_t n = ::write(fd, block.constData() + done, static_cast<std::size_t>(block.size() - done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const int err = n < 0 ? errno : ENOSPC;
        ::close(fd);
        rt::raiseWriting(path, err);
      }
      done += n;
    }
    block.resize(0);
  };
  for (const AlbumRecord& r : records) {
    block += formatAlbumLine(r);
    block += "\r\n";
    if (block.size() >= kReadChunk) flush();
  }
  flush();
  if (::close(fd) != 0) rt::raiseWriting(path, errno);
  out.commit();
}

QString scanExtension(const QString& fileName) {
  const QString name = trimBlanks(fileName);
  if (name.size() > 4 && name.at(name.size() - 4) == QLatin1Char('.')) return name.right(3);
  return QString();
}

}  // namespace albums
