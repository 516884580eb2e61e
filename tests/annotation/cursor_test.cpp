// The tool cursors the engine chooses for its layers and elements.
#include <gtest/gtest.h>

#include <QCursor>

#include "annotation/engine.h"
#include "platform/windows/window.h"

TEST(EngineCursors, ChosenByCodeOptionAndWhatTheLibraryHolds) {
  AnnEngine engine;
  engine.Initialise(0, nullptr);
  // System sizing cursors always; the four-way one is the engine's own move cursor.
  EXPECT_TRUE(engine.ChooseCursor(TOOL_RECTANGLE, int32_t(plat::IDC_SIZENS)));
  EXPECT_EQ(plat::GetCursor(), plat::LoadCursor(plat::IDC_SIZENS));
  EXPECT_TRUE(engine.ChooseCursor(TOOL_RECTANGLE, int32_t(plat::IDC_SIZEALL)));
  plat::HCURSOR move = plat::GetCursor();
  ASSERT_NE(move, nullptr);
  EXPECT_NE(move, plat::LoadCursor(plat::IDC_SIZEALL));

  struct Case {
    int32_t tool, code;
    bool chosen;
  } cases[] = {
      {TOOL_TEXT, 0, true},        // a copy of the system I-beam
      {TOOL_TEXT, 2, false},       // the library holds no picture for it
      {TOOL_RECTANGLE, 0, false},  // nor for drawing rectangles
      {TOOL_FREEHAND, 0, true},   {TOOL_STAMP, 0, true}, {TOOL_BUTTON, 0, true},
      {TOOL_POINTER, 0, false},   {TOOL_POINTER, 2, false},
  };
  for (const Case& c : cases) EXPECT_EQ(engine.ChooseCursor(c.tool, c.code), c.chosen) << c.tool << "/" << c.code;
  EXPECT_EQ(plat::CursorOf(plat::GetCursor())->shape(), Qt::BitmapCursor);

  // Code 1 (over an element) only with option 1; codes 0 and 2 only with option 0.
  EXPECT_FALSE(engine.ChooseCursor(TOOL_RECTANGLE, 1));
  ASSERT_EQ(engine.SetCursorOption(1, 1), ANN_OK);
  EXPECT_TRUE(engine.ChooseCursor(TOOL_RECTANGLE, 1));
  ASSERT_EQ(engine.SetCursorOption(0, 0), ANN_OK);
  EXPECT_FALSE(engine.ChooseCursor(TOOL_FREEHAND, 0));
  EXPECT_FALSE(engine.ChooseCursor(TOOL_TEXT, 0));
  EXPECT_TRUE(engine.ChooseCursor(TOOL_RECTANGLE, int32_t(plat::IDC_SIZEALL)));
  EXPECT_EQ(engine.SetCursorOption(3, 1), ERR_BAD_OPTION);
}
