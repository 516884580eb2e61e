#include "imagetools/frm_img_proc.h"

#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "imagetools/preview_runner.h"
#include "imagetools/tool_controls.h"
#include "runtime/conversions.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "runtime/twips.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>

rt::DefaultInstance<frmImgProcForm> frmImgProc;

using modVars::gstrImgOperation;

frmImgProcForm::frmImgProcForm() {
  setObjectName(QStringLiteral("frmImgProc"));
  setWindowFlag(Qt::Dialog);
  setCaption(QStringLiteral("Form1"));
  const tools::EffectLayout designed = tools::effectLayout(nullptr);
  buildBeforeAfter(30, tools::kInputsFrameTop, 3840, designed.frameHeight);
  for (int i = 0; i < 3; ++i) {
    fraSel[i] = tools::frame(fraBA, 60, tools::kSliderFrameTops[i], 3720, tools::kSliderFrameHeight);
    fraSel[i]->setObjectName(QStringLiteral("fraSel%1").arg(i + 1));
    lblAttrib[i] = tools::label(fraSel[i], QStringLiteral("Attrib"), 165, 165, 3360, 210);
    sldSel[i] = tools::slider(fraSel[i], 45, 390, 3120, 375);
    sldSel[i]->setObjectName(QStringLiteral("sldSel%1").arg(i + 1));
    lblValue[i] = tools::label(fraSel[i], QStringLiteral("Value"), i == 0 ? 3210 : 3225, 450, 480, 210);
    connect(sldSel[i], &QSlider::valueChanged, this, [this, i] { sldSel_Change(i); });
  }
  fraDirect = tools::frame(fraBA, 60, tools::kSliderFrameTops[0], 3720, tools::kSliderFrameHeight);
  fraDirect->hide();
  lblDirect = tools::label(fraDirect, QString(), 165, 345, 2205, 210);
  cmdDirect = tools::button(fraDirect, QStringLiteral("Preview"), 2445, 285, 1095, 390);
  connect(cmdDirect, &QPushButton::clicked, this, [this] { cmdDirect_Click(); });
  fraText = tools::frame(fraBA, 60, tools::kSliderFrameTops[0], 3720, tools::kSliderFrameHeight);
  fraText->hide();
  lblText = tools::label(fraText, QStringLiteral("Gamma"), 165, 165, 3360, 210);
  txtText = new tools::TextBox(fraText);
  tools::place(txtText, 150, 420, 1845, 285);
  txtText->Validate = [this] { return txtText_Validate(); };
  connect(txtText, &QLineEdit::textChanged, this, [this] { txtText_Change(); });
  cmdText = tools::button(fraText, QStringLiteral("Preview"), 2445, 285, 1095, 390);
  cmdText->setEnabled(false);
  connect(cmdText, &QPushButton::clicked, this, [this] { cmdText_Click(); });
  cmdApply = tools::button(this, QStringLiteral("&Apply"), 1635, designed.buttonTop, 1020, 390);
  cmdCancel = tools::button(this, QStringLiteral("&Cancel"), 2715, designed.buttonTop, 1020, 390);
  cmdApply->setDefault(true);
  rt::setCancel(cmdCancel);
  connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  resize(rt::Screen::ToPixelsX(3960), rt::Screen::ToPixelsY(designed.formHeight - 400));
  preview = new tools::RowsFirstPreview(ixBefore, ixAfter, this);
  // Rows not made yet must not come into view: a scroll of the after viewer or a zoom makes them.
  connect(ixAfter, &img::ImagingControl::Scroll, preview, &tools::RowsFirstPreview::finish);
  for (QAction* a : tlbBefore->actions()) connect(a, &QAction::triggered, preview, &tools::RowsFirstPreview::finish);
}

void frmImgProcForm::fnSetUp() {
  tools::loadViewers(ixBefore, ixAfter);
  const tools::Effect* e = tools::findEffect(gstrImgOperation);
  if (!e) return;  // the designed form: nothing to preview, Apply only sets the flags
  setCaption(e->caption);

  const tools::EffectLayout layout = tools::effectLayout(e);
  const int used = e->kind == tools::EffectKind::Sliders ? static_cast<int>(e->sliders.size()) : 0;
  for (int i = used; i < 3; ++i) fraSel[i]->hide();
  if (e->kind == tools::EffectKind::Direct) fraDirect->show();
  if (e->kind == tools::EffectKind::Gamma) {
    fraText->show();
    cmdApply->setEnabled(false);
  }
  tools::place(fraBA, tw::Left(fraBA), tw::Top(fraBA), tw::Width(fraBA), layout.frameHeight);
  for (QPushButton* b : {cmdApply, cmdCancel}) tools::place(b, tw::Left(b), layout.buttonTop, tw::Width(b), 390);
  setHeight(layout.formHeight);

  if (e->kind == tools::EffectKind::Sliders) {
    settingUp_ = true;
    changedInSetUp_ = false;
    for (int i = 0; i < used; ++i) {
      const tools::SliderInput& in = e->sliders[static_cast<std::size_t>(i)];
      sldSel[i]->setMinimum(in.min);
      sldSel[i]->setMaximum(in.max);
      sldSel[i]->setValue(std::clamp(in.start, in.min, in.max));
    }
    for (int i = 0; i < used; ++i) lblAttrib[i]->setText(e->sliders[static_cast<std::size_t>(i)].label);
    for (int i = 0; i < used; ++i) lblValue[i]->setText(QString::number(sldSel[i]->value()));
    for (int i = 0; i < used; ++i)
      if (!e->sliders[static_cast<std::size_t>(i)].toolTip.isEmpty()) sldSel[i]->setToolTip(e->sliders[static_cast<std::size_t>(i)].toolTip);
    settingUp_ = false;
    // A start value that moved a slider previews once, with every start value in place.
    if (changedInSetUp_) runPreview();
  } else if (e->kind == tools::EffectKind::Direct) {
    lblDirect->setText(e->directLabel);
  } else {
    txtText->setMaxLength(20);
    txtText->setText(rt::CStr(static_cast<double>(img::effect_defaults::GammaLevel)));
    lblText->setText(QStringLiteral("Gamma"));
    txtText->setText(txtText->text().trimmed());
    txtText->setFocus();
    txtText->SelectAll();
  }
}

tools::EffectValues frmImgProcForm::values() const {
  tools::EffectValues v;
  for (int i = 0; i < 3; ++i) v.s[i] = static_cast<int16_t>(sldSel[i]->value());
  v.gamma = static_cast<float>(rt::Val(txtText->text().trimmed()));
  return v;
}

void frmImgProcForm::runPreview() {
  const tools::Effect* e = tools::findEffect(gstrImgOperation);
  if (!e) return;
  const tools::EffectValues v = values();
  tools::PreviewRows rows;
  if (e->rows) rows = [v, by = e->rows](const img::Bitmap& s, img::Bitmap& d, const QRect& area) { return by(s, d, area, v); };
  preview->run([&](img::Bitmap& b) { e->run(b, v); }, std::move(rows), e->madeDepth);
}

void frmImgProcForm::sldSel_Change(int index) {
  const tools::Effect* e = tools::findEffect(gstrImgOperation);
  if (!e || e->kind != tools::EffectKind::Sliders || index >= static_cast<int>(e->sliders.size())) return;
  lblValue[index]->setText(QString::number(sldSel[index]->value()));
  if (settingUp_) {
    changedInSetUp_ = true;
    return;
  }
  runPreview();
}

void frmImgProcForm::cmdDirect_Click() {
  runPreview();
  cmdDirect->setEnabled(false);
}

void frmImgProcForm::cmdText_Click() {
  if (tools::anyBoxHolds(this)) return;
  runPreview();
}

void frmImgProcForm::txtText_Change() {
  const bool on = tools::gammaTextEnables(txtText->text());
  cmdText->setEnabled(on);
  cmdApply->setEnabled(on);
}

bool frmImgProcForm::txtText_Validate() {
  const QString t = txtText->text().trimmed();
  if (t.isEmpty()) return true;
  txtText->setText(t);
  if (gstrImgOperation != QLatin1String("GAMMA")) return true;
  const QString message = tools::gammaLeaveMessage(t);
  if (message.isEmpty()) return true;
  rt::ShowError(message);
  return false;
}

void frmImgProcForm::cmdApply_Click() {
  if (tools::anyBoxHolds(this)) return;
  const tools::Effect* e = tools::findEffect(gstrImgOperation);
  if (e) {
    const tools::EffectValues v = values();
    // The page itself takes the effect: rows of the preview still to make would only be drawn
    // into the viewers' pictures once they are loaded again.
    preview->drop();
    if (!applyToPage([&](img::Bitmap& b) { e->run(b, v); })) return;
  }
  ws::document().markModified();
  Unload();
}

void frmImgProcForm::cmdCancel_Click() { Unload(); }
