#include "imagetools/frm_img_new.h"

#include "controls/imaging/bitmap.h"
#include "imagetools/tool_controls.h"
#include "runtime/conversions.h"
#include "runtime/message_boxes.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <cmath>

rt::DefaultInstance<frmImgNewForm> frmImgNew;

frmImgNewForm::frmImgNewForm() {
  setObjectName(QStringLiteral("frmImgNew"));
  setWindowFlag(Qt::Dialog);
  setCaption(QStringLiteral("   New Image"));
  fraNew = tools::frame(this, 60, 0, 3240, 3300);
  lblWidth = tools::label(fraNew, QStringLiteral("Width (Pixels) :"), 120, 330, 1440, 255);
  txtWidth = new tools::TextBox(fraNew);
  tools::place(txtWidth, 1605, 300, 1380, 285);
  lblHeight = tools::label(fraNew, QStringLiteral("Height (Pixels) :"), 120, 645, 1440, 255);
  txtHeight = new tools::TextBox(fraNew);
  tools::place(txtHeight, 1605, 615, 1380, 285);
  lblBPP = tools::label(fraNew, QStringLiteral("Bits Per Pixel :"), 120, 960, 1440, 255);
  cmbBPP = tools::dropDown(fraNew, {}, 1605, 930, 1380);
  for (tools::TextBox* t : {txtWidth, txtHeight}) {
    t->setMaxLength(5);
    connect(t, &QLineEdit::textChanged, this, [this] { fnCheckCreateEnabled(); });
  }
  txtWidth->Validate = [this] { return txtWidth_Validate(); };
  txtHeight->Validate = [this] { return txtHeight_Validate(); };
  connect(cmbBPP, &QComboBox::currentTextChanged, this, [this] { fnCheckCreateEnabled(); });
  connect(cmbBPP, qOverload<int>(&QComboBox::activated), this, [this] { fnCheckCreateEnabled(); });
  fraColour = tools::frame(fraNew, 120, 1380, 3000, 1800);
  lblColour = tools::label(fraColour, QStringLiteral("New Image Colour"), 120, 120, 2000, 255);
  QLabel** labels[3] = {&lblFromR, &lblFromG, &lblFromB};
  QSlider** sliders[3] = {&sldR, &sldG, &sldB};
  const char* names[3] = {"Red", "Green", "Blue"};
  for (int k = 0; k < 3; ++k) {
    *labels[k] = tools::label(fraColour, QLatin1String(names[k]), 120, 480 + k * 390, 600, 255);
    *sliders[k] = tools::slider(fraColour, 720, 440 + k * 390, 1400, 330);
    (*sliders[k])->setRange(0, 255);
    (*sliders[k])->setTickPosition(QSlider::NoTicks);
    connect(*sliders[k], &QSlider::valueChanged, this, [this] { sld_Change(); });
  }
  fraPreview = tools::frame(fraColour, 2160, 440, 720, 1100);
  shpCol = tools::swatch(fraPreview, 60, 90, 600, 950);
  cmdCreate = tools::button(this, QStringLiteral("Crea&te"), 1140, 3400, 1020, 390);
  cmdCreate->setEnabled(false);
  cmdCreate->setDefault(true);
  cmdCancel = tools::button(this, QStringLiteral("&Cancel"), 2220, 3400, 1020, 390);
  rt::setCancel(cmdCancel);
  connect(cmdCreate, &QPushButton::clicked, this, [this] { cmdCreate_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  resize(rt::Screen::ToPixelsX(3420), rt::Screen::ToPixelsY(3900));
  setTabOrder(txtWidth, txtHeight);
  setTabOrder(txtHeight, cmbBPP);
}

void frmImgNewForm::fnSetUp() {
  sldR->setValue(255);
  sldG->setValue(255);
  sldB->setValue(255);
  tools::paintSwatch(shpCol, colour());
  cmbBPP->addItems({QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("24")});
  cmbBPP->setCurrentIndex(-1);
  fnCheckCreateEnabled();
}

uint32_t frmImgNewForm::colour() const {
  return static_cast<uint32_t>(sldR->value()) + 256u * static_cast<uint32_t>(sldG->value()) +
         65536u * static_cast<uint32_t>(sldB->value());
}

void frmImgNewForm::fnCheckCreateEnabled() {
  cmdCreate->setEnabled(!txtWidth->text().trimmed().isEmpty() && !txtHeight->text().trimmed().isEmpty() &&
                        !cmbBPP->currentText().isEmpty());
}

void frmImgNewForm::sld_Change() {
  tools::paintSwatch(shpCol, colour());
  fnCheckCreateEnabled();
}

bool frmImgNewForm::checkNumeric(tools::TextBox* box, const QString& message) {
  box->setText(box->text().trimmed());
  if (box->text().isEmpty() || rt::IsNumeric(box->text())) return true;
  rt::ShowError(message);
  return false;
}

bool frmImgNewForm::txtWidth_Validate() { return checkNumeric(txtWidth, QStringLiteral("Width value must be numeric!")); }
bool frmImgNewForm::txtHeight_Validate() { return checkNumeric(txtHeight, QStringLiteral("Height value must be numeric!")); }

namespace {
// A positive whole number of pixels, or 0 for anything else.
int32_t wholePixels(const QString& text) {
  if (!rt::IsNumeric(text)) return 0;
  const double v = rt::Val(text.trimmed());
  return v >= 1 && v <= img::kMaxDimension && v == std::floor(v) ? static_cast<int32_t>(v) : 0;
}
}  // namespace

void frmImgNewForm::cmdCreate_Click() {
  if (tools::anyBoxHolds(this)) return;
  // Texts confirmed with Enter never left their box: check them here as well.
  const struct {
    tools::TextBox* box;
    const char* message;
  } boxes[2] = {{txtWidth, "Width value must be a positive whole number!"}, {txtHeight, "Height value must be a positive whole number!"}};
  for (const auto& b : boxes)
    if (wholePixels(b.box->text()) == 0) {
      rt::ShowError(QLatin1String(b.message));
      b.box->setFocus();
      b.box->SelectAll();
      return;
    }
  const int32_t width = wholePixels(txtWidth->text()), height = wholePixels(txtHeight->text());
  const int16_t bpp = static_cast<int16_t>(rt::Val(cmbBPP->currentText()));
  bool made = false;
  try {
    // A picture beyond what memory may hold is refused before the save question of the document
    // the user has.
    img::Bitmap::checkedSize(width, height, bpp);
    made = tools::newDocument(width, height, bpp, colour());
  } catch (const rt::RuntimeError&) {
    rt::ShowError(QStringLiteral("There is not enough memory for an image of %1 x %2 pixels!").arg(width).arg(height));
    return;
  }
  // Cancel in the save question keeps the document the user had.
  if (made) ws::document().markModified();
  Unload();
}

void frmImgNewForm::cmdCancel_Click() { Unload(); }
