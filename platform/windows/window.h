#pragma once
// Window handles over Qt widgets, with the calls the engine makes on its host's window and its
// own: invalidation and update, focus, capture, timers, cursors, carets, clipboard formats and the
// system metrics and colours.
#include <cstdint>
#include <string>

#include "platform/graphics/gdi_types.h"
#include "platform/windows/window_types.h"

class QWidget;

class QImage;
class QCursor;

namespace plat {

// A handle for a widget; the same widget always gives the same handle. The handle dies with the
// widget. Handles without a widget ("detached") serve tests and hidden helper windows; they keep
// their size and their pending update region all the same.
HWND WindowFromWidget(QWidget* widget);
HWND CreateDetachedWindow(int32_t width, int32_t height);
bool DestroyWindow(HWND window);
bool IsWindow(HWND window);
QWidget* WidgetOf(HWND window);

bool GetClientRect(HWND window, RECT* rect);
bool ShowWindow(HWND window, int command);  // SW_HIDE / SW_SHOW
bool IsWindowVisible(HWND window);
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;

// Invalidation collects an update region (its bounding rect here) until UpdateWindow paints it.
bool InvalidateRect(HWND window, const RECT* rect, bool erase);
bool UpdateWindow(HWND window);
// The pending update rect; false when nothing is pending. eraseOut tells whether any pending
// invalidation asked for erasing.
bool GetUpdateRect(HWND window, RECT* rect, bool* eraseOut = nullptr);
// How many times the window was invalidated / updated (diagnostics for tests).
int32_t InvalidateCount(HWND window);
int32_t PaintCount(HWND window);

HWND SetFocus(HWND window);  // null takes the focus away from these windows and what lies in them
HWND GetFocus();
HWND SetCapture(HWND window);
bool ReleaseCapture();
HWND GetCapture();

// Timers post WM_TIMER to the window's message procedure.
using WindowProc = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, void* context);
void SetWindowProc(HWND window, WindowProc proc, void* context);
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t milliseconds);
bool KillTimer(HWND window, uintptr_t id);

bool GetCursorPos(POINT* point);
bool ScreenToClient(HWND window, POINT* point);
bool ClientToScreen(HWND window, POINT* point);

// Cursors: system cursors by id; SetCursor applies to the window under the mouse.
constexpr intptr_t IDC_ARROW = 32512;
constexpr intptr_t IDC_IBEAM = 32513;
constexpr intptr_t IDC_WAIT = 32514;
constexpr intptr_t IDC_CROSS = 32515;
constexpr intptr_t IDC_SIZENWSE = 32642;
constexpr intptr_t IDC_SIZENESW = 32643;
constexpr intptr_t IDC_SIZEWE = 32644;
constexpr intptr_t IDC_SIZENS = 32645;
constexpr intptr_t IDC_SIZEALL = 32646;
constexpr intptr_t IDC_NO = 32648;
constexpr intptr_t IDC_HAND = 32649;
HCURSOR LoadCursor(intptr_t systemId);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
bool DestroyCursor(HCURSOR cursor);
// A cursor of the caller's own picture (transparent where the image is), and a copy of a cursor.
HCURSOR CreateCursorFromImage(const QImage& image, int32_t hotX, int32_t hotY);
HCURSOR CopyCursor(HCURSOR cursor);
// The Qt cursor behind a handle, or null.
const QCursor* CursorOf(HCURSOR cursor);

bool CreateCaret(HWND window, int32_t width, int32_t height);
bool DestroyCaret();
bool SetCaretPos(int32_t x, int32_t y);
bool HasCaret();

// Custom clipboard formats are MIME types; the same name gives the same id in every process run.
uint32_t RegisterClipboardFormatA(const char* name);
std::string ClipboardFormatMime(uint32_t format);

// System metrics and colours.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
int32_t GetSystemMetrics(int index);

constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
COLORREF GetSysColor(int index);

}  // namespace plat
