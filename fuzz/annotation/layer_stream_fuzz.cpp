// libFuzzer target: arbitrary bytes read as one layer stream, as a fresh layer and pasted into a
// layer that already holds elements and a group. The reader must answer with a result code and
// never read out of bounds, allocate without bound or leak.
#include <QApplication>

#include <cstdint>
#include <cstdlib>

#include "annotation/engine.h"
#include "annotation/layer.h"
#include "platform/memory/global_memory.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

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

int32_t passwordFromHost(intptr_t, plat::BSTR, plat::BSTR* password) {
  plat::SysReAllocString(password, u"fuzz");
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "layer_stream_fuzz";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  gEngine = new AnnEngine();
  gEngine->Initialise(1, plat::CreateDetachedWindow(800, 600));
  gEngine->SetDefaultViewSize(800, 600);
  gEngine->SetHostCallback(HOSTCB_PASSWORD, annCallback(&passwordFromHost));
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
