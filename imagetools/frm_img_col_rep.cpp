#include "imagetools/frm_img_col_rep.h"

#include "controls/imaging/imaging_control.h"
#include "controls/imaging/pixel_ops.h"
#include "imagetools/tool_controls.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

rt::DefaultInstance<frmImgColRepForm> frmImgColRep;

frmImgColRepForm::frmImgColRepForm() {
  setObjectName(QStringLiteral("frmImgColRep"));
  setWindowFlag(Qt::Dialog);
  setCaption(QStringLiteral("   Replace Colours"));
  buildGroup(From, QStringLiteral("From Colours"), 60);
  buildGroup(To, QStringLiteral("To Colours"), 1500);
  buildGroup(With, QStringLiteral("With Colours"), 2940);
  buildBeforeAfter(4000, 60, 3840, 2300);
  cmdPreview = tools::button(this, QStringLiteral("Preview"), 4000, 3900, 1020, 390);
  cmdApply = tools::button(this, QStringLiteral("&Apply"), 5700, 3900, 1020, 390);
  cmdCancel = tools::button(this, QStringLiteral("&Cancel"), 6780, 3900, 1020, 390);
  cmdApply->setDefault(true);
  rt::setCancel(cmdCancel);
  cmdPreview->setEnabled(false);
  cmdApply->setEnabled(false);
  connect(cmdPreview, &QPushButton::clicked, this, [this] { cmdPreview_Click(); });
  connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  resize(rt::Screen::ToPixelsX(7960), rt::Screen::ToPixelsY(4420));
}

void frmImgColRepForm::buildGroup(Group& g, const QString& caption, double top) {
  g.fra = tools::frame(this, 60, top, 3840, 1380);
  g.lbl = tools::label(g.fra, caption, 120, 90, 2000, 255);
  g.fraC = tools::frame(g.fra, 2960, 360, 780, 900);
  g.shp = tools::swatch(g.fraC, 60, 60, 660, 780);
  const char* names[3] = {"Red", "Green", "Blue"};
  for (int k = 0; k < 3; ++k) {
    tools::label(g.fra, QLatin1String(names[k]), 120, 390 + k * 315, 600, 255);
    g.sld[static_cast<std::size_t>(k)] = tools::slider(g.fra, 780, 360 + k * 315, 2100, 300);
    QSlider* s = g.sld[static_cast<std::size_t>(k)];
    s->setRange(0, 255);
    s->setTickPosition(QSlider::NoTicks);
    connect(s, &QSlider::valueChanged, this, [this, &g] { slider_Change(g); });
  }
}

uint32_t frmImgColRepForm::colourOf(const Group& g) {
  return static_cast<uint32_t>(g.sld[0]->value()) + 256u * static_cast<uint32_t>(g.sld[1]->value()) +
         65536u * static_cast<uint32_t>(g.sld[2]->value());
}

void frmImgColRepForm::fnSetUp() {
  tools::loadViewers(ixBefore, ixAfter);
  for (Group* g : {&From, &To, &With}) tools::paintSwatch(g->shp, colourOf(*g));
}

void frmImgColRepForm::slider_Change(Group& g) {
  tools::paintSwatch(g.shp, colourOf(g));
  const bool on = colourOf(From) < colourOf(To);
  cmdApply->setEnabled(on);
  cmdPreview->setEnabled(on);
}

std::function<void(img::Bitmap&)> frmImgColRepForm::replacement() const {
  // Read here, on the window's thread: the operation itself may run on a worker.
  const img::ImagingControl* page = tools::pageView();
  const QRect r = page ? QRect(page->SelectionLeft(), page->SelectionTop(), page->SelectionWidth(), page->SelectionHeight())
                       : QRect();
  const QRgb from = img::fromBgr(colourOf(From)), to = img::fromBgr(colourOf(To)), with = img::fromBgr(colourOf(With));
  return [=](img::Bitmap& b) { img::replaceColours(b, r, from, to, with); };
}

void frmImgColRepForm::cmdPreview_Click() { tools::previewInto(ixBefore, ixAfter, replacement()); }

void frmImgColRepForm::cmdApply_Click() {
  if (!applyToPage(replacement())) return;
  ws::document().markModified();
  Unload();
}

void frmImgColRepForm::cmdCancel_Click() { Unload(); }
