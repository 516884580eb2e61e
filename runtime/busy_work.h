#pragma once
// Long work on a picture, run so that the program stays responsive and its failures are shown.
#include "runtime/screen.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QProgressDialog;

namespace rt {

// Runs work with the busy pointer; beyond a few million pixels it runs on a worker thread while
// a progress window without a range is shown, so that the windows keep painting. A failure of the
// work (a run-time error, or memory running out) is shown in an error box and gives false: it
// never leaves a window's event handler as an exception.
bool RunBusy(int64_t pixels, const std::function<void()>& work);
// Runs a short piece of work done while the program is idle, without the busy pointer; a failure
// is shown and gives false as with RunBusy.
bool RunIdle(const std::function<void()>& work);

// Long work on the user-interface thread that says how far it has come as it goes, such as the
// reading of a large file: with the busy pointer, and once it has run a second, a progress window
// with its text, a bar and Cancel; the windows keep painting between its steps.
class ProgressSteps {
 public:
  explicit ProgressSteps(const QString& text);
  ~ProgressSteps();
  ProgressSteps(const ProgressSteps&) = delete;
  ProgressSteps& operator=(const ProgressSteps&) = delete;
  // The work has come to done of total (0: not known). False once the user has pressed Cancel.
  bool step(int64_t done, int64_t total);
  // How long work runs before the window shows, in milliseconds; gives the one before (tests
  // shorten it).
  static int setDelay(int ms);

 private:
  BusyPointer busy_;
  QString text_;
  QElapsedTimer clock_;
  qint64 shownAt_ = 0;
  std::unique_ptr<QProgressDialog> window_;
  bool cancelled_ = false;
};

}  // namespace rt
