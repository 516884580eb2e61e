// Whole-picture edits on a 24-megapixel colour page through the imaging control's own members
// (the undo step included), side by side with GraphicsMagick's nearest operation at the same
// thread count (second argument: 1, or 0 for every core):
//   Edit/rotate90 vs GmEdit/rotate90 (-rotate 90), Edit/mirror vs GmEdit/mirror (-flop),
//   Edit/autocontrast vs GmEdit/autocontrast (-normalize), Edit/replace vs GmEdit/replace
//   (-fuzz -opaque). Goal: every edit at least 2 times faster.
// GraphicsMagick's times include reading its own uncompressed copy of the page; GmEdit/read is that
// read alone, to subtract. Run with --benchmark_filter=/1$ for one thread only. EditRun makes
// edits one after another without undoing them.
#include "controls/imaging/imaging_control.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <opencv2/core/utility.hpp>
#include <random>

using namespace img;

namespace {

constexpr int kW = 6000, kH = 4000;  // 24 megapixels

// A photograph-like page: smooth gradients with noise and a few flat areas, not using the full
// range so that auto contrast has work to do.
const Bitmap& page() {
  static const Bitmap b = [] {
    Bitmap p(kW, kH, 24);
    std::mt19937 rng(24);
    for (int y = 0; y < kH; ++y) {
      uint8_t* r = p.row(y);
      for (int x = 0; x < kW; ++x) {
        const bool flat = ((x / 500) + (y / 500)) % 5 == 0;
        const int n = static_cast<int>(rng() % 9) - 4;
        r[x * 3] = static_cast<uint8_t>(flat ? 128 : 40 + (x * 150 / kW) + n);
        r[x * 3 + 1] = static_cast<uint8_t>(flat ? 128 : 40 + (y * 150 / kH) + n);
        r[x * 3 + 2] = static_cast<uint8_t>(flat ? 128 : 40 + ((x + y) * 75 / (kW + kH)) * 2 + n);
      }
    }
    return p;
  }();
  return b;
}

enum Op { kRotate90, kMirror, kAutoContrast, kReplace, kRead };
const char* const kNames[] = {"rotate90", "mirror", "autocontrast", "replace", "read"};

int threadsOf(const benchmark::State& state) {
  return state.range(1) > 0 ? static_cast<int>(state.range(1)) : cv::getNumberOfCPUs();
}

void edit(ImagingControl& c, Op op) {
  switch (op) {
    case kRotate90: c.RotateBy(90); break;
    case kMirror: c.Mirror(); break;
    case kAutoContrast: c.AutoContrast(); break;
    case kReplace: c.ReplaceColours(0x707070, 0x909090, 0xFFFFFF); break;
    case kRead: break;
  }
}

// The edit the state asks for, with the control holding the page at the state's thread count.
Op prepare(benchmark::State& state, ImagingControl& c) {
  cv::setNumThreads(threadsOf(state));
  c.setBitmap(Bitmap(page()));
  return static_cast<Op>(state.range(0));
}

void Edit(benchmark::State& state) {
  ImagingControl c;
  const Op op = prepare(state, c);
  for (auto _ : state) {
    edit(c, op);
    state.PauseTiming();
    c.UndoLast();  // every round edits the same page; the undo itself is not timed
    state.ResumeTiming();
  }
  state.SetLabel(kNames[op]);
}
BENCHMARK(Edit)->ArgsProduct({{kRotate90, kMirror, kAutoContrast, kReplace}, {1, 0}})->Unit(benchmark::kMillisecond);

// Edits one after another with no undo between, as a user works: the undo keeps the last few
// pictures and the one that falls off the end serves the next edit.
void EditRun(benchmark::State& state) {
  ImagingControl c;
  const Op op = prepare(state, c);
  for (auto _ : state) {
    edit(c, op);
  }
  state.SetLabel(kNames[op]);
}
BENCHMARK(EditRun)->ArgsProduct({{kRotate90, kMirror, kAutoContrast, kReplace}, {1}})->Unit(benchmark::kMillisecond);

QString gmCopy() {
  const QString path = QDir::temp().filePath(QStringLiteral("lumivex-bench/page24mp.miff"));
  if (QFile::exists(path)) return path;
  QDir().mkpath(QFileInfo(path).path());
  const QString ppm = path + QStringLiteral(".ppm");
  FILE* f = std::fopen(ppm.toLocal8Bit().constData(), "wb");
  std::fprintf(f, "P6\n%d %d\n255\n", kW, kH);
  std::vector<uint8_t> rgb(static_cast<std::size_t>(kW) * 3);
  for (int y = 0; y < kH; ++y) {
    const uint8_t* r = page().row(y);
    for (int x = 0; x < kW; ++x) {
      rgb[x * 3] = r[x * 3 + 2];
      rgb[x * 3 + 1] = r[x * 3 + 1];
      rgb[x * 3 + 2] = r[x * 3];
    }
    std::fwrite(rgb.data(), 1, rgb.size(), f);
  }
  std::fclose(f);
  QProcess::execute(QStringLiteral("gm"), {QStringLiteral("convert"), ppm, QStringLiteral("-depth"), QStringLiteral("8"), path});
  QFile::remove(ppm);
  return path;
}

void GmEdit(benchmark::State& state) {
  const Op op = static_cast<Op>(state.range(0));
  if (QStandardPaths::findExecutable(QStringLiteral("gm")).isEmpty()) {
    state.SkipWithError("gm is not installed");
    return;
  }
  const QString in = gmCopy();
  QStringList args = {QStringLiteral("convert"), in};
  switch (op) {
    case kRotate90: args << QStringLiteral("-rotate") << QStringLiteral("90"); break;
    case kMirror: args << QStringLiteral("-flop"); break;
    case kAutoContrast: args << QStringLiteral("-normalize"); break;
    case kReplace:
      args << QStringLiteral("-fuzz") << QStringLiteral("16") << QStringLiteral("-fill") << QStringLiteral("white")
           << QStringLiteral("-opaque") << QStringLiteral("rgb(128,128,128)");
      break;
    case kRead: break;
  }
  args << QStringLiteral("null:");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("OMP_NUM_THREADS"), QString::number(threadsOf(state)));
  for (auto _ : state) {
    QProcess gm;
    gm.setProcessEnvironment(env);
    gm.start(QStringLiteral("gm"), args);
    gm.waitForFinished(-1);
  }
  state.SetLabel(kNames[op]);
}
BENCHMARK(GmEdit)
    ->ArgsProduct({{kRotate90, kMirror, kAutoContrast, kReplace, kRead}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
