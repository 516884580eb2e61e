#include "workspace/settings/frm_img_prop.h"

#include "controls/imaging/imaging_control.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"
#include "workspace/settings/dialog_parts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmImgPropForm> frmImgProp;

using namespace modVars;

namespace imgProp {

QString unitName(int16_t unit) {
  switch (unit) {
    case 0: return QStringLiteral("No absolute unit");
    case 1: return QStringLiteral("None");
    case 2: return QStringLiteral("Inches");
    case 3: return QStringLiteral("Centimeters");
    default: return QString();
  }
}

QString resolutionText(double value) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', 15);
}

}  // namespace imgProp

frmImgPropForm::frmImgPropForm() {
  setObjectName(QStringLiteral("frmImgProp"));
  setCaption(QStringLiteral("   Properties"));
  auto* root = new QVBoxLayout(this);
  auto* fraGeneral = new QGroupBox(this);
  fraGeneral->setObjectName(QStringLiteral("fraGeneral"));
  auto* grid = new QGridLayout(fraGeneral);
  grid->setColumnMinimumWidth(1, 260);
  struct Row {
    QLabel** caption;
    const char* text;
    QLabel** value;
    const char* name;
  };
  const Row rows[] = {
      {&lbl1, "File Name :", &lblFileName, "lblFileName"},  {&lbl2, "File Format :", &lblFileFormat, "lblFileFormat"},
      {&lbl3, "File Size :", &lblFileSize, "lblFileSize"},  {&lbl4, "No. of Pages :", &lblNumPages, "lblNumPages"},
      {&lbl5, "Image Width :", &lblImgWidth, "lblImgWidth"}, {&lbl6, "Image Height :", &lblImgHeight, "lblImgHeight"},
      {&lbl7, "Bits Per Pixel :", &lblBPP, "lblBPP"},       {&lbl8, "Resolution Unit :", &lblResUnit, "lblResUnit"},
      {&lbl9, "X Resolution :", &lblXRes, "lblXRes"},       {&lbl10, "Y Resoluion :", &lblYRes, "lblYRes"},
  };
  int r = 0;
  for (const Row& row : rows) {
    *row.caption = new QLabel(QString::fromLatin1(row.text), fraGeneral);
    *row.value = new QLabel(fraGeneral);
    (*row.value)->setObjectName(QString::fromLatin1(row.name));
    (*row.value)->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(*row.caption, r, 0);
    grid->addWidget(*row.value, r, 1);
    ++r;
  }
  root->addWidget(fraGeneral);
  cmdOK = settingsDialog::button(this, "cmdOK", QStringLiteral("&OK"));
  cmdOK->setDefault(true);
  rt::setCancel(cmdOK);
  settingsDialog::addButtonRow(root, {cmdOK});
  ixProp = new img::ImagingControl(this);
  ixProp->setName(QStringLiteral("ixProp"));
  ixProp->setVisible(false);
  connect(cmdOK, &QPushButton::clicked, this, [this] { Unload(); });
  settingsDialog::fnCentreOnScreen(*this);
}

void frmImgPropForm::Form_Activate() { fnShowProperties(); }

void frmImgPropForm::fnShowProperties() {
  int32_t width = 0, height = 0, size = 0;
  int16_t bpp = 0, format = 0, unit = 0;
  double xRes = 0, yRes = 0;
  QString pages;
  const ws::DocumentState& doc = ws::document().state();
  if (!doc.path.isEmpty()) {
    const int32_t n = ixProp->FilePageCount(doc.path);
    pages = QString::number(n == 0 ? 1 : n);
    ixProp->GetFileInfo(doc.path, doc.popupPage, width, height, bpp, format, size, unit, xRes, yRes);
    lblFileName->setText(doc.path);
    lblFileFormat->setText(fnGetFormatDesc(format));
    lblFileSize->setText(QString::number(size) + QStringLiteral(" bytes"));
  } else {
    ixProp->setImageHandle(frmImgClnt->ixMain->ImageHandleCopy());
    width = ixProp->ImageWidth();
    height = ixProp->ImageHeight();
    bpp = ixProp->ImageBitsPerPixel();
    unit = ixProp->ResolutionUnit();
    xRes = ixProp->ResolutionX();
    yRes = ixProp->ResolutionY();
    pages = QStringLiteral("1");
    lblFileName->setText(QStringLiteral("Untitled"));
    lblFileFormat->setText(fnGetFormatDesc(doc.format));
    lblFileSize->setText(QStringLiteral("Unknown"));
  }
  lblNumPages->setText(pages);
  lblImgWidth->setText(QString::number(width) + QStringLiteral(" pixels"));
  lblImgHeight->setText(QString::number(height) + QStringLiteral(" pixels"));
  lblBPP->setText(QString::number(bpp));
  lblResUnit->setText(imgProp::unitName(unit));
  lblXRes->setText(imgProp::resolutionText(xRes));
  lblYRes->setText(imgProp::resolutionText(yRes));
}
