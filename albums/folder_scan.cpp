#include "albums/folder_scan.h"

#include "albums/album_file.h"
#include "controls/imaging/format_table.h"
#include "platform/text/native_path.h"
#include "runtime/errors.h"

#include <QFile>
#include <QSet>
#include <algorithm>
#include <filesystem>
#include <unordered_set>

namespace albums {

namespace fs = std::filesystem;

namespace {

// Names by their own bytes: a file whose name is not UTF-8 is found, listed and opened as it is.
QString fromPath(const fs::path& p) { return plat::pathFromNative(QByteArrayView(p.native().data(), qsizetype(p.native().size()))); }

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
      onFile(folderText, fromPath(it->path().filename()));
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
  return scanOne(fs::path(plat::nativePath(root).toStdString()), onFile, control, visited);
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
  // Every extension the open dialog lists, except icons (an icon is not a document to file in an
  // album); the search compares the three-letter extension a name ends in, so the longer ones
  // (TIFF, JPEG) never match here.
  static const QSet<QString> known = [] {
    const QStringList opened = img::patternExtensions();
    QSet<QString> set(opened.begin(), opened.end());
    set.remove(QStringLiteral("ICO"));
    return set;
  }();
  return known.contains(trimBlanks(extension).toUpper());
}

QStringList findImageFiles(const QString& root, const ScanControl& control) {
  QStringList found;
  scanFolders(root, [&](const QString& folder, const QString& name) {
    if (isImageExtension(scanExtension(name))) found << joinPath(folder, name);
  }, control);
  return found;
}

std::vector<KeywordHit> searchAlbums(const QStringList& albumFiles, const QString& keyword, const ScanControl& control) {
  std::vector<KeywordHit> hits;
  const QString key = keyword.trimmed();
  if (key.isEmpty()) return hits;
  // A line of plain ASCII text that lacks an ASCII keyword in any case cannot match: it is passed
  // over without decoding it.
  const QByteArray keyBytes = key.toUtf8();
  const bool asciiKey = std::all_of(keyBytes.begin(), keyBytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  QSet<QString> seen;
  for (const QString& album : albumFiles) {
    if (control.stopped()) break;
    // An album is read as the album manager reads it, line by line within the same limits; one
    // that cannot be read to its end gives no hits, as one that cannot be opened.
    std::vector<KeywordHit> found;
    QSet<QString> foundPaths;
    try {
      QFile file;
      openAlbumFile(file, album, false);
      AlbumLineReader(file, album).readAll(
          [&](const AlbumLine& line) {
            if (asciiKey && line.isAscii() &&
                !QLatin1StringView(line.bytes()).contains(QLatin1StringView(keyBytes), Qt::CaseInsensitive))
              return;
            // The remarks first: the path of a name that is not UTF-8 costs a look at the disk, which
            // only a hit needs.
            QString path, remarks;
            if (!parseSearchLine(line.bytes(), nullptr, &remarks, line.text())) return;
            if (remarks.isEmpty() || !remarks.contains(key)) return;
            parseSearchLine(line.bytes(), &path, nullptr, line.text());
            if (seen.contains(path) || foundPaths.contains(path)) return;
            foundPaths.insert(path);
            found.push_back({path, remarks});
          },
          [&] {
            found.clear();
            foundPaths.clear();
          });
    } catch (const rt::RuntimeError&) {
      continue;
    }
    for (KeywordHit& hit : found) {
      seen.insert(hit.path);
      hits.push_back(std::move(hit));
    }
  }
  return hits;
}

}  // namespace albums
