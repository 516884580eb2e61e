#pragma once
// One acquisition on a thread of its own: the device is opened, given its source and scan area,
// and read page by page until a flatbed's one page is in or a feeder runs empty. Each page is
// handed over as it arrives; the user-interface thread only asks for a cancel.
#include "controls/imaging/bitmap.h"

#include <QObject>
#include <QString>
#include <atomic>

namespace scan {

// What the acquisition is asked to do. Lengths are inches; negative means the device's own area.
struct AcquireRequest {
  QString device;
  QString source;  // "" keeps the device's current source
  float area[4] = {-1, -1, -1, -1};
};

// How an acquisition ended.
struct AcquireResult {
  int status = 0;      // SANE status of the failure; 0 when every page came in
  bool cancelled = false;
  bool noPages = false;  // the source had nothing to scan
  QString text;        // what the device said
  int pages = 0;
};

class ScanWorker : public QObject {
  Q_OBJECT
 public:
  explicit ScanWorker(AcquireRequest request) : request_(std::move(request)) {}
  // Runs on the worker thread.
  void run();
  // Any thread: stops the page being read; the acquisition ends as cancelled.
  void cancel();

 Q_SIGNALS:
  // A page is complete (queued to the receiving thread).
  void pageReady(img::Bitmap page);
  // Progress of the page being read, 0 to 100; -1 when the device does not say how long it is.
  void progress(int percent);
  void finished(scan::AcquireResult result);

 private:
  AcquireRequest request_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace scan

Q_DECLARE_METATYPE(scan::AcquireResult)
