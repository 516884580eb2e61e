#include "albums/album_presenter.h"
#include "albums/page_preview.h"

#include "platform/text/native_path.h"
#include "runtime/busy_work.h"
#include "runtime/errors.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "workspace/mod_vars.h"

#include <QApplication>
#include <QFile>
#include <QProgressDialog>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

using namespace albums;
using testsupport::ScriptedDialogs;

namespace {

struct FakeView : AlbumView {
  QStringList calls;
  std::function<void()> onImageSearch;
  void unloadPreview() override { calls << "unloadPreview"; }
  void refreshPreview() override { calls << "refreshPreview"; }
  void clearThumbs() override { calls << "clearThumbs"; }
  void loadThumbPage(int page) override { calls << QStringLiteral("loadThumbPage %1").arg(page); }
  void focusList() override { calls << "focusList"; }
  void focusInterval() override { calls << "focusInterval"; }
  void showImageSearch() override {
    calls << "showImageSearch";
    if (onImageSearch) onImageSearch();
  }
  void showSlideShow() override { calls << "showSlideShow"; }
};

class AlbumPresenterTest : public testing::Test {
 protected:
  // An album file of n rows whose images exist (missing ones listed by index do not).
  QString makeAlbum(int n, std::initializer_list<int> missing = {}) {
    QByteArray text;
    for (int i = 0; i < n; ++i) {
      const QString img = dir.file(QStringLiteral("img%1.bmp").arg(i));
      if (std::find(missing.begin(), missing.end(), i) == missing.end() && !QFile::exists(img))
        albumtest::writePicture(img, 8, 8);
      text += (img + QStringLiteral(", 1, remark %1\r\n").arg(i)).toUtf8();
    }
    const QString file = dir.file("album.kvt");
    albumtest::writeText(file, text);
    return file;
  }
  // The buttons in the order: new open save close search add verify delete all none up down run
  QString buttonString() const {
    QString s;
    for (const char* k : {"new", "open", "save", "close", "search", "add", "verify", "delete", "all", "none", "up", "down", "run"})
      s += p.enabled(k) ? QLatin1Char('1') : QLatin1Char('0');
    return s;
  }
  testsupport::TempDir dir;
  FakeView view;
  AlbumPresenter p{&view};
};

}  // namespace

TEST_F(AlbumPresenterTest, ModeWordsSetTheButtonsAndCaption) {
  ScriptedDialogs dialogs;
  struct Case {
    const char* word;
    int rows;
    bool path;
    const char* buttons;  // new open save close search add verify delete all none up down run
    const char* caption;
  };
  const Case cases[] = {
      {"NEW", 0, false, "1100110000000", "   Manage Albums - New File"},
      {"OPEN", 3, true, "1111111111111", "   Manage Albums - /a.kvt"},
      {"OPEN", 0, true, "1111110000000", "   Manage Albums - /a.kvt"},
      {"SAVE", 1, true, "1111111111001", "   Manage Albums - /a.kvt"},
      {"CLOSE", 0, false, "1100000000000", "   Manage Albums"},
      {"SEARCH", 2, false, "1110111111111", "   Manage Albums"},
      {"ADD", 2, true, "1111111111111", "   Manage Albums"},
      {"DELETE", 0, false, "1110110000000", "   Manage Albums"},
      {"DELETE", 1, true, "1111111111001", "   Manage Albums"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    AlbumPresenter q(&view);
    for (int i = 0; i < c.rows; ++i) q.rows.push_back({QStringLiteral("/r%1").arg(i)});
    if (c.path) q.mstrAlbumPath = "/a.kvt";
    q.fnSetAlbumMode(c.word);
    p.rows = q.rows;
    p.buttons = q.buttons;
    EXPECT_EQ(buttonString(), QString(c.buttons));
    EXPECT_EQ(q.caption, QString(c.caption));
  }
  // Words outside the list, lower case included, change nothing.
  const auto before = p.buttons;
  p.fnSetAlbumMode("new");
  p.fnSetAlbumMode("OTHER");
  EXPECT_EQ(p.buttons, before);
}

TEST_F(AlbumPresenterTest, DeleteClearsTheModifiedFlagOnlyForAnEmptiedNewAlbum) {
  p.fnSetAlbumMode("DELETE");
  EXPECT_FALSE(p.mblnModified);
  p.mstrAlbumPath = "/a.kvt";
  p.fnSetAlbumMode("DELETE");
  EXPECT_TRUE(p.mblnModified);
}

TEST_F(AlbumPresenterTest, OpenSelectsFirstRowAndVerifiesMissingFiles) {
  ScriptedDialogs dialogs;
  dialogs.answerMsgBox(rt::vbOK);
  const QString album = makeAlbum(5, {1, 3, 4});
  p.fnOpenAlbum(album);
  ASSERT_EQ(p.rowCount(), 5);
  EXPECT_EQ(dialogs.calls().at(0).text,
            "The 3 selected items no longer exist in the original path!\rIt is recommended that you delete these records from the current list!");
  EXPECT_EQ(dialogs.calls().at(0).title, "Information");
  std::vector<bool> sel;
  for (const auto& r : p.rows) sel.push_back(r.selected);
  EXPECT_EQ(sel, (std::vector<bool>{true, true, false, true, true}));
  EXPECT_EQ(p.rows[2].remarks(), "REMARK 2");
  EXPECT_EQ(p.caption, "   Manage Albums - " + album);
  EXPECT_TRUE(p.slide.enabled);
  EXPECT_TRUE(p.slide.optManual);
  EXPECT_TRUE(view.calls.contains("focusList"));
}

TEST_F(AlbumPresenterTest, OpeningAMissingFileCreatesAnEmptyAlbumAndAnUnreadableOneChangesNothing) {
  ScriptedDialogs dialogs;
  p.fnOpenAlbum(dir.file("fresh.kvt"));
  EXPECT_TRUE(QFile::exists(dir.file("fresh.kvt")));
  EXPECT_EQ(p.rowCount(), 0);
  EXPECT_FALSE(p.enabled("verify"));
  p.rows.push_back({"/keep"});
  EXPECT_THROW(p.fnOpenAlbum(dir.file("no/dir/x.kvt")), rt::RuntimeError);
  EXPECT_EQ(p.rowCount(), 1);
  p.rows.clear();

  // Through Open: a cancelled box changes nothing; a chosen album opens; one that cannot be read
  // is reported and the album shown stays.
  dialogs.cancelDialog(rt::DialogKind::Open);
  p.tlbRec_ButtonClick("open");
  EXPECT_EQ(p.mstrAlbumPath, dir.file("fresh.kvt"));
  const QString other = makeAlbum(2);
  dialogs.answerFile(rt::DialogKind::Open, other);
  p.tlbRec_ButtonClick("open");
  EXPECT_EQ(dialogs.calls().back().request.title, "Open Album");
  EXPECT_EQ(p.mstrAlbumPath, other);
  EXPECT_EQ(p.rowCount(), 2);
  dialogs.answerFile(rt::DialogKind::Open, dir.file("no/dir/x.kvt")).answerMsgBox(rt::vbOK);
  p.tlbRec_ButtonClick("open");
  EXPECT_EQ(dialogs.calls().back().title, "Error");
  EXPECT_EQ(p.mstrAlbumPath, other);
}

TEST_F(AlbumPresenterTest, SavePromptsAndSaveAs) {
  ScriptedDialogs dialogs;
  // A new album without rows asks nothing.
  p.fnSetAlbumMode("NEW");
  EXPECT_TRUE(p.savePrompt());
  // With rows: asks; Yes opens the save dialog; cancelling it stops the caller.
  p.rows.push_back({"/x.tif", "1", "a"});
  dialogs.answerMsgBox(rt::vbYes).cancelDialog(rt::DialogKind::Save);
  EXPECT_FALSE(p.savePrompt());
  EXPECT_EQ(dialogs.calls().at(0).text, "New album has not been saved! Save album?");
  EXPECT_EQ(dialogs.calls().at(1).request.title, "Save Album As");
  EXPECT_TRUE(p.mstrAlbumPath.isEmpty());
  // Saving onto an existing file asks; No leaves the album without a path.
  albumtest::writeText(dir.file("exists.kvt"), "old\r\n");
  dialogs.answerFile(rt::DialogKind::Save, dir.file("exists.kvt")).answerMsgBox(rt::vbNo);
  p.fnSaveAlbum();
  EXPECT_EQ(dialogs.calls().back().text, "A file already exists with the selected path and name!\rOverwrite?");
  EXPECT_TRUE(p.mstrAlbumPath.isEmpty());
  // Yes writes it.
  dialogs.answerFile(rt::DialogKind::Save, " " + dir.file("exists.kvt") + " ").answerMsgBox(rt::vbYes);
  p.fnSaveAlbum();
  EXPECT_EQ(p.mstrAlbumPath, dir.file("exists.kvt"));
  EXPECT_TRUE(p.mblnSaved);
  EXPECT_EQ(p.caption, "   Manage Albums - " + dir.file("exists.kvt"));
  QFile f(dir.file("exists.kvt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("/x.tif, 1, a\r\n"));
  // A changed album asks the other question; No lets the caller go on.
  p.mblnModified = true;
  dialogs.answerMsgBox(rt::vbNo);
  EXPECT_TRUE(p.savePrompt());
  EXPECT_EQ(dialogs.calls().back().text, "Album has been modified! Save Changes?");
  dialogs.answerMsgBox(rt::vbCancel);
  EXPECT_FALSE(p.savePrompt());
}

TEST_F(AlbumPresenterTest, SaveOfAReadOnlyAlbumShowsTheErrorAndKeepsThePath) {
  ScriptedDialogs dialogs;
  const QString album = makeAlbum(1);
  p.fnOpenAlbum(album);
  QFile::setPermissions(album, QFileDevice::ReadOwner);
  p.mblnSaved = false;
  dialogs.answerMsgBox(rt::vbOK);
  p.tlbRec_ButtonClick("save");
  QFile::setPermissions(album, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(dialogs.calls().back().title, "Error");
  EXPECT_EQ(dialogs.calls().back().icon(), rt::vbExclamation);
  EXPECT_FALSE(p.mblnSaved);
  EXPECT_EQ(p.mstrAlbumPath, album);
}

// Rows name their files by the names' own bytes: an album of an earlier version whose rows hold
// Latin-1 names of pictures that exist opens with nothing missing, and a save and a reopen keep
// the names, so the rows still name the pictures.
TEST_F(AlbumPresenterTest, RowsWithNamesThatAreNotUtf8StillNameTheirFiles) {
  ScriptedDialogs dialogs;  // a message that rows are missing would be unexpected
  const QByteArray folder = QFile::encodeName(dir.path());
  const QByteArray names[] = {folder + "/caf\xE9.bmp", folder + "/\xE9t\xE9.bmp"};
  QByteArray text;
  for (const QByteArray& name : names) {
    albumtest::writePicture(dir.file("made.bmp"), 8, 8);
    ASSERT_EQ(::rename(QFile::encodeName(dir.file("made.bmp")).constData(), name.constData()), 0);
    text += name + ", 1, caf\xE9\r\n";
  }
  const QString album = dir.file("latin.kvt");
  albumtest::writeText(album, text);
  p.fnOpenAlbum(album);
  ASSERT_EQ(p.rowCount(), 2);
  EXPECT_EQ(p.rows[0].path(), plat::pathFromNative(names[0]));
  EXPECT_EQ(p.rows[1].remarks(), QString::fromUtf8("CAF\xC3\x89"));
  EXPECT_EQ(p.fnVerifyAlbum(false), 0);
  p.tlbRec_ButtonClick("save");
  QFile saved(album);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), names[0] + ", 1, CAF\xC3\x89\r\n" + names[1] + ", 1, CAF\xC3\x89\r\n");
  p.fnOpenAlbum(album);
  ASSERT_EQ(p.rowCount(), 2);
  EXPECT_EQ(p.rows[1].pathBytes(), QByteArrayView(names[1]));
  EXPECT_EQ(p.fnVerifyAlbum(false), 0);
  EXPECT_TRUE(dialogs.calls().empty());
}

// An album that takes more than a moment to read shows a progress window; its Cancel ends the
// open, and the album shown before stays as it was.
TEST_F(AlbumPresenterTest, CancelWhileAnAlbumIsReadKeepsTheAlbumShown) {
  ScriptedDialogs dialogs;
  const QString first = makeAlbum(2);
  p.fnOpenAlbum(first);
  QByteArray text;
  for (int i = 0; i < 40'000; ++i) text += "/scans/page" + QByteArray::number(i) + ".tif, 1, note\r\n";
  const QString big = dir.file("big.kvt");
  albumtest::writeText(big, text);
  const auto progressShown = []() -> QProgressDialog* {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()) return progress;
    return nullptr;
  };
  // Work done within the delay shows no window.
  {
    rt::ProgressSteps quick(QStringLiteral("Quick"));
    EXPECT_TRUE(quick.step(1, 2));
    EXPECT_EQ(progressShown(), nullptr);
  }
  const int delay = rt::ProgressSteps::setDelay(0);
  QString shown;
  QTimer::singleShot(0, [&] {
    if (QProgressDialog* progress = progressShown()) {
      shown = progress->labelText();
      progress->cancel();
    }
  });
  p.fnOpenAlbum(big);
  rt::ProgressSteps::setDelay(delay);
  EXPECT_EQ(shown, "Opening the album " + big);
  EXPECT_EQ(progressShown(), nullptr) << "the window outlived the work";
  EXPECT_EQ(p.mstrAlbumPath, first);
  EXPECT_EQ(p.rowCount(), 2);
  EXPECT_EQ(p.caption, "   Manage Albums - " + first);
  // Not cancelled, it opens (its pictures do not exist).
  dialogs.answerMsgBox(rt::vbOK);
  p.fnOpenAlbum(big);
  EXPECT_EQ(p.rowCount(), 40'000);
  EXPECT_TRUE(dialogs.calls().back().text.startsWith("The 40000 selected items")) << "the rows are missing";
}

TEST_F(AlbumPresenterTest, AddRefusesDuplicatesAndPathsWithCommas) {
  ScriptedDialogs dialogs;
  p.fnSetAlbumMode("NEW");
  dialogs.answerFile(rt::DialogKind::Open, "/Scans/One.tif").answerMsgBox(rt::vbOK);
  p.tlbRec_ButtonClick("add");
  EXPECT_EQ(dialogs.calls().at(0).request.title, "Select File To Add");
  EXPECT_EQ(dialogs.calls().at(1).text, "Item added.");
  ASSERT_EQ(p.rowCount(), 1);
  EXPECT_EQ(p.rows[0].path(), "/Scans/One.tif");
  EXPECT_TRUE(p.slide.enabled && p.slide.optManual && !p.slide.intervalEnabled);
  EXPECT_TRUE(p.enabled("save"));
  EXPECT_FALSE(p.enabled("close"));
  // The same path again: nothing added, still marked changed.
  p.mblnModified = false;
  dialogs.answerFile(rt::DialogKind::Open, "/Scans/One.tif").answerMsgBox(rt::vbOK);
  p.tlbRec_ButtonClick("add");
  EXPECT_EQ(dialogs.calls().back().text, "Item is already in the list.");
  EXPECT_EQ(p.rowCount(), 1);
  EXPECT_TRUE(p.mblnModified);
  // A comma cannot be stored: refused with a message, nothing changes.
  p.mblnModified = false;
  dialogs.answerFile(rt::DialogKind::Open, "/Scans/a,b.tif").answerMsgBox(rt::vbOK);
  p.tlbRec_ButtonClick("add");
  EXPECT_EQ(dialogs.calls().back().title, "Error");
  EXPECT_EQ(p.rowCount(), 1);
  EXPECT_FALSE(p.mblnModified);
  // A cancelled dialog ends the command.
  dialogs.cancelDialog(rt::DialogKind::Open);
  p.tlbRec_ButtonClick("add");
  EXPECT_EQ(p.rowCount(), 1);
}

TEST_F(AlbumPresenterTest, DeleteMoveRemarksAndSort) {
  ScriptedDialogs dialogs;
  p.fnSetAlbumMode("NEW");
  for (const char* path : {"/c", "/a", "/b"}) p.rows.push_back({path, "2", QStringLiteral("R") + path});
  p.fnSetAlbumMode("ADD");
  // Moving keeps the whole record.
  p.setSelection({2});
  p.tlbRec_ButtonClick("up");
  EXPECT_EQ(p.rows[1].path(), "/b");
  EXPECT_EQ(p.rows[1].remarks(), "R/b");
  EXPECT_EQ(p.rows[1].page(), "2");
  EXPECT_TRUE(p.rows[1].selected);
  p.setSelection({0});
  p.tlbRec_ButtonClick("up");  // the first row stays
  EXPECT_EQ(p.rows[0].path(), "/c");
  p.setSelection({2});
  p.tlbRec_ButtonClick("down");  // the last row stays
  EXPECT_EQ(p.rows[2].path(), "/a");
  // Remarks: cancel keeps them, an emptied answer empties them.
  p.setSelection({0});
  dialogs.cancelInput();
  p.lsvAlbum_DblClick();
  EXPECT_EQ(p.rows[0].remarks(), "R/c");
  EXPECT_EQ(dialogs.calls().back().text, "Please add remarks: ");
  dialogs.answerInput("  new note ");
  p.lsvAlbum_DblClick();
  EXPECT_EQ(p.rows[0].remarks(), "NEW NOTE");
  dialogs.answerInput("");
  p.lsvAlbum_DblClick();
  EXPECT_EQ(p.rows[0].remarks(), "");
  // Sort with three rows asks; No leaves the box unchecked and up and down enabled.
  dialogs.answerMsgBox(rt::vbNo);
  p.chkSort_Click(true);
  EXPECT_FALSE(p.chkSort);
  EXPECT_TRUE(p.enabled("up") && p.enabled("down"));
  EXPECT_EQ(p.rows[0].path(), "/c");
  dialogs.answerMsgBox(rt::vbYes);
  p.mblnModified = false;
  p.chkSort_Click(true);
  EXPECT_EQ(p.rows[0].path(), "/a");
  EXPECT_TRUE(p.mblnModified);
  EXPECT_FALSE(p.enabled("up"));
  // Delete asks; the selected rows go.
  p.setSelection({0, 2});
  dialogs.answerMsgBox(rt::vbYes);
  p.tlbRec_ButtonClick("delete");
  ASSERT_EQ(p.rowCount(), 1);
  EXPECT_EQ(p.rows[0].path(), "/b");
  // Delete with nothing selected removes nothing, still runs the mode.
  p.setSelection({});
  dialogs.answerMsgBox(rt::vbYes);
  p.tlbRec_ButtonClick("delete");
  EXPECT_EQ(p.rowCount(), 1);
}

TEST_F(AlbumPresenterTest, SortWithTwoRowsAsksNothing) {
  p.rows = {{"/b"}, {"/a"}};
  p.chkSort_Click(true);
  EXPECT_EQ(p.rows[0].path(), "/a");
  EXPECT_FALSE(p.mblnModified);
  // While sorted, rows the search adds take their place in the order; unsorted, they go last.
  EXPECT_TRUE(p.appendSearchRow("/0"));
  EXPECT_EQ(p.rows[0].path(), "/0");
  p.chkSort_Click(false);
  EXPECT_TRUE(p.enabled("up"));
  EXPECT_TRUE(p.appendSearchRow("/-"));
  EXPECT_EQ(p.rows.back().path(), "/-");
}

TEST_F(AlbumPresenterTest, ThumbnailViewOpensAtThePageOfTheSelectedRow) {
  for (int i = 0; i < 100; ++i) p.rows.push_back({QStringLiteral("/r%1").arg(i)});
  struct Case {
    int selected, page;
    bool prev, next;
  };
  for (const Case& c : {Case{-1, 1, false, true}, Case{47, 1, false, true}, Case{48, 2, true, true}, Case{99, 3, true, false}}) {
    p.setSelection({c.selected});
    view.calls.clear();
    p.fnShowAlbumThumbs();
    EXPECT_EQ(p.mintThumbPage, c.page);
    EXPECT_EQ(view.calls.last(), QStringLiteral("loadThumbPage %1").arg(c.page));
    EXPECT_EQ(p.enabled("prev"), c.prev);
    EXPECT_EQ(p.enabled("next"), c.next);
    EXPECT_FALSE(p.chkSortEnabled);
  }
  p.tlbRec_ButtonClick("prev");
  EXPECT_EQ(p.mintThumbPage, 2);
  EXPECT_TRUE(p.enabled("next"));
  p.fnShowAlbumList();
  EXPECT_TRUE(p.listView);
  EXPECT_FALSE(p.enabled("prev") || p.enabled("next"));
}

TEST_F(AlbumPresenterTest, ImageSearchOutcomes) {
  ScriptedDialogs dialogs;
  p.fnSetAlbumMode("NEW");
  // Nothing found for an empty album: the message, then the slide-show settings with Manual.
  dialogs.answerMsgBox(rt::vbOK);
  p.tlbRec_ButtonClick("search");
  EXPECT_EQ(dialogs.calls().back().text, "No unique items found.");
  EXPECT_TRUE(p.slide.enabled);
  // Two added.
  view.onImageSearch = [this] {
    for (const char* path : {"/A.TIF", "/B.TIF"})
      if (p.appendSearchRow(path)) ++modVars::gintAddedCount;
  };
  dialogs.answerMsgBox(rt::vbOK);
  p.tlbRec_ButtonClick("search");
  EXPECT_EQ(dialogs.calls().back().text, "2 unique items added.");
  EXPECT_TRUE(p.mblnModified);
  EXPECT_FALSE(p.appendSearchRow("/A.TIF"));
  EXPECT_FALSE(p.appendSearchRow("/C,D.TIF"));
  // Cancelled: nothing shown.
  view.onImageSearch = [] { modVars::gintAddedCount = -1; };
  const auto shown = dialogs.calls().size();
  p.tlbRec_ButtonClick("search");
  EXPECT_EQ(dialogs.calls().size(), shown);
}

TEST_F(AlbumPresenterTest, SlideShowHandOff) {
  ScriptedDialogs dialogs;
  p.rows = {{"/a.tif", "3", ""}, {"/b.tif", "x", ""}};
  p.enableSlideSettings();
  p.slide.chkLoop = true;
  p.runSlideShow();
  EXPECT_EQ(modVars::gstrSlideMode, "MANUAL");
  EXPECT_EQ(modVars::gintSlideCount, 2);
  EXPECT_EQ(modVars::gintSlidePages, (std::vector<int16_t>{3, 1}));
  EXPECT_EQ(modVars::gstrSlidePaths, (QStringList{"/a.tif", "/b.tif"}));
  EXPECT_TRUE(modVars::gblnSlideLoop);
  EXPECT_FALSE(modVars::gblnSlideShowPath);
  EXPECT_EQ(view.calls.count("showSlideShow"), 1);

  struct Case {
    const char* interval;
    const char* message;  // "" when it runs
    int32_t ms;
  };
  const Case cases[] = {
      {"", "Please enter interval value!", 0},
      {"abc", "Please enter a numeric value for interval!", 0},
      {"0.4", "Please enter an interval of greater or equal with 1 second!", 0},
      {"2.5", "", 2000},
      {"3.5", "", 4000},
      {"999", "", 999000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.interval);
    p.optAuto_Click();
    p.slide.txtInt = c.interval;
    view.calls.clear();
    if (*c.message) dialogs.answerMsgBox(rt::vbOK);
    p.runSlideShow();
    if (*c.message) {
      EXPECT_EQ(dialogs.calls().back().text, QString(c.message));
      EXPECT_FALSE(view.calls.contains("showSlideShow"));
    } else {
      EXPECT_EQ(modVars::gstrSlideMode, "AUTO");
      EXPECT_EQ(modVars::gintSlideInterval, c.ms);
      EXPECT_TRUE(view.calls.contains("showSlideShow"));
    }
  }
  // No slides: nothing starts.
  p.rows.clear();
  p.optManual_Click();
  view.calls.clear();
  p.runSlideShow();
  EXPECT_FALSE(view.calls.contains("showSlideShow"));
}

TEST(AlbumPageButtons, PreviewPageToolbar) {
  using B = albums::PageButtons;
  auto eq = [](B a, B b) { return a.prev == b.prev && a.next == b.next && a.set == b.set; };
  EXPECT_TRUE(eq(albums::pageButtons(false, 2, 5), B{false, false, false}));
  EXPECT_TRUE(eq(albums::pageButtons(true, 1, 1), B{false, false, false}));
  EXPECT_TRUE(eq(albums::pageButtons(true, 1, 3), B{false, true, true}));
  EXPECT_TRUE(eq(albums::pageButtons(true, 3, 3), B{true, false, true}));
}
