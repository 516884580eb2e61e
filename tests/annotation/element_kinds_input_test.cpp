// The point-list, text, stamp, button and image kinds driven with window messages through the
// engine interface of the loaded library, as the annotation control sends them.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine_host.h"
#include "kinds_host.h"

namespace {

TEST_F(KindsInputTest, PolygonIsDrawnWithClicksAndEndsOnDoubleClick) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYGON), ANN_OK);
  ClickPath({{100, 100}, {200, 100}, {200, 200}, {100, 200}});
  ASSERT_EQ(Count(), 1);
  int32_t id = First();
  EXPECT_EQ(Added(), std::vector<int32_t>{id});
  EXPECT_EQ(Points(id), (std::vector<plat::POINT>{{100, 100}, {200, 100}, {200, 200}, {100, 200}}));
  AnnValue count = 0;
  EXPECT_EQ(engine->GetElementProperty(layer, id, PROP_POINT_COUNT, &count), ANN_OK);
  EXPECT_EQ(count, 4);
  // The tool is armed again: a press and a double click on the same spot makes nothing.
  gEvents.clear();
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 400, 400);
  Send(plat::WM_LBUTTONUP, 0, 400, 400);
  Send(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, 400, 400);
  Send(plat::WM_LBUTTONUP, 0, 400, 400);
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(Added().empty());
}

TEST_F(KindsInputTest, PolylineLineAndFreehandAreDrawn) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYLINE), ANN_OK);
  ClickPath({{50, 50}, {150, 80}, {250, 50}});
  int32_t polyline = First();
  EXPECT_EQ(Points(polyline), (std::vector<plat::POINT>{{50, 50}, {150, 80}, {250, 50}}));

  // A line is a press, a drag and a release; a press and release on one spot makes none.
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Click(400, 400);
  EXPECT_EQ(Count(), 1);
  Drag(100, 300, 300, 300);
  ASSERT_EQ(Count(), 2);
  int32_t line = Last();
  EXPECT_EQ(Points(line), (std::vector<plat::POINT>{{100, 300}, {300, 300}}));

  // Freehand takes every move as a sample; the release point is not kept.
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_FREEHAND), ANN_OK);
  Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 100, 400);
  for (int i = 1; i <= 5; ++i) Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 100 + 10 * i, 400 + (i % 2) * 10);
  Send(plat::WM_LBUTTONUP, 0, 150, 410);
  ASSERT_EQ(Count(), 3);
  int32_t stroke = Last();
  EXPECT_EQ(Points(stroke).size(), 5u);
  EXPECT_EQ(Points(stroke).front().x, 100);
}

TEST_F(KindsInputTest, LineArrowheadGrowsTheBoundsByItsWings) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Drag(100, 300, 300, 300);
  int32_t plain = Last();
  ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_LINE, PROP_ARROWHEAD, 1), ANN_OK);
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Drag(100, 300, 300, 300);
  int32_t arrow = Last();
  plat::RECT a = RectOf(plain), b = RectOf(arrow);
  // The wings are a fortieth of the page long at 25 degrees: about 8.9 pixels to each side of
  // an 800 x 600 page's horizontal line, reaching back about 19 pixels from the tip.
  EXPECT_LE(b.top, 300 - 7);
  EXPECT_GE(b.bottom, 300 + 7);
  EXPECT_LT(b.top, a.top);
  // A line whose ends coincide has no direction and no wings, and draws without failing.
  plat::POINT same{200, 200};
  ASSERT_EQ(engine->SetElementPoint(layer, arrow, 0, same), ANN_OK);
  ASSERT_EQ(engine->SetElementPoint(layer, arrow, 1, same), ANN_OK);
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  plat::DeleteDC(dc);
}

TEST_F(KindsInputTest, PointListsHitByTheirStrokeOrFill) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYLINE), ANN_OK);
  ClickPath({{100, 100}, {300, 100}, {300, 300}});
  int32_t polyline = Last();
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYGON), ANN_OK);
  ClickPath({{400, 100}, {600, 100}, {600, 300}, {400, 300}});
  int32_t polygon = Last();
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);

  struct Case {
    int32_t x, y, selected;
  } cases[] = {
      {200, 100, polyline}, {250, 100, polyline}, {300, 200, polyline},  // on the stroke
      {200, 105, 0},        {250, 200, 0},                               // beside it, inside its box
      {500, 200, polygon},  {401, 299, polygon},                         // inside the filled polygon
      {700, 200, 0},
  };
  for (const Case& c : cases) {
    engine->SelectAllElements(layer, 0);
    Click(c.x, c.y);
    int32_t id = 0;
    engine->GetFirstSelectedElement(layer, &id);
    EXPECT_EQ(id, c.selected) << c.x << "," << c.y;
  }
  // Without a fill only the outline hits.
  ASSERT_EQ(engine->SetElementProperty(layer, polygon, PROP_FILL_COLOR, -1), ANN_OK);
  engine->SelectAllElements(layer, 0);
  Click(500, 200);
  EXPECT_FALSE(engine->HasSelection(layer));
  Click(500, 100);
  EXPECT_TRUE(engine->HasSelection(layer));
}

TEST_F(KindsInputTest, GrabbedPointMovesAloneAndTheBodyMovesWhole) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_LINE), ANN_OK);
  Drag(100, 300, 300, 300);
  int32_t line = Last();
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POINTER), ANN_OK);
  Click(200, 300);  // select
  gEvents.clear();
  Drag(300, 300, 320, 350);  // the end point
  EXPECT_EQ(Points(line), (std::vector<plat::POINT>{{100, 300}, {320, 350}}));
  EXPECT_FALSE(Codes({EVT_ELEMENT_CHANGED}).empty());
  Drag(210, 325, 160, 325);  // the body, away from both points
  EXPECT_EQ(Points(line), (std::vector<plat::POINT>{{50, 300}, {270, 350}}));
  // Moved against the left edge it stops with its leftmost point at 0.
  Drag(160, 325, 60, 325);
  EXPECT_EQ(Points(line).front().x, 0);
}

TEST_F(KindsInputTest, MirrorRotateAndSetRectTransformThePoints) {
  ASSERT_EQ(engine->SetCurrentTool(layer, TOOL_POLYGON), ANN_OK);
  ClickPath({{100, 100}, {200, 120}, {150, 250}});
  int32_t id = Last();
  const auto start = Points(id);

  engine->MirrorAllLeftRight(800, 600);
  EXPECT_EQ(Points(id), (std::vector<plat::POINT>{{699, 100}, {599, 120}, {649, 250}}));
  engine->MirrorAllLeftRight(800, 600);
  engine->MirrorAllTopBottom(800, 600);
  EXPECT_EQ(Points(id)[0].y, 499);
  engine->MirrorAllTopBottom(800, 600);

  engine->RotateAll(800, 600, 90.0f);
  engine->RotateAll(600, 800, 270.0f);
  auto back = Points(id);
  for (size_t i = 0; i < start.size(); ++i) {
    EXPECT_NEAR(back[i].x, start[i].x, 2) << i;
    EXPECT_NEAR(back[i].y, start[i].y, 2) << i;
  }
  engine->RotateAll(800, 600, 45.0f);
  EXPECT_EQ(Points(id), back);

  // A new rect scales the points into it instead of being ignored.
  ASSERT_EQ(engine->SetElementRect(layer, id, 300, 300, 200, 260), ANN_OK);
  plat::RECT r = RectOf(id);
  EXPECT_NEAR(r.left, 300, 1);
  EXPECT_NEAR(r.top, 300, 1);
  EXPECT_NEAR(r.right, 500, 1);
  EXPECT_NEAR(r.bottom, 560, 1);
  auto scaled = Points(id);
  EXPECT_NEAR(scaled[0].x, 302, 1);  // the leftmost point sits inside the pen margin
  EXPECT_NEAR(scaled[2].y, 558, 1);  // and the lowest one too
}

}  // namespace
