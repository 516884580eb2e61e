#include "controls/annotation/window_messages.h"

#include "platform/windows/virtual_keys.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ann {

namespace {

plat::WPARAM mouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
  plat::WPARAM w = 0;
  if (buttons & Qt::LeftButton) w |= plat::MK_LBUTTON;
  if (buttons & Qt::RightButton) w |= plat::MK_RBUTTON;
  if (buttons & Qt::MiddleButton) w |= plat::MK_MBUTTON;
  if (mods & Qt::ShiftModifier) w |= plat::MK_SHIFT;
  if (mods & Qt::ControlModifier) w |= plat::MK_CONTROL;
  return w;
}

// Message for a button: down, up and double click of the left, right and middle button are
// three runs of three consecutive numbers.
plat::UINT buttonMessage(Qt::MouseButton button, int offset) {
  switch (button) {
    case Qt::LeftButton: return plat::WM_LBUTTONDOWN + offset;
    case Qt::RightButton: return plat::WM_RBUTTONDOWN + offset;
    case Qt::MiddleButton: return plat::WM_MBUTTONDOWN + offset;
    default: return 0;
  }
}

}  // namespace

WindowMessage mouseMessage(const QMouseEvent& e) {
  WindowMessage m;
  const QPoint at = e.position().toPoint();
  m.lParam = plat::MAKELPARAM(at.x(), at.y());
  m.wParam = mouseFlags(e.buttons(), e.modifiers());
  switch (e.type()) {
    case QEvent::MouseMove: m.message = plat::WM_MOUSEMOVE; break;
    case QEvent::MouseButtonPress: m.message = buttonMessage(e.button(), 0); break;
    case QEvent::MouseButtonRelease: m.message = buttonMessage(e.button(), 1); break;
    case QEvent::MouseButtonDblClick: m.message = buttonMessage(e.button(), 2); break;
    default: break;
  }
  return m;
}

WindowMessage keyMessage(const QKeyEvent& e) {
  WindowMessage m;
  const int vk = plat::VirtualKeyFromQtKey(e.key());
  if (!vk) return m;
  m.message = e.type() == QEvent::KeyRelease ? plat::WM_KEYUP : plat::WM_KEYDOWN;
  m.wParam = static_cast<plat::WPARAM>(vk);
  m.lParam = e.isAutoRepeat() ? 0x40000001 : 1;  // repeat count 1; bit 30: the key was down already
  return m;
}

WindowMessage charMessage(const QKeyEvent& e) {
  WindowMessage m;
  const QString text = e.text();
  if (e.type() != QEvent::KeyPress || text.isEmpty() || e.modifiers() & Qt::ControlModifier) return m;
  m.message = plat::WM_CHAR;
  m.wParam = text.at(0).unicode();
  m.lParam = 1;
  return m;
}

}  // namespace ann
