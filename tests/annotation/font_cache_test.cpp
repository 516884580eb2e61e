// The shared font cache: entries, reference counts, scaling and character widths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "annotation/engine_interface.h"
#include "annotation/font_cache.h"
#include "platform/graphics/gdi.h"

namespace {

plat::LOGFONTA font(int32_t height, const char* face = "DejaVu Sans", int32_t width = 0) {
  plat::LOGFONTA f{};
  f.lfHeight = height;
  f.lfWidth = width;
  std::strncpy(f.lfFaceName, face, plat::LF_FACESIZE - 1);
  return f;
}

// A host imaging view that reports a fixed resolution, or fails to.
class FakeHost : public AnnHostImaging {
 public:
  explicit FakeHost(double dpi, plat::HRESULT result = plat::S_OK) : dpi_(dpi), result_(result) {}
  uint32_t AddRef() override { return ++refs; }
  uint32_t Release() override { return --refs; }
  plat::HRESULT GetViewGeometry(int32_t, int32_t*, plat::RECT*, plat::RECT*, int32_t*, int32_t*) override {
    return plat::E_FAIL;
  }
  plat::HRESULT GetResolution(double* dpi) override {
    *dpi = dpi_;
    return result_;
  }
  uint32_t refs = 1;

 private:
  double dpi_;
  plat::HRESULT result_;
};

}  // namespace

TEST(FontCacheTest, OneEntryPerKeyWithReferenceCounts) {
  AnnFontCache cache;
  plat::LOGFONTA key = font(-15);
  AnnFontEntry* a = cache.Acquire(key);
  AnnFontEntry* b = cache.Acquire(key);
  ASSERT_EQ(a, b);
  EXPECT_EQ(a->refs, 2);
  EXPECT_EQ(cache.EntryCount(), 1);
  ASSERT_NE(cache.GetFont(key, 1, 1, nullptr, nullptr), nullptr);
  ASSERT_NE(a->font, nullptr);
  int32_t objects = plat::LiveGdiObjects();
  cache.Release(key);
  EXPECT_NE(a->font, nullptr);
  EXPECT_EQ(a->refs, 1);
  cache.Release(key);  // the last holder: the entry goes with its font
  EXPECT_EQ(plat::LiveGdiObjects(), objects - 1);
  EXPECT_EQ(cache.EntryCount(), 0);
  cache.Release(key);  // a key no one holds changes nothing
  EXPECT_EQ(cache.EntryCount(), 0);
  EXPECT_EQ(cache.GetFont(key, 1, 1, nullptr, nullptr), nullptr);  // no longer held
  EXPECT_EQ(cache.GetFont(font(-99), 1, 1, nullptr, nullptr), nullptr);  // never acquired
  // Held again, the key gets a fresh entry whose font is made anew.
  cache.Acquire(key);
  AnnFontEntry* again = cache.GetFont(key, 1, 1, nullptr, nullptr);
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again->font, nullptr);
  EXPECT_EQ(again->refs, 1);
}

TEST(FontCacheTest, ManyFontsUsedOneAfterAnotherLeaveNothingBehind) {
  AnnFontCache cache;
  plat::LOGFONTA kept = font(-12);
  AnnFontEntry* held = cache.Acquire(kept);
  ASSERT_NE(cache.GetFont(kept, 1, 1, nullptr, nullptr), nullptr);
  int32_t objects = plat::LiveGdiObjects();
  for (int h = 1; h <= 200; ++h) {
    plat::LOGFONTA key = font(-12 - h);
    cache.Acquire(key);
    ASSERT_NE(cache.GetFont(key, 1, 1, nullptr, nullptr), nullptr);
    cache.Release(key);
  }
  EXPECT_EQ(cache.EntryCount(), 1);
  EXPECT_EQ(plat::LiveGdiObjects(), objects);
  // The font still held kept its entry where it was.
  EXPECT_EQ(cache.Acquire(kept), held);
  EXPECT_NE(held->font, nullptr);
}

TEST(FontCacheTest, EntriesKeepTheirAddressesWhileTheCacheGrows) {
  AnnFontCache cache;
  AnnFontEntry* first = cache.Acquire(font(-10));
  std::vector<AnnFontEntry*> all;
  for (int h = 1; h <= 50; ++h) all.push_back(cache.Acquire(font(-10 - h)));
  EXPECT_EQ(cache.Acquire(font(-10)), first);
  EXPECT_EQ(first->key.lfHeight, -10);
  EXPECT_EQ(cache.EntryCount(), 51);
}

TEST(FontCacheTest, ScalesAreAppliedAndRememberedPerEntry) {
  struct Case {
    plat::LOGFONTA key;
    float sx, sy;
    int32_t height, width;
  } cases[] = {
      {font(-15), 1, 1, -15, 0},         {font(-15), 2, 3, -30, 0},  // no width: the smaller scale
      {font(-15, "DejaVu Sans", 8), 2, 3, -45, 16},                  // with a width: each its own
      {font(-15), 0.5f, 0.5f, -8, 0},                                // -7.5 rounds away from zero
  };
  for (const auto& c : cases) {
    AnnFontCache cache;
    cache.Acquire(c.key);
    uint8_t recreated = 1;
    AnnFontEntry* e = cache.GetFont(c.key, c.sx, c.sy, &recreated, nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->created.lfHeight, c.height);
    EXPECT_EQ(e->created.lfWidth, c.width);
    EXPECT_EQ(e->created.lfCharSet, plat::DEFAULT_CHARSET);
    EXPECT_TRUE(e->created.lfClipPrecision & plat::CLIP_LH_ANGLES);
    EXPECT_EQ(recreated, 0);
    // The same scales again reuse the font as it is.
    plat::HFONT f = e->font;
    recreated = 1;
    EXPECT_EQ(cache.GetFont(c.key, c.sx, c.sy, &recreated, nullptr)->font, f);
    EXPECT_EQ(recreated, 1);
  }
}

TEST(FontCacheTest, HostResolutionScalesHeightsFrom72Dpi) {
  struct Case {
    double dpi;
    plat::HRESULT result;
    int32_t height;
  } cases[] = {{96, plat::S_OK, -20}, {72, plat::S_OK, -15}, {72.9, plat::S_OK, -15}, {0.5, plat::S_OK, -15},
               {144, plat::S_OK, -30},
               // A host that cannot say, or says nothing usable, leaves the height unscaled
               // instead of failing the draw.
               {96, plat::E_FAIL, -15}, {std::nan(""), plat::S_OK, -15}, {1e12, plat::S_OK, -15}};
  for (const auto& c : cases) {
    FakeHost host(c.dpi, c.result);
    AnnFontCache cache;
    cache.SetHost(&host);
    cache.SetScaleFonts(true);
    plat::LOGFONTA key = font(-15);
    cache.Acquire(key);
    AnnFontEntry* e = cache.GetFont(key, 1, 1, nullptr, nullptr);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->created.lfHeight, c.height) << c.dpi;
    cache.SetHost(nullptr);
    EXPECT_EQ(host.refs, 1u);
  }
  AnnFontCache noHost;
  noHost.SetScaleFonts(true);
  plat::LOGFONTA key = font(-15);
  noHost.Acquire(key);
  EXPECT_EQ(noHost.GetFont(key, 1, 1, nullptr, nullptr)->created.lfHeight, -15);
}

TEST(FontCacheTest, AWidthScaledPastTheIntRangeStopsAtItsEnd) {
  FakeHost host(96);
  AnnFontCache cache;
  cache.SetHost(&host);
  cache.SetScaleFonts(true);
  plat::LOGFONTA key = font(-15, "DejaVu Sans", 2000000000);  // as a stream can give it
  cache.Acquire(key);
  AnnFontEntry* e = cache.GetFont(key, 1, 1, nullptr, nullptr);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->created.lfWidth, INT32_MAX);
  cache.SetHost(nullptr);
}

TEST(FontCacheTest, SwitchingScaleModeRemakesFonts) {
  FakeHost host(96);
  AnnFontCache cache;
  cache.SetHost(&host);
  plat::LOGFONTA key = font(-15);
  cache.Acquire(key);
  AnnFontEntry* e = cache.GetFont(key, 1, 1, nullptr, nullptr);
  EXPECT_EQ(e->created.lfHeight, -15);
  cache.SetScaleFonts(true);
  EXPECT_EQ(e->font, nullptr);
  EXPECT_EQ(cache.GetFont(key, 1, 1, nullptr, nullptr)->created.lfHeight, -20);
  cache.SetHost(nullptr);
}

TEST(FontCacheTest, MetricsAndWidthsComeFromTheFont) {
  AnnFontCache cache;
  plat::LOGFONTA key = font(-20);
  cache.Acquire(key);
  AnnFontEntry* e = cache.GetFont(key, 1, 1, nullptr, nullptr);
  ASSERT_NE(e, nullptr);
  EXPECT_GT(e->height, 15);
  EXPECT_EQ(e->ascent + e->descent, e->height);
  EXPECT_GT(e->CharWidth(u'W'), e->CharWidth(u'i'));
  EXPECT_GT(e->CharWidth(u'i'), 0);
  EXPECT_EQ(e->CharWidth(u'W'), e->CharWidth(u'W'));
}

TEST(FontCacheTest, WideCharactersAreMeasuredWhenFirstNeeded) {
  AnnFontCache cache;
  plat::LOGFONTA key = font(-20);
  cache.Acquire(key);
  // Made for a text without them, the font still measures U+20AC and U+0416 when they are asked for.
  AnnFontEntry* e = cache.GetFont(key, 1, 1, nullptr, u"abc");
  EXPECT_GT(e->CharWidth(u'\u20AC'), 0);
  EXPECT_GT(e->CharWidth(u'\u0416'), 0);
  cache.SetMeasureWideChars(true);
  AnnFontCache other;
  other.SetMeasureWideChars(true);
  other.Acquire(key);
  EXPECT_GT(other.GetFont(key, 1, 1, nullptr, u"\u0416x")->CharWidth(u'\u0416'), 0);
}
