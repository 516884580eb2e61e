// The waits a user sees around a large picture in the main window, each from the input to the
// page view painted, through the window's own event loop on the offscreen platform:
//   bench_imagetools --waits THREADS FILE...   opening each file (and its decode alone), a zoom
//                                               step in and out, and Apply of Negate and Median
//                                               from the effect dialog (and the operation alone)
//   bench_imagetools --write-files DIR          the picture as DIR/photo.jpg, .png and LZW .tif
#include "bench/imagetools/bench_support.h"
#include "controls/imaging/codec.h"
#include "controls/imaging/imaging_control.h"
#include "imagetools/effect_table.h"
#include "imagetools/frm_img_proc.h"
#include "imagetools/register_windows.h"
#include "platform/registry/registry.h"
#include "runtime/screen.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <string>

namespace bench {

namespace {

// Posts the input and waits for the page view to be painted once cond holds (by then the input
// has had its effect): milliseconds, or -1 when nothing was painted.
double timed(PaintWatch& watch, const std::function<void()>& input) {
  watch.arm();
  const auto t0 = std::chrono::steady_clock::now();
  input();
  if (!waitPainted(watch)) return -1;
  return msSince(t0, watch.end());
}

void trigger(QAction* a) { QMetaObject::invokeMethod(a, "trigger", Qt::QueuedConnection); }

struct Figures {
  std::vector<double> ms;
  double first() const { return ms.empty() ? -1 : ms.front(); }
  double best() const { return ms.empty() ? -1 : *std::min_element(ms.begin(), ms.end()); }
  double slowest() const { return ms.empty() ? -1 : *std::max_element(ms.begin(), ms.end()); }
  double median() const {
    std::vector<double> s = ms;
    std::sort(s.begin(), s.end());
    return s.empty() ? -1 : s[s.size() / 2];
  }
};

// Opening: from the call that opens the file to the page view painted with its page, the window
// emptied before each run. The decode alone beside it, best of as many runs.
void timeOpen(frmImgClntForm* w, const QString& path) {
  PaintWatch watch(w->ixMain, [w] { return w->ixMain->hasImage(); });
  Figures open, decode;
  for (int run = 0; run < 3; ++run) {
    bool ok = false;
    w->fnCloseFile(true, ok);
    runEventsFor(100);
    open.ms.push_back(timed(watch, [&] { w->fnOpenImgFile(path); }));
    runEventsFor(100);
    decode.ms.push_back(msOf([&] { img::readFilePage(path, 1); }));
  }
  std::printf("OPEN\t%s\t%.0f\t%.0f\t%.0f\n", QFileInfo(path).suffix().toUtf8().constData(), open.first(), open.best(),
              decode.best());
}

// Zoom steps from 100 %: twelve out (Ctrl+O), then twelve in (Ctrl+I).
void timeZoom(frmImgClntForm* w) {
  PaintWatch watch(w->ixMain);
  timed(watch, [&] { trigger(w->Menu(QStringLiteral("mnuZoom100"))); });
  runEventsFor(100);
  for (const char* item : {"mnuZoomOut", "mnuZoomIn"}) {
    Figures f;
    for (int i = 0; i < 12; ++i) {
      f.ms.push_back(timed(watch, [&] { trigger(w->Menu(QLatin1String(item))); }));
      runEventsFor(40);
    }
    std::printf("ZOOM\t%s\t%.0f\t%.0f\t%.0f\n", item[7] == 'O' ? "out" : "in", f.first(), f.median(), f.slowest());
  }
}

// Apply from the effect dialog: from the key that presses Apply to the page view painted with the
// new page once the dialog has closed; the operation alone on a copy of the page beside it.
void timeApply(frmImgClntForm* w, const char* word, const char* item, const char* zoomItem) {
  PaintWatch watch(w->ixMain, [] { return !frmImgProc.IsLoaded(); });
  timed(watch, [&] { trigger(w->Menu(QLatin1String(zoomItem))); });
  runEventsFor(100);
  Figures apply, op;
  const tools::Effect* e = tools::findEffect(QLatin1String(word));
  for (int run = 0; run < 3; ++run) {
    // The dialog is modal: the press is posted from within its loop, a little after it is shown.
    std::chrono::steady_clock::time_point t0;
    QTimer poll;
    int shownFor = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!(frmImgProc.IsLoaded() && frmImgProc->isVisible()) || ++shownFor < 5) return;
      poll.stop();
      QPushButton* apply_ = frmImgProc->cmdApply;
      watch.arm();
      t0 = std::chrono::steady_clock::now();
      QApplication::postEvent(apply_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
      QApplication::postEvent(apply_, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier));
    });
    poll.start(20);
    watch.reset();
    trigger(w->Menu(QLatin1String(item)));
    apply.ms.push_back(waitPainted(watch) ? msSince(t0, watch.end()) : -1);
    runEventsFor(100);
    img::Bitmap copy = w->ixMain->bitmap();
    tools::EffectValues v;
    op.ms.push_back(msOf([&] { e->run(copy, v); }));
  }
  std::printf("APPLY\t%s\t%.0f%%\t%.0f\t%.0f\t%.0f\n", word, 100.0 * w->ixMain->ZoomFactor(), apply.first(), apply.best(),
              op.best());
}

}  // namespace

int writeFiles(const QString& dir) {
  const img::Bitmap b = picture();
  img::SaveOptions o;
  o.format = img::kFormatJpeg;
  o.jpegLuminance = o.jpegChrominance = 230;  // quality 90, as cameras write
  img::writeFile(dir + QStringLiteral("/photo.jpg"), b, o);
  o.format = img::kFormatPng;
  img::writeFile(dir + QStringLiteral("/photo.png"), b, o);
  o.format = img::kFormatTiff;
  o.tiffCompression = img::kTiffLzw;
  img::writeFile(dir + QStringLiteral("/photo.tif"), b, o);
  return 0;
}

// One line per wait: OPEN suffix first best decode; ZOOM out|in first median slowest;
// APPLY word zoom first best operation (milliseconds).
int runWaits(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
  qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
  qputenv("SANE_CONFIG_DIR", home.path().toLocal8Bit());  // no scanner backend
  int qargc = 1;
  QApplication app(qargc, argv);
  plat::reg::SetRegistryFile((home.path() + "/registry").toStdString());
  rt::App::setWorkingFolder(home.path() + "/work");
  registerImageToolsWindows();
  frmImgClntForm* w = frmImgClnt.get();
  w->resize(1280, 960);
  w->Show();
  runEventsFor(200);
  for (int i = 3; i < argc; ++i) timeOpen(w, QString::fromLocal8Bit(argv[i]));
  std::fflush(stdout);
  timeZoom(w);
  for (const char* zoom : {"mnuZoomPage", "mnuZoom100"}) {
    timeApply(w, "NEGATE", "mnuToolsNegate", zoom);
    timeApply(w, "MEDIAN", "mnuToolsMedian", zoom);
  }
  bool ok = false;
  w->fnCloseFile(true, ok);
  frmImgClnt.Unload();
  return 0;
}

}  // namespace bench
