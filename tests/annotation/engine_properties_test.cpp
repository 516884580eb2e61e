// The engine's property map, the per-tool default maps and their side effects, seen from a host.
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "platform/graphics/gdi.h"
#include "tests/annotation/engine_host.h"

namespace {

struct KeyDefault {
  int32_t key;
  AnnValue value;
};

// Every integer-valued key of a fresh engine with its default.
const KeyDefault kEngineDefaults[] = {
    {34, 0},    {130, 0},       {131, 1},    {132, 1},           {133, 0},        {134, 1},    {135, 0},
    {136, 0},   {137, 1},       {138, 0},    {896, 0},           {897, 0},        {4097, 0xFF0000}, {4098, 0},
    {4099, 0xFFFFFF}, {4100, 0xC0C0C0}, {4101, 1}, {4104, 0}, {4105, 0}, {4225, 0x1007}, {36760, 5},
    {36761, 0}, {36764, 0}};

// Keys of each tool's map (10 and 11 hold addresses and are checked separately) with values.
using ToolTable = std::map<int32_t, AnnValue>;
const ToolTable kCommon = {{7, 0},  {21, 1}, {36751, 0}, {36721, 0}, {19, 0},   {24, 1},   {25, 1}, {33, 1},
                           {34, 0}, {36764, 0}, {29, 0}, {1280, 0},  {1281, 0}, {640, 0}, {1800, 0}};
ToolTable with(ToolTable own) {
  ToolTable t = kCommon;
  for (auto& [k, v] : own) t[k] = v;
  return t;
}

const std::map<int32_t, ToolTable>& toolTables() {
  static const std::map<int32_t, ToolTable> t = {
      {TOOL_POINTER, {}},
      {TOOL_TEXT, with({{5, 0}, {1, 0xFF10FF}, {2, 0}, {3, 0xFFFFFF}, {16, 2}, {8, 0}, {18, 1}, {20, 0},
                        {36719, 7}, {28, 0}, {37, 0}, {38, 5999}, {39, 0}, {41, 0}})},
      {TOOL_RECTANGLE, with({{1, 0xFF0000}, {5, 1}, {4, 0xFF00}, {16, 2}, {9, 0}, {36719, 6}, {36, 0},
                             {38, 5999}, {39, 0}})},
      {TOOL_ELLIPSE, with({{1, 0xFF0000}, {5, 1}, {4, 0xFFFF00}, {16, 2}, {9, 0}, {38, 5999}, {39, 0}})},
      {TOOL_POLYGON, with({{1, 0xFFFF00}, {5, 2}, {4, 0xFF}, {16, 2}, {9, 0}, {1024, 0}, {38, 5999}, {39, 0}})},
      {TOOL_POLYLINE, with({{1, 0x8020FF}, {5, 2}, {1024, 0}, {26, 0}, {27, 13}})},
      {TOOL_LINE, with({{1, 0xFF0000}, {5, 2}, {13, 0}, {14, 0}, {1024, 0}, {26, 0}, {27, 13}})},
      {TOOL_FREEHAND, with({{1, 0xFF00FF}, {5, 2}, {1024, 0}, {26, 0}, {27, 13}})},
      {TOOL_STAMP, with({{5, 0}, {1, 0xFF00FF}, {2, 0xFF}, {3, 0xC00000}, {16, 1}, {8, 0}, {20, 1}, {36719, 9},
                         {28, 0}, {38, 5999}, {39, 0}})},
      {TOOL_IMAGE, with({{1, 0xFF0000}, {5, 1}, {4, 0xFF00}, {15, 0xFFFFFF}, {16, 2}, {17, 0}, {20, 0},
                         {38, 5999}, {39, 0}})},
      {TOOL_BUTTON, with({{5, 4}, {22, AnnValue(plat::GetSysColor(plat::COLOR_3DLIGHT))},
                          {23, AnnValue(plat::GetSysColor(plat::COLOR_BTNSHADOW))},
                          {3, AnnValue(plat::GetSysColor(plat::COLOR_BTNFACE))},
                          {2, AnnValue(plat::GetSysColor(plat::COLOR_BTNTEXT))}, {20, 0}})},
  };
  return t;
}

bool hasStringAndFont(int32_t tool) { return tool == TOOL_TEXT || tool == TOOL_STAMP || tool == TOOL_BUTTON; }

plat::LOGFONTA font(const char* face, int32_t height) {
  plat::LOGFONTA f{};
  f.lfHeight = height;
  std::strncpy(f.lfFaceName, face, plat::LF_FACESIZE - 1);
  return f;
}

}  // namespace

TEST_F(EngineTest, FreshEnginePropertiesHoldTheirDefaults) {
  for (const auto& d : kEngineDefaults) {
    AnnValue v = -99;
    EXPECT_EQ(engine->GetEngineProperty(d.key, &v), ANN_OK) << d.key;
    EXPECT_EQ(v, d.value) << d.key;
  }
  for (int32_t key : {768, 769, 770, 771, 4128, 4131}) {
    AnnValue v = 0;
    ASSERT_EQ(engine->GetEngineProperty(key, &v), ANN_OK) << key;
    EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"") << key;
  }
  for (int32_t key : {0, 129, 4096, 4102, 4103, 4106, 40963, 99999, -1}) {
    AnnValue v = 0;
    EXPECT_EQ(engine->GetEngineProperty(key, &v), ERR_NO_PROPERTY) << key;
    EXPECT_EQ(engine->SetEngineProperty(key, 1), ERR_NO_PROPERTY) << key;
  }
}

TEST_F(EngineTest, ToolMapsHoldExactlyTheirKeys) {
  std::set<int32_t> probe = {10, 11, 12, 40, 129, 1536, 36718, 36752};
  for (const auto& [tool, table] : toolTables())
    for (const auto& kv : table) probe.insert(kv.first);
  for (const auto& [tool, table] : toolTables()) {
    for (int32_t key : probe) {
      bool expected = table.count(key) || (key == 10 && hasStringAndFont(tool)) || (key == 11 && hasStringAndFont(tool));
      bool present = !expected;
      ASSERT_EQ(engine->HasToolDefault(tool, key, &present), ANN_OK);
      EXPECT_EQ(present, expected) << "tool " << tool << " key " << key;
      AnnValue v = -99;
      int32_t r = engine->GetToolDefault(tool, key, &v);
      EXPECT_EQ(r, expected ? ANN_OK : ERR_NO_PROPERTY) << "tool " << tool << " key " << key;
      if (expected && key != 10 && key != 11) {
        EXPECT_EQ(v, table.at(key)) << "tool " << tool << " key " << key;
      }
    }
  }
}

TEST_F(EngineTest, BadToolsAreRefusedEverywhere) {
  AnnValue v = 0;
  bool b = false;
  for (int32_t tool : {0, 4095, 4107, -4096}) {
    EXPECT_EQ(engine->GetToolDefault(tool, 1, &v), ERR_BAD_TOOL);
    EXPECT_EQ(engine->SetToolDefault(tool, 1, 0), ERR_BAD_TOOL);
    EXPECT_EQ(engine->HasToolDefault(tool, 1, &b), ERR_BAD_TOOL);
    EXPECT_EQ(engine->SetToolTip(tool, nullptr), ERR_BAD_TOOL);
  }
  EXPECT_EQ(engine->GetToolDefault(TOOL_POINTER, PROP_PEN_COLOR, &v), ERR_NO_PROPERTY);
}

TEST_F(EngineTest, ToolFontsAndTextsAreReachedThroughTheirAddresses) {
  struct Case {
    int32_t tool;
    int32_t fontKey;
    const char* face;
  } cases[] = {{TOOL_TEXT, EPROP_TEXT_FONT, "Times New Roman"},
               {TOOL_STAMP, EPROP_STAMP_FONT, "Courier New"},
               {TOOL_BUTTON, EPROP_BUTTON_FONT, "Times New Roman"}};
  for (const auto& c : cases) {
    AnnValue address = 0;
    ASSERT_EQ(engine->GetToolDefault(c.tool, PROP_FONT, &address), ANN_OK);
    ASSERT_NE(address, 0);
    plat::LOGFONTA expected = font(c.face, 15);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(address), &expected, sizeof expected), 0) << c.tool;

    plat::LOGFONTA read{};
    AnnValue out = reinterpret_cast<AnnValue>(&read);
    ASSERT_EQ(engine->GetEngineProperty(c.fontKey, &out), ANN_OK);
    EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0);

    // Setting the font through the engine property changes what the tool map points at.
    plat::LOGFONTA other = font("DejaVu Sans", -20);
    ASSERT_EQ(engine->SetEngineProperty(c.fontKey, reinterpret_cast<AnnValue>(&other)), ANN_OK);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(address), &other, sizeof other), 0);
    // A null address changes nothing.
    ASSERT_EQ(engine->SetEngineProperty(c.fontKey, 0), ANN_OK);
    EXPECT_EQ(std::memcmp(reinterpret_cast<const void*>(address), &other, sizeof other), 0);
  }
}

TEST_F(EngineTest, DefaultTextsReachNewLayers) {
  plat::BSTR stamp = plat::SysAllocString(u"APPROVED");
  ASSERT_EQ(engine->SetToolDefault(TOOL_STAMP, PROP_TEXT, reinterpret_cast<AnnValue>(stamp)), ANN_OK);
  plat::SysFreeString(stamp);
  ASSERT_EQ(engine->SetToolDefault(TOOL_STAMP, PROP_TEXT, 0), ANN_OK);  // null changes nothing

  AnnValue v = 0;
  ASSERT_EQ(engine->GetEngineProperty(EPROP_STAMP_TEXT, &v), ANN_OK);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"APPROVED");

  AnnLayerHandle layer = engine->CreateLayer(1);
  ASSERT_EQ(engine->GetLayerToolDefault(layer, TOOL_STAMP, PROP_TEXT, &v), ANN_OK);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"APPROVED");

  // The button text set as an engine property also becomes the current layer's default.
  plat::BSTR button = plat::SysAllocString(u"Go");
  ASSERT_EQ(engine->SetEngineProperty(EPROP_BUTTON_TEXT, reinterpret_cast<AnnValue>(button)), ANN_OK);
  plat::SysFreeString(button);
  ASSERT_EQ(engine->GetLayerToolDefault(layer, TOOL_BUTTON, PROP_TEXT, &v), ANN_OK);
  EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"Go");
}

TEST_F(EngineTest, ColourPropertiesReachEveryToolThatHasThem) {
  AnnLayerHandle layer = engine->CreateLayer(1);
  ASSERT_EQ(engine->SetEngineProperty(4097, 0x0000FF), ANN_OK);
  for (const auto& [tool, table] : toolTables()) {
    AnnValue v = 0;
    if (!table.count(PROP_PEN_COLOR)) {
      EXPECT_EQ(engine->GetToolDefault(tool, PROP_PEN_COLOR, &v), ERR_NO_PROPERTY) << tool;
      continue;
    }
    ASSERT_EQ(engine->GetToolDefault(tool, PROP_PEN_COLOR, &v), ANN_OK);
    EXPECT_EQ(v, 0x0000FF) << tool;
    ASSERT_EQ(engine->GetLayerToolDefault(layer, tool, PROP_PEN_COLOR, &v), ANN_OK);
    EXPECT_EQ(v, 0x0000FF) << tool;
  }
  AnnValue v = 0;
  ASSERT_EQ(engine->GetEngineProperty(4097, &v), ANN_OK);
  EXPECT_EQ(v, 0x0000FF);
}

TEST_F(EngineTest, FlagPropertiesShareTheirFlagsWithTheSlots) {
  AnnValue v = 0;
  engine->SetSaveEnabled(0x100);  // only the low byte counts
  ASSERT_EQ(engine->GetEngineProperty(EPROP_SAVE_ENABLED, &v), ANN_OK);
  EXPECT_EQ(v, 0);
  ASSERT_EQ(engine->SetEngineProperty(EPROP_SAVE_ENABLED, 7), ANN_OK);
  EXPECT_TRUE(engine->GetSaveEnabled());
  ASSERT_EQ(engine->GetEngineProperty(EPROP_SAVE_ENABLED, &v), ANN_OK);
  EXPECT_EQ(v, 1);

  engine->SetToolMenusEnabled(1);
  ASSERT_EQ(engine->GetEngineProperty(EPROP_TOOL_MENUS_ENABLED, &v), ANN_OK);
  EXPECT_EQ(v, 1);
}

TEST_F(EngineTest, ScaleFontsActsOnlyOnRealChanges) {
  AnnValue v = -1;
  int32_t before = plat::InvalidateCount(window);
  ASSERT_EQ(engine->SetEngineProperty(EPROP_SCALE_FONTS, 2), ANN_OK);
  ASSERT_EQ(engine->GetEngineProperty(EPROP_SCALE_FONTS, &v), ANN_OK);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(plat::InvalidateCount(window), before);

  ASSERT_EQ(engine->SetEngineProperty(EPROP_SCALE_FONTS, 1), ANN_OK);
  ASSERT_EQ(engine->SetEngineProperty(EPROP_SCALE_FONTS, 1), ANN_OK);
  EXPECT_EQ(plat::InvalidateCount(window), before + 1);
  ASSERT_EQ(engine->GetEngineProperty(EPROP_SCALE_FONTS, &v), ANN_OK);
  EXPECT_EQ(v, 1);
}

TEST_F(EngineTest, DocumentStringsAreCopiedBothWays) {
  for (int32_t key : {EPROP_AUTHOR, EPROP_COMMENTS, EPROP_SUBJECT, EPROP_TITLE}) {
    plat::BSTR s = plat::SysAllocString(u"Quarterly \u00e9t\u00e9");
    ASSERT_EQ(engine->SetEngineProperty(key, reinterpret_cast<AnnValue>(s)), ANN_OK);
    plat::SysFreeString(s);  // the engine keeps its own copy
    AnnValue v = 0;
    ASSERT_EQ(engine->GetEngineProperty(key, &v), ANN_OK);
    EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(v)), u"Quarterly \u00e9t\u00e9");
  }
}

TEST_F(EngineTest, RunModeRefusesToolChangesAndShowingThePalette) {
  AnnLayerHandle layer = engine->CreateLayer(1);
  ASSERT_EQ(engine->SetEngineProperty(EPROP_LOCKED, 1), ANN_OK);
  AnnValue v = 0;
  ASSERT_EQ(engine->GetEngineProperty(EPROP_LOCKED, &v), ANN_OK);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(engine->SetCurrentTool(layer, TOOL_RECTANGLE), ERR_LOCKED);
  EXPECT_EQ(engine->SetLayerPaletteVisible(layer, 1), ERR_LOCKED);
  EXPECT_EQ(engine->SetLayerPaletteVisible(layer, 0), ANN_OK);
  ASSERT_EQ(engine->SetEngineProperty(EPROP_LOCKED, 0), ANN_OK);
  EXPECT_EQ(engine->SetCurrentTool(layer, TOOL_RECTANGLE), ANN_OK);
}

TEST_F(EngineTest, CurrentToolNeedsTheCurrentLayer) {
  AnnLayerHandle first = engine->CreateLayer(1);
  AnnLayerHandle second = engine->CreateLayer(0);
  EXPECT_EQ(engine->SetCurrentTool(second, TOOL_TEXT), ERR_BAD_TOOL);
  EXPECT_EQ(engine->SetCurrentTool(0, TOOL_TEXT), ERR_BAD_TOOL);
  EXPECT_EQ(engine->SetCurrentTool(first, 4200), ERR_BAD_TOOL);
  EXPECT_EQ(engine->SetCurrentTool(first, TOOL_LINE), ANN_OK);
  int32_t tool = 0;
  ASSERT_EQ(engine->GetCurrentTool(first, &tool), ANN_OK);
  EXPECT_EQ(tool, TOOL_LINE);
}

TEST_F(EngineTest, ImageDefaultIsTheEnginesOwnCopy) {
  size_t blocksBefore = plat::GlobalLiveBlocks();
  plat::BITMAPINFOHEADER h;
  h.biWidth = 3;
  h.biHeight = 2;
  h.biBitCount = 24;
  std::vector<uint8_t> dib(plat::PackedDibSize(&h), 0x5A);
  std::memcpy(dib.data(), &h, sizeof h);
  plat::HGLOBAL block = plat::GlobalFromBytes(dib.data(), dib.size());
  ASSERT_EQ(engine->SetToolDefault(TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(block)), ANN_OK);
  AnnValue v = 0;
  ASSERT_EQ(engine->GetToolDefault(TOOL_IMAGE, PROP_IMAGE, &v), ANN_OK);
  auto* copy = reinterpret_cast<plat::HGLOBAL>(v);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, block);
  ASSERT_EQ(plat::GlobalSize(copy), dib.size());
  EXPECT_EQ(std::memcmp(plat::GlobalLock(copy), dib.data(), dib.size()), 0);
  plat::GlobalUnlock(copy);
  plat::GlobalFree(block);

  // A block shorter than its header claims is not copied.
  plat::HGLOBAL truncated = plat::GlobalFromBytes(dib.data(), dib.size() - 1);
  ASSERT_EQ(engine->SetToolDefault(TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(truncated)), ANN_OK);
  ASSERT_EQ(engine->GetToolDefault(TOOL_IMAGE, PROP_IMAGE, &v), ANN_OK);
  EXPECT_EQ(v, 0);
  plat::GlobalFree(truncated);

  ASSERT_EQ(engine->SetToolDefault(TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(block = plat::GlobalFromBytes(dib.data(), dib.size()))), ANN_OK);
  plat::GlobalFree(block);
  EngineLibrary::Get().deinit(engine);  // frees the engine's copy
  engine = nullptr;
  EXPECT_EQ(plat::GlobalLiveBlocks(), blocksBefore);
}

TEST_F(EngineTest, PropertyEnumerationCycles) {
  const std::vector<int32_t> ids = {1,  5,  26, 27, 38, 39,   2,    19,   25,   37,   33,   4,    3,   15,
                                    28, 16, 11, 22, 23, 1536, 1537, 1538, 1539, 1000, 1001, 1002, 1007};
  EXPECT_EQ(engine->NextPropertyId(), 0);
  for (int32_t id : ids) EXPECT_EQ(engine->NextPropertyId(), id);
  EXPECT_EQ(engine->NextPropertyId(), 0);
  EXPECT_EQ(engine->NextPropertyId(), 1);
  EXPECT_EQ(engine->ResetPropertyEnum(), 1);
  EXPECT_EQ(engine->NextPropertyId(), 5);
}

TEST_F(EngineTest, TooltipsAndCursorOptions) {
  plat::BSTR tip = plat::SysAllocString(u"Draw a rectangle");
  ASSERT_EQ(engine->SetToolTip(TOOL_RECTANGLE, tip), ANN_OK);
  plat::SysFreeString(tip);
  plat::BSTR out = nullptr;
  ASSERT_EQ(engine->GetToolTip(TOOL_RECTANGLE, &out), ANN_OK);
  EXPECT_EQ(Take(out), u"Draw a rectangle");

  const std::pair<int32_t, bool> defaults[] = {{0, true}, {1, false}, {2, false}};
  for (auto [type, expected] : defaults) {
    bool on = !expected;
    ASSERT_EQ(engine->GetCursorOption(type, &on), ANN_OK);
    EXPECT_EQ(on, expected);
    ASSERT_EQ(engine->SetCursorOption(type, !expected), ANN_OK);
    ASSERT_EQ(engine->GetCursorOption(type, &on), ANN_OK);
    EXPECT_EQ(on, !expected);
  }
  bool on;
  EXPECT_EQ(engine->SetCursorOption(3, 1), ERR_BAD_OPTION);
  EXPECT_EQ(engine->GetCursorOption(-1, &on), ERR_BAD_OPTION);
}

TEST(EngineLifetimeTest, EngineReleasesEverythingItOwns) {
  auto& lib = EngineLibrary::Get();
  ASSERT_NE(lib.init, nullptr) << lib.error;
  size_t strings = plat::SysLiveStrings();
  int32_t objects = plat::LiveGdiObjects();
  AnnEngineInterface* e = lib.init(1, nullptr, 0);
  ASSERT_NE(e, nullptr);
  e->CreateLayer(1);
  e->CreateLayer(0);
  plat::BSTR s = plat::SysAllocString(u"x");
  e->SetToolTip(TOOL_TEXT, s);
  e->SetEngineProperty(EPROP_TITLE, reinterpret_cast<AnnValue>(s));
  plat::SysFreeString(s);
  lib.deinit(e);
  EXPECT_EQ(plat::SysLiveStrings(), strings);
  EXPECT_EQ(plat::LiveGdiObjects(), objects);
}
