#include "runtime/busy_work.h"

#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <algorithm>
#include <exception>
#include <new>
#include <thread>
#include <utility>

namespace rt {

namespace {
// Work on pictures beyond this many pixels runs beside the user-interface thread.
constexpr int64_t kLongWorkPixels = 4'000'000;

// The message for a failed operation; other faults are not the user's and go on up.
QString failureMessage(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const rt::RuntimeError& e) {
    return e.Description();
  } catch (const std::bad_alloc&) {
    return QStringLiteral("There is not enough memory for an image of this size!");
  }
}
}  // namespace

bool RunBusy(int64_t pixels, const std::function<void()>& work) {
  std::exception_ptr failure;
  {
    rt::BusyPointer busy;
    if (pixels < kLongWorkPixels || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
      try {
        work();
      } catch (...) {
        failure = std::current_exception();
      }
    } else {
      QEventLoop loop;
      // No parent: a window closing while the work runs must not take the progress window with it.
      QProgressDialog progress(QStringLiteral("Processing the image..."), QString(), 0, 0);
      progress.setWindowTitle(App::Title());
      progress.setWindowModality(Qt::ApplicationModal);
      progress.setMinimumDuration(300);
      std::thread worker([&] {
        try {
          work();
        } catch (...) {
          failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
      });
      loop.exec(QEventLoop::ExcludeUserInputEvents);
      worker.join();
      progress.reset();
    }
  }
  if (!failure) return true;
  // Shown with the normal pointer back; an exception must not leave through a window's event.
  rt::ShowError(failureMessage(failure));
  return false;
}

namespace {
int gProgressDelayMs = 1000;
}  // namespace

ProgressSteps::ProgressSteps(const QString& text) : text_(text) { clock_.start(); }

ProgressSteps::~ProgressSteps() {
  if (window_) window_->reset();
}

int ProgressSteps::setDelay(int ms) { return std::exchange(gProgressDelayMs, ms); }

bool ProgressSteps::step(int64_t done, int64_t total) {
  if (cancelled_) return false;
  if (!window_) {
    if (clock_.elapsed() < gProgressDelayMs || !qobject_cast<QApplication*>(QCoreApplication::instance())) return true;
    // No parent: the window that started the work may close while it runs.
    window_ = std::make_unique<QProgressDialog>(text_, QStringLiteral("&Cancel"), 0, 1000);
    window_->setWindowTitle(App::Title());
    window_->setWindowModality(Qt::ApplicationModal);
    window_->setMinimumDuration(0);
    window_->setAutoReset(false);
    window_->setAutoClose(false);
    window_->show();
  } else if (clock_.elapsed() - shownAt_ < 50) {
    // The window is brought up to date a score of times a second: more would slow the work.
    return true;
  }
  shownAt_ = clock_.elapsed();
  if (total > 0) window_->setValue(static_cast<int>(std::clamp<int64_t>(done * 1000 / total, 0, 1000)));
  else window_->setRange(0, 0);
  QCoreApplication::processEvents();
  cancelled_ = window_->wasCanceled();
  return !cancelled_;
}

bool RunIdle(const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (...) {
    rt::ShowError(failureMessage(std::current_exception()));
    return false;
  }
}

}  // namespace rt
