// Coordinate mapping, rounding at the edges and grab-handle placement.
#include <gtest/gtest.h>

#include <cmath>

#include "annotation/ann_codes.h"
#include "annotation/view.h"
#include "platform/graphics/gdi.h"

namespace {

constexpr int32_t kSpan = ANN_LOGICAL_SPAN;

struct Geometry {
  int32_t width, height;
  float zoomX, zoomY;
  plat::RECT dest;
  int32_t scrollX, scrollY;
};

AnnView makeView(const Geometry& g) {
  AnnView v;
  v.SetSync([](void*) { return true; }, nullptr);
  plat::RECT src{g.scrollX, g.scrollY, g.width, g.height};
  v.SetGeometry(g.dest, src, g.width, g.height, g.zoomX, g.zoomY, 0);
  v.SetHandleSize(6);
  return v;
}

plat::POINT toDevice(AnnView& v, plat::POINT p) {
  v.LogicalToDevice(&p, &p, 1);
  return p;
}
plat::POINT toLogical(AnnView& v, plat::POINT p) {
  v.DeviceToLogical(&p, &p, 1);
  return p;
}

}  // namespace

TEST(ViewTest, LogicalToDeviceCases) {
  struct Case {
    Geometry g;
    plat::POINT logical;
    plat::POINT device;
  } cases[] = {
      // Half the span is half the image, shifted by the destination origin.
      {{800, 600, 1, 1, {10, 20, 810, 620}, 0, 0}, {kSpan / 2, kSpan / 2}, {410, 320}},
      // The scroll origin is subtracted on the zoomed side.
      {{800, 600, 2, 2, {0, 0, 800, 600}, 100, 50}, {kSpan / 2, kSpan / 2}, {700, 550}},
      // A fractional zoom truncates the zoomed pixel, then rounds the shifted value.
      {{800, 600, 1.5f, 1.5f, {0, 0, 800, 600}, 0, 0},
       {plat::MulDiv(3, kSpan, 800), plat::MulDiv(3, kSpan, 600)},
       {4, 4}},
      // MulDiv rounds half away from zero: 1.5 image pixels become 2, -1.5 become -2.
      {{2, 2, 1, 1, {0, 0, 2, 2}, 0, 0}, {kSpan * 3 / 4, -kSpan * 3 / 4}, {2, -2}},
      // Negative device values under zoom move toward zero: -3 * 0.5 = -1.5 -> -1 + 0.5 -> 0.
      {{100, 100, 0.5f, 0.5f, {0, 0, 50, 50}, 0, 0}, {-kSpan * 3 / 100, 0}, {0, 0}},
      // Outside the image on both sides still maps linearly.
      {{100, 100, 1, 1, {5, 5, 105, 105}, 0, 0}, {kSpan * 2, -kSpan}, {205, -95}},
  };
  for (const auto& c : cases) {
    AnnView v = makeView(c.g);
    EXPECT_EQ(toDevice(v, c.logical), c.device) << c.logical.x << "," << c.logical.y;
  }
}

TEST(ViewTest, DeviceToLogicalRoundsHalfUpUnderZoom) {
  AnnView v = makeView({800, 600, 0.5f, 0.5f, {0, 0, 400, 300}, 0, 0});
  // Device 3 at zoom 0.5 is image pixel 6.
  EXPECT_EQ(toLogical(v, {3, 3}).x, plat::MulDiv(6, kSpan, 800));
  AnnView plain = makeView({800, 600, 1, 1, {40, 30, 840, 630}, 0, 0});
  EXPECT_EQ(toLogical(plain, {440, 330}), (plat::POINT{kSpan / 2, kSpan / 2}));
}

TEST(ViewTest, PixelsSurviveTheRoundTripAtEveryZoomAndScroll) {
  // Device positions stay at or right of 0 here: left of it the mapping truncates toward zero
  // (covered by the cases above).
  const Geometry geometries[] = {
      {800, 600, 1, 1, {0, 0, 800, 600}, 0, 0},      {800, 600, 2, 2, {52, 37, 800, 600}, 40, 30},
      {1700, 2200, 0.25f, 0.25f, {3, 3, 500, 600}, 0, 0}, {640, 480, 1.5f, 3.0f, {30, 20, 900, 900}, 15, 9},
      {333, 777, 0.37f, 0.41f, {20, 10, 200, 400}, 0, 0}};
  for (const auto& g : geometries) {
    AnnView v = makeView(g);
    for (int32_t px : {0, 1, 7, g.width / 2, g.width - 1}) {
      for (int32_t py : {0, 3, g.height / 3, g.height - 1}) {
        plat::POINT logical{plat::MulDiv(px, kSpan, g.width), plat::MulDiv(py, kSpan, g.height)};
        plat::POINT back = toLogical(v, toDevice(v, logical));
        plat::POINT pixels;
        v.LogicalToPixels(&back, &pixels, 1);
        // Under zoom below 1 several pixels share a device pixel; the error is below one step.
        int32_t tolX = g.zoomX < 1 ? int32_t(1 / g.zoomX) : 0;
        int32_t tolY = g.zoomY < 1 ? int32_t(1 / g.zoomY) : 0;
        EXPECT_LE(std::abs(pixels.x - px), tolX) << g.width << " zoom " << g.zoomX << " px " << px;
        EXPECT_LE(std::abs(pixels.y - py), tolY) << g.height << " zoom " << g.zoomY << " py " << py;
      }
    }
  }
}

TEST(ViewTest, EmptyImageDoesNotTrap) {
  AnnView v = makeView({0, 0, 1, 1, {0, 0, 0, 0}, 0, 0});
  plat::POINT p{100, 100};
  v.DeviceToLogical(&p, &p, 1);
  EXPECT_EQ(p, (plat::POINT{-1, -1}));  // MulDiv answers -1 for a zero divisor
  int32_t x = 5, y = 5;
  v.LengthToLogical(10, &x, &y);
  EXPECT_EQ(x, -1);
  v.LengthToLogical(0, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  // A zoom of 0 or NaN from a confused host is taken as no zoom instead of dividing by it.
  v.SetGeometry({0, 0, 10, 10}, {0, 0, 10, 10}, 10, 10, 0.0f, std::nanf(""), 0);
  EXPECT_FALSE(v.IsZoomed());
}

TEST(ViewTest, LengthsFollowTheZoom) {
  AnnView v = makeView({1000, 500, 1.5f, 2.0f, {0, 0, 1500, 1000}, 0, 0});
  int32_t x = 0, y = 0;
  v.ZoomLength(3, &x, &y);
  EXPECT_EQ(x, 5);  // 4.5 + 0.5 truncated
  EXPECT_EQ(y, 6);
  v.LengthToLogical(10, &x, &y);
  EXPECT_EQ(x, plat::MulDiv(15, kSpan, 1500));
  EXPECT_EQ(y, plat::MulDiv(20, kSpan, 1000));
  EXPECT_EQ(v.DisplayedWidth(), 1500);
  EXPECT_EQ(v.DisplayedHeight(), 1000);
}

TEST(ViewTest, HandlesSitOnCornersAndMidpoints) {
  plat::RECT squares[8];
  AnnView::HandleSquares({10, 20, 31, 60}, 6, squares);
  const plat::RECT expected[8] = {{7, 17, 13, 23},  {28, 17, 34, 23}, {7, 57, 13, 63},  {28, 57, 34, 63},
                                  {7, 37, 13, 43},  {28, 37, 34, 43}, {17, 17, 23, 23}, {17, 57, 23, 63}};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(squares[i], expected[i]) << i;
  // Odd sizes round the half down; the midpoint of a reversed span halves by shifting.
  AnnView::HandleSquares({0, 0, -5, 0}, 5, squares);
  EXPECT_EQ(squares[6].left, -3 - 2);
}

TEST(ViewTest, HandleHitsExcludeRightAndBottomEdges) {
  AnnView v = makeView({100, 100, 1, 1, {0, 0, 100, 100}, 0, 0});
  auto L = [](int32_t px) { return plat::MulDiv(px, kSpan, 100); };
  plat::RECT logical{L(20), L(20), L(60), L(80)};
  struct Hit {
    int32_t x, y;
    int expected;
  } hits[] = {{17, 17, 0}, {22, 22, 0}, {23, 20, -1}, {20, 23, -1}, {59, 20, 1}, {62, 20, 1}, {63, 20, -1},
              {20, 80, 2}, {60, 80, 3}, {40, 20, 6}, {40, 80, 7}, {20, 50, 4}, {60, 50, 5}, {40, 50, -1}};
  for (const auto& h : hits) EXPECT_EQ(v.HitTestHandles(logical, L(h.x), L(h.y)), h.expected) << h.x << "," << h.y;
  // Where squares overlap on a tiny rect, the corners win in their fixed order.
  plat::RECT tiny{L(50), L(50), L(51), L(51)};
  EXPECT_EQ(v.HitTestHandles(tiny, L(50), L(50)), 0);
}

TEST(ViewTest, DrawHandlesPaintsBlackSquaresWithWhiteFrames) {
  AnnView v = makeView({100, 100, 1, 1, {0, 0, 100, 100}, 0, 0});
  plat::HDC dc = plat::CreateMemoryDC(100, 100, 0x808080);
  auto L = [](int32_t px) { return plat::MulDiv(px, kSpan, 100); };
  plat::HGDIOBJ pen = plat::GetCurrentObject(dc, plat::OBJ_PEN);
  v.DrawHandles({L(20), L(20), L(60), L(80)}, dc);
  EXPECT_EQ(plat::GetPixel(dc, 17, 17), 0xFFFFFFu);  // frame
  EXPECT_EQ(plat::GetPixel(dc, 19, 19), 0x000000u);  // inside
  EXPECT_EQ(plat::GetPixel(dc, 23, 23), 0x808080u);  // right/bottom edge is outside
  EXPECT_EQ(plat::GetPixel(dc, 40, 50), 0x808080u);
  EXPECT_EQ(plat::GetCurrentObject(dc, plat::OBJ_PEN), pen);  // previous pen restored
  plat::DeleteDC(dc);
}

TEST(ViewTest, NormalizeRectReportsWhatItSwapped) {
  plat::RECT r{10, 10, 0, 20};
  EXPECT_EQ(AnnView::NormalizeRect(&r), 4);
  EXPECT_EQ(r, (plat::RECT{0, 10, 10, 20}));
  r = {0, 30, 5, 20};
  EXPECT_EQ(AnnView::NormalizeRect(&r), 2);
  r = {9, 9, 1, 1};
  EXPECT_EQ(AnnView::NormalizeRect(&r), 6);
  EXPECT_EQ(AnnView::NormalizeRect(&r), 0);
}

TEST(ViewTest, StaleViewRefreshesOnceBeforeMapping) {
  int calls = 0;
  struct Ctx {
    int* calls;
    AnnView* view;
  };
  AnnView v;
  Ctx ctx{&calls, &v};
  v.SetSync(
      [](void* c) {
        auto* x = static_cast<Ctx*>(c);
        ++*x->calls;
        x->view->SetGeometry({0, 0, 100, 100}, {0, 0, 100, 100}, 100, 100, 1, 1, 0);
        return true;
      },
      &ctx);
  EXPECT_EQ(toDevice(v, {kSpan, kSpan}), (plat::POINT{100, 100}));
  toDevice(v, {0, 0});
  EXPECT_EQ(calls, 1);
  v.MarkStale();
  toDevice(v, {0, 0});
  EXPECT_EQ(calls, 2);
}
