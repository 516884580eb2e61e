// Times every effect of the effect table and the resize, rotate and colour depth operations on a
// 24-megapixel photograph-like picture, and the preview of a slider change in the effect dialog.
//   bench_imagetools --ops THREADS          one line "name<TAB>milliseconds" per operation
//   bench_imagetools --preview THREADS [WORD...]  from a key posted to the effect dialog to the
//                                                after viewer painted with the new pixels, per
//                                                effect and zoom
//   bench_imagetools --write-ppm PATH       the picture, for the reference tools
#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "controls/imaging/ops_support.h"
#include "controls/imaging/pixel_ops.h"
#include "imagetools/effect_table.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/preview_runner.h"
#include "imagetools/tool_controls.h"
#include "workspace/mod_vars.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

namespace {

namespace ops = img::ops;
constexpr int kW = 6000, kH = 4000;

// A photograph-like picture: a cloudy texture of several scales in each channel, fine grain,
// and a few hundred sharp-edged blots, so that it holds millions of distinct colours and edges as
// a photograph does (a smooth gradient has few colours and flatters anything that caches them).
img::Bitmap picture() {
  img::Bitmap b(kW, kH, 24);
  std::mt19937 rng(7);
  // Random lattices of falling cell sizes, interpolated bilinearly per channel.
  constexpr int kOctaves = 6;
  struct Lattice {
    int cell, cols;
    std::vector<float> v;
  };
  std::vector<Lattice> lattices;
  for (int c = 0; c < 3; ++c)
    for (int o = 0; o < kOctaves; ++o) {
      Lattice l{1024 >> o, 0, {}};
      l.cols = kW / l.cell + 2;
      l.v.resize(static_cast<std::size_t>(l.cols) * (kH / l.cell + 2));
      std::uniform_real_distribution<float> u(-1.0f, 1.0f);
      for (float& x : l.v) x = u(rng);
      lattices.push_back(std::move(l));
    }
  // The blots first, as offsets from mid-grey; the texture and grain go over them.
  cv::Mat m(kH, kW, CV_8UC3, b.row(0), static_cast<std::size_t>(b.stride()));
  for (int i = 0; i < 300; ++i) {
    const cv::Point at(static_cast<int>(rng() % kW), static_cast<int>(rng() % kH));
    const cv::Scalar colour(1 + rng() % 255, 1 + rng() % 255, 1 + rng() % 255);
    if (i % 2) cv::circle(m, at, static_cast<int>(20 + rng() % 300), colour, cv::FILLED);
    else cv::rectangle(m, cv::Rect(at.x, at.y, static_cast<int>(20 + rng() % 400), static_cast<int>(20 + rng() % 400)), colour, cv::FILLED);
  }
  cv::parallel_for_(cv::Range(0, kH), [&](const cv::Range& r) {
    for (int y = r.start; y < r.end; ++y) {
      uint8_t* p = b.row(y);
      for (int x = 0; x < kW; ++x, p += 3) {
        const uint32_t grain = ops::positionBits(static_cast<uint32_t>(x), static_cast<uint32_t>(y)) & 0xFFFFFF;
        for (int c = 0; c < 3; ++c) {
          float sum = 0, amp = 90;
          for (int o = 0; o < kOctaves; ++o, amp *= 0.55f) {
            const Lattice& l = lattices[static_cast<std::size_t>(c * kOctaves + o)];
            const int cx = x / l.cell, cy = y / l.cell;
            const float fx = float(x % l.cell) / l.cell, fy = float(y % l.cell) / l.cell;
            const float* r0 = &l.v[static_cast<std::size_t>(cy) * l.cols + cx];
            const float* r1 = r0 + l.cols;
            sum += amp * ((r0[0] * (1 - fx) + r0[1] * fx) * (1 - fy) + (r1[0] * (1 - fx) + r1[1] * fx) * fy);
          }
          const int g = static_cast<int>((grain >> (8 * c)) & 0xFF) % 25 - 12;
          const int blot = p[c] ? (p[c] - 128) * 3 / 5 : 0;
          p[c] = static_cast<uint8_t>(std::clamp(static_cast<int>(128 + sum) + blot + g, 0, 255));
        }
      }
    }
  });
  return b;
}

double msOf(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Best of three runs, each on a fresh copy (the copy is not timed).
double best(const img::Bitmap& src, const std::function<void(img::Bitmap&)>& op) {
  double t = 1e18;
  for (int i = 0; i < 3; ++i) {
    img::Bitmap b = src;
    t = std::min(t, msOf([&] { op(b); }));
  }
  return t;
}

int runOps() {
  const img::Bitmap src = picture();
  for (const tools::Effect& e : tools::effectTable()) {
    tools::EffectValues v;
    for (std::size_t i = 0; i < e.sliders.size(); ++i) v.s[i] = e.sliders[i].start;
    v.gamma = 2.0f;
    if (e.word == QLatin1String("BRIGHTNESS & CONTRAST")) v.s[0] = 20, v.s[1] = 20;
    if (e.word == QLatin1String("ADJHSL")) v.s[0] = 10, v.s[1] = 20, v.s[2] = 5;
    std::printf("%s\t%.1f\n", e.word.toUtf8().constData(), best(src, [&](img::Bitmap& b) { e.run(b, v); }));
  }
  const std::pair<const char*, std::function<void(img::Bitmap&)>> more[] = {
      {"RESIZE 50%", [](img::Bitmap& b) { b = img::resizeImage(b, kW / 2, kH / 2); }},
      {"RESIZE 150%", [](img::Bitmap& b) { b = img::resizeImage(b, kW * 3 / 2, kH * 3 / 2); }},
      {"ROTATE 90", [](img::Bitmap& b) { b = img::rotateAny(b, 90); }},
      {"ROTATE 7", [](img::Bitmap& b) { b = img::rotateAny(b, 7); }},
      {"DEPTH 8 optimized", [](img::Bitmap& b) { img::changeColorDepth(b, 8, 0, 0); }},
      {"DEPTH 8 optimized FS", [](img::Bitmap& b) { img::changeColorDepth(b, 8, 0, 1); }},
  };
  for (const auto& [name, op] : more) std::printf("%s\t%.1f\n", name, best(src, op));
  return 0;
}

// Stops the clock when the watched viewer has painted, once armed: the paint event is handled
// here first so that the time taken is the end of the painting.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* target) : target_(target) { target->installEventFilter(this); }
  void reset() { armed_ = done_ = false; }
  void arm() { armed_ = true, done_ = false; }
  bool done() const { return done_; }
  std::chrono::steady_clock::time_point end() const { return end_; }

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o != target_ || e->type() != QEvent::Paint || !armed_) return false;
    static_cast<QObject*>(target_)->event(e);
    end_ = std::chrono::steady_clock::now();
    armed_ = false;
    done_ = true;
    return true;
  }

 private:
  QWidget* target_;
  bool armed_ = false, done_ = false;
  std::chrono::steady_clock::time_point end_;
};

// Keeps the event loop running for ms milliseconds.
void runEventsFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, ms);
}

// Whether the area of after holds what the effect makes of before with values v.
bool areaHoldsEffect(const tools::Effect& e, const tools::EffectValues& v, const img::Bitmap& before, const img::Bitmap& after,
                     const QRect& area) {
  img::Bitmap want = before;
  if (e.rows && before.bitsPerPixel() == 24) e.rows(before, want, area, v);
  else e.run(want, v);
  if (want.width() != after.width() || want.height() != after.height() || want.bitsPerPixel() != after.bitsPerPixel()) return false;
  const int bytes = want.bitsPerPixel() / 8;
  for (int32_t y = area.top(); y <= area.bottom(); ++y)
    if (std::memcmp(want.row(y) + area.left() * bytes, after.row(y) + area.left() * bytes, static_cast<std::size_t>(area.width() * bytes)) != 0)
      return false;
  return true;
}

// The inputs of one timed change: the widget that takes the event and how to make one.
struct Move {
  QWidget* to;
  std::function<void()> post;
};

// From a key posted to the shown effect dialog (or a click on its Preview button) to the after
// viewer painted with the new pixels in view, through the dialog's own event loop. Each slider
// is moved over its range in about five steps (Home, then Page Up to the end), and the next move
// follows 40 ms after the last was painted, as a held key repeats: the idle work of the move
// before is still going on. Each move's part in view is then checked against the effect.
// One line per effect and zoom: word, zoom, moves, median, slowest (ms), and "ok" or what failed.
int runPreview(int argc, char** argv) {
  std::vector<QString> words;
  for (int i = 3; i < argc; ++i) words.push_back(QString::fromLocal8Bit(argv[i]));
  if (words.empty())
    for (const tools::Effect& e : tools::effectTable()) words.push_back(e.word);
  int qargc = 1;
  QApplication app(qargc, argv);
  img::ImagingControl page;
  page.setBitmap(picture());
  tools::setPageViewOverride(&page);
  for (const QString& word : words) {
    const tools::Effect* e = tools::findEffect(word);
    if (!e) {
      std::fprintf(stderr, "no effect %s\n", word.toUtf8().constData());
      return 2;
    }
    for (const char* zoomKey : {"in", "out"}) {
      modVars::gstrImgOperation = word;
      frmImgProcForm* f = frmImgProc.get();
      f->Show();
      QApplication::processEvents();
      // 100 %, or the smallest step of the zoom ladder.
      QAction* zoom = f->tlbBefore->findChild<QAction*>(QLatin1String(zoomKey));
      for (int i = 0; i < 6; ++i) zoom->trigger();
      f->preview->finish();
      runEventsFor(50);
      PaintWatch watch(f->ixAfter);
      std::vector<Move> moves;
      if (e->kind == tools::EffectKind::Sliders) {
        for (std::size_t i = 0; i < e->sliders.size(); ++i) {
          QSlider* s = f->sldSel[i];
          s->setPageStep(std::max(1, (s->maximum() - s->minimum() + 4) / 5));
          auto key = [s](Qt::Key k) {
            return Move{s, [s, k] {
                          QApplication::postEvent(s, new QKeyEvent(QEvent::KeyPress, k, Qt::NoModifier));
                          QApplication::postEvent(s, new QKeyEvent(QEvent::KeyRelease, k, Qt::NoModifier));
                        }};
          };
          if (s->value() != s->minimum()) moves.push_back(key(Qt::Key_Home));
          for (int v = s->minimum(); v < s->maximum(); v += s->pageStep()) moves.push_back(key(Qt::Key_PageUp));
          QObject::connect(s, &QSlider::valueChanged, &watch, [&watch] { watch.arm(); });
        }
      } else {
        QPushButton* b = e->kind == tools::EffectKind::Direct ? f->cmdDirect : f->cmdText;
        if (e->kind == tools::EffectKind::Gamma) f->txtText->setText(QStringLiteral("2.2"));
        for (int i = 0; i < 5; ++i)
          moves.push_back(Move{b, [b] {
                                 b->setEnabled(true);
                                 QApplication::postEvent(b, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
                                 QApplication::postEvent(b, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier));
                               }});
        QObject::connect(b, &QPushButton::clicked, &watch, [&watch] { watch.arm(); });
      }
      std::vector<double> times;
      QString failed;
      for (const Move& m : moves) {
        watch.reset();
        const auto t0 = std::chrono::steady_clock::now();
        m.post();
        QElapsedTimer guard;
        guard.start();
        while (!watch.done() && guard.elapsed() < 20000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        if (!watch.done()) {
          failed = QStringLiteral("no paint");
          break;
        }
        times.push_back(std::chrono::duration<double, std::milli>(watch.end() - t0).count());
        // Checked outside the time: the part in view holds the effect of the current values.
        const QRect inView = tools::RowsFirstPreview::areaInView(f->ixAfter);
        tools::EffectValues v;
        for (int i = 0; i < 3; ++i) v.s[i] = f->sldSel[i]->value();
        v.gamma = 2.2f;
        if (failed.isEmpty() && !areaHoldsEffect(*e, v, f->ixBefore->bitmap(), f->ixAfter->bitmap(), inView))
          failed = QStringLiteral("part in view wrong");
        runEventsFor(40);
      }
      std::vector<double> sorted = times;
      std::sort(sorted.begin(), sorted.end());
      const double median = sorted.empty() ? 0 : sorted[sorted.size() / 2], slowest = sorted.empty() ? 0 : sorted.back();
      std::printf("%s\t%.0f%%\t%zu\t%.1f\t%.1f\t%s\n", word.toUtf8().constData(), 100.0 * f->ixAfter->ZoomFactor(), times.size(),
                  median, slowest, failed.isEmpty() ? "ok" : failed.toUtf8().constData());
      std::fflush(stdout);
      frmImgProc.Unload();
      QApplication::processEvents();
    }
  }
  tools::setPageViewOverride(nullptr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--write-ppm") {
    const img::Bitmap b = picture();
    FILE* f = std::fopen(argv[2], "wb");
    if (!f) return 1;
    std::fprintf(f, "P6\n%d %d\n255\n", kW, kH);
    std::vector<uint8_t> row(static_cast<std::size_t>(kW) * 3);
    for (int y = 0; y < kH; ++y) {
      const uint8_t* p = b.row(y);
      for (int x = 0; x < kW; ++x) {
        row[static_cast<std::size_t>(x) * 3] = p[x * 3 + 2];
        row[static_cast<std::size_t>(x) * 3 + 1] = p[x * 3 + 1];
        row[static_cast<std::size_t>(x) * 3 + 2] = p[x * 3];
      }
      std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0 ? 0 : 1;
  }
  if (argc >= 3) cv::setNumThreads(std::atoi(argv[2]));
  if (argc >= 2 && std::string(argv[1]) == "--ops") return runOps();
  if (argc >= 2 && std::string(argv[1]) == "--preview") return runPreview(argc, argv);
  std::fprintf(stderr, "usage: bench_imagetools --ops THREADS | --preview THREADS [WORD...] | --write-ppm PATH\n");
  return 2;
}
