// Replacing a file through a temporary beside it: permissions, errors that name the document, and
// temporaries of killed saves.
#include "platform/text/native_path.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testsupport::TempDir;
using testsupport::fileBytes;
using testsupport::writeFileBytes;

mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

QStringList namesIn(const TempDir& dir) {
  QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
  names.sort();
  return names;
}

template <class F>
rt::RuntimeError errorOf(F f) {
  try {
    f();
  } catch (const rt::RuntimeError& e) {
    return e;
  }
  return rt::RuntimeError(0, QString());
}

TEST(ReplacingFile, CommittedContentTakesThePlaceAndThePermissionsOfTheTarget) {
  TempDir dir;
  const QString target = dir.file(QStringLiteral("doc.txt"));
  writeFileBytes(target, "old");
  ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
  {
    rt::ReplacingFile out(target);
    EXPECT_TRUE(rt::isSaveTempName(QFileInfo(out.tempPath()).fileName()));
    writeFileBytes(out.tempPath(), "new");
    EXPECT_EQ(fileBytes(target), "old");
    out.commit();
  }
  EXPECT_EQ(fileBytes(target), "new");
  EXPECT_EQ(modeOf(target), 0640u);
  EXPECT_EQ(namesIn(dir), QStringList({"doc.txt"}));
}

TEST(ReplacingFile, DroppedWithoutCommitLeavesTheTargetAndNoTemporary) {
  TempDir dir;
  const QString target = dir.file(QStringLiteral("doc.txt"));
  writeFileBytes(target, "old");
  {
    rt::ReplacingFile out(target);
    writeFileBytes(out.tempPath(), "half");
  }
  EXPECT_EQ(fileBytes(target), "old");
  EXPECT_EQ(namesIn(dir), QStringList({"doc.txt"}));
}

TEST(ReplacingFile, RefusalsNameTheDocumentAndSayWhy) {
  TempDir dir;
  const QString readOnly = dir.file(QStringLiteral("locked.txt"));
  writeFileBytes(readOnly, "keep");
  ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
  const QString folder = dir.file(QStringLiteral("sub"));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
  struct Case {
    QString target;
    int number;
    QString text;
  } cases[] = {
      {readOnly, rt::kErrPermissionDenied, QStringLiteral("Permission denied: %1 is read-only").arg(readOnly)},
      {folder, 75, QStringLiteral("Cannot write %1: it is a folder").arg(folder)},
      {dir.file(QStringLiteral("none/doc.txt")), rt::kErrPathNotFound,
       QStringLiteral("Cannot write %1: the folder does not exist").arg(dir.file(QStringLiteral("none/doc.txt")))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target.toStdString());
    const rt::RuntimeError e = errorOf([&] { rt::ReplacingFile out(c.target); });
    EXPECT_EQ(e.Number(), c.number);
    EXPECT_EQ(e.Description(), c.text);
  }
  EXPECT_EQ(fileBytes(readOnly), "keep");
  EXPECT_EQ(namesIn(dir), QStringList({"locked.txt"}));
}

TEST(ReplacingFile, OnlyTemporariesWhoseWriterIsGoneAreSwept) {
  TempDir dir;
  const QString target = dir.file(QStringLiteral("doc.txt"));
  rt::ReplacingFile running(target);  // a save still under way
  // Left by a killed save: nobody holds it open.
  writeFileBytes(dir.file(QStringLiteral(".doc.txt.0badf00d.lvxsave")), "litter");
  // Files that are not ours, even when they look alike.
  writeFileBytes(dir.file(QStringLiteral(".doc.txt.1.tmp")), "user");
  writeFileBytes(dir.file(QStringLiteral("doc.txt.0badf00d.lvxsave")), "user");
  writeFileBytes(dir.file(QStringLiteral(".doc.txt.nothex12.lvxsave")), "user");

  rt::removeStaleSaveTemps(dir.path());
  QStringList expected = {".doc.txt.1.tmp", ".doc.txt.nothex12.lvxsave", QFileInfo(running.tempPath()).fileName(),
                          "doc.txt.0badf00d.lvxsave"};
  expected.sort();
  EXPECT_EQ(namesIn(dir), expected);
}

// Names are bytes: in a folder whose name is not UTF-8, a killed save's temporary is swept and a
// read-only document is refused, its stray bytes shown as replacement characters.
TEST(ReplacingFile, NamesThatAreNotUtf8AreSweptAndNamed) {
  TempDir dir;
  const QByteArray folder = QFile::encodeName(dir.path()) + "/box\xFF";
  ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
  const QByteArray litter = folder + "/.scan\xFE.tif.0badf00d.lvxsave";
  const QByteArray readOnly = folder + "/kept\xFE.tif";
  for (const QByteArray& path : {litter, readOnly}) {
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0444);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }

  rt::removeStaleSaveTemps(plat::pathFromNative(folder));
  EXPECT_NE(::access(litter.constData(), F_OK), 0) << "the temporary of a killed save is left";

  const rt::RuntimeError e = errorOf([&] { rt::ReplacingFile out(plat::pathFromNative(readOnly)); });
  EXPECT_EQ(e.Number(), rt::kErrPermissionDenied);
  EXPECT_EQ(e.Description(), QStringLiteral("Permission denied: %1/box\uFFFD/kept\uFFFD.tif is read-only").arg(dir.path()));
}

}  // namespace
