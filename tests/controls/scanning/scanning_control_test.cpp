// Runs the scanning control against SANE's test backend, configured in a folder of the test's own.
#include "controls/imaging/bitmap.h"
#include "controls/scanning/scanning_control.h"
#include "runtime/errors.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QFile>
#include <QProgressDialog>
#include <gtest/gtest.h>

namespace {

class ScanningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write("dll.conf", "test\n");
    // Two devices, 8-bit grey at 50 dpi, white pages one inch by two.
    write("test.conf",
          "number_of_devices 2\nmode Gray\ndepth 8\nresolution 50.0\ntest-picture \"Solid white\"\n"
          "geometry_min 0.0\ngeometry_max 200.0\ngeometry_quant 1.0\ntl_x 0.0\ntl_y 0.0\nbr_x 25.4\nbr_y 50.8\n");
    qputenv("SANE_CONFIG_DIR", dir().path().toLocal8Bit());
    twn.setShowProgress(false);
    QObject::connect(&twn, &ScanningControl::ImageAcquired, [this] {
      plat::HGLOBAL h = twn.AcquiredImage();
      ASSERT_NE(h, nullptr);
      pages.push_back(img::fromDibHandle(h));
      plat::GlobalFree(h);
      if (onPage) onPage();
    });
  }
  void write(const QString& name, const QByteArray& text) {
    QFile f(QDir(dir().path()).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  void choose(const QString& item) {
    twn.setSourceChooser([item](const QStringList& list, const QString&) { return list.contains(item) ? item : QString(); });
    twn.SelectSource();
  }
  // The error an acquisition ended with; 0 when none.
  int acquire() {
    try {
      twn.Acquire();
    } catch (const rt::RuntimeError& e) {
      EXPECT_EQ(e.Source(), ScanningControl::kSourceId);
      return e.Number();
    }
    return 0;
  }
  // The scanner library looks its configuration folder up once per process: one folder serves
  // every test.
  static QTemporaryDir& dir() {
    static QTemporaryDir d;
    return d;
  }
  ScanningControl twn;
  std::vector<img::Bitmap> pages;
  std::function<void()> onPage;
};

TEST_F(ScanningTest, ThePickerOffersEveryDeviceWithItsSources) {
  twn.OpenSourceManager();
  EXPECT_EQ(twn.SourceCount(), 2);
  EXPECT_EQ(twn.SourceItems(), QStringList({"test:0 - Flatbed", "test:0 - Automatic Document Feeder",
                                            "test:1 - Flatbed", "test:1 - Automatic Document Feeder"}));
  choose(QStringLiteral("test:1 - Automatic Document Feeder"));
  EXPECT_EQ(twn.CurrentSource(), QStringLiteral("test:1"));
  EXPECT_EQ(twn.CurrentFeed(), QStringLiteral("Automatic Document Feeder"));
  // Cancelling the picker keeps the choice and ends quietly.
  twn.setSourceChooser([](const QStringList&, const QString&) { return QString(); });
  EXPECT_THROW(twn.SelectSource(), rt::RuntimeError);
  EXPECT_EQ(twn.CurrentSource(), QStringLiteral("test:1"));
}

TEST_F(ScanningTest, AFlatbedDeliversOnePageOfTheScanArea) {
  twn.OpenSourceManager();
  choose(QStringLiteral("test:0 - Flatbed"));
  // Half an inch by one inch, away from the corner: 25 by 50 pixels at 50 dpi.
  twn.SetScanArea(0.25f, 0.5f, 0.75f, 1.5f);
  float l = -1, t = -1, r = -1, b = -1;
  twn.GetScanArea(l, t, r, b);
  EXPECT_FLOAT_EQ(l, 0.25f);
  EXPECT_FLOAT_EQ(b, 1.5f);
  EXPECT_EQ(acquire(), 0);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].width(), 25, 1);
  EXPECT_NEAR(pages[0].height(), 50, 1);
  EXPECT_EQ(pages[0].bitsPerPixel(), 8);
  EXPECT_EQ(pages[0].pixel(3, 3), qRgb(255, 255, 255));
  EXPECT_DOUBLE_EQ(pages[0].resolutionX, 50);
}

TEST_F(ScanningTest, AFeederDeliversPagesUntilItIsEmptyEachWhileScanningGoesOn) {
  twn.OpenSourceManager();
  choose(QStringLiteral("test:0 - Automatic Document Feeder"));
  bool acquiringWhilePlaced = true;
  onPage = [&] { acquiringWhilePlaced = acquiringWhilePlaced && twn.IsAcquiring(); };
  EXPECT_EQ(acquire(), 0);
  EXPECT_GT(pages.size(), 1u);
  EXPECT_TRUE(acquiringWhilePlaced);
  EXPECT_FALSE(twn.IsAcquiring());
  EXPECT_NEAR(pages.back().height(), 100, 1);
}

TEST_F(ScanningTest, CancelStopsTheFeederQuietlyAndKeepsThePagesPlaced) {
  twn.OpenSourceManager();
  choose(QStringLiteral("test:0 - Automatic Document Feeder"));
  onPage = [&] {
    if (pages.size() == 2) twn.Cancel();
  };
  EXPECT_EQ(acquire(), ScanningControl::kErrNoSource);
  EXPECT_EQ(pages.size(), 2u);
  // The device is free again.
  onPage = nullptr;
  pages.clear();
  choose(QStringLiteral("test:0 - Flatbed"));
  EXPECT_EQ(acquire(), 0);
  EXPECT_EQ(pages.size(), 1u);
}

TEST_F(ScanningTest, ProgressShowsWhileAPageIsRead) {
  twn.OpenSourceManager();
  twn.setShowProgress(true);
  bool shown = false;
  onPage = [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible())
        shown = p->labelText().startsWith(QStringLiteral("Scanning page"));
  };
  EXPECT_EQ(acquire(), 0);
  EXPECT_TRUE(shown);
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(qobject_cast<QProgressDialog*>(w) && w->isVisible());
}

TEST_F(ScanningTest, NoSourceRaisesTheQuietError) {
  write("dll.conf", "\n");
  twn.OpenSourceManager();
  EXPECT_EQ(twn.SourceCount(), 0);
  EXPECT_EQ(acquire(), ScanningControl::kErrNoSource);
}

TEST_F(ScanningTest, AnInvalidScanAreaIsRefused) {
  EXPECT_THROW(twn.SetScanArea(2, 0, 1, 1), rt::RuntimeError);
  EXPECT_EQ(twn.ErrorCode(), 1);
}

}  // namespace
