// The document's rules with a fake window: what opening, closing, saving and page edits do to the
// document and its pages, and what they ask the window to show. Files are real, small, and made by
// the test; the annotation engine is a fake that tells its layers apart by their bytes.
#include "workspace/document/document_session.h"

#include "controls/imaging/codec.h"
#include "controls/imaging/format_codes.h"
#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "tests/support/pictures.h"
#include "tests/support/temp_dir.h"
#include "workspace/document/layer_engine.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/save_plan.h"
#include "workspace/scan_placement.h"
#include "workspace/window_openers.h"

#include <QFile>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>

using namespace ws;
using testsupport::Page;

namespace {

struct FakeView : DocumentView {
  QStringList calls;
  std::deque<int> answers;  // for ask(), in order
  QStringList questions, errors;
  std::optional<QString> savePath;
  QString title;
  std::vector<CommandState> commands;
  std::pair<bool, bool> pageButtons{false, false};
  QString login;
  // The page view: the page shown and what the user did to it.
  int shown = -1;
  img::Bitmap picture;
  QByteArray layer;

  int ask(const QString& q, int) override {
    questions << q;
    if (answers.empty()) ADD_FAILURE() << "unexpected question: " << q.toStdString();
    const int a = answers.empty() ? rt::vbCancel : answers.front();
    if (!answers.empty()) answers.pop_front();
    return a;
  }
  void showError(const QString& t) override {
    errors << t;
    calls << "showError";
  }
  std::optional<QString> askSavePath() override { return savePath; }
  void setTitle(const QString& c) override { title = c; }
  void showLogin(const QString& user) override { login = user; }
  void showCommands(DocState s, const std::vector<CommandState>& c, bool modes) override {
    commands = c;
    if (modes) calls << (s == DocState::NoDocument ? "modes none" : "modes open");
  }
  void enablePageButtons(bool p, bool n) override { pageButtons = {p, n}; }
  void showNewDocument(bool chooseLayout, bool multi) override {
    calls << (!chooseLayout ? "new document" : multi ? "layout thumbs" : "layout page");
  }
  void showPage(int index, img::Bitmap p, const QByteArray& l) override {
    calls << QStringLiteral("showPage %1").arg(index);
    shown = index;
    picture = std::move(p);
    layer = l;
  }
  void showPages() override { calls << "showPages"; }
  void showNoDocument() override {
    calls << "showNoDocument";
    shown = -1;
    picture = img::Bitmap();
  }
  ShownPage shownPage() override {
    calls << "shownPage";
    return {picture, layer};
  }
  void commitPendingEdit() override { calls << "commitPendingEdit"; }
};

// Takes in layers that start with "ok", writing them in its own form; burning in paints the
// picture's first pixel black.
struct FakeEngine : LayerEngine {
  QByteArray takeIn(const QByteArray& read) override { return read.startsWith("ok") ? "engine:" + read : QByteArray(); }
  int32_t burnIn(img::Bitmap& picture, const QByteArray&) override {
    picture.setIndex(0, 0, 0);
    return burnFails;
  }
  int32_t burnFails = 0;
};

std::vector<uint8_t> bytes(const char* text) { return std::vector<uint8_t>(text, text + qstrlen(text)); }

class DocumentSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    clearWindowOpeners();
    session.setView([this]() -> DocumentView* { return &view; });
    session.setLayerEngine(&engine);
  }
  void TearDown() override { clearWindowOpeners(); }

  // A file of these pages in a format, made in the test's folder.
  QString file(const QString& name, const std::vector<Page>& pages, int16_t format = img::kFormatTiff) {
    const QString path = dir.file(name);
    QFile::remove(path);  // a TIFF or DCX would take the pages in as well
    testsupport::writeImage(path, pages, format);
    return path;
  }
  // An open document of pages 30, 40, 50 ... pixels wide, unmodified.
  QString openDocument(int pages, int16_t format = img::kFormatTiff, const QString& name = QStringLiteral("a.tif")) {
    std::vector<Page> p;
    for (int i = 0; i < pages; ++i) p.push_back({30 + 10 * i, 20, 0xFFFFFF});
    const QString path = file(name, p, format);
    session.open(path);
    view.calls.clear();
    return path;
  }
  // The network window answers every command with this result and records the commands.
  void networkAnswers(bool succeeds) {
    registerWindow(QStringLiteral("frmTCPIP"), [this, succeeds](const QStringList& args) {
      network << args.value(0);
      if (succeeds) state.network = NetworkResult::Succeeded;
    });
  }
  std::vector<int> widths() const {
    std::vector<int> w;
    for (int i = 0; i < session.pageCount(); ++i) w.push_back(session.pages().picture(i).width());
    return w;
  }
  // What a file of this many TIFF pages with these layers reads as, without a file.
  static DocumentSession::FileReader readerOf(int pages, std::vector<std::vector<uint8_t>> layers, QString damage = QString()) {
    return [=](const QString&) {
      img::OpenedFile f;
      f.first.bitmap = img::Bitmap(10, 10, 24);
      f.first.format = img::kFormatTiff;
      f.pages = pages;
      f.layers = layers;
      f.damageNote = damage;
      return f;
    };
  }
  void showIn(DocumentSession& other) {
    other.setView([this]() -> DocumentView* { return &view; });
    other.setLayerEngine(&engine);
  }
  // A folder that does not exist: nothing can be written there.
  QString unwritable(const QString& name) const { return dir.file(QStringLiteral("missing/") + name); }

  testsupport::TempDir dir;
  DocumentState state;
  FakeView view;
  FakeEngine engine;
  DocumentSession session{state};
  QStringList network;
};

// ---- Opening --------------------------------------------------------------------------------------

TEST_F(DocumentSessionTest, OpenShowsTheFileAsItsFormatHoldsPages) {
  struct Case {
    int16_t format;
    int pages;
    const char* layout;
  } cases[] = {
      {img::kFormatTiff, 3, "layout thumbs"},
      {img::kFormatDcx, 2, "layout thumbs"},
      {img::kFormatBmp, 1, "layout page"},
  };
  for (const Case& c : cases) {
    state.docModified = state.pageModified = true;
    state.currentPage = 2;
    view.calls.clear();
    std::vector<Page> pages(static_cast<std::size_t>(c.pages), Page{30, 20, 0x00FF00});
    const QString path = file(QStringLiteral("a%1").arg(c.format), pages, c.format);
    session.open(path);
    EXPECT_EQ(state.path, path);
    EXPECT_EQ(session.isMultiPage(), c.format != img::kFormatBmp);
    EXPECT_EQ(session.pageCount(), c.pages) << c.format;
    EXPECT_EQ(state.currentPage, 0);
    EXPECT_FALSE(state.docModified || state.pageModified);
    EXPECT_TRUE(view.calls.contains(c.layout)) << view.calls.join(", ").toStdString();
    EXPECT_EQ(view.shown, 0);
    EXPECT_EQ(view.picture.width(), 30);
    EXPECT_EQ(view.title, "   Image Lumivex - " + path);
    EXPECT_EQ(session.commandState(), DocState::DocumentOpen);
    // Only the first page is read: the others stay in the file until they are shown.
    EXPECT_FALSE(session.pages().hasOwnPicture(0));
  }
}

// Opening a file reads it once: its page count, every page's layer and whether it is whole come
// from the same reading as its first page, whatever its format.
TEST_F(DocumentSessionTest, OpenReadsTheFileOnce) {
  for (const int16_t format : {img::kFormatTiff, img::kFormatDcx, img::kFormatJpeg, img::kFormatPng}) {
    const QString path = file(QStringLiteral("once%1").arg(format), {{30, 20, 0xFF0000}}, format);
    const uint64_t before = img::fileOpensOnThisThread();
    session.open(path);
    EXPECT_EQ(img::fileOpensOnThisThread() - before, 1u) << format;
    EXPECT_EQ(view.picture.width(), 30);
  }
}

TEST_F(DocumentSessionTest, LayersTheEngineCannotTakeInAreKeptAsRead) {
  DocumentSession withLayers(state, readerOf(3, {bytes("ok1"), {}, bytes("foreign")}));
  showIn(withLayers);
  withLayers.open(QStringLiteral("/docs/a.tif"));
  ASSERT_EQ(withLayers.pageCount(), 3);
  EXPECT_EQ(withLayers.pages().layer(0), QByteArray("engine:ok1"));
  EXPECT_TRUE(withLayers.pages().layer(1).isEmpty());
  EXPECT_EQ(withLayers.pages().layer(2), QByteArray("foreign"));
  // The first page shows with its layer.
  EXPECT_EQ(view.layer, QByteArray("engine:ok1"));
}

TEST_F(DocumentSessionTest, ADamagedFileOpensAndTheUserIsToldAfterItShows) {
  DocumentSession damaged(state, readerOf(2, {}, QStringLiteral("only 2 pages could be read")));
  showIn(damaged);
  damaged.open(QStringLiteral("/docs/a.tif"));
  EXPECT_EQ(view.errors, QStringList{"only 2 pages could be read"});
  EXPECT_GT(view.calls.indexOf("showError"), view.calls.indexOf("showPage 0"));
  EXPECT_EQ(damaged.pageCount(), 2);
}

TEST_F(DocumentSessionTest, AFileThatCannotBeReadLeavesNoDocument) {
  openDocument(2);
  state.achId = QStringLiteral("A1");
  QFile bad(dir.file("bad.tif"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("not a picture at all");
  bad.close();
  EXPECT_THROW(session.open(dir.file("bad.tif")), rt::RuntimeError);
  EXPECT_TRUE(state.path.isEmpty());
  EXPECT_TRUE(state.achId.isEmpty());
  EXPECT_EQ(state.format, 0);
  EXPECT_EQ(session.pageCount(), 0);
  EXPECT_EQ(session.commandState(), DocState::NoDocument);
  EXPECT_TRUE(view.calls.contains("showNoDocument"));
  EXPECT_EQ(view.title, "   Image Lumivex");
  // Closing without the prompt: nothing was asked.
  EXPECT_TRUE(view.questions.isEmpty());
}

TEST_F(DocumentSessionTest, ArchivedDocumentsAreTitledByTheirKeys) {
  state.achId = QStringLiteral("A17");
  state.parm1 = QStringLiteral("INV");
  state.parm2 = QStringLiteral("2024");
  openDocument(1);
  EXPECT_EQ(view.title, "   Image Lumivex - Archived Document [A17, INV, 2024]");
}

TEST_F(DocumentSessionTest, ANewDocumentIsOneBlankPage) {
  openDocument(3);
  session.close(true);
  session.newDocument(40, 30, 8, 0x0000FF);
  EXPECT_EQ(session.pageCount(), 1);
  EXPECT_TRUE(state.path.isEmpty());
  EXPECT_EQ(view.picture.width(), 40);
  EXPECT_EQ(view.picture.bitsPerPixel(), 8);
  EXPECT_EQ(session.pages().picture(0).pixel(5, 5), qRgb(255, 0, 0));
  EXPECT_EQ(view.title, "   Image Lumivex - New File");
  EXPECT_THROW(session.newDocument(40, 30, 16, 0), rt::RuntimeError);
}

// A new colour page saved as a grey format is, once written, the grey page the file holds: the
// page view shows it so.
TEST_F(DocumentSessionTest, AnUntitledPageSavedInAFormatOfFewerColoursShowsWhatWasWritten) {
  session.newDocument(40, 30, 24, 0x0000FF);
  state.format = img::kFormatPgm;  // as the format dialog chooses it
  ASSERT_TRUE(session.writeAs(dir.file(QStringLiteral("grey.pgm")), img::kFormatPgm, false));
  EXPECT_EQ(view.shown, 0);
  EXPECT_EQ(view.picture.bitsPerPixel(), 8);
  EXPECT_EQ(qRed(view.picture.pixel(5, 5)), qGreen(view.picture.pixel(5, 5)));
}

// ---- Closing --------------------------------------------------------------------------------------

TEST_F(DocumentSessionTest, ClosePromptDecidesWhetherTheDocumentGoes) {
  struct Case {
    bool modified;
    std::vector<int> answers;  // the save question, then what the save asks
    bool saveWrites;
    bool closed;
  } cases[] = {
      {false, {}, true, true},
      {true, {rt::vbNo}, true, true},
      {true, {rt::vbCancel}, true, false},
      {true, {rt::vbYes}, true, true},
      // A save that fails keeps the document open: closing now would lose the edits.
      {true, {rt::vbYes}, false, false},
  };
  for (const Case& c : cases) {
    const QString path = openDocument(2);
    if (!c.saveWrites) state.path = unwritable(QStringLiteral("a.tif"));
    view.errors.clear();
    // The page shown is edited: its first pixel goes black.
    if (c.modified) {
      view.picture.setIndex(0, 0, 0);
      session.markModified();
    }
    view.answers.assign(c.answers.begin(), c.answers.end());
    const bool saves = !c.answers.empty() && c.answers[0] == rt::vbYes && c.saveWrites;
    EXPECT_EQ(session.close(false), c.closed) << c.modified << " " << c.answers.size();
    EXPECT_EQ(state.path.isEmpty(), c.closed);
    EXPECT_EQ(session.pageCount(), c.closed ? 0 : 2);
    EXPECT_EQ(session.commandState(), c.closed ? DocState::NoDocument : DocState::DocumentOpen);
    EXPECT_EQ(view.errors.size(), c.saveWrites ? 0 : 1);
    if (!c.closed) {
      EXPECT_TRUE(state.docModified);
    }
    EXPECT_TRUE(view.answers.empty());
    EXPECT_EQ(testsupport::readImage(path).size(), 2u);
    EXPECT_EQ(img::readFilePage(path, 1).bitmap.pixel(0, 0), saves ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
  }
}

TEST_F(DocumentSessionTest, ClosingAnArchivedDocumentUnlocksItForAnUpdater) {
  struct Case {
    bool update;
    bool prompt;
    bool unlocks;
  } cases[] = {
      {true, true, true},
      {false, true, false},
      {true, false, false},
  };
  for (const Case& c : cases) {
    networkAnswers(true);
    network.clear();
    state.login = ArchiveLogin{QStringLiteral("JOE"), true, c.update};
    openDocument(1);
    state.achId = QStringLiteral("A1");
    EXPECT_TRUE(session.close(!c.prompt));
    EXPECT_EQ(network, c.unlocks ? QStringList{"UNLOCK"} : QStringList{});
  }
  // An unlock that fails is reported; the document closes all the same.
  networkAnswers(false);
  openDocument(1);
  state.achId = QStringLiteral("A1");
  state.login.update = true;
  view.errors.clear();
  EXPECT_TRUE(session.close(false));
  ASSERT_EQ(view.errors.size(), 1);
  EXPECT_TRUE(view.errors[0].startsWith("Error encountered trying to unlock this AchID."));
}

// ---- Saving ---------------------------------------------------------------------------------------

TEST_F(DocumentSessionTest, SaveGoesInPlaceOrAsksForAName) {
  struct Case {
    bool untitled;
    const char* achId;
    bool commitSave;
    bool asksName;
  } cases[] = {
      {false, "", false, false},
      {true, "", false, true},
      // A retrieved document is saved under a name of the user's choice, unless Send saves it.
      {false, "A1", false, true},
      {false, "A1", true, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    const QString path = openDocument(1, img::kFormatTiff, QStringLiteral("case%1.tif").arg(++n));
    // The page shown is edited, so the file is not needed any more, and where it is written shows.
    session.markModified();
    QFile::remove(path);
    if (c.untitled) state.path.clear();
    state.achId = QString::fromLatin1(c.achId);
    state.commitSave = c.commitSave;
    const QString chosen = dir.file(QStringLiteral("chosen%1.tif").arg(n));
    view.savePath = chosen;
    ASSERT_TRUE(session.save()) << n;
    EXPECT_EQ(QFile::exists(chosen), c.asksName) << n;
    EXPECT_EQ(QFile::exists(path), !c.asksName) << n;
    state.achId.clear();
    state.commitSave = false;
  }
}

// The case of the user who drops pages for a one-page format and the write fails: nothing of the
// document is lost, and a later Save writes every page where they came from.
TEST_F(DocumentSessionTest, AFailedWriteChangesNothingAndALaterSaveWritesEveryPage) {
  const QString path = openDocument(3);
  session.clickPage(1, false);
  session.markModified();
  struct Case {
    const char* what;
    std::function<bool()> write;
    std::vector<int> answers;
  } cases[] = {
      {"Save As BMP dropping pages",
       [&] {
         view.savePath = unwritable(QStringLiteral("copy.bmp"));
         return session.saveAs();
       },
       {rt::vbYes}},
      {"Convert to BMP dropping pages", [&] { return session.writeAs(unwritable(QStringLiteral("a.bmp")), img::kFormatBmp, true); }, {}},
      {"Save As TIFF", [&] {
         view.savePath = unwritable(QStringLiteral("copy.tif"));
         return session.saveAs();
       },
       {}},
  };
  for (const Case& c : cases) {
    view.answers.assign(c.answers.begin(), c.answers.end());
    view.errors.clear();
    EXPECT_FALSE(c.write()) << c.what;
    EXPECT_EQ(view.errors.size(), 1) << c.what;
    EXPECT_EQ(session.pageCount(), 3) << c.what;
    EXPECT_EQ(state.path, path) << c.what;
    EXPECT_EQ(state.format, img::kFormatTiff) << c.what;
    EXPECT_TRUE(state.docModified) << c.what;
    EXPECT_EQ(state.currentPage, 1) << c.what;
    EXPECT_EQ(testsupport::readImage(path).size(), 3u) << c.what;
  }
  // The page shown keeps its edits: they are in the store, and Save writes them with the others.
  view.picture.setIndex(0, 0, 0);
  session.markModified();
  ASSERT_TRUE(session.save());
  const std::vector<Page> written = testsupport::readImage(path);
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[1].width, 40);
  EXPECT_EQ(img::readFilePage(path, 2).bitmap.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_FALSE(state.docModified);
}

TEST_F(DocumentSessionTest, DroppingPagesForAOnePageFormatHappensOnlyWhenTheWriteSucceeds) {
  const QString path = openDocument(3);
  session.clickPage(2, false);
  const QString bmp = dir.file("copy.bmp");
  view.savePath = bmp;
  view.answers = {rt::vbNo};
  EXPECT_FALSE(session.saveAs());
  EXPECT_EQ(session.pageCount(), 3);
  EXPECT_FALSE(QFile::exists(bmp));
  view.answers = {rt::vbYes};
  ASSERT_TRUE(session.saveAs());
  EXPECT_EQ(session.pageCount(), 1);
  EXPECT_EQ(state.path, bmp);
  EXPECT_EQ(state.format, img::kFormatBmp);
  EXPECT_EQ(state.currentPage, 0);
  // The first page is what remains and shows, read from the new file.
  EXPECT_EQ(view.shown, 0);
  EXPECT_EQ(view.picture.width(), 30);
  EXPECT_EQ(testsupport::readImage(bmp).size(), 1u);
  EXPECT_EQ(testsupport::readImage(path).size(), 3u);
}

// Once written elsewhere, the document no longer needs the file it came from: the user may delete
// or replace it, and every page still reads.
TEST_F(DocumentSessionTest, AfterWritingElsewhereEveryPageReadsFromTheNewFile) {
  struct Case {
    const char* what;
    const char* target;
    int16_t format;
  } cases[] = {
      {"Save As TIFF", "copy.tif", img::kFormatTiff},
      {"Convert to DCX", "copy.dcx", img::kFormatDcx},
  };
  for (const Case& c : cases) {
    const QString path = openDocument(3);
    const QString target = dir.file(QString::fromLatin1(c.target));
    ASSERT_TRUE(session.writeAs(target, c.format, false)) << c.what;
    ASSERT_TRUE(QFile::remove(path)) << c.what;
    EXPECT_EQ(state.path, target) << c.what;
    EXPECT_EQ(widths(), (std::vector<int>{30, 40, 50})) << c.what;
    session.clickPage(2, false);
    EXPECT_EQ(view.shown, 2) << c.what;
    EXPECT_EQ(view.picture.width(), 50) << c.what;
    EXPECT_TRUE(view.errors.isEmpty()) << c.what;
  }
}

// A document converted to plain TIFF is written with the compression chosen for TIFF, whatever
// format it was before.
TEST_F(DocumentSessionTest, ConvertingToPlainTiffWritesTheChosenCompression) {
  for (const int16_t from : {img::kFormatBmp, img::kFormatTiffLzw}) {
    openDocument(1, from, from == img::kFormatBmp ? QStringLiteral("a.bmp") : QStringLiteral("a.tif"));
    state.saveOptions.tiffCompression = img::kTiffPackBits;
    const QString target = dir.file(QStringLiteral("plain.tif"));
    QFile::remove(target);
    ASSERT_TRUE(session.writeAs(target, img::kFormatTiff, false)) << from;
    EXPECT_EQ(img::openDocumentFile(target).first.format, img::kFormatTiffPackBits) << from;
  }
}

TEST_F(DocumentSessionTest, AnExistingFileIsOverwrittenOnlyWhenTheUserSaysSo) {
  const QString existing = dir.file("b.tif");
  QFile f(existing);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  openDocument(1);
  view.savePath = existing;
  view.answers = {rt::vbNo};
  EXPECT_FALSE(session.saveAs());
  EXPECT_EQ(QFileInfo(existing).size(), 0);
  view.answers = {rt::vbYes};
  EXPECT_TRUE(session.saveAs());
  EXPECT_EQ(state.path, existing);
  EXPECT_EQ(view.title, "   Image Lumivex - " + existing);
  EXPECT_EQ(testsupport::readImage(existing).size(), 1u);
}

TEST_F(DocumentSessionTest, SavePlanRulesComeBeforeAnythingIsWritten) {
  // Several pages in a one-page format are refused.
  const QString tif = openDocument(3);
  state.format = img::kFormatBmp;
  EXPECT_FALSE(session.save());
  ASSERT_EQ(view.errors.size(), 1);
  EXPECT_TRUE(view.errors[0].startsWith("This document has 3 pages"));
  EXPECT_EQ(testsupport::readImage(tif).size(), 3u);
  // A multi-page PCX gets the DCX extension when the user agrees.
  const QString pcx = openDocument(3, img::kFormatDcx, QStringLiteral("a.pcx"));
  view.answers = {rt::vbYes};
  EXPECT_TRUE(session.save());
  const QString dcx = pcx.chopped(4) + QStringLiteral(".DCX");
  EXPECT_EQ(state.path, dcx);
  EXPECT_EQ(testsupport::readImage(dcx).size(), 3u);
  // An untitled image whose format is not chosen is not saved.
  openDocument(1);
  state.format = 0;
  state.path.clear();
  EXPECT_FALSE(session.save());
}

// Formats that cannot keep annotations get them burned into each page's own picture; TIFF keeps
// them as layers. After a burn-in the document is what was written: the pictures hold the marks
// and no page has a layer any more.
TEST_F(DocumentSessionTest, LayersAreWrittenWithTiffPagesAndBurnedIntoOthers) {
  const QString tif = openDocument(2);
  session.clickPage(1, false);
  view.layer = "ok-layer";
  session.markModified();
  ASSERT_TRUE(session.save());
  EXPECT_EQ(img::openDocumentFile(tif).layers[1], bytes("ok-layer"));
  EXPECT_EQ(session.pages().layer(1), QByteArray("ok-layer"));

  const QString dcx = dir.file("b.dcx");
  ASSERT_TRUE(session.writeAs(dcx, img::kFormatDcx, false));
  EXPECT_EQ(img::readFilePage(dcx, 2).bitmap.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(img::readFilePage(dcx, 1).bitmap.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_TRUE(session.pages().layer(1).isEmpty());
  EXPECT_EQ(session.pages().picture(1).pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_TRUE(view.layer.isEmpty());

  // A layer the engine cannot burn in stops the save: nothing is written, nothing is lost.
  session.clickPage(0, false);
  view.layer = "ok-again";
  session.markModified();
  engine.burnFails = 1042;
  const QByteArray before = testsupport::fileBytes(dcx);
  view.errors.clear();
  EXPECT_FALSE(session.save());
  EXPECT_EQ(testsupport::fileBytes(dcx), before);
  ASSERT_EQ(view.errors.size(), 1);
  EXPECT_TRUE(view.errors[0].startsWith("The annotations of page 1 could not be burned into the image (annotation error 1042)"));
  EXPECT_EQ(session.pages().layer(0), QByteArray("ok-again"));
}

// ---- Pages ----------------------------------------------------------------------------------------

TEST_F(DocumentSessionTest, ClickingAPageStoresTheEditsOfTheOneShownFirst) {
  openDocument(3);
  session.clickPage(1, false);
  EXPECT_EQ(view.shown, 1);
  EXPECT_EQ(view.picture.width(), 40);
  EXPECT_EQ(session.pages().selection(), (std::vector<bool>{false, true, false}));
  // An edit of page 2, then page 3: page 2 keeps its edit.
  view.picture.setIndex(0, 0, 0);
  view.layer = "ok2";
  session.markModified();
  session.clickPage(2, false);
  EXPECT_TRUE(session.pages().hasOwnPicture(1));
  EXPECT_EQ(session.pages().layer(1), QByteArray("ok2"));
  EXPECT_FALSE(state.pageModified);
  EXPECT_TRUE(state.docModified);
  // Shift adds to the selection without showing the page.
  view.calls.clear();
  session.clickPage(0, true);
  EXPECT_EQ(state.currentPage, 2);
  EXPECT_FALSE(view.calls.contains("showPage 0"));
  EXPECT_EQ(session.pages().selection(), (std::vector<bool>{true, false, true}));
  // Back on page 2: its edit shows.
  session.clickPage(1, false);
  EXPECT_EQ(view.picture.pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(view.layer, QByteArray("ok2"));
}

TEST_F(DocumentSessionTest, DeletingPagesKeepsCaptionsLayersAndTheCurrentPageInStep) {
  openDocument(5);
  for (int i = 0; i < 5; ++i) {
    session.clickPage(i, false);
    view.layer = QByteArray("ok") + QByteArray::number(i + 1);
    session.markModified();
  }
  session.clickPage(3, false);
  session.clickPage(1, true);  // pages 2 and 4 selected, page 4 current
  view.answers = {rt::vbYes};
  ASSERT_TRUE(session.deleteSelectedPages());
  EXPECT_EQ(session.pageCount(), 3);
  EXPECT_EQ(state.currentPage, 1);
  const QStringList captions{session.pages().caption(0), session.pages().caption(1), session.pages().caption(2)};
  EXPECT_EQ(captions, (QStringList{"Page 1", "Page 3", "Page 5"}));
  EXPECT_EQ(session.pages().layer(1), QByteArray("ok3"));
  EXPECT_EQ(widths(), (std::vector<int>{30, 50, 70}));
  EXPECT_EQ(view.shown, 1);
  // Every page selected: refused, a document keeps a page.
  for (int i = 0; i < 3; ++i) session.clickPage(i, true);
  view.errors.clear();
  EXPECT_FALSE(session.deleteSelectedPages());
  EXPECT_EQ(view.errors.size(), 1);
  EXPECT_EQ(session.pageCount(), 3);
}

TEST_F(DocumentSessionTest, PageEditsKeepLayersCurrentPageAndCountInStep) {
  DocumentSession withLayers(state, readerOf(3, {bytes("ok1"), bytes("ok2"), bytes("ok3")}));
  showIn(withLayers);
  withLayers.open(QStringLiteral("/docs/a.tif"));
  state.currentPage = 2;
  withLayers.applyPageEdit(fnMovePage(3, 2, 2, 0), CaptionRule::Renumber);
  EXPECT_EQ(state.currentPage, 0);
  EXPECT_EQ(withLayers.pages().layer(0), QByteArray("engine:ok3"));
  withLayers.applyPageEdit(fnAppendPages(3, 0, 2), CaptionRule::Renumber);
  EXPECT_EQ(withLayers.pageCount(), 5);
  EXPECT_TRUE(withLayers.pages().layer(4).isEmpty());
  EXPECT_EQ(withLayers.pages().caption(4), "Page 5");
  EXPECT_TRUE(withLayers.hasPageStrip());
}

TEST_F(DocumentSessionTest, PickedPagesFillTheirPlacesInOrderAndTheFirstBecomesCurrent) {
  openDocument(3);
  state.currentPage = 2;
  std::vector<img::Bitmap> picked;
  for (int i = 0; i < 3; ++i) picked.emplace_back(100 + i, 10, 24);
  // Two places behind page 1 for three pictures: the third has no place and is let go.
  session.addPickedPages(fnInsertPages(3, 2, 0, 2), std::move(picked));
  EXPECT_EQ(widths(), (std::vector<int>{30, 100, 101, 40, 50}));
  EXPECT_EQ(state.currentPage, 1);
  EXPECT_TRUE(state.docModified && state.pageModified);
  EXPECT_EQ(view.shown, 1);
  EXPECT_EQ(view.picture.width(), 100);
}

TEST_F(DocumentSessionTest, ScannedPagesGoWhereTheirModeSays) {
  // Scan New: the first page starts an untitled document, the next ones follow it.
  state.currentPage = -1;
  session.startUntitled();
  session.placeScannedPage(fnPlaceScannedPage(QStringLiteral("NEW"), session.pageCount(), state.currentPage), img::Bitmap(11, 5, 1));
  session.placeScannedPage(fnPlaceScannedPage(QStringLiteral("NEW"), session.pageCount(), state.currentPage), img::Bitmap(12, 5, 1));
  EXPECT_EQ(widths(), (std::vector<int>{11, 12}));
  EXPECT_EQ(session.commandState(), DocState::DocumentOpen);
  EXPECT_TRUE(state.docModified);
  // Insert goes behind the current page; a rescan replaces the current page and drops its layer.
  session.clickPage(0, false);
  session.placeScannedPage(fnPlaceScannedPage(QStringLiteral("INSERT"), session.pageCount(), state.currentPage), img::Bitmap(13, 5, 1));
  EXPECT_EQ(widths(), (std::vector<int>{11, 13, 12}));
  EXPECT_EQ(state.currentPage, 1);
  view.layer = "ok-marks";
  session.markModified();
  session.clickPage(1, false);
  session.placeScannedPage(fnPlaceScannedPage(QStringLiteral("PAGE"), session.pageCount(), state.currentPage), img::Bitmap(14, 5, 1));
  EXPECT_EQ(widths(), (std::vector<int>{11, 14, 12}));
  EXPECT_TRUE(session.pages().layer(1).isEmpty());
  EXPECT_EQ(view.picture.width(), 14);
}

TEST_F(DocumentSessionTest, PageButtonsFollowTheCurrentPage) {
  struct Case {
    bool untitled;
    int pages, current;
    bool touched;
    bool previous, next;
  } cases[] = {
      {false, 3, 0, true, false, true},
      {false, 3, 1, true, true, true},
      {false, 3, 2, true, true, false},
      {false, 1, 0, true, false, false},
      // A single untitled page leaves the buttons alone.
      {true, 1, 0, false, false, false},
      {true, 2, 1, true, true, false},
  };
  for (const Case& c : cases) {
    openDocument(c.pages);
    if (c.untitled) state.path.clear();
    state.currentPage = c.current;
    view.pageButtons = {true, true};
    session.updatePageButtons();
    const std::pair<bool, bool> expected = c.touched ? std::pair{c.previous, c.next} : std::pair{true, true};
    EXPECT_EQ(view.pageButtons, expected) << c.untitled << " " << c.pages << " " << c.current;
  }
}

TEST_F(DocumentSessionTest, StoringPageEditsHappensOnlyForAnEditedPage) {
  openDocument(2);
  session.storePageEdits();
  EXPECT_FALSE(view.calls.contains("shownPage"));
  EXPECT_FALSE(session.pages().hasOwnPicture(0));
  session.markModified();
  session.storePageEdits();
  EXPECT_TRUE(view.calls.contains("shownPage"));
  EXPECT_TRUE(session.pages().hasOwnPicture(0));
  EXPECT_FALSE(state.pageModified);
  EXPECT_TRUE(state.docModified);
}

// ---- Commands, scanner, archive -------------------------------------------------------------------

TEST_F(DocumentSessionTest, TheScannerCheckAppliesToTheStateTheDocumentIsIn) {
  auto enabled = [&](const char* command) {
    for (const CommandState& c : view.commands)
      if (c.command == QLatin1String(command)) return std::optional<bool>(c.enabled);
    return std::optional<bool>();
  };
  session.enterState(DocState::NoDocument);
  session.setScannerPresent(true);
  EXPECT_EQ(enabled("mnuScanNew"), true);
  EXPECT_EQ(enabled("mnuScanAppend"), false);  // the no-document table switches it off
  openDocument(3);
  session.setScannerPresent(true);
  EXPECT_EQ(enabled("mnuScanAppend"), true);
  EXPECT_EQ(session.commandState(), DocState::DocumentOpen);
}

TEST_F(DocumentSessionTest, NetworkResultIsAFailureUntilTheWindowReportsSuccess) {
  EXPECT_FALSE(session.runNetwork(QStringLiteral("LOGOUT")));  // no network window at all
  networkAnswers(false);
  state.network = NetworkResult::Succeeded;  // left over from an earlier command
  EXPECT_FALSE(session.runNetwork(QStringLiteral("LOGOUT")));
  networkAnswers(true);
  EXPECT_TRUE(session.runNetwork(QStringLiteral("LOGOUT")));
  EXPECT_EQ(modTCP::gstrTCPCommand, "LOGOUT");
}

TEST_F(DocumentSessionTest, TheLoginPanelShowsTheLoginItDoesNotHoldIt) {
  session.setLogin(ArchiveLogin{QStringLiteral("JOE"), true, false});
  EXPECT_EQ(view.login, "JOE");
  EXPECT_TRUE(state.login.loggedIn());
  EXPECT_TRUE(state.login.view);
  session.setLogin({});
  EXPECT_EQ(view.login, "");
  EXPECT_FALSE(state.login.loggedIn() || state.login.view || state.login.update);
}

}  // namespace
