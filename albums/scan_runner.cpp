#include "albums/scan_runner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <mutex>

namespace albums {

QStatusBar* makeScanStatus(QWidget* parent, QLabel** panel) {
  auto* bar = new QStatusBar(parent);
  bar->setSizeGripEnabled(false);
  *panel = new QLabel(bar);
  (*panel)->setObjectName(QStringLiteral("dir"));
  bar->addWidget(*panel, 1);
  return bar;
}

void runScanInBackground(const std::function<void(const ScanControl&)>& work, QLabel* panel, const QString& prefix,
                         std::atomic<bool>& stop) {
  // The window may be closed while the scan runs: its panel then shows nothing more.
  const QPointer<QLabel> shown(panel);
  QObject context;
  std::mutex m;
  QElapsedTimer since;
  since.start();
  bool first = true;
  ScanControl control;
  control.stop = &stop;
  control.onFolder = [&](const QString& folder) {
    {
      std::lock_guard<std::mutex> lock(m);
      if (!first && since.elapsed() < 40) return;
      first = false;
      since.restart();
    }
    QMetaObject::invokeMethod(
        &context, [shown, prefix, folder] { if (shown) shown->setText(prefix + folder); }, Qt::QueuedConnection);
  };
  QEventLoop loop;
  QThread* thread = QThread::create([&] { work(control); });
  QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  thread->start();
  if (!thread->isFinished()) loop.exec();
  thread->wait();
  delete thread;
}

}  // namespace albums
