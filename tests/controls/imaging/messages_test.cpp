// What the user is told when a file cannot be read, or only in part: the reason, in the name of the
// file the user opened.
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "tests/controls/imaging/fixtures.h"

#include <QDir>

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
  EXPECT_TRUE(text.startsWith(QStringLiteral("The DCX file is damaged"))) << text.toStdString();
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
    EXPECT_EQ(text, QStringLiteral("Picture too large (300 x 200)"));
  }
}

TEST(OpenMessages, AMultiPageTiffCutShortSaysHowManyPagesCouldBeRead) {
  TempDir dir;
  const QString path = dir.file(QStringLiteral("pages.tif"));
  for (int i = 0; i < 3; ++i) save(path, pattern(40 + i, 30, 24), img::kFormatTiff, true);
  EXPECT_EQ(img::fileDamageNote(path), QString());
  QByteArray bytes = readBytes(path);
  bytes.chop(20);  // into the last page's directory
  writeBytes(path, bytes);
  EXPECT_EQ(img::filePageCount(path), 2);
  EXPECT_EQ(img::fileDamageNote(path), QStringLiteral("The TIFF file %1 is damaged: only 2 pages could be read.").arg(path));
  EXPECT_EQ(img::readFilePage(path, 2).bitmap.width(), 41);
}

}  // namespace
