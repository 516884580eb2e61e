#pragma once
// The directory browser: a folder's image files as pages of 40 thumbnails (or all at once), a
// magnifier while a thumbnail is pressed, and Select, which closes the browser and opens the
// selected file as the main window's document after closing the one open before.
#include "runtime/form.h"

class QGroupBox;
class QPushButton;
class QToolBar;

class DriveListBox;
class DirListBox;
class FileListBox;
namespace albums {
class ThumbGrid;
}  // namespace albums

class frmBrowseDirForm : public rt::Form {
  Q_OBJECT
 public:
  frmBrowseDirForm();

  QGroupBox* frmDir = nullptr;
  QPushButton* cmdDisplay40 = nullptr;
  QPushButton* cmdDisplayAll = nullptr;
  DriveListBox* drvSel = nullptr;
  DirListBox* dirSel = nullptr;
  FileListBox* fleSel = nullptr;
  QPushButton* cmdClose = nullptr;
  QPushButton* cmdSelect = nullptr;
  albums::ThumbGrid* fraSelImage = nullptr;
  QToolBar* tlbBar = nullptr;
  int16_t mintPage = 1;

  // A new folder in the directory list: the file list follows.
  void dirSel_Change();
  void fnLoadBrowsePage(bool paged, int first, int last, int page);
  void fnSelectTmb(int index);
  void cmdDisplay40_Click();
  void cmdDisplayAll_Click();
  void tlbBar_ButtonClick(const QString& key);
  void cmdSelect_Click();
  void fleSel_Click();
  void ixTmb_MouseDown(int index);
  void ixTmb_MouseUp(int index);
  void ixTmb_DblClick(int index);

 private:
  bool selecting_ = false;
};

extern rt::DefaultInstance<frmBrowseDirForm> frmBrowseDir;
