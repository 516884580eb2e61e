#include "runtime/replacing_file.h"

#include "platform/text/native_path.h"
#include "runtime/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {

namespace {

const QString kTempSuffix = QStringLiteral(".lvxsave");

QByteArray nativeOf(const QString& path) { return plat::nativePath(path); }

// A path as messages name it: a temporary by the document it replaces.
QString shownPath(const QString& path) { return QDir::toNativeSeparators(plat::displayPath(documentOf(path))); }

// What went wrong, in words for the message box.
QString reasonOf(int err) {
  switch (err) {
    case EACCES: case EPERM: case EROFS: return QStringLiteral("no permission to write there");
    case ENOENT: case ENOTDIR: return QStringLiteral("the folder does not exist");
    case ENOSPC: case EDQUOT: return QStringLiteral("the disk is full");
    case EISDIR: return QStringLiteral("it is a folder");
    default: return QString::fromLocal8Bit(std::strerror(err));
  }
}

int numberOf(int err) {
  switch (err) {
    case EACCES: case EPERM: case EROFS: return kErrPermissionDenied;
    case ENOENT: case ENOTDIR: return kErrPathNotFound;
    case ENOSPC: case EDQUOT: return 61;
    default: return kErrDeviceIO;
  }
}

QString randomTag() { return QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')); }

// Creates the temporary already locked: an unnamed file is locked first and given its name only
// then, so a sweep in another process never sees it unlocked. Where the file system has no unnamed
// files, a named one is created and locked at once.
int createLocked(const QString& path, mode_t mode) {
  const QByteArray dir = nativeOf(QFileInfo(path).absolutePath());
  int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  if (fd >= 0) {
    ::flock(fd, LOCK_EX | LOCK_NB);
    const QByteArray proc = QByteArray("/proc/self/fd/") + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, nativeOf(path).constData(), AT_SYMLINK_FOLLOW) == 0) return fd;
    const int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
  fd = ::open(nativeOf(path).constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode);
  if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
  return fd;
}

}  // namespace

void raiseWriting(const QString& target, int err) {
  Raise(numberOf(err), QString(),
        QStringLiteral("Cannot write %1: %2").arg(shownPath(target), reasonOf(err)));
}

bool isSaveTempName(const QString& fileName) {
  static const QRegularExpression re(QStringLiteral("^\\..+\\.[0-9a-f]{8}\\.lvxsave$"));
  return re.match(fileName).hasMatch();
}

QString documentOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  QString name = path.mid(slash + 1);
  // ".<name>.<8 hex digits>.lvxsave", the temporary of a temporary too (a page added to a
  // document's temporary may be written through one of its own).
  const qsizetype tail = 1 + 8 + kTempSuffix.size();
  while (isSaveTempName(name)) name = name.mid(1, name.size() - 1 - tail);
  return path.left(slash + 1) + name;
}

void checkTargetWritable(const QString& target) {
  struct stat st {};
  const QByteArray native = nativeOf(target);
  if (::stat(native.constData(), &st) != 0) return;  // a new file
  if (S_ISDIR(st.st_mode))
    Raise(75, QString(), QStringLiteral("Cannot write %1: it is a folder").arg(shownPath(target)));
  if ((st.st_mode & 0222) == 0 || ::access(native.constData(), W_OK) != 0)
    Raise(kErrPermissionDenied, QString(),
          QStringLiteral("%1: %2 is read-only").arg(ErrorText(kErrPermissionDenied), shownPath(target)));
}

void removeStaleSaveTemps(const QString& folder) {
  // Listed by the folder's bytes, so that a folder or a document whose name is not UTF-8 is swept too.
  const QByteArray dirPath = nativeOf(folder);
  DIR* dir = ::opendir(dirPath.constData());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    // Latin-1 keeps every byte of the name a character of its own for the pattern.
    if (!isSaveTempName(QString::fromLatin1(entry->d_name))) continue;
    const QByteArray path = dirPath + '/' + entry->d_name;
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat st {};
    // The lock is free only when no writer holds the file open any more.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(path.constData());
    ::close(fd);
  }
  ::closedir(dir);
}

ReplacingFile::ReplacingFile(const QString& target) : target_(QFileInfo(target).absoluteFilePath()) {
  checkTargetWritable(target_);
  const QFileInfo info(target_);
  const QString folder = info.absolutePath();
  // Asked by the names' bytes: Qt's own checks would look for another name where one is not UTF-8.
  struct stat st {};
  if (::stat(nativeOf(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) raiseWriting(target_, ENOENT);
  removeStaleSaveTemps(folder);
  // While it is written the temporary is private; it gets the replaced file's permissions on commit,
  // or the usual ones of a new file.
  const mode_t mode = ::stat(nativeOf(target_).constData(), &st) == 0 ? 0600 : 0666;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const QString candidate = QDir(folder).filePath(QStringLiteral(".%1.%2").arg(info.fileName(), randomTag()) + kTempSuffix);
    lockFd_ = createLocked(candidate, mode);
    if (lockFd_ >= 0) {
      temp_ = candidate;
      return;
    }
    if (errno != EEXIST) raiseWriting(target_, errno);
  }
  raiseWriting(target_, EEXIST);
}

ReplacingFile::~ReplacingFile() {
  if (!committed_ && !temp_.isEmpty()) ::unlink(nativeOf(temp_).constData());
  if (lockFd_ >= 0) ::close(lockFd_);
}

void ReplacingFile::commit() {
  const QByteArray native = nativeOf(target_);
  const QByteArray temp = nativeOf(temp_);
  int err = 0;
  // By name: a writer may have put a new file in the temporary's place.
  const int fd = ::open(temp.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) err = errno;
  struct stat st {};
  if (!err && ::stat(native.constData(), &st) == 0) {
    if (::fchmod(fd, st.st_mode & 07777) != 0) err = errno;
    // Only a privileged user can give the file away; anyone else keeps at least the group.
    if (!err && ::fchown(fd, st.st_uid, st.st_gid) != 0) (void)!::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
  }
  if (fd >= 0) ::close(fd);
  if (!err && ::rename(temp.constData(), native.constData()) != 0) err = errno;
  if (err) {
    ::unlink(temp.constData());
    temp_.clear();
    Raise(numberOf(err), QString(),
          QStringLiteral("Cannot replace %1: %2").arg(shownPath(target_), reasonOf(err)));
  }
  committed_ = true;
}

}  // namespace rt
