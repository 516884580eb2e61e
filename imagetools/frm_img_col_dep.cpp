#include "imagetools/frm_img_col_dep.h"

#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "imagetools/tool_controls.h"
#include "runtime/conversions.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

rt::DefaultInstance<frmImgColDepForm> frmImgColDep;

frmImgColDepForm::frmImgColDepForm() {
  setObjectName(QStringLiteral("frmImgColDep"));
  setWindowFlag(Qt::Dialog);
  setCaption(QStringLiteral("   Colour Depth"));
  buildBeforeAfter(60, 0, 3840, 2300);
  fraSel = tools::frame(this, 60, 2350, 3840, 1500);
  lblBitsPixel = tools::label(fraSel, QStringLiteral("Bits Per Pixel :"), 165, 240, 1400, 255);
  cmbBitsPixel = tools::dropDown(fraSel, {QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("24")},
                                 1600, 200, 2100);
  lblPalette = tools::label(fraSel, QStringLiteral("Palette :"), 165, 660, 1400, 255);
  cmbPalette = tools::dropDown(fraSel,
                               {QStringLiteral("0 - Optimized"), QStringLiteral("1 - Fixed"), QStringLiteral("2 - Gray Scale"),
                                QStringLiteral("3 - Palette File"), QStringLiteral("4 - User Defined"),
                                QStringLiteral("5 - Optimized With Dither"), QStringLiteral("6 - Gray Scale With Dither"),
                                QStringLiteral("7 - Palette File With Dither")},
                               1600, 620, 2100);
  lblDither = tools::label(fraSel, QStringLiteral("Dither :"), 165, 1080, 1400, 255);
  cmbDither = tools::dropDown(fraSel, {QStringLiteral("0 - None"), QStringLiteral("1 - Floyd-Steinberg"),
                                       QStringLiteral("2 - Ordered"), QStringLiteral("3 - Orvanta")},
                              1600, 1040, 2100);
  for (QComboBox* c : {cmbBitsPixel, cmbPalette, cmbDither}) {
    connect(c, &QComboBox::currentTextChanged, this, [this] { fnPreview(); });
  }
  cmdApply = tools::button(this, QStringLiteral("&Apply"), 1800, 3950, 1020, 390);
  cmdCancel = tools::button(this, QStringLiteral("&Cancel"), 2880, 3950, 1020, 390);
  cmdApply->setDefault(true);
  rt::setCancel(cmdCancel);
  connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  resize(rt::Screen::ToPixelsX(4020), rt::Screen::ToPixelsY(4460));
}

void frmImgColDepForm::fnSetUp() {
  tools::loadViewers(ixBefore, ixAfter);
  const img::DepthSettings s = img::depthSettings(ixBefore->bitmap());
  const int values[3] = {s.bitsPerPixel, s.paletteType, s.ditherType};
  QComboBox* lists[3] = {cmbBitsPixel, cmbPalette, cmbDither};
  cmdApply->setEnabled(false);
  for (int k = 0; k < 3; ++k) {
    const QString text = rt::CStr(static_cast<int16_t>(values[k]));
    for (int i = 0; i < lists[k]->count(); ++i)
      if (lists[k]->itemText(i).left(static_cast<int>(text.size())) == text) {
        lists[k]->setCurrentIndex(i);
        break;
      }
  }
  cmdApply->setEnabled(allChosen());
}

int16_t frmImgColDepForm::listValue(const QComboBox* c) { return static_cast<int16_t>(rt::Val(c->currentText().left(2))); }

bool frmImgColDepForm::allChosen() const {
  return !cmbBitsPixel->currentText().isEmpty() && !cmbPalette->currentText().isEmpty() && !cmbDither->currentText().isEmpty();
}

void frmImgColDepForm::fnPreview() {
  // Apply needs all three values: it is enabled exactly when each list has its item.
  cmdApply->setEnabled(allChosen());
  if (!allChosen()) return;
  const int bpp = listValue(cmbBitsPixel), palette = listValue(cmbPalette), dither = listValue(cmbDither);
  tools::previewInto(ixBefore, ixAfter, [&](img::Bitmap& b) { img::changeColorDepth(b, bpp, palette, dither); });
}

void frmImgColDepForm::cmdApply_Click() {
  if (!allChosen()) return;
  const int bpp = listValue(cmbBitsPixel), palette = listValue(cmbPalette), dither = listValue(cmbDither);
  if (!applyToPage([&](img::Bitmap& b) { img::changeColorDepth(b, bpp, palette, dither); })) return;
  ws::document().markModified();
  Unload();
}

void frmImgColDepForm::cmdCancel_Click() { Unload(); }
