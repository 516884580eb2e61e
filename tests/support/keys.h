#pragma once
// Keys as the window system delivers them, for tests that type into widgets by hand.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace testsupport {

// Each character of text pressed and released on w, without modifiers.
inline void typeText(QWidget* w, const QString& text) {
  for (QChar c : text) {
    QKeyEvent down(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(w, &up);
  }
}

}  // namespace testsupport
