// The engine block (the engine's settings that travel with its annotations) and the containers
// that carry it before every layer: a platform stream, task memory and byte arrays.
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/persist/memory_stream.h"
#include "annotation/persist/stream_io.h"
#include "annotation/rect_util.h"
#include "platform/ole/ole.h"

using namespace ann_detail;

namespace {

constexpr int32_t kBlockBegin = 36758;
constexpr int32_t kBlockEnd = 36759;

bool isStringKey(int32_t key) {
  return (key >= EPROP_AUTHOR && key <= EPROP_TITLE) || key == EPROP_STAMP_TEXT || key == EPROP_BUTTON_TEXT;
}

bool isFontKey(int32_t key) { return key >= EPROP_STAMP_FONT && key <= EPROP_BUTTON_FONT; }

bool nonEmpty(plat::BSTR s) { return s && plat::SysStringLen(s) > 0; }

}  // namespace

// What one engine block holds, read whole before anything of it is applied.
struct AnnEngineBlock {
  ~AnnEngineBlock() {
    for (auto& kv : strings) plat::SysFreeString(kv.second);
  }
  std::vector<std::pair<int32_t, int32_t>> values;  // keys applied as engine properties, in order
  std::map<int32_t, plat::BSTR> strings;           // owned
  std::optional<int32_t> viewWidth, viewHeight;
  int32_t layerCount = 0;  // every block says its own count; a block without one reads none
  std::map<int32_t, plat::LOGFONTA> fonts;

  bool Read(AnnStreamReader& in) {
    int32_t tag = 0;
    if (!in.I32(&tag) || tag != kBlockBegin) return false;
    for (;;) {
      if (!in.I32(&tag)) return false;
      if (tag == kBlockEnd) return true;
      if (isStringKey(tag)) {
        plat::BSTR s = nullptr;
        if (!in.String(&s)) return false;
        plat::SysFreeString(strings[tag]);
        strings[tag] = s;
      } else if (isFontKey(tag)) {
        plat::LOGFONTA font;
        if (!in.Font(&font)) return false;
        fonts[tag] = font;
      } else {
        int32_t v = 0;
        if (!in.I32(&v)) return false;
        if (tag == EPROP_VIEW_WIDTH) viewWidth = v;
        else if (tag == EPROP_VIEW_HEIGHT) viewHeight = v;
        else if (tag == EPROP_LAYER_COUNT) layerCount = v;
        else values.emplace_back(tag, v);
      }
    }
  }
};

int32_t AnnEngine::WriteEngineBlock(AnnStreamWriter& out) {
  out.I32(kBlockBegin);
  for (const auto& [key, value] : properties_) {
    if (plat::BSTR* s = KeyString(key)) {
      if (nonEmpty(*s)) {
        out.I32(key);
        out.String(*s);
      }
    } else if (key == EPROP_VIEW_WIDTH || key == EPROP_VIEW_HEIGHT) {
      int32_t v = key == EPROP_VIEW_WIDTH ? defaultViewWidth_ : defaultViewHeight_;
      if (v != 0) {
        out.I32(key);
        out.I32(v);
      }
    } else if (key == EPROP_LAYER_COUNT) {
      out.I32(key);
      out.I32(int32_t(layers_.size()));
    } else if (const plat::LOGFONTA* f = KeyFont(key)) {
      out.I32(key);
      out.Bytes(f, sizeof *f);
    } else {
      out.I32(key);
      out.I32(int32_t(value));
    }
  }
  out.I32(kBlockEnd);
  return out.Ok() ? ANN_OK : ERR_STREAM;
}

void AnnEngine::ApplyEngineBlock(AnnEngineBlock& block) {
  for (auto& [key, s] : block.strings) {
    plat::BSTR* target = KeyString(key);
    plat::SysFreeString(*target);
    *target = s;
    s = nullptr;
  }
  if (block.viewWidth) defaultViewWidth_ = std::min(*block.viewWidth, kAnnViewSizeLimit);
  if (block.viewHeight) defaultViewHeight_ = std::min(*block.viewHeight, kAnnViewSizeLimit);
  if (block.viewWidth || block.viewHeight) view_.MarkStale();
  for (const auto& [key, font] : block.fonts) *KeyFont(key) = font;
  layersToRead_ = block.layerCount;
  // Applied as the host would set them, with all their effects; unknown keys are passed over.
  for (const auto& [key, value] : block.values) SetEngineProperty(key, value);
}

int32_t AnnEngine::WriteAllLayers(plat::IStream* stream) {
  {
    AnnStreamWriter out(stream);
    if (WriteEngineBlock(out) != ANN_OK) return ERR_STREAM;
  }
  // Oldest first, so that reading them back in order leaves the newest current.
  for (auto it = layers_.rbegin(); it != layers_.rend(); ++it)
    if ((*it)->Save(stream, false) != ANN_OK) return ERR_STREAM;
  return ANN_OK;
}

AnnEngineServices AnnEngine::DetachedServices() const {
  AnnEngineServices s = services_;
  s.groupCreated = nullptr;
  s.groupDeleted = nullptr;
  s.invalidate = nullptr;
  s.raiseEvent = nullptr;
  s.propertyChanged = nullptr;
  s.customDraw = nullptr;
  s.stampPlacing = nullptr;
  s.runMouse = nullptr;
  s.paletteToolPress = nullptr;
  s.paletteToolEnable = nullptr;
  s.openAttributeMenu = nullptr;
  s.requestPassword = nullptr;
  s.installMessageFilter = nullptr;
  s.chooseCursor = nullptr;
  s.hostWindow = nullptr;
  return s;
}

int32_t AnnEngine::CheckAllLayers(plat::IStream* stream) {
  uint64_t start = 0;
  if (!stream || plat::FAILED(stream->Seek(0, plat::STREAM_SEEK_CUR, &start))) return ERR_STREAM;
  struct Back {
    plat::IStream* s;
    uint64_t at;
    ~Back() { s->Seek(int64_t(at), plat::STREAM_SEEK_SET, nullptr); }
  } back{stream, start};
  int32_t count = 0;
  {
    AnnStreamReader in(stream);
    AnnEngineBlock block;
    if (!block.Read(in)) return ERR_STREAM;
    count = block.layerCount;
  }
  for (int32_t i = 0; i < count; ++i)
    if (int32_t r = CheckLayer(stream, false)) return r;
  return ANN_OK;
}

int32_t AnnEngine::CheckLayer(plat::IStream* stream, bool merge) {
  AnnLayer scratch(DetachedServices());
  for (int32_t t = TOOL_FIRST; t <= TOOL_LAST; ++t) scratch.CopyToolDefaults(t, toolMaps_[annToolIndex(t)]);
  int32_t r = scratch.Load(stream, merge);
  return r == ERR_BAD_PASSWORD ? ANN_OK : r;
}

int32_t AnnEngine::ReadLayer(AnnLayer* layer, plat::IStream* stream, bool merge) {
  layer->MutableServices().requestPassword = passwordService_;
  int32_t r = layer->Load(stream, merge);
  if (FindLayer(HandleOf(layer))) layer->MutableServices().requestPassword = nullptr;
  return r;
}

int32_t AnnEngine::ReadAllLayers(plat::IStream* stream) {
  {
    AnnStreamReader in(stream);
    AnnEngineBlock block;
    if (!block.Read(in)) return ERR_STREAM;
    ApplyEngineBlock(block);
  }
  int32_t count = layersToRead_;
  layersToRead_ = 0;
  for (int32_t i = 0; i < count; ++i) {
    AnnLayerHandle handle = CreateLayer(1);
    AnnLayer* l = FindLayer(handle);
    if (!l) return ERR_BAD_LAYER;
    int32_t r = ReadLayer(l, stream, false);
    if (r == ERR_BAD_PASSWORD) {
      DeleteLayer(handle);
      continue;
    }
    if (r != ANN_OK) return r;
  }
  return ANN_OK;
}

int32_t AnnEngine::ReplaceAllLayers(plat::IStream* stream) {
  if (int32_t r = CheckAllLayers(stream)) return r;
  redraw_ = false;
  DeleteAllLayers();
  int32_t r = ReadAllLayers(stream);
  redraw_ = true;
  return r;
}

// ---------------------------------------------------------------------------------------------
// Slots

int32_t AnnEngine::SaveToMemory(void** block) {
  return guarded<int32_t>(0, [&]() -> int32_t {
    if (layers_.empty() || !saveEnabled_ || !block) return 0;
    AnnStreamRef stream;
    if (!stream.MakeMemory() || WriteAllLayers(stream.get()) != ANN_OK) return 0;
    return stream.CopyToTaskMemory(block);
  });
}

int32_t AnnEngine::LoadFromMemory(const void* data, int32_t bytes, intptr_t, intptr_t) {
  return guardedCode([&]() -> int32_t {
    AnnStreamRef stream;
    if (!data || bytes <= 0 || !stream.MakeReader(data, std::size_t(bytes))) return ERR_NO_MEMORY;
    if (int32_t r = CheckAllLayers(stream.get())) return r;
    redraw_ = false;
    int32_t r = ReadAllLayers(stream.get());
    redraw_ = true;
    return r;
  });
}

int32_t AnnEngine::SaveLayerToStream(plat::IStream* stream) {
  return guardedCode([&]() -> int32_t {
    if (!stream) return ANN_OK;
    AnnStreamWriter out(stream);
    if (WriteEngineBlock(out) != ANN_OK) return ERR_STREAM;
    if (!out.U32(uint32_t(layers_.size())) || !out.Ok()) return ERR_STREAM;
    for (auto& l : layers_)
      if (l->Save(stream, false) != ANN_OK) return ERR_STREAM;
    return ANN_OK;
  });
}

namespace {
// The written bytes of a memory stream as a byte-array variant.
int32_t arrayFromStream(const AnnStreamRef& stream, plat::VARIANT* array, int32_t* bytes) {
  uint64_t count = 0;
  const uint8_t* data = stream.Written(&count);
  if (!data || count == 0 || count > uint64_t(INT32_MAX)) return ERR_STREAM;
  if (!plat::VariantFromBytes(array, data, uint32_t(count))) return ERR_NO_MEMORY;
  if (bytes) *bytes = int32_t(count);
  return ANN_OK;
}

// A reader over the bytes of a byte-array variant.
int32_t streamFromArray(const plat::VARIANT* array, AnnStreamRef* stream) {
  uint32_t count = 0;
  const uint8_t* data =
      array && array->vt == (plat::VT_ARRAY | plat::VT_UI1) ? plat::VariantBytes(array, &count) : nullptr;
  if (!data || count == 0) return ERR_BAD_ARRAY;
  return stream->MakeReader(data, count) ? ANN_OK : ERR_NO_MEMORY;
}
}  // namespace

int32_t AnnEngine::SaveLayerToArray(plat::VARIANT* array, AnnLayerHandle layer, int32_t* bytes) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (!array) return ERR_BAD_ARRAY;
    plat::VariantInit(array);
    if (bytes) *bytes = 0;
    AnnStreamRef stream;
    if (!stream.MakeMemory()) return ERR_NO_MEMORY;
    if (int32_t r = l->Save(stream.get(), false)) return r;
    return arrayFromStream(stream, array, bytes);
  });
}

int32_t AnnEngine::LoadLayerFromArray(const plat::VARIANT* array, AnnLayerHandle* layer) {
  if (layer) *layer = 0;
  AnnLayerHandle created = CreateLayer(0);
  AnnLayer* l = FindLayer(created);
  if (!l) return ERR_BAD_LAYER;
  int32_t r = guardedCode([&]() -> int32_t {
    AnnStreamRef stream;
    if (int32_t made = streamFromArray(array, &stream)) return made;
    return ReadLayer(l, stream.get(), false);
  });
  if (r != ANN_OK) {
    DeleteLayer(created);
    return r;
  }
  if (layer) *layer = created;
  return ANN_OK;
}

int32_t AnnEngine::SaveAllToArray(plat::VARIANT* array, int32_t* bytes) {
  return guardedCode([&]() -> int32_t {
    if (!array) return ERR_BAD_ARRAY;
    plat::VariantInit(array);
    if (bytes) *bytes = 0;
    AnnStreamRef stream;
    if (!stream.MakeMemory()) return ERR_NO_MEMORY;
    if (int32_t r = WriteAllLayers(stream.get())) return r;
    return arrayFromStream(stream, array, bytes);
  });
}

int32_t AnnEngine::LoadAllFromArray(const plat::VARIANT* array) {
  return guardedCode([&]() -> int32_t {
    AnnStreamRef stream;
    if (int32_t made = streamFromArray(array, &stream)) return made;
    return ReplaceAllLayers(stream.get());
  });
}
