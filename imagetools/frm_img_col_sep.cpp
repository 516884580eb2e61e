#include "imagetools/frm_img_col_sep.h"

#include "controls/imaging/image_ops.h"
#include "controls/imaging/imaging_control.h"
#include "imagetools/preview_zoom.h"
#include "imagetools/tool_controls.h"
#include "runtime/busy_work.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <vector>

rt::DefaultInstance<frmImgColSepForm> frmImgColSep;

namespace {
constexpr double kViewer = 1800;
const char* const kCaptions[4][4] = {{"RED", "GREEN", "BLUE", "Not Applicable"},
                                     {"HUE", "SATURATION", "LUMINANCE", "Not Applicable"},
                                     {"CYAN", "MAGENTA", "YELLOW", "Not Applicable"},
                                     {"CYAN", "MAGENTA", "YELLOW", "BLACK"}};
}  // namespace

frmImgColSepForm::frmImgColSepForm() {
  setObjectName(QStringLiteral("frmImgColSep"));
  setWindowFlag(Qt::Dialog);
  setCaption(QStringLiteral("   Colour Separation"));
  lblSepType = tools::label(this, QStringLiteral("Separation Type :"), 120, 180, 1800, 255);
  cmbSepType = tools::dropDown(this, {QStringLiteral("0 - RGB"), QStringLiteral("1 - HSL"), QStringLiteral("2 - CMY"),
                                      QStringLiteral("3 - CMYK")},
                               1950, 135, 1800);
  lblOrig = tools::label(this, QStringLiteral("Original"), 120, 600, 1500, 255);
  fraOrig = tools::frame(this, 120, 840, kViewer + 90, kViewer + 180);
  ixOrig = new img::ImagingControl(fraOrig);
  ixOrig->setName(QStringLiteral("ixOrig"));
  tw::place(ixOrig, 45, 120, kViewer, kViewer);
  for (int i = 0; i < 4; ++i) {
    const double left = 120 + (i + 1) * (kViewer + 180);
    lblC[i] = tools::label(this, QStringLiteral("Channel %1").arg(i + 1), left, 600, kViewer, 255);
    fraC[i] = tools::frame(this, left, 840, kViewer + 90, kViewer + 180);
    ixC[i] = new img::ImagingControl(fraC[i]);
    ixC[i]->setName(QStringLiteral("ixC%1").arg(i + 1));
    tw::place(ixC[i], 45, 120, kViewer, kViewer);
    connect(ixC[i], &img::ImagingControl::Click, this, [this, i] { ixC_Click(i); });
  }
  tlbBefore = tools::makeZoomToolbar(this, ixOrig, {ixC[0], ixC[1], ixC[2], ixC[3]});
  tools::place(tlbBefore, 120, 2880, 1350, 330);
  const double right = 120 + 5 * (kViewer + 180);
  cmdSelect = tools::button(this, QStringLiteral("&Select"), right - 2160, 2940, 1020, 390);
  cmdSelect->setEnabled(false);
  cmdCancel = tools::button(this, QStringLiteral("&Cancel"), right - 1080, 2940, 1020, 390);
  rt::setCancel(cmdCancel);
  connect(cmbSepType, &QComboBox::currentTextChanged, this, [this] { cmbSepType_Click(); });
  connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  resize(rt::Screen::ToPixelsX(right + 120), rt::Screen::ToPixelsY(3500));
}

void frmImgColSepForm::fnSetUp() { tools::loadViewers(ixOrig, nullptr); }

void frmImgColSepForm::cmbSepType_Click() {
  const QString t = cmbSepType->currentText();
  if (t.isEmpty() || t[0] < QLatin1Char('0') || t[0] > QLatin1Char('3')) return;
  const int model = t[0].digitValue();
  std::vector<img::Bitmap> channels;
  if (!rt::RunBusy(static_cast<int64_t>(ixOrig->ImageWidth()) * ixOrig->ImageHeight(),
                   [&] { channels = img::separateColours(ixOrig->bitmap(), model); }))
    return;
  const int filled = model == 3 ? 4 : 3;
  for (int i = 0; i < filled && i < static_cast<int>(channels.size()); ++i) {
    // Each viewer keeps its channel; nothing else holds on to the separation.
    ixC[i]->replaceBitmap(std::move(channels[static_cast<std::size_t>(i)]));
    ixC[i]->setViewOffsetX(ixOrig->ViewOffsetX());
    ixC[i]->setViewOffsetY(ixOrig->ViewOffsetY());
    lblC[i]->setText(QLatin1String(kCaptions[model][i]));
  }
  if (model != 3) {
    ixC[3]->setImageHandle(nullptr);
    lblC[3]->setText(QStringLiteral("Not Applicable"));
  }
  updateSelect();
}

void frmImgColSepForm::ixC_Click(int index) {
  for (int i = 0; i < 4; ++i) ixC[i]->setHighlightBorder(i == index ? 3 : 0);
  updateSelect();
}

img::ImagingControl* frmImgColSepForm::highlighted() const {
  for (img::ImagingControl* ix : ixC)
    if (ix->HighlightBorder() == 3) return ix;
  return nullptr;
}

void frmImgColSepForm::updateSelect() {
  const img::ImagingControl* ix = highlighted();
  cmdSelect->setEnabled(ix && ix->hasImage());
}

void frmImgColSepForm::cmdSelect_Click() {
  const img::ImagingControl* ix = highlighted();
  if (ix && ix->hasImage()) {
    if (img::ImagingControl* page = tools::pageView()) {
      // The page now shows the channel: the document has changed.
      ws::document().markModified();
      page->setImageHandle(ix->ImageHandleCopy());
    }
  }
  Unload();
}

void frmImgColSepForm::cmdCancel_Click() { Unload(); }
