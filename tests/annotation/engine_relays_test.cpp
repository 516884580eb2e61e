// The engine side of the service table that layers use, the message pre-filter and the view
// geometry taken from the host's imaging view.
#include <gtest/gtest.h>

#include <QImage>

#include <stdexcept>
#include <vector>

#include "annotation/engine.h"
#include "annotation/layer.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/window.h"

namespace {

std::vector<std::vector<intptr_t>> gCalls;

int32_t recordEvent(intptr_t cookie, int32_t code, int32_t param) {
  gCalls.push_back({cookie, code, param});
  return 0;
}
int32_t recordRunMouse(intptr_t cookie, int32_t code, AnnLayerHandle layer, int32_t id, int32_t button,
                       int32_t keys, int32_t x, int32_t y) {
  gCalls.push_back({cookie, code, layer, id, button, keys, x, y});
  return 0;
}
int32_t recordGroup(intptr_t cookie, AnnLayerHandle layer, int32_t group) {
  gCalls.push_back({cookie, layer, group});
  return 0;
}
int32_t recordProperty(intptr_t cookie, AnnLayerHandle layer, int32_t id, int32_t property) {
  gCalls.push_back({cookie, layer, id, property});
  return 0;
}
plat::HGLOBAL recordTransform(intptr_t aux, plat::HGLOBAL dib, int32_t op) {
  gCalls.push_back({aux, reinterpret_cast<intptr_t>(dib), op});
  return nullptr;
}
int32_t throwingEvent(intptr_t, int32_t, int32_t) { throw std::runtime_error("host failure"); }

class FakeImaging : public AnnHostImaging {
 public:
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  plat::HRESULT GetViewGeometry(int32_t print, int32_t* mode, plat::RECT* view, plat::RECT* image, int32_t* w,
                                int32_t* h) override {
    lastPrintRequest = print;
    *mode = this->mode;
    *view = this->view;
    *image = this->image;
    *w = width;
    *h = height;
    return result;
  }
  plat::HRESULT GetResolution(double* dpi) override {
    *dpi = 96;
    return plat::S_OK;
  }
  uint32_t refs = 1;
  int32_t mode = 0;
  plat::RECT view{0, 0, 1600, 1200};
  plat::RECT image{10, 20, 1600, 1200};
  int32_t width = 800, height = 600;
  plat::HRESULT result = plat::S_OK;
  int32_t lastPrintRequest = -1;
};

class EngineRelaysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    window = plat::CreateDetachedWindow(800, 600);
    engine.Initialise(kCookie, window);
  }
  void TearDown() override {
    engine.AttachImaging(nullptr);
    plat::DestroyWindow(window);
  }
  const AnnEngineServices& S() { return engine.ServicesTemplate(); }

  static constexpr intptr_t kCookie = 42;
  plat::HWND window = nullptr;
  AnnEngine engine;
};

}  // namespace

TEST_F(EngineRelaysTest, EventRelayPassesOnlyHostEventsAndZeroesSelectionChanges) {
  engine.SetHostCallback(HOSTCB_EVENT, annCallback(&recordEvent));
  const int32_t passed[] = {1001, 1002, 1003, 1004, 1014, 1015, 1017, 1018, 1100, 2001};
  for (int32_t code : passed) S().raiseEvent(S().engine, code, 9);
  const int32_t dropped[] = {0, 1000, 1006, 1010, 1013, 1016, 1019, 2000, 2002};
  for (int32_t code : dropped) S().raiseEvent(S().engine, code, 9);
  S().raiseEvent(S().engine, EVT_SELECTION_CHANGED, 7);
  ASSERT_EQ(gCalls.size(), std::size(passed) + 1);
  for (size_t i = 0; i < std::size(passed); ++i)
    EXPECT_EQ(gCalls[i], (std::vector<intptr_t>{kCookie, passed[i], 9}));
  EXPECT_EQ(gCalls.back(), (std::vector<intptr_t>{kCookie, EVT_SELECTION_CHANGED, 0}));
}

TEST_F(EngineRelaysTest, RunModeRelayPassesOnlyTheFiveRunCodes) {
  engine.SetHostCallback(HOSTCB_RUN_MOUSE, annCallback(&recordRunMouse));
  for (int32_t code = 1005; code <= 1020; ++code) S().runMouse(S().engine, code, 5, 6, 1, 8, 10, 20);
  std::vector<intptr_t> codes;
  for (const auto& c : gCalls) codes.push_back(c[1]);
  EXPECT_EQ(codes, (std::vector<intptr_t>{1010, 1011, 1012, 1013, 1016}));
  EXPECT_EQ(gCalls[0], (std::vector<intptr_t>{kCookie, 1010, 5, 6, 1, 8, 10, 20}));
}

TEST_F(EngineRelaysTest, GroupAndPropertyRelays) {
  engine.SetHostCallback(HOSTCB_GROUP_CREATED, annCallback(&recordGroup));
  engine.SetHostCallback(HOSTCB_GROUP_DELETED, annCallback(&recordGroup));
  S().groupCreated(S().engine, 3, 4);
  S().groupDeleted(S().engine, 5, 6);
  EXPECT_EQ(gCalls, (std::vector<std::vector<intptr_t>>{{kCookie, 3, 4}, {kCookie, 5, 6}}));

  // Property changes of unknown layers or of elements not yet live are not reported.
  gCalls.clear();
  engine.SetHostCallback(HOSTCB_PROPERTY_CHANGED, annCallback(&recordProperty));
  AnnLayerHandle layer = engine.CreateLayer(1);
  S().propertyChanged(S().engine, layer + 1, 1, PROP_PEN_COLOR);
  S().propertyChanged(S().engine, layer, 1, PROP_PEN_COLOR);
  EXPECT_TRUE(gCalls.empty());

  EXPECT_FALSE(S().groupKeysEnabled(S().engine));
  engine.SetGroupKeysEnabled(0x101);
  EXPECT_TRUE(S().groupKeysEnabled(S().engine));
  EXPECT_EQ(S().requestPassword, nullptr);  // only layers of a full load ask for passwords
}

TEST_F(EngineRelaysTest, ImageRelaysUseTheAuxiliaryCookie) {
  auto* dib = reinterpret_cast<plat::HGLOBAL>(intptr_t(0x1000));
  EXPECT_EQ(S().transformImage(S().engine, dib, 2), dib);  // no callback: unchanged
  EXPECT_EQ(S().drawImage(S().engine, nullptr, dib, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1), 0);
  engine.SetTransformImageCallback(&recordTransform);
  engine.SetAuxCallback2(77, nullptr);
  EXPECT_EQ(S().transformImage(S().engine, dib, 2), nullptr);
  EXPECT_EQ(gCalls, (std::vector<std::vector<intptr_t>>{{77, 0x1000, 2}}));

  engine.SetDefaultViewSize(31, 17);
  int32_t w = 0, h = 0;
  S().defaultViewSize(S().engine, &w, &h);
  EXPECT_EQ(w, 31);
  EXPECT_EQ(h, 17);
}

TEST_F(EngineRelaysTest, BrushAndPenMakersReuseAndCleanUp) {
  int32_t objects = plat::LiveGdiObjects();
  plat::HDC dc = plat::CreateMemoryDC(10, 10);
  engine.View().SetGeometry({0, 0, 200, 200}, {0, 0, 200, 200}, 100, 100, 2.0f, 2.0f, 0);
  int saved = engine.BeginDraw(dc);
  S().makeBrush(S().engine, 0, 0x0000FF, 0, HATCH_NONE, 0);
  plat::HGDIOBJ first = plat::GetCurrentObject(dc, plat::OBJ_BRUSH);
  S().makeBrush(S().engine, 0, 0x0000FF, 0, HATCH_NONE, 0x00FF00);  // same solid brush: kept
  EXPECT_EQ(plat::GetCurrentObject(dc, plat::OBJ_BRUSH), first);
  S().makeBrush(S().engine, 0, 0x0000FF, 0, plat::HS_CROSS, 0x00FF00);
  plat::LOGBRUSH info;
  ASSERT_TRUE(plat::GetBrushInfo(plat::GetCurrentObject(dc, plat::OBJ_BRUSH), &info));
  EXPECT_EQ(info.lbStyle, plat::BS_HATCHED);
  EXPECT_EQ(info.lbColor, 0x00FF00u);  // a hatch takes the hatch colour
  S().makeBrush(S().engine, 0, 0x0000FF, 1, plat::HS_CROSS, 0);
  ASSERT_TRUE(plat::GetBrushInfo(plat::GetCurrentObject(dc, plat::OBJ_BRUSH), &info));
  EXPECT_EQ(info.lbStyle, plat::BS_HOLLOW);

  // Pens: 0 width or colour -1 draw nothing; -1 is one device pixel; others follow the zoom.
  S().makePen(S().engine, 3, 0xFF, 0, plat::PS_SOLID);
  plat::SetROP2(dc, plat::R2_COPYPEN);
  plat::MoveToEx(dc, 0, 5, nullptr);
  plat::LineTo(dc, 10, 5);
  int rows = 0;
  for (int y = 0; y < 10; ++y) rows += plat::GetPixel(dc, 5, y) == 0x0000FFu;
  EXPECT_EQ(rows, 6);  // 3 logical units at zoom 2
  QImage before = plat::ImageOf(dc)->copy();
  S().makePen(S().engine, 0, 0xFF0000, 0, plat::PS_SOLID);
  plat::LineTo(dc, 0, 0);
  S().makePen(S().engine, 2, 0xFFFFFFFF, 0, plat::PS_SOLID);
  plat::LineTo(dc, 0, 9);
  EXPECT_EQ(*plat::ImageOf(dc), before);
  S().makePen(S().engine, -1, 0x00FF00, 0, plat::PS_SOLID);
  plat::LineTo(dc, 9, 9);
  rows = 0;
  for (int y = 0; y < 10; ++y) rows += plat::GetPixel(dc, 4, y) == 0x00FF00u;
  EXPECT_EQ(rows, 1);
  plat::RestoreDC(dc, saved);
  engine.EndDraw();
  plat::DeleteDC(dc);
  EXPECT_EQ(plat::LiveGdiObjects(), objects);
}

TEST_F(EngineRelaysTest, MessagePreFilterSeesLogicalPointsFirst) {
  struct Filter {
    int32_t result;
    int32_t code;
    plat::POINT seen{};
  } filter{0, EVT_TEXT_EDIT_END};
  engine.SetHostCallback(HOSTCB_EVENT, annCallback(&recordEvent));
  engine.CreateLayer(1);
  engine.SetDefaultViewSize(800, 600);
  gCalls.clear();
  S().installMessageFilter(
      S().engine,
      [](void* ctx, plat::HWND, uint32_t, plat::WPARAM, int32_t x, int32_t y, int32_t* code, int32_t* param) {
        auto* f = static_cast<Filter*>(ctx);
        f->seen = {x, y};
        *code = f->code;
        *param = 5;
        return f->result;
      },
      &filter);
  EXPECT_EQ(engine.HandleMessage(window, plat::WM_LBUTTONDOWN, 0, plat::MAKELPARAM(400, 300)), 0);
  EXPECT_EQ(filter.seen, (plat::POINT{ANN_LOGICAL_SPAN / 2, ANN_LOGICAL_SPAN / 2}));
  EXPECT_EQ(gCalls, (std::vector<std::vector<intptr_t>>{{kCookie, EVT_TEXT_EDIT_END, 5}}));

  // A filter that declines passes the message on to the layer.
  filter.result = -1;
  filter.code = 0;
  EXPECT_EQ(engine.HandleMessage(window, plat::WM_MOUSEMOVE, 0, plat::MAKELPARAM(-4, 7)), -1);
  EXPECT_EQ(filter.seen.x, plat::MulDiv(-4, ANN_LOGICAL_SPAN, 800));
  // Messages without a point get (-1, -1) mapped.
  EXPECT_EQ(engine.HandleMessage(window, plat::WM_KEYDOWN, 0, plat::MAKELPARAM(10, 10)), -1);
  EXPECT_EQ(filter.seen.x, plat::MulDiv(-1, ANN_LOGICAL_SPAN, 800));

  S().installMessageFilter(S().engine, nullptr, &filter);
  filter.seen = {};
  engine.HandleMessage(window, plat::WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(filter.seen, (plat::POINT{0, 0}));
}

TEST_F(EngineRelaysTest, ViewGeometryComesFromTheHost) {
  FakeImaging host;
  engine.AttachImaging(&host);
  EXPECT_EQ(host.refs, 3u);  // the engine and its font cache hold it
  ASSERT_TRUE(engine.SyncViewGeometry(false, nullptr));
  EXPECT_EQ(host.lastPrintRequest, 0);
  EXPECT_FLOAT_EQ(engine.View().ZoomX(), 2.0f);
  EXPECT_EQ(engine.View().SourceRect().left, 10);
  EXPECT_EQ(engine.View().HandleMargin(), plat::MulDiv(engine.HandleSize(), ANN_LOGICAL_SPAN, 1200));

  // Printing: the host gives its view in twips, converted at the printer's resolution.
  plat::HDC dc = plat::CreateMemoryDC(10, 10);
  host.view = {0, 0, 2880, 1440};
  ASSERT_TRUE(engine.SyncViewGeometry(true, dc));
  EXPECT_EQ(host.lastPrintRequest, 1);
  EXPECT_EQ(engine.View().DestinationRect(), (plat::RECT{0, 0, 192, 96}));
  EXPECT_EQ(engine.View().SourceRect(), (plat::RECT{0, 0, 800, 600}));
  EXPECT_FLOAT_EQ(engine.View().ZoomX(), 0.24f);
  plat::DeleteDC(dc);

  // A failing or empty host view is an ordinary failure: no exception, no division by zero.
  host.result = plat::E_FAIL;
  EXPECT_FALSE(engine.SyncViewGeometry(false, nullptr));
  host.result = plat::S_OK;
  host.width = 0;
  EXPECT_FALSE(engine.SyncViewGeometry(false, nullptr));
  host.width = 800;
  host.mode = 4;
  host.image = {5, 5, 5, 600};
  EXPECT_FALSE(engine.SyncViewGeometry(false, nullptr));

  AnnLayerHandle layer = engine.CreateLayer(1);
  host.result = plat::E_FAIL;
  EXPECT_EQ(engine.SetElementRect(layer, 1, 0, 0, 10, 10), ERR_HOST_VIEW);
  EXPECT_EQ(engine.HandleMessage(window, plat::WM_LBUTTONDOWN, 0, 0), -1);
  engine.AttachImaging(nullptr);
  EXPECT_EQ(host.refs, 1u);
}

TEST_F(EngineRelaysTest, HostExceptionsStopAtTheSlot) {
  AnnLayerHandle layer = engine.CreateLayer(1);
  engine.SetHostCallback(HOSTCB_EVENT, annCallback(&throwingEvent));
  EXPECT_EQ(engine.SetCurrentTool(layer, TOOL_TEXT), ERR_INTERNAL);
  EXPECT_EQ(engine.GetLayerCount(), 1);
}

TEST_F(EngineRelaysTest, InvalidationMapsLogicalRectsAndHonoursTheRedrawFlag) {
  engine.SetDefaultViewSize(800, 600);
  plat::RECT logical{ANN_LOGICAL_SPAN / 4, ANN_LOGICAL_SPAN / 4, ANN_LOGICAL_SPAN / 2, ANN_LOGICAL_SPAN / 2};
  S().invalidate(S().engine, &logical);
  plat::RECT pending{};
  bool erase = false;
  ASSERT_TRUE(plat::GetUpdateRect(window, &pending, &erase));
  EXPECT_EQ(pending, (plat::RECT{200, 150, 400, 300}));
  EXPECT_TRUE(erase);
  plat::UpdateWindow(window);
  engine.SetRedraw(false);
  S().invalidate(S().engine, nullptr);
  EXPECT_FALSE(plat::GetUpdateRect(window, &pending));
  engine.SetRedraw(true);
  engine.RepaintAfterLoad();
  EXPECT_FALSE(plat::GetUpdateRect(window, &pending));  // painted at once
  EXPECT_EQ(plat::PaintCount(window), 2);
}

TEST_F(EngineRelaysTest, ANewHostWindowReachesLayersMadeBefore) {
  AnnLayerHandle layer = engine.CreateLayer(1);
  plat::HWND other = plat::CreateDetachedWindow(10, 10);
  engine.SetHostWindow(other);
  EXPECT_EQ(reinterpret_cast<AnnLayer*>(layer)->Services().hostWindow, other);
  EXPECT_EQ(engine.ServicesTemplate().hostWindow, other);
  engine.SetHostWindow(window);
  plat::DestroyWindow(other);
}
