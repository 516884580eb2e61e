// Values the host hands the engine and gets back: copied strings, user strings that change only
// when their text does, and element ids that stay unique.
#include <climits>
#include <cstdlib>
#include <functional>

#include "engine_host.h"
#include "platform/graphics/gdi.h"

namespace {

int gChanges = 0;
int32_t onChanged(intptr_t, AnnLayerHandle, int32_t, int32_t) {
  ++gChanges;
  return 0;
}

}  // namespace

class EngineValuesTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->SetDefaultViewSize(1000, 800);
    layer = engine->CreateLayer(1);
    gChanges = 0;
  }
  int32_t MakeRect() { return MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {10, 10, 100, 100}); }
  AnnLayerHandle layer = 0;
};

TEST_F(EngineValuesTest, EngineWideStringDefaultIsACopy) {
  plat::BSTR text = plat::SysAllocString(u"reviewed");
  ASSERT_EQ(engine->SetToolDefault(TOOL_RECTANGLE, PROP_USER_STRING2, reinterpret_cast<AnnValue>(text)), ANN_OK);
  plat::SysFreeString(text);  // the caller's string is gone; the engine must not need it
  AnnLayerHandle later = engine->CreateLayer(1);
  AnnValue got = 0;
  ASSERT_EQ(engine->GetLayerToolDefault(later, TOOL_RECTANGLE, PROP_USER_STRING2, &got), ANN_OK);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(got)), u"reviewed");
  plat::BSTR other = plat::SysAllocString(u"signed");
  EXPECT_EQ(engine->SetLayerToolDefault(later, TOOL_RECTANGLE, PROP_USER_STRING2, reinterpret_cast<AnnValue>(other)),
            ANN_OK);
  plat::SysFreeString(other);
  ASSERT_EQ(engine->GetLayerToolDefault(later, TOOL_RECTANGLE, PROP_USER_STRING2, &got), ANN_OK);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(got)), u"signed");
  // The current layer took the value too.
  ASSERT_EQ(engine->GetLayerToolDefault(layer, TOOL_RECTANGLE, PROP_USER_STRING2, &got), ANN_OK);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(got)), u"reviewed");
}

TEST_F(EngineValuesTest, UserStringChangesOnlyWithItsTextAndKeepsNoCopies) {
  engine->SetHostCallback(HOSTCB_PROPERTY_CHANGED, annCallback(&onChanged));
  int32_t id = MakeRect();
  plat::BSTR text = plat::SysAllocString(u"note");
  size_t strings = plat::SysLiveStrings();
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(engine->SetElementProperty(layer, id, PROP_USER_STRING, reinterpret_cast<AnnValue>(text)), ANN_OK);
  EXPECT_EQ(gChanges, 1) << "the same text again is no change";
  EXPECT_EQ(plat::SysLiveStrings(), strings) << "the element's copy replaced its empty string; none leaked";
  plat::SysFreeString(text);
  AnnValue got = 0;
  engine->GetElementProperty(layer, id, PROP_USER_STRING, &got);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(got)), u"note");
}

TEST_F(EngineValuesTest, ElementIdsStayUnique) {
  int32_t a = MakeRect();
  int32_t b = MakeRect();
  EXPECT_EQ(engine->SetElementProperty(layer, a, PROP_ELEMENT_ID, 40), ANN_OK);
  int32_t c = MakeRect();
  EXPECT_NE(c, 40) << "the counter moved past the id that was set";
  EXPECT_EQ(engine->SetElementProperty(layer, c, PROP_ELEMENT_ID, b), ERR_BAD_VALUE) << "an id in use is refused";
  EXPECT_EQ(engine->SetElementProperty(layer, c, PROP_ELEMENT_ID, 0), ERR_BAD_VALUE);
  for (int32_t id : {40, b, c}) {
    AnnValue type = 0;
    EXPECT_EQ(engine->GetElementProperty(layer, id, PROP_TYPE, &type), ANN_OK) << id;
  }
  int32_t count = 0;
  engine->GetElementCount(layer, &count);
  EXPECT_EQ(count, 3);
}

// Positions, sizes and pen widths at the ends of what an int holds, handed in by a host: each is
// held within the range where the engine's arithmetic holds, so every element stays inside the
// sound range of the page (eight pages either side), pen widths stay within a billion, and what
// the engine saves afterwards reads back whole.
TEST_F(EngineValuesTest, HostValuesAtTheIntLimitsAreHeldWithinRange) {
  using Operation = std::function<void(AnnEngineInterface*, AnnLayerHandle, const std::vector<int32_t>&)>;
  auto eachElement = [](std::function<void(AnnEngineInterface*, AnnLayerHandle, int32_t)> f) -> Operation {
    return [f](AnnEngineInterface* e, AnnLayerHandle l, const std::vector<int32_t>& ids) {
      for (int32_t id : ids) f(e, l, id);
    };
  };
  auto groupRect = [](int32_t x, int32_t y, int32_t w, int32_t h) -> Operation {
    return [=](AnnEngineInterface* e, AnnLayerHandle l, const std::vector<int32_t>& ids) {
      int32_t g = 0;
      ASSERT_EQ(e->CreateGroup(l, &g, nullptr, 0), ANN_OK);
      for (int32_t id : ids) e->AddElementToGroup(l, g, id);
      e->SetGroupRect(l, g, x, y, w, h);
    };
  };
  const struct {
    const char* what;
    Operation apply;
  } cases[] = {
      {"rect with every edge at the largest int",
       eachElement([](auto* e, auto l, int32_t id) { e->SetElementRect(l, id, INT_MAX, INT_MAX, INT_MAX, INT_MAX); })},
      {"rect from the smallest int",
       eachElement([](auto* e, auto l, int32_t id) { e->SetElementRect(l, id, INT_MIN, INT_MIN, INT_MAX, 5); })},
      {"moved to the ends of the int range",
       eachElement([](auto* e, auto l, int32_t id) { e->MoveElementTo(l, id, INT_MIN, INT_MAX); })},
      {"first point at the ends of the int range",
       eachElement([](auto* e, auto l, int32_t id) { e->SetElementPoint(l, id, 0, {INT_MIN, INT_MAX}); })},
      {"pen of 1761017857 pixels",
       eachElement([](auto* e, auto l, int32_t id) { e->SetElementProperty(l, id, PROP_PEN_WIDTH, 1761017857); })},
      {"pen of a billion pixels, selected",
       eachElement([](auto* e, auto l, int32_t id) {
         e->SetElementProperty(l, id, PROP_PEN_WIDTH, 1000000000);
         e->SetElementProperty(l, id, PROP_SELECTED, 1);
       })},
      {"group rect with corners at the largest int", groupRect(INT_MAX, INT_MAX, INT_MAX, INT_MAX)},
      {"group rect from the smallest int to the largest", groupRect(INT_MIN, INT_MIN, -1, -1)},
      {"group rect a billion pixels wide", groupRect(-1000000000, 5, 2000000000, 2000000000)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    engine->DeleteAllLayers();
    layer = engine->CreateLayer(1);
    const std::vector<int32_t> ids = MakeOneOfEveryKind(engine, layer);
    c.apply(engine, layer, ids);
    for (int32_t id : ids) {
      plat::RECT r{};
      ASSERT_EQ(engine->GetElementRect(layer, id, &r), ANN_OK) << id;
      for (int32_t x : {r.left, r.right}) EXPECT_TRUE(x >= -8 * 1000 && x <= 8 * 1000) << id << ": x " << x;
      for (int32_t y : {r.top, r.bottom}) EXPECT_TRUE(y >= -8 * 800 && y <= 8 * 800) << id << ": y " << y;
      AnnValue pen = 0;
      if (engine->GetElementProperty(layer, id, PROP_PEN_WIDTH, &pen) == ANN_OK) {
        EXPECT_LE(std::abs(int64_t(pen)), 1000000000) << id;
      }
    }
    // Painted (frames, margins and text laid out with the held values), then saved and read back.
    plat::HDC dc = plat::CreateMemoryDC(100, 80);
    engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
    plat::DeleteDC(dc);
    plat::VARIANT saved;
    int32_t bytes = 0;
    ASSERT_EQ(engine->SaveAllToArray(&saved, &bytes), ANN_OK);
    AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
    EXPECT_EQ(other->LoadAllFromArray(&saved), ANN_OK);
    int32_t count = 0;
    other->GetElementCount(other->GetFirstLayer(), &count);
    EXPECT_EQ(count, int32_t(ids.size()));
    EngineLibrary::Get().deinit(other);
    plat::VariantClear(&saved);
  }
}
