// Pictures of the settings dialogs for the documentation, taken with Qt's own grab when
// LUMIVEX_SCREENSHOTS names a folder (scripts/screenshots.sh); skipped otherwise.
#include "tests/support/main_window_fixture.h"
#include "tests/support/screenshots.h"
#include "workspace/settings/frm_about.h"
#include "workspace/settings/frm_ext_assoc.h"
#include "workspace/settings/frm_img_prop.h"
#include "workspace/settings/frm_img_sv_settings.h"
#include "workspace/settings/frm_scan_opts.h"

#include <QComboBox>
#include <QTest>

namespace {

using namespace mainwindowtest;

class Screenshots : public MainWindowTest {
 protected:
  void SetUp() override {
    if (!testsupport::screenshotsWanted()) GTEST_SKIP() << "LUMIVEX_SCREENSHOTS is not set";
    MainWindowTest::SetUp();
    setScanners(true);
  }
  static void save(QWidget* w, const char* name) { testsupport::saveScreenshot(w, name); }
};

TEST_F(Screenshots, SettingsDialogs) {
  frmImgClntForm* w = window();
  std::vector<Page> pages;
  for (int i = 0; i < 3; ++i) pages.push_back({640, 480, 0x00A06030u + static_cast<uint32_t>(i) * 0x202020u});
  w->fnOpenImgFile(file(QStringLiteral("scan.tif"), pages, 4));
  w->resize(1000, 700);
  // The thumbnails are made on worker threads: the picture waits for them.
  EXPECT_TRUE(QTest::qWaitFor([w] { return w->StatusPanel(QStringLiteral("BODY")).isEmpty(); }, 2000));
  save(w, "main-window.png");

  frmScanOptsForm* opts = frmScanOpts.get();
  save(opts, "scan-options.png");
  opts->Unload();

  frmImgSvSettingsForm::setRole(QStringLiteral("Convert"));
  frmImgSvSettingsForm* convert = frmImgSvSettings.get();
  convert->cmbFormat->setCurrentIndex(convert->cmbFormat->findText(QStringLiteral("8  JPG, JIF Compliant JPEG")));
  convert->cmbFormat_Click();
  save(convert, "convert.png");
  convert->Unload();

  doc().popupPage = 1;
  frmImgPropForm* prop = frmImgProp.get();
  prop->fnShowProperties();
  save(prop, "properties.png");
  prop->Unload();

  frmExtAssocForm* assoc = frmExtAssoc.get();
  save(assoc, "file-associations.png");
  assoc->Unload();

  frmAboutForm* about = frmAbout.get();
  save(about, "about.png");
  about->Unload();
}

}  // namespace
