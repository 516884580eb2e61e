// Mouse and key messages driven through the engine interface of the loaded library, as the
// annotation control sends them: drawing, selecting, moving, resizing, grouping, z-order steps,
// deleting, right clicks, run mode, and a layer carried in a byte array.
#include <algorithm>
#include <vector>

#include "engine_host.h"
#include "platform/graphics/gdi.h"

namespace {

std::vector<std::vector<int32_t>> gEvents;  // {code, param}
std::vector<std::vector<int32_t>> gRun;     // {code, id, button, keys, x, y}
AnnEngineInterface* gEngine = nullptr;
AnnLayerHandle gLayer = 0;
int32_t gDeleteOnChange = 0;
int32_t gDeleteGroupOnChange = 0;
// 1: the host deletes the layer from inside an event of that layer; 2: it clears every layer.
int32_t gDeleteLayerOnEvent = 0;

int32_t onEvent(intptr_t, int32_t code, int32_t param) {
  gEvents.push_back({code, param});
  if (gDeleteLayerOnEvent && (code == EVT_ELEMENT_ADDED || code == EVT_ELEMENT_CHANGED)) {
    const int32_t how = gDeleteLayerOnEvent;
    gDeleteLayerOnEvent = 0;
    if (how == 1) gEngine->DeleteLayer(gLayer);
    else gEngine->DeleteAllLayers();
  }
  // A host that deletes another element from inside its change handler.
  if (code == EVT_ELEMENT_CHANGED && gDeleteGroupOnChange) {
    int32_t group = gDeleteGroupOnChange;
    gDeleteGroupOnChange = 0;
    gEngine->DeleteGroup(gLayer, group);
  }
  if (code == EVT_ELEMENT_CHANGED && gDeleteOnChange && param != gDeleteOnChange) {
    int32_t doomed = gDeleteOnChange;
    gDeleteOnChange = 0;
    gEngine->DeleteElement(gLayer, doomed);
  }
  return 0;
}

std::vector<std::vector<int32_t>> gCustom;  // {x, y, width, height, id, value}

int32_t onCustomDraw(intptr_t, plat::HDC, int32_t x, int32_t y, int32_t w, int32_t h, AnnLayerHandle, int32_t id,
                     int32_t value) {
  gCustom.push_back({x, y, w, h, id, value});
  return 0;
}

int32_t onRun(intptr_t, int32_t code, AnnLayerHandle, int32_t id, int32_t button, int32_t keys, int32_t x, int32_t y) {
  gRun.push_back({code, id, button, keys, x, y});
  return 0;
}

plat::LPARAM at(int32_t x, int32_t y) { return plat::LPARAM((uint32_t(uint16_t(y)) << 16) | uint16_t(x)); }

class LayerInputTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    gEvents.clear();
    gRun.clear();
    gDeleteOnChange = 0;
    gDeleteGroupOnChange = 0;
    gDeleteLayerOnEvent = 0;
    gEngine = engine;
    engine->SetDefaultViewSize(800, 600);
    engine->SetHostCallback(HOSTCB_EVENT, annCallback(&onEvent));
    engine->SetHostCallback(HOSTCB_RUN_MOUSE, annCallback(&onRun));
    layer = gLayer = engine->CreateLayer(1);
    ASSERT_NE(layer, 0);
  }

  int32_t Send(uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y) {
    return engine->HandleMessage(window, message, wParam, at(x, y));
  }
  void Drag(int32_t x0, int32_t y0, int32_t x1, int32_t y1, plat::WPARAM keys = 0) {
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON | keys, x0, y0);
    Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON | keys, (x0 + x1) / 2, (y0 + y1) / 2);
    Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON | keys, x1, y1);
    Send(plat::WM_LBUTTONUP, keys, x1, y1);
  }
  void Click(int32_t x, int32_t y, plat::WPARAM keys = 0) {
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON | keys, x, y);
    Send(plat::WM_LBUTTONUP, keys, x, y);
  }
  // Draws with the tool and answers the new element's id (0 when none was added).
  int32_t DrawWith(int32_t tool, int32_t l, int32_t t, int32_t r, int32_t b) {
    EXPECT_EQ(engine->SetCurrentTool(layer, tool), ANN_OK);
    gEvents.clear();
    Drag(l, t, r, b);
    EXPECT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
    for (auto& e : gEvents)
      if (e[0] == EVT_ELEMENT_ADDED) return e[1];
    return 0;
  }
  plat::RECT RectOf(int32_t id) {
    plat::RECT r{};
    EXPECT_EQ(engine->GetElementRect(layer, id, &r), ANN_OK);
    return r;
  }
  std::vector<int32_t> Codes(const std::vector<int32_t>& wanted) const {
    std::vector<int32_t> codes;
    for (auto& e : gEvents)
      if (std::find(wanted.begin(), wanted.end(), e[0]) != wanted.end()) codes.push_back(e[0]);
    return codes;
  }
  int32_t Count() {
    int32_t n = 0;
    engine->GetElementCount(layer, &n);
    return n;
  }

  AnnLayerHandle layer = 0;
};

void expectNear(const plat::RECT& r, const plat::RECT& want, const char* what = "") {
  EXPECT_NEAR(r.left, want.left, 1) << what;
  EXPECT_NEAR(r.top, want.top, 1) << what;
  EXPECT_NEAR(r.right, want.right, 1) << what;
  EXPECT_NEAR(r.bottom, want.bottom, 1) << what;
}

TEST_F(LayerInputTest, DrawingARectangleAddsItAndRearmsTheTool) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_RECTANGLE), ANN_OK);
  Drag(100, 100, 200, 150);
  ASSERT_EQ(Count(), 1);
  int32_t id = 0;
  engine->GetFirstElement(layer, &id);
  expectNear(RectOf(id), {100, 100, 200, 150});
  EXPECT_EQ(std::count(gEvents.begin(), gEvents.end(), std::vector<int32_t>{EVT_ELEMENT_ADDED, id}), 1);
  int32_t tool = 0;
  engine->GetCurrentTool(layer, &tool);
  EXPECT_EQ(tool, TOOL_RECTANGLE);
  // Dragging backwards draws the same normalised rect; a click without moving draws nothing.
  Drag(400, 300, 300, 250);
  ASSERT_EQ(Count(), 2);
  engine->GetNextElement(layer, &id);
  expectNear(RectOf(id), {300, 250, 400, 300});
  Click(500, 500);
  EXPECT_EQ(Count(), 2);
}

TEST_F(LayerInputTest, EllipseHitsInsideItsCurveOnly) {
  int32_t id = DrawWith(TOOL_ELLIPSE, 100, 100, 300, 200);
  ASSERT_NE(id, 0);
  gEvents.clear();
  Click(105, 105);  // inside the bounding rect, outside the ellipse
  EXPECT_FALSE(engine->HasSelection(layer));
  Click(200, 150);
  EXPECT_TRUE(engine->HasSelection(layer));
  EXPECT_EQ(Codes({EVT_ELEMENT_SELECTED}), std::vector<int32_t>{EVT_ELEMENT_SELECTED});
}

TEST_F(LayerInputTest, SelectMoveAndDelete) {
  int32_t id = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  gEvents.clear();
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 150, 120);
  EXPECT_EQ(gEvents, (std::vector<std::vector<int32_t>>{{EVT_ELEMENT_SELECTED, id}}));
  Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 170, 130);
  Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 180, 140);
  Send(plat::WM_LBUTTONUP, 0, 180, 140);
  expectNear(RectOf(id), {130, 120, 230, 170});
  EXPECT_EQ(Codes({EVT_ELEMENT_CHANGED}).size(), 2u);
  // A move without the button held moves nothing.
  Send(plat::WM_MOUSEMOVE, 0, 300, 300);
  expectNear(RectOf(id), {130, 120, 230, 170});
  // Dragged against the page edge it stops there, keeping the part of the move that fits.
  Drag(150, 150, 10, 150);
  expectNear(RectOf(id), {0, 120, 100, 170});
  gEvents.clear();
  engine->DeleteSelectedElements();
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(gEvents, (std::vector<std::vector<int32_t>>{{EVT_ELEMENT_DELETED, id}}));
}

TEST_F(LayerInputTest, ResizingByEachHandle) {
  struct Case {
    int32_t handle, x, y;
    plat::RECT want;
  } cases[] = {
      {0, 100, 100, {110, 120, 200, 150}}, {1, 200, 100, {100, 120, 210, 150}},
      {2, 100, 150, {110, 100, 200, 170}}, {3, 200, 150, {100, 100, 210, 170}},
      {4, 100, 125, {110, 100, 200, 150}}, {5, 200, 125, {100, 100, 210, 150}},
      {6, 150, 100, {100, 120, 200, 150}}, {7, 150, 150, {100, 100, 200, 170}},
  };
  for (const Case& c : cases) {
    engine->DeleteAllElements(layer);
    int32_t id = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
    Click(150, 125);  // select
    plat::RECT start = RectOf(id);
    int32_t x = c.x == 100 ? start.left : c.x == 200 ? start.right : c.x;
    int32_t y = c.y == 100 ? start.top : c.y == 150 ? start.bottom : c.y;
    gEvents.clear();
    Drag(x, y, x + 10, y + 20);
    std::string what = "handle " + std::to_string(c.handle);
    expectNear(RectOf(id), c.want, what.c_str());
    EXPECT_EQ(Codes({EVT_SELECTION_CHANGED, EVT_ELEMENT_SELECTED}),
              (std::vector<int32_t>{EVT_SELECTION_CHANGED, EVT_ELEMENT_SELECTED}))
        << what;
  }
}

TEST_F(LayerInputTest, DraggingAHandlePastTheOppositeEdgeFlipsIt) {
  int32_t id = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  Click(150, 125);
  plat::RECT start = RectOf(id);
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, start.left, start.top);
  Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 250, start.top);  // top-left past the right edge
  expectNear(RectOf(id), {200, 100, 250, 150});
  Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 260, start.top);  // now it is the top-right handle
  Send(plat::WM_LBUTTONUP, 0, 260, start.top);
  expectNear(RectOf(id), {200, 100, 260, 150});
}

TEST_F(LayerInputTest, GroupingKeysAndMovingAGroup) {
  int32_t a = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  int32_t b = DrawWith(TOOL_RECTANGLE, 300, 100, 400, 150);
  engine->SetGroupKeysEnabled(1);
  Click(150, 125);
  // Ctrl+G with one element selected does nothing.
  engine->HandleKey(window, plat::WM_CHAR, 7, 0);
  int32_t groups = -1;
  engine->GetGroupCount(layer, &groups);
  EXPECT_EQ(groups, 0);
  Click(350, 125, plat::MK_SHIFT);
  gEvents.clear();
  engine->HandleKey(window, plat::WM_CHAR, 7, 0);
  engine->GetGroupCount(layer, &groups);
  ASSERT_EQ(groups, 1);
  int32_t g = 0;
  engine->GetFirstGroup(layer, &g);
  EXPECT_EQ(gEvents, (std::vector<std::vector<int32_t>>{{EVT_GROUP_SELECTED, g}}));
  bool selected = false;
  engine->GetGroupSelected(layer, g, &selected);
  EXPECT_TRUE(selected);
  int32_t groupOf = 0;
  engine->GetElementGroup(layer, b, &groupOf);
  EXPECT_EQ(groupOf, g);

  // A press on a member takes the whole group; a drag moves both members once.
  Click(10, 10);
  gEvents.clear();
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 150, 125);
  EXPECT_EQ(Codes({EVT_GROUP_SELECTED}), std::vector<int32_t>{EVT_GROUP_SELECTED});
  Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 160, 145);
  Send(plat::WM_LBUTTONUP, 0, 160, 145);
  expectNear(RectOf(a), {110, 120, 210, 170});
  expectNear(RectOf(b), {310, 120, 410, 170});
  EXPECT_EQ(Codes({EVT_ELEMENT_CHANGED}).size(), 2u);
  // Moved left by more than its left position, the group stops at the page edge.
  Drag(150, 140, 0, 140);
  expectNear(RectOf(a), {0, 120, 100, 170});
  expectNear(RectOf(b), {200, 120, 300, 170});

  // Resizing the group by its bottom-right handle scales both members.
  plat::RECT ga{}, gb{};
  ga = RectOf(a);
  gb = RectOf(b);
  Drag(gb.right, gb.bottom, gb.right + 300, gb.bottom + 50);
  plat::RECT na = RectOf(a), nb = RectOf(b);
  EXPECT_NEAR(na.left, 0, 1);
  EXPECT_NEAR(nb.right, 600, 2);
  EXPECT_NEAR(nb.bottom, 220, 2);
  EXPECT_GT(na.right - na.left, ga.right - ga.left);

  gEvents.clear();
  engine->HandleKey(window, plat::WM_CHAR, 21, 0);
  engine->GetGroupCount(layer, &groups);
  EXPECT_EQ(groups, 0);
  EXPECT_EQ(gEvents, (std::vector<std::vector<int32_t>>{{EVT_GROUP_SELECTED, 0}}));
}

TEST_F(LayerInputTest, ZOrderSteps) {
  std::vector<int32_t> ids;
  for (int i = 0; i < 5; ++i) ids.push_back(DrawWith(TOOL_RECTANGLE, 10 + 20 * i, 10, 100 + 20 * i, 100));
  auto position = [&](int32_t id) {
    AnnValue v = 0;
    EXPECT_EQ(engine->GetElementProperty(layer, id, PROP_Z_ORDER, &v), ANN_OK);
    return int32_t(v);
  };
  EXPECT_EQ(engine->BringElementForward(layer, ids[4]), ANN_OK);  // top already: nothing
  EXPECT_EQ(position(ids[4]), 5);
  EXPECT_EQ(engine->BringElementForward(layer, 999), ANN_OK);
  EXPECT_EQ(engine->BringElementForward(layer, ids[0]), ANN_OK);
  EXPECT_EQ(position(ids[0]), 2);
  EXPECT_EQ(engine->SendElementBackward(layer, ids[0]), ANN_OK);
  EXPECT_EQ(position(ids[0]), 1);
  // Moving up lands one place below the position asked for.
  EXPECT_EQ(engine->SetElementProperty(layer, ids[0], PROP_Z_ORDER, 3), ANN_OK);
  EXPECT_EQ(position(ids[0]), 2);
  EXPECT_EQ(engine->SetElementProperty(layer, ids[0], PROP_Z_ORDER, 5), ANN_OK);
  EXPECT_EQ(position(ids[0]), 5);
  EXPECT_EQ(engine->SetElementProperty(layer, ids[0], PROP_Z_ORDER, 0), ERR_BAD_ELEMENT);
  // The topmost element is the one a click takes.
  Click(95, 50);
  int32_t selected = 0;
  engine->GetFirstSelectedElement(layer, &selected);
  EXPECT_EQ(selected, ids[0]);
}

TEST_F(LayerInputTest, RightClickWithoutMenuReportsTheElement) {
  ASSERT_EQ(engine->SetEngineProperty(EPROP_CONTEXT_MENU_ENABLED, 0), ANN_OK);
  int32_t id = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  gEvents.clear();
  EXPECT_EQ(Send(plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, 150, 120), 0);
  EXPECT_EQ(Send(plat::WM_RBUTTONUP, 0, 150, 120), 0);
  EXPECT_EQ(Codes({EVT_ELEMENT_SELECTED, EVT_ELEMENT_CLICKED}),
            (std::vector<int32_t>{EVT_ELEMENT_SELECTED, EVT_ELEMENT_CLICKED}));
  EXPECT_EQ(gEvents.back(), (std::vector<int32_t>{EVT_ELEMENT_CLICKED, id}));
  EXPECT_TRUE(engine->HasSelection(layer));
  EXPECT_EQ(Send(plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, 500, 500), -1);
}

TEST_F(LayerInputTest, RunModeClickSequences) {
  int32_t a = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  int32_t b = DrawWith(TOOL_RECTANGLE, 300, 100, 400, 150);
  ASSERT_EQ(engine->SetEngineProperty(EPROP_LOCKED, 1), ANN_OK);
  auto codes = [] {
    std::vector<std::vector<int32_t>> r;
    for (auto& e : gRun) r.push_back({e[0], e[1], e[2]});
    return r;
  };
  EXPECT_EQ(Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 150, 120), 0);
  EXPECT_EQ(Send(plat::WM_LBUTTONUP, 0, 150, 120), 0);
  EXPECT_EQ(codes(), (std::vector<std::vector<int32_t>>{{EVT_RUN_BUTTON_DOWN, a, 1}, {EVT_RUN_CLICK, a, 0},
                                                         {EVT_RUN_BUTTON_UP, a, 1}}));
  // The press position is reported relative to the element.
  EXPECT_NEAR(gRun[0][4], 50, 1);
  EXPECT_NEAR(gRun[0][5], 20, 1);
  gRun.clear();
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 150, 120);
  Send(plat::WM_LBUTTONUP, 0, 350, 120);  // released over another element
  EXPECT_EQ(codes(), (std::vector<std::vector<int32_t>>{{EVT_RUN_BUTTON_DOWN, a, 1}, {EVT_RUN_BUTTON_UP, a, 1}}));
  gRun.clear();
  Send(plat::WM_MOUSEMOVE, 0, 350, 120);
  Send(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, 350, 120);
  EXPECT_EQ(codes(), (std::vector<std::vector<int32_t>>{{EVT_RUN_MOUSE_MOVE, b, 0}, {EVT_RUN_DBLCLICK, b, 0}}));
  gRun.clear();
  EXPECT_EQ(Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 600, 500), -1);
  EXPECT_TRUE(gRun.empty());
  // Nothing moves or is selected in run mode.
  EXPECT_FALSE(engine->HasSelection(layer));
}

TEST_F(LayerInputTest, HostDeletingDuringADragIsSafe) {
  int32_t a = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  int32_t b = DrawWith(TOOL_RECTANGLE, 300, 100, 400, 150);
  Click(150, 125);
  Click(350, 125, plat::MK_SHIFT);
  gDeleteOnChange = b;
  Drag(150, 125, 160, 135);
  EXPECT_EQ(Count(), 1);
  expectNear(RectOf(a), {110, 110, 210, 160});
  // Deleting the selection while the host deletes from inside the deletion events.
  DrawWith(TOOL_RECTANGLE, 500, 100, 600, 150);
  engine->SelectAllElements(layer, 1);
  gDeleteOnChange = 0;
  engine->DeleteSelectedElements();
  EXPECT_EQ(Count(), 0);

  // A group whose first member's move makes the host delete the group and the other member.
  DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  int32_t e = DrawWith(TOOL_RECTANGLE, 300, 100, 400, 150);
  engine->SetGroupKeysEnabled(1);
  Click(150, 125);
  Click(350, 125, plat::MK_SHIFT);
  engine->HandleKey(window, plat::WM_CHAR, 7, 0);
  int32_t g = 0;
  engine->GetFirstGroup(layer, &g);
  ASSERT_NE(g, 0);
  gDeleteGroupOnChange = g;
  gDeleteOnChange = e;
  Drag(150, 125, 160, 135);
  int32_t groups = -1;
  engine->GetGroupCount(layer, &groups);
  EXPECT_EQ(groups, 0);
  EXPECT_EQ(Count(), 1);
}

// The layer that raised an event is still running when the host's handler deletes it: the engine
// must keep the object alive until the outermost call returns, and the handle must be gone at once.
TEST_F(LayerInputTest, HostDeletingTheLayerFromInsideItsOwnEventIsSafe) {
  for (int32_t how : {1, 2}) {
    SCOPED_TRACE(how);
    // Deleted while the rectangle is being placed.
    gDeleteLayerOnEvent = how;
    EXPECT_EQ(engine->SetCurrentTool(layer, TOOL_RECTANGLE), ANN_OK);
    Drag(100, 100, 200, 150);
    int32_t count = -1;
    EXPECT_EQ(engine->GetElementCount(layer, &count), ERR_BAD_LAYER);
    EXPECT_EQ(engine->GetCurrentLayer(), 0);
    // Messages after it find no layer and change nothing.
    Drag(100, 100, 200, 150);

    // Deleted while an element of it is being moved.
    layer = gLayer = engine->CreateLayer(1);
    ASSERT_NE(layer, 0);
    DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
    engine->SetCurrentTool(layer, TOOL_POINTER);
    Click(150, 125);
    gDeleteLayerOnEvent = how;
    Drag(150, 125, 170, 140);
    EXPECT_EQ(engine->GetElementCount(layer, &count), ERR_BAD_LAYER);
    layer = gLayer = engine->CreateLayer(1);
    ASSERT_NE(layer, 0);
  }
}

TEST_F(LayerInputTest, LayerTravelsThroughAByteArray) {
  DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  int32_t e = DrawWith(TOOL_ELLIPSE, 300, 100, 400, 150);
  plat::VARIANT array;
  int32_t bytes = 0;
  ASSERT_EQ(engine->SaveLayerToArray(&array, layer, &bytes), ANN_OK);
  EXPECT_GT(bytes, 100);
  AnnLayerHandle copy = 0;
  ASSERT_EQ(engine->LoadLayerFromArray(&array, &copy), ANN_OK);
  ASSERT_NE(copy, 0);
  int32_t n = 0;
  engine->GetElementCount(copy, &n);
  EXPECT_EQ(n, 2);
  plat::RECT r{};
  ASSERT_EQ(engine->GetElementRect(copy, e, &r), ANN_OK);
  expectNear(r, {300, 100, 400, 150});
  plat::VariantClear(&array);

  int32_t layers = engine->GetLayerCount();
  plat::VARIANT wrong;
  plat::VariantInit(&wrong);
  wrong.vt = plat::VT_I4;
  EXPECT_EQ(engine->LoadLayerFromArray(&wrong, &copy), ERR_BAD_ARRAY);
  EXPECT_EQ(copy, 0);
  std::vector<uint8_t> junk(40, 0x55);
  plat::VARIANT damaged;
  plat::VariantFromBytes(&damaged, junk.data(), uint32_t(junk.size()));
  EXPECT_EQ(engine->LoadLayerFromArray(&damaged, &copy), ERR_STREAM);
  plat::VariantClear(&damaged);
  EXPECT_EQ(engine->GetLayerCount(), layers);
  EXPECT_EQ(engine->SaveLayerToArray(&array, 12345, &bytes), ERR_BAD_LAYER);
}

TEST_F(LayerInputTest, DrawingBackToFrontWithHandles) {
  int32_t below = DrawWith(TOOL_RECTANGLE, 100, 100, 200, 150);
  int32_t above = DrawWith(TOOL_ELLIPSE, 150, 100, 300, 200);
  ASSERT_EQ(engine->SetElementProperty(layer, above, PROP_FILL_COLOR, 0x0000FF), ANN_OK);
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  auto render = [&] {
    plat::RECT all{0, 0, 800, 600};
    plat::HBRUSH white = plat::CreateSolidBrush(0xFFFFFF);
    plat::FillRect(dc, &all, white);
    plat::DeleteObject(white);
    engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  };
  render();
  EXPECT_EQ(plat::GetPixel(dc, 120, 125), 0x00FF00u);  // the rectangle's fill
  EXPECT_EQ(plat::GetPixel(dc, 100, 125), 0xFF0000u);  // its pen
  EXPECT_EQ(plat::GetPixel(dc, 180, 140), 0x0000FFu);  // the ellipse drawn over it
  EXPECT_EQ(plat::GetPixel(dc, 50, 50), 0xFFFFFFu);
  engine->SendElementBackward(layer, above);
  render();
  EXPECT_EQ(plat::GetPixel(dc, 180, 140), 0x00FF00u);

  // Selected: black handle squares at the corners.
  Click(120, 125);
  render();
  plat::RECT r = RectOf(below);
  EXPECT_EQ(plat::GetPixel(dc, r.left, r.top), 0x000000u);
  EXPECT_EQ(plat::GetPixel(dc, r.right, r.bottom), 0x000000u);

  // Hidden elements are not drawn; a custom-drawn rectangle is left to the host with its rect.
  engine->SetElementProperty(layer, above, PROP_VISIBLE, 0);
  engine->SetHostCallback(HOSTCB_CUSTOM_DRAW, annCallback(&onCustomDraw));
  engine->SetElementProperty(layer, below, PROP_CUSTOM_DRAW_DATA, 77);
  ASSERT_EQ(engine->SetElementProperty(layer, below, PROP_CUSTOM_DRAW, 1), ANN_OK);
  EXPECT_EQ(engine->SetElementProperty(layer, above, PROP_CUSTOM_DRAW, 1), ERR_NO_PROPERTY);  // ellipses have none
  gCustom.clear();
  render();
  EXPECT_EQ(plat::GetPixel(dc, 120, 125), 0xFFFFFFu);
  EXPECT_EQ(plat::GetPixel(dc, 250, 180), 0xFFFFFFu);
  EXPECT_EQ(plat::GetPixel(dc, r.left, r.top), 0x000000u);  // its handles still are drawn
  ASSERT_EQ(gCustom.size(), 1u);
  EXPECT_NEAR(gCustom[0][0], 100, 1);
  EXPECT_NEAR(gCustom[0][2], 100, 1);
  EXPECT_EQ(gCustom[0][4], below);
  EXPECT_EQ(gCustom[0][5], 77);
  plat::DeleteDC(dc);
}

}  // namespace
