#pragma once
// The drive, directory and file lists that the browser and the search windows choose a folder
// with: drvSel lists the root and the mounted volumes, dirSel the open folder's chain and its
// subfolders (a double click opens one), fleSel the files of a folder that match a pattern.
#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>

namespace albums {

class DriveList : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveList(QWidget* parent = nullptr);
  QString Drive() const { return currentText(); }
  // Selects the volume that holds path (the root when none does).
  void setDriveFor(const QString& path);
 Q_SIGNALS:
  void driveChanged(const QString& drive);
};

class DirList : public QListWidget {
  Q_OBJECT
 public:
  explicit DirList(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  // Opens the folder; a folder that does not exist or cannot be read leaves the list as it was and
  // gives false.
  bool setPath(const QString& path);
 Q_SIGNALS:
  void pathChanged(const QString& path);

 private:
  QString path_;
};

class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  void setPath(const QString& path);
  // Patterns separated by ';' ("*.BMP;*.JPG"), matched without regard to case; empty = every file.
  void setPattern(const QString& pattern);
  int ListCount() const { return count(); }
  QString List(int i) const;
  // The selected file's name ("" when none).
  QString FileName() const;
  void refresh();

 private:
  QString path_;
  QStringList patterns_;
};

// Files of a folder as the file list shows them: sorted by name, matching one of the patterns.
QStringList listFiles(const QString& folder, const QStringList& patterns);

}  // namespace albums
