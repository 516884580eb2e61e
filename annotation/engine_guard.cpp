#include "annotation/engine_guard.h"

#include <vector>

namespace ann_detail {

namespace {
// The engine runs on its host's user-interface thread; per thread keeps two hosts' threads apart.
// The library is loaded with dlopen: its thread-local data lives in the static TLS block that the C
// library keeps for such libraries, not in blocks allocated on first use, which leak checkers that
// walk every thread's dynamic TLS have been seen to trip over.
__attribute__((tls_model("initial-exec"))) thread_local int tDepth = 0;
__attribute__((tls_model("initial-exec"))) thread_local std::vector<std::function<void()>> tDeferred;
}  // namespace

SlotDepth::SlotDepth() noexcept { ++tDepth; }

SlotDepth::~SlotDepth() {
  if (--tDepth > 0) return;
  // Destroying may itself call slots (and defer more): take the list and go on until it is empty.
  while (!tDeferred.empty()) {
    std::vector<std::function<void()>> now;
    now.swap(tDeferred);
    for (auto& work : now) {
      try {
        work();
      } catch (...) {
      }
    }
  }
}

int SlotDepth::Current() noexcept { return tDepth; }

void deferUntilSlotsReturn(std::function<void()> work) {
  if (tDepth == 0) {
    work();
    return;
  }
  tDeferred.push_back(std::move(work));
}

}  // namespace ann_detail
