#include "albums/scan_runner.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <mutex>

namespace albums {

void runScanInBackground(const std::function<void(const ScanControl&)>& work,
                         const std::function<void(const QString&)>& showFolder, std::atomic<bool>& stop) {
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
    QMetaObject::invokeMethod(&context, [showFolder, folder] { if (showFolder) showFolder(folder); }, Qt::QueuedConnection);
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
