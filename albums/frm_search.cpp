#include "albums/frm_search.h"

#include "albums/folder_lists.h"
#include "albums/folder_scan.h"
#include "albums/form_util.h"
#include "albums/page_preview.h"
#include "albums/scan_runner.h"
#include "controls/imaging/codec.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>

using albums::place;
using albums::placed;

rt::DefaultInstance<frmSearchForm> frmSearch;

namespace {
constexpr double kSearchWidth = 30 + 6375 + 100;
constexpr double kResultsWidth = 30 + 9660 + 100;
constexpr double kInnerHeight = 4965;
}  // namespace

frmSearchForm::frmSearchForm() {
  setObjectName(QStringLiteral("frmSearch"));
  setCaption(QStringLiteral("   Keyword Search"));
  resize(rt::Screen::ToPixelsX(kSearchWidth), rt::Screen::ToPixelsY(kInnerHeight));

  lblKeyWord = placed<QLabel>(60, 170, 1000, 300, QStringLiteral("Keyword :"), this);
  txtKeyWord = new QLineEdit(this);
  txtKeyWord->setObjectName(QStringLiteral("txtKeyWord"));
  txtKeyWord->setMaxLength(20);
  place(txtKeyWord, 1080, 120, 3000, 360);
  connect(txtKeyWord, &QLineEdit::textChanged, this,
          [this](const QString& t) { cmdSearch->setEnabled(!t.trimmed().isEmpty()); });
  connect(txtKeyWord, &QLineEdit::editingFinished, this, [this] { txtKeyWord_LostFocus(); });

  fraRoot = placed<QGroupBox>(30, 585, 6375, 3675, this);
  lblAlbumRoot = placed<QLabel>(120, 150, 6100, 300, QStringLiteral("Search In All Albums Within (Root Directory) :"), fraRoot);
  drvSel = placed<DriveListBox>(120, 520, 3000, 330, fraRoot);
  dirSel = placed<DirListBox>(120, 930, 3000, 2600, fraRoot);
  fleSel = placed<FileListBox>(3240, 520, 3000, 3010, fraRoot);

  cmdSearch = new QPushButton(QStringLiteral("&Search"), this);
  cmdSearch->setEnabled(false);
  cmdSearch->setDefault(true);
  place(cmdSearch, 3900, 4380, 1200, 420);
  cmdCancel = placed<QPushButton>(5190, 4380, 1200, 420, QStringLiteral("&Cancel"), this);
  rt::setCancel(cmdCancel);
  connect(cmdSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { Unload(); });

  stsDir = albums::makeScanStatus(this, &stsDirPanel);
  // A long search can be stopped; what was found so far is searched.
  cmdStop = new QPushButton(QStringLiteral("S&top"), stsDir);
  stsDir->addPermanentWidget(cmdStop);
  connect(cmdStop, &QPushButton::clicked, this, [this] { *stop_ = true; });
  place(stsDir, 30, 4340, 6375, 500);
  stsDir->hide();

  fraResults = placed<QGroupBox>(30, 585, 9660, 4365, this);
  lsvResults = new QTreeWidget(fraResults);
  lsvResults->setObjectName(QStringLiteral("lsvResults"));
  lsvResults->setHeaderLabels({QStringLiteral("Results")});
  lsvResults->setRootIsDecorated(false);
  place(lsvResults, 60, 120, 6180, 3200);
  connect(lsvResults, &QTreeWidget::itemSelectionChanged, this, [this] { lsvResults_Click(); });
  connect(lsvResults, &QTreeWidget::itemDoubleClicked, this, [this] { lsvResults_DblClick(); });
  ixPre = albums::makePreview(fraResults, 6300, 60, 3270, 3270, &fraImg);
  tlbMulti = new QToolBar(fraResults);
  tlbMulti->setObjectName(QStringLiteral("tlbMulti"));
  place(tlbMulti, 6300, 3360, 3270, 420);
  albums::addButton(tlbMulti, "prev", "Previous", QStyle::SP_ArrowLeft);
  albums::addButton(tlbMulti, "next", "Next", QStyle::SP_ArrowRight);
  connect(tlbMulti, &QToolBar::actionTriggered, this, [this](QAction* a) { tlbMulti_ButtonClick(a->objectName()); });
  lblRemarks = new QLabel(QStringLiteral("Remarks :"), fraResults);
  lblRemarks->setWordWrap(true);
  place(lblRemarks, 60, 3380, 6180, 600);
  cmdClear = placed<QPushButton>(8370, 3850, 1200, 420, QStringLiteral("&Clear"), fraResults);
  connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
  fraResults->hide();

  albums::linkFolderLists(drvSel, dirSel, fleSel, QDir::currentPath());
}

void frmSearchForm::txtKeyWord_LostFocus() { txtKeyWord->setText(txtKeyWord->text().trimmed().toUpper()); }

void frmSearchForm::cmdSearch_Click() {
  if (searching_) return;
  searching_ = true;
  rt::Screen::setMousePointer(rt::vbHourglass);
  stsDir->show();
  cmdSearch->hide();
  cmdCancel->hide();
  // A new search starts from an empty list, so every row keeps its own remarks.
  lsvResults->clear();
  mstrAlbumFiles.clear();
  mstrRemarks.clear();
  *stop_ = false;
  const QString root = dirSel->Path();
  const QString keyword = txtKeyWord->text().trimmed();
  QStringList found;
  std::vector<albums::KeywordHit> hits;
  QPointer<frmSearchForm> self(this);
  const auto stop = stop_;
  albums::runScanInBackground(
      [&](const albums::ScanControl& c) {
        found = albums::findAlbumFiles(root, c);
        hits = albums::searchAlbums(found, keyword, c);
      },
      stsDirPanel, QStringLiteral("Searching in : "), *stop);
  if (!self || IsUnloaded()) return;
  searching_ = false;
  stsDir->hide();
  cmdSearch->show();
  cmdCancel->show();
  mstrAlbumFiles = found;
  if (found.isEmpty()) {
    rt::Screen::setMousePointer(rt::vbDefault);
    // A search that ends without a word looks as if it never ran.
    rt::ShowInformation(QStringLiteral("No albums were found in ") + root + QStringLiteral(" or the folders below it."));
    return;
  }
  QList<QTreeWidgetItem*> items;
  for (const albums::KeywordHit& h : hits) {
    mstrRemarks << h.remarks;
    items << albums::fileItem(h.path);
  }
  lsvResults->addTopLevelItems(items);
  rt::Screen::setMousePointer(rt::vbDefault);
  if (lsvResults->topLevelItemCount() > 0) {
    showResultsView(true);
    lsvResults->setCurrentItem(lsvResults->topLevelItem(0));
    lsvResults->topLevelItem(0)->setSelected(true);
    lsvResults_Click();
    lsvResults->setFocus();
    txtKeyWord->setEnabled(false);
  } else {
    rt::ShowInformation(QStringLiteral("No matching results found!"));
    txtKeyWord->setEnabled(true);
  }
}

void frmSearchForm::loadPreview(const QString& path) {
  ixPre->setSourceFile(QString());
  try {
    ixPre->setSourceFile(path);
  } catch (const rt::RuntimeError& e) {
    // The page kept from earlier paging may not exist in this file: its first page then.
    if (e.Number() != img::kErrBadPage) return;
    ixPre->setPageNumber(1);
    try {
      ixPre->setSourceFile(path);
    } catch (const rt::RuntimeError&) {
    }
  }
}

void frmSearchForm::lsvResults_Click() {
  QTreeWidgetItem* it = lsvResults->currentItem();
  if (!it || !it->isSelected()) return;
  const int row = lsvResults->indexOfTopLevelItem(it);
  loadPreview(albums::itemFile(it));
  lblRemarks->setText(QStringLiteral("Remarks: ") + mstrRemarks.value(row));
  showPageButtons(albums::previewPageButtons(ixPre, mintPageCount));
}

void frmSearchForm::showPageButtons(const albums::PageButtons& b) {
  albums::enableButton(tlbMulti, "prev", b.prev);
  albums::enableButton(tlbMulti, "next", b.next);
}

void frmSearchForm::tlbMulti_ButtonClick(const QString& key) {
  rt::RunGuarded([&] {
    const bool next = key == QStringLiteral("next");
    if (!next && key != QStringLiteral("prev")) return;
    albums::PageButtons b;
    if (albums::stepPreviewPage(ixPre, next ? 1 : -1, mintPageCount, b)) showPageButtons(b);
  });
}

void frmSearchForm::lsvResults_DblClick() {
  QTreeWidgetItem* it = lsvResults->currentItem();
  if (!it || !it->isSelected()) return;
  const QString path = albums::itemFile(it);
  // A cancelled save question keeps the open document, and the search stays open.
  if (albums::openInMainWindow(path)) Unload();
}

void frmSearchForm::cmdClear_Click() {
  lsvResults->clear();
  showResultsView(false);
  txtKeyWord->setEnabled(true);
  txtKeyWord->setFocus();
  txtKeyWord->selectAll();
}

void frmSearchForm::showResultsView(bool results) {
  fraResults->setVisible(results);
  fraRoot->setVisible(!results);  // the results panel does not paint over what lies under it
  resize(rt::Screen::ToPixelsX(results ? kResultsWidth : kSearchWidth), height());
  // The results panel covers the search button's row: Search has nothing to do there, and Cancel
  // moves beside Clear so that it can still close the window.
  cmdSearch->setVisible(!results);
  if (results) {
    fraResults->raise();
    place(cmdCancel, 30 + 8370 - 1290, 585 + 3850, 1200, 420);
    cmdCancel->raise();
  } else {
    place(cmdCancel, 5190, 4380, 1200, 420);
  }
}

void frmSearchForm::Form_Unload(int&) { *stop_ = true; }
