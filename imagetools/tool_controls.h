#pragma once
// Small pieces shared by the image-tool dialogs: placing widgets in twips, a text box that checks
// its text when the focus leaves it, the page view they work on, and running an operation on an
// imaging control with the busy pointer (and progress for long work).
#include "controls/imaging/bitmap.h"

#include <QLineEdit>
#include <QString>
#include <functional>

class QWidget;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
namespace img {
class ImagingControl;
}

namespace tools {

// Left, top, width and height in twips, relative to the parent widget.
void place(QWidget* w, double left, double top, double width, double height);
QGroupBox* frame(QWidget* parent, double left, double top, double width, double height);
QLabel* label(QWidget* parent, const QString& text, double left, double top, double width, double height);
QPushButton* button(QWidget* parent, const QString& text, double left, double top, double width, double height);
// A horizontal slider with the common-controls design values (0 to 10, value 0).
QSlider* slider(QWidget* parent, double left, double top, double width, double height);

// A text box whose Validate runs when the focus leaves it for another control (and through
// leave()). A Validate that returns false keeps the focus in the box with its text selected, and
// the box holds: controls that check holds() then do nothing until the text passes.
class TextBox : public QLineEdit {
  Q_OBJECT
 public:
  explicit TextBox(QWidget* parent = nullptr);
  std::function<bool()> Validate;
  // Runs the check as a focus change does; false when the focus stays.
  bool leave();
  bool holds() const { return held_; }
  void SelectAll();

 protected:
  void focusOutEvent(QFocusEvent* e) override;

 private:
  bool held_ = false;
  bool checking_ = false;
};

// True when a text box of the window is holding the focus after a failed check.
bool anyBoxHolds(const QWidget* window);

// The main window's page view, which the tools read and change. Tests may put another control
// in its place.
img::ImagingControl* pageView();
void setPageViewOverride(img::ImagingControl* ix);

// Runs op on the control's picture with the busy pointer; the result replaces the picture (the
// previous one can be undone). A large picture is processed beside the user-interface thread
// while a progress window keeps the program painting.
void runOnControl(img::ImagingControl* ix, const std::function<void(img::Bitmap&)>& op);
// Runs op on a copy of from's picture and shows the result in to, whose view offsets stay.
void previewInto(img::ImagingControl* from, img::ImagingControl* to, const std::function<void(img::Bitmap&)>& op);
// Runs work with the busy pointer; beyond a few million pixels it runs on a worker thread while
// a progress window without a range is shown, so that the window keeps painting.
void runBusy(int64_t pixels, const std::function<void()>& work);

}  // namespace tools
