// Pictures of the archive's dialogs for the documentation, taken when LUMIVEX_SCREENSHOTS names a
// folder (scripts/screenshots.sh); skipped otherwise.
#include "archive/frm_arch_ret_opt.h"
#include "archive/frm_arch_retrieve.h"
#include "archive/frm_login.h"
#include "archive/frm_password.h"
#include "tests/archive/archive_fixture.h"
#include "tests/support/screenshots.h"

#include <QLineEdit>
#include <QTreeWidget>

namespace archivetest {
namespace {

class Screenshots : public ArchiveTest {
 protected:
  void SetUp() override {
    if (!testsupport::screenshotsWanted()) GTEST_SKIP() << "LUMIVEX_SCREENSHOTS is not set";
    ArchiveTest::SetUp();
  }
  template <class T>
  static void shoot(rt::DefaultInstance<T>& instance, const char* name) {
    instance->Show();
    testsupport::saveScreenshot(instance.get(), name);
    instance.Unload();
  }
};

TEST_F(Screenshots, ArchiveDialogs) {
  frmLoginForm* login = frmLogin.get();
  login->txtLogin->setText(QStringLiteral("JOE"));
  login->txtRemoteHost->setText(QStringLiteral("127.0.0.1"));
  login->txtRetPort->setText(QStringLiteral("7001"));
  login->txtAchPort->setText(QStringLiteral("7002"));
  shoot(frmLogin, "archive-login.png");

  shoot(frmPassword, "archive-password.png");

  gstrParm1Caption = QStringLiteral("Customer");
  gstrParm2Caption = QStringLiteral("Date");
  frmArchRetrieve->txtAchID->setText(QStringLiteral("INVOICE7"));
  shoot(frmArchRetrieve, "archive-retrieve.png");

  frmArchRetOptForm* chooser = frmArchRetOpt.get();
  for (const char* id : {"INVOICE7", "INVOICE8"})
    chooser->lsvItem->addTopLevelItem(new QTreeWidgetItem(QStringList{id, "SMITH", "2026-11-02"}));
  shoot(frmArchRetOpt, "archive-choose.png");
}

}  // namespace
}  // namespace archivetest
