#include "imagetools/tool_controls.h"

#include "controls/imaging/busy_edit.h"
#include "controls/imaging/imaging_control.h"
#include "controls/imaging/pixel_ops.h"
#include "imagetools/preview_zoom.h"
#include "runtime/busy_work.h"
#include "runtime/leave_check.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"

#include <QComboBox>
#include <QFrame>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolBar>

namespace tools {

void ToolDialog::Form_Activate() {
  if (setUp_) return;
  setUp_ = true;
  fnSetUp();
}

QGroupBox* frame(QWidget* parent, double left, double top, double width, double height) {
  auto* f = new QGroupBox(parent);
  place(f, left, top, width, height);
  return f;
}

QLabel* label(QWidget* parent, const QString& text, double left, double top, double width, double height) {
  auto* l = new QLabel(text, parent);
  place(l, left, top, width, height);
  return l;
}

QPushButton* button(QWidget* parent, const QString& text, double left, double top, double width, double height) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  place(b, left, top, width, height);
  return b;
}

QSlider* slider(QWidget* parent, double left, double top, double width, double height) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setRange(0, 10);
  s->setValue(0);
  s->setTickPosition(QSlider::TicksBelow);
  place(s, left, top, width, height);
  return s;
}

// ---- TextBox -----------------------------------------------------------------------------------

TextBox::TextBox(QWidget* parent) : QLineEdit(parent) {
  rt::setLeaveCheck(this, [this] { return leave(); });
  connect(this, &QLineEdit::textChanged, this, [this] { held_ = false; });
}

void TextBox::SelectAll() { setSelection(0, static_cast<int>(text().size())); }

bool TextBox::leave() {
  if (!Validate || checking_) return true;
  checking_ = true;
  const bool ok = Validate();
  checking_ = false;
  held_ = !ok;
  if (!ok) {
    setFocus();
    SelectAll();
  }
  return ok;
}

void TextBox::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  // Only a move to another control of the window is a leave; switching windows (the message box
  // of the check itself among them) is not.
  if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason) return;
  if (!leave()) {
    QPointer<TextBox> self(this);
    QTimer::singleShot(0, this, [self] {
      if (self) {
        self->setFocus();
        self->SelectAll();
      }
    });
  }
}

bool anyBoxHolds(const QWidget* window) {
  for (const TextBox* b : window->findChildren<TextBox*>())
    if (b->holds()) return true;
  return false;
}

// ---- page view and running ---------------------------------------------------------------------

namespace {
QPointer<img::ImagingControl> gOverride;
bool gOverrideSet = false;
}  // namespace

img::ImagingControl* pageView() {
  if (gOverrideSet) return gOverride.data();
  return frmImgClnt->ixMain;
}

void setPageViewOverride(img::ImagingControl* ix) {
  gOverride = ix;
  gOverrideSet = ix != nullptr;
}

void loadViewers(img::ImagingControl* before, img::ImagingControl* after) {
  before->SetZoom(1.0f);
  if (after) after->SetZoom(1.0f);
  if (img::ImagingControl* page = pageView(); page && page->hasImage()) {
    // Each viewer takes its own copy of the picture as it is: one copy each, not a handle packed
    // and read back (two more copies of a large page, in memory not reused).
    before->replaceBitmap(page->bitmap());
    if (after) after->replaceBitmap(before->bitmap());
  }
  centreViewer(before);
  if (after) followOffsets(before, {after});
}

void BeforeAfterDialog::buildBeforeAfter(double left, double top, double width, double height) {
  fraBA = frame(this, left, top, width, height);
  fraBA->setObjectName(QStringLiteral("fraBA"));
  lblBefore = label(fraBA, QStringLiteral("Before"), 300, 210, 630, 255);
  lblAfter = label(fraBA, QStringLiteral("After"), 2190, 210, 630, 255);
  fraBefore = frame(fraBA, 300, 390, 1365, 1455);
  fraAfter = frame(fraBA, 2190, 390, 1365, 1455);
  ixBefore = new img::ImagingControl(fraBefore);
  ixBefore->setName(QStringLiteral("ixBefore"));
  tw::place(ixBefore, 30, 120, 1290, 1290);
  ixAfter = new img::ImagingControl(fraAfter);
  ixAfter->setName(QStringLiteral("ixAfter"));
  tw::place(ixAfter, 30, 120, 1290, 1290);
  tlbBefore = makeZoomToolbar(fraBA, ixBefore, {ixAfter});
  place(tlbBefore, 300, 1860, 1350, 330);
}

bool BeforeAfterDialog::applyToPage(const std::function<void(img::Bitmap&)>& op) {
  img::ImagingControl* page = pageView();
  if (!page || !page->hasImage()) return img::runOnControl(page, op);
  ixBefore->replaceBitmap(img::Bitmap());
  ixAfter->replaceBitmap(img::Bitmap());
  if (img::runOnControl(page, op)) return true;
  loadViewers(ixBefore, ixAfter);
  return false;
}

void clearPageSelection() {
  if (gOverrideSet) {
    if (gOverride) gOverride->setSelection(0, 0, 0, 0);
    return;
  }
  frmImgClnt->fnClearSelection();
}

bool newDocument(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) {
  if (gOverrideSet) {
    if (gOverride) gOverride->CreateBlankImage(width, height, bitsPerPixel, colour);
    return true;
  }
  // The open document goes only now that the user has chosen Create, with its save question.
  if (!ws::document().close(false)) return false;
  ws::document().newDocument(width, height, bitsPerPixel, colour);
  return true;
}

QComboBox* dropDown(QWidget* parent, const QStringList& items, double left, double top, double width) {
  auto* c = new QComboBox(parent);
  c->addItems(items);
  c->setCurrentIndex(-1);
  place(c, left, top, width, 315);
  return c;
}

QFrame* swatch(QWidget* parent, double left, double top, double width, double height) {
  auto* f = new QFrame(parent);
  f->setFrameShape(QFrame::Box);
  f->setAutoFillBackground(true);
  place(f, left, top, width, height);
  return f;
}

void paintSwatch(QFrame* shape, uint32_t colour) {
  QPalette p = shape->palette();
  p.setColor(QPalette::Window, QColor(img::fromBgr(colour)));
  shape->setPalette(p);
}

void previewInto(img::ImagingControl* from, img::ImagingControl* to, const std::function<void(img::Bitmap&)>& op) {
  if (!from || !to || !from->hasImage()) return;
  img::Bitmap b = from->bitmap();
  if (!rt::RunBusy(static_cast<int64_t>(b.width()) * b.height(), [&] { op(b); })) return;
  const int32_t x = to->ViewOffsetX(), y = to->ViewOffsetY();
  to->replaceBitmap(std::move(b));
  to->setViewOffsetX(x);
  to->setViewOffsetY(y);
}

}  // namespace tools
