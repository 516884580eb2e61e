// The live preview of a large page makes the rows in view first: those rows are exactly the
// rows of the whole effect, and the rest follows while idle, or at once when a scroll or a zoom
// is about to show it.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "controls/imaging/pixel_ops.h"
#include "imagetools/effect_table.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/preview_runner.h"
#include "runtime/errors.h"
#include "tests/imagetools/tool_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
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

// Every effect gives, part by part, the whole run's picture: for its start values and for every
// slider at its lowest and at its highest (a gamma below and above 1). The parts are bands of rows
// and pieces of rows, in an odd order, some reaching past the edges; the picture is wider than most
// reaches, so a piece cut too narrow for its filter shows.
TEST(EffectRows, PartsEqualTheWholeRunForEveryEffect) {
  const Bitmap src = picture(141, 97);
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
      Bitmap byRows(src.width(), src.height(), e.madeDepth ? e.madeDepth : 24);
      for (const QRect& part : {QRect(0, 10, 141, 1), QRect(0, 0, 141, 10), QRect(37, 60, 200, 100), QRect(0, 60, 37, 37),
                                QRect(90, 11, 51, 49), QRect(0, 11, 5, 49), QRect(5, 11, 85, 49)}) {
        const QRect made = e.rows(src, byRows, part, v);
        EXPECT_TRUE(made.contains(part.intersected(QRect(0, 0, 141, 97))));
      }
      EXPECT_TRUE(sameRows(byRows, whole, 0, src.height()));
    }
  }
  // No effect makes the whole preview every time: diffuse's neighbours come from each pixel's
  // place, and grey scale writes its part into a grey picture.
  EXPECT_EQ(whole, QStringList());
}

class RowsFirstPreview : public DialogTest<frmImgProcForm, frmImgProc> {
 protected:
  static constexpr int kW = 50, kH = 1200;
  frmImgProcForm* open(const char* word, int w = kW, int h = kH) {
    page->setBitmap(picture(w, h));
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

// Whether the viewer paints what a fresh viewer of its size, zoom and position paints of its
// picture: a reduced view kept from an earlier picture would differ.
bool paintsItsPicture(img::ImagingControl* ix) {
  img::ImagingControl fresh;
  fresh.resize(ix->size());
  fresh.replaceBitmap(ix->bitmap());
  fresh.SetZoom(ix->ZoomFactor());
  fresh.setScrollPosX(ix->ScrollPosX());
  fresh.setScrollPosY(ix->ScrollPosY());
  // The picture's part of the view: the corner between the scroll bars is no one's to paint.
  const int sb = ix->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const QRect client(0, 0, ix->width() - sb, ix->height() - sb);
  return fresh.grab(client).toImage() == ix->grab(client).toImage();
}

// On a page wider and taller than the view, zoomed out, only the part in view is made first, and
// the reduced view is made again where the picture changed: it shows the new part in view and
// the old picture elsewhere, and the whole effect once the rest is made.
TEST_F(RowsFirstPreview, ThePartInViewComesFirstAndTheReducedViewFollowsEachPart) {
  constexpr int kSide = 1500;
  frmImgProcForm* f = open("ADJHSL", kSide, kSide);
  f->tlbBefore->findChild<QAction*>(QStringLiteral("out"))->trigger();
  f->grab();  // the reduced view of the unchanged picture is drawn and kept
  f->sldSel[0]->setValue(40);
  ASSERT_FALSE(f->preview->complete());
  const QRect view = tools::RowsFirstPreview::areaInView(f->ixAfter);
  EXPECT_LT(view.width(), kSide / 2);
  EXPECT_LT(view.height(), kSide / 2);
  Bitmap want = picture(kSide, kSide);
  img::adjustHSL(want, 40, f->sldSel[1]->value(), f->sldSel[2]->value());
  EXPECT_TRUE(samePicture(img::crop(f->ixAfter->bitmap(), view), img::crop(want, view)));
  EXPECT_FALSE(samePicture(f->ixAfter->bitmap(), want)) << "only the part in view is made at once";
  EXPECT_TRUE(paintsItsPicture(f->ixAfter));
  for (int i = 0; i < 1000 && !f->preview->complete(); ++i) QCoreApplication::processEvents();
  ASSERT_TRUE(f->preview->complete());
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), want));
  EXPECT_TRUE(paintsItsPicture(f->ixAfter));
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

// The Preview button of diffuse and of grey scale makes the rows in view first too, and the whole
// effect once the rest is made (grey scale in a picture of its own depth).
TEST_F(RowsFirstPreview, PreviewButtonEffectsMakeTheRowsInViewFirst) {
  const struct {
    const char* word;
    void (*whole)(Bitmap&);
  } cases[] = {
      {"DIFFUSE", img::diffuse},
      {"GRAYSCALE", [](Bitmap& b) { img::changeColorDepth(b, 8, 2, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    frmImgProcForm* f = open(c.word);
    f->cmdDirect->click();
    EXPECT_FALSE(f->preview->complete()) << "a tall page is made in view first";
    Bitmap want = picture(kW, kH);
    c.whole(want);
    const auto [first, last] = tools::RowsFirstPreview::rowsInView(f->ixAfter);
    EXPECT_LT(last - first, kH / 2);
    EXPECT_TRUE(sameRows(f->ixAfter->bitmap(), want, first, last));
    for (int i = 0; i < 1000 && !f->preview->complete(); ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(f->preview->complete());
    EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), want));
    EXPECT_TRUE(paintsItsPicture(f->ixAfter));
    frmImgProc.Unload();
  }
}

// A failure while the rest is made in the background is shown once, and nothing more is tried.
TEST_F(ToolTest, AFailedIdleStepIsShownAndEndsTheWork) {
  img::ImagingControl from, to;
  from.setBitmap(picture(50, 1200));
  to.replaceBitmap(picture(50, 1200));
  to.resize(90, 90);
  tools::RowsFirstPreview preview(&from, &to, nullptr);
  int calls = 0;
  preview.run([](Bitmap&) {}, [&](const Bitmap&, Bitmap&, const QRect& area) {
    if (calls++ > 0) throw rt::RuntimeError(7, QStringLiteral("Out of memory"));
    return area;
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
