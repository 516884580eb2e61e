// Object descriptors and burn-in through the loaded library.
#include <QImage>
#include <cstring>
#include <iterator>
#include <vector>

#include "engine_host.h"
#include "platform/graphics/gdi.h"

namespace {

plat::HGLOBAL gSource = nullptr;
plat::HGLOBAL gResult = nullptr;
int gSourceCalls = 0;

int32_t onSource(intptr_t aux, plat::HGLOBAL* dib, int32_t* freeAfterUse) {
  ++gSourceCalls;
  EXPECT_EQ(aux, 42);
  *dib = gSource ? plat::GlobalFromBytes(plat::GlobalLock(gSource), plat::GlobalSize(gSource)) : nullptr;
  if (gSource) plat::GlobalUnlock(gSource);
  *freeAfterUse = 1;
  return 0;
}

int32_t onResult(intptr_t, plat::HGLOBAL dib) {
  plat::GlobalFree(gResult);
  gResult = dib;
  return 0;
}

// The host draws pictures of image elements, as the annotation control does.
int32_t onDrawImage(plat::HDC dc, plat::HGLOBAL dib, int32_t, plat::COLORREF, int32_t x, int32_t y, int32_t w,
                    int32_t h, int32_t, int32_t, int32_t, int32_t) {
  return plat::StretchPackedDib(dc, x, y, w, h, dib) ? 1 : 0;
}

QRgb pixelOf(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

// A page of 1, 4 or 8 bits with the given colour table (the rest of the table black, as a writer
// that fills only the colours it uses leaves it; or, declared, a table of only those colours):
// paper of one entry, with the top rows in ink of another.
plat::HGLOBAL IndexedPage(int bits, const std::vector<QRgb>& table, uint8_t paper, uint8_t ink, int inkRows,
                          bool declared = false) {
  const int32_t width = 200, height = 100;
  const uint32_t stride = ((uint32_t(width) * uint32_t(bits) + 31) / 32) * 4;
  const uint32_t colours = declared ? uint32_t(table.size()) : 1u << bits;
  plat::HGLOBAL dib = plat::GlobalAlloc(plat::GHND, 40 + 4 * colours + stride * height);
  auto* p = static_cast<uint8_t*>(plat::GlobalLock(dib));
  const int32_t header[10] = {40, width, height, 1 | (bits << 16), 0, int32_t(stride * height), 0, 0,
                              declared ? int32_t(colours) : 0, 0};
  std::memcpy(p, header, 40);
  for (size_t i = 0; i < table.size(); ++i) {
    p[40 + 4 * i + 0] = uint8_t(qBlue(table[i]));
    p[40 + 4 * i + 1] = uint8_t(qGreen(table[i]));
    p[40 + 4 * i + 2] = uint8_t(qRed(table[i]));
  }
  uint8_t* rows = p + 40 + 4 * colours;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t index = y < inkRows ? ink : paper;
    uint8_t* row = rows + size_t(height - 1 - y) * stride;  // bottom-up
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t bit = uint32_t(x) * uint32_t(bits);
      row[bit / 8] |= uint8_t(index << (8 - bits - bit % 8));
    }
  }
  plat::GlobalUnlock(dib);
  return dib;
}

}  // namespace

class EngineRenderTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->SetDefaultViewSize(200, 100);
    layer = engine->CreateLayer(1);
    gSourceCalls = 0;
  }
  void TearDown() override {
    plat::GlobalFree(gSource);
    plat::GlobalFree(gResult);
    gSource = gResult = nullptr;
    EngineTest::TearDown();
  }
  // The host's picture for a burn-in, answered through the image callbacks as the control does.
  void HostPicture(plat::HGLOBAL dib) {
    plat::GlobalFree(gSource);
    gSource = dib;
    engine->SetImageSourceCallback(&onSource);
    engine->SetImageResultCallback(&onResult);
    engine->SetAuxCallback1(42, nullptr);
  }
  static plat::HGLOBAL WhitePage(int width, int height) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    return plat::PackedDibFromImage(page, 24);
  }
  AnnObjectDesc* NewDesc(int32_t type, plat::RECT r) {
    AnnObjectDesc* d = nullptr;
    EXPECT_EQ(engine->CreateObjectDesc(&d), ANN_OK);
    engine->SetObjectDescField(d, 128, type);
    engine->SetObjectDescField(d, PROP_RECT, reinterpret_cast<AnnValue>(&r));
    return d;
  }
  AnnLayerHandle layer = 0;
};

TEST_F(EngineRenderTest, NewDescriptorHoldsItsDefaults) {
  AnnObjectDesc* d = nullptr;
  ASSERT_EQ(engine->CreateObjectDesc(&d), ANN_OK);
  const std::pair<int32_t, AnnValue> fields[] = {{38, 5999}, {27, 13}, {21, 1}, {29, 0}, {12, 0}, {16, 2},
                                                 {36719, 7}, {1, 0xFF0000}, {4, 0xC0C0C0}, {5, 1}, {25, 1}};
  for (auto [field, want] : fields) {
    AnnValue got = -7;
    EXPECT_EQ(engine->GetObjectDescField(d, field, &got), ANN_OK) << field;
    EXPECT_EQ(got, want) << field;
  }
  AnnValue got = 0;
  EXPECT_EQ(engine->GetObjectDescField(d, 999, &got), ERR_NO_PROPERTY);
  EXPECT_EQ(engine->SetObjectDescField(d, 999, 1), ERR_NO_PROPERTY);
  int32_t x = 0, y = 0;
  EXPECT_EQ(engine->AddObjectDescPoint(d, 5, 6), ANN_OK);
  EXPECT_EQ(engine->GetObjectDescPoint(d, 0, &x, &y), ANN_OK);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(engine->GetObjectDescPoint(d, 1, &x, &y), ERR_BAD_POINT_INDEX);
  EXPECT_EQ(engine->SetObjectDescPoint(d, -1, 0, 0), ERR_BAD_POINT_INDEX);
  plat::BSTR s = plat::SysAllocString(u"hello");
  engine->SetObjectDescField(d, PROP_TEXT, reinterpret_cast<AnnValue>(s));
  plat::SysFreeString(s);
  engine->GetObjectDescField(d, PROP_TEXT, &got);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(got)), u"hello");
  EXPECT_EQ(engine->FreeObjectDesc(d), ANN_OK);
  // A null descriptor is no error.
  EXPECT_EQ(engine->SetObjectDescField(nullptr, 1, 1), ANN_OK);
  EXPECT_EQ(engine->GetObjectDescPoint(nullptr, 3, &x, &y), ANN_OK);
}

TEST_F(EngineRenderTest, EveryDescriptorFieldReadsBackAsItsOwn) {
  AnnObjectDesc* d = nullptr;
  ASSERT_EQ(engine->CreateObjectDesc(&d), ANN_OK);
  // Each value field its own value, so that one stored in another's place shows.
  const int32_t values[] = {PROP_PEN_COLOR,      PROP_TEXT_COLOR,         PROP_BACK_COLOR,    PROP_FILL_COLOR,
                            PROP_PEN_WIDTH,      PROP_ARROWHEAD,          PROP_TRANSPARENT_COLOR,
                            PROP_BACK_STYLE,     PROP_TEXT_18,            PROP_AUTO_SIZE,     PROP_BEVEL_LIGHT_COLOR,
                            PROP_BEVEL_SHADOW_COLOR, PROP_PEN_STYLE,      PROP_PEN_FILL_STYLE, PROP_TEXT_ORIENTATION,
                            PROP_HATCH_STYLE,    PROP_HATCH_COLOR,        PROP_TEXT_JUSTIFICATION,
                            PROP_CUSTOM_DRAW_DATA, PROP_OI_MARK_TYPE,     PROP_Z_ORDER,       128};
  for (int32_t field : values) ASSERT_EQ(engine->SetObjectDescField(d, field, 100000 + field), ANN_OK) << field;
  for (int32_t field : values) {
    AnnValue got = 0;
    ASSERT_EQ(engine->GetObjectDescField(d, field, &got), ANN_OK) << field;
    EXPECT_EQ(got, 100000 + field) << field;
  }
  // Flags read back as 0 or 1, each on its own.
  const int32_t flags[] = {PROP_LOCKED,         PROP_VISIBLE,        PROP_SHOW_HANDLES, PROP_MOVEABLE, PROP_SIZEABLE,
                           PROP_TEXT_LOCKED,    PROP_HIGHLIGHT_BACK, PROP_HIGHLIGHT_FILL, PROP_SELECTED,
                           PROP_CUSTOM_DRAW};
  for (int32_t on : flags) {
    for (int32_t field : flags) ASSERT_EQ(engine->SetObjectDescField(d, field, field == on ? 5 : 0), ANN_OK);
    for (int32_t field : flags) {
      AnnValue got = -1;
      ASSERT_EQ(engine->GetObjectDescField(d, field, &got), ANN_OK) << field;
      EXPECT_EQ(got, field == on ? 1 : 0) << on << " " << field;
    }
  }
  engine->FreeObjectDesc(d);
}

TEST_F(EngineRenderTest, ElementsFromDescriptorsAndBack) {
  AnnObjectDesc* bad = NewDesc(TOOL_POINTER, {0, 0, 10, 10});
  int32_t id = 7;
  EXPECT_EQ(engine->CreateObjectFromDesc(bad, layer, &id), ERR_BAD_TOOL);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(engine->CreateObjectFromDesc(bad, 999, &id), ERR_BAD_LAYER);
  engine->FreeObjectDesc(bad);

  id = MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {10, 20, 110, 90},
                           {{PROP_HIGHLIGHT_FILL, 1}, {PROP_PEN_WIDTH, 3}, {PROP_SELECTED, 1}});
  ASSERT_NE(id, 0);
  AnnValue v = 0;
  engine->GetElementProperty(layer, id, PROP_BACK_STYLE, &v);
  EXPECT_EQ(v, 3) << "highlight makes the back translucent";
  engine->GetElementProperty(layer, id, PROP_PEN_WIDTH, &v);
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(engine->HasSelection(layer));
  plat::RECT r{};
  EXPECT_EQ(engine->GetElementRect(layer, id, &r), ANN_OK);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 90);

  AnnObjectDesc* back = nullptr;
  engine->CreateObjectDesc(&back);
  EXPECT_EQ(engine->GetElementDesc(layer, id, back), ANN_OK);
  plat::RECT got{};
  AnnValue rect = reinterpret_cast<AnnValue>(&got);
  engine->GetObjectDescField(back, PROP_RECT, &rect);
  EXPECT_EQ(got.left, 10);
  EXPECT_EQ(got.top, 20);
  EXPECT_EQ(got.right, 110);
  engine->GetObjectDescField(back, 128, &v);
  EXPECT_EQ(v, TOOL_RECTANGLE);
  engine->GetObjectDescField(back, PROP_PEN_WIDTH, &v);
  EXPECT_EQ(v, 3);
  engine->FreeObjectDesc(back);
}

TEST_F(EngineRenderTest, SelectionAndZOrderOnlyReachTheCurrentLayer) {
  AnnLayerHandle other = engine->CreateLayer(0);  // not current
  MakeElementFromDesc(engine, other, TOOL_RECTANGLE, {10, 10, 50, 50}, {{PROP_SELECTED, 1}});
  EXPECT_FALSE(engine->HasSelection(other));
  EXPECT_FALSE(engine->HasSelection(layer));
}

TEST_F(EngineRenderTest, BurnInDrawsEveryLayerAtEachDepth) {
  HostPicture(WhitePage(200, 100));

  // Blue pen, green fill; selected, but grab handles are never burned in.
  MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {20, 20, 120, 80},
                      {{PROP_PEN_COLOR, 0xFF0000}, {PROP_FILL_COLOR, 0x00FF00}, {PROP_PEN_WIDTH, 2}, {PROP_SELECTED, 1}});
  // Red pen, cyan fill, on a second layer.
  MakeElementFromDesc(engine, engine->CreateLayer(1), TOOL_ELLIPSE, {130, 10, 190, 90},
                      {{PROP_PEN_COLOR, 0x0000FF}, {PROP_FILL_COLOR, 0xFFFF00}});

  struct Case {
    int bits;
    int tableEntries;
    QRgb pen, fill, ellipse, paper;
  } cases[] = {
      {24, 0, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFFFFFF},
      {8, 256, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFFFFFF},
      {4, 16, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFFFFFF},
      {1, 2, 0x000000, 0x000000, 0x000000, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(engine->BurnInLayers(c.bits), ANN_OK) << c.bits;
    ASSERT_NE(gResult, nullptr);
    auto* h = static_cast<const plat::BITMAPINFOHEADER*>(plat::GlobalLock(gResult));
    EXPECT_EQ(h->biBitCount, c.bits);
    EXPECT_EQ(h->biWidth, 200);
    EXPECT_EQ(h->biHeight, 100);
    size_t stride = ((200 * size_t(c.bits) + 31) / 32) * 4;
    EXPECT_EQ(h->biSizeImage, stride * 100);
    EXPECT_EQ(plat::GlobalSize(gResult), 40 + 4 * size_t(c.tableEntries) + stride * 100) << c.bits;
    plat::GlobalUnlock(gResult);
    QImage out;
    ASSERT_TRUE(plat::ImageFromPackedDib(gResult, &out)) << c.bits;
    EXPECT_EQ(pixelOf(out, 20, 50), c.pen) << c.bits;  // the rectangle's left edge
    EXPECT_EQ(pixelOf(out, 70, 50), c.fill) << c.bits;
    EXPECT_EQ(pixelOf(out, 160, 50), c.ellipse) << c.bits;
    EXPECT_EQ(pixelOf(out, 5, 5), c.paper) << c.bits;
    EXPECT_EQ(pixelOf(out, 18, 18), c.paper) << c.bits << ": no grab handle";
  }
  EXPECT_EQ(engine->BurnInLayers(16), ERR_BAD_VALUE);
  EXPECT_EQ(engine->BurnInLayers(32), ERR_BAD_VALUE);
}

TEST_F(EngineRenderTest, BurnInNeedsLayersAndAPicture) {
  engine->DeleteLayer(layer);
  HostPicture(nullptr);
  EXPECT_EQ(engine->BurnInLayers(24), ANN_OK);
  EXPECT_EQ(gSourceCalls, 0) << "without layers nothing is asked";
  engine->CreateLayer(1);
  EXPECT_EQ(engine->BurnInLayers(24), ERR_NO_IMAGE);
  engine->SetImageSourceCallback(nullptr);
  EXPECT_EQ(engine->BurnInLayers(24), ERR_NO_IMAGE_SOURCE);
}

TEST_F(EngineRenderTest, BurnInKeepsTheColourTableOfARicherSource) {
  QImage page(64, 32, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 256; ++i) table.append(qRgb(255 - i, i, 128));
  page.setColorTable(table);
  page.fill(3);
  HostPicture(plat::PackedDibFromImage(page, 8));
  ASSERT_EQ(engine->BurnInLayers(4), ANN_OK);
  auto* p = static_cast<const uint8_t*>(plat::GlobalLock(gResult));
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(p[40 + 4 * i + 2], 255 - i) << i;  // red of entry i
    EXPECT_EQ(p[40 + 4 * i + 1], i) << i;
  }
  plat::GlobalUnlock(gResult);
}

TEST_F(EngineRenderTest, BurnInDrawsEveryKind) {
  engine->SetDefaultViewSize(400, 300);
  HostPicture(WhitePage(400, 300));
  engine->SetDrawImageCallback(&onDrawImage);
  MakeOneOfEveryKind(engine, layer);
  for (int bits : {24, 8, 4, 1}) {
    ASSERT_EQ(engine->BurnInLayers(bits), ANN_OK) << bits;
    QImage out;
    ASSERT_TRUE(plat::ImageFromPackedDib(gResult, &out)) << bits;
    for (int32_t kind = TOOL_TEXT; kind <= TOOL_BUTTON; ++kind) {
      const int i = kind - TOOL_TEXT;
      int marked = 0;
      for (int y = 100 * (i / 4); y < 100 * (i / 4) + 100; ++y)
        for (int x = 100 * (i % 4); x < 100 * (i % 4) + 100; ++x) marked += pixelOf(out, x, y) != 0xFFFFFF;
      EXPECT_GT(marked, 20) << "kind " << kind << " at " << bits << " bits";
    }
  }
}

// Selected strokes and lines are burned in as they look unselected: their grips are no part of
// the picture, at any depth.
TEST_F(EngineRenderTest, BurnInLeavesOutTheGripsOfSelectedStrokes) {
  HostPicture(WhitePage(200, 100));
  MakeElementFromDesc(engine, layer, TOOL_FREEHAND, {20, 20, 140, 80}, {{PROP_PEN_COLOR, 0x0000FF}, {PROP_PEN_WIDTH, 1}},
                      {{20, 20}, {60, 70}, {100, 30}, {140, 80}});
  MakeElementFromDesc(engine, layer, TOOL_LINE, {30, 10, 180, 90}, {{PROP_PEN_COLOR, 0xFF0000}, {PROP_PEN_WIDTH, 1}},
                      {{30, 90}, {180, 10}});
  auto burned = [&](int bits) {
    EXPECT_EQ(engine->BurnInLayers(bits), ANN_OK) << bits;
    auto* p = static_cast<const uint8_t*>(plat::GlobalLock(gResult));
    std::vector<uint8_t> bytes(p, p + plat::GlobalSize(gResult));
    plat::GlobalUnlock(gResult);
    return bytes;
  };
  const int depths[] = {24, 8, 4, 1};
  std::vector<std::vector<uint8_t>> plain;
  for (int bits : depths) plain.push_back(burned(bits));
  ASSERT_EQ(engine->SelectAllElements(layer, 1), ANN_OK);
  ASSERT_TRUE(engine->HasSelection(layer));
  for (size_t i = 0; i < std::size(depths); ++i) EXPECT_TRUE(burned(depths[i]) == plain[i]) << depths[i] << " bits";
}

// Where the page's colour table has nothing near a light mark, the nearest entry would be the
// paper and the mark would vanish. A table with free entries (no pixel uses them, and they only pad
// the table or repeat an earlier entry) takes the marks' own colours; a full one gives each mark the
// entry nearest in hue and lightness among those that stand apart from the paper, so a light grey
// becomes a darker grey, not a colour; on a page of black and white a mark that is not of the
// paper's colour becomes ink, and one of the paper's colour stays paper.
// A page whose table declares two colours, none black: the burned page's table is padded with
// black, a black mark takes a padding entry, and a mark of another colour must not take that same
// entry for its own.
TEST_F(EngineRenderTest, ABlackMarkKeepsItsEntryFromTheNextColour) {
  MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {20, 30, 100, 90}, {{PROP_PEN_WIDTH, 0}, {PROP_FILL_COLOR, 0x000000}});
  MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {120, 30, 140, 50}, {{PROP_PEN_WIDTH, 0}, {PROP_FILL_COLOR, 0x0000FF}});
  HostPicture(IndexedPage(8, {qRgb(255, 255, 255), qRgb(0, 0, 255)}, 0, 1, 10, true));
  ASSERT_EQ(engine->BurnInLayers(8), ANN_OK);
  QImage out;
  ASSERT_TRUE(plat::ImageFromPackedDib(gResult, &out));
  EXPECT_EQ(pixelOf(out, 60, 60), 0x000000) << "the black mark";
  EXPECT_EQ(pixelOf(out, 130, 40), 0xFF0000) << "the red mark";
  EXPECT_EQ(pixelOf(out, 100, 5), 0x0000FF) << "the page's blue";
}

TEST_F(EngineRenderTest, LightMarksStayVisibleOnPagesOfFewColours) {
  const plat::COLORREF light[] = {0xFFFF00, 0x00FFFF, 0xD0D0D0};  // cyan, yellow, light grey
  for (int i = 0; i < 3; ++i)
    MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {20 + 45 * i, 30, 55 + 45 * i, 90},
                        {{PROP_PEN_WIDTH, 0}, {PROP_FILL_COLOR, AnnValue(light[i])}});
  // Paper laid over the ink.
  MakeElementFromDesc(engine, layer, TOOL_RECTANGLE, {160, 0, 190, 20}, {{PROP_PEN_WIDTH, 0}, {PROP_FILL_COLOR, 0xFFFFFF}});

  std::vector<QRgb> greys;
  for (int g = 0; g < 256; ++g) greys.push_back(qRgb(g, g, g));
  const std::vector<QRgb> blackWhite = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  // Sixteen colours with a dark grey but no light one, white last.
  const std::vector<QRgb> sixteen = {
      qRgb(0, 0, 0),     qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0), qRgb(0, 0, 128),   qRgb(128, 0, 128),
      qRgb(0, 128, 128), qRgb(64, 64, 64),  qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0), qRgb(0, 0, 255),
      qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 128, 0), qRgb(255, 255, 255)};
  // Ten colours with the dark grey, white last; the other 246 entries pad the table.
  std::vector<QRgb> ten(sixteen.begin(), sixteen.begin() + 9);
  ten.push_back(qRgb(255, 255, 255));
  struct Page {
    int bits;
    std::vector<QRgb> table;
    uint8_t paper, ink;
    QRgb marks[3];
  } pages[] = {
      {1, blackWhite, 1, 0, {0x000000, 0x000000, 0x000000}},
      {1, {qRgb(255, 255, 255), qRgb(0, 0, 0)}, 0, 1, {0x000000, 0x000000, 0x000000}},  // inverted table
      {4, blackWhite, 1, 0, {0x00FFFF, 0xFFFF00, 0xD0D0D0}},
      {8, blackWhite, 1, 0, {0x00FFFF, 0xFFFF00, 0xD0D0D0}},
      {8, ten, 9, 0, {0x00FFFF, 0xFFFF00, 0xD0D0D0}},
      {4, sixteen, 15, 0, {0x00FFFF, 0xFFFF00, 0x404040}},
      // The lightest grey that stands apart from the paper is nearest to both light colours.
      {8, greys, 255, 0, {0xE3E3E3, 0xE3E3E3, 0xD0D0D0}},
  };
  for (const Page& page : pages) {
    SCOPED_TRACE(testing::Message() << page.bits << " bits, " << page.table.size() << " colours");
    HostPicture(IndexedPage(page.bits, page.table, page.paper, page.ink, 10));
    ASSERT_EQ(engine->BurnInLayers(page.bits), ANN_OK);
    QImage out;
    ASSERT_TRUE(plat::ImageFromPackedDib(gResult, &out));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pixelOf(out, 37 + 45 * i, 60), page.marks[i]) << "mark " << i;
    EXPECT_EQ(pixelOf(out, 175, 5), 0xFFFFFF) << "paper over the ink";
    EXPECT_EQ(pixelOf(out, 100, 5), 0x000000) << "the ink";
    EXPECT_EQ(pixelOf(out, 10, 95), 0xFFFFFF) << "the paper";
  }
}
