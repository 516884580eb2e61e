#include "albums/viewer_window.h"

#include "albums/form_util.h"
#include "albums/viewer_rules.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/screen.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

namespace albums {

void makeViewerWindow(QWidget* form) {
  form->setWindowFlags(form->windowFlags() | Qt::FramelessWindowHint);
  form->setAutoFillBackground(true);
  QPalette pal = form->palette();
  pal.setColor(QPalette::Window, Qt::black);
  form->setPalette(pal);
  form->setFocusPolicy(Qt::StrongFocus);
  coverScreen(form);
}

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

void fitViewerImage(QWidget* form, img::ImagingControl* ix, bool limitZoom) {
  const double px = rt::Screen::TwipsPerPixelX(), py = rt::Screen::TwipsPerPixelY();
  const QRectF r = fitPage(form->width() * px, form->height() * py, ix->ImageWidth(), ix->ImageHeight(), px, py, limitZoom);
  place(ix, r.left(), r.top(), r.width(), r.height());
}

void ViewerForm::watchPicture(QWidget* picture) {
  picture_ = picture;
  picture->installEventFilter(this);
}

void ViewerForm::keyReleaseEvent(QKeyEvent* e) {
  if (e->isAutoRepeat()) return;
  guarded([&] { Form_KeyUp(e->key()); });
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
