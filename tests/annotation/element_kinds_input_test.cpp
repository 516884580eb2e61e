// The point-list, text, stamp, button and image kinds driven with window messages through the
// engine interface of the loaded library, as the annotation control sends them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine_host.h"
#include "kinds_host.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPlainTextEdit>

namespace {

TEST_F(KindsInputTest, PolygonIsDrawnWithClicksAndEndsOnDoubleClick) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYGON), ANN_OK);
  ClickPath({{100, 100}, {200, 100}, {200, 200}, {100, 200}});
  ASSERT_EQ(Count(), 1);
  int32_t id = First();
  EXPECT_EQ(Added(), std::vector<int32_t>{id});
  EXPECT_EQ(Points(id), (std::vector<plat::POINT>{{100, 100}, {200, 100}, {200, 200}, {100, 200}}));
  AnnValue count = 0;
  EXPECT_EQ(engine->GetElementProperty(layer, id, PROP_POINT_COUNT, &count), ANN_OK);
  EXPECT_EQ(count, 4);
  // The tool is armed again: a press and a double click on the same spot makes nothing.
  gEvents.clear();
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 400, 400);
  Send(plat::WM_LBUTTONUP, 0, 400, 400);
  Send(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, 400, 400);
  Send(plat::WM_LBUTTONUP, 0, 400, 400);
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(Added().empty());
}

TEST_F(KindsInputTest, PolylineLineAndFreehandAreDrawn) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYLINE), ANN_OK);
  ClickPath({{50, 50}, {150, 80}, {250, 50}});
  int32_t polyline = First();
  EXPECT_EQ(Points(polyline), (std::vector<plat::POINT>{{50, 50}, {150, 80}, {250, 50}}));

  // A line is a press, a drag and a release; a press and release on one spot makes none.
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Click(400, 400);
  EXPECT_EQ(Count(), 1);
  Drag(100, 300, 300, 300);
  ASSERT_EQ(Count(), 2);
  int32_t line = Last();
  EXPECT_EQ(Points(line), (std::vector<plat::POINT>{{100, 300}, {300, 300}}));

  // Freehand takes every move as a sample; the release point is not kept.
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_FREEHAND), ANN_OK);
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 100, 400);
  for (int i = 1; i <= 5; ++i) Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 100 + 10 * i, 400 + (i % 2) * 10);
  Send(plat::WM_LBUTTONUP, 0, 150, 410);
  ASSERT_EQ(Count(), 3);
  int32_t stroke = Last();
  EXPECT_EQ(Points(stroke).size(), 5u);
  EXPECT_EQ(Points(stroke).front().x, 100);
}

TEST_F(KindsInputTest, LineArrowheadGrowsTheBoundsByItsWings) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Drag(100, 300, 300, 300);
  int32_t plain = Last();
  ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_LINE, PROP_ARROWHEAD, 1), ANN_OK);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Drag(100, 300, 300, 300);
  int32_t arrow = Last();
  plat::RECT a = RectOf(plain), b = RectOf(arrow);
  // The wings are a fortieth of the page long at 25 degrees: about 8.9 pixels to each side of
  // an 800 x 600 page's horizontal line, reaching back about 19 pixels from the tip.
  EXPECT_LE(b.top, 300 - 7);
  EXPECT_GE(b.bottom, 300 + 7);
  EXPECT_LT(b.top, a.top);
  // A line whose ends coincide has no direction and no wings, and draws without failing.
  plat::POINT same{200, 200};
  ASSERT_EQ(engine->SetElementPoint(layer, arrow, 0, same), ANN_OK);
  ASSERT_EQ(engine->SetElementPoint(layer, arrow, 1, same), ANN_OK);
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  plat::DeleteDC(dc);
}

TEST_F(KindsInputTest, PointListsHitByTheirStrokeOrFill) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYLINE), ANN_OK);
  ClickPath({{100, 100}, {300, 100}, {300, 300}});
  int32_t polyline = Last();
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYGON), ANN_OK);
  ClickPath({{400, 100}, {600, 100}, {600, 300}, {400, 300}});
  int32_t polygon = Last();
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);

  struct Case {
    int32_t x, y, selected;
  } cases[] = {
      {200, 100, polyline}, {250, 100, polyline}, {300, 200, polyline},  // on the stroke
      {200, 105, 0},        {250, 200, 0},                               // beside it, inside its box
      {500, 200, polygon},  {401, 299, polygon},                         // inside the filled polygon
      {700, 200, 0},
  };
  for (const Case& c : cases) {
    engine->SelectAllElements(layer, 0);
    Click(c.x, c.y);
    int32_t id = 0;
    engine->GetFirstSelectedElement(layer, &id);
    EXPECT_EQ(id, c.selected) << c.x << "," << c.y;
  }
  // Without a fill only the outline hits.
  ASSERT_EQ(engine->SetElementProperty(layer, polygon, PROP_FILL_COLOR, -1), ANN_OK);
  engine->SelectAllElements(layer, 0);
  Click(500, 200);
  EXPECT_FALSE(engine->HasSelection(layer));
  Click(500, 100);
  EXPECT_TRUE(engine->HasSelection(layer));
}

TEST_F(KindsInputTest, GrabbedPointMovesAloneAndTheBodyMovesWhole) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Drag(100, 300, 300, 300);
  int32_t line = Last();
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
  Click(200, 300);  // select
  gEvents.clear();
  Drag(300, 300, 320, 350);  // the end point
  EXPECT_EQ(Points(line), (std::vector<plat::POINT>{{100, 300}, {320, 350}}));
  EXPECT_FALSE(Codes({EVT_ELEMENT_CHANGED}).empty());
  Drag(210, 325, 160, 325);  // the body, away from both points
  EXPECT_EQ(Points(line), (std::vector<plat::POINT>{{50, 300}, {270, 350}}));
  // Moved against the left edge it stops with its leftmost point at 0.
  Drag(160, 325, 60, 325);
  EXPECT_EQ(Points(line).front().x, 0);
}

TEST_F(KindsInputTest, MirrorRotateAndSetRectTransformThePoints) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYGON), ANN_OK);
  ClickPath({{100, 100}, {200, 120}, {150, 250}});
  int32_t id = Last();
  const auto start = Points(id);

  engine->MirrorAllLeftRight(800, 600);
  EXPECT_EQ(Points(id), (std::vector<plat::POINT>{{699, 100}, {599, 120}, {649, 250}}));
  engine->MirrorAllLeftRight(800, 600);
  engine->MirrorAllTopBottom(800, 600);
  EXPECT_EQ(Points(id)[0].y, 499);
  engine->MirrorAllTopBottom(800, 600);

  engine->RotateAll(800, 600, 90.0f);
  engine->RotateAll(600, 800, 270.0f);
  auto back = Points(id);
  for (size_t i = 0; i < start.size(); ++i) {
    EXPECT_NEAR(back[i].x, start[i].x, 2) << i;
    EXPECT_NEAR(back[i].y, start[i].y, 2) << i;
  }
  engine->RotateAll(800, 600, 45.0f);
  EXPECT_EQ(Points(id), back);

  // A new rect scales the points into it instead of being ignored.
  ASSERT_EQ(engine->SetElementRect(layer, id, 300, 300, 200, 260), ANN_OK);
  plat::RECT r = RectOf(id);
  EXPECT_NEAR(r.left, 300, 1);
  EXPECT_NEAR(r.top, 300, 1);
  EXPECT_NEAR(r.right, 500, 1);
  EXPECT_NEAR(r.bottom, 560, 1);
  auto scaled = Points(id);
  EXPECT_NEAR(scaled[0].x, 302, 1);  // the leftmost point sits inside the pen margin
  EXPECT_NEAR(scaled[2].y, 558, 1);  // and the lowest one too
}

std::vector<std::vector<int32_t>> gChanged;  // {id, property}
int32_t onPropertyChanged(intptr_t, AnnLayerHandle, int32_t id, int32_t property) {
  gChanged.push_back({id, property});
  return 0;
}

class TextInputTest : public KindsInputTest {
 protected:
  void SetUp() override {
    KindsInputTest::SetUp();
    gChanged.clear();
    engine->SetHostCallback(HOSTCB_PROPERTY_CHANGED, annCallback(&onPropertyChanged));
  }
  void Type(const std::u16string& s) {
    for (char16_t c : s) Key(plat::WM_CHAR, c);
  }
  void Down(int32_t vk, int32_t repeat = 1) { Key(plat::WM_KEYDOWN, vk, repeat); }
  void Up(int32_t vk) { Key(plat::WM_KEYUP, vk); }
  std::u16string TextOf(int32_t id) {
    AnnValue v = 0;
    EXPECT_EQ(engine->GetElementProperty(layer, id, PROP_TEXT, &v), ANN_OK);
    return Take(reinterpret_cast<plat::BSTR>(v));
  }
  // Places a text element with the text by typing it, and selects the pointer tool.
  int32_t Typed(const std::u16string& text, int32_t x = 100, int32_t y = 100) {
    EXPECT_EQ(engine->SetCurrentTool(layer, TOOL_TEXT), ANN_OK);
    Click(x, y);
    Type(text);
    EXPECT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
    return Last();
  }
};

TEST_F(TextInputTest, DirectTypingPlacesTheTextWhenAClickEndsIt) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_TEXT), ANN_OK);
  Click(100, 100);
  EXPECT_EQ(Count(), 0);
  Type(u"Hello \u041f\u0440\u0438\u0432\u0435\u0442");
  Down(13);
  Type(u"\u65e5\u672c\u8a9e");
  Key(plat::WM_CHAR, 27);  // Escape types nothing
  gEvents.clear();
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 500, 400);  // ends the edit; the tool starts anew
  Send(plat::WM_LBUTTONUP, 0, 500, 400);
  ASSERT_EQ(Count(), 1);
  int32_t id = First();
  EXPECT_EQ(Added(), std::vector<int32_t>{id});
  EXPECT_EQ(TextOf(id), u"Hello \u041f\u0440\u0438\u0432\u0435\u0442\r\n\u65e5\u672c\u8a9e");
  // The rect followed the text: two lines high, starting where the text was started.
  plat::RECT r = RectOf(id);
  EXPECT_NEAR(r.left, 100, 1);
  EXPECT_NEAR(r.top, 100, 1);
  EXPECT_GT(r.right - r.left, 40);
  EXPECT_GT(r.bottom - r.top, 20);
  // The new edit that the click started holds no text and is dropped with the tool.
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
  EXPECT_EQ(Count(), 1);
}

TEST_F(TextInputTest, SelectDeleteCutAndPasteInAPlacedText) {
  int32_t id = Typed(u"abcdefg");
  ASSERT_NE(id, 0);
  plat::RECT r = RectOf(id);
  gEvents.clear();
  DoubleClick(r.left + 2, r.top + 2);
  EXPECT_EQ(Codes({EVT_TEXT_EDIT_BEGIN}), std::vector<int32_t>{EVT_TEXT_EDIT_BEGIN});
  // Ctrl+Home, two steps right, then Shift+Right three times selects characters 2 to 4.
  Down(17);
  Down(36);
  Up(17);
  Down(39, 2);
  Down(16);
  Down(39, 3);
  Up(16);
  Down(8);  // Backspace deletes the selection and leaves the caret at 2
  Type(u"\u00e9");
  Down(16);
  Down(37, 2);
  Up(16);
  Key(plat::WM_CHAR, 24);  // Ctrl+X cuts "b\u00e9"
  EXPECT_EQ(QApplication::clipboard()->text().toStdU16String(), u"b\u00e9");
  Down(35);                // End (the text has one line)
  Key(plat::WM_CHAR, 22);  // Ctrl+V
  Down(46);                // Delete at the end does nothing
  gEvents.clear();
  Click(700, 550);
  EXPECT_EQ(TextOf(id), u"afgb\u00e9");
  EXPECT_EQ(gEvents, (std::vector<std::vector<int32_t>>{{EVT_TEXT_EDIT_END, id}, {EVT_SELECTION_CHANGED, 0}}));
  EXPECT_EQ(gChanged, (std::vector<std::vector<int32_t>>{{id, PROP_TEXT}}));
  // Ctrl+C without a selection copies the whole text.
  DoubleClick(r.left + 2, r.top + 2);
  Key(plat::WM_CHAR, 3);
  EXPECT_EQ(QApplication::clipboard()->text().toStdU16String(), u"afgb\u00e9");
  gChanged.clear();
  Click(700, 550);
  EXPECT_TRUE(gChanged.empty());  // not modified
}

// The page drawn by the engine on white, as the pixels that are not white.
int MarkedPixels(AnnEngineInterface* engine) {
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  const QImage& page = *plat::ImageOf(dc);
  int marked = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) marked += (page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
  plat::DeleteDC(dc);
  return marked;
}

// A text being typed shows its box and a caret, from the first click on, so that the user sees
// that the keys go there; neither is part of the text once the typing ends.
TEST_F(TextInputTest, TypingShowsItsBoxAndCaretUntilItEnds) {
  // No frame of its own: whatever is drawn beside the glyphs is the editing marks.
  ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_TEXT, PROP_PEN_WIDTH, 0), ANN_OK);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_TEXT), ANN_OK);
  Click(100, 100);
  const int empty = MarkedPixels(engine);
  EXPECT_GT(empty, 20) << "a box and a caret before the first key";
  Type(u"Hi");
  const int typing = MarkedPixels(engine);
  Click(500, 400);  // ends the typing: the text is placed
  ASSERT_EQ(Count(), 1);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
  const int placed = MarkedPixels(engine);
  EXPECT_GT(placed, 0);
  EXPECT_GE(typing - placed, 20) << "typing " << typing << ", placed " << placed;
  // A text started and left empty leaves nothing behind.
  engine->DeleteAllElements(layer);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_TEXT), ANN_OK);
  Click(300, 300);
  EXPECT_GT(MarkedPixels(engine), 0);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
  EXPECT_EQ(MarkedPixels(engine), 0);
}

TEST_F(TextInputTest, DoubleClickEditsOnlyWhenAllowed) {
  int32_t id = Typed(u"locked");
  plat::RECT r = RectOf(id);
  struct Case {
    int32_t engineProperty, value, elementProperty, elementValue;
  } cases[] = {{EPROP_DBLCLICK_OPTION, 0, PROP_LOCKED, 0}, {EPROP_DBLCLICK_OPTION, 1, PROP_TEXT_LOCKED, 1},
               {EPROP_DBLCLICK_OPTION, 1, PROP_LOCKED, 1}};
  for (const Case& c : cases) {
    engine->SetEngineProperty(c.engineProperty, c.value);
    engine->SetElementProperty(layer, id, PROP_LOCKED, 0);
    engine->SetElementProperty(layer, id, PROP_TEXT_LOCKED, 0);
    engine->SetElementProperty(layer, id, c.elementProperty, c.elementValue);
    gEvents.clear();
    DoubleClick(r.left + 2, r.top + 2);
    EXPECT_TRUE(Codes({EVT_TEXT_EDIT_BEGIN}).empty()) << c.elementProperty;
  }
}

TEST_F(TextInputTest, EditorWindowKeepsUnicodeAndGrowsWithItsText) {
  ASSERT_EQ(engine->SetEngineProperty(EPROP_FONT_OPTION_136, 1), ANN_OK);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_TEXT), ANN_OK);
  Click(100, 100);
  auto* editor = widget->findChild<QPlainTextEdit*>("scv6_editor");
  ASSERT_NE(editor, nullptr);
  const int height = editor->height();
  editor->insertPlainText(QString::fromStdU16String(u"\u00dcn\u00efc\u00f6d\u00e9 \u6f22\u5b57\nline 2\nline 3\nline 4"));
  EXPECT_GT(editor->height(), height);
  Click(600, 500);  // outside: the editor's text becomes the new element
  ASSERT_EQ(Count(), 1);
  int32_t id = First();
  EXPECT_EQ(TextOf(id), u"\u00dcn\u00efc\u00f6d\u00e9 \u6f22\u5b57\r\nline 2\r\nline 3\r\nline 4");

  // A double click opens it over the placed element; the change is reported when it ends.
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
  plat::RECT r = RectOf(id);
  gEvents.clear();
  DoubleClick(r.left + 3, r.top + 3);
  EXPECT_EQ(Codes({EVT_TEXT_EDIT_BEGIN}), std::vector<int32_t>{EVT_TEXT_EDIT_BEGIN});
  editor = nullptr;
  for (auto* e : widget->findChildren<QPlainTextEdit*>("scv6_editor"))
    if (!e->isHidden()) editor = e;
  ASSERT_NE(editor, nullptr);
  editor->setPlainText(QString::fromStdU16String(u"\u0391\u03b2\u03b3"));
  Click(700, 550);
  EXPECT_EQ(TextOf(id), u"\u0391\u03b2\u03b3");
  EXPECT_EQ(Codes({EVT_TEXT_EDIT_END}), std::vector<int32_t>{EVT_TEXT_EDIT_END});
  EXPECT_EQ(gChanged, (std::vector<std::vector<int32_t>>{{id, PROP_TEXT}}));
}

TEST_F(TextInputTest, EditorWindowEndsWhenItLosesTheFocus) {
  ASSERT_EQ(engine->SetEngineProperty(EPROP_FONT_OPTION_136, 1), ANN_OK);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_TEXT), ANN_OK);
  Click(200, 200);
  auto* editor = widget->findChild<QPlainTextEdit*>("scv6_editor");
  ASSERT_NE(editor, nullptr);
  editor->insertPlainText(QStringLiteral("focus"));
  QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QCoreApplication::sendEvent(editor, &out);
  EXPECT_EQ(Count(), 0);  // the end runs after the event that caused it
  QCoreApplication::processEvents();
  ASSERT_EQ(Count(), 1);
  AnnValue v = 0;
  engine->GetElementProperty(layer, First(), PROP_TEXT, &v);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"focus");
  // A second loss of focus from the closing window changes nothing.
  QCoreApplication::processEvents();
  EXPECT_EQ(Count(), 1);
}

TEST_F(TextInputTest, OrientationFollowsMirrorAndRotate) {
  int32_t id = Typed(u"turn");
  struct Step {
    void (*apply)(AnnEngineInterface*);
    int32_t want;
  } steps[] = {
      {[](AnnEngineInterface* e) { e->RotateAll(800, 600, 90.0f); }, 900},
      {[](AnnEngineInterface* e) { e->MirrorAllLeftRight(600, 800); }, 900},
      {[](AnnEngineInterface* e) { e->MirrorAllTopBottom(600, 800); }, 2700},
      {[](AnnEngineInterface* e) { e->RotateAll(600, 800, -90.0f); }, 1800},
      {[](AnnEngineInterface* e) { e->MirrorAllLeftRight(800, 600); }, 0},
  };
  for (const Step& s : steps) {
    s.apply(engine);
    AnnValue v = -1;
    EXPECT_EQ(engine->GetElementProperty(layer, id, PROP_TEXT_ORIENTATION, &v), ANN_OK);
    EXPECT_EQ(v, s.want);
  }
  EXPECT_EQ(engine->SetElementProperty(layer, id, PROP_TEXT_ORIENTATION, 450), ANN_OK);
  AnnValue v = -1;
  engine->GetElementProperty(layer, id, PROP_TEXT_ORIENTATION, &v);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(engine->SetElementProperty(layer, id, PROP_OI_MARK_TYPE, 8), ERR_BAD_MARK_TYPE);
  EXPECT_EQ(engine->SetElementProperty(layer, id, PROP_OI_MARK_TYPE, 10), ANN_OK);
  engine->GetElementProperty(layer, id, PROP_PEN_WIDTH, &v);
  EXPECT_EQ(v, 1);
}

AnnEngineInterface* gStampEngine = nullptr;
AnnLayerHandle gStampLayer = 0;
const char16_t* gStampText = nullptr;  // what the host sets in the new-stamp callback
int gStampCalls = 0;
int32_t onStampPlacing(intptr_t) {
  ++gStampCalls;
  if (gStampText) {
    plat::BSTR text = plat::SysAllocString(gStampText);
    gStampEngine->SetLayerToolDefault(gStampLayer, TOOL_STAMP, PROP_TEXT, reinterpret_cast<AnnValue>(text));
    plat::SysFreeString(text);
  }
  return 0;
}

TEST_F(KindsInputTest, StampIsPlacedWithOneClickAtItsNaturalSize) {
  gStampEngine = engine;
  gStampLayer = layer;
  gStampCalls = 0;
  engine->SetHostCallback(HOSTCB_STAMP_PLACING, annCallback(&onStampPlacing));
  ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_STAMP, PROP_TEXT, B(u"APPROVED")),
            ANN_OK);
  struct Case {
    const char16_t* setInCallback;
    std::u16string want;  // empty: no stamp
  } cases[] = {{nullptr, u"APPROVED"}, {u"PAID \u2713", u"PAID \u2713"}, {u"", u""}};
  for (const Case& c : cases) {
    gStampText = c.setInCallback;
    engine->DeleteAllElements(layer);
    ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_STAMP), ANN_OK);
    gEvents.clear();
    Click(100, 120);
    if (c.want.empty()) {
      EXPECT_EQ(Count(), 0);
      EXPECT_TRUE(gEvents.empty() || Added().empty());
      continue;
    }
    ASSERT_EQ(Count(), 1);
    int32_t id = First();
    AnnValue v = 0;
    engine->GetElementProperty(layer, id, PROP_TEXT, &v);
    EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), c.want);
    plat::RECT r = RectOf(id);
    EXPECT_NEAR(r.left, 100, 1);
    EXPECT_NEAR(r.top, 120, 1);
    EXPECT_GT(r.right - r.left, 30);
    EXPECT_GT(r.bottom - r.top, 8);
  }
  EXPECT_EQ(gStampCalls, 3);
  gStampText = u"WIDE";
  engine->SetLayerToolDefault(layer, TOOL_STAMP, PROP_TEXT, B(u"OK"));
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_STAMP), ANN_OK);
  Click(100, 300);
  int32_t id = Last();
  const plat::RECT before = RectOf(id);
  // A longer text makes an auto-sized stamp wider at its next draw.
  engine->SetElementProperty(layer, id, PROP_TEXT, B(u"WIDER AND WIDER"));
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  const plat::RECT after = RectOf(id);
  EXPECT_GT(after.right - after.left, 2 * (before.right - before.left));
  // A quarter turn turns its orientation and its rect.
  engine->RotateAll(800, 600, 90.0f);
  AnnValue o = 0;
  engine->GetElementProperty(layer, id, PROP_TEXT_ORIENTATION, &o);
  EXPECT_EQ(o, 900);
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  plat::DeleteDC(dc);
  engine->SetHostCallback(HOSTCB_STAMP_PLACING, nullptr);
}

std::vector<std::vector<int32_t>> gRunEvents;
int32_t onRunMouse(intptr_t, int32_t code, AnnLayerHandle, int32_t id, int32_t, int32_t, int32_t, int32_t) {
  gRunEvents.push_back({code, id});
  return 0;
}

TEST_F(KindsInputTest, ButtonIsDrawnPressedInRunModeAndSizesToItsCaption) {
  engine->SetHostCallback(HOSTCB_RUN_MOUSE, annCallback(&onRunMouse));
  ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_BUTTON, PROP_TEXT, B(u"Go")), ANN_OK);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_BUTTON), ANN_OK);
  Click(300, 300);  // no size: nothing
  EXPECT_EQ(Count(), 0);
  Drag(100, 100, 200, 140);
  ASSERT_EQ(Count(), 1);
  int32_t id = First();
  AnnValue v = 0;
  engine->GetElementProperty(layer, id, PROP_TEXT, &v);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"Go");
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);

  gRunEvents.clear();
  ASSERT_EQ(engine->SetEngineProperty(EPROP_LOCKED, 1), ANN_OK);
  Click(150, 120);
  EXPECT_EQ(gRunEvents,
            (std::vector<std::vector<int32_t>>{{EVT_RUN_BUTTON_DOWN, id}, {EVT_RUN_CLICK, id}, {EVT_RUN_BUTTON_UP, id}}));
  ASSERT_EQ(engine->SetEngineProperty(EPROP_LOCKED, 0), ANN_OK);

  ASSERT_EQ(engine->SetElementProperty(layer, id, PROP_AUTO_SIZE, 1), ANN_OK);
  const plat::RECT before = RectOf(id);
  engine->SetElementProperty(layer, id, PROP_TEXT,
                             B(u"A much longer caption \u00e0 \u0101 \u4e2d"));
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  plat::DeleteDC(dc);
  EXPECT_GT(RectOf(id).right - RectOf(id).left, before.right - before.left);
  engine->GetElementProperty(layer, id, PROP_TEXT, &v);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"A much longer caption \u00e0 \u0101 \u4e2d");
  engine->SetHostCallback(HOSTCB_RUN_MOUSE, nullptr);
}

std::vector<std::vector<int32_t>> gDrawn;  // {x, y, width, height, dibWidth, dibHeight, transparent}
std::vector<int32_t> gOps;
bool gTransformGivesNothing = false;

int32_t onDrawImage(plat::HDC, plat::HGLOBAL, int32_t transparent, plat::COLORREF, int32_t x, int32_t y, int32_t w,
                    int32_t h, int32_t, int32_t, int32_t dw, int32_t dh) {
  gDrawn.push_back({x, y, w, h, dw, dh, transparent});
  return 0;
}

plat::HGLOBAL onTransform(intptr_t, plat::HGLOBAL dib, int32_t op) {
  gOps.push_back(op);
  if (gTransformGivesNothing) return nullptr;
  QImage image;
  if (!plat::ImageFromPackedDib(dib, &image)) return nullptr;
  QImage turned = (op == 1 || op == 3) ? image.transformed(QTransform().rotate(op == 1 ? 90 : 270)) : image;
  return plat::PackedDibFromImage(turned, 24);
}

TEST_F(KindsInputTest, ImageIsPlacedAtNaturalSizeAndTransformedByTheHost) {
  gDrawn.clear();
  gOps.clear();
  gTransformGivesNothing = false;
  engine->SetDrawImageCallback(&onDrawImage);
  engine->SetTransformImageCallback(&onTransform);
  QImage picture(40, 30, QImage::Format_RGB32);
  picture.fill(Qt::red);
  plat::HGLOBAL dib = plat::PackedDibFromImage(picture, 24);
  ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(dib)), ANN_OK);
  plat::GlobalFree(dib);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_IMAGE), ANN_OK);
  Click(50, 60);
  ASSERT_EQ(Count(), 1);
  int32_t id = First();
  plat::RECT r = RectOf(id);
  EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}), (std::vector<int32_t>{50, 60, 90, 90}));

  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  ASSERT_EQ(gDrawn.size(), 1u);
  EXPECT_EQ(gDrawn[0], (std::vector<int32_t>{50, 60, 40, 30, 40, 30, 0}));

  // Two copies are two blocks with the same bytes.
  AnnValue a = 0, b = 0;
  ASSERT_EQ(engine->GetElementProperty(layer, id, PROP_IMAGE_COPY, &a), ANN_OK);
  ASSERT_EQ(engine->GetElementProperty(layer, id, PROP_IMAGE_COPY, &b), ANN_OK);
  auto ba = reinterpret_cast<plat::HGLOBAL>(a), bb = reinterpret_cast<plat::HGLOBAL>(b);
  ASSERT_NE(ba, nullptr);
  EXPECT_NE(ba, bb);
  ASSERT_EQ(plat::GlobalSize(ba), plat::GlobalSize(bb));
  EXPECT_EQ(std::memcmp(plat::GlobalLock(ba), plat::GlobalLock(bb), plat::GlobalSize(ba)), 0);
  plat::GlobalUnlock(ba);
  plat::GlobalUnlock(bb);
  plat::GlobalFree(ba);
  plat::GlobalFree(bb);

  engine->RotateAll(800, 600, 45.0f);
  EXPECT_TRUE(gOps.empty());
  engine->RotateAll(800, 600, 90.0f);
  EXPECT_EQ(gOps, std::vector<int32_t>{1});
  gDrawn.clear();
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  ASSERT_EQ(gDrawn.size(), 1u);
  EXPECT_EQ(gDrawn[0][4], 30);  // the picture's size turned with it
  EXPECT_EQ(gDrawn[0][5], 40);
  engine->MirrorAllLeftRight(600, 800);
  engine->MirrorAllTopBottom(600, 800);
  EXPECT_EQ(gOps, (std::vector<int32_t>{1, 5, 4}));
  // A host that gives no picture back leaves the element's picture and size as they were.
  gTransformGivesNothing = true;
  engine->RotateAll(600, 800, -90.0f);
  gDrawn.clear();
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  ASSERT_EQ(gDrawn.size(), 1u);
  EXPECT_EQ(gDrawn[0][4], 30);
  plat::DeleteDC(dc);
  engine->SetDrawImageCallback(nullptr);
  engine->SetTransformImageCallback(nullptr);
}

TEST_F(KindsInputTest, RectKindsAreHitMovedAndResizedLikeRectangles) {
  engine->SetLayerToolDefault(layer, TOOL_STAMP, PROP_TEXT, B(u"STAMP"));
  engine->SetLayerToolDefault(layer, TOOL_BUTTON, PROP_TEXT, B(u"OK"));
  QImage picture(60, 40, QImage::Format_RGB32);
  picture.fill(Qt::gray);
  plat::HGLOBAL dib = plat::PackedDibFromImage(picture, 24);
  engine->SetLayerToolDefault(layer, TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(dib));
  plat::GlobalFree(dib);
  for (int32_t tool : {TOOL_TEXT, TOOL_STAMP, TOOL_BUTTON, TOOL_IMAGE}) {
    SCOPED_TRACE(tool);
    engine->DeleteAllElements(layer);
    ASSERT_EQ(engine->SetCurrentTool(layer, tool), ANN_OK);
    if (tool == TOOL_TEXT) {
      Click(100, 100);
      for (char16_t c : std::u16string(u"Text here")) Key(plat::WM_CHAR, c);
    } else if (tool == TOOL_BUTTON) {
      Drag(100, 100, 180, 140);
    } else {
      Click(100, 100);
    }
    ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
    ASSERT_EQ(Count(), 1);
    const int32_t id = First();
    // Fix the rect so that every kind is moved and resized from the same place.
    ASSERT_EQ(engine->SetElementRect(layer, id, 100, 100, 80, 40), ANN_OK);
    Click(300, 300);
    EXPECT_FALSE(engine->HasSelection(layer));
    Click(140, 120);
    EXPECT_TRUE(engine->HasSelection(layer));
    Drag(140, 120, 160, 150);
    plat::RECT r = RectOf(id);
    EXPECT_EQ((std::vector<int32_t>{r.left, r.top, r.right, r.bottom}), (std::vector<int32_t>{120, 130, 200, 170}));
    Drag(200, 170, 240, 200);  // the bottom-right handle
    r = RectOf(id);
    EXPECT_NEAR(r.right, 240, 1);
    EXPECT_NEAR(r.bottom, 200, 1);
    EXPECT_NEAR(r.left, 120, 1);
  }
}

}  // namespace
