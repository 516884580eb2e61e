// Imaging control against the libraries and tools underneath it. Each pair runs side by side:
//   OpenG4Thumbnails vs LibtiffDecodeG4 (goal: within 1.3 times) and vs GraphicsMagickThumbnails
//   (goal: at least 3 times faster); JpegDecode vs LibjpegDecode (within 1.2 times);
//   Repaint/zoom vs PlainCopy/zoom (within 3 times).
// Memory: bench_imaging --make-colour-tiff PATH PAGES, then --open-thumbs PATH prints the peak.
#include "controls/imaging/codec.h"
#include "controls/imaging/imaging_control.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <random>
#include <sys/resource.h>
#include <tiffio.h>

using namespace img;

namespace {

constexpr int kA4W = 2480, kA4H = 3508;

QString workDir() {
  const QString d = QDir::temp().filePath(QStringLiteral("lumivex-bench"));
  QDir().mkpath(d);
  return d;
}

// A text-like bilevel page: lines of glyphs made of random 5 x 7 cells.
Bitmap textPage(unsigned seed) {
  Bitmap b(kA4W, kA4H, 1);
  b.palette() = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
  b.resolutionX = b.resolutionY = 300;
  b.resolutionUnit = kUnitInch;
  std::mt19937 rng(seed);
  for (int line = 0; line < 55; ++line) {
    const int top = 200 + line * 56;
    int x = 200;
    while (x < kA4W - 260) {
      const int glyphs = 2 + static_cast<int>(rng() % 8);
      for (int g = 0; g < glyphs && x < kA4W - 230; ++g, x += 22) {
        const uint32_t bits = rng();
        for (int cy = 0; cy < 7; ++cy)
          for (int cx = 0; cx < 5; ++cx)
            if (bits >> ((cy * 5 + cx) % 32) & 1)
              for (int py = 0; py < 5; ++py) {
                uint8_t* r = b.row(top + cy * 5 + py);
                for (int px = 0; px < 4; ++px) {
                  const int xx = x + cx * 4 + px;
                  r[xx >> 3] |= static_cast<uint8_t>(0x80 >> (xx & 7));
                }
              }
      }
      x += 30;
    }
  }
  return b;
}

Bitmap colourPage() {
  Bitmap b(kA4W, kA4H, 24);
  b.resolutionX = b.resolutionY = 300;
  b.resolutionUnit = kUnitInch;
  std::mt19937 rng(7);
  for (int y = 0; y < kA4H; ++y) {
    uint8_t* r = b.row(y);
    for (int x = 0; x < kA4W; ++x) {
      r[x * 3] = static_cast<uint8_t>(x * 255 / kA4W);
      r[x * 3 + 1] = static_cast<uint8_t>(y * 255 / kA4H);
      r[x * 3 + 2] = static_cast<uint8_t>(((x / 40 + y / 40) & 1) ? 220 : 90 + (rng() & 15));
    }
  }
  return b;
}

const QString& g4File() {
  static const QString path = [] {
    const QString p = workDir() + QStringLiteral("/g4-100.tif");
    if (QFile::exists(p)) return p;
    const QString tmp = p + QStringLiteral(".part");
    QFile::remove(tmp);
    SaveOptions o;
    o.format = kFormatTiff;
    o.tiffCompression = kTiffG4;
    o.multiPage = true;
    std::vector<Bitmap> pages;
    for (unsigned i = 0; i < 10; ++i) pages.push_back(textPage(i + 1));
    for (int i = 0; i < 100; ++i) writeFile(tmp, pages[static_cast<std::size_t>(i % 10)], o);
    QFile::rename(tmp, p);
    return p;
  }();
  return path;
}

const std::vector<uint8_t>& jpegPhoto() {
  static const std::vector<uint8_t> bytes = [] {
    const int w = 6000, h = 4000;
    Bitmap b(w, h, 24);
    std::mt19937 rng(3);
    for (int y = 0; y < h; ++y) {
      uint8_t* r = b.row(y);
      for (int x = 0; x < w; ++x) {
        const int n = static_cast<int>(rng() & 31);
        r[x * 3] = static_cast<uint8_t>((x * 200 / w) + n);
        r[x * 3 + 1] = static_cast<uint8_t>((y * 200 / h) + n);
        r[x * 3 + 2] = static_cast<uint8_t>((((x ^ y) >> 5) & 0x7F) + n);
      }
    }
    SaveOptions o;
    o.jpegLuminance = o.jpegChrominance = 215;
    o.jpegSubSampling = 2;
    return encodeJpeg(b, o);
  }();
  return bytes;
}

// One thumbnail control per page of the file, as a thumbnail strip opens them.
std::vector<std::unique_ptr<ImagingControl>> openThumbnails(const QString& path) {
  ImagingControl probe;
  const int32_t n = probe.FilePageCount(path);
  std::vector<std::unique_ptr<ImagingControl>> thumbs;
  for (int32_t i = 1; i <= n; ++i) {
    auto t = std::make_unique<ImagingControl>();
    t->resize(97, 122);
    t->setThumbDisplayMode(1);
    t->setPageNumber(i);
    t->setSourceFile(path);
    thumbs.push_back(std::move(t));
  }
  return thumbs;
}

void OpenG4Thumbnails(benchmark::State& state) {
  const QString path = g4File();
  std::size_t pages = 0;
  for (auto _ : state) {
    const auto thumbs = openThumbnails(path);
    benchmark::DoNotOptimize(thumbs.back()->ImageWidth());
    pages = thumbs.size();
  }
  state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(OpenG4Thumbnails)->Unit(benchmark::kMillisecond);

void LibtiffDecodeG4(benchmark::State& state) {
  const QByteArray path = QFile::encodeName(g4File());
  std::vector<uint8_t> buf;
  for (auto _ : state) {
    TIFF* t = TIFFOpen(path.constData(), "r");
    do {
      const tmsize_t strip = TIFFStripSize(t);
      buf.resize(static_cast<std::size_t>(strip));
      for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) TIFFReadEncodedStrip(t, s, buf.data(), strip);
    } while (TIFFReadDirectory(t));
    TIFFClose(t);
    benchmark::DoNotOptimize(buf.data());
  }
}
BENCHMARK(LibtiffDecodeG4)->Unit(benchmark::kMillisecond);

void GraphicsMagickThumbnails(benchmark::State& state) {
  const QString gm = QStandardPaths::findExecutable(QStringLiteral("gm"));
  if (gm.isEmpty()) {
    state.SkipWithError("gm not installed");
    return;
  }
  const QString out = workDir() + QStringLiteral("/gm-thumbs");
  QDir().mkpath(out);
  for (auto _ : state) {
    QProcess p;
    p.start(gm, {QStringLiteral("convert"), g4File(), QStringLiteral("-thumbnail"), QStringLiteral("97x122"),
                 QStringLiteral("+adjoin"), out + QStringLiteral("/t%03d.png")});
    p.waitForFinished(-1);
  }
}
BENCHMARK(GraphicsMagickThumbnails)->Unit(benchmark::kMillisecond)->Iterations(3);

void JpegDecode(benchmark::State& state) {
  const auto& bytes = jpegPhoto();
  for (auto _ : state) benchmark::DoNotOptimize(decodeJpeg(bytes).width());
}
BENCHMARK(JpegDecode)->Unit(benchmark::kMillisecond);

void LibjpegDecode(benchmark::State& state) {
  const auto& bytes = jpegPhoto();
  for (auto _ : state) {
    jpeg_decompress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    // A fresh picture buffer per decode, as any program that opens the file has.
    const std::size_t stride = static_cast<std::size_t>(c.output_width) * 3;
    auto* out = static_cast<uint8_t*>(std::malloc(stride * c.output_height));
    while (c.output_scanline < c.output_height) {
      JSAMPROW row = out + stride * c.output_scanline;
      jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
}
BENCHMARK(LibjpegDecode)->Unit(benchmark::kMillisecond);

constexpr int kViewW = 1280, kViewH = 1024;

// Zoom in hundredths: 25, 100, 400. Second argument: bits per pixel of the page.
void Repaint(benchmark::State& state) {
  const double zoom = state.range(0) / 100.0;
  static ImagingControl* view = nullptr;
  if (!view) view = new ImagingControl;
  view->resize(kViewW, kViewH);
  view->setBitmap(state.range(1) == 1 ? textPage(1) : colourPage());
  view->SetZoom(static_cast<float>(zoom));
  view->setScrollPosX(view->ScrollPosX() + 300);
  view->setScrollPosY(view->ScrollPosY() + 300);
  QImage target(kViewW, kViewH, QImage::Format_RGB32);
  // The view itself, as a repaint after scrolling draws it; its scroll bars repaint on their own.
  const auto flags = QWidget::RenderFlags(QWidget::DrawWindowBackground);
  view->render(&target, QPoint(), QRegion(), flags);  // the first paint builds the display cache
  for (auto _ : state) {
    view->render(&target, QPoint(), QRegion(), flags);
    benchmark::DoNotOptimize(target.bits());
  }
}
BENCHMARK(Repaint)->ArgsProduct({{25, 100, 400}, {1, 24}})->Unit(benchmark::kMicrosecond);

// The same after a scroll of one step each time: the enlarged view is built anew.
void ScrollRepaint(benchmark::State& state) {
  ImagingControl view;
  view.resize(kViewW, kViewH);
  view.setBitmap(state.range(1) == 1 ? textPage(1) : colourPage());
  view.SetZoom(static_cast<float>(state.range(0) / 100.0));
  QImage target(kViewW, kViewH, QImage::Format_RGB32);
  const auto flags = QWidget::RenderFlags(QWidget::DrawWindowBackground);
  view.render(&target, QPoint(), QRegion(), flags);
  int step = 0;
  for (auto _ : state) {
    view.setScrollPosY(300 + (++step & 1) * 32);
    view.render(&target, QPoint(), QRegion(), flags);
    benchmark::DoNotOptimize(target.bits());
  }
}
BENCHMARK(ScrollRepaint)->ArgsProduct({{25, 100, 400}, {1, 24}})->Unit(benchmark::kMicrosecond);

// A plain copy of the pixels the view shows, from a picture already in screen format.
void PlainCopy(benchmark::State& state) {
  const double zoom = state.range(0) / 100.0;
  const int w = std::min(kViewW, static_cast<int>(kA4W * zoom)), h = std::min(kViewH, static_cast<int>(kA4H * zoom));
  QImage source(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
  source.fill(Qt::gray);
  QImage target(kViewW, kViewH, QImage::Format_RGB32);
  for (auto _ : state) {
    for (int y = 0; y < h; ++y) std::memcpy(target.scanLine(y), source.constScanLine(y), static_cast<std::size_t>(w) * 4);
    benchmark::DoNotOptimize(target.bits());
  }
}
BENCHMARK(PlainCopy)->ArgsProduct({{25, 100, 400}, {1, 24}})->Unit(benchmark::kMicrosecond);

long peakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc >= 4 && std::strcmp(argv[1], "--make-colour-tiff") == 0) {
    const Bitmap page = colourPage();
    SaveOptions o;
    o.format = kFormatTiff;
    o.tiffCompression = kTiffJpeg;
    o.jpegLuminance = 200;
    o.multiPage = true;
    const QString path = QString::fromLocal8Bit(argv[2]);
    QFile::remove(path);
    for (int i = 0; i < std::atoi(argv[3]); ++i) writeFile(path, page, o);
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "--open-thumbs") == 0) {
    const QString path = QString::fromLocal8Bit(argv[2]);
    const long before = peakKb();
    const auto thumbs = openThumbnails(path);
    const long after = peakKb();
    const int n = static_cast<int>(thumbs.size());
    int64_t decoded = 0;
    for (const auto& t : thumbs)
      decoded += static_cast<int64_t>(t->ImageWidth()) * t->ImageHeight() * t->ImageBitsPerPixel() / 8;
    std::printf("pages %d, decoded size %.1f MiB, peak before %.1f MiB, peak after %.1f MiB, growth %.1f MiB = %.2f %% of decoded\n",
                n, decoded / 1048576.0, before / 1024.0, after / 1024.0, (after - before) / 1024.0,
                100.0 * (after - before) * 1024.0 / static_cast<double>(decoded));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
