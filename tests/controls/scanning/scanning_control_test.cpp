// Runs the scanning control against SANE's test backend, configured in a folder of the test's own.
#include "controls/imaging/bitmap.h"
#include "controls/scanning/scanning_control.h"
#include "runtime/errors.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

class ScanningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write("dll.conf", "test\n");
    write("test.conf",
          "number_of_devices 2\nmode Gray\ndepth 8\nresolution 50.0\ntest-picture \"Solid white\"\n"
          "geometry_min 0.0\ngeometry_max 200.0\ngeometry_quant 1.0\ntl_x 0.0\ntl_y 0.0\nbr_x 25.4\nbr_y 50.8\n");
    qputenv("SANE_CONFIG_DIR", dir.path().toLocal8Bit());
    // The scanner library unloads its backend on exit; kept loaded, a leak report can name it.
    static void* const backend = dlopen(SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
    (void)backend;
  }
  void write(const QString& name, const QByteArray& text) {
    QFile f(dir.file(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  testsupport::TempDir dir;
};

TEST_F(ScanningTest, CountsSourcesAndScansAPage) {
  ScanningControl twn;
  twn.OpenSourceManager();
  EXPECT_EQ(twn.SourceCount(), 2);
  twn.setSourceChooser([](const QStringList& list, const QString&) { return list.back(); });
  twn.SelectSource();
  EXPECT_EQ(twn.CurrentSource(), "test:1");

  twn.SetScanArea(0, 0, 0.5f, 1.0f);
  float l = -1, t = -1, r = -1, b = -1;
  twn.GetScanArea(l, t, r, b);
  EXPECT_FLOAT_EQ(r, 0.5f);
  EXPECT_FLOAT_EQ(b, 1.0f);

  int pages = 0;
  img::Bitmap page;
  QObject::connect(&twn, &ScanningControl::ImageAcquired, [&] {
    ++pages;
    plat::HGLOBAL h = twn.AcquiredImage();
    ASSERT_NE(h, nullptr);
    page = img::fromDibHandle(h);
    plat::GlobalFree(h);
  });
  twn.Acquire();
  EXPECT_EQ(pages, 1);
  // Half an inch by one inch at 50 dpi, 8-bit grey, white.
  EXPECT_NEAR(page.width(), 25, 1);
  EXPECT_NEAR(page.height(), 50, 1);
  EXPECT_EQ(page.bitsPerPixel(), 8);
  EXPECT_EQ(page.pixel(3, 3), qRgb(255, 255, 255));
}

TEST_F(ScanningTest, NoSourceRaisesTheQuietError) {
  write("dll.conf", "\n");
  ScanningControl twn;
  twn.OpenSourceManager();
  EXPECT_EQ(twn.SourceCount(), 0);
  try {
    twn.Acquire();
    ADD_FAILURE() << "no error";
  } catch (const rt::RuntimeError& e) {
    EXPECT_EQ(e.Number(), ScanningControl::kErrNoSource);
    EXPECT_EQ(e.Source(), ScanningControl::kSourceId);
  }
}

TEST_F(ScanningTest, AnInvalidScanAreaIsRefused) {
  ScanningControl twn;
  EXPECT_THROW(twn.SetScanArea(2, 0, 1, 1), rt::RuntimeError);
  EXPECT_EQ(twn.ErrorCode(), 1);
}

}  // namespace
