// The main window under the offscreen platform: opening, paging, zooming, the save prompt, saving
// single and multi-page documents, the first activation and shut-down.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "platform/registry/registry.h"
#include "runtime/screen.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_dir.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

using namespace modVars;
using testsupport::RecordedCall;

struct Page {
  int32_t width, height;
  uint32_t colour;  // 0x00BBGGRR
};

// Writes pages with the imaging control in a format (4 TIFF and 24 DCX take several pages).
void writeImage(const QString& path, const std::vector<Page>& pages, int16_t format) {
  for (const Page& p : pages) {
    img::ImagingControl ix;
    ix.CreateBlankImage(p.width, p.height, 24, p.colour);
    ix.setSaveFileType(format);
    ix.setSaveMultiPage(format == 4 || format == 24);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
}

// Every page of a file as the imaging control reads it back.
std::vector<Page> readImage(const QString& path) {
  std::vector<Page> pages;
  img::ImagingControl ix;
  const int n = ix.FilePageCount(path);
  for (int i = 1; i <= n; ++i) {
    ix.setPageNumber(i);
    ix.setSourceFile(path);
    const QRgb c = ix.bitmap().pixel(1, 1);
    pages.push_back({ix.ImageWidth(), ix.ImageHeight(),
                     static_cast<uint32_t>(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16))});
  }
  return pages;
}

bool samePages(const std::vector<Page>& a, const std::vector<Page>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].width != b[i].width || a[i].height != b[i].height || a[i].colour != b[i].colour) return false;
  return true;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const std::vector<Page> kThreePages = {{30, 20, 0x0000FF}, {40, 25, 0x00FF00}, {50, 30, 0xFF0000}};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setScanners(false);
    plat::reg::SetRegistryFile(dir.file(QStringLiteral("registry")).toStdString());
    setFileAssoc(QStringLiteral("1"));
    rt::App::setWorkingFolder(dir.file(QStringLiteral("work")));
    frmImgClntForm::otherWindows() = {};
    frmImgClntForm::setCommandLine(QString());
  }
  void TearDown() override {
    if (frmImgClnt.IsLoaded()) {
      gblnDocModified = false;
      unloadNow();
    }
  }
  // Unloads the main window and destroys it at once, so that the next test starts afresh (its
  // scanning control closes the scanner library behind it).
  static bool unloadNow() {
    QPointer<frmImgClntForm> w = frmImgClnt.get();
    const bool done = frmImgClnt.Unload();
    if (done) delete w.data();
    return done;
  }

  // SANE's test backend as the only scanner, or no scanner at all. The scanner library looks its
  // configuration folder up once per process, so every test uses the same folder.
  static void setScanners(bool present) {
    static QTemporaryDir sane;
    QFile conf(QDir(sane.path()).filePath(QStringLiteral("dll.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
    if (present) conf.write("test\n");
    qputenv("SANE_CONFIG_DIR", sane.path().toLocal8Bit());
  }
  // The "FileAssoc" value; nullopt removes it.
  static void setFileAssoc(std::optional<QString> value) {
    using namespace plat::reg;
    HKEY key = nullptr;
    uint32_t disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", 0, "1", 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    if (value) {
      const QByteArray b = value->toLatin1();
      RegSetValueExA(key, "FileAssoc", 0, REG_SZ, reinterpret_cast<const uint8_t*>(b.constData()), b.size() + 1);
    } else {
      RegDeleteValueA(key, "FileAssoc");
    }
    RegCloseKey(key);
  }
  static QString readValue(plat::reg::HKEY root, const char* key, const char* name) {
    using namespace plat::reg;
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return QStringLiteral("<no key>");
    uint8_t buffer[512] = {};
    uint32_t size = sizeof(buffer), type = 0;
    const long rc = RegQueryValueExA(k, name, nullptr, &type, buffer, &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? QString::fromLatin1(reinterpret_cast<const char*>(buffer)) : QStringLiteral("<no value>");
  }

  frmImgClntForm* window() {
    frmImgClntForm* w = frmImgClnt.get();
    if (!w->isVisible()) w->Show();
    return w;
  }
  QString file(const QString& name, const std::vector<Page>& pages, int16_t format) {
    const QString path = dir.file(name);
    writeImage(path, pages, format);
    return path;
  }
  static bool enabled(QAction* a) { return a && a->isEnabled(); }
  static int pageShown(frmImgClntForm* w) { return w->ixMain->ImageWidth(); }

  testsupport::TempDir dir;
  testsupport::ScriptedDialogs dialogs;
};

// ---- Opening, paging, zoom, closing ---------------------------------------------------------------

TEST_F(MainWindowTest, SinglePageFileOpensInPageOnlyAndClosesWithoutAPrompt) {
  const QString path = file(QStringLiteral("one.bmp"), {{24, 16, 0x00FF00}}, 5);
  frmImgClntForm* w = window();
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
  EXPECT_FALSE(enabled(w->Button(w->tbrFile, "save")));
  EXPECT_FALSE(w->mnuEdit->menuAction()->isEnabled());

  w->fnOpenImgFile(path);
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + path);
  EXPECT_EQ(gintCurrFormat, 5);
  EXPECT_EQ(w->ixTmb.Count(), 1);
  EXPECT_EQ(w->ixTmb(0)->HighlightBorder(), 3);
  EXPECT_EQ(w->ixTmb(0)->ImageWidth(), 24);
  EXPECT_EQ(w->lblTmb(0)->text(), QStringLiteral("Page 1"));
  EXPECT_TRUE(w->Menu("mnuViewPageOnly")->isChecked());
  EXPECT_FALSE(w->fraTmb->isVisible());
  EXPECT_EQ(w->StatusPanel("ZOOM"), QStringLiteral("100%"));
  // Document-open commands; a single-page format takes no appended pages.
  EXPECT_TRUE(enabled(w->Menu("mnuFileClose")));
  EXPECT_TRUE(enabled(w->Button(w->tbrFile, "save")));
  EXPECT_TRUE(w->mnuEdit->menuAction()->isEnabled());
  EXPECT_FALSE(enabled(w->Menu("mnuEditAppend")));
  EXPECT_TRUE(w->Button(w->tbrMode, "selhand")->isChecked());
  EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scannew")));
  EXPECT_FALSE(w->mnuScanner->menuAction()->isEnabled());

  // Unmodified: no question.
  w->mnuFileClose_Click();
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
  EXPECT_TRUE(gstrCurrFile.isEmpty());
  EXPECT_FALSE(w->ixMain->hasImage());
  EXPECT_FALSE(enabled(w->Button(w->tbrFile, "save")));
  EXPECT_FALSE(w->Button(w->tbrMode, "selhand")->isChecked());
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(MainWindowTest, MultiPageTiffShowsThumbnailsAndSwitchesPagesAndZoom) {
  const QString path = file(QStringLiteral("three.tif"), kThreePages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(w->ixTmb.Count(), 3);
  EXPECT_TRUE(fnIsMultiPageFormat(gintCurrFormat));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(w->lblTmb(i)->text(), QStringLiteral("Page %1").arg(i + 1));
    EXPECT_EQ(w->ixTmb(i)->ThumbDisplayMode(), 1);
    EXPECT_EQ(w->ixTmb(i)->HighlightBorder(), i == 0 ? 3 : 0);
    // One column of large thumbnails, each row 280 twips below the last, labels under them.
    EXPECT_NEAR(w->ixTmb(i)->Top(), 280 + i * (w->ixTmb(0)->Height() + 280), 15);
    EXPECT_NEAR(w->ixTmb(i)->Left(), 280, 15);
    EXPECT_NEAR(w->lblTmb(i)->y() * rt::Screen::TwipsPerPixelY(), w->ixTmb(i)->Top() + w->ixTmb(i)->Height() + 10, 15);
  }
  EXPECT_NEAR(w->ixTmb(0)->Width(), 1460, 15);
  EXPECT_TRUE(w->Menu("mnuViewPageThumbs")->isChecked());
  EXPECT_TRUE(enabled(w->Menu("mnuEditAppend")));
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + path);
  EXPECT_EQ(pageShown(w), 30);
  EXPECT_FALSE(enabled(w->Button(w->tbrImage, "previous")));
  EXPECT_TRUE(enabled(w->Button(w->tbrImage, "next")));

  w->mnuViewNext_Click();
  EXPECT_EQ(gintCurrPage, 1);
  EXPECT_EQ(pageShown(w), 40);
  EXPECT_EQ(w->ixTmb(0)->HighlightBorder(), 0);
  EXPECT_EQ(w->ixTmb(1)->HighlightBorder(), 3);
  EXPECT_TRUE(enabled(w->Menu("mnuViewPrev")));
  w->ixTmb_Click(2);
  EXPECT_EQ(pageShown(w), 50);
  EXPECT_FALSE(enabled(w->Menu("mnuViewNext")));
  w->mnuViewNext_Click();  // on the last page: stays
  EXPECT_EQ(gintCurrPage, 2);
  w->mnuViewPrev_Click();
  EXPECT_EQ(pageShown(w), 40);
  // Showing pages never marks the document modified.
  EXPECT_FALSE(gblnDocModified);

  // Shift-click adds a page to the selection without changing the current one.
  w->mblnShiftDown = true;
  w->ixTmb_Click(0);
  w->mblnShiftDown = false;
  EXPECT_EQ(gintCurrPage, 1);
  EXPECT_EQ(w->ixTmb(0)->HighlightBorder(), 3);
  EXPECT_EQ(w->ixTmb(1)->HighlightBorder(), 3);

  struct ZoomCase {
    float before;
    void (frmImgClntForm::*command)();
    float after;
    const char* panel;
  };
  const ZoomCase zooms[] = {{4.0f, &frmImgClntForm::mnuZoomIn_Click, 4.0f, "400%"},
                            {3.9f, &frmImgClntForm::mnuZoomIn_Click, 4.0f, "400%"},
                            {1.0f, &frmImgClntForm::mnuZoomIn_Click, 1.1f, "110%"},
                            {0.2f, &frmImgClntForm::mnuZoomOut_Click, 0.2f, "20%"},
                            {0.21f, &frmImgClntForm::mnuZoomOut_Click, 0.2f, "20%"}};
  for (const ZoomCase& z : zooms) {
    w->ixMain->SetZoom(z.before);
    (w->*z.command)();
    EXPECT_NEAR(w->ixMain->ZoomFactor(), z.after, 1e-5) << z.before;
    EXPECT_EQ(w->StatusPanel("ZOOM"), QString::fromLatin1(z.panel)) << z.before;
  }
  w->mnuZoomFixed(0.5f);
  EXPECT_FLOAT_EQ(w->ixMain->ZoomFactor(), 0.5f);
  EXPECT_EQ(w->StatusPanel("ZOOM"), QStringLiteral("50%"));
  w->mnuZoomFit(2);
  EXPECT_EQ(w->ixMain->ViewOffsetX(), 0);
  EXPECT_TRUE(w->StatusPanel("ZOOM").endsWith(QLatin1Char('%')));

  w->mnuViewThumbsOnly_Click();
  EXPECT_FALSE(w->fraEdt->isVisible());
  EXPECT_TRUE(w->fraTmb->isVisible());
  w->mnuViewPageThumbs_Click();
  EXPECT_TRUE(w->fraEdt->isVisible());

  w->mnuFileClose_Click();
  EXPECT_EQ(w->ixTmb.Count(), 1);
  EXPECT_TRUE(w->lblTmb(0)->text().isEmpty());
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(MainWindowTest, StripScrollsToTheCurrentPageAndToolbarKeysMatchExactly) {
  std::vector<Page> pages(9, Page{16, 20, 0x808080});
  const QString path = file(QStringLiteral("nine.tif"), pages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(w->ixTmb.Count(), 9);
  // Nine pages in one column do not fit: the scroll bar shows and the carrier is taller.
  EXPECT_TRUE(w->vsTmb->isVisible());
  EXPECT_GT(w->picChild->height(), w->picMain->height());
  EXPECT_EQ(w->vsTmb->value(), 0);

  w->ixTmb_Click(8);
  const int v = w->vsTmb->value();
  EXPECT_GT(v, 0);
  EXPECT_NEAR(w->picChild->y() * rt::Screen::TwipsPerPixelY(), -200.0 * v, 15);
  // The last thumbnail, with its 280-twip margin, lies inside the viewport.
  const double bottom = w->ixTmb(8)->Top() + w->ixTmb(8)->Height() + 280;
  EXPECT_LE(bottom - 200.0 * v, w->picMain->height() * rt::Screen::TwipsPerPixelY() + 200);
  w->ixTmb_Click(0);
  EXPECT_EQ(w->vsTmb->value(), 0);

  // Toolbar keys compare exactly.
  w->tbrImage_ButtonClick(QStringLiteral("Next"));
  EXPECT_EQ(gintCurrPage, 0);
  w->tbrImage_ButtonClick(QStringLiteral("next"));
  EXPECT_EQ(gintCurrPage, 1);
  w->tbrMode_ButtonClick(QStringLiteral("selrect"));
  EXPECT_TRUE(w->Button(w->tbrMode, "selrect")->isChecked());
  EXPECT_FALSE(w->Button(w->tbrMode, "selhand")->isChecked());
  w->tbrFile_ButtonClick(QStringLiteral("Close"));
  EXPECT_EQ(gstrCurrFile, path);
  // A save keeps the pressed mode; nothing was changed, so closing asks nothing.
  ASSERT_TRUE(w->mnuFileSave_Click());
  EXPECT_TRUE(w->Button(w->tbrMode, "selrect")->isChecked());
  w->tbrFile_ButtonClick(QStringLiteral("close"));
  EXPECT_TRUE(gstrCurrFile.isEmpty());
  EXPECT_TRUE(dialogs.calls().empty());
}

TEST_F(MainWindowTest, AnnotationMenuOffersSelectAllAndBurnInOnlyWithAnnotations) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0xFFFFFF}}, 5));
  w->Menu("mnuAnnSelectAll")->setEnabled(true);
  w->mnuAnn_Click();
  EXPECT_FALSE(w->Menu("mnuAnnSelectAll")->isEnabled());
  EXPECT_FALSE(w->Menu("mnuAnnBurnIn")->isEnabled());
  // Burn In answered No leaves the page as it was.
  dialogs.answerMsgBox(rt::vbNo);
  const QImage before = w->ixMain->Picture();
  w->mnuAnnBurnIn_Click();
  EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("This operation is permanent!\rDo you want to continue?"));
  EXPECT_EQ(w->ixMain->Picture(), before);
  EXPECT_FALSE(gblnDocModified);
}

TEST_F(MainWindowTest, PanesFollowTheWindowSizeButNeverShrinkToNothing) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("three.tif"), kThreePages, 4));
  const double tpp = rt::Screen::TwipsPerPixelY();
  const double top = w->fraTmb->y() * tpp;
  w->setHeight(9000);
  EXPECT_NEAR(w->fraTmb->height() * tpp, 9000 - top - 1180, 15);
  EXPECT_NEAR(w->fraEdt->height() * tpp, 9000 - top - 1180, 15);
  EXPECT_NEAR(w->ixMain->Height(), w->fraEdt->height() * tpp - 180, 15);
  const int paneHeight = w->fraEdt->height();
  w->setHeight(top + 1000);  // nothing would be left: the panes keep their size
  EXPECT_EQ(w->fraEdt->height(), paneHeight);
  w->setWidth(12000);
  EXPECT_NEAR(w->fraEdt->width() * rt::Screen::TwipsPerPixelX(), 12000 - w->fraEdt->x() * rt::Screen::TwipsPerPixelX() - 130, 15);
}

TEST_F(MainWindowTest, DroppedDividerResizesThePanesWithinTheirLimits) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("three.tif"), kThreePages, 4));
  const double tpp = rt::Screen::TwipsPerPixelX();
  auto left = [&] { return w->imgDivider->x() * tpp; };
  w->picChild_DragDrop(w->imgDivider, 4000, 0);
  EXPECT_NEAR(left(), 4000, 15);
  EXPECT_NEAR(w->fraTmb->width() * tpp, 4000 - w->fraTmb->x() * tpp, 15);
  EXPECT_NEAR(w->fraEdt->x() * tpp, 4000 + w->imgDivider->width() * tpp, 15);
  EXPECT_NEAR(w->fraEdt->width() * tpp, w->Width() - w->fraEdt->x() * tpp - 130, 15);
  w->picChild_DragDrop(w->imgDivider, 1000, 0);  // too far left: stops at 2100
  EXPECT_NEAR(left(), 2100, 15);
  const double pageLeft = w->fraEdt->x() * tpp;
  w->ixMain_DragDrop(w->imgDivider, 1500, 0);
  EXPECT_NEAR(left(), pageLeft + 1500, 15);
  w->ixMain_DragDrop(w->imgDivider, static_cast<float>(w->fraEdt->width() * tpp - 500), 0);  // too far right
  EXPECT_NEAR(left(), w->Width() - 2100 - w->imgDivider->width() * tpp, 15);
  const double before = left();
  w->ixMain_DragDrop(w->fraTmb, 100, 0);  // only the divider moves the panes
  EXPECT_EQ(left(), before);
}

TEST_F(MainWindowTest, PageViewMouseSelectsInRectangleModeAndPansInHandMode) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("big.bmp"), {{400, 300, 0xFFFFFF}}, 5));
  img::ImagingControl* ix = w->ixMain;
  const float tx = static_cast<float>(rt::Screen::TwipsPerPixelX()), ty = static_cast<float>(rt::Screen::TwipsPerPixelY());
  w->tbrMode_ButtonClick(QStringLiteral("selrect"));
  struct Drag {
    int x0, y0, x1, y1;
    bool selects;
  };
  for (const Drag& d : {Drag{10, 10, 60, 40, true}, Drag{20, 20, 20, 50, false}}) {
    Q_EMIT ix->MouseDown(1, 0, d.x0 * tx, d.y0 * ty);
    Q_EMIT ix->MouseMove(1, 0, d.x1 * tx, d.y1 * ty);
    Q_EMIT ix->MouseUp(1, 0, d.x1 * tx, d.y1 * ty);
    EXPECT_EQ(ix->SelectionVisible(), d.selects) << d.x1;
    if (d.selects) {
      EXPECT_EQ(ix->SelectionWidth(), d.x1 - d.x0);
      EXPECT_EQ(ix->SelectionHeight(), d.y1 - d.y0);
    }
  }
  w->fnClearSelection();
  EXPECT_FALSE(ix->SelectionVisible());

  // The hand drags the page: the view scrolls against the pointer.
  w->tbrMode_ButtonClick(QStringLiteral("selhand"));
  w->mnuZoomFixed(4.0f);
  ix->setScrollPosX(200);
  ix->setScrollPosY(200);
  Q_EMIT ix->MouseDown(1, 0, 100 * tx, 100 * ty);
  Q_EMIT ix->MouseMove(1, 0, 70 * tx, 90 * ty);
  EXPECT_EQ(ix->ScrollPosX(), 230);
  EXPECT_EQ(ix->ScrollPosY(), 210);
  Q_EMIT ix->MouseUp(1, 0, 70 * tx, 90 * ty);
  EXPECT_EQ(ix->MousePointer(), 99);
  EXPECT_FALSE(gblnDocModified);
}

TEST_F(MainWindowTest, UntitledDocumentWithSeveralPagesNeverOverwritesAPage) {
  frmImgClntForm* w = window();
  w->fnNewImgFile(50, 40, 24, 0xFFFFFF);
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - New File"));
  EXPECT_FALSE(enabled(w->Menu("mnuFileClose")));
  EXPECT_TRUE(enabled(w->Button(w->tbrFile, "close")));
  EXPECT_EQ(gvarPageAnno.size(), 2u);
  // A second page, as a scan or an append after New brings it.
  img::ImagingControl page;
  page.CreateBlankImage(60, 30, 24, 0x0000FF);
  ASSERT_TRUE(w->ixTmb.Load(1));
  w->ixTmb(1)->setImageHandle(page.ImageHandleCopy());
  w->lblTmb.Load(1);

  w->ixTmb_Click(1);
  EXPECT_EQ(gintCurrPage, 1);
  EXPECT_EQ(pageShown(w), 60);
  EXPECT_EQ(w->ixTmb(0)->ImageWidth(), 50);
  w->mnuViewPrev_Click();
  EXPECT_EQ(pageShown(w), 50);
  EXPECT_EQ(w->ixTmb(1)->ImageWidth(), 60);
  EXPECT_TRUE(enabled(w->Menu("mnuViewNext")));
}

// ---- The save prompt ------------------------------------------------------------------------------

TEST_F(MainWindowTest, SavePromptYesSavesNoDiscardsCancelKeeps) {
  struct Case {
    int answer;
    bool closes;
    uint32_t fileColour;
  };
  const Case cases[] = {{rt::vbYes, true, 0xFF0000}, {rt::vbNo, true, 0x00FF00}, {rt::vbCancel, false, 0x00FF00}};
  frmImgClntForm* w = window();
  for (const Case& c : cases) {
    const QString path = file(QStringLiteral("prompt.bmp"), {{20, 10, 0x00FF00}}, 5);
    w->fnOpenImgFile(path);
    w->ixMain->CreateBlankImage(20, 10, 24, 0xFF0000);
    gblnDocModified = gblnPageModified = true;
    dialogs.answerMsgBox(c.answer);
    bool ok = !c.closes;
    w->fnCloseFile(false, ok);
    const RecordedCall& q = dialogs.calls().back();
    EXPECT_EQ(q.text, QStringLiteral("Image has been modified! Save changes?"));
    EXPECT_EQ(q.buttons(), rt::vbYesNoCancel);
    EXPECT_EQ(q.icon(), rt::vbQuestion);
    EXPECT_EQ(q.title, QStringLiteral("Confirmation"));
    EXPECT_EQ(ok, c.closes) << c.answer;
    EXPECT_EQ(w->Caption(), c.closes ? QStringLiteral("   Image Lumivex") : "   Image Lumivex - " + path) << c.answer;
    EXPECT_EQ(gblnDocModified, !c.closes) << c.answer;
    EXPECT_EQ(readImage(path).at(0).colour, c.fileColour) << c.answer;
    if (!c.closes) {
      gblnDocModified = false;
      w->fnCloseFile(false, ok);
    }
  }
  // With no-prompt nothing is asked even when modified.
  w->fnOpenImgFile(dir.file(QStringLiteral("prompt.bmp")));
  gblnDocModified = true;
  bool ok = false;
  w->fnCloseFile(true, ok);
  EXPECT_TRUE(ok);
}

TEST_F(MainWindowTest, YesToThePromptKeepsTheDocumentWhenTheSaveFails) {
  QDir(dir.path()).mkpath(QStringLiteral("gone"));
  const QString path = file(QStringLiteral("gone/page.bmp"), {{20, 10, 0x00FF00}}, 5);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_TRUE(QDir(dir.file(QStringLiteral("gone"))).removeRecursively());
  gblnDocModified = true;
  dialogs.answerMsgBox(rt::vbYes).answerMsgBox(rt::vbOK);
  bool ok = true;
  w->fnCloseFile(false, ok);
  EXPECT_FALSE(ok);
  ASSERT_EQ(dialogs.calls().size(), 2u);
  EXPECT_EQ(dialogs.calls()[1].icon(), rt::vbExclamation);
  EXPECT_EQ(dialogs.calls()[1].title, QStringLiteral("Error"));
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + path);
  EXPECT_TRUE(gblnDocModified);
  EXPECT_TRUE(w->ixMain->hasImage());
}

TEST_F(MainWindowTest, ArchivedDocumentIsTitledByItsKeysSavedUnderANewNameAndUnlockedOnClose) {
  QStringList commands;
  frmImgClntForm::otherWindows().network = [&](const QString& command) { commands << command; };
  frmImgClntForm* w = window();
  gstrAchID = QStringLiteral("A17");
  gstrParm1 = QStringLiteral("INV-2");
  gstrParm2 = QStringLiteral("2026");
  gblnAchUpd = true;
  w->fnOpenImgFile(file(QStringLiteral("KVT_WORKING.ACH"), {{8, 8, 0}}, 5));
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - Archived Document [A17, INV-2, 2026]"));
  // Save of an archived document always asks for a new name.
  dialogs.cancelDialog(rt::DialogKind::Save);
  EXPECT_FALSE(w->mnuFileSave_Click());
  EXPECT_EQ(dialogs.calls().back().request.title, QStringLiteral("Save Current File As"));
  // Closing releases the lock; a failed unlock is reported and the document closes all the same.
  dialogs.answerMsgBox(rt::vbOK);
  bool ok = false;
  w->fnCloseFile(false, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(commands, QStringList{"UNLOCK"});
  EXPECT_EQ(dialogs.calls().back().text,
            QStringLiteral("Error encountered trying to unlock this AchID.\rPlease inform the administrator."));
  EXPECT_TRUE(gstrAchID.isEmpty());
  gblnAchUpd = false;
}

// ---- Saving multi-page documents ------------------------------------------------------------------

TEST_F(MainWindowTest, MultiPageDocumentSavesInPlaceAndUnderAnotherName) {
  const QString path = file(QStringLiteral("doc.tif"), kThreePages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  // Edit page 2, then move on: the edit goes back into its thumbnail.
  w->ixTmb_Click(1);
  w->ixMain->CreateBlankImage(40, 25, 24, 0x00FFFF);
  gblnDocModified = gblnPageModified = true;
  w->ixTmb_Click(2);
  EXPECT_FALSE(gblnPageModified);

  ASSERT_TRUE(w->mnuFileSave_Click());
  std::vector<Page> expected = kThreePages;
  expected[1].colour = 0x00FFFF;
  EXPECT_TRUE(samePages(readImage(path), expected));
  EXPECT_FALSE(gblnDocModified);
  // Nothing but the document is left in its folder.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"doc.tif", "registry"}));

  // Save As: the question, then the new name becomes the document's.
  const QString other = dir.file(QStringLiteral("copy.tif"));
  dialogs.answerFile(rt::DialogKind::Save, other);
  const QString openFilter = w->cdgMain.Filter;
  ASSERT_TRUE(w->mnuFileSaveAs_Click());
  const RecordedCall& d = dialogs.calls().back();
  EXPECT_EQ(d.request.title, QStringLiteral("Save Current File As"));
  EXPECT_EQ(d.request.filter, QStringLiteral("All Files (*.*)|*.*"));
  EXPECT_EQ(w->cdgMain.Filter, openFilter);
  EXPECT_TRUE(samePages(readImage(other), expected));
  EXPECT_EQ(gstrCurrFile, other);
  EXPECT_EQ(w->Caption(), "   Image Lumivex - " + other);

  // Save As onto an existing file answered No writes nothing and keeps the name.
  dialogs.answerFile(rt::DialogKind::Save, path).answerMsgBox(rt::vbNo);
  EXPECT_FALSE(w->mnuFileSaveAs_Click());
  EXPECT_EQ(dialogs.calls().back().text,
            QStringLiteral("A file already exists with the selected path and name!\rOverwrite?"));
  EXPECT_EQ(gstrCurrFile, other);

  // A cancelled dialog ends silently.
  dialogs.cancelDialog(rt::DialogKind::Save);
  EXPECT_FALSE(w->mnuFileSaveAs_Click());
}

TEST_F(MainWindowTest, PcxAndDcxSavesOfferTheExtensionThatFitsThePageCount) {
  struct Case {
    const char* name;
    int16_t format;
    int pages;      // after one page is appended for the two-page cases
    int answer;
    const char* question;
    const char* savedAs;
  };
  const Case cases[] = {
      {"doc.pcx", 2, 2, rt::vbYes,
       "The current PCX file extension is for single-page images.\rDo you want to change the file extension to DCX?",
       "doc.DCX"},
      {"keep.pcx", 2, 2, rt::vbNo, "The current PCX file extension is for single-page images.\rDo you want to change the file extension to DCX?",
       "keep.pcx"},
      {"one.dcx", 24, 1, rt::vbYes,
       "The current DCX file extension is for multi-page images.\rDo you want to change the file extension to PCX?", "one.PCX"},
  };
  frmImgClntForm* w = window();
  for (const Case& c : cases) {
    const QString path = file(QString::fromLatin1(c.name), {{12, 10, 0x0000FF}}, c.format);
    const QByteArray original = fileBytes(path);
    w->fnOpenImgFile(path);
    if (c.pages == 2) {
      img::ImagingControl extra;
      extra.CreateBlankImage(14, 10, 24, 0x00FF00);
      ASSERT_TRUE(w->ixTmb.Load(1));
      w->ixTmb(1)->setImageHandle(extra.ImageHandleCopy());
      w->lblTmb.Load(1);
    }
    dialogs.answerMsgBox(c.answer);
    ASSERT_TRUE(w->mnuFileSave_Click()) << c.name;
    EXPECT_EQ(dialogs.calls().back().text, QString::fromLatin1(c.question)) << c.name;
    const QString saved = dir.file(QString::fromLatin1(c.savedAs));
    EXPECT_EQ(gstrCurrFile, saved) << c.name;
    EXPECT_EQ(readImage(saved).size(), static_cast<std::size_t>(c.pages)) << c.name;
    if (saved != path) {
      EXPECT_EQ(fileBytes(path), original) << c.name;
    }
    // The annotations are in the pixels now; the store is empty.
    EXPECT_EQ(gvarPageAnno.size(), static_cast<std::size_t>(c.pages) + 1);
    for (const rt::Variant& entry : gvarPageAnno) EXPECT_TRUE(entry.IsEmpty());
    w->mnuFileClose_Click();
  }
}

TEST_F(MainWindowTest, AnnotationsAPageCarriesSurviveASaveOfTheDocument) {
  // A two-page TIFF whose second page carries an annotation layer.
  const QString path = dir.file(QStringLiteral("notes.tif"));
  const std::vector<uint8_t> layer = {0x92, 0x8F, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  for (int i = 0; i < 2; ++i) {
    img::ImagingControl ix;
    ix.CreateBlankImage(20, 20, 24, 0xFFFFFF);
    if (i == 1) ix.setAnnotationData(layer);
    ix.setSaveFileType(4);
    ix.setSaveMultiPage(true);
    ix.setSaveFileName(path);
    ix.SaveFile();
  }
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  ASSERT_EQ(gvarPageAnno.size(), 3u);
  EXPECT_TRUE(gvarPageAnno[0].IsEmpty());
  EXPECT_EQ(gvarPageAnno[1].Bytes(), QByteArray(reinterpret_cast<const char*>(layer.data()), layer.size()));
  EXPECT_TRUE(gvarPageAnno[2].IsEmpty());
  w->ixTmb_Click(1);
  w->ixTmb_Click(0);
  gblnDocModified = true;
  ASSERT_TRUE(w->mnuFileSave_Click());
  img::ImagingControl back;
  back.setPageNumber(2);
  back.setSourceFile(path);
  EXPECT_EQ(back.AnnotationData(), layer);
}

TEST_F(MainWindowTest, FailedMultiPageSaveLeavesTheTargetUntouchedAndSaysSo) {
  const QString path = file(QStringLiteral("doc.tif"), kThreePages, 4);
  frmImgClntForm* w = window();
  w->fnOpenImgFile(path);
  // The file changes under the open document: its later pages can no longer be read.
  QFile::remove(path);
  writeImage(path, {{10, 10, 0x123456}}, 4);
  const QByteArray before = fileBytes(path);
  gblnDocModified = true;
  dialogs.answerMsgBox(rt::vbOK);
  EXPECT_FALSE(w->mnuFileSave_Click());
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].icon(), rt::vbExclamation);
  EXPECT_EQ(fileBytes(path), before);
  EXPECT_TRUE(gblnDocModified);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"doc.tif", "registry"}));
  EXPECT_EQ(w->nxMain->AttachControlName(), QStringLiteral("ixMain"));
  // Clicking a page that can no longer be read reports it; the window carries on.
  dialogs.answerMsgBox(rt::vbOK);
  Q_EMIT w->ixTmb(2)->Click();
  EXPECT_EQ(dialogs.calls().back().title, QStringLiteral("Error"));
  EXPECT_TRUE(frmImgClnt.IsLoaded());
}

// ---- Start-up, first activation, shut-down ---------------------------------------------------------

TEST_F(MainWindowTest, FirstActivationFollowsTheCommandLineAndTheAssociationValue) {
  struct Case {
    const char* commandLine;
    std::optional<QString> fileAssoc;
    bool offersAssociations;
    const char* album;
  };
  const Case cases[] = {
      {"", QStringLiteral("1"), false, nullptr},
      {"", std::nullopt, true, nullptr},
      {"", QStringLiteral("0"), true, nullptr},
      {"   ", QStringLiteral("yes"), true, nullptr},
      {" /albums/holiday.kvt  ", std::nullopt, false, "/albums/holiday.kvt"},
      {"/albums/WORK.KVT", QStringLiteral("0"), false, "/albums/WORK.KVT"},
  };
  int offers = 0;
  QString album;
  frmImgClntForm::otherWindows().fileAssociations = [&] { ++offers; };
  frmImgClntForm::otherWindows().openAlbum = [&](const QString& p) { album = p; };
  frmImgClntForm* w = window();
  for (const Case& c : cases) {
    setFileAssoc(c.fileAssoc);
    offers = 0;
    album.clear();
    frmImgClntForm::setCommandLine(QString::fromLatin1(c.commandLine));
    gblnActivated = false;
    w->fnFirstActivation();
    w->fnFirstActivation();  // later activations do nothing
    EXPECT_EQ(offers, c.offersAssociations ? 1 : 0) << c.commandLine;
    EXPECT_EQ(album, QString::fromLatin1(c.album ? c.album : "")) << c.commandLine;
    if (c.offersAssociations) {
      EXPECT_EQ(readValue(plat::reg::HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvane\\Lumivex", "FileAssoc"), QStringLiteral("1"));
    }
  }
}

TEST_F(MainWindowTest, UnreadableCommandLineFileGetsTheErrorMessage) {
  QFile bad(dir.file(QStringLiteral("bad.bmp")));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("BM this is not a picture");
  bad.close();
  frmImgClntForm* w = window();
  for (const QString& path : {dir.file(QStringLiteral("missing.tif")), dir.file(QStringLiteral("bad.bmp"))}) {
    frmImgClntForm::setCommandLine(path);
    dialogs.answerMsgBox(rt::vbOK);
    gblnActivated = false;
    w->fnFirstActivation();
    const RecordedCall& m = dialogs.calls().back();
    EXPECT_EQ(m.icon(), rt::vbExclamation) << path.toStdString();
    EXPECT_EQ(m.title, QStringLiteral("Error"));
    EXPECT_FALSE(m.text.isEmpty());
    EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex"));
    EXPECT_TRUE(gstrCurrFile.isEmpty());
    EXPECT_FALSE(enabled(w->Button(w->tbrFile, "save")));
  }
}

TEST_F(MainWindowTest, StartUpRecordsTheScannerAndRegistersTheDocumentType) {
  setScanners(true);
  frmImgClntForm* w = window();
  EXPECT_TRUE(gblnScannerPresent);
  EXPECT_TRUE(enabled(w->Button(w->tbrScan, "scannew")));
  EXPECT_TRUE(enabled(w->Menu("mnuScanNew")));
  EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scanappend")));
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0}}, 5));
  EXPECT_TRUE(enabled(w->Button(w->tbrScan, "scanoverwrite")));
  EXPECT_FALSE(enabled(w->Button(w->tbrScan, "scanappend")));
  w->mnuFileClose_Click();
  w->fnOpenImgFile(file(QStringLiteral("two.tif"), {{8, 8, 0}, {9, 9, 0}}, 4));
  EXPECT_TRUE(enabled(w->Button(w->tbrScan, "scanappend")));
  EXPECT_TRUE(enabled(w->Menu("mnuScanInsert")));

  using plat::reg::HKEY_CLASSES_ROOT;
  const QString program = rt::App::Path() + QStringLiteral("/kvtLumivex");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1", nullptr), QStringLiteral("Image Lumivex"));
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell\\open\\command", nullptr), program + " %1");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\shell\\edit\\command", nullptr), program + " %1");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\DefaultIcon", nullptr), program + ",0");
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, "ImageLumivex.Application.1\\CurVer", nullptr),
            QStringLiteral("ImageLumivex.Application.1"));
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".kvt", nullptr), QStringLiteral("ImageLumivex.Application.1"));
  EXPECT_EQ(readValue(HKEY_CLASSES_ROOT, ".kvt", "Perceived Type"), QStringLiteral("text"));
}

TEST_F(MainWindowTest, ClosingTheWindowLogsOutOnlyWhenTheCloseGoesAhead) {
  struct Case {
    int answer;            // to the save prompt
    bool logoutSucceeds;
    bool closes;
    bool loggedOut;
    bool failureMessage;
  };
  const Case cases[] = {{rt::vbCancel, true, false, false, false},
                        {rt::vbNo, true, true, true, false},
                        {rt::vbNo, false, true, true, true}};
  for (const Case& c : cases) {
    QStringList commands;
    frmImgClntForm::otherWindows().network = [&](const QString& command) {
      commands << command;
      if (c.logoutSucceeds) frmImgClnt->NetworkResult = QStringLiteral("True");
    };
    frmImgClntForm* w = window();
    w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0}}, 5));
    w->setStatusPanel("LOGIN", QStringLiteral("JOE"));
    gblnDocModified = true;
    dialogs.answerMsgBox(c.answer);
    if (c.failureMessage) dialogs.answerMsgBox(rt::vbOK);
    EXPECT_EQ(unloadNow(), c.closes);
    EXPECT_EQ(commands, c.loggedOut ? QStringList{"LOGOUT"} : QStringList{});
    if (c.failureMessage) {
      EXPECT_EQ(dialogs.calls().back().text, QStringLiteral("Logout was unsuccessful!, Please inform your administrator"));
    }
    if (!c.closes) {
      EXPECT_TRUE(frmImgClnt.IsLoaded());
      EXPECT_TRUE(w->ixMain->hasImage());
      gblnDocModified = false;
      w->setStatusPanel("LOGIN", QString());
      unloadNow();
    }
  }
}

// ---- Annotation notifications -----------------------------------------------------------------------

TEST_F(MainWindowTest, AddedChangedAndDeletedAnnotationsMarkTheDocumentModified) {
  frmImgClntForm* w = window();
  w->fnOpenImgFile(file(QStringLiteral("one.bmp"), {{8, 8, 0}}, 5));
  for (int code : {1001, 1002, 1003, 1004, 1005, 1015}) {
    gblnDocModified = gblnPageModified = false;
    Q_EMIT w->nxMain->AnnotationEvent(code, 7);
    const bool marks = code <= 1003;
    EXPECT_EQ(gblnDocModified, marks) << code;
    EXPECT_EQ(gblnPageModified, marks) << code;
  }
  gblnDocModified = false;
  // A tool change leaves the document as it was.
  w->fnSelectArrowMode();
  EXPECT_EQ(w->nxMain->CurrentTool(), 4096);
  w->fnSelectRectMode();
  EXPECT_EQ(w->nxMain->CurrentTool(), 0);
  EXPECT_FALSE(gblnDocModified);
  // The layer the control reports current is the one the window works on.
  const intptr_t layer = w->nxMain->NewLayer();
  EXPECT_EQ(glngAnnoHandle, layer);
  // Show Palette twice ends in the hand mode with no annotation tool.
  w->mnuAnnPalette_Click();
  EXPECT_TRUE(w->Menu("mnuAnnPalette")->isChecked());
  EXPECT_TRUE(w->Button(w->tbrMode, "selarrow")->isChecked());
  w->mnuAnnPalette_Click();
  EXPECT_FALSE(w->Menu("mnuAnnPalette")->isChecked());
  EXPECT_TRUE(w->Button(w->tbrMode, "selhand")->isChecked());
  EXPECT_EQ(w->nxMain->CurrentTool(), 0);
}

}  // namespace
