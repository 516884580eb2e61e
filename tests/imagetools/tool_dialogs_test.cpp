// The colour separation, colour depth, colour replacement, crop and resize, new image and
// intensity levels dialogs: their start state, rules, messages and what they do to the page.
#include "controls/imaging/busy_edit.h"
#include "controls/imaging/image_ops.h"
#include "controls/imaging/pixel_ops.h"
#include "imagetools/frm_i_level.h"
#include "imagetools/frm_img_col_dep.h"
#include "imagetools/frm_img_col_rep.h"
#include "imagetools/frm_img_col_sep.h"
#include "imagetools/frm_img_new.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/frm_img_size.h"
#include "imagetools/level_chart.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "tests/imagetools/tool_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <functional>

namespace {

using namespace tooltest;

bool flagsSet() { return doc().docModified && doc().pageModified; }
bool flagsClear() { return !doc().docModified && !doc().pageModified; }

img::Bitmap flat(int w, int h, QRgb c) {
  img::Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, c);
  return b;
}

// ---- colour separation -------------------------------------------------------------------------

class ColourSeparation : public DialogTest<frmImgColSepForm, frmImgColSep> {
 protected:
};

TEST_F(ColourSeparation, ModelsFillTheirChannelsAndCaptions) {
  frmImgColSepForm* f = open();
  EXPECT_TRUE(samePicture(f->ixOrig->bitmap(), picture()));
  EXPECT_FALSE(f->cmdSelect->isEnabled());
  EXPECT_EQ(f->cmbSepType->currentIndex(), -1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(f->ixC[i]->hasImage());
    EXPECT_EQ(f->lblC[i]->text(), QStringLiteral("Channel %1").arg(i + 1));
  }
  const char* captions[4][4] = {{"RED", "GREEN", "BLUE", "Not Applicable"},
                                {"HUE", "SATURATION", "LUMINANCE", "Not Applicable"},
                                {"CYAN", "MAGENTA", "YELLOW", "Not Applicable"},
                                {"CYAN", "MAGENTA", "YELLOW", "BLACK"}};
  for (int model : {0, 1, 3, 2}) {
    SCOPED_TRACE(model);
    f->cmbSepType->setCurrentIndex(model);
    const auto channels = img::separateColours(picture(), model);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(f->lblC[i]->text(), QLatin1String(captions[model][i]));
      if (i < static_cast<int>(channels.size())) EXPECT_TRUE(samePicture(f->ixC[i]->bitmap(), channels[static_cast<std::size_t>(i)]));
      else EXPECT_FALSE(f->ixC[i]->hasImage()) << "CMY after CMYK empties the fourth viewer";
    }
  }
  EXPECT_FALSE(f->cmdSelect->isEnabled()) << "choosing a model selects no channel";
}

TEST_F(ColourSeparation, SelectPutsTheHighlightedChannelIntoThePage) {
  frmImgColSepForm* f = open();
  f->cmbSepType->setCurrentIndex(0);
  f->ixC_Click(1);
  EXPECT_TRUE(f->cmdSelect->isEnabled());
  f->ixC_Click(2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f->ixC[i]->HighlightBorder(), i == 2 ? 3 : 0);
  f->cmbSepType->setCurrentIndex(2);
  EXPECT_EQ(f->ixC[2]->HighlightBorder(), 3) << "a new model keeps the highlight";
  f->cmdSelect->click();
  EXPECT_FALSE(frmImgColSep.IsLoaded());
  EXPECT_TRUE(samePicture(page->bitmap(), img::separateColours(picture(), 2)[2]));
  EXPECT_TRUE(flagsSet()) << "the page changed, so the document counts as modified";
}

TEST_F(ColourSeparation, AViewerWithoutAChannelCannotBeSelected) {
  frmImgColSepForm* f = open();
  f->ixC_Click(0);
  EXPECT_EQ(f->ixC[0]->HighlightBorder(), 3);
  EXPECT_FALSE(f->cmdSelect->isEnabled()) << "nothing separated yet";
  f->cmbSepType->setCurrentIndex(3);
  f->ixC_Click(3);
  EXPECT_TRUE(f->cmdSelect->isEnabled());
  f->cmbSepType->setCurrentIndex(0);
  EXPECT_FALSE(f->cmdSelect->isEnabled()) << "the fourth viewer was emptied";
  f->cmdCancel->click();
  EXPECT_TRUE(samePicture(page->bitmap(), picture()));
  EXPECT_TRUE(flagsClear());
}

TEST_F(ColourSeparation, ASeparationBeyondMemoryGivesAMessage) {
  page->setBitmap(img::Bitmap(400, 300, 1));
  const std::size_t cap = img::maxBitmapBytes();
  img::setMaxBitmapBytes(100000);
  frmImgColSepForm* f = open();
  dialogs.answerMsgBox(rt::vbOK);
  f->cmbSepType->setCurrentIndex(0);
  img::setMaxBitmapBytes(cap);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(f->ixC[i]->hasImage());
  EXPECT_TRUE(frmImgColSep.IsLoaded());
}

// ---- colour depth ------------------------------------------------------------------------------

class ColourDepth : public DialogTest<frmImgColDepForm, frmImgColDep> {
 protected:
  static img::Bitmap converted(img::Bitmap b, int bpp, int palette, int dither) {
    img::changeColorDepth(b, bpp, palette, dither);
    return b;
  }
};

TEST_F(ColourDepth, ListsStartFromThePictureAndPreview) {
  img::Bitmap grey = picture();
  img::changeColorDepth(grey, 8, 2, 0);
  page->setBitmap(grey);
  frmImgColDepForm* f = open();
  EXPECT_EQ(f->cmbBitsPixel->currentText(), QStringLiteral("8"));
  EXPECT_EQ(f->cmbPalette->currentText(), QStringLiteral("2 - Gray Scale"));
  EXPECT_EQ(f->cmbDither->currentText(), QStringLiteral("0 - None"));
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), converted(grey, 8, 2, 0)));
  EXPECT_TRUE(f->cmdApply->isEnabled());
  f->Unload();
  page->setBitmap(picture());
  f = open();
  EXPECT_EQ(f->cmbBitsPixel->currentText(), QStringLiteral("24")) << "the whole text is compared";
}

TEST_F(ColourDepth, EveryPreviewStartsFromTheCopyAndApplyConvertsThePage) {
  frmImgColDepForm* f = open();
  f->cmbBitsPixel->setCurrentIndex(0);
  f->cmbPalette->setCurrentIndex(1);
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), converted(picture(), 1, 1, 0)));
  f->cmbPalette->setCurrentIndex(0);
  f->cmbDither->setCurrentIndex(1);
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), converted(picture(), 1, 0, 1)));
  EXPECT_TRUE(samePicture(f->ixBefore->bitmap(), picture()));
  f->cmdApply->click();
  EXPECT_TRUE(samePicture(page->bitmap(), converted(picture(), 1, 0, 1)));
  EXPECT_EQ(page->bitmap().bitsPerPixel(), 1);
  EXPECT_TRUE(flagsSet());
}

TEST_F(ColourDepth, ApplyNeedsAllThreeListsAndCancelChangesNothing) {
  frmImgColDepForm* f = open();
  f->cmbDither->setCurrentIndex(-1);
  EXPECT_FALSE(f->cmdApply->isEnabled());
  f->cmdApply->click();
  EXPECT_TRUE(frmImgColDep.IsLoaded());
  EXPECT_TRUE(flagsClear());
  f->cmbDither->setCurrentIndex(2);
  EXPECT_TRUE(f->cmdApply->isEnabled());
  f->cmdCancel->click();
  EXPECT_TRUE(samePicture(page->bitmap(), picture()));
  EXPECT_TRUE(flagsClear());
}

// A page too large to hold at 24 bits: what the conversion or an effect cannot make is said in an
// error box, and the page, the flags and the dialog stay as they were.
TEST_F(ColourDepth, AConversionBeyondMemoryGivesAMessage) {
  img::Bitmap mono(400, 300, 1);
  page->setBitmap(mono);
  frmImgColDepForm* f = open();
  const std::size_t cap = img::maxBitmapBytes();
  img::setMaxBitmapBytes(100000);
  dialogs.answerMsgBox(rt::vbOK).answerMsgBox(rt::vbOK);
  f->cmbBitsPixel->setCurrentIndex(3);  // the preview
  const std::size_t previewCalls = dialogs.calls().size();
  f->cmdApply->click();
  img::setMaxBitmapBytes(cap);
  ASSERT_EQ(previewCalls, 1u);
  ASSERT_EQ(dialogs.calls().size(), 2u);
  for (const auto& c : dialogs.calls()) {
    EXPECT_EQ(c.title, QStringLiteral("Error"));
    EXPECT_EQ(c.icon(), rt::vbExclamation);
    EXPECT_FALSE(c.text.isEmpty());
  }
  EXPECT_TRUE(frmImgColDep.IsLoaded());
  EXPECT_TRUE(samePicture(page->bitmap(), mono));
  EXPECT_TRUE(flagsClear());
  // Apply let the viewers' pictures go for the page's copy; the dialog that stays shows the page
  // in both again.
  EXPECT_TRUE(samePicture(f->ixBefore->bitmap(), mono));
  EXPECT_TRUE(samePicture(f->ixAfter->bitmap(), mono));
}

// ---- colour replacement ------------------------------------------------------------------------

class ColourReplacement : public DialogTest<frmImgColRepForm, frmImgColRep> {
 protected:
  static void set(frmImgColRepForm::Group& g, int r, int gr, int b) {
    g.sld[0]->setValue(r);
    g.sld[1]->setValue(gr);
    g.sld[2]->setValue(b);
  }
  static QColor swatch(const frmImgColRepForm::Group& g) { return g.shp->palette().color(QPalette::Window); }
};

TEST_F(ColourReplacement, TheRangeRuleComparesPackedColours) {
  frmImgColRepForm* f = open();
  for (auto* g : {&f->From, &f->To, &f->With}) EXPECT_EQ(swatch(*g), QColor(Qt::black));
  EXPECT_FALSE(f->cmdPreview->isEnabled());
  EXPECT_FALSE(f->cmdApply->isEnabled());
  struct Row {
    int from[3], to[3];
    bool enabled;
  };
  for (const Row& r : {Row{{0, 0, 0}, {0, 0, 1}, true}, Row{{0, 0, 1}, {255, 255, 0}, false},
                       Row{{10, 20, 30}, {10, 20, 30}, false}, Row{{255, 0, 0}, {0, 1, 0}, true}}) {
    set(f->From, r.from[0], r.from[1], r.from[2]);
    set(f->To, r.to[0], r.to[1], r.to[2]);
    EXPECT_EQ(f->cmdApply->isEnabled(), r.enabled);
    EXPECT_EQ(f->cmdPreview->isEnabled(), r.enabled);
  }
  const QColor to = swatch(f->To);
  set(f->With, 9, 8, 7);
  EXPECT_EQ(swatch(f->With), QColor(9, 8, 7));
  EXPECT_EQ(swatch(f->To), to) << "only the With swatch follows the With sliders";
  EXPECT_TRUE(f->cmdApply->isEnabled());
}

TEST_F(ColourReplacement, PreviewsStartFromTheCopyAndApplyChangesThePage) {
  page->setBitmap(flat(6, 4, qRgb(100, 100, 100)));
  frmImgColRepForm* f = open();
  set(f->From, 50, 50, 50);
  set(f->To, 150, 150, 150);
  set(f->With, 255, 0, 0);
  f->cmdPreview->click();
  EXPECT_EQ(f->ixAfter->bitmap().pixel(2, 2) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
  set(f->With, 0, 0, 255);
  f->cmdPreview->click();
  EXPECT_EQ(f->ixAfter->bitmap().pixel(2, 2) & 0xFFFFFF, qRgb(0, 0, 255) & 0xFFFFFF);
  EXPECT_TRUE(flagsClear());
  f->cmdApply->click();
  EXPECT_TRUE(flagsSet());
  EXPECT_EQ(page->bitmap().pixel(5, 3) & 0xFFFFFF, qRgb(0, 0, 255) & 0xFFFFFF);
}

TEST_F(ColourReplacement, APageSelectionLimitsPreviewAndApply) {
  page->setBitmap(flat(6, 4, qRgb(100, 100, 100)));
  page->setSelection(0, 0, 3, 4);
  frmImgColRepForm* f = open();
  set(f->From, 50, 50, 50);
  set(f->To, 150, 150, 150);
  set(f->With, 255, 0, 0);
  f->cmdPreview->click();
  const img::Bitmap preview = f->ixAfter->bitmap();
  f->cmdApply->click();
  for (const img::Bitmap& b : {preview, page->bitmap()}) {
    EXPECT_EQ(b.pixel(2, 3) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF) << "inside";
    EXPECT_EQ(b.pixel(3, 0) & 0xFFFFFF, qRgb(100, 100, 100) & 0xFFFFFF) << "outside";
  }
}

// ---- crop and resize ---------------------------------------------------------------------------

class CropResize : public DialogTest<frmImgSizeForm, frmImgSize> {
 protected:
  frmImgSizeForm* open(const char* word, img::Bitmap b = picture(), QRect selection = QRect()) {
    page->setBitmap(std::move(b));
    page->setSelection(selection.x(), selection.y(), selection.width(), selection.height());
    modVars::gstrImgOperation = QLatin1String(word);
    return DialogTest::open();
  }
  // Leaves the box with a text; the message shown, or "" when none (refused says one is expected).
  QString leave(tools::TextBox* box, const QString& text, bool refused = false) {
    box->setText(text);
    const std::size_t before = dialogs.calls().size();
    if (refused) dialogs.answerMsgBox(rt::vbOK);
    const bool ok = box->leave();
    EXPECT_EQ(ok, !refused) << text.toStdString();
    if (ok) return QString();
    EXPECT_EQ(dialogs.calls().size(), before + 1);
    EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
    EXPECT_EQ(dialogs.calls().back().icon(), rt::vbExclamation);
    return dialogs.calls().back().text;
  }
};

TEST_F(CropResize, TheWordChoosesTheOptionAndTheFocus) {
  frmImgSizeForm* f = open("CROP");
  EXPECT_FALSE(f->optCropCurr->isEnabled()) << "no selection on the page";
  EXPECT_TRUE(f->optAutoCrop->isChecked());
  EXPECT_EQ(f->focusWidget(), f->txtCropPct);
  EXPECT_EQ(f->txtCropPct->selectedText(), QStringLiteral("10"));
  EXPECT_FALSE(f->txtWidth->isEnabled());
  EXPECT_EQ(f->cmbCPType->currentText(), QStringLiteral("3 - White"));
  EXPECT_TRUE(f->cmdApply->isEnabled());
  EXPECT_EQ(f->chkKeepRatio->text(), QStringLiteral("Keep Aspect Ratio"));
  frmImgSize.Unload();
  f = open("RESIZE", picture(), QRect(2, 2, 5, 5));
  EXPECT_TRUE(f->optCropCurr->isEnabled()) << "the page has a selection";
  EXPECT_TRUE(f->optResize->isChecked());
  EXPECT_EQ(f->focusWidget(), f->txtWidth);
  EXPECT_EQ(f->txtWidth->text(), QStringLiteral("48"));
  EXPECT_EQ(f->txtHeight->text(), QStringLiteral("36"));
  EXPECT_FALSE(f->txtCropPct->isEnabled());
}

TEST_F(CropResize, KeepRatioRoundsHalfToEven) {
  frmImgSizeForm* f = open("RESIZE", flat(1000, 750, 0));
  EXPECT_EQ(leave(f->txtWidth, QStringLiteral("500")), QString());
  EXPECT_EQ(f->txtHeight->text(), QStringLiteral("375"));
  leave(f->txtWidth, QStringLiteral("333"));
  EXPECT_EQ(f->txtHeight->text(), QStringLiteral("250"));
  frmImgSize.Unload();
  f = open("RESIZE", flat(200, 100, 0));
  for (auto [w, h] : {std::pair{"5", "2"}, {"7", "4"}}) {
    leave(f->txtWidth, QLatin1String(w));
    EXPECT_EQ(f->txtHeight->text(), QLatin1String(h)) << w;
  }
  leave(f->txtHeight, QStringLiteral("3"));
  EXPECT_EQ(f->txtWidth->text(), QStringLiteral("6"));
  f->chkKeepRatio->setChecked(false);
  leave(f->txtWidth, QStringLiteral("90"));
  EXPECT_EQ(f->txtHeight->text(), QStringLiteral("3"));
}

TEST_F(CropResize, LeaveChecksAndTheirMessages) {
  frmImgSizeForm* f = open("CROP", flat(101, 60, 0));
  struct Row {
    tools::TextBox* box;
    const char* text;
    const char* message;  // "" accepted
  };
  const QString borderX = QStringLiteral("Border X values must be greater than 1 and \rless than half of image width!");
  const Row rows[] = {
      {f->txtBdrX, "50", ""},
      {f->txtBdrX, "51", "X"},
      {f->txtBdrX, "0", ""},
      {f->txtBdrX, "1", ""},
      {f->txtBdrX, "x1", "Border X values must be numeric!"},
      {f->txtBdrY, "31", "Border Y values must be greater than 1 and \rless than half of image height!"},
      {f->txtCropPct, "0", ""},
      {f->txtCropPct, "100", ""},
      {f->txtCropPct, "100.5", "Crop Percentage values must be between 1 and 100!"},
      {f->txtCPCropPct, "abc", "Crop Percentage values must be numeric!"},
      {f->txtWidth, "0", "Width values must be greater than 0!"},
      {f->txtWidth, "40000", "Width values must be greater than 0!"},
      {f->txtHeight, "w", "Height values must be numeric!"},
      {f->txtHeight, "  ", ""},
  };
  for (const Row& r : rows) {
    const QString want = QLatin1String(r.message) == QLatin1String("X") ? borderX : QLatin1String(r.message);
    EXPECT_EQ(leave(r.box, QLatin1String(r.text), !want.isEmpty()), want) << r.text;
    if (!want.isEmpty()) {
      EXPECT_TRUE(r.box->holds());
      EXPECT_EQ(r.box->selectedText(), r.box->text());
    }
  }
  // A kept ratio beyond the 16-bit range is refused with the box's range message.
  frmImgSize.Unload();
  f = open("RESIZE", flat(200, 100, 0));
  EXPECT_EQ(leave(f->txtHeight, QStringLiteral("20000"), true), QStringLiteral("Height values must be greater than 0!"));
}

TEST_F(CropResize, ApplyEnablingFollowsTheLastEdit) {
  frmImgSizeForm* f = open("CROP");
  f->txtCropPct->setText(QStringLiteral("0"));
  EXPECT_FALSE(f->cmdApply->isEnabled());
  f->txtCropPct->setText(QStringLiteral("100"));
  EXPECT_TRUE(f->cmdApply->isEnabled());
  f->txtCPCropPct->setText(QStringLiteral("101"));
  EXPECT_FALSE(f->cmdApply->isEnabled());
  f->optResize->setChecked(true);
  f->txtWidth->setText(QString());
  EXPECT_FALSE(f->cmdApply->isEnabled());
  f->optAutoCrop->setChecked(true);
  EXPECT_FALSE(f->cmdApply->isEnabled()) << "choosing an option leaves Apply as it was";
  f->txtWidth->setText(QStringLiteral("48"));
  f->txtCPCropPct->setText(QStringLiteral("0"));
  EXPECT_FALSE(f->cmdApply->isEnabled());
  f->cmdDefaults->click();
  EXPECT_TRUE(f->cmdApply->isEnabled()) << "the last write (the height, unchanged) runs the size rule";
  EXPECT_EQ(f->txtWidth->text(), QStringLiteral("48"));
  EXPECT_TRUE(f->optAutoCrop->isChecked());
}

TEST_F(CropResize, LargeSizesAskFirst) {
  frmImgSizeForm* f = open("RESIZE");
  f->txtWidth->setText(QStringLiteral("60"));
  f->txtHeight->setText(QStringLiteral("70"));
  dialogs.answerMsgBox(rt::vbNo);
  f->cmdApply->click();
  EXPECT_EQ(dialogs.calls().back().text,
            QStringLiteral("Large values for width may require a long time to process.\rDo you want to continue?"));
  EXPECT_EQ(dialogs.calls().back().buttons(), rt::vbYesNo);
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Confirmation"));
  EXPECT_TRUE(frmImgSize.IsLoaded());
  EXPECT_TRUE(flagsClear());
  f->txtWidth->setText(QStringLiteral("20"));
  dialogs.answerMsgBox(rt::vbYes);
  f->cmdApply->click();
  EXPECT_EQ(dialogs.calls().back().text,
            QStringLiteral("Large values for height may require a long time to process.\rDo you want to continue?"));
  EXPECT_FALSE(frmImgSize.IsLoaded());
  EXPECT_TRUE(flagsSet());
  EXPECT_EQ(page->ImageWidth(), 20);
  EXPECT_EQ(page->ImageHeight(), 70);
}

TEST_F(CropResize, CropsRunOnThePage) {
  img::Bitmap boxed = flat(40, 30, qRgb(255, 255, 255));
  for (int y = 5; y < 13; ++y)
    for (int x = 10; x < 22; ++x) boxed.setIndex(x, y, qRgb(0, 0, 0));
  frmImgSizeForm* f = open("CROP", boxed);
  f->cmdApply->click();  // AutoCrop 10 %, borders 10
  EXPECT_TRUE(samePicture(page->bitmap(), img::autoCrop(boxed, 0.1f, 10, 10)));
  EXPECT_TRUE(flagsSet());

  f = open("CROP", boxed);
  f->optCropBorder->setChecked(true);
  f->cmdApply->click();
  EXPECT_TRUE(samePicture(page->bitmap(), img::borderCrop(boxed, 0.9f, 3)));
  EXPECT_EQ(page->ImageWidth(), 12);

  f = open("CROP", boxed, QRect(3, 4, 10, 6));
  ASSERT_TRUE(f->optCropCurr->isEnabled());
  f->optCropCurr->setChecked(true);
  f->cmdApply->click();
  EXPECT_EQ(page->SelectionWidth(), 0) << "the selection is removed first";
  EXPECT_TRUE(samePicture(page->bitmap(), img::cropToRect(boxed, 3, 4, 10, 6)));
}

TEST_F(CropResize, ASizeBeyondMemoryGivesAMessage) {
  const std::size_t cap = img::maxBitmapBytes();
  img::setMaxBitmapBytes(100000);
  frmImgSizeForm* f = open("RESIZE");
  f->chkKeepRatio->setChecked(false);
  f->txtWidth->setText(QStringLiteral("30"));
  f->txtHeight->setText(QStringLiteral("3000"));
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
  f->cmdApply->click();
  img::setMaxBitmapBytes(cap);
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
  EXPECT_FALSE(dialogs.calls().back().text.isEmpty());
  EXPECT_TRUE(frmImgSize.IsLoaded());
  EXPECT_TRUE(samePicture(page->bitmap(), picture()));
  EXPECT_TRUE(flagsClear()) << "nothing changed";
}

// ---- new image ---------------------------------------------------------------------------------

class NewImage : public DialogTest<frmImgNewForm, frmImgNew> {
 protected:
};

TEST_F(NewImage, StartsWhiteAndEnablesCreateWhenAllIsGiven) {
  frmImgNewForm* f = open();
  EXPECT_EQ(f->Caption(), QStringLiteral("   New Image"));
  for (QSlider* s : {f->sldR, f->sldG, f->sldB}) EXPECT_EQ(s->value(), 255);
  EXPECT_EQ(f->shpCol->palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(f->cmbBPP->count(), 4);
  EXPECT_EQ(f->cmbBPP->itemText(3), QStringLiteral("24"));
  EXPECT_EQ(f->cmbBPP->currentIndex(), -1);
  EXPECT_FALSE(f->cmdCreate->isEnabled());
  f->txtWidth->setText(QStringLiteral(" 640 "));
  EXPECT_TRUE(f->txtWidth->leave());
  EXPECT_EQ(f->txtWidth->text(), QStringLiteral("640"));
  f->txtHeight->setText(QStringLiteral("480"));
  EXPECT_FALSE(f->cmdCreate->isEnabled());
  f->cmbBPP->setCurrentIndex(3);
  EXPECT_TRUE(f->cmdCreate->isEnabled());
  f->txtHeight->setText(QString());
  EXPECT_FALSE(f->cmdCreate->isEnabled());
  f->txtHeight->setText(QStringLiteral("12a"));
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(f->txtHeight->leave());
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Height value must be numeric!"));
  f->txtHeight->setText(QString());
  EXPECT_TRUE(f->txtHeight->leave());
}

TEST_F(NewImage, CreateMakesTheBlankPage) {
  frmImgNewForm* f = open();
  f->txtWidth->setText(QStringLiteral("64"));
  f->txtHeight->setText(QStringLiteral("48"));
  f->cmbBPP->setCurrentIndex(2);
  f->sldG->setValue(0);
  f->sldB->setValue(0);
  EXPECT_EQ(f->shpCol->palette().color(QPalette::Window), QColor(Qt::red));
  f->cmdCreate->click();
  EXPECT_FALSE(frmImgNew.IsLoaded());
  EXPECT_EQ(page->ImageWidth(), 64);
  EXPECT_EQ(page->ImageHeight(), 48);
  EXPECT_EQ(page->ImageBitsPerPixel(), 8);
  EXPECT_EQ(page->bitmap().pixel(10, 10) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
  EXPECT_TRUE(flagsSet());
}

// Enter in a size box creates once the box's own check has taken its text; a refused text keeps
// the focus and creates nothing; Escape cancels.
TEST_F(NewImage, EnterCreatesAndEscapeCancelsFromTheKeyboard) {
  struct Case {
    const char* name;
    const char* height;
    Qt::Key key;
    bool created;
    const char* message;
  } cases[] = {
      {"Enter", " 48 ", Qt::Key_Return, true, nullptr},
      {"Enter on a height that is not a number", "4x", Qt::Key_Enter, false, "Height value must be numeric!"},
      {"Escape", "48", Qt::Key_Escape, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    page->setBitmap(picture());
    const std::size_t before = dialogs.calls().size();
    frmImgNewForm* f = open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    f->cmbBPP->setCurrentIndex(3);
    f->txtWidth->setText(QStringLiteral("64"));
    f->txtHeight->setFocus();
    QTest::keyClicks(f->txtHeight, QLatin1String(c.height));
    if (c.message) dialogs.answerMsgBox(rt::vbOK);
    QTest::keyClick(f->txtHeight, c.key);
    EXPECT_EQ(page->ImageWidth() == 64, c.created);
    EXPECT_EQ(frmImgNew.IsLoaded(), c.message != nullptr);
    if (c.message) {
      ASSERT_EQ(dialogs.calls().size(), before + 1);
      EXPECT_EQ(dialogs.calls().back().text, QLatin1String(c.message));
      EXPECT_EQ(QApplication::focusWidget(), f->txtHeight);
      f->Unload();
    }
  }
}

TEST_F(NewImage, CreateRefusesSizesThatAreNotPositiveWholeNumbersOrTooLarge) {
  frmImgNewForm* f = open();
  f->cmbBPP->setCurrentIndex(3);
  struct Row {
    const char* width;
    const char* height;
    const char* message;
  };
  for (const Row& r : {Row{"0", "10", "Width value must be a positive whole number!"},
                       Row{"-5", "10", "Width value must be a positive whole number!"},
                       Row{"2.5", "10", "Width value must be a positive whole number!"},
                       Row{"10", "abc", "Height value must be a positive whole number!"},
                       Row{"99999", "99999", "There is not enough memory for an image of 99999 x 99999 pixels!"}}) {
    f->txtWidth->setText(QLatin1String(r.width));
    f->txtHeight->setText(QLatin1String(r.height));
    dialogs.answerMsgBox(rt::vbOK);
    f->cmdCreate->click();
    EXPECT_EQ(dialogs.calls().back().text, QLatin1String(r.message));
    EXPECT_TRUE(frmImgNew.IsLoaded());
  }
  EXPECT_TRUE(samePicture(page->bitmap(), picture()));
  EXPECT_TRUE(flagsClear());
}

// ---- intensity levels --------------------------------------------------------------------------

TEST(LevelChart, BarsFollowTheCounts) {
  img::Histograms h;
  h.red[128] = 500;
  h.red[0] = 250;
  // The dialog's box: 227 pixels wide, 139 high.
  const auto bars = tools::levelBars(h, tools::LevelChannel::Red, 3405, 2085, 15, 15);
  ASSERT_EQ(bars.size(), 256u);
  // Intensity 128 of 256 lands in column 113 of 0 to 226.
  EXPECT_EQ(bars[128], QLine(1695, 2085, 1695, 2085 - 15 * 127));
  EXPECT_EQ(bars[0].y2(), static_cast<int>(rt::RoundHalfEven(2085 - 15 * 250 * 127.0 / 500)));
  EXPECT_EQ(bars[1].y2(), 2085);
  EXPECT_TRUE(tools::levelBars(img::Histograms{}, tools::LevelChannel::Red, 3405, 2085, 15, 15).empty()) << "peak 0 draws nothing";
  EXPECT_TRUE(tools::levelBars(img::Histograms{}, tools::LevelChannel::RGB, 3405, 2085, 15, 15).empty());
}

TEST(LevelChart, TheCombinedChartAddsTheThreeChannels) {
  // Pure red: green and blue count every pixel at 0, red at 255. The combined chart plots the
  // counts added, so intensity 0 is twice as tall as 255, where a plot of blue alone has no bar.
  img::Histograms red;
  red.red[255] = 100;
  red.green[0] = 100;
  red.blue[0] = 100;
  // Half red, half blue pixels: the blue chart has equal bars at 0 and 255, the combined one not.
  img::Histograms halves;
  halves.red[255] = halves.red[0] = 50;
  halves.green[0] = 100;
  halves.blue[255] = halves.blue[0] = 50;
  // Counts of a large page whose sum passes 32 bits.
  img::Histograms big;
  big.red[10] = big.green[10] = big.blue[10] = 2'000'000'000;
  big.red[20] = 1'000'000'000;
  struct Case {
    const char* name;
    const img::Histograms& h;
    int intensity;
    double pixels;  // bar height
  } cases[] = {
      {"red at 0", red, 0, 127},      {"red at 255", red, 255, 63.5}, {"red at 128", red, 128, 0},
      {"halves at 0", halves, 0, 127}, {"halves at 255", halves, 255, 63.5},
      {"big at 10", big, 10, 127},     {"big at 20", big, 20, 127.0 / 6},
  };
  for (const Case& c : cases) {
    const auto bars = tools::levelBars(c.h, tools::LevelChannel::RGB, 3405, 2085, 15, 15);
    ASSERT_EQ(bars.size(), 256u);
    EXPECT_EQ(bars[static_cast<std::size_t>(c.intensity)].y2(), static_cast<int>(rt::RoundHalfEven(2085 - 15 * c.pixels)))
        << c.name;
  }
}

TEST(LevelChart, EveryIntensityLiesInsideTheBoxFromEdgeToEdge) {
  img::Histograms h;
  h.blue.fill(1);
  struct Case {
    double width, tpx;
    int columns;
  } cases[] = {{3405, 15, 227}, {3840, 15, 256}, {1500, 15, 100}, {6000, 15, 400}, {3405, 12, 284}, {15, 15, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " twips at " << c.tpx);
    const auto bars = tools::levelBars(h, tools::LevelChannel::Blue, c.width, 2085, c.tpx, 15);
    ASSERT_EQ(bars.size(), 256u);
    EXPECT_EQ(bars.front().x1(), 0);
    EXPECT_EQ(bars.back().x1(), static_cast<int>(std::lround((c.columns - 1) * c.tpx))) << "255 in the last column";
    for (std::size_t i = 1; i < bars.size(); ++i) {
      EXPECT_LE(bars[i - 1].x1(), bars[i].x1()) << i;
      // No column is skipped where there are fewer columns than intensities.
      if (c.columns <= 256) {
        EXPECT_LE(bars[i].x1() - bars[i - 1].x1(), static_cast<int>(std::lround(c.tpx))) << i;
      }
      EXPECT_EQ(bars[i].y2(), 2085 - 15 * 127) << i;
    }
  }
}

using IntensityLevels = DialogTest<frmILevelForm, frmILevel>;

TEST_F(IntensityLevels, AChannelChoiceDrawsThePageHistogram) {
  page->setBitmap(flat(10, 10, qRgb(128, 128, 128)));
  frmILevelForm* f = open();
  EXPECT_TRUE(f->picH->lines().empty()) << "nothing until a channel is chosen";
  f->cmbChannels->setCurrentIndex(1);
  const auto& lines = f->picH->lines();
  ASSERT_EQ(lines.size(), 256u);
  const double tpy = rt::Screen::TwipsPerPixelY();
  EXPECT_NEAR(lines[128].y1() - lines[128].y2(), tpy * 127, 1);
  EXPECT_EQ(lines[127].y1(), lines[127].y2());
  f->cmbChannels->setCurrentIndex(0);
  EXPECT_EQ(f->picH->lines().size(), 256u) << "the chart is cleared before each drawing";
  f->cmdClose->click();
  EXPECT_FALSE(frmILevel.IsLoaded());
  EXPECT_TRUE(flagsClear());
}

// The chart as painted on the screen: the height of the black bar in each pixel column.
std::vector<int> paintedBars(LevelPicture* pic) {
  const QImage shot = pic->grab().toImage();
  std::vector<int> heights(static_cast<std::size_t>(shot.width()), 0);
  for (int x = 0; x < shot.width(); ++x)
    for (int y = 0; y < shot.height(); ++y)
      if (qGray(shot.pixel(x, y)) < 64) ++heights[static_cast<std::size_t>(x)];
  return heights;
}

TEST_F(IntensityLevels, AWhitePageShowsItsBarAtTheRightEdge) {
  page->setBitmap(flat(10, 10, qRgb(255, 255, 255)));
  frmILevelForm* f = open();
  for (int channel : {1, 2, 3, 0}) {
    SCOPED_TRACE(f->cmbChannels->itemText(channel).toStdString());
    f->cmbChannels->setCurrentIndex(channel);
    const std::vector<int> bars = paintedBars(f->picH);
    ASSERT_FALSE(bars.empty());
    EXPECT_NEAR(bars.back(), 127, 1) << "intensity 255 in the last column";
    for (std::size_t x = 0; x + 1 < bars.size(); ++x) EXPECT_EQ(bars[x], 0) << x;
  }
}

TEST_F(IntensityLevels, TheRGBChartIsNotTheBlueOne) {
  // Left half red, right half blue: each channel is half at 0 and half at 255, but green is all 0.
  img::Bitmap b(10, 10, 24);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) b.setIndex(x, y, x < 5 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  page->setBitmap(b);
  frmILevelForm* f = open();
  f->cmbChannels->setCurrentIndex(3);  // Blue
  const std::vector<int> blue = paintedBars(f->picH);
  f->cmbChannels->setCurrentIndex(0);  // RGB
  const std::vector<int> rgb = paintedBars(f->picH);
  ASSERT_FALSE(rgb.empty());
  EXPECT_NEAR(blue.front(), 127, 1);
  EXPECT_NEAR(blue.back(), 127, 1);
  EXPECT_NEAR(rgb.front(), 127, 1) << "half red, all green and half blue at 0";
  EXPECT_NEAR(rgb.back(), 64, 1) << "half red and half blue at 255";
}

}  // namespace

namespace {

using LongOperations = tooltest::ToolTest;

// A large page is processed beside the user-interface thread; the result comes back as if it had
// run in place, and a failure is shown in an error box rather than thrown through the window.
TEST_F(LongOperations, RunBesideTheWindowWithTheSameResult) {
  img::Bitmap big(2100, 2000, 24);
  big.setIndex(7, 9, qRgb(10, 20, 30));
  page->setBitmap(big);
  img::runOnControl(page.get(), [](img::Bitmap& b) { img::negate(b); });
  EXPECT_EQ(page->bitmap().pixel(7, 9) & 0xFFFFFF, qRgb(245, 235, 225) & 0xFFFFFF);
  EXPECT_EQ(page->bitmap().pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(img::makeOnControl(page.get(), [](const img::Bitmap& b) { return img::resizeImage(b, 0, 0); }));
  ASSERT_EQ(dialogs.calls().size(), 1u) << "the failure is shown, not thrown";
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
  EXPECT_EQ(page->ImageWidth(), 2100) << "a failed operation leaves the page";
  EXPECT_EQ(rt::Screen::MousePointer(), rt::vbDefault);
  // A new picture made from the page (a crop) replaces it the same way.
  EXPECT_TRUE(img::makeOnControl(page.get(), [](const img::Bitmap& b) { return img::cropToRect(b, 7, 9, 2000, 1900); }));
  EXPECT_EQ(page->ImageWidth(), 2000);
  EXPECT_EQ(page->bitmap().pixel(0, 0) & 0xFFFFFF, qRgb(245, 235, 225) & 0xFFFFFF);
}

}  // namespace

namespace {

using namespace tooltest;
using modVars::gstrImgOperation;

// ---- keys ----------------------------------------------------------------------------------------

using ToolDialogKeys = tooltest::ToolTest;

// A key typed on a dialog's window as the window system delivers it: shortcuts first, then the
// control with the focus and up through its parents.
void type(QWidget* dialog, Qt::Key key) {
  QTest::keyClick(dialog->windowHandle(), key);
  QApplication::processEvents();
}

img::Bitmap done(img::Bitmap b, const std::function<void(img::Bitmap&)>& op) {
  op(b);
  return b;
}

// Enter in each tool dialog presses the button that carries its action, from the control the user
// last used: the page changes as a click on that button changes it, and the dialog closes.
TEST_F(ToolDialogKeys, EnterPressesTheButtonThatCarriesTheDialogsAction) {
  struct Case {
    const char* name;
    // Opens the dialog, sets its inputs and puts the focus where the user would be; the dialog.
    std::function<rt::Form*()> open;
    img::Bitmap expected;
    std::function<bool()> loaded;
  } cases[] = {
      {"Gamma, after typing its value",
       [] {
         gstrImgOperation = QStringLiteral("GAMMA");
         frmImgProcForm* f = frmImgProc.get();
         f->Show();
         f->txtText->setFocus();
         f->txtText->selectAll();
         QTest::keyClicks(f->txtText, QStringLiteral("2"));
         return static_cast<rt::Form*>(f);
       },
       done(picture(), [](img::Bitmap& b) { img::applyGamma(b, 2.0f); }), [] { return frmImgProc.IsLoaded(); }},
      {"an effect with sliders, from a slider",
       [] {
         gstrImgOperation = QStringLiteral("SOLARIZE");
         frmImgProcForm* f = frmImgProc.get();
         f->Show();
         f->sldSel[0]->setValue(100);
         f->sldSel[0]->setFocus();
         return static_cast<rt::Form*>(f);
       },
       done(picture(), [](img::Bitmap& b) { img::solarize(b, 100); }), [] { return frmImgProc.IsLoaded(); }},
      {"Colour Depth, from a list",
       [] {
         frmImgColDepForm* f = frmImgColDep.get();
         f->Show();
         f->cmbBitsPixel->setCurrentIndex(0);
         f->cmbPalette->setCurrentIndex(1);
         f->cmbPalette->setFocus();
         return static_cast<rt::Form*>(f);
       },
       done(picture(), [](img::Bitmap& b) { img::changeColorDepth(b, 1, 1, 0); }), [] { return frmImgColDep.IsLoaded(); }},
      {"Replace Colours, from a slider",
       [] {
         frmImgColRepForm* f = frmImgColRep.get();
         f->Show();
         f->To.sld[0]->setValue(255);
         f->To.sld[1]->setValue(255);
         f->To.sld[2]->setValue(255);
         f->With.sld[0]->setValue(9);
         f->With.sld[0]->setFocus();
         return static_cast<rt::Form*>(f);
       },
       done(picture(), [](img::Bitmap& b) { img::replaceColours(b, QRect(), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(9, 0, 0)); }),
       [] { return frmImgColRep.IsLoaded(); }},
      {"Crop & Resize, in a size box whose check keeps the ratio",
       [] {
         gstrImgOperation = QStringLiteral("RESIZE");
         frmImgSizeForm* f = frmImgSize.get();
         f->Show();
         f->txtWidth->setFocus();
         f->txtWidth->selectAll();
         QTest::keyClicks(f->txtWidth, QStringLiteral("24"));
         return static_cast<rt::Form*>(f);
       },
       done(picture(), [](img::Bitmap& b) { b = img::resizeImage(b, 24, 18); }), [] { return frmImgSize.IsLoaded(); }},
      {"Colour Separation, from the list once a channel is picked",
       [] {
         frmImgColSepForm* f = frmImgColSep.get();
         f->Show();
         f->cmbSepType->setCurrentIndex(0);
         f->ixC_Click(1);
         f->cmbSepType->setFocus();
         return static_cast<rt::Form*>(f);
       },
       img::separateColours(picture(), 0)[1], [] { return frmImgColSep.IsLoaded(); }},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    page->setBitmap(picture());
    doc().docModified = doc().pageModified = false;
    rt::Form* f = c.open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    type(f, Qt::Key_Return);
    EXPECT_FALSE(c.loaded()) << "the dialog closes as its button closes it";
    EXPECT_TRUE(samePicture(page->bitmap(), c.expected));
    EXPECT_TRUE(flagsSet());
    QApplication::processEvents();
  }
  // Intensity Levels only shows: Enter closes it as Escape does.
  frmILevelForm* levels = frmILevel.get();
  levels->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(levels));
  levels->cmbChannels->setFocus();
  type(levels, Qt::Key_Enter);
  EXPECT_FALSE(frmILevel.IsLoaded());
}

// Enter with the focus in a viewer presses the dialog's default button, as from any other control.
TEST_F(ToolDialogKeys, EnterInAViewerPressesTheDefaultButton) {
  page->setBitmap(picture());
  frmImgColSepForm* f = frmImgColSep.get();
  f->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f));
  f->cmbSepType->setCurrentIndex(0);
  f->ixC_Click(1);
  f->ixC[1]->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), f->ixC[1]);
  ASSERT_TRUE(f->cmdSelect->isEnabled());
  type(f, Qt::Key_Return);
  EXPECT_FALSE(frmImgColSep.IsLoaded());
  // The channel picked is what the page becomes.
  EXPECT_TRUE(samePicture(page->bitmap(), img::separateColours(picture(), 0)[1]));
  EXPECT_FALSE(flagsClear());
}

// Tab from the list lands in the original's viewer, which draws no focus of its own: a mark shows
// where the focus is, and Escape from there closes the dialog as Cancel does.
TEST_F(ToolDialogKeys, EscapeClosesColourSeparationFromItsViewers) {
  frmImgColSepForm* f = frmImgColSep.get();
  f->Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f));
  f->cmbSepType->setCurrentIndex(2);
  f->cmbSepType->setFocus();
  type(f, Qt::Key_Tab);
  auto* viewer = qobject_cast<img::ImagingControl*>(QApplication::focusWidget());
  ASSERT_TRUE(viewer) << "the focus is in a viewer";
  QWidget* mark = nullptr;
  for (QWidget* w : f->findChildren<QWidget*>(QStringLiteral("focusMark")))
    if (w->isVisible()) mark = w;
  ASSERT_TRUE(mark);
  EXPECT_TRUE(mark->geometry().contains(viewer->geometry()));
  EXPECT_EQ(mark->parentWidget(), viewer->parentWidget());
  type(f, Qt::Key_Escape);
  EXPECT_FALSE(frmImgColSep.IsLoaded());
  EXPECT_TRUE(samePicture(page->bitmap(), picture()));
  EXPECT_TRUE(flagsClear());
}

}  // namespace
