#include "albums/album_file.h"

#include "platform/text/native_path.h"
#include "runtime/errors.h"
#include "tests/support/temp_dir.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sys/stat.h>

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

std::vector<QString> pathsOf(const QByteArray& bytes) {
  std::vector<QString> paths;
  for (const AlbumRecord& r : albums::parseAlbum(bytes)) paths.push_back(r.path);
  return paths;
}

TEST(AlbumText, LineEndsOfEveryKindAndALastLineWithoutEnd) {
  const struct {
    QByteArray bytes;
    std::vector<QString> paths;
  } cases[] = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"", {}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB\xBF" "a\r\nb\r\n", {"a", "b"}},
      {"a\r", {"a"}},
      {"a\r\r\n", {"a", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(pathsOf(c.bytes), c.paths) << c.bytes.toStdString();
}

TEST(AlbumText, Utf8WithWindows1252Fallback) {
  EXPECT_EQ(pathsOf("\xEF\xBB\xBF/f\xC3\xA9.tif"), std::vector<QString>{QString::fromUtf8("/f\xC3\xA9.tif")});
  // 0xE9 alone is not UTF-8: it is e-acute in Windows-1252; 0x80 is the euro sign there.
  EXPECT_EQ(pathsOf("/f\xE9\x80.tif"), std::vector<QString>{QString::fromUtf8("/f\xC3\xA9\xE2\x82\xAC.tif")});
  // The whole file is one or the other: a line that is not UTF-8 far down makes the lines before
  // it Windows-1252 too, and none of them is read twice.
  QByteArray mixed = "/caf\xC3\xA9.tif\r\n";
  for (int i = 0; i < 20000; ++i) mixed += "/plain.tif, 1, x\r\n";
  mixed += "/f\xE9.tif\r\n";
  const std::vector<QString> paths = pathsOf(mixed);
  ASSERT_EQ(paths.size(), 20002u);
  EXPECT_EQ(paths.front(), QString::fromUtf8("/caf\xC3\x83\xC2\xA9.tif"));
  EXPECT_EQ(paths.back(), QString::fromUtf8("/f\xC3\xA9.tif"));
}

// Albums beyond the limits are refused with a message that names the album and the limit, and
// what it takes to read one is bounded by the limits, never by the size of the file.
TEST(AlbumLimits, AnAlbumPastALimitIsRefusedWithAMessage) {
  const albums::AlbumLimits small{3, 16};
  const struct {
    const char* what;
    QByteArray bytes;
    const char* refusal;  // nullptr: read
  } cases[] = {
      {"as many rows as allowed", "/a\r\n/b\r\n/c\r\n", nullptr},
      {"one row too many", "/a\r\n/b\r\n/c\r\n/d", "more than 3 rows"},
      {"a blank row counts", "/a\n\n/c\n\n", "more than 3 rows"},
      {"a line as long as allowed", QByteArray(16, 'x') + "\r\n", nullptr},
      {"a line too long", "/a\r\n" + QByteArray(17, 'x') + "\r\n", "line 2 is longer than 16 bytes"},
      {"a last line too long without an end", "/a\r\n" + QByteArray(17, 'x'), "line 2 is longer than 16 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QBuffer in;
    in.setData(c.bytes);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    try {
      albums::readAlbum(in, "/x/big.kvt", small);
      EXPECT_EQ(c.refusal, nullptr) << "read although past the limit";
    } catch (const rt::RuntimeError& e) {
      ASSERT_NE(c.refusal, nullptr) << e.Description().toStdString();
      EXPECT_TRUE(e.Description().startsWith("The album /x/big.kvt cannot be opened: ")) << e.Description().toStdString();
      EXPECT_TRUE(e.Description().contains(c.refusal)) << e.Description().toStdString();
    }
  }
}

TEST(AlbumLimits, TheProgramsLimitsAreAMillionRowsAnd64KiBLines) {
  testsupport::TempDir dir;
  const auto refusal = [&](const QByteArray& bytes) -> QString {
    writeBytes(dir.file("a.kvt"), bytes);
    try {
      albums::readAlbumFile(dir.file("a.kvt"), false);
    } catch (const rt::RuntimeError& e) {
      return e.Description();
    }
    return QString();
  };
  // Blank lines are rows too: the cheapest album of a million and one rows.
  EXPECT_TRUE(refusal(QByteArray(1'000'001, '\n')).contains("more than 1,000,000 rows"));
  EXPECT_TRUE(refusal(QByteArray(65'536, 'x')).isEmpty());
  EXPECT_TRUE(refusal(QByteArray(65'537, 'x')).contains("line 1 is longer than 65,536 bytes"));
}

TEST(AlbumLimits, AnAlbumManyTimesTheBoundIsReadInBoundedMemory) {
  testsupport::TempDir dir;
  const QString file = dir.file("huge.kvt");
  // 4,096 rows of 4 KiB (16 MiB, sixteen times the bound), written a block at a time: each row's
  // remarks are padded with blanks, so what the album keeps is small and only the reader's own
  // buffer could grow. A reader that held the file, or kept what it had read, would pass the bound.
  constexpr int kRows = 4'096, kRowBytes = 4096;
  {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    QByteArray block;
    for (int row = 0; row < kRows; ++row) {
      QByteArray line = "/scans/p" + QByteArray::number(row) + ".tif, 2, note";
      line += QByteArray(kRowBytes - 2 - line.size(), ' ');
      block += line + "\r\n";
      if (block.size() >= (1 << 20) || row == kRows - 1) {
        ASSERT_EQ(out.write(block), block.size());
        block.clear();
      }
    }
  }
  ASSERT_EQ(QFileInfo(file).size(), qint64(kRows) * kRowBytes);
  QFile in(file);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  qsizetype peak = 0;
  const auto rows = albums::readAlbum(in, file, {}, &peak);
  ASSERT_EQ(rows.size(), std::size_t(kRows));
  EXPECT_EQ(rows.back(), (AlbumRecord{"/scans/p4095.tif", "2", "NOTE"}));
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, 1 << 20) << "the reader held " << peak << " bytes at once";
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

// An album whose name is not valid UTF-8 opens from its own bytes and is saved back under them,
// and a missing one is made under exactly those bytes.
TEST(AlbumFile, AnAlbumNameThatIsNotUtf8OpensAndSaves) {
  testsupport::TempDir dir;
  const QByteArray folder = QFile::encodeName(dir.path());
  const QByteArray raw = folder + "/trip\xFF.kvt";
  writeBytes(dir.file("made.kvt"), "/a.tif, 2, x\r\n");
  ASSERT_EQ(::rename(QFile::encodeName(dir.file("made.kvt")).constData(), raw.constData()), 0);
  EXPECT_EQ(albums::readAlbumFile(plat::pathFromNative(raw), false), (std::vector<AlbumRecord>{{"/a.tif", "2", "X"}}));
  albums::writeAlbumFile(plat::pathFromNative(raw), {{"/b.tif", "1", "y"}});
  QFile saved;
  ASSERT_TRUE(saved.open(std::fopen(raw.constData(), "rb"), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
  EXPECT_EQ(saved.readAll(), QByteArray("/b.tif, 1, y\r\n"));
  const auto names = std::filesystem::directory_iterator(folder.constData());
  EXPECT_EQ(std::distance(begin(names), end(names)), 1) << "the save left a file of another name";
  const QByteArray fresh = folder + "/new\xFE.kvt";
  EXPECT_TRUE(albums::readAlbumFile(plat::pathFromNative(fresh), true).empty());
  struct stat st {};
  EXPECT_EQ(::stat(fresh.constData(), &st), 0);
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

  // A file of one line of 10 MiB (no line ends at all) is no album: it is refused, not read.
  QByteArray longLine(10 * 1024 * 1024, 'A');
  longLine += ", 7, long";
  writeBytes(dir.file("long.kvt"), longLine);
  try {
    albums::readAlbumFile(dir.file("long.kvt"), false);
    ADD_FAILURE() << "a 10 MiB line was read";
  } catch (const rt::RuntimeError& e) {
    EXPECT_TRUE(e.Description().contains("line 1 is longer than")) << e.Description().toStdString();
  }
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
