#pragma once
// Album files: one record per line, "path, page, remarks". Plain text with no header, quoting or
// escaping; the reader splits at the first two commas, so a path cannot hold a comma while remarks
// can. Paths keep their case (they are opened again); remarks come back upper-cased from a read.
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <functional>
#include <vector>

namespace albums {

struct AlbumRecord {
  QString path;
  QString page = QStringLiteral("1");  // as text, "1" for single-page files
  QString remarks;
  bool operator==(const AlbumRecord&) const = default;
};

// Blanks are spaces only: tabs and other white space stay part of the text.
QString trimBlanks(const QString& text);

// One line as the album reader turns it into a row: every line gives a row (a blank line an empty
// path and page "1"); a page that does not read as a number is "1"; remarks are upper-cased.
AlbumRecord parseAlbumLine(const QString& line);

// A line as the keyword search reads it: it needs a path and two commas. Gives false for a line
// that the search skips; otherwise the path and the upper-cased remarks after the second comma.
bool parseSearchLine(const QString& line, QString* path, QString* remarks);

// The most an album holds. Beyond it an album is refused with a message that says which limit it
// passed, so that opening a huge or damaged file costs neither all the memory nor minutes.
struct AlbumLimits {
  qsizetype maxRows = 1'000'000;
  // A path, a page and remarks fit with room to spare (paths hold at most 4,096 bytes here).
  qsizetype maxLineBytes = 64 * 1024;
};

// One line of an album file: its bytes without the line end, and its text. The file is UTF-8 when
// every line of it is valid UTF-8 (a leading byte-order mark is dropped), Windows-1252 otherwise.
class AlbumLine {
 public:
  QByteArrayView bytes() const { return bytes_; }
  bool isAscii() const { return ascii_; }
  QString text() const;

 private:
  friend class AlbumLineReader;
  QByteArrayView bytes_;
  bool ascii_ = true;
  QString decoded_;
};

// Reads the lines of an album file from a device with memory bounded by one read and the longest
// line allowed, whatever the size of the file: CR LF, LF and CR end lines; a last line without an
// end counts; the end of the last line does not start another one.
class AlbumLineReader {
 public:
  // name: the album as messages name it.
  AlbumLineReader(QIODevice& in, const QString& name, const AlbumLimits& limits = {});
  // Gives every line to onLine in file order. A file that turns out not to be UTF-8 part way is
  // read again from its start as Windows-1252, after onRestart has dropped what onLine kept.
  // Raises rt::RuntimeError when reading fails or the album passes a limit.
  void readAll(const std::function<void(const AlbumLine&)>& onLine, const std::function<void()>& onRestart);
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
  QByteArray buffer_;
  qsizetype pos_ = 0;
  qsizetype lines_ = 0;
  qsizetype peak_ = 0;
  bool atEnd_ = false;
  bool started_ = false;
  bool skipLineFeed_ = false;
};

// Every record of an album file's bytes, in file order (as readAlbumFile reads a file).
std::vector<AlbumRecord> parseAlbum(const QByteArray& bytes, const AlbumLimits& limits = {});
// Every record read from a device; name: the album as messages name it.
std::vector<AlbumRecord> readAlbum(QIODevice& in, const QString& name, const AlbumLimits& limits = {},
                                   qsizetype* peakBuffer = nullptr);

// The line the writer puts down for a record (without its line end): trimmed path as it is,
// ", ", trimmed page, ", ", trimmed remarks as typed.
QString formatAlbumLine(const AlbumRecord& record);
// A path that an album line can carry: not empty after trimming and without a comma.
bool isStorablePath(const QString& path);

// Reads an album file. With createIfMissing a missing file is created empty first and gives no
// records. Raises rt::RuntimeError when the file cannot be read or created, or passes the limits.
std::vector<AlbumRecord> readAlbumFile(const QString& path, bool createIfMissing);
// Writes every record, each line ending with CR LF, as UTF-8, through a temporary file beside the
// target that replaces it only when everything was written. A read-only target is refused with
// run-time error 70 and left as it was. Raises rt::RuntimeError on failure.
void writeAlbumFile(const QString& path, const std::vector<AlbumRecord>& records);

// The three-letter extension of a file name as the folder scans see it: the last three characters
// when the trimmed name is longer than 4 and has a full stop fourth from the end; "" otherwise.
QString scanExtension(const QString& fileName);

}  // namespace albums
