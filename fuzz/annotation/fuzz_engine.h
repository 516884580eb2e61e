#pragma once
// How every engine fuzz target starts: an offscreen application and one engine bound to a window
// of its own, whose host answers every password request with "fuzz".
#include <QApplication>

#include <cstdint>
#include <cstdlib>

#include "annotation/engine.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

inline int32_t annFuzzPassword(intptr_t, plat::BSTR, plat::BSTR* password) {
  plat::SysReAllocString(password, u"fuzz");
  return 0;
}

// name: the program name the application is given; it must outlive the process.
inline AnnEngine* annStartFuzzEngine(char* name) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  auto* engine = new AnnEngine();
  engine->Initialise(1, plat::CreateDetachedWindow(800, 600));
  engine->SetHostCallback(HOSTCB_PASSWORD, annCallback(&annFuzzPassword));
  return engine;
}
