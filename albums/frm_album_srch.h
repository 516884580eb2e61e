#pragma once
// The image search into an album: every image file below a chosen folder is listed with a preview;
// Add takes the selected ones, Add All every one, into the album manager's list, skipping paths it
// already lists, and counts them in gintAddedCount (-1 after Cancel).
#include "runtime/form.h"

#include <atomic>
#include <memory>

class QLabel;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QGroupBox;
namespace img {
class ImagingControl;
}
class DriveListBox;
class DirListBox;

class frmAlbumSrchForm : public rt::Form {
  Q_OBJECT
 public:
  frmAlbumSrchForm();

  QTreeWidget* lsvResults = nullptr;
  QGroupBox* fraDir = nullptr;
  DriveListBox* drvSel = nullptr;
  DirListBox* dirSel = nullptr;
  QPushButton* cmdSearch = nullptr;
  QGroupBox* fraImg = nullptr;
  img::ImagingControl* ixPre = nullptr;
  QPushButton* cmdAddAll = nullptr;
  QPushButton* cmdAdd = nullptr;
  QPushButton* cmdCancel = nullptr;
  QStatusBar* stsDir = nullptr;
  QLabel* stsDirPanel = nullptr;  // the panel keyed "dir"

  void cmdSearch_Click();
  void lsvResults_Click();
  void cmdAdd_Click();
  void cmdAddAll_Click();
  void cmdCancel_Click();

 protected:
  void Form_Unload(int& cancel) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void addRows(bool selectedOnly);
  std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
  bool searching_ = false;
};

extern rt::DefaultInstance<frmAlbumSrchForm> frmAlbumSrch;
