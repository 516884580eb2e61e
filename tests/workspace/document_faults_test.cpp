// Documents under faults of the file system and damaged files: a read-only document is refused
// whatever its kind, a replaced document keeps the permissions it had, and a file cut short opens
// with the pages that could be read and says so.
#include "tests/support/main_window_fixture.h"

#include <sys/stat.h>

namespace {

using namespace mainwindowtest;
using namespace modVars;

struct Kind {
  const char* name;
  int16_t format;
  std::vector<Page> pages;
};

const Kind kKinds[] = {
    {"page.bmp", 5, {{30, 20, 0x0000FF}}},
    {"pages.tif", 4, kThreePages},
    {"pages.dcx", 24, kThreePages},
};

mode_t modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST_F(MainWindowTest, ReadOnlyDocumentIsNeverOverwritten) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    const QString path = file(QString::fromLatin1(k.name), k.pages, k.format);
    frmImgClntForm* w = window();
    w->fnOpenImgFile(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const QByteArray before = fileBytes(path);
    w->ixMain->CreateBlankImage(30, 20, 24, 0x00FFFF);
    doc().docModified = doc().pageModified = true;

    dialogs.answerMsgBox(rt::vbOK);
    EXPECT_FALSE(w->mnuFileSave_Click());
    ASSERT_FALSE(dialogs.calls().empty());
    const RecordedCall& shown = dialogs.calls().back();
    EXPECT_EQ(shown.icon(), rt::vbExclamation);
    EXPECT_EQ(shown.text, QStringLiteral("Permission denied: %1 is read-only").arg(path));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(modeOf(path), 0444u);
    EXPECT_TRUE(doc().docModified);
    doc().docModified = false;
    bool ok = false;
    w->fnCloseFile(false, ok);
  }
  // Nothing but the documents is left beside them.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList({"page.bmp", "pages.dcx", "pages.tif", "registry"}));
}

TEST_F(MainWindowTest, SavedDocumentKeepsItsPermissions) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    const QString path = file(QString::fromLatin1(k.name), k.pages, k.format);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    frmImgClntForm* w = window();
    w->fnOpenImgFile(path);
    w->ixMain->CreateBlankImage(30, 20, 24, 0x00FFFF);
    doc().docModified = doc().pageModified = true;
    ASSERT_TRUE(w->mnuFileSave_Click());
    EXPECT_EQ(readImage(path).front().colour, 0x00FFFFu);
    EXPECT_EQ(modeOf(path), 0640u);
    bool ok = false;
    w->fnCloseFile(false, ok);
  }
}

TEST_F(MainWindowTest, AMultiPageTiffCutShortOpensWithTheReadablePagesAndSaysHowMany) {
  const QString path = file(QStringLiteral("cut.tif"), kThreePages, 4);
  QByteArray bytes = fileBytes(path);
  bytes.chop(20);  // into the last page's directory
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  frmImgClntForm* w = window();
  dialogs.answerMsgBox(rt::vbOK);
  w->fnOpenImgFile(path);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].icon(), rt::vbExclamation);
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("The TIFF file %1 is damaged: only 2 pages could be read.").arg(path));
  EXPECT_EQ(pageCount(), 2);
  EXPECT_EQ(pageShown(w), 30);
}

}  // namespace
