// Rules of elements, the layer and its groups that callers rely on: property checks, geometry,
// ids and counters, tools and defaults, selection, groups and repaint areas.
#include <gtest/gtest.h>

#include "annotation/group.h"
#include "layer_fixture.h"

namespace {

class LayerRulesTest : public LayerFixture {
 protected:
  AnnValue Get(int32_t id, int32_t property, int32_t* result = nullptr) {
    AnnValue v = 0;
    int32_t r = layer->GetElementProperty(id, property, &v);
    if (result) *result = r;
    return v;
  }
  plat::RECT RectOf(int32_t id) {
    plat::RECT r{};
    AnnValue v = reinterpret_cast<AnnValue>(&r);
    layer->GetElementProperty(id, PROP_RECT, &v);
    return r;
  }
  int32_t Events(int32_t code) {
    return int32_t(std::count_if(annRecordedEvents().begin(), annRecordedEvents().end(),
                                 [&](const auto& e) { return e[0] == code; }));
  }
};

TEST_F(LayerRulesTest, HighlightAndHatchRules) {
  int32_t e = Place(TOOL_ELLIPSE, 10, 10, 50, 50);
  struct Step {
    int32_t property, value, result, backStyle;
  } steps[] = {
      {PROP_HIGHLIGHT_FILL, 1, ANN_OK, 3}, {PROP_HIGHLIGHT_FILL, 0, ANN_OK, 2}, {PROP_BACK_STYLE, 1, ANN_OK, 1},
      {PROP_HIGHLIGHT_FILL, 0, ANN_OK, 1}, {PROP_HATCH_STYLE, 0, ANN_OK, 1},    {PROP_HATCH_STYLE, 5, ANN_OK, 1},
      {PROP_HATCH_STYLE, 5999, ANN_OK, 1}, {PROP_HATCH_STYLE, 6, ERR_BAD_VALUE, 1},
      {PROP_HATCH_STYLE, 5998, ERR_BAD_VALUE, 1}, {PROP_HATCH_STYLE, -1, ERR_BAD_VALUE, 1},
      {PROP_ARROWHEAD, 1, ERR_NO_PROPERTY, 1}, {PROP_HIGHLIGHT_BACK, 1, ERR_NO_PROPERTY, 1},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(layer->SetElementProperty(e, s.property, s.value), s.result) << s.property << "=" << s.value;
    EXPECT_EQ(Get(e, PROP_BACK_STYLE), s.backStyle) << s.property << "=" << s.value;
  }
  EXPECT_EQ(Get(e, PROP_HATCH_STYLE), 5999);  // refused values change nothing
  int32_t r = 0;
  Get(e, PROP_ARROWHEAD, &r);
  EXPECT_EQ(r, ERR_NO_PROPERTY);
  EXPECT_EQ(Get(e, PROP_TYPE), TOOL_ELLIPSE);
  EXPECT_EQ(Get(e, PROP_POINT_COUNT), 2);
  Get(999, PROP_TYPE, &r);
  EXPECT_EQ(r, ERR_BAD_ELEMENT);
  plat::POINT p{};
  EXPECT_EQ(layer->GetElementPoint(e, 1, &p), ANN_OK);
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 50);
  EXPECT_EQ(layer->GetElementPoint(e, 2, &p), ERR_BAD_POINT_INDEX);
}

TEST_F(LayerRulesTest, RotationsComeBackExactly) {
  int32_t e = Place(TOOL_RECTANGLE, 10, 20, 110, 80);
  plat::RECT start = RectOf(e);
  struct Case {
    std::vector<float> angles;
  } cases[] = {{{45}}, {{180, 180}}, {{90, 270}}, {{-90, 90}}, {{90, 90, 90, 90}}};
  for (const Case& c : cases) {
    for (float a : c.angles) layer->RotateAll(0, 0, a);
    plat::RECT r = RectOf(e);
    EXPECT_EQ(r.left, start.left);
    EXPECT_EQ(r.top, start.top);
    EXPECT_EQ(r.right, start.right);
    EXPECT_EQ(r.bottom, start.bottom);
  }
  layer->RotateAll(0, 0, 90);
  plat::RECT r = RectOf(e);
  EXPECT_EQ(r.left, start.top);
  EXPECT_EQ(r.top, ANN_LOGICAL_SPAN - start.right);
}

TEST_F(LayerRulesTest, PlacedIdsAndCounters) {
  for (int i = 0; i < 7; ++i) Place(TOOL_RECTANGLE, 10, 10, 50, 50);
  EXPECT_EQ(layer->ElementIdCounter(), 7);
  auto placeWithId = [&](int32_t id) {
    layer->SetCurrentTool(TOOL_RECTANGLE);
    layer->CurrentElement()->SetId(id);
    plat::RECT rect{1, 1, 100, 100};
    bool changed = false;
    layer->CurrentElement()->SetProperty(PROP_RECT, reinterpret_cast<AnnValue>(&rect), &changed);
    return layer->PlaceElement(nullptr, false, true);
  };
  EXPECT_EQ(placeWithId(50), 50);
  EXPECT_EQ(layer->ElementIdCounter(), 50);
  EXPECT_EQ(placeWithId(3), 51);  // taken: the next counter value
  EXPECT_EQ(placeWithId(0), 52);
  int32_t id = 0;
  EXPECT_EQ(layer->GetElementIdByIndex(8, &id), ANN_OK);
  EXPECT_EQ(id, 50);
  EXPECT_EQ(layer->GetElementIdByIndex(0, &id), ERR_BAD_ELEMENT);
  EXPECT_EQ(layer->GetElementIdByIndex(11, &id), ERR_BAD_ELEMENT);
}

TEST_F(LayerRulesTest, LayerPropertiesAndFixedTime) {
  for (auto [key, value] : std::vector<std::pair<int32_t, AnnValue>>{
           {21, 1}, {513, 1}, {1800, 0}, {36751, 1}, {36752, 0}, {36753, 0}, {36766, 0}}) {
    AnnValue v = -1;
    EXPECT_EQ(layer->GetProperty(key, &v), ANN_OK) << key;
    EXPECT_EQ(v, value) << key;
  }
  EXPECT_EQ(layer->SetProperty(9999, 1), ERR_NO_PROPERTY);

  // A layer loaded under the special name does not take fixed times; one named so does.
  AnnLayer* named = NewLayer();
  named->SetProperty(LPROP_NAME, reinterpret_cast<AnnValue>(u"Copper Lantra"));
  AnnLayer* loaded = NewLayer();
  ASSERT_EQ(LoadBytes(loaded, Saved(named)), ANN_OK);
  int32_t fixedId = Place(TOOL_RECTANGLE, 1, 1, 20, 20, named);
  named->SetProperty(LPROP_NAME, reinterpret_cast<AnnValue>(u"Other"));
  int32_t stillFixed = Place(TOOL_RECTANGLE, 1, 1, 20, 20, named);
  int32_t free = Place(TOOL_RECTANGLE, 1, 1, 20, 20, loaded);
  auto timeOf = [](AnnLayer* l, int32_t id) {
    AnnValue v = 0;
    l->GetElementProperty(id, PROP_CREATION_TIME_T, &v);
    return int32_t(v);
  };
  EXPECT_EQ(timeOf(named, fixedId), 22968);
  EXPECT_EQ(timeOf(named, stillFixed), 22968);
  EXPECT_NE(timeOf(loaded, free), 22968);
  plat::VARIANT date;
  AnnValue v = reinterpret_cast<AnnValue>(&date);
  ASSERT_EQ(named->GetElementProperty(fixedId, PROP_CREATION_TIME, &v), ANN_OK);
  EXPECT_EQ(date.vt, plat::VT_DATE);
  EXPECT_NEAR(date.date, 25569.0 + 22968.0 / 86400.0, 1e-6);
}

TEST_F(LayerRulesTest, ToolsAndTheElementBeingDrawn) {
  annRecordedEvents().clear();
  layer->SetCurrentTool(TOOL_POINTER);
  layer->SetCurrentTool(TOOL_POINTER);
  EXPECT_EQ(Events(EVT_TOOL_CHANGED), 1);
  layer->SetCurrentTool(TOOL_RECTANGLE);
  layer->SetCurrentTool(TOOL_RECTANGLE);
  EXPECT_EQ(Events(EVT_TOOL_CHANGED), 3);
  EXPECT_NE(layer->CurrentElement(), nullptr);
  // A default set on the tool being drawn reaches the unplaced element at once.
  ASSERT_EQ(layer->SetToolDefault(TOOL_RECTANGLE, PROP_PEN_COLOR, 0x123456), ANN_OK);
  EXPECT_EQ(layer->CurrentElement()->Value(PROP_PEN_COLOR), 0x123456);
  EXPECT_EQ(layer->SetToolDefault(TOOL_RECTANGLE, PROP_ARROWHEAD, 1), ERR_NO_PROPERTY);
  // A string default whose cell the engine left empty gets one of the layer's own.
  ASSERT_EQ(layer->SetToolDefault(TOOL_RECTANGLE, PROP_USER_STRING2, reinterpret_cast<AnnValue>(u"note")), ANN_OK);
  AnnValue text = 0;
  ASSERT_EQ(layer->GetToolDefault(TOOL_RECTANGLE, PROP_USER_STRING2, &text), ANN_OK);
  EXPECT_EQ(plat::SysToU16(reinterpret_cast<plat::BSTR>(text)), u"note");
  plat::SysFreeString(reinterpret_cast<plat::BSTR>(text));

  // Clearing the selection keeps the element being drawn, neither lost nor leaked.
  int32_t placed = Place(TOOL_ELLIPSE, 10, 10, 50, 50);
  layer->SetCurrentTool(TOOL_RECTANGLE);
  AnnElement* unplaced = layer->CurrentElement();
  layer->SetElementProperty(placed, PROP_SELECTED, 1);
  annRecordedEvents().clear();
  layer->ClearSelection();
  EXPECT_EQ(layer->CurrentElement(), unplaced);
  EXPECT_EQ(Events(EVT_SELECTION_CHANGED), 1);
  annRecordedEvents().clear();
  layer->ClearSelection();  // nothing selected: no event
  EXPECT_TRUE(annRecordedEvents().empty());
}

TEST_F(LayerRulesTest, GroupMembershipRules) {
  int32_t e = Place(TOOL_RECTANGLE, 10, 10, 50, 50);
  int32_t g3 = 0, g5 = 0;
  layer->CreateGroup(nullptr, 0, &g3);
  layer->CreateGroup(nullptr, 0, &g5);
  ASSERT_EQ(layer->AddElementToGroup(g3, e), ANN_OK);
  ASSERT_EQ(layer->AddElementToGroup(g5, e), ANN_OK);
  int32_t count = -1, group = 0;
  layer->GetGroupMemberCount(g3, &count);
  EXPECT_EQ(count, 0);
  layer->GetElementGroup(e, &group);
  EXPECT_EQ(group, g5);
  EXPECT_EQ(layer->AddElementToGroup(g5, e), ANN_OK);  // leaves and joins again
  EXPECT_EQ(layer->AddElementToGroup(99, e), ERR_BAD_GROUP);
  EXPECT_EQ(layer->AddElementToGroup(g5, 99), ERR_BAD_ELEMENT);
  EXPECT_EQ(layer->RemoveElementFromGroup(g3, e), ERR_NOT_IN_GROUP);
  EXPECT_EQ(layer->AddElementsOfTypeToGroup(g3, TOOL_POINTER), ERR_BAD_TOOL);

  // Inactive groups ignore selection; names are found exactly.
  EXPECT_EQ(layer->SetGroupSelected(g5, 1), ANN_OK);
  bool selected = true;
  layer->GetGroupSelected(g5, &selected);
  EXPECT_FALSE(selected);
  int32_t found = -1;
  EXPECT_EQ(layer->FindGroupByName(reinterpret_cast<plat::BSTR>(const_cast<char16_t*>(u"none")), &found), ANN_OK);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(layer->FindGroupByName(nullptr, &found), ANN_OK);
  EXPECT_EQ(found, g3);

  // After the group is gone its former member answers no group.
  EXPECT_EQ(layer->DeleteGroup(g5), ANN_OK);
  layer->GetElementGroup(e, &group);
  EXPECT_EQ(group, 0);
  EXPECT_EQ(layer->DeleteGroup(g5), ERR_BAD_GROUP);
  // Deleting a member takes it out of its group.
  layer->AddElementToGroup(g3, e);
  layer->DeleteElement(e);
  layer->GetGroupMemberCount(g3, &count);
  EXPECT_EQ(count, 0);
}

TEST_F(LayerRulesTest, GroupHandlesTurnWhenDraggedAcross) {
  AnnGroup g(1);
  g.rect = {annLx(100), annLy(100), annLx(200), annLy(150)};
  g.handle = 6;  // top middle, dragged 80 pixels down past the bottom
  EXPECT_EQ(g.ResizeByHandle(0, 80, 800, 600), 2);
  EXPECT_EQ(g.handle, 7);
  EXPECT_DOUBLE_EQ(g.yFactor, 30.0 / 50.0);
  EXPECT_DOUBLE_EQ(g.xFactor, 1.0);
  g.handle = 0;  // top-left dragged right past the right edge
  EXPECT_EQ(g.ResizeByHandle(150, 0, 800, 600), 4);
  EXPECT_EQ(g.handle, 1);
  // Members of a group without width are not scaled with an endless factor.
  int32_t e = Place(TOOL_RECTANGLE, 10, 10, 50, 50);
  plat::RECT before = RectOf(e);
  AnnElement* element = layer->FindElement(e);
  element->BeginScaleSnapshot();
  element->ScaleToRect(1, 1, {10, 10, 10, 50}, {10, 10, 30, 50}, 0, 1);
  element->EndScaleSnapshot();
  EXPECT_EQ(RectOf(e).right, before.right);
}

TEST_F(LayerRulesTest, RepaintsCoverTheHandles) {
  int32_t e = Place(TOOL_RECTANGLE, 100, 100, 200, 150);
  layer->SetElementProperty(e, PROP_SELECTED, 1);
  plat::UpdateWindow(window);
  ASSERT_EQ(layer->SetElementProperty(e, PROP_PEN_COLOR, 0x0000FF), ANN_OK);
  plat::RECT dirty{};
  ASSERT_TRUE(plat::GetUpdateRect(window, &dirty));
  int32_t half = engine.HandleSize() / 2;
  EXPECT_LE(dirty.left, 100 - half);
  EXPECT_LE(dirty.top, 100 - half);
  EXPECT_GE(dirty.right, 200 + half);
  EXPECT_GE(dirty.bottom, 150 + half);
}

TEST_F(LayerRulesTest, GroupGeometryMovesItsMembers) {
  int32_t a = Place(TOOL_RECTANGLE, 100, 100, 200, 150);
  int32_t b = Place(TOOL_ELLIPSE, 300, 200, 400, 300);
  int32_t g = 0;
  layer->CreateGroup(nullptr, 0, &g);
  layer->AddElementToGroup(g, a);
  layer->AddElementToGroup(g, b);
  auto pixels = [&](int32_t id) {
    plat::RECT r = RectOf(id);
    return std::vector<int32_t>{plat::MulDiv(r.left, 800, ANN_LOGICAL_SPAN), plat::MulDiv(r.top, 600, ANN_LOGICAL_SPAN),
                                plat::MulDiv(r.right, 800, ANN_LOGICAL_SPAN),
                                plat::MulDiv(r.bottom, 600, ANN_LOGICAL_SPAN)};
  };
  auto near = [](std::vector<int32_t> got, std::vector<int32_t> want) {
    for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 1) << i;
  };
  // The group spans 100..400 x 100..300; halving it about its own corner halves every member.
  ASSERT_EQ(layer->SetGroupRect(g, 100, 100, 150, 100), ANN_OK);
  near(pixels(a), {100, 100, 150, 125});
  near(pixels(b), {200, 150, 250, 200});
  plat::RECT gr{};
  layer->RecalcGroupRect(g, &gr);
  EXPECT_NEAR(plat::MulDiv(gr.right, 800, ANN_LOGICAL_SPAN), 250, 1);

  // Mirrored left-right inside the group rect, the members trade sides.
  ASSERT_EQ(layer->MirrorGroup(g, 4), ANN_OK);
  near(pixels(a), {199, 100, 249, 125});
  near(pixels(b), {99, 150, 149, 200});
  ASSERT_EQ(layer->MirrorGroup(g, 2), ANN_OK);
  near(pixels(a), {199, 174, 249, 199});

  // Removing the ellipses leaves the rectangle; an active group takes the selection as a unit.
  ASSERT_EQ(layer->RemoveElementsOfTypeFromGroup(g, TOOL_ELLIPSE), ANN_OK);
  int32_t count = 0, groupOf = -1;
  layer->GetGroupMemberCount(g, &count);
  EXPECT_EQ(count, 1);
  layer->GetElementGroup(b, &groupOf);
  EXPECT_EQ(groupOf, 0);
  layer->SetGroupActive(g, 1);
  layer->SetElementProperty(b, PROP_SELECTED, 1);
  ASSERT_EQ(layer->AddSelectionToGroup(g), ANN_OK);
  EXPECT_FALSE(layer->HasSelection());
  bool selected = false;
  layer->GetGroupSelected(g, &selected);
  EXPECT_TRUE(selected);
  layer->GetGroupMemberCount(g, &count);
  EXPECT_EQ(count, 2);
  // Ctrl+U style removal of a group leaves its members where they are.
  ASSERT_EQ(layer->ClearGroup(g), ANN_OK);
  layer->GetGroupMemberCount(g, &count);
  EXPECT_EQ(count, 0);
  layer->GetGroupSelected(g, &selected);
  EXPECT_FALSE(selected);
}

}  // namespace
