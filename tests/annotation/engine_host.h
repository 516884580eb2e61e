#pragma once
// Test host: loads the built engine library with dlopen, as the annotation control does, and
// gives tests a fresh engine bound to a window of the host's own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QWidget>
#include <initializer_list>
#include <cstring>
#include <memory>
#include <vector>
#include <utility>
#include <string>

#include "annotation/engine_interface.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

class EngineLibrary {
 public:
  static EngineLibrary& Get() {
    static EngineLibrary lib;
    return lib;
  }
  void* handle = nullptr;
  AnnInitFn init = nullptr;
  AnnDeinitFn deinit = nullptr;
  std::string error;

 private:
  EngineLibrary() {
    handle = dlopen(ANNOLYX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      error = dlerror();
      return;
    }
    init = reinterpret_cast<AnnInitFn>(dlsym(handle, "Ann_Init"));
    deinit = reinterpret_cast<AnnDeinitFn>(dlsym(handle, "Ann_Deinit"));
  }
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& lib = EngineLibrary::Get();
    ASSERT_NE(lib.handle, nullptr) << lib.error;
    ASSERT_NE(lib.init, nullptr);
    ASSERT_NE(lib.deinit, nullptr);
    // The host's own window, as the annotation control would pass it.
    widget = std::make_unique<QWidget>();
    widget->resize(800, 600);
    window = plat::WindowFromWidget(widget.get());
    engine = lib.init(kCookie, window, 0);
    ASSERT_NE(engine, nullptr);
  }
  void TearDown() override {
    if (engine) EngineLibrary::Get().deinit(engine);
    widget.reset();
  }

  // Reads a string out-parameter and frees it.
  static std::u16string Take(plat::BSTR s) {
    std::u16string r = plat::SysToU16(s);
    plat::SysFreeString(s);
    return r;
  }

  static constexpr intptr_t kCookie = 0x5EED;
  std::unique_ptr<QWidget> widget;
  plat::HWND window = nullptr;
  AnnEngineInterface* engine = nullptr;
};

inline plat::LPARAM atPoint(int32_t x, int32_t y) {
  return plat::LPARAM((uint32_t(uint16_t(y)) << 16) | uint16_t(x));
}

// The mouse gestures a host's window hands the engine, at points of its client area.
struct EngineMouse {
  int32_t Send(uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y) const {
    return engine->HandleMessage(window, message, wParam, atPoint(x, y));
  }
  void Drag(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, x0, y0);
    Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, (x0 + x1) / 2, (y0 + y1) / 2);
    Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, x1, y1);
    Send(plat::WM_LBUTTONUP, 0, x1, y1);
  }
  void Click(int32_t x, int32_t y) const {
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, x, y);
    Send(plat::WM_LBUTTONUP, 0, x, y);
  }
  void DoubleClick(int32_t x, int32_t y) const {
    Click(x, y);
    Send(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, x, y);
    Send(plat::WM_LBUTTONUP, 0, x, y);
  }

  AnnEngineInterface* engine;
  plat::HWND window;
};

// An element made through an object descriptor: type, rect in page pixels, further fields and
// the points of a line, polygon or freehand stroke.
inline int32_t MakeElementFromDesc(AnnEngineInterface* engine, AnnLayerHandle layer, int32_t type, plat::RECT rect,
                                   const std::vector<std::pair<int32_t, AnnValue>>& fields = {},
                                   const std::vector<plat::POINT>& points = {}) {
  AnnObjectDesc* d = nullptr;
  EXPECT_EQ(engine->CreateObjectDesc(&d), ANN_OK);
  engine->SetObjectDescField(d, 128, type);
  engine->SetObjectDescField(d, PROP_RECT, reinterpret_cast<AnnValue>(&rect));
  for (auto [field, value] : fields) engine->SetObjectDescField(d, field, value);
  for (const plat::POINT& p : points) engine->AddObjectDescPoint(d, p.x, p.y);
  int32_t id = 0;
  EXPECT_EQ(engine->CreateObjectFromDesc(d, layer, &id), ANN_OK) << type;
  EXPECT_NE(id, 0) << type;
  engine->FreeObjectDesc(d);
  return id;
}

// One element of every kind on a page of at least 400 x 300 pixels, each inside its own cell of
// a 4 x 3 grid of 100 x 100 cells (kind k in cell k - 4097). Answers the ids in kind order.
inline std::vector<int32_t> MakeOneOfEveryKind(AnnEngineInterface* engine, AnnLayerHandle layer) {
  // An 8 x 8 picture of 24 bits, all dark blue, for the image element.
  const uint32_t stride = 24, bits = stride * 8;
  plat::HGLOBAL picture = plat::GlobalAlloc(plat::GHND, 40 + bits);
  auto* p = static_cast<uint8_t*>(plat::GlobalLock(picture));
  const int32_t header[10] = {40, 8, 8, 1 | (24 << 16), 0, int32_t(bits), 0, 0, 0, 0};
  std::memcpy(p, header, 40);
  for (uint32_t k = 0; k < bits; k += 3) p[40 + k] = 0x80;
  plat::GlobalUnlock(picture);
  plat::BSTR text = plat::SysAllocString(u"Hello");
  std::vector<int32_t> ids;
  for (int32_t kind = TOOL_TEXT; kind <= TOOL_BUTTON; ++kind) {
    const int32_t i = kind - TOOL_TEXT, x = 100 * (i % 4) + 10, y = 100 * (i / 4) + 10;
    std::vector<std::pair<int32_t, AnnValue>> fields = {
        {PROP_PEN_COLOR, 0x0000C0}, {PROP_PEN_WIDTH, 3}, {PROP_TEXT, reinterpret_cast<AnnValue>(text)}};
    if (kind == TOOL_IMAGE) fields.push_back({PROP_IMAGE, reinterpret_cast<AnnValue>(picture)});
    std::vector<plat::POINT> points;
    if (kind >= TOOL_POLYGON && kind <= TOOL_FREEHAND) points = {{x, y}, {x + 80, y + 40}, {x + 20, y + 80}};
    ids.push_back(MakeElementFromDesc(engine, layer, kind, {x, y, x + 80, y + 80}, fields, points));
  }
  plat::SysFreeString(text);
  plat::GlobalFree(picture);
  return ids;
}

// The host's imaging view: a 400 x 300 page shown at a zoom, at a resolution.
class TestHostView : public AnnHostImaging {
 public:
  explicit TestHostView(int zoom = 1, double dpi = 96) : zoom_(zoom), dpi_(dpi) {}
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override { return --refs_; }
  plat::HRESULT GetViewGeometry(int32_t, int32_t* mode, plat::RECT* view, plat::RECT* image, int32_t* w,
                                int32_t* h) override {
    *mode = 0;
    *view = *image = {0, 0, 400 * zoom_, 300 * zoom_};
    *w = 400;
    *h = 300;
    return plat::S_OK;
  }
  plat::HRESULT GetResolution(double* dpi) override {
    *dpi = dpi_;
    return plat::S_OK;
  }

 private:
  int zoom_;
  double dpi_;
  uint32_t refs_ = 1;
};
