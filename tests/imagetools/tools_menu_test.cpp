// The main window's Tools menu and File > New with the image tools: the menu tree, the words the
// commands store, the dialogs they open and what the direct operations do to the page.
#include "imagetools/frm_i_level.h"
#include "imagetools/frm_img_new.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/register_windows.h"
#include "tests/imagetools/tool_fixture.h"
#include "runtime/screen.h"
#include "tests/support/main_window_fixture.h"
#include "workspace/command_table.h"

#include <QComboBox>
#include <QPushButton>
#include <QTimer>

namespace {

using namespace mainwindowtest;

class ToolsMenu : public MainWindowTest {
 protected:
  // Replaces the tool windows with recorders of the window opened and the word stored.
  void recordOpeners() {
    for (const char* name : {"frmImgProc", "frmImgSize", "frmImgColDep", "frmImgColRep", "frmImgColSep", "frmILevel", "frmImgNew"}) {
      const QString n = QLatin1String(name);
      ws::registerWindow(n, [this, n](const QStringList&) {
        opened << n;
        words << gstrImgOperation;
        selectionWhileOpen.push_back(window()->ixMain->SelectionWidth());
      });
    }
  }
  frmImgClntForm* withPage() {
    frmImgClntForm* w = window();
    w->fnOpenImgFile(file(QStringLiteral("page.bmp"), {{40, 30, 0x336699}}, 5));
    return w;
  }
  // A picture whose corners differ: top-left red, top-right green, bottom-left blue.
  static img::Bitmap corners() {
    img::Bitmap b(4, 3, 24);
    b.setIndex(0, 0, qRgb(255, 0, 0));
    b.setIndex(3, 0, qRgb(0, 255, 0));
    b.setIndex(0, 2, qRgb(0, 0, 255));
    return b;
  }
  QStringList opened, words;
  std::vector<int32_t> selectionWhileOpen;
};

QStringList itemsOf(const QMenu* m) {
  QStringList out;
  for (const QAction* a : m->actions()) {
    if (a->isSeparator()) out << QStringLiteral("-");
    else out << a->text() + (a->shortcut().isEmpty() ? QString() : QStringLiteral(" ") + a->shortcut().toString());
  }
  return out;
}

TEST_F(ToolsMenu, TheMenuTreeHoldsEveryItemInOrder) {
  frmImgClntForm* w = window();
  EXPECT_EQ(itemsOf(w->mnuTools), (QStringList{"Flip Ctrl+F", "Mirror Ctrl+M", "Rotate Left Ctrl+L", "Rotate Right Ctrl+R", "-",
                                               "Crop", "Resize", "-", "Effects", "Filters", "Colours"}));
  EXPECT_EQ(itemsOf(w->findChild<QMenu*>(QStringLiteral("mnuToolsEffects"))),
            (QStringList{"Auto Contrast", "Brightness", "Contrast", "-", "Deskew", "Despeckle", "-", "Gray Scale", "-", "Buttonize",
                         "Perspective", "Pinch", "Ripple", "Swirl", "Twist"}));
  EXPECT_EQ(itemsOf(w->findChild<QMenu*>(QStringLiteral("mnuToolsFilters"))),
            (QStringList{"Blend", "Blur", "Diffuse", "Dilate", "Emboss", "Equalize", "Erode", "Gamma", "Median", "Mosiac",
                         "Motion Blur", "Negate", "Noise", "Outline", "Posterize", "Parabolic", "Sharpen", "Soften", "Solarize"}));
  EXPECT_EQ(itemsOf(w->findChild<QMenu*>(QStringLiteral("mnuToolsColours"))),
            (QStringList{"Adjust RGB", "Adjust HSL", "-", "Depth", "Replace Colours", "Separation", "-", "Intensity Levels"}));
  EXPECT_FALSE(w->Menu(QStringLiteral("mnuTools"))->isEnabled()) << "no document";
}

TEST_F(ToolsMenu, EffectCommandsStoreTheirWordAndClearTheSelectionAfterwards) {
  frmImgClntForm* w = withPage();
  recordOpeners();
  const std::vector<std::pair<const char*, const char*>> items = {
      {"mnuToolsBrightness", "BRIGHTNESS & CONTRAST"}, {"mnuToolsContrast", "BRIGHTNESS & CONTRAST"},
      {"mnuToolsGrayScale", "GRAYSCALE"},              {"mnuToolsButtonize", "BUTTONIZE"},
      {"mnuToolsPerspective", "PERSPECTIVE"},          {"mnuToolsPinch", "PINCH"},
      {"mnuToolsRipple", "RIPPLE"},                    {"mnuToolsSwirl", "SWIRL"},
      {"mnuToolsTwist", "TWIST"},                      {"mnuToolsBlend", "BLEND"},
      {"mnuToolsBlur", "BLUR"},                        {"mnuToolsDiffuse", "DIFFUSE"},
      {"mnuToolsDilate", "DILATE"},                    {"mnuToolsEmboss", "EMBOSS"},
      {"mnuToolsEqualize", "EQUALIZE"},                {"mnuToolsErode", "ERODE"},
      {"mnuToolsGamma", "GAMMA"},                      {"mnuToolsMedian", "MEDIAN"},
      {"mnuToolsMosiac", "MOSIAC"},                    {"mnuToolsMBlur", "MBLUR"},
      {"mnuToolsNegate", "NEGATE"},                    {"mnuToolsNoise", "NOISE"},
      {"mnuToolsOutline", "OUTLINE"},                  {"mnuToolsPosterize", "POSTERIZE"},
      {"mnuToolsParabolic", "PARABOLIC"},              {"mnuToolsSharpen", "SHARPEN"},
      {"mnuToolsSoften", "SOFTEN"},                    {"mnuToolsSolarize", "SOLARIZE"},
      {"mnuToolsAdjRGB", "ADJRGB"},                    {"mnuToolsAdjHSL", "ADJHSL"},
  };
  for (auto [item, word] : items) {
    w->ixMain->setSelection(2, 2, 10, 10);
    opened.clear();
    words.clear();
    selectionWhileOpen.clear();
    ASSERT_NE(w->Menu(QLatin1String(item)), nullptr) << item;
    w->Menu(QLatin1String(item))->trigger();
    EXPECT_EQ(opened, QStringList{QStringLiteral("frmImgProc")}) << item;
    EXPECT_EQ(words, QStringList{QLatin1String(word)}) << item;
    EXPECT_EQ(selectionWhileOpen, std::vector<int32_t>{10}) << item << ": the dialog sees the selection";
    EXPECT_EQ(w->ixMain->SelectionWidth(), 0) << item;
  }
  EXPECT_FALSE(doc().docModified) << "the dialog alone sets the flags";
}

TEST_F(ToolsMenu, DialogCommandsOpenTheirWindows) {
  frmImgClntForm* w = withPage();
  recordOpeners();
  struct Row {
    const char* item;
    const char* form;
    const char* word;  // nullptr: the word is left as it was
    bool clears;
  };
  for (const Row& r : {Row{"mnuToolsCrop", "frmImgSize", "CROP", true}, Row{"mnuToolsResize", "frmImgSize", "RESIZE", false},
                       Row{"mnuToolsDepth", "frmImgColDep", nullptr, false},
                       Row{"mnuToolsReplaceCols", "frmImgColRep", nullptr, false},
                       Row{"mnuToolsSeparation", "frmImgColSep", nullptr, false},
                       Row{"mnuToolsIntLvl", "frmILevel", nullptr, false}}) {
    gstrImgOperation = QStringLiteral("KEPT");
    w->ixMain->setSelection(1, 1, 5, 5);
    opened.clear();
    words.clear();
    w->Menu(QLatin1String(r.item))->trigger();
    EXPECT_EQ(opened, QStringList{QLatin1String(r.form)}) << r.item;
    EXPECT_EQ(words.value(0), r.word ? QLatin1String(r.word) : QStringLiteral("KEPT")) << r.item;
    EXPECT_EQ(w->ixMain->SelectionWidth(), r.clears ? 0 : 5) << r.item;
  }
}

TEST_F(ToolsMenu, DirectOperationsTurnThePageAndMarkItModified) {
  frmImgClntForm* w = withPage();
  struct Row {
    const char* item;
    QPoint redAt;  // where the top-left red pixel ends up
  };
  for (const Row& r : {Row{"mnuToolsLeft", QPoint(0, 3)}, Row{"mnuToolsRight", QPoint(2, 0)}, Row{"mnuToolsFlip", QPoint(3, 2)},
                       Row{"mnuToolsMirror", QPoint(3, 0)}}) {
    w->ixMain->setBitmap(corners());
    w->ixMain->setSelection(0, 0, 2, 2);
    doc().docModified = doc().pageModified = false;
    w->Menu(QLatin1String(r.item))->trigger();
    EXPECT_EQ(w->ixMain->bitmap().pixel(r.redAt.x(), r.redAt.y()), qRgb(255, 0, 0)) << r.item;
    EXPECT_TRUE(doc().docModified && doc().pageModified) << r.item;
    EXPECT_EQ(w->ixMain->SelectionWidth(), 0) << r.item;
  }
  // The image toolbar's buttons run the same commands.
  for (auto [key, redAt] : {std::pair{"rotateleft", QPoint(0, 3)}, std::pair{"rotateright", QPoint(2, 0)}, std::pair{"flip", QPoint(3, 2)}}) {
    w->ixMain->setBitmap(corners());
    ws::toolbarButtonClick(*w, "tbrImage", QLatin1String(key));
    EXPECT_EQ(w->ixMain->bitmap().pixel(redAt.x(), redAt.y()), qRgb(255, 0, 0)) << key;
  }
  // Flip twice restores the page.
  w->ixMain->setBitmap(corners());
  w->Menu(QStringLiteral("mnuToolsFlip"))->trigger();
  w->Menu(QStringLiteral("mnuToolsFlip"))->trigger();
  EXPECT_TRUE(tooltest::samePicture(w->ixMain->bitmap(), corners()));
  // Auto Contrast, Deskew and Despeckle clear the selection and set both flags like the others.
  for (const char* item : {"mnuToolsAutoContrast", "mnuToolsDeskew", "mnuToolsDespeckle"}) {
    w->ixMain->setSelection(0, 0, 2, 2);
    doc().docModified = doc().pageModified = false;
    w->Menu(QLatin1String(item))->trigger();
    EXPECT_TRUE(doc().docModified && doc().pageModified) << item;
    EXPECT_EQ(w->ixMain->SelectionWidth(), 0) << item;
  }
  // A large page turns beside the window (a progress window keeps it painting), with the same
  // result, the normal pointer afterwards and the previous page kept for undo.
  img::Bitmap big(2100, 2000, 24);
  big.setIndex(0, 0, qRgb(255, 0, 0));
  w->ixMain->setBitmap(big);
  w->Menu(QStringLiteral("mnuToolsRight"))->trigger();
  EXPECT_EQ(w->ixMain->ImageWidth(), 2000);
  EXPECT_EQ(w->ixMain->bitmap().pixel(1999, 0) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
  EXPECT_EQ(rt::Screen::MousePointer(), rt::vbDefault);
  w->ixMain->UndoLast();
  EXPECT_EQ(w->ixMain->ImageWidth(), 2100);
}

TEST_F(ToolsMenu, AnEffectAppliedThroughTheRealDialogChangesThePage) {
  frmImgClntForm* w = withPage();
  registerImageToolsWindows();
  const QRgb before = w->ixMain->bitmap().pixel(5, 5);
  QTimer::singleShot(0, [] {
    ASSERT_TRUE(frmImgProc.IsLoaded());
    EXPECT_EQ(frmImgProc->Caption(), QStringLiteral("   Negate"));
    EXPECT_EQ(frmImgProc->parentWidget(), frmImgClnt.get()) << "owned by the main window";
    frmImgProc->cmdApply->click();
  });
  w->Menu(QStringLiteral("mnuToolsNegate"))->trigger();
  EXPECT_EQ(w->ixMain->bitmap().pixel(5, 5) & 0xFFFFFF, ~before & 0xFFFFFF);
  EXPECT_TRUE(doc().docModified && doc().pageModified);
}

TEST_F(ToolsMenu, IntensityLevelsHasNoOwner) {
  withPage();
  registerImageToolsWindows();
  bool seen = false;
  QTimer::singleShot(0, [&seen] {
    seen = frmILevel.IsLoaded();
    EXPECT_EQ(frmILevel->parentWidget(), nullptr);
    frmILevel->cmdClose->click();
  });
  window()->Menu(QStringLiteral("mnuToolsIntLvl"))->trigger();
  EXPECT_TRUE(seen);
}

// File > New closes the open document only once Create is pressed: Cancel in the dialog, or in the
// save question that Create asks, leaves the document as it was.
TEST_F(ToolsMenu, FileNewClosesTheDocumentOnlyOnceCreateIsPressed) {
  frmImgClntForm* w = withPage();
  registerImageToolsWindows();
  auto create = [](const char* width) {
    QTimer::singleShot(0, [width] {
      frmImgNewForm* f = frmImgNew.get();
      f->txtWidth->setText(QLatin1String(width));
      f->txtHeight->setText(QStringLiteral("32"));
      f->cmbBPP->setCurrentIndex(3);
      f->cmdCreate->click();
    });
  };
  create("64");
  w->Menu(QStringLiteral("mnuFileNew"))->trigger();
  EXPECT_EQ(w->ixMain->ImageWidth(), 64);
  EXPECT_EQ(w->ixMain->ImageHeight(), 32);
  EXPECT_EQ(w->Caption(), QStringLiteral("   Image Lumivex - New File"));
  EXPECT_TRUE(doc().docModified && doc().pageModified);

  QTimer::singleShot(0, [] { frmImgNew->cmdCancel->click(); });
  w->Menu(QStringLiteral("mnuFileNew"))->trigger();
  EXPECT_EQ(w->ixMain->ImageWidth(), 64);
  EXPECT_TRUE(dialogs.calls().empty());

  create("16");
  dialogs.answerMsgBox(rt::vbCancel);
  w->Menu(QStringLiteral("mnuFileNew"))->trigger();
  ASSERT_EQ(dialogs.calls().size(), 1u);
  EXPECT_EQ(dialogs.calls()[0].text, QStringLiteral("Image has been modified! Save changes?"));
  EXPECT_EQ(w->ixMain->ImageWidth(), 64);
  EXPECT_TRUE(doc().docModified);
  EXPECT_FALSE(frmImgNew.IsLoaded());
}

}  // namespace
