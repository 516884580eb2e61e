#include "albums/form_util.h"

#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"

#include <QApplication>
#include <QStyle>
#include <QWidget>

namespace albums {

void place(QWidget* w, double left, double top, double width, double height) {
  w->setGeometry(rt::Screen::ToPixelsX(left), rt::Screen::ToPixelsY(top), rt::Screen::ToPixelsX(width),
                 rt::Screen::ToPixelsY(height));
}

QAction* addButton(QToolBar* bar, const QString& key, const QString& toolTip, int standardIcon, const QString& text) {
  QAction* a = bar->addAction(QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)),
                              text.isEmpty() ? toolTip : text);
  a->setObjectName(key);
  a->setToolTip(toolTip);
  return a;
}

QAction* button(const QToolBar* bar, const QString& key) {
  for (QAction* a : bar->actions())
    if (a->objectName() == key) return a;
  return nullptr;
}

void enableButton(const QToolBar* bar, const QString& key, bool on) {
  if (QAction* a = button(bar, key)) a->setEnabled(on);
}

void guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const rt::RuntimeError& e) {
    rt::Screen::setMousePointer(rt::vbDefault);
    rt::ShowError(e.Description());
  }
}


}  // namespace albums
