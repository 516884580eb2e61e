// The live preview of a large page makes the rows in view first: those rows are exactly the
// rows of the whole effect, and the rest follows while idle, or at once when a scroll or a zoom
// is about to show it.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "imagetools/effect_table.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/preview_runner.h"
#include "runtime/errors.h"
#include "tests/imagetools/tool_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>
#include <cstring>

namespace {

using namespace tooltest;
using img::Bitmap;

bool sameRows(const Bitmap& a, const Bitmap& b, int32_t first, int32_t last) {
  if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel()) return false;
  const std::size_t bytes = static_cast<std::size_t>(a.width()) * static_cast<std::size_t>(a.bitsPerPixel() / 8);
  for (int32_t y = first; y < last; ++y)
    if (std::memcmp(a.row(y), b.row(y), bytes) != 0) return false;
  return true;
}

// Every effect that can make some rows gives, band by band, the whole run's picture: for its
// start values and for every slider at its lowest and at its highest (a gamma below and above 1).
TEST(EffectRows, BandsEqualTheWholeRunForEveryEffectThatHasThem) {
  const Bitmap src = picture(41, 97);
  QStringList whole;
  for (const tools::Effect& e : tools::effectTable()) {
    if (!e.rows) {
      whole << e.word;
      continue;
    }
    std::vector<tools::EffectValues> sets(3);
    for (std::size_t i = 0; i < e.sliders.size(); ++i) {
      sets[0].s[i] = e.sliders[i].start;
      sets[1].s[i] = e.sliders[i].min;
      sets[2].s[i] = e.sliders[i].max;
    }
    if (!e.sliders.empty()) {
      sets.push_back(sets[2]);
      sets.back().s[0] = (e.sliders[0].min + e.sliders[0].max) / 2 + 1;
    }
    sets[1].gamma = 0.3f;
    sets[2].gamma = 4.5f;
    for (const tools::EffectValues& v : sets) {
      SCOPED_TRACE(QStringLiteral("%1 %2 %3 %4").arg(e.word).arg(v.s[0]).arg(v.s[1]).arg(v.s[2]).toStdString());
      Bitmap whole = src;
      e.run(whole, v);
      Bitmap byRows(src.width(), src.height(), 24);
      for (const auto& [f, l] : {std::pair{10, 11}, std::pair{0, 10}, std::pair{60, 97}, std::pair{11, 60}}) e.rows(src, byRows, f, l, v);
      EXPECT_TRUE(sameRows(byRows, whole, 0, src.height()));
    }
  }
  // Only the effects whose pixels depend on the whole picture (diffuse's neighbours, equalize's
  // histogram) or that change its depth (grey scale) make the whole preview every time.
  EXPECT_EQ(whole, (QStringList{"DIFFUSE", "EQUALIZE", "GRAYSCALE"}));
}

class RowsFirstPreview : public DialogTest<frmImgProcForm, frmImgProc> {
 protected:
  static constexpr int kW = 50, kH = 1200;
  frmImgProcForm* open(const char* word) {
    page->setBitmap(picture(kW, kH));
    modVars::gstrImgOperation = QLatin1String(word);
    frmImgProcForm* f = DialogTest::open();
    QCoreApplication::processEvents();
    f->preview->finish();
    return f;
  }
  static Bitmap swirled(int degrees) {
    Bitmap b = picture(kW, kH);
    img::swirl(b, degrees);
    return b;
  }
};

TEST_F(RowsFirstPreview, TheRowsInViewComeFirstAndTheRestWhileIdle) {
  frmImgProcForm* f = open("SWIRL");
  f->sldSel[0]->setValue(200);
  EXPECT_FALSE(f->preview->complete()) << "a tall page is made in view first";
  const auto [first, last] = tools::RowsFirstPreview::rowsInView(f->ixAfter);
  const int32_t shownTop = f->ixAfter->ViewOffsetY();
  EXPECT_LE(first, shownTop);
  EXPECT_GE(last, shownTop + static_cast<const QWidget*>(f->ixAfter)->height());
  EXPECT_LT(last - first, kH / 2);
  EXPECT_TRUE(sameRows(f->ixAfter->bitmap(), swirled(200), first, last));
  for (int i = 0; i < 1000 && !f->preview->complete(); ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(f->preview->complete());
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), swirled(200)));
}

TEST_F(RowsFirstPreview, AScrollOrAZoomMakesTheRestAtOnce) {
  frmImgProcForm* f = open("SWIRL");
  f->sldSel[0]->setValue(200);
  QCoreApplication::processEvents();  // some idle steps of the first value, then a new value
  f->sldSel[0]->setValue(330);
  ASSERT_FALSE(f->preview->complete());
  Q_EMIT f->ixAfter->Scroll();
  EXPECT_TRUE(f->preview->complete());
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), swirled(330)));

  f->sldSel[0]->setValue(45);
  ASSERT_FALSE(f->preview->complete());
  f->tlbBefore->findChild<QAction*>(QStringLiteral("out"))->trigger();
  EXPECT_TRUE(f->preview->complete());
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), swirled(45)));
}

TEST_F(RowsFirstPreview, ApplyGivesTheWholeEffectWhateverThePreviewHasMade) {
  frmImgProcForm* f = open("SOFTEN");
  f->sldSel[0]->setValue(9);
  ASSERT_FALSE(f->preview->complete());
  f->cmdApply->click();
  Bitmap want = picture(kW, kH);
  img::soften(want, 9);
  EXPECT_TRUE(samePicture(page->bitmap(), want));
}

TEST_F(RowsFirstPreview, EffectsThatNeedTheWholePictureAreMadeWhole) {
  frmImgProcForm* f = open("EQUALIZE");
  f->cmdDirect->click();
  EXPECT_TRUE(f->preview->complete());
  Bitmap want = picture(kW, kH);
  img::equalize(want);
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), want));
}

// A failure while the rest is made in the background is shown once, and nothing more is tried.
TEST_F(ToolTest, AFailedIdleStepIsShownAndEndsTheWork) {
  img::ImagingControl from, to;
  from.setBitmap(picture(50, 1200));
  to.replaceBitmap(picture(50, 1200));
  to.resize(90, 90);
  tools::RowsFirstPreview preview(&from, &to, nullptr);
  int calls = 0;
  preview.run([](Bitmap&) {}, [&](const Bitmap&, Bitmap&, int32_t, int32_t) {
    if (calls++ > 0) throw rt::RuntimeError(7, QStringLiteral("Out of memory"));
  });
  ASSERT_FALSE(preview.complete());
  dialogs.answerMsgBox(rt::vbOK);
  for (int i = 0; i < 100 && !preview.complete(); ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(preview.complete());
  EXPECT_EQ(calls, 2);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Out of memory"));
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
}

}  // namespace
