// Drawing cost of the element kinds: a text of 100,000 characters laid out and drawn, a freehand
// stroke of 100,000 points drawn, and a layer of 10,000 elements of every kind drawn at zoom 1
// next to the same shapes drawn directly with QPainter (the goal: within twice its time).
#include "bench/annotation/bench_main.h"

#include <QImage>
#include <QPainter>
#include <string>
#include <utility>

#include <sys/resource.h>

#include "annotation/elements/element.h"
#include "annotation/engine.h"
#include "annotation/layer.h"
#include "platform/graphics/gdi.h"
#include "platform/memory/global_memory.h"
#include "platform/windows/window.h"

namespace {

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

constexpr int32_t S = ANN_LOGICAL_SPAN;
int32_t lx(int32_t px) { return plat::MulDiv(px, S, 800); }
int32_t ly(int32_t py) { return plat::MulDiv(py, S, 600); }

int32_t drawPicture(plat::HDC dc, plat::HGLOBAL dib, int32_t, plat::COLORREF, int32_t x, int32_t y, int32_t w,
                    int32_t h, int32_t, int32_t, int32_t, int32_t) {
  return plat::StretchPackedDib(dc, x, y, w, h, dib) ? 1 : 0;
}

struct Page {
  Page() {
    window = plat::CreateDetachedWindow(800, 600);
    engine.Initialise(1, window);
    engine.SetDefaultViewSize(800, 600);
    engine.SetDrawImageCallback(&drawPicture);
    engine.SyncViewGeometry(false, nullptr);
    layer = engine.FindLayer(engine.CreateLayer(1));
    QImage picture(16, 12, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    dib = plat::PackedDibFromImage(picture, 24);
  }
  ~Page() { plat::GlobalFree(dib); }

  AnnElement* Begin(int32_t tool) {
    layer->SetCurrentTool(tool);
    return layer->CurrentElement();
  }
  void Place() { layer->PlaceElement(nullptr, false, false); }
  static void Set(AnnElement* e, int32_t id, AnnValue v) {
    bool changed = false;
    e->SetProperty(id, v, &changed);
  }
  static void Rect(AnnElement* e, int32_t x, int32_t y, int32_t w, int32_t h) {
    plat::RECT r{lx(x), ly(y), lx(x + w), ly(y + h)};
    Set(e, PROP_RECT, reinterpret_cast<AnnValue>(&r));
  }
  static void Points(AnnElement* e, std::vector<plat::POINT> pixels) {
    for (auto& p : pixels) p = {lx(p.x), ly(p.y)};
    e->SetPoints(intptr_t(pixels.size()), reinterpret_cast<intptr_t>(pixels.data()));
  }
  void Draw(plat::HDC dc) { engine.Draw(dc, nullptr, nullptr, 0, 0, 0, 0); }

  plat::HWND window;
  AnnEngine engine;
  AnnLayer* layer = nullptr;
  plat::HGLOBAL dib = nullptr;
};

std::u16string longText(size_t n) {
  std::u16string s;
  const std::u16string words[] = {u"annotation ", u"layer ", u"stamp-", u"x ", u"\u00e9l\u00e9ment ", u"\r\n"};
  for (size_t i = 0; s.size() < n; ++i) s += words[(i * 7) % 6];
  s.resize(n);
  return s;
}

void textLayoutAndDraw(benchmark::State& state) {
  Page page;
  AnnElement* e = page.Begin(TOOL_TEXT);
  Page::Rect(e, 0, 0, 800, 600);
  const std::u16string text = longText(100000);
  Page::Set(e, PROP_TEXT, reinterpret_cast<AnnValue>(text.c_str()));
  page.Place();
  page.layer->SetCurrentTool(TOOL_POINTER);
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  for (auto _ : state) {
    e->ResetTextState(0, 0);  // the layout is made again each time
    page.Draw(dc);
  }
  plat::DeleteDC(dc);
}

void freehandDraw(benchmark::State& state) {
  Page page;
  AnnElement* e = page.Begin(TOOL_FREEHAND);
  std::vector<plat::POINT> stroke;
  for (int i = 0; i < 100000; ++i) stroke.push_back({(i * 3) % 780 + 10, (i / 260) % 580 + 10 + (i % 2)});
  Page::Points(e, stroke);
  page.Place();
  page.layer->SetCurrentTool(TOOL_POINTER);
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  for (auto _ : state) page.Draw(dc);
  plat::DeleteDC(dc);
}

// The shapes of the mixed layer: element i is kind i % 10 at a spot of its own.
struct Spot {
  int32_t kind, x, y;
};
std::vector<Spot> spots() {
  std::vector<Spot> s;
  for (int i = 0; i < 10000; ++i) s.push_back({TOOL_TEXT + i % 10, (i * 37) % 740, (i * 53) % 560});
  return s;
}

void mixedLayerEngine(benchmark::State& state) {
  Page page;
  for (const Spot& s : spots()) {
    AnnElement* e = page.Begin(s.kind);
    switch (s.kind) {
      case TOOL_POLYGON: Page::Points(e, {{s.x, s.y}, {s.x + 40, s.y}, {s.x + 20, s.y + 30}}); break;
      case TOOL_POLYLINE: Page::Points(e, {{s.x, s.y}, {s.x + 20, s.y + 30}, {s.x + 40, s.y}}); break;
      case TOOL_LINE: Page::Points(e, {{s.x, s.y}, {s.x + 40, s.y + 30}}); break;
      case TOOL_FREEHAND: {
        std::vector<plat::POINT> p;
        for (int k = 0; k < 10; ++k) p.push_back({s.x + 4 * k, s.y + (k % 2) * 5});
        Page::Points(e, p);
        break;
      }
      default:
        Page::Rect(e, s.x, s.y, 50, 30);
        if (s.kind == TOOL_TEXT || s.kind == TOOL_STAMP || s.kind == TOOL_BUTTON)
          Page::Set(e, PROP_TEXT, reinterpret_cast<AnnValue>(u"Note"));
        if (s.kind == TOOL_IMAGE) Page::Set(e, PROP_IMAGE, reinterpret_cast<AnnValue>(page.dib));
        break;
    }
    page.Place();
  }
  page.layer->SetCurrentTool(TOOL_POINTER);
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  page.Draw(dc);  // fonts and layouts are made once, as on a first paint
  for (auto _ : state) page.Draw(dc);
  plat::DeleteDC(dc);
}

void mixedLayerQPainter(benchmark::State& state) {
  QImage target(800, 600, QImage::Format_RGB32);
  QImage picture(16, 12, QImage::Format_RGB32);
  picture.fill(Qt::darkCyan);
  const QFont font(QStringLiteral("Times New Roman"), 10);
  const auto all = spots();
  for (auto _ : state) {
    target.fill(Qt::white);
    QPainter p(&target);
    p.setFont(font);
    for (const Spot& s : all) {
      switch (s.kind) {
        case TOOL_POLYGON: {
          p.setPen(QPen(Qt::cyan, 2));
          p.setBrush(Qt::red);
          const QPoint pts[3] = {{s.x, s.y}, {s.x + 40, s.y}, {s.x + 20, s.y + 30}};
          p.drawPolygon(pts, 3, Qt::WindingFill);
          break;
        }
        case TOOL_POLYLINE: {
          p.setPen(QPen(Qt::magenta, 2));
          const QPoint pts[3] = {{s.x, s.y}, {s.x + 20, s.y + 30}, {s.x + 40, s.y}};
          p.drawPolyline(pts, 3);
          break;
        }
        case TOOL_LINE:
          p.setPen(QPen(Qt::blue, 2));
          p.drawLine(s.x, s.y, s.x + 40, s.y + 30);
          break;
        case TOOL_FREEHAND: {
          QPoint pts[10];
          for (int k = 0; k < 10; ++k) pts[k] = {s.x + 4 * k, s.y + (k % 2) * 5};
          p.setPen(QPen(Qt::magenta, 2));
          p.drawPolyline(pts, 10);
          break;
        }
        case TOOL_RECTANGLE:
        case TOOL_BUTTON:
          p.setPen(QPen(Qt::blue, 1));
          p.setBrush(Qt::green);
          p.drawRect(s.x, s.y, 50, 30);
          if (s.kind == TOOL_BUTTON) p.drawText(QRect(s.x, s.y, 50, 30), Qt::AlignCenter, QStringLiteral("Note"));
          break;
        case TOOL_ELLIPSE:
          p.setPen(QPen(Qt::blue, 1));
          p.setBrush(Qt::cyan);
          p.drawEllipse(s.x, s.y, 50, 30);
          break;
        case TOOL_IMAGE:
          p.drawImage(QRect(s.x, s.y, 50, 30), picture);
          break;
        default:  // text and stamp
          p.fillRect(s.x, s.y, 50, 30, Qt::white);
          p.setPen(Qt::black);
          p.drawText(QPoint(s.x, s.y + 12), QStringLiteral("Note"));
          break;
      }
    }
  }
}

// A polygon whose corners lie across a page of view x view pixels, drawn into an 800 x 600 window
// at zoom 1 (the window shows the page's top-left corner): a draw costs what the window shows,
// not the outline's length in the page. The counter is how far the process's peak memory rose.
void hugeViewPolygon(benchmark::State& state) {
  const int32_t view = int32_t(state.range(0)), pen = int32_t(state.range(1));
  plat::HWND window = plat::CreateDetachedWindow(800, 600);
  AnnEngine engine;
  engine.Initialise(1, window);
  engine.SetDefaultViewSize(view, view);
  AnnLayerHandle layer = engine.CreateLayer(1);
  AnnObjectDesc* d = nullptr;
  engine.CreateObjectDesc(&d);
  engine.SetObjectDescField(d, 128, TOOL_POLYGON);
  engine.SetObjectDescField(d, PROP_PEN_WIDTH, pen);
  const int32_t far = view - 1;
  for (auto [x, y] : {std::pair{10, 10}, {far, 40}, {far / 2, far}, {30, far / 3}, {far, far}, {5, 500}})
    engine.AddObjectDescPoint(d, x, y);
  int32_t id = 0;
  engine.CreateObjectFromDesc(d, layer, &id);
  engine.FreeObjectDesc(d);
  plat::HDC dc = plat::CreateMemoryDC(800, 600);
  const long before = peakKilobytes();
  for (auto _ : state) engine.Draw(dc, nullptr, nullptr, 0, 0, 0, 0);
  state.counters["peak_rise_MB"] = double(peakKilobytes() - before) / 1024.0;
  plat::DeleteDC(dc);
  plat::DestroyWindow(window);
}

BENCHMARK(textLayoutAndDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(freehandDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(mixedLayerEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(mixedLayerQPainter)->Unit(benchmark::kMillisecond);
BENCHMARK(hugeViewPolygon)
    ->ArgNames({"view", "pen"})
    ->ArgsProduct({{100000, 1000000, 4000000, 16777216}, {1, 5}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return annBenchmarkMain(argc, argv); }
