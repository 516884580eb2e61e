// Values the host hands the engine and gets back: copied strings, user strings that change only
// when their text does, and element ids that stay unique.
#include "engine_host.h"

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
