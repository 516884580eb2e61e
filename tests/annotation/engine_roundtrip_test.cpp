// Seeded random work through the loaded library's interface, as a host and a user do it: every
// kind made, given properties up to the ends of what an int holds, moved, resized, turned,
// mirrored, grouped and typed into. At every checkpoint what the engine saves must read back
// (result 0, every element kept), saving it again must give the same bytes, and the reloaded
// annotations must draw as they did before the save: whatever the engine accepts, it keeps in a
// form it can read. A failure names the seed and the operations that led to it, so it replays
// alone.
#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <QImage>

#include "engine_host.h"
#include "platform/graphics/gdi.h"

namespace {

// A small deterministic generator: the same seed gives the same operations on every platform.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return uint32_t(state_ >> 11);
  }
  int32_t Below(int32_t n) { return n > 0 ? int32_t(Next() % uint32_t(n)) : 0; }
  template <typename T, size_t N>
  const T& Pick(const T (&table)[N]) {
    return table[Below(int32_t(N))];
  }
  bool Chance(int32_t percent) { return Below(100) < percent; }

 private:
  uint64_t state_;
};

std::vector<uint8_t> bytesOf(const plat::VARIANT& v) {
  uint32_t n = 0;
  const uint8_t* p = plat::VariantBytes(&v, &n);
  return p ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>{};
}

// Where two saves part: the byte offset and the 32-bit words around it in each, or "" when equal.
std::string difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a == b) return "";
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  auto words = [&](const std::vector<uint8_t>& v) {
    std::ostringstream out;
    for (size_t i = (at / 4 >= 6 ? at / 4 - 6 : 0) * 4; i + 4 <= v.size() && i < at + 24; i += 4) {
      int32_t w;
      std::memcpy(&w, v.data() + i, 4);
      out << (i <= at && at < i + 4 ? " [" : " ") << w << (i <= at && at < i + 4 ? "]" : "");
    }
    return out.str();
  };
  std::ostringstream out;
  out << "sizes " << a.size() << " and " << b.size() << ", first difference at byte " << at << ":\n "
      << words(a) << "\n " << words(b);
  return out.str();
}

// Values a host may hand in, from the ordinary to the ends of the int range.
constexpr int32_t kPens[] = {0, 1, 3, 40, 5000, 16384, 16385, -7, 1761017857, INT_MAX, INT_MIN};
constexpr int32_t kFontHeights[] = {-13, -40, -2000, -9000, 0, 200, 16384, -16385, 30000, INT_MAX, INT_MIN};
constexpr int32_t kFontWidths[] = {0, 5, -3, 20000, INT_MIN};
constexpr int32_t kOrientations[] = {0, 900, 1800, 2700, 450, -900};
constexpr float kAngles[] = {90.0f, 180.0f, 270.0f, -90.0f, 45.0f};
constexpr const char16_t* kTexts[] = {u"Hi", u"Hello world", u"a\r\nb", u"", u"\u00e9t\u00e9 and a longer line of words"};
constexpr int32_t kOrdinaryProperties[] = {PROP_PEN_COLOR,     PROP_TEXT_COLOR,  PROP_BACK_COLOR,  PROP_FILL_COLOR,
                                           PROP_HIGHLIGHT_BACK, PROP_HIGHLIGHT_FILL, PROP_ARROWHEAD, PROP_BACK_STYLE,
                                           PROP_AUTO_SIZE,     PROP_PEN_STYLE,    PROP_HATCH_STYLE, PROP_SELECTED,
                                           PROP_VISIBLE,       PROP_TEXT_JUSTIFICATION};
constexpr int32_t kOrdinaryValues[] = {0, 1, 2, 3, 5, 5999, 0x00C0C0, -1, 900, INT_MAX};

// Page positions in pixels for a page of the given size: on it, near it and far off it.
int32_t pagePosition(Rng& rng, int32_t extent) {
  const int32_t far[] = {-13, 5 * extent, -9 * extent, 1000000000, -1000000000, INT_MAX, INT_MIN};
  if (rng.Chance(75)) return rng.Below(extent);
  return rng.Pick(far);
}

class RoundTripTest : public EngineTest {
 protected:
  struct Page {
    int32_t width, height;
  };

  void Run(uint32_t seed, Page page, int operations) {
    rng_ = std::make_unique<Rng>(seed);
    page_ = page;
    log_.str("");
    log_ << "seed " << seed << " page " << page.width << "x" << page.height << ":";
    // Each run starts from a fresh engine: defaults set by one run never reach the next.
    EngineLibrary::Get().deinit(engine);
    engine = EngineLibrary::Get().init(kCookie, window, 0);
    ASSERT_NE(engine, nullptr);
    engine->SetDefaultViewSize(page.width, page.height);
    layer_ = engine->CreateLayer(1);
    ASSERT_NE(layer_, 0);
    reader_ = EngineLibrary::Get().init(kCookie, window, 0);
    ASSERT_NE(reader_, nullptr);
    reader_->SetDefaultViewSize(page.width, page.height);
    for (int n = 1; n <= operations && !HasFatalFailure(); ++n) {
      Step();
      if (n % 15 == 0 || n == operations) Checkpoint(n);
    }
    EngineLibrary::Get().deinit(reader_);
    reader_ = nullptr;
  }

 private:
  Rng& R() { return *rng_; }

  // Mouse positions: mostly on the page or a little beyond it, now and then anywhere in the host's
  // 800 x 600 window (far past a small page's sound range) or as far off as a position goes.
  int32_t MouseAlong(int32_t extent, int32_t window) {
    const int32_t far[] = {-32768, -30000, 30000, 32767};
    const int32_t pick = R().Below(100);
    if (pick < 5) return R().Pick(far);
    if (pick < 20) return R().Below(window);
    return R().Below(extent + 40) - 20;
  }
  int32_t MouseX() { return MouseAlong(page_.width, 800); }
  int32_t MouseY() { return MouseAlong(page_.height, 600); }
  void Send(uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y) {
    EngineMouse{engine, window}.Send(message, wParam, x, y);
  }
  void Drag(int32_t x0, int32_t y0, int32_t x1, int32_t y1) { EngineMouse{engine, window}.Drag(x0, y0, x1, y1); }
  void Click(int32_t x, int32_t y) { EngineMouse{engine, window}.Click(x, y); }
  void Type(const std::u16string& text) {
    for (char16_t c : text) {
      if (c == u'\n') continue;
      if (c == u'\r') engine->HandleKey(window, plat::WM_KEYDOWN, 13, 1);
      else engine->HandleKey(window, plat::WM_CHAR, c, 1);
    }
  }

  std::vector<int32_t> Ids() {
    std::vector<int32_t> ids;
    int32_t id = 0;
    for (engine->GetFirstElement(layer_, &id); id; engine->GetNextElement(layer_, &id)) ids.push_back(id);
    return ids;
  }
  int32_t AnyId() {
    const std::vector<int32_t> ids = Ids();
    return ids.empty() ? 0 : ids[size_t(R().Below(int32_t(ids.size())))];
  }
  plat::LOGFONTA AnyFont() {
    plat::LOGFONTA f{};
    std::strcpy(f.lfFaceName, R().Chance(50) ? "Times New Roman" : "Courier New");
    f.lfHeight = R().Pick(kFontHeights);
    f.lfWidth = R().Chance(70) ? 0 : R().Pick(kFontWidths);
    f.lfEscapement = f.lfOrientation = R().Chance(80) ? 0 : R().Pick(kOrientations);
    f.lfWeight = R().Chance(50) ? 400 : 700;
    return f;
  }
  AnnValue Text() {
    texts_.push_back(plat::SysAllocString(R().Pick(kTexts)));
    return reinterpret_cast<AnnValue>(texts_.back());
  }

  // One operation, chosen by the generator; its name goes to the log.
  void Step() {
    const struct {
      const char* name;
      std::function<void()> run;
    } operations[] = {
        {"describe", [&] { Describe(); }},
        {"describe", [&] { Describe(); }},
        {"drag a shape", [&] { DrawByDragging(); }},
        {"click a path", [&] { DrawByClicking(); }},
        {"type a text", [&] { TypeText(); }},
        {"type a text", [&] { TypeText(); }},
        {"edit a text", [&] { EditText(); }},
        {"element property", [&] { ElementProperty(); }},
        {"element font", [&] { ElementFont(); }},
        {"element pen", [&] { engine->SetElementProperty(layer_, AnyId(), PROP_PEN_WIDTH, R().Pick(kPens)); }},
        {"element orientation",
         [&] { engine->SetElementProperty(layer_, AnyId(), PROP_TEXT_ORIENTATION, R().Pick(kOrientations)); }},
        {"element text", [&] { engine->SetElementProperty(layer_, AnyId(), PROP_TEXT, Text()); }},
        {"element rect",
         [&] {
           engine->SetElementRect(layer_, AnyId(), pagePosition(R(), page_.width), pagePosition(R(), page_.height),
                                  pagePosition(R(), page_.width), pagePosition(R(), page_.height));
         }},
        {"move element",
         [&] {
           engine->MoveElementTo(layer_, AnyId(), pagePosition(R(), page_.width), pagePosition(R(), page_.height));
         }},
        {"element point",
         [&] {
           engine->SetElementPoint(layer_, AnyId(), R().Below(3),
                                   {pagePosition(R(), page_.width), pagePosition(R(), page_.height)});
         }},
        {"turn all", [&] { engine->RotateAll(page_.width, page_.height, R().Pick(kAngles)); }},
        {"mirror all",
         [&] {
           if (R().Chance(50)) engine->MirrorAllLeftRight(page_.width, page_.height);
           else engine->MirrorAllTopBottom(page_.width, page_.height);
         }},
        {"group", [&] { Group(); }},
        {"tool default", [&] { ToolDefault(); }},
        {"engine font", [&] { EngineFont(); }},
        {"move the selection", [&] { MoveSelection(); }},
        {"order", [&] { Order(); }},
    };
    // A quarter turn turns the page too.
    engine->GetDefaultViewSize(&page_.width, &page_.height);
    const auto& op = R().Pick(operations);
    log_ << " " << op.name << ";";
    op.run();
  }

  void Describe() {
    const int32_t kind = TOOL_TEXT + R().Below(10);
    AnnObjectDesc* d = nullptr;
    ASSERT_EQ(engine->CreateObjectDesc(&d), ANN_OK);
    engine->SetObjectDescField(d, 128, kind);
    plat::RECT r{pagePosition(R(), page_.width), pagePosition(R(), page_.height), pagePosition(R(), page_.width),
                 pagePosition(R(), page_.height)};
    engine->SetObjectDescField(d, PROP_RECT, reinterpret_cast<AnnValue>(&r));
    engine->SetObjectDescField(d, PROP_TEXT, Text());
    if (R().Chance(40)) engine->SetObjectDescField(d, PROP_PEN_WIDTH, R().Pick(kPens));
    if (R().Chance(40)) {
      plat::LOGFONTA f = AnyFont();
      engine->SetObjectDescField(d, PROP_FONT, reinterpret_cast<AnnValue>(&f));
    }
    if (R().Chance(30)) engine->SetObjectDescField(d, PROP_TEXT_ORIENTATION, R().Pick(kOrientations));
    if (R().Chance(30)) engine->SetObjectDescField(d, PROP_AUTO_SIZE, 1);
    for (int i = 0, n = 2 + R().Below(4); i < n; ++i)
      engine->AddObjectDescPoint(d, pagePosition(R(), page_.width), pagePosition(R(), page_.height));
    int32_t id = 0;
    engine->CreateObjectFromDesc(d, layer_, &id);
    engine->FreeObjectDesc(d);
  }

  void DrawByDragging() {
    const int32_t tools[] = {TOOL_RECTANGLE, TOOL_ELLIPSE, TOOL_LINE, TOOL_FREEHAND, TOOL_BUTTON};
    engine->SetCurrentTool(layer_, R().Pick(tools));
    Drag(MouseX(), MouseY(), MouseX(), MouseY());
    engine->SetCurrentTool(layer_, TOOL_POINTER);
  }

  void DrawByClicking() {
    engine->SetCurrentTool(layer_, R().Chance(50) ? TOOL_POLYGON : TOOL_POLYLINE);
    const int32_t n = 3 + R().Below(3);
    int32_t x = MouseX(), y = MouseY();
    for (int32_t i = 0; i < n; ++i) {
      Click(x, y);
      x = MouseX();
      y = MouseY();
      Send(plat::WM_MOUSEMOVE, 0, x, y);
    }
    Send(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, x, y);
    Send(plat::WM_LBUTTONUP, 0, x, y);
    engine->SetCurrentTool(layer_, TOOL_POINTER);
  }

  // A text box typed at a click, the way a user makes one; it grows with its text.
  void TypeText() {
    engine->SetCurrentTool(layer_, TOOL_TEXT);
    Click(MouseX(), MouseY());
    Type(R().Pick(kTexts));
    Type(u"x");
    // Ended by a click elsewhere or by the next tool.
    if (R().Chance(50)) Click(MouseX(), MouseY());
    engine->SetCurrentTool(layer_, TOOL_POINTER);
  }

  // A placed text edited again: double-clicked, typed into, left.
  void EditText() {
    const int32_t id = AnyId();
    plat::RECT r{};
    if (!id || engine->GetElementRect(layer_, id, &r) != ANN_OK) return;
    const int32_t x = r.left + 2, y = r.top + 2;
    Click(x, y);
    Send(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, x, y);
    Send(plat::WM_LBUTTONUP, 0, x, y);
    Type(u"ab\r");
    Click(MouseX(), MouseY());
  }

  void ElementProperty() {
    engine->SetElementProperty(layer_, AnyId(), R().Pick(kOrdinaryProperties), R().Pick(kOrdinaryValues));
  }

  void ElementFont() {
    plat::LOGFONTA f = AnyFont();
    engine->SetElementProperty(layer_, AnyId(), PROP_FONT, reinterpret_cast<AnnValue>(&f));
  }

  void Group() {
    int32_t g = 0;
    if (engine->CreateGroup(layer_, &g, nullptr, R().Below(3)) != ANN_OK) return;
    for (int i = 0, n = 1 + R().Below(3); i < n; ++i) engine->AddElementToGroup(layer_, g, AnyId());
    switch (R().Below(4)) {
      case 0:
        engine->SetGroupRect(layer_, g, pagePosition(R(), page_.width), pagePosition(R(), page_.height),
                             pagePosition(R(), page_.width), pagePosition(R(), page_.height));
        break;
      case 1: engine->MirrorGroupLeftRight(layer_, g); break;
      case 2: engine->MirrorGroupTopBottom(layer_, g); break;
      default: engine->SetGroupSelected(layer_, g, 1); break;
    }
  }

  // Defaults of a tool, on this layer or engine-wide, then a mark made with them.
  void ToolDefault() {
    const int32_t tool = TOOL_TEXT + R().Below(10);
    const bool layerOnly = R().Chance(50);
    auto set = [&](int32_t property, AnnValue value) {
      if (layerOnly) engine->SetLayerToolDefault(layer_, tool, property, value);
      else engine->SetToolDefault(tool, property, value);
    };
    plat::LOGFONTA f = AnyFont();
    switch (R().Below(3)) {
      case 0: set(PROP_PEN_WIDTH, R().Pick(kPens)); break;
      case 1: set(PROP_FONT, reinterpret_cast<AnnValue>(&f)); break;
      default: set(PROP_TEXT_ORIENTATION, R().Pick(kOrientations)); break;
    }
    if (tool == TOOL_TEXT) TypeText();
    else if (tool == TOOL_POLYGON || tool == TOOL_POLYLINE) DrawByClicking();
    else if (tool != TOOL_IMAGE && tool != TOOL_STAMP) DrawByDragging();
  }

  void EngineFont() {
    const int32_t keys[] = {EPROP_TEXT_FONT, EPROP_STAMP_FONT, EPROP_BUTTON_FONT};
    plat::LOGFONTA f = AnyFont();
    engine->SetEngineProperty(R().Pick(keys), reinterpret_cast<AnnValue>(&f));
  }

  void MoveSelection() {
    engine->SetCurrentTool(layer_, TOOL_POINTER);
    if (R().Chance(50)) engine->SelectAllElements(layer_, 1);
    Drag(MouseX(), MouseY(), MouseX(), MouseY());
  }

  void Order() {
    switch (R().Below(4)) {
      case 0: engine->BringElementToFront(layer_, AnyId()); break;
      case 1: engine->ReverseElementOrder(layer_); break;
      case 2: engine->DeleteElement(layer_, AnyId()); break;
      default: engine->SelectAllElements(layer_, 0); break;
    }
  }

  // What the engine saved reads back whole, and saving that again gives the same bytes: one
  // layer through a byte array, and the whole engine with its settings.
  void Checkpoint(int n) {
    SCOPED_TRACE(log_.str());
    SCOPED_TRACE("checkpoint after operation " + std::to_string(n));
    engine->SetCurrentTool(layer_, TOOL_POINTER);
    int32_t count = 0;
    engine->GetElementCount(layer_, &count);

    plat::VARIANT saved;
    int32_t bytes = 0;
    ASSERT_EQ(engine->SaveLayerToArray(&saved, layer_, &bytes), ANN_OK);
    // Read over a page of the size the layer was saved on, as its host does.
    engine->GetDefaultViewSize(&page_.width, &page_.height);
    reader_->SetDefaultViewSize(page_.width, page_.height);
    AnnLayerHandle copy = 0;
    ASSERT_EQ(reader_->LoadLayerFromArray(&saved, &copy), ANN_OK);
    int32_t copied = 0;
    reader_->GetElementCount(copy, &copied);
    EXPECT_EQ(copied, count);
    plat::VARIANT again;
    ASSERT_EQ(reader_->SaveLayerToArray(&again, copy, &bytes), ANN_OK);
    EXPECT_EQ(difference(bytesOf(saved), bytesOf(again)), "") << "the layer saved again differs";
    reader_->DeleteLayer(copy);
    plat::VariantClear(&saved);
    plat::VariantClear(&again);

    ASSERT_EQ(engine->SaveAllToArray(&saved, &bytes), ANN_OK);
    AnnEngineInterface* whole = EngineLibrary::Get().init(kCookie, window, 0);
    EXPECT_EQ(whole->LoadAllFromArray(&saved), ANN_OK);
    ASSERT_EQ(whole->SaveAllToArray(&again, &bytes), ANN_OK);
    EXPECT_EQ(difference(bytesOf(saved), bytesOf(again)), "") << "the engine's annotations saved again differ";
    // What was drawn before the save is what is drawn after the reload.
    EXPECT_EQ(DifferentRows(engine, whole), 0);
    EngineLibrary::Get().deinit(whole);
    plat::VariantClear(&saved);
    plat::VariantClear(&again);
  }

  // How many rows of a drawing of the page's top-left corner differ between the two engines.
  static int DifferentRows(AnnEngineInterface* a, AnnEngineInterface* b) {
    constexpr int kSide = 360;
    plat::HDC one = plat::CreateMemoryDC(kSide, kSide), other = plat::CreateMemoryDC(kSide, kSide);
    a->Draw(one, nullptr, nullptr, 0, 0, 0, 0);
    b->Draw(other, nullptr, nullptr, 0, 0, 0, 0);
    const QImage* x = plat::ImageOf(one);
    const QImage* y = plat::ImageOf(other);
    int differ = 0;
    for (int row = 0; row < kSide; ++row)
      differ += std::memcmp(x->constScanLine(row), y->constScanLine(row), size_t(x->bytesPerLine())) != 0;
    plat::DeleteDC(one);
    plat::DeleteDC(other);
    return differ;
  }

  std::unique_ptr<Rng> rng_;
  Page page_{};
  AnnLayerHandle layer_ = 0;
  AnnEngineInterface* reader_ = nullptr;
  std::ostringstream log_;
  std::vector<plat::BSTR> texts_;

 public:
  void TearDown() override {
    if (reader_) EngineLibrary::Get().deinit(reader_);
    reader_ = nullptr;
    EngineTest::TearDown();
    for (plat::BSTR s : texts_) plat::SysFreeString(s);
    texts_.clear();
  }
};

TEST_F(RoundTripTest, EverythingSavedReadsBackAndSavesTheSame) {
  const struct {
    uint32_t seed;
    Page page;
  } runs[] = {
      {1, {1000, 800}}, {2, {2480, 3508}}, {3, {400, 300}}, {4, {100, 80}},
      {5, {1000, 1000}}, {7, {640, 480}},  {10, {50, 40}},  {11, {30, 20}},
  };
  for (const auto& r : runs) {
    Run(r.seed, r.page, 150);
    if (HasFatalFailure()) return;
  }
}

// The cases the seeded runs above first found, each pinned on its own.
class SavedLayerTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // A window as large as the pages below, so that every gesture lands inside it.
    widget->resize(2480, 1000);
  }
  // Saves the layer, reads it into a fresh engine over a page of the same size and saves it there
  // again: the read must succeed, keep every element, and the second save must equal the first.
  void ExpectReadsBack(AnnLayerHandle layer, AnnEngineInterface** keep = nullptr) {
    plat::VARIANT saved, again;
    int32_t bytes = 0, count = 0, copied = 0, width = 0, height = 0;
    ASSERT_EQ(engine->SaveLayerToArray(&saved, layer, &bytes), ANN_OK);
    AnnEngineInterface* reader = EngineLibrary::Get().init(kCookie, window, 0);
    engine->GetDefaultViewSize(&width, &height);
    reader->SetDefaultViewSize(width, height);
    AnnLayerHandle copy = 0;
    EXPECT_EQ(reader->LoadLayerFromArray(&saved, &copy), ANN_OK);
    engine->GetElementCount(layer, &count);
    reader->GetElementCount(copy, &copied);
    EXPECT_EQ(copied, count);
    ASSERT_EQ(reader->SaveLayerToArray(&again, copy, &bytes), ANN_OK);
    EXPECT_EQ(difference(bytesOf(saved), bytesOf(again)), "") << "saved again, the layer differs";
    plat::VariantClear(&saved);
    plat::VariantClear(&again);
    if (keep) *keep = reader;
    else EngineLibrary::Get().deinit(reader);
  }
  void Send(uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y) {
    EngineMouse{engine, window}.Send(message, wParam, x, y);
  }
};

// A text box grows with its text from its margins and its text's extent. However wide the pen or
// tall the font that made it grow, the box is held within the page's sound range where it grows,
// so the layer that holds it reads back.
TEST_F(SavedLayerTest, ATypedTextBoxHeldAtTheLimitReadsBack) {
  const struct {
    const char* what;
    int32_t width, height, pen, fontHeight;
  } cases[] = {
      {"pen of 5000 pixels on a 1000-pixel page", 1000, 1000, 5000, 0},
      {"font 2000 pixels tall on a 1000-pixel page", 1000, 1000, 0, -2000},
      {"font 9000 pixels tall on a 2480-pixel page", 2480, 3508, 0, -9000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AnnLayerHandle layer = engine->CreateLayer(1);
    engine->SetDefaultViewSize(c.width, c.height);
    if (c.pen) {
      ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_TEXT, PROP_PEN_WIDTH, c.pen), ANN_OK);
    }
    if (c.fontHeight) {
      plat::LOGFONTA font{};
      AnnValue out = reinterpret_cast<AnnValue>(&font);
      ASSERT_EQ(engine->GetLayerToolDefault(layer, TOOL_TEXT, PROP_FONT, &out), ANN_OK);
      font.lfHeight = c.fontHeight;
      ASSERT_EQ(engine->SetLayerToolDefault(layer, TOOL_TEXT, PROP_FONT, reinterpret_cast<AnnValue>(&font)), ANN_OK);
    }
    engine->SetCurrentTool(layer, TOOL_TEXT);
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 100, 600);
    Send(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, 400, 700);
    Send(plat::WM_LBUTTONUP, 0, 400, 700);
    engine->HandleKey(window, plat::WM_CHAR, u'H', 1);
    engine->HandleKey(window, plat::WM_CHAR, u'i', 1);
    Send(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 20, 20);  // a click away ends the typing
    Send(plat::WM_LBUTTONUP, 0, 20, 20);
    int32_t count = 0;
    engine->GetElementCount(layer, &count);
    ASSERT_EQ(count, 1);
    ExpectReadsBack(layer);
    engine->DeleteLayer(layer);
  }
}

// Turned or mirrored, a button's caption turns with it (its font's escapement follows the
// orientation); a reloaded button shows its caption as it was drawn before the save.
TEST_F(SavedLayerTest, AButtonKeepsItsTurnedCaption) {
  const struct {
    const char* what;
    std::function<void(AnnEngineInterface*)> turn;
    int32_t escapement;
  } cases[] = {
      {"turned by 90 degrees", [](AnnEngineInterface* e) { e->RotateAll(400, 300, 90.0f); }, 900},
      {"turned by 180 degrees", [](AnnEngineInterface* e) { e->RotateAll(400, 300, 180.0f); }, 1800},
      {"turned by 270 degrees", [](AnnEngineInterface* e) { e->RotateAll(400, 300, 270.0f); }, 2700},
      {"mirrored top to bottom", [](AnnEngineInterface* e) { e->MirrorAllTopBottom(400, 300); }, 1800},
      {"mirrored both ways", [](AnnEngineInterface* e) {
         e->MirrorAllTopBottom(400, 300);
         e->MirrorAllLeftRight(400, 300);
       }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    engine->DeleteAllLayers();
    engine->SetDefaultViewSize(400, 300);
    AnnLayerHandle layer = engine->CreateLayer(1);
    plat::BSTR caption = plat::SysAllocString(u"Press here");
    const int32_t id = MakeElementFromDesc(engine, layer, TOOL_BUTTON, {150, 100, 250, 200},
                                           {{PROP_TEXT, reinterpret_cast<AnnValue>(caption)}});
    plat::SysFreeString(caption);
    c.turn(engine);
    plat::LOGFONTA font{};
    AnnValue out = reinterpret_cast<AnnValue>(&font);
    ASSERT_EQ(engine->GetElementProperty(layer, id, PROP_FONT, &out), ANN_OK);
    EXPECT_EQ(font.lfEscapement, c.escapement);

    AnnEngineInterface* reader = nullptr;
    ExpectReadsBack(layer, &reader);
    ASSERT_NE(reader, nullptr);
    AnnLayerHandle copy = reader->GetFirstLayer();
    int32_t copyId = 0;
    reader->GetFirstElement(copy, &copyId);
    plat::LOGFONTA read{};
    out = reinterpret_cast<AnnValue>(&read);
    ASSERT_EQ(reader->GetElementProperty(copy, copyId, PROP_FONT, &out), ANN_OK);
    EXPECT_EQ(read.lfEscapement, c.escapement);
    EXPECT_EQ(read.lfOrientation, font.lfOrientation);
    // Drawn before the save and after the reload, the button looks the same.
    plat::HDC before = plat::CreateMemoryDC(400, 400), after = plat::CreateMemoryDC(400, 400);
    engine->Draw(before, nullptr, nullptr, 0, 0, 0, 0);
    reader->Draw(after, nullptr, nullptr, 0, 0, 0, 0);
    int differ = 0;
    for (int y = 0; y < 400; ++y)
      for (int x = 0; x < 400; ++x) differ += plat::GetPixel(before, x, y) != plat::GetPixel(after, x, y);
    EXPECT_EQ(differ, 0);
    plat::DeleteDC(before);
    plat::DeleteDC(after);
    EngineLibrary::Get().deinit(reader);
  }
}

// Font heights and widths are held within 16,384 pixels wherever a font comes in: an element's
// property, a layer's or the engine's tool default, the engine's own fonts and an object
// descriptor. What is held is what is drawn and saved, and a reload changes nothing.
TEST_F(SavedLayerTest, FontSizesAreHeldAtEveryEntry) {
  engine->SetDefaultViewSize(400, 300);
  AnnLayerHandle layer = engine->CreateLayer(1);
  const int32_t text = MakeElementFromDesc(engine, layer, TOOL_TEXT, {10, 10, 200, 100});
  int32_t made = 0;
  auto fontOf = [](auto get) {
    plat::LOGFONTA f{};
    AnnValue out = reinterpret_cast<AnnValue>(&f);
    get(&out);
    return f;
  };
  using Set = std::function<void(const plat::LOGFONTA&)>;
  using Get = std::function<plat::LOGFONTA()>;
  const struct {
    const char* entry;
    Set set;
    Get get;
  } entries[] = {
      {"element property",
       [&](const plat::LOGFONTA& f) { engine->SetElementProperty(layer, text, PROP_FONT, reinterpret_cast<AnnValue>(&f)); },
       [&] { return fontOf([&](AnnValue* o) { engine->GetElementProperty(layer, text, PROP_FONT, o); }); }},
      {"layer tool default",
       [&](const plat::LOGFONTA& f) {
         engine->SetLayerToolDefault(layer, TOOL_STAMP, PROP_FONT, reinterpret_cast<AnnValue>(&f));
       },
       [&] { return fontOf([&](AnnValue* o) { engine->GetLayerToolDefault(layer, TOOL_STAMP, PROP_FONT, o); }); }},
      {"engine tool default",
       [&](const plat::LOGFONTA& f) { engine->SetToolDefault(TOOL_BUTTON, PROP_FONT, reinterpret_cast<AnnValue>(&f)); },
       [&] {
         // The engine answers with its own font, not a copy.
         AnnValue own = 0;
         engine->GetToolDefault(TOOL_BUTTON, PROP_FONT, &own);
         return own ? *reinterpret_cast<const plat::LOGFONTA*>(own) : plat::LOGFONTA{};
       }},
      {"engine text font",
       [&](const plat::LOGFONTA& f) { engine->SetEngineProperty(EPROP_TEXT_FONT, reinterpret_cast<AnnValue>(&f)); },
       [&] { return fontOf([&](AnnValue* o) { engine->GetEngineProperty(EPROP_TEXT_FONT, o); }); }},
      {"object descriptor",
       [&](const plat::LOGFONTA& f) {
         AnnObjectDesc* d = nullptr;
         engine->CreateObjectDesc(&d);
         engine->SetObjectDescField(d, PROP_FONT, reinterpret_cast<AnnValue>(&f));
         plat::LOGFONTA held = fontOf([&](AnnValue* o) { engine->GetObjectDescField(d, PROP_FONT, o); });
         EXPECT_EQ(held.lfHeight, std::clamp(f.lfHeight, -16384, 16384)) << "the descriptor's own field";
         engine->FreeObjectDesc(d);
         made = MakeElementFromDesc(engine, layer, TOOL_STAMP, {20, 120, 200, 200},
                                     {{PROP_FONT, reinterpret_cast<AnnValue>(&f)}});
       },
       [&] { return fontOf([&](AnnValue* o) { engine->GetElementProperty(layer, made, PROP_FONT, o); }); }},
  };
  const struct {
    int32_t height, width, heldHeight, heldWidth;
    bool fullFace = false;  // a face name that fills its field, with no end: it is cut to fit
  } sizes[] = {
      {INT_MIN, INT_MIN, -16384, -16384}, {INT_MAX, INT_MAX, 16384, 16384}, {-20000, 30000, -16384, 16384},
      {-16384, 16384, -16384, 16384},     {-13, 0, -13, 0},                 {-13, 0, -13, 0, true},
  };
  for (const auto& e : entries) {
    for (const auto& s : sizes) {
      SCOPED_TRACE(std::string(e.entry) + " " + std::to_string(s.height) + " x " + std::to_string(s.width));
      plat::LOGFONTA f{};
      if (s.fullFace)
        std::memset(f.lfFaceName, 'A', sizeof f.lfFaceName);
      else
        std::strcpy(f.lfFaceName, "Times New Roman");
      f.lfHeight = s.height;
      f.lfWidth = s.width;
      e.set(f);
      const plat::LOGFONTA held = e.get();
      EXPECT_EQ(held.lfHeight, s.heldHeight);
      EXPECT_EQ(held.lfWidth, s.heldWidth);
      EXPECT_EQ(std::string(held.lfFaceName, strnlen(held.lfFaceName, sizeof held.lfFaceName)),
                s.fullFace ? std::string(sizeof held.lfFaceName - 1, 'A') : std::string("Times New Roman"));
      plat::HDC dc = plat::CreateMemoryDC(400, 300);
      engine->Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
      plat::DeleteDC(dc);
      ExpectReadsBack(layer);
      // The engine's settings travel too: read back and saved again, they are the same.
      plat::VARIANT saved, again;
      int32_t bytes = 0;
      ASSERT_EQ(engine->SaveAllToArray(&saved, &bytes), ANN_OK);
      AnnEngineInterface* whole = EngineLibrary::Get().init(kCookie, window, 0);
      EXPECT_EQ(whole->LoadAllFromArray(&saved), ANN_OK);
      ASSERT_EQ(whole->SaveAllToArray(&again, &bytes), ANN_OK);
      EXPECT_EQ(difference(bytesOf(saved), bytesOf(again)), "") << "the engine's annotations saved again differ";
      EngineLibrary::Get().deinit(whole);
      plat::VariantClear(&saved);
      plat::VariantClear(&again);
    }
  }
}

}  // namespace
