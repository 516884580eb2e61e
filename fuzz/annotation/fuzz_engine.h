#pragma once
// How every engine fuzz target starts: an offscreen application, made once, and a fresh engine
// for each input, bound to a window of its own and answering every password request with "fuzz",
// so that a finding replays from its input alone. After a read, annExerciseLayers does with every
// layer what a user and a host do: moves, resizes, turns and mirrors, draws with every tool,
// paints and exports. annCheckRoundTrip checks that what the engine then saves reads back and
// saves to the same bytes.
#include <QApplication>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "annotation/engine.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

inline int32_t annFuzzPassword(intptr_t, plat::BSTR, plat::BSTR* password) {
  plat::SysReAllocString(password, u"fuzz");
  return 0;
}

// name: the program name the application is given; it must outlive the process.
inline void annStartFuzzApplication(char* name) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

inline plat::HWND annFuzzWindow() {
  static plat::HWND window = plat::CreateDetachedWindow(800, 600);
  return window;
}

// A fresh engine over an 800 x 600 page; the caller deletes it.
inline AnnEngine* annNewFuzzEngine() {
  auto* engine = new AnnEngine();
  engine->Initialise(1, annFuzzWindow());
  engine->SetHostCallback(HOSTCB_PASSWORD, annCallback(&annFuzzPassword));
  engine->SetDefaultViewSize(800, 600);
  return engine;
}

namespace ann_fuzz {

// Values a host may pass for positions and sizes in page pixels: ordinary ones and the ends of
// what an int holds. The input's last byte picks where a list of them starts.
inline constexpr int32_t kHostValues[] = {7,       -13,     400,       1000000000, -1000000000,
                                          INT_MAX, INT_MIN, 1761017857, 0,          250};
inline constexpr int kHostValueCount = int(sizeof kHostValues / sizeof kHostValues[0]);

inline plat::LPARAM at(int32_t x, int32_t y) { return plat::LPARAM((uint32_t(uint16_t(y)) << 16) | uint16_t(x)); }

inline void drag(AnnEngine* e, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  plat::HWND w = annFuzzWindow();
  e->HandleMessage(w, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, at(x0, y0));
  e->HandleMessage(w, plat::WM_MOUSEMOVE, plat::MK_LBUTTON, at((x0 + x1) / 2, (y0 + y1) / 2));
  e->HandleMessage(w, plat::WM_MOUSEMOVE, plat::MK_LBUTTON, at(x1, y1));
  e->HandleMessage(w, plat::WM_LBUTTONUP, 0, at(x1, y1));
}

inline void paint(AnnEngine* e) {
  plat::HDC dc = plat::CreateMemoryDC(200, 150);
  if (!dc) return;
  plat::RECT view{0, 0, 200, 150}, image{0, 0, 800, 600};
  e->Draw(dc, &view, &image, 0, 0, 0, 0);
  plat::DeleteDC(dc);
}

inline void exportAll(AnnEngine* e) {
  for (int32_t layerBlocks = 0; layerBlocks <= 1; ++layerBlocks) {
    void* block = nullptr;
    if (e->ExportOiAnnotations(&block, layerBlocks) > 0) plat::CoTaskMemFree(block);
    block = nullptr;
    if (e->ExportOiAnnotationsAnsi(&block, layerBlocks) > 0) plat::CoTaskMemFree(block);
  }
}

// The bytes of a byte-array variant.
inline std::vector<uint8_t> bytesOf(const plat::VARIANT& v) {
  uint32_t count = 0;
  const uint8_t* p = plat::VariantBytes(&v, &count);
  return p ? std::vector<uint8_t>(p, p + count) : std::vector<uint8_t>{};
}

// Saved again by a fresh engine over a page of the same size after reading `saved` back with
// `read`; a read that does not answer 0 or bytes that differ are findings.
template <typename Read, typename Save>
inline void readBackSame(AnnEngine* source, const plat::VARIANT& saved, Read read, Save save) {
  int32_t width = 0, height = 0;
  source->GetDefaultViewSize(&width, &height);
  AnnEngine* reader = annNewFuzzEngine();
  reader->SetDefaultViewSize(width, height);
  if (read(reader, saved) != ANN_OK) __builtin_trap();  // saved what it cannot read
  plat::VARIANT again;
  if (save(reader, &again) != ANN_OK) __builtin_trap();
  if (bytesOf(saved) != bytesOf(again)) __builtin_trap();  // read back, it saves differently
  plat::VariantClear(&again);
  delete reader;
}

}  // namespace ann_fuzz

// Whatever the engine saves reads back: every layer on its own through a byte array, and all of
// them with the engine's settings, each loads into a fresh engine with result 0 and saves there to
// exactly the same bytes.
inline void annCheckRoundTrip(AnnEngine* e) {
  using namespace ann_fuzz;
  int32_t bytes = 0;
  std::vector<AnnLayerHandle> layers;
  for (AnnLayerHandle l = e->GetFirstLayer(); l; l = e->GetNextLayer()) layers.push_back(l);
  for (AnnLayerHandle l : layers) {
    plat::VARIANT saved;
    if (e->SaveLayerToArray(&saved, l, &bytes) != ANN_OK) continue;  // out of memory: nothing to read back
    readBackSame(
        e, saved,
        [](AnnEngine* r, const plat::VARIANT& v) {
          AnnLayerHandle copy = 0;
          return r->LoadLayerFromArray(&v, &copy);
        },
        [&](AnnEngine* r, plat::VARIANT* out) { return r->SaveLayerToArray(out, r->GetFirstLayer(), &bytes); });
    plat::VariantClear(&saved);
  }
  plat::VARIANT all;
  if (e->SaveAllToArray(&all, &bytes) != ANN_OK) return;  // out of memory: nothing to read back
  readBackSame(
      e, all, [](AnnEngine* r, const plat::VARIANT& v) { return r->LoadAllFromArray(&v); },
      [&](AnnEngine* r, plat::VARIANT* out) { return r->SaveAllToArray(out, &bytes); });
  plat::VariantClear(&all);
}

inline void annExerciseLayers(AnnEngine* e, uint8_t pick) {
  using namespace ann_fuzz;
  auto value = [&](int k) { return kHostValues[(pick + k) % kHostValueCount]; };
  e->SetEngineProperty(EPROP_LOCKED, 0);
  std::vector<AnnLayerHandle> layers;
  for (AnnLayerHandle l = e->GetFirstLayer(); l; l = e->GetNextLayer()) layers.push_back(l);
  for (AnnLayerHandle l : layers) {
    if (!e->IsLayer(l)) continue;
    e->SetCurrentLayer(l);
    // Each element moved by the host, given a rect and a first point, and dragged with the mouse.
    std::vector<int32_t> ids;
    int32_t id = 0;
    for (e->GetFirstElement(l, &id); id; e->GetNextElement(l, &id)) ids.push_back(id);
    for (int32_t element : ids) {
      plat::RECT r{};
      if (e->GetElementRect(l, element, &r) != ANN_OK) continue;
      e->MoveElementTo(l, element, value(0), value(1));
      e->MoveElementTo(l, element, r.left, r.top);
      e->SetElementRect(l, element, value(2), value(3), value(4), value(5));
      e->SetElementPoint(l, element, 0, {value(6), value(7)});
      e->SetElementProperty(l, element, PROP_PEN_WIDTH, value(8));
    }
    e->SetCurrentTool(l, TOOL_POINTER);
    e->SelectAllElements(l, 1);
    drag(e, 100, 100, 160, 130);
    // Groups: moved and resized by the host, mirrored, and dragged once selected.
    std::vector<int32_t> groups;
    int32_t g = 0;
    for (e->GetFirstGroup(l, &g); g; e->GetNextGroup(l, &g)) groups.push_back(g);
    for (int32_t group : groups) {
      plat::RECT r{};
      e->GetGroupRect(l, group, &r);
      e->SetGroupRect(l, group, value(0), value(1), value(2), value(3));
      e->SetGroupRect(l, group, 10, 10, 300, 200);
      e->MirrorGroupLeftRight(l, group);
      e->MirrorGroupTopBottom(l, group);
      e->SetGroupSelected(l, group, 1);
      drag(e, 20, 20, 60, 50);
    }
    // New marks with every drawing tool and the layer's own defaults.
    for (int32_t tool : {TOOL_LINE, TOOL_FREEHAND, TOOL_RECTANGLE, TOOL_ELLIPSE, TOOL_STAMP, TOOL_BUTTON}) {
      e->SetCurrentTool(l, tool);
      drag(e, 300, 300, 420, 380);
    }
    for (int32_t tool : {TOOL_POLYGON, TOOL_POLYLINE}) {
      e->SetCurrentTool(l, tool);
      plat::HWND w = annFuzzWindow();
      for (auto [x, y] : {std::pair{500, 100}, {600, 150}, {550, 250}}) {
        e->HandleMessage(w, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, at(x, y));
        e->HandleMessage(w, plat::WM_LBUTTONUP, 0, at(x, y));
      }
      e->HandleMessage(w, plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, at(550, 250));
      e->HandleMessage(w, plat::WM_LBUTTONUP, 0, at(550, 250));
    }
    e->SetCurrentTool(l, TOOL_POINTER);
  }
  paint(e);
  // The page turned and mirrored, painted and exported after each turn.
  for (float degrees : {90.0f, 180.0f, 270.0f}) {
    e->RotateAll(800, 600, degrees);
    paint(e);
  }
  e->MirrorAllLeftRight(800, 600);
  e->MirrorAllTopBottom(800, 600);
  paint(e);
  exportAll(e);
}
