// The host calls the engine by slot position and finds only two exported names; both are part of
// the contract.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "tests/annotation/engine_host.h"

namespace {

// Calls the virtual function in slot `index` of the engine's table directly.
template <typename R, typename... A>
R callSlot(AnnEngineInterface* engine, int index, A... args) {
  void** table = *reinterpret_cast<void***>(engine);
  auto fn = reinterpret_cast<R (*)(AnnEngineInterface*, A...)>(table[index]);
  return fn(engine, args...);
}

}  // namespace

TEST_F(EngineTest, SlotsAnswerByPosition) {
  EXPECT_EQ((callSlot<int32_t>(engine, 100)), 0);  // GetLayerCount
  AnnLayerHandle layer = callSlot<AnnLayerHandle>(engine, 42, int32_t(1));  // CreateLayer
  ASSERT_NE(layer, 0);
  EXPECT_EQ((callSlot<AnnLayerHandle>(engine, 45)), layer);  // GetCurrentLayer
  EXPECT_TRUE((callSlot<bool>(engine, 76, layer)));          // IsLayer
  EXPECT_EQ((callSlot<int32_t>(engine, 100)), 1);

  AnnValue v = -7;
  EXPECT_EQ((callSlot<int32_t>(engine, 62, int32_t(EPROP_SAVE_ENABLED), &v)), 0);  // GetEngineProperty
  EXPECT_EQ(v, 1);
  EXPECT_EQ((callSlot<int32_t>(engine, 60, int32_t(TOOL_RECTANGLE), int32_t(PROP_PEN_COLOR), &v)), 0);
  EXPECT_EQ(v, 0xFF0000);

  EXPECT_EQ((callSlot<int32_t>(engine, 137)), 0);  // NextPropertyId before any reset
  EXPECT_EQ((callSlot<int32_t>(engine, 136)), 1);  // ResetPropertyEnum
  EXPECT_EQ((callSlot<int32_t>(engine, 137)), 5);

  callSlot<void>(engine, 115, int32_t(640), int32_t(480));  // SetDefaultViewSize
  int32_t w = 0, h = 0;
  callSlot<void>(engine, 116, &w, &h);  // GetDefaultViewSize
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);

  EXPECT_EQ((callSlot<int32_t>(engine, 157, int32_t(0))), 0);  // SetCaret, the last slot
  EXPECT_TRUE((callSlot<bool>(engine, 43, layer)));            // DeleteLayer
  EXPECT_EQ(engine->GetLayerCount(), 0);
}

TEST(EngineLibraryTest, ExportsOnlyTheTwoEntryPoints) {
  std::string cmd = std::string("nm -D --defined-only '") + ANNOLYX_LIBRARY_PATH + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::set<std::string> names;
  char line[1024];
  while (fgets(line, sizeof line, p)) {
    char addr[64], type[8], name[512];
    if (std::sscanf(line, "%63s %7s %511s", addr, type, name) == 3) names.insert(name);
  }
  ASSERT_EQ(pclose(p), 0);
  EXPECT_EQ(names, (std::set<std::string>{"Ann_Deinit", "Ann_Init"}));
}

TEST(EngineLibraryTest, DeinitIgnoresNull) {
  auto& lib = EngineLibrary::Get();
  ASSERT_NE(lib.deinit, nullptr) << lib.error;
  lib.deinit(nullptr);
}
