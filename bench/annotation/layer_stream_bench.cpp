// Writing and reading a layer of 10,000 rectangles and ellipses through the layer stream, plain
// and password-scrambled.
#include "bench/annotation/bench_main.h"



#include "annotation/elements/element.h"
#include "annotation/engine.h"
#include "annotation/layer.h"
#include "platform/graphics/gdi.h"
#include "platform/memory/global_memory.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

namespace {

constexpr int kElements = 10000;

struct Fixture {
  Fixture() {
    engine.Initialise(1, plat::CreateDetachedWindow(800, 600));
    engine.SetDefaultViewSize(800, 600);
    engine.SyncViewGeometry(false, nullptr);
    source = engine.FindLayer(engine.CreateLayer(1));
    for (int i = 0; i < kElements; ++i) {
      source->SetCurrentTool(i % 2 ? TOOL_ELLIPSE : TOOL_RECTANGLE);
      int32_t x = (i * 7) % 700, y = (i * 13) % 500;
      plat::RECT r{plat::MulDiv(x, ANN_LOGICAL_SPAN, 800), plat::MulDiv(y, ANN_LOGICAL_SPAN, 600),
                   plat::MulDiv(x + 90, ANN_LOGICAL_SPAN, 800), plat::MulDiv(y + 90, ANN_LOGICAL_SPAN, 600)};
      bool changed = false;
      source->CurrentElement()->SetProperty(PROP_RECT, reinterpret_cast<AnnValue>(&r), &changed);
      source->PlaceElement(nullptr, false, false);
    }
    source->SetCurrentTool(TOOL_POINTER);
  }
  std::vector<uint8_t> Save() {
    plat::IStream* s = nullptr;
    plat::CreateStreamOnHGlobal(nullptr, true, &s);
    source->Save(s, false);
    uint64_t size = 0;
    s->Seek(0, plat::STREAM_SEEK_END, &size);
    plat::HGLOBAL block = nullptr;
    plat::GetHGlobalFromStream(s, &block);
    auto* p = static_cast<const uint8_t*>(plat::GlobalLock(block));
    std::vector<uint8_t> bytes(p, p + size);
    plat::GlobalUnlock(block);
    s->Release();
    return bytes;
  }
  AnnEngine engine;
  AnnLayer* source = nullptr;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void setPassword(bool on) {
  plat::BSTR pw = on ? plat::SysAllocString(u"bench password") : nullptr;
  fixture().source->SetPassword(pw);
  plat::SysFreeString(pw);
}

void writeLayer(benchmark::State& state) {
  setPassword(state.range(0) != 0);
  size_t bytes = 0;
  for (auto _ : state) bytes = fixture().Save().size();
  state.SetBytesProcessed(int64_t(state.iterations() * bytes));
  state.counters["bytes"] = double(bytes);
}

void readLayer(benchmark::State& state) {
  setPassword(state.range(0) != 0);
  std::vector<uint8_t> bytes = fixture().Save();
  plat::BSTR pw = plat::SysAllocString(u"bench password");
  for (auto _ : state) {
    AnnLayerHandle h = fixture().engine.CreateLayer(0);
    AnnLayer* layer = fixture().engine.FindLayer(h);
    layer->SetPassword(pw);
    plat::HGLOBAL block = plat::GlobalFromBytes(bytes.data(), bytes.size());
    plat::IStream* s = nullptr;
    plat::CreateStreamOnHGlobal(block, true, &s);
    if (layer->Load(s, false) != ANN_OK || layer->GetElementCount() != kElements) state.SkipWithError("load failed");
    s->Release();
    state.PauseTiming();
    fixture().engine.DeleteLayer(h);
    state.ResumeTiming();
  }
  plat::SysFreeString(pw);
  state.SetBytesProcessed(int64_t(state.iterations() * bytes.size()));
}

BENCHMARK(writeLayer)->Arg(0)->Arg(1)->ArgName("password")->Unit(benchmark::kMillisecond);
BENCHMARK(readLayer)->Arg(0)->Arg(1)->ArgName("password")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return annBenchmarkMain(argc, argv); }
