#include "albums/frm_album.h"

#include "albums/form_util.h"
#include "albums/frm_album_srch.h"
#include "albums/frm_slide_show.h"
#include "albums/page_preview.h"
#include "albums/thumb_grid.h"
#include "albums/thumb_magnifier.h"
#include "controls/imaging/imaging_control.h"
#include "platform/text/native_path.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/leave_check.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QAbstractTableModel>
#include <QActionGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>

using albums::place;
using albums::placed;

rt::DefaultInstance<frmAlbumForm> frmAlbum;

namespace {
const QColor kInactive = QColor(0xF0, 0xF0, 0xF0);
}

namespace albums {

// The presenter's rows as the list shows them, made as they come into view: an album of a million
// rows costs the list nothing beyond the rows themselves.
class AlbumListModel : public QAbstractTableModel {
 public:
  AlbumListModel(const AlbumPresenter& presenter, QObject* parent) : QAbstractTableModel(parent), p_(presenter) {}
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : p_.rowCount(); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= p_.rowCount()) return QVariant();
    const AlbumRow& r = p_.rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
      case 0: return plat::displayPath(r.path());
      case 1: return r.page();
      default: return r.remarks();
    }
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const char* const captions[] = {"Image File Path", "Page", "Remarks"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2) return QVariant();
    return QString::fromLatin1(captions[section]);
  }
  // The rows were added, removed, reordered or edited.
  void rowsChanged() {
    beginResetModel();
    endResetModel();
  }

 private:
  const AlbumPresenter& p_;
};

}  // namespace albums

frmAlbumForm::frmAlbumForm() : presenter_(this) {
  setObjectName(QStringLiteral("frmAlbum"));
  setCaption(QStringLiteral("   Manage Albums"));
  build();
}

frmAlbumForm::~frmAlbumForm() = default;

void frmAlbumForm::run(const std::function<void()>& handler) {
  rt::RunGuarded(handler);
  sync();
}

void frmAlbumForm::build() {
  resize(rt::Screen::ToPixelsX(14955), rt::Screen::ToPixelsY(10900));

  lsvAlbum = new QTreeView(this);
  lsvAlbum->setObjectName(QStringLiteral("lsvAlbum"));
  rowsModel_ = new albums::AlbumListModel(presenter_, this);
  lsvAlbum->setModel(rowsModel_);
  lsvAlbum->setRootIsDecorated(false);
  lsvAlbum->setItemsExpandable(false);
  lsvAlbum->setAllColumnsShowFocus(true);
  lsvAlbum->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lsvAlbum->setSelectionBehavior(QAbstractItemView::SelectRows);
  lsvAlbum->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lsvAlbum->setUniformRowHeights(true);
  lsvAlbum->header()->resizeSection(0, rt::Screen::ToPixelsX(6900));
  lsvAlbum->header()->resizeSection(1, rt::Screen::ToPixelsX(800));
  place(lsvAlbum, 30, 75, 11850, 10020);
  connect(lsvAlbum->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (syncing_) return;
    std::vector<int> sel;
    for (const QItemSelectionRange& range : lsvAlbum->selectionModel()->selection())
      for (int row = range.top(); row <= range.bottom(); ++row) sel.push_back(row);
    presenter_.setSelection(sel);
    lsvAlbum_Click();
  });
  connect(lsvAlbum, &QTreeView::doubleClicked, this, [this] { lsvAlbum_DblClick(); });

  fraTmb = new albums::ThumbGrid(albums::kAlbumColumns, albums::kAlbumPageCells, false, this);
  fraTmb->setObjectName(QStringLiteral("fraTmb"));
  place(fraTmb, 105, 510, 11820, 10080);
  fraTmb->hide();
  connect(fraTmb, &albums::ThumbGrid::cellPressed, this, [this](int k, Qt::MouseButton) { ixTmb_MouseDown(k); });
  connect(fraTmb, &albums::ThumbGrid::cellReleased, this, [this](int k) { ixTmb_MouseUp(k); });
  connect(fraTmb, &albums::ThumbGrid::loadingFinished, this, [this] {
    // The selected row is scrolled into view once its page is filled.
    const int row = presenter_.selectedRow() + 1;
    if (row > 0 && !presenter_.listView) fraTmb->scrollToCell(row - (presenter_.mintThumbPage - 1) * albums::kAlbumPageCells - 1);
    rt::Screen::setMousePointer(rt::vbDefault);
  });

  fraBar = placed<QFrame>(45, 10125, 11820, 615, this);
  tlbRec = new QToolBar(fraBar);
  tlbRec->setObjectName(QStringLiteral("tlbRec"));
  tlbRec->setToolButtonStyle(Qt::ToolButtonIconOnly);
  place(tlbRec, 0, 60, 11820, 520);
  using S = QStyle;
  albums::addButton(tlbRec, "new", "New Album", S::SP_FileIcon);
  albums::addButton(tlbRec, "open", "Open Album", S::SP_DialogOpenButton);
  albums::addButton(tlbRec, "close", "Close Album", S::SP_DialogCloseButton);
  albums::addButton(tlbRec, "save", "Save Album", S::SP_DialogSaveButton);
  albums::addButton(tlbRec, "verify", "Verify Files", S::SP_DialogApplyButton);
  tlbRec->addSeparator();
  albums::addButton(tlbRec, "prev", "Previous", S::SP_ArrowLeft);
  albums::addButton(tlbRec, "next", "Next", S::SP_ArrowRight);
  tlbRec->addSeparator();
  auto* views = new QActionGroup(this);
  for (QAction* a : {albums::addButton(tlbRec, "list", "List View", S::SP_FileDialogDetailedView),
                     albums::addButton(tlbRec, "thumbs", "Thumb View", S::SP_FileDialogContentsView)}) {
    a->setCheckable(true);
    views->addAction(a);
  }
  tlbRec->addSeparator();
  albums::addButton(tlbRec, "search", "Search For Images", S::SP_FileDialogContentsView);
  albums::addButton(tlbRec, "add", "Add", S::SP_FileDialogNewFolder);
  albums::addButton(tlbRec, "delete", "Delete", S::SP_TrashIcon);
  albums::addButton(tlbRec, "all", "Select All", S::SP_DialogYesButton);
  albums::addButton(tlbRec, "none", "Deselect All", S::SP_DialogNoButton);
  albums::addButton(tlbRec, "up", "Move Up", S::SP_ArrowUp);
  albums::addButton(tlbRec, "down", "Move Down", S::SP_ArrowDown);
  connect(tlbRec, &QToolBar::actionTriggered, this, [this](QAction* a) { tlbRec_ButtonClick(a->objectName()); });

  fraDetl = placed<QGroupBox>(11925, 0, 2925, 2910, this);
  fraTransition = placed<QGroupBox>(105, 105, 2715, 1335, QStringLiteral("Transition"), fraDetl);
  optManual = placed<QRadioButton>(120, 300, 1200, 300, QStringLiteral("Manual"), fraTransition);
  optAuto = placed<QRadioButton>(1350, 300, 1300, 300, QStringLiteral("Automatic"), fraTransition);
  lblInt = placed<QLabel>(120, 800, 1500, 300, QStringLiteral("Interval (Secs):"), fraTransition);
  txtInt = new QLineEdit(fraTransition);
  txtInt->setObjectName(QStringLiteral("txtInt"));
  txtInt->setMaxLength(3);
  place(txtInt, 1700, 760, 800, 360);
  chkPath = placed<QCheckBox>(150, 1560, 2600, 300, QStringLiteral("Show File Path"), fraDetl);
  chkLimitZoom = placed<QCheckBox>(150, 1950, 2700, 300, QStringLiteral("Limit Zoom Factor to 100"), fraDetl);
  chkLoop = placed<QCheckBox>(150, 2340, 2600, 300, QStringLiteral("Loop"), fraDetl);
  connect(optAuto, &QRadioButton::clicked, this, [this] { run([this] { presenter_.optAuto_Click(); }); });
  connect(optManual, &QRadioButton::clicked, this, [this] { run([this] { presenter_.optManual_Click(); }); });
  connect(txtInt, &QLineEdit::textEdited, this, [this](const QString& t) { presenter_.slide.txtInt = t; });
  // Checked when the user leaves the box for another control, not when a window (Run's own error
  // box among them) takes the focus: one wrong interval gives one message.
  rt::onLeave(txtInt, [this] {
    if (syncing_ || !txtInt->isEnabled()) return true;
    presenter_.slide.txtInt = txtInt->text();
    return presenter_.txtInt_Validate();
  });
  for (QCheckBox* c : {chkPath, chkLimitZoom, chkLoop})
    connect(c, &QCheckBox::clicked, this, [this] {
      presenter_.slide.chkPath = chkPath->isChecked();
      presenter_.slide.chkLimitZoom = chkLimitZoom->isChecked();
      presenter_.slide.chkLoop = chkLoop->isChecked();
    });

  tlbSS = new QToolBar(this);
  tlbSS->setObjectName(QStringLiteral("tlbSS"));
  place(tlbSS, 11925, 2910, 2925, 420);
  albums::addButton(tlbSS, "run", "Run Slide Show", S::SP_MediaPlay);
  connect(tlbSS, &QToolBar::actionTriggered, this, [this] { tlbSS_ButtonClick(); });

  ixPre = albums::makePreview(this, 11925, 3360, 2925, 3015, &fraImg);
  tlbMulti = new QToolBar(this);
  tlbMulti->setObjectName(QStringLiteral("tlbMulti"));
  place(tlbMulti, 11925, 6375, 2925, 420);
  albums::addButton(tlbMulti, "prev", "Previous", S::SP_ArrowLeft);
  albums::addButton(tlbMulti, "next", "Next", S::SP_ArrowRight);
  albums::addButton(tlbMulti, "set", "Set Current Page", S::SP_DialogApplyButton);
  connect(tlbMulti, &QToolBar::actionTriggered, this, [this](QAction* a) { tlbMulti_ButtonClick(a->objectName()); });

  const char* captions[] = {"File Format :", "File Size :", "No. of Pages :", "Bits Per Pixel :"};
  QLabel** values[] = {&lblFileFormat, &lblFileSize, &lblNumPages, &lblBPP};
  // The format's description may take two lines.
  const double tops[] = {6870, 7440, 7770, 8100};
  for (int i = 0; i < 4; ++i) {
    auto* l = new QLabel(QString::fromLatin1(captions[i]), this);
    place(l, 11970, tops[i], 1300, 300);
    *values[i] = new QLabel(this);
    place(*values[i], 13270, tops[i], 1650, i == 0 ? 540 : 300);
  }
  lblFileFormat->setObjectName(QStringLiteral("lblFileFormat"));
  lblFileFormat->setWordWrap(true);

  chkSort = new QCheckBox(QStringLiteral("   Sort"), this);
  chkSort->setObjectName(QStringLiteral("chkSort"));
  place(chkSort, 11970, 9255, 1500, 300);
  connect(chkSort, &QCheckBox::clicked, this, [this](bool on) { run([this, on] { presenter_.chkSort_Click(on); }); });

  cmdClose = placed<QPushButton>(13650, 10200, 1200, 420, QStringLiteral("&Close"), this);
  rt::setCancel(cmdClose);
  connect(cmdClose, &QPushButton::clicked, this, [this] { Unload(); });
}

void frmAlbumForm::Form_Load() {
  presenter_.mintThumbPage = 1;
  presenter_.mblnModified = presenter_.mblnSaved = false;
  place(fraTmb, 45, 0, 11820, 10080);
  albums::button(tlbRec, "list")->setChecked(true);
  clearThumbs();
  sync();
}

void frmAlbumForm::Form_QueryUnload(int& cancel, int) {
  bool goOn = true;
  rt::RunGuarded([&] { goOn = presenter_.savePrompt(); });
  if (!goOn) cancel = 1;
  sync();
  if (goOn) albums::closeThumbMagnifier();
}

void frmAlbumForm::fnOpenAlbum(const QString& strAlbumFileName) {
  try {
    presenter_.fnOpenAlbum(strAlbumFileName);
  } catch (...) {
    sync();
    throw;
  }
  sync();
}

// ---- Synchronising the controls -------------------------------------------------------------------

void frmAlbumForm::syncRows() {
  syncing_ = true;
  if (shownRevision_ != presenter_.rowsRevision) {
    shownRevision_ = presenter_.rowsRevision;
    rowsModel_->rowsChanged();
  }
  // The selected rows as runs of rows, one range each.
  QItemSelection selection;
  const int count = presenter_.rowCount();
  for (int row = 0; row < count;) {
    if (!presenter_.rows[static_cast<std::size_t>(row)].selected) {
      ++row;
      continue;
    }
    const int first = row;
    while (row < count && presenter_.rows[static_cast<std::size_t>(row)].selected) ++row;
    selection.select(rowsModel_->index(first, 0), rowsModel_->index(row - 1, 2));
  }
  if (selection != lsvAlbum->selectionModel()->selection())
    lsvAlbum->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  syncing_ = false;
}

void frmAlbumForm::sync() {
  syncing_ = true;
  setCaption(presenter_.caption);
  for (const auto& [key, on] : presenter_.buttons) {
    if (key == QStringLiteral("run")) albums::enableButton(tlbSS, key, on);
    else if (key == QStringLiteral("mprev")) albums::enableButton(tlbMulti, "prev", on);
    else if (key == QStringLiteral("mnext")) albums::enableButton(tlbMulti, "next", on);
    else if (key == QStringLiteral("set")) albums::enableButton(tlbMulti, "set", on);
    else albums::enableButton(tlbRec, key, on);
  }
  chkSort->setChecked(presenter_.chkSort);
  chkSort->setEnabled(presenter_.chkSortEnabled);
  lsvAlbum->setVisible(presenter_.listView);
  fraTmb->setVisible(!presenter_.listView);
  albums::button(tlbRec, presenter_.listView ? "list" : "thumbs")->setChecked(true);
  QPalette pal = lsvAlbum->palette();
  pal.setColor(QPalette::Base, presenter_.listActive ? palette().color(QPalette::Base) : kInactive);
  lsvAlbum->setPalette(pal);
  const albums::SlideSettings& s = presenter_.slide;
  for (QWidget* w : std::initializer_list<QWidget*>{fraTransition, optManual, optAuto, chkPath, chkLimitZoom, chkLoop})
    w->setEnabled(s.enabled);
  chkPath->setChecked(s.chkPath);
  chkLimitZoom->setChecked(s.chkLimitZoom);
  chkLoop->setChecked(s.chkLoop);
  optManual->setAutoExclusive(false);
  optAuto->setAutoExclusive(false);
  optManual->setChecked(s.optManual);
  optAuto->setChecked(s.optAuto);
  optManual->setAutoExclusive(true);
  optAuto->setAutoExclusive(true);
  lblInt->setEnabled(s.intervalEnabled);
  txtInt->setEnabled(s.intervalEnabled);
  if (txtInt->text() != s.txtInt) txtInt->setText(s.txtInt);
  syncing_ = false;
  syncRows();
}

// ---- Events -----------------------------------------------------------------------------------------

void frmAlbumForm::tlbRec_ButtonClick(const QString& key) {
  run([&] { presenter_.tlbRec_ButtonClick(key); });
}

void frmAlbumForm::tlbSS_ButtonClick() {
  presenter_.slide.txtInt = txtInt->text();
  run([this] { presenter_.runSlideShow(); });
}

void frmAlbumForm::lsvAlbum_Click() {
  run([this] { refreshPreview(); });
}

void frmAlbumForm::lsvAlbum_DblClick() {
  run([this] { presenter_.lsvAlbum_DblClick(); });
}

void frmAlbumForm::tlbMulti_ButtonClick(const QString& key) {
  run([&] {
    if (key == QStringLiteral("set")) {
      presenter_.setSelectedPage(ixPre->PageNumber());
      return;
    }
    const bool next = key == QStringLiteral("next");
    if (!next && key != QStringLiteral("prev")) return;
    albums::PageButtons b;
    if (!albums::stepPreviewPage(ixPre, next ? 1 : -1, mintPageCount, b)) return;
    presenter_.buttons["mprev"] = b.prev;
    presenter_.buttons["mnext"] = b.next;
  });
}

// The file's page count is read once for the information and the page buttons.
void frmAlbumForm::showFileInfo(bool withSet) {
  const int16_t type = ixPre->ImageFileType();
  lblFileFormat->setText(modVars::fnGetFormatDesc(type));
  lblFileSize->setText(QStringLiteral("%1 bytes").arg(ixPre->ImageFileSize()));
  int32_t pages = 0;
  if (type > 0) {
    pages = ixPre->FilePageCount(ixPre->SourceFile());
    lblNumPages->setText(QString::number(pages));
    lblBPP->setText(QString::number(ixPre->ImageBitsPerPixel()));
  }
  const bool multi = modVars::fnIsMultiPageFormat(type);
  if (multi) mintPageCount = static_cast<int16_t>(pages);
  const albums::PageButtons b = albums::pageButtons(multi, ixPre->PageNumber(), mintPageCount);
  presenter_.buttons["mprev"] = b.prev;
  presenter_.buttons["mnext"] = b.next;
  presenter_.buttons["set"] = withSet && b.set;
}

void frmAlbumForm::ixTmb_MouseDown(int index) {
  albums::ThumbCell* cell = fraTmb->ixTmb(index);
  if (!cell || cell->ImageFileType() <= 0) return;
  run([&] {
    fraTmb->highlightOnly(index);
    try {
      ixPre->setSourceFile(cell->SourceFile());
    } catch (const rt::RuntimeError&) {
      // A page number beyond this file's pages: its first page.
      ixPre->setPageNumber(1);
      ixPre->setSourceFile(cell->SourceFile());
    }
    showFileInfo(false);
  });
  albums::openThumbMagnifier(this, cell);
}

void frmAlbumForm::ixTmb_MouseUp(int) { albums::closeThumbMagnifier(); }

// ---- AlbumView --------------------------------------------------------------------------------------

void frmAlbumForm::unloadPreview() {
  ixPre->setSourceFile(QString());
  for (QLabel* l : {lblFileFormat, lblFileSize, lblBPP, lblNumPages}) l->clear();
}

void frmAlbumForm::refreshPreview() {
  const int row = presenter_.selectedRow();
  if (row < 0) return;
  unloadPreview();
  const albums::AlbumRow& r = presenter_.rows[row];
  const QString path = r.path();
  const QString page = r.page().trimmed();
  int32_t pageNumber = 1;
  if (rt::IsNumeric(page)) pageNumber = std::max<int32_t>(1, static_cast<int32_t>(rt::RoundHalfEven(rt::Val(page))));
  ixPre->setPageNumber(pageNumber);
  bool pastEnd = false;
  try {
    ixPre->setSourceFile(path);
  } catch (const rt::RuntimeError& e) {
    // A missing or unreadable file shows an empty preview with "Unknown Format".
    pastEnd = e.Number() == img::kErrBadPage;
  }
  showFileInfo(true);
  if (pastEnd) {
    // The file is there and readable: the row names a page it does not have.
    lblFileFormat->setText(QStringLiteral("Page %1 does not exist in this file").arg(pageNumber));
    lblFileSize->setText(QStringLiteral("%1 bytes").arg(plat::fileSize(path)));
    lblNumPages->setText(QString::number(ixPre->FilePageCount(path)));
  }
  presenter_.orderRule();
}

void frmAlbumForm::clearThumbs() { fraTmb->clear(); }

void frmAlbumForm::loadThumbPage(int page) {
  rt::Screen::setMousePointer(rt::vbHourglass);
  const albums::PageSpan span = albums::pageSpan(page, presenter_.rowCount(), albums::kAlbumPageCells);
  std::vector<albums::ThumbItem> items;
  for (int i = span.first; i <= span.last; ++i) {
    const albums::AlbumRow& r = presenter_.rows[i - 1];
    const QString path = r.path();
    items.push_back({path, 1, albums::cellCaption(i, plat::displayPath(path)), r.remarks(), r.selected});
  }
  fraTmb->showItems(std::move(items), albums::kAlbumPageCells);
}

void frmAlbumForm::focusList() { lsvAlbum->setFocus(); }

void frmAlbumForm::focusInterval() {
  if (txtInt->isEnabled() || presenter_.slide.intervalEnabled) {
    txtInt->setEnabled(true);
    txtInt->setFocus();
    txtInt->selectAll();
  }
}

void frmAlbumForm::showImageSearch() {
  sync();
  frmAlbumSrch->Show(rt::vbModal, this);
}

void frmAlbumForm::showSlideShow() { frmSlideShow->Show(rt::vbModal, this); }
