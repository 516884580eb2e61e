// The zoom panel's text and the thumbnail grid.
#include "workspace/view_text.h"

#include <gtest/gtest.h>

namespace {

using namespace modView;

TEST(ZoomText, CutsTwoDigitsAfterThePointAndNeverRounds) {
  struct Case {
    float zoom;
    const char* text;
  };
  const Case cases[] = {{1.0f, "100%"}, {1.1f, "110%"},     {0.59049f, "59.04%"}, {0.729f, "72.89%"},
                        {4.0f, "400%"}, {0.25f, "25%"},     {0.2f, "20%"},        {0.123456f, "12.34%"}};
  for (const Case& c : cases) EXPECT_EQ(fnZoomText(c.zoom), QString::fromLatin1(c.text)) << c.zoom;
  EXPECT_EQ(fnSingleText(0.72899997f * 100.0f), QStringLiteral("72.89999"));
  EXPECT_EQ(fnSingleText(110.0f), QStringLiteral("110"));
}

TEST(ThumbGrid, ColumnsFollowTheViewportWidth) {
  struct Case {
    double width;
    int count;
    int columns;
    int rows;
  };
  const Case cases[] = {
      {280 + 2 * 1740, 5, 1, 5},  // exactly 280 + k x 1740: k - 1 columns
      {280 + 2 * 1740 + 1, 5, 2, 3},
      {280 + 4 * 1740, 7, 3, 3},
      {2020, 3, 1, 3},
      {100, 2, 1, 2},  // narrower than the margin: still one column
      {5000, 0, 2, 0},
  };
  for (const Case& c : cases) {
    const ThumbGrid g = fnThumbGrid(c.width, c.count);
    EXPECT_EQ(g.columns, c.columns) << c.width;
    EXPECT_EQ(g.rows, c.rows) << c.width;
  }
}

}  // namespace
