#include "controls/scanning/scanning_control.h"

#include "controls/imaging/bitmap.h"
#include "controls/scanning/sane_options.h"
#include "controls/scanning/scan_worker.h"
#include "runtime/errors.h"

#include <QApplication>
#include <QEventLoop>
#include <QInputDialog>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <memory>

namespace {

struct DeviceCloser {
  void operator()(void* h) const {
    if (h) sane_close(static_cast<SANE_Handle>(h));
  }
};
using Device = std::unique_ptr<void, DeviceCloser>;

QString statusText(SANE_Status s) { return QString::fromLatin1(sane_strstatus(s)); }

const QString kItemSeparator = QStringLiteral(" - ");

}  // namespace

ScanningControl::ScanningControl(QObject* parent) : QObject(parent) {
  qRegisterMetaType<img::Bitmap>("img::Bitmap");
  qRegisterMetaType<scan::AcquireResult>("scan::AcquireResult");
  chooser_ = [](const QStringList& sources, const QString& current) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(QApplication::activeWindow(), QStringLiteral("   Select Source"),
                                                 QStringLiteral("Scanners and their sources :"), sources,
                                                 std::max<qsizetype>(0, sources.indexOf(current)), false, &ok);
    return ok ? chosen : QString();
  };
}

ScanningControl::~ScanningControl() {
  // The check must not be inside the scanner library when the library is closed behind it.
  waitSourceCheck();
  if (acquired_) plat::GlobalFree(acquired_);
  CloseSourceManager();
}

int32_t ScanningControl::ErrorCode() const {
  const std::lock_guard<std::mutex> hold(errorLock_);
  return errorCode_;
}

QString ScanningControl::ErrorText() const {
  const std::lock_guard<std::mutex> hold(errorLock_);
  return errorText_;
}

void ScanningControl::raise(int32_t number, int32_t code, const QString& text) {
  {
    const std::lock_guard<std::mutex> hold(errorLock_);
    errorCode_ = code;
    errorText_ = text;
  }
  throw rt::RuntimeError(number, text, QString::fromLatin1(kSourceId));
}

void ScanningControl::OpenSourceManager() {
  waitSourceCheck();
  openManager();
}

void ScanningControl::openManager() {
  if (managerOpen_) return;
  SANE_Int version = 0;
  const SANE_Status s = sane_init(&version, nullptr);
  if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
  managerOpen_ = true;
  const std::lock_guard<std::mutex> hold(errorLock_);
  errorCode_ = 0;
  errorText_.clear();
}

void ScanningControl::CloseSourceManager() {
  waitSourceCheck();
  if (!managerOpen_) return;
  sane_exit();
  managerOpen_ = false;
}

QStringList ScanningControl::devices() {
  waitSourceCheck();
  return listDevices();
}

QStringList ScanningControl::listDevices() {
  if (!managerOpen_) openManager();
  const SANE_Device** list = nullptr;
  const SANE_Status s = sane_get_devices(&list, SANE_FALSE);
  if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
  QStringList out;
  for (int i = 0; list && list[i]; ++i) out << QString::fromLocal8Bit(list[i]->name);
  return out;
}

int32_t ScanningControl::SourceCount() { return static_cast<int32_t>(devices().size()); }

void ScanningControl::BeginSourceCheck() {
  waitSourceCheck();
  checkPending_ = true;
  checkedCount_.reset();
  checkError_.reset();
  checker_ = std::thread([this, hook = checkHook()] {
    try {
      if (hook) hook();
      openManager();
      checkedCount_ = static_cast<int32_t>(listDevices().size());
    } catch (const rt::RuntimeError& e) {
      checkError_ = e;
    }
    // Queued to this object: dropped unread when the control goes before the answer arrives.
    QMetaObject::invokeMethod(
        this,
        [this] {
          waitSourceCheck();
          if (!checkPending_) return;
          checkPending_ = false;
          Q_EMIT SourcesChecked();
        },
        Qt::QueuedConnection);
  });
}

void ScanningControl::waitSourceCheck() {
  if (checker_.joinable()) checker_.join();
}

QStringList ScanningControl::SourceItems() {
  QStringList items;
  for (const QString& device : devices()) {
    SANE_Handle raw = nullptr;
    QStringList sources;
    if (sane_open(device.toLocal8Bit().constData(), &raw) == SANE_STATUS_GOOD) {
      Device dev(raw);
      sources = scan::sourcesOf(raw);
    }
    if (sources.size() < 2) {
      items << device;
      continue;
    }
    for (const QString& s : sources) items << device + kItemSeparator + s;
  }
  return items;
}

void ScanningControl::SelectSource() {
  const QStringList items = SourceItems();
  if (items.isEmpty()) raise(kErrNoSource, 0, QStringLiteral("No scanner source is available."));
  const QString current = feed_.isEmpty() ? source_ : source_ + kItemSeparator + feed_;
  const QString chosen = chooser_(items, current);
  if (chosen.isEmpty()) raise(kErrNoSource, 0, QStringLiteral("No source was selected."));
  const qsizetype cut = chosen.indexOf(kItemSeparator);
  source_ = cut < 0 ? chosen : chosen.left(cut);
  feed_ = cut < 0 ? QString() : chosen.mid(cut + kItemSeparator.size());
}

QString ScanningControl::deviceForScan() {
  const QStringList list = devices();
  if (list.isEmpty()) raise(kErrNoSource, 0, QStringLiteral("No scanner source is available."));
  if (source_.isEmpty() || !list.contains(source_)) {
    source_ = list.front();
    feed_.clear();
  }
  return source_;
}

plat::HGLOBAL ScanningControl::AcquiredImage() {
  plat::HGLOBAL h = acquired_;
  acquired_ = nullptr;
  return h;
}

void ScanningControl::GetScanArea(float& left, float& top, float& right, float& bottom) {
  if (area_[0] >= 0) {
    left = area_[0];
    top = area_[1];
    right = area_[2];
    bottom = area_[3];
    return;
  }
  // Not set yet: what the device scans by default.
  SANE_Handle raw = nullptr;
  const QByteArray name = deviceForScan().toLocal8Bit();
  const SANE_Status s = sane_open(name.constData(), &raw);
  if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
  Device dev(raw);
  double v[4] = {0, 0, 0, 0};
  scan::getLength(raw, SANE_NAME_SCAN_TL_X, &v[0]);
  scan::getLength(raw, SANE_NAME_SCAN_TL_Y, &v[1]);
  scan::getLength(raw, SANE_NAME_SCAN_BR_X, &v[2]);
  scan::getLength(raw, SANE_NAME_SCAN_BR_Y, &v[3]);
  left = static_cast<float>(v[0]);
  top = static_cast<float>(v[1]);
  right = static_cast<float>(v[2]);
  bottom = static_cast<float>(v[3]);
}

void ScanningControl::SetScanArea(float left, float top, float right, float bottom) {
  if (left < 0 || top < 0 || right < left || bottom < top)
    raise(kErrDriver, 1, QStringLiteral("The scan area is not valid."));
  area_[0] = left;
  area_[1] = top;
  area_[2] = right;
  area_[3] = bottom;
}

void ScanningControl::Cancel() {
  if (!worker_) return;
  cancelled_ = true;
  worker_->cancel();
}

void ScanningControl::Acquire() {
  if (worker_) raise(kErrDriver, SANE_STATUS_DEVICE_BUSY, statusText(SANE_STATUS_DEVICE_BUSY));
  scan::AcquireRequest request;
  request.device = deviceForScan();
  request.source = feed_;
  for (int i = 0; i < 4; ++i) request.area[i] = area_[i];

  auto* thread = new QThread;
  auto* worker = new scan::ScanWorker(request);
  worker->moveToThread(thread);
  worker_ = worker;
  cancelled_ = false;
  std::unique_ptr<QProgressDialog> progress;
  if (showProgress_) {
    // Over the window the scan was started from, unless that one is already going away.
    QWidget* owner = QApplication::activeWindow();
    if (owner && !owner->isVisible()) owner = nullptr;
    progress = std::make_unique<QProgressDialog>(QStringLiteral("Scanning page 1..."), QStringLiteral("&Cancel"), 0, 100,
                                                 owner);
    progress->setWindowTitle(QStringLiteral("   Scanning"));
    progress->setWindowModality(Qt::ApplicationModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    connect(progress.get(), &QProgressDialog::canceled, this, [this] { Cancel(); });
    progress->setValue(0);
    progress->show();
  }
  QEventLoop loop;
  scan::AcquireResult result;
  int delivered = 0;
  QPointer<QProgressDialog> shown = progress.get();
  connect(worker, &scan::ScanWorker::progress, this, [shown, &delivered](int percent) {
    if (!shown) return;
    shown->setLabelText(QStringLiteral("Scanning page %1...").arg(delivered + 1));
    // A device that does not know the page length gets a busy bar.
    shown->setMaximum(percent < 0 ? 0 : 100);
    shown->setValue(std::max(0, percent));
  });
  connect(worker, &scan::ScanWorker::pageReady, this, [this, &delivered](img::Bitmap page) {
    // Pages read before a cancel reached the device are not wanted any more.
    if (cancelled_) return;
    ++delivered;
    if (acquired_) plat::GlobalFree(acquired_);
    acquired_ = img::toDibHandle(page);
    // Each page is placed completely before the next one is handled.
    Q_EMIT ImageAcquired();
  });
  connect(worker, &scan::ScanWorker::finished, this, [&](const scan::AcquireResult& r) {
    result = r;
    loop.quit();
  });
  connect(thread, &QThread::started, worker, &scan::ScanWorker::run);
  thread->start();
  // The page handlers run inside this loop; they report their own failures and cancel.
  loop.exec();
  thread->quit();
  thread->wait();
  delete worker;
  delete thread;
  worker_ = nullptr;
  progress.reset();
  if (result.status == 0 && !cancelled_) return;
  if (cancelled_) raise(kErrNoSource, SANE_STATUS_CANCELLED, statusText(SANE_STATUS_CANCELLED));
  // Cancelled by the user, or nothing in the feeder: the command ends quietly.
  if (result.cancelled || result.noPages) raise(kErrNoSource, result.status, result.text);
  raise(kErrDriver, result.status, result.text);
}
