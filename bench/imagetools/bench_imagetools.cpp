// Times every effect of the effect table and the resize, rotate and colour depth operations on a
// 24-megapixel colour picture, and the preview of a slider change in the effect dialog.
//   bench_imagetools --ops THREADS          one line "name<TAB>milliseconds" per operation
//   bench_imagetools --preview THREADS [WORD...]  slider change to repainted preview, and to the
//                                                whole after picture, per effect
//   bench_imagetools --write-ppm PATH       the picture, for the reference tools
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
#include <QSlider>
#include <QToolBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <opencv2/core.hpp>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kW = 6000, kH = 4000;

img::Bitmap picture() {
  img::Bitmap b(kW, kH, 24);
  std::mt19937 rng(7);
  for (int y = 0; y < kH; ++y) {
    uint8_t* p = b.row(y);
    for (int x = 0; x < kW; ++x, p += 3) {
      const uint32_t n = rng() & 15;
      p[0] = static_cast<uint8_t>((x * 255 / kW + n) & 0xFF);
      p[1] = static_cast<uint8_t>((y * 255 / kH + n) & 0xFF);
      p[2] = static_cast<uint8_t>(((x + y) * 255 / (kW + kH) + n) & 0xFF);
    }
  }
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

// From the slider's value change to the repainted after viewer, with the dialog on a 24-megapixel
// page; then the same up to the whole after picture (the rows out of view made too), and the
// shown preview again at the smallest zoom. Median of
// five changes each. The words to time may follow the thread count.
int runPreview(int argc, char** argv) {
  std::vector<std::string> words;
  for (int i = 3; i < argc; ++i) words.emplace_back(argv[i]);
  if (words.empty())
    words = {"BRIGHTNESS & CONTRAST", "ADJRGB", "ADJHSL", "SOLARIZE", "POSTERIZE", "BLEND", "SOFTEN", "SHARPEN", "MOSIAC",
             "SWIRL", "PINCH", "RIPPLE", "MBLUR"};
  int qargc = 1;
  QApplication app(qargc, argv);
  img::ImagingControl page;
  page.setBitmap(picture());
  tools::setPageViewOverride(&page);
  for (const std::string& word : words) {
    modVars::gstrImgOperation = QString::fromStdString(word);
    frmImgProcForm* f = frmImgProc.get();
    f->Show();
    QApplication::processEvents();
    f->preview->finish();
    QSlider* s = f->sldSel[0];
    auto median = [&](bool whole) {
      std::vector<double> t;
      for (int i = 0; i < 5; ++i) {
        const int v = s->value() == s->maximum() ? s->value() - 1 : s->value() + 1;
        t.push_back(msOf([&] {
          s->setValue(v);
          f->ixAfter->repaint();
          if (whole) f->preview->finish();
        }));
        f->preview->finish();
      }
      std::sort(t.begin(), t.end());
      return t[t.size() / 2];
    };
    const double shown = median(false);
    const double whole = median(true);
    // The same at the smallest zoom, where the viewer shows the most rows, reduced.
    QAction* out = f->tlbBefore->findChild<QAction*>(QStringLiteral("out"));
    for (int i = 0; i < 4; ++i) out->trigger();
    const double reduced = median(false);
    std::printf("%s\t%.1f\t%.1f\t%.1f\n", word.c_str(), shown, whole, reduced);
    frmImgProc.Unload();
    QApplication::processEvents();
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
