// The library's only exported functions.
#include <new>

#include "annotation/engine.h"

#define ANN_EXPORT extern "C" __attribute__((visibility("default")))

ANN_EXPORT AnnEngineInterface* Ann_Init(intptr_t hostCookie, plat::HWND hostWindow, int32_t) {
  try {
    auto* engine = new AnnEngine();
    engine->Initialise(hostCookie, hostWindow);
    return engine;
  } catch (...) {
    return nullptr;
  }
}

ANN_EXPORT void Ann_Deinit(AnnEngineInterface* engine) {
  // Only this library makes engines, so the interface is always an AnnEngine.
  delete static_cast<AnnEngine*>(engine);
}
