#pragma once
// Window handles and the message words the engine keeps with their platform numbers.
#include <cstdint>

namespace plat {

struct WindowHandle;
using HWND = WindowHandle*;
struct CursorHandle;
using HCURSOR = CursorHandle*;

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using UINT = uint32_t;

constexpr UINT WM_SETFOCUS = 7;
constexpr UINT WM_KILLFOCUS = 8;
constexpr UINT WM_PAINT = 15;
constexpr UINT WM_SETCURSOR = 32;
constexpr UINT WM_KEYDOWN = 256;
constexpr UINT WM_KEYUP = 257;
constexpr UINT WM_CHAR = 258;
constexpr UINT WM_TIMER = 275;
constexpr UINT WM_MOUSEMOVE = 512;
constexpr UINT WM_LBUTTONDOWN = 513;
constexpr UINT WM_LBUTTONUP = 514;
constexpr UINT WM_LBUTTONDBLCLK = 515;
constexpr UINT WM_RBUTTONDOWN = 516;
constexpr UINT WM_RBUTTONUP = 517;
constexpr UINT WM_RBUTTONDBLCLK = 518;
constexpr UINT WM_MBUTTONDOWN = 519;
constexpr UINT WM_MBUTTONUP = 520;
constexpr UINT WM_MBUTTONDBLCLK = 521;

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// Mouse coordinates travel in lParam as two signed 16-bit words.
constexpr LPARAM MAKELPARAM(int x, int y) {
  return LPARAM(uint32_t(uint16_t(int16_t(x))) | (uint32_t(uint16_t(int16_t(y))) << 16));
}
constexpr int GET_X_LPARAM(LPARAM l) { return int16_t(uint16_t(uintptr_t(l) & 0xFFFF)); }
constexpr int GET_Y_LPARAM(LPARAM l) { return int16_t(uint16_t((uintptr_t(l) >> 16) & 0xFFFF)); }

}  // namespace plat
