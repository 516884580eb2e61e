// The drawing rules of the platform layer, pinned pixel by pixel.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/graphics/gdi.h"
#include "platform/graphics/gdi_objects.h"

namespace {

constexpr plat::COLORREF kWhite = 0xFFFFFF;
constexpr plat::COLORREF kRed = 0x0000FF;
constexpr plat::COLORREF kBlue = 0xFF0000;

// A small memory DC; rows() renders it as text ('#' for `ink`, '.' for the background, '?' else).
struct Canvas {
  explicit Canvas(int w, int h, plat::COLORREF fill = kWhite) : dc(plat::CreateMemoryDC(w, h, fill)), w(w), h(h) {}
  // Objects outlive the DC they are selected into, so the pen and brush a test left selected are
  // swapped for stock ones and freed here (deleting a stock object is refused, so that is safe).
  ~Canvas() {
    plat::DeleteObject(plat::SelectObject(dc, plat::GetStockObject(plat::BLACK_PEN)));
    plat::DeleteObject(plat::SelectObject(dc, plat::GetStockObject(plat::WHITE_BRUSH)));
    plat::DeleteDC(dc);
  }
  std::vector<std::string> rows(plat::COLORREF ink, plat::COLORREF background = kWhite) const {
    std::vector<std::string> out;
    for (int y = 0; y < h; ++y) {
      std::string line;
      for (int x = 0; x < w; ++x) {
        plat::COLORREF c = plat::GetPixel(dc, x, y);
        line += c == ink ? '#' : c == background ? '.' : '?';
      }
      out.push_back(line);
    }
    return out;
  }
  plat::HDC dc;
  int w, h;
};

using Rows = std::vector<std::string>;

void usePen(plat::HDC dc, int style, int width, plat::COLORREF colour) {
  plat::DeleteObject(plat::SelectObject(dc, plat::CreatePen(style, width, colour)));
}
void useBrush(plat::HDC dc, plat::HBRUSH brush) { plat::DeleteObject(plat::SelectObject(dc, brush)); }

}  // namespace

TEST(MulDivTest, RoundsHalfAwayFromZeroAndReportsZeroDivisors) {
  struct Case {
    int32_t n, num, den, expected;
  } cases[] = {{5, 3, 2, 8},         {-5, 3, 2, -8},        {5, -3, 2, -8},    {-5, -3, -2, -8}, {-5, -3, 2, 8},  {3, 1, 2, 2},
               {-3, 1, 2, -2},       {1, 1, 3, 0},          {2, 1, 3, 1},      {7, 0, 5, 0},     {1, 1, 0, -1},
               {0, 0, 0, -1},        {INT32_MAX, 2, 1, -1}, {INT32_MAX, 2, 2, INT32_MAX},
               {8388608, 800, 16777216, 400}, {16777216, 16777216, 16777216, 16777216}};
  for (const auto& c : cases) EXPECT_EQ(plat::MulDiv(c.n, c.num, c.den), c.expected) << c.n << "*" << c.num << "/" << c.den;
}

TEST(GdiRectangleTest, RightAndBottomEdgesAreExcluded) {
  Canvas c(8, 6);
  useBrush(c.dc, plat::CreateSolidBrush(kBlue));
  usePen(c.dc, plat::PS_SOLID, 1, kRed);
  plat::Rectangle(c.dc, 1, 1, 6, 5);
  EXPECT_EQ(c.rows(kRed), (Rows{"........", ".#####..", ".#???#..", ".#???#..", ".#####..", "........"}));
  EXPECT_EQ(plat::GetPixel(c.dc, 2, 2), kBlue);
}

TEST(GdiRectangleTest, WithoutAPenTheFillLosesTheLastRowAndColumn) {
  Canvas c(6, 5);
  plat::SelectObject(c.dc, plat::GetStockObject(plat::NULL_PEN));
  useBrush(c.dc, plat::CreateSolidBrush(kRed));
  plat::Rectangle(c.dc, 1, 1, 5, 4);
  EXPECT_EQ(c.rows(kRed), (Rows{"......", ".###..", ".###..", "......", "......"}));
}

TEST(GdiRectangleTest, WidePens) {
  // The outline alone (no brush) of a rectangle on a 9 by 9 canvas.
  auto outline = [](int style, int width, int32_t from, int32_t to) {
    Canvas c(9, 9);
    plat::SelectObject(c.dc, plat::GetStockObject(plat::NULL_BRUSH));
    usePen(c.dc, style, width, kRed);
    plat::Rectangle(c.dc, from, from, to, to);
    return c.rows(kRed);
  };
  // An inside-frame pen stays within the rectangle.
  EXPECT_EQ(outline(plat::PS_INSIDEFRAME, 2, 1, 8),
            (Rows{".........", ".#######.", ".#######.", ".##...##.", ".##...##.", ".##...##.", ".#######.", ".#######.",
                  "........."}));
  // A plain wide pen is centred on the outline and reaches outside it.
  EXPECT_EQ(outline(plat::PS_SOLID, 3, 2, 7),
            (Rows{".........", ".#######.", ".#######.", ".#######.", ".###.###.", ".#######.", ".#######.", ".#######.",
                  "........."}));
}

TEST(GdiLineTest, LinesLeaveOutTheirEndPoint) {
  Canvas c(6, 6);
  usePen(c.dc, plat::PS_SOLID, 1, kRed);
  plat::MoveToEx(c.dc, 0, 0, nullptr);
  plat::LineTo(c.dc, 5, 0);
  plat::LineTo(c.dc, 5, 5);
  const plat::POINT diag[] = {{0, 5}, {3, 2}};
  plat::Polyline(c.dc, diag, 2);
  EXPECT_EQ(c.rows(kRed), (Rows{"######", ".....#", ".....#", "..#..#", ".#...#", "#....."}));
  plat::POINT at;
  plat::MoveToEx(c.dc, 0, 0, &at);
  EXPECT_EQ(at, (plat::POINT{5, 5}));  // LineTo moved the current position
}

TEST(GdiLineTest, DashStylesApplyToOnePixelPensOnly) {
  struct Case {
    int style;
    int width;
    std::string row;
  } cases[] = {
      {plat::PS_DASH, 1, std::string(18, '#') + std::string(6, '.') + std::string(6, '#')},
      {plat::PS_DOT, 1, "###...###...###...###...###..."},
      {plat::PS_DASHDOT, 1, "#########......###......######"},
      {plat::PS_DASHDOTDOT, 1, "#########...###...###...######"},
      {plat::PS_SOLID, 1, std::string(30, '#')},
      {plat::PS_DASH, 2, std::string(30, '#')},  // wide pens are always solid
  };
  for (const auto& k : cases) {
    Canvas c(32, 3);
    usePen(c.dc, k.style, k.width, kRed);
    plat::MoveToEx(c.dc, 0, 1, nullptr);
    plat::LineTo(c.dc, 30, 1);
    EXPECT_EQ(c.rows(kRed)[1].substr(0, 30), k.row) << "style " << k.style << " width " << k.width;
  }
  // The null pen draws nothing at all.
  Canvas c(4, 4);
  usePen(c.dc, plat::PS_NULL, 1, kRed);
  plat::MoveToEx(c.dc, 0, 0, nullptr);
  plat::LineTo(c.dc, 4, 4);
  EXPECT_EQ(c.rows(kRed), (Rows{"....", "....", "....", "...."}));
}

// A one-pixel line is stepped only where it can show: on a small device, or inside its clip
// region, every pixel is the one the same line puts on a device large enough to hold it whole,
// dash pattern included, however the line enters, leaves or passes by.
TEST(GdiLineTest, LinesRunningOffTheDeviceKeepTheirPixels) {
  constexpr int kW = 40, kH = 30, kShiftX = 700, kShiftY = 420;
  struct Case {
    const char* what;
    std::vector<plat::POINT> points;
    int style;
    bool closed;
  };
  const std::vector<Case> cases = {
      {"shallow, both ends far off", {{-690, -100}, {780, 120}}, plat::PS_SOLID, false},
      {"shallow, backwards", {{780, 120}, {-690, -100}}, plat::PS_DOT, false},
      {"steep, both ends far off", {{-20, -410}, {56, 470}}, plat::PS_DASH, false},
      {"steep, backwards", {{56, 470}, {-20, -410}}, plat::PS_DASHDOT, false},
      {"diagonal through a corner", {{-400, -400}, {400, 400}}, plat::PS_DASHDOTDOT, false},
      {"one end inside", {{20, 15}, {-650, 333}}, plat::PS_DOT, false},
      {"level and upright", {{-690, 7}, {790, 7}, {13, 7}, {13, -400}, {13, 470}}, plat::PS_DASH, false},
      {"passing by without touching", {{-690, -5}, {790, -300}, {50, 480}}, plat::PS_DOT, false},
      {"in and out again, dashes running on",
       {{-690, 3}, {500, 25}, {-200, 12}, {600, -390}, {5, 29}, {-100, 450}},
       plat::PS_DASHDOT,
       false},
      {"closed outline crossing the device twice", {{-300, 2}, {700, 28}, {25, 450}, {5, -400}}, plat::PS_DOT, true},
  };
  auto draw = [](Canvas& c, const Case& k, int dx, int dy, bool clipped) {
    usePen(c.dc, k.style, 1, kRed);
    if (clipped) {
      plat::HRGN clip = plat::CreateRectRgn(9 + dx, 6 + dy, 31 + dx, 22 + dy);
      plat::SelectClipRgn(c.dc, clip);
      plat::DeleteObject(clip);
    }
    std::vector<plat::POINT> moved = k.points;
    for (plat::POINT& p : moved) p = {p.x + dx, p.y + dy};
    useBrush(c.dc, reinterpret_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
    if (k.closed) plat::Polygon(c.dc, moved.data(), int(moved.size()));
    else plat::Polyline(c.dc, moved.data(), int(moved.size()));
  };
  for (const Case& k : cases) {
    for (bool clipped : {false, true}) {
      SCOPED_TRACE(std::string(k.what) + (clipped ? ", clipped" : ""));
      Canvas whole(1500, 900);
      draw(whole, k, kShiftX, kShiftY, clipped);
      Canvas part(kW, kH);
      draw(part, k, 0, 0, clipped);
      int wrong = 0, inked = 0;
      for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
          const plat::COLORREF c = plat::GetPixel(part.dc, x, y);
          wrong += c != plat::GetPixel(whole.dc, x + kShiftX, y + kShiftY);
          inked += c == kRed;
        }
      EXPECT_EQ(wrong, 0);
      if (k.what != std::string("passing by without touching")) {
        EXPECT_GT(inked, 0) << "the case shows something";
      }
    }
  }
}

// Ends at the far reaches of the int range: the dots that show are where the pattern, counted
// from the far start, puts them (three on, three off from the start of the line).
TEST(GdiLineTest, ADottedLineFromTheIntLimitKeepsItsPhase) {
  Canvas c(24, 3);
  usePen(c.dc, plat::PS_DOT, 1, kRed);
  const int32_t start = INT32_MIN + 5;
  plat::MoveToEx(c.dc, start, 1, nullptr);
  plat::LineTo(c.dc, INT32_MAX, 1);
  std::string expected;
  for (int x = 0; x < 24; ++x) expected += ((int64_t(x) - start) % 6) < 3 ? '#' : '.';
  EXPECT_EQ(c.rows(kRed)[1], expected);
  EXPECT_EQ(c.rows(kRed)[0], std::string(24, '.'));
}

TEST(GdiRasterOpTest, PenColourCombinesWithTheDestination) {
  struct Case {
    int rop;
    plat::COLORREF dest, pen, expected;
  } cases[] = {
      {plat::R2_COPYPEN, 0x123456, 0x00FF00, 0x00FF00},   {plat::R2_XORPEN, 0x0F0F0F, 0xFFFFFF, 0xF0F0F0},
      {plat::R2_NOT, 0x0F0F0F, 0x00FF00, 0xF0F0F0},       {plat::R2_MASKPEN, 0x00FFFF, 0xFF00FF, 0x0000FF},
      {plat::R2_MERGEPEN, 0x0000F0, 0x00000F, 0x0000FF},  {plat::R2_NOTCOPYPEN, 0x123456, 0x00FF00, 0xFF00FF},
      {plat::R2_BLACK, 0x123456, 0x00FF00, 0x000000},     {plat::R2_WHITE, 0x123456, 0x00FF00, 0xFFFFFF},
      {plat::R2_NOP, 0x123456, 0x00FF00, 0x123456},       {plat::R2_NOTXORPEN, 0x0F0F0F, 0xFFFFFF, 0x0F0F0F},
  };
  for (const auto& k : cases) {
    Canvas c(4, 3, k.dest);
    usePen(c.dc, plat::PS_SOLID, 1, k.pen);
    EXPECT_EQ(plat::SetROP2(c.dc, k.rop), plat::R2_COPYPEN);
    plat::MoveToEx(c.dc, 0, 1, nullptr);
    plat::LineTo(c.dc, 4, 1);
    EXPECT_EQ(plat::GetPixel(c.dc, 2, 1), k.expected) << "rop " << k.rop;
    EXPECT_EQ(plat::GetPixel(c.dc, 2, 0), k.dest) << "rop " << k.rop;
  }
  // XOR twice gives the picture back: how rubber bands are erased.
  Canvas c(6, 6, 0x336699);
  usePen(c.dc, plat::PS_SOLID, 1, 0xFFFFFF);
  plat::SetROP2(c.dc, plat::R2_XORPEN);
  plat::SelectObject(c.dc, plat::GetStockObject(plat::NULL_BRUSH));
  plat::Rectangle(c.dc, 1, 1, 5, 5);
  EXPECT_EQ(plat::GetPixel(c.dc, 1, 1), 0x336699u ^ 0xFFFFFFu);
  plat::Rectangle(c.dc, 1, 1, 5, 5);
  EXPECT_EQ(c.rows(0), Rows(6, "??????"));
  EXPECT_EQ(plat::GetPixel(c.dc, 1, 1), 0x336699u);
}

TEST(GdiBrushTest, HatchesShowTheBackgroundOnlyWhenOpaque) {
  for (int mode : {plat::OPAQUE, plat::TRANSPARENT}) {
    Canvas c(8, 8, 0x00FF00);
    plat::SelectObject(c.dc, plat::GetStockObject(plat::NULL_PEN));
    useBrush(c.dc, plat::CreateHatchBrush(plat::HS_HORIZONTAL, kRed));
    plat::SetBkMode(c.dc, mode);
    plat::SetBkColor(c.dc, kBlue);
    plat::RECT r{0, 0, 8, 8};
    plat::FillRect(c.dc, &r, reinterpret_cast<plat::HBRUSH>(plat::GetCurrentObject(c.dc, plat::OBJ_BRUSH)));
    int red = 0, blue = 0, green = 0;
    for (int y = 0; y < 8; ++y) {
      plat::COLORREF p = plat::GetPixel(c.dc, 3, y);
      red += p == kRed;
      blue += p == kBlue;
      green += p == 0x00FF00;
    }
    EXPECT_EQ(red, 1) << mode;  // one hatch line every 8 pixels
    EXPECT_EQ(blue, mode == plat::OPAQUE ? 7 : 0) << mode;
    EXPECT_EQ(green, mode == plat::OPAQUE ? 0 : 7) << mode;
  }
}

TEST(GdiObjectTest, SelectedObjectsSurviveDeletionUntilReleased) {
  int32_t before = plat::LiveGdiObjects();
  Canvas c(4, 4);
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, kRed);
  plat::HGDIOBJ old = plat::SelectObject(c.dc, pen);
  EXPECT_FALSE(plat::DeleteObject(pen));  // still selected
  EXPECT_FALSE(plat::DeleteObject(plat::GetStockObject(plat::BLACK_PEN)));
  plat::SelectObject(c.dc, old);
  EXPECT_TRUE(plat::DeleteObject(pen));
  EXPECT_FALSE(plat::DeleteObject(pen));  // a dead handle is refused, not freed twice
  EXPECT_EQ(plat::CreatePen(99, 1, 0), nullptr);
  EXPECT_EQ(plat::CreateHatchBrush(9, 0), nullptr);
  EXPECT_EQ(plat::LiveGdiObjects(), before);
}

TEST(GdiStateTest, RestoreDCBringsBackObjectsModesAndClipping) {
  Canvas c(6, 6);
  plat::HPEN red = plat::CreatePen(plat::PS_SOLID, 1, kRed);
  plat::HGDIOBJ original = plat::GetCurrentObject(c.dc, plat::OBJ_PEN);
  int level = plat::SaveDC(c.dc);
  EXPECT_EQ(level, 1);
  plat::SelectObject(c.dc, red);
  plat::SetROP2(c.dc, plat::R2_XORPEN);
  plat::SetTextAlign(c.dc, plat::TA_BASELINE | plat::TA_CENTER);
  plat::IntersectClipRect(c.dc, 0, 0, 2, 2);
  plat::SaveDC(c.dc);
  plat::SetROP2(c.dc, plat::R2_NOP);
  ASSERT_TRUE(plat::RestoreDC(c.dc, level));  // skips the inner level too
  EXPECT_EQ(plat::GetCurrentObject(c.dc, plat::OBJ_PEN), original);
  EXPECT_EQ(plat::GetROP2(c.dc), plat::R2_COPYPEN);
  EXPECT_EQ(plat::GetTextAlign(c.dc), plat::TA_LEFT | plat::TA_TOP);
  plat::RECT box;
  plat::GetClipBox(c.dc, &box);
  EXPECT_EQ(box, (plat::RECT{0, 0, 6, 6}));
  EXPECT_FALSE(plat::RestoreDC(c.dc, 1));  // nothing left to restore
  EXPECT_TRUE(plat::DeleteObject(red));
}

TEST(GdiClipTest, ClippingAndRegionsExcludeRightAndBottom) {
  Canvas c(6, 4);
  plat::HRGN clip = plat::CreateRectRgn(1, 1, 4, 3);
  plat::SelectClipRgn(c.dc, clip);
  plat::DeleteObject(clip);  // the DC keeps its own copy
  plat::RECT all{0, 0, 6, 4};
  plat::FillRect(c.dc, &all, reinterpret_cast<plat::HBRUSH>(plat::GetStockObject(plat::BLACK_BRUSH)));
  EXPECT_EQ(c.rows(0), (Rows{"......", ".###..", ".###..", "......"}));

  plat::HRGN a = plat::CreateRectRgn(0, 0, 4, 4);
  plat::HRGN b = plat::CreateRectRgn(2, 2, 6, 6);
  plat::HRGN both = plat::CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(plat::CombineRgn(both, a, b, plat::RGN_AND), plat::SIMPLEREGION);
  EXPECT_TRUE(plat::PtInRegion(both, 3, 3));
  EXPECT_FALSE(plat::PtInRegion(both, 4, 3));
  EXPECT_EQ(plat::CombineRgn(both, a, b, plat::RGN_OR), plat::COMPLEXREGION);
  plat::RECT box;
  plat::GetRgnBox(both, &box);
  EXPECT_EQ(box, (plat::RECT{0, 0, 6, 6}));
  EXPECT_EQ(plat::CombineRgn(both, a, a, plat::RGN_DIFF), plat::NULLREGION);
  for (auto r : {a, b, both}) plat::DeleteObject(r);
}

TEST(GdiTextTest, AlignmentPlacesTheReferencePoint) {
  plat::LOGFONTA lf{};
  lf.lfHeight = -14;
  std::strcpy(lf.lfFaceName, "DejaVu Sans");
  struct Case {
    uint32_t align;
    bool leftOf, above;
  } cases[] = {{plat::TA_LEFT | plat::TA_TOP, false, false},
               {plat::TA_RIGHT | plat::TA_TOP, true, false},
               {plat::TA_LEFT | plat::TA_BOTTOM, false, true}};
  for (const auto& k : cases) {
    Canvas c(80, 60);
    plat::HFONT font = plat::CreateFontIndirectA(&lf);
    plat::HGDIOBJ old = plat::SelectObject(c.dc, font);
    plat::SetTextColor(c.dc, 0);
    plat::SetBkMode(c.dc, plat::TRANSPARENT);
    plat::SetTextAlign(c.dc, k.align);
    plat::TextOutW(c.dc, 40, 30, u"Hg", 2);
    int inked = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x) {
        if (plat::GetPixel(c.dc, x, y) == kWhite) continue;
        ++inked;
        EXPECT_EQ(x < 40, k.leftOf) << "align " << k.align << " at " << x << "," << y;
        EXPECT_EQ(y < 30, k.above) << "align " << k.align << " at " << x << "," << y;
      }
    EXPECT_GT(inked, 10) << k.align;
    plat::SelectObject(c.dc, old);
    plat::DeleteObject(font);
  }
}

TEST(GdiTextTest, FontHeightsFollowTheLogFontRules) {
  Canvas c(4, 4);
  plat::LOGFONTA lf{};
  std::strcpy(lf.lfFaceName, "DejaVu Sans");
  lf.lfHeight = -20;  // character height
  plat::HFONT chars = plat::CreateFontIndirectA(&lf);
  lf.lfHeight = 20;  // cell height
  plat::HFONT cell = plat::CreateFontIndirectA(&lf);
  plat::TEXTMETRICA byChar, byCell;
  plat::HGDIOBJ original = plat::SelectObject(c.dc, chars);
  plat::GetTextMetricsA(c.dc, &byChar);
  plat::SelectObject(c.dc, cell);
  plat::GetTextMetricsA(c.dc, &byCell);
  EXPECT_GE(byChar.tmHeight, 20);
  EXPECT_LE(std::abs(byCell.tmHeight - 20), 1);
  EXPECT_EQ(byChar.tmAscent + byChar.tmDescent, byChar.tmHeight);
  plat::ABC abc[2];
  ASSERT_TRUE(plat::GetCharABCWidthsW(c.dc, 'W', 'X', abc));
  int32_t widths[2];
  ASSERT_TRUE(plat::GetCharWidth32W(c.dc, 'W', 'X', widths));
  EXPECT_EQ(abc[0].abcA + int32_t(abc[0].abcB) + abc[0].abcC, widths[0]);
  plat::SelectObject(c.dc, original);
  EXPECT_TRUE(plat::DeleteObject(chars));
  EXPECT_TRUE(plat::DeleteObject(cell));
}

// Heights read from files and scaled by zoom and resolution can be any int: past the largest
// size a font is made at, the font has that size, whichever sign the height has.
TEST(GdiTextTest, HeightsPastTheLargestFontGiveTheLargestFont) {
  struct Case {
    int32_t height;
    int want;
  } cases[] = {{INT32_MIN, plat::kLargestFontPixels},
               {-plat::kLargestFontPixels - 1, plat::kLargestFontPixels},
               {-20, 20},
               {0, 16}};
  for (const Case& c : cases) {
    plat::LOGFONTA lf{};
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    lf.lfHeight = c.height;
    EXPECT_EQ(plat::FontFromLogFont(lf).pixelSize(), c.want) << c.height;
  }
  // A cell height as large as an int: the character height is shrunk from the largest cell.
  plat::LOGFONTA cell{};
  std::strcpy(cell.lfFaceName, "DejaVu Sans");
  cell.lfHeight = INT32_MAX;
  const int px = plat::FontFromLogFont(cell).pixelSize();
  EXPECT_GT(px, plat::kLargestFontPixels / 2);
  EXPECT_LE(px, plat::kLargestFontPixels);
}

TEST(DibTest, PackedDibsRoundTrip) {
  QImage image(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) image.setPixel(x, y, qRgb(x * 50, y * 100, 7));
  for (int bits : {24, 32}) {
    plat::HGLOBAL dib = plat::PackedDibFromImage(image, bits);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(plat::PackedDibSizeInBlock(dib), 40u + (bits == 24 ? 16u : 20u) * 3u);
    QImage back;
    ASSERT_TRUE(plat::ImageFromPackedDib(dib, &back));
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image) << bits;
    plat::GlobalFree(dib);
  }
  QImage mono(9, 2, QImage::Format_RGB32);
  mono.fill(Qt::white);
  mono.setPixel(8, 1, qRgb(0, 0, 0));
  plat::HGLOBAL one = plat::PackedDibFromImage(mono, 1);
  QImage back;
  ASSERT_TRUE(plat::ImageFromPackedDib(one, &back));
  EXPECT_EQ(back.pixel(8, 1), qRgb(0, 0, 0));
  EXPECT_EQ(back.pixel(7, 1), qRgb(255, 255, 255));
  plat::GlobalFree(one);
}

TEST(DibTest, DamagedHeadersAreRefused) {
  auto header = [] {
    plat::BITMAPINFOHEADER h;
    h.biWidth = 4;
    h.biHeight = 4;
    h.biBitCount = 8;
    return h;
  };
  struct Case {
    const char* what;
    void (*damage)(plat::BITMAPINFOHEADER&);
  } cases[] = {
      {"zero width", [](plat::BITMAPINFOHEADER& h) { h.biWidth = 0; }},
      {"negative width", [](plat::BITMAPINFOHEADER& h) { h.biWidth = -4; }},
      {"odd bit count", [](plat::BITMAPINFOHEADER& h) { h.biBitCount = 7; }},
      {"unknown compression", [](plat::BITMAPINFOHEADER& h) { h.biCompression = 4; }},
      {"bit fields at 8 bits", [](plat::BITMAPINFOHEADER& h) { h.biCompression = 3; }},
      {"short header", [](plat::BITMAPINFOHEADER& h) { h.biSize = 12; }},
      {"huge", [](plat::BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; h.biHeight = 0x7FFFFFFF; }},
      {"two planes", [](plat::BITMAPINFOHEADER& h) { h.biPlanes = 2; }},
  };
  for (const auto& k : cases) {
    plat::BITMAPINFOHEADER h = header();
    k.damage(h);
    EXPECT_EQ(plat::PackedDibSize(&h), 0u) << k.what;
  }
  plat::BITMAPINFOHEADER good = header();
  std::size_t size = plat::PackedDibSize(&good);
  EXPECT_EQ(size, 40u + 256u * 4u + 16u);
  std::vector<uint8_t> bytes(size);
  std::memcpy(bytes.data(), &good, sizeof good);
  plat::HGLOBAL shortBlock = plat::GlobalFromBytes(bytes.data(), size - 1);
  EXPECT_EQ(plat::PackedDibSizeInBlock(shortBlock), 0u);
  QImage img;
  EXPECT_FALSE(plat::ImageFromPackedDib(shortBlock, &img));
  plat::GlobalFree(shortBlock);
  EXPECT_EQ(plat::PackedDibSizeInBlock(nullptr), 0u);
}

// A packed DIB from its header fields, colour table (or masks) and bits.
plat::HGLOBAL packedDib(int32_t width, int32_t height, uint16_t bits, uint32_t compression, std::vector<uint32_t> table,
                        std::vector<uint8_t> data) {
  plat::BITMAPINFOHEADER h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = bits;
  h.biCompression = compression;
  h.biSizeImage = uint32_t(data.size());
  h.biClrUsed = bits <= 8 ? uint32_t(table.size()) : 0;
  std::vector<uint8_t> bytes(sizeof h + table.size() * 4);
  std::memcpy(bytes.data(), &h, sizeof h);
  if (!table.empty()) std::memcpy(bytes.data() + sizeof h, table.data(), table.size() * 4);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return plat::GlobalFromBytes(bytes.data(), bytes.size());
}

// The picture's rows top-down, one letter per pixel: k(black) r g b w(hite), ? for others.
std::vector<std::string> letters(const QImage& image) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      switch (image.pixel(x, y) & 0xFFFFFF) {
        case 0x000000: row += 'k'; break;
        case 0xFF0000: row += 'r'; break;
        case 0x00FF00: row += 'g'; break;
        case 0x0000FF: row += 'b'; break;
        case 0xFFFFFF: row += 'w'; break;
        default: row += '?';
      }
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(DibTest, RunLengthAndBitFieldPicturesAreRead) {
  // Colour table entries are blue, green, red, unused: black, red, green, blue, white.
  const std::vector<uint32_t> colours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  struct Case {
    const char* what;
    int32_t width, height;
    uint16_t bits;
    uint32_t compression;
    std::vector<uint32_t> table;
    std::vector<uint8_t> data;
    std::vector<std::string> want;  // top row first
  } cases[] = {
      {"8-bit runs, given pixels padded to a word, end of row and of picture", 5, 2, 8, 1, colours,
       {3, 1, 2, 2, 0, 0, /* row 2 */ 0, 3, 2, 1, 4, 0, 2, 3, 0, 1}, {"grwbb", "rrrgg"}},
      {"8-bit move right and up leaves index 0", 4, 3, 8, 1, colours,
       {1, 4, 0, 2, 2, 1, 1, 3, 0, 1}, {"kkkk", "kkkb", "wkkk"}},
      {"4-bit runs alternate two indexes, given pixels by nibbles", 5, 2, 4, 2, colours,
       {5, 0x12, 0, 0, /* row 2 */ 0, 3, 0x34, 0x10, 2, 0x44, 0, 1}, {"bwrww", "rgrgr"}},
      {"a run past the row's end is cut off", 3, 1, 8, 1, colours, {9, 2, 0, 1}, {"ggg"}},
      {"a stream that stops early leaves the rest at index 0", 3, 2, 8, 1, colours, {2, 3, 0}, {"kkk", "bbk"}},
      {"given pixels past the data are not read", 4, 1, 8, 1, colours, {0, 6, 1, 2}, {"rgkk"}},
      {"a move past the picture ends it", 2, 2, 8, 1, colours, {0, 2, 9, 9, 1, 4}, {"kk", "kk"}},
      {"16-bit 5-6-5 masks", 2, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07}, {"rg"}},
      {"32-bit masks in another order", 2, 1, 32, 3, {0x0000FF, 0x00FF00, 0xFF0000}, {0xFF, 0, 0, 0, 0, 0, 0xFF, 0}, {"rb"}},
      {"16-bit without masks is 5-5-5", 2, 1, 16, 0, {}, {0x00, 0x7C, 0xFF, 0x7F}, {"rw"}},
  };
  for (const Case& k : cases) {
    plat::HGLOBAL dib = packedDib(k.width, k.height, k.bits, k.compression, k.table, k.data);
    QImage image;
    ASSERT_TRUE(plat::ImageFromPackedDib(dib, &image)) << k.what;
    EXPECT_EQ(letters(image), k.want) << k.what;
    plat::GlobalFree(dib);
  }
  // Runs that do not fit their header are refused: top-down rows, a depth of the other coding, no
  // stated length, or more stated than the block holds.
  const std::vector<uint8_t> runs = {2, 1, 0, 1};
  for (auto [height, bits, compression, stated] :
       {std::tuple{-2, 8, 1, 4u}, std::tuple{2, 4, 1, 4u}, std::tuple{2, 8, 2, 4u}, std::tuple{2, 8, 1, 0u}, std::tuple{2, 8, 1, 5u}}) {
    plat::HGLOBAL dib = packedDib(2, height, uint16_t(bits), uint32_t(compression), colours, runs);
    auto* h = static_cast<plat::BITMAPINFOHEADER*>(plat::GlobalLock(dib));
    h->biSizeImage = stated;
    plat::GlobalUnlock(dib);
    QImage image;
    EXPECT_FALSE(plat::ImageFromPackedDib(dib, &image)) << height << " rows, " << bits << " bits, coding " << compression << ", " << stated << " bytes";
    plat::GlobalFree(dib);
  }
}

TEST(DibTest, StretchDrawsIntoTheDestinationRect) {
  QImage red(2, 2, QImage::Format_RGB32);
  red.fill(qRgb(255, 0, 0));
  plat::HGLOBAL dib = plat::PackedDibFromImage(red, 24);
  Canvas c(6, 6);
  ASSERT_TRUE(plat::StretchPackedDib(c.dc, 1, 1, 4, 3, dib));
  EXPECT_EQ(c.rows(kRed), (Rows{"......", ".####.", ".####.", ".####.", "......", "......"}));
  // A picture changed in its block is drawn as it now is, never as it was first drawn.
  auto* bytes = static_cast<uint8_t*>(plat::GlobalLock(dib));
  for (int row = 0; row < 2; ++row)
    for (int px = 0; px < 2; ++px) std::memcpy(bytes + 40 + row * 8 + px * 3, "\xFF\x00\x00", 3);
  plat::GlobalUnlock(dib);
  Canvas again(6, 6);
  ASSERT_TRUE(plat::StretchPackedDib(again.dc, 1, 1, 4, 3, dib));
  EXPECT_EQ(again.rows(kBlue), (Rows{"......", ".####.", ".####.", ".####.", "......", "......"}));
  plat::GlobalFree(dib);
}

TEST(GdiShapeTest, EllipsesStayInsideTheirBox) {
  Canvas c(12, 10);
  plat::SelectObject(c.dc, plat::GetStockObject(plat::NULL_BRUSH));
  usePen(c.dc, plat::PS_SOLID, 1, kRed);
  plat::Ellipse(c.dc, 1, 1, 10, 8);
  int minX = 99, maxX = -1, minY = 99, maxY = -1;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x)
      if (plat::GetPixel(c.dc, x, y) == kRed) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
  EXPECT_EQ(minX, 1);
  EXPECT_EQ(maxX, 9);  // the right edge (10) is outside
  EXPECT_EQ(minY, 1);
  EXPECT_EQ(maxY, 7);
  EXPECT_EQ(plat::GetPixel(c.dc, 5, 4), kWhite);  // hollow brush
}

TEST(GdiShapeTest, ClosedPolygonsDrawEveryVertexAndFillInside) {
  Canvas c(7, 7);
  useBrush(c.dc, plat::CreateSolidBrush(kBlue));
  usePen(c.dc, plat::PS_SOLID, 1, kRed);
  const plat::POINT square[] = {{1, 1}, {5, 1}, {5, 5}, {1, 5}};
  plat::Polygon(c.dc, square, 4);
  EXPECT_EQ(c.rows(kRed), (Rows{".......", ".#####.", ".#???#.", ".#???#.", ".#???#.", ".#####.", "......."}));
  EXPECT_EQ(plat::GetPixel(c.dc, 3, 3), kBlue);
}

// Wide strokes are drawn from a kept mask on repeats; every draw, first or repeated, clipped or
// running off the device, must put exactly the pixels of the painter's own round-capped stroke.
TEST(GdiLineTest, RepeatedWideStrokesKeepTheStrokersPixels) {
  struct Case {
    std::vector<plat::POINT> points;
    int width;
    bool closed;
    bool clipped;
  };
  const std::vector<Case> cases = {
      {{{3, 3}, {40, 9}, {12, 30}, {35, 28}}, 2, false, false},
      {{{3, 3}, {40, 9}, {12, 30}, {35, 28}}, 2, false, true},
      {{{-9, 5}, {20, 33}, {47, -4}}, 5, false, false},
      {{{6, 6}, {30, 6}, {18, 25}}, 3, true, false},
      {{{6, 6}, {30, 6}, {18, 25}}, 4, true, true},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& k = cases[i];
    QImage expected(44, 36, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
      QPainter p(&expected);
      if (k.clipped) p.setClipRect(QRect(10, 8, 20, 15));
      p.setPen(QPen(QColor(0, 0, 255), k.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      QPolygon poly;
      for (const auto& q : k.points) poly << QPoint(q.x, q.y);
      if (k.closed) p.drawPolygon(poly);
      else p.drawPolyline(poly);
    }
    for (int round = 0; round < 2; ++round) {
      Canvas c(44, 36);
      usePen(c.dc, plat::PS_SOLID, k.width, kRed);
      if (k.clipped) {
        plat::HRGN clip = plat::CreateRectRgn(10, 8, 30, 23);
        plat::SelectClipRgn(c.dc, clip);
        plat::DeleteObject(clip);
      }
      useBrush(c.dc, reinterpret_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
      if (k.closed) plat::Polygon(c.dc, k.points.data(), int(k.points.size()));
      else plat::Polyline(c.dc, k.points.data(), int(k.points.size()));
      int wrong = 0;
      for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 44; ++x)
          wrong += (plat::GetPixel(c.dc, x, y) == kRed) != (expected.pixel(x, y) == qRgb(0, 0, 255));
      EXPECT_EQ(wrong, 0) << "case " << i << " draw " << round;
    }
  }
}

// Ellipses are blitted from kept masks on repeats: shapes that differ only in pen width, fill or
// colour must each keep their own pixels, the same as a first draw on a fresh thread (whose masks
// start empty). A mask made on a smaller device (a thumbnail) covers only what showed there, so it
// must not stand in for the shape on a larger one.
TEST(GdiShapeTest, RepeatedEllipsesKeepTheirOwnPixels) {
  struct Case {
    plat::RECT box;
    int width;
    bool filled;
    plat::COLORREF colour;
  };
  const std::vector<Case> cases = {
      {{2, 2, 30, 20}, 1, true, kRed},  {{2, 2, 30, 20}, 3, true, kRed},   {{2, 2, 30, 20}, 3, false, kRed},
      {{2, 2, 30, 20}, 1, true, kBlue}, {{-6, 4, 22, 40}, 2, true, kRed}, {{2, 2, 30, 20}, 0, true, kRed},
      {{3, 3, 29, 19}, 3, true, kRed},  // the same outline as the first, with a wider pen
  };
  auto draw = [](const Case& k, int width = 32, int height = 24) {
    Canvas c(width, height);
    if (k.width) usePen(c.dc, plat::PS_SOLID, k.width, k.colour);
    else plat::SelectObject(c.dc, plat::GetStockObject(plat::NULL_PEN));
    useBrush(c.dc, k.filled ? plat::CreateSolidBrush(0x00FF00)
                            : reinterpret_cast<plat::HBRUSH>(plat::GetStockObject(plat::NULL_BRUSH)));
    plat::Ellipse(c.dc, k.box.left, k.box.top, k.box.right, k.box.bottom);
    return c.rows(k.colour);
  };
  std::vector<Rows> fresh;
  for (const Case& k : cases) {
    Rows r;
    std::thread([&] { r = draw(k); }).join();
    fresh.push_back(r);
  }
  for (const Case& k : cases) draw(k, 12, 9);
  for (int round = 0; round < 2; ++round)
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(draw(cases[i]), fresh[i]) << "case " << i << " draw " << round;
}
