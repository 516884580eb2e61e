// What the user is told when a file cannot be read, or only in part: the reason, in the name of the
// file the user opened.
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"
#include "tests/controls/imaging/fixtures.h"

#include "platform/text/native_path.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <functional>
#include <optional>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using imgtest::pattern;
using testsupport::TempDir;

template <class F>
QString messageOf(F f) {
  try {
    f();
  } catch (const rt::RuntimeError& e) {
    return e.Description();
  }
  return QStringLiteral("<no error>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void save(const QString& path, const img::Bitmap& b, int16_t format, bool multiPage = false) {
  img::SaveOptions o;
  o.format = format;
  o.multiPage = multiPage;
  img::writeFile(path, b, o);
}

TEST(OpenMessages, SayWhyAFileCannotBeOpened) {
  TempDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.tif")));
  writeBytes(dir.file(QStringLiteral("empty.tif")), QByteArray());
  writeBytes(dir.file(QStringLiteral("empty.bmp")), QByteArray());
  const struct {
    QString path;
    QString text;
  } cases[] = {
      {dir.file(QStringLiteral("folder.tif")), QStringLiteral("Cannot open %1: it is a folder")},
      {dir.file(QStringLiteral("none.tif")), QStringLiteral("File not found: %1")},
      {dir.file(QStringLiteral("empty.tif")), QStringLiteral("The file %1 is empty")},
      {dir.file(QStringLiteral("empty.bmp")), QStringLiteral("The file %1 is empty")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    const QString expected = c.text.arg(c.path);
    EXPECT_EQ(messageOf([&] { img::readFilePage(c.path, 1); }), expected);
    EXPECT_EQ(messageOf([&] { img::filePageCount(c.path); }), expected);
    EXPECT_EQ(messageOf([&] { img::fileInfo(c.path, 1); }), expected);
  }
}

TEST(OpenMessages, ATruncatedDcxIsCalledADamagedDcx) {
  TempDir dir;
  const QString path = dir.file(QStringLiteral("pages.dcx"));
  save(path, pattern(40, 30, 8), img::kFormatDcx, true);
  save(path, pattern(40, 30, 8), img::kFormatDcx, true);
  QByteArray bytes = readBytes(path);
  bytes.chop(bytes.size() / 4);
  writeBytes(path, bytes);
  const QString text = messageOf([&] { img::readFilePage(path, 2); });
  EXPECT_TRUE(text.startsWith(QStringLiteral("The DCX file %1 is damaged: ").arg(path))) << text.toStdString();
}

TEST(OpenMessages, APictureTooLargeForMemoryGetsOneMessageInEveryFormat) {
  TempDir dir;
  const std::size_t limit = img::maxBitmapBytes();
  const int16_t formats[] = {img::kFormatPng, img::kFormatJpeg, img::kFormatBmp, img::kFormatTiff, img::kFormatPcx};
  for (int16_t format : formats) {
    SCOPED_TRACE(format);
    const QString path = dir.file(QStringLiteral("big.%1").arg(format));
    save(path, pattern(300, 200, 24), format);
    img::setMaxBitmapBytes(20000);
    const QString text = messageOf([&] { img::readFilePage(path, 1); });
    img::setMaxBitmapBytes(limit);
    EXPECT_EQ(text, QStringLiteral("Picture too large (300 x 200): %1").arg(path));
  }
  // An RGB PNG is read straight into its 3 bytes a pixel: it opens where it fits in those, though
  // 4 bytes a pixel would not.
  const QString rgb = dir.file(QStringLiteral("rgb.png"));
  save(rgb, pattern(300, 200, 24), img::kFormatPng);
  img::setMaxBitmapBytes(200000);
  const QString read = messageOf([&] { EXPECT_EQ(img::readFilePage(rgb, 1).bitmap.width(), 300); });
  img::setMaxBitmapBytes(limit);
  EXPECT_EQ(read.toStdString(), "<no error>");
}

// A TIFF page of one row and the given width (a LONG field, so up to 4,294,967,295), of 1 or 8
// bits, uncompressed, its one strip as long as its tags claim.
QByteArray tiffOfWidth(uint32_t width, uint16_t bits) {
  QByteArray t("II*\0", 4);
  const auto put16 = [&](uint16_t v) { t.append(char(v & 0xFF)).append(char(v >> 8)); };
  const auto put32 = [&](uint32_t v) { put16(uint16_t(v & 0xFFFF)), put16(uint16_t(v >> 16)); };
  const uint16_t entries = 9;
  const uint32_t pixels = 8 + 2 + 12 * entries + 4;
  put32(8);
  put16(entries);
  const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
    put16(tag), put16(type), put32(1);
    if (type == 3) put16(uint16_t(value)), put16(0);
    else put32(value);
  };
  entry(256, 4, width);  // ImageWidth
  entry(257, 4, 1);      // ImageLength
  entry(258, 3, bits);   // BitsPerSample
  entry(259, 3, 1);      // no compression
  entry(262, 3, 1);      // black is zero
  entry(273, 4, pixels); // StripOffsets
  entry(277, 3, 1);      // SamplesPerPixel
  entry(278, 4, 1);      // RowsPerStrip
  entry(279, 4, 64);     // StripByteCounts
  put32(0);
  t.append(QByteArray(64, '\0'));
  return t;
}

// A size from a file is told as the file gives it, never cut to 32 bits, and with the file's name,
// whether the page is opened for the view or for a thumbnail.
TEST(OpenMessages, AHugePictureSizeIsToldAsTheFileGivesIt) {
  TempDir dir;
  for (const uint16_t bits : {uint16_t(8), uint16_t(1)}) {
    SCOPED_TRACE(bits);
    const QString path = dir.file(QStringLiteral("wide%1.tif").arg(bits));
    writeBytes(path, tiffOfWidth(4'000'000'000u, bits));
    const QString expected = QStringLiteral("Picture too large (4000000000 x 1): %1").arg(path);
    EXPECT_EQ(messageOf([&] { img::readFilePage(path, 1); }), expected);
    int32_t w = 0, h = 0;
    EXPECT_EQ(messageOf([&] { img::readFilePageForDisplay(path, 1, 100, w, h); }), expected);
  }
}

TEST(OpenMessages, AMultiPageTiffCutShortSaysHowManyPagesCouldBeRead) {
  TempDir dir;
  const QString path = dir.file(QStringLiteral("pages.tif"));
  for (int i = 0; i < 3; ++i) save(path, pattern(40 + i, 30, 24), img::kFormatTiff, true);
  EXPECT_EQ(img::openDocumentFile(path).damageNote, QString());
  QByteArray bytes = readBytes(path);
  bytes.chop(20);  // into the last page's directory
  writeBytes(path, bytes);
  EXPECT_EQ(img::filePageCount(path), 2);
  const img::OpenedFile opened = img::openDocumentFile(path);
  EXPECT_EQ(opened.pages, 2);
  EXPECT_EQ(opened.damageNote, QStringLiteral("The TIFF file %1 is damaged: only 2 pages could be read.").arg(path));
  EXPECT_EQ(img::readFilePage(path, 2).bitmap.width(), 41);
}

}  // namespace

QByteArray bytesOf(const std::vector<uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// A damaged file is called damaged in the program's words, naming the file; what the library said
// comes last, if at all.
TEST(OpenMessages, ADamagedFileIsCalledDamagedByName) {
  TempDir dir;
  QByteArray tiff = bytesOf(imgtest::savedBytes(pattern(64, 48, 8), img::kFormatTiff));
  tiff.replace(4, 4, QByteArray("\xF0\xFF\xFF\x0F", 4));  // the first page lies past the end
  QByteArray jpeg = bytesOf(imgtest::savedBytes(pattern(64, 48, 24), img::kFormatJpeg));
  jpeg.truncate(jpeg.size() / 3);
  QByteArray png = bytesOf(imgtest::savedBytes(pattern(64, 48, 24), img::kFormatPng));
  png[40] = static_cast<char>(png[40] ^ 0x5A);  // inside the picture data: its check fails
  // A group 4 image whose object is cut off in the middle.
  const QByteArray pdf = "%PDF-1.4\n1 0 obj\n<< /Subtype /Image /Filter /CCITTFaxDecode /Width 8 /Length 40 >>\nstre";
  const struct {
    const char* name;
    const char* format;
    QByteArray bytes;
  } cases[] = {{"page.tif", "TIFF", tiff}, {"photo.jpg", "JPEG", jpeg}, {"photo.png", "PNG", png}, {"fax.pdf", "PDF", pdf}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = dir.file(QString::fromLatin1(c.name));
    writeBytes(path, c.bytes);
    const QString text = messageOf([&] { img::readFilePage(path, 1); });
    EXPECT_TRUE(text.startsWith(QStringLiteral("The %1 file %2 is damaged: ").arg(QLatin1String(c.format), path)))
        << text.toStdString();
  }
}

// File names are bytes: one that is not valid UTF-8 still opens, saves in place, and shows its stray
// bytes as replacement characters in messages.
TEST(OpenMessages, AFileNameThatIsNotUtf8Opens) {
  TempDir dir;
  const QByteArray folder = QFile::encodeName(dir.path());
  const QByteArray raw = folder + "/scan\xFF" "page.tif";
  save(dir.file(QStringLiteral("made.tif")), pattern(40, 30, 8), img::kFormatTiff);
  ASSERT_EQ(::rename(QFile::encodeName(dir.file(QStringLiteral("made.tif"))).constData(), raw.constData()), 0);
  const QString path = plat::pathFromNative(raw);
  EXPECT_EQ(img::filePageCount(path), 1);
  EXPECT_EQ(img::readFilePage(path, 1).bitmap.width(), 40);
  EXPECT_GT(img::fileInfo(path, 1).fileSize, 0);
  save(path, pattern(50, 30, 8), img::kFormatTiff);
  EXPECT_EQ(img::readFilePage(path, 1).bitmap.width(), 50);
  struct stat st {};
  EXPECT_EQ(::stat(raw.constData(), &st), 0);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0) << "no file under another name";

  const QString missing = plat::pathFromNative(folder + "/gone\xFE.tif");
  EXPECT_EQ(messageOf([&] { img::readFilePage(missing, 1); }),
            QStringLiteral("File not found: %1/gone\uFFFD.tif").arg(dir.path()));
}

// A folder whose name is not UTF-8 holds documents like any other: they open, saves in every
// format replace them in place, and pages added to a multi-page file join the pages it has.
TEST(OpenMessages, AFolderWhoseNameIsNotUtf8TakesSaves) {
  TempDir dir;
  const QByteArray folder = QFile::encodeName(dir.path()) + "/box\xFF";
  ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
  const struct {
    const char* name;
    int16_t format;
    bool multiPage;
  } cases[] = {{"/page.tif", img::kFormatTiff, false}, {"/photo.bmp", img::kFormatBmp, false},
               {"/photo.png", img::kFormatPng, false}, {"/pages.tif", img::kFormatTiff, true},
               {"/pages\xFE.dcx", img::kFormatDcx, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QByteArray raw = folder + c.name;
    const QString path = plat::pathFromNative(raw);
    save(path, pattern(40, 30, 8), c.format, c.multiPage);
    save(path, pattern(50, 30, 8), c.format, c.multiPage);
    struct stat st {};
    EXPECT_EQ(::stat(raw.constData(), &st), 0);
    EXPECT_EQ(img::filePageCount(path), c.multiPage ? 2 : 1);
    EXPECT_EQ(img::readFilePage(path, img::filePageCount(path)).bitmap.width(), 50);
  }
}

namespace {

// Runs f in a child process that sees a file system of 64 KiB at folder (its own mount, gone
// with it), and gives back what f wrote to its pipe; nullopt when no such file system can be made.
std::optional<QByteArray> onSmallFileSystem(const QString& folder, const std::function<QByteArray()>& f) {
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    const QByteArray target = QFile::encodeName(folder);
    const bool mounted = (::unshare(CLONE_NEWNS) == 0 || ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) &&
                         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount("tmpfs", target.constData(), "tmpfs", 0, "size=64k") == 0;
    const QByteArray out = mounted ? "+" + f() : QByteArray("-");
    (void)!::write(fds[1], out.constData(), static_cast<size_t>(out.size()));
    ::_exit(0);
  }
  ::close(fds[1]);
  QByteArray got;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) got.append(buf, n);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!got.startsWith('+')) return std::nullopt;
  return got.mid(1);
}

}  // namespace

// A save to a full disk says that the disk is full and names the document, in every format, also
// when the pages of a document go one by one into its save temporary (as the main window writes a
// document of many pages): the user knows the document, not the hidden file beside it.
TEST(SaveMessages, AFullDiskSaysSoAndNamesTheDocument) {
  // The quota's error reads as a full disk too; a save temporary (of a temporary, too) is named by
  // its document.
  for (const char* written : {"/docs/a.tif", "/docs/.a.tif.0123abcd.lvxsave", "/docs/..a.tif.0123abcd.lvxsave.89abcdef.lvxsave"}) {
    for (const int err : {ENOSPC, EDQUOT}) {
      try {
        rt::raiseWriting(QString::fromLatin1(written), err);
        ADD_FAILURE() << "no error raised";
      } catch (const rt::RuntimeError& e) {
        EXPECT_EQ(e.Description(), QStringLiteral("Cannot write /docs/a.tif: the disk is full")) << written << " " << err;
        EXPECT_EQ(e.Number(), 61);
      }
    }
  }
  EXPECT_EQ(rt::documentOf(QStringLiteral("/docs/.a.tif")), QStringLiteral("/docs/.a.tif"));
  EXPECT_EQ(rt::documentOf(QStringLiteral("/docs/.a.tif.0123abcd.lvxsave.txt")), QStringLiteral("/docs/.a.tif.0123abcd.lvxsave.txt"));
  TempDir dir;
  const QString folder = dir.file(QStringLiteral("small"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const struct {
    const char* name;
    int16_t format;
    bool pageByPage;
  } cases[] = {
      {"big.tif", img::kFormatTiff, false},
      {"big.bmp", img::kFormatBmp, false},
      {"pages.tif", img::kFormatTiff, true},
      {"pages.dcx", img::kFormatDcx, true},
  };
  const auto said = onSmallFileSystem(folder, [&] {
    QByteArray out;
    for (const auto& c : cases) {
      const QString doc = QDir(folder).filePath(QString::fromLatin1(c.name));
      QString message;
      if (c.pageByPage) {
        rt::ReplacingFile temp(doc);
        message = messageOf([&] {
          for (int page = 0; page < 4; ++page) save(temp.tempPath(), pattern(400, 400, 24), c.format, true);
        });
      } else {
        message = messageOf([&] { save(doc, pattern(400, 400, 24), c.format); });
      }
      out += message.toUtf8() + "\n";
      out += QByteArray::number(QDir(folder).entryList(QDir::Files | QDir::Hidden).size()) + "\n";
    }
    return out;
  });
  if (!said) GTEST_SKIP() << "no small file system can be mounted here";
  const QList<QByteArray> lines = said->split('\n');
  ASSERT_GE(lines.size(), 2 * qsizetype(std::size(cases)));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(lines[2 * i], "Cannot write " + QFile::encodeName(QDir(folder).filePath(cases[i].name)) + ": the disk is full");
    EXPECT_EQ(lines[2 * i + 1], "0") << "the temporary is removed";
  }
}
