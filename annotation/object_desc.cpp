// The object descriptor's fields, the descriptor slots, creating an element from a descriptor and
// filling a descriptor from an element.
#include "annotation/object_desc.h"

#include <cstring>
#include <ctime>
#include <new>

#include "annotation/elements/element.h"
#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"

using namespace ann_detail;

namespace {

int16_t flag(AnnValue v) { return v != 0 ? int16_t(-1) : int16_t(0); }

bool replaceString(plat::BSTR* target, AnnValue value) {
  auto* text = reinterpret_cast<const char16_t*>(value);
  if (!text) {
    plat::SysFreeString(*target);
    *target = nullptr;
    return true;
  }
  return plat::SysReAllocString(target, text);
}

}  // namespace

AnnObjectDesc::AnnObjectDesc() = default;

AnnObjectDesc::~AnnObjectDesc() {
  plat::SysFreeString(text);
  plat::SysFreeString(userString2);
  plat::SysFreeString(userString);
  plat::GlobalFree(image);
}

bool AnnObjectDesc::PlainValue(int32_t id, int32_t* v) const {
  switch (id) {
    case PROP_PEN_COLOR: *v = penColour; return true;
    case PROP_TEXT_COLOR: *v = textColour; return true;
    case PROP_BACK_COLOR: *v = backColour; return true;
    case PROP_FILL_COLOR: *v = fillColour; return true;
    case PROP_PEN_WIDTH: *v = penWidth; return true;
    case PROP_ARROWHEAD: *v = arrowhead; return true;
    case PROP_TRANSPARENT_COLOR: *v = transparentColour; return true;
    case PROP_BACK_STYLE: *v = backStyle; return true;
    case PROP_TEXT_18: *v = value18; return true;
    case PROP_LOCKED: *v = locked ? 1 : 0; return true;
    case PROP_AUTO_SIZE: *v = autoSize; return true;
    case PROP_VISIBLE: *v = visible ? 1 : 0; return true;
    case PROP_BEVEL_LIGHT_COLOR: *v = bevelLight; return true;
    case PROP_BEVEL_SHADOW_COLOR: *v = bevelShadow; return true;
    case PROP_SHOW_HANDLES: *v = showHandles ? 1 : 0; return true;
    case PROP_MOVEABLE: *v = moveable ? 1 : 0; return true;
    case PROP_PEN_STYLE: *v = penStyle; return true;
    case PROP_PEN_FILL_STYLE: *v = penFillStyle; return true;
    case PROP_TEXT_ORIENTATION: *v = textOrientation; return true;
    case PROP_SIZEABLE: *v = sizeable ? 1 : 0; return true;
    case PROP_TEXT_LOCKED: *v = textLocked ? 1 : 0; return true;
    case PROP_HATCH_STYLE: *v = hatchStyle; return true;
    case PROP_HATCH_COLOR: *v = hatchColour; return true;
    case PROP_TEXT_JUSTIFICATION: *v = justification; return true;
    case PROP_CUSTOM_DRAW_DATA: *v = customDrawValue; return true;
    case PROP_OI_MARK_TYPE: *v = markType; return true;
    default: return false;
  }
}

int32_t AnnObjectDesc::SetField(int32_t field, AnnValue value) {
  int32_t v = int32_t(value);
  switch (field) {
    case PROP_RECT:
      if (value) std::memcpy(&rect, reinterpret_cast<const void*>(value), sizeof rect);
      return ANN_OK;
    case PROP_CREATION_TIME_T:
      if (value) std::memcpy(&creationTime, reinterpret_cast<const void*>(value), sizeof creationTime);
      return ANN_OK;
    case PROP_FONT:
      if (value) std::memcpy(&font, reinterpret_cast<const void*>(value), sizeof font);
      return ANN_OK;
    case PROP_TEXT: return replaceString(&text, value) ? ANN_OK : ERR_NO_MEMORY;
    case PROP_USER_STRING: return replaceString(&userString, value) ? ANN_OK : ERR_NO_MEMORY;
    case PROP_USER_STRING2: return replaceString(&userString2, value) ? ANN_OK : ERR_NO_MEMORY;
    case PROP_IMAGE: {
      auto src = reinterpret_cast<plat::HGLOBAL>(value);
      plat::HGLOBAL copy = nullptr;
      if (src) {
        std::size_t size = plat::PackedDibSizeInBlock(src);
        if (size) {
          copy = plat::GlobalFromBytes(plat::GlobalLock(src), size);
          plat::GlobalUnlock(src);
          if (!copy) return ERR_NO_MEMORY;
        }
      }
      plat::GlobalFree(image);
      image = copy;
      return ANN_OK;
    }
    case PROP_PEN_COLOR: penColour = v; return ANN_OK;
    case PROP_TEXT_COLOR: textColour = v; return ANN_OK;
    case PROP_BACK_COLOR: backColour = v; return ANN_OK;
    case PROP_FILL_COLOR: fillColour = v; return ANN_OK;
    case PROP_PEN_WIDTH: penWidth = v; return ANN_OK;
    case PROP_HIGHLIGHT_BACK: highlightBack = flag(value); return ANN_OK;
    case PROP_HIGHLIGHT_FILL: highlightFill = flag(value); return ANN_OK;
    case PROP_ARROWHEAD: arrowhead = v; return ANN_OK;
    case PROP_TRANSPARENT_COLOR: transparentColour = v; return ANN_OK;
    case PROP_BACK_STYLE: backStyle = v; return ANN_OK;
    case PROP_TEXT_18: value18 = v; return ANN_OK;
    case PROP_LOCKED: locked = flag(value); return ANN_OK;
    case PROP_AUTO_SIZE: autoSize = v; return ANN_OK;
    case PROP_VISIBLE: visible = flag(value); return ANN_OK;
    case PROP_BEVEL_LIGHT_COLOR: bevelLight = v; return ANN_OK;
    case PROP_BEVEL_SHADOW_COLOR: bevelShadow = v; return ANN_OK;
    case PROP_SHOW_HANDLES: showHandles = flag(value); return ANN_OK;
    case PROP_MOVEABLE: moveable = flag(value); return ANN_OK;
    case PROP_PEN_STYLE: penStyle = v; return ANN_OK;
    case PROP_PEN_FILL_STYLE: penFillStyle = v; return ANN_OK;
    case PROP_TEXT_ORIENTATION: textOrientation = v; return ANN_OK;
    case PROP_SELECTED: selected = flag(value); return ANN_OK;
    case PROP_SIZEABLE: sizeable = flag(value); return ANN_OK;
    case PROP_CUSTOM_DRAW: customDraw = flag(value); return ANN_OK;
    case PROP_TEXT_LOCKED: textLocked = flag(value); return ANN_OK;
    case PROP_HATCH_STYLE: hatchStyle = v; return ANN_OK;
    case PROP_HATCH_COLOR: hatchColour = v; return ANN_OK;
    case PROP_Z_ORDER: zPosition = v; return ANN_OK;
    case PROP_TEXT_JUSTIFICATION: justification = v; return ANN_OK;
    case 128: type = v; return ANN_OK;
    case PROP_CUSTOM_DRAW_DATA: customDrawValue = v; return ANN_OK;
    case PROP_OI_MARK_TYPE: markType = v; return ANN_OK;
    default: return ERR_NO_PROPERTY;
  }
}

int32_t AnnObjectDesc::GetField(int32_t field, AnnValue* out) const {
  auto copyOut = [&](const void* what, std::size_t bytes) {
    if (*out) std::memcpy(reinterpret_cast<void*>(*out), what, bytes);
    return ANN_OK;
  };
  auto stringOut = [&](plat::BSTR s) {
    plat::BSTR c = plat::SysAllocFromU16(plat::SysToU16(s));
    if (!c) return ERR_NO_MEMORY;
    *out = reinterpret_cast<AnnValue>(c);
    return ANN_OK;
  };
  int32_t v = 0;
  if (PlainValue(field, &v)) {
    *out = v;
    return ANN_OK;
  }
  switch (field) {
    case PROP_RECT: return copyOut(&rect, sizeof rect);
    case PROP_CREATION_TIME_T: return copyOut(&creationTime, sizeof creationTime);
    case PROP_FONT: return copyOut(&font, sizeof font);
    case PROP_TEXT: return stringOut(text);
    case PROP_USER_STRING: return stringOut(userString);
    case PROP_USER_STRING2: return stringOut(userString2);
    case PROP_IMAGE: *out = reinterpret_cast<AnnValue>(image); return ANN_OK;
    case PROP_POINT_COUNT: *out = AnnValue(points.size()); return ANN_OK;
    case PROP_HIGHLIGHT_BACK: *out = highlightBack ? 1 : 0; return ANN_OK;
    case PROP_HIGHLIGHT_FILL: *out = highlightFill ? 1 : 0; return ANN_OK;
    case PROP_SELECTED: *out = selected ? 1 : 0; return ANN_OK;
    case PROP_CUSTOM_DRAW: *out = customDraw ? 1 : 0; return ANN_OK;
    case PROP_Z_ORDER: *out = zPosition; return ANN_OK;
    case 128: *out = type; return ANN_OK;
    default: return ERR_NO_PROPERTY;
  }
}

// ---------------------------------------------------------------------------------------------
// Slots 103 to 112

int32_t AnnEngine::CreateObjectDesc(AnnObjectDesc** desc) {
  if (!desc) return ANN_OK;
  *desc = nullptr;
  return guardedCode([&]() -> int32_t {
    auto* d = new (std::nothrow) AnnObjectDesc;
    if (!d) return ERR_NO_MEMORY;
    auto button = toolMaps_[annToolIndex(TOOL_BUTTON)];
    d->backColour = int32_t(button[PROP_BACK_COLOR]);
    d->bevelLight = int32_t(button[PROP_BEVEL_LIGHT_COLOR]);
    d->bevelShadow = int32_t(button[PROP_BEVEL_SHADOW_COLOR]);
    d->font = textFont_;
    *desc = d;
    return ANN_OK;
  });
}

int32_t AnnEngine::FreeObjectDesc(AnnObjectDesc* desc) {
  delete desc;
  return ANN_OK;
}

int32_t AnnEngine::SetObjectDescField(AnnObjectDesc* desc, int32_t field, AnnValue value) {
  if (!desc) return ANN_OK;
  return guardedCode([&] { return desc->SetField(field, value); });
}

int32_t AnnEngine::GetObjectDescField(AnnObjectDesc* desc, int32_t field, AnnValue* value) {
  if (!desc || !value) return ANN_OK;
  return guardedCode([&] { return desc->GetField(field, value); });
}

int32_t AnnEngine::SetObjectDescPoints(AnnObjectDesc* desc, int32_t count, const plat::POINT* points) {
  if (!desc) return ANN_OK;
  return guardedCode([&]() -> int32_t {
    desc->points.clear();
    if (count > 0 && points) desc->points.assign(points, points + count);
    return ANN_OK;
  });
}

int32_t AnnEngine::AddObjectDescPoint(AnnObjectDesc* desc, int32_t x, int32_t y) {
  if (!desc) return ANN_OK;
  return guardedCode([&]() -> int32_t {
    desc->points.push_back({x, y});
    return ANN_OK;
  });
}

int32_t AnnEngine::SetObjectDescPoint(AnnObjectDesc* desc, int32_t index, int32_t x, int32_t y) {
  if (!desc) return ANN_OK;
  if (index < 0 || size_t(index) >= desc->points.size()) return ERR_BAD_POINT_INDEX;
  desc->points[size_t(index)] = {x, y};
  return ANN_OK;
}

int32_t AnnEngine::GetObjectDescPoint(AnnObjectDesc* desc, int32_t index, int32_t* x, int32_t* y) {
  if (!desc) return ANN_OK;
  if (index < 0 || size_t(index) >= desc->points.size()) return ERR_BAD_POINT_INDEX;
  if (x) *x = desc->points[size_t(index)].x;
  if (y) *y = desc->points[size_t(index)].y;
  return ANN_OK;
}

int32_t AnnEngine::SetObjectDescPair(AnnObjectDesc* desc, int32_t a, int32_t b) {
  if (!desc) return ANN_OK;
  desc->pair[0] = a;
  desc->pair[1] = b;
  return ANN_OK;
}

// ---------------------------------------------------------------------------------------------
// Elements from descriptors and back

int32_t AnnEngine::CreateObjectFromDesc(AnnObjectDesc* desc, AnnLayerHandle layer, int32_t* id) {
  if (id) *id = 0;
  if (!desc) return ANN_OK;
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (desc->type < TOOL_TEXT || desc->type > TOOL_BUTTON) return ERR_BAD_TOOL;
    // The view maps the descriptor's page pixels; without one no geometry could be placed.
    SyncViewGeometry(false, nullptr);
    if (int32_t r = l->SetCurrentTool(desc->type)) return r;
    AnnElement* e = l->CurrentElement();
    if (!e || e->Placed()) {
      l->SetCurrentTool(TOOL_POINTER);
      return ERR_NO_MEMORY;  // no element was made: reported, never taken for success
    }
    bool highlight = false;
    std::vector<int32_t> ids;
    e->ForEachProperty([&](int32_t pid) { ids.push_back(pid); });
    for (int32_t pid : ids) {
      bool changed = false;
      int32_t v = 0;
      if (desc->PlainValue(pid, &v)) {
        e->SetProperty(pid, v, &changed);
      } else if (pid == PROP_HIGHLIGHT_BACK || pid == PROP_HIGHLIGHT_FILL) {
        bool on = (pid == PROP_HIGHLIGHT_BACK ? desc->highlightBack : desc->highlightFill) != 0;
        highlight = highlight || on;
        e->SetProperty(pid, on ? 1 : 0, &changed);
      } else if (pid == PROP_TEXT || pid == PROP_USER_STRING || pid == PROP_USER_STRING2) {
        plat::BSTR s = pid == PROP_TEXT ? desc->text : pid == PROP_USER_STRING ? desc->userString : desc->userString2;
        e->SetProperty(pid, reinterpret_cast<AnnValue>(s ? s : u""), &changed);
      } else if (pid == PROP_FONT) {
        e->SetProperty(pid, reinterpret_cast<AnnValue>(&desc->font), &changed);
      } else if (pid == PROP_CUSTOM_DRAW) {
        e->SetProperty(pid, desc->type == TOOL_RECTANGLE && desc->customDraw ? 1 : 0, &changed);
      } else if (pid == PROP_IMAGE && desc->image) {
        e->SetProperty(pid, reinterpret_cast<AnnValue>(desc->image), &changed);
      }
    }
    if (highlight) {
      bool changed = false;
      e->SetProperty(PROP_BACK_STYLE, 3, &changed);
    }
    if (desc->creationTime != 0) e->SetCreationTime(desc->creationTime);
    bool pointKind = desc->type >= TOOL_POLYGON && desc->type <= TOOL_FREEHAND;
    std::vector<plat::POINT> corners;
    if (pointKind && desc->points.empty())
      corners = {{desc->rect.left, desc->rect.top}, {desc->rect.right, desc->rect.bottom}};
    e->TakeGeometryInPixels(desc->rect, pointKind ? (desc->points.empty() ? &corners : &desc->points) : nullptr);
    // Converted now, while the view is the one the descriptor's pixels refer to; hit tests and
    // moves use the geometry without converting it themselves.
    e->RunPendingConversion();
    int32_t newId = l->PlaceElement(e, false, false);
    if (id) *id = newId;
    // The selected flag and the z-position go through the current layer only, so a descriptor
    // never changes an element of another layer.
    if (l == current_) {
      if (desc->selected) SetElementProperty(layer, newId, PROP_SELECTED, 1);
      if (desc->zPosition != 0) SetElementProperty(layer, newId, PROP_Z_ORDER, desc->zPosition);
    }
    if (FindLayer(layer)) l->SetCurrentTool(TOOL_POINTER);
    NotifyHost(EVT_ELEMENT_ADDED, newId);
    InvalidateHost(nullptr);
    return ANN_OK;
  });
}

int32_t AnnLayer::GetElementDesc(int32_t id, AnnObjectDesc* desc) {
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  if (!desc) return ANN_OK;
  std::vector<int32_t> ids;
  e->ForEachProperty([&](int32_t pid) { ids.push_back(pid); });
  for (int32_t pid : ids) {
    if (pid == PROP_RECT || pid == PROP_FONT || pid == PROP_POINTS) continue;
    AnnValue v = 0;
    if (e->GetPropertyEx(pid, &v) != ANN_OK) continue;
    if (pid == PROP_TEXT || pid == PROP_USER_STRING || pid == PROP_USER_STRING2) {
      desc->SetField(pid, v);
      plat::SysFreeString(reinterpret_cast<plat::BSTR>(v));
    } else if (pid == PROP_CREATION_TIME_T) {
      int32_t t = int32_t(v);
      desc->SetField(pid, reinterpret_cast<AnnValue>(&t));
    } else {
      desc->SetField(pid, v);
    }
  }
  plat::LOGFONTA font{};
  AnnValue fontOut = reinterpret_cast<AnnValue>(&font);
  if (e->Has(PROP_FONT) && e->GetPropertyEx(PROP_FONT, &fontOut) == ANN_OK) desc->font = font;
  AnnValue text = 0;
  if (e->GetPropertyEx(PROP_USER_STRING, &text) == ANN_OK) {
    desc->SetField(PROP_USER_STRING, text);
    plat::SysFreeString(reinterpret_cast<plat::BSTR>(text));
  }
  // Geometry in page pixels, as a descriptor holds it.
  e->RunPendingConversion();
  plat::RECT r = e->Rect();
  plat::POINT p[2] = {{r.left, r.top}, {r.right, r.bottom}};
  if (services_.view) services_.view->LogicalToPixels(p, p, 2);
  desc->rect = {p[0].x, p[0].y, p[1].x, p[1].y};
  desc->points.clear();
  if (e->Kind() >= TOOL_POLYGON && e->Kind() <= TOOL_FREEHAND) {
    AnnValue count = 0;
    e->GetPropertyEx(PROP_POINT_COUNT, &count);
    for (int32_t i = 0; i < int32_t(count); ++i) {
      plat::POINT q{};
      if (e->GetPoint(i, &q) == ANN_OK) desc->points.push_back(q);
    }
  }
  desc->type = e->Kind();
  return ANN_OK;
}
