// The engine's own property map and the eleven per-tool default maps, with their side effects.
#include "annotation/engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/rect_util.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

using namespace ann_detail;

void AnnEngine::LoadDefaultMaps() {
  properties_ = {{34, 0},       {130, 0},     {131, 1},        {132, 1},    {133, 0},    {134, 1},     {135, 0},
                 {136, 0},      {137, 1},     {138, 0},        {768, 0},    {769, 0},    {770, 0},     {771, 0},
                 {896, 0},      {897, 0},     {4097, 0xFF0000}, {4098, 0},   {4099, 0xFFFFFF}, {4100, 0xC0C0C0},
                 {4101, 1},     {4104, 0},    {4105, 0},       {4128, 0},   {4131, 0},   {4225, 0x1007}, {36760, 5},
                 {36761, 0},    {36764, 0},   {40960, 0},      {40961, 0},  {40962, 0}};

  auto text = [](plat::BSTR* cell) { return reinterpret_cast<AnnValue>(cell); };
  auto font = [](plat::LOGFONTA* f) { return reinterpret_cast<AnnValue>(f); };
  // Keys every drawing tool shares, with their values.
  const AnnPropertyMap common = {{7, 0},     {21, 1},    {36751, 0}, {36721, 0}, {19, 0},  {24, 1},   {25, 1},
                                 {33, 1},    {34, 0},    {36764, 0}, {29, 0},    {1280, 0}, {1281, 0}, {640, 0},
                                 {1800, 0}};
  auto make = [&](int32_t tool, std::initializer_list<std::pair<const int32_t, AnnValue>> own) {
    AnnPropertyMap m = common;
    for (const auto& kv : own) m[kv.first] = kv.second;
    toolMaps_[annToolIndex(tool)] = std::move(m);
  };
  toolMaps_[annToolIndex(TOOL_POINTER)].clear();
  make(TOOL_TEXT, {{11, font(&textFont_)}, {5, 0}, {10, text(&textText_)}, {1, 0xFF10FF}, {2, 0}, {3, 0xFFFFFF},
                   {16, 2}, {8, 0}, {18, 1}, {20, 0}, {36719, 7}, {28, 0}, {37, 0}, {38, HATCH_NONE}, {39, 0},
                   {41, 0}});
  make(TOOL_RECTANGLE, {{1, 0xFF0000}, {5, 1}, {4, 0xFF00}, {16, 2}, {9, 0}, {36719, 6}, {36, 0},
                        {38, HATCH_NONE}, {39, 0}});
  make(TOOL_ELLIPSE, {{1, 0xFF0000}, {5, 1}, {4, 0xFFFF00}, {16, 2}, {9, 0}, {38, HATCH_NONE}, {39, 0}});
  make(TOOL_POLYGON, {{1, 0xFFFF00}, {5, 2}, {4, 0xFF}, {16, 2}, {9, 0}, {1024, 0}, {38, HATCH_NONE}, {39, 0}});
  make(TOOL_POLYLINE, {{1, 0x8020FF}, {5, 2}, {1024, 0}, {26, 0}, {27, 13}});
  make(TOOL_LINE, {{1, 0xFF0000}, {5, 2}, {13, 0}, {14, 0}, {1024, 0}, {26, 0}, {27, 13}});
  make(TOOL_FREEHAND, {{1, 0xFF00FF}, {5, 2}, {1024, 0}, {26, 0}, {27, 13}});
  make(TOOL_STAMP, {{11, font(&stampFont_)}, {5, 0}, {10, text(&stampText_)}, {1, 0xFF00FF}, {2, 0xFF},
                    {3, 0xC00000}, {16, 1}, {8, 0}, {20, 1}, {36719, 9}, {28, 0}, {38, HATCH_NONE}, {39, 0}});
  make(TOOL_IMAGE, {{1, 0xFF0000}, {5, 1}, {4, 0xFF00}, {15, 0xFFFFFF}, {16, 2}, {17, 0}, {20, 0},
                    {38, HATCH_NONE}, {39, 0}});
  make(TOOL_BUTTON, {{11, font(&buttonFont_)}, {5, 4}, {10, text(&buttonText_)},
                     {22, AnnValue(plat::GetSysColor(plat::COLOR_3DLIGHT))},
                     {23, AnnValue(plat::GetSysColor(plat::COLOR_BTNSHADOW))},
                     {3, AnnValue(plat::GetSysColor(plat::COLOR_BTNFACE))},
                     {2, AnnValue(plat::GetSysColor(plat::COLOR_BTNTEXT))}, {20, 0}});
}

// ---------------------------------------------------------------------------------------------
// Slots 51 to 67: elements and defaults

int32_t AnnEngine::GetElementCount(AnnLayerHandle layer, int32_t* count) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (count) *count = l->GetElementCount();
    return ANN_OK;
  });
}
int32_t AnnEngine::GetElementDesc(AnnLayerHandle layer, int32_t id, AnnObjectDesc* desc) {
  ANN_FORWARD(GetElementDesc(id, desc));
}
int32_t AnnEngine::MoveElementTo(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y) {
  ANN_FORWARD(MoveElementTo(id, x, y));
}

int32_t AnnEngine::SetElementRect(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y, int32_t width,
                                  int32_t height) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    // A host's width may reach past the int32 range; the far edge saturates instead of wrapping.
    auto edge = [](int32_t origin, int32_t extent) {
      return int32_t(std::clamp<int64_t>(int64_t(origin) + extent, INT32_MIN, INT32_MAX));
    };
    plat::RECT device{x, y, edge(x, width), edge(y, height)};
    AnnView::NormalizeRect(&device);
    if (!SyncViewGeometry(false, nullptr)) return ERR_HOST_VIEW;
    plat::RECT logical = view_.RectDeviceToLogical(device);
    return l->SetElementProperty(id, PROP_RECT, reinterpret_cast<AnnValue>(&logical));
  });
}

int32_t AnnEngine::SetCurrentTool(AnnLayerHandle layer, int32_t tool) {
  return guardedCode([&]() -> int32_t {
    if (locked_) return ERR_LOCKED;
    if (!layer) return ERR_BAD_TOOL;
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (l != current_) return ERR_BAD_TOOL;
    return l->SetCurrentTool(tool);
  });
}

int32_t AnnEngine::GetCurrentTool(AnnLayerHandle layer, int32_t* tool) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (tool) *tool = l->GetCurrentTool();
    return ANN_OK;
  });
}

int32_t AnnEngine::SetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue value) {
  ANN_FORWARD(SetToolDefault(tool, property, value));
}
int32_t AnnEngine::GetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue* value) {
  ANN_FORWARD(GetToolDefault(tool, property, value));
}

int32_t AnnEngine::SetToolDefault(int32_t tool, int32_t property, AnnValue value) {
  return guardedCode([&]() -> int32_t {
    if (!annIsTool(tool)) return ERR_BAD_TOOL;
    auto& map = toolMaps_[annToolIndex(tool)];
    auto it = map.find(property);
    if (it == map.end()) return ERR_NO_PROPERTY;
    if (property == PROP_TEXT) {
      if (value) {
        auto* cell = reinterpret_cast<plat::BSTR*>(it->second);
        if (cell) SetStringProperty(cell, value);
      }
    } else if (property == PROP_USER_STRING2) {
      // Kept as a copy in a cell of the engine's: layers made later read it as their own string.
      plat::BSTR* cell = &userString2Defaults_[annToolIndex(tool)];
      SetStringProperty(cell, value);
      it->second = reinterpret_cast<AnnValue>(cell);
    } else if (property == PROP_FONT) {
      // The engine hands its own fonts in at start-up: the copy may be onto itself.
      annTakeFont(reinterpret_cast<plat::LOGFONTA*>(it->second), reinterpret_cast<const void*>(value));
    } else if (property == PROP_IMAGE) {
      plat::GlobalFree(imageDefault_);
      imageDefault_ = nullptr;
      if (auto* dib = reinterpret_cast<plat::HGLOBAL>(value)) {
        std::size_t size = plat::PackedDibSizeInBlock(dib);
        if (size) {
          const void* bytes = plat::GlobalLock(dib);
          imageDefault_ = plat::GlobalFromBytes(bytes, size);
          plat::GlobalUnlock(dib);
        }
      }
      it->second = reinterpret_cast<AnnValue>(imageDefault_);
    } else {
      it->second = value;
    }
    if (current_) current_->SetToolDefault(tool, property, value);
    return ANN_OK;
  });
}

int32_t AnnEngine::GetToolDefault(int32_t tool, int32_t property, AnnValue* value) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  const auto& map = toolMaps_[annToolIndex(tool)];
  auto it = map.find(property);
  if (it == map.end()) return ERR_NO_PROPERTY;
  if (value) *value = it->second;
  return ANN_OK;
}

int32_t AnnEngine::SetEngineProperty(int32_t key, AnnValue value) {
  return guardedCode([&]() -> int32_t {
    auto it = properties_.find(key);
    if (it == properties_.end()) return ERR_NO_PROPERTY;
    bool on = value != 0;
    switch (key) {
      case EPROP_LOCKED:
        locked_ = on;
        if (on) ShowPaletteWindow(false);
        for (auto& l : layers_) l->ResetRunState(on ? 1 : 0);
        if (!on && current_) ShowPaletteWindow(current_->PaletteVisible());
        InvalidateHost(nullptr);
        break;
      case EPROP_CONTEXT_MENU_ENABLED: contextMenuEnabled_ = on ? 1 : 0; break;
      case EPROP_SAVE_ENABLED: saveEnabled_ = on; break;
      case EPROP_TOOL_MENUS_ENABLED: toolMenusEnabled_ = on; break;
      case EPROP_SCALE_FONTS:
        if ((value == 0 || value == 1) && (value == 1) != fontCache_->ScaleFonts()) {
          fontCache_->SetScaleFonts(value == 1);
          for (auto& l : layers_) l->InvalidateTextLayout();
          InvalidateHost(nullptr);
        }
        break;
      case EPROP_FONT_OPTION_136: fontCache_->SetOption136(on); break;
      case EPROP_DBLCLICK_OPTION: fontCache_->SetOption137(on); break;
      case EPROP_MEASURE_WIDE_CHARS: fontCache_->SetMeasureWideChars(on); break;
      case EPROP_AUTHOR:
      case EPROP_COMMENTS:
      case EPROP_SUBJECT:
      case EPROP_TITLE: SetStringProperty(KeyString(key), value); return ANN_OK;
      case EPROP_STAMP_TEXT:
      case EPROP_BUTTON_TEXT: {
        int32_t tool = key == EPROP_STAMP_TEXT ? TOOL_STAMP : TOOL_BUTTON;
        SetStringProperty(KeyString(key), value);
        if (current_) current_->SetToolDefault(tool, PROP_TEXT, value);
        it->second = 0;  // the text lives in the engine; an address in the map would dangle
        return ANN_OK;
      }
      case EPROP_STAMP_FONT:
      case EPROP_TEXT_FONT:
      case EPROP_BUTTON_FONT: {
        annTakeFont(KeyFont(key), reinterpret_cast<const void*>(value));
        return ANN_OK;
      }
      default:
        if (key >= 4097 && key <= 4105)
          for (int32_t t = TOOL_TEXT; t <= TOOL_LAST; ++t)
            if (toolMaps_[annToolIndex(t)].count(key - 4096)) SetToolDefault(t, key - 4096, value);
        break;
    }
    it->second = value;
    return ANN_OK;
  });
}

plat::BSTR* AnnEngine::KeyString(int32_t key) {
  switch (key) {
    case EPROP_AUTHOR: return &author_;
    case EPROP_COMMENTS: return &comments_;
    case EPROP_SUBJECT: return &subject_;
    case EPROP_TITLE: return &title_;
    case EPROP_STAMP_TEXT: return &stampText_;
    case EPROP_BUTTON_TEXT: return &buttonText_;
    default: return nullptr;
  }
}

plat::LOGFONTA* AnnEngine::KeyFont(int32_t key) {
  switch (key) {
    case EPROP_STAMP_FONT: return &stampFont_;
    case EPROP_TEXT_FONT: return &textFont_;
    case EPROP_BUTTON_FONT: return &buttonFont_;
    default: return nullptr;
  }
}

int32_t AnnEngine::GetEngineProperty(int32_t key, AnnValue* value) {
  return guardedCode([&]() -> int32_t {
    auto it = properties_.find(key);
    if (it == properties_.end()) return ERR_NO_PROPERTY;
    if (!value) return ANN_OK;
    auto copy = [](plat::BSTR s) {
      plat::BSTR c = plat::SysAllocFromU16(plat::SysToU16(s));
      if (!c) throw std::bad_alloc();
      return reinterpret_cast<AnnValue>(c);
    };
    switch (key) {
      case EPROP_LOCKED: *value = locked_; break;
      case EPROP_CONTEXT_MENU_ENABLED: *value = contextMenuEnabled_ ? 1 : 0; break;
      case EPROP_SAVE_ENABLED: *value = saveEnabled_; break;
      case EPROP_TOOL_MENUS_ENABLED: *value = toolMenusEnabled_; break;
      case EPROP_SCALE_FONTS: *value = fontCache_->ScaleFonts() ? 1 : 0; break;
      case EPROP_FONT_OPTION_136: *value = fontCache_->Option136(); break;
      case EPROP_DBLCLICK_OPTION: *value = fontCache_->Option137(); break;
      case EPROP_MEASURE_WIDE_CHARS: *value = fontCache_->MeasureWideChars(); break;
      case EPROP_AUTHOR:
      case EPROP_COMMENTS:
      case EPROP_SUBJECT:
      case EPROP_TITLE:
      case EPROP_STAMP_TEXT:
      case EPROP_BUTTON_TEXT: *value = copy(*KeyString(key)); break;
      case EPROP_STAMP_FONT:
      case EPROP_TEXT_FONT:
      case EPROP_BUTTON_FONT:
        if (*value) std::memcpy(reinterpret_cast<void*>(*value), KeyFont(key), sizeof(plat::LOGFONTA));
        break;
      default: *value = it->second; break;
    }
    return ANN_OK;
  });
}

int32_t AnnEngine::SetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue value) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    bool isText = property == PROP_TEXT || property == PROP_USER_STRING || property == PROP_USER_STRING2;
    plat::LOGFONTA oldFont{};
    plat::RECT oldRect{};
    AnnValue old = 0;
    if (property == PROP_FONT) old = reinterpret_cast<AnnValue>(&oldFont);
    if (property == PROP_RECT) old = reinterpret_cast<AnnValue>(&oldRect);
    if (int32_t r = l->GetElementProperty(id, property, &old)) return r;
    struct FreeOld {
      plat::BSTR s;
      ~FreeOld() { plat::SysFreeString(s); }
    } freeOld{isText ? reinterpret_cast<plat::BSTR>(old) : nullptr};

    bool changed;
    if (isText) {
      plat::BSTR incoming = reinterpret_cast<plat::BSTR>(value);
      changed = !plat::SysStringEqual(freeOld.s, incoming);
    } else if (property == PROP_FONT) {
      changed = value && std::memcmp(&oldFont, reinterpret_cast<const void*>(value), sizeof oldFont) != 0;
    } else if (property == PROP_RECT) {
      // A rect travels by address; what changed is the rect, not the address.
      changed = value && std::memcmp(&oldRect, reinterpret_cast<const void*>(value), sizeof oldRect) != 0;
    } else {
      changed = int32_t(old) != int32_t(value);
    }
    if (isText || property == PROP_FONT || changed)
      if (int32_t r = l->SetElementProperty(id, property, value)) return r;
    if (changed && property != PROP_ELEMENT_ID) ReportPropertyChange(layer, id, property);
    return ANN_OK;
  });
}

int32_t AnnEngine::GetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue* value) {
  ANN_FORWARD(GetElementProperty(id, property, value));
}
int32_t AnnEngine::SetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT point) {
  ANN_FORWARD(SetElementPoint(id, index, point));
}
int32_t AnnEngine::GetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT* point) {
  ANN_FORWARD(GetElementPoint(id, index, point));
}

int32_t AnnEngine::SetLayerPaintEnabled(AnnLayerHandle layer, const uint8_t* newFlag, uint8_t* oldFlag) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    uint8_t old = l->SetPaintEnabled(newFlag);
    if (oldFlag) *oldFlag = old;
    return ANN_OK;
  });
}

