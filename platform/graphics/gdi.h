#pragma once
// Device contexts over QPainter with the drawing rules of the platform the engine was written
// for: rectangles exclude their right and bottom edges, a pen of width 0 or 1 is one pixel wide,
// PS_INSIDEFRAME keeps wide pens inside the shape, dash styles apply to one-pixel pens only, and
// raster operations combine the pen colour with the destination.
#include <cstdint>

#include "platform/graphics/gdi_types.h"
#include "platform/memory/global_memory.h"

class QImage;
class QPainter;

namespace plat {

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator);

// Device contexts. A memory DC owns an ARGB32 image; a painter DC draws through a painter the
// caller owns (for example inside a widget's paint event).
HDC CreateMemoryDC(int32_t width, int32_t height, COLORREF fill = 0xFFFFFF);
HDC CreatePainterDC(QPainter* painter, int32_t logPixelsX = 96, int32_t logPixelsY = 96);
HDC GetScreenDC();  // for measuring text; never freed by the caller
bool DeleteDC(HDC dc);
QImage* ImageOf(HDC dc);  // the memory DC's image, or null

int SaveDC(HDC dc);
bool RestoreDC(HDC dc, int saved);  // saved < 0 restores relative to the top

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
int32_t GetDeviceCaps(HDC dc, int index);

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
HGDIOBJ GetStockObject(int index);

// Pens.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;
HPEN CreatePen(int style, int32_t width, COLORREF colour);

// Brushes.
constexpr uint32_t BS_SOLID = 0;
constexpr uint32_t BS_HOLLOW = 1;
constexpr uint32_t BS_HATCHED = 2;
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;
struct LOGBRUSH {
  uint32_t lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  intptr_t lbHatch = 0;
};
HBRUSH CreateSolidBrush(COLORREF colour);
HBRUSH CreateHatchBrush(int hatch, COLORREF colour);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
// Style, colour and hatch of a brush; false for anything that is not a brush.
bool GetBrushInfo(HBRUSH brush, LOGBRUSH* info);

// Fonts. The LOGFONTA is mapped to a QFont: negative heights are character heights, positive
// heights cell heights, escapement in tenths of a degree.
constexpr uint8_t ANSI_CHARSET = 0;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t SYMBOL_CHARSET = 2;
constexpr uint8_t CLIP_LH_ANGLES = 0x10;
constexpr int32_t FW_NORMAL = 400;
constexpr int32_t FW_BOLD = 700;
HFONT CreateFontIndirectA(const LOGFONTA* font);

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, int kind);
constexpr int OBJ_PEN = 1;
constexpr int OBJ_BRUSH = 2;
constexpr int OBJ_FONT = 6;
// Deleting a stock object or an object still selected somewhere is refused, as on the platform.
bool DeleteObject(HGDIOBJ object);
int32_t LiveGdiObjects();

// Colours, modes, alignment.
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
constexpr uint32_t TA_LEFT = 0;
constexpr uint32_t TA_TOP = 0;
constexpr uint32_t TA_UPDATECP = 1;
constexpr uint32_t TA_RIGHT = 2;
constexpr uint32_t TA_CENTER = 6;
constexpr uint32_t TA_BOTTOM = 8;
constexpr uint32_t TA_BASELINE = 24;
uint32_t SetTextAlign(HDC dc, uint32_t align);
uint32_t GetTextAlign(HDC dc);
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;
int SetROP2(HDC dc, int rop);
int GetROP2(HDC dc);
// How Polygon fills a self-crossing outline.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;
int SetPolyFillMode(HDC dc, int mode);

// Drawing. Shapes take the current pen and brush; rectangles exclude right and bottom.
bool MoveToEx(HDC dc, int32_t x, int32_t y, POINT* previous);
bool LineTo(HDC dc, int32_t x, int32_t y);  // the end point is not drawn
bool Polyline(HDC dc, const POINT* points, int count);
bool Polygon(HDC dc, const POINT* points, int count);
bool Rectangle(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool Ellipse(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF colour);
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF GetPixel(HDC dc, int32_t x, int32_t y);

// Text (UTF-16); the reference point follows the text alignment.
bool TextOutW(HDC dc, int32_t x, int32_t y, const char16_t* text, int count);
bool GetTextExtentPoint32W(HDC dc, const char16_t* text, int count, SIZE* size);
struct TEXTMETRICA {
  int32_t tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0;
  int32_t tmAveCharWidth = 0, tmMaxCharWidth = 0, tmWeight = 0, tmOverhang = 0;
  int32_t tmDigitizedAspectX = 96, tmDigitizedAspectY = 96;
  uint8_t tmFirstChar = 0, tmLastChar = 255, tmDefaultChar = '?', tmBreakChar = ' ';
  uint8_t tmItalic = 0, tmUnderlined = 0, tmStruckOut = 0, tmPitchAndFamily = 0, tmCharSet = 0;
};
bool GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
struct ABC {
  int32_t abcA = 0;
  uint32_t abcB = 0;
  int32_t abcC = 0;
};
bool GetCharABCWidthsW(HDC dc, uint32_t first, uint32_t last, ABC* widths);
bool GetCharWidth32W(HDC dc, uint32_t first, uint32_t last, int32_t* widths);

// Regions and clipping.
constexpr int ERROR_REGION = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom);
HRGN CreatePolygonRgn(const POINT* points, int count);
int CombineRgn(HRGN destination, HRGN a, HRGN b, int mode);
bool PtInRegion(HRGN region, int32_t x, int32_t y);
int GetRgnBox(HRGN region, RECT* box);
int SelectClipRgn(HDC dc, HRGN region);  // null removes clipping; the DC keeps its own copy
int IntersectClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom);
int GetClipBox(HDC dc, RECT* box);

// Device-independent bitmaps. A packed DIB is a BITMAPINFOHEADER, its colour table and the
// bottom-up rows, each padded to 4 bytes.
struct BITMAPINFOHEADER {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
// Size of a packed DIB (header, colour table, bits) from its header; 0 when the header is not
// one this layer understands or the sizes overflow.
std::size_t PackedDibSize(const BITMAPINFOHEADER* header);
// Checks the header against the block it sits in and returns the packed size, or 0.
std::size_t PackedDibSizeInBlock(HGLOBAL block);
// A packed DIB (1, 4, 8, 24 or 32 bits) in a new movable block from an image, and back.
HGLOBAL PackedDibFromImage(const QImage& image, int bitsPerPixel);
bool ImageFromPackedDib(HGLOBAL block, QImage* image);
// The same for a picture drawn again and again: a block unchanged since it was last decoded on this
// thread is not decoded again.
bool DecodedPackedDib(HGLOBAL block, QImage* image);
// Draws the DIB stretched into the destination rectangle.
bool StretchPackedDib(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, HGLOBAL dib);
// Draws an image (with its alpha) stretched into the destination rectangle.
bool DrawImageStretched(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, const QImage& image);

}  // namespace plat
