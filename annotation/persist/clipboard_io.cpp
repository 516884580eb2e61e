// Layers and selected annotations through the system clipboard, in the registered layer format.
#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/persist/memory_stream.h"
#include "platform/ole/ole.h"
#include "platform/windows/clipboard.h"
#include "platform/windows/window.h"

using namespace ann_detail;

namespace {
// Closes the clipboard on every way out.
struct OpenClipboard {
  bool open;
  explicit OpenClipboard(plat::HWND owner) : open(plat::OpenClipboard(owner)) {}
  ~OpenClipboard() {
    if (open) plat::CloseClipboard();
  }
};
}  // namespace

// A stream over a copy of the layer data on the clipboard.
int32_t AnnEngine::LayerDataOnClipboard(AnnStreamRef* stream) const {
  if (!ClipboardUsable()) return ERR_CLIPBOARD;
  plat::HGLOBAL block = nullptr;
  {
    OpenClipboard clip(helperWindow_);
    if (!clip.open) return ERR_CLIPBOARD;
    block = plat::GetClipboardDataCopy(layerFormat_);
  }
  if (!block) return ERR_CLIPBOARD;
  if (plat::FAILED(plat::CreateStreamOnHGlobal(block, true, stream->out()))) {
    plat::GlobalFree(block);
    return ERR_NO_MEMORY;
  }
  return ANN_OK;
}

bool AnnEngine::ClipboardUsable() const { return helperWindow_ && plat::IsWindow(helperWindow_) && layerFormat_ != 0; }

int32_t AnnEngine::CopyLayerToClipboard(AnnLayerHandle layer, int32_t selectedOnly) {
  return guardedCode([&]() -> int32_t {
    if (!ClipboardUsable()) return ERR_CLIPBOARD;
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    AnnStreamRef stream;
    if (!stream.MakeMemory()) return ERR_NO_MEMORY;
    if (int32_t r = l->Save(stream.get(), lowByte(selectedOnly))) return r;
    uint64_t count = 0;
    const uint8_t* data = stream.Written(&count);
    if (!data || count == 0) return ERR_STREAM;
    plat::HGLOBAL block = plat::GlobalFromBytes(data, count);
    if (!block) return ERR_NO_MEMORY;
    OpenClipboard clip(helperWindow_);
    if (!clip.open) {
      plat::GlobalFree(block);
      return ERR_CLIPBOARD;
    }
    if (!plat::EmptyClipboard()) {
      plat::GlobalFree(block);
      return ERR_CLIPBOARD;
    }
    return plat::SetClipboardData(layerFormat_, block) ? ANN_OK : ERR_CLIPBOARD;
  });
}

int32_t AnnEngine::PasteLayer(AnnLayerHandle* layer) {
  if (layer) *layer = 0;
  return guardedCode([&]() -> int32_t {
    AnnStreamRef stream;
    if (int32_t r = LayerDataOnClipboard(&stream)) return r;
    AnnLayerHandle created = CreateLayer(0);
    AnnLayer* l = FindLayer(created);
    if (!l) return ERR_BAD_LAYER;
    // Data that cannot be read whole leave no half-made layer behind.
    if (int32_t r = ReadLayer(l, stream.get(), false)) {
      DeleteLayer(created);
      return r;
    }
    if (layer) *layer = created;
    return ANN_OK;
  });
}

int32_t AnnEngine::PasteObjects(AnnLayerHandle layer) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    AnnStreamRef stream;
    if (int32_t r = LayerDataOnClipboard(&stream)) return r;
    // Damaged data are checked on a scratch layer first, so that nothing half-read joins the layer.
    if (int32_t r = CheckLayer(stream.get(), true)) return r;
    stream.Rewind();
    int32_t r = ReadLayer(l, stream.get(), true);
    if (r != ANN_OK) return r;
    InvalidateHost(nullptr);
    return ANN_OK;
  });
}

bool AnnEngine::IsLayerOnClipboard() {
  return guarded<bool>(false, [&] {
    if (!ClipboardUsable()) return false;
    OpenClipboard clip(helperWindow_);
    return clip.open && plat::IsClipboardFormatAvailable(layerFormat_);
  });
}
