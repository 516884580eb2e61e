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
#include "annotation/rect_util.h"
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

struct ValueField {
  int32_t id;
  int32_t AnnObjectDesc::*field;
};
struct FlagField {
  int32_t id;
  int16_t AnnObjectDesc::*field;
};

// Fields that an element takes as the plain value of the property with the same id.
constexpr ValueField kElementValues[] = {
    {PROP_PEN_COLOR, &AnnObjectDesc::penColour},
    {PROP_TEXT_COLOR, &AnnObjectDesc::textColour},
    {PROP_BACK_COLOR, &AnnObjectDesc::backColour},
    {PROP_FILL_COLOR, &AnnObjectDesc::fillColour},
    {PROP_PEN_WIDTH, &AnnObjectDesc::penWidth},
    {PROP_ARROWHEAD, &AnnObjectDesc::arrowhead},
    {PROP_TRANSPARENT_COLOR, &AnnObjectDesc::transparentColour},
    {PROP_BACK_STYLE, &AnnObjectDesc::backStyle},
    {PROP_TEXT_18, &AnnObjectDesc::value18},
    {PROP_AUTO_SIZE, &AnnObjectDesc::autoSize},
    {PROP_BEVEL_LIGHT_COLOR, &AnnObjectDesc::bevelLight},
    {PROP_BEVEL_SHADOW_COLOR, &AnnObjectDesc::bevelShadow},
    {PROP_PEN_STYLE, &AnnObjectDesc::penStyle},
    {PROP_PEN_FILL_STYLE, &AnnObjectDesc::penFillStyle},
    {PROP_TEXT_ORIENTATION, &AnnObjectDesc::textOrientation},
    {PROP_HATCH_STYLE, &AnnObjectDesc::hatchStyle},
    {PROP_HATCH_COLOR, &AnnObjectDesc::hatchColour},
    {PROP_TEXT_JUSTIFICATION, &AnnObjectDesc::justification},
    {PROP_CUSTOM_DRAW_DATA, &AnnObjectDesc::customDrawValue},
    {PROP_OI_MARK_TYPE, &AnnObjectDesc::markType},
};
constexpr FlagField kElementFlags[] = {
    {PROP_LOCKED, &AnnObjectDesc::locked},         {PROP_VISIBLE, &AnnObjectDesc::visible},
    {PROP_SHOW_HANDLES, &AnnObjectDesc::showHandles}, {PROP_MOVEABLE, &AnnObjectDesc::moveable},
    {PROP_SIZEABLE, &AnnObjectDesc::sizeable},     {PROP_TEXT_LOCKED, &AnnObjectDesc::textLocked},
};
// Fields that creating an element reads in a way of its own.
constexpr ValueField kOwnValues[] = {{PROP_Z_ORDER, &AnnObjectDesc::zPosition}, {128, &AnnObjectDesc::type}};
constexpr FlagField kOwnFlags[] = {
    {PROP_HIGHLIGHT_BACK, &AnnObjectDesc::highlightBack},
    {PROP_HIGHLIGHT_FILL, &AnnObjectDesc::highlightFill},
    {PROP_SELECTED, &AnnObjectDesc::selected},
    {PROP_CUSTOM_DRAW, &AnnObjectDesc::customDraw},
};

template <typename Field, std::size_t N>
const Field* fieldOf(const Field (&table)[N], int32_t id) {
  for (const Field& f : table)
    if (f.id == id) return &f;
  return nullptr;
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
  if (const ValueField* f = fieldOf(kElementValues, id)) {
    *v = this->*(f->field);
    return true;
  }
  if (const FlagField* f = fieldOf(kElementFlags, id)) {
    *v = this->*(f->field) ? 1 : 0;
    return true;
  }
  return false;
}

int32_t AnnObjectDesc::SetField(int32_t field, AnnValue value) {
  switch (field) {
    case PROP_RECT:
      if (value) std::memcpy(&rect, reinterpret_cast<const void*>(value), sizeof rect);
      return ANN_OK;
    case PROP_CREATION_TIME_T:
      if (value) std::memcpy(&creationTime, reinterpret_cast<const void*>(value), sizeof creationTime);
      return ANN_OK;
    case PROP_FONT:
      annTakeFont(&font, reinterpret_cast<const void*>(value));
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
    default: break;
  }
  const ValueField* v = fieldOf(kElementValues, field);
  if (!v) v = fieldOf(kOwnValues, field);
  if (v) {
    this->*(v->field) = int32_t(value);
    return ANN_OK;
  }
  const FlagField* f = fieldOf(kElementFlags, field);
  if (!f) f = fieldOf(kOwnFlags, field);
  if (f) {
    this->*(f->field) = flag(value);
    return ANN_OK;
  }
  return ERR_NO_PROPERTY;
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
  if (const ValueField* f = fieldOf(kOwnValues, field)) {
    *out = this->*(f->field);
    return ANN_OK;
  }
  if (const FlagField* f = fieldOf(kOwnFlags, field)) {
    *out = this->*(f->field) ? 1 : 0;
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
    bool pointKind = AnnElement::IsPointKind(desc->type);
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
  if (AnnElement::IsPointKind(e->Kind())) {
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
