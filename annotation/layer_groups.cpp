// The layer's group operations: membership, names and values, activation and selection, and the
// group rect with moving, resizing and mirroring of the members.
#include <algorithm>
#include <cmath>

#include "annotation/elements/element.h"
#include "annotation/group.h"
#include "annotation/layer.h"
#include "annotation/rect_util.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"

// Runs work on the group with the id; ERR_BAD_GROUP when the layer holds none.
namespace {

template <typename F>
int32_t onGroup(AnnGroup* g, F&& work) {
  if (!g) return ERR_BAD_GROUP;
  work(*g);
  return ANN_OK;
}

}  // namespace

AnnGroup* AnnLayer::FindGroup(int32_t groupId) const {
  for (const auto& g : groups_)
    if (g->id == groupId) return g.get();
  return nullptr;
}

AnnGroup* AnnLayer::GroupOf(const AnnElement* e) const {
  return e->GroupId() != 0 ? FindGroup(e->GroupId()) : nullptr;
}

bool AnnLayer::AnyGroupSelected() const {
  return std::any_of(groups_.begin(), groups_.end(), [](const auto& g) { return g->selected; });
}

int32_t AnnLayer::GetGroupCount() const { return int32_t(groups_.size()); }

int32_t AnnLayer::CreateGroup(plat::BSTR name, int32_t userValue, int32_t* groupId) {
  if (groupId) *groupId = 0;
  int32_t id = ++groupCounter_;
  auto g = std::make_unique<AnnGroup>(id);
  g->userValue = userValue;
  if (name && !plat::SysReAllocString(&g->name, name)) return ERR_GROUP_ALLOC;
  groups_.push_back(std::move(g));
  if (groupId) *groupId = id;
  return ANN_OK;
}

int32_t AnnLayer::DeleteGroup(int32_t groupId) {
  for (auto it = groups_.begin(); it != groups_.end(); ++it) {
    if ((*it)->id != groupId) continue;
    if (resizeGroup_ == it->get()) resizeGroup_ = nullptr;
    std::unique_ptr<AnnGroup> doomed = std::move(*it);
    size_t index = size_t(it - groups_.begin());
    groups_.erase(it);
    if (groupCursor_ > index) --groupCursor_;
    if (doomed->selected) InvalidateGrown(doomed->rect, 2);
    return ANN_OK;
  }
  return ERR_BAD_GROUP;
}

int32_t AnnLayer::AddElementToGroup(int32_t groupId, int32_t id) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  if (AnnGroup* previous = GroupOf(e)) previous->RemoveMember(id);
  int32_t r = g->AddMember(id);
  if (r == ANN_OK) {
    e->SetGroupId(groupId);
  }
  return r;
}

int32_t AnnLayer::AddSelectionToGroup(int32_t groupId) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  if (selection_.empty()) return ANN_OK;
  std::vector<AnnElement*> joining = selection_;
  for (AnnElement* e : joining) {
    AddElementToGroup(groupId, e->Id());
    if (g->active) {
      e->SetSelectedFlag(false);
      RemoveFromSelection(e);
    }
  }
  if (g->active) {
    RecalcGroup(g, nullptr);
    g->selected = true;
    InvalidateGrown(g->rect, 4);
  }
  return ANN_OK;
}

int32_t AnnLayer::RemoveElementFromGroup(int32_t groupId, int32_t id) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  if (e->GroupId() == groupId) {
    e->SetGroupId(0);
  }
  return g->RemoveMember(id);
}

int32_t AnnLayer::AddElementsOfTypeToGroup(int32_t groupId, int32_t type) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  if (type < TOOL_TEXT || type > TOOL_BUTTON) return ERR_BAD_TOOL;
  std::vector<int32_t> ids;
  for (auto& e : elements_)
    if (e->Kind() == type) ids.push_back(e->Id());
  for (int32_t id : ids) AddElementToGroup(groupId, id);
  if (g->selected) {
    g->selected = false;
    SelectGroup(g, nullptr);
    InvalidateGrown(g->rect, 2);
  }
  return ANN_OK;
}

int32_t AnnLayer::RemoveElementsOfTypeFromGroup(int32_t groupId, int32_t type) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  if (type < TOOL_TEXT || type > TOOL_BUTTON) return ERR_BAD_TOOL;
  bool removed = false;
  for (int32_t id : std::vector<int32_t>(g->members)) {
    AnnElement* e = FindElement(id);
    if (!e || e->Kind() != type) continue;
    g->MarkMemberRemoved(id);
    e->SetGroupId(0);
    removed = true;
  }
  g->CompactMembers();
  if (!removed || !g->selected) return ANN_OK;
  if (g->members.empty()) {
    g->selected = false;
    Invalidate(nullptr);
  } else {
    g->selected = false;
    SelectGroup(g, nullptr);
    InvalidateGrown(g->rect, 2);
  }
  return ANN_OK;
}

int32_t AnnLayer::ClearGroup(int32_t groupId) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  if (g->members.empty()) return ANN_OK;
  for (int32_t id : g->members)
    if (AnnElement* e = FindElement(id)) {
      e->SetGroupId(0);
    }
  g->members.clear();
  g->rectStale = true;
  if (g->selected) {
    g->selected = false;
    Invalidate(nullptr);
  }
  return ANN_OK;
}

int32_t AnnLayer::GetGroupMemberCount(int32_t groupId, int32_t* count) {
  return onGroup(FindGroup(groupId), [&](AnnGroup& g) {
    if (count) *count = g.GetMemberCount();
  });
}

int32_t AnnLayer::GetFirstGroupMember(int32_t groupId, int32_t* id) {
  return onGroup(FindGroup(groupId), [&](AnnGroup& g) {
    int32_t v = g.GetFirstMember();
    if (id) *id = v;
  });
}

int32_t AnnLayer::GetNextGroupMember(int32_t groupId, int32_t* id) {
  return onGroup(FindGroup(groupId), [&](AnnGroup& g) {
    int32_t v = g.GetNextMember();
    if (id) *id = v;
  });
}

namespace {

int32_t copyOut(plat::BSTR from, plat::BSTR* to) {
  if (!to) return ANN_OK;
  *to = plat::SysAllocFromU16(plat::SysToU16(from));
  return *to ? ANN_OK : ERR_NO_MEMORY;
}

int32_t copyIn(plat::BSTR* cell, plat::BSTR text) { return plat::SysReAllocString(cell, text) ? ANN_OK : ERR_NO_MEMORY; }

}  // namespace

int32_t AnnLayer::GetGroupName(int32_t groupId, plat::BSTR* name) {
  AnnGroup* g = FindGroup(groupId);
  return g ? copyOut(g->name, name) : ERR_BAD_GROUP;
}

int32_t AnnLayer::SetGroupName(int32_t groupId, plat::BSTR name) {
  AnnGroup* g = FindGroup(groupId);
  return g ? copyIn(&g->name, name) : ERR_BAD_GROUP;
}

int32_t AnnLayer::GetGroupText2(int32_t groupId, plat::BSTR* text) {
  AnnGroup* g = FindGroup(groupId);
  return g ? copyOut(g->text2, text) : ERR_BAD_GROUP;
}

int32_t AnnLayer::SetGroupText2(int32_t groupId, plat::BSTR text) {
  AnnGroup* g = FindGroup(groupId);
  return g ? copyIn(&g->text2, text) : ERR_BAD_GROUP;
}

int32_t AnnLayer::GetGroupUserValue(int32_t groupId, int32_t* value) {
  return onGroup(FindGroup(groupId), [&](AnnGroup& g) {
    if (value) *value = g.userValue;
  });
}

int32_t AnnLayer::SetGroupUserValue(int32_t groupId, int32_t value) {
  return onGroup(FindGroup(groupId), [&](AnnGroup& g) { g.userValue = value; });
}

int32_t AnnLayer::GetGroupActive(int32_t groupId, bool* active) {
  return onGroup(FindGroup(groupId), [&](AnnGroup& g) {
    if (active) *active = g.active;
  });
}

int32_t AnnLayer::SetGroupActive(int32_t groupId, uint8_t active) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  bool on = active != 0;
  if (g->active == on) return ANN_OK;
  g->active = on;
  if (!g->members.empty())
    SetGroupSelectionState(g, on);
  else if (!on)
    g->selected = false;
  return ANN_OK;
}

void AnnLayer::SetGroupSelectionState(AnnGroup* g, bool selected) {
  if (selected) {
    if (g->selected) {
      g->selected = false;
      SelectGroup(g, nullptr);
      Invalidate(nullptr);
      return;
    }
    bool any = false;
    for (int32_t id : g->members)
      if (AnnElement* e = FindElement(id); e && e->Selected()) {
        // The group now stands for its members: they leave the selection, so that a drag moves
        // each of them once, with the group.
        e->SetSelectedFlag(false);
        RemoveFromSelection(e);
        any = true;
      }
    if (!any) return;
    SelectGroup(g, nullptr);
    Invalidate(nullptr);
  } else if (g->selected) {
    g->selected = false;
    Invalidate(nullptr);
  }
}

int32_t AnnLayer::GetGroupSelected(int32_t groupId, bool* selected) {
  return onGroup(FindGroup(groupId), [&](AnnGroup& g) {
    if (selected) *selected = g.active && g.selected;
  });
}

int32_t AnnLayer::SetGroupSelected(int32_t groupId, uint8_t selected) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  bool on = selected != 0;
  if (!g->active || g->selected == on) return ANN_OK;
  g->selected = on;
  if (g->members.empty()) return ANN_OK;
  if (on)
    for (int32_t id : g->members)
      if (AnnElement* e = FindElement(id)) {
        e->SetSelectedFlag(false);
        RemoveFromSelection(e);
      }
  RecalcGroup(g, nullptr);
  InvalidateGrown(g->rect, 2);
  return ANN_OK;
}

int32_t AnnLayer::GetElementGroup(int32_t id, int32_t* groupId) {
  AnnElement* e = FindElement(id);
  if (!e) return ERR_BAD_ELEMENT;
  if (GroupOf(e)) {
    if (groupId) *groupId = e->GroupId();
  } else {
    e->SetGroupId(0);
    if (groupId) *groupId = 0;
  }
  return ANN_OK;
}

int32_t AnnLayer::GetFirstGroup(int32_t* groupId) {
  groupCursor_ = 0;
  return GetNextGroup(groupId);
}

int32_t AnnLayer::GetNextGroup(int32_t* groupId) {
  int32_t id = groupCursor_ < groups_.size() ? groups_[groupCursor_++]->id : 0;
  if (groupId) *groupId = id;
  return ANN_OK;
}

int32_t AnnLayer::FindGroupByName(plat::BSTR name, int32_t* groupId) {
  if (groupId) *groupId = 0;
  for (auto& g : groups_) {
    bool match = (!name && !g->name) || (name && g->name && plat::SysToU16(name) == plat::SysToU16(g->name));
    if (match) {
      if (groupId) *groupId = g->id;
      break;
    }
  }
  return ANN_OK;
}

int32_t AnnLayer::SetGroupMemberProperty(int32_t groupId, int32_t property, AnnValue value) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  for (int32_t id : std::vector<int32_t>(g->members)) SetElementProperty(id, property, value);
  return ANN_OK;
}

bool AnnLayer::RecalcGroup(AnnGroup* g, plat::RECT* out) {
  if (out) *out = {};
  bool any = false;
  plat::RECT u{};
  for (int32_t id : g->members) {
    AnnElement* e = FindElement(id);
    if (!e) continue;
    e->RunPendingConversion();
    plat::RECT r = e->Rect();
    u = any ? annUnionRect(u, r) : r;
    any = true;
  }
  if (!any) return false;
  AnnView::NormalizeRect(&u);
  g->rect = u;
  g->rectStale = false;
  if (out) *out = u;
  return true;
}

int32_t AnnLayer::RecalcGroupRect(int32_t groupId, plat::RECT* rect) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  RecalcGroup(g, rect);
  return ANN_OK;
}

void AnnLayer::SelectGroup(AnnGroup* g, plat::RECT* grow) {
  RecalcGroup(g, nullptr);
  g->selected = true;
  if (grow) *grow = annUnionRect(*grow, Grown(g->rect, 2));
}

int32_t AnnLayer::MirrorGroup(int32_t groupId, int32_t direction) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  if (g->members.empty()) return ANN_OK;
  if (g->rectStale) RecalcGroup(g, nullptr);
  plat::POINT p[2] = {{g->rect.left, g->rect.top}, {g->rect.right, g->rect.bottom}};
  if (services_.view) services_.view->LogicalToPixels(p, p, 2);
  plat::RECT pixels{p[0].x, p[0].y, p[1].x, p[1].y};
  for (int32_t id : g->members)
    if (AnnElement* e = FindElement(id)) {
      if (direction == 2)
        e->FlipTopBottomInRect(pixels);
      else
        e->FlipLeftRightInRect(pixels);
    }
  InvalidateGrown(g->rect, 1);
  return ANN_OK;
}

int32_t AnnLayer::SetGroupRect(int32_t groupId, int32_t x, int32_t y, int32_t width, int32_t height) {
  AnnGroup* g = FindGroup(groupId);
  if (!g) return ERR_BAD_GROUP;
  if (g->members.empty()) return ANN_OK;
  if (g->rectStale) RecalcGroup(g, nullptr);
  plat::RECT oldLogical = g->rect;
  plat::POINT p[2] = {{g->rect.left, g->rect.top}, {g->rect.right, g->rect.bottom}};
  if (services_.view) services_.view->LogicalToPixels(p, p, 2);
  plat::RECT oldRect{p[0].x, p[0].y, p[1].x, p[1].y};
  // The host's rect is held within the range where scaling the members into it holds.
  plat::RECT newRect{annLimitValue(x), annLimitValue(y), annLimitValue(int64_t(x) + width),
                     annLimitValue(int64_t(y) + height)};
  double ow = double(oldRect.right) - oldRect.left, oh = double(oldRect.bottom) - oldRect.top;
  g->xFactor = ow != 0 ? (double(newRect.right) - newRect.left) / ow : 1.0;
  g->yFactor = oh != 0 ? (double(newRect.bottom) - newRect.top) / oh : 1.0;
  for (int32_t id : g->members)
    if (AnnElement* e = FindElement(id)) {
      e->BeginScaleSnapshot();
      e->ScaleToRect(g->xFactor, g->yFactor, oldRect, newRect, 0, 1);
      e->EndScaleSnapshot();
    }
  plat::POINT q[2] = {{newRect.left, newRect.top}, {newRect.right, newRect.bottom}};
  if (services_.view) services_.view->PixelsToLogical(q, q, 2);
  g->rect = {q[0].x, q[0].y, q[1].x, q[1].y};
  InvalidateGrown(annUnionRect(Grown(oldLogical, 1), Grown(g->rect, 1)), 0);
  return ANN_OK;
}

void AnnLayer::MoveAndReport(AnnElement* e, int32_t dx, int32_t dy) {
  plat::RECT r;
  e->GetBoundsWithHandles(&r);
  AddDirty(r);
  plat::RECT area{};
  e->MoveBy(dx, dy, &area);
  AddDirty(area);
  RaiseEvent(EVT_ELEMENT_CHANGED, e->Id());
}

void AnnLayer::MoveGroupBy(AnnGroup* g, int32_t dx, int32_t dy) {
  RecalcGroup(g, nullptr);
  if (dx < 0 && g->rect.left + dx < 0) dx = -g->rect.left;
  if (dx > 0 && g->rect.right + dx > ANN_LOGICAL_SPAN) dx = ANN_LOGICAL_SPAN - g->rect.right;
  if (dy < 0 && g->rect.top + dy < 0) dy = -g->rect.top;
  if (dy > 0 && g->rect.bottom + dy > ANN_LOGICAL_SPAN) dy = ANN_LOGICAL_SPAN - g->rect.bottom;
  // Each member's move raises an event; members are looked up again after every callback.
  const int32_t groupId = g->id;
  for (int32_t id : std::vector<int32_t>(g->members)) {
    if (AnnElement* e = FindElement(id)) MoveAndReport(e, dx, dy);
    if (FindGroup(groupId) != g) return;  // the host deleted the group meanwhile
  }
  if (!dirtyEmpty_) dirty_ = Grown(dirty_, 2);
  RecalcGroup(g, nullptr);
  AddDirty(g->rect);
}

void AnnLayer::ResizeGroup(AnnGroup* g, int32_t dx, int32_t dy) {
  if (g->handle == 4 || g->handle == 5) dy = 0;
  if (g->handle == 6 || g->handle == 7) dx = 0;
  int32_t w = services_.view ? services_.view->ImageWidth() : 0, h = services_.view ? services_.view->ImageHeight() : 0;
  if (w <= 0 || h <= 0) return;
  int32_t pdx = plat::MulDiv(dx, w, ANN_LOGICAL_SPAN), pdy = plat::MulDiv(dy, h, ANN_LOGICAL_SPAN);
  plat::RECT old = g->rect;
  g->ResizeByHandle(pdx, pdy, w, h);
  auto toPixels = [&](const plat::RECT& r) {
    return plat::RECT{plat::MulDiv(r.left, w, ANN_LOGICAL_SPAN), plat::MulDiv(r.top, h, ANN_LOGICAL_SPAN),
                      plat::MulDiv(r.right, w, ANN_LOGICAL_SPAN), plat::MulDiv(r.bottom, h, ANN_LOGICAL_SPAN)};
  };
  plat::RECT start = toPixels(g->startRect), now = toPixels(g->rect);
  for (int32_t id : g->members)
    if (AnnElement* e = FindElement(id)) e->ScaleToRect(g->xFactor, g->yFactor, start, now, g->handle, 1);
  AddDirty(Grown(annUnionRect(Grown(old, 1), g->rect), 1));
}
