#include "albums/folder_lists.h"

#include "runtime/message_boxes.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

namespace albums {

QStringList listFiles(const QString& folder, const QStringList& patterns) {
  std::vector<QRegularExpression> res;
  for (const QString& p : patterns)
    res.emplace_back(QRegularExpression::wildcardToRegularExpression(p), QRegularExpression::CaseInsensitiveOption);
  QStringList out;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase)) {
    if (res.empty() || std::any_of(res.begin(), res.end(), [&](const QRegularExpression& re) { return re.match(name).hasMatch(); }))
      out << name;
  }
  return out;
}

}  // namespace albums

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
  refresh();
}

void FileListBox::setPattern(const QString& pattern) {
  patterns_ = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  refresh();
}

void FileListBox::refresh() {
  clear();
  if (!path_.isEmpty()) addItems(albums::listFiles(path_, patterns_));
}

QString FileListBox::List(int i) const {
  const QListWidgetItem* it = item(i);
  return it ? it->text() : QString();
}

QString FileListBox::FileName() const {
  const QListWidgetItem* it = currentItem();
  return it && it->isSelected() ? it->text() : QString();
}

namespace albums {

void linkFolderLists(DriveListBox* drive, DirListBox* dir, FileListBox* files, const QString& start) {
  dir->setPath(start);
  drive->setDrive(dir->Path());
  if (files) files->setPath(dir->Path());
  QObject::connect(drive, &DriveListBox::Change, dir, [drive, dir, files] {
    if (!dir->setPath(drive->Drive())) {
      // A volume that cannot be read: say so and go back to the one of the folder shown.
      rt::ShowError(QStringLiteral("The drive ") + drive->Drive() + QStringLiteral(" cannot be read!"));
      const QSignalBlocker block(drive);
      drive->setDrive(dir->Path());
      return;
    }
    if (files) files->setPath(dir->Path());
  });
  if (files) QObject::connect(dir, &DirListBox::Change, files, [dir, files] { files->setPath(dir->Path()); });
}

}  // namespace albums
