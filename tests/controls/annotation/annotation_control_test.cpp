// The annotation control over the engine library it loads from beside the program.
#include "annotation/ann_codes.h"
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "platform/graphics/gdi.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/keys.h"
#include "tests/support/mouse.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

using ann::AnnotationControl;

class AnnotationControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"ixMain", "ixTmb(1)"}) {
      auto* ix = new img::ImagingControl(&window);
      ix->setName(QString::fromLatin1(name));
      ix->CreateBlankImage(200, 100, 24, 0xFFFFFF);
      ix->resize(300, 200);
    }
    nx = new AnnotationControl(&window, [this](const QString& name) -> img::ImagingControl* {
      for (auto* ix : window.findChildren<img::ImagingControl*>())
        if (ix->Name() == name) return ix;
      return nullptr;
    });
    QObject::connect(nx, &AnnotationControl::CurrentLayerChanged, [this](intptr_t l) { layerEvents.push_back(l); });
    QObject::connect(nx, &AnnotationControl::AnnotationEvent,
                     [this](int32_t code, int32_t value) { events.push_back({code, value}); });
    ASSERT_TRUE(nx->EngineAvailable()) << nx->EngineError().toStdString();
  }
  img::ImagingControl* ShownWithOneRectangle(intptr_t* layer);
  img::ImagingControl* view(const char* name) {
    for (auto* ix : window.findChildren<img::ImagingControl*>())
      if (ix->Name() == QLatin1String(name)) return ix;
    return nullptr;
  }

  QWidget window;
  AnnotationControl* nx = nullptr;
  std::vector<intptr_t> layerEvents;
  std::vector<std::pair<int32_t, int32_t>> events;
};

TEST_F(AnnotationControlTest, LayersBecomeCurrentAndReportIt) {
  const intptr_t a = nx->NewLayer();
  ASSERT_NE(a, 0);
  EXPECT_EQ(nx->CurrentLayer(), a);
  const intptr_t b = nx->NewLayer();
  EXPECT_EQ(nx->CurrentLayer(), b);
  EXPECT_EQ(layerEvents, (std::vector<intptr_t>{a, b}));

  intptr_t first = a;
  EXPECT_EQ(nx->SelectLayer(first), 0);
  EXPECT_EQ(nx->CurrentLayer(), a);
  EXPECT_EQ(layerEvents.back(), a);
  EXPECT_EQ(nx->LayerObjectCount(a), 0);

  intptr_t bogus = a + 1;
  EXPECT_EQ(nx->SelectLayer(bogus), ERR_BAD_LAYER);
  EXPECT_EQ(nx->DeleteLayer(bogus), ERR_BAD_LAYER);
  EXPECT_EQ(nx->BurnIn(bogus), ERR_BAD_LAYER);
  EXPECT_EQ(nx->CurrentLayer(), a);

  nx->ClearAll();
  EXPECT_EQ(nx->CurrentLayer(), 0);
  EXPECT_EQ(layerEvents.back(), 0);
}

TEST_F(AnnotationControlTest, ToolsAndToolAttributesReachTheEngine) {
  nx->NewLayer();
  events.clear();
  EXPECT_EQ(nx->setCurrentTool(TOOL_RECTANGLE), 0);
  EXPECT_EQ(nx->CurrentTool(), TOOL_RECTANGLE);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), std::make_pair(EVT_TOOL_CHANGED, TOOL_RECTANGLE));
  EXPECT_EQ(nx->setCurrentTool(5000), ERR_BAD_TOOL);
  EXPECT_EQ(nx->CurrentTool(), TOOL_RECTANGLE);
  // A new layer takes the tool in force.
  nx->NewLayer();
  EXPECT_EQ(nx->CurrentTool(), TOOL_RECTANGLE);

  EXPECT_EQ(nx->SetToolAttribute(TOOL_RECTANGLE, PROP_PEN_WIDTH, 3), 0);
  int32_t width = -1;
  EXPECT_EQ(nx->GetToolAttribute(TOOL_RECTANGLE, PROP_PEN_WIDTH, width), 0);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(nx->SetToolAttribute(TOOL_POINTER, PROP_PEN_COLOR, 0), ERR_NO_PROPERTY);
  EXPECT_EQ(nx->SetToolAttribute(4200, PROP_PEN_WIDTH, 1), ERR_BAD_TOOL);
}

TEST_F(AnnotationControlTest, AttachesByNameAndLetsUnhandledInputThrough) {
  nx->setAttachControlName(QStringLiteral("ixTmb(1)"));
  EXPECT_EQ(nx->AttachedControl(), view("ixTmb(1)"));
  EXPECT_EQ(nx->AttachControlName(), QStringLiteral("ixTmb(1)"));
  nx->setAttachControlName(QStringLiteral("ixMain"));
  img::ImagingControl* ix = view("ixMain");
  EXPECT_EQ(nx->AttachedControl(), ix);
  EXPECT_TRUE(view("ixTmb(1)")->findChildren<QWidget*>(QStringLiteral("annotationOverlay")).isEmpty());
  EXPECT_EQ(ix->findChildren<QWidget*>(QStringLiteral("annotationOverlay")).size(), 1);

  // With no annotation tool the engine leaves the click to the view (panning, rubber band).
  int downs = 0;
  QObject::connect(ix, &img::ImagingControl::MouseDown, [&] { ++downs; });
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(ix, &press);
  EXPECT_EQ(downs, 1);

  nx->setAttachControlName(QStringLiteral("ixNothing"));
  EXPECT_EQ(nx->AttachedControl(), nullptr);
  nx->setAttachControlName(QString());
  EXPECT_EQ(nx->AttachedControl(), nullptr);
  EXPECT_TRUE(ix->findChildren<QWidget*>(QStringLiteral("annotationOverlay")).isEmpty());
}

TEST_F(AnnotationControlTest, StoreKeepsTheVariantEmptyUnlessTheLayerWasWritten) {
  // An empty layer is written like any other and comes back as a layer of its own.
  const intptr_t layer = nx->NewLayer();
  rt::Variant data;
  int32_t bytes = -1;
  ASSERT_EQ(nx->SaveLayerToVariant(data, layer, bytes), 0);
  ASSERT_TRUE(data.IsByteArray());
  EXPECT_EQ(bytes, data.Bytes().size());
  intptr_t back = 0;
  EXPECT_EQ(nx->LoadLayerFromVariant(data, back), 0);
  EXPECT_NE(back, 0);
  EXPECT_NE(back, layer);
  EXPECT_EQ(nx->CurrentLayer(), back);

  // A layer the engine does not know is not written, and the variant stays empty.
  rt::Variant untouched;
  EXPECT_NE(nx->SaveLayerToVariant(untouched, back + 1000, bytes), 0);
  EXPECT_TRUE(untouched.IsEmpty());

  intptr_t none = 123;
  EXPECT_NE(nx->LoadLayerFromVariant(rt::Variant(), none), 0);
  EXPECT_EQ(none, 0);
}

// A page the attached view reads from a file brings its annotations in as the current layer;
// a view that is not attached (any more) brings nothing.
TEST_F(AnnotationControlTest, PageLoadedIntoTheAttachedViewBringsItsAnnotations) {
  testsupport::TempDir dir;
  const QString path = dir.file(QStringLiteral("annotated.tif"));
  nx->setAttachControlName(QStringLiteral("ixMain"));
  img::ImagingControl* ix = view("ixMain");
  nx->NewLayer();
  ASSERT_EQ(nx->StoreCurrentLayerInAttached(), 0);
  ix->setSaveFileType(4);
  ix->setSaveFileName(path);
  ix->SaveFile();

  nx->ClearAll();
  ix->setSourceFile(path);
  EXPECT_NE(nx->CurrentLayer(), 0);

  nx->setAttachControlName(QStringLiteral("ixTmb(1)"));
  nx->ClearAll();
  ix->setSourceFile(path);
  EXPECT_EQ(nx->CurrentLayer(), 0);
  view("ixTmb(1)")->setSourceFile(path);
  EXPECT_NE(nx->CurrentLayer(), 0);
}

TEST(AnnotationControlWithoutEngine, EveryMemberFailsPlainly) {
  const QString saved = AnnotationControl::libraryPath();
  AnnotationControl::setLibraryPath(QStringLiteral("/nonexistent/libannolyx.so"));
  {
    QWidget window;
    AnnotationControl nx(&window, {});
    EXPECT_FALSE(nx.EngineAvailable());
    EXPECT_FALSE(nx.EngineError().isEmpty());
    EXPECT_EQ(nx.NewLayer(), 0);
    EXPECT_EQ(nx.CurrentLayer(), 0);
    EXPECT_EQ(nx.SetToolAttribute(TOOL_TEXT, PROP_PEN_WIDTH, 1), ann::kErrNoEngine);
    intptr_t layer = 0;
    EXPECT_EQ(nx.BurnIn(layer), ann::kErrNoEngine);
    nx.ClearAll();
  }
  AnnotationControl::setLibraryPath(saved);
}

}  // namespace

namespace {

void mouse(QWidget* on, QEvent::Type type, int x, int y, Qt::MouseButtons buttons,
           Qt::MouseButton button = Qt::LeftButton) {
  testsupport::sendMouse(on, type, QPoint(x, y), button, buttons);
}

// A rectangle dragged on the view with the rectangle tool.
void dragRectangle(ann::AnnotationControl* nx, img::ImagingControl* ix, QPoint from, QPoint to) {
  nx->setCurrentTool(TOOL_RECTANGLE);
  mouse(ix, QEvent::MouseButtonPress, from.x(), from.y(), Qt::LeftButton);
  mouse(ix, QEvent::MouseMove, (from.x() + to.x()) / 2, (from.y() + to.y()) / 2, Qt::LeftButton);
  mouse(ix, QEvent::MouseMove, to.x(), to.y(), Qt::LeftButton);
  mouse(ix, QEvent::MouseButtonRelease, to.x(), to.y(), Qt::NoButton);
  nx->setCurrentTool(TOOL_POINTER);
}

int nonWhitePixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++n;
  return n;
}

QImage pictureOf(img::ImagingControl* ix) {
  QImage image;
  plat::HGLOBAL dib = ix->ImageHandleCopy();
  plat::ImageFromPackedDib(dib, &image);
  plat::GlobalFree(dib);
  return image;
}

}  // namespace

// The main view shown, with a new current layer holding one rectangle drawn by the mouse.
img::ImagingControl* AnnotationControlTest::ShownWithOneRectangle(intptr_t* layer) {
  nx->setAttachControlName(QStringLiteral("ixMain"));
  img::ImagingControl* ix = view("ixMain");
  window.show();
  *layer = nx->NewLayer();
  dragRectangle(nx, ix, {20, 20}, {80, 60});
  return ix;
}

TEST_F(AnnotationControlTest, BurnedInAnnotationsStayInTheSavedPicture) {
  intptr_t layer = 0;
  img::ImagingControl* ix = ShownWithOneRectangle(&layer);
  ASSERT_EQ(nx->LayerObjectCount(layer), 1);
  ASSERT_EQ(nonWhitePixels(pictureOf(ix)), 0);
  nx->SetBurnInDepth(ix->ImageBitsPerPixel());
  ASSERT_EQ(nx->BurnIn(layer), 0);
  const int drawn = nonWhitePixels(pictureOf(ix));
  EXPECT_GT(drawn, 100);

  testsupport::TempDir dir;
  for (auto [format, name] : {std::pair<int16_t, const char*>{5, "page.bmp"}, {2, "page.pcx"}}) {
    const QString path = dir.file(QString::fromLatin1(name));
    ix->setSaveMultiPage(false);
    ix->setSaveFileType(format);
    ix->setSaveFileName(path);
    ix->SaveFile();
    img::ImagingControl reader(&window);
    reader.setSourceFile(path);
    ASSERT_TRUE(reader.hasImage()) << name;
    EXPECT_EQ(nonWhitePixels(pictureOf(&reader)), drawn) << name;
  }
}

TEST_F(AnnotationControlTest, CopiedAnnotationsPasteIntoAnotherWindow) {
  nx->setAttachControlName(QStringLiteral("ixMain"));
  img::ImagingControl* ix = view("ixMain");
  window.show();
  intptr_t layer = nx->NewLayer();
  EXPECT_EQ(nx->CopySelected(), ERR_NO_SELECTION);
  dragRectangle(nx, ix, {20, 20}, {80, 60});
  dragRectangle(nx, ix, {100, 30}, {150, 90});
  ASSERT_EQ(nx->LayerObjectCount(layer), 2);
  nx->SelectAll(layer, true);
  ASSERT_EQ(nx->CopySelected(), 0);
  EXPECT_TRUE(nx->CanPaste());

  // A second window with its own control and engine.
  QWidget other;
  auto* page = new img::ImagingControl(&other);
  page->setName(QStringLiteral("ixMain"));
  page->CreateBlankImage(200, 100, 24, 0xFFFFFF);
  page->resize(300, 200);
  auto* nx2 = new AnnotationControl(&other, [page](const QString&) { return page; });
  nx2->setAttachControlName(QStringLiteral("ixMain"));
  intptr_t target = nx2->NewLayer();
  EXPECT_TRUE(nx2->CanPaste());
  EXPECT_EQ(nx2->PasteAnnotations(), 0);
  EXPECT_EQ(nx2->LayerObjectCount(target), 2);

  ASSERT_EQ(nx->CutSelected(), 0);
  EXPECT_EQ(nx->LayerObjectCount(layer), 0);
  EXPECT_EQ(nx2->PasteAnnotations(), 0);
  EXPECT_EQ(nx2->LayerObjectCount(target), 4);
}

// The engine's attribute menu opens on a right click, and its colour entry asks the program's
// dialog service.
TEST_F(AnnotationControlTest, AttributeMenuColourGoesThroughTheDialogService) {
  intptr_t layer = 0;
  img::ImagingControl* ix = ShownWithOneRectangle(&layer);
  ASSERT_EQ(nx->LayerObjectCount(layer), 1);

  testsupport::ScriptedDialogs script;
  script.answerDialog(rt::DialogKind::Color, [](rt::DialogRequest& r) {
    r.color = 0x00336699;
    return true;
  });
  QTimer::singleShot(0, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* a : menu->actions())
      if (a->text() == QStringLiteral("Pen color...")) a->trigger();
    menu->close();
  });
  mouse(ix, QEvent::MouseButtonPress, 50, 40, Qt::RightButton, Qt::RightButton);
  mouse(ix, QEvent::MouseButtonRelease, 50, 40, Qt::NoButton, Qt::RightButton);
  QCoreApplication::processEvents();
  script.verify();
  EXPECT_EQ(script.pending(), 0u);
}

namespace {

bool holdsHello(const QByteArray& bytes) {
  return bytes.contains("Hello") || bytes.contains(QByteArray("H\0e\0l\0l\0o\0", 10));
}

}  // namespace

// A text typed with the text tool and never clicked away from is in the layer whenever the
// program takes the page's annotations or leaves the page, as after a click elsewhere: the
// layer holds it, the program hears that it was added (and so marks the page modified), and
// what is handed out carries it.
TEST_F(AnnotationControlTest, TypedTextIsKeptByEveryCommandThatTakesOrLeavesThePage) {
  nx->setAttachControlName(QStringLiteral("ixMain"));
  img::ImagingControl* ix = view("ixMain");
  auto* elsewhere = new QLineEdit(&window);
  elsewhere->move(0, 250);
  window.resize(400, 300);
  window.show();
  QApplication::setActiveWindow(&window);
  intptr_t layer = 0;

  struct HandOver {
    const char* what;
    std::function<QByteArray()> act;  // what it handed out, if anything
  } const cases[] = {
      {"storing the layer in the page",
       [&] {
         EXPECT_EQ(nx->StoreCurrentLayerInAttached(), 0);
         const std::vector<uint8_t> b = ix->AnnotationData();
         return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
       }},
      {"saving the layer",
       [&] {
         rt::Variant data;
         int32_t bytes = 0;
         EXPECT_EQ(nx->SaveLayerToVariant(data, layer, bytes), 0);
         return data.Bytes();
       }},
      {"taking the current layer",
       [&] {
         EXPECT_EQ(nx->CurrentLayer(), layer);
         return QByteArray();
       }},
      {"burning in",
       [&] {
         nx->SetBurnInDepth(24);
         intptr_t l = layer;
         EXPECT_EQ(nx->BurnIn(l), 0);
         EXPECT_GT(nonWhitePixels(pictureOf(ix)), 0);
         return QByteArray();
       }},
      {"another layer made current",
       [&] {
         nx->NewLayer();
         return QByteArray();
       }},
      {"attaching another view",
       [&] {
         nx->setAttachControlName(QStringLiteral("ixTmb(1)"));
         return QByteArray();
       }},
      {"a press on another page's thumbnail",
       [&] {
         testsupport::sendMouse(view("ixTmb(1)"), QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
         return QByteArray();
       }},
      {"the keys going elsewhere",
       [&] {
         elsewhere->setFocus(Qt::TabFocusReason);
         return QByteArray();
       }},
  };
  for (const HandOver& c : cases) {
    SCOPED_TRACE(c.what);
    nx->setAttachControlName(QStringLiteral("ixMain"));
    ix->CreateBlankImage(200, 100, 24, 0xFFFFFF);
    nx->ClearAll();
    layer = nx->NewLayer();
    ASSERT_EQ(nx->setCurrentTool(TOOL_TEXT), 0);
    ix->setFocus(Qt::MouseFocusReason);
    testsupport::clickAt(ix, {30, 30});
    testsupport::typeText(ix, QStringLiteral("Hello"));
    ASSERT_EQ(nx->LayerObjectCount(layer), 0) << "the text is still being typed";
    events.clear();

    const QByteArray handed = c.act();

    EXPECT_EQ(nx->LayerObjectCount(layer), 1);
    EXPECT_NE(std::find_if(events.begin(), events.end(), [](auto e) { return e.first == EVT_ELEMENT_ADDED; }),
              events.end());
    if (!handed.isEmpty()) {
      EXPECT_TRUE(holdsHello(handed));
    }
    rt::Variant saved;
    int32_t bytes = 0;
    ASSERT_EQ(nx->SaveLayerToVariant(saved, layer, bytes), 0);
    EXPECT_TRUE(holdsHello(saved.Bytes()));
    nx->setCurrentTool(TOOL_POINTER);
  }
}
