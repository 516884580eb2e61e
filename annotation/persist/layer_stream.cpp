// One layer in its tagged stream form: header with magic, version, password flag, check value,
// body size and name; the body with the layer properties, the groups and the element records;
// the end tag. A layer with a password has its body scrambled.
#include <algorithm>
#include <cstring>
#include <map>
#include <QString>

#include "annotation/elements/element.h"
#include "annotation/group.h"
#include "annotation/layer.h"
#include "annotation/persist/memory_stream.h"
#include "annotation/persist/scramble.h"
#include "annotation/persist/stream_io.h"
#include "platform/memory/global_memory.h"
#include "platform/ole/ole.h"

namespace {

constexpr int32_t kLayerMagic = 36754;
constexpr int32_t kLayerVersion = 36752;
constexpr int32_t kLayerEnd = 36755;
constexpr int32_t kBodyBegin = 36762;
constexpr int32_t kContentBegin = 36763;
constexpr int32_t kElementCount = 36753;
constexpr int32_t kGroupCount = 36766;
constexpr int32_t kGroupListBegin = 1792;
constexpr int32_t kGroupListEnd = 1793;
constexpr int32_t kGroupBegin = 1794;
constexpr int32_t kGroupEnd = 1795;
constexpr int32_t kGroupName = 1796;
constexpr int32_t kGroupText2 = 1797;
constexpr int32_t kGroupUserValue = 1798;
constexpr int32_t kGroupMember = 1799;
constexpr int32_t kGroupId = 1800;
constexpr int32_t kGroupFlag = 1801;
constexpr int32_t kGroupSelected = 1802;
constexpr int32_t kGroupRect = 1803;
// The smallest stored element (type, begin, end) and group (begin, end), for bounding counts.
constexpr uint64_t kMinElementBytes = 12;
constexpr uint64_t kMinGroupBytes = 8;

bool nonEmpty(plat::BSTR s) { return s && plat::SysStringLen(s) > 0; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writing

int32_t AnnLayer::WriteBody(AnnStreamWriter& out, bool selectedOnly, uint32_t* bodySize) {
  int64_t start = out.Position();
  // Every element is in logical units and settles what it would settle at its next draw before
  // anything is written, so that the group rects written first are those of the elements written
  // after them.
  for (auto& e : elements_) {
    e->RunPendingConversion();
    e->SettleBeforeWrite();
  }
  std::vector<AnnElement*> chosen;
  if (selectedOnly) {
    chosen = selection_;
  } else {
    for (auto& e : elements_) chosen.push_back(e.get());
  }
  out.I32(kBodyBegin);
  for (const auto& [key, value] : properties_) {
    switch (key) {
      case LPROP_NAME:
        break;
      case LPROP_TEXT2:
        if (nonEmpty(text2_)) {
          out.I32(key);
          out.String(text2_);
        }
        break;
      case 1800:
        out.I32(key);
        out.I32(groupCounter_);
        break;
      case 36751:
        out.I32(key);
        out.I32(elementCounter_);
        break;
      case kElementCount:
        out.I32(key);
        out.I32(int32_t(chosen.size()));
        break;
      case kGroupCount:
        out.I32(key);
        out.I32(int32_t(groups_.size()));
        break;
      default:
        out.I32(key);
        out.I32(int32_t(value));
        break;
    }
  }
  out.I32(kContentBegin);
  if (!groups_.empty()) {
    out.I32(kGroupListBegin);
    for (auto& g : groups_) {
      out.I32(kGroupBegin);
      if (nonEmpty(g->name)) {
        out.I32(kGroupName);
        out.String(g->name);
      }
      if (g->userValue != 0) {
        out.I32(kGroupUserValue);
        out.I32(g->userValue);
      }
      out.I32(kGroupId);
      out.I32(g->id);
      if (nonEmpty(g->text2)) {
        out.I32(kGroupText2);
        out.String(g->text2);
      }
      out.I32(kGroupFlag);
      out.I32(g->active ? 1 : 0);
      out.I32(kGroupSelected);
      out.I32(g->selected ? 1 : 0);
      plat::RECT r{};
      RecalcGroup(g.get(), &r);
      out.I32(kGroupRect);
      out.Bytes(&r, sizeof r);
      for (int32_t id : g->members) {
        out.I32(kGroupMember);
        out.I32(id);
      }
      out.I32(kGroupEnd);
    }
    out.I32(kGroupListEnd);
  }
  for (AnnElement* e : chosen) {
    if (!out.I32(e->Kind())) break;
    if (e->Save(out) != ANN_OK) break;
  }
  int64_t end = out.Position();
  if (bodySize) *bodySize = start >= 0 && end >= start ? uint32_t(end - start) : 0;
  return out.Ok() && start >= 0 && end >= 0 ? ANN_OK : ERR_STREAM;
}

int32_t AnnLayer::Save(plat::IStream* stream, bool selectedOnly) {
  AnnStreamWriter out(stream);
  if (!out.I32(kLayerMagic)) return ERR_STREAM;
  bool hasPassword = nonEmpty(password_);
  out.I32(kLayerVersion);
  out.I32(hasPassword ? 1 : 0);
  int64_t header = out.Position();
  if (header < 0) return ERR_STREAM;
  out.U32(0);
  out.U32(0);
  out.String(name_);
  uint32_t bodySize = 0, check = 0;
  if (hasPassword) {
    AnnStreamRef body;
    if (!body.MakeMemory()) return ERR_STREAM;
    AnnStreamWriter bodyOut(body.get());
    if (WriteBody(bodyOut, selectedOnly, &bodySize) != ANN_OK) return ERR_STREAM;
    plat::HGLOBAL block = nullptr;
    if (plat::FAILED(plat::GetHGlobalFromStream(body.get(), &block)) || plat::GlobalSize(block) < bodySize)
      return ERR_STREAM;
    auto* bytes = static_cast<uint8_t*>(plat::GlobalLock(block));
    if (!bytes && bodySize) return ERR_STREAM;
    check = scrambleEncode(bytes, plat::SysToAnsi(password_), bodySize);
    out.Bytes(bytes, bodySize);
    plat::GlobalUnlock(block);
  } else if (WriteBody(out, selectedOnly, &bodySize) != ANN_OK) {
    return ERR_STREAM;
  }
  int64_t end = out.Position();
  if (end < 0) return ERR_STREAM;
  out.SeekTo(header);
  out.U32(check);
  out.U32(bodySize);
  out.SeekTo(end);
  out.I32(kLayerEnd);
  return out.Ok() ? ANN_OK : ERR_STREAM;
}

// ---------------------------------------------------------------------------------------------
// Reading

int32_t AnnLayer::Load(plat::IStream* stream, bool merge) {
  AnnStreamReader in(stream);
  int32_t magic = 0, version = 0, hasPassword = 0, end = 0;
  uint32_t check = 0, bodySize = 0;
  if (!in.I32(&magic) || magic != kLayerMagic || !in.I32(&version) || version != kLayerVersion) return ERR_STREAM;
  plat::BSTR name = nullptr;
  if (!in.I32(&hasPassword) || !in.U32(&check) || !in.U32(&bodySize) || !in.String(&name)) return ERR_STREAM;
  plat::SysFreeString(name_);
  name_ = name;
  if (bodySize > in.Remaining()) return ERR_STREAM;

  int32_t result = ANN_OK;
  if (hasPassword) {
    std::vector<uint8_t> bytes;
    try {
      bytes.resize(bodySize);
    } catch (const std::bad_alloc&) {
      return ERR_NO_MEMORY;
    }
    // Without a password service the layer's own password (perhaps empty) is tried.
    if (services_.requestPassword) {
      plat::BSTR answer = nullptr;
      services_.requestPassword(services_.engine, name_, &answer);
      if (answer) {
        plat::SysFreeString(password_);
        password_ = answer;
      }
    }
    if (!in.Bytes(bytes.data(), bodySize)) return ERR_STREAM;
    if (!nonEmpty(password_) || scrambleDecode(bytes.data(), plat::SysToAnsi(password_), bodySize) != check) {
      in.I32(&end);  // stand after this layer, so that following layers can still be read
      return ERR_BAD_PASSWORD;
    }
    plat::HGLOBAL block = plat::GlobalFromBytes(bytes.data(), bytes.size());
    if (!block) return ERR_NO_MEMORY;
    AnnStreamRef body;
    if (plat::FAILED(plat::CreateStreamOnHGlobal(block, true, body.out()))) {
      plat::GlobalFree(block);
      return ERR_STREAM;
    }
    AnnStreamReader bodyIn(body.get());
    result = ReadBody(bodyIn, merge);
  } else {
    AnnStreamReader bodyIn(stream);
    bodyIn.Limit(bodySize);
    uint64_t before = bodyIn.Remaining();
    result = ReadBody(bodyIn, merge);
    in.Consumed(before - bodyIn.Remaining());
  }
  if (result == ANN_OK && !in.I32(&end)) result = ERR_STREAM;
  if (result != ANN_OK) {
    SetCurrentTool(TOOL_POINTER);
    return result;
  }
  for (auto& e : elements_)
    if (e->Selected() && !IsSelected(e.get())) selection_.push_back(e.get());
  SetCurrentTool(TOOL_POINTER);
  return ANN_OK;
}

int32_t AnnLayer::ReadBody(AnnStreamReader& in, bool merge) {
  // The layer is not painted while its body is read.
  struct PaintOff {
    uint8_t& flag;
    ~PaintOff() { flag = 1; }
  } paintOff{paintEnabled_};
  paintEnabled_ = 0;

  int32_t tag = 0;
  if (!in.I32(&tag) || tag != kBodyBegin) return ERR_STREAM;
  int32_t storedElementCounter = 0, elementCount = 0, groupCount = 0;
  for (;;) {
    if (!in.I32(&tag)) return ERR_STREAM;
    if (tag == kContentBegin) break;
    if (tag == LPROP_NAME || tag == LPROP_TEXT2) {
      plat::BSTR s = nullptr;
      if (!in.String(&s)) return ERR_STREAM;
      if (merge) {
        plat::SysFreeString(s);
      } else {
        plat::BSTR& target = tag == LPROP_NAME ? name_ : text2_;
        plat::SysFreeString(target);
        target = s;
      }
      continue;
    }
    int32_t value = 0;
    if (!in.I32(&value)) return ERR_STREAM;
    switch (tag) {
      case 1800:
        // Pasting never lowers a counter: ids given before stay unique.
        groupCounter_ = merge ? std::max(groupCounter_, value) : value;
        break;
      case 36751: storedElementCounter = value; break;
      case kElementCount: elementCount = value; break;
      case kGroupCount: groupCount = value; break;
      default:
        if (!merge) SetProperty(tag, value);
        break;
    }
  }
  if (elementCount < 0 || uint64_t(elementCount) * kMinElementBytes > in.Remaining()) return ERR_STREAM;
  if (groupCount < 0 || uint64_t(groupCount) * kMinGroupBytes > in.Remaining()) return ERR_STREAM;

  // Groups as stored; a paste gives them fresh ids and maps their members after the elements.
  std::vector<AnnGroup*> readGroups;
  std::map<int32_t, int32_t> groupIdMap;
  if (groupCount != 0) {
    if (!in.I32(&tag) || tag != kGroupListBegin) return ERR_STREAM;
    for (;;) {
      if (!in.I32(&tag)) return ERR_STREAM;
      if (tag == kGroupListEnd) break;
      if (tag != kGroupBegin) return ERR_STREAM;
      auto owned = std::make_unique<AnnGroup>();
      AnnGroup* g = owned.get();
      groups_.push_back(std::move(owned));
      readGroups.push_back(g);
      for (;;) {
        if (!in.I32(&tag)) return ERR_STREAM;
        if (tag == kGroupEnd) break;
        int32_t v = 0;
        switch (tag) {
          case kGroupName:
          case kGroupText2: {
            plat::BSTR s = nullptr;
            if (!in.String(&s)) return ERR_STREAM;
            plat::BSTR& target = tag == kGroupName ? g->name : g->text2;
            plat::SysFreeString(target);
            target = s;
            break;
          }
          case kGroupRect:
            if (!in.Rect(&g->rect)) return ERR_STREAM;
            break;
          case kGroupUserValue:
          case kGroupId:
          case kGroupFlag:
          case kGroupSelected:
          case kGroupMember:
            if (!in.I32(&v)) return ERR_STREAM;
            if (tag == kGroupUserValue) g->userValue = v;
            if (tag == kGroupId) g->id = v;
            // The counter passes every group kept, also when a later part of the body is damaged.
            if (tag == kGroupId && !merge) groupCounter_ = std::max(groupCounter_, v);
            if (tag == kGroupFlag) g->active = v != 0;
            if (tag == kGroupSelected) g->selected = v != 0;
            if (tag == kGroupMember && !g->HasMember(v)) g->members.push_back(v);
            break;
          default:
            break;  // an unknown tag inside a group is passed over
        }
      }
      if (merge) {
        int32_t fresh = ++groupCounter_;
        groupIdMap[g->id] = fresh;
        g->id = fresh;
      }
    }
  }

  std::map<int32_t, int32_t> elementIdMap;
  for (int32_t i = 0; i < elementCount; ++i) {
    int32_t type = 0;
    if (!in.I32(&type)) return ERR_STREAM;
    if (type < TOOL_TEXT || type > TOOL_BUTTON) return ERR_STREAM;
    int32_t r = SetCurrentTool(type);
    if (r != ANN_OK) return r;
    AnnElement* e = unplaced_.get();
    if (!e) return ERR_NOT_IMPLEMENTED;  // a kind this build cannot make
    r = e->Load(in);
    if (r != ANN_OK) {
      DropCurrentElement();
      return r;
    }
    int32_t storedId = e->Id();
    if (merge) {
      auto mapped = groupIdMap.find(e->GroupId());
      int32_t gid = mapped != groupIdMap.end() ? mapped->second : 0;
      e->SetGroupId(gid);
    }
    int32_t placedId = PlaceElement(nullptr, false, true);
    if (merge && placedId != 0) elementIdMap[storedId] = placedId;
  }
  if (merge) {
    // The pasted groups follow their members' new ids.
    for (AnnGroup* g : readGroups) {
      std::vector<int32_t> members;
      for (int32_t id : g->members) {
        auto it = elementIdMap.find(id);
        if (it != elementIdMap.end() && std::find(members.begin(), members.end(), it->second) == members.end())
          members.push_back(it->second);
      }
      g->members = std::move(members);
      g->rectStale = true;
    }
  } else {
    elementCounter_ = std::max(elementCounter_, storedElementCounter);
  }
  return ANN_OK;
}
