#include "archive/leave_rule.h"

#include "archive/archive_protocol.h"
#include "archive/form_parts.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace arch {
namespace {

class LeaveFilter : public QObject {
 public:
  LeaveFilter(QLineEdit* box, std::function<bool()> rule) : QObject(box), box_(box), rule_(std::move(rule)) {}

  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::FocusOut || busy_) return false;
    const auto reason = static_cast<QFocusEvent*>(e)->reason();
    // Switching to another window or opening a menu is not leaving the box.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
    // Nor is closing the window: while it goes, its form may already be half destroyed.
    if (!box_->window()->isVisible()) return false;
    busy_ = true;
    const bool ok = rule_();
    busy_ = false;
    if (!ok) {
      QPointer<QLineEdit> box = box_;
      QTimer::singleShot(0, box, [box] {
        box->setFocus();
        box->selectAll();
      });
    }
    return false;
  }

 private:
  QLineEdit* box_;
  std::function<bool()> rule_;
  bool busy_ = false;
};

}  // namespace

void onLeave(QLineEdit* box, std::function<bool()> rule) { box->installEventFilter(new LeaveFilter(box, std::move(rule))); }

bool checkFieldChars(QLineEdit* box, const QString& fieldName) {
  if (isFieldSafe(box->text())) return true;
  showError(fieldName + QStringLiteral(" must not contain commas or control characters!"));
  box->selectAll();
  return false;
}

}  // namespace arch
