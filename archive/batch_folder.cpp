#include "archive/batch_folder.h"

#include "archive/archive_protocol.h"
#include "platform/text/ansi.h"
#include "platform/text/lines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace arch::batch {
namespace {

namespace fs = std::filesystem;

bool gAlwaysCopy = false;

fs::path toPath(const QString& p) { return fs::path(p.toStdString()); }

QString path(const QString& folder, const QString& name) { return QDir(folder).filePath(name); }

bool exists(const QString& p) {
  std::error_code ec;
  return fs::symlink_status(toPath(p), ec).type() != fs::file_type::not_found && !ec;
}

// Removes a file even when it is read-only.
bool removeFile(const QString& p) {
  QFile::setPermissions(p, QFile::permissions(p) | QFileDevice::WriteOwner);
  return QFile::remove(p);
}

QString fail(QString* error, const QString& text) {
  if (error) *error = text;
  return text;
}

const QString kIndexPrefix = QStringLiteral("Index file - ");

// Four valid lines are a few dozen bytes: whatever follows them within this much makes a fifth
// line, so reading more can change no verdict (a damaged or huge file is never read whole).
constexpr qint64 kIndexReadLimit = 64 * 1024;

}  // namespace

FileKind classify(const QString& name) {
  const QString upper = name.toUpper();
  if (upper == QLatin1String(kMarker)) return FileKind::Marker;
  if (upper.endsWith(QLatin1String(".TXT"))) return FileKind::Index;
  if (upper.endsWith(QLatin1String(".ACH"))) return FileKind::Image;
  return FileKind::Unexpected;
}

QString folderName(const QString& achId) { return achId.trimmed().toUpper(); }

bool isSafeFolderName(const QString& achId) {
  const QString name = folderName(achId);
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  for (QChar c : name)
    if (c == QLatin1Char('/') || c == QLatin1Char('\\')) return false;
  return isFieldSafe(name);
}

QString unsafeIdMessage() {
  return QStringLiteral("Invalid Archive ID!") + QLatin1Char('\r') +
         QStringLiteral("It must not be empty, \".\" or \"..\", nor contain slashes, backslashes, commas or control "
                        "characters.");
}

QByteArray indexFileBytes(const QString& achId, const QString& parm1, const QString& parm2) {
  QByteArray out;
  for (const QString& line : {QString::fromLatin1(kOperation), achId.trimmed().toUpper(), parm1.trimmed().toUpper(),
                              parm2.trimmed().toUpper()}) {
    const std::string bytes = plat::toAnsi(line);
    out.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    out.append("\r\n");
  }
  return out;
}

QStringList readIndexLines(const QByteArray& bytes) {
  QStringList lines;
  for (QByteArrayView line : plat::splitLines(bytes))
    lines << plat::fromAnsi(std::string_view(line.data(), static_cast<size_t>(line.size())));
  return lines;
}

IndexKeys indexKeys(const QStringList& lines) {
  return {lines.value(0).trimmed(), lines.value(1).trimmed(), lines.value(2).trimmed(), lines.value(3).trimmed()};
}

QStringList Contents::of(FileKind kind) const {
  QStringList out;
  for (const Entry& e : entries)
    if (e.kind == kind) out << e.name;
  return out;
}

std::optional<Contents> listFolder(const QString& folder) {
  Contents c;
  std::error_code ec;
  for (fs::directory_iterator it(toPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    const QString name = QString::fromStdString(it->path().filename().string());
    std::error_code ec2;
    const bool isFile = it->is_regular_file(ec2);
    c.entries.push_back({name, isFile ? classify(name) : FileKind::Unexpected});
  }
  if (ec) return std::nullopt;
  return c;
}

void setAlwaysCopyForTest(bool copy) { gAlwaysCopy = copy; }

bool moveFile(const QString& source, const QString& target, QString* error) {
  if (!QFileInfo(source).isFile()) {
    fail(error, QStringLiteral("File does not exists!"));
    return false;
  }
  if (exists(target)) {
    fail(error, QStringLiteral("File already exists:") + QLatin1Char('\r') + target);
    return false;
  }
  std::error_code ec;
  if (!gAlwaysCopy) {
    fs::rename(toPath(source), toPath(target), ec);
    if (!ec) return true;
    if (ec != std::errc::cross_device_link) {
      fail(error, QString::fromStdString(ec.message()));
      return false;
    }
  }
  // Another file system: a copy that is checked before the source goes.
  const QString part = target + QStringLiteral(".part");
  QFile::remove(part);
  const qint64 size = QFileInfo(source).size();
  if (!QFile::copy(source, part) || QFileInfo(part).size() != size) {
    QFile::remove(part);
    fail(error, QStringLiteral("The file could not be copied to:") + QLatin1Char('\r') + target);
    return false;
  }
  fs::rename(toPath(part), toPath(target), ec);
  if (ec) {
    QFile::remove(part);
    fail(error, QString::fromStdString(ec.message()));
    return false;
  }
  if (!removeFile(source)) {
    // Two copies would be two documents: keep only the original.
    QFile::remove(target);
    fail(error, QStringLiteral("The file could not be removed:") + QLatin1Char('\r') + source);
    return false;
  }
  return true;
}

bool writeBatchFolder(const QString& root, const QString& achId, const QString& parm1, const QString& parm2,
                      const QString& source, QString* error) {
  if (!isSafeFolderName(achId)) {
    fail(error, unsafeIdMessage());
    return false;
  }
  if (!isFieldSafe(parm1.trimmed()) || !isFieldSafe(parm2.trimmed())) {
    fail(error, QStringLiteral("Parm 1 and Parm 2 must not contain commas or control characters!"));
    return false;
  }
  if (!QFileInfo(root).isDir()) {
    fail(error, QStringLiteral("Batch Root directory not found!"));
    return false;
  }
  if (!QFileInfo(source).isFile()) {
    fail(error, QStringLiteral("File does not exists!"));
    return false;
  }
  const QString name = folderName(achId);
  const QString folder = path(root, name);
  if (exists(folder)) {
    fail(error, QStringLiteral("A batch folder of this Archive ID already exists:") + QLatin1Char('\r') + folder);
    return false;
  }
  if (!QDir().mkdir(folder)) {
    fail(error, QStringLiteral("The batch folder could not be created:") + QLatin1Char('\r') + folder);
    return false;
  }
  const auto undo = [&] { QDir(folder).removeRecursively(); };
  QSaveFile index(path(folder, name + QStringLiteral(".TXT")));
  const QByteArray bytes = indexFileBytes(achId, parm1, parm2);
  if (!index.open(QIODevice::WriteOnly) || index.write(bytes) != bytes.size() || !index.commit()) {
    undo();
    fail(error, QStringLiteral("The batch index file could not be written:") + QLatin1Char('\r') + index.fileName());
    return false;
  }
  if (!moveFile(source, path(folder, name + QStringLiteral(".ACH")), error)) {
    undo();
    return false;
  }
  return true;
}

// ---- Verification ----------------------------------------------------------------------------------

QString statusReady() { return QStringLiteral("Ready for archival"); }

QStringList checkIndexFile(const QByteArray& bytes, const QString& parm1Caption, const QString& parm2Caption) {
  const QStringList all = readIndexLines(bytes);
  QStringList rows;
  const auto bad = [&](const QString& what) { rows << kIndexPrefix + what; };
  const int read = static_cast<int>(std::min<qsizetype>(all.size(), 6));
  for (int i = 0; i < read; ++i) {
    const QString line = all[i].trimmed();
    const qsizetype n = line.size();
    switch (i) {
      case 0:
        if (n == 0 || n > 10) bad(QStringLiteral("invalid OPS parameter"));
        break;
      case 1:
        // The archive ID also names the folder and travels as a field.
        if (n == 0 || n > 20 || !isSafeFolderName(line)) bad(QStringLiteral("invalid AchID"));
        break;
      case 2:
        if (n > 50 || !isFieldSafe(line)) bad(QStringLiteral("invalid ") + parm1Caption);
        break;
      case 3:
        if (n > 12 || !isFieldSafe(line)) bad(QStringLiteral("invalid ") + parm2Caption);
        break;
      default:
        break;
    }
  }
  if (read != 4) bad(QStringLiteral("unexpected number of lines"));
  return rows;
}

QStringList verifyFolder(const QString& folder, const QString& parm1Caption, const QString& parm2Caption,
                         const ImageCheck& loadImage) {
  QStringList rows;
  const auto contents = listFolder(folder);
  if (!contents) return {QStringLiteral("Folder could not be read")};
  // A folder is always judged afresh: whatever it holds, its old marker goes first.
  bool markerStays = false;
  for (const QString& m : contents->of(FileKind::Marker))
    if (!removeFile(path(folder, m))) markerStays = true;
  if (markerStays) rows << QStringLiteral("Marker file could not be removed");
  if (contents->count() != 2 && contents->count() != 3) {
    rows << QStringLiteral("Unexpected number of files");
    return rows;
  }
  bool indexValid = true, imageValid = true, unexpected = false;
  int indexSeen = 0, imageSeen = 0;
  for (const Entry& e : contents->entries) {
    const QString p = path(folder, e.name);
    switch (e.kind) {
      case FileKind::Index: {
        ++indexSeen;
        QFile f(p);
        if (!f.open(QIODevice::ReadOnly)) {
          rows << kIndexPrefix + QStringLiteral("cannot be read");
          indexValid = false;
          break;
        }
        const QStringList found = checkIndexFile(f.read(kIndexReadLimit), parm1Caption, parm2Caption);
        if (!found.isEmpty()) indexValid = false;
        rows << found;
        break;
      }
      case FileKind::Image: {
        ++imageSeen;
        const QString err = loadImage(p);
        if (!err.isEmpty()) {
          rows << err;
          imageValid = false;
        }
        break;
      }
      case FileKind::Marker:
        break;
      case FileKind::Unexpected:
        rows << QStringLiteral("Unexpected file found - ") + e.name;
        unexpected = true;
        break;
    }
  }
  // Exactly one of each: with two, which one is the document is anybody's guess.
  if (indexSeen == 0) rows << QStringLiteral("Index file - not found");
  if (indexSeen > 1) rows << QStringLiteral("Index file - more than one found");
  if (imageSeen == 0) rows << QStringLiteral("Image file - not found");
  if (imageSeen > 1) rows << QStringLiteral("Image file - more than one found");
  if (indexSeen != 1 || imageSeen != 1 || !indexValid || !imageValid || unexpected || markerStays) return rows;
  QFile marker(path(folder, QString::fromLatin1(kMarker)));
  if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    rows << QStringLiteral("Marker file could not be written");
    return rows;
  }
  marker.close();
  rows << statusReady();
  return rows;
}

// ---- Archival --------------------------------------------------------------------------------------

std::optional<Item> readyItem(const QString& folder) {
  const auto contents = listFolder(folder);
  if (!contents) return std::nullopt;
  const QStringList index = contents->of(FileKind::Index);
  const QStringList image = contents->of(FileKind::Image);
  if (contents->of(FileKind::Marker).isEmpty() || index.size() != 1 || image.size() != 1) return std::nullopt;
  Item item{folder, path(folder, image.front()), path(folder, index.front()), {}};
  QFile f(item.index);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  item.keys = indexKeys(readIndexLines(f.read(kIndexReadLimit)));
  if (item.keys.achId.isEmpty() || !isFieldSafe(item.keys.achId) || !isFieldSafe(item.keys.parm1) ||
      !isFieldSafe(item.keys.parm2))
    return std::nullopt;
  return item;
}

bool removeSentFolder(const Item& item, QString* error) {
  bool ok = true;
  // The marker first: whatever else fails, the folder is never sent again unverified.
  if (const auto contents = listFolder(item.folder))
    for (const QString& m : contents->of(FileKind::Marker)) ok = removeFile(path(item.folder, m)) && ok;
  for (const QString& p : {item.image, item.index})
    if (QFileInfo::exists(p)) ok = removeFile(p) && ok;
  if (!ok || !QDir().rmdir(item.folder)) {
    fail(error, QStringLiteral("The batch folder could not be removed after its archival:") + QLatin1Char('\r') +
                    item.folder);
    return false;
  }
  return true;
}

}  // namespace arch::batch
