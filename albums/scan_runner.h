#pragma once
// Runs a folder scan on a worker thread while the window's events go on, so the window can show
// the folder being searched and the user can stop it.
#include "albums/folder_scan.h"

#include <atomic>
#include <functional>

class QLabel;
class QStatusBar;
class QWidget;

namespace albums {

// The status bar of a folder scan: one panel keyed "dir" over its whole width, set in *panel.
QStatusBar* makeScanStatus(QWidget* parent, QLabel** panel);

// work runs on a worker thread with a ScanControl that shows each folder it enters in panel after
// prefix (on this thread, at most every few tens of milliseconds; nothing once the panel is gone)
// and stops when stop is set. Returns when work has ended.
void runScanInBackground(const std::function<void(const ScanControl&)>& work, QLabel* panel, const QString& prefix,
                         std::atomic<bool>& stop);

}  // namespace albums
