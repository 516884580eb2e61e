#include "annotation/group.h"

#include <algorithm>

#include "annotation/ann_codes.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"

AnnGroup::~AnnGroup() {
  plat::SysFreeString(name);
  plat::SysFreeString(text2);
}

int32_t AnnGroup::AddMember(int32_t elementId) {
  if (HasMember(elementId)) return ERR_BAD_GROUP;
  members.push_back(elementId);
  rectStale = true;
  return ANN_OK;
}

int32_t AnnGroup::RemoveMember(int32_t elementId) {
  auto it = std::find(members.begin(), members.end(), elementId);
  if (it == members.end()) return ERR_NOT_IN_GROUP;
  members.erase(it);
  rectStale = true;
  return ANN_OK;
}

void AnnGroup::MarkMemberRemoved(int32_t elementId) { std::replace(members.begin(), members.end(), elementId, -1); }

void AnnGroup::CompactMembers() {
  members.erase(std::remove(members.begin(), members.end(), -1), members.end());
  rectStale = true;
}

int32_t AnnGroup::GetFirstMember() {
  cursor_ = 0;
  return GetNextMember();
}

int32_t AnnGroup::GetNextMember() {
  if (cursor_ >= members.size()) return 0;
  return members[cursor_++];
}

bool AnnGroup::HasMember(int32_t elementId) const {
  return std::find(members.begin(), members.end(), elementId) != members.end();
}

int AnnGroup::ResizeByHandle(int32_t dx, int32_t dy, int32_t w, int32_t h) {
  if (w <= 0 || h <= 0) return 0;
  plat::RECT r{plat::MulDiv(rect.left, w, ANN_LOGICAL_SPAN), plat::MulDiv(rect.top, h, ANN_LOGICAL_SPAN),
               plat::MulDiv(rect.right, w, ANN_LOGICAL_SPAN), plat::MulDiv(rect.bottom, h, ANN_LOGICAL_SPAN)};
  int32_t oldW = r.right - r.left, oldH = r.bottom - r.top;
  bool moveLeft = handle == 0 || handle == 2 || handle == 4;
  bool moveRight = handle == 1 || handle == 3 || handle == 5;
  bool moveTop = handle == 0 || handle == 1 || handle == 6;
  bool moveBottom = handle == 2 || handle == 3 || handle == 7;
  if (moveLeft) r.left += dx;
  if (moveRight) r.right += dx;
  if (moveTop) r.top += dy;
  if (moveBottom) r.bottom += dy;
  // The grabbed handle becomes the one now under the pointer.
  static constexpr int32_t kMirrorX[8] = {1, 0, 3, 2, 5, 4, 6, 7};
  static constexpr int32_t kMirrorY[8] = {2, 3, 0, 1, 4, 5, 7, 6};
  if (handle >= 0 && handle < 8) {
    if (r.left > r.right) handle = kMirrorX[handle];
    if (r.top > r.bottom) handle = kMirrorY[handle];
  }
  int flags = AnnView::NormalizeRect(&r);
  int32_t newW = r.right - r.left, newH = r.bottom - r.top;
  xFactor = oldW != 0 ? double(newW) / oldW : 1.0;
  yFactor = oldH != 0 ? double(newH) / oldH : 1.0;
  rect = {plat::MulDiv(r.left, ANN_LOGICAL_SPAN, w), plat::MulDiv(r.top, ANN_LOGICAL_SPAN, h),
          plat::MulDiv(r.right, ANN_LOGICAL_SPAN, w), plat::MulDiv(r.bottom, ANN_LOGICAL_SPAN, h)};
  return flags;
}
