#include "runtime/form.h"

#include "runtime/leave_check.h"
#include "runtime/screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

namespace rt {

namespace {
constexpr char kCancelProperty[] = "lumivexCancel";

// The first button of the window, in creation order, that may be pressed now and has the property.
QPushButton* keyButton(const QWidget* window, bool (*has)(const QPushButton*)) {
  for (QPushButton* b : window->findChildren<QPushButton*>())
    if (b->window() == window && has(b) && b->isVisibleTo(window) && b->isEnabled()) return b;
  return nullptr;
}
bool isDefaultButton(const QPushButton* b) { return b->isDefault(); }

bool hasCancelButton(const QWidget* window) {
  for (const QPushButton* b : window->findChildren<QPushButton*>())
    if (b->window() == window && isCancel(b)) return true;
  return false;
}

// A control the program draws itself (a plain QWidget underneath, such as a picture viewer) has
// no focus look of the style's; the standard controls draw their own.
bool drawsNoFocus(const QWidget* w) {
  return w && !w->isWindow() && w->metaObject()->superClass() == &QWidget::staticMetaObject;
}

// The focus mark: a frame just outside a control, over its neighbours, that lets every click
// through. It follows the control while it keeps the focus and goes when the focus leaves it.
class FocusMark : public QWidget {
 public:
  explicit FocusMark(QWidget* target) : QWidget(target->parentWidget()), target_(target) {
    setObjectName(QStringLiteral("focusMark"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    target->installEventFilter(this);
    connect(target, &QObject::destroyed, this, [this] { drop(); });
    // A message box over the window takes the focus for a while; the mark stays for its return.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
      if (!target_ || (now && now != target_ && now->window() == target_->window())) drop();
    });
    follow();
    show();
    raise();
  }
  QWidget* target() const { return target_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == target_) {
      if (e->type() == QEvent::Move || e->type() == QEvent::Resize) follow();
      if (e->type() == QEvent::Hide) drop();
    }
    return false;
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QPen pen(palette().color(QPalette::Highlight), kWidth, Qt::DashLine);
    p.setPen(pen);
    p.drawRect(QRectF(rect()).adjusted(kWidth / 2.0, kWidth / 2.0, -kWidth / 2.0, -kWidth / 2.0));
  }

 private:
  static constexpr int kWidth = 2;
  void drop() {
    hide();
    deleteLater();
  }
  void follow() {
    if (target_) setGeometry(target_->geometry().adjusted(-kWidth - 1, -kWidth - 1, kWidth + 1, kWidth + 1));
  }
  QPointer<QWidget> target_;
};
}  // namespace

void setCancel(QPushButton* button, bool cancel) {
  button->setProperty(kCancelProperty, cancel);
  if (auto* form = qobject_cast<Form*>(button->window()); form && cancel) form->armEscape();
}
bool isCancel(const QPushButton* button) { return button->property(kCancelProperty).toBool(); }

Form::Form(QWidget* parent) : QWidget(parent, Qt::Window) { setAttribute(Qt::WA_DeleteOnClose, false); }

Form::~Form() { endModal(); }

double Form::Left() const { return Screen::ToTwipsX(frameGeometry().x()); }
double Form::Top() const { return Screen::ToTwipsY(frameGeometry().y()); }
double Form::Width() const { return Screen::ToTwipsX(frameGeometry().width()); }
double Form::Height() const { return Screen::ToTwipsY(frameGeometry().height()); }

void Form::setLeft(double twips) { Move(twips, Top()); }
void Form::setTop(double twips) { Move(Left(), twips); }
void Form::setWidth(double twips) { Move(Left(), Top(), twips, Height()); }
void Form::setHeight(double twips) { Move(Left(), Top(), Width(), twips); }

void Form::Move(double left, double top, double width, double height) {
  move(Screen::ToPixelsX(left), Screen::ToPixelsY(top));
  if (width >= 0 || height >= 0) {
    // Twips give the outer size; the frame, where there is one, is taken off the client area.
    const int frameW = frameGeometry().width() - geometry().width();
    const int frameH = frameGeometry().height() - geometry().height();
    const int w = width >= 0 ? Screen::ToPixelsX(width) - frameW : geometry().width();
    const int h = height >= 0 ? Screen::ToPixelsY(height) - frameH : geometry().height();
    resize(std::max(0, w), std::max(0, h));
  }
}

double Form::ScaleWidth() const { return Screen::ToTwipsX(width()); }
double Form::ScaleHeight() const { return Screen::ToTwipsY(height()); }

void Form::fitToContents() {
  QLayout* l = layout();
  if (!l) return;
  l->activate();
  const int h = l->hasHeightForWidth() ? l->totalHeightForWidth(width()) : l->totalSizeHint().height();
  resize(width(), std::max(h, l->totalMinimumSize().height()));
}

void Form::RunLoad() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

void Form::Show(int modal, QWidget* owner) {
  if (unloaded_) return;
  if (owner && owner != parentWidget()) {
    const QRect g = geometry();
    setParent(owner, windowFlags() | Qt::Window);
    setGeometry(g);
  }
  // Both kinds of showing raise the form and give it its first Activate.
  auto showActive = [this] {
    show();
    raise();
    activateWindow();
    if (!active_) {
      active_ = true;
      Form_Activate();
    }
  };
  if (modal == vbModal) {
    setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    showActive();
    if (unloaded_ || isHidden()) return;  // Activate may already have closed it
    QEventLoop loop;
    modalLoop_ = &loop;
    QPointer<Form> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (self) {
      modalLoop_ = nullptr;
      setWindowModality(Qt::NonModal);
    }
    return;
  }
  showActive();
}

void Form::Hide() { hide(); }

void Form::endModal() {
  if (modalLoop_) {
    modalLoop_->exit(0);
    modalLoop_ = nullptr;
  }
}

bool Form::runUnloadHandlers(int mode) {
  int cancel = 0;
  Form_QueryUnload(cancel, mode);
  if (cancel) return false;
  Form_Unload(cancel);
  return cancel == 0;
}

bool Form::Unload() {
  if (unloaded_) return true;
  if (!runUnloadHandlers(vbFormCode)) return false;
  unloaded_ = true;
  hide();
  endModal();
  // Destroyed once control returns to the event loop, so a handler may unload its own form.
  deleteLater();
  return true;
}

void Form::closeEvent(QCloseEvent* e) {
  if (unloaded_) {
    e->accept();
    return;
  }
  if (!runUnloadHandlers(vbFormControlMenu)) {
    e->ignore();
    return;
  }
  unloaded_ = true;
  e->accept();
  endModal();
  deleteLater();
}

void Form::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (loaded_) Form_Resize();
}

void Form::hideEvent(QHideEvent* e) {
  QWidget::hideEvent(e);
  active_ = false;
  endModal();
}

void Form::armEscape() {
  if (escape_) return;
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  // The key goes to the window's own key handling, so that a form that gives Escape another
  // meaning for a while (stopping a search) keeps it.
  connect(escape_, &QShortcut::activated, this, [this] {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    keyPressEvent(&escape);
  });
}

void Form::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // A Cancel button marked before the form became its window.
  if (!escape_ && hasCancelButton(this)) armEscape();
}

bool Form::focusNextPrevChild(bool next) {
  const bool moved = QWidget::focusNextPrevChild(next);
  if (moved) markFocus();
  return moved;
}

void Form::markFocus() {
  QWidget* focus = focusWidget();
  if (!drawsNoFocus(focus) || !focus->parentWidget()) return;
  // A mark that went with an earlier focus change may wait to be deleted: it is not this one.
  if (focusMark_ && !focusMark_->isHidden() && static_cast<FocusMark*>(focusMark_.data())->target() == focus) return;
  focusMark_ = new FocusMark(focus);
}

void Form::keyPressEvent(QKeyEvent* e) {
  if (pressKeyButton(e)) {
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

bool Form::pressKeyButton(const QKeyEvent* e) {
  const auto mods = e->modifiers() & ~Qt::KeypadModifier;
  if (mods != Qt::NoModifier) return false;
  if (e->key() == Qt::Key_Escape) {
    QPushButton* cancel = keyButton(this, &isCancel);
    if (!cancel) return false;
    cancel->click();
    return true;
  }
  if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) return false;
  QWidget* focus = focusWidget();
  if (auto* focused = qobject_cast<QPushButton*>(focus); focused && focused->isEnabled()) {
    focused->click();
    return true;
  }
  if (!keyButton(this, &isDefaultButton)) return false;
  // The box the user is in is left first, as a click on the button would leave it.
  if (focus && !passLeaveCheck(focus)) return true;
  // The check may have changed the text and with it what the button allows.
  if (QPushButton* button = keyButton(this, &isDefaultButton)) button->click();
  return true;
}

void Form::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() != QEvent::ActivationChange) return;
  if (!isActiveWindow()) {
    active_ = false;
  } else if (!active_ && loaded_ && !unloaded_ && isVisible()) {
    active_ = true;
    Form_Activate();
  }
}

}  // namespace rt
