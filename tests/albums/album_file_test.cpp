#include "albums/album_file.h"

#include "platform/text/native_path.h"
#include "runtime/errors.h"
#include "tests/support/temp_dir.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <sys/stat.h>
#include <utility>
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of what the heap gives out (its header is not installed with every
// compiler).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

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

// Bytes from a device that can only be read through once, whose size is not known.
class SequentialBytes : public QIODevice {
 public:
  explicit SequentialBytes(QByteArray bytes) : bytes_(std::move(bytes)) { open(QIODevice::ReadOnly); }
  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char* data, qint64 most) override {
    const qint64 n = std::min(most, qint64(bytes_.size()) - at_);
    std::memcpy(data, bytes_.constData() + at_, std::size_t(n));
    at_ += n;
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  QByteArray bytes_;
  qint64 at_ = 0;
};

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
    const AlbumRecord r = albums::parseAlbumLine(c.line);
    EXPECT_EQ(r.path(), QString::fromUtf8(c.path));
    EXPECT_EQ(r.page(), QString::fromUtf8(c.page));
    EXPECT_EQ(r.remarks(), QString::fromUtf8(c.remarks));
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
  for (const AlbumRecord& r : albums::parseAlbum(bytes)) paths.push_back(r.path());
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

// Paths are the files' own bytes, whatever they are; the text of an album (pages and remarks) is
// UTF-8 when all of it is, and Windows-1252 otherwise, as earlier versions wrote it.
TEST(AlbumText, PathsKeepTheirBytesAndTheTextIsUtf8OrWindows1252) {
  EXPECT_EQ(pathsOf("\xEF\xBB\xBF/f\xC3\xA9.tif"), std::vector<QString>{QString::fromUtf8("/f\xC3\xA9.tif")});
  // 0xE9 alone is not UTF-8: the name keeps the byte (no file of either name exists here).
  const auto kept = albums::parseAlbum("/f\xE9\x80.tif, 1, caf\xC3\xA9");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].pathBytes(), QByteArrayView("/f\xE9\x80.tif"));
  EXPECT_EQ(kept[0].path(), plat::pathFromNative("/f\xE9\x80.tif"));
  EXPECT_EQ(kept[0].remarks(), QString::fromUtf8("CAF\xC3\x89")) << "the text is UTF-8: the album is";
  // A remark that is not UTF-8 far down makes the text before it Windows-1252 too, and none of the
  // lines is read twice; the paths keep their bytes all the same.
  QByteArray mixed = "/caf\xC3\xA9.tif, 1, caf\xC3\xA9\r\n";
  for (int i = 0; i < 20000; ++i) mixed += "/plain.tif, 1, x\r\n";
  mixed += "/f\xE9.tif, 2, \xE9t\xE9\r\n";
  const auto rows = albums::parseAlbum(mixed);
  ASSERT_EQ(rows.size(), 20002u);
  EXPECT_EQ(rows.front().path(), QString::fromUtf8("/caf\xC3\xA9.tif"));
  EXPECT_EQ(rows.front().remarks(), QString::fromUtf8("CAF\xC3\x83\xC2\xA9"));
  EXPECT_EQ(rows.back().pathBytes(), QByteArrayView("/f\xE9.tif"));
  EXPECT_EQ(rows.back().remarks(), QString::fromUtf8("\xC3\x89T\xC3\x89"));
}

// A row names its file by the name's own bytes: a name that is not UTF-8 survives a save and a
// reopen and still names the file. An album of an earlier version, written in Windows-1252, names
// its file by those bytes where a file has them, and by their Windows-1252 reading where that
// names a file.
TEST(AlbumFile, ARowKeepsItsFilesNameThroughSaveAndReopen) {
  testsupport::TempDir dir;
  const QByteArray folder = QFile::encodeName(dir.path());
  const QByteArray latin1 = folder + "/caf\xE9.tif";         // a name made where names were Latin-1
  const QByteArray utf8 = folder + "/na\xC3\xAFve.tif";     // a name made where names are UTF-8
  const QByteArray ansiOfUtf8 = folder + "/na\xEFve.tif";   // that name as a Windows-1252 album wrote it
  for (const QByteArray& name : {latin1, utf8}) {
    QFile f;
    ASSERT_TRUE(f.open(std::fopen(name.constData(), "wb"), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
  }
  const struct {
    QByteArray line;
    QByteArray file;  // the name the row must give
  } cases[] = {
      {latin1 + ", 1, note", latin1},
      {ansiOfUtf8 + ", 2, note", utf8},
      {utf8 + ", 3, \xE9t\xE9", utf8},
      {folder + "/gone\xE9.tif, 4, note", folder + "/gone\xE9.tif"},  // no file: the bytes stay
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    const AlbumRecord r = albums::parseAlbumLine(c.line, albums::AlbumText::Windows1252);
    EXPECT_EQ(r.pathBytes(), QByteArrayView(c.file));
    EXPECT_EQ(r.fileExists(), c.file != folder + "/gone\xE9.tif");
  }
  const QString album = dir.file("a.kvt");
  albums::writeAlbumFile(album, {AlbumRecord(plat::pathFromNative(latin1), "1", "caf\xC3\xA9")});
  EXPECT_EQ(readBytes(album), latin1 + ", 1, caf\xC3\xA9\r\n");
  const auto back = albums::readAlbumFile(album, false);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].pathBytes(), QByteArrayView(latin1));
  EXPECT_EQ(back[0].remarks(), QString::fromUtf8("CAF\xC3\x89"));
  EXPECT_TRUE(back[0].fileExists());
}

// Albums beyond the limits are refused with a message that names the album and the limit, and
// what it takes to read one is bounded by the limits, never by the size of the file. A file whose
// size is known is refused before it is read; one read from a device whose size is not known is
// refused once it has given more than the bound.
TEST(AlbumLimits, AnAlbumPastALimitIsRefusedWithAMessage) {
  const albums::AlbumLimits small{3, 16}, short20{3, 16, 20};
  const struct {
    const char* what;
    QByteArray bytes;
    const char* refusal;  // nullptr: read
    albums::AlbumLimits limits;
    bool sequential;
  } cases[] = {
      {"as many rows as allowed", "/a\r\n/b\r\n/c\r\n", nullptr, small, false},
      {"one row too many", "/a\r\n/b\r\n/c\r\n/d", "more than 3 rows", small, false},
      {"a blank row counts", "/a\n\n/c\n\n", "more than 3 rows", small, false},
      {"a line as long as allowed", QByteArray(16, 'x') + "\r\n", nullptr, small, false},
      {"a line too long", "/a\r\n" + QByteArray(17, 'x') + "\r\n", "line 2 is longer than 16 bytes", small, false},
      {"a last line too long without an end", "/a\r\n" + QByteArray(17, 'x'), "line 2 is longer than 16 bytes", small, false},
      {"a file as large as allowed", "/a\r\n/bbbbbb\r\n/cccccc", nullptr, short20, false},
      {"a file too large", "/a\r\n/bbbbbb\r\n/ccccccc", "it is larger than 20 bytes, the most an album can hold", short20, false},
      {"a device as long as allowed", "/a\r\n/bbbbbb\r\n/cccccc", nullptr, short20, true},
      {"a device too long", "/a\r\n/bbbbbb\r\n/ccccccc", "it is larger than 20 bytes", short20, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QBuffer buffer;
    SequentialBytes stream(c.bytes);
    buffer.setData(c.bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    QIODevice& in = c.sequential ? static_cast<QIODevice&>(stream) : buffer;
    try {
      albums::readAlbum(in, "/x/big.kvt", c.limits);
      EXPECT_EQ(c.refusal, nullptr) << "read although past the limit";
    } catch (const rt::RuntimeError& e) {
      ASSERT_NE(c.refusal, nullptr) << e.Description().toStdString();
      EXPECT_TRUE(e.Description().startsWith("The album /x/big.kvt cannot be opened: ")) << e.Description().toStdString();
      EXPECT_TRUE(e.Description().contains(c.refusal)) << e.Description().toStdString();
    }
  }
}

TEST(AlbumLimits, TheProgramsLimitsAreAMillionRows64KiBLinesAnd256MiBFiles) {
  testsupport::TempDir dir;
  const auto refusal = [&](const QByteArray& bytes, qint64 size = -1) -> QString {
    writeBytes(dir.file("a.kvt"), bytes);
    // Larger files are made sparse: they take no room and are refused before they are read.
    if (size >= 0) QFile::resize(dir.file("a.kvt"), size);
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
  // As large as allowed, an album is read (and this one is refused for its first line); one byte
  // more, and it is refused as a whole, whatever it holds, as the 2 GB album of long lines is.
  EXPECT_TRUE(refusal("/a.tif\r\n", qint64(256) << 20).contains("line 2 is longer than 65,536 bytes"));
  EXPECT_TRUE(refusal("/a.tif\r\n", (qint64(256) << 20) + 1).contains("it is larger than 268,435,456 bytes, the most an album can hold"));
  EXPECT_TRUE(refusal("/a.tif\r\n", qint64(2) << 30).contains("it is larger than 268,435,456 bytes"));
}

// Memory that the heap gives out now, in bytes.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
#endif
}

// A device that gives an album of lines of 100 bytes a read at a time, to the given length, without
// holding it: its size is not known to the reader.
class GeneratedAlbum : public QIODevice {
 public:
  explicit GeneratedAlbum(qint64 length) : length_(length) { open(QIODevice::ReadOnly); }
  bool isSequential() const override { return true; }

 protected:
  qint64 readData(char* data, qint64 most) override {
    const qint64 n = std::min(most, length_ - at_);
    for (qint64 i = 0; i < n; ++i, ++at_) data[i] = at_ % 100 == 98 ? '\r' : at_ % 100 == 99 ? '\n' : 'X';
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  qint64 length_, at_ = 0;
};

// An album past the whole bound is refused once it passes it, and what reading it took is let go:
// memory stays small, whatever the length of the file.
TEST(AlbumLimits, AnAlbumPastTheWholeBoundIsRefusedInSmallMemory) {
  const albums::AlbumLimits limits{1'000'000, 64 * 1024, 1 << 20};
  GeneratedAlbum in(qint64(64) << 20);
  const std::size_t before = heapInUse();
  qsizetype peak = 0;
  qint64 reported = 0;
  try {
    albums::readAlbum(in, "/x/long.kvt", limits, &peak, [&](qint64 done, qint64) { return reported = done, true; });
    ADD_FAILURE() << "an album of 64 MiB was read past a bound of 1 MiB";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Description(), "The album /x/long.kvt cannot be opened: it is larger than 1,048,576 bytes, the most an album can hold.");
  }
  EXPECT_LE(reported, 1 << 20) << "read on past the bound";
  EXPECT_LT(heapInUse(), before + (256 << 10)) << "what was read is kept";
}

// The rows keep their text compactly: an album of long rows takes little more memory than the text
// its rows keep (half as much again at the most), not the twice as much of a text of two bytes a
// character.
TEST(AlbumLimits, RowsTakeLittleMoreMemoryThanTheirText) {
  testsupport::TempDir dir;
  const QString file = dir.file("long.kvt");
  QByteArray album;
  qsizetype text = 0;
  for (int row = 0; row < 64; ++row) {
    const QByteArray path = "/scans/p" + QByteArray::number(row) + ".tif", remarks(60'000, 'A' + row % 26);
    album += path + ", 1, " + remarks + "\r\n";
    text += path.size() + 1 + remarks.size();
  }
  writeBytes(file, album);
  album.clear();
  const std::size_t before = heapInUse();
  const auto rows = albums::readAlbumFile(file, false);
  const std::size_t used = heapInUse() - before;
  ASSERT_EQ(rows.size(), 64u);
  EXPECT_EQ(rows[5].remarks(), QString(60'000, QLatin1Char('F')));
  EXPECT_LT(double(used), 1.5 * double(text)) << used << " bytes for " << text << " bytes of text";
}

// Reading says how far it has come, of the file's size, and stops when told: nothing is read then.
TEST(AlbumFile, ReadingSaysHowFarItHasComeAndCanBeStopped) {
  testsupport::TempDir dir;
  const QString file = dir.file("a.kvt");
  QByteArray album;
  for (int row = 0; row < 4'000; ++row) album += "/scans/p" + QByteArray::number(row) + ".tif, 1, note\r\n";
  writeBytes(file, album);
  std::vector<std::pair<qint64, qint64>> steps;
  const auto all = albums::readAlbumFile(file, false, [&](qint64 done, qint64 total) {
    steps.emplace_back(done, total);
    return true;
  });
  ASSERT_TRUE(all.has_value());
  EXPECT_EQ(all->size(), 4'000u);
  ASSERT_GE(steps.size(), 2u);
  for (std::size_t i = 1; i < steps.size(); ++i) EXPECT_LE(steps[i - 1].first, steps[i].first);
  EXPECT_EQ(steps.back(), std::make_pair(qint64(album.size()), qint64(album.size())));
  int calls = 0;
  EXPECT_FALSE(albums::readAlbumFile(file, false, [&](qint64, qint64) { return ++calls < 2; }).has_value());
  EXPECT_EQ(calls, 2) << "read on after it was stopped";
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
  const auto rows = *albums::readAlbum(in, file, {}, &peak);
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

// Every row read, written back as a line, reads back as the same row: damaged text included.
TEST(AlbumLine, ARowWrittenBackReadsTheSame) {
  const QByteArray albums[] = {
      // A byte-order mark at the start of the file, and text after it that is not UTF-8 at all.
      QByteArray::fromBase64("77tiLnSOZ8OpqWpwZyzvu78gMSwgDS4g5iwsDQogLw=="),
      // An album of Windows-1252 text whose remark starts with the bytes of a byte-order mark.
      QByteArray::fromBase64("77u/L2NhZsOpLmpwMCwkDQosLCwNCiAJoSwNCt0JLCAxIGcs77u/IDEN"),
  };
  for (const QByteArray& album : albums) {
    for (const albums::AlbumRecord& r : albums::parseAlbum(album)) {
      const albums::AlbumRecord back = albums::parseAlbumLine(albums::formatAlbumLine(r));
      EXPECT_EQ(back.pathBytes().toByteArray().toHex().toStdString(), r.pathBytes().toByteArray().toHex().toStdString());
      EXPECT_EQ(back.page().toStdString(), r.page().toStdString());
      EXPECT_EQ(back.remarks().toStdString(), r.remarks().toUpper().toStdString());
    }
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
