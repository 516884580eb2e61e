#pragma once
// Pixel operations on bitmaps, free of widgets so they are tested without a window.
#include "controls/imaging/bitmap.h"

#include <QImage>
#include <QPolygon>
#include <QRect>

namespace img {

// Colours in the program's 0x00BBGGRR form.
inline QRgb fromBgr(uint32_t c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline uint32_t toBgr(QRgb c) {
  return static_cast<uint32_t>(qRed(c)) | (static_cast<uint32_t>(qGreen(c)) << 8) | (static_cast<uint32_t>(qBlue(c)) << 16);
}

Bitmap blankBitmap(int32_t width, int32_t height, int bitsPerPixel, QRgb colour);
Bitmap crop(const Bitmap& b, const QRect& r);  // r is clipped to the picture
// Copies count whole rows of src from row srcFirst into dst from row dstFirst; the two pictures
// have one width and depth.
void copyRows(const Bitmap& src, int32_t srcFirst, Bitmap& dst, int32_t dstFirst, int32_t count);
// Writes src onto dst with its top-left at (x, y), clipped; only pixels inside mask (in src
// coordinates; empty = all) are written. dst becomes 24-bit when it cannot hold src's colours.
void paste(Bitmap& dst, const Bitmap& src, int32_t x, int32_t y, const QPolygon& mask = QPolygon());
// Puts back a part cut from dst by crop (same depth and palette) at (x, y), row by row; the bits
// of dst outside the part keep their values.
void putPart(Bitmap& dst, const Bitmap& part, int32_t x, int32_t y);
Bitmap rotate90(const Bitmap& b, int quarterTurnsClockwise);
Bitmap rotateAny(const Bitmap& b, double degreesClockwise);  // white fill, size grows to fit
void mirror(Bitmap& b);
Bitmap mirrored(const Bitmap& b);  // the same on a new picture, in one pass over the old one
void flip(Bitmap& b);
Bitmap flipped(const Bitmap& b);  // the same on a new picture, in one pass over the old one
// Pixels of r (clipped; empty = whole picture) whose channels lie within [from, to] become with.
void replaceColours(Bitmap& b, const QRect& r, QRgb from, QRgb to, QRgb with);
Bitmap coloursReplaced(const Bitmap& b, const QRect& r, QRgb from, QRgb to, QRgb with);  // on a new picture
// False when replacing by with turns the picture into a 24-bit one (a palette lacking with).
bool replacementKeepsDepth(const Bitmap& b, QRgb with);
void autoContrast(Bitmap& b);
Bitmap autoContrasted(const Bitmap& b);  // the same on a new picture, in one pass over the old one
void despeckle(Bitmap& b);
// Skew angle of the text lines in degrees (clockwise positive), within +-max.
double estimateSkew(const Bitmap& b, double maxDegrees = 5.0);
Bitmap deskew(const Bitmap& b);
// Quick box-filtered picture fitting within maxW x maxH, keeping proportions (RGB32).
QImage makeThumbnail(const Bitmap& b, int maxW, int maxH);
// The same box filter to any size w x h: only the part of the reduced picture within `part`
// (clipped to it), whose top-left is the part's; a view shows a zoomed-out page this way without
// reducing what lies outside it.
QImage reducedPart(const Bitmap& b, int w, int h, const QRect& part);
// Makes again the pixels of out, the part of b reduced to w x h whose top-left is origin, that the
// area of b (changed since) reaches; gives the pixels of the reduced picture that area reaches
// (some of which out may not hold).
QRect updateReducedPart(const Bitmap& b, int w, int h, QImage& out, QPoint origin, const QRect& area);
// b reduced to w x h as a 24-bit picture, and making again what an area of b (changed since)
// reaches, which is given back.
Bitmap reducedBitmap(const Bitmap& b, int w, int h);
QRect updateReducedBitmap(const Bitmap& b, Bitmap& out, const QRect& area);
// b halved (at least 2 x 2) as a 24-bit picture: a 24-bit or plain 8-bit grey b by the mean of each
// 2 x 2 block, the odd last row or column left out (the quick way a view keeps reduced copies);
// others as reducedBitmap does. And making again what an area of b (changed since) reaches, which is given back.
Bitmap halved(const Bitmap& b);
QRect updateHalved(const Bitmap& b, Bitmap& out, const QRect& area);
// One row of palette indexes, one byte per pixel (1, 4 and 8-bit pictures): whole-picture
// operations work on rows this way rather than asking pixel by pixel.
void unpackRow(const Bitmap& b, int32_t y, uint8_t* indexes);
// Writes width indexes back into row y; bits beyond the width keep their value.
void packRow(Bitmap& b, int32_t y, const uint8_t* indexes);
// Nearest palette index of a colour.
int nearestIndex(const std::vector<QRgb>& palette, QRgb c);

}  // namespace img
