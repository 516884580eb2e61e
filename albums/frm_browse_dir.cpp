#include "albums/frm_browse_dir.h"

#include "albums/folder_lists.h"
#include "albums/form_util.h"
#include "albums/thumb_grid.h"
#include "albums/thumb_magnifier.h"
#include "controls/imaging/format_table.h"
#include "runtime/screen.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>

using albums::place;
using albums::placed;

rt::DefaultInstance<frmBrowseDirForm> frmBrowseDir;

frmBrowseDirForm::frmBrowseDirForm() {
  setObjectName(QStringLiteral("frmBrowseDir"));
  setCaption(QStringLiteral("   Browse Directory"));
  resize(rt::Screen::ToPixelsX(12750), rt::Screen::ToPixelsY(8000));

  frmDir = placed<QGroupBox>(30, 0, 3200, 7900, this);
  cmdDisplay40 = placed<QPushButton>(120, 200, 1430, 420, QStringLiteral("&Display 40s"), frmDir);
  cmdDisplayAll = placed<QPushButton>(1650, 200, 1430, 420, QStringLiteral("Display &All"), frmDir);
  drvSel = placed<DriveListBox>(120, 760, 2960, 330, frmDir);
  dirSel = placed<DirListBox>(120, 1180, 2960, 2900, frmDir);
  fleSel = new FileListBox(frmDir);
  fleSel->setPattern(img::browsePatterns());
  place(fleSel, 120, 4180, 2960, 3600);
  connect(cmdDisplay40, &QPushButton::clicked, this, [this] { cmdDisplay40_Click(); });
  connect(cmdDisplayAll, &QPushButton::clicked, this, [this] { cmdDisplayAll_Click(); });
  connect(fleSel, &QListWidget::itemClicked, this, [this] { fleSel_Click(); });

  fraSelImage = new albums::ThumbGrid(albums::kBrowseColumns, 0, true, this);
  fraSelImage->setObjectName(QStringLiteral("fraSelImage"));
  place(fraSelImage, 3300, 60, 9400, 7260);
  connect(fraSelImage, &albums::ThumbGrid::cellPressed, this, [this](int k, Qt::MouseButton) { ixTmb_MouseDown(k); });
  connect(fraSelImage, &albums::ThumbGrid::cellReleased, this, [this](int k) { ixTmb_MouseUp(k); });
  connect(fraSelImage, &albums::ThumbGrid::cellDoubleClicked, this, [this](int k) { ixTmb_DblClick(k); });
  connect(fraSelImage, &albums::ThumbGrid::cellFilled, this, [this](int k) {
    if (k != 0) return;
    // The first picture is selected as soon as it is there.
    fnSelectTmb(0);
    cmdSelect->setEnabled(true);
  });
  connect(fraSelImage, &albums::ThumbGrid::loadingFinished, this, [] { rt::Screen::setMousePointer(rt::vbDefault); });

  tlbBar = new QToolBar(this);
  tlbBar->setObjectName(QStringLiteral("tlbBar"));
  tlbBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  place(tlbBar, 3300, 7380, 4000, 480);
  albums::addButton(tlbBar, "prev", "Previous", QStyle::SP_ArrowLeft, "Previous");
  albums::addButton(tlbBar, "next", "Next", QStyle::SP_ArrowRight, "Next");
  albums::enableButton(tlbBar, "prev", false);
  albums::enableButton(tlbBar, "next", false);
  connect(tlbBar, &QToolBar::actionTriggered, this, [this](QAction* a) { tlbBar_ButtonClick(a->objectName()); });

  cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
  cmdSelect->setEnabled(false);
  place(cmdSelect, 10200, 7420, 1200, 420);
  cmdClose = placed<QPushButton>(11480, 7420, 1200, 420, QStringLiteral("&Close"), this);
  rt::setCancel(cmdClose);
  connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
  connect(cmdClose, &QPushButton::clicked, this, [this] { Unload(); });

  albums::linkFolderLists(drvSel, dirSel, fleSel, QDir::currentPath());
}

void frmBrowseDirForm::dirSel_Change() { fleSel->setPath(dirSel->Path()); }

void frmBrowseDirForm::fnLoadBrowsePage(bool paged, int first, int last, int page) {
  rt::Screen::setMousePointer(rt::vbHourglass);
  setCaption(QStringLiteral("   Browse Directory - ") + fleSel->Path());
  if (paged) {
    const albums::PageSpan s = albums::pageSpan(page, fleSel->ListCount(), albums::kBrowsePageCells);
    first = s.first;
    last = s.last;
  }
  std::vector<albums::ThumbItem> items;
  const QDir folder(fleSel->Path());
  for (int j = std::max(1, first); j <= std::min(last, fleSel->ListCount()); ++j) {
    const QString name = fleSel->List(j - 1);
    // Every cell keeps its file's full path, so Select opens the file that was shown.
    items.push_back({folder.filePath(name), 1, albums::cellCaption(j, name), QString(), false});
  }
  fraSelImage->showItems(std::move(items));
}

void frmBrowseDirForm::cmdDisplay40_Click() {
  mintPage = 1;
  cmdSelect->setEnabled(false);
  fnLoadBrowsePage(true, 0, 0, 1);
  albums::enableButton(tlbBar, "prev", false);
  albums::enableButton(tlbBar, "next", fleSel->ListCount() >= albums::kBrowsePageCells + 1);
}

void frmBrowseDirForm::cmdDisplayAll_Click() {
  mintPage = 1;
  cmdSelect->setEnabled(false);
  fnLoadBrowsePage(false, 1, fleSel->ListCount(), 1);
  albums::enableButton(tlbBar, "prev", false);
  albums::enableButton(tlbBar, "next", false);
}

void frmBrowseDirForm::tlbBar_ButtonClick(const QString& key) {
  if (key == QStringLiteral("next")) {
    ++mintPage;
    fnLoadBrowsePage(true, 0, 0, mintPage);
    albums::enableButton(tlbBar, "prev", true);
    albums::enableButton(tlbBar, "next", albums::pageHasNext(mintPage, fleSel->ListCount(), albums::kBrowsePageCells));
  } else if (key == QStringLiteral("prev") && mintPage > 1) {
    --mintPage;
    fnLoadBrowsePage(true, 0, 0, mintPage);
    albums::enableButton(tlbBar, "next", true);
    albums::enableButton(tlbBar, "prev", mintPage > 1);
  }
}

void frmBrowseDirForm::fnSelectTmb(int index) {
  if (fraSelImage->cellCount() == 0 || index < 0 || index >= fraSelImage->cellCount()) return;
  fraSelImage->highlightOnly(index);
  const QString name = QFileInfo(fraSelImage->ixTmb(index)->SourceFile()).fileName();
  selecting_ = true;
  for (int i = 0; i < fleSel->ListCount(); ++i) {
    if (fleSel->List(i) == name) {
      fleSel->setCurrentRow(i);
      break;
    }
  }
  selecting_ = false;
}

void frmBrowseDirForm::fleSel_Click() {
  if (selecting_) return;
  const QString path = QDir(fleSel->Path()).filePath(fleSel->FileName());
  for (int k = 0; k < fraSelImage->cellCount(); ++k) {
    if (fraSelImage->ixTmb(k)->SourceFile() == path) {
      fnSelectTmb(k);
      return;
    }
  }
}

void frmBrowseDirForm::ixTmb_MouseDown(int index) {
  if (index >= fraSelImage->cellCount()) return;  // the empty place shown before any file
  fnSelectTmb(index);
  albums::openThumbMagnifier(this, fraSelImage->ixTmb(index));
}

void frmBrowseDirForm::ixTmb_MouseUp(int) { albums::closeThumbMagnifier(); }

void frmBrowseDirForm::ixTmb_DblClick(int index) {
  if (index >= fraSelImage->cellCount()) return;
  fnSelectTmb(index);
  cmdSelect_Click();
}

void frmBrowseDirForm::cmdSelect_Click() {
  if (fraSelImage->cellCount() == 0) return;
  QString path;
  for (int k = 0; k < fraSelImage->cellCount(); ++k) {
    if (fraSelImage->ixTmb(k)->HighlightBorder() == 3) {
      path = fraSelImage->ixTmb(k)->SourceFile();
      break;
    }
  }
  if (path.isEmpty()) return;
  Unload();
  albums::openInMainWindow(path);
}
