// The engine's containers through the loaded library: the engine block, byte arrays, task memory,
// the platform stream, compound files and the clipboard, with the damaged inputs each must refuse
// without touching the layers it already has.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine_host.h"
#include "platform/graphics/gdi.h"
#include "platform/windows/clipboard.h"

namespace {

std::vector<uint8_t> bytesOf(const plat::VARIANT& v) {
  uint32_t n = 0;
  const uint8_t* p = plat::VariantBytes(&v, &n);
  return p ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>{};
}

void arrayOf(const std::vector<uint8_t>& bytes, plat::VARIANT* v) {
  plat::VariantInit(v);
  ASSERT_TRUE(plat::VariantFromBytes(v, bytes.data(), uint32_t(bytes.size())));
}

size_t findWord(const std::vector<uint8_t>& bytes, int32_t word, size_t from = 0) {
  for (size_t i = from; i + 4 <= bytes.size(); i += 4) {
    int32_t w;
    std::memcpy(&w, bytes.data() + i, 4);
    if (w == word) return i;
  }
  return std::string::npos;
}

std::vector<uint8_t> patched(std::vector<uint8_t> bytes, size_t at, uint32_t value) {
  std::memcpy(bytes.data() + at, &value, 4);
  return bytes;
}

std::u16string gPassword;
int gPasswordAsked = 0;
int32_t onPassword(intptr_t, plat::BSTR, plat::BSTR* password) {
  ++gPasswordAsked;
  if (password && !gPassword.empty()) *password = plat::SysAllocFromU16(gPassword);
  return 0;
}

int gCurrentLayerCalls = 0;
int32_t onCurrentLayer(intptr_t, AnnLayerHandle) {
  ++gCurrentLayerCalls;
  return 0;
}

}  // namespace

class EnginePersistTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    engine->SetDefaultViewSize(1000, 800);
    gPassword.clear();
    gPasswordAsked = 0;
    gCurrentLayerCalls = 0;
  }

  // An element made from a descriptor; rect in page pixels.
  int32_t Make(AnnEngineInterface* e, AnnLayerHandle layer, int32_t type, plat::RECT r, int32_t pen = 0x123456) {
    return MakeElementFromDesc(e, layer, type, r, {{PROP_PEN_COLOR, pen}});
  }

  // (type, pen colour, rect in pixels, point count, text length) of every element of every layer, newest layer first.
  static std::vector<std::vector<int32_t>> Contents(AnnEngineInterface* e) {
    std::vector<std::vector<int32_t>> out;
    for (AnnLayerHandle l = e->GetFirstLayer(); l; l = e->GetNextLayer()) {
      int32_t id = 0;
      out.push_back({-1});
      for (e->GetFirstElement(l, &id); id; e->GetNextElement(l, &id)) {
        AnnObjectDesc* d = nullptr;
        e->CreateObjectDesc(&d);
        EXPECT_EQ(e->GetElementDesc(l, id, d), ANN_OK);
        AnnValue type = 0, pen = 0;
        plat::RECT r{};
        AnnValue rect = reinterpret_cast<AnnValue>(&r);
        e->GetObjectDescField(d, 128, &type);
        e->GetObjectDescField(d, PROP_PEN_COLOR, &pen);
        e->GetObjectDescField(d, PROP_RECT, &rect);
        AnnValue points = 0, text = 0;
        e->GetObjectDescField(d, PROP_POINT_COUNT, &points);
        e->GetObjectDescField(d, PROP_TEXT, &text);
        const int32_t textLength = int32_t(Take(reinterpret_cast<plat::BSTR>(text)).size());
        std::vector<int32_t> row{int32_t(type), int32_t(pen), int32_t(points), textLength};
        // A point list is compared by its points; its bounds follow from them and the view.
        if (points > 0) {
          for (int32_t i = 0; i < int32_t(points); ++i) {
            int32_t x = 0, y = 0;
            e->GetObjectDescPoint(d, i, &x, &y);
            row.insert(row.end(), {x, y});
          }
        } else {
          row.insert(row.end(), {r.left, r.top, r.right, r.bottom});
        }
        out.push_back(row);
        e->FreeObjectDesc(d);
      }
    }
    return out;
  }

  std::vector<uint8_t> SaveAll() {
    plat::VARIANT v;
    int32_t n = 0;
    EXPECT_EQ(engine->SaveAllToArray(&v, &n), ANN_OK);
    auto bytes = bytesOf(v);
    EXPECT_EQ(size_t(n), bytes.size());
    plat::VariantClear(&v);
    return bytes;
  }

  void Fill() {
    AnnLayerHandle a = engine->CreateLayer(1);
    MakeOneOfEveryKind(engine, a);
    AnnLayerHandle b = engine->CreateLayer(1);
    Make(engine, b, TOOL_RECTANGLE, {500, 100, 700, 200}, 0xFF0000);
  }
};

TEST_F(EnginePersistTest, FreshEngineBlockHasItsFixedSize) {
  engine->SetDefaultViewSize(0, 0);  // a view size of 0 is not written
  EXPECT_EQ(SaveAll().size(), 368u);
  engine->CreateLayer(1);
  EXPECT_EQ(SaveAll().size(), 460u);
}

TEST_F(EnginePersistTest, AllLayersSurviveEveryContainer) {
  Fill();
  auto expected = Contents(engine);
  ASSERT_EQ(expected.size(), 13u) << "two layers: every kind, and one rectangle";
  auto fresh = [&] {
    AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
    other->SetDefaultViewSize(1000, 800);
    return other;
  };

  {  // byte array
    auto bytes = SaveAll();
    AnnEngineInterface* other = fresh();
    other->SetHostCallback(HOSTCB_CURRENT_LAYER, annCallback(&onCurrentLayer));
    plat::VARIANT v;
    arrayOf(bytes, &v);
    EXPECT_EQ(other->LoadAllFromArray(&v), ANN_OK);
    plat::VariantClear(&v);
    EXPECT_EQ(Contents(other), expected);
    EXPECT_EQ(gCurrentLayerCalls, 2);
    EXPECT_EQ(other->GetCurrentLayer(), other->GetFirstLayer()) << "the newest layer is current";
    EngineLibrary::Get().deinit(other);
  }
  {  // task memory, added to what the engine has
    void* block = nullptr;
    int32_t n = engine->SaveToMemory(&block);
    ASSERT_GT(n, 0);
    AnnEngineInterface* other = fresh();
    other->CreateLayer(1);
    EXPECT_EQ(other->LoadFromMemory(block, n, 0, 0), ANN_OK);
    plat::CoTaskMemFree(block);
    EXPECT_EQ(other->GetLayerCount(), 3);
    auto got = Contents(other);
    got.pop_back();  // the layer it had before
    EXPECT_EQ(got, expected);
    EngineLibrary::Get().deinit(other);
  }
  {  // compound file
    QTemporaryDir dir;
    std::u16string path = (dir.path() + "/notes.ann").toStdU16String();
    plat::BSTR name = plat::SysAllocFromU16(path);
    plat::BSTR title = plat::SysAllocString(u"Quarterly r\u00e9sum\u00e9");
    engine->SetEngineProperty(EPROP_TITLE, reinterpret_cast<AnnValue>(title));
    EXPECT_EQ(engine->SaveFile(name), ANN_OK);
    AnnEngineInterface* other = fresh();
    EXPECT_EQ(other->LoadFile(name), ANN_OK);
    EXPECT_EQ(Contents(other), expected);
    AnnValue got = 0;
    other->GetEngineProperty(EPROP_TITLE, &got);
    EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(got)), u"Quarterly r\u00e9sum\u00e9");
    EngineLibrary::Get().deinit(other);
    plat::SysFreeString(name);
    plat::SysFreeString(title);
  }
}

TEST_F(EnginePersistTest, PlatformStreamHoldsBlockCountAndLayersNewestFirst) {
  Fill();
  plat::IStream* s = nullptr;
  ASSERT_EQ(plat::CreateStreamOnHGlobal(nullptr, true, &s), plat::S_OK);
  EXPECT_EQ(engine->SaveLayerToStream(s), ANN_OK);
  uint64_t size = 0;
  s->Seek(0, plat::STREAM_SEEK_CUR, &size);
  plat::HGLOBAL block = nullptr;
  plat::GetHGlobalFromStream(s, &block);
  auto* p = static_cast<const uint8_t*>(plat::GlobalLock(block));
  std::vector<uint8_t> bytes(p, p + size);
  plat::GlobalUnlock(block);
  s->Release();
  size_t end = findWord(bytes, 36759);
  ASSERT_NE(end, std::string::npos);
  uint32_t count;
  std::memcpy(&count, bytes.data() + end + 4, 4);
  EXPECT_EQ(count, 2u);
  // The newest layer (one rectangle) comes first: its element count is 1.
  size_t firstCount = findWord(bytes, 36753, end);
  int32_t elements;
  std::memcpy(&elements, bytes.data() + firstCount + 4, 4);
  EXPECT_EQ(elements, 1);
  EXPECT_EQ(engine->SaveLayerToStream(nullptr), ANN_OK);
}

TEST_F(EnginePersistTest, DamagedInputFailsAndLeavesTheLayersAsTheyWere) {
  Fill();
  auto good = SaveAll();
  auto before = Contents(engine);
  size_t layerCount = findWord(good, EPROP_LAYER_COUNT) + 4;
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    int32_t result;
  } cases[] = {
      {"first tag is not the block begin", patched(good, 0, 1), ERR_STREAM},
      {"block cut short", std::vector<uint8_t>(good.begin(), good.begin() + 100), ERR_STREAM},
      {"more layers than the data hold", patched(good, layerCount, 3), ERR_STREAM},
      {"second layer cut short", std::vector<uint8_t>(good.begin(), good.end() - 10), ERR_STREAM},
      {"huge string count", patched(good, findWord(good, 36755) + 24, 0x7FFFFFF0u), ERR_STREAM},
  };
  for (const Case& c : cases) {
    plat::VARIANT v;
    arrayOf(c.data, &v);
    EXPECT_EQ(engine->LoadAllFromArray(&v), c.result) << c.what;
    EXPECT_EQ(engine->LoadFromMemory(c.data.data(), int32_t(c.data.size()), 0, 0), c.result) << c.what;
    plat::VariantClear(&v);
    EXPECT_EQ(Contents(engine), before) << c.what;
  }
  plat::VARIANT wrongType;
  plat::VariantInit(&wrongType);
  wrongType.vt = plat::VT_I4;
  AnnLayerHandle out = 1;
  EXPECT_EQ(engine->LoadLayerFromArray(&wrongType, &out), ERR_BAD_ARRAY);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(engine->LoadAllFromArray(&wrongType), ERR_BAD_ARRAY);
  EXPECT_EQ(engine->LoadFromMemory(nullptr, 0, 0, 0), ERR_NO_MEMORY);
  EXPECT_EQ(engine->GetLayerCount(), 2);
}

// A coordinate far off the page is no damage that costs the layers: it is held at the edge of the
// page's sound range (eight pages either side) and everything else reads back as saved.
TEST_F(EnginePersistTest, ACoordinateFarOffThePageIsHeldAndTheRestReadsBack) {
  Fill();
  auto good = SaveAll();
  auto before = Contents(engine);
  size_t rect = findWord(good, PROP_RECT, findWord(good, 36756)) + 4;
  plat::VARIANT v;
  arrayOf(patched(good, rect, 0x7FFFFFF0u), &v);
  AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
  EXPECT_EQ(other->LoadAllFromArray(&v), ANN_OK);
  plat::VariantClear(&v);
  auto after = Contents(other);
  ASSERT_EQ(after.size(), before.size());
  // Of the element whose rect was stored first, (type, pen, points, text, left, top, right,
  // bottom), only the left edge changed: it stopped at eight page widths.
  int changed = 0;
  for (size_t i = 0; i < after.size(); ++i) {
    if (after[i] == before[i]) continue;
    ++changed;
    ASSERT_EQ(after[i].size(), 8u);
    EXPECT_EQ(after[i][4], 8 * 1000);
    after[i][4] = before[i][4];
    EXPECT_EQ(after[i], before[i]);
  }
  EXPECT_EQ(changed, 1);
  EngineLibrary::Get().deinit(other);
}

TEST_F(EnginePersistTest, ABlockWithoutALayerCountReadsNoLayers) {
  Fill();
  auto good = SaveAll();
  size_t at = findWord(good, EPROP_LAYER_COUNT);
  auto noCount = good;
  noCount.erase(noCount.begin() + long(at), noCount.begin() + long(at) + 8);
  AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
  EXPECT_EQ(other->LoadFromMemory(good.data(), int32_t(good.size()), 0, 0), ANN_OK);
  EXPECT_EQ(other->GetLayerCount(), 2);
  // Only the block: the count of the block before must not carry over.
  std::vector<uint8_t> blockOnly(noCount.begin(), noCount.begin() + long(findWord(noCount, 36759)) + 4);
  EXPECT_EQ(other->LoadFromMemory(blockOnly.data(), int32_t(blockOnly.size()), 0, 0), ANN_OK);
  EXPECT_EQ(other->GetLayerCount(), 2);
  EngineLibrary::Get().deinit(other);
}

TEST_F(EnginePersistTest, BlockCarriesEngineSettings) {
  engine->SetDefaultViewSize(640, 480);
  // Each text and each tool font its own value, so that one read back into another's place shows.
  const std::pair<int32_t, const char16_t*> texts[] = {
      {EPROP_AUTHOR, u"A. Author"}, {EPROP_COMMENTS, u"Some remarks"}, {EPROP_SUBJECT, u"The subject"},
      {EPROP_TITLE, u"The title"},  {EPROP_STAMP_TEXT, u"APPROVED"},  {EPROP_BUTTON_TEXT, u"Press"}};
  for (auto [key, text] : texts) {
    plat::BSTR s = plat::SysAllocString(text);
    engine->SetEngineProperty(key, reinterpret_cast<AnnValue>(s));
    plat::SysFreeString(s);
  }
  const std::pair<int32_t, const char*> faces[] = {
      {EPROP_STAMP_FONT, "Face One"}, {EPROP_TEXT_FONT, "Face Two"}, {EPROP_BUTTON_FONT, "Face Three"}};
  for (auto [key, face] : faces) {
    plat::LOGFONTA f{};
    f.lfHeight = -13;
    std::strncpy(f.lfFaceName, face, plat::LF_FACESIZE - 1);
    engine->SetEngineProperty(key, reinterpret_cast<AnnValue>(&f));
  }
  engine->SetEngineProperty(EPROP_LOCKED, 1);
  engine->SetEngineProperty(4097, 0x00ABCDEF);
  auto bytes = SaveAll();
  AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
  plat::VARIANT v;
  arrayOf(bytes, &v);
  EXPECT_EQ(other->LoadAllFromArray(&v), ANN_OK);
  plat::VariantClear(&v);
  int32_t w = 0, h = 0;
  other->GetDefaultViewSize(&w, &h);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  AnnValue got = 0;
  other->GetEngineProperty(EPROP_LOCKED, &got);
  EXPECT_EQ(got, 1) << "run mode travels with the block";
  other->GetToolDefault(TOOL_RECTANGLE, PROP_PEN_COLOR, &got);
  EXPECT_EQ(got, 0x00ABCDEF);
  for (auto [key, text] : texts) {
    got = 0;
    ASSERT_EQ(other->GetEngineProperty(key, &got), ANN_OK) << key;
    EXPECT_EQ(Take(reinterpret_cast<plat::BSTR>(got)), text) << key;
  }
  for (auto [key, face] : faces) {
    plat::LOGFONTA f{};
    got = reinterpret_cast<AnnValue>(&f);
    ASSERT_EQ(other->GetEngineProperty(key, &got), ANN_OK) << key;
    EXPECT_STREQ(f.lfFaceName, face) << key;
  }
  EngineLibrary::Get().deinit(other);
}

TEST_F(EnginePersistTest, SavingRulesOfTaskMemory) {
  engine->SetDefaultViewSize(0, 0);
  void* block = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(engine->SaveToMemory(&block), 0);
  EXPECT_EQ(block, reinterpret_cast<void*>(0x1)) << "no layers: nothing stored";
  engine->CreateLayer(1);
  engine->SetSaveEnabled(0);
  EXPECT_EQ(engine->SaveToMemory(&block), 0);
  engine->SetSaveEnabled(1);
  EXPECT_EQ(engine->SaveToMemory(&block), 460);
  plat::CoTaskMemFree(block);
}

TEST_F(EnginePersistTest, PasswordProtectedLayersAskTheHost) {
  AnnLayerHandle l = engine->CreateLayer(1);
  Make(engine, l, TOOL_RECTANGLE, {10, 10, 50, 50});
  plat::BSTR pw = plat::SysAllocString(u"s\u00e9same");
  EXPECT_EQ(engine->SetLayerPassword(l, pw), ANN_OK);
  plat::SysFreeString(pw);
  auto all = SaveAll();
  plat::VARIANT one;
  int32_t n = 0;
  ASSERT_EQ(engine->SaveLayerToArray(&one, l, &n), ANN_OK);

  AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
  other->SetHostCallback(HOSTCB_PASSWORD, annCallback(&onPassword));
  plat::VARIANT v;
  arrayOf(all, &v);
  gPassword = u"wrong";
  EXPECT_EQ(other->LoadAllFromArray(&v), ANN_OK);
  EXPECT_EQ(other->GetLayerCount(), 0) << "a layer whose password does not match is dropped";
  gPassword = u"s\u00e9same";
  EXPECT_EQ(other->LoadAllFromArray(&v), ANN_OK);
  ASSERT_EQ(other->GetLayerCount(), 1);
  int32_t count = 0;
  other->GetElementCount(other->GetFirstLayer(), &count);
  EXPECT_EQ(count, 1);
  plat::VariantClear(&v);

  // The single-layer array asks as well.
  AnnLayerHandle got = 0;
  gPasswordAsked = 0;
  EXPECT_EQ(other->LoadLayerFromArray(&one, &got), ANN_OK);
  EXPECT_EQ(gPasswordAsked, 1);
  other->GetElementCount(got, &count);
  EXPECT_EQ(count, 1);
  gPassword = u"wrong";
  EXPECT_EQ(other->LoadLayerFromArray(&one, &got), ERR_BAD_PASSWORD);
  EXPECT_EQ(got, 0);
  EXPECT_EQ(other->GetLayerCount(), 2);
  plat::VariantClear(&one);
  EngineLibrary::Get().deinit(other);
}

TEST_F(EnginePersistTest, CompoundFileErrors) {
  QTemporaryDir dir;
  engine->CreateLayer(1);
  auto bstr = [](const QString& s) { return plat::SysAllocFromU16(s.toStdU16String()); };
  plat::BSTR empty = plat::SysAllocString(u"");
  EXPECT_EQ(engine->SaveFile(empty), ERR_CREATE_FILE);
  EXPECT_EQ(engine->LoadFile(empty), ERR_NOT_STORAGE_FILE);
  EXPECT_EQ(engine->SaveFile(nullptr), ERR_CREATE_FILE);
  plat::SysFreeString(empty);

  plat::BSTR missing = bstr(dir.path() + "/none.ann");
  EXPECT_EQ(engine->LoadFile(missing), ERR_NOT_STORAGE_FILE);
  plat::SysFreeString(missing);

  QFile text(dir.path() + "/plain.txt");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a compound file at all, just some text that goes on for a while");
  text.close();
  plat::BSTR plain = bstr(text.fileName());
  EXPECT_EQ(engine->LoadFile(plain), ERR_NOT_STORAGE_FILE);
  plat::SysFreeString(plain);

  plat::BSTR noFolder = bstr(dir.path() + "/no/such/folder/x.ann");
  EXPECT_EQ(engine->SaveFile(noFolder), ERR_CREATE_FILE);
  plat::SysFreeString(noFolder);

  // A damaged compound file: its bytes cut in the middle.
  plat::BSTR good = bstr(dir.path() + "/good.ann");
  ASSERT_EQ(engine->SaveFile(good), ANN_OK);
  QFile f(dir.path() + "/good.ann");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray all = f.readAll();
  f.close();
  QFile cut(dir.path() + "/cut.ann");
  ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
  cut.write(all.left(all.size() / 2));
  cut.close();
  plat::BSTR cutName = bstr(cut.fileName());
  EXPECT_NE(engine->LoadFile(cutName), ANN_OK);
  EXPECT_EQ(engine->GetLayerCount(), 1);
  plat::SysFreeString(cutName);
  plat::SysFreeString(good);
}

TEST_F(EnginePersistTest, CompoundFileOpensInAnIndependentReader) {
  QString gsf = QStandardPaths::findExecutable("gsf");
  if (gsf.isEmpty()) GTEST_SKIP() << "the gsf tool is not installed";
  QTemporaryDir dir;
  engine->CreateLayer(1);
  engine->SetDefaultViewSize(0, 0);
  QString path = dir.path() + "/notes.ann";
  plat::BSTR name = plat::SysAllocFromU16(path.toStdU16String());
  ASSERT_EQ(engine->SaveFile(name), ANN_OK);
  plat::SysFreeString(name);
  QProcess p;
  p.start(gsf, {"list", path});
  ASSERT_TRUE(p.waitForFinished(10000));
  QString out = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
  EXPECT_TRUE(out.contains("Scribvane5")) << out.toStdString();
  EXPECT_TRUE(out.contains("SummaryInformation")) << out.toStdString();
  QProcess cat;
  cat.start(gsf, {"cat", path, "Scribvane5"});
  ASSERT_TRUE(cat.waitForFinished(10000));
  EXPECT_EQ(cat.readAllStandardOutput().size(), 460);
}

TEST_F(EnginePersistTest, ClipboardCarriesLayersBetweenEngines) {
  AnnLayerHandle a = engine->CreateLayer(1);
  int32_t first = Make(engine, a, TOOL_RECTANGLE, {10, 10, 60, 60}, 0x0000FF);
  Make(engine, a, TOOL_ELLIPSE, {100, 100, 160, 160}, 0x00FF00);
  ASSERT_EQ(engine->SetElementProperty(a, first, PROP_SELECTED, 1), ANN_OK);
  EXPECT_EQ(engine->CopyLayerToClipboard(a, 1), ANN_OK);

  AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
  other->SetDefaultViewSize(1000, 800);
  EXPECT_TRUE(other->IsLayerOnClipboard());
  AnnLayerHandle pasted = 0;
  EXPECT_EQ(other->PasteLayer(&pasted), ANN_OK);
  int32_t count = 0;
  other->GetElementCount(pasted, &count);
  EXPECT_EQ(count, 1) << "only the selected element was copied";
  EXPECT_EQ(other->PasteObjects(pasted), ANN_OK);
  other->GetElementCount(pasted, &count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(other->PasteObjects(12345), ERR_BAD_LAYER);
  EngineLibrary::Get().deinit(other);

  // Damaged clipboard data: the paste fails and leaves nothing half-made.
  plat::HGLOBAL junk = plat::GlobalFromBytes("\x92\x8f\x00\x00garbage", 11);
  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  plat::EmptyClipboard();
  plat::SetClipboardData(plat::RegisterClipboardFormatA("SCV5_Layer"), junk);
  plat::CloseClipboard();
  int32_t layers = engine->GetLayerCount();
  EXPECT_EQ(engine->PasteLayer(&pasted), ERR_STREAM);
  EXPECT_EQ(pasted, 0);
  EXPECT_EQ(engine->GetLayerCount(), layers);
  EXPECT_EQ(engine->PasteObjects(a), ERR_STREAM);
  engine->GetElementCount(a, &count);
  EXPECT_EQ(count, 2);

  // A whole layer whose second element is of no kind: the first element it holds joins nothing
  // either.
  ASSERT_EQ(engine->CopyLayerToClipboard(a, 0), ANN_OK);
  const uint32_t format = plat::RegisterClipboardFormatA("SCV5_Layer");
  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  plat::HGLOBAL whole = plat::GetClipboardDataCopy(format);
  ASSERT_NE(whole, nullptr);
  const auto* data = static_cast<const uint8_t*>(plat::GlobalLock(whole));
  std::vector<uint8_t> bytes(data, data + plat::GlobalSize(whole));
  plat::GlobalUnlock(whole);
  plat::GlobalFree(whole);
  const uint8_t ellipse[] = {0x03, 0x10, 0x00, 0x00, 0x94, 0x8f};  // its kind, then its record
  auto at = std::search(bytes.begin(), bytes.end(), std::begin(ellipse), std::end(ellipse));
  ASSERT_NE(at, bytes.end());
  at[1] = 0x7f;
  plat::EmptyClipboard();
  plat::SetClipboardData(format, plat::GlobalFromBytes(bytes.data(), bytes.size()));
  plat::CloseClipboard();
  EXPECT_NE(engine->PasteObjects(a), ANN_OK);
  engine->GetElementCount(a, &count);
  EXPECT_EQ(count, 2);
}

// What one reload gives is what the next saves: the bounds of every kind come back as they were
// drawn, pen margin and arrowhead included, so save, load and save again gives the same bytes.
TEST_F(EnginePersistTest, EveryKindSavesTheSameBytesAfterOneReload) {
  Fill();
  const auto saved = SaveAll();
  AnnEngineInterface* other = EngineLibrary::Get().init(kCookie, window, 0);
  plat::VARIANT v;
  arrayOf(saved, &v);
  ASSERT_EQ(other->LoadAllFromArray(&v), ANN_OK);
  plat::VariantClear(&v);
  plat::VARIANT again;
  int32_t n = 0;
  ASSERT_EQ(other->SaveAllToArray(&again, &n), ANN_OK);
  const auto resaved = bytesOf(again);
  plat::VariantClear(&again);
  EngineLibrary::Get().deinit(other);
  ASSERT_EQ(resaved.size(), saved.size());
  const auto diff = std::mismatch(saved.begin(), saved.end(), resaved.begin());
  EXPECT_TRUE(diff.first == saved.end()) << "first difference at byte " << (diff.first - saved.begin());
}
