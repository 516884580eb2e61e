// Every kind drawn offscreen through the loaded library at zoom 1 and 2, with key pixels checked
// against where the geometry puts them: page pixels times the zoom.
#include <cmath>
#include <cstring>
#include <vector>

#include "kinds_host.h"

#include <QImage>

namespace {

int32_t drawWithPlatform(plat::HDC dc, plat::HGLOBAL dib, int32_t, plat::COLORREF, int32_t x, int32_t y, int32_t w,
                         int32_t h, int32_t, int32_t, int32_t, int32_t) {
  return plat::StretchPackedDib(dc, x, y, w, h, dib) ? 1 : 0;
}

class KindsRenderTest : public KindsInputTest {
 protected:
  void Show(int zoom) {
    // The engine lets go of the old view when it takes the new one.
    auto next = std::make_unique<TestHostView>(zoom);
    engine->AttachImaging(next.get());
    view_ = std::move(next);
    z = zoom;
    engine->DeleteAllElements(layer);
  }
  void TearDown() override {
    engine->AttachImaging(nullptr);
    KindsInputTest::TearDown();
  }
  // Draws every layer into a fresh white page and keeps the pixels.
  void Render() {
    plat::HDC dc = plat::CreateMemoryDC(400 * z, 300 * z);
    engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
    image = plat::ImageOf(dc)->copy();
    plat::DeleteDC(dc);
  }
  // The colour at a page pixel (its device pixel at the zoom).
  plat::COLORREF At(double px, double py) const {
    QRgb c = image.pixel(int(std::lround(px * z)), int(std::lround(py * z)));
    return plat::RGB(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)));
  }
  // Whether the colour is within a device pixel or two of the page pixel.
  bool Near(double px, double py, plat::COLORREF colour, int reach = 2) const {
    const int cx = int(std::lround(px * z)), cy = int(std::lround(py * z));
    for (int y = cy - reach; y <= cy + reach; ++y)
      for (int x = cx - reach; x <= cx + reach; ++x) {
        if (!image.valid(x, y)) continue;
        QRgb c = image.pixel(x, y);
        if (plat::RGB(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))) == colour) return true;
      }
    return false;
  }
  int CountIn(int l, int t, int r, int b, plat::COLORREF colour) const {
    int n = 0;
    for (int y = t * z; y < b * z; ++y)
      for (int x = l * z; x < r * z; ++x) {
        QRgb c = image.pixel(x, y);
        n += plat::RGB(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))) == colour;
      }
    return n;
  }
  // Tool gestures in page pixels.
  void PageClick(int x, int y) { Click(x * z, y * z); }
  void PageDrag(int x0, int y0, int x1, int y1) { Drag(x0 * z, y0 * z, x1 * z, y1 * z); }
  void PagePath(std::vector<plat::POINT> points) {
    for (auto& p : points) p = {p.x * z, p.y * z};
    ClickPath(points);
  }

  std::unique_ptr<TestHostView> view_;
  int z = 1;
  QImage image;
};

constexpr plat::COLORREF kWhite = 0xFFFFFF;

TEST_F(KindsRenderTest, PointListsLandOnTheirPointsAtEachZoom) {
  for (int zoom : {1, 2}) {
    SCOPED_TRACE(zoom);
    Show(zoom);
    engine->SetCurrentTool(layer, TOOL_POLYLINE);
    PagePath({{20, 20}, {120, 20}, {120, 80}});
    engine->SetCurrentTool(layer, TOOL_POLYGON);
    PagePath({{150, 20}, {250, 20}, {250, 100}, {150, 100}});
    engine->SetLayerToolDefault(layer, TOOL_LINE, PROP_ARROWHEAD, 1);
    engine->SetCurrentTool(layer, TOOL_LINE);
    PageDrag(20, 150, 120, 150);
    engine->SetCurrentTool(layer, TOOL_FREEHAND);
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 200 * z, 200 * z);
    for (int i = 1; i <= 10; ++i) Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, (200 + 10 * i) * z, 200 * z);
    Send(plat::WM_LBUTTONUP, 0, 310 * z, 200 * z);
    engine->SetCurrentTool(layer, TOOL_POINTER);
    ASSERT_EQ(Count(), 4);
    Render();

    const plat::COLORREF polyline = 0x8020FF, polygonPen = 0xFFFF00, polygonFill = 0x0000FF, line = 0xFF0000,
                         freehand = 0xFF00FF;
    EXPECT_EQ(At(70, 20), polyline);
    EXPECT_EQ(At(120, 50), polyline);
    EXPECT_EQ(At(70, 40), kWhite);  // an open polyline is not filled
    EXPECT_EQ(At(200, 60), polygonFill);
    EXPECT_TRUE(Near(150, 60, polygonPen, 1));
    EXPECT_EQ(At(270, 60), kWhite);
    EXPECT_EQ(At(70, 150), line);
    // The wings end a fortieth of the page back from the tip, 25 degrees off the line: 9.06 page
    // pixels back and 3.17 up and down on a 400 x 300 page. Their middles carry the pen.
    EXPECT_TRUE(Near(120 - 4.53, 150 - 1.58, line));
    EXPECT_TRUE(Near(120 - 4.53, 150 + 1.58, line));
    EXPECT_EQ(At(120 - 4.53, 150 - 6), kWhite);
    EXPECT_EQ(At(250, 200), freehand);
    EXPECT_EQ(At(250, 205), kWhite);
  }
}

TEST_F(KindsRenderTest, TextStampAndButtonDrawInsideTheirRects) {
  const plat::COLORREF light = plat::GetSysColor(plat::COLOR_3DLIGHT), shadow = plat::GetSysColor(plat::COLOR_BTNSHADOW),
                       face = plat::GetSysColor(plat::COLOR_BTNFACE);
  for (int zoom : {1, 2}) {
    SCOPED_TRACE(zoom);
    Show(zoom);
    engine->SetLayerToolDefault(layer, TOOL_TEXT, PROP_BACK_COLOR, 0x00FFFF);
    engine->SetCurrentTool(layer, TOOL_TEXT);
    PageClick(20, 20);
    for (char16_t c : std::u16string(u"Hello")) Key(plat::WM_CHAR, c);
    engine->SetLayerToolDefault(layer, TOOL_STAMP, PROP_TEXT, B(u"STAMP"));
    engine->SetCurrentTool(layer, TOOL_STAMP);
    PageClick(20, 150);
    engine->SetLayerToolDefault(layer, TOOL_BUTTON, PROP_TEXT, B(u"Go"));
    engine->SetCurrentTool(layer, TOOL_BUTTON);
    PageDrag(200, 150, 300, 190);
    engine->SetCurrentTool(layer, TOOL_POINTER);
    ASSERT_EQ(Count(), 3);
    Render();

    int32_t text = 0;
    engine->GetElementIdByIndex(layer, 1, &text);
    plat::RECT tr = RectOf(text);  // device pixels
    const int tl = tr.left / z, tt = tr.top / z, trr = tr.right / z, tb = tr.bottom / z;
    EXPECT_EQ(At(tl + 0.5, tt + 0.5), 0x00FFFFu);  // the back colour
    EXPECT_GT(CountIn(tl, tt, trr, tb, 0), 5 * z * z);  // black glyphs inside
    EXPECT_EQ(CountIn(trr + 1, tt, trr + 20, tb, 0), 0);  // and none beside
    EXPECT_EQ(At(20 + 2, 150 - 3), kWhite);
    int32_t stamp = 0;
    engine->GetElementIdByIndex(layer, 2, &stamp);
    plat::RECT sr = RectOf(stamp);
    EXPECT_GT(CountIn(sr.left / z, sr.top / z, sr.right / z, sr.bottom / z, 0x0000FF), 5 * z * z);  // red text

    // The button: lit band top left, shadow bottom right, face between.
    const int bevel = 4;
    EXPECT_EQ(At(200 + 1 + bevel / 2.0, 150 + 20), light);
    EXPECT_EQ(At(300 - 1 - bevel / 2.0, 150 + 20), shadow);
    EXPECT_EQ(At(215, 170), face);
    // Pressed in run mode, the band falls into shadow.
    engine->SetEngineProperty(EPROP_LOCKED, 1);
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 250 * z, 170 * z);
    Render();
    EXPECT_EQ(At(200 + 1 + bevel / 2.0, 150 + 20), shadow);
    Send(plat::WM_LBUTTONUP, 0, 250 * z, 170 * z);
    engine->SetEngineProperty(EPROP_LOCKED, 0);
  }
}

TEST_F(KindsRenderTest, ImageIsDrawnByTheHostOverItsRect) {
  engine->SetDrawImageCallback(&drawWithPlatform);
  QImage picture(20, 10, QImage::Format_RGB32);
  picture.fill(QColor(0, 128, 0));
  // A picture of another colour as 8-bit runs: each row one run of index 1, then the end of the
  // row (the last one ends the picture).
  plat::BITMAPINFOHEADER h;
  h.biWidth = 20;
  h.biHeight = 10;
  h.biBitCount = 8;
  h.biCompression = 1;
  std::vector<uint8_t> runs;
  for (int y = 0; y < 10; ++y) runs.insert(runs.end(), {20, 1, 0, uint8_t(y == 9 ? 1 : 0)});
  h.biSizeImage = uint32_t(runs.size());
  std::vector<uint8_t> coded(sizeof h + 1024);
  std::memcpy(coded.data(), &h, sizeof h);
  coded[sizeof h + 4 + 2] = 128;  // entry 1: blue, green, red
  coded.insert(coded.end(), runs.begin(), runs.end());
  // Each picture goes to its own place, so that one drawn cannot stand in for the other.
  int x0 = 100;
  for (auto [dib, colour] : {std::pair{plat::PackedDibFromImage(picture, 24), plat::RGB(0, 128, 0)},
                             std::pair{plat::GlobalFromBytes(coded.data(), coded.size()), plat::RGB(128, 0, 0)}}) {
    for (int zoom : {1, 2}) {
      SCOPED_TRACE(zoom);
      Show(zoom);
      engine->SetLayerToolDefault(layer, TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(dib));
      engine->SetCurrentTool(layer, TOOL_IMAGE);
      PageClick(x0, 100);
      engine->SetCurrentTool(layer, TOOL_POINTER);
      Render();
      EXPECT_EQ(CountIn(x0, 100, x0 + 20, 110, colour), 200 * z * z);
      EXPECT_EQ(At(x0 + 21, 105), kWhite);
      EXPECT_EQ(At(x0 + 10, 111), kWhite);
    }
    plat::GlobalFree(dib);
    x0 += 40;
  }
  engine->SetDrawImageCallback(nullptr);
}

}  // namespace
