#pragma once
// The directory browser: a folder's image files as pages of 40 thumbnails (or all at once), a
// magnifier while a thumbnail is pressed, and Select, which closes the browser and opens the
// selected file as the main window's document after closing the one open before.
#include "runtime/form.h"

class QGroupBox;
class QPushButton;
class QToolBar;

namespace albums {
class DriveList;
class DirList;
class FileList;
class ThumbGrid;
}  // namespace albums

class frmBrowseDirForm : public rt::Form {
  Q_OBJECT
 public:
  frmBrowseDirForm();

  QGroupBox* frmDir = nullptr;
  QPushButton* cmdDisplay40 = nullptr;
  QPushButton* cmdDisplayAll = nullptr;
  albums::DriveList* drvSel = nullptr;
  albums::DirList* dirSel = nullptr;
  albums::FileList* fleSel = nullptr;
  QPushButton* cmdClose = nullptr;
  QPushButton* cmdSelect = nullptr;
  albums::ThumbGrid* fraSelImage = nullptr;
  QToolBar* tlbBar = nullptr;
  int16_t mintPage = 1;

  static const QString kPattern;

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
