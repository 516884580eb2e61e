#pragma once
// The album manager's state and commands without widgets: the rows of the open album with their
// selection, the path and the modified and saved flags, the enabled state of every button, the
// view (list or thumbnails), the sort box and the slide-show settings. The window shows this state
// and hands the presenter its events; what needs widgets (the preview, the thumbnail grid, focus,
// the windows it opens) the presenter asks of the window through AlbumView. Questions and messages
// go through the dialog service.
#include "albums/album_file.h"
#include "runtime/dialogs.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <vector>

namespace albums {

// A row of the album manager: its record and whether it is selected.
struct AlbumRow : AlbumRecord {
  AlbumRow(const QString& path = QString(), const QString& page = QStringLiteral("1"), const QString& remarks = QString(),
           bool selected = false)
      : AlbumRecord(path, page, remarks), selected(selected) {}
  AlbumRow(AlbumRecord record, bool selected = false) : AlbumRecord(std::move(record)), selected(selected) {}
  bool selected = false;
};

// The window side of the album manager.
class AlbumView {
 public:
  virtual ~AlbumView() = default;
  // Empties the preview and the four information values.
  virtual void unloadPreview() = 0;
  // The list click behaviour: previews the selected row (the first selected one).
  virtual void refreshPreview() = 0;
  virtual void clearThumbs() = 0;
  virtual void loadThumbPage(int page) = 0;
  virtual void focusList() = 0;
  virtual void focusInterval() = 0;
  // Shows the image search modally; it adds rows through the presenter.
  virtual void showImageSearch() = 0;
  // Shows the slide show modally (the hand-off values are set).
  virtual void showSlideShow() = 0;
};

// Buttons of the record toolbar (tlbRec) by key, "run" of tlbSS, and "mprev", "mnext", "set" for
// prev, next and set of the page toolbar tlbMulti.
using ButtonMap = std::map<QString, bool>;

struct SlideSettings {
  bool enabled = false;  // fraTransition, optManual, optAuto, chkPath, chkLimitZoom, chkLoop
  bool chkPath = false, chkLimitZoom = false, chkLoop = false;
  bool optManual = false, optAuto = false;
  bool intervalEnabled = false;  // lblInt, txtInt
  QString txtInt;
};

class AlbumPresenter {
 public:
  explicit AlbumPresenter(AlbumView* view);

  // ---- State ---------------------------------------------------------------------------------
  std::vector<AlbumRow> rows;
  QString mstrAlbumPath;
  bool mblnModified = false;
  bool mblnSaved = false;
  int16_t mintThumbPage = 1;
  QString caption = QStringLiteral("   Manage Albums");
  ButtonMap buttons;
  bool chkSort = false;
  bool chkSortEnabled = true;
  bool listView = true;       // lsvAlbum shown (else fraTmb)
  bool listActive = false;    // the list has the window-background colour (an album is new or open)
  SlideSettings slide;
  // Grows whenever rows are added, removed, reordered or edited (the window rebuilds its list).
  int rowsRevision = 0;

  bool enabled(const QString& key) const;
  int rowCount() const { return static_cast<int>(rows.size()); }
  // 0-based index of the first selected row; -1 when none.
  int selectedRow() const;

  // ---- Album file and modes --------------------------------------------------------------------
  // Replaces the album by the file's records; raises rt::RuntimeError when the file cannot be read
  // (the rows read so far stay, as the file was opened).
  void fnOpenAlbum(const QString& path);
  // Saves; a completed save sets mblnSaved. Errors are shown.
  void fnSaveAlbum();
  void fnSetAlbumMode(const QString& word);
  void fnShowAlbumList();
  void fnShowAlbumThumbs();
  int16_t fnVerifyAlbum(bool reportSuccess);
  // The question before new, open, close and closing the window; false when the caller stops.
  bool savePrompt();

  // ---- Commands ---------------------------------------------------------------------------------
  void tlbRec_ButtonClick(const QString& key);
  // A double click on the list: asks for the selected row's remarks.
  void lsvAlbum_DblClick();
  // The user changed the list's selection.
  void setSelection(const std::vector<int>& selectedRows);
  void chkSort_Click(bool checked);
  // Set of the page toolbar: the selected row's page becomes page.
  void setSelectedPage(int32_t page);
  // Rows that the image search adds (false when a row with that path is listed already, or the
  // path cannot be stored).
  bool hasRow(const QString& path) const;
  bool appendSearchRow(const QString& path);

  // ---- Slide-show settings ------------------------------------------------------------------------
  void resetSlideSettings();
  void enableSlideSettings();
  void optAuto_Click();
  void optManual_Click();
  // The check when the interval box loses the focus; false keeps the focus there.
  bool txtInt_Validate();
  void runSlideShow();

  // Move Up and Move Down: enabled for two rows or more while the listing is not sorted.
  void orderRule();

 private:
  void enable(std::initializer_list<const char*> keys, bool on);
  void rowRule();
  void markChanged();
  void changedRows() { ++rowsRevision; }
  void clearRows();
  void uncheckSort();
  void applySort();
  void addFile();
  void deleteSelected();
  void moveSelected(int by);
  void imageSearch();

  AlbumView* view_;
};

// The whole-second interval of the slide show in milliseconds: half to even, as the runtime rounds.
int32_t slideIntervalMs(double seconds);

}  // namespace albums
