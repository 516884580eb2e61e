#include "albums/viewer_window.h"

#include "albums/form_util.h"
#include "albums/viewer_rules.h"
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/screen.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace albums {

namespace {

void makeViewerWindow(QWidget* form) {
  form->setWindowFlags(form->windowFlags() | Qt::FramelessWindowHint);
  form->setAutoFillBackground(true);
  QPalette pal = form->palette();
  pal.setColor(QPalette::Window, Qt::black);
  form->setPalette(pal);
  form->setFocusPolicy(Qt::StrongFocus);
  coverScreen(form);
}

img::ImagingControl* makeViewerImage(QWidget* form, const char* name) {
  auto* ix = new img::ImagingControl(form);
  ix->setName(QString::fromLatin1(name));
  ix->setObjectName(QString::fromLatin1(name));
  ix->setBackColor(0);
  ix->setViewSizeMode(4);
  ix->setFocusPolicy(Qt::NoFocus);
  ix->setVisible(false);
  return ix;
}

}  // namespace

void coverScreen(QWidget* form) {
  if (QScreen* s = QGuiApplication::primaryScreen()) form->setGeometry(s->geometry());
  form->setWindowState(Qt::WindowFullScreen);
}

QLabel* makeViewerLabel(QWidget* form) {
  auto* l = new QLabel(form);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  l->setPalette(pal);
  QFont f = l->font();
  f.setBold(true);
  l->setFont(f);
  return l;
}

void fitViewerImage(QWidget* form, img::ImagingControl* ix, bool limitZoom) {
  const double px = rt::Screen::TwipsPerPixelX(), py = rt::Screen::TwipsPerPixelY();
  const QRectF r = fitPage(rt::Screen::ToTwipsX(form->width()), rt::Screen::ToTwipsY(form->height()), ix->ImageWidth(), ix->ImageHeight(), px, py, limitZoom);
  place(ix, r.left(), r.top(), r.width(), r.height());
}

ViewerForm::ViewerForm(const char* pictureName) {
  makeViewerWindow(this);
  picture_ = makeViewerImage(this, pictureName);
  picture_->installEventFilter(this);
  const QString name = QString::fromLatin1(pictureName);
  annotations_ = new ann::AnnotationControl(this, [this, name](const QString& n) { return n == name ? picture_ : nullptr; });
  annotations_->setAttachControlName(name);
}

ViewerForm::~ViewerForm() {
  // The annotation control goes before the picture it is attached to.
  delete annotations_;
  annotations_ = nullptr;
}

void ViewerForm::keyReleaseEvent(QKeyEvent* e) {
  if (e->isAutoRepeat()) return;
  rt::RunGuarded([&] { Form_KeyUp(e->key()); });
}

void ViewerForm::mouseReleaseEvent(QMouseEvent*) { Unload(); }

bool ViewerForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == picture_ && event->type() == QEvent::MouseButtonRelease) {
    Unload();
    return true;
  }
  return rt::Form::eventFilter(watched, event);
}

}  // namespace albums
