#pragma once
// Forms: a window class with its controls as members and one member function per event. Each form
// has one default instance (see DefaultInstance); geometry is in twips.
#include <QPointer>
#include <QString>
#include <QWidget>

class QEventLoop;
class QPushButton;
class QShortcut;

namespace rt {

constexpr int vbModeless = 0;
constexpr int vbModal = 1;

// A command button's Cancel property: Escape anywhere in its window presses it, whichever control
// has the focus (a control that uses Escape itself claims it first, as an item editor does). (Its
// Default property is QPushButton::setDefault: Enter presses it, after the focused box's leave
// check.)
void setCancel(QPushButton* button, bool cancel = true);
bool isCancel(const QPushButton* button);

// Why a form is being unloaded (QueryUnload's UnloadMode).
constexpr int vbFormControlMenu = 0;  // the user closed it from its title bar
constexpr int vbFormCode = 1;         // Unload was called

class Form : public QWidget {
  Q_OBJECT
 public:
  explicit Form(QWidget* parent = nullptr);
  ~Form() override;

  QString Caption() const { return windowTitle(); }
  void setCaption(const QString& c) { setWindowTitle(c); }

  // Outer geometry in twips.
  double Left() const;
  double Top() const;
  double Width() const;
  double Height() const;
  void setLeft(double twips);
  void setTop(double twips);
  void setWidth(double twips);
  void setHeight(double twips);
  void Move(double left, double top, double width = -1, double height = -1);
  // Client area in twips.
  double ScaleWidth() const;
  double ScaleHeight() const;

  // Shows the form; modal runs a nested event loop until the form hides or unloads.
  void Show(int modal = vbModeless, QWidget* owner = nullptr);
  void Hide();
  bool IsModalShowing() const { return modalLoop_ != nullptr; }

  // Gives a form laid out by a layout the height its content needs at its present width, so that
  // no frame is stretched taller than what it holds (a word-wrapped label asks for the height of
  // its lines at that width, which the first showing would not).
  void fitToContents();

  // Runs QueryUnload and Unload; unless one cancels, the form hides and is destroyed later.
  // Returns false when the form refused.
  bool Unload();
  bool IsUnloaded() const { return unloaded_; }

  // Called by the default instance right after construction.
  void RunLoad();

 protected:
  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  virtual void Form_Resize() {}
  virtual void Form_QueryUnload(int& /*cancel*/, int /*unloadMode*/) {}
  virtual void Form_Unload(int& /*cancel*/) {}

  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void changeEvent(QEvent* e) override;
  // Enter presses the focused button, or else the default button once the focused control's leave
  // check has passed; Escape presses the Cancel button. A key that a control used never gets here,
  // but Escape does once the window has a Cancel button: it comes as a window shortcut.
  void keyPressEvent(QKeyEvent* e) override;
  void showEvent(QShowEvent* e) override;
  // Tab and Shift+Tab: a control that draws no focus of its own gets a mark around it.
  bool focusNextPrevChild(bool next) override;

 private:
  friend void setCancel(QPushButton* button, bool cancel);
  // Escape as a shortcut of the window, once it has a button marked Cancel.
  void armEscape();
  void markFocus();
  bool runUnloadHandlers(int mode);
  bool pressKeyButton(const QKeyEvent* e);
  void endModal();

  QEventLoop* modalLoop_ = nullptr;
  QShortcut* escape_ = nullptr;
  QPointer<QWidget> focusMark_;
  bool unloaded_ = false;
  bool loaded_ = false;
  bool active_ = false;
};

// The one default instance of a form class: created and loaded on first use, destroyed by Unload;
// the next use loads a fresh one.
template <class T>
class DefaultInstance {
 public:
  T* get() {
    if (!p_ || p_->IsUnloaded()) {
      p_ = new T();
      p_->RunLoad();
    }
    return p_;
  }
  T* operator->() { return get(); }
  T& operator*() { return *get(); }
  bool IsLoaded() const { return p_ && !p_->IsUnloaded(); }
  // Unloads the instance if it is loaded; false when it refused to unload.
  bool Unload() { return !IsLoaded() || p_->Unload(); }

 private:
  QPointer<T> p_;
};

}  // namespace rt
