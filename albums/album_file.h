#pragma once
// Album files: one record per line, "path, page, remarks". Plain text with no header, quoting or
// escaping; the reader splits at the first two commas, so a path cannot hold a comma while remarks
// can. Paths keep their case (they are opened again); remarks come back upper-cased from a read.
#include <QByteArray>
#include <QString>
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

// The file's bytes as text: UTF-8 when they are valid UTF-8 (a leading byte-order mark is dropped),
// Windows-1252 otherwise.
QString decodeAlbumText(const QByteArray& bytes);
// The lines of a text: CR LF, LF and CR end lines; a last line without an end counts; the end of
// the last line does not start another one.
std::vector<QString> splitAlbumLines(const QString& text);
// Every record of an album file's bytes, in file order.
std::vector<AlbumRecord> parseAlbum(const QByteArray& bytes);

// The line the writer puts down for a record (without its line end): trimmed path as it is,
// ", ", trimmed page, ", ", trimmed remarks as typed.
QString formatAlbumLine(const AlbumRecord& record);
// A path that an album line can carry: not empty after trimming and without a comma.
bool isStorablePath(const QString& path);

// Reads an album file. With createIfMissing a missing file is created empty first and gives no
// records. Raises rt::RuntimeError when the file cannot be read or created.
std::vector<AlbumRecord> readAlbumFile(const QString& path, bool createIfMissing);
// Writes every record, each line ending with CR LF, as UTF-8, through a temporary file beside the
// target that replaces it only when everything was written. A read-only target is refused with
// run-time error 70 and left as it was. Raises rt::RuntimeError on failure.
void writeAlbumFile(const QString& path, const std::vector<AlbumRecord>& records);

// The three-letter extension of a file name as the folder scans see it: the last three characters
// when the trimmed name is longer than 4 and has a full stop fourth from the end; "" otherwise.
QString scanExtension(const QString& fileName);

}  // namespace albums
