// The layer list, layer handles and the host callbacks as a host sees them.
#include <functional>
#include <vector>

#include "platform/graphics/gdi.h"
#include "tests/annotation/engine_host.h"

namespace {

struct Recorder {
  std::vector<std::vector<intptr_t>> events;
  std::vector<std::vector<intptr_t>> currentLayers;
};
Recorder* gRec = nullptr;

int32_t onEvent(intptr_t cookie, int32_t code, int32_t param) {
  gRec->events.push_back({cookie, code, param});
  return 0;
}
int32_t onCurrentLayer(intptr_t cookie, AnnLayerHandle layer) {
  gRec->currentLayers.push_back({cookie, layer});
  return 0;
}

class EngineLayersTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    gRec = &rec;
  }
  void TearDown() override {
    EngineTest::TearDown();
    gRec = nullptr;
  }
  std::vector<AnnLayerHandle> Enumerate() {
    std::vector<AnnLayerHandle> out;
    for (AnnLayerHandle l = engine->GetFirstLayer(); l; l = engine->GetNextLayer()) out.push_back(l);
    return out;
  }
  Recorder rec;
};

}  // namespace

TEST_F(EngineLayersTest, NewLayersGoToTheFrontAndTheLastCurrentWins) {
  engine->SetHostCallback(HOSTCB_CURRENT_LAYER, annCallback(&onCurrentLayer));
  AnnLayerHandle a = engine->CreateLayer(1);
  AnnLayerHandle b = engine->CreateLayer(1);
  AnnLayerHandle c = engine->CreateLayer(0);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(engine->GetCurrentLayer(), b);
  EXPECT_EQ(engine->GetLayerCount(), 3);
  EXPECT_EQ(Enumerate(), (std::vector<AnnLayerHandle>{c, b, a}));
  EXPECT_EQ(engine->GetNextLayer(), 0);  // stays at the end

  AnnValue flag = -1;
  ASSERT_EQ(engine->GetLayerProperty(b, LPROP_CURRENT, &flag), ANN_OK);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(engine->GetLayerProperty(c, LPROP_CURRENT, &flag), ANN_OK);
  EXPECT_EQ(flag, 0);
  // Only layers created as current are announced.
  EXPECT_EQ(rec.currentLayers, (std::vector<std::vector<intptr_t>>{{kCookie, a}, {kCookie, b}}));
}

TEST_F(EngineLayersTest, CurrentLayerRules) {
  AnnLayerHandle a = engine->CreateLayer(1);
  AnnLayerHandle b = engine->CreateLayer(0);
  EXPECT_TRUE(engine->SetCurrentLayer(b));
  EXPECT_EQ(engine->GetCurrentLayer(), b);
  EXPECT_FALSE(engine->SetCurrentLayer(b + 8));  // unknown handle: nothing changes
  EXPECT_EQ(engine->GetCurrentLayer(), b);
  EXPECT_TRUE(engine->SetCurrentLayer(0));
  EXPECT_EQ(engine->GetCurrentLayer(), 0);
  EXPECT_TRUE(engine->SetCurrentLayer(a));

  // Deleting the current layer leaves none current and asks for a repaint.
  int32_t before = plat::InvalidateCount(window);
  EXPECT_TRUE(engine->DeleteLayer(a));
  EXPECT_EQ(engine->GetCurrentLayer(), 0);
  EXPECT_GT(plat::InvalidateCount(window), before);
  EXPECT_FALSE(engine->DeleteLayer(a));
  EXPECT_FALSE(engine->IsLayer(a));
  EXPECT_TRUE(engine->IsLayer(b));
  EXPECT_FALSE(engine->IsLayer(0));
}

TEST_F(EngineLayersTest, DeletingDuringEnumerationContinuesWithTheNextLayer) {
  AnnLayerHandle a = engine->CreateLayer(0);
  AnnLayerHandle b = engine->CreateLayer(0);
  AnnLayerHandle c = engine->CreateLayer(0);
  EXPECT_EQ(engine->GetFirstLayer(), c);
  EXPECT_TRUE(engine->DeleteLayer(b));  // the one that would come next
  EXPECT_EQ(engine->GetNextLayer(), a);
  EXPECT_EQ(engine->GetNextLayer(), 0);
  EXPECT_EQ(engine->GetFirstLayer(), c);
  EXPECT_TRUE(engine->DeleteLayer(c));  // the one just returned
  EXPECT_EQ(engine->GetNextLayer(), a);
}

TEST_F(EngineLayersTest, DeleteAllLayersAnnouncesTheLossOfTheCurrentLayer) {
  engine->SetHostCallback(HOSTCB_CURRENT_LAYER, annCallback(&onCurrentLayer));
  engine->CreateLayer(0);
  ASSERT_EQ(engine->DeleteAllLayers(), ANN_OK);
  EXPECT_TRUE(rec.currentLayers.empty());  // none was current

  AnnLayerHandle l = engine->CreateLayer(1);
  rec.currentLayers.clear();
  int32_t before = plat::InvalidateCount(window);
  ASSERT_EQ(engine->DeleteAllLayers(), ANN_OK);
  EXPECT_EQ(rec.currentLayers, (std::vector<std::vector<intptr_t>>{{kCookie, 0}}));
  EXPECT_EQ(engine->GetLayerCount(), 0);
  EXPECT_EQ(engine->GetFirstLayer(), 0);
  EXPECT_FALSE(engine->IsLayer(l));
  EXPECT_GT(plat::InvalidateCount(window), before);
}

TEST_F(EngineLayersTest, DeletedHandlesAreRefusedByEveryLayerSlot) {
  AnnLayerHandle gone = engine->CreateLayer(1);
  AnnLayerHandle kept = engine->CreateLayer(0);
  ASSERT_TRUE(engine->DeleteLayer(gone));
  int32_t i = 0;
  bool b = false;
  AnnValue v = 0;
  plat::RECT r{};
  plat::POINT p{};
  plat::BSTR s = nullptr;
  uint8_t flag = 1, old = 0;
  const std::vector<std::pair<const char*, std::function<int32_t(AnnLayerHandle)>>> calls = {
      {"CreateGroup", [&](AnnLayerHandle l) { return engine->CreateGroup(l, &i, nullptr, 0); }},
      {"DeleteGroup", [&](AnnLayerHandle l) { return engine->DeleteGroup(l, 1); }},
      {"GetGroupCount", [&](AnnLayerHandle l) { return engine->GetGroupCount(l, &i); }},
      {"GetGroupName", [&](AnnLayerHandle l) { return engine->GetGroupName(l, 1, &s); }},
      {"SetGroupActive", [&](AnnLayerHandle l) { return engine->SetGroupActive(l, 1, 1); }},
      {"GetGroupRect", [&](AnnLayerHandle l) { return engine->GetGroupRect(l, 1, &r); }},
      {"MirrorGroupLeftRight", [&](AnnLayerHandle l) { return engine->MirrorGroupLeftRight(l, 1); }},
      {"GetElementCount", [&](AnnLayerHandle l) { return engine->GetElementCount(l, &i); }},
      {"MoveElementTo", [&](AnnLayerHandle l) { return engine->MoveElementTo(l, 1, 0, 0); }},
      {"SetElementRect", [&](AnnLayerHandle l) { return engine->SetElementRect(l, 1, 0, 0, 5, 5); }},
      {"SetCurrentTool", [&](AnnLayerHandle l) { return engine->SetCurrentTool(l, TOOL_TEXT); }},
      {"GetCurrentTool", [&](AnnLayerHandle l) { return engine->GetCurrentTool(l, &i); }},
      {"SetLayerToolDefault", [&](AnnLayerHandle l) { return engine->SetLayerToolDefault(l, TOOL_TEXT, 1, 0); }},
      {"GetLayerToolDefault", [&](AnnLayerHandle l) { return engine->GetLayerToolDefault(l, TOOL_TEXT, 1, &v); }},
      {"SetElementProperty", [&](AnnLayerHandle l) { return engine->SetElementProperty(l, 1, 1, 0); }},
      {"GetElementProperty", [&](AnnLayerHandle l) { return engine->GetElementProperty(l, 1, 1, &v); }},
      {"SetElementPoint", [&](AnnLayerHandle l) { return engine->SetElementPoint(l, 1, 0, p); }},
      {"GetElementPoint", [&](AnnLayerHandle l) { return engine->GetElementPoint(l, 1, 0, &p); }},
      {"SetLayerPaintEnabled", [&](AnnLayerHandle l) { return engine->SetLayerPaintEnabled(l, &flag, &old); }},
      {"ReverseElementOrder", [&](AnnLayerHandle l) { return engine->ReverseElementOrder(l); }},
      {"SetLayerProperty", [&](AnnLayerHandle l) { return engine->SetLayerProperty(l, 21, 1); }},
      {"GetLayerProperty", [&](AnnLayerHandle l) { return engine->GetLayerProperty(l, 21, &v); }},
      {"SelectAllElements", [&](AnnLayerHandle l) { return engine->SelectAllElements(l, 1); }},
      {"DeleteAllElements", [&](AnnLayerHandle l) { return engine->DeleteAllElements(l); }},
      {"BringSelectionToFront", [&](AnnLayerHandle l) { return engine->BringSelectionToFront(l); }},
      {"SendElementToBack", [&](AnnLayerHandle l) { return engine->SendElementToBack(l, 1); }},
      {"GetToolEnabled", [&](AnnLayerHandle l) { return engine->GetToolEnabled(l, TOOL_TEXT, &b); }},
      {"SetToolEnabled", [&](AnnLayerHandle l) { return engine->SetToolEnabled(l, TOOL_TEXT, 0); }},
      {"GetLayerPaletteVisible", [&](AnnLayerHandle l) { return engine->GetLayerPaletteVisible(l, &b); }},
      {"SetLayerPaletteVisible", [&](AnnLayerHandle l) { return engine->SetLayerPaletteVisible(l, 0); }},
      {"GetFirstElement", [&](AnnLayerHandle l) { return engine->GetFirstElement(l, &i); }},
      {"GetNextSelectedElement", [&](AnnLayerHandle l) { return engine->GetNextSelectedElement(l, &i); }},
      {"BringElementForward", [&](AnnLayerHandle l) { return engine->BringElementForward(l, 1); }},
      {"DeleteElement", [&](AnnLayerHandle l) { return engine->DeleteElement(l, 1); }},
      {"GetElementIdByIndex", [&](AnnLayerHandle l) { return engine->GetElementIdByIndex(l, 1, &i); }},
      {"GetElementRect", [&](AnnLayerHandle l) { return engine->GetElementRect(l, 1, &r); }},
      {"SetLayerPassword", [&](AnnLayerHandle l) { return engine->SetLayerPassword(l, nullptr); }},
      {"GetLayerPassword", [&](AnnLayerHandle l) { return engine->GetLayerPassword(l, &s); }},
  };
  for (const auto& [name, call] : calls) {
    EXPECT_EQ(call(gone), ERR_BAD_LAYER) << name;
    EXPECT_NE(call(kept), ERR_BAD_LAYER) << name;
  }
  EXPECT_FALSE(engine->HasSelection(gone));
  EXPECT_FALSE(engine->IsLayer(gone));
  EXPECT_FALSE(engine->SetCurrentLayer(gone));
  EXPECT_FALSE(engine->DeleteLayer(gone));
  EXPECT_TRUE(engine->ShowPaletteForLayer(gone, &flag));
  plat::SysFreeString(s);
}

TEST_F(EngineLayersTest, LayerPropertiesAndPaintFlag) {
  AnnLayerHandle l = engine->CreateLayer(0);
  const std::pair<int32_t, AnnValue> defaults[] = {{21, 1}, {513, 0}, {1800, 0}, {36751, 1}, {36752, 0},
                                                   {36753, 0}, {36766, 0}};
  for (auto [key, value] : defaults) {
    AnnValue v = -1;
    ASSERT_EQ(engine->GetLayerProperty(l, key, &v), ANN_OK) << key;
    EXPECT_EQ(v, value) << key;
  }
  EXPECT_EQ(engine->SetLayerProperty(l, 9999, 1), ERR_NO_PROPERTY);
  plat::BSTR name = plat::SysAllocString(u"Review");
  ASSERT_EQ(engine->SetLayerProperty(l, LPROP_NAME, reinterpret_cast<AnnValue>(name)), ANN_OK);
  plat::SysFreeString(name);
  AnnValue v = 0;
  ASSERT_EQ(engine->GetLayerProperty(l, LPROP_NAME, &v), ANN_OK);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"Review");

  uint8_t off = 0, old = 9;
  ASSERT_EQ(engine->SetLayerPaintEnabled(l, &off, &old), ANN_OK);
  EXPECT_EQ(old, 1);
  ASSERT_EQ(engine->SetLayerPaintEnabled(l, nullptr, &old), ANN_OK);  // only asks
  EXPECT_EQ(old, 0);
}

TEST_F(EngineLayersTest, EventsReachTheRegisteredCallbackOnly) {
  AnnLayerHandle l = engine->CreateLayer(1);
  // Type 2 and types outside 1 to 12 are not stored.
  engine->SetHostCallback(2, annCallback(&onEvent));
  engine->SetHostCallback(13, annCallback(&onEvent));
  engine->SetHostCallback(0, annCallback(&onEvent));
  ASSERT_EQ(engine->SetCurrentTool(l, TOOL_RECTANGLE), ANN_OK);
  EXPECT_TRUE(rec.events.empty());

  engine->SetHostCallback(HOSTCB_EVENT, annCallback(&onEvent));
  ASSERT_EQ(engine->SetCurrentTool(l, TOOL_ELLIPSE), ANN_OK);
  EXPECT_EQ(rec.events, (std::vector<std::vector<intptr_t>>{{kCookie, EVT_TOOL_CHANGED, TOOL_ELLIPSE}}));

  engine->SetHostCallback(HOSTCB_EVENT, nullptr);  // removed again
  ASSERT_EQ(engine->SetCurrentTool(l, TOOL_LINE), ANN_OK);
  EXPECT_EQ(rec.events.size(), 1u);
}

TEST_F(EngineLayersTest, InputWithoutCurrentLayerIsNotHandled) {
  const plat::LPARAM at = plat::MAKELPARAM(10, 10);
  EXPECT_EQ(engine->HandleMessage(window, plat::WM_LBUTTONDOWN, 0, at), ANN_NOT_HANDLED);
  EXPECT_EQ(engine->HandleKey(window, plat::WM_CHAR, 'a', 0), ANN_NOT_HANDLED);
  EXPECT_EQ(engine->OfferMessage(window, plat::WM_LBUTTONDOWN, 0, at), ANN_NOT_HANDLED);
  ASSERT_EQ(engine->SetEngineProperty(EPROP_LOCKED, 1), ANN_OK);
  EXPECT_EQ(engine->HandleMessage(window, plat::WM_LBUTTONDOWN, 0, at), ANN_NOT_HANDLED);

  // A current layer without any view geometry cannot map the point either.
  engine->CreateLayer(1);
  EXPECT_EQ(engine->HandleMessage(window, plat::WM_LBUTTONDOWN, 0, at), ANN_NOT_HANDLED);
}

TEST_F(EngineLayersTest, DrawingWithoutLayersTouchesNothing) {
  plat::HDC dc = plat::CreateMemoryDC(20, 20);
  plat::RECT r{0, 0, 20, 20};
  int32_t objects = plat::LiveGdiObjects();
  EXPECT_EQ(engine->Draw(dc, &r, &r, 0, 0, 0, 0), ANN_NOT_HANDLED);
  EXPECT_EQ(plat::GetROP2(dc), plat::R2_COPYPEN);
  // With a layer but no view size the geometry cannot be had: still -1, nothing leaked.
  engine->CreateLayer(1);
  EXPECT_EQ(engine->Draw(dc, &r, &r, 0, 0, 0, 0), ANN_NOT_HANDLED);
  // Printing needs the host's imaging view; without one the draw ends quietly.
  EXPECT_EQ(engine->Draw(dc, &r, &r, 0, 0, 0, 1), ANN_NOT_HANDLED);
  engine->SetDefaultViewSize(20, 20);
  EXPECT_EQ(engine->Draw(dc, &r, &r, 0, 0, 0, 0), ANN_NOT_HANDLED);
  EXPECT_EQ(plat::LiveGdiObjects(), objects);
  plat::DeleteDC(dc);
}

TEST_F(EngineLayersTest, QuarterTurnsSwapTheDefaultViewSize) {
  const std::pair<float, bool> turns[] = {{90.0f, true}, {180.0f, false}, {-90.0f, true}, {270.0f, true},
                                          {-270.0f, true}, {45.0f, false}, {0.0f, false}};
  for (auto [angle, swaps] : turns) {
    engine->SetDefaultViewSize(300, 200);
    engine->RotateAll(300, 200, angle);
    int32_t w = 0, h = 0;
    engine->GetDefaultViewSize(&w, &h);
    EXPECT_EQ(w, swaps ? 200 : 300) << angle;
    EXPECT_EQ(h, swaps ? 300 : 200) << angle;
  }
}

namespace {

// The host's imaging view as a host implements it.
class HostView : public AnnHostImaging {
 public:
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  plat::HRESULT GetViewGeometry(int32_t print, int32_t* mode, plat::RECT* view, plat::RECT* image, int32_t* w,
                                int32_t* h) override {
    requests.push_back(print);
    *mode = 0;
    *view = {0, 0, 400, 300};
    *image = {0, 0, 400, 300};
    *w = 400;
    *h = 300;
    return fail ? plat::E_FAIL : plat::S_OK;
  }
  plat::HRESULT GetResolution(double* dpi) override {
    *dpi = 96;
    return plat::S_OK;
  }
  uint32_t refs = 1;
  bool fail = false;
  std::vector<int32_t> requests;
};

}  // namespace

TEST_F(EngineLayersTest, DrawingLeavesTheHostsDeviceContextAsItWas) {
  HostView host;
  engine->AttachImaging(&host);
  engine->CreateLayer(1);
  plat::HDC dc = plat::CreateMemoryDC(40, 30);
  plat::SetROP2(dc, plat::R2_XORPEN);
  plat::SetTextAlign(dc, plat::TA_BASELINE);
  plat::HPEN pen = plat::CreatePen(plat::PS_DOT, 1, 0xFF);
  plat::HGDIOBJ old = plat::SelectObject(dc, pen);
  int32_t objects = plat::LiveGdiObjects();
  plat::RECT r{0, 0, 40, 30};
  EXPECT_EQ(engine->Draw(dc, &r, &r, 0, 0, 0, 0), ANN_NOT_HANDLED);
  EXPECT_EQ(host.requests, (std::vector<int32_t>{0}));
  EXPECT_EQ(plat::GetROP2(dc), plat::R2_XORPEN);
  EXPECT_EQ(plat::GetCurrentObject(dc, plat::OBJ_PEN), pen);
  EXPECT_EQ(plat::LiveGdiObjects(), objects);

  // Printing asks for the printing geometry and aligns text to the top left of the printer DC.
  EXPECT_EQ(engine->Draw(dc, &r, &r, 0, 0, 0, 1), ANN_NOT_HANDLED);
  EXPECT_EQ(host.requests, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(plat::GetTextAlign(dc), plat::TA_LEFT | plat::TA_TOP);

  host.fail = true;
  EXPECT_EQ(engine->Draw(dc, &r, &r, 0, 0, 0, 0), ANN_NOT_HANDLED);
  EXPECT_EQ(engine->HandleMessage(window, plat::WM_MOUSEMOVE, 0, 0), ANN_NOT_HANDLED);
  plat::RECT rect;
  EXPECT_EQ(engine->GetElementRect(engine->GetCurrentLayer(), 1, &rect), ERR_BAD_ELEMENT);
  engine->AttachImaging(nullptr);
  EXPECT_EQ(host.refs, 1u);
  plat::SelectObject(dc, old);
  plat::DeleteObject(pen);
  plat::DeleteDC(dc);
}
