#pragma once
// A loaded engine with one current layer over an 800 x 600 page at 1:1, recording events, with
// helpers that send the mouse gestures of drawing and read elements back in page pixels.
#include <algorithm>
#include <vector>

#include "engine_host.h"
#include "platform/graphics/gdi.h"

inline std::vector<std::vector<int32_t>> gEvents;  // {code, param}

inline int32_t recordKindEvent(intptr_t, int32_t code, int32_t param) {
  gEvents.push_back({code, param});
  return 0;
}

class KindsInputTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    gEvents.clear();
    engine->SetDefaultViewSize(800, 600);
    engine->SetHostCallback(HOSTCB_EVENT, annCallback(&recordKindEvent));
    layer = engine->CreateLayer(1);
    ASSERT_NE(layer, 0);
  }

  int32_t Send(uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y) {
    return Mouse().Send(message, wParam, x, y);
  }
  int32_t Key(uint32_t message, plat::WPARAM key, int32_t repeat = 1) {
    return engine->HandleKey(window, message, key, plat::LPARAM(repeat));
  }
  EngineMouse Mouse() const { return {engine, window}; }
  void Drag(int32_t x0, int32_t y0, int32_t x1, int32_t y1) { Mouse().Drag(x0, y0, x1, y1); }
  void Click(int32_t x, int32_t y) { Mouse().Click(x, y); }
  void DoubleClick(int32_t x, int32_t y) { Mouse().DoubleClick(x, y); }
  // Polygon and polyline gestures: press on the first point, move to and click each further
  // point, and double-click on the last.
  void ClickPath(const std::vector<plat::POINT>& points) {
    Click(points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) {
      Send(plat::WM_MOUSEMOVE, 0, points[i].x, points[i].y);
      if (i + 1 < points.size()) Click(points[i].x, points[i].y);
    }
    DoubleClick(points.back().x, points.back().y);
  }

  int32_t Count() {
    int32_t n = 0;
    engine->GetElementCount(layer, &n);
    return n;
  }
  int32_t First() {
    int32_t id = 0;
    engine->GetFirstElement(layer, &id);
    return id;
  }
  int32_t Last() {
    int32_t id = 0;
    engine->GetElementIdByIndex(layer, Count(), &id);
    return id;
  }
  std::vector<int32_t> Added() const {
    std::vector<int32_t> ids;
    for (auto& e : gEvents)
      if (e[0] == EVT_ELEMENT_ADDED) ids.push_back(e[1]);
    return ids;
  }
  std::vector<int32_t> Codes(const std::vector<int32_t>& wanted) const {
    std::vector<int32_t> codes;
    for (auto& e : gEvents)
      if (std::find(wanted.begin(), wanted.end(), e[0]) != wanted.end()) codes.push_back(e[0]);
    return codes;
  }
  std::vector<plat::POINT> Points(int32_t id) {
    AnnValue count = 0;
    engine->GetElementProperty(layer, id, PROP_POINT_COUNT, &count);
    std::vector<plat::POINT> points;
    for (int32_t i = 0; i < int32_t(count); ++i) {
      plat::POINT p{};
      engine->GetElementPoint(layer, id, i, &p);
      points.push_back(p);
    }
    return points;
  }
  plat::RECT RectOf(int32_t id) {
    plat::RECT r{};
    EXPECT_EQ(engine->GetElementRect(layer, id, &r), ANN_OK);
    return r;
  }

  // An engine string for the text, freed with the test.
  AnnValue B(const char16_t* text) {
    strings_.push_back(plat::SysAllocString(text));
    return reinterpret_cast<AnnValue>(strings_.back());
  }
  void TearDown() override {
    EngineTest::TearDown();
    for (plat::BSTR s : strings_) plat::SysFreeString(s);
    strings_.clear();
  }

  AnnLayerHandle layer = 0;

 private:
  std::vector<plat::BSTR> strings_;
};

inline std::ostream& operator<<(std::ostream& os, const plat::POINT& p) { return os << "(" << p.x << "," << p.y << ")"; }
