#pragma once
// The album manager: one album at a time as a list or as pages of 48 thumbnails, the preview of the
// selected record with its page toolbar and file information, the record toolbar, the sort box and
// the slide-show settings. Its rules live in AlbumPresenter; the window shows the presenter's state.
#include "albums/album_presenter.h"
#include "runtime/form.h"

#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolBar;
class QTreeView;
class QFrame;
namespace img {
class ImagingControl;
}

namespace albums {
class ThumbGrid;
class AlbumListModel;
}

class frmAlbumForm : public rt::Form, private albums::AlbumView {
  Q_OBJECT
 public:
  frmAlbumForm();
  ~frmAlbumForm() override;

  // Replaces the album by the file's contents (a missing file is created empty). Raises
  // rt::RuntimeError when the file cannot be read; the caller reports it.
  void fnOpenAlbum(const QString& strAlbumFileName);

  albums::AlbumPresenter& presenter() { return presenter_; }

  // ---- Controls ------------------------------------------------------------------------------
  // The rows as a list: a view over the presenter's rows, which shows only the rows in view.
  QTreeView* lsvAlbum = nullptr;
  albums::ThumbGrid* fraTmb = nullptr;
  QFrame* fraBar = nullptr;
  QToolBar* tlbRec = nullptr;
  QGroupBox* fraDetl = nullptr;
  QGroupBox* fraTransition = nullptr;
  QRadioButton* optManual = nullptr;
  QRadioButton* optAuto = nullptr;
  QLabel* lblInt = nullptr;
  QLineEdit* txtInt = nullptr;
  QCheckBox* chkPath = nullptr;
  QCheckBox* chkLimitZoom = nullptr;
  QCheckBox* chkLoop = nullptr;
  QToolBar* tlbSS = nullptr;
  QGroupBox* fraImg = nullptr;
  img::ImagingControl* ixPre = nullptr;
  QToolBar* tlbMulti = nullptr;
  QLabel *lblFileFormat = nullptr, *lblFileSize = nullptr, *lblNumPages = nullptr, *lblBPP = nullptr;
  QCheckBox* chkSort = nullptr;
  QPushButton* cmdClose = nullptr;

  // Events.
  void tlbRec_ButtonClick(const QString& key);
  void tlbMulti_ButtonClick(const QString& key);
  void lsvAlbum_Click();
  void lsvAlbum_DblClick();
  void ixTmb_MouseDown(int index);
  void ixTmb_MouseUp(int index);
  void tlbSS_ButtonClick();

 protected:
  void Form_Load() override;
  void Form_QueryUnload(int& cancel, int unloadMode) override;

 private:
  // AlbumView
  void unloadPreview() override;
  void refreshPreview() override;
  void clearThumbs() override;
  void loadThumbPage(int page) override;
  void focusList() override;
  void focusInterval() override;
  void showImageSearch() override;
  void showSlideShow() override;

  void build();
  // Brings the controls into line with the presenter.
  void sync();
  void syncRows();
  // The preview's file information and its page buttons (Set only withSet).
  void showFileInfo(bool withSet);
  void run(const std::function<void()>& handler);

  albums::AlbumPresenter presenter_;
  albums::AlbumListModel* rowsModel_ = nullptr;
  int shownRevision_ = -1;
  bool syncing_ = false;
  int16_t mintPageCount = 0;
};

extern rt::DefaultInstance<frmAlbumForm> frmAlbum;
