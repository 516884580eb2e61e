#pragma once
// The directory picker: the user chooses a folder, stored on Select in the batch, index or search
// directory according to the word in the window's caption.
#include "albums/folder_lists.h"
#include "runtime/form.h"


class QPushButton;

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
  // A new folder in the directory list: the file list follows.
  void dirSel_Change();
};

extern rt::DefaultInstance<frmSelDirForm> frmSelDir;

// Which shared directory a caption chooses: "BATCH", "INDEX" or "SEARCH" (tested in that order on
// the upper-cased caption), or "" for none.
QString fnSelDirTarget(const QString& caption);

// Opens the picker with a caption, preset to the folder already chosen (when not blank).
void fnShowSelDir(const QString& caption, const QString& current, QWidget* owner);
