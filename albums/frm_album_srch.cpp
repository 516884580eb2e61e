#include "albums/frm_album_srch.h"

#include "albums/album_file.h"
#include "albums/folder_lists.h"
#include "albums/form_util.h"
#include "albums/frm_album.h"
#include "albums/page_preview.h"
#include "albums/scan_runner.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

using albums::place;
using albums::placed;

rt::DefaultInstance<frmAlbumSrchForm> frmAlbumSrch;

frmAlbumSrchForm::frmAlbumSrchForm() {
  setObjectName(QStringLiteral("frmAlbumSrch"));
  setCaption(QStringLiteral("   Search"));
  resize(rt::Screen::ToPixelsX(8850), rt::Screen::ToPixelsY(8000));
  lsvResults = new QTreeWidget(this);
  lsvResults->setObjectName(QStringLiteral("lsvResults"));
  lsvResults->setHeaderLabels({QStringLiteral("Image File Path")});
  lsvResults->setRootIsDecorated(false);
  lsvResults->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lsvResults->setUniformRowHeights(true);
  place(lsvResults, 30, 75, 5700, 7455);
  connect(lsvResults, &QTreeWidget::itemSelectionChanged, this, [this] { lsvResults_Click(); });

  fraDir = placed<QGroupBox>(5760, 0, 3000, 3870, this);
  drvSel = placed<DriveListBox>(90, 150, 2820, 330, fraDir);
  dirSel = placed<DirListBox>(90, 540, 2820, 2700, fraDir);
  cmdSearch = new QPushButton(QStringLiteral("Sear&ch"), fraDir);
  cmdSearch->setDefault(true);
  place(cmdSearch, 1680, 3330, 1230, 420);
  connect(cmdSearch, &QPushButton::clicked, this, [this] { cmdSearch_Click(); });
  albums::linkFolderLists(drvSel, dirSel, nullptr, QDir::currentPath());

  ixPre = albums::makePreview(this, 5760, 3870, 3000, 3000, &fraImg);

  cmdAddAll = new QPushButton(QStringLiteral("Ad&d All"), this);
  cmdAdd = new QPushButton(QStringLiteral("&Add"), this);
  cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  rt::setCancel(cmdCancel);
  place(cmdAddAll, 5760, 7050, 960, 420);
  place(cmdAdd, 6780, 7050, 960, 420);
  place(cmdCancel, 7800, 7050, 960, 420);
  cmdAddAll->setEnabled(false);
  cmdAdd->setEnabled(false);
  connect(cmdAddAll, &QPushButton::clicked, this, [this] { cmdAddAll_Click(); });
  connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

  stsDir = albums::makeScanStatus(this, &stsDirPanel);
  place(stsDir, 0, 7600, 8850, 400);
}

void frmAlbumSrchForm::cmdSearch_Click() {
  if (searching_) return;
  searching_ = true;
  cmdSearch->setEnabled(false);
  rt::Screen::setMousePointer(rt::vbHourglass);
  lsvResults->clear();
  QStringList found;
  *stop_ = false;
  const QString root = dirSel->Path();
  // The window may be closed while the scan runs (Cancel): it checks it is still there after.
  QPointer<frmAlbumSrchForm> self(this);
  const auto stop = stop_;
  albums::runScanInBackground([&](const albums::ScanControl& c) { found = albums::findImageFiles(root, c); },
                              stsDirPanel, QString(), *stop);
  if (!self || IsUnloaded()) return;
  QList<QTreeWidgetItem*> items;
  // A path with a comma cannot be stored in an album line: such files are not offered.
  for (const QString& f : found)
    if (albums::isStorablePath(f)) items << albums::fileItem(f);
  lsvResults->addTopLevelItems(items);
  cmdAddAll->setEnabled(lsvResults->topLevelItemCount() > 0);
  lsvResults_Click();
  stsDirPanel->clear();
  rt::Screen::setMousePointer(rt::vbDefault);
  cmdSearch->setEnabled(true);
  searching_ = false;
}

void frmAlbumSrchForm::lsvResults_Click() {
  const QList<QTreeWidgetItem*> sel = lsvResults->selectedItems();
  if (sel.isEmpty()) return;
  cmdAdd->setEnabled(true);
  ixPre->setSourceFile(QString());
  try {
    ixPre->setSourceFile(albums::itemFile(sel.first()));
  } catch (const rt::RuntimeError&) {
    // A file that cannot be read leaves the preview empty.
  }
}

void frmAlbumSrchForm::addRows(bool selectedOnly) {
  albums::AlbumPresenter& album = frmAlbum->presenter();
  for (int i = 0; i < lsvResults->topLevelItemCount(); ++i) {
    QTreeWidgetItem* it = lsvResults->topLevelItem(i);
    if (selectedOnly && !it->isSelected()) continue;
    if (album.appendSearchRow(albums::itemFile(it))) ++modVars::gintAddedCount;
  }
  Unload();
}

void frmAlbumSrchForm::cmdAdd_Click() { addRows(true); }
void frmAlbumSrchForm::cmdAddAll_Click() { addRows(false); }

void frmAlbumSrchForm::cmdCancel_Click() {
  modVars::gintAddedCount = -1;
  *stop_ = true;
  Unload();
}

void frmAlbumSrchForm::Form_Unload(int&) { *stop_ = true; }

void frmAlbumSrchForm::keyPressEvent(QKeyEvent* e) {
  // Escape stops a running search.
  if (e->key() == Qt::Key_Escape && searching_) {
    *stop_ = true;
    return;
  }
  rt::Form::keyPressEvent(e);
}
