// libFuzzer target: arbitrary bytes read as one layer stream, as a fresh layer and pasted into a
// layer that already holds elements and a group. The reader must answer with a result code and
// never read out of bounds, allocate without bound or leak.
#include "annotation/layer.h"
#include "fuzz/annotation/fuzz_engine.h"
#include "platform/memory/global_memory.h"

namespace {

AnnEngine* gEngine = nullptr;

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
  gEngine = annStartFuzzEngine(name);
  gEngine->SetDefaultViewSize(800, 600);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AnnLayerHandle fresh = gEngine->CreateLayer(1);
  if (AnnLayer* layer = gEngine->FindLayer(fresh)) {
    readInto(layer, data, size, false);
    // Whatever was read must write out again.
    plat::IStream* out = nullptr;
    if (plat::SUCCEEDED(plat::CreateStreamOnHGlobal(nullptr, true, &out))) {
      layer->Save(out, false);
      out->Release();
    }
    readInto(layer, data, size, true);
  }
  gEngine->DeleteLayer(fresh);
  return 0;
}
