#include "albums/folder_scan.h"
#include "albums/scan_runner.h"

#include "platform/text/native_path.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace albums;

namespace {

// root/ a.kvt  x.KVT  photo.jpg  b.jpeg  .kvt  sub/ (c.kvt  deep/ (d.kvt  pic.TIF  loop -> root))  locked/ (e.kvt)
class ScanTree : public testing::Test {
 protected:
  void SetUp() override {
    QDir d(dir.path());
    d.mkpath("sub/deep");
    d.mkpath("locked");
    put("a.kvt", "/img/one.tif, 1, Blue sky\r\n/img/two.tif, 2, red car, parked\r\n");
    put("x.KVT", "/img/one.tif, 1, BLUE AGAIN\r\n/img/three.tif, 1, BLUEBERRY\r\n");
    put("photo.jpg", "");
    put("b.jpeg", "");
    put(".kvt", "");
    put("sub/c.kvt", "/img/four.tif, 1, sky blue\r\n/img/five.tif\r\n/img/six.tif, 3\r\n");
    put("sub/deep/d.kvt", "/img/seven.tif,x, navy blue,\r\n");
    put("sub/deep/pic.TIF", "");
    put("locked/e.kvt", "/img/eight.tif, 1, blue\r\n");
    QFile::link(dir.path(), dir.file("sub/deep/loop"));
  }
  void put(const QString& rel, const QByteArray& bytes) { albumtest::writeText(dir.file(rel), bytes); }
  QString rel(const QString& path) const { return QDir(dir.path()).relativeFilePath(path); }
  QStringList rels(const QStringList& paths) const {
    QStringList out;
    for (const QString& p : paths) out << rel(p);
    return out;
  }
  testsupport::TempDir dir;
};

}  // namespace

TEST_F(ScanTree, FindsAlbumsAtEveryDepthFilesBeforeSubfoldersWithoutLooping) {
  const QStringList found = rels(findAlbumFiles(dir.path()));
  EXPECT_EQ(found.size(), 5) << found.join(", ").toStdString();
  for (const char* f : {"a.kvt", "x.KVT", "sub/c.kvt", "sub/deep/d.kvt", "locked/e.kvt"}) EXPECT_TRUE(found.contains(f)) << f;
  // Files of a folder come before those of its subfolders, and a subfolder's before the next one's.
  EXPECT_LT(found.indexOf("a.kvt"), found.indexOf("sub/c.kvt"));
  EXPECT_LT(found.indexOf("sub/c.kvt"), found.indexOf("sub/deep/d.kvt"));
  EXPECT_FALSE(found.contains(".kvt"));
  const QStringList images = rels(findImageFiles(dir.path()));
  EXPECT_EQ(images, (QStringList{"photo.jpg", "sub/deep/pic.TIF"}));
}

TEST_F(ScanTree, UnreadableFolderIsSkippedAndTheScanGoesOn) {
  QFile::setPermissions(dir.file("locked"), QFileDevice::Permissions());
  const QStringList found = rels(findAlbumFiles(dir.path()));
  QFile::setPermissions(dir.file("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (geteuid() != 0) {
    EXPECT_FALSE(found.contains("locked/e.kvt"));
  }
  EXPECT_TRUE(found.contains("sub/deep/d.kvt"));
  EXPECT_TRUE(findAlbumFiles(dir.file("no-such-folder")).isEmpty());
}

TEST_F(ScanTree, StopEndsTheScanAndFoldersAreReported) {
  std::atomic<bool> stop{false};
  QStringList folders;
  ScanControl c;
  c.stop = &stop;
  c.onFolder = [&](const QString& f) {
    folders << rel(f);
    if (f.endsWith("sub")) stop = true;
  };
  const QStringList found = rels(findAlbumFiles(dir.path(), c));
  EXPECT_FALSE(found.contains("sub/deep/d.kvt"));
  EXPECT_TRUE(folders.contains("sub"));
  EXPECT_FALSE(folders.contains("sub/deep"));
}

// Beside the window: the scan runs on another thread, the folders it enters show in the status
// panel, and a panel closed during the scan is not touched.
TEST_F(ScanTree, BackgroundScanShowsTheFolderInThePanel) {
  QWidget window;
  QLabel* panel = nullptr;
  QStatusBar* bar = makeScanStatus(&window, &panel);
  ASSERT_TRUE(bar && panel);
  EXPECT_EQ(panel->objectName(), "dir");
  std::atomic<bool> stop{false};
  QStringList found;
  runScanInBackground([&](const ScanControl& c) { found = findAlbumFiles(dir.path(), c); }, panel,
                      QStringLiteral("Searching in : "), stop);
  EXPECT_TRUE(found.contains(dir.file("a.kvt")));
  // The root at least (a slow run may show a later folder too).
  EXPECT_TRUE(panel->text().startsWith("Searching in : " + dir.path())) << panel->text().toStdString();

  auto* gone = new QLabel;
  runScanInBackground([&](const ScanControl& c) {
    QMetaObject::invokeMethod(gone, [gone] { delete gone; }, Qt::BlockingQueuedConnection);
    c.onFolder(QStringLiteral("/after"));
  }, gone, QString(), stop);
}

TEST_F(ScanTree, KeywordSearchGivesOneHitPerPathWithTheFirstRemarks) {
  const QStringList albumsFound = findAlbumFiles(dir.path());
  QStringList ordered = {dir.file("a.kvt"), dir.file("x.KVT"), dir.file("sub/c.kvt"), dir.file("sub/deep/d.kvt")};
  const auto hits = searchAlbums(ordered, "  BLUE ");
  std::vector<std::pair<QString, QString>> got;
  for (const auto& h : hits) got.push_back({h.path, h.remarks});
  const std::vector<std::pair<QString, QString>> want = {
      {"/img/one.tif", "BLUE SKY"}, {"/img/three.tif", "BLUEBERRY"}, {"/img/four.tif", "SKY BLUE"}, {"/img/seven.tif", "NAVY BLUE,"}};
  EXPECT_EQ(got, want);
  // Case-sensitive: a lower-case keyword matches nothing in the upper-cased remarks.
  EXPECT_TRUE(searchAlbums(ordered, "blue").empty());
  EXPECT_EQ(searchAlbums(ordered, "CAR, PARK").size(), 1u);
  // Upper-casing can lengthen a letter: the search still sees it in an album of non-ASCII text.
  put("s.kvt", "/img/street.tif, 1, Gro\xc3\x9f" "e Stra\xc3\x9f" "e\r\n");
  ASSERT_EQ(searchAlbums({dir.file("s.kvt")}, "STRASSE").size(), 1u);
  // A missing album is skipped and not created.
  EXPECT_TRUE(searchAlbums({dir.file("gone.kvt")}, "BLUE").empty());
  EXPECT_FALSE(QFile::exists(dir.file("gone.kvt")));
  EXPECT_FALSE(albumsFound.isEmpty());
}

// The search reads albums as the album manager does: every kind of line end, and the same limits.
// An album past them gives no hits, and the albums after it are still searched.
TEST_F(ScanTree, KeywordSearchReadsLinesAsTheAlbumManagerDoes) {
  put("cr.kvt", "/img/cr.tif, 1, red roof\r/img/lf.tif, 1, red door\n/img/crlf.tif, 1, red car\r\n");
  put("huge.kvt", "/img/early.tif, 1, red early\r\n" + QByteArray(64 * 1024 + 1, 'x') + "\r\n");
  put("after.kvt", "\xEF\xBB\xBF/img/after.tif, 1, red after\r\n");
  std::vector<QString> paths;
  for (const KeywordHit& h : searchAlbums({dir.file("cr.kvt"), dir.file("huge.kvt"), dir.file("after.kvt")}, "RED"))
    paths.push_back(h.path);
  EXPECT_EQ(paths, (std::vector<QString>{"/img/cr.tif", "/img/lf.tif", "/img/crlf.tif", "/img/after.tif"}));
}

// Names that are not UTF-8 (a folder, an album and a picture named where names were Latin-1) are
// found, read and given back by their own bytes, so that the picture a search finds opens.
TEST_F(ScanTree, ScansAndTheKeywordSearchKeepNamesThatAreNotUtf8) {
  const QByteArray root = QFile::encodeName(dir.path());
  const QByteArray folder = root + "/lat\xE9", album = folder + "/trip\xE9.kvt", picture = folder + "/caf\xE9.jpg";
  ASSERT_EQ(::mkdir(folder.constData(), 0777), 0);
  for (const QByteArray& file : {album, picture}) {
    QFile f;
    ASSERT_TRUE(f.open(std::fopen(file.constData(), "wb"), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
    if (file == album) f.write(picture + ", 1, blue \xE9t\xE9\r\n");
  }
  const QString albumPath = plat::pathFromNative(album), picturePath = plat::pathFromNative(picture);
  EXPECT_TRUE(findAlbumFiles(dir.path()).contains(albumPath));
  EXPECT_TRUE(findImageFiles(dir.path()).contains(picturePath));
  const auto hits = searchAlbums({albumPath}, "BLUE");
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(plat::nativePath(hits[0].path), picture);
  EXPECT_EQ(hits[0].remarks, QString::fromUtf8("BLUE \xC3\x89T\xC3\x89"));
}

// The image search takes the extensions the open dialog lists, compared in any case after blanks are
// trimmed, but leaves icons out; the long spellings are images too, formats the program cannot open
// are not.
TEST(ImageExtension, TheOpenDialogsExtensionsWithoutIcons) {
  const struct {
    const char* extension;
    bool image;
  } cases[] = {{"DIB", true},  {"jif", true},  {"Rle", true},  {" tiff ", true}, {"JPEG", true}, {"PBM", true},
               {"ICO", false}, {"ico", false}, {"WMF", false}, {"wpg", false},    {"GIF", false}, {"LJP", false},
               {"KVT", false}, {"", false},    {"J PG", false}};
  for (const auto& c : cases) EXPECT_EQ(isImageExtension(QString::fromLatin1(c.extension)), c.image) << c.extension;
}
