// Scanning into the main window's document through SANE's test backend, the placement of the
// scanned pages, and the scan-area dialog.
#include "controls/scanning/scanning_control.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/scan_placement.h"
#include "workspace/settings/frm_scan_opts.h"
#include "workspace/settings/scan_area.h"
#include "workspace/scan_commands.h"

#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace mainwindowtest;
using namespace modVars;

// ---- Placement rules ------------------------------------------------------------------------------

TEST(ScanPlacement, EachModePutsThePageWhereItBelongs) {
  struct Case {
    const char* mode;
    int count, current;
    bool valid;
    std::vector<int> from;  // the page edit; empty when the page replaces one in place
    int slot, currentAfter, show;
  } cases[] = {
      {"PAGE", 4, 2, true, {}, 2, 2, 3},
      {"PAGE", 4, 4, false, {}, 0, 0, 0},
      {"PAGE", 4, -1, false, {}, 0, 0, 0},
      {"APPEND", 4, 1, true, {0, 1, 2, 3, ws::kNewPage}, 4, 4, 5},
      {"INSERT", 4, 1, true, {0, 1, ws::kNewPage, 2, 3}, 2, 2, 3},
      {"INSERT", 4, 3, true, {0, 1, 2, 3, ws::kNewPage}, 4, 4, 5},
      {"INSERT", 4, 5, false, {}, 0, 0, 0},
      {"NEW", 1, -1, true, {}, 0, 0, 1},
      {"NEW", 2, 1, true, {0, 1, ws::kNewPage}, 2, 2, 3},
      {"new", 1, -1, false, {}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const ws::ScanPlacement p = ws::fnPlaceScannedPage(QString::fromLatin1(c.mode), c.count, c.current);
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.count) + " " + std::to_string(c.current));
    EXPECT_EQ(p.valid, c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(p.edit.has_value(), !c.from.empty());
    if (p.edit) {
      EXPECT_EQ(p.edit->from, c.from);
      EXPECT_EQ(p.edit->current, c.slot);
    }
    EXPECT_EQ(p.slot, c.slot);
    EXPECT_EQ(p.current, c.currentAfter);
    EXPECT_EQ(p.show, c.show);
  }
  EXPECT_EQ(ws::fnPlaceScannedPage(QStringLiteral("INSERT"), 4, 1).captions, ws::CaptionRule::Renumber);
  EXPECT_EQ(ws::fnPlaceScannedPage(QStringLiteral("APPEND"), 4, 1).captions, ws::CaptionRule::Travel);
  EXPECT_TRUE(ws::fnPlaceScannedPage(QStringLiteral("NEW"), 1, -1).startsDocument);
  EXPECT_FALSE(ws::fnPlaceScannedPage(QStringLiteral("NEW"), 1, 0).startsDocument);
}

// ---- Scanning from the main window ----------------------------------------------------------------

// Scanned pages are white, half an inch by one at 50 dpi (the test backend delivers 24 by 49
// pixels of it); the document pages differ in width.
constexpr int kScannedWidth = 24;

class ScanTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    setScanners(true);
    QFile conf(QDir(qEnvironmentVariable("SANE_CONFIG_DIR")).filePath(QStringLiteral("test.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    conf.write("number_of_devices 1\nmode Gray\ndepth 8\nresolution 50.0\ntest-picture \"Solid white\"\n"
               "geometry_min 0.0\ngeometry_max 200.0\ngeometry_quant 1.0\ntl_x 0.0\ntl_y 0.0\nbr_x 12.7\nbr_y 25.4\n");
  }
  void TearDown() override {
    frmScanOpts.Unload();
    MainWindowTest::TearDown();
  }
  frmImgClntForm* scanner(const char* source) {
    frmImgClntForm* w = window();
    w->twnMain->setShowProgress(false);
    w->twnMain->setSourceChooser([source](const QStringList& items, const QString&) {
      return items.contains(QString::fromLatin1(source)) ? QString::fromLatin1(source) : QString();
    });
    ws::mnuScanSelect_Click(*w);
    return w;
  }
  // The feeder stops after this many pages (the test backend's feeder holds more).
  void feederPages(frmImgClntForm* w, int pages) {
    QObject::connect(w->twnMain, &ScanningControl::ImageAcquired, w, [w, pages, n = 0]() mutable {
      if (++n == pages) w->twnMain->Cancel();
    });
  }
  static QStringList captions(frmImgClntForm*) {
    QStringList c;
    for (int i = 0; i < pageCount(); ++i) c << caption(i);
    return c;
  }
  static std::vector<int> widths(frmImgClntForm*) {
    std::vector<int> v;
    for (int i = 0; i < pageCount(); ++i) v.push_back(pageWidth(i));
    return v;
  }
  static std::vector<int> selected(frmImgClntForm*) {
    std::vector<int> v;
    for (int i = 0; i < pageCount(); ++i)
      if (mainwindowtest::selected(i)) v.push_back(i);
    return v;
  }
  static bool noLayers() {
    for (int i = 0; i < pageCount(); ++i)
      if (!pages().layer(i).isEmpty()) return false;
    return true;
  }
  const QByteArray marker = QByteArrayLiteral("layer of the page");
};

TEST_F(ScanTest, ScanNewOnAnEmptyWorkspaceStartsAnUntitledDocument) {
  frmImgClntForm* w = scanner("test:0 - Flatbed");
  EXPECT_TRUE(enabled(w->Menu("mnuScanNew")));
  ws::mnuScanNew_Click(*w);
  EXPECT_TRUE(dialogs.calls().empty());
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - New File"));
  EXPECT_EQ(captions(w), QStringList({"Page 1"}));
  EXPECT_EQ(widths(w), std::vector<int>({kScannedWidth}));
  EXPECT_EQ(pages().picture(0).height(), 49);
  EXPECT_EQ(pageShown(w), kScannedWidth);
  EXPECT_EQ(doc().currentPage, 0);
  EXPECT_EQ(doc().format, 0);
  EXPECT_TRUE(doc().path.isEmpty());
  EXPECT_TRUE(doc().docModified);
  EXPECT_TRUE(doc().pageModified);
  EXPECT_EQ(gstrScanMode, QStringLiteral("NEW"));
  EXPECT_TRUE(enabled(w->Menu("mnuFileSave")));
  EXPECT_TRUE(enabled(w->Menu("mnuScanAppend")));
  // Closing asks to save.
  dialogs.answerMsgBox(rt::vbNo);
  bool ok = false;
  w->fnCloseFile(false, ok);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Image has been modified! Save changes?"));
}

TEST_F(ScanTest, ScanNewFromTheFeederCaptionsThePagesInFeedingOrder) {
  frmImgClntForm* w = scanner("test:0 - Automatic Document Feeder");
  feederPages(w, 3);
  ws::mnuScanNew_Click(*w);
  EXPECT_TRUE(dialogs.calls().empty());  // the cancel after the third page ends quietly
  EXPECT_EQ(captions(w), QStringList({"Page 1", "Page 2", "Page 3"}));
  EXPECT_EQ(widths(w), std::vector<int>(3, kScannedWidth));
  EXPECT_EQ(selected(w), std::vector<int>({2}));
  EXPECT_EQ(doc().currentPage, 2);
  EXPECT_TRUE(noLayers());
  EXPECT_TRUE(w->Menu("mnuViewNext") && !enabled(w->Menu("mnuViewNext")));
  EXPECT_TRUE(enabled(w->Menu("mnuViewPrev")));
}

TEST_F(ScanTest, ScanNewClosesTheOpenDocumentFirst) {
  const QString path = file(QStringLiteral("three.tif"), kThreePages, 4);
  frmImgClntForm* w = scanner("test:0 - Flatbed");
  w->fnOpenImgFile(path);
  doc().docModified = true;
  // Cancel at the save prompt: nothing is scanned and the document stays.
  dialogs.answerMsgBox(rt::vbCancel);
  ws::mnuScanNew_Click(*w);
  EXPECT_EQ(doc().path, path);
  EXPECT_EQ(pageCount(), 3);
  // No: the document goes, the scan starts an empty strip.
  dialogs.answerMsgBox(rt::vbNo);
  ws::mnuScanNew_Click(*w);
  EXPECT_EQ(dialogs.calls().size(), 2u);
  EXPECT_TRUE(doc().path.isEmpty());
  EXPECT_EQ(widths(w), std::vector<int>({kScannedWidth}));
  EXPECT_EQ(captions(w), QStringList({"Page 1"}));
}

TEST_F(ScanTest, ScanAppendAddsThePageAtTheEndAndMakesItCurrent) {
  const QString path = file(QStringLiteral("three.tif"), kThreePages, 4);
  frmImgClntForm* w = scanner("test:0 - Flatbed");
  w->fnOpenImgFile(path);
  ws::mnuScanAppend_Click(*w);
  EXPECT_EQ(captions(w), QStringList({"Page 1", "Page 2", "Page 3", "Page 4"}));
  EXPECT_EQ(widths(w), std::vector<int>({30, 40, 50, kScannedWidth}));
  EXPECT_EQ(selected(w), std::vector<int>({3}));
  EXPECT_EQ(doc().currentPage, 3);
  EXPECT_EQ(pageShown(w), kScannedWidth);
  EXPECT_TRUE(doc().docModified);
  EXPECT_FALSE(doc().pageModified);
  EXPECT_EQ(doc().path, path);
}

TEST_F(ScanTest, ScanInsertPutsThePagesBehindTheCurrentOneAndMovesTheRestWithTheirAnnotations) {
  const QString path = file(QStringLiteral("four.tif"), {{30, 20, 0xFF}, {40, 20, 0xFF}, {50, 20, 0xFF}, {60, 20, 0xFF}}, 4);
  for (int pages : {1, 3}) {
    SCOPED_TRACE(pages);
    frmImgClntForm* w = scanner(pages == 1 ? "test:0 - Flatbed" : "test:0 - Automatic Document Feeder");
    w->fnOpenImgFile(path);
    w->ixTmb_Click(1);
    ws::document().state().pages.setLayer(2, marker);
    if (pages > 1) feederPages(w, pages);
    ws::mnuScanInsert_Click(*w);
    std::vector<int> expected = {30, 40};
    expected.insert(expected.end(), static_cast<std::size_t>(pages), kScannedWidth);
    expected.insert(expected.end(), {50, 60});
    EXPECT_EQ(widths(w), expected);
    QStringList renumbered;
    for (int i = 1; i <= 4 + pages; ++i) renumbered << QStringLiteral("Page %1").arg(i);
    EXPECT_EQ(captions(w), renumbered);
    EXPECT_EQ(doc().currentPage, 1 + pages);
    EXPECT_EQ(selected(w), std::vector<int>({1 + pages}));
    EXPECT_EQ(pageShown(w), kScannedWidth);
    ASSERT_EQ(pageCount(), 4 + pages);
    EXPECT_EQ(mainwindowtest::pages().layer(2 + pages), marker);
    for (int i = 2; i < 2 + pages; ++i) EXPECT_TRUE(mainwindowtest::pages().layer(i).isEmpty());
    bool ok = false;
    w->fnCloseFile(true, ok);
    unloadNow();
  }
}

TEST_F(ScanTest, RescanPageReplacesThePictureAndDropsItsAnnotations) {
  const QString path = file(QStringLiteral("three.tif"), kThreePages, 4);
  frmImgClntForm* w = scanner("test:0 - Flatbed");
  w->fnOpenImgFile(path);
  w->ixTmb_Click(1);
  ws::document().state().pages.setLayer(1, marker);
  ws::mnuScanPage_Click(*w);
  EXPECT_EQ(widths(w), std::vector<int>({30, kScannedWidth, 50}));
  EXPECT_EQ(captions(w), QStringList({"Page 1", "Page 2", "Page 3"}));
  EXPECT_TRUE(pages().layer(1).isEmpty());
  EXPECT_EQ(doc().currentPage, 1);
  EXPECT_EQ(pageShown(w), kScannedWidth);
  EXPECT_TRUE(doc().docModified);

  doc().currentPage = 3;
  dialogs.answerMsgBox(rt::vbOK);
  ws::mnuScanPage_Click(*w);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("Please select a valid page first!"));
  EXPECT_EQ(dialogs.calls()[0].style, rt::vbOKOnly);
  EXPECT_EQ(dialogs.calls()[0].title, QStringLiteral("Error"));
  EXPECT_EQ(widths(w), std::vector<int>({30, kScannedWidth, 50}));
}

TEST_F(ScanTest, TheScanAreaOfTheOptionsReachesTheDevice) {
  frmImgClntForm* w = scanner("test:0 - Flatbed");
  frmScanOptsForm* d = frmScanOpts.get();
  // The device's own area, in inches with two decimals: its 12.7 by 25.4 millimetres come back as
  // a hair under half an inch and one inch, which the two-decimal cut shows as 0.49 and 0.99.
  EXPECT_EQ(d->txtLeft->text(), QStringLiteral("0.00"));
  EXPECT_EQ(d->txtTop->text(), QStringLiteral("0.00"));
  EXPECT_EQ(d->txtRight->text(), QStringLiteral("0.49"));
  EXPECT_EQ(d->txtBottom->text(), QStringLiteral("0.99"));
  d->txtLeft->setText(QStringLiteral("0.5"));
  d->txtRight->setText(QStringLiteral("1.5"));
  d->txtBottom->setText(QStringLiteral(" 0.5 "));
  d->cmdOK_Click();
  EXPECT_FALSE(frmScanOpts.IsLoaded());
  float l, t, r, b;
  w->twnMain->GetScanArea(l, t, r, b);
  EXPECT_FLOAT_EQ(l, 0.5f);
  EXPECT_FLOAT_EQ(b, 0.5f);
  ws::mnuScanNew_Click(*w);
  EXPECT_NEAR(pageWidth(0), 50, 1);
  EXPECT_NEAR(mainwindowtest::pages().picture(0).height(), 25, 1);
}

TEST_F(ScanTest, WithoutAScannerTheCommandsEndQuietly) {
  setScanners(false);
  frmImgClntForm* w = window();
  w->twnMain->setShowProgress(false);
  EXPECT_FALSE(w->mnuScanner->menuAction()->isEnabled());
  ws::mnuScanNew_Click(*w);
  ws::mnuScanSelect_Click(*w);
  EXPECT_TRUE(dialogs.calls().empty());
  EXPECT_FALSE(w->ixMain->hasImage());
}

// ---- The scan-area dialog ------------------------------------------------------------------------

TEST(ScanArea, ValuesAreShownWithTwoDecimalsCutNotRounded) {
  struct Case {
    float value;
    const char* shown;
  } cases[] = {{1.5f, "1.50"}, {2.0f, "2.00"}, {3.456f, "3.45"}, {0.0f, "0.00"}, {8.5f, "8.50"}, {11.69f, "11.69"},
               {0.999f, "0.99"}};
  for (const Case& c : cases) EXPECT_EQ(scanArea::fnTwoDecimals(c.value), QString::fromLatin1(c.shown)) << c.value;
  EXPECT_EQ(scanArea::fnTwoDecimalsText(QStringLiteral(" 4. ")), QStringLiteral("4.00"));
}

TEST(ScanArea, EachBoxIsCheckedWhenItIsLeft) {
  using scanArea::Box;
  struct Case {
    Box box;
    std::array<const char*, 4> texts;  // left, top, right, bottom
    const char* message;               // "" passes
  } cases[] = {
      {Box::Left, {"", "1", "2", "3"}, ""},
      {Box::Left, {"abc", "1", "2", "3"}, "Scan Area values must be numeric!"},
      {Box::Left, {"-1", "1", "2", "3"}, "Scan Area (Left) must be equal or greater than 0!"},
      {Box::Top, {"0", "-0.5", "2", "3"}, "Scan Area (Top) must be equal or greater than 0!"},
      {Box::Right, {"0", "0", "-2", "3"}, "Scan Area (Right) must be equal or greater than 0!"},
      {Box::Bottom, {"0", "0", "2", "-3"}, "Scan Area (Bottom) must be equal or greater than 0!"},
      {Box::Left, {"3", "0", "2", "3"}, "Scan Area (Left) must be less than Scan Area (Right)!"},
      {Box::Right, {"3", "0", "2", "3"}, "Scan Area (Right) must be greater than Scan Area (Left)!"},
      {Box::Top, {"0", "4", "2", "3"}, "Scan Area (Top) must be less than Scan Area (Bottom)!"},
      {Box::Bottom, {"0", "4", "2", "3"}, "Scan Area (Bottom) must be greater than Scan Area (Top)!"},
      {Box::Left, {"2", "0", "2", "3"}, ""},   // equal passes
      {Box::Left, {"5", "0", "", "3"}, ""},    // nothing to compare with yet
      {Box::Left, {"5", "0", "x", "3"}, ""},
      {Box::Top, {"0", " 1.5 ", "2", "3"}, ""},
  };
  for (const Case& c : cases) {
    std::array<QString, 4> texts;
    for (int i = 0; i < 4; ++i) texts[static_cast<std::size_t>(i)] = QString::fromLatin1(c.texts[static_cast<std::size_t>(i)]);
    const std::optional<QString> m = scanArea::fnValidate(c.box, texts);
    EXPECT_EQ(m.value_or(QString()), QString::fromLatin1(c.message)) << c.texts[0] << " " << c.texts[1] << " " << c.texts[2]
                                                                     << " " << c.texts[3];
  }
}

TEST_F(ScanTest, TheDialogKeepsTheFocusInABadBoxAndOKNeedsEveryBox) {
  frmImgClntForm* w = scanner("test:0 - Flatbed");
  frmScanOptsForm* d = frmScanOpts.get();
  EXPECT_EQ(d->Caption(), QStringLiteral("   Scanner Options"));
  EXPECT_EQ(d->lblInfo->text(), QStringLiteral("Enter Scan Area In Inches :"));
  EXPECT_TRUE(d->cmdOK->isEnabled());
  d->txtTop->setText(QStringLiteral("  "));
  EXPECT_FALSE(d->cmdOK->isEnabled());
  d->txtTop->setText(QStringLiteral(" -1 "));
  EXPECT_TRUE(d->cmdOK->isEnabled());
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(d->txt_Validate(scanArea::Top));
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Scan Area (Top) must be equal or greater than 0!"));
  EXPECT_EQ(dialogs.calls().back().style, rt::vbExclamation);
  EXPECT_EQ(d->txtTop->text(), QStringLiteral("-1"));
  EXPECT_EQ(d->txtTop->selectedText(), QStringLiteral("-1"));
  // OK refuses the same way and sets nothing.
  dialogs.answerMsgBox(rt::vbOK);
  d->cmdOK_Click();
  EXPECT_TRUE(frmScanOpts.IsLoaded());
  float l, t, r, b;
  d->cmdCancel_Click();
  EXPECT_FALSE(frmScanOpts.IsLoaded());
  w->twnMain->GetScanArea(l, t, r, b);
  EXPECT_FLOAT_EQ(t, 0.0f);
  EXPECT_NEAR(r, 0.5f, 0.001);
}

// ---- Start-up scanner check -----------------------------------------------------------------------

// Holds every scanner check until released (at most ten seconds), then lets it run or fail with
// the given error.
class HeldScannerCheck {
 public:
  explicit HeldScannerCheck(std::optional<rt::RuntimeError> failure = std::nullopt) {
    ScanningControl::setSourceCheckHook([f = released_.get_future().share(), failure] {
      f.wait_for(std::chrono::seconds(10));
      if (failure) throw *failure;
    });
  }
  ~HeldScannerCheck() {
    release();
    ScanningControl::setSourceCheckHook(nullptr);
  }
  // Safe from any thread.
  void release() {
    std::call_once(once_, [this] { released_.set_value(); });
  }

 private:
  std::promise<void> released_;
  std::once_flag once_;
};

TEST_F(ScanTest, TheWindowShowsBeforeTheScannerCheckAnswersAndTheScanCommandsFollowTheAnswer) {
  for (const bool present : {true, false}) {
    SCOPED_TRACE(present ? "scanner" : "no scanner");
    setScanners(present);
    HeldScannerCheck held;
    frmImgClntForm* w = frmImgClnt.get();
    w->Show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->twnMain->IsCheckingSources());
    EXPECT_FALSE(enabled(w->Menu("mnuScanNew")));
    EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scannew")));
    // A document opened while the check runs keeps its state when the answer arrives.
    w->fnOpenImgFile(file(QStringLiteral("two.tif"), {{8, 8, 0}, {9, 9, 0}}, 4));
    EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scanappend")));
    held.release();
    waitForScannerCheck(w);
    EXPECT_EQ(doc().scannerPresent, present);
    for (const char* menu : {"mnuScanNew", "mnuScanSelect", "mnuScanOpt", "mnuScanAppend", "mnuScanInsert"})
      EXPECT_EQ(enabled(w->Menu(menu)), present) << menu;
    EXPECT_EQ(enabled(w->Button(w->tbrScan, "scannew")), present);
    EXPECT_EQ(enabled(w->Button(w->tbrScan, "scanappend")), present);
    EXPECT_EQ(doc().path, dir.file(QStringLiteral("two.tif")));
    EXPECT_TRUE(dialogs.calls().empty());
    w->mnuFileClose_Click();
    EXPECT_EQ(enabled(w->Menu("mnuScanNew")), present);
    EXPECT_FALSE(enabled(w->Menu("mnuScanAppend")));
    ASSERT_TRUE(unloadNow());
  }
}

TEST_F(ScanTest, AFailedScannerCheckIsReportedWhenItAnswers) {
  const QString source = QString::fromLatin1(ScanningControl::kSourceId);
  struct Case {
    rt::RuntimeError failure;
    bool shown;
  } cases[] = {
      {rt::RuntimeError(ScanningControl::kErrNoSource, QStringLiteral("No source"), source), false},
      {rt::RuntimeError(7, QStringLiteral("The scanner service is not running"), QStringLiteral("Lumivex")), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure.Description().toStdString());
    HeldScannerCheck held(c.failure);
    const std::size_t before = dialogs.calls().size();
    frmImgClntForm* w = frmImgClnt.get();
    w->Show();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.calls().size(), before) << "nothing is reported before the answer";
    if (c.shown) dialogs.answerMsgBox(rt::vbOK);
    held.release();
    waitForScannerCheck(w);
    if (c.shown) {
      ASSERT_EQ(dialogs.calls().size(), before + 1);
      EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
      EXPECT_EQ(dialogs.calls().back().text, c.failure.Description());
    } else {
      EXPECT_EQ(dialogs.calls().size(), before);
    }
    EXPECT_FALSE(doc().scannerPresent);
    EXPECT_FALSE(enabled(w->Menu("mnuScanNew")));
    ASSERT_TRUE(unloadNow());
  }
}

TEST_F(ScanTest, ClosingTheWindowBeforeTheScannerCheckAnswersIsSafe) {
  {
    HeldScannerCheck held;
    frmImgClntForm* w = frmImgClnt.get();
    w->Show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(w->twnMain->IsCheckingSources());
    std::thread releaser([&held] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      held.release();
    });
    EXPECT_TRUE(unloadNow());
    releaser.join();
    // The answer of the closed window goes nowhere.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(dialogs.calls().empty());
  }
  // The next window checks afresh and can scan.
  frmImgClntForm* w = scanner("test:0 - Flatbed");
  EXPECT_TRUE(enabled(w->Menu("mnuScanNew")));
  ws::mnuScanNew_Click(*w);
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - New File"));
}

}  // namespace
