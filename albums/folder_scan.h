#pragma once
// The recursive folder scans of the keyword search and of the image search: a folder's files first,
// in the order the file system lists them, then its subfolders depth first. A folder that cannot be
// read ends that folder's scan silently and the scan goes on with the next subfolder of its parent;
// a folder reached again through a symbolic link is not entered twice, so links cannot loop.
// Scans may run on a worker thread: they touch no widget, report the folder they enter, and stop
// when asked to.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

namespace albums {

struct ScanControl {
  // Called with each folder's path as it is entered (on the scanning thread).
  std::function<void(const QString& folder)> onFolder;
  // Set to stop the scan between two files.
  const std::atomic<bool>* stop = nullptr;
  bool stopped() const { return stop && stop->load(); }
};

// Calls onFile(folder, name) for every file below root. Returns false when the scan was stopped.
bool scanFolders(const QString& root, const std::function<void(const QString& folder, const QString& name)>& onFile,
                 const ScanControl& control = {});

// Album files (extension KVT in any case) below root: full paths, case kept.
QStringList findAlbumFiles(const QString& root, const ScanControl& control = {});
// Image files below root whose extension, in any case, is one the open dialog lists, icons
// excepted.
QStringList findImageFiles(const QString& root, const ScanControl& control = {});
bool isImageExtension(const QString& extension);

struct KeywordHit {
  QString path;
  QString remarks;
};
// Reads the albums (never creating or writing one; unreadable ones and ones past the album limits
// are skipped) and gives one hit
// per image path whose remarks contain the keyword (trimmed; a case-sensitive substring of the
// upper-cased remarks), with the remarks of the first matching line met.
std::vector<KeywordHit> searchAlbums(const QStringList& albumFiles, const QString& keyword, const ScanControl& control = {});

}  // namespace albums
