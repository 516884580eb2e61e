// Pictures of the effect and colour depth dialogs for the documentation: run only when
// LUMIVEX_SCREENSHOTS names a folder (scripts/screenshots.sh).
#include "imagetools/frm_i_level.h"
#include "imagetools/frm_img_col_dep.h"
#include "imagetools/frm_img_col_rep.h"
#include "imagetools/frm_img_col_sep.h"
#include "imagetools/frm_img_new.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/frm_img_size.h"
#include "tests/imagetools/tool_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
#include <QPixmap>
#include <QSlider>
#include <QTest>
#include <QThread>

namespace {

using namespace tooltest;

img::Bitmap scene() {
  img::Bitmap b(320, 240, 24);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const bool ring = std::abs(std::hypot(x - 160, y - 120) - 70) < 12;
      b.setIndex(x, y, ring ? qRgb(250, 220, 40) : qRgb(x * 255 / 320, y * 255 / 240, 255 - x * 200 / 320));
    }
  return b;
}

void settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
}

class Screenshots : public ToolTest {};

TEST_F(Screenshots, EffectAndColourDepthDialogs) {
  const QString dir = qEnvironmentVariable("LUMIVEX_SCREENSHOTS");
  if (dir.isEmpty()) GTEST_SKIP() << "LUMIVEX_SCREENSHOTS not set";
  page->setBitmap(scene());
  modVars::gstrImgOperation = QStringLiteral("SWIRL");
  frmImgProcForm* p = frmImgProc.get();
  p->Show();
  p->sldSel[0]->setValue(240);
  settle();
  EXPECT_TRUE(p->grab().save(QDir(dir).filePath(QStringLiteral("effect-dialog.png"))));
  frmImgProc.Unload();
  modVars::gstrImgOperation = QStringLiteral("MOSIAC");
  p = frmImgProc.get();
  p->Show();
  p->sldSel[0]->setValue(12);
  settle();
  EXPECT_TRUE(p->grab().save(QDir(dir).filePath(QStringLiteral("effect-mosaic.png"))));
  frmImgProc.Unload();
  frmImgColDepForm* d = frmImgColDep.get();
  d->Show();
  d->cmbBitsPixel->setCurrentIndex(1);
  d->cmbPalette->setCurrentIndex(0);
  d->cmbDither->setCurrentIndex(1);
  settle();
  EXPECT_TRUE(d->grab().save(QDir(dir).filePath(QStringLiteral("colour-depth-dialog.png"))));
  frmImgColDep.Unload();
}

// The other tool dialogs, for a look at their layout.
TEST_F(Screenshots, OtherToolDialogs) {
  const QString dir = qEnvironmentVariable("LUMIVEX_SCREENSHOTS");
  if (dir.isEmpty()) GTEST_SKIP() << "LUMIVEX_SCREENSHOTS not set";
  page->setBitmap(scene());
  auto shoot = [&](rt::Form* f, const char* name) {
    settle();
    EXPECT_TRUE(f->grab().save(QDir(dir).filePath(QLatin1String(name))));
  };
  frmImgColSepForm* sep = frmImgColSep.get();
  sep->Show();
  sep->cmbSepType->setCurrentIndex(3);
  sep->ixC_Click(1);
  // Tab from the list: the original's viewer has the focus, and its mark shows it.
  sep->cmbSepType->setFocus();
  QTest::keyClick(sep->cmbSepType, Qt::Key_Tab);
  shoot(sep, "colour-separation.png");
  frmImgColSep.Unload();
  frmImgColRepForm* rep = frmImgColRep.get();
  rep->Show();
  rep->To.sld[0]->setValue(200);
  rep->With.sld[2]->setValue(255);
  rep->cmdPreview->click();
  shoot(rep, "colour-replacement.png");
  frmImgColRep.Unload();
  modVars::gstrImgOperation = QStringLiteral("RESIZE");
  frmImgSizeForm* size = frmImgSize.get();
  size->Show();
  shoot(size, "crop-resize.png");
  frmImgSize.Unload();
  frmImgNewForm* nw = frmImgNew.get();
  nw->Show();
  shoot(nw, "new-image.png");
  frmImgNew.Unload();
  frmILevelForm* lv = frmILevel.get();
  lv->Show();
  lv->cmbChannels->setCurrentIndex(0);
  shoot(lv, "intensity-levels.png");
  frmILevel.Unload();
}

}  // namespace
