// Saves against the file system: read-only targets, kept permissions, and saves killed half-way.
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <sys/stat.h>

namespace {

using imgtest::pattern;
using testsupport::TempDir;

mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

img::SaveOptions optionsFor(int16_t format, bool multiPage = false) {
  img::SaveOptions o;
  o.format = format;
  o.multiPage = multiPage;
  return o;
}

struct Target {
  const char* name;
  int16_t format;
  bool multiPage;
};
const Target kTargets[] = {
    {"a.tif", img::kFormatTiff, false}, {"b.tif", img::kFormatTiffLzw, false}, {"c.bmp", img::kFormatBmp, false},
    {"d.png", img::kFormatPng, false},  {"e.dcx", img::kFormatDcx, true},      {"f.tif", img::kFormatTiff, true},
};

TEST(Save, ReadOnlyTargetIsRefusedAndLeftAsItWas) {
  TempDir dir;
  for (const Target& t : kTargets) {
    SCOPED_TRACE(t.name);
    const QString path = dir.file(QString::fromLatin1(t.name));
    img::writeFile(path, pattern(8, 6, 24), optionsFor(t.format));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const QByteArray before = bytesOf(path);
    try {
      img::writeFile(path, pattern(9, 7, 24), optionsFor(t.format, t.multiPage));
      ADD_FAILURE() << "a read-only file was written";
    } catch (const rt::RuntimeError& e) {
      EXPECT_EQ(e.Number(), rt::kErrPermissionDenied);
      EXPECT_EQ(e.Description(), QStringLiteral("Permission denied: %1 is read-only").arg(path));
    }
    EXPECT_EQ(bytesOf(path), before);
    EXPECT_EQ(modeOf(path), 0444u);
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), std::size(kTargets));
}

TEST(Save, ReplacedFileKeepsItsPermissions) {
  TempDir dir;
  for (const Target& t : kTargets) {
    if (t.multiPage) continue;
    SCOPED_TRACE(t.name);
    const QString path = dir.file(QString::fromLatin1(t.name));
    img::writeFile(path, pattern(8, 6, 24), optionsFor(t.format));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0604), 0);
    img::writeFile(path, pattern(9, 7, 24), optionsFor(t.format));
    EXPECT_EQ(img::readFilePage(path, 1).bitmap.width(), 9);
    EXPECT_EQ(modeOf(path), 0604u);
  }
}

TEST(Save, FailureNamesTheDocumentNotItsTemporary) {
  TempDir dir;
  const QString path = dir.file(QStringLiteral("missing/doc.bmp"));
  try {
    img::writeFile(path, pattern(8, 6, 24), optionsFor(img::kFormatBmp));
    ADD_FAILURE() << "saved into a folder that does not exist";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Description(), QStringLiteral("Cannot write %1: the folder does not exist").arg(path));
  }
}

// ---- Killed saves -------------------------------------------------------------------------------

const char* kKilledSaveFolder = "LUMIVEX_KILLED_SAVE_FOLDER";

// Run by the test below in a child process: saves a large page over and over until it is killed.
TEST(KilledSaveChild, SavesUntilKilled) {
  const QString folder = qEnvironmentVariable(kKilledSaveFolder);
  if (folder.isEmpty()) GTEST_SKIP() << "only run as the child of the killed-save test";
  const img::Bitmap page = pattern(1200, 1200, 24);
  for (int i = 0;; ++i) {
    const bool tiff = i % 2 == 0;
    img::writeFile(QDir(folder).filePath(tiff ? QStringLiteral("doc.tif") : QStringLiteral("doc.bmp")), page,
                   optionsFor(tiff ? img::kFormatTiff : img::kFormatBmp));
  }
}

QStringList filesIn(const QString& folder) {
  QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
  names.sort();
  return names;
}
std::string listOf(const QString& folder) { return filesIn(folder).join(QLatin1Char(' ')).toStdString(); }

// Kills a child that keeps saving into the folder while one of its temporaries is there; true when
// the kill left one behind.
bool killASave(const QString& folder, const QStringList& documents) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kKilledSaveFolder), folder);
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=KilledSaveChild.*")});
  if (!child.waitForStarted()) return false;
  QElapsedTimer clock;
  clock.start();
  bool caught = false;
  while (!caught && child.state() == QProcess::Running && clock.elapsed() < 60000) {
    QStringList others = filesIn(folder);
    for (const QString& d : documents) others.removeAll(d);
    if (!others.isEmpty()) caught = true;
    else QThread::usleep(200);
  }
  child.kill();
  child.waitForFinished();
  QStringList left = filesIn(folder);
  for (const QString& d : documents) left.removeAll(d);
  return caught && !left.isEmpty();
}

TEST(KilledSave, LeavesNothingThatOutlivesTheNextSaveOrOpenInItsFolder) {
  TempDir dir;
  const QStringList documents = {"doc.bmp", "doc.tif"};
  img::writeFile(dir.file(QStringLiteral("doc.tif")), pattern(8, 6, 24), optionsFor(img::kFormatTiff));
  img::writeFile(dir.file(QStringLiteral("doc.bmp")), pattern(8, 6, 24), optionsFor(img::kFormatBmp));

  // The next save of another file in the folder clears the temporary.
  bool killed = false;
  for (int attempt = 0; attempt < 20 && !killed; ++attempt) killed = killASave(dir.path(), documents);
  ASSERT_TRUE(killed) << "no save was caught half-way";
  img::writeFile(dir.file(QStringLiteral("other.png")), pattern(8, 6, 24), optionsFor(img::kFormatPng));
  EXPECT_EQ(listOf(dir.path()), "doc.bmp doc.tif other.png");

  // So does opening a document there.
  killed = false;
  for (int attempt = 0; attempt < 20 && !killed; ++attempt) killed = killASave(dir.path(), documents + QStringList{"other.png"});
  ASSERT_TRUE(killed) << "no save was caught half-way";
  EXPECT_EQ(img::openDocumentFile(dir.file(QStringLiteral("other.png"))).pages, 1);
  EXPECT_EQ(listOf(dir.path()), "doc.bmp doc.tif other.png");
}

}  // namespace
