#pragma once
// Mouse input as the window system delivers it, for tests that drive widgets by hand.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace testsupport {

// One mouse event at p in w's coordinates: button is the one that changed (none for a move),
// buttons those held once the event is over.
inline void sendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, modifiers);
  QCoreApplication::sendEvent(w, &e);
}

// Press and release of one button at p.
inline void clickAt(QWidget* w, QPoint p, Qt::MouseButton button = Qt::LeftButton) {
  sendMouse(w, QEvent::MouseButtonPress, p, button, button);
  sendMouse(w, QEvent::MouseButtonRelease, p, button, Qt::NoButton);
}

}  // namespace testsupport
