// The convert and file-format dialog: its format items, enabling rule and extension rule, and the
// conversions it drives through the main window, read back by independent tools.
#include "tests/support/main_window_fixture.h"
#include "workspace/settings/frm_img_sv_settings.h"
#include "workspace/settings/img_sv_settings.h"
#include "workspace/settings/register_settings_windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTimer>

namespace {

using namespace mainwindowtest;
using namespace modVars;

// ---- Rules --------------------------------------------------------------------------------------

TEST(SvSettingsRules, FormatItemsCarryTheirCodesAndDcxOnlyForSeveralPages) {
  auto texts = [](int pages) {
    QStringList t;
    for (const auto& i : svSettings::formatItems(pages)) t << QString::fromLatin1(i.text);
    return t;
  };
  EXPECT_FALSE(texts(1).contains(QStringLiteral("24 DCX - Zsoft Multiple Page")));
  const QStringList many = texts(2);
  ASSERT_EQ(many.size(), 14);
  EXPECT_EQ(many.indexOf(QStringLiteral("24 DCX - Zsoft Multiple Page")),
            many.indexOf(QStringLiteral("23 PBM - Portable Bitmap")) + 1);
  for (const auto& i : svSettings::formatItems(2)) {
    EXPECT_EQ(svSettings::itemNumber(QString::fromLatin1(i.text)), i.code) << i.text;
    EXPECT_FALSE(svSettings::fnFormatExt(QString::number(i.code)).isEmpty()) << i.text;
  }
  EXPECT_EQ(svSettings::itemNumber(QStringLiteral("6 JPEG")), 6);
  EXPECT_EQ(svSettings::fnFormatExt(QStringLiteral("25")), QStringLiteral("pic"));
  EXPECT_EQ(svSettings::fnFormatExt(QStringLiteral("33")), QStringLiteral("cal"));
  EXPECT_EQ(svSettings::fnFormatExt(QStringLiteral("7")), QString());
  EXPECT_EQ(svSettings::fnFormatExt(QStringLiteral("04")), QString());
}

TEST(SvSettingsRules, OnlyTiffAndDcxKeepEveryPage) {
  // PCX holds several pages only by turning into DCX: converting to it keeps the first page.
  const struct {
    int16_t code;
    bool keeps;
  } cases[] = {{img::kFormatTiff, true}, {img::kFormatDcx, true}, {img::kFormatPcx, false}, {img::kFormatBmp, false},
               {img::kFormatJpeg, false}, {img::kFormatTiffLzw, false}};
  for (const auto& c : cases) EXPECT_EQ(svSettings::keepsAllPages(c.code), c.keeps) << c.code;
}

TEST(SvSettingsRules, TheNewExtensionReplacesOnlyTheFileNamesOwn) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"/img/scan.tif", "/img/scan.png"},
      {"/img/scan.old.tif", "/img/scan.old.png"},
      {"/img/scan", "/img/scan.png"},
      {"/a/my.dir/scan", "/a/my.dir/scan.png"},
      {"/a/my.dir/scan.TIF", "/a/my.dir/scan.png"},
      {"scan.", "scan.png"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(svSettings::withExtension(QString::fromLatin1(c.path), QStringLiteral("png")), QString::fromLatin1(c.expected))
        << c.path;
}

TEST(SvSettingsRules, ConvertIsEnabledOnlyWithTheChosenFormatsLists) {
  using svSettings::Choices;
  auto with = [](int16_t code, auto fill) {
    Choices c;
    c.code = code;
    fill(c);
    return svSettings::fnCheckSettings(c);
  };
  auto nothing = [](Choices&) {};
  for (int16_t code : {1, 2, 5, 6, 24, 25, 32, 33}) EXPECT_TRUE(with(code, nothing)) << code;
  for (int16_t code : {4, 8, 10, 21, 22, 23, 0, 7, -1}) EXPECT_FALSE(with(code, nothing)) << code;
  EXPECT_FALSE(with(4, [](Choices& c) { c.byteOrder = 0; }));
  EXPECT_TRUE(with(4, [](Choices& c) { c.byteOrder = 0, c.compression = 0; }));
  EXPECT_FALSE(with(8, [](Choices& c) { c.grayScale = 1, c.progressive = 0, c.chrominance = 9, c.luminance = 9; }));
  EXPECT_TRUE(with(8, [](Choices& c) { c.grayScale = 1, c.progressive = 0, c.subSampling = 0; }));
  EXPECT_TRUE(with(10, [](Choices& c) { c.interlace = 0; }));
  // Each PNM format looks at its own list only.
  EXPECT_FALSE(with(21, [](Choices& c) { c.pgmType = 0, c.pbmType = 0; }));
  EXPECT_TRUE(with(22, [](Choices& c) { c.pgmType = 1; }));
  EXPECT_TRUE(with(23, [](Choices& c) { c.pbmType = 1; }));
}

// ---- The dialog -----------------------------------------------------------------------------------

// Picks an item by its text as the user would, running the list's click.
void choose(frmImgSvSettingsForm* d, QComboBox* list, const QString& text) {
  const int i = list->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  list->setCurrentIndex(i);
  if (list == d->cmbFormat) d->cmbFormat_Click();
  else if (list == d->cmbCompression) d->cmbCompression_Click();
  else d->fnCheckSettings();
}

class ConvertTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    registerSettingsWindows();
  }
  void TearDown() override {
    frmImgSvSettings.Unload();
    MainWindowTest::TearDown();
  }
  // The dialog as File > Convert shows it, loaded but not yet modal.
  frmImgSvSettingsForm* dialog(const QString& role = QStringLiteral("Convert")) {
    frmImgSvSettingsForm::setRole(role);
    return frmImgSvSettings.get();
  }
  static bool frameOn(QGroupBox* f) {
    for (QWidget* c : f->findChildren<QWidget*>())
      if (!c->isEnabled()) return false;
    return f->isEnabled();
  }
};

TEST_F(ConvertTest, ConvertModeStartsWithNothingChosenAndEverythingDisabled) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{20, 10, 0x0000FF}}, 5));
  frmImgSvSettingsForm* d = dialog();
  EXPECT_TRUE(d->IsConvertMode());
  EXPECT_EQ(d->Caption(), QStringLiteral("   Convert"));
  EXPECT_EQ(d->cmdConvert->text(), QStringLiteral("Con&vert"));
  EXPECT_TRUE(d->chkExt->isChecked());
  EXPECT_FALSE(d->chkExt->isHidden());
  EXPECT_EQ(d->cmbFormat->count(), 13);
  EXPECT_EQ(d->cmbFormat->itemText(0), QStringLiteral("1  TGA - Truevision Targa"));
  EXPECT_EQ(d->cmbCompression->itemText(4), QStringLiteral("5 Pack Bits"));
  for (QComboBox* c : d->findChildren<QComboBox*>()) EXPECT_EQ(c->currentIndex(), -1) << c->objectName().toStdString();
  for (QGroupBox* f : d->findChildren<QGroupBox*>()) EXPECT_FALSE(f->isEnabled());
  EXPECT_FALSE(d->lblSubSampling->isEnabled());
  EXPECT_FALSE(d->cmdConvert->isEnabled());
}

TEST_F(ConvertTest, ChoosingAFormatEnablesItsFrameAndClearsTheOthers) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{20, 10, 0x0000FF}}, 5));
  frmImgSvSettingsForm* d = dialog();
  choose(d, d->cmbFormat, QStringLiteral("8  JPG, JIF Compliant JPEG"));
  EXPECT_TRUE(frameOn(d->fraJPG));
  EXPECT_FALSE(d->fraTIF->isEnabled());
  EXPECT_FALSE(d->cmdConvert->isEnabled());
  d->sldChrom->setValue(40);
  d->sldLuminance->setValue(60);
  choose(d, d->cmbGrayScale, QStringLiteral("TRUE"));
  choose(d, d->cmbProgressive, QStringLiteral("FALSE"));
  EXPECT_FALSE(d->cmdConvert->isEnabled());
  choose(d, d->cmbSubSampling, QStringLiteral("2 Both"));
  EXPECT_TRUE(d->cmdConvert->isEnabled());

  // Another format clears the JPG lists and sliders; JPG again asks for the lists anew.
  choose(d, d->cmbFormat, QStringLiteral("10 PNG - Portable Network Graphics"));
  EXPECT_FALSE(d->fraJPG->isEnabled());
  EXPECT_FALSE(d->lblChrom->isEnabled());
  EXPECT_TRUE(frameOn(d->fraPNG));
  EXPECT_EQ(d->cmbGrayScale->currentIndex(), -1);
  EXPECT_EQ(d->sldChrom->value(), 0);
  EXPECT_EQ(d->sldLuminance->value(), 0);
  EXPECT_FALSE(d->cmdConvert->isEnabled());
  choose(d, d->cmbFormat, QStringLiteral("8  JPG, JIF Compliant JPEG"));
  EXPECT_FALSE(d->cmdConvert->isEnabled());

  for (const char* at : {"1  TGA - Truevision Targa", "2  PCX - Zsoft", "5  BMP, DIB - OS/2 or Windows Bitmap",
                         "6  WPG - WordPerfect Bitmap", "25 EPIC - Orvanta Enhanced PIC", "32 MOD:CA", "33 CALS"}) {
    choose(d, d->cmbFormat, QString::fromLatin1(at));
    EXPECT_TRUE(d->cmdConvert->isEnabled()) << at;
    for (QGroupBox* f : d->findChildren<QGroupBox*>()) EXPECT_FALSE(f->isEnabled()) << at;
  }

  // A JPEG-compressed TIFF brings the JPG qualities in; another compression takes them away.
  choose(d, d->cmbFormat, QStringLiteral("4  TIF - Tagged Image File Format (Uncompressed)"));
  choose(d, d->cmbByteOrder, QStringLiteral("1 Big Endian Order"));
  choose(d, d->cmbCompression, QStringLiteral("6 JPEG"));
  EXPECT_TRUE(frameOn(d->fraJPG));
  EXPECT_TRUE(d->cmdConvert->isEnabled());
  d->sldLuminance->setValue(30);
  choose(d, d->cmbCompression, QStringLiteral("7 Deflate"));
  EXPECT_FALSE(d->fraJPG->isEnabled());
  EXPECT_EQ(d->sldLuminance->value(), 0);
  EXPECT_TRUE(frameOn(d->fraTIF));
}

TEST_F(ConvertTest, AMultiPageDocumentOffersDcxAndKeepsItsPagesInTiffOrDcx) {
  frmImgClntForm* w = window();
  const QString path = file(QStringLiteral("three.tif"), kThreePages, 4);
  w->fnOpenImgFile(path);
  frmImgSvSettingsForm* d = dialog();
  EXPECT_EQ(d->cmbFormat->count(), 14);
  choose(d, d->cmbFormat, QStringLiteral("24 DCX - Zsoft Multiple Page"));
  dialogs.answerMsgBox(rt::vbYes);  // save to disk: no page question follows
  d->cmdConvert_Click();
  const QString dcx = dir.file(QStringLiteral("three.dcx"));
  EXPECT_EQ(doc().path, dcx);
  EXPECT_EQ(doc().format, 24);
  EXPECT_TRUE(samePages(readImage(dcx), kThreePages));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(pageCount(), 3);
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("This operation will save the file to disk.\rDo you want to continue?"));
  EXPECT_EQ(dialogs.calls()[0].style, rt::vbYesNo | rt::vbQuestion);
  EXPECT_EQ(dialogs.calls()[0].title, QStringLiteral("Confirmation"));
  EXPECT_FALSE(frmImgSvSettings.IsLoaded());
}

TEST_F(ConvertTest, TheQuestionsStopTheConversionWithNothingChanged) {
  const QString pageQuestion = QStringLiteral(
      "The format you have chosen does not support multi-page images.\rAll pages other than the first page will be "
      "discarded!\rDo you want to continue?");
  struct Case {
    const char* name;
    std::vector<int> answers;
  } cases[] = {{"no to saving", {rt::vbNo}}, {"no to the pages", {rt::vbYes, rt::vbNo}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    frmImgClntForm* w = window();
    const QString path = file(QString::fromLatin1(c.name).replace(' ', '_') + QStringLiteral(".tif"), kThreePages, 4);
    w->fnOpenImgFile(path);
    const QByteArray before = fileBytes(path);
    frmImgSvSettingsForm* d = dialog();
    choose(d, d->cmbFormat, QStringLiteral("10 PNG - Portable Network Graphics"));
    choose(d, d->cmbInterlace, QStringLiteral("TRUE"));
    const std::size_t asked = dialogs.calls().size();
    for (int a : c.answers) dialogs.answerMsgBox(a);
    d->cmdConvert_Click();
    EXPECT_EQ(dialogs.calls().size(), asked + c.answers.size());
    if (c.answers.size() == 2) {
      EXPECT_EQ(dialogs.calls().back().text, pageQuestion);
    }
    EXPECT_FALSE(d->IsUnloaded());
    EXPECT_EQ(d->cmbInterlace->currentText(), QStringLiteral("TRUE"));
    EXPECT_EQ(pageCount(), 3);
    EXPECT_EQ(doc().format, 4);
    EXPECT_EQ(doc().path, path);
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 0);
    d->cmdCancel_Click();
    EXPECT_TRUE(d->IsUnloaded());
    bool ok = false;
    w->fnCloseFile(true, ok);
  }
}

TEST_F(ConvertTest, ASingleFormatKeepsTheFirstPageAndTheEditedPageIsNotLost) {
  frmImgClntForm* w = window();
  const QString path = file(QStringLiteral("three.tif"), kThreePages, 4);
  w->fnOpenImgFile(path);
  // Page 3 is current and edited when the other pages are discarded.
  w->ixTmb_Click(2);
  w->ixMain->CreateBlankImage(50, 30, 24, 0x00FFFF);
  doc().pageModified = doc().docModified = true;
  frmImgSvSettingsForm* d = dialog();
  choose(d, d->cmbFormat, QStringLiteral("5  BMP, DIB - OS/2 or Windows Bitmap"));
  d->chkExt->setChecked(false);
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbYes);
  d->cmdConvert_Click();
  EXPECT_EQ(pageCount(), 1);
  EXPECT_EQ(doc().currentPage, 0);
  EXPECT_EQ(doc().format, 5);
  // Without "Change Extension" the file keeps its name, now holding the first page as a bitmap.
  EXPECT_EQ(doc().path, path);
  EXPECT_TRUE(samePages(readImage(path), {kThreePages[0]}));
  EXPECT_EQ(img::sniffFormat(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(fileBytes(path).constData()), 8)), 5);
  EXPECT_FALSE(doc().docModified);
}

TEST_F(ConvertTest, AnExistingTargetIsReplacedOnlyWhenTheUserSaysSo) {
  frmImgClntForm* w = window();
  const QString path = file(QStringLiteral("scan.bmp"), {{20, 10, 0x0000FF}}, 5);
  const QString other = file(QStringLiteral("scan.pcx"), {{8, 8, 0xFFFFFF}}, 2);
  const QByteArray otherBytes = fileBytes(other);
  w->fnOpenImgFile(path);
  frmImgSvSettingsForm* d = dialog();
  choose(d, d->cmbFormat, QStringLiteral("2  PCX - Zsoft"));
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbNo);
  d->cmdConvert_Click();
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("A file already exists with the selected path and name!\rOverwrite?"));
  EXPECT_EQ(fileBytes(other), otherBytes);
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_EQ(doc().path, path);
  EXPECT_FALSE(d->IsUnloaded());

  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbYes);
  d->cmdConvert_Click();
  EXPECT_EQ(doc().path, other);
  EXPECT_TRUE(samePages(readImage(other), {{20, 10, 0x0000FF}}));
  EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ConvertTest, AFailedWriteLeavesTheOriginalAndItsName) {
  frmImgClntForm* w = window();
  const QString path = file(QStringLiteral("scan.bmp"), {{20, 10, 0x0000FF}}, 5);
  const QByteArray before = fileBytes(path);
  w->fnOpenImgFile(path);
  frmImgSvSettingsForm* d = dialog();
  // CALS is not written by this program: the save reports it and nothing is deleted.
  choose(d, d->cmbFormat, QStringLiteral("33 CALS"));
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
  d->cmdConvert_Click();
  EXPECT_EQ(dialogs.calls().back().style, rt::vbExclamation);
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
  EXPECT_EQ(fileBytes(path), before);
  EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("scan.cal"))));
  EXPECT_EQ(doc().path, path);
  EXPECT_EQ(doc().format, 5);
}

TEST_F(ConvertTest, AnOldFileThatCannotBeDeletedIsReported) {
  frmImgClntForm* w = window();
  QDir(dir.path()).mkdir(QStringLiteral("locked"));
  const QString path = file(QStringLiteral("locked/scan.bmp"), {{20, 10, 0x0000FF}}, 5);
  w->fnOpenImgFile(path);
  // A read-only file is not deleted without force.
  QFile::setPermissions(path, QFileDevice::ReadOwner);
  frmImgSvSettingsForm* d = dialog();
  choose(d, d->cmbFormat, QStringLiteral("1  TGA - Truevision Targa"));
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
  d->cmdConvert_Click();
  const QString tga = dir.file(QStringLiteral("locked/scan.tga"));
  EXPECT_EQ(doc().path, tga);
  EXPECT_TRUE(QFile::exists(tga));
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_TRUE(dialogs.calls().back().text.contains(path));
  EXPECT_EQ(dialogs.calls().back().style, rt::vbExclamation);
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// ---- Every format with its options, read back by other tools --------------------------------------

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(30000);
  return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
}

struct FormatCase {
  const char* name;
  const char* format;
  std::vector<std::pair<const char*, const char*>> lists;  // objectName, item
  int chrom, lum;
  std::vector<Page> pages;
  int16_t bits;                 // bits per pixel of the pages
  const char* ext;
  const char* tool;             // "gm" (identify -verbose), "tiffinfo", or "" for the magic bytes only
  std::vector<const char*> expect;  // texts the tool's report holds (every page's for tiffinfo)
  const char* magic;
};

class ConvertFormatTest : public ConvertTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(ConvertFormatTest, WritesTheFormatWithItsOptions) {
  const FormatCase& c = GetParam();
  if (*c.tool && QStandardPaths::findExecutable(QString::fromLatin1(c.tool)).isEmpty())
    GTEST_SKIP() << c.tool << " is not installed";
  frmImgClntForm* w = window();
  // A document made from pages of the wanted depth, saved as TIFF first (under another extension,
  // so that the conversion renames it).
  const QString path = dir.file(QStringLiteral("doc.tiff"));
  for (const Page& p : c.pages) {
    img::ImagingControl ix;
    ix.CreateBlankImage(p.width, p.height, c.bits, p.colour);
    ix.setSaveFileType(4);
    ix.setSaveMultiPage(true);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
  w->fnOpenImgFile(path);
  frmImgSvSettingsForm* d = dialog();
  choose(d, d->cmbFormat, QString::fromLatin1(c.format));
  for (const auto& [list, item] : c.lists) choose(d, d->findChild<QComboBox*>(QString::fromLatin1(list)), QString::fromLatin1(item));
  d->sldChrom->setValue(c.chrom);
  d->sldLuminance->setValue(c.lum);
  ASSERT_TRUE(d->cmdConvert->isEnabled());
  dialogs.answerMsgBox(rt::vbYes);
  d->cmdConvert_Click();
  const QString out = dir.file(QStringLiteral("doc.") + QString::fromLatin1(c.ext));
  ASSERT_EQ(doc().path, out);
  ASSERT_TRUE(QFile::exists(out));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(fileBytes(out).startsWith(QByteArray(c.magic))) << fileBytes(out).left(4).toHex().toStdString();
  if (!*c.tool) return;
  const QString report = QString::fromLatin1(c.tool) == QLatin1String("gm")
                             ? run(QStringLiteral("gm"), {QStringLiteral("identify"), QStringLiteral("-verbose"), out})
                             : run(QStringLiteral("tiffinfo"), {out});
  for (const char* e : c.expect) {
    const int want = QString::fromLatin1(c.tool) == QLatin1String("tiffinfo") ? static_cast<int>(c.pages.size()) : 1;
    EXPECT_GE(report.count(QString::fromLatin1(e)), want) << e << "\n" << report.toStdString();
  }
}

const std::vector<Page> kTwoPages = {{40, 20, 0x3050A0}, {30, 30, 0xA05030}};
const std::vector<Page> kOnePage = {{40, 24, 0x3050A0}};
const std::vector<Page> kBlackAndWhite = {{64, 32, 0xFFFFFF}, {48, 16, 0x000000}};

INSTANTIATE_TEST_SUITE_P(
    Formats, ConvertFormatTest,
    ::testing::Values(
        FormatCase{"tiff_packbits_big_endian", "4  TIF - Tagged Image File Format (Uncompressed)",
                   {{"cmbByteOrder", "1 Big Endian Order"}, {"cmbCompression", "5 Pack Bits"}}, 0, 0, kTwoPages, 24, "tif",
                   "tiffinfo", {"PackBits"}, "MM"},
        FormatCase{"tiff_none_little_endian", "4  TIF - Tagged Image File Format (Uncompressed)",
                   {{"cmbByteOrder", "0 Little Endian Order"}, {"cmbCompression", "0 Uncompressed"}}, 0, 0, kTwoPages, 24,
                   "tif", "tiffinfo", {"Compression Scheme: None"}, "II"},
        FormatCase{"tiff_deflate", "4  TIF - Tagged Image File Format (Uncompressed)",
                   {{"cmbByteOrder", "1 Big Endian Order"}, {"cmbCompression", "7 Deflate"}}, 0, 0, kTwoPages, 24, "tif",
                   "tiffinfo", {"Deflate"}, "MM"},
        FormatCase{"tiff_jpeg", "4  TIF - Tagged Image File Format (Uncompressed)",
                   {{"cmbByteOrder", "0 Little Endian Order"}, {"cmbCompression", "6 JPEG"}}, 0, 60, kTwoPages, 24, "tif",
                   "tiffinfo", {"Compression Scheme: JPEG"}, "II"},
        FormatCase{"tiff_group4", "4  TIF - Tagged Image File Format (Uncompressed)",
                   {{"cmbByteOrder", "0 Little Endian Order"}, {"cmbCompression", "3 CCITT Group 4 Fax (2D)"}}, 0, 0,
                   kBlackAndWhite, 1, "tif", "tiffinfo", {"CCITT Group 4"}, "II"},
        FormatCase{"tiff_group3_2d", "4  TIF - Tagged Image File Format (Uncompressed)",
                   {{"cmbByteOrder", "1 Big Endian Order"}, {"cmbCompression", "8 CCITT Group 3 Fax (2D)"}}, 0, 0,
                   kBlackAndWhite, 1, "tif", "tiffinfo", {"CCITT Group 3", "2-d encoding"}, "MM"},
        FormatCase{"tiff_ccitt_rle", "4  TIF - Tagged Image File Format (Uncompressed)",
                   {{"cmbByteOrder", "0 Little Endian Order"}, {"cmbCompression", "1 CCITT RLE"}}, 0, 0, kBlackAndWhite, 1,
                   "tif", "tiffinfo", {"Compression Scheme: CCITT RLE"}, "II"},
        FormatCase{"jpeg_progressive_grey", "8  JPG, JIF Compliant JPEG",
                   {{"cmbGrayScale", "TRUE"}, {"cmbProgressive", "TRUE"}, {"cmbSubSampling", "0 None"}}, 20, 40, kOnePage,
                   24, "jpg", "gm", {"Interlace: Line", "JPEG-Colorspace-Name: GRAYSCALE"}, "\xFF\xD8"},
        FormatCase{"jpeg_baseline_subsampled", "8  JPG, JIF Compliant JPEG",
                   {{"cmbGrayScale", "FALSE"}, {"cmbProgressive", "FALSE"}, {"cmbSubSampling", "1 Horizontal"}}, 20, 40,
                   kOnePage, 24, "jpg", "gm", {"Interlace: No", "JPEG-Sampling-factors: 2x1,1x1,1x1"}, "\xFF\xD8"},
        FormatCase{"png_interlaced", "10 PNG - Portable Network Graphics", {{"cmbInterlace", "TRUE"}}, 0, 0, kOnePage, 24,
                   "png", "gm", {"Geometry: 40x24"}, "\x89PNG"},
        FormatCase{"ppm_ascii", "21 PPM - Portable Pixmap", {{"cmbPPMType", "1 ASCII"}}, 0, 0, kOnePage, 24, "ppm", "gm",
                   {"Geometry: 40x24"}, "P3"},
        FormatCase{"ppm_binary", "21 PPM - Portable Pixmap", {{"cmbPPMType", "0 Binary"}}, 0, 0, kOnePage, 24, "ppm", "gm",
                   {"Geometry: 40x24"}, "P6"},
        FormatCase{"pgm_ascii", "22 PGM - Portable Graymap", {{"cmbPGMType", "1 ASCII"}}, 0, 0, kOnePage, 8, "pgm", "gm",
                   {"Geometry: 40x24"}, "P2"},
        FormatCase{"pgm_binary", "22 PGM - Portable Graymap", {{"cmbPGMType", "0 Binary"}}, 0, 0, kOnePage, 8, "pgm", "gm",
                   {"Geometry: 40x24"}, "P5"},
        FormatCase{"pbm_ascii", "23 PBM - Portable Bitmap", {{"cmbPBMType", "1 ASCII"}}, 0, 0, kOnePage, 1, "pbm", "gm",
                   {"Geometry: 40x24"}, "P1"},
        FormatCase{"pbm_binary", "23 PBM - Portable Bitmap", {{"cmbPBMType", "0 Binary"}}, 0, 0, kOnePage, 1, "pbm", "gm",
                   {"Geometry: 40x24"}, "P4"},
        FormatCase{"tga", "1  TGA - Truevision Targa", {}, 0, 0, kOnePage, 24, "tga", "gm", {"Geometry: 40x24"}, ""},
        FormatCase{"pcx", "2  PCX - Zsoft", {}, 0, 0, kOnePage, 24, "pcx", "gm", {"Geometry: 40x24"}, "\x0A"},
        FormatCase{"bmp", "5  BMP, DIB - OS/2 or Windows Bitmap", {}, 0, 0, kOnePage, 24, "bmp", "gm",
                   {"Geometry: 40x24"}, "BM"},
        FormatCase{"dcx", "24 DCX - Zsoft Multiple Page", {}, 0, 0, kTwoPages, 24, "dcx", "", {}, "\xB1\x68\xDE\x3A"}),
    [](const ::testing::TestParamInfo<FormatCase>& i) { return std::string(i.param.name); });

TEST_F(ConvertTest, ThePngInterlaceFlagReachesTheFile) {
  frmImgClntForm* w = window();
  for (const char* choice : {"TRUE", "FALSE"}) {
    w->fnOpenImgFile(file(QStringLiteral("p.bmp"), kOnePage, 5));
    frmImgSvSettingsForm* d = dialog();
    choose(d, d->cmbFormat, QStringLiteral("10 PNG - Portable Network Graphics"));
    choose(d, d->cmbInterlace, QString::fromLatin1(choice));
    dialogs.answerMsgBox(rt::vbYes);
    d->cmdConvert_Click();
    // The interlace method is the last byte of the header chunk (offset 28).
    const QByteArray png = fileBytes(dir.file(QStringLiteral("p.png")));
    ASSERT_GT(png.size(), 28);
    EXPECT_EQ(png[28], choice[0] == 'T' ? 1 : 0) << choice;
    bool ok = false;
    w->fnCloseFile(true, ok);
    QFile::remove(dir.file(QStringLiteral("p.png")));
  }
}

// ---- Saving an untitled picture ---------------------------------------------------------------------

TEST_F(ConvertTest, SavingAnUntitledPictureAsksForTheFormatAndThenTheName) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(30, 20, 24, 0x00FF00);
  doc().docModified = true;
  const QString target = dir.file(QStringLiteral("new.png"));
  // The format dialog runs modal over the window: it is answered from the event loop.
  QTimer::singleShot(0, [] {
    frmImgSvSettingsForm* d = frmImgSvSettings.get();
    EXPECT_FALSE(d->IsConvertMode());
    EXPECT_EQ(d->Caption(), QStringLiteral("Specify File Format"));
    EXPECT_EQ(d->cmdConvert->text(), QStringLiteral("&Done"));
    EXPECT_TRUE(d->chkExt->isHidden());
    choose(d, d->cmbFormat, QStringLiteral("10 PNG - Portable Network Graphics"));
    choose(d, d->cmbInterlace, QStringLiteral("TRUE"));
    d->cmdConvert_Click();
  });
  dialogs.answerFile(rt::DialogKind::Save, target);
  EXPECT_TRUE(w->mnuFileSave_Click());
  EXPECT_EQ(doc().format, 10);
  EXPECT_EQ(doc().path, target);
  EXPECT_TRUE(samePages(readImage(target), {{30, 20, 0x00FF00}}));
  EXPECT_EQ(fileBytes(target)[28], 1);
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + target);
  EXPECT_FALSE(doc().docModified);
}

TEST_F(ConvertTest, YesAtTheClosePromptSavesTheUntitledPictureAndCloses) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(30, 20, 24, 0x0000FF);
  doc().docModified = true;
  const QString target = dir.file(QStringLiteral("kept.bmp"));
  QTimer::singleShot(0, [] {
    frmImgSvSettingsForm* d = frmImgSvSettings.get();
    choose(d, d->cmbFormat, QStringLiteral("5  BMP, DIB - OS/2 or Windows Bitmap"));
    d->cmdConvert_Click();
  });
  dialogs.answerMsgBox(rt::vbYes).answerFile(rt::DialogKind::Save, target);
  bool ok = false;
  w->fnCloseFile(false, ok);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(samePages(readImage(target), {{30, 20, 0x0000FF}}));
  EXPECT_FALSE(w->ixMain->hasImage());
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
}

TEST_F(ConvertTest, CancellingTheFormatKeepsTheUntitledPictureOpenAtTheClosePrompt) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(30, 20, 24, 0x00FF00);
  doc().docModified = true;
  QTimer::singleShot(0, [] { frmImgSvSettings->cmdCancel_Click(); });
  dialogs.answerMsgBox(rt::vbYes);
  bool ok = true;
  w->fnCloseFile(false, ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(doc().format, 0);
  EXPECT_TRUE(w->ixMain->hasImage());
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("Image has been modified! Save changes?"));
}

}  // namespace
