#pragma once
// The files by which the windows that list a folder's pictures (the directory browser and the
// archive's index window) are checked against their shared pattern: the files the program reads,
// by every extension of their formats (.tiff, .jpeg) and in any case, and nothing else (GIF, LJP
// and WMF, which it cannot read).
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

namespace testsupport {

// Writes an empty file of each case into folder; returns the names the file list shows, in name order.
inline QStringList writeFolderPatternFiles(const QString& folder) {
  const struct {
    const char* name;
    bool listed;
  } cases[] = {{"a.gif", false}, {"b.LJP", false}, {"c.Tif", true},  {"d.dib", true},  {"e.ico", true},
               {"f.RLE", true},  {"g.wmf", false}, {"h.txt", false}, {"i.jpeg", true}, {"j.tiff", true}};
  QDir().mkpath(folder);
  QStringList listed;
  for (const auto& c : cases) {
    QFile file(QDir(folder).filePath(QString::fromLatin1(c.name)));
    if (!file.open(QIODevice::WriteOnly)) return {QStringLiteral("cannot write ") + file.fileName()};
    if (c.listed) listed << QString::fromLatin1(c.name);
  }
  return listed;
}

}  // namespace testsupport
