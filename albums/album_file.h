#pragma once
// Album files: one record per line, "path, page, remarks". Plain text with no header, quoting or
// escaping; the reader splits at the first two commas, so a path cannot hold a comma while remarks
// can. Paths keep their case and their bytes (they are opened again, and a file's name need not
// be UTF-8); remarks come back upper-cased from a read.
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace albums {

// One record of an album: the path by its own bytes, the page as text ("1" for single-page files)
// and the remarks. The three are kept one after the other in one block of bytes (page and remarks
// as UTF-8), so that an album costs little more memory than its text, however long its rows.
class AlbumRecord {
 public:
  AlbumRecord(const QString& path = QString(), const QString& page = QStringLiteral("1"), const QString& remarks = QString());
  // From the fields' bytes: the path as the system names the file, page and remarks as UTF-8.
  static AlbumRecord fromBytes(QByteArrayView path, QByteArrayView page, QByteArrayView remarks);

  // The path as the program holds file names (plat::pathFromNative of its bytes).
  QString path() const;
  QByteArrayView pathBytes() const { return QByteArrayView(bytes_).first(pageAt_); }
  QString page() const;
  QString remarks() const;
  // Page and remarks as UTF-8, as kept.
  QByteArrayView pageBytes() const { return QByteArrayView(bytes_).sliced(pageAt_, remarksAt_ - pageAt_); }
  QByteArrayView remarksBytes() const { return QByteArrayView(bytes_).sliced(remarksAt_); }
  void setPage(const QString& page);
  void setRemarks(const QString& remarks);
  // Whether the path names a file (not a folder) that exists.
  bool fileExists() const;

  bool operator==(const AlbumRecord& other) const {
    return pageAt_ == other.pageAt_ && remarksAt_ == other.remarksAt_ && bytes_ == other.bytes_;
  }

 private:
  void set(QByteArrayView path, QByteArrayView page, QByteArrayView remarks);
  QByteArray bytes_;
  uint32_t pageAt_ = 0, remarksAt_ = 0;
};

// Blanks are spaces only: tabs and other white space stay part of the text.
QString trimBlanks(const QString& text);
QByteArrayView trimBlanks(QByteArrayView bytes);

// How an album's text (its pages and remarks) is written: UTF-8, or Windows-1252 in albums that
// earlier versions wrote.
enum class AlbumText { Utf8, Windows1252 };

// One line as the album reader turns it into a row: every line gives a row (a blank line an empty
// path and page "1"); a page that does not read as a number is "1"; remarks are upper-cased.
AlbumRecord parseAlbumLine(QByteArrayView line, AlbumText text = AlbumText::Utf8);

// A line as the keyword search reads it: it needs a path and two commas. Gives false for a line
// that the search skips; otherwise the path and the upper-cased remarks after the second comma.
bool parseSearchLine(QByteArrayView line, QString* path, QString* remarks, AlbumText text = AlbumText::Utf8);

// The most an album holds. Beyond it an album is refused with a message that says which limit it
// passed, so that opening a huge or damaged file costs neither all the memory nor minutes.
struct AlbumLimits {
  qsizetype maxRows = 1'000'000;
  // A path, a page and remarks fit with room to spare (paths hold at most 4,096 bytes here).
  qsizetype maxLineBytes = 64 * 1024;
  // The whole file: what the rows keep of it stays within about one and a half times this.
  qint64 maxFileBytes = qint64(256) * 1024 * 1024;
};

// One line of an album file: its bytes without the line end, and how its text reads.
class AlbumLine {
 public:
  QByteArrayView bytes() const { return bytes_; }
  bool isAscii() const { return ascii_; }
  AlbumText text() const { return text_; }

 private:
  friend class AlbumLineReader;
  QByteArrayView bytes_;
  bool ascii_ = true;
  AlbumText text_ = AlbumText::Utf8;
};

// How far reading has come: bytes read of the file's size (0 when not known). Gives false to stop
// reading.
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

// Reads the lines of an album file from a device with memory bounded by one read and the longest
// line allowed, whatever the size of the file: CR LF, LF and CR end lines; a last line without an
// end counts; the end of the last line does not start another one.
class AlbumLineReader {
 public:
  // name: the album as messages name it.
  AlbumLineReader(QIODevice& in, const QString& name, const AlbumLimits& limits = {});
  void setProgress(ReadProgress progress) { progress_ = std::move(progress); }
  // Gives every line to onLine in file order. The album's text is UTF-8 when the text of every line
  // (what follows its path) is; an album whose text turns out not to be UTF-8 part way is read again
  // from its start as Windows-1252, after onRestart has dropped what onLine kept. Gives false when
  // the progress stopped it. Raises rt::RuntimeError when reading fails or the album passes a limit.
  bool readAll(const std::function<void(const AlbumLine&)>& onLine, const std::function<void()>& onRestart);
  // The most memory the reader's buffer held at once.
  qsizetype peakBuffer() const { return peak_; }

 private:
  bool nextBytes(QByteArrayView* line);
  bool fill();
  void rewind();
  [[noreturn]] void refuse(const QString& why) const;

  QIODevice& in_;
  QString name_;
  AlbumLimits limits_;
  ReadProgress progress_;
  QByteArray buffer_;
  qsizetype pos_ = 0;
  qsizetype lines_ = 0;
  qsizetype peak_ = 0;
  qint64 read_ = 0, total_ = 0;
  bool stopped_ = false;
  bool atEnd_ = false;
  bool started_ = false;
  bool skipLineFeed_ = false;
};

// Every record of an album file's bytes, in file order (as readAlbumFile reads a file).
std::vector<AlbumRecord> parseAlbum(const QByteArray& bytes, const AlbumLimits& limits = {});
// Every record read from a device; name: the album as messages name it. Nothing when the progress
// stopped the reading.
std::optional<std::vector<AlbumRecord>> readAlbum(QIODevice& in, const QString& name, const AlbumLimits& limits = {},
                                                  qsizetype* peakBuffer = nullptr, const ReadProgress& progress = {});

// The line the writer puts down for a record (without its line end): trimmed path by its bytes,
// ", ", trimmed page, ", ", trimmed remarks as typed.
QByteArray formatAlbumLine(const AlbumRecord& record);
// A path that an album line can carry: not empty after trimming and without a comma.
bool isStorablePath(const QString& path);

// Opens an album file for reading by its name's own bytes. With createIfMissing a missing file is
// created empty first. Raises rt::RuntimeError when the file cannot be opened or created.
void openAlbumFile(QFile& file, const QString& path, bool createIfMissing);
// Reads an album file (see openAlbumFile). Raises rt::RuntimeError when the file cannot be read or
// created, or passes the limits; nothing when the progress stopped the reading.
std::optional<std::vector<AlbumRecord>> readAlbumFile(const QString& path, bool createIfMissing,
                                                      const ReadProgress& progress, const AlbumLimits& limits = {});
std::vector<AlbumRecord> readAlbumFile(const QString& path, bool createIfMissing);
// Writes every record, each line ending with CR LF (paths by their own bytes, the text as UTF-8),
// through a temporary file beside the target that replaces it only when everything was written. A
// read-only target is refused with run-time error 70 and left as it was. Raises rt::RuntimeError on
// failure.
void writeAlbumFile(const QString& path, const std::vector<AlbumRecord>& records);

// The three-letter extension of a file name as the folder scans see it: the last three characters
// when the trimmed name is longer than 4 and has a full stop fourth from the end; "" otherwise.
QString scanExtension(const QString& fileName);

}  // namespace albums
