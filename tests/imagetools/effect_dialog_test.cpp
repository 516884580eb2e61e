// The effect dialog: every word's caption, inputs and start values, preview and apply, the gamma
// box, and the zoom toolbar's ladder and centring.
#include "controls/imaging/image_ops.h"
#include "imagetools/effect_table.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/preview_zoom.h"
#include "runtime/screen.h"
#include "runtime/twips.h"
#include "tests/imagetools/tool_fixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QApplication>
#include <QToolBar>
#include <functional>

namespace {

using namespace tooltest;
using modVars::gstrImgOperation;

using img::Bitmap;
using V = tools::EffectValues;

struct Expected {
  const char* word;
  const char* caption;
  // "label min max" per slider; or the Preview label; or "GAMMA".
  std::vector<QString> inputs;
  // The operation the word stands for, with the inputs in their order on the dialog.
  std::function<void(Bitmap&, const V&)> op;
};

// The effect words as the Tools menu stores them, with what the dialog must offer and run.
const std::vector<Expected> kEffects = {
    {"ADJHSL", "   Adjust HSL Components", {"Hue -100 100", "Saturation -100 100", "Luminance -100 100"},
     [](Bitmap& b, const V& v) { img::adjustHSL(b, v.s[0], v.s[1], v.s[2]); }},
    {"ADJRGB", "   Adjust RGB Components", {"Red Component -100 100", "Green Component -100 100", "Blue Component -100 100"},
     [](Bitmap& b, const V& v) { img::adjustRGB(b, 0, v.s[0], v.s[1], v.s[2]); }},
    {"BLEND", "   Blend", {"Blend Percentage 0 100"}, [](Bitmap& b, const V& v) { img::blend(b, v.s[0]); }},
    {"BLUR", "   Blur", {"Blur"}, [](Bitmap& b, const V&) { img::blur(b); }},
    {"BRIGHTNESS & CONTRAST", "   Brightness & Contrast", {"Brightness Intensity -100 100", "Contrast Intensity -100 100"},
     [](Bitmap& b, const V& v) {
       img::adjustBrightness(b, v.s[0]);
       img::adjustContrast(b, v.s[1]);
     }},
    {"BUTTONIZE", "   Buttonize", {"Button Style 0 1", "Bevel Width 0 200", "Bevel Intensity 0 100"},
     [](Bitmap& b, const V& v) { img::buttonize(b, v.s[0], v.s[1], v.s[2]); }},
    {"DIFFUSE", "   Diffuse", {"Diffuse"}, [](Bitmap& b, const V&) { img::diffuse(b); }},
    {"DILATE", "   Dilate", {"Dilate"}, [](Bitmap& b, const V&) { img::dilate(b); }},
    {"EMBOSS", "   Emboss", {"Emboss"}, [](Bitmap& b, const V&) { img::emboss(b); }},
    {"EQUALIZE", "   Equalize", {"Equalize"}, [](Bitmap& b, const V&) { img::equalize(b); }},
    {"ERODE", "   Erode", {"Erode"}, [](Bitmap& b, const V&) { img::erode(b); }},
    {"GAMMA", "   Gamma", {"GAMMA"}, [](Bitmap& b, const V& v) { img::applyGamma(b, v.gamma); }},
    {"GRAYSCALE", "   Gray Scale", {"Gray Scale"}, [](Bitmap& b, const V&) { img::changeColorDepth(b, 8, 2, 0); }},
    {"MBLUR", "   Motion Blur", {"Blur Intensity 1 25", "Horizontal Velocity -10 10", "Vertical Velocity -10 10"},
     [](Bitmap& b, const V& v) { img::motionBlur(b, v.s[0], v.s[1], v.s[2]); }},
    {"MEDIAN", "   Median", {"Median"}, [](Bitmap& b, const V&) { img::median(b); }},
    {"MOSIAC", "   Mosiac", {"Mosiac Block Size 1 63"}, [](Bitmap& b, const V& v) { img::mosaic(b, v.s[0]); }},
    {"NEGATE", "   Negate", {"Negate"}, [](Bitmap& b, const V&) { img::negate(b); }},
    {"NOISE", "   Noise", {"Noise Frequency 1 20", "Noise Intensity 1 128"},
     [](Bitmap& b, const V& v) { img::addNoise(b, v.s[0], v.s[1]); }},
    {"OUTLINE", "   Outline", {"Outline"}, [](Bitmap& b, const V&) { img::outline(b); }},
    {"PARABOLIC", "   Parabolic", {"Parabolic Transform 0 1"}, [](Bitmap& b, const V& v) { img::parabolic(b, v.s[0]); }},
    {"PERSPECTIVE", "   Perspective", {"Perspective Type 0 3", "Perspective Percentage 0 100"},
     [](Bitmap& b, const V& v) { img::perspective(b, v.s[0], v.s[1]); }},
    {"PINCH", "   Pinch", {"Pinch Intensity -100 100"}, [](Bitmap& b, const V& v) { img::pinch(b, v.s[0]); }},
    {"POSTERIZE", "   Posterize", {"Posterize Colours 0 100"}, [](Bitmap& b, const V& v) { img::posterize(b, v.s[0]); }},
    {"RIPPLE", "   Ripple", {"Ripple Frequency 1 100", "Ripple Intensity 1 100", "Ripple Direction 0 1"},
     [](Bitmap& b, const V& v) { img::ripple(b, v.s[0], v.s[1], v.s[2]); }},
    {"SHARPEN", "   Sharpen", {"Sharpening Intensity 1 10"}, [](Bitmap& b, const V& v) { img::sharpen(b, v.s[0]); }},
    {"SOFTEN", "   Soften", {"Softening Intensity 1 10"}, [](Bitmap& b, const V& v) { img::soften(b, v.s[0]); }},
    {"SOLARIZE", "   Solarize", {"Solarization Threshold 0 255"}, [](Bitmap& b, const V& v) { img::solarize(b, v.s[0]); }},
    {"SWIRL", "   Swirl", {"Swirl Degrees 0 360"}, [](Bitmap& b, const V& v) { img::swirl(b, static_cast<double>(v.s[0])); }},
    {"TWIST", "   Twist", {"Twist Block Size 1 63", "Rotation Angle 0 3"},
     [](Bitmap& b, const V& v) { img::twist(b, v.s[0], v.s[1]); }},
};

class EffectDialog : public DialogTest<frmImgProcForm, frmImgProc> {
 protected:
  frmImgProcForm* open(const QString& word) {
    gstrImgOperation = word;
    return DialogTest::open();
  }
  // What Apply must leave on the page: the word's operation with the given inputs on the original.
  static img::Bitmap expected(const Expected& e, const tools::EffectValues& v) {
    img::Bitmap b = picture();
    e.op(b, v);
    return b;
  }
};

TEST_F(EffectDialog, TheTableHoldsExactlyTheMenuWords) {
  ASSERT_EQ(tools::effectTable().size(), kEffects.size());
  for (const Expected& e : kEffects) EXPECT_NE(tools::findEffect(QLatin1String(e.word)), nullptr) << e.word;
  EXPECT_EQ(tools::findEffect(QStringLiteral("negate")), nullptr) << "words compare case-sensitively";
}

TEST_F(EffectDialog, EveryWordShowsItsInputsAndPreviewEqualsApply) {
  for (const Expected& e : kEffects) {
    SCOPED_TRACE(e.word);
    page->setBitmap(picture());
    doc().docModified = doc().pageModified = false;
    frmImgProcForm* f = open(QLatin1String(e.word));
    EXPECT_EQ(f->Caption(), QLatin1String(e.caption));
    const tools::Effect* row = tools::findEffect(QLatin1String(e.word));
    ASSERT_NE(row, nullptr);
    tools::EffectValues used;
    if (e.inputs[0] == QLatin1String("GAMMA")) {
      EXPECT_TRUE(f->fraText->isVisibleTo(f));
      EXPECT_FALSE(f->fraSel[0]->isVisibleTo(f));
      EXPECT_EQ(f->txtText->text(), QStringLiteral("1"));
      EXPECT_EQ(f->txtText->maxLength(), 20);
      EXPECT_TRUE(f->cmdApply->isEnabled()) << "the start value is valid";
      f->txtText->setText(QStringLiteral("2.5"));
      f->cmdText->click();
      used.gamma = 2.5f;
    } else if (row->kind == tools::EffectKind::Direct) {
      EXPECT_TRUE(f->fraDirect->isVisibleTo(f));
      EXPECT_EQ(f->lblDirect->text(), e.inputs[0]);
      for (int i = 0; i < 3; ++i) EXPECT_FALSE(f->fraSel[i]->isVisibleTo(f));
      EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), picture())) << "no preview before the button";
      f->cmdDirect->click();
      EXPECT_FALSE(f->cmdDirect->isEnabled()) << "the preview button works once";
    } else {
      for (int i = 0; i < 3; ++i) {
        const bool shown = i < static_cast<int>(e.inputs.size());
        EXPECT_EQ(f->fraSel[i]->isVisibleTo(f), shown) << i;
        if (!shown) continue;
        const QSlider* s = f->sldSel[i];
        EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(f->lblAttrib[i]->text()).arg(s->minimum()).arg(s->maximum()), e.inputs[static_cast<std::size_t>(i)]);
        EXPECT_EQ(s->value(), row->sliders[static_cast<std::size_t>(i)].start);
        EXPECT_EQ(f->lblValue[i]->text(), QString::number(s->value()));
        used.s[i] = s->value();
      }
      // Set-up previews when a start value moved a slider off its designed 0, with every start
      // value in place; otherwise the after viewer still shows the copy.
      bool moved = false;
      for (const tools::SliderInput& in : row->sliders) moved = moved || in.start != 0;
      EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), moved ? expected(e, used) : picture()));
      // A slider moved: the preview starts again from the untouched copy.
      QSlider* s = f->sldSel[0];
      s->setValue(s->value() == s->maximum() ? s->minimum() : s->maximum());
      used.s[0] = s->value();
    }
    EXPECT_TRUE(samePicture(f->ixBefore->bitmap(), picture())) << "the before viewer stays untouched";
    const img::Bitmap preview = f->ixAfter->bitmap();
    EXPECT_TRUE(samePicture(preview, expected(e, used)));
    EXPECT_TRUE(samePicture(page->bitmap(), picture())) << "nothing reaches the page before Apply";
    EXPECT_FALSE(doc().docModified);
    f->cmdApply->click();
    EXPECT_TRUE(frmImgProc.IsLoaded() == false);
    EXPECT_TRUE(doc().docModified && doc().pageModified);
    EXPECT_TRUE(samePicture(page->bitmap(), preview)) << "apply runs the effect again with the same inputs";
  }
}

TEST_F(EffectDialog, SliderToolTipsBelongToTheirInputs) {
  struct Tip {
    const char* word;
    int slider;
    const char* tip;
  };
  for (const Tip& t : {Tip{"BUTTONIZE", 0, "0 Inset, 1 Raised"}, Tip{"PARABOLIC", 0, "0 Convex, 1 Concave"},
                       Tip{"PERSPECTIVE", 0, "0 Top-Bottom, 1 Bottom-Top, 2 Left-Right, 3 Right-Left"},
                       Tip{"RIPPLE", 2, "0 Horizontal, 1 Vertical"},
                       Tip{"TWIST", 1, "0 90 degrees, 1 180 degrees, 2 270 degrees, 3 Random"}}) {
    frmImgProcForm* f = open(QLatin1String(t.word));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f->sldSel[i]->toolTip(), i == t.slider ? QLatin1String(t.tip) : QString()) << t.word << i;
    frmImgProc.Unload();
  }
}

TEST_F(EffectDialog, CompactLayoutFollowsTheNumberOfSliders) {
  const double tpy = rt::Screen::TwipsPerPixelY();
  struct Row {
    const char* word;
    double frame;
  };
  for (const Row& r : {Row{"NOISE", 4005}, Row{"BLEND", 3180}, Row{"NEGATE", 3180}, Row{"GAMMA", 3180}, Row{"ADJHSL", 4830}}) {
    frmImgProcForm* f = open(QLatin1String(r.word));
    EXPECT_NEAR(f->fraBA->height() * tpy, r.frame, tpy) << r.word;
    const double buttonTop = std::string(r.word) == "ADJHSL" ? 4875 : -45 + r.frame + 100;
    EXPECT_NEAR(f->cmdApply->y() * tpy, buttonTop, tpy) << r.word;
    EXPECT_NEAR(f->cmdCancel->y() * tpy, buttonTop, tpy) << r.word;
    EXPECT_NEAR(f->Height(), buttonTop + 390 + 600, 2 * tpy) << r.word;
    if (std::string(r.word) == "NEGATE") {
      EXPECT_EQ(f->fraDirect->geometry().topLeft(), f->fraSel[0]->geometry().topLeft());
    }
    frmImgProc.Unload();
  }
}

TEST_F(EffectDialog, BrightnessAndContrastRunInThatOrder) {
  frmImgProcForm* f = open(QStringLiteral("BRIGHTNESS & CONTRAST"));
  f->sldSel[0]->setValue(60);
  f->sldSel[1]->setValue(-40);
  img::Bitmap want = picture();
  img::adjustBrightness(want, 60);
  img::adjustContrast(want, -40);
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), want));
  f->cmdApply->click();
  EXPECT_TRUE(samePicture(page->bitmap(), want));
}

TEST_F(EffectDialog, CancelAfterPreviewsChangesNothing) {
  frmImgProcForm* f = open(QStringLiteral("SWIRL"));
  f->sldSel[0]->setValue(360);
  f->sldSel[0]->setValue(45);
  f->cmdCancel->click();
  EXPECT_FALSE(frmImgProc.IsLoaded());
  EXPECT_TRUE(samePicture(page->bitmap(), picture()));
  EXPECT_FALSE(doc().docModified || doc().pageModified);
}

TEST_F(EffectDialog, GammaTextRules) {
  struct Row {
    const char* text;
    bool enables;
    const char* leaveMessage;  // nullptr: accepted
  };
  const Row rows[] = {{"0.01", true, nullptr},
                      {"10", true, nullptr},
                      {" 2 ", true, nullptr},
                      {"10.5", false, "Gamma values must be between 0.01 and 10!"},
                      {"0.001", false, "Gamma values must be between 0.01 and 10!"},
                      {"abc", false, "Gamma values must be numeric!"},
                      {"", false, nullptr}};
  frmImgProcForm* f = open(QStringLiteral("GAMMA"));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.text);
    f->txtText->setText(QLatin1String(r.text));
    EXPECT_EQ(f->cmdText->isEnabled(), r.enables);
    EXPECT_EQ(f->cmdApply->isEnabled(), r.enables);
    if (r.leaveMessage) dialogs.answerMsgBox(rt::vbOK);
    const std::size_t before = dialogs.calls().size();
    EXPECT_EQ(f->txtText->leave(), r.leaveMessage == nullptr);
    if (r.leaveMessage) {
      ASSERT_EQ(dialogs.calls().size(), before + 1);
      EXPECT_EQ(dialogs.calls().back().text, QLatin1String(r.leaveMessage));
      EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
      EXPECT_EQ(dialogs.calls().back().icon(), rt::vbExclamation);
      EXPECT_EQ(f->txtText->selectedText(), f->txtText->text());
    } else {
      EXPECT_EQ(dialogs.calls().size(), before);
      EXPECT_EQ(f->txtText->text(), QString::fromLatin1(r.text).trimmed());
    }
  }
}

TEST_F(EffectDialog, AWordOutsideTheTableKeepsTheDesignedFormAndOnlySetsTheFlags) {
  frmImgProcForm* f = open(QStringLiteral("SHARPEN2"));
  EXPECT_EQ(f->lblAttrib[0]->text(), QStringLiteral("Attrib"));
  EXPECT_EQ(f->lblValue[2]->text(), QStringLiteral("Value"));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(f->fraSel[i]->isVisibleTo(f));
  f->sldSel[0]->setValue(7);
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), picture())) << "nothing to preview";
  f->cmdApply->click();
  EXPECT_TRUE(doc().docModified && doc().pageModified);
  EXPECT_TRUE(samePicture(page->bitmap(), picture()));
}

TEST_F(EffectDialog, SwirlReceivesItsSliderAsADouble) {
  frmImgProcForm* f = open(QStringLiteral("SWIRL"));
  f->sldSel[0]->setValue(360);
  img::Bitmap want = picture();
  img::swirl(want, 360.0);
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), want));
}

// ---- zoom toolbar ------------------------------------------------------------------------------

TEST(PreviewZoom, TheLadderStopsAtItsEnds) {
  float z = 1.0f;
  for (float want : {0.75f, 0.5f, 0.25f, 0.15f, 0.15f}) EXPECT_FLOAT_EQ(z = tools::zoomStep(z, QStringLiteral("out")), want);
  for (float want : {0.25f, 0.5f, 0.75f, 1.0f, 1.0f}) EXPECT_FLOAT_EQ(z = tools::zoomStep(z, QStringLiteral("in")), want);
  EXPECT_FLOAT_EQ(tools::zoomStep(0.5f, QStringLiteral("out")), 0.25f);
  EXPECT_FLOAT_EQ(tools::zoomStep(0.5f, QStringLiteral("in")), 0.75f);
  EXPECT_FLOAT_EQ(tools::zoomStep(0.6f, QStringLiteral("in")), 0.75f);
  EXPECT_FLOAT_EQ(tools::zoomStep(0.6f, QStringLiteral("other")), 0.6f);
}

TEST(PreviewZoom, CentringTakesHalfTheOverflowRoundedToEven) {
  EXPECT_EQ(tools::centredOffset(0.25f, 2000, 1290, 15), 207);
  EXPECT_EQ(tools::centredOffset(0.15f, 2000, 1290, 15), 107);
  EXPECT_EQ(tools::centredOffset(1.0f, 91, 1290, 15), 2);
  EXPECT_EQ(tools::centredOffset(1.0f, 93, 1290, 15), 4);
  EXPECT_EQ(tools::centredOffset(1.0f, 86, 1290, 15), 0);
  EXPECT_EQ(tools::centredOffset(0.5f, 100, 1290, 15), 0);
}

TEST_F(EffectDialog, ZoomButtonsMoveBothViewersTogether) {
  frmImgProcForm* f = open(QStringLiteral("NEGATE"));
  QAction* out = f->tlbBefore->findChild<QAction*>(QStringLiteral("out"));
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->toolTip(), QStringLiteral("Zoom Out"));
  out->trigger();
  EXPECT_FLOAT_EQ(f->ixBefore->ZoomFactor(), 0.75f);
  EXPECT_FLOAT_EQ(f->ixAfter->ZoomFactor(), 0.75f);
  EXPECT_EQ(f->ixAfter->ViewOffsetX(), f->ixBefore->ViewOffsetX());
  EXPECT_EQ(f->ixAfter->ViewOffsetY(), f->ixBefore->ViewOffsetY());
  EXPECT_TRUE(samePicture(f->ixBefore->bitmap(), picture())) << "zooming never changes the images";
}

// At every rung the middle of the picture is in the middle of the viewer: the centring offset is
// counted in the zoomed picture's pixels, not the picture's own.
TEST(PreviewZoom, ZoomingOutKeepsThePictureCentred) {
  img::ImagingControl lead, follower;
  lead.resize(86, 60);
  follower.resize(86, 60);
  lead.setBitmap(img::Bitmap(2000, 1200, 24));
  follower.setBitmap(img::Bitmap(2000, 1200, 24));
  for (int i = 0; i < 4; ++i) {
    tools::zoomButtonClick(QStringLiteral("out"), &lead, {&follower});
    const double z = lead.ZoomFactor();
    const double middleX = (lead.ScrollPosX() + tw::Width(&lead) / rt::Screen::TwipsPerPixelX() / 2) / z;
    const double middleY = (lead.ScrollPosY() + tw::Height(&lead) / rt::Screen::TwipsPerPixelY() / 2) / z;
    EXPECT_NEAR(middleX, 1000, 2 / z) << "zoom " << z;
    EXPECT_NEAR(middleY, 600, 2 / z) << "zoom " << z;
    EXPECT_NEAR(follower.ScrollPosX(), lead.ScrollPosX(), 1) << "zoom " << z;
  }
}

}  // namespace

namespace {

// Becoming active again (after the message box of a check) does not set the dialog up anew.
TEST_F(EffectDialog, ReactivationKeepsWhatTheUserTyped) {
  frmImgProcForm* f = open(QStringLiteral("GAMMA"));
  QWidget other;
  other.show();
  f->activateWindow();
  QApplication::setActiveWindow(f);
  f->txtText->setText(QStringLiteral("10.5"));
  QApplication::setActiveWindow(&other);
  QApplication::setActiveWindow(f);
  QCoreApplication::processEvents();
  EXPECT_EQ(f->txtText->text(), QStringLiteral("10.5"));
  EXPECT_FALSE(f->cmdApply->isEnabled());
}

}  // namespace
