#pragma once
// Long work on a picture, run so that the program stays responsive and its failures are shown.
#include <cstdint>
#include <functional>

namespace rt {

// Runs work with the busy pointer; beyond a few million pixels it runs on a worker thread while
// a progress window without a range is shown, so that the windows keep painting. A failure of the
// work (a run-time error, or memory running out) is shown in an error box and gives false: it
// never leaves a window's event handler as an exception.
bool RunBusy(int64_t pixels, const std::function<void()>& work);
// Runs a short piece of work done while the program is idle, without the busy pointer; a failure
// is shown and gives false as with RunBusy.
bool RunIdle(const std::function<void()>& work);

}  // namespace rt
