// Qt input as the engine's window messages.
#include "controls/annotation/window_messages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace {

using namespace ann;

struct MouseCase {
  QEvent::Type type;
  Qt::MouseButton button;
  Qt::MouseButtons held;
  Qt::KeyboardModifiers mods;
  QPointF at;
  plat::UINT message;
  plat::WPARAM wParam;
};

TEST(WindowMessages, MouseEventsBecomeButtonMessagesWithFlagsAndSignedPoints) {
  const MouseCase cases[] = {
      {QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, {10, 20}, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON},
      {QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier, {10, 20}, plat::WM_LBUTTONUP, plat::MK_SHIFT},
      {QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier, {1, 2}, plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON},
      {QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, Qt::ControlModifier, {5, 6}, plat::WM_RBUTTONDOWN,
       plat::MK_RBUTTON | plat::MK_CONTROL},
      {QEvent::MouseButtonRelease, Qt::MiddleButton, Qt::NoButton, Qt::NoModifier, {5, 6}, plat::WM_MBUTTONUP, 0},
      // Dragged off the view's left and top edges: the point stays negative.
      {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Qt::NoModifier, {-3, -7}, plat::WM_MOUSEMOVE, plat::MK_LBUTTON},
  };
  for (const MouseCase& c : cases) {
    QMouseEvent e(c.type, c.at, c.at, c.button, c.held, c.mods);
    const WindowMessage m = mouseMessage(e);
    EXPECT_EQ(m.message, c.message) << int(c.type);
    EXPECT_EQ(m.wParam, c.wParam) << int(c.type);
    EXPECT_EQ(static_cast<int16_t>(m.lParam & 0xFFFF), static_cast<int16_t>(c.at.x()));
    EXPECT_EQ(static_cast<int16_t>((m.lParam >> 16) & 0xFFFF), static_cast<int16_t>(c.at.y()));
  }
  // A button the engine has no message for gives none.
  QMouseEvent back(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::BackButton, Qt::BackButton, Qt::NoModifier);
  EXPECT_EQ(mouseMessage(back).message, 0u);
}

TEST(WindowMessages, KeysBecomeVirtualKeysAndTypedCharacters) {
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  EXPECT_EQ(keyMessage(del).message, plat::WM_KEYDOWN);
  EXPECT_EQ(keyMessage(del).wParam, 46u);
  EXPECT_EQ(charMessage(del).message, 0u);

  QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
  EXPECT_EQ(keyMessage(a).wParam, static_cast<plat::WPARAM>('A'));
  EXPECT_EQ(charMessage(a).message, plat::WM_CHAR);
  EXPECT_EQ(charMessage(a).wParam, static_cast<plat::WPARAM>('A'));

  QKeyEvent up(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
  EXPECT_EQ(keyMessage(up).message, plat::WM_KEYUP);
  EXPECT_EQ(keyMessage(up).wParam, 27u);
  EXPECT_EQ(charMessage(up).message, 0u);

  // Ctrl+G groups in the engine; it types nothing.
  QKeyEvent g(QEvent::KeyPress, Qt::Key_G, Qt::ControlModifier, QStringLiteral("\x07"));
  EXPECT_EQ(charMessage(g).message, 0u);

  // A key without a virtual key sends no key message.
  QKeyEvent volume(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier);
  EXPECT_EQ(keyMessage(volume).message, 0u);
}

}  // namespace
