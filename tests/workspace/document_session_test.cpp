// The document's rules with a fake window: what opening, closing, saving and page edits do to the
// document and what they ask the window to show.
#include "workspace/document/document_session.h"

#include "controls/imaging/format_codes.h"
#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "tests/support/temp_dir.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/save_plan.h"
#include "workspace/window_openers.h"

#include <QFile>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>

using namespace ws;

namespace {

struct FakeView : DocumentView {
  QStringList calls;
  std::deque<int> answers;            // for ask(), in order
  QStringList questions, errors;
  int16_t formatRead = img::kFormatTiff;
  bool firstPageFails = false;
  std::optional<QString> savePath;
  bool writeFails = false;
  std::vector<QString> written;  // the document's path at each write
  DocumentState* state = nullptr;
  QString title;
  std::vector<CommandState> commands;
  std::pair<bool, bool> pageButtons{false, false};
  QString login;
  int pages = 1;  // of the strip

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
  void setTitle(const QString& c) override { title = c; }
  void showZoom() override { calls << "showZoom"; }
  void showLogin(const QString& user) override { login = user; }
  void enableCommands(const std::vector<CommandState>& s) override { commands = s; }
  void enablePageButtons(bool p, bool n) override { pageButtons = {p, n}; }
  void resetModes(DocState s) override { calls << (s == DocState::NoDocument ? "modes none" : "modes open"); }
  void showDefaultLayout(bool multi) override { calls << (multi ? "layout thumbs" : "layout page"); }
  void clearAnnotations() override { calls << "clearAnnotations"; }
  int16_t showFirstPage(const QString& p) override {
    calls << "showFirstPage " + p;
    if (firstPageFails) rt::Raise(31003, "ixMain", "cannot be read");
    return formatRead;
  }
  void showBlankPage(int32_t, int32_t, int16_t, uint32_t) override { calls << "showBlankPage"; }
  void showPage(int p) override { calls << QStringLiteral("showPage %1").arg(p); }
  void setToolDefaults() override { calls << "setToolDefaults"; }
  void emptyPageView() override { calls << "emptyPageView"; }
  // The engine takes in layers that start with "ok" and writes them in its own form.
  rt::Variant takeInLayer(const rt::Variant& read) override {
    const QByteArray b = read.Bytes();
    return b.startsWith("ok") ? rt::Variant(QByteArray("engine:") + b) : rt::Variant();
  }
  void storeCurrentPage() override { calls << "storeCurrentPage"; }
  void commitPendingEdit() override { calls << "commitPendingEdit"; }
  int pageCount() const override { return pages; }
  void fillStrip(int n, const QString&) override {
    calls << QStringLiteral("fillStrip %1").arg(n);
    pages = std::max(1, n);
  }
  void loadThumbs(const QString&, int pages) override { calls << QStringLiteral("loadThumbs %1").arg(pages); }
  void stopThumbs() override { calls << "stopThumbs"; }
  void rearrangeStrip(const PageEdit& e, CaptionRule) override {
    calls << QStringLiteral("rearrangeStrip %1").arg(e.count());
    pages = std::max(1, e.count());
  }
  std::vector<std::pair<int, plat::HGLOBAL>> pictures;  // given to thumbnails: page, picture
  void setPagePicture(int index, plat::HGLOBAL picture) override {
    pictures.push_back({index, picture});
    plat::GlobalFree(picture);
  }
  void emptyStrip() override {
    calls << "emptyStrip";
    pages = 1;
  }
  void layOutStrip() override { calls << "layOutStrip"; }
  void scrollStripToCurrent() override { calls << "scrollStripToCurrent"; }
  std::optional<QString> askSavePath() override { return savePath; }
  void writePages(const SavePlan&) override {
    written.push_back(state->path);
    if (writeFails) rt::Raise(31004, "ixMain", "disk full");
  }
};

std::vector<uint8_t> bytes(const char* text) { return std::vector<uint8_t>(text, text + qstrlen(text)); }

class DocumentSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    clearWindowOpeners();
    view.state = &state;
    session.setView([this]() -> DocumentView* { return &view; });
  }
  void TearDown() override { clearWindowOpeners(); }

  // An open document of the given pages, unmodified.
  void openDocument(int pages, int16_t format = img::kFormatTiff, const QString& path = QStringLiteral("/docs/a.tif")) {
    file.pages = pages;
    file.layers.assign(static_cast<std::size_t>(pages), {});
    view.formatRead = format;
    session.open(path);
    view.calls.clear();
  }
  // The network window answers every command with this result and records the commands.
  void networkAnswers(bool succeeds) {
    registerWindow(QStringLiteral("frmTCPIP"), [this, succeeds](const QStringList& args) {
      network << args.value(0);
      if (succeeds) state.network = NetworkResult::Succeeded;
    });
  }

  DocumentState state;
  DocumentFile file;
  FakeView view;
  DocumentSession session{state, [this](const QString&) { return file; }};
  QStringList network;
};

TEST_F(DocumentSessionTest, OpenShowsTheFileAsItsFormatHoldsPages) {
  struct Case {
    int16_t format;
    int pagesCounted;
    int pages;       // of the document
    const char* strip;
    bool thumbs;     // pictures made in the background
    const char* layout;
  } cases[] = {
      {img::kFormatTiff, 3, 3, "fillStrip 3", true, "layout thumbs"},
      // A multi-page file whose pages cannot be counted still has its first page.
      {img::kFormatTiff, 0, 1, "fillStrip 1", true, "layout thumbs"},
      // A one-page format: the first thumbnail takes the page view's picture.
      {img::kFormatBmp, 1, 1, "fillStrip 0", false, "layout page"},
  };
  for (const Case& c : cases) {
    state = DocumentState();
    state.docModified = state.pageModified = true;
    state.currentPage = 2;
    file = DocumentFile{c.pagesCounted, std::vector<std::vector<uint8_t>>(static_cast<std::size_t>(c.pagesCounted)), {}};
    view.formatRead = c.format;
    view.calls.clear();
    session.open(QStringLiteral("/docs/a.file"));
    EXPECT_EQ(state.path, "/docs/a.file");
    EXPECT_EQ(state.format, c.format);
    EXPECT_EQ(session.pageCount(), c.pages) << c.format;
    EXPECT_EQ(state.currentPage, 0);
    EXPECT_FALSE(state.docModified || state.pageModified);
    EXPECT_TRUE(view.calls.contains(c.strip)) << view.calls.join(", ").toStdString();
    EXPECT_EQ(view.calls.contains(QStringLiteral("loadThumbs %1").arg(c.pages)), c.thumbs);
    EXPECT_TRUE(view.calls.contains(c.layout));
    EXPECT_EQ(view.title, "   Image Lumivex - /docs/a.file");
    EXPECT_EQ(session.commandState(), DocState::DocumentOpen);
  }
}

TEST_F(DocumentSessionTest, ThumbnailsAreMadeOnlyOnceTheStripIsLaidOut) {
  openDocument(1);
  file = DocumentFile{4, std::vector<std::vector<uint8_t>>(4), {}};
  session.open(QStringLiteral("/docs/b.tif"));
  const auto at = [&](const char* call) { return view.calls.indexOf(QString::fromLatin1(call)); };
  ASSERT_GE(at("loadThumbs 4"), 0);
  EXPECT_EQ(at("stopThumbs"), 0);
  EXPECT_LT(at("fillStrip 4"), at("layOutStrip"));
  EXPECT_LT(at("layOutStrip"), at("loadThumbs 4"));
}

TEST_F(DocumentSessionTest, LayersTheEngineCannotTakeInAreKeptAsRead) {
  file = DocumentFile{3, {bytes("ok1"), {}, bytes("foreign")}, {}};
  session.open(QStringLiteral("/docs/a.tif"));
  ASSERT_EQ(state.pageAnno.size(), 4u);  // one spare entry above the last page
  EXPECT_EQ(state.pageAnno[0].Bytes(), QByteArray("engine:ok1"));
  EXPECT_TRUE(state.pageAnno[1].IsEmpty());
  EXPECT_EQ(state.pageAnno[2].Bytes(), QByteArray("foreign"));
  EXPECT_TRUE(state.pageAnno[3].IsEmpty());
}

TEST_F(DocumentSessionTest, ADamagedFileOpensAndTheUserIsToldAfterItShows) {
  file = DocumentFile{2, std::vector<std::vector<uint8_t>>(2), QStringLiteral("only 2 pages could be read")};
  session.open(QStringLiteral("/docs/a.tif"));
  EXPECT_EQ(view.errors, QStringList{"only 2 pages could be read"});
  EXPECT_GT(view.calls.indexOf("showError"), view.calls.indexOf("layOutStrip"));
  EXPECT_EQ(session.pageCount(), 2);
}

TEST_F(DocumentSessionTest, AFileThatCannotBeReadLeavesNoDocument) {
  state.achId = QStringLiteral("A1");
  view.firstPageFails = true;
  file = DocumentFile{3, std::vector<std::vector<uint8_t>>(3), {}};
  EXPECT_THROW(session.open(QStringLiteral("/docs/bad.tif")), rt::RuntimeError);
  EXPECT_TRUE(state.path.isEmpty());
  EXPECT_TRUE(state.achId.isEmpty());
  EXPECT_EQ(state.format, 0);
  EXPECT_EQ(session.pageCount(), 1);
  EXPECT_EQ(session.commandState(), DocState::NoDocument);
  EXPECT_TRUE(view.calls.contains("emptyStrip"));
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

TEST_F(DocumentSessionTest, ClosePromptDecidesWhetherTheDocumentGoes) {
  struct Case {
    bool modified;
    std::vector<int> answers;  // the save question, then what the save asks
    bool saveWrites;
    bool closed;
    int writes;
  } cases[] = {
      {false, {}, true, true, 0},
      {true, {rt::vbNo}, true, true, 0},
      {true, {rt::vbCancel}, true, false, 0},
      {true, {rt::vbYes}, true, true, 1},
      // A save that fails keeps the document open: closing now would lose the edits.
      {true, {rt::vbYes}, false, false, 1},
  };
  for (const Case& c : cases) {
    openDocument(2);
    view.written.clear();
    view.errors.clear();
    state.docModified = c.modified;
    view.answers.assign(c.answers.begin(), c.answers.end());
    view.writeFails = !c.saveWrites;
    EXPECT_EQ(session.close(false), c.closed) << c.modified << " " << c.answers.size();
    EXPECT_EQ(static_cast<int>(view.written.size()), c.writes);
    EXPECT_EQ(state.path.isEmpty(), c.closed);
    EXPECT_EQ(session.commandState(), c.closed ? DocState::NoDocument : DocState::DocumentOpen);
    if (!c.closed) {
      EXPECT_TRUE(state.docModified);
    }
    EXPECT_TRUE(view.answers.empty());
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

TEST_F(DocumentSessionTest, SaveGoesInPlaceOrAsksForAName) {
  struct Case {
    const char* path;
    const char* achId;
    bool commitSave;
    bool asksName;
  } cases[] = {
      {"/docs/a.tif", "", false, false},
      {"", "", false, true},
      // A retrieved document is saved under a name of the user's choice, unless Send saves it.
      {"/work/KVT_WORKING.ACH", "A1", false, true},
      {"/work/KVT_WORKING.ACH", "A1", true, false},
  };
  for (const Case& c : cases) {
    openDocument(1, img::kFormatTiff, QString::fromLatin1(c.path).isEmpty() ? QStringLiteral("/x.tif") : QString::fromLatin1(c.path));
    state.path = QString::fromLatin1(c.path);
    state.achId = QString::fromLatin1(c.achId);
    state.commitSave = c.commitSave;
    view.savePath = QStringLiteral("/chosen/b.tif");
    view.written.clear();
    ASSERT_TRUE(session.save()) << c.path;
    ASSERT_EQ(view.written.size(), 1u);
    EXPECT_EQ(view.written[0], c.asksName ? QString("/chosen/b.tif") : QString::fromLatin1(c.path));
    EXPECT_EQ(view.calls.contains("commitPendingEdit"), c.asksName);
    state.achId.clear();
  }
}

TEST_F(DocumentSessionTest, SaveAsKeepsTheOldNameWhenNothingWasWritten) {
  openDocument(1, img::kFormatTiff, QStringLiteral("/docs/a.tif"));
  view.savePath = QStringLiteral("/chosen/b.tif");
  view.writeFails = true;
  state.docModified = true;
  EXPECT_FALSE(session.saveAs());
  EXPECT_EQ(state.path, "/docs/a.tif");
  EXPECT_TRUE(state.docModified);
  EXPECT_EQ(view.errors, QStringList{"disk full"});
  // Cancelled: nothing is written.
  view.savePath.reset();
  view.written.clear();
  EXPECT_FALSE(session.saveAs());
  EXPECT_TRUE(view.written.empty());
}

TEST_F(DocumentSessionTest, AnExistingFileIsOverwrittenOnlyWhenTheUserSaysSo) {
  testsupport::TempDir dir;
  const QString existing = dir.file("b.tif");
  QFile f(existing);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  openDocument(1);
  view.savePath = existing;
  view.answers = {rt::vbNo};
  EXPECT_FALSE(session.saveAs());
  EXPECT_TRUE(view.written.empty());
  view.answers = {rt::vbYes};
  EXPECT_TRUE(session.saveAs());
  EXPECT_EQ(state.path, existing);
  EXPECT_EQ(view.title, "   Image Lumivex - " + existing);
}

TEST_F(DocumentSessionTest, SavePlanRulesComeBeforeAnythingIsWritten) {
  // Several pages in a one-page format are refused.
  openDocument(3, img::kFormatTiff, QStringLiteral("/docs/a.tif"));
  state.format = img::kFormatBmp;
  EXPECT_FALSE(session.save());
  EXPECT_TRUE(view.written.empty());
  ASSERT_EQ(view.errors.size(), 1);
  EXPECT_TRUE(view.errors[0].startsWith("This document has 3 pages"));
  // A multi-page PCX gets the DCX extension when the user agrees.
  openDocument(3, img::kFormatDcx, QStringLiteral("/docs/a.pcx"));
  view.answers = {rt::vbYes};
  EXPECT_TRUE(session.save());
  EXPECT_EQ(view.written, std::vector<QString>{"/docs/a.DCX"});
  EXPECT_EQ(state.path, "/docs/a.DCX");
  // An untitled image whose format is not chosen is not saved.
  openDocument(1);
  state.format = 0;
  view.written.clear();
  EXPECT_FALSE(session.save());
  EXPECT_TRUE(view.written.empty());
}

TEST_F(DocumentSessionTest, PageEditsKeepStoreCurrentPageAndCountInStep) {
  file = DocumentFile{3, {bytes("ok1"), bytes("ok2"), bytes("ok3")}, {}};
  session.open(QStringLiteral("/docs/a.tif"));
  state.currentPage = 2;
  session.applyPageEdit(fnMovePage(3, 2, 2, 0), CaptionRule::Renumber);
  EXPECT_EQ(state.currentPage, 0);
  EXPECT_EQ(state.pageAnno[0].Bytes(), QByteArray("engine:ok3"));
  session.applyPageEdit(fnAppendPages(3, 0, 2), CaptionRule::Renumber);
  EXPECT_EQ(session.pageCount(), 5);
  EXPECT_EQ(state.pageAnno.size(), 6u);
  EXPECT_TRUE(state.pageAnno[4].IsEmpty());
  EXPECT_TRUE(view.calls.contains("rearrangeStrip 5"));
  EXPECT_TRUE(session.hasPageStrip());
}

TEST_F(DocumentSessionTest, PickedPagesFillTheirSlotsInOrderAndTheFirstBecomesCurrent) {
  openDocument(3);
  state.currentPage = 2;
  std::vector<plat::HGLOBAL> picked;
  for (int i = 0; i < 3; ++i) picked.push_back(plat::GlobalFromBytes(&i, sizeof i));
  // Two slots behind page 1 for three pictures: the third has no slot and is let go.
  session.addPickedPages(fnInsertPages(3, 2, 0, 2), picked);
  ASSERT_EQ(view.pictures.size(), 2u);
  EXPECT_EQ(view.pictures[0], std::make_pair(1, picked[0]));
  EXPECT_EQ(view.pictures[1], std::make_pair(2, picked[1]));
  EXPECT_EQ(state.currentPage, 1);
  EXPECT_EQ(session.pageCount(), 5);
  EXPECT_TRUE(state.docModified && state.pageModified);
  EXPECT_EQ(view.calls.mid(view.calls.size() - 3), (QStringList{"layOutStrip", "scrollStripToCurrent", "showPage 2"}));
}

TEST_F(DocumentSessionTest, PageButtonsFollowTheCurrentPage) {
  struct Case {
    const char* path;
    int pages, current;
    bool touched;
    bool previous, next;
  } cases[] = {
      {"/a.tif", 3, 0, true, false, true},
      {"/a.tif", 3, 1, true, true, true},
      {"/a.tif", 3, 2, true, true, false},
      {"/a.tif", 1, 0, true, false, false},
      // A single untitled page leaves the buttons alone.
      {"", 1, 0, false, false, false},
      {"", 2, 1, true, true, false},
  };
  for (const Case& c : cases) {
    state.path = QString::fromLatin1(c.path);
    view.pages = c.pages;
    state.currentPage = static_cast<int16_t>(c.current);
    view.pageButtons = {true, true};
    session.updatePageButtons();
    const std::pair<bool, bool> expected = c.touched ? std::pair{c.previous, c.next} : std::pair{true, true};
    EXPECT_EQ(view.pageButtons, expected) << c.path << " " << c.pages << " " << c.current;
  }
}

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

TEST_F(DocumentSessionTest, StoringPageEditsHappensOnlyForAnEditedPage) {
  openDocument(2);
  session.storePageEdits();
  EXPECT_FALSE(view.calls.contains("storeCurrentPage"));
  session.markModified();
  session.storePageEdits();
  EXPECT_TRUE(view.calls.contains("storeCurrentPage"));
  EXPECT_FALSE(state.pageModified);
  EXPECT_TRUE(state.docModified);
}

TEST(ProgramDocument, SharedNamesReferToTheProgramsDocument) {
  DocumentState& d = documentState();
  const QString before = d.path;
  modVars::gstrCurrFile = QStringLiteral("/shared.tif");
  EXPECT_EQ(d.path, "/shared.tif");
  EXPECT_EQ(&document().state(), &d);
  modVars::gstrCurrFile = before;
}

}  // namespace
