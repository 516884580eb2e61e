#include "runtime/busy_work.h"

#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <exception>
#include <new>
#include <thread>

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
