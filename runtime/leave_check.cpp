#include "runtime/leave_check.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace rt {
namespace {

void keepFocus(QWidget* control) {
  control->setFocus();
  if (auto* box = qobject_cast<QLineEdit*>(control)) box->selectAll();
}

// Child of its control, so that the window finds the check of the focused control.
class LeaveCheck : public QObject {
 public:
  LeaveCheck(QWidget* control, std::function<bool()> check, bool onFocusLoss)
      : QObject(control), control_(control), check_(std::move(check)) {
    if (onFocusLoss) control->installEventFilter(this);
  }

  // Runs the check once, never inside itself (its message box moves the focus too).
  bool run() {
    if (busy_) return true;
    busy_ = true;
    const bool ok = check_();
    busy_ = false;
    return ok;
  }

  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::FocusOut) return false;
    const auto reason = static_cast<QFocusEvent*>(e)->reason();
    // Switching to another window or opening a menu is not leaving the control.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
    // Nor is closing the window: while it goes, its form may already be half destroyed.
    if (!control_->window()->isVisible()) return false;
    if (!run()) {
      QPointer<QWidget> control = control_;
      QTimer::singleShot(0, control, [control] { keepFocus(control); });
    }
    return false;
  }

 private:
  QWidget* control_;
  std::function<bool()> check_;
  bool busy_ = false;
};

LeaveCheck* checkOf(QWidget* control) {
  if (!control) return nullptr;
  for (QObject* child : control->children())
    if (auto* check = dynamic_cast<LeaveCheck*>(child)) return check;
  return nullptr;
}

}  // namespace

void onLeave(QWidget* control, std::function<bool()> rule) { new LeaveCheck(control, std::move(rule), true); }

void setLeaveCheck(QWidget* control, std::function<bool()> check) { new LeaveCheck(control, std::move(check), false); }

bool passLeaveCheck(QWidget* control) {
  LeaveCheck* check = checkOf(control);
  if (!check || check->run()) return true;
  keepFocus(control);
  return false;
}

}  // namespace rt
