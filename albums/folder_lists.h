#pragma once
// The drive, directory and file lists with which windows choose a folder: the drive list shows the
// root and the mounted volumes, the directory list the chosen folder's chain and its subfolders (a
// double click opens one), the file list the files of a folder that match a pattern.
#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

namespace albums {

// Files of a folder as the file list shows them: sorted by name, matching one of the patterns
// (every file when there is none).
QStringList listFiles(const QString& folder, const QStringList& patterns);

}  // namespace albums

// The drive list: the root and every mounted volume.
class DriveListBox : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveListBox(QWidget* parent = nullptr);
  QString Drive() const { return currentText(); }
  // Selects the volume that holds path (the root when none does).
  void setDrive(const QString& path);
 Q_SIGNALS:
  void Change();
};

// The directory list: the folders above the chosen one and the folders in it; Path is the chosen folder.
class DirListBox : public QTreeWidget {
  Q_OBJECT
 public:
  explicit DirListBox(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  // False (nothing changes) when the folder cannot be read.
  bool setPath(const QString& path);
 Q_SIGNALS:
  void Change();

 private:
  QString path_;
};

// The file list: the files of a folder that match its pattern (every file without one).
class FileListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit FileListBox(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  void setPath(const QString& path);
  // Patterns separated by ';' ("*.BMP;*.JPG"), matched without regard to case.
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

namespace albums {

// Opens start in the lists and links them as a window's folder choice: a new drive opens its root
// (one that cannot be read is reported, and the drive list goes back to the folder's), a new folder
// fills the file list (when there is one).
void linkFolderLists(DriveListBox* drive, DirListBox* dir, FileListBox* files, const QString& start);

}  // namespace albums
