// Window handles: update regions, focus, capture, timers, clipboard formats and system values.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "platform/windows/window.h"

TEST(WindowTest, InvalidationsUniteWithinTheClientAreaUntilUpdated) {
  plat::HWND w = plat::CreateDetachedWindow(100, 50);
  plat::RECT r{};
  bool erase = true;
  EXPECT_FALSE(plat::GetUpdateRect(w, &r, &erase));
  const plat::RECT a{10, 10, 20, 20}, b{15, 5, 130, 12};
  plat::InvalidateRect(w, &a, false);
  ASSERT_TRUE(plat::GetUpdateRect(w, &r, &erase));
  EXPECT_FALSE(erase);
  plat::InvalidateRect(w, &b, true);  // clipped to the client area
  ASSERT_TRUE(plat::GetUpdateRect(w, &r, &erase));
  EXPECT_EQ(r, (plat::RECT{10, 5, 100, 20}));
  EXPECT_TRUE(erase);
  EXPECT_EQ(plat::InvalidateCount(w), 2);
  plat::UpdateWindow(w);
  EXPECT_FALSE(plat::GetUpdateRect(w, &r));
  EXPECT_EQ(plat::PaintCount(w), 1);
  plat::UpdateWindow(w);  // nothing pending: no paint
  EXPECT_EQ(plat::PaintCount(w), 1);
  const plat::RECT outside{200, 200, 300, 300};
  plat::InvalidateRect(w, &outside, true);
  EXPECT_FALSE(plat::GetUpdateRect(w, &r));
  plat::InvalidateRect(w, nullptr, false);
  ASSERT_TRUE(plat::GetUpdateRect(w, &r));
  EXPECT_EQ(r, (plat::RECT{0, 0, 100, 50}));
  EXPECT_TRUE(plat::DestroyWindow(w));
  EXPECT_FALSE(plat::IsWindow(w));
  EXPECT_FALSE(plat::InvalidateRect(w, nullptr, true));
}

TEST(WindowTest, WidgetHandlesDieWithTheirWidget) {
  auto* widget = new QWidget;
  widget->resize(40, 30);
  plat::HWND w = plat::WindowFromWidget(widget);
  EXPECT_EQ(plat::WindowFromWidget(widget), w);
  plat::RECT r;
  ASSERT_TRUE(plat::GetClientRect(w, &r));
  EXPECT_EQ(r, (plat::RECT{0, 0, 40, 30}));
  plat::SetCapture(w);
  EXPECT_EQ(plat::GetCapture(), w);
  delete widget;
  EXPECT_FALSE(plat::IsWindow(w));
  EXPECT_EQ(plat::GetCapture(), nullptr);
}

TEST(WindowTest, FocusCaptureAndCaret) {
  plat::HWND a = plat::CreateDetachedWindow(10, 10);
  plat::HWND b = plat::CreateDetachedWindow(10, 10);
  plat::SetFocus(a);
  EXPECT_EQ(plat::SetFocus(b), a);
  EXPECT_EQ(plat::GetFocus(), b);
  plat::SetFocus(nullptr);
  EXPECT_EQ(plat::GetFocus(), nullptr);
  EXPECT_EQ(plat::SetCapture(a), nullptr);
  EXPECT_EQ(plat::SetCapture(b), a);
  plat::ReleaseCapture();
  EXPECT_EQ(plat::GetCapture(), nullptr);
  EXPECT_TRUE(plat::CreateCaret(a, 2, 8));
  EXPECT_TRUE(plat::HasCaret());
  plat::DestroyWindow(a);  // the caret goes with its window
  EXPECT_FALSE(plat::HasCaret());
  EXPECT_FALSE(plat::DestroyCaret());
  plat::DestroyWindow(b);
}

// Taking the focus away ends the keys of the layer's windows (an editor inside one), never those
// of a widget that is none of them: the program's own view keeps its keys.
TEST(WindowTest, TakingTheFocusAwayLeavesOtherWidgetsTheirKeys) {
  QWidget top;
  top.resize(200, 100);
  auto* own = new QWidget(&top);   // a widget of the program's
  auto* host = new QWidget(&top);  // a window of the layer, with an editor inside
  auto* editor = new QWidget(host);
  for (QWidget* w : {own, host, editor}) w->setFocusPolicy(Qt::StrongFocus);
  plat::WindowFromWidget(host);
  top.show();
  QApplication::setActiveWindow(&top);
  const struct {
    QWidget* focus;
    bool keeps;
  } cases[] = {{own, true}, {host, false}, {editor, false}};
  for (const auto& c : cases) {
    c.focus->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), c.focus);
    plat::SetFocus(nullptr);
    EXPECT_EQ(QApplication::focusWidget() == c.focus, c.keeps) << c.focus->metaObject()->className();
    EXPECT_EQ(plat::GetFocus(), nullptr);
  }
}

TEST(WindowTest, TimersPostToTheWindowProcedure) {
  plat::HWND w = plat::CreateDetachedWindow(10, 10);
  int ticks = 0;
  plat::SetWindowProc(
      w,
      [](plat::HWND, plat::UINT message, plat::WPARAM id, plat::LPARAM, void* ctx) -> plat::LRESULT {
        if (message == plat::WM_TIMER && id == 7) ++*static_cast<int*>(ctx);
        return 0;
      },
      &ticks);
  EXPECT_EQ(plat::SetTimer(w, 7, 0), 7u);
  for (int i = 0; i < 1000 && ticks == 0; ++i) QApplication::processEvents();
  EXPECT_GT(ticks, 0);
  EXPECT_TRUE(plat::KillTimer(w, 7));
  EXPECT_FALSE(plat::KillTimer(w, 7));
  int after = ticks;
  QApplication::processEvents();
  EXPECT_EQ(ticks, after);
  plat::DestroyWindow(w);
}

TEST(WindowTest, ClipboardFormatsAndSystemValues) {
  uint32_t layer = plat::RegisterClipboardFormatA("SCV5_Layer");
  EXPECT_GE(layer, 0xC000u);
  EXPECT_EQ(plat::RegisterClipboardFormatA("SCV5_Layer"), layer);
  EXPECT_NE(plat::RegisterClipboardFormatA("SCV5_Object"), layer);
  EXPECT_EQ(plat::RegisterClipboardFormatA(""), 0u);
  EXPECT_EQ(plat::ClipboardFormatMime(layer), "application/x-clipboard-SCV5_Layer");
  EXPECT_GT(plat::GetSystemMetrics(plat::SM_CXSCREEN), 0);
  EXPECT_EQ(plat::GetSysColor(plat::COLOR_BTNFACE), 0xF0F0F0u);
  EXPECT_NE(plat::LoadCursor(plat::IDC_CROSS), nullptr);
  EXPECT_EQ(plat::LoadCursor(1), nullptr);
  EXPECT_FALSE(plat::DestroyCursor(plat::LoadCursor(plat::IDC_ARROW)));  // system cursors stay
}
