// libFuzzer target: arbitrary bytes read as the engine's saved annotations (engine block and
// layers) through a byte array and through task memory, by an engine that already has a layer.
// A read must answer with a result code and leave the engine's layers as they were when it fails.
#include "fuzz/annotation/fuzz_engine.h"

namespace {

AnnEngine* gEngine = nullptr;

// The engine as every input finds it: one layer with a rectangle.
void reset() {
  gEngine->DeleteAllLayers();
  AnnLayerHandle l = gEngine->CreateLayer(1);
  AnnObjectDesc* d = nullptr;
  gEngine->CreateObjectDesc(&d);
  plat::RECT r{10, 10, 100, 80};
  gEngine->SetObjectDescField(d, 128, TOOL_RECTANGLE);
  gEngine->SetObjectDescField(d, PROP_RECT, reinterpret_cast<AnnValue>(&r));
  int32_t id = 0;
  gEngine->CreateObjectFromDesc(d, l, &id);
  gEngine->FreeObjectDesc(d);
}

void checkUnchanged(int32_t result, AnnLayerHandle before) {
  if (result == ANN_OK) return;
  int32_t count = 0;
  if (gEngine->GetLayerCount() != 1 || gEngine->GetFirstLayer() != before ||
      gEngine->GetElementCount(before, &count) != ANN_OK || count != 1)
    __builtin_trap();  // a failed read changed the layers
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char name[] = "engine_block_fuzz";
  gEngine = annStartFuzzEngine(name);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  gEngine->SetEngineProperty(EPROP_LOCKED, 0);
  gEngine->SetDefaultViewSize(800, 600);
  reset();
  AnnLayerHandle before = gEngine->GetFirstLayer();
  plat::VARIANT v;
  plat::VariantInit(&v);
  if (size > 0 && plat::VariantFromBytes(&v, data, uint32_t(size))) {
    checkUnchanged(gEngine->LoadAllFromArray(&v), before);
    plat::VariantClear(&v);
    // Whatever was read must write out again.
    plat::VARIANT out;
    int32_t bytes = 0;
    if (gEngine->SaveAllToArray(&out, &bytes) == ANN_OK) plat::VariantClear(&out);
  }
  reset();
  before = gEngine->GetFirstLayer();
  int32_t r = gEngine->LoadFromMemory(data, int32_t(size), 0, 0);
  if (r != ANN_OK && r != ERR_NO_MEMORY) checkUnchanged(r, before);
  return 0;
}
