// The named-block export of both exporters through the loaded library.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine_host.h"

namespace {

// Builds expected bytes the way the layout reads.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  Bytes& raw(const char* s, size_t n) {
    b.insert(b.end(), s, s + n);
    return *this;
  }
  Bytes& name(const char* s) {
    char field[8] = {};
    std::memcpy(field, s, std::min<size_t>(8, std::strlen(s)));
    return raw(field, 8);
  }
  Bytes& untitledUnicode() {
    u32(12).raw("[Untitled]\0\0", 12);
    for (char c : std::string("[Untitled]")) raw(&c, 1).raw("\0", 1);
    return u32(0).raw("\0\0", 2);
  }
  Bytes& trailer() {
    u32(6).u32(12).name("OiGroup").u32(11).raw("[Untitled]", 11);
    return u32(6).u32(12).name("OiIndex").u32(10).raw("0\0\0\0\0\0\0\0\0\0", 10);
  }
};

}  // namespace

class EngineOiTest : public EngineTest {
 protected:
  std::vector<uint8_t> Export(bool unicode, bool layerBlocks) {
    void* block = nullptr;
    int32_t n = unicode ? engine->ExportOiAnnotations(&block, layerBlocks) : engine->ExportOiAnnotationsAnsi(&block, layerBlocks);
    std::vector<uint8_t> out;
    if (n > 0 && block) out.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + n);
    plat::CoTaskMemFree(block);
    return out;
  }
  static uint32_t At(const std::vector<uint8_t>& b, size_t offset) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
  }
  // Offset of the mark record (after its item type and size).
  static size_t Record(const std::vector<uint8_t>& b) {
    for (size_t i = 0; i + 8 <= b.size(); ++i)
      if (At(b, i) == 5 && At(b, i + 4) == 164) return i + 8;
    return std::string::npos;
  }
};

TEST_F(EngineOiTest, OneUnnamedEmptyLayerGivesTheFixedBytesOfEachExporter) {
  EXPECT_TRUE(Export(true, true).empty()) << "no layer: nothing";
  engine->CreateLayer(1);
  Bytes second;
  second.u32(0).u32(1).u32(2).u32(12).name("OiGroup").u32(11).raw("[Untitled]", 11).trailer();
  auto got = Export(false, true);
  EXPECT_EQ(got.size(), 100u);
  EXPECT_EQ(got, second.b);

  Bytes first;
  first.u32(0x00030004).u32(1).u32(2).u32(12).name("OIUGROUP").u32(42).untitledUnicode().trailer();
  got = Export(true, true);
  EXPECT_EQ(got.size(), 131u);
  EXPECT_EQ(got, first.b);

  engine->SetSaveEnabled(0);
  EXPECT_TRUE(Export(true, true).empty()) << "saving disabled: nothing";
}

TEST_F(EngineOiTest, RectanglesBecomeMarksByTheirBackStyle) {
  engine->SetDefaultViewSize(400, 300);
  AnnLayerHandle l = engine->CreateLayer(1);
  int32_t id = MakeElementFromDesc(engine, l, TOOL_RECTANGLE, {10, 20, 110, 220},
                                   {{PROP_BACK_STYLE, 1}, {PROP_PEN_COLOR, 0x00112233}, {PROP_PEN_WIDTH, 4}});
  auto b = Export(false, false);
  size_t r = Record(b);
  ASSERT_NE(r, std::string::npos);
  EXPECT_EQ(At(b, r), 5u) << "transparent rectangle";
  EXPECT_EQ(At(b, r + 4), 10u);
  EXPECT_EQ(At(b, r + 8), 20u);
  EXPECT_EQ(At(b, r + 12), 110u);
  EXPECT_EQ(At(b, r + 16), 220u);
  EXPECT_EQ(At(b, r + 20), 0x00332211u) << "blue, green, red, 0";
  EXPECT_EQ(At(b, r + 32), 1u);
  EXPECT_EQ(At(b, r + 36), 4u);
  EXPECT_EQ(At(b, r + 116), 1u);
  EXPECT_EQ(At(b, r + 120), 0x000FF83Fu);
  // The index block before the record names the element.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()) + r - 8 - 10), std::to_string(id));

  ASSERT_EQ(engine->SetElementProperty(l, id, PROP_BACK_STYLE, 3), ANN_OK);
  ASSERT_EQ(engine->SetElementProperty(l, id, PROP_FILL_COLOR, 0x00ABCDEF), ANN_OK);
  b = Export(false, false);
  r = Record(b);
  EXPECT_EQ(At(b, r), 6u) << "translucent rectangle";
  EXPECT_EQ(At(b, r + 20), 0x00EFCDABu);
  EXPECT_EQ(At(b, r + 28), 1u) << "highlighting";
  EXPECT_EQ(At(b, r + 36), 0u) << "no line size for a filled mark";
}

TEST_F(EngineOiTest, KindsWithoutAFormAddNoBytes) {
  engine->SetDefaultViewSize(400, 300);
  AnnLayerHandle l = engine->CreateLayer(1);
  auto empty = Export(true, false);
  MakeElementFromDesc(engine, l, TOOL_ELLIPSE, {10, 10, 50, 50});
  EXPECT_EQ(Export(true, false), empty);
}

TEST_F(EngineOiTest, TextMarksCarryTheCreationScaleOfTheHostResolution) {
  struct Case {
    int32_t scaleFonts;
    double dpi;
    uint32_t scale;
  } cases[] = {{0, 96, 1000}, {1, 96, 750}, {1, 200, 360}, {1, 72.5, 1000}, {1, 0.5, 1000},
               // Resolutions no one can use leave the scale as it is.
               {1, std::nan(""), 1000}, {1, 1e12, 1000}};
  for (const Case& c : cases) {
    AnnEngineInterface* e = EngineLibrary::Get().init(kCookie, window, 0);
    TestHostView host(1, c.dpi);
    e->AttachImaging(&host);
    e->SetEngineProperty(EPROP_SCALE_FONTS, c.scaleFonts);
    AnnLayerHandle l = e->CreateLayer(1);
    MakeElementFromDesc(e, l, TOOL_TEXT, {10, 10, 200, 60}, {{PROP_TEXT, reinterpret_cast<AnnValue>(u"Hi")}});
    void* block = nullptr;
    int32_t n = e->ExportOiAnnotationsAnsi(&block, 0);
    std::vector<uint8_t> b(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + std::max(n, 0));
    plat::CoTaskMemFree(block);
    const char name[8] = {'O', 'i', 'A', 'n', 'T', 'e', 'x', 't'};
    auto at = std::search(b.begin(), b.end(), name, name + 8);
    ASSERT_NE(at, b.end()) << c.dpi;
    // Size, orientation and 1000 come first.
    EXPECT_EQ(At(b, size_t(at - b.begin()) + 20), c.scale) << c.scaleFonts << " " << c.dpi;
    e->AttachImaging(nullptr);
    EngineLibrary::Get().deinit(e);
  }
}

TEST_F(EngineOiTest, PointAndTextMarksCarryTheirBlocks) {
  engine->SetDefaultViewSize(400, 300);
  AnnLayerHandle l = engine->CreateLayer(1);
  MakeOneOfEveryKind(engine, l);
  auto b = Export(true, false);
  // The content size that follows a block name.
  auto sizes = [&](const char* name) {
    std::vector<uint32_t> found;
    char field[8] = {};
    std::memcpy(field, name, std::min<size_t>(8, std::strlen(name)));
    for (size_t i = 0; i + 12 <= b.size(); ++i)
      if (std::memcmp(b.data() + i, field, 8) == 0) found.push_back(At(b, i + 8));
    return found;
  };
  // Freehand and line (3 and 2 points), then the picture's block of the image mark.
  EXPECT_EQ(sizes("OiAnoDat"), (std::vector<uint32_t>{8 + 8 * 2, 32, 56}));
  // Text and stamp, "Hello" each.
  EXPECT_EQ(sizes("OiUText"), (std::vector<uint32_t>{22, 22}));
  EXPECT_EQ(sizes("OiAnText"), (std::vector<uint32_t>{22, 22}));
  EXPECT_EQ(sizes("OiDIB").size(), 1u);
  // The second exporter writes the ANSI text only.
  b = Export(false, false);
  EXPECT_TRUE(sizes("OiUText").empty());
  EXPECT_EQ(sizes("OiAnText"), (std::vector<uint32_t>{22, 22}));
}
