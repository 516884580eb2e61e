#pragma once
// Runs a folder scan on a worker thread while the window's events go on, so the window can show
// the folder being searched and the user can stop it.
#include "albums/folder_scan.h"

#include <atomic>
#include <functional>

namespace albums {

// work runs on a worker thread with a ScanControl that reports folders to showFolder (on this
// thread, at most every few tens of milliseconds) and stops when stop is set. Returns when work
// has ended.
void runScanInBackground(const std::function<void(const ScanControl&)>& work,
                         const std::function<void(const QString& folder)>& showFolder, std::atomic<bool>& stop);

}  // namespace albums
