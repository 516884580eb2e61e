#include "albums/album_file.h"

#include "platform/text/ansi.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

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

QString decodeAlbumText(const QByteArray& bytes) {
  QByteArrayView view(bytes);
  if (view.startsWith("\xEF\xBB\xBF")) view = view.sliced(3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(view);
  if (!utf8.hasError()) return text;
  return plat::fromAnsi(std::string_view(view.constData(), static_cast<std::size_t>(view.size())));
}

std::vector<QString> splitAlbumLines(const QString& text) {
  std::vector<QString> lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar ch = text.at(i);
    if (ch != QLatin1Char('\n') && ch != QLatin1Char('\r')) continue;
    lines.push_back(text.mid(start, i - start));
    if (ch == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < n) lines.push_back(text.mid(start));
  return lines;
}

std::vector<AlbumRecord> parseAlbum(const QByteArray& bytes) {
  std::vector<AlbumRecord> records;
  for (const QString& line : splitAlbumLines(decodeAlbumText(bytes))) records.push_back(parseAlbumLine(line));
  return records;
}

QString formatAlbumLine(const AlbumRecord& r) {
  return trimBlanks(r.path) + kSep + trimBlanks(r.page) + kSep + trimBlanks(r.remarks);
}

bool isStorablePath(const QString& path) {
  return !trimBlanks(path).isEmpty() && !path.contains(QLatin1Char(','));
}

std::vector<AlbumRecord> readAlbumFile(const QString& path, bool createIfMissing) {
  QFile file(path);
  if (!file.exists()) {
    if (!createIfMissing) rt::Raise(rt::kErrFileNotFound, kSource);
    if (!QFileInfo(path).dir().exists()) rt::Raise(rt::kErrPathNotFound, kSource);
    if (!file.open(QIODevice::WriteOnly)) rt::Raise(rt::kErrPermissionDenied, kSource);
    file.close();
    return {};
  }
  if (QFileInfo(path).isDir()) rt::Raise(rt::kErrPathNotFound, kSource);
  if (!file.open(QIODevice::ReadOnly)) rt::Raise(rt::kErrPermissionDenied, kSource);
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) rt::Raise(rt::kErrDeviceIO, kSource, file.errorString());
  return parseAlbum(bytes);
}

void writeAlbumFile(const QString& path, const std::vector<AlbumRecord>& records) {
  const QFileInfo info(path);
  if (info.isDir()) rt::Raise(rt::kErrPathNotFound, kSource);
  if (!info.dir().exists()) rt::Raise(rt::kErrPathNotFound, kSource);
  // The rename below would replace a read-only file too; the file's own protection decides.
  if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner)))
    rt::Raise(rt::kErrPermissionDenied, kSource);
  QByteArray bytes;
  for (const AlbumRecord& r : records) {
    bytes += formatAlbumLine(r).toUtf8();
    bytes += "\r\n";
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) rt::Raise(rt::kErrPermissionDenied, kSource);
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    rt::Raise(rt::kErrDeviceIO, kSource, file.errorString());
  }
  if (!file.commit()) rt::Raise(rt::kErrDeviceIO, kSource, file.errorString());
}

QString scanExtension(const QString& fileName) {
  const QString name = trimBlanks(fileName);
  if (name.size() > 4 && name.at(name.size() - 4) == QLatin1Char('.')) return name.right(3);
  return QString();
}

}  // namespace albums
