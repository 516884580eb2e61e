#include "albums/album_presenter.h"

#include "albums/thumb_layout.h"
#include "controls/imaging/format_table.h"
#include "platform/text/native_path.h"
#include "runtime/busy_work.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace albums {

namespace {
const QString kNoAlbum = QStringLiteral("   Manage Albums");
const QString kCaptionPrefix = QStringLiteral("   Manage Albums - ");
const QString kAlbumFilter = QStringLiteral("Quorvane Album (*.kvt)|*.KVT|All Files (*.*)|*.*");
const QString kCR = QStringLiteral("\r");

// The file chosen in the open or save box, as the box gives it; false after Cancel, or after a
// failure of the box, which is shown.
bool chooseFile(const QString& title, const QString& filter, bool save, QString& fileName) {
  rt::CommonDialog cdg;
  cdg.DialogTitle = title;
  cdg.Filter = filter;
  cdg.CancelError = true;
  try {
    if (save) cdg.ShowSave();
    else cdg.ShowOpen();
  } catch (const rt::RuntimeError& e) {
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
    return false;
  }
  fileName = cdg.FileName;
  return true;
}

}  // namespace

int32_t slideIntervalMs(double seconds) { return static_cast<int32_t>(rt::RoundHalfEven(seconds)) * 1000; }

AlbumPresenter::AlbumPresenter(AlbumView* view) : view_(view) {
  for (const char* k : {"new", "open"}) buttons[k] = true;
  for (const char* k : {"save", "close", "verify", "search", "add", "delete", "all", "none", "up", "down", "prev", "next",
                        "run", "mprev", "mnext", "set"})
    buttons[k] = false;
}

bool AlbumPresenter::enabled(const QString& key) const {
  auto it = buttons.find(key);
  return it != buttons.end() && it->second;
}

int AlbumPresenter::selectedRow() const {
  for (int i = 0; i < rowCount(); ++i)
    if (rows[i].selected) return i;
  return -1;
}

void AlbumPresenter::enable(std::initializer_list<const char*> keys, bool on) {
  for (const char* k : keys) buttons[QString::fromLatin1(k)] = on;
}

void AlbumPresenter::rowRule() {
  const bool any = !rows.empty();
  enable({"verify", "delete", "all", "none", "run"}, any);
}

void AlbumPresenter::orderRule() { enable({"up", "down"}, rowCount() >= 2 && !chkSort); }

void AlbumPresenter::markChanged() {
  mblnModified = true;
  mblnSaved = false;
}

void AlbumPresenter::clearRows() {
  rows.clear();
  changedRows();
}

void AlbumPresenter::uncheckSort() {
  if (!chkSort) return;
  chkSort = false;
  chkSort_Click(false);
}

void AlbumPresenter::applySort() {
  // By the paths' bytes: a name that is not UTF-8 has its place too.
  std::stable_sort(rows.begin(), rows.end(), [](const AlbumRow& a, const AlbumRow& b) {
    const QByteArrayView x = a.pathBytes(), y = b.pathBytes();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                        [](char c, char d) { return uchar(c) < uchar(d); });
  });
  changedRows();
}

// ---- File ---------------------------------------------------------------------------------------

void AlbumPresenter::fnOpenAlbum(const QString& path) {
  std::optional<std::vector<AlbumRecord>> records;
  {
    rt::ProgressSteps progress(QStringLiteral("Opening the album %1").arg(plat::displayPath(path)));
    records = readAlbumFile(path, true, [&](qint64 done, qint64 total) { return progress.step(done, total); });
  }
  // Cancelled while it was read: the album shown before stays.
  if (!records) return;
  view_->unloadPreview();
  clearRows();
  view_->clearThumbs();
  rows.reserve(records->size());
  for (AlbumRecord& r : *records) rows.emplace_back(std::move(r));
  records.reset();
  changedRows();
  if (fnVerifyAlbum(false) == 0) {
    if (!listView) {
      mintThumbPage = 1;
      enable({"prev"}, false);
      enable({"next"}, pageHasNext(1, rowCount(), kAlbumPageCells));
      view_->loadThumbPage(mintThumbPage);
    }
  } else {
    fnShowAlbumList();
    view_->focusList();
  }
  if (!rows.empty()) enableSlideSettings();
  listActive = true;
  mstrAlbumPath = path;
  fnSetAlbumMode(QStringLiteral("OPEN"));
}

void AlbumPresenter::fnSaveAlbum() {
  QString target = mstrAlbumPath;
  if (target.isEmpty()) {
    if (rows.empty() || !chooseFile(QStringLiteral("Save Album As"), kAlbumFilter, true, target)) return;
    target = trimBlanks(target);
    if (target.isEmpty()) return;
    if (QFileInfo::exists(target) &&
        rt::Confirm(QStringLiteral("A file already exists with the selected path and name!") + kCR + QStringLiteral("Overwrite?"),
                 rt::vbYesNo) != rt::vbYes)
      return;
  }
  mstrAlbumPath = target;
  std::vector<AlbumRecord> records;
  records.reserve(rows.size());
  for (const AlbumRow& r : rows) records.push_back(r);
  try {
    writeAlbumFile(target, records);
  } catch (const rt::RuntimeError& e) {
    rt::ShowError(e.Description());
    return;
  }
  fnSetAlbumMode(QStringLiteral("SAVE"));
}

bool AlbumPresenter::savePrompt() {
  QString text;
  if (!rows.empty() && mstrAlbumPath.isEmpty())
    text = QStringLiteral("New album has not been saved! Save album?");
  else if (mblnModified)
    text = QStringLiteral("Album has been modified! Save Changes?");
  else
    return true;
  const int answer = rt::Confirm(text, rt::vbYesNoCancel);
  if (answer == rt::vbYes) {
    mblnSaved = false;
    fnSaveAlbum();
    return mblnSaved;
  }
  return answer == rt::vbNo;
}

// ---- Modes and views ----------------------------------------------------------------------------

void AlbumPresenter::fnSetAlbumMode(const QString& word) {
  if (word == QStringLiteral("NEW")) {
    mstrAlbumPath.clear();
    mblnModified = mblnSaved = false;
    view_->unloadPreview();
    clearRows();
    view_->clearThumbs();
    enable({"new", "open", "search", "add"}, true);
    enable({"save", "close", "verify", "delete", "all", "none", "up", "down", "run", "mnext", "mprev", "set"}, false);
    uncheckSort();
    caption = kCaptionPrefix + QStringLiteral("New File");
  } else if (word == QStringLiteral("OPEN")) {
    mblnModified = mblnSaved = false;
    view_->unloadPreview();
    enable({"new", "open", "save", "close", "search", "add"}, true);
    if (!rows.empty()) {
      rows.front().selected = true;
      view_->refreshPreview();
    }
    rowRule();
    orderRule();
    uncheckSort();
    caption = kCaptionPrefix + plat::displayPath(mstrAlbumPath);
  } else if (word == QStringLiteral("SAVE")) {
    mblnModified = false;
    mblnSaved = true;
    enable({"new", "open", "save", "close", "search", "add"}, true);
    rowRule();
    orderRule();
    caption = kCaptionPrefix + plat::displayPath(mstrAlbumPath);
  } else if (word == QStringLiteral("CLOSE")) {
    mstrAlbumPath.clear();
    mblnModified = mblnSaved = false;
    view_->unloadPreview();
    clearRows();
    view_->clearThumbs();
    enable({"new", "open"}, true);
    enable({"save", "close", "verify", "search", "add", "delete", "all", "none", "up", "down", "run", "mnext", "mprev",
            "set"},
           false);
    uncheckSort();
    caption = kNoAlbum;
  } else if (word == QStringLiteral("SEARCH") || word == QStringLiteral("ADD")) {
    enable({"new", "open", "save", "close", "search", "add"}, true);
    if (mstrAlbumPath.isEmpty()) enable({"close"}, false);
    rowRule();
    orderRule();
  } else if (word == QStringLiteral("DELETE")) {
    mblnModified = !(mstrAlbumPath.isEmpty() && rows.empty());
    mblnSaved = false;
    enable({"new", "open", "search", "add", "save"}, true);
    enable({"close"}, !mstrAlbumPath.isEmpty());
    if (rows.empty()) view_->unloadPreview();
    rowRule();
    orderRule();
  }
}

void AlbumPresenter::fnShowAlbumList() {
  enable({"new"}, true);
  if (caption != kNoAlbum) enable({"search", "add"}, true);
  if (!rows.empty()) enable({"verify", "delete", "all", "none"}, true);
  orderRule();
  chkSortEnabled = true;
  listView = true;
  enable({"prev", "next"}, false);
  if (selectedRow() >= 0) view_->refreshPreview();
}

void AlbumPresenter::fnShowAlbumThumbs() {
  enable({"new", "verify", "search", "add", "delete", "all", "none", "up", "down"}, false);
  listView = false;
  mintThumbPage = static_cast<int16_t>(albumPageOfRow(selectedRow() + 1));
  chkSortEnabled = false;
  enable({"prev"}, mintThumbPage > 1);
  enable({"next"}, pageHasNext(mintThumbPage, rowCount(), kAlbumPageCells));
  view_->loadThumbPage(mintThumbPage);
}

int16_t AlbumPresenter::fnVerifyAlbum(bool reportSuccess) {
  int count = 0;
  {
    rt::BusyPointer busy;
    for (AlbumRow& r : rows) {
      r.selected = !r.fileExists();
      if (r.selected) ++count;
    }
    changedRows();
  }
  if (count > 0)
    rt::ShowInformation(QStringLiteral("The %1 selected items no longer exist in the original path!").arg(count) + kCR +
         QStringLiteral("It is recommended that you delete these records from the current list!"));
  else if (reportSuccess)
    rt::ShowInformation(QStringLiteral("All items have been successfully verified.") + kCR + QStringLiteral("There are no errors."));
  return static_cast<int16_t>(std::min(count, 32767));
}

// ---- Commands ------------------------------------------------------------------------------------

void AlbumPresenter::tlbRec_ButtonClick(const QString& key) {
  if (key == QStringLiteral("new")) {
    if (!savePrompt()) return;
    resetSlideSettings();
    listActive = true;
    fnSetAlbumMode(QStringLiteral("NEW"));
  } else if (key == QStringLiteral("open")) {
    QString path;
    if (!savePrompt() || !chooseFile(QStringLiteral("Open Album"), kAlbumFilter, false, path)) return;
    try {
      fnOpenAlbum(path);
    } catch (const rt::RuntimeError& e) {
      rt::ShowError(e.Description());
    }
  } else if (key == QStringLiteral("close")) {
    if (!savePrompt()) return;
    resetSlideSettings();
    listActive = false;
    fnSetAlbumMode(QStringLiteral("CLOSE"));
  } else if (key == QStringLiteral("save")) {
    fnSaveAlbum();
  } else if (key == QStringLiteral("verify")) {
    fnVerifyAlbum(true);
  } else if (key == QStringLiteral("prev") || key == QStringLiteral("next")) {
    const int page = std::max(1, mintThumbPage + (key == QStringLiteral("next") ? 1 : -1));
    mintThumbPage = static_cast<int16_t>(page);
    enable({"prev"}, page > 1);
    enable({"next"}, pageHasNext(page, rowCount(), kAlbumPageCells));
    view_->loadThumbPage(page);
  } else if (key == QStringLiteral("list")) {
    fnShowAlbumList();
  } else if (key == QStringLiteral("thumbs")) {
    fnShowAlbumThumbs();
  } else if (key == QStringLiteral("search")) {
    imageSearch();
  } else if (key == QStringLiteral("add")) {
    addFile();
  } else if (key == QStringLiteral("delete")) {
    deleteSelected();
  } else if (key == QStringLiteral("all")) {
    for (AlbumRow& r : rows) r.selected = true;
    changedRows();
    view_->focusList();
  } else if (key == QStringLiteral("none")) {
    for (AlbumRow& r : rows) r.selected = false;
    changedRows();
    view_->unloadPreview();
    enable({"up", "down", "mprev", "mnext", "set"}, false);
    view_->focusList();
  } else if (key == QStringLiteral("up")) {
    moveSelected(-1);
  } else if (key == QStringLiteral("down")) {
    moveSelected(+1);
  }
}

void AlbumPresenter::imageSearch() {
  modVars::gintAddedCount = 0;
  view_->showImageSearch();
  const int added = modVars::gintAddedCount;
  if (added == 0) {
    rt::ShowInformation(QStringLiteral("No unique items found."));
  } else if (added > 0) {
    {
      rt::BusyPointer busy;
      markChanged();
      changedRows();
      fnSetAlbumMode(QStringLiteral("SEARCH"));
      view_->refreshPreview();
    }
    rt::ShowInformation(QStringLiteral("%1 unique items added.").arg(added));
  }
  if (rowCount() == added) enableSlideSettings();
}

bool AlbumPresenter::hasRow(const QString& path) const {
  const QByteArray bytes = plat::nativePath(path);
  return std::any_of(rows.begin(), rows.end(), [&](const AlbumRow& r) { return r.pathBytes() == bytes; });
}

bool AlbumPresenter::appendSearchRow(const QString& path) {
  if (!isStorablePath(path) || hasRow(path)) return false;
  rows.push_back({path, QStringLiteral("1"), QString(), false});
  if (chkSort) applySort();
  changedRows();
  return true;
}

void AlbumPresenter::addFile() {
  QString chosen;
  if (!chooseFile(QStringLiteral("Select File To Add"), img::openDialogFilter(), false, chosen)) return;
  const QString path = trimBlanks(chosen);
  if (!isStorablePath(path)) {
    // The album line separates its fields with commas and has no quoting.
    rt::ShowError(QStringLiteral("The path of this file holds a comma, which an album cannot store!") + kCR + path);
    return;
  }
  if (hasRow(path)) {
    rt::ShowInformation(QStringLiteral("Item is already in the list."));
  } else {
    for (AlbumRow& r : rows) r.selected = false;
    rows.push_back({path, QStringLiteral("1"), QString(), true});
    if (chkSort) applySort();
    changedRows();
    rt::ShowInformation(QStringLiteral("Item added."));
  }
  view_->refreshPreview();
  markChanged();
  if (rowCount() == 1) enableSlideSettings();
  fnSetAlbumMode(QStringLiteral("ADD"));
}

void AlbumPresenter::deleteSelected() {
  if (rt::Confirm(QStringLiteral("Are you sure you want to delete the selected record(s)?"), rt::vbYesNo) != rt::vbYes) return;
  const int first = selectedRow();
  if (first >= 0) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [](const AlbumRow& r) { return r.selected; }), rows.end());
    changedRows();
    markChanged();
    // The row that moved into the place of the first removed one takes the selection.
    if (!rows.empty()) {
      rows[std::min(first, rowCount() - 1)].selected = true;
      view_->refreshPreview();
    }
  }
  if (rows.empty()) resetSlideSettings();
  fnSetAlbumMode(QStringLiteral("DELETE"));
}

void AlbumPresenter::moveSelected(int by) {
  const int i = selectedRow();
  if (i < 0) return;
  const int to = i + by;
  if (to < 0 || to >= rowCount()) return;
  // The whole record moves, remarks included.
  AlbumRow moved = rows[i];
  rows.erase(rows.begin() + i);
  rows.insert(rows.begin() + to, moved);
  for (AlbumRow& r : rows) r.selected = false;
  rows[to].selected = true;
  changedRows();
  markChanged();
  view_->refreshPreview();
}

void AlbumPresenter::lsvAlbum_DblClick() {
  const int i = selectedRow();
  if (i < 0) return;
  const QString remarks = rows[i].remarks();
  QString answer = remarks;
  // Cancel leaves the remarks as they are; an emptied answer empties them.
  if (!rt::dialogs().inputBox(QStringLiteral("Please add remarks: "), QStringLiteral("Remarks"), &answer)) return;
  answer = trimBlanks(answer).toUpper();
  if (answer != remarks) markChanged();
  rows[i].setRemarks(answer);
  changedRows();
}

void AlbumPresenter::setSelection(const std::vector<int>& selectedRows) {
  for (AlbumRow& r : rows) r.selected = false;
  for (int i : selectedRows)
    if (i >= 0 && i < rowCount()) rows[i].selected = true;
}

// While the box is checked the rows stay sorted: rows added later take their place in the order.
void AlbumPresenter::chkSort_Click(bool checked) {
  const bool ask = checked && rowCount() > 2;
  if (ask && rt::Confirm(QStringLiteral("Enabling the sort property will sort the current listing.") + kCR +
                             QStringLiteral("This cannot be undone. Do you want to continue?"),
                         rt::vbYesNo) != rt::vbYes)
    checked = false;
  chkSort = checked;
  enable({"up", "down"}, !checked);
  if (!checked) return;
  applySort();
  // A listing long enough to be asked about counts as changed once sorted.
  if (ask) markChanged();
}

void AlbumPresenter::setSelectedPage(int32_t page) {
  const int i = selectedRow();
  if (i < 0) return;
  rows[i].setPage(QString::number(page));
  changedRows();
  markChanged();
}

// ---- Slide show ------------------------------------------------------------------------------------

void AlbumPresenter::resetSlideSettings() { slide = SlideSettings(); }

void AlbumPresenter::enableSlideSettings() {
  slide.enabled = true;
  slide.chkPath = slide.chkLimitZoom = slide.chkLoop = false;
  slide.optAuto = false;
  slide.optManual = true;
  optManual_Click();
}

void AlbumPresenter::optAuto_Click() {
  slide.optAuto = true;
  slide.optManual = false;
  slide.intervalEnabled = true;
  slide.txtInt.clear();
  view_->focusInterval();
}

void AlbumPresenter::optManual_Click() {
  slide.optManual = true;
  slide.optAuto = false;
  slide.intervalEnabled = false;
  slide.txtInt.clear();
}

bool AlbumPresenter::txtInt_Validate() {
  const QString t = slide.txtInt.trimmed();
  if (t.isEmpty()) return true;
  if (!rt::IsNumeric(t)) {
    rt::ShowError(QStringLiteral("Please enter a numeric value for interval!"));
    return false;
  }
  if (rt::Val(t) < 1) {
    rt::ShowError(QStringLiteral("Please enter an interval of greater or equal with 1 second!"));
    return false;
  }
  return true;
}

void AlbumPresenter::runSlideShow() {
  const QString interval = slide.txtInt.trimmed();
  const bool automatic = slide.enabled && slide.optAuto;
  if (automatic && interval.isEmpty()) {
    rt::ShowError(QStringLiteral("Please enter interval value!"));
    if (slide.intervalEnabled) view_->focusInterval();
    return;
  }
  // The interval is checked here too: the box's own check runs only when it loses the focus.
  if (automatic && !txtInt_Validate()) {
    view_->focusInterval();
    return;
  }
  // There is nothing to show in an empty album.
  if (rows.empty()) return;
  modVars::gstrSlidePaths.clear();
  modVars::gintSlidePages.clear();
  for (const AlbumRow& r : rows) {
    modVars::gstrSlidePaths.push_back(r.path());
    int16_t page = 1;
    const QString p = r.page().trimmed();
    if (rt::IsNumeric(p)) {
      const double v = rt::RoundHalfEven(rt::Val(p));
      page = static_cast<int16_t>(std::clamp(v, 1.0, 32767.0));
    }
    modVars::gintSlidePages.push_back(page);
  }
  modVars::gintSlideCount = static_cast<int16_t>(std::min<std::size_t>(rows.size(), 32767));
  modVars::gblnSlideLoop = slide.chkLoop;
  modVars::gblnSlideShowPath = slide.chkPath;
  modVars::gblnSlideLimitZoom = slide.chkLimitZoom;
  if (automatic) {
    modVars::gstrSlideMode = QStringLiteral("AUTO");
    modVars::gintSlideInterval = slideIntervalMs(rt::Val(interval));
  } else {
    modVars::gstrSlideMode = QStringLiteral("MANUAL");
  }
  view_->showSlideShow();
}

}  // namespace albums
