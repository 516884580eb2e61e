#include "imagetools/frm_img_size.h"

#include "controls/imaging/busy_edit.h"
#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "imagetools/tool_controls.h"
#include "runtime/conversions.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

rt::DefaultInstance<frmImgSizeForm> frmImgSize;

using tools::SizeBox;

tools::TextBox* frmImgSizeForm::box(QWidget* parent, double left, double top) {
  auto* t = new tools::TextBox(parent);
  t->setMaxLength(10);
  tools::place(t, left, top, 1100, 285);
  return t;
}

frmImgSizeForm::frmImgSizeForm() {
  setObjectName(QStringLiteral("frmImgSize"));
  setWindowFlag(Qt::Dialog);
  setCaption(QStringLiteral("   Crop & Resize"));
  fraProp = tools::frame(this, 60, 0, 3600, 4560);
  auto option = [this](const QString& text, double top) {
    auto* o = new QRadioButton(text, fraProp);
    tools::place(o, 120, top, 3000, 285);
    connect(o, &QRadioButton::toggled, this, [this, o](bool on) {
      if (on) opt_Click(o);
    });
    return o;
  };
  optAutoCrop = option(QStringLiteral("AutoCrop"), 150);
  fraAutoCrop = tools::frame(fraProp, 360, 450, 3000, 1080);
  lblCropPct = tools::label(fraAutoCrop, QStringLiteral("Crop % :"), 120, 150, 1300, 255);
  txtCropPct = box(fraAutoCrop, 1500, 120);
  lblBorderX = tools::label(fraAutoCrop, QStringLiteral("Border X :"), 120, 465, 1300, 255);
  txtBdrX = box(fraAutoCrop, 1500, 435);
  lblBorderY = tools::label(fraAutoCrop, QStringLiteral("Border Y :"), 120, 780, 1300, 255);
  txtBdrY = box(fraAutoCrop, 1500, 750);
  optCropCurr = option(QStringLiteral("Crop Current Selection"), 1620);
  optCropBorder = option(QStringLiteral("Crop Border"), 1980);
  fraCropBorder = tools::frame(fraProp, 360, 2280, 3000, 780);
  lblBdrCropPct = tools::label(fraCropBorder, QStringLiteral("Crop % :"), 120, 150, 1300, 255);
  txtCPCropPct = box(fraCropBorder, 1500, 120);
  lblBdrCropType = tools::label(fraCropBorder, QStringLiteral("Type :"), 120, 465, 1300, 255);
  cmbCPType = tools::dropDown(fraCropBorder, {QStringLiteral("0 - Background"), QStringLiteral("1 - Foreground"),
                                              QStringLiteral("2 - Black"), QStringLiteral("3 - White")},
                              1500, 435, 1400);
  optResize = option(QStringLiteral("Resize"), 3150);
  fraResize = tools::frame(fraProp, 360, 3450, 3000, 1020);
  lblWidth = tools::label(fraResize, QStringLiteral("Width :"), 120, 150, 1300, 255);
  txtWidth = box(fraResize, 1500, 120);
  lblHeight = tools::label(fraResize, QStringLiteral("Height :"), 120, 465, 1300, 255);
  txtHeight = box(fraResize, 1500, 435);
  chkKeepRatio = new QCheckBox(QStringLiteral("   Keep  Aspect Ratio"), fraResize);
  tools::place(chkKeepRatio, 120, 750, 2700, 255);
  chkKeepRatio->setChecked(true);
  const std::pair<tools::TextBox*, SizeBox> boxes[] = {{txtCropPct, SizeBox::CropPct},   {txtBdrX, SizeBox::BorderX},
                                                      {txtBdrY, SizeBox::BorderY},      {txtCPCropPct, SizeBox::BorderCropPct},
                                                      {txtWidth, SizeBox::Width},       {txtHeight, SizeBox::Height}};
  for (auto [b, kind] : boxes) {
    const SizeBox k = kind;
    tools::TextBox* t = b;
    t->Validate = [this, t, k] { return leaveBox(t, k); };
    connect(t, &QLineEdit::textChanged, this, [this, k] { changeRule(k); });
  }
  cmdDefaults = tools::button(this, QStringLiteral("&Defaults"), 60, 4650, 1100, 390);
  cmdApply = tools::button(this, QStringLiteral("&Apply"), 1440, 4650, 1020, 390);
  cmdCancel = tools::button(this, QStringLiteral("&Cancel"), 2580, 4650, 1020, 390);
  rt::setCancel(cmdCancel);
  connect(cmdDefaults, &QPushButton::clicked, this, [this] {
    if (!tools::anyBoxHolds(this)) cmdDefaults_Click();
  });
  connect(cmdApply, &QPushButton::clicked, this, [this] {
    if (!tools::anyBoxHolds(this)) cmdApply_Click();
  });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  resize(rt::Screen::ToPixelsX(3780), rt::Screen::ToPixelsY(5160));
}

void frmImgSizeForm::write(tools::TextBox* b, SizeBox kind, const QString& text) {
  // Every write runs the box's change rule, also when the text stays the same.
  if (b->text() == text) changeRule(kind);
  else b->setText(text);
}

void frmImgSizeForm::writeDefaults() {
  img::ImagingControl* page = tools::pageView();
  write(txtCropPct, SizeBox::CropPct, QStringLiteral("10"));
  write(txtBdrX, SizeBox::BorderX, QStringLiteral("10"));
  write(txtBdrY, SizeBox::BorderY, QStringLiteral("10"));
  write(txtCPCropPct, SizeBox::BorderCropPct, QStringLiteral("90"));
  cmbCPType->setCurrentIndex(3);
  write(txtWidth, SizeBox::Width, rt::CStr(page ? page->ImageWidth() : 0));
  write(txtHeight, SizeBox::Height, rt::CStr(page ? page->ImageHeight() : 0));
}

void frmImgSizeForm::fnSetUp() {
  img::ImagingControl* page = tools::pageView();
  // The ratio the kept sides follow is the page's as the dialog opens; Defaults does not take it again.
  dblAspectRatio = page ? static_cast<double>(page->ImageWidth()) / page->ImageHeight() : 0;
  writeDefaults();
  if (!page || page->SelectionWidth() == 0) optCropCurr->setEnabled(false);
  if (modVars::gstrImgOperation == QLatin1String("CROP")) optAutoCrop->setChecked(true);
  else optResize->setChecked(true);
}

void frmImgSizeForm::opt_Click(QRadioButton* o) {
  const bool resize = o == optResize, autoCrop = o == optAutoCrop, border = o == optCropBorder;
  for (QWidget* w : {static_cast<QWidget*>(txtWidth), static_cast<QWidget*>(txtHeight), static_cast<QWidget*>(chkKeepRatio)})
    w->setEnabled(resize);
  for (QWidget* w : {txtCropPct, txtBdrX, txtBdrY}) w->setEnabled(autoCrop);
  txtCPCropPct->setEnabled(border);
  cmbCPType->setEnabled(border);
  tools::TextBox* focus = resize ? txtWidth : autoCrop ? txtCropPct : border ? txtCPCropPct : nullptr;
  if (focus) {
    focus->setFocus();
    focus->SelectAll();
  }
}

void frmImgSizeForm::changeRule(SizeBox kind) {
  bool on = false;
  switch (kind) {
    case SizeBox::Width:
    case SizeBox::Height: on = tools::resizeApplyEnabled(txtWidth->text(), txtHeight->text()); break;
    case SizeBox::CropPct:
    case SizeBox::BorderX:
    case SizeBox::BorderY: on = tools::autoCropApplyEnabled(txtCropPct->text(), txtBdrX->text(), txtBdrY->text()); break;
    case SizeBox::BorderCropPct: on = tools::borderCropApplyEnabled(txtCPCropPct->text()); break;
  }
  cmdApply->setEnabled(on);
}

bool frmImgSizeForm::leaveBox(tools::TextBox* b, SizeBox kind) {
  const QString t = b->text().trimmed();
  if (t.isEmpty()) return true;
  b->setText(t);
  img::ImagingControl* page = tools::pageView();
  QString message = tools::sizeLeaveMessage(kind, t, page ? page->ImageWidth() : 0, page ? page->ImageHeight() : 0);
  const bool sizeBox = kind == SizeBox::Width || kind == SizeBox::Height;
  int32_t other = 0;
  if (message.isEmpty() && sizeBox && chkKeepRatio->isChecked()) {
    // A kept ratio that would give the other side beyond the 16-bit range is refused like the
    // value itself.
    if (!tools::keptRatioSide(kind, t, dblAspectRatio, &other))
      message = tools::sizeLeaveMessage(kind, QStringLiteral("0"), 0, 0);
  }
  if (!message.isEmpty()) {
    rt::ShowError(message);
    return false;
  }
  if (sizeBox && chkKeepRatio->isChecked()) {
    if (kind == SizeBox::Width) write(txtHeight, SizeBox::Height, rt::CStr(other));
    else write(txtWidth, SizeBox::Width, rt::CStr(other));
  }
  return true;
}

void frmImgSizeForm::cmdDefaults_Click() { writeDefaults(); }

void frmImgSizeForm::cmdApply_Click() {
  img::ImagingControl* page = tools::pageView();
  if (!page) return;
  const int32_t width = tools::wholeValue(txtWidth->text()), height = tools::wholeValue(txtHeight->text());
  if (optResize->isChecked()) {
    QString question;
    if (width > page->ImageWidth()) question = QStringLiteral("Large values for width may require a long time to process.");
    else if (height > page->ImageHeight()) question = QStringLiteral("Large values for height may require a long time to process.");
    if (!question.isEmpty() &&
        rt::Confirm(question + QStringLiteral("\rDo you want to continue?")) == rt::vbNo)
      return;
  }
  std::function<img::Bitmap(const img::Bitmap&)> make;
  if (optAutoCrop->isChecked()) {
    const float fraction = static_cast<float>(rt::Val(txtCropPct->text()) / 100.0);
    const int32_t bx = tools::wholeValue(txtBdrX->text()), by = tools::wholeValue(txtBdrY->text());
    make = [=](const img::Bitmap& b) { return img::autoCrop(b, fraction, bx, by); };
  } else if (optCropCurr->isChecked()) {
    const int32_t l = page->SelectionLeft(), t = page->SelectionTop(), w = page->SelectionWidth(), h = page->SelectionHeight();
    tools::clearPageSelection();
    make = [=](const img::Bitmap& b) { return img::cropToRect(b, l, t, w, h); };
  } else if (optCropBorder->isChecked()) {
    const float fraction = static_cast<float>(rt::Val(txtCPCropPct->text()) / 100.0);
    const int16_t type = static_cast<int16_t>(rt::Val(cmbCPType->currentText().left(1)));
    make = [=](const img::Bitmap& b) { return img::borderCrop(b, fraction, type); };
  } else if (optResize->isChecked()) {
    make = [=](const img::Bitmap& b) { return img::resizeImage(b, width, height); };
  }
  // A failed operation was shown and leaves the page, the flags and the dialog as they were.
  if (make && !img::makeOnControl(page, make)) return;
  ws::document().markModified();
  Unload();
}

void frmImgSizeForm::cmdCancel_Click() { Unload(); }
