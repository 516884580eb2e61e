// Times every effect of the effect table and the resize, rotate and colour depth operations on a
// 24-megapixel photograph-like picture, and the preview of a slider change in the effect dialog.
//   bench_imagetools --ops THREADS          one line "name<TAB>milliseconds" per operation
//   bench_imagetools --preview THREADS [WORD...]  from a key posted to the effect dialog to the
//                                                after viewer painted with the new pixels, per
//                                                effect and zoom
//   bench_imagetools --write-ppm PATH       the picture, for the reference tools
//   bench_imagetools --waits, --write-files  the waits of the main window (bench_waits.cpp)
#include "bench/imagetools/bench_support.h"
#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
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
#include <string>
#include <vector>

namespace {

using namespace bench;

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

// Whether the area of after holds what the effect makes of before with values v.
bool areaHoldsEffect(const tools::Effect& e, const tools::EffectValues& v, const img::Bitmap& before, const img::Bitmap& after,
                     const QRect& area) {
  img::Bitmap want = before;
  if (e.rows && before.bitsPerPixel() == 24) {
    if (e.madeDepth) want = img::Bitmap(before.width(), before.height(), e.madeDepth);
    e.rows(before, want, area, v);
  } else {
    e.run(want, v);
  }
  if (want.width() != after.width() || want.height() != after.height() || want.bitsPerPixel() != after.bitsPerPixel()) return false;
  const int bytes = want.bitsPerPixel() / 8;
  for (int32_t y = area.top(); y <= area.bottom(); ++y)
    if (std::memcmp(want.row(y) + area.left() * bytes, after.row(y) + area.left() * bytes, static_cast<std::size_t>(area.width() * bytes)) != 0)
      return false;
  return true;
}

// One timed change: what the user's input does to the dialog, sent to its widget when the event
// loop comes to it.
struct Move {
  std::function<void()> act;
};

// The moves of one showing of the dialog: each slider over its range in about five steps (Home,
// then Page Up to the end), or one press of the Preview button, which then stays disabled.
std::vector<Move> movesOf(const tools::Effect& e, frmImgProcForm* f) {
  std::vector<Move> moves;
  auto send = [](QWidget* to, Qt::Key k) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier), release(QEvent::KeyRelease, k, Qt::NoModifier);
    QApplication::sendEvent(to, &press);
    QApplication::sendEvent(to, &release);
  };
  if (e.kind == tools::EffectKind::Sliders) {
    for (std::size_t i = 0; i < e.sliders.size(); ++i) {
      QSlider* s = f->sldSel[i];
      s->setPageStep(std::max(1, (s->maximum() - s->minimum() + 4) / 5));
      if (s->value() != s->minimum()) moves.push_back(Move{[s, send] { send(s, Qt::Key_Home); }});
      for (int v = s->minimum(); v < s->maximum(); v += s->pageStep()) moves.push_back(Move{[s, send] { send(s, Qt::Key_PageUp); }});
    }
    return moves;
  }
  QPushButton* b = e.kind == tools::EffectKind::Direct ? f->cmdDirect : f->cmdText;
  if (e.kind == tools::EffectKind::Gamma) f->txtText->setText(QStringLiteral("2.2"));
  moves.push_back(Move{[b, send] { send(b, Qt::Key_Space); }});
  return moves;
}

// From a key posted to the shown effect dialog (or a press of its Preview button) to the after
// viewer painted with the new pixels in view, through the dialog's own event loop: what the user
// waits for after each move. A slider effect's sliders are moved over their range in one showing;
// the next move follows 40 ms after the last was painted, as a held key repeats, so the idle work
// of the move before is still going on. An effect without sliders gets one press per showing, the
// dialog shown three times. Each move's part in view is then checked against the effect.
// One line per effect and zoom: word, zoom, moves, the first move after the dialog was shown, the
// slowest move (ms), and "ok" or what failed.
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
      std::vector<double> times;
      QString failed;
      float zoom = 1;
      const int showings = e->kind == tools::EffectKind::Sliders ? 1 : 3;
      for (int showing = 0; showing < showings && failed.isEmpty(); ++showing) {
        modVars::gstrImgOperation = word;
        frmImgProcForm* f = frmImgProc.get();
        f->Show();
        QApplication::processEvents();
        // 100 %, or the smallest step of the zoom ladder.
        QAction* zoomAction = f->tlbBefore->findChild<QAction*>(QLatin1String(zoomKey));
        for (int i = 0; i < 6; ++i) zoomAction->trigger();
        f->preview->finish();
        runEventsFor(50);
        PaintWatch watch(f->ixAfter);
        for (const Move& m : movesOf(*e, f)) {
          watch.reset();
          // The clock runs from the input's arrival in the queue; a paint counts once the input
          // has been taken (a paint of the move before, still queued, does not).
          const auto t0 = std::chrono::steady_clock::now();
          QMetaObject::invokeMethod(
              qApp,
              [&watch, &m] {
                watch.arm();
                m.act();
              },
              Qt::QueuedConnection);
          if (!waitPainted(watch)) {
            failed = QStringLiteral("no paint");
            break;
          }
          times.push_back(msSince(t0, watch.end()));
          // Checked outside the time: the part in view holds the effect of the current values.
          const QRect inView = tools::RowsFirstPreview::areaInView(f->ixAfter);
          tools::EffectValues v;
          for (int i = 0; i < 3; ++i) v.s[i] = f->sldSel[i]->value();
          v.gamma = 2.2f;
          if (failed.isEmpty() && !areaHoldsEffect(*e, v, f->ixBefore->bitmap(), f->ixAfter->bitmap(), inView))
            failed = QStringLiteral("part in view wrong");
          runEventsFor(40);
        }
        zoom = f->ixAfter->ZoomFactor();
        frmImgProc.Unload();
        QApplication::processEvents();
      }
      const double first = times.empty() ? 0 : times.front();
      const double slowest = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
      std::printf("%s\t%.0f%%\t%zu\t%.1f\t%.1f\t%s\n", word.toUtf8().constData(), 100.0 * zoom, times.size(), first, slowest,
                  failed.isEmpty() ? "ok" : failed.toUtf8().constData());
      std::fflush(stdout);
    }
  }
  tools::setPageViewOverride(nullptr);
  return 0;
}

}  // namespace

namespace bench {
int runWaits(int argc, char** argv);
int writeFiles(const QString& dir);
}  // namespace bench

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
  // The picture is made at every core; the second argument of the others is a thread count.
  if (argc >= 3 && std::string(argv[1]) == "--write-files") return bench::writeFiles(QString::fromLocal8Bit(argv[2]));
  if (argc >= 3) cv::setNumThreads(std::atoi(argv[2]));
  if (argc >= 2 && std::string(argv[1]) == "--ops") return runOps();
  if (argc >= 2 && std::string(argv[1]) == "--preview") return runPreview(argc, argv);
  if (argc >= 2 && std::string(argv[1]) == "--waits") return bench::runWaits(argc, argv);
  std::fprintf(stderr,
               "usage: bench_imagetools --ops THREADS | --preview THREADS [WORD...] | --waits THREADS FILE... | --write-ppm PATH"
               " | --write-files DIR\n");
  return 2;
}
