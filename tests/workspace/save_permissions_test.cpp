// Saves of the main window against the target's permissions: a read-only document is refused
// whatever its kind, and a replaced document keeps the permissions it had.
#include "tests/workspace/main_window_fixture.h"

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
    gblnDocModified = gblnPageModified = true;

    dialogs.answerMsgBox(rt::vbOK);
    EXPECT_FALSE(w->mnuFileSave_Click());
    ASSERT_FALSE(dialogs.calls().empty());
    const RecordedCall& shown = dialogs.calls().back();
    EXPECT_EQ(shown.icon(), rt::vbExclamation);
    EXPECT_EQ(shown.text, QStringLiteral("Permission denied: %1 is read-only").arg(path));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(modeOf(path), 0444u);
    EXPECT_TRUE(gblnDocModified);
    gblnDocModified = false;
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
    gblnDocModified = gblnPageModified = true;
    ASSERT_TRUE(w->mnuFileSave_Click());
    EXPECT_EQ(readImage(path).front().colour, 0x00FFFFu);
    EXPECT_EQ(modeOf(path), 0640u);
    bool ok = false;
    w->fnCloseFile(false, ok);
  }
}

}  // namespace
