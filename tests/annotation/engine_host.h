#pragma once
// Test host: loads the built engine library with dlopen, as the annotation control does, and
// gives tests a fresh engine bound to a window of the host's own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QWidget>
#include <initializer_list>
#include <memory>
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

// An element made through an object descriptor: type, rect in page pixels and further fields.
inline int32_t MakeElementFromDesc(AnnEngineInterface* engine, AnnLayerHandle layer, int32_t type, plat::RECT rect,
                                   std::initializer_list<std::pair<int32_t, AnnValue>> fields = {}) {
  AnnObjectDesc* d = nullptr;
  EXPECT_EQ(engine->CreateObjectDesc(&d), ANN_OK);
  engine->SetObjectDescField(d, 128, type);
  engine->SetObjectDescField(d, PROP_RECT, reinterpret_cast<AnnValue>(&rect));
  for (auto [field, value] : fields) engine->SetObjectDescField(d, field, value);
  int32_t id = 0;
  EXPECT_EQ(engine->CreateObjectFromDesc(d, layer, &id), ANN_OK);
  engine->FreeObjectDesc(d);
  return id;
}
