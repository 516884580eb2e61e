#include "albums/frm_slide_show.h"

#include "albums/form_util.h"
#include "albums/viewer_window.h"
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

using namespace modVars;

rt::DefaultInstance<frmSlideShowForm> frmSlideShow;

frmSlideShowForm::frmSlideShowForm() : ViewerForm("ixSS"), ixSS(picture()), nxSS(annotations()) {
  setObjectName(QStringLiteral("frmSlideShow"));
  lblPath = albums::makeViewerLabel(this);
  albums::place(lblPath, 90, 105, 7050, 240);
  lblInfo = albums::makeViewerLabel(this);
  lblInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  albums::place(lblInfo, 0, 105, 3360, 240);
  tmrInt = new QTimer(this);
  tmrInt->setInterval(1000);
  connect(tmrInt, &QTimer::timeout, this, [this] { tmrInt_Timer(); });
}

void frmSlideShowForm::Form_Activate() {
  if (activated_) return;
  activated_ = true;
  albums::coverScreen(this);
  // The hand-off lists may be shorter than the count; only slides that exist are shown.
  const int count = std::min<int>({gintSlideCount, static_cast<int>(gstrSlidePaths.size()), static_cast<int>(gintSlidePages.size())});
  const bool automatic = gstrSlideMode == QStringLiteral("AUTO");
  seq_ = std::make_unique<albums::SlideSequence>(count, gblnSlideLoop, automatic);
  const int first = seq_->start();
  mintSlideIndex = 0;
  lblPath->setVisible(gblnSlideShowPath);
  albums::place(lblInfo, rt::Screen::ToTwipsX(width()) - 3360 - 150, 105, 3360, 240);
  setFocus();
  if (first < 0) {
    // Nothing to show: the window closes at once.
    QTimer::singleShot(0, this, [this] { Unload(); });
    return;
  }
  fnShowSlide(first);
  lblInfo->setText(seq_->help());
  if (automatic) {
    tmrInt->setInterval(std::max<int32_t>(1, gintSlideInterval));
    seq_->shown(true);
  }
  syncTimer();
}

void frmSlideShowForm::syncTimer() {
  if (seq_ && seq_->timerEnabled()) {
    if (!tmrInt->isActive()) tmrInt->start();
  } else {
    tmrInt->stop();
  }
}

void frmSlideShowForm::fnShowSlide(int index) {
  mintSlideIndex = static_cast<int16_t>(index);
  ixSS->setVisible(false);
  if (const intptr_t layer = nxSS->CurrentLayer()) nxSS->DeleteLayer(layer);
  const QString path = gstrSlidePaths.value(index);
  bool loaded = false;
  try {
    ixSS->setPageNumber(std::max<int32_t>(1, gintSlidePages[static_cast<std::size_t>(index)]));
    ixSS->setSourceFile(path);
    loaded = ixSS->ImageFileType() != 0;
  } catch (const rt::RuntimeError&) {
    loaded = false;
  }
  if (!loaded) {
    lblPath->setText(QStringLiteral("Error encountered for file ") + path.toUpper());
    return;
  }
  albums::fitViewerImage(this, ixSS, gblnSlideLimitZoom);
  lblPath->setText(path.toUpper());
  ixSS->setVisible(true);
  if (seq_) seq_->shown(true);
  syncTimer();
}

void frmSlideShowForm::tmrInt_Timer() {
  if (!seq_) return;
  const int next = seq_->tick();
  if (next >= 0) fnShowSlide(next);
  syncTimer();
}

void frmSlideShowForm::Form_KeyUp(int qtKey) {
  const albums::ViewerKey k = albums::viewerKey(qtKey);
  if (k == albums::ViewerKey::Escape) {
    Unload();
    return;
  }
  if (!seq_) return;
  const int next = seq_->key(k);
  lblInfo->setText(seq_->help());
  if (next >= 0) fnShowSlide(next);
  syncTimer();
}
