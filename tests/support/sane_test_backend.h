#pragma once
// The scanner library unloads SANE's test backend when it closes; the backend leaves the buffer of
// a finished reader behind. Kept loaded, the leak report names the backend and the sanitizer run's
// suppressions can tell it from a leak of ours.
#include <dlfcn.h>

namespace testsupport {

inline void keepSaneTestBackendLoaded() {
  static void* const backend = dlopen(SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
  (void)backend;
}

}  // namespace testsupport
