#include "workspace/settings/frm_img_sv_settings.h"

#include "controls/imaging/imaging_control.h"
#include "runtime/message_boxes.h"
#include "runtime/errors.h"
#include "runtime/fso.h"
#include "workspace/mod_vars.h"
#include "workspace/document/document_session.h"
#include "workspace/save_plan.h"
#include "workspace/settings/dialog_parts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

rt::DefaultInstance<frmImgSvSettingsForm> frmImgSvSettings;

using namespace modVars;
using svSettings::Frame;

namespace {

QString gRole;

QString lines(std::initializer_list<const char*> parts) {
  QStringList l;
  for (const char* p : parts) l << QString::fromLatin1(p);
  return l.join(QLatin1Char('\r'));
}

int ask(const QString& text) { return rt::Confirm(text, rt::vbYesNo); }

QComboBox* dropDown(QWidget* parent, const char* name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setEditable(false);
  return c;
}

// The leading number of the chosen item; -1 when nothing is chosen.
int chosenNumber(const QComboBox* c) { return c->currentIndex() < 0 ? -1 : svSettings::itemNumber(c->currentText()); }
// 1 for "TRUE", 0 for "FALSE", -1 for no choice.
int chosenBool(const QComboBox* c) {
  return c->currentIndex() < 0 ? -1 : (c->currentText() == QLatin1String("TRUE") ? 1 : 0);
}

}  // namespace

void frmImgSvSettingsForm::setRole(const QString& role) { gRole = role; }

frmImgSvSettingsForm::frmImgSvSettingsForm() {
  setObjectName(QStringLiteral("frmImgSvSettings"));
  setCaption(QStringLiteral("   Convert"));
  buildControls();
}

void frmImgSvSettingsForm::buildControls() {
  auto* root = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  lblFormat = new QLabel(QStringLiteral("Image Format :"), this);
  cmbFormat = dropDown(this, "cmbFormat");
  cmbFormat->setMinimumWidth(330);
  top->addWidget(lblFormat);
  top->addWidget(cmbFormat, 1);
  root->addLayout(top);

  auto* fraPara = new QFrame(this);
  fraPara->setObjectName(QStringLiteral("fraPara"));
  fraPara->setFrameShape(QFrame::StyledPanel);
  auto* columns = new QGridLayout(fraPara);
  root->addWidget(fraPara);

  // One parameter frame: a caption and rows of label and control.
  auto frame = [&](const char* name, const char* caption, int row, int column, int rowSpan = 1) {
    auto* f = new QGroupBox(QString::fromLatin1(caption), fraPara);
    f->setObjectName(QString::fromLatin1(name));
    new QGridLayout(f);
    columns->addWidget(f, row, column, rowSpan, 1);
    return f;
  };
  auto row = [](QGroupBox* f, QLabel*& label, const char* caption, QWidget* control) {
    auto* g = static_cast<QGridLayout*>(f->layout());
    label = new QLabel(QString::fromLatin1(caption), f);
    const int r = g->rowCount();
    g->addWidget(label, r, 0);
    control->setParent(f);
    g->addWidget(control, r, 1);
  };
  auto slider = [](const char* name) {
    auto* s = new QSlider(Qt::Horizontal);
    s->setObjectName(QString::fromLatin1(name));
    s->setRange(0, 255);
    s->setSingleStep(1);
    s->setPageStep(5);
    s->setValue(0);
    return s;
  };

  fraJPG = frame("fraJPG", "JPG Parameters", 0, 0, 2);
  row(fraJPG, lblChrom, "Chrom :", sldChrom = slider("sldChrom"));
  row(fraJPG, lblLuminance, "Luminance :", sldLuminance = slider("sldLuminance"));
  row(fraJPG, lblGrayScale, "Gray Scale :", cmbGrayScale = dropDown(nullptr, "cmbGrayScale"));
  row(fraJPG, lblProgressive, "Progressive :", cmbProgressive = dropDown(nullptr, "cmbProgressive"));
  row(fraJPG, lblSubSampling, "Sub-Sampling :", cmbSubSampling = dropDown(nullptr, "cmbSubSampling"));
  fraPBM = frame("fraPBM", "PBM Parameters", 2, 0);
  row(fraPBM, lblPBMType, "Type :", cmbPBMType = dropDown(nullptr, "cmbPBMType"));
  fraPGM = frame("fraPGM", "PGM Parameters", 3, 0);
  row(fraPGM, lblPGMType, "Type :", cmbPGMType = dropDown(nullptr, "cmbPGMType"));
  fraPNG = frame("fraPNG", "PNG Parameters", 0, 1);
  row(fraPNG, lblInterlace, "Interlace :", cmbInterlace = dropDown(nullptr, "cmbInterlace"));
  fraPPM = frame("fraPPM", "PPM Parameters", 1, 1);
  row(fraPPM, lblPPMType, "Type :", cmbPPMType = dropDown(nullptr, "cmbPPMType"));
  fraTIF = frame("fraTIF", "TIF Parameters", 2, 1, 2);
  row(fraTIF, lblByteOrder, "Byte Order :", cmbByteOrder = dropDown(nullptr, "cmbByteOrder"));
  row(fraTIF, lblCompression, "Compression :", cmbCompression = dropDown(nullptr, "cmbCompression"));

  auto* bottom = new QHBoxLayout;
  chkExt = new QCheckBox(QStringLiteral("   Change Extension"), this);
  chkExt->setObjectName(QStringLiteral("chkExt"));
  cmdConvert = settingsDialog::button(this, "cmdConvert", QStringLiteral("Con&vert"));
  cmdCancel = settingsDialog::button(this, "cmdCancel", QStringLiteral("&Cancel"));
  rt::setCancel(cmdCancel);
  bottom->addWidget(chkExt);
  bottom->addStretch(1);
  bottom->addWidget(cmdConvert);
  bottom->addWidget(cmdCancel);
  root->addLayout(bottom);

  connect(cmbFormat, &QComboBox::activated, this, [this] { cmbFormat_Click(); });
  connect(cmbCompression, &QComboBox::activated, this, [this] { cmbCompression_Click(); });
  for (QComboBox* c : {cmbGrayScale, cmbProgressive, cmbSubSampling, cmbInterlace, cmbPPMType, cmbPGMType, cmbPBMType,
                       cmbByteOrder})
    connect(c, &QComboBox::activated, this, [this] { fnCheckSettings(); });
  for (QSlider* s : {sldChrom, sldLuminance}) connect(s, &QSlider::valueChanged, this, [this] { fnCheckSettings(); });
  connect(cmdConvert, &QPushButton::clicked, this, [this] { cmdConvert_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmImgSvSettingsForm::Form_Load() {
  // Asked for the format of a save, the dialog never saves itself: the save follows it.
  convertMode_ = !ws::document().state().path.isEmpty() && gRole != QLatin1String("Specify File Format");
  chkExt->setChecked(convertMode_);
  chkExt->setVisible(convertMode_);
  if (!convertMode_) {
    setCaption(QStringLiteral("Specify File Format"));
    cmdConvert->setText(QStringLiteral("&Done"));
  }
  for (const svSettings::FormatItem& i : svSettings::formatItems(ws::document().pageCount()))
    cmbFormat->addItem(QString::fromLatin1(i.text));
  cmbGrayScale->addItems(svSettings::booleanItems());
  cmbProgressive->addItems(svSettings::booleanItems());
  cmbSubSampling->addItems(svSettings::subSamplingItems());
  cmbPBMType->addItems(svSettings::pnmTypeItems());
  cmbPGMType->addItems(svSettings::pnmTypeItems());
  cmbInterlace->addItems(svSettings::booleanItems());
  cmbPPMType->addItems(svSettings::pnmTypeItems());
  cmbByteOrder->addItems(svSettings::byteOrderItems());
  cmbCompression->addItems(svSettings::compressionItems());
  for (QComboBox* c : findChildren<QComboBox*>()) c->setCurrentIndex(-1);
  for (QGroupBox* f : {fraJPG, fraPNG, fraPPM, fraPGM, fraPBM, fraTIF}) setFrameEnabled(f, false);
  cmdConvert->setEnabled(false);
  settingsDialog::fnCentreOnScreen(*this);
}

QGroupBox* frmImgSvSettingsForm::frameOf(Frame f) const {
  switch (f) {
    case Frame::TIF: return fraTIF;
    case Frame::JPG: return fraJPG;
    case Frame::PNG: return fraPNG;
    case Frame::PPM: return fraPPM;
    case Frame::PGM: return fraPGM;
    case Frame::PBM: return fraPBM;
    case Frame::None: break;
  }
  return nullptr;
}

// A disabled frame does not grey its contents by itself: every control in it is switched, and
// switching off clears its lists and sliders.
void frmImgSvSettingsForm::setFrameEnabled(QGroupBox* frame, bool on) {
  frame->setEnabled(on);
  for (QWidget* c : frame->findChildren<QWidget*>()) {
    c->setEnabled(on);
    if (on) continue;
    if (auto* combo = qobject_cast<QComboBox*>(c)) combo->setCurrentIndex(-1);
    if (auto* s = qobject_cast<QSlider*>(c)) {
      const QSignalBlocker quiet(s);
      s->setValue(0);
    }
  }
}

void frmImgSvSettingsForm::cmbFormat_Click() {
  if (!cmbFormat->currentText().isEmpty()) {
    for (QGroupBox* f : {fraJPG, fraPNG, fraPPM, fraPGM, fraPBM, fraTIF}) setFrameEnabled(f, false);
    if (QGroupBox* f = frameOf(svSettings::frameFor(static_cast<int16_t>(svSettings::itemNumber(cmbFormat->currentText())))))
      setFrameEnabled(f, true);
  }
  fnCheckSettings();
}

// A JPEG-compressed TIFF takes its qualities from the JPG parameters, which come in beside the TIF
// ones for that compression only.
void frmImgSvSettingsForm::cmbCompression_Click() {
  const bool jpeg = chosenNumber(cmbCompression) == svSettings::kTiffJpegItem;
  if (jpeg != fraJPG->isEnabled()) setFrameEnabled(fraJPG, jpeg);
  fnCheckSettings();
}

svSettings::Choices frmImgSvSettingsForm::choices() const {
  svSettings::Choices c;
  c.code = static_cast<int16_t>(chosenNumber(cmbFormat));
  c.byteOrder = chosenNumber(cmbByteOrder);
  c.compression = chosenNumber(cmbCompression);
  c.grayScale = chosenBool(cmbGrayScale);
  c.progressive = chosenBool(cmbProgressive);
  c.subSampling = chosenNumber(cmbSubSampling);
  c.interlace = chosenBool(cmbInterlace);
  c.ppmType = chosenNumber(cmbPPMType);
  c.pgmType = chosenNumber(cmbPGMType);
  c.pbmType = chosenNumber(cmbPBMType);
  c.chrominance = sldChrom->value();
  c.luminance = sldLuminance->value();
  return c;
}

void frmImgSvSettingsForm::fnCheckSettings() { cmdConvert->setEnabled(svSettings::fnCheckSettings(choices())); }

void frmImgSvSettingsForm::cmdConvert_Click() {
  ws::DocumentSession& doc = ws::document();
  ws::DocumentState& state = doc.state();
  const svSettings::Choices c = choices();
  const QString oldPath = state.path;
  const QString newPath =
      convertMode_ && chkExt->isChecked()
          ? svSettings::withExtension(oldPath, svSettings::fnFormatExt(QString::number(c.code)))
          : oldPath;
  if (!convertMode_) {
    // The save that asked for the format follows; it asks about pages a one-page format cannot
    // hold when it writes.
    svSettings::applyOptions(c, state.saveOptions);
    state.format = c.code;
    Unload();
    return;
  }
  if (ask(lines({"This operation will save the file to disk.", "Do you want to continue?"})) == rt::vbNo) return;
  // Another file under the new name is not replaced without the user's word.
  if (newPath != oldPath && rt::fso::FileExists(newPath) &&
      ask(lines({"A file already exists with the selected path and name!", "Overwrite?"})) == rt::vbNo)
    return;
  // Pages a one-page format cannot hold leave the document only once the new file is written.
  const bool firstPageOnly = doc.pageCount() >= 2 && !svSettings::keepsAllPages(c.code);
  if (firstPageOnly && ask(ws::fnDropPagesQuestion()) == rt::vbNo) return;
  svSettings::applyOptions(c, state.saveOptions);
  const bool saved = doc.writeAs(newPath, c.code, firstPageOnly);
  if (saved && state.path != oldPath && chkExt->isChecked() && rt::fso::FileExists(state.path)) {
    // The old file goes only once the new one is complete.
    try {
      rt::fso::DeleteFile(oldPath, false);
    } catch (const rt::RuntimeError& e) {
      rt::ShowError(QStringLiteral("The document was saved as ") + state.path + QStringLiteral(", but ") + oldPath +
                    QStringLiteral(" could not be deleted.") + QLatin1Char('\r') + e.Description());
    }
  }
  Unload();
}

void frmImgSvSettingsForm::cmdCancel_Click() { Unload(); }
