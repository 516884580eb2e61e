// libFuzzer target: arbitrary bytes read as one layer stream by a fresh engine, as a fresh layer
// and pasted into that layer again. The reader must answer with a result code and never read out
// of bounds, allocate without bound or leak; what it read must write out again, and survive being
// moved, turned, drawn on, painted and exported.
#include "annotation/layer.h"
#include "fuzz/annotation/fuzz_engine.h"
#include "platform/memory/global_memory.h"

namespace {

int32_t readInto(AnnLayer* layer, const uint8_t* data, size_t size, bool merge) {
  plat::HGLOBAL block = plat::GlobalFromBytes(data, size);
  if (!block) return ERR_NO_MEMORY;
  plat::IStream* stream = nullptr;
  if (plat::FAILED(plat::CreateStreamOnHGlobal(block, true, &stream))) {
    plat::GlobalFree(block);
    return ERR_STREAM;
  }
  int32_t r = layer->Load(stream, merge);
  stream->Release();
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char name[] = "layer_stream_fuzz";
  annStartFuzzApplication(name);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AnnEngine* engine = annNewFuzzEngine();
  AnnLayerHandle fresh = engine->CreateLayer(1);
  if (AnnLayer* layer = engine->FindLayer(fresh)) {
    int32_t r = readInto(layer, data, size, false);
    // Whatever was read must write out again.
    plat::IStream* out = nullptr;
    if (plat::SUCCEEDED(plat::CreateStreamOnHGlobal(nullptr, true, &out))) {
      layer->Save(out, false);
      out->Release();
    }
    if (readInto(layer, data, size, true) == ANN_OK || r == ANN_OK) {
      annExerciseLayers(engine, size ? data[size - 1] : 0);
      // What the layer holds now writes out, and reads back into a fresh layer.
      if (engine->IsLayer(fresh)) {
        plat::VARIANT saved;
        int32_t bytes = 0;
        if (engine->SaveLayerToArray(&saved, fresh, &bytes) == ANN_OK) {
          uint32_t count = 0;
          const uint8_t* p = plat::VariantBytes(&saved, &count);
          AnnLayer* copy = engine->FindLayer(engine->CreateLayer(0));
          const int32_t back = copy && p ? readInto(copy, p, count, false) : ANN_OK;
          if (back != ANN_OK && back != ERR_BAD_PASSWORD) __builtin_trap();  // saved what it cannot read
          plat::VariantClear(&saved);
        }
      }
    }
  }
  delete engine;
  return 0;
}
