#include "imagetools/frm_i_level.h"

#include "controls/imaging/imaging_control.h"
#include "imagetools/level_chart.h"
#include "imagetools/tool_controls.h"
#include "runtime/screen.h"
#include "runtime/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

rt::DefaultInstance<frmILevelForm> frmILevel;

void LevelPicture::Cls() {
  lines_.clear();
  update();
}

void LevelPicture::Line(const QLine& twips) {
  lines_.push_back(twips);
  update();
}

void LevelPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Base));
  p.setPen(Qt::black);
  for (const QLine& l : lines_)
    p.drawLine(rt::Screen::ToPixelsX(l.x1()), rt::Screen::ToPixelsY(l.y1()), rt::Screen::ToPixelsX(l.x2()),
               rt::Screen::ToPixelsY(l.y2()));
}

frmILevelForm::frmILevelForm() {
  setObjectName(QStringLiteral("frmILevel"));
  setWindowFlag(Qt::Dialog);
  setCaption(QStringLiteral("   Intensity Levels"));
  lblChannels = tools::label(this, QStringLiteral("Channels :"), 120, 180, 1000, 255);
  cmbChannels = tools::dropDown(this, {QStringLiteral("RGB"), QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue")},
                                1200, 135, 1800);
  fraIL = tools::frame(this, 60, 540, 3840, 2760);
  fraDisplay = tools::frame(fraIL, 120, 120, 3600, 2280);
  picH = new LevelPicture(fraDisplay);
  picH->setAutoFillBackground(true);
  tools::place(picH, 90, 120, 3405, 2085);
  lblShadows = tools::label(fraIL, QStringLiteral("Shadows"), 120, 2430, 1000, 255);
  lblHighlights = tools::label(fraIL, QStringLiteral("Highlights"), 2800, 2430, 920, 255);
  lblHighlights->setAlignment(Qt::AlignRight);
  cmdClose = tools::button(this, QStringLiteral("&Close"), 2880, 3400, 1020, 390);
  // The window only shows: its one button is Enter's as well as Escape's.
  cmdClose->setDefault(true);
  rt::setCancel(cmdClose);
  connect(cmbChannels, &QComboBox::currentTextChanged, this, [this] { cmbChannels_Click(); });
  connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
  resize(rt::Screen::ToPixelsX(4020), rt::Screen::ToPixelsY(3900));
}

void frmILevelForm::cmbChannels_Click() {
  const QString t = cmbChannels->currentText().toUpper();
  if (t == QLatin1String("RGB")) fnShowRGBLevels();
  else if (t == QLatin1String("RED")) fnShowRedLevels();
  else if (t == QLatin1String("GREEN")) fnShowGreenLevels();
  else fnShowBlueLevels();
}

void frmILevelForm::draw(int channel) {
  picH->Cls();
  if (!histograms_) {
    const img::ImagingControl* page = tools::pageView();
    histograms_ = page ? img::getHistograms(page->bitmap()) : img::Histograms{};
  }
  const double tpx = rt::Screen::TwipsPerPixelX(), tpy = rt::Screen::TwipsPerPixelY();
  for (const QLine& l : tools::levelBars(*histograms_, static_cast<tools::LevelChannel>(channel), tw::Width(picH), tw::Height(picH),
                                         tpx, tpy))
    picH->Line(l);
}

void frmILevelForm::fnShowRedLevels() { draw(static_cast<int>(tools::LevelChannel::Red)); }
void frmILevelForm::fnShowGreenLevels() { draw(static_cast<int>(tools::LevelChannel::Green)); }
void frmILevelForm::fnShowBlueLevels() { draw(static_cast<int>(tools::LevelChannel::Blue)); }
void frmILevelForm::fnShowRGBLevels() { draw(static_cast<int>(tools::LevelChannel::RGB)); }
void frmILevelForm::cmdClose_Click() { Unload(); }
