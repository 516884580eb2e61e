// The image properties dialog and the about box.
#include "tests/support/main_window_fixture.h"
#include "workspace/settings/frm_about.h"
#include "workspace/settings/frm_img_prop.h"

#include <QLocale>
#include <QPushButton>

namespace {

using namespace mainwindowtest;
using namespace modVars;

class PropertiesTest : public MainWindowTest {
 protected:
  void TearDown() override {
    frmImgProp.Unload();
    frmAbout.Unload();
    MainWindowTest::TearDown();
  }
  // The ten value labels in their order.
  static QStringList values(frmImgPropForm* d) {
    QStringList v;
    for (QLabel* l : {d->lblFileName, d->lblFileFormat, d->lblFileSize, d->lblNumPages, d->lblImgWidth, d->lblImgHeight,
                      d->lblBPP, d->lblResUnit, d->lblXRes, d->lblYRes})
      v << l->text();
    return v;
  }
};

TEST_F(PropertiesTest, CaptionsAreTheDialogsOwn) {
  frmImgPropForm* d = frmImgProp.get();
  EXPECT_EQ(d->Caption(), QStringLiteral("   Properties"));
  QStringList captions;
  for (QLabel* l : {d->lbl1, d->lbl2, d->lbl3, d->lbl4, d->lbl5, d->lbl6, d->lbl7, d->lbl8, d->lbl9, d->lbl10})
    captions << l->text();
  EXPECT_EQ(captions, QStringList({"File Name :", "File Format :", "File Size :", "No. of Pages :", "Image Width :",
                                   "Image Height :", "Bits Per Pixel :", "Resolution Unit :", "X Resolution :",
                                   "Y Resoluion :"}));
  EXPECT_EQ(d->cmdOK->text(), QStringLiteral("&OK"));
  EXPECT_FALSE(d->ixProp->isVisible());
}

TEST_F(PropertiesTest, ATiffPageShowsTheFactsOfThePopupThumbnailsPage) {
  const QString path = dir.file(QStringLiteral("doc.tif"));
  struct P {
    int w, h;
    int16_t bpp;
    double res;
    int16_t unit;
  } pages[] = {{30, 20, 24, 300, 2}, {41, 17, 8, 72.5, 3}, {16, 8, 1, 200, 2}};
  for (const P& p : pages) {
    img::ImagingControl ix;
    ix.CreateBlankImage(p.w, p.h, p.bpp, 0xFFFFFF);
    ix.setResolutionX(p.res);
    ix.setResolutionY(p.res * 2);
    ix.setResolutionUnit(p.unit);
    ix.setSaveFileType(4);
    ix.setSaveMultiPage(true);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  doc().popupPage = 1;
  frmImgPropForm* d = frmImgProp.get();
  d->fnShowProperties();
  const QString dec = QLocale().decimalPoint();
  EXPECT_EQ(values(d), QStringList({path, fnGetFormatDesc(4), QString::number(QFileInfo(path).size()) + " bytes", "3",
                                    "41 pixels", "17 pixels", "8", "Centimeters", "72" + dec + "5", "145"}));
  // The dialog fills itself when it is shown, for the index kept from the popup menu.
  d->Unload();
  doc().popupPage = 0;
  frmImgProp->Show();
  EXPECT_EQ(frmImgProp->lblImgWidth->text(), QStringLiteral("30 pixels"));
  EXPECT_EQ(frmImgProp->lblXRes->text(), QStringLiteral("300"));
  EXPECT_EQ(frmImgProp->lblResUnit->text(), QStringLiteral("Inches"));
  frmImgProp->cmdOK->click();
  EXPECT_FALSE(frmImgProp.IsLoaded());
}

TEST_F(PropertiesTest, AJpegShowsItsFormatAndOnePage) {
  const QString path = file(QStringLiteral("photo.jpg"), {{64, 48, 0x808080}}, 8);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  doc().popupPage = 0;
  frmImgPropForm* d = frmImgProp.get();
  d->fnShowProperties();
  const QStringList v = values(d);
  EXPECT_EQ(v[0], path);
  EXPECT_EQ(v[1], fnGetFormatDesc(8));
  EXPECT_EQ(v[2], QString::number(QFileInfo(path).size()) + " bytes");
  EXPECT_EQ(v[3], QStringLiteral("1"));
  EXPECT_EQ(v[4], QStringLiteral("64 pixels"));
  EXPECT_EQ(v[5], QStringLiteral("48 pixels"));
  EXPECT_EQ(v[6], QStringLiteral("24"));
}

TEST_F(PropertiesTest, AnUntitledPictureShowsThePageViewAsOnePageOfUnknownSize) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(25, 14, 8, 0xFFFFFF);
  // Pages added to the untitled picture do not change its page count here.
  appendPage(30, 20, 0xFFFFFF);
  w->ixTmb_Click(0);
  frmImgPropForm* d = frmImgProp.get();
  d->fnShowProperties();
  const QStringList v = values(d);
  EXPECT_EQ(v.mid(0, 7), QStringList({"Untitled", fnGetFormatDesc(0), "Unknown", "1", "25 pixels", "14 pixels", "8"}));
  EXPECT_TRUE(w->ixMain->hasImage());
}

TEST(PropertiesText, UnitsAndResolutions) {
  EXPECT_EQ(imgProp::unitName(0), QStringLiteral("No absolute unit"));
  EXPECT_EQ(imgProp::unitName(1), QStringLiteral("None"));
  EXPECT_EQ(imgProp::unitName(-1), QString());
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German));
  EXPECT_EQ(imgProp::resolutionText(72.5), QStringLiteral("72,5"));
  EXPECT_EQ(imgProp::resolutionText(1200), QStringLiteral("1200"));
  EXPECT_EQ(imgProp::resolutionText(1.0 / 3), QStringLiteral("0,333333333333333"));
  QLocale::setDefault(saved);
  EXPECT_EQ(imgProp::resolutionText(300), QStringLiteral("300"));
}

TEST_F(PropertiesTest, TheAboutBoxIsCentredAndClosesWithOK) {
  frmAboutForm* a = frmAbout.get();
  EXPECT_EQ(a->Caption(), QStringLiteral("   About"));
  EXPECT_EQ(a->lblVersion->text(), QStringLiteral("Version 1.0"));
  EXPECT_EQ(a->lblAbout2->text(), QStringLiteral("A member of the Quorvane Imaging solution"));
  EXPECT_TRUE(a->lblMsg->text().startsWith(QStringLiteral("The Image Lumivex is an easy to use desktop")));
  EXPECT_NEAR(a->Left(), (rt::Screen::Width() - a->Width()) / 2, 30);
  EXPECT_NEAR(a->Top(), (rt::Screen::Height() - a->Height()) / 2, 30);
  a->cmdOK->click();
  EXPECT_FALSE(frmAbout.IsLoaded());
}

}  // namespace
