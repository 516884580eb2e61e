// Opening a long fax document: time to the first painted page, time until every thumbnail is
// ready (in the main window with all cores, and made with all cores and with one), against
// libtiff's own single-threaded decode of the same pages, and the peak memory of the process.
//   bench_open FILE.tif
// A very long one (a hundred thousand pages): the window shows its title and first page, shows its
// last page on End and closes, next to tiffdump walking every directory of the same file.
//   bench_open --long FILE.tif
// Makes such a file from the pages of a shorter fax document, repeated (their strips are copied as
// they are, not coded again).
//   bench_open --make OUT.tif PAGES SOURCE.tif
#include "controls/imaging/codec.h"
#include "controls/imaging/imaging_control.h"
#include "controls/imaging/page_thumb_loader.h"
#include "platform/registry/registry.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <tiffio.h>
#include <vector>

namespace {

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// The one-minute load average of the machine (the figures below mean little on a loaded one).
std::string loadAverage() {
  QFile f(QStringLiteral("/proc/loadavg"));
  if (!f.open(QIODevice::ReadOnly)) return "?";
  return f.readLine().split(' ').value(0).toStdString();
}

double libtiffDecodeSeconds(const QString& path, int& pages) {
  QElapsedTimer t;
  t.start();
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
  if (!tif) return -1;
  std::vector<uint8_t> buffer;
  pages = 0;
  do {
    const tmsize_t size = TIFFStripSize(tif);
    if (static_cast<std::size_t>(size) > buffer.size()) buffer.resize(static_cast<std::size_t>(size));
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) TIFFReadEncodedStrip(tif, s, buffer.data(), size);
    ++pages;
  } while (TIFFReadDirectory(tif));
  TIFFClose(tif);
  return t.nsecsElapsed() / 1e9;
}

double loaderSeconds(const QString& path, int pages, int threads) {
  QElapsedTimer t;
  t.start();
  QEventLoop loop;
  int ready = 0;
  img::PageThumbLoader loader(path, pages, 160, [&](img::PageThumb&) {
    if (++ready == pages) loop.quit();
  }, threads);
  if (!loader.finished()) loop.exec();
  return t.nsecsElapsed() / 1e9;
}

// The pages of source, repeated in turn into pages pages of out; false when either file fails.
bool makeLongDocument(const char* out, int pages, const char* source) {
  struct Strip {
    std::vector<uint8_t> data;
    uint32_t width = 0, height = 0;
    float xres = 0, yres = 0;
    uint16_t fillOrder = FILLORDER_MSB2LSB;
  };
  std::vector<Strip> strips;
  TIFF* in = TIFFOpen(source, "r");
  if (!in) return false;
  do {
    if (TIFFNumberOfStrips(in) != 1) continue;
    Strip s;
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &s.width);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &s.height);
    TIFFGetField(in, TIFFTAG_XRESOLUTION, &s.xres);
    TIFFGetField(in, TIFFTAG_YRESOLUTION, &s.yres);
    TIFFGetFieldDefaulted(in, TIFFTAG_FILLORDER, &s.fillOrder);
    s.data.resize(static_cast<std::size_t>(TIFFRawStripSize(in, 0)));
    TIFFReadRawStrip(in, 0, s.data.data(), static_cast<tmsize_t>(s.data.size()));
    strips.push_back(std::move(s));
  } while (TIFFReadDirectory(in));
  TIFFClose(in);
  if (strips.empty()) return false;
  TIFF* t = TIFFOpen(out, "w8");
  if (!t) return false;
  for (int p = 0; p < pages; ++p) {
    const Strip& s = strips[static_cast<std::size_t>(p) % strips.size()];
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_FILLORDER, s.fillOrder);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, s.height);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, s.xres);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, s.yres);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(t, TIFFTAG_PAGENUMBER, static_cast<uint16_t>(p), static_cast<uint16_t>(0));
    TIFFWriteRawStrip(t, 0, const_cast<uint8_t*>(s.data.data()), static_cast<tmsize_t>(s.data.size()));
    if (!TIFFWriteDirectory(t)) {
      TIFFClose(t);
      return false;
    }
  }
  TIFFClose(t);
  return true;
}

// tiffdump walking every directory of the file, as a whole process.
double tiffdumpSeconds(const QString& path) {
  QElapsedTimer t;
  t.start();
  QProcess dump;
  dump.setStandardOutputFile(QProcess::nullDevice());
  dump.start(QStringLiteral("tiffdump"), {path});
  dump.waitForFinished(-1);
  return t.nsecsElapsed() / 1e9;
}

// Each wait is from the call that the user's input makes to the window repainted with the result.
int longDocument(const QString& path) {
  tiffdumpSeconds(path);  // the file in the page cache for every run below
  const std::string loadBefore = loadAverage();
  double dump = 1e9, open = 1e9, last = 1e9, close = 1e9;
  int pages = 0;
  frmImgClntForm* w = frmImgClnt.get();
  w->Show();
  QCoreApplication::processEvents();
  for (int r = 0; r < 3; ++r) {
    dump = std::min(dump, tiffdumpSeconds(path));
    // Every run reads the file's directories anew, as the first open in a program does.
    img::forgetTiffFile(path);
    QElapsedTimer t;
    t.start();
    w->fnOpenImgFile(path);
    w->repaint();
    open = std::min(open, t.nsecsElapsed() / 1e9);
    pages = ws::document().pageCount();
    t.restart();
    w->goToPage(pages - 1);
    w->repaint();
    last = std::min(last, t.nsecsElapsed() / 1e9);
    if (ws::document().state().currentPage != pages - 1) std::fprintf(stderr, "End did not show the last page\n");
    QCoreApplication::processEvents();
    t.restart();
    bool ok = false;
    w->fnCloseFile(true, ok);
    w->repaint();
    close = std::min(close, t.nsecsElapsed() / 1e9);
  }
  std::printf("load average                           %s before, %s after\n", loadBefore.c_str(), loadAverage().c_str());
  std::printf("pages                                  %d\n", pages);
  std::printf("tiffdump, every directory              %.3f s   (best of 3, as are the others)\n", dump);
  std::printf("open to title and first page painted   %.3f s   %.2f x tiffdump (goal <= 1.5)\n", open, open / dump);
  std::printf("End to the last page painted           %.3f s\n", last);
  std::printf("close to the empty window painted      %.3f s   (goal < 0.5 s)\n", close);
  std::printf("peak memory                            %.1f MB\n", peakMegabytes());
  frmImgClnt.Unload();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "--make") return makeLongDocument(argv[2], std::atoi(argv[3]), argv[4]) ? 0 : 1;
  if (argc < 2 || (std::string(argv[1]) == "--long" && argc < 3)) {
    std::fprintf(stderr, "usage: bench_open FILE.tif | --long FILE.tif | --make OUT.tif PAGES SOURCE.tif\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
  qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
  qputenv("SANE_CONFIG_DIR", home.path().toLocal8Bit());  // no scanner backend
  QApplication app(argc, argv);
  plat::reg::SetRegistryFile((home.path() + "/registry").toStdString());
  rt::App::setWorkingFolder(home.path() + "/work");
  if (std::string(argv[1]) == "--long") return longDocument(QString::fromLocal8Bit(argv[2]));
  const QString path = QString::fromLocal8Bit(argv[1]);

  int pages = 0;
  libtiffDecodeSeconds(path, pages);  // the file in the page cache for every run below
  const std::string loadBefore = loadAverage();
  double reference = libtiffDecodeSeconds(path, pages);
  const double peakBefore = peakMegabytes();

  frmImgClntForm* w = frmImgClnt.get();
  w->Show();
  QCoreApplication::processEvents();
  QElapsedTimer t;
  t.start();
  w->fnOpenImgFile(path);
  const double opened = t.nsecsElapsed() / 1e9;
  const double peakUnpainted = peakMegabytes();
  w->repaint();
  const double firstPage = t.nsecsElapsed() / 1e9;
  const double peakOpened = peakMegabytes();
  while (w->ThumbsLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double windowAll = t.nsecsElapsed() / 1e9;
  const double peakWindow = peakMegabytes();
  bool ok = false;
  w->fnCloseFile(true, ok);

  // Each side is timed as the best of a few runs, in turn, so that a passing load on a shared
  // machine weighs on neither side alone.
  double all = 1e9, one = 1e9;
  for (int r = 0; r < 3; ++r) {
    reference = std::min(reference, libtiffDecodeSeconds(path, pages));
    one = std::min(one, loaderSeconds(path, pages, 1));
    all = std::min(all, loaderSeconds(path, pages, 0));
  }
  const int cores = QThread::idealThreadCount();
  QElapsedTimer serial;
  serial.start();
  for (int p = 1; p <= pages; ++p) img::makePageThumb(path, p, 160);
  const double inline1 = serial.nsecsElapsed() / 1e9;

  std::printf("load average                           %s before, %s after\n", loadBefore.c_str(),
              loadAverage().c_str());
  std::printf("pages                                  %d\n", pages);
  std::printf("libtiff single-threaded decode         %.3f s   (best of 4; the thumbnail runs best of 3)\n", reference);
  std::printf("open to first painted page             %.3f s   (goal < 0.15 s; the open itself %.3f s)\n", firstPage,
              opened);
  std::printf("open to every thumbnail, window, %d cores %.3f s   %.2f x libtiff\n", cores, windowAll,
              windowAll / reference);
  std::printf("every thumbnail, %d cores               %.3f s   %.2f x libtiff (goal < 0.5)\n", cores, all,
              all / reference);
  std::printf("every thumbnail, 1 core                %.3f s   %.2f x libtiff (goal < 1.1)\n", one, one / reference);
  std::printf("every thumbnail, one by one, no workers %.3f s   %.2f x libtiff\n", inline1, inline1 / reference);
  std::printf("peak memory                            %.1f MB  (goal < 200 MB; %.1f MB before the window opened the "
              "document, %.1f MB opened, %.1f MB painted, %.1f MB with every thumbnail)\n",
              peakMegabytes(), peakBefore, peakUnpainted, peakOpened, peakWindow);
  frmImgClnt.Unload();
  return 0;
}
