#include "albums/folder_lists.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

namespace albums {

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  setObjectName(QStringLiteral("drvSel"));
  QStringList roots{QStringLiteral("/")};
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
    if (v.isValid() && v.isReady() && !roots.contains(v.rootPath())) roots << v.rootPath();
  addItems(roots);
  connect(this, &QComboBox::activated, this, [this] { Q_EMIT driveChanged(Drive()); });
}

void DriveList::setDriveFor(const QString& path) {
  int best = 0, bestLen = 0;
  for (int i = 0; i < count(); ++i) {
    const QString r = itemText(i);
    if ((path == r || path.startsWith(r.endsWith('/') ? r : r + '/')) && r.size() > bestLen) {
      best = i;
      bestLen = static_cast<int>(r.size());
    }
  }
  setCurrentIndex(best);
}

DirList::DirList(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("dirSel"));
  connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
    setPath(it->data(Qt::UserRole).toString());
  });
}

bool DirList::setPath(const QString& path) {
  const QFileInfo fi(path);
  if (!fi.isDir() || !fi.isReadable()) return false;
  const QString clean = QDir::cleanPath(fi.absoluteFilePath());
  QDir d(clean);
  const QStringList subs = d.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  path_ = clean;
  clear();
  // The chain from the root down to the open folder, then its subfolders.
  QStringList chain;
  for (QString p = clean;; p = QFileInfo(p).path()) {
    chain.prepend(p);
    if (p == QStringLiteral("/") || QFileInfo(p).path() == p) break;
  }
  for (int i = 0; i < chain.size(); ++i) {
    const QString name = chain[i] == QStringLiteral("/") ? QStringLiteral("/") : QFileInfo(chain[i]).fileName();
    auto* it = new QListWidgetItem(QString(i * 2, QLatin1Char(' ')) + name, this);
    it->setData(Qt::UserRole, chain[i]);
    if (i == chain.size() - 1) setCurrentItem(it);
  }
  for (const QString& s : subs) {
    auto* it = new QListWidgetItem(QString(chain.size() * 2, QLatin1Char(' ')) + s, this);
    it->setData(Qt::UserRole, d.filePath(s));
  }
  Q_EMIT pathChanged(path_);
  return true;
}

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

FileList::FileList(QWidget* parent) : QListWidget(parent) { setObjectName(QStringLiteral("fleSel")); }

void FileList::setPath(const QString& path) {
  path_ = path;
  refresh();
}

void FileList::setPattern(const QString& pattern) {
  patterns_ = pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  refresh();
}

void FileList::refresh() {
  clear();
  if (!path_.isEmpty()) addItems(listFiles(path_, patterns_));
}

QString FileList::List(int i) const {
  const QListWidgetItem* it = item(i);
  return it ? it->text() : QString();
}

QString FileList::FileName() const {
  const QListWidgetItem* it = currentItem();
  return it && it->isSelected() ? it->text() : QString();
}

}  // namespace albums
