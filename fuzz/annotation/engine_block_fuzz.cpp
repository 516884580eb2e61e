// libFuzzer target: arbitrary bytes read as the engine's saved annotations (engine block and
// layers) through a byte array and through task memory, by a fresh engine that already has a
// layer. A read must answer with a result code and leave the engine's layers as they were when it
// fails; whatever it read must write out again, read back with result 0 and save to the same
// bytes, before and after being moved, turned, drawn on, painted and exported.
#include "fuzz/annotation/fuzz_engine.h"

namespace {

// One layer with a rectangle, as every read finds the engine.
AnnLayerHandle addRectangleLayer(AnnEngine* engine) {
  AnnLayerHandle l = engine->CreateLayer(1);
  AnnObjectDesc* d = nullptr;
  engine->CreateObjectDesc(&d);
  plat::RECT r{10, 10, 100, 80};
  engine->SetObjectDescField(d, 128, TOOL_RECTANGLE);
  engine->SetObjectDescField(d, PROP_RECT, reinterpret_cast<AnnValue>(&r));
  int32_t id = 0;
  engine->CreateObjectFromDesc(d, l, &id);
  engine->FreeObjectDesc(d);
  return l;
}

void checkUnchanged(AnnEngine* engine, int32_t result, AnnLayerHandle before) {
  if (result == ANN_OK) return;
  int32_t count = 0;
  if (engine->GetLayerCount() != 1 || engine->GetFirstLayer() != before ||
      engine->GetElementCount(before, &count) != ANN_OK || count != 1)
    __builtin_trap();  // a failed read changed the layers
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static char name[] = "engine_block_fuzz";
  annStartFuzzApplication(name);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t pick = size ? data[size - 1] : 0;
  {
    AnnEngine* engine = annNewFuzzEngine();
    AnnLayerHandle before = addRectangleLayer(engine);
    plat::VARIANT v;
    plat::VariantInit(&v);
    if (size > 0 && plat::VariantFromBytes(&v, data, uint32_t(size))) {
      int32_t r = engine->LoadAllFromArray(&v);
      checkUnchanged(engine, r, before);
      plat::VariantClear(&v);
      annCheckRoundTrip(engine);
      if (r == ANN_OK) {
        annExerciseLayers(engine, pick);
        annCheckRoundTrip(engine);
      }
    }
    delete engine;
  }
  {
    AnnEngine* engine = annNewFuzzEngine();
    AnnLayerHandle before = addRectangleLayer(engine);
    int32_t r = engine->LoadFromMemory(data, int32_t(size), 0, 0);
    if (r != ANN_OK && r != ERR_NO_MEMORY) checkUnchanged(engine, r, before);
    if (r == ANN_OK) annCheckRoundTrip(engine);
    delete engine;
  }
  return 0;
}
