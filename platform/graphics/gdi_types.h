#pragma once
// Plain records and handle types of the drawing layer. Stored records keep fixed-width fields so
// that their byte images (LOGFONTA 60 bytes, RECT 16) match what streams and hosts exchange.
#include <cstdint>

namespace plat {

using COLORREF = uint32_t;  // 0x00BBGGRR
constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GetGValue(COLORREF c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t GetBValue(COLORREF c) { return uint8_t((c >> 16) & 0xFF); }

struct POINT {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const POINT&) const = default;
};

struct SIZE {
  int32_t cx = 0;
  int32_t cy = 0;
};

// Right and bottom edges are exclusive wherever a RECT describes pixels.
struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const RECT&) const = default;
};
static_assert(sizeof(RECT) == 16);

constexpr int LF_FACESIZE = 32;

struct LOGFONTA {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};
static_assert(sizeof(LOGFONTA) == 60);

// Handles. Every drawing object (pen, brush, font, region, bitmap) is a GdiObject; the aliases
// document intent at the call sites.
struct DeviceContext;
using HDC = DeviceContext*;
struct GdiObject;
using HGDIOBJ = GdiObject*;
using HPEN = GdiObject*;
using HBRUSH = GdiObject*;
using HFONT = GdiObject*;
using HRGN = GdiObject*;
using HBITMAP = GdiObject*;

}  // namespace plat
