// The page view's input rules without a window: the mouse modes and the floating area's states.
#include "workspace/page_view_state.h"

#include <gtest/gtest.h>

namespace {

using ws::FloatingArea;
using ws::MouseMode;

TEST(PageViewModes, EachModeSetsItsPointerAndOnlyTheArrowKeepsAnAnnotationTool) {
  struct Case {
    const char* key;
    MouseMode mode;
    int16_t pointer;
    int32_t tool;
    bool closesPalette;
    bool endsRubberBand;
  } cases[] = {
      {"selarrow", MouseMode::Arrow, ws::kPointerArrow, TOOL_POINTER, false, true},
      {"selhand", MouseMode::Hand, ws::kPointerCustom, TOOL_NONE, true, true},
      {"selrect", MouseMode::Rect, ws::kPointerCross, TOOL_NONE, true, false},
      {"selmagnify", MouseMode::Magnify, ws::kPointerMagnify, TOOL_NONE, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ws::fnModeForKey(c.key), c.mode) << c.key;
    EXPECT_EQ(ws::fnKeyForMode(c.mode), QString::fromLatin1(c.key));
    const ws::ModeSettings s = ws::fnModeSettings(c.mode);
    EXPECT_EQ(s.pointer, c.pointer) << c.key;
    EXPECT_EQ(s.annotationTool, c.tool) << c.key;
    EXPECT_EQ(s.closesPalette, c.closesPalette) << c.key;
    EXPECT_EQ(s.endsRubberBand, c.endsRubberBand) << c.key;
  }
  EXPECT_EQ(ws::fnModeForKey("SelHand"), MouseMode::None);
}

TEST(FloatingAreaState, PasteDragReleaseAndCommitGoThroughTheirStates) {
  FloatingArea a;
  EXPECT_EQ(a.press(5, 5, ws::kPointerSizeAll), FloatingArea::Press::Ignored);
  a.paste(40, 30);
  EXPECT_EQ(a.state(), FloatingArea::State::Pending);
  // Strictly inside: the edges are outside.
  EXPECT_EQ(a.hoverPointer(10, 10), ws::kPointerSizeAll);
  EXPECT_EQ(a.hoverPointer(0, 10), ws::kPointerCross);
  EXPECT_EQ(a.hoverPointer(40, 10), ws::kPointerCross);
  // Picked up 10, 10 inside; it follows the pointer.
  EXPECT_EQ(a.press(10, 10, ws::kPointerSizeAll), FloatingArea::Press::StartDrag);
  EXPECT_TRUE(a.dragging());
  const ws::PageGeometry g{0, 0, 1.0, 200, 100};
  EXPECT_EQ(a.dragTo(60.4, 30.6, g), QPoint(50, 21));
  EXPECT_EQ(a.release(70, 40), QPoint(60, 30));
  EXPECT_EQ(a.state(), FloatingArea::State::Pending);
  // Written into the page at the image pixel of its top-left.
  EXPECT_EQ(a.commit({20, 10, 2.0, 200, 100}), QPoint(40, 20));
  EXPECT_FALSE(a.pending());
}

TEST(FloatingAreaState, PressingBesideTheAreaCommitsItAndDeleteDropsIt) {
  FloatingArea a;
  a.paste(40, 30);
  EXPECT_EQ(a.press(100, 100, ws::kPointerCross), FloatingArea::Press::Commit);
  EXPECT_TRUE(a.pending());  // the caller commits
  a.drop();
  EXPECT_EQ(a.state(), FloatingArea::State::None);
  a.paste(40, 30);
  a.press(5, 5, ws::kPointerSizeAll);
  a.drop();
  EXPECT_FALSE(a.dragging());
}

// While moving, the area stops at the picture's edges; where the pointer lets go, it stays.
TEST(FloatingAreaState, DragKeepsTheAreaOnThePictureButTheReleaseDoesNot) {
  struct Case {
    double x, y;
    ws::PageGeometry g;
    QPoint want;
  } cases[] = {
      {-20, -5, {0, 0, 1.0, 200, 100}, QPoint(0, 0)},      // before the start
      {300, 90, {0, 0, 1.0, 200, 100}, QPoint(160, 70)},   // past the end: pulled back
      {300, 90, {50, 20, 1.0, 200, 100}, QPoint(110, 50)}, // scrolled
      {300, 90, {0, 0, 2.0, 200, 100}, QPoint(300, 90)},   // zoomed: the picture is larger
      {390, 190, {0, 0, 2.0, 200, 100}, QPoint(360, 170)},
      // Pulled back once and not tested again: a picture narrower than the area gives a negative place.
      {30, 5, {0, 0, 1.0, 20, 100}, QPoint(-20, 5)},
  };
  for (const Case& c : cases) {
    FloatingArea a;
    a.paste(40, 30);
    a.press(1, 1, ws::kPointerSizeAll);
    EXPECT_EQ(a.dragTo(c.x + 1, c.y + 1, c.g), c.want) << c.x << "," << c.y;
    EXPECT_EQ(a.release(c.x + 1, c.y + 1), QPoint(static_cast<int>(c.x), static_cast<int>(c.y)));
  }
}

TEST(FloatingAreaState, PointerOutsideTheViewScrollsOneStepTowardsIt) {
  EXPECT_EQ(ws::fnAutoScroll(-1, 100), -1);
  EXPECT_EQ(ws::fnAutoScroll(0, 100), 0);
  EXPECT_EQ(ws::fnAutoScroll(100, 100), 0);
  EXPECT_EQ(ws::fnAutoScroll(101, 100), 1);
}

}  // namespace
