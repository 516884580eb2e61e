#pragma once
// A page view of its own for the image-tool dialogs, scripted message boxes, and the shared flags
// reset before each test.
#include "controls/imaging/imaging_control.h"
#include "imagetools/tool_controls.h"
#include "runtime/form.h"
#include "tests/support/document.h"
#include "tests/support/scripted_dialogs.h"
#include "workspace/mod_vars.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace tooltest {

using testsupport::doc;

// A colour picture whose pixels differ, so that every effect changes something.
inline img::Bitmap picture(int w = 48, int h = 36) {
  img::Bitmap b(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setIndex(x, y, qRgb((x * 23) & 0xFF, (y * 41) & 0xFF, ((x + y) * 13 + 40) & 0xFF));
  return b;
}

inline bool samePicture(const img::Bitmap& a, const img::Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    page = std::make_unique<img::ImagingControl>();
    page->setBitmap(picture());
    tools::setPageViewOverride(page.get());
    doc().docModified = false;
    doc().pageModified = false;
  }
  void TearDown() override {
    tools::setPageViewOverride(nullptr);
    QCoreApplication::processEvents();
  }
  std::unique_ptr<img::ImagingControl> page;
  testsupport::ScriptedDialogs dialogs;
};

// A dialog shown modeless (its activation runs) and unloaded after each test.
template <class F, rt::DefaultInstance<F>& Instance>
class DialogTest : public ToolTest {
 protected:
  void TearDown() override {
    Instance.Unload();
    ToolTest::TearDown();
  }
  F* open() {
    F* f = Instance.get();
    f->Show();
    return f;
  }
};

}  // namespace tooltest
