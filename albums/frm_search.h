#pragma once
// The keyword search: every album below a chosen folder is read, and each image whose album
// remarks contain the keyword is listed once, with a preview, its remarks and page buttons; a
// double click opens it as the main window's document (after closing the one open before).
#include "albums/page_preview.h"
#include "runtime/form.h"

#include <QStringList>
#include <atomic>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QToolBar;
class QTreeWidget;
namespace img {
class ImagingControl;
}
class DriveListBox;
class DirListBox;
class FileListBox;

class frmSearchForm : public rt::Form {
  Q_OBJECT
 public:
  frmSearchForm();

  QLabel* lblKeyWord = nullptr;
  QLineEdit* txtKeyWord = nullptr;
  QGroupBox* fraRoot = nullptr;
  QLabel* lblAlbumRoot = nullptr;
  DriveListBox* drvSel = nullptr;
  DirListBox* dirSel = nullptr;
  FileListBox* fleSel = nullptr;
  QPushButton* cmdSearch = nullptr;
  QPushButton* cmdCancel = nullptr;
  QStatusBar* stsDir = nullptr;
  QLabel* stsDirPanel = nullptr;
  QPushButton* cmdStop = nullptr;
  QGroupBox* fraResults = nullptr;
  QTreeWidget* lsvResults = nullptr;
  QGroupBox* fraImg = nullptr;
  img::ImagingControl* ixPre = nullptr;
  QToolBar* tlbMulti = nullptr;
  QLabel* lblRemarks = nullptr;
  QPushButton* cmdClear = nullptr;

  QStringList mstrAlbumFiles;
  QStringList mstrRemarks;
  int16_t mintPageCount = 0;

  void cmdSearch_Click();
  void lsvResults_Click();
  void lsvResults_DblClick();
  void tlbMulti_ButtonClick(const QString& key);
  void cmdClear_Click();
  void txtKeyWord_LostFocus();

 protected:
  void Form_Unload(int& cancel) override;

 private:
  void loadPreview(const QString& path);
  // Between the search view and the results view.
  void showResultsView(bool results);
  void showPageButtons(const albums::PageButtons& b);
  std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
  bool searching_ = false;
};

extern rt::DefaultInstance<frmSearchForm> frmSearch;
