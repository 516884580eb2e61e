#include "albums/frm_sel_dir.h"

#include "runtime/dialogs.h"
#include "workspace/mod_vars.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>

rt::DefaultInstance<frmSelDirForm> frmSelDir;

// ---- Drive list ------------------------------------------------------------------------------------

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
  QStringList roots{QStringLiteral("/")};
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
    if (v.isValid() && v.isReady() && !roots.contains(v.rootPath())) roots << v.rootPath();
  addItems(roots);
  connect(this, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT Change(); });
}

void DriveListBox::setDrive(const QString& path) {
  QString root = QStorageInfo(path).rootPath();
  if (root.isEmpty()) root = QStringLiteral("/");
  int i = findText(root);
  if (i < 0) {
    addItem(root);
    i = count() - 1;
  }
  setCurrentIndex(i);
}

// ---- Directory list ----------------------------------------------------------------------------------

DirListBox::DirListBox(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setRootIsDecorated(false);
  // A double click opens a folder, as in a directory list.
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item && setPath(item->data(0, Qt::UserRole).toString())) Q_EMIT Change();
  });
}

bool DirListBox::setPath(const QString& path) {
  const QDir dir(path);
  if (!dir.exists() || !dir.isReadable()) return false;
  const QString abs = QDir::cleanPath(dir.absolutePath());
  QDir probe(abs);
  const QStringList subs = probe.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
  clear();
  const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  // The folders above, from the root down, then the folder's own sub-folders.
  QStringList chain;
  for (QDir up(abs);; ) {
    chain.prepend(up.absolutePath());
    if (!up.cdUp()) break;
  }
  int depth = 0;
  for (const QString& p : chain) {
    auto* item = new QTreeWidgetItem(this, {QString(depth, QLatin1Char(' ')) + (p == QLatin1String("/") ? p : QFileInfo(p).fileName())});
    item->setIcon(0, open);
    item->setData(0, Qt::UserRole, p);
    if (p == abs) setCurrentItem(item);
    ++depth;
  }
  for (const QString& s : subs) {
    auto* item = new QTreeWidgetItem(this, {QString(depth, QLatin1Char(' ')) + s});
    item->setIcon(0, folder);
    item->setData(0, Qt::UserRole, probe.filePath(s));
  }
  path_ = abs;
  return true;
}

// ---- File list -----------------------------------------------------------------------------------

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {}

void FileListBox::setPath(const QString& path) {
  path_ = path;
  clear();
  addItems(QDir(path).entryList(QDir::Files, QDir::Name));
}

// ---- The picker -----------------------------------------------------------------------------------

frmSelDirForm::frmSelDirForm() {
  setCaption(QStringLiteral("   Select Directory"));
  cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
  cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  fleSel = new FileListBox(this);
  dirSel = new DirListBox(this);
  drvSel = new DriveListBox(this);
  fleSel->setEnabled(false);  // for orientation only
  auto* grid = new QGridLayout(this);
  grid->addWidget(dirSel, 0, 0);
  grid->addWidget(fleSel, 0, 1);
  grid->addWidget(drvSel, 1, 0);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdSelect);
  buttons->addWidget(cmdCancel);
  grid->addLayout(buttons, 1, 1);
  resize(520, 320);
  lastDrive_ = drvSel->Drive();
  dirSel->setPath(lastDrive_);
  fleSel->setPath(dirSel->Path());
  connect(drvSel, &DriveListBox::Change, this, [this] { drvSel_Change(); });
  connect(dirSel, &DirListBox::Change, this, [this] { dirSel_Change(); });
  connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmSelDirForm::drvSel_Change() {
  if (!dirSel->setPath(drvSel->Drive())) {
    // A volume that cannot be read: say so and stay on the one before.
    const QString drive = drvSel->Drive();
    rt::MsgBox(QStringLiteral("The drive ") + drive + QStringLiteral(" cannot be read!"), rt::vbExclamation,
               QStringLiteral("Error"));
    const QSignalBlocker block(drvSel);
    drvSel->setDrive(lastDrive_);
    return;
  }
  lastDrive_ = drvSel->Drive();
  dirSel_Change();
}

void frmSelDirForm::dirSel_Change() { fleSel->setPath(dirSel->Path()); }

QString fnSelDirTarget(const QString& caption) {
  const QString upper = caption.toUpper();
  for (const char* word : {"BATCH", "INDEX", "SEARCH"})
    if (upper.contains(QLatin1String(word))) return QString::fromLatin1(word);
  return QString();
}

void frmSelDirForm::cmdSelect_Click() {
  const QString target = fnSelDirTarget(Caption());
  if (target == QLatin1String("BATCH")) modVars::gstrBatchDir = dirSel->Path();
  if (target == QLatin1String("INDEX")) modVars::gstrIndexDir = dirSel->Path();
  if (target == QLatin1String("SEARCH")) modVars::gstrSearchDir = dirSel->Path();
  Unload();
}

void frmSelDirForm::cmdCancel_Click() { Unload(); }

void fnShowSelDir(const QString& caption, const QString& current, QWidget* owner) {
  frmSelDirForm* f = frmSelDir.get();
  f->setCaption(caption);
  if (!current.trimmed().isEmpty()) {
    {
      const QSignalBlocker block(f->drvSel);
      f->drvSel->setDrive(current);
    }
    f->dirSel->setPath(current);
    f->fleSel->setPath(f->dirSel->Path());
  }
  f->Show(rt::vbModal, owner);
}
