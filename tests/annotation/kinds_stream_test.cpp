// Every element kind through the layer stream: written, read into a fresh layer and written
// again gives the same bytes. With LUMIVEX_WRITE_FUZZ_SEEDS set to a folder, the streams are also
// written there as seeds of the layer-stream fuzz target.
#include <QImage>
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "annotation/elements/image_element.h"
#include "annotation/elements/poly_element.h"
#include "annotation/persist/stream_io.h"
#include "annotation/rect_util.h"
#include "huge_pen_stream.h"
#include "layer_fixture.h"

namespace {

class KindsStreamTest : public LayerFixture {
 protected:
  // Makes an element of the kind with the tool, lets set fill it in, and places it.
  template <typename Fill>
  int32_t Make(int32_t kind, Fill set) {
    EXPECT_EQ(layer->SetCurrentTool(kind), ANN_OK);
    AnnElement* e = layer->CurrentElement();
    EXPECT_NE(e, nullptr);
    if (!e) return 0;
    set(e);
    int32_t id = layer->PlaceElement(nullptr, false, true);
    layer->SetCurrentTool(TOOL_POINTER);
    return id;
  }
  static void Set(AnnElement* e, int32_t id, AnnValue v) {
    bool changed = false;
    EXPECT_EQ(e->SetProperty(id, v, &changed), ANN_OK) << id;
  }
  static void SetRect(AnnElement* e, int32_t l, int32_t t, int32_t r, int32_t b) {
    plat::RECT rect{annLx(l), annLy(t), annLx(r), annLy(b)};
    Set(e, PROP_RECT, reinterpret_cast<AnnValue>(&rect));
  }
  static void SetPoints(AnnElement* e, std::vector<plat::POINT> pixels) {
    for (plat::POINT& p : pixels) p = {annLx(p.x), annLy(p.y)};
    e->SetPoints(intptr_t(pixels.size()), reinterpret_cast<intptr_t>(pixels.data()));
  }

  void WriteSeed(const char* name, const std::vector<uint8_t>& bytes) {
    const char* folder = std::getenv("LUMIVEX_WRITE_FUZZ_SEEDS");
    if (!folder) return;
    std::ofstream out(std::string(folder) + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
};

TEST_F(KindsStreamTest, EveryKindRoundTripsByteForByte) {
  layer->SetProperty(LPROP_NAME, reinterpret_cast<AnnValue>(u"Copper Lantra"));  // fixed times
  QImage picture(4, 3, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  plat::HGLOBAL dib = plat::PackedDibFromImage(picture, 24);
  plat::LOGFONTA font{};
  font.lfHeight = -14;
  std::strcpy(font.lfFaceName, "DejaVu Sans");

  struct Kind {
    const char* seed;
    int32_t kind;
    std::function<void(AnnElement*)> fill;
  } kinds[] = {
      {"polygon.bin", TOOL_POLYGON,
       [](AnnElement* e) {
         SetPoints(e, {{10, 10}, {90, 20}, {50, 80}});
         Set(e, PROP_HATCH_STYLE, 3);
       }},
      {"polyline.bin", TOOL_POLYLINE,
       [](AnnElement* e) {
         SetPoints(e, {{100, 10}, {150, 60}, {190, 15}, {199, 70}});
         Set(e, PROP_PEN_STYLE, 2);
       }},
      {"line.bin", TOOL_LINE,
       [](AnnElement* e) {
         SetPoints(e, {{300, 200}, {220, 120}});
         Set(e, PROP_ARROWHEAD, 1);
         Set(e, PROP_LINE_13, 77);
       }},
      {"freehand.bin", TOOL_FREEHAND,
       [](AnnElement* e) {
         std::vector<plat::POINT> stroke;
         for (int i = 0; i < 40; ++i) stroke.push_back({400 + i * 3, 300 + (i % 7) * 4});
         SetPoints(e, stroke);
       }},
      {"text.bin", TOOL_TEXT,
       [&](AnnElement* e) {
         SetRect(e, 20, 300, 220, 380);
         Set(e, PROP_FONT, reinterpret_cast<AnnValue>(&font));
         Set(e, PROP_TEXT, reinterpret_cast<AnnValue>(u"Two lines\r\n\u0394\u03b5\u03cd\u03c4\u03b5\u03c1\u03b7 \u6f22\u5b57"));
         Set(e, PROP_TEXT_ORIENTATION, 1800);
         Set(e, PROP_TEXT_JUSTIFICATION, 2);
       }},
      {"stamp.bin", TOOL_STAMP,
       [](AnnElement* e) {
         SetRect(e, 500, 50, 640, 90);
         Set(e, PROP_TEXT, reinterpret_cast<AnnValue>(u"RECEIVED"));
         Set(e, PROP_TEXT_ORIENTATION, 900);
       }},
      {"button.bin", TOOL_BUTTON,
       [](AnnElement* e) {
         SetRect(e, 600, 500, 700, 540);
         Set(e, PROP_TEXT, reinterpret_cast<AnnValue>(u"Press \u00e9"));
       }},
      {"image.bin", TOOL_IMAGE,
       [&](AnnElement* e) {
         SetRect(e, 700, 10, 740, 40);
         Set(e, PROP_IMAGE, reinterpret_cast<AnnValue>(dib));
       }},
  };
  for (const Kind& k : kinds) {
    AnnLayer* one = NewLayer();
    one->SetProperty(LPROP_NAME, reinterpret_cast<AnnValue>(u"Copper Lantra"));
    AnnLayer* keep = layer;
    layer = one;
    ASSERT_NE(Make(k.kind, k.fill), 0) << k.seed;
    layer = keep;
    std::vector<uint8_t> bytes = Saved(one);
    WriteSeed(k.seed, bytes);
    AnnLayer* back = NewLayer();
    ASSERT_EQ(LoadBytes(back, bytes), ANN_OK) << k.seed;
    ASSERT_EQ(back->GetElementCount(), 1) << k.seed;
    auto again = Saved(back);
    EXPECT_TRUE(again == bytes) << k.seed << " differs at " << std::mismatch(bytes.begin(), bytes.end(), again.begin(), again.end()).first - bytes.begin() << " of " << bytes.size() << "/" << again.size();
    // Into the shared layer as well, for a stream of every kind together.
    ASSERT_EQ(LoadBytes(layer, bytes, true), ANN_OK) << k.seed;
  }
  std::vector<uint8_t> all = Saved(layer);
  WriteSeed("every_kind.bin", all);
  AnnLayer* back = NewLayer();
  ASSERT_EQ(LoadBytes(back, all), ANN_OK);
  EXPECT_EQ(back->GetElementCount(), 8);
  EXPECT_EQ(Saved(back), all);
  plat::GlobalFree(dib);
}

TEST(PackedDibSizeTest, FollowsTheHeaderAndNeverPassesTheBlock) {
  auto block = [](int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0, uint32_t sizeImage = 0,
                  std::size_t extra = 0, uint32_t headerSize = 40) {
    plat::BITMAPINFOHEADER h;
    h.biSize = headerSize;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = bits;
    h.biCompression = compression;
    h.biSizeImage = sizeImage;
    std::vector<uint8_t> bytes(sizeof h + extra, 0);
    std::memcpy(bytes.data(), &h, sizeof h);
    return plat::GlobalFromBytes(bytes.data(), bytes.size());
  };
  struct Case {
    const char* what;
    plat::HGLOBAL dib;
    std::size_t want;
  } cases[] = {
      {"24 bits", block(10, 10, 24, 0, 0, 320), 360},
      {"1 bit", block(10, 10, 1, 0, 0, 48), 88},
      {"8 bits", block(10, 10, 8, 0, 0, 1144), 1184},
      {"top-down rows count by their absolute height", block(10, -10, 24, 0, 0, 320), 360},
      {"bit fields carry three masks", block(10, 2, 16, 3, 0, 12 + 40), 40 + 12 + 40},
      {"run-length pixels take the header's image size", block(10, 10, 8, 1, 100, 1024 + 100), 40 + 1024 + 100},
      {"a larger header's own size", block(2, 2, 24, 0, 0, 124 - 40 + 16, 124), 124 + 16},
      {"pixels past the block", block(10, 10, 24, 0, 0, 319), 0},
      {"a header size past the block", block(1, 1, 24, 0, 0, 4, 4000), 0},
      {"no width", block(0, 10, 24, 0, 0, 400), 0},
      {"odd depth", block(10, 10, 7, 0, 0, 400), 0},
      {"unknown compression", block(10, 10, 24, 9, 0, 400), 0},
      {"no block", nullptr, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(annPackedDibSize(c.dib), c.want) << c.what;
    plat::GlobalFree(c.dib);
  }
}

}  // namespace

namespace {

// A stored text element's font, patched in its stream and read back into a fresh layer.
class StoredFontTest : public KindsStreamTest {
 protected:
  void SetUp() override {
    KindsStreamTest::SetUp();
    plat::LOGFONTA font{};
    font.lfHeight = -14;
    font.lfWidth = 6;
    std::strcpy(font.lfFaceName, "DejaVu Sans");
    ASSERT_NE(Make(TOOL_TEXT,
                   [&](AnnElement* e) {
                     SetRect(e, 20, 20, 200, 80);
                     Set(e, PROP_FONT, reinterpret_cast<AnnValue>(&font));
                   }),
              0);
    bytes = Saved(layer);
    const char face[] = "DejaVu Sans";
    auto at = std::search(bytes.begin(), bytes.end(), face, face + sizeof face - 1);
    ASSERT_NE(at, bytes.end());
    fontAt = size_t(at - bytes.begin()) - offsetof(plat::LOGFONTA, lfFaceName);
  }
  // The font of the element read back from the bytes with patch applied to the stored font.
  plat::LOGFONTA ReadBack(const std::function<void(plat::LOGFONTA*)>& patch) {
    std::vector<uint8_t> patched = bytes;
    plat::LOGFONTA stored;
    std::memcpy(&stored, patched.data() + fontAt, sizeof stored);
    patch(&stored);
    std::memcpy(patched.data() + fontAt, &stored, sizeof stored);
    plat::LOGFONTA got{};
    AnnLayer* back = NewLayer();
    EXPECT_EQ(LoadBytes(back, patched), ANN_OK);
    AnnElement* e = back->FindElement(back->GetFirstElement());
    EXPECT_NE(e, nullptr);
    AnnValue out = reinterpret_cast<AnnValue>(&got);
    if (e) {
      EXPECT_EQ(e->GetPropertyEx(PROP_FONT, &out), ANN_OK);
    }
    return got;
  }
  std::vector<uint8_t> bytes;
  size_t fontAt = 0;
};

// A face name that fills its whole field in a stream is cut inside it, so that no one who reads
// the element's font back (the font chooser of the attribute menu) runs past its end.
TEST_F(StoredFontTest, AFaceNameEndsInsideItsField) {
  plat::LOGFONTA got = ReadBack([](plat::LOGFONTA* f) { std::memset(f->lfFaceName, 'A', plat::LF_FACESIZE); });
  EXPECT_EQ(got.lfFaceName[plat::LF_FACESIZE - 1], 0);
  EXPECT_EQ(std::string(got.lfFaceName), std::string(plat::LF_FACESIZE - 1, 'A'));
}

// A font height or width past any page (up to the ends of the int range, which scaled by zoom
// would overflow) is read as the largest size kept; ordinary sizes are read as they are.
TEST_F(StoredFontTest, SizesAreHeldWithinTheirLimit) {
  struct Case {
    int32_t storedHeight, storedWidth, height, width;
  } cases[] = {{INT32_MIN, INT32_MAX, -kAnnFontSizeLimit, kAnnFontSizeLimit},
               {INT32_MAX, INT32_MIN, kAnnFontSizeLimit, -kAnnFontSizeLimit},
               {-kAnnFontSizeLimit, kAnnFontSizeLimit, -kAnnFontSizeLimit, kAnnFontSizeLimit},
               {-14, 6, -14, 6}};
  for (const Case& c : cases) {
    plat::LOGFONTA got = ReadBack([&](plat::LOGFONTA* f) {
      f->lfHeight = c.storedHeight;
      f->lfWidth = c.storedWidth;
    });
    EXPECT_EQ(got.lfHeight, c.height) << c.storedHeight;
    EXPECT_EQ(got.lfWidth, c.width) << c.storedWidth;
  }
}

// A stroke's stored points: a count past what the stream holds fails the read and adds nothing; a
// point far outside the page is held at the edge of the page's sound range and the stroke is kept.
TEST_F(KindsStreamTest, DamagedPointsAreRefusedAndFarPointsHeld) {
  ASSERT_NE(Make(TOOL_POLYLINE, [](AnnElement* e) { SetPoints(e, {{10, 10}, {90, 20}, {50, 80}}); }), 0);
  const std::vector<uint8_t> bytes = Saved(layer);
  const uint8_t tag[] = {0x00, 0x04, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00};  // PROP_POINTS, then 3
  const size_t count = size_t(std::search(bytes.begin(), bytes.end(), tag, tag + 8) - bytes.begin()) + 4;
  ASSERT_LT(count, bytes.size());
  auto patched = [&](size_t offset, uint32_t value) {
    std::vector<uint8_t> b = bytes;
    std::memcpy(b.data() + offset, &value, 4);
    return b;
  };
  AnnLayer* refused = NewLayer();
  EXPECT_EQ(LoadBytes(refused, patched(count, 0x10000000)), ERR_STREAM) << "count past the stream";
  EXPECT_EQ(refused->GetElementCount(), 0);
  const struct {
    const char* what;
    size_t at;
    uint32_t stored;
    plat::POINT held;
  } cases[] = {
      {"point at the integer limit", count + 4, 0x7FFFFFFF, {kAnnCoordinateLimit, annLy(10)}},
      {"point far above the page", count + 8, uint32_t(-kAnnCoordinateLimit - 1), {annLx(10), -kAnnCoordinateLimit}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AnnLayer* target = NewLayer();
    ASSERT_EQ(LoadBytes(target, patched(c.at, c.stored)), ANN_OK);
    ASSERT_EQ(target->GetElementCount(), 1);
    AnnElement* e = target->FindElement(target->GetFirstElement());
    ASSERT_NE(e, nullptr);
    plat::POINT first{};
    e->GetPoint(0, &first);
    plat::POINT expected = c.held;
    // Points are handed out in page pixels.
    expected = {plat::MulDiv(expected.x, 800, ANN_LOGICAL_SPAN), plat::MulDiv(expected.y, 600, ANN_LOGICAL_SPAN)};
    EXPECT_EQ(first.x, expected.x);
    EXPECT_EQ(first.y, expected.y);
    // What was held is what is saved, and it reads back the same.
    const std::vector<uint8_t> again = Saved(target);
    AnnLayer* third = NewLayer();
    ASSERT_EQ(LoadBytes(third, again), ANN_OK);
    EXPECT_EQ(Saved(third), again);
  }
}

// A record may name a stroke's pen after its points: the bounds read back are those of the
// points and the pen together, as a stroke written in the usual order has them.
TEST_F(KindsStreamTest, AStrokesBoundsFollowAPenReadAfterItsPoints) {
  ASSERT_NE(Make(TOOL_POLYLINE, [](AnnElement* e) { SetPoints(e, {{10, 10}, {90, 20}, {50, 80}}); }), 0);
  std::vector<uint8_t> thin = Saved(layer);
  ASSERT_EQ(layer->SetElementProperty(layer->GetFirstElement(), PROP_PEN_WIDTH, 40), ANN_OK);
  const std::vector<uint8_t> wide = Saved(layer);
  // The thin stroke's record with a pen of 40 added at its end, after the points.
  const uint8_t end[] = {0x95, 0x8F, 0x00, 0x00};  // 36757, the record's end
  auto at = std::find_end(thin.begin(), thin.end(), end, end + 4);
  ASSERT_NE(at, thin.end());
  const uint8_t pen[] = {5, 0, 0, 0, 40, 0, 0, 0};
  thin.insert(at, pen, pen + 8);
  uint32_t bodySize = 0;  // the header's body size, at byte 16, covers the 8 bytes more
  std::memcpy(&bodySize, thin.data() + 16, 4);
  bodySize += 8;
  std::memcpy(thin.data() + 16, &bodySize, 4);
  AnnLayer* target = NewLayer();
  ASSERT_EQ(LoadBytes(target, thin), ANN_OK);
  AnnLayer* expected = NewLayer();
  ASSERT_EQ(LoadBytes(expected, wide), ANN_OK);
  EXPECT_EQ(target->FindElement(target->GetFirstElement())->Rect(),
            expected->FindElement(expected->GetFirstElement())->Rect());
  EXPECT_EQ(Saved(target), wide);
}

// A pen as wide as an int holds, read from a stream: placing the stroke into its rect must not
// overflow (the sanitizer build stops at such an overflow); the read may succeed or fail cleanly.
TEST_F(KindsStreamTest, AStrokeWithAHugePenReadsWithoutOverflow) {
  const int32_t r = LoadBytes(layer, kHugePenStream);
  EXPECT_TRUE(r == ANN_OK || (r >= 1005 && r <= 1099)) << r;
}

}  // namespace
