// Shared main of every suite: a QApplication on the offscreen platform, so widgets, painting, the
// clipboard and modal loops work without a display.
#include <QApplication>
#include <dlfcn.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
#if defined(__SANITIZE_ADDRESS__)
  // The scanner library unloads its backend when it closes; kept loaded, what the backend leaks is
  // named in a leak report and can be told apart from the program's own leaks.
  dlopen(LUMIVEX_SANE_BACKEND_DIR "/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
#endif
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
