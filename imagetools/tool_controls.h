#pragma once
// Small pieces shared by the image-tool dialogs: placing widgets in twips, a text box that checks
// its text when the focus leaves it, the page view they work on, and running an operation on an
// imaging control with the busy pointer (and progress for long work).
#include "controls/imaging/bitmap.h"
#include "runtime/form.h"
#include "runtime/twips.h"

#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QToolBar;
namespace img {
class ImagingControl;
}

namespace tools {

// A tool dialog sets itself up when it first becomes active after being shown; becoming active
// again (after a message box or a progress window) leaves its inputs as the user left them.
class ToolDialog : public rt::Form {
 protected:
  virtual void fnSetUp() = 0;
  void Form_Activate() final;

 private:
  bool setUp_ = false;
};

// A tool dialog that shows its operation in an after viewer beside a copy of the page in a before
// viewer, the zoom toolbar over both (after follows before).
class BeforeAfterDialog : public ToolDialog {
 public:
  QGroupBox* fraBA = nullptr;
  QLabel *lblBefore = nullptr, *lblAfter = nullptr;
  QGroupBox *fraBefore = nullptr, *fraAfter = nullptr;
  img::ImagingControl *ixBefore = nullptr, *ixAfter = nullptr;
  QToolBar* tlbBefore = nullptr;

  // Apply: runs op on the page view as img::runOnControl does. The viewers' pictures are let go
  // first, so that the copy of the page the operation works on takes their memory rather than
  // memory never used before; when the operation fails (the dialog stays open) both viewers show
  // the page again, as when the dialog was opened.
  bool applyToPage(const std::function<void(img::Bitmap&)>& op);

 protected:
  // fraBA at its place in the dialog (twips), and the viewers with their labels, frames and the
  // toolbar at their designed places in it.
  void buildBeforeAfter(double left, double top, double width, double height);
};

using tw::place;
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

// Runs op on a copy of from's picture and shows the result in to, whose view offsets stay: what
// putting from's handle copy into to and running op there gives, without the handle's two copies.
// A failure leaves to as it was.
void previewInto(img::ImagingControl* from, img::ImagingControl* to, const std::function<void(img::Bitmap&)>& op);
// The activation of a before / after viewer pair: zoom 1, a copy of the page in before and a copy
// of before in after, before centred and after at the same offsets.
void loadViewers(img::ImagingControl* before, img::ImagingControl* after);
// Removes the page view's rectangle selection (the main window's fnClearSelection).
void clearPageSelection();
// A new document of one blank page in the main window (in the page view that stands in for it
// under test), once the open document has closed; false when the user kept it (Cancel in its
// save question).
bool newDocument(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour);
// A drop-down list without typing and without a selection.
QComboBox* dropDown(QWidget* parent, const QStringList& items, double left, double top, double width);
// A filled swatch (a shape) showing a 0x00BBGGRR colour.
QFrame* swatch(QWidget* parent, double left, double top, double width, double height);
void paintSwatch(QFrame* shape, uint32_t colour);
}  // namespace tools
