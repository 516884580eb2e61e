#include "albums/album_file.h"

#include "runtime/errors.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

using albums::AlbumRecord;

namespace {

QByteArray readBytes(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

struct LineCase {
  const char* line;
  const char* path;
  const char* page;
  const char* remarks;
};

}  // namespace

TEST(AlbumLine, ReadsEachLineIntoOneRecord) {
  const LineCase cases[] = {
      {"c:\\a.tif", "c:\\a.tif", "1", ""},
      {"c:\\a.tif, 3", "c:\\a.tif", "3", ""},
      {"c:\\a.tif,x,note", "c:\\a.tif", "1", "NOTE"},
      {"c:\\a.tif, 2, one, two", "c:\\a.tif", "2", "ONE, TWO"},
      {"c:\\a.tif, , note", "c:\\a.tif", "1", "NOTE"},
      {"", "", "1", ""},
      {"   ", "", "1", ""},
      {"  /scans/Invoice.tif ,  12 ,  signed copy, filed  ", "/scans/Invoice.tif", "12", "SIGNED COPY, FILED"},
      {"/a.tif, word", "/a.tif", "1", ""},
      // Tabs are not blanks: they stay part of the text.
      {"\t/a.tif, 2, x\t", "\t/a.tif", "2", "X\t"},
      {",,", "", "1", ""},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.line);
    const AlbumRecord r = albums::parseAlbumLine(QString::fromUtf8(c.line));
    EXPECT_EQ(r.path, QString::fromUtf8(c.path));
    EXPECT_EQ(r.page, QString::fromUtf8(c.page));
    EXPECT_EQ(r.remarks, QString::fromUtf8(c.remarks));
  }
}

TEST(AlbumLine, SearchReadingNeedsTwoCommas) {
  QString path, remarks;
  EXPECT_FALSE(albums::parseSearchLine("/a.tif", &path, &remarks));
  EXPECT_FALSE(albums::parseSearchLine("/a.tif, 3", &path, &remarks));
  ASSERT_TRUE(albums::parseSearchLine(" /a.tif , x, Blue sky, cloud ", &path, &remarks));
  EXPECT_EQ(path, "/a.tif");
  EXPECT_EQ(remarks, "BLUE SKY, CLOUD");
}

TEST(AlbumText, LineEndsOfEveryKindAndALastLineWithoutEnd) {
  EXPECT_EQ(albums::splitAlbumLines("a\r\nb\nc\rd"), (std::vector<QString>{"a", "b", "c", "d"}));
  EXPECT_EQ(albums::splitAlbumLines("a\r\nb\r\n"), (std::vector<QString>{"a", "b"}));
  EXPECT_EQ(albums::splitAlbumLines("a\r\n\r\nb"), (std::vector<QString>{"a", "", "b"}));
  EXPECT_TRUE(albums::splitAlbumLines("").empty());
}

TEST(AlbumText, Utf8WithWindows1252Fallback) {
  EXPECT_EQ(albums::decodeAlbumText(QByteArray("\xEF\xBB\xBF/f\xC3\xA9.tif")), QString::fromUtf8("/f\xC3\xA9.tif"));
  // 0xE9 alone is not UTF-8: it is e-acute in Windows-1252; 0x80 is the euro sign there.
  EXPECT_EQ(albums::decodeAlbumText(QByteArray("/f\xE9\x80.tif")), QString::fromUtf8("/f\xC3\xA9\xE2\x82\xAC.tif"));
}

TEST(AlbumFile, WriteThenReadKeepsPathsAndUpperCasesRemarks) {
  testsupport::TempDir dir;
  const QString file = dir.file("a.kvt");
  const std::vector<AlbumRecord> rows = {
      {"/Scans/Invoice.tif", "2", "signed copy, filed"},
      {"/Scans/caf\u00e9.jpg", "1", ""},
      {" /x.tif ", " 3 ", " note "},
  };
  albums::writeAlbumFile(file, rows);
  EXPECT_EQ(readBytes(file), QByteArray("/Scans/Invoice.tif, 2, signed copy, filed\r\n"
                                        "/Scans/caf\xC3\xA9.jpg, 1, \r\n"
                                        "/x.tif, 3, note\r\n"));
  const auto back = albums::readAlbumFile(file, false);
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0], (AlbumRecord{"/Scans/Invoice.tif", "2", "SIGNED COPY, FILED"}));
  EXPECT_EQ(back[1], (AlbumRecord{"/Scans/caf\u00e9.jpg", "1", ""}));
  EXPECT_EQ(back[2], (AlbumRecord{"/x.tif", "3", "NOTE"}));
  // Written again, the remarks stay upper-case.
  albums::writeAlbumFile(file, back);
  EXPECT_TRUE(readBytes(file).startsWith("/Scans/Invoice.tif, 2, SIGNED COPY, FILED\r\n"));
}

TEST(AlbumFile, EmptyAlbumIsAnEmptyFileAndMissingFileIsCreated) {
  testsupport::TempDir dir;
  albums::writeAlbumFile(dir.file("e.kvt"), {});
  EXPECT_TRUE(readBytes(dir.file("e.kvt")).isEmpty());
  EXPECT_TRUE(albums::readAlbumFile(dir.file("new.kvt"), true).empty());
  EXPECT_TRUE(QFile::exists(dir.file("new.kvt")));
  EXPECT_THROW(albums::readAlbumFile(dir.file("none.kvt"), false), rt::RuntimeError);
  EXPECT_FALSE(QFile::exists(dir.file("none.kvt")));
}

TEST(AlbumFile, ReadOnlyAlbumIsRefusedAndKept) {
  testsupport::TempDir dir;
  const QString file = dir.file("ro.kvt");
  writeBytes(file, "/old.tif, 1, \r\n");
  QFile::setPermissions(file, QFileDevice::ReadOwner);
  try {
    albums::writeAlbumFile(file, {{"/new.tif", "1", ""}});
    ADD_FAILURE() << "a read-only album was overwritten";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), rt::kErrPermissionDenied);
  }
  QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(readBytes(file), QByteArray("/old.tif, 1, \r\n"));
  EXPECT_THROW(albums::writeAlbumFile(dir.file("no/such/dir.kvt"), {}), rt::RuntimeError);
}

TEST(AlbumFile, DamagedFilesReadWithoutCrash) {
  testsupport::TempDir dir;
  QByteArray binary;
  for (int i = 0; i < 4096; ++i) binary.append(static_cast<char>((i * 131) & 0xFF));
  writeBytes(dir.file("bin.kvt"), binary);
  const auto rows = albums::readAlbumFile(dir.file("bin.kvt"), false);
  EXPECT_FALSE(rows.empty());

  QByteArray longLine(10 * 1024 * 1024, 'A');
  longLine += ", 7, long";
  writeBytes(dir.file("long.kvt"), longLine);
  const auto one = albums::readAlbumFile(dir.file("long.kvt"), false);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].path.size(), 10 * 1024 * 1024);
  EXPECT_EQ(one[0].page, "7");
  EXPECT_EQ(one[0].remarks, "LONG");
}

TEST(AlbumFile, StorablePathsAndScanExtensions) {
  EXPECT_TRUE(albums::isStorablePath("/scans/a.tif"));
  EXPECT_FALSE(albums::isStorablePath("/scans/a,b.tif"));
  EXPECT_FALSE(albums::isStorablePath("  "));
  const std::pair<const char*, const char*> ext[] = {
      {"a.kvt", "kvt"}, {"A.KVT", "KVT"}, {".kvt", ""}, {"x.jpeg", ""}, {"photo.jpg ", "jpg"}, {"abc", ""}, {"ab.c", ""},
  };
  for (auto [name, want] : ext) EXPECT_EQ(albums::scanExtension(name), QString(want)) << name;
}
