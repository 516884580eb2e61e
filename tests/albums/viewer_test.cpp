#include "albums/frm_full_screen.h"
#include "albums/frm_slide_show.h"
#include "albums/viewer_rules.h"
#include "controls/imaging/imaging_control.h"
#include "tests/albums/album_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/mod_vars.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace albums;
using testsupport::doc;

TEST(FitRule, SizesAndPlacesThePage) {
  struct Case {
    double W, H;
    int w, h;
    bool limit;
    QRectF want;
  };
  const Case cases[] = {
      // Wide page fills the width less 100; centred in the area below 400.
      {15000, 12000, 200, 100, false, {50, 400 + (11550 - 7450) / 2.0, 14900, 7450}},
      // Square is treated as wide.
      {15000, 12000, 100, 100, false, {50 + (14900 - 11550) / 2.0, 400, 11550, 11550}},
      // Tall page takes the height less 450.
      {15000, 12000, 100, 200, false, {50 + (14900 - 5775) / 2.0, 400, 5775, 11550}},
      // Tall page on a window taller than wide: too wide after the full height, so the width is W - 100.
      {3000, 12000, 100, 150, false, {50, 400 + (11550 - 4350) / 2.0, 2900, 4350}},
      // Limited zoom: a small page keeps its own size (15 twips a pixel), centred.
      {15000, 12000, 100, 50, true, {50 + (14900 - 1500) / 2.0, 400 + (11550 - 750) / 2.0, 1500, 750}},
      // Slightly smaller than the whole window: own size, overlapping the margins.
      {15000, 12000, 999, 700, true, {50 + (14900 - 14985) / 2.0, 400 + (11550 - 10500) / 2.0, 14985, 10500}},
  };
  for (const Case& c : cases) {
    const QRectF r = fitPage(c.W, c.H, c.w, c.h, 15, 15, c.limit);
    EXPECT_NEAR(r.left(), c.want.left(), 1e-6) << c.w << "x" << c.h;
    EXPECT_NEAR(r.top(), c.want.top(), 1e-6) << c.w << "x" << c.h;
    EXPECT_NEAR(r.width(), c.want.width(), 1e-6) << c.w << "x" << c.h;
    EXPECT_NEAR(r.height(), c.want.height(), 1e-6) << c.w << "x" << c.h;
  }
}

TEST(ViewerKeys, HelpTextsAndKeys) {
  EXPECT_EQ(fullScreenHelp(false, 1), "'L' to Limit zoom to 100%;  ESC to exit");
  EXPECT_EQ(fullScreenHelp(true, 3), "'M' to Maximize zoom;  'Arrows' to navigate;  ESC to exit");
  EXPECT_EQ(viewerKey(Qt::Key_Enter), ViewerKey::Forward);
  EXPECT_EQ(viewerKey(Qt::Key_PageUp), ViewerKey::Back);
  EXPECT_EQ(viewerKey(Qt::Key_P), ViewerKey::Pause);
  EXPECT_EQ(viewerKey(Qt::Key_X), ViewerKey::None);
}

TEST(SlideSequenceRules, ManualMovesWithAndWithoutLoop) {
  SlideSequence one(1, true, false);
  EXPECT_EQ(one.start(), 0);
  EXPECT_EQ(one.key(ViewerKey::Forward), 0);  // loop: the same slide again
  SlideSequence noLoop(3, false, false);
  noLoop.start();
  EXPECT_EQ(noLoop.key(ViewerKey::Back), -1);
  EXPECT_EQ(noLoop.key(ViewerKey::Forward), 1);
  EXPECT_EQ(noLoop.key(ViewerKey::Forward), 2);
  EXPECT_EQ(noLoop.key(ViewerKey::Forward), -1);
  EXPECT_EQ(noLoop.key(ViewerKey::Pause), -1);
  EXPECT_EQ(noLoop.help(), kSlideManualHelp);
  SlideSequence loop(3, true, false);
  loop.start();
  EXPECT_EQ(loop.key(ViewerKey::Back), 2);
  EXPECT_EQ(SlideSequence(0, true, false).start(), -1);
}

TEST(SlideSequenceRules, AutomaticTicksPauseAndContinue) {
  SlideSequence s(2, false, true);
  s.start();
  s.shown(true);
  EXPECT_TRUE(s.timerEnabled());
  EXPECT_EQ(s.key(ViewerKey::Forward), -1);  // movement keys do nothing
  EXPECT_EQ(s.key(ViewerKey::Continue), -1);  // C while running does nothing
  EXPECT_EQ(s.help(), kSlideRunningHelp);
  EXPECT_EQ(s.tick(), 1);
  EXPECT_EQ(s.tick(), -1);  // the last slide stays; the timer stops
  EXPECT_FALSE(s.timerEnabled());
  s.key(ViewerKey::Pause);
  EXPECT_EQ(s.help(), kSlidePausedHelp);
  s.key(ViewerKey::Continue);
  EXPECT_TRUE(s.timerEnabled());
  EXPECT_EQ(s.tick(), -1);
  EXPECT_FALSE(s.timerEnabled());
  SlideSequence looped(2, true, true);
  looped.start();
  looped.tick();
  EXPECT_EQ(looped.tick(), 0);
}

namespace {

class SlideShowWindow : public testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      paths << dir.file(QStringLiteral("s%1.png").arg(i));
      albumtest::writePicture(paths.last(), 40 + i * 10, 30, 10);
    }
    using namespace modVars;
    gstrSlidePaths = paths;
    gintSlidePages = {1, 1, 1};
    gintSlideCount = 3;
    gstrSlideMode = "MANUAL";
    gintSlideInterval = 20;
    gblnSlideLoop = false;
    gblnSlideShowPath = true;
    gblnSlideLimitZoom = false;
  }
  void TearDown() override {
    if (frmSlideShow.IsLoaded()) frmSlideShow.Unload();
  }
  // Shows the slide show modally; steps run inside its loop, then it is left.
  void run(const std::function<void(frmSlideShowForm*)>& steps) {
    QTimer::singleShot(0, [steps] {
      frmSlideShowForm* w = frmSlideShow.get();
      steps(w);
      if (frmSlideShow.IsLoaded()) w->Unload();
    });
    frmSlideShow->Show(rt::vbModal);
  }
  static void release(QWidget* w, int key, bool autoRepeat = false, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyRelease, key, mods, QString(), autoRepeat);
    QCoreApplication::sendEvent(w, &e);
  }
  testsupport::TempDir dir;
  QStringList paths;
};

}  // namespace

TEST_F(SlideShowWindow, ManualKeysAutoRepeatAndPathLabel) {
  run([this](frmSlideShowForm* w) {
    EXPECT_EQ(w->mintSlideIndex, 0);
    EXPECT_EQ(w->lblPath->text(), paths[0].toUpper());
    EXPECT_EQ(w->lblInfo->text(), "'ESC' to exit");
    EXPECT_TRUE(w->ixSS->isVisible());
    // A held key: its repeated releases do nothing, the real one moves once.
    release(w, Qt::Key_Right, true);
    release(w, Qt::Key_Right, true);
    EXPECT_EQ(w->mintSlideIndex, 0);
    release(w, Qt::Key_Right);
    EXPECT_EQ(w->mintSlideIndex, 1);
    release(w, Qt::Key_P);  // nothing in manual mode
    release(w, Qt::Key_End);
    release(w, Qt::Key_Down);
    release(w, Qt::Key_Down);  // no loop: stays on the last
    EXPECT_EQ(w->mintSlideIndex, 2);
    EXPECT_EQ(w->ixSS->ImageWidth(), 60);
    release(w, Qt::Key_Escape);
    EXPECT_FALSE(frmSlideShow.IsLoaded());
  });
}

TEST_F(SlideShowWindow, AutomaticTimerPausesWithLowerCasePAndStopsOnTheLastSlide) {
  modVars::gstrSlideMode = "AUTO";
  run([](frmSlideShowForm* w) {
    EXPECT_EQ(w->lblInfo->text(), "'P' to pause; 'ESC' to exit");
    EXPECT_TRUE(w->tmrInt->isActive());
    EXPECT_EQ(w->tmrInt->interval(), 20);
    release(w, Qt::Key_P, false, Qt::NoModifier);  // the letter whatever the shift state
    EXPECT_FALSE(w->tmrInt->isActive());
    EXPECT_EQ(w->lblInfo->text(), "'C' to continue; 'ESC' to exit");
    QTest::qWait(60);
    EXPECT_EQ(w->mintSlideIndex, 0);
    release(w, Qt::Key_C);
    EXPECT_TRUE(QTest::qWaitFor([w] { return !w->tmrInt->isActive(); }, 2000));
    EXPECT_EQ(w->mintSlideIndex, 2);
    EXPECT_EQ(w->lblInfo->text(), "'P' to pause; 'ESC' to exit");
  });
}

TEST_F(SlideShowWindow, UnreadableSlideShowsTheErrorAndMouseReleaseCloses) {
  modVars::gstrSlidePaths[1] = dir.file("missing.png");
  run([this](frmSlideShowForm* w) {
    release(w, Qt::Key_Right);
    EXPECT_EQ(w->lblPath->text(), "Error encountered for file " + dir.file("missing.png").toUpper());
    EXPECT_FALSE(w->ixSS->isVisible());
    QTest::mouseRelease(w, Qt::LeftButton);
    EXPECT_FALSE(frmSlideShow.IsLoaded());
  });
}

TEST_F(SlideShowWindow, NoSlidesClosesAtOnce) {
  modVars::gintSlideCount = 0;
  frmSlideShow->Show(rt::vbModal);
  EXPECT_FALSE(frmSlideShow.IsLoaded());
}

namespace {
class FullScreenWindow : public mainwindowtest::MainWindowTest {};
}  // namespace

TEST_F(FullScreenWindow, PagesKeysZoomAndReturnToTheLastPage) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file("three.tif", mainwindowtest::kThreePages, 4));
  w->ixTmb_Click(2);
  QTimer::singleShot(0, [] {
    frmFullScreenForm* fs = frmFullScreen.get();
    EXPECT_EQ(fs->mintPageIndex, 2);
    EXPECT_EQ(fs->mintDocPageCount, 3);
    EXPECT_EQ(fs->ixFS->ImageWidth(), 50);
    EXPECT_EQ(fs->lblMsg->text(), "'L' to Limit zoom to 100%;  'Arrows' to navigate;  ESC to exit");
    const int fitted = fs->ixFS->width();
    auto release = [fs](int key) {
      QKeyEvent e(QEvent::KeyRelease, key, Qt::NoModifier);
      QCoreApplication::sendEvent(fs, &e);
    };
    release(Qt::Key_Right);  // the last page: nothing
    EXPECT_EQ(fs->mintPageIndex, 2);
    release(Qt::Key_L);
    EXPECT_LT(fs->ixFS->width(), fitted);
    EXPECT_EQ(fs->lblMsg->text(), "'M' to Maximize zoom;  'Arrows' to navigate;  ESC to exit");
    release(Qt::Key_M);
    EXPECT_EQ(fs->ixFS->width(), fitted);
    release(Qt::Key_Left);
    release(Qt::Key_PageUp);
    EXPECT_EQ(fs->mintPageIndex, 0);
    EXPECT_EQ(fs->ixFS->ImageWidth(), 30);
    release(Qt::Key_Down);
    release(Qt::Key_Escape);
  });
  frmFullScreen->Show(rt::vbModal, w);
  EXPECT_FALSE(frmFullScreen.IsLoaded());
  EXPECT_EQ(doc().currentPage, 1);
}
