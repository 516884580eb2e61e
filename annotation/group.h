#pragma once
// A named set of elements of one layer. Membership is by element id; an active group is selected,
// moved and resized as one unit.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/graphics/gdi_types.h"
#include "platform/ole/ole_types.h"

class AnnGroup {
 public:
  explicit AnnGroup(int32_t id = 0) : id(id) {}
  ~AnnGroup();
  AnnGroup(const AnnGroup&) = delete;
  AnnGroup& operator=(const AnnGroup&) = delete;

  // ERR_BAD_GROUP when the id is already a member.
  int32_t AddMember(int32_t elementId);
  // ERR_NOT_IN_GROUP when absent.
  int32_t RemoveMember(int32_t elementId);
  void MarkMemberRemoved(int32_t elementId);
  void CompactMembers();
  int32_t GetMemberCount() const { return int32_t(members.size()); }
  int32_t GetFirstMember();
  int32_t GetNextMember();
  bool HasMember(int32_t elementId) const;
  // Moves the edges of the grabbed handle by (dx, dy) image pixels, turning the handle into the
  // one under the pointer when an edge passes the opposite one, and sets the scale factors.
  // Returns the normalisation flags (4 left/right swapped, 2 top/bottom swapped).
  int ResizeByHandle(int32_t dx, int32_t dy, int32_t imageWidth, int32_t imageHeight);

  int32_t id = 0;
  plat::BSTR name = nullptr;
  plat::BSTR text2 = nullptr;
  int32_t userValue = 0;
  bool active = false;
  bool selected = false;
  bool resizing = false;
  bool rectStale = true;
  plat::RECT rect{};
  plat::RECT startRect{};
  int32_t handle = 0;
  double xFactor = 1.0;
  double yFactor = 1.0;
  std::vector<int32_t> members;

 private:
  size_t cursor_ = 0;
};
