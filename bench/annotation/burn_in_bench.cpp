// Burning a layer of 10,000 mixed annotations into an A4 page at 300 dpi (2480 x 3508), at 1 and
// 24 bits, against drawing the same shapes straight onto the picture with QPainter and packing
// the result at the same depth.
#include "bench/annotation/bench_main.h"

#include <QImage>
#include <QPainter>

#include <vector>

#include "annotation/engine.h"
#include "annotation/object_desc.h"
#include "platform/graphics/gdi.h"
#include "platform/memory/global_memory.h"
#include "platform/windows/window.h"

namespace {

constexpr int kElements = 10000;
constexpr int kWidth = 2480, kHeight = 3508;
constexpr int32_t kKinds[] = {TOOL_RECTANGLE, TOOL_ELLIPSE, TOOL_LINE, TOOL_POLYLINE, TOOL_POLYGON, TOOL_FREEHAND};

struct Shape {
  int32_t kind;
  QRect rect;
  std::vector<QPoint> points;
};

plat::HGLOBAL gPage = nullptr;

int32_t source(intptr_t, plat::HGLOBAL* dib, int32_t* freeAfterUse) {
  *dib = gPage;
  *freeAfterUse = 0;
  return 0;
}

int32_t result(intptr_t, plat::HGLOBAL dib) {
  plat::GlobalFree(dib);
  return 0;
}

struct Fixture {
  Fixture() {
    QImage page(kWidth, kHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    gPage = plat::PackedDibFromImage(page, 24);
    engine.Initialise(1, plat::CreateDetachedWindow(800, 600));
    engine.SetDefaultViewSize(kWidth, kHeight);
    engine.SetImageSourceCallback(&source);
    engine.SetImageResultCallback(&result);
    AnnLayerHandle layer = engine.CreateLayer(1);
    for (int i = 0; i < kElements; ++i) {
      Shape s;
      s.kind = kKinds[i % 6];
      int x = (i * 37) % (kWidth - 200), y = (i * 53) % (kHeight - 200);
      s.rect = QRect(x, y, 150, 100);
      s.points = {QPoint(x, y), QPoint(x + 150, y + 40), QPoint(x + 60, y + 100), QPoint(x + 120, y + 90)};
      AnnObjectDesc* d = nullptr;
      engine.CreateObjectDesc(&d);
      plat::RECT r{x, y, x + 150, y + 100};
      engine.SetObjectDescField(d, 128, s.kind);
      engine.SetObjectDescField(d, PROP_RECT, reinterpret_cast<AnnValue>(&r));
      if (s.kind >= TOOL_POLYGON && s.kind <= TOOL_FREEHAND && s.kind != TOOL_LINE)
        for (const QPoint& p : s.points) engine.AddObjectDescPoint(d, p.x(), p.y());
      if (s.kind == TOOL_LINE) s.points = {QPoint(x, y), QPoint(x + 150, y + 100)};
      int32_t id = 0;
      engine.CreateObjectFromDesc(d, layer, &id);
      engine.FreeObjectDesc(d);
      shapes.push_back(std::move(s));
    }
  }
  AnnEngine engine;
  std::vector<Shape> shapes;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void burnIn(benchmark::State& state) {
  const int bits = int(state.range(0));
  Fixture& f = fixture();
  for (auto _ : state)
    if (f.engine.BurnInLayers(bits) != ANN_OK) state.SkipWithError("burn-in failed");
}

// The same shapes with QPainter straight onto the picture, then packed at the depth asked for.
void painterDirect(benchmark::State& state) {
  const int bits = int(state.range(0));
  Fixture& f = fixture();
  for (auto _ : state) {
    QImage canvas;
    plat::ImageFromPackedDib(gPage, &canvas);
    canvas = canvas.convertToFormat(QImage::Format_RGB32);
    {
      QPainter p(&canvas);
      p.setPen(QPen(Qt::blue, 2));
      p.setBrush(Qt::green);
      for (const Shape& s : f.shapes) {
        switch (s.kind) {
          case TOOL_RECTANGLE: p.drawRect(s.rect); break;
          case TOOL_ELLIPSE: p.drawEllipse(s.rect); break;
          case TOOL_POLYGON: p.drawPolygon(s.points.data(), int(s.points.size())); break;
          default: p.drawPolyline(s.points.data(), int(s.points.size())); break;
        }
      }
    }
    plat::GlobalFree(plat::PackedDibFromImage(canvas, bits));
  }
}

BENCHMARK(burnIn)->Arg(1)->Arg(24)->ArgName("bits")->Unit(benchmark::kMillisecond);
BENCHMARK(painterDirect)->Arg(1)->Arg(24)->ArgName("bits")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return annBenchmarkMain(argc, argv); }
