#include "albums/folder_scan.h"

#include "albums/album_file.h"

#include <QFile>
#include <QSet>
#include <filesystem>
#include <unordered_set>

namespace albums {

namespace fs = std::filesystem;

namespace {

QString fromPath(const fs::path& p) { return QString::fromStdString(p.string()); }

bool scanOne(const fs::path& folder, const std::function<void(const QString&, const QString&)>& onFile,
             const ScanControl& control, std::unordered_set<std::string>& visited) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  if (ec || !visited.insert(canonical.string()).second) return true;
  const QString folderText = fromPath(folder);
  if (control.onFolder) control.onFolder(folderText);
  std::vector<fs::path> subfolders;
  fs::directory_iterator it(folder, ec);
  if (ec) return true;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return true;  // this folder ends here; the parent goes on
    if (control.stopped()) return false;
    std::error_code sec;
    const fs::file_status st = it->status(sec);
    if (sec) continue;
    if (fs::is_directory(st))
      subfolders.push_back(it->path());
    else if (fs::is_regular_file(st))
      onFile(folderText, QString::fromStdString(it->path().filename().string()));
  }
  if (ec) return true;
  for (const fs::path& sub : subfolders)
    if (!scanOne(sub, onFile, control, visited)) return false;
  return true;
}

}  // namespace

bool scanFolders(const QString& root, const std::function<void(const QString&, const QString&)>& onFile,
                 const ScanControl& control) {
  std::unordered_set<std::string> visited;
  if (root.isEmpty()) return true;
  return scanOne(fs::path(root.toStdString()), onFile, control, visited);
}

namespace {
QString joinPath(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}
}  // namespace

QStringList findAlbumFiles(const QString& root, const ScanControl& control) {
  QStringList found;
  scanFolders(root, [&](const QString& folder, const QString& name) {
    if (trimBlanks(scanExtension(name)).toUpper() == QStringLiteral("KVT")) found << joinPath(folder, name);
  }, control);
  return found;
}

bool isImageExtension(const QString& extension) {
  static const QSet<QString> known = {"DIB", "BMP", "DCX", "JIF", "JPG", "PCX", "PBM", "PGM",
                                      "PIC", "PPM", "PNG", "RLE", "TGA", "TIF", "WMF", "WPG"};
  return known.contains(trimBlanks(extension).toUpper());
}

QStringList findImageFiles(const QString& root, const ScanControl& control) {
  QStringList found;
  scanFolders(root, [&](const QString& folder, const QString& name) {
    if (isImageExtension(scanExtension(name))) found << joinPath(folder, name);
  }, control);
  return found;
}

namespace {

bool isAscii(QByteArrayView bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::vector<KeywordHit> searchAlbums(const QStringList& albumFiles, const QString& keyword, const ScanControl& control) {
  std::vector<KeywordHit> hits;
  const QString key = keyword.trimmed();
  if (key.isEmpty()) return hits;
  // An album of plain ASCII text whose upper-cased bytes lack an ASCII keyword cannot match: it is
  // passed over without decoding its lines.
  const QByteArray asciiKey = isAscii(key.toUtf8()) ? key.toUtf8() : QByteArray();
  QSet<QString> seen;
  for (const QString& album : albumFiles) {
    if (control.stopped()) break;
    QFile file(album);
    if (!file.open(QIODevice::ReadOnly)) continue;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) continue;
    if (!asciiKey.isEmpty() && isAscii(bytes) && !bytes.toUpper().contains(asciiKey)) continue;
    for (const QString& line : splitAlbumLines(decodeAlbumText(bytes))) {
      QString path, remarks;
      if (!parseSearchLine(line, &path, &remarks)) continue;
      if (remarks.isEmpty() || !remarks.contains(key)) continue;
      if (seen.contains(path)) continue;
      seen.insert(path);
      hits.push_back({path, remarks});
    }
  }
  return hits;
}

}  // namespace albums
