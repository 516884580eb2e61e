#pragma once
// A real engine object (linked directly) with one current layer over an 800 x 600 page shown at
// 1:1, and helpers that place rectangles and ellipses and save the layer into bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "annotation/elements/element.h"
#include "annotation/engine.h"
#include "annotation/layer.h"
#include "platform/graphics/gdi.h"
#include "platform/memory/global_memory.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

inline std::vector<std::vector<intptr_t>>& annRecordedEvents() {
  static std::vector<std::vector<intptr_t>> events;
  return events;
}

inline int32_t annRecordEvent(intptr_t, int32_t code, int32_t param) {
  annRecordedEvents().push_back({code, param});
  return 0;
}

// Pixels of the 800 x 600 page in logical units.
inline int32_t annLx(int32_t px) { return plat::MulDiv(px, ANN_LOGICAL_SPAN, 800); }
inline int32_t annLy(int32_t py) { return plat::MulDiv(py, ANN_LOGICAL_SPAN, 600); }

class LayerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    annRecordedEvents().clear();
    window = plat::CreateDetachedWindow(800, 600);
    engine.Initialise(0x5EED, window);
    engine.SetDefaultViewSize(800, 600);
    engine.SetHostCallback(HOSTCB_EVENT, annCallback(&annRecordEvent));
    handle = engine.CreateLayer(1);
    layer = engine.FindLayer(handle);
    ASSERT_NE(layer, nullptr);
    ASSERT_TRUE(engine.SyncViewGeometry(false, nullptr));
  }
  void TearDown() override { plat::DestroyWindow(window); }

  // Places an element of the kind with the rect in page pixels; answers its id.
  int32_t Place(int32_t kind, int32_t l, int32_t t, int32_t r, int32_t b, AnnLayer* into = nullptr) {
    AnnLayer* target = into ? into : layer;
    EXPECT_EQ(target->SetCurrentTool(kind), ANN_OK);
    AnnElement* e = target->CurrentElement();
    EXPECT_NE(e, nullptr);
    if (!e) return 0;
    plat::RECT rect{annLx(l), annLy(t), annLx(r), annLy(b)};
    bool changed = false;
    e->SetProperty(PROP_RECT, reinterpret_cast<AnnValue>(&rect), &changed);
    int32_t id = target->PlaceElement(nullptr, false, true);
    target->SetCurrentTool(TOOL_POINTER);
    return id;
  }

  static std::vector<uint8_t> StreamBytes(plat::IStream* s) {
    uint64_t size = 0;
    s->Seek(0, plat::STREAM_SEEK_END, &size);
    plat::HGLOBAL block = nullptr;
    plat::GetHGlobalFromStream(s, &block);
    auto* p = static_cast<const uint8_t*>(plat::GlobalLock(block));
    std::vector<uint8_t> bytes(p, p + size);
    plat::GlobalUnlock(block);
    return bytes;
  }

  static std::vector<uint8_t> Saved(AnnLayer* l, bool selectedOnly = false, int32_t* result = nullptr) {
    plat::IStream* s = nullptr;
    plat::CreateStreamOnHGlobal(nullptr, true, &s);
    int32_t r = l->Save(s, selectedOnly);
    if (result) *result = r;
    auto bytes = StreamBytes(s);
    s->Release();
    return bytes;
  }

  static int32_t LoadBytes(AnnLayer* l, const std::vector<uint8_t>& bytes, bool merge = false,
                           uint64_t* position = nullptr) {
    plat::HGLOBAL block = plat::GlobalFromBytes(bytes.data(), bytes.size());
    plat::IStream* s = nullptr;
    plat::CreateStreamOnHGlobal(block, true, &s);
    int32_t r = l->Load(s, merge);
    if (position) s->Seek(0, plat::STREAM_SEEK_CUR, position);
    s->Release();
    return r;
  }

  AnnLayer* NewLayer() { return engine.FindLayer(engine.CreateLayer(0)); }

  plat::HWND window = nullptr;
  AnnEngine engine;
  AnnLayerHandle handle = 0;
  AnnLayer* layer = nullptr;
};

// Little-endian words and engine strings, for spelling out expected streams.
struct Words {
  std::vector<uint8_t> bytes;
  Words& operator()(std::initializer_list<int64_t> values) {
    for (int64_t v : values) {
      uint32_t u = uint32_t(v);
      for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(u >> (8 * i)));
    }
    return *this;
  }
  Words& Str(const std::u16string& s) {
    (*this)({int64_t(s.size() * 2 + 2)});
    for (char16_t c : s) {
      bytes.push_back(uint8_t(c));
      bytes.push_back(uint8_t(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return *this;
  }
  Words& Append(const Words& w) {
    bytes.insert(bytes.end(), w.bytes.begin(), w.bytes.end());
    return *this;
  }
  Words& I64(int64_t v) { return (*this)({int64_t(uint32_t(v)), int64_t(uint32_t(uint64_t(v) >> 32))}); }
};
