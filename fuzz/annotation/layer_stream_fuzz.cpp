// libFuzzer target: arbitrary bytes read as one layer stream by a fresh engine, as a fresh layer
// and pasted into that layer again. The reader must answer with a result code and never read out
// of bounds, allocate without bound or leak; what it read must write out again, read back with
// result 0 and save to the same bytes, before and after being moved, turned, drawn on, painted and
// exported.
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
    // Whatever was read writes out again, reads back and saves to the same bytes.
    annCheckRoundTrip(engine);
    if (readInto(layer, data, size, true) == ANN_OK || r == ANN_OK) {
      annCheckRoundTrip(engine);
      annExerciseLayers(engine, size ? data[size - 1] : 0);
      // What the layers hold after all that writes out and reads back the same too.
      annCheckRoundTrip(engine);
    }
  }
  delete engine;
  return 0;
}
