#pragma once
// The directory picker: the user chooses a folder, stored on Select in the batch, index or search
// directory according to the word in the window's caption.
#include "runtime/form.h"

#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

class QPushButton;

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

// The file list: every file of a folder.
class FileListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit FileListBox(QWidget* parent = nullptr);
  QString Path() const { return path_; }
  void setPath(const QString& path);

 private:
  QString path_;
};

class frmSelDirForm : public rt::Form {
  Q_OBJECT
 public:
  frmSelDirForm();

  QPushButton* cmdSelect = nullptr;
  QPushButton* cmdCancel = nullptr;
  FileListBox* fleSel = nullptr;
  DirListBox* dirSel = nullptr;
  DriveListBox* drvSel = nullptr;

  void cmdSelect_Click();
  void cmdCancel_Click();
  void drvSel_Change();
  void dirSel_Change();

 private:
  QString lastDrive_;
};

extern rt::DefaultInstance<frmSelDirForm> frmSelDir;

// Which shared directory a caption chooses: "BATCH", "INDEX" or "SEARCH" (tested in that order on
// the upper-cased caption), or "" for none.
QString fnSelDirTarget(const QString& caption);

// Opens the picker with a caption, preset to the folder already chosen (when not blank).
void fnShowSelDir(const QString& caption, const QString& current, QWidget* owner);
