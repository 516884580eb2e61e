// The layer stream pinned byte for byte, password scrambling, pasting into a layer that has
// content, and damaged or failing streams.
#include <gtest/gtest.h>

#include "annotation/group.h"
#include "annotation/persist/scramble.h"
#include "annotation/rect_util.h"
#include "layer_fixture.h"

namespace {

constexpr int64_t kFixedFileTime = (22968LL + 11644473600LL) * 10000000LL;

// The body of a layer without groups, up to and including the content tag.
Words bodyHead(int32_t current, int32_t groupCounter, int32_t elementCounter, int32_t elements, int32_t groups) {
  Words w;
  w({36762, 21, 1, 513, current, 1800, groupCounter, 36751, elementCounter, 36752, 0, 36753, elements, 36766, groups,
     36763});
  return w;
}

Words rectangleRecord(int32_t id, plat::RECT r, int32_t groupId = 0) {
  Words w;
  w({4098, 36756, 36765, 0x17, 1, 0xFF0000, 4, 0xFF00, 5, 1, 7, r.left, r.top, r.right, r.bottom, 16, 2, 34});
  w.I64(kFixedFileTime);
  w({36, 0, 38, 5999, 39, 0, 1280, 0});
  if (groupId) w({1800, groupId});
  w({36719, 6, 36721}).I64(0);
  w({36751, id, 36764, 22968, 36757});
  return w;
}

Words ellipseRecord(int32_t id, plat::RECT r) {
  Words w;
  w({4099, 36756, 36765, 0x17, 1, 0xFF0000, 4, 0xFFFF00, 5, 1, 7, r.left, r.top, r.right, r.bottom, 16, 2, 34});
  w.I64(kFixedFileTime);
  w({38, 5999, 39, 0, 1280, 0, 36721}).I64(0);
  w({36751, id, 36764, 22968, 36757});
  return w;
}

Words layerStream(const std::u16string& name, const Words& body, int32_t hasPassword = 0, uint32_t check = 0) {
  Words w;
  w({36754, 36752, hasPassword, check, int64_t(body.bytes.size())});
  if (name.empty())
    w({0});
  else
    w.Str(name);
  w.Append(body);
  w({36755});
  return w;
}

plat::RECT px(int32_t l, int32_t t, int32_t r, int32_t b) { return {annLx(l), annLy(t), annLx(r), annLy(b)}; }

// An independent bitwise form of the key stream, to check the scrambled bytes against.
uint32_t stepBitwise(uint32_t s, uint8_t byte) {
  s ^= byte;
  for (int k = 0; k < 8; ++k) s = (s & 1) ? (s >> 1) ^ 0xEDB88320u : s >> 1;
  return s;
}

std::vector<uint8_t> scrambledBitwise(std::vector<uint8_t> body, const std::string& password, uint32_t* check) {
  uint32_t s = 0;
  for (char c : password) s = stepBitwise(s, uint8_t(c));
  for (uint8_t& b : body) {
    b ^= uint8_t(s ^ (s >> 8) ^ (s >> 16) ^ (s >> 24));
    s = stepBitwise(s, b);
  }
  *check = s;
  return body;
}

class LayerStreamTest : public LayerFixture {
 protected:
  void Name(AnnLayer* l, const char16_t* name) { l->SetProperty(LPROP_NAME, reinterpret_cast<AnnValue>(name)); }
};

TEST_F(LayerStreamTest, EmptyLayerIsPinned) {
  Words expected = layerStream(u"", bodyHead(1, 0, 0, 0, 0));
  EXPECT_EQ(expected.bytes.size() - 4 * 7, 64u);  // the body alone
  EXPECT_EQ(Saved(layer), expected.bytes);
}

TEST_F(LayerStreamTest, RectangleAndEllipseArePinned) {
  Name(layer, u"Copper Lantra");  // fixed creation times make the records stable
  int32_t a = Place(TOOL_RECTANGLE, 10, 20, 110, 80);
  int32_t b = Place(TOOL_ELLIPSE, 200, 100, 300, 250);
  ASSERT_EQ(a, 1);
  ASSERT_EQ(b, 2);
  Words body = bodyHead(1, 0, 2, 2, 0);
  body.Append(rectangleRecord(1, px(10, 20, 110, 80))).Append(ellipseRecord(2, px(200, 100, 300, 250)));
  EXPECT_EQ(Saved(layer), layerStream(u"Copper Lantra", body).bytes);
}

TEST_F(LayerStreamTest, GroupIsPinned) {
  Name(layer, u"Copper Lantra");
  int32_t a = Place(TOOL_RECTANGLE, 10, 20, 110, 80);
  int32_t b = Place(TOOL_RECTANGLE, 50, 60, 150, 160);
  int32_t g = 0;
  plat::BSTR name = plat::SysAllocString(u"G");
  ASSERT_EQ(layer->CreateGroup(name, 7, &g), ANN_OK);
  plat::SysFreeString(name);
  ASSERT_EQ(layer->AddElementToGroup(g, a), ANN_OK);
  ASSERT_EQ(layer->AddElementToGroup(g, b), ANN_OK);
  int32_t empty = 0;
  ASSERT_EQ(layer->CreateGroup(nullptr, 0, &empty), ANN_OK);

  Words body = bodyHead(1, 2, 2, 2, 2);
  plat::RECT u = px(10, 20, 150, 160);
  body({1792, 1794, 1796}).Str(u"G");
  body({1798, 7, 1800, g, 1801, 0, 1802, 0, 1803, u.left, u.top, u.right, u.bottom, 1799, a, 1799, b, 1795});
  // A group without members stores an all-zero rect.
  body({1794, 1800, empty, 1801, 0, 1802, 0, 1803, 0, 0, 0, 0, 1795, 1793});
  body.Append(rectangleRecord(a, px(10, 20, 110, 80), g)).Append(rectangleRecord(b, px(50, 60, 150, 160), g));
  EXPECT_EQ(Saved(layer), layerStream(u"Copper Lantra", body).bytes);

  // Read back: the same bytes come out again.
  AnnLayer* copy = NewLayer();
  ASSERT_EQ(LoadBytes(copy, Saved(layer)), ANN_OK);
  EXPECT_EQ(Saved(copy), Saved(layer));
}

TEST_F(LayerStreamTest, ScrambledLayerIsPinnedAndNeedsItsPassword) {
  Name(layer, u"Copper Lantra");
  Place(TOOL_RECTANGLE, 10, 20, 110, 80);
  plat::BSTR password = plat::SysAllocString(u"s\u00e9same");  // é is one ANSI byte
  layer->SetPassword(password);
  Words body = bodyHead(1, 0, 1, 1, 0).Append(rectangleRecord(1, px(10, 20, 110, 80)));
  uint32_t check = 0;
  Words scrambled;
  scrambled.bytes = scrambledBitwise(body.bytes, "s\xe9same", &check);
  std::vector<uint8_t> saved = Saved(layer);
  EXPECT_EQ(saved, layerStream(u"Copper Lantra", scrambled, 1, check).bytes);

  // Followed by a second layer, to see that a refused layer leaves the stream after its end.
  std::vector<uint8_t> two = saved;
  AnnLayer* plain = NewLayer();
  std::vector<uint8_t> second = Saved(plain);
  two.insert(two.end(), second.begin(), second.end());

  AnnLayer* wrong = NewLayer();
  plat::BSTR other = plat::SysAllocString(u"sesame");
  wrong->SetPassword(other);
  uint64_t position = 0;
  EXPECT_EQ(LoadBytes(wrong, two, false, &position), ERR_BAD_PASSWORD);
  EXPECT_EQ(position, saved.size());
  EXPECT_EQ(wrong->GetElementCount(), 0);

  AnnLayer* none = NewLayer();  // no password at all
  EXPECT_EQ(LoadBytes(none, saved), ERR_BAD_PASSWORD);

  AnnLayer* right = NewLayer();
  right->SetPassword(password);
  ASSERT_EQ(LoadBytes(right, saved), ANN_OK);
  EXPECT_EQ(right->GetElementCount(), 1);
  EXPECT_EQ(Saved(right), saved);
  plat::SysFreeString(password);
  plat::SysFreeString(other);
}

TEST_F(LayerStreamTest, ScramblerDirectionsAgree) {
  std::vector<uint8_t> data = {0, 1, 2, 250, 7, 7, 7};
  std::vector<uint8_t> copy = data;
  uint32_t encoded = scrambleEncode(copy.data(), "key", copy.size());
  EXPECT_NE(copy, data);
  EXPECT_EQ(scrambleDecode(copy.data(), "key", copy.size()), encoded);
  EXPECT_EQ(copy, data);
  uint32_t state = 0;
  EXPECT_EQ(scrambleEncode(nullptr, "key", 0), crc32String("key", &state));
  state = 0;
  crc32Update(1, &state);
  EXPECT_EQ(state, 0x77073096u);
}

TEST_F(LayerStreamTest, PastingRenumbersIdsAndGroupsAndNeverSelectsTwice) {
  int32_t a = Place(TOOL_RECTANGLE, 10, 20, 110, 80);
  int32_t b = Place(TOOL_ELLIPSE, 200, 100, 300, 250);
  int32_t g = 0;
  layer->CreateGroup(nullptr, 0, &g);
  layer->AddElementToGroup(g, a);
  layer->AddElementToGroup(g, b);
  layer->SetElementProperty(a, PROP_SELECTED, 1);
  plat::BSTR text2 = plat::SysAllocString(u"second");
  layer->SetProperty(LPROP_TEXT2, reinterpret_cast<AnnValue>(text2));
  plat::SysFreeString(text2);
  std::vector<uint8_t> bytes = Saved(layer);

  ASSERT_EQ(LoadBytes(layer, bytes, true), ANN_OK);
  EXPECT_EQ(layer->GetElementCount(), 4);
  EXPECT_EQ(layer->ElementIdCounter(), 4);
  EXPECT_EQ(layer->GetGroupCount(), 2);
  EXPECT_EQ(layer->GroupIdCounter(), 2);
  // Every id is unique, the pasted group holds the pasted elements, each element once in the
  // selection.
  std::vector<int32_t> ids;
  for (int32_t id = layer->GetFirstElement(); id; id = layer->GetNextElement()) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<int32_t>{1, 2, 3, 4}));
  int32_t pasted = 0, member = 0, count = 0;
  layer->GetFirstGroup(&pasted);
  layer->GetNextGroup(&pasted);
  EXPECT_EQ(pasted, 2);
  layer->GetGroupMemberCount(pasted, &count);
  EXPECT_EQ(count, 2);
  layer->GetFirstGroupMember(pasted, &member);
  EXPECT_EQ(member, 3);
  int32_t groupOf = 0;
  layer->GetElementGroup(4, &groupOf);
  EXPECT_EQ(groupOf, pasted);
  std::vector<int32_t> selected;
  for (int32_t id = layer->GetFirstSelectedElement(); id; id = layer->GetNextSelectedElement()) selected.push_back(id);
  EXPECT_EQ(selected, (std::vector<int32_t>{1, 3}));
  // The second string stays; the pasted layer's own counter does not replace the larger one.
  AnnValue v = 0;
  layer->GetProperty(LPROP_TEXT2, &v);
  EXPECT_EQ(plat::SysToU16(reinterpret_cast<plat::BSTR>(v)), u"second");
  plat::SysFreeString(reinterpret_cast<plat::BSTR>(v));
}

// A stream whose writes fail after a given number of bytes.
class FailingStream : public plat::IStream {
 public:
  explicit FailingStream(uint32_t budget) : budget_(budget) {}
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }
  plat::HRESULT Read(void*, uint32_t, uint32_t* read) override {
    if (read) *read = 0;
    return plat::S_FALSE;
  }
  plat::HRESULT Write(const void*, uint32_t bytes, uint32_t* written) override {
    if (bytes > budget_) {
      if (written) *written = 0;
      return plat::STG_E_WRITEFAULT;
    }
    budget_ -= bytes;
    position_ += bytes;
    size_ = std::max(size_, position_);
    if (written) *written = bytes;
    return plat::S_OK;
  }
  plat::HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPosition) override {
    int64_t base = origin == plat::STREAM_SEEK_SET ? 0 : origin == plat::STREAM_SEEK_CUR ? int64_t(position_) : int64_t(size_);
    position_ = uint64_t(base + move);
    if (newPosition) *newPosition = position_;
    return plat::S_OK;
  }
  plat::HRESULT SetSize(uint64_t) override { return plat::S_OK; }

 private:
  uint32_t budget_;
  uint64_t position_ = 0;
  uint64_t size_ = 0;
};

TEST_F(LayerStreamTest, EveryFailedWriteIsReported) {
  int32_t g = 0;
  layer->CreateGroup(nullptr, 0, &g);
  layer->AddElementToGroup(g, Place(TOOL_RECTANGLE, 10, 20, 110, 80));
  // The header's check value and body size are written twice: first as 0, then patched.
  size_t full = Saved(layer).size() + 8;
  for (uint32_t budget = 0; budget < full; ++budget) {
    FailingStream s(budget);
    EXPECT_EQ(layer->Save(&s, false), ERR_STREAM) << "budget " << budget;
  }
  FailingStream enough{uint32_t(full)};
  EXPECT_EQ(layer->Save(&enough, false), ANN_OK);
}

TEST_F(LayerStreamTest, TruncatedStreamsFailAtEveryLength) {
  int32_t g = 0;
  layer->CreateGroup(nullptr, 0, &g);
  layer->AddElementToGroup(g, Place(TOOL_RECTANGLE, 10, 20, 110, 80));
  Place(TOOL_ELLIPSE, 200, 100, 300, 250);
  std::vector<uint8_t> bytes = Saved(layer);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    AnnLayer* target = NewLayer();
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut));
    EXPECT_NE(LoadBytes(target, part), ANN_OK) << "cut at " << cut;
    engine.DeleteLayer(reinterpret_cast<AnnLayerHandle>(target));
  }
}

// Patches the 32-bit word at a byte offset.
std::vector<uint8_t> patched(std::vector<uint8_t> bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + size_t(i)] = uint8_t(value >> (8 * i));
  return bytes;
}

size_t findWord(const std::vector<uint8_t>& bytes, uint32_t word, size_t from = 0) {
  for (size_t i = from; i + 4 <= bytes.size(); ++i)
    if (uint32_t(bytes[i] | bytes[i + 1] << 8 | bytes[i + 2] << 16 | uint32_t(bytes[i + 3]) << 24) == word) return i;
  return bytes.size();
}

TEST_F(LayerStreamTest, DamagedFieldsAreRefused) {
  Name(layer, u"Copper Lantra");
  int32_t g = 0;
  layer->CreateGroup(nullptr, 0, &g);
  layer->AddElementToGroup(g, Place(TOOL_RECTANGLE, 10, 20, 110, 80));
  std::vector<uint8_t> bytes = Saved(layer);
  size_t header = 16;  // body size field
  size_t elementCount = findWord(bytes, 36753) + 4;
  size_t groupCount = findWord(bytes, 36766) + 4;
  size_t type = findWord(bytes, 4098, groupCount);
  size_t begin = findWord(bytes, 36756);
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    int32_t result;
  } cases[] = {
      {"bad magic", patched(bytes, 0, 1234), ERR_STREAM},
      {"bad version", patched(bytes, 4, 1), ERR_STREAM},
      {"huge body size", patched(bytes, header, 0xFFFFFFF0u), ERR_STREAM},
      {"huge name length", patched(bytes, 20, 0x7FFFFFF0u), ERR_STREAM},
      {"odd name length", patched(bytes, 20, 27), ERR_STREAM},
      {"huge element count", patched(bytes, elementCount, 0x7FFFFFFF), ERR_STREAM},
      {"negative element count", patched(bytes, elementCount, 0xFFFFFFFFu), ERR_STREAM},
      {"huge group count", patched(bytes, groupCount, 0x10000000), ERR_STREAM},
      {"type below the kinds", patched(bytes, type, 4096), ERR_STREAM},
      {"type above the kinds", patched(bytes, type, 4107), ERR_STREAM},
      {"bad element begin", patched(bytes, begin, 1), ERR_STREAM},
      {"bad body begin", patched(bytes, findWord(bytes, 36762), 5), ERR_STREAM},
      {"missing group list", patched(bytes, findWord(bytes, 1792), 1), ERR_STREAM},
  };
  for (const Case& c : cases) {
    AnnLayer* target = NewLayer();
    EXPECT_EQ(LoadBytes(target, c.data), c.result) << c.what;
    EXPECT_EQ(target->GetElementCount(), 0) << c.what;
    engine.DeleteLayer(reinterpret_cast<AnnLayerHandle>(target));
  }
}

// A body damaged after its groups leaves the groups read so far in the layer: the layer's group
// counter has passed their ids, so what it saves then reads back and saves the same again.
TEST_F(LayerStreamTest, GroupsKeptFromADamagedBodyStayBelowTheGroupCounter) {
  int32_t g = 0;
  layer->CreateGroup(nullptr, 0, &g);
  layer->AddElementToGroup(g, Place(TOOL_RECTANGLE, 10, 20, 110, 80));
  std::vector<uint8_t> bytes = Saved(layer);
  const size_t groupBegin = findWord(bytes, 1794);
  bytes = patched(bytes, findWord(bytes, 1800, groupBegin) + 4, 50);        // the group's id
  bytes = patched(bytes, findWord(bytes, 4098, findWord(bytes, 1795)), 4096);  // no such kind
  AnnLayer* target = NewLayer();
  ASSERT_EQ(LoadBytes(target, bytes), ERR_STREAM);
  ASSERT_EQ(target->GetGroupCount(), 1);
  const std::vector<uint8_t> saved = Saved(target);
  AnnLayer* again = NewLayer();
  ASSERT_EQ(LoadBytes(again, saved), ANN_OK);
  EXPECT_EQ(Saved(again), saved);
}

// A stored coordinate beyond the page's sound range (eight pages either side) costs nothing but
// itself: it is held at the edge of the range and the layer, every element and group included,
// reads back. Saved again, the held value is what is written.
TEST_F(LayerStreamTest, StoredCoordinatesOffThePageAreHeldAtTheLimit) {
  int32_t g = 0;
  layer->CreateGroup(nullptr, 0, &g);
  layer->AddElementToGroup(g, Place(TOOL_RECTANGLE, 10, 20, 110, 80));
  const std::vector<uint8_t> bytes = Saved(layer);
  const size_t elementRect = findWord(bytes, 7, findWord(bytes, 36756)) + 4;
  const size_t groupRect = findWord(bytes, 1803) + 4;
  const int32_t L = kAnnCoordinateLimit;
  struct Case {
    const char* what;
    size_t at;
    uint32_t stored;
    int32_t held;
  } cases[] = {
      {"element rectangle's right edge at the integer limit", elementRect + 8, 0x7FFFFFFF, L},
      {"element rectangle's left edge far left of the page", elementRect, 0x80000000u, -L},
      {"element rectangle's top just past the range", elementRect + 4, uint32_t(-L - 1), -L},
      {"group rectangle's bottom at the integer limit", groupRect + 12, 0x7FFFFFFF, L},
      {"group rectangle's top far above the page", groupRect + 4, uint32_t(-L - 1), -L},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AnnLayer* target = NewLayer();
    ASSERT_EQ(LoadBytes(target, patched(bytes, c.at, c.stored)), ANN_OK);
    ASSERT_EQ(target->GetElementCount(), 1);
    EXPECT_EQ(target->GetGroupCount(), 1);
    // A group's rect is made again from its members when it is written: an element's held edge
    // is the group's edge too, and a group's own stored rect leaves no trace.
    std::vector<uint8_t> expected = bytes;
    if (c.at >= elementRect && c.at < elementRect + 16) {
      expected = patched(expected, c.at, uint32_t(c.held));
      expected = patched(expected, groupRect + (c.at - elementRect), uint32_t(c.held));
    }
    const std::vector<uint8_t> again = Saved(target);
    EXPECT_EQ(again, expected);
    AnnLayer* third = NewLayer();
    ASSERT_EQ(LoadBytes(third, again), ANN_OK);
    EXPECT_EQ(Saved(third), again);
  }
}

TEST(RectUtil, InflatingStopsAtTheIntegerRange) {
  const plat::RECT r = annInflateRect({INT32_MIN + 1, -5, INT32_MAX - 1, 5}, 4);
  EXPECT_EQ(r.left, INT32_MIN);
  EXPECT_EQ(r.top, -9);
  EXPECT_EQ(r.right, INT32_MAX);
  EXPECT_EQ(r.bottom, 9);
}

}  // namespace
