#include "platform/graphics/gdi.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRawFont>
#include <QtMath>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/graphics/gdi_objects.h"

namespace plat {

// ---------------------------------------------------------------------------------------------
// Arithmetic

int32_t MulDiv(int32_t number, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  int64_t product = int64_t(number) * numerator;
  int64_t d = denominator;
  // Round half away from zero.
  bool negative = (product < 0) != (d < 0);
  int64_t ap = product < 0 ? -product : product;
  int64_t ad = d < 0 ? -d : d;
  int64_t q = (ap + ad / 2) / ad;
  int64_t r = negative ? -q : q;
  if (r > INT32_MAX || r < INT32_MIN) return -1;
  return int32_t(r);
}

// ---------------------------------------------------------------------------------------------
// Objects

namespace {

std::unordered_set<GdiObject*>& liveObjects() {
  static std::unordered_set<GdiObject*> s;
  return s;
}

GdiObject* track(GdiObject* o) {
  liveObjects().insert(o);
  return o;
}

std::unordered_set<GdiObject*>& stockObjects() {
  static std::unordered_set<GdiObject*> s;
  return s;
}

GdiObject* makeStock(GdiObject::Kind kind) {
  auto* o = new GdiObject(kind);
  o->stock = true;
  stockObjects().insert(o);
  return o;
}

COLORREF fromQColour(QRgb c) { return RGB(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))); }

}  // namespace

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Handles are checked by address before anything is read through them: a dead handle is refused.
bool IsLiveObject(HGDIOBJ object) { return object && (liveObjects().count(object) || stockObjects().count(object)); }

HGDIOBJ GetStockObject(int index) {
  static GdiObject* stock[9] = {};
  if (index < 0 || index > 8) return nullptr;
  if (!stock[index]) {
    GdiObject* o = nullptr;
    switch (index) {
      case WHITE_BRUSH: o = makeStock(GdiObject::Kind::Brush); o->brush = {BS_SOLID, 0xFFFFFF, 0}; break;
      case 1: o = makeStock(GdiObject::Kind::Brush); o->brush = {BS_SOLID, 0xC0C0C0, 0}; break;
      case 2: o = makeStock(GdiObject::Kind::Brush); o->brush = {BS_SOLID, 0x808080, 0}; break;
      case 3: o = makeStock(GdiObject::Kind::Brush); o->brush = {BS_SOLID, 0x404040, 0}; break;
      case BLACK_BRUSH: o = makeStock(GdiObject::Kind::Brush); o->brush = {BS_SOLID, 0, 0}; break;
      case NULL_BRUSH: o = makeStock(GdiObject::Kind::Brush); o->brush = {BS_HOLLOW, 0, 0}; break;
      case WHITE_PEN: o = makeStock(GdiObject::Kind::Pen); o->penColour = 0xFFFFFF; break;
      case BLACK_PEN: o = makeStock(GdiObject::Kind::Pen); o->penColour = 0; break;
      case NULL_PEN: o = makeStock(GdiObject::Kind::Pen); o->penStyle = PS_NULL; break;
      default: return nullptr;
    }
    stock[index] = o;
  }
  return stock[index];
}

HGDIOBJ StockFont() {
  static GdiObject* f = [] {
    auto* o = makeStock(GdiObject::Kind::Font);
    std::strcpy(o->logFont.lfFaceName, "DejaVu Sans");
    o->logFont.lfHeight = -13;
    o->font = FontFromLogFont(o->logFont);
    return o;
  }();
  return f;
}

HPEN CreatePen(int style, int32_t width, COLORREF colour) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  auto* o = new GdiObject(GdiObject::Kind::Pen);
  o->penStyle = style;
  o->penWidth = std::max(width, 0);
  o->penColour = colour & 0xFFFFFF;
  return track(o);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush || brush->lbStyle > BS_HATCHED) return nullptr;
  if (brush->lbStyle == BS_HATCHED && (brush->lbHatch < HS_HORIZONTAL || brush->lbHatch > HS_DIAGCROSS)) return nullptr;
  auto* o = new GdiObject(GdiObject::Kind::Brush);
  o->brush = *brush;
  o->brush.lbColor &= 0xFFFFFF;
  if (o->brush.lbStyle != BS_HATCHED) o->brush.lbHatch = 0;
  return track(o);
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  LOGBRUSH b{BS_SOLID, colour, 0};
  return CreateBrushIndirect(&b);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF colour) {
  LOGBRUSH b{BS_HATCHED, colour, hatch};
  return CreateBrushIndirect(&b);
}

bool GetBrushInfo(HBRUSH brush, LOGBRUSH* info) {
  if (!IsLiveObject(brush) || brush->kind != GdiObject::Kind::Brush || !info) return false;
  *info = brush->brush;
  return true;
}

LOGFONTA LogFontFromFont(const QFont& font) {
  LOGFONTA lf;
  const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.75;
  // Character height in pixels, given negative as a character height.
  lf.lfHeight = -static_cast<int32_t>(std::lround(points * 96.0 / 72.0));
  lf.lfWeight = font.bold() ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic() ? 1 : 0;
  lf.lfUnderline = font.underline() ? 1 : 0;
  lf.lfStrikeOut = font.strikeOut() ? 1 : 0;
  lf.lfCharSet = DEFAULT_CHARSET;
  const QByteArray face = font.family().toLatin1().left(LF_FACESIZE - 1);
  std::memcpy(lf.lfFaceName, face.constData(), static_cast<std::size_t>(face.size()));
  return lf;
}

QFont FontFromLogFont(const LOGFONTA& lf) {
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
  QFont f(QString::fromLatin1(face));
  f.setStyleStrategy(QFont::NoAntialias);
  f.setHintingPreference(QFont::PreferFullHinting);
  // Heights come from files and from scaling by zoom and resolution: any int, INT_MIN included.
  // Beyond the largest size a font is drawn at, it is drawn at that size.
  const int64_t h = std::clamp<int64_t>(lf.lfHeight, -kLargestFontPixels, kLargestFontPixels);
  int64_t px;
  if (h < 0) {
    px = -h;  // character height
  } else if (h > 0) {
    // Cell height: shrink the character height until ascent + descent fits.
    QFont probe = f;
    probe.setPixelSize(int(h));
    QFontMetrics fm(probe);
    px = std::lround(double(h) * double(h) / std::max(1, fm.height()));
  } else {
    px = 16;
  }
  f.setPixelSize(int(std::clamp<int64_t>(px, 1, kLargestFontPixels)));
  if (lf.lfWeight > 0) f.setWeight(QFont::Weight(std::clamp<int32_t>(lf.lfWeight, 1, 1000)));
  f.setItalic(lf.lfItalic != 0);
  f.setUnderline(lf.lfUnderline != 0);
  f.setStrikeOut(lf.lfStrikeOut != 0);
  if (lf.lfWidth > 0) {
    QFontMetrics fm(f);
    int avg = std::max(1, fm.averageCharWidth());
    f.setStretch(std::clamp(int(std::lround(100.0 * lf.lfWidth / avg)), 1, 4000));
  }
  return f;
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  auto* o = new GdiObject(GdiObject::Kind::Font);
  o->logFont = *font;
  o->font = FontFromLogFont(*font);
  return track(o);
}

HRGN CreateRectRgn(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  auto* o = new GdiObject(GdiObject::Kind::Region);
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  o->region = QRegion(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
  if (right == left || bottom == top) o->region = QRegion();
  return track(o);
}

HRGN CreatePolygonRgn(const POINT* points, int count) {
  if (!points || count < 3) return nullptr;
  QPolygon poly;
  for (int i = 0; i < count; ++i) poly << QPoint(points[i].x, points[i].y);
  auto* o = new GdiObject(GdiObject::Kind::Region);
  o->region = QRegion(poly, Qt::OddEvenFill);
  return track(o);
}

int RegionKind(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
bool IsRegion(HGDIOBJ o) { return IsLiveObject(o) && o->kind == GdiObject::Kind::Region; }

int CombineRgn(HRGN destination, HRGN a, HRGN b, int mode) {
  if (!IsRegion(destination) || !IsRegion(a) || (mode != RGN_COPY && !IsRegion(b))) return ERROR_REGION;
  QRegion r;
  switch (mode) {
    case RGN_AND: r = a->region.intersected(b->region); break;
    case RGN_OR: r = a->region.united(b->region); break;
    case RGN_XOR: r = a->region.xored(b->region); break;
    case RGN_DIFF: r = a->region.subtracted(b->region); break;
    case RGN_COPY: r = a->region; break;
    default: return ERROR_REGION;
  }
  destination->region = r;
  return RegionKind(r);
}

bool PtInRegion(HRGN region, int32_t x, int32_t y) { return IsRegion(region) && region->region.contains(QPoint(x, y)); }

int GetRgnBox(HRGN region, RECT* box) {
  if (!IsRegion(region) || !box) return ERROR_REGION;
  QRect b = region->region.boundingRect();
  *box = b.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.right() + 1, b.bottom() + 1};
  return RegionKind(region->region);
}

bool DeleteObject(HGDIOBJ object) {
  auto& live = liveObjects();
  if (!object || !live.count(object) || object->selected > 0) return false;
  live.erase(object);
  delete object;
  return true;
}

int32_t LiveGdiObjects() { return int32_t(liveObjects().size()); }

// ---------------------------------------------------------------------------------------------
// Device contexts



std::unordered_set<DeviceContext*>& liveDcs() {
  static std::unordered_set<DeviceContext*> s;
  return s;
}

bool IsDc(HDC dc) { return dc && liveDcs().count(dc); }

void retain(HGDIOBJ o) {
  if (o) ++o->selected;
}
void releaseObj(HGDIOBJ o) {
  if (o && o->selected > 0) --o->selected;
}

void retainState(const DcState& s) {
  retain(s.pen);
  retain(s.brush);
  retain(s.font);
}
void releaseState(const DcState& s) {
  releaseObj(s.pen);
  releaseObj(s.brush);
  releaseObj(s.font);
}

HDC registerDc(DeviceContext* dc) {
  dc->state.pen = GetStockObject(BLACK_PEN);
  dc->state.brush = GetStockObject(WHITE_BRUSH);
  dc->state.font = StockFont();
  retainState(dc->state);
  liveDcs().insert(dc);
  return dc;
}

QPainter::CompositionMode compositionFor(int rop) {
  switch (rop) {
    case R2_NOTMERGEPEN: return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_MASKNOTPEN: return QPainter::RasterOp_NotSourceAndDestination;
    case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
    case R2_MASKPENNOT: return QPainter::RasterOp_SourceAndNotDestination;
    case R2_NOT: return QPainter::RasterOp_NotDestination;
    case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTMASKPEN: return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
    case R2_NOTXORPEN: return QPainter::RasterOp_NotSourceXorDestination;
    case R2_MERGENOTPEN: return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT: return QPainter::RasterOp_SourceOrNotDestination;
    case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
    default: return QPainter::CompositionMode_SourceOver;
  }
}

// Prepares the painter for one drawing call: raster operation and clipping. Returns false when
// nothing must be drawn (R2_NOP).
bool BeginDrawing(DeviceContext* dc) {
  if (!dc->painter || dc->state.rop == R2_NOP) return false;
  QPainter& p = *dc->painter;
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setCompositionMode(compositionFor(dc->state.rop));
  if (dc->state.clip) p.setClipRegion(*dc->state.clip);
  else p.setClipping(false);
  return true;
}

// The colour a raster operation paints with when it ignores the pen colour.
QColor ropColour(const DeviceContext* dc, COLORREF colour) {
  if (dc->state.rop == R2_BLACK) return Qt::black;
  if (dc->state.rop == R2_WHITE) return Qt::white;
  return ToQColor(colour);
}

Qt::BrushStyle hatchStyle(intptr_t hatch) {
  switch (hatch) {
    case HS_HORIZONTAL: return Qt::HorPattern;
    case HS_VERTICAL: return Qt::VerPattern;
    case HS_FDIAGONAL: return Qt::BDiagPattern;  // top-left to bottom-right in y-down space
    case HS_BDIAGONAL: return Qt::FDiagPattern;
    case HS_CROSS: return Qt::CrossPattern;
    default: return Qt::DiagCrossPattern;
  }
}

// Fills a region with the selected brush; hatches get the background colour behind them when
// the background mode is opaque.
void fillWithBrush(DeviceContext* dc, const QPainterPath& path, HGDIOBJ brushObj) {
  if (!brushObj || brushObj->kind != GdiObject::Kind::Brush) return;
  const LOGBRUSH& b = brushObj->brush;
  if (b.lbStyle == BS_HOLLOW) return;
  QPainter& p = *dc->painter;
  p.setPen(Qt::NoPen);
  if (b.lbStyle == BS_SOLID) {
    p.setBrush(ropColour(dc, b.lbColor));
  } else {
    if (dc->state.bkMode == OPAQUE) {
      p.setBrush(ropColour(dc, dc->state.bkColour));
      p.drawPath(path);
    }
    QBrush hatch(ropColour(dc, b.lbColor), hatchStyle(b.lbHatch));
    p.setBrush(hatch);
  }
  p.drawPath(path);
}

// The dash patterns of the platform's cosmetic (one-pixel) pens: lengths of dashes and gaps.
const std::vector<int>& dashPattern(int style) {
  static const std::vector<int> solid{};
  static const std::vector<int> dash{18, 6};
  static const std::vector<int> dot{3, 3};
  static const std::vector<int> dashdot{9, 6, 3, 6};
  static const std::vector<int> dashdotdot{9, 3, 3, 3, 3, 3};
  switch (style) {
    case PS_DASH: return dash;
    case PS_DOT: return dot;
    case PS_DASHDOT: return dashdot;
    case PS_DASHDOTDOT: return dashdotdot;
    default: return solid;
  }
}

struct DashState {
  const std::vector<int>* pattern;
  size_t index = 0;
  int left = 0;
  bool on() const { return pattern->empty() || index % 2 == 0; }
  void step() {
    if (pattern->empty()) return;
    if (left == 0) left = (*pattern)[0];
    if (--left == 0) {
      index = (index + 1) % pattern->size();
      left = (*pattern)[index];
    }
  }
  // As `count` calls of step(), in one go: the pattern repeats, so only the place in it counts.
  void skip(int64_t count) {
    if (pattern->empty() || count <= 0) return;
    int64_t period = 0, at = 0;
    for (size_t i = 0; i < pattern->size(); ++i) {
      if (i < index) at += (*pattern)[i];
      period += (*pattern)[i];
    }
    if (left != 0) at += (*pattern)[index] - left;
    at = (at + count % period) % period;
    index = 0;
    while (at >= (*pattern)[index]) at -= (*pattern)[index++];
    left = int((*pattern)[index] - at);
  }
};

// The pixels of a one-pixel line, as the stepping from (x0, y0) towards (x1, y1) chooses them, in
// closed form: step i moves i pixels along the longer axis, and along the shorter one by i times
// its share rounded to the nearest pixel (halves away from the start). There are as many steps as
// pixels along the longer axis; the end point is not one of them.
struct LineSteps {
  LineSteps(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
      : x0(x0), y0(y0), sx(x0 < x1 ? 1 : -1), sy(y0 < y1 ? 1 : -1) {
    const int64_t dx = std::abs(int64_t(x1) - x0), dy = std::abs(int64_t(y1) - y0);
    alongX = dx >= dy;
    major = std::max(dx, dy);
    minor = std::min(dx, dy);
  }
  int64_t Steps() const { return major; }
  int64_t Across(int64_t i) const {
    return int64_t((__int128(2) * i * minor + major) / (2 * __int128(major)));
  }
  int64_t X(int64_t i) const { return x0 + sx * (alongX ? i : Across(i)); }
  int64_t Y(int64_t i) const { return y0 + sy * (alongX ? Across(i) : i); }

  int64_t x0, y0;
  int sx, sy;
  bool alongX = true;
  int64_t major = 0, minor = 0;
};

// Narrows [*first, *last] to the steps whose coordinate, which moves monotonically with the step
// (growing when sign > 0), lies within [low, high].
template <typename Coordinate>
void narrowSteps(const Coordinate& at, int sign, int64_t low, int64_t high, int64_t* first, int64_t* last) {
  if (*first > *last) return;
  auto before = [&](int64_t i) { return sign > 0 ? at(i) < low : at(i) > high; };  // true up to a step
  auto after = [&](int64_t i) { return sign > 0 ? at(i) > high : at(i) < low; };   // true from a step on
  int64_t lo = *first, hi = *last + 1;
  while (lo < hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (before(mid)) lo = mid + 1;
    else hi = mid;
  }
  const int64_t from = lo;
  hi = *last + 1;
  while (lo < hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    if (after(mid)) hi = mid;
    else lo = mid + 1;
  }
  *first = from;
  *last = lo - 1;
}

// Pixel-exact one-pixel line with the dash patterns of the platform's cosmetic pens. Only the
// steps whose pixels lie in `area` (the part of the device the call can change) are visited, so a
// line costs what shows of it however far its ends lie; the dash pattern still advances by every
// step, shown or not.
void thinLine(DeviceContext* dc, QColor colour, int32_t x0, int32_t y0, int32_t x1, int32_t y1, DashState& dash,
              const QRect& area) {
  const LineSteps line(x0, y0, x1, y1);
  const int64_t steps = line.Steps();
  if (steps == 0) return;
  int64_t first = 0, last = steps - 1;
  if (area.isEmpty()) {
    first = steps;
  } else {
    narrowSteps([&](int64_t i) { return line.X(i); }, line.sx, area.left(), area.right(), &first, &last);
    narrowSteps([&](int64_t i) { return line.Y(i); }, line.sy, area.top(), area.bottom(), &first, &last);
  }
  if (first > last) {
    dash.skip(steps);
    return;
  }
  dash.skip(first);
  std::vector<QPoint> pts;
  pts.reserve(size_t(last - first + 1));
  for (int64_t i = first; i <= last; ++i) {
    if (dash.on()) pts.emplace_back(int(line.X(i)), int(line.Y(i)));
    dash.step();
  }
  dash.skip(steps - 1 - last);
  if (pts.empty()) return;
  QPainter& p = *dc->painter;
  p.setPen(QPen(colour, 0));
  p.drawPoints(pts.data(), int(pts.size()));
}

// The part of the device a drawing call can change, in device pixels (inclusive edges): the
// painter's device seen through its transform, narrowed by the clip region. Never smaller than
// what can show, so drawing only inside it changes no pixel.
QRect reachableArea(const DeviceContext* dc) {
  const QPainter& p = *dc->painter;
  const QPaintDevice* device = p.device();
  constexpr int kHuge = 1 << 30;
  const QRect everywhere(QPoint(-kHuge, -kHuge), QPoint(kHuge, kHuge));
  QRect area = device ? QRect(0, 0, device->width(), device->height()) : everywhere;
  // A high-density device is drawn at a scale: its pixel size is the larger, safe, bound.
  const QTransform t = p.combinedTransform();
  if (device && t.type() != QTransform::TxNone) {
    bool invertible = false;
    const QTransform inverse = t.inverted(&invertible);
    area = invertible ? inverse.mapRect(QRectF(area)).toAlignedRect().adjusted(-1, -1, 1, 1)
                      : everywhere;
  }
  if (dc->state.clip) area &= dc->state.clip->boundingRect();
  return area;
}

// Strokes an open or closed polyline with the selected pen.
namespace {

// A wide stroke as the painter's own stroker makes it.
void strokeWide(QPainter& p, const QPolygon& poly, const QColor& colour, int32_t width, bool closed) {
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  if (closed) p.drawPolygon(poly);
  else p.drawPolyline(poly);
}

// Round caps and joins make the stroker slow, curved outlines make the filler slow, and the same
// shape is drawn at the same place on every repaint. So the pixels of such a shape are made once
// by the painter itself into a mask (opaque where the shape lies, clear elsewhere) and later
// blitted; a plain source-over blit of an all-or-nothing mask puts exactly the pixels the shape
// would. The cache is bounded and per thread; shapes under raster operations or transforms are
// drawn directly.
struct ShapeMask {
  std::vector<int32_t> shape;
  QRgb colour = 0;
  QRect box;  // the part of the device the mask covers
  QImage mask;
  size_t bytes() const { return size_t(mask.sizeInBytes()) + shape.size() * sizeof(int32_t) + 64; }
};

struct ShapeCache {
  std::unordered_map<uint64_t, ShapeMask> masks;
  size_t bytes = 0;
};

constexpr size_t kShapeCacheBytes = size_t(48) << 20;
constexpr int64_t kShapeMaskMaxPixels = int64_t(1) << 20;
constexpr int64_t kShapeMaskBasePixels = 4096;
constexpr int64_t kShapeMaskPixelsPerPoint = 512;

uint64_t shapeKey(const std::vector<int32_t>& shape, QRgb colour) {
  uint64_t h = 1469598103934665603ull ^ colour;
  for (int32_t v : shape) {
    h ^= uint32_t(v);
    h *= 1099511628211ull;
    h ^= h >> 29;
  }
  return h;
}

// Draws the shape that `render` paints (with its coordinates moved by the offset it is given) in
// one opaque colour, from the cache when it was drawn before. `shape` describes the shape fully;
// `bounds` holds every pixel it can touch; `points` is the number of points of its outline. False: the caller draws it directly.
bool drawCachedShape(QPainter& p, std::vector<int32_t> shape, const QRect& bounds, int points, const QColor& colour,
                     const std::function<void(QPainter&, const QPoint&)>& render) {
  QPaintDevice* device = p.device();
  // A scaled device (a high-density screen) would stretch a mask made at one pixel per unit.
  if (!device || device->devicePixelRatio() != 1 || colour.alpha() != 255 ||
      p.compositionMode() != QPainter::CompositionMode_SourceOver || p.transform().type() != QTransform::TxNone)
    return false;
  // Only the part of the shape on the device can show, so the mask covers no more than that; a
  // mask made on another device size (a grown window, a thumbnail) may miss pixels of this one.
  const QRect box = bounds & QRect(0, 0, device->width(), device->height());
  thread_local ShapeCache cache;
  const QRgb rgb = colour.rgba();
  const uint64_t key = shapeKey(shape, rgb);
  auto it = cache.masks.find(key);
  if (it != cache.masks.end() && it->second.colour == rgb && it->second.box == box && it->second.shape == shape) {
    if (!it->second.mask.isNull()) p.drawImage(box.topLeft(), it->second.mask);
    return true;
  }
  // A blit costs by the box's pixels and the painter by the outline's points, so a mask is kept
  // only where the box is small for the points it saves (a page of large simple shapes, as a
  // burn-in draws once, is faster drawn directly and would only churn the cache).
  const int64_t pixels = int64_t(box.width()) * box.height();
  if (pixels > kShapeMaskMaxPixels || pixels > kShapeMaskBasePixels + kShapeMaskPixelsPerPoint * int64_t(points))
    return false;
  ShapeMask entry{std::move(shape), rgb, box, {}};
  if (!box.isEmpty()) {
    entry.mask = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
    entry.mask.fill(Qt::transparent);
    QPainter mp(&entry.mask);
    render(mp, -box.topLeft());
    mp.end();
    p.drawImage(box.topLeft(), entry.mask);
  }
  if (cache.bytes + entry.bytes() > kShapeCacheBytes) {
    cache.masks.clear();
    cache.bytes = 0;
    it = cache.masks.end();
  }
  if (it != cache.masks.end()) {  // a different shape with the same key: the newer one stays
    cache.bytes -= it->second.bytes();
    cache.masks.erase(it);
  }
  cache.bytes += entry.bytes();
  cache.masks.emplace(key, std::move(entry));
  return true;
}

bool drawCachedStroke(QPainter& p, const QPolygon& poly, const QColor& colour, int32_t width, bool closed) {
  std::vector<int32_t> shape{closed ? 1 : 0, width};
  shape.reserve(2 + 2 * size_t(poly.size()));
  for (const QPoint& q : poly) {
    shape.push_back(q.x());
    shape.push_back(q.y());
  }
  // Points may lie anywhere in the int range: the box is grown in 64 bits and held well inside
  // that range (far past any device, so its part on the device is the same).
  const int64_t grow = int64_t(width) + 2;
  const QRect b = poly.boundingRect();
  auto held = [](int64_t v) { return int(std::clamp<int64_t>(v, -(int64_t(1) << 30), int64_t(1) << 30)); };
  const QRect bounds(QPoint(held(b.left() - grow), held(b.top() - grow)),
                     QPoint(held(b.right() + grow), held(b.bottom() + grow)));
  return drawCachedShape(p, std::move(shape), bounds, int(poly.size()),
                         colour,
                         [&](QPainter& mp, const QPoint& shift) {
                           strokeWide(mp, poly.translated(shift), colour, width, closed);
                         });
}

// Fills a path in one opaque colour through the shape cache; `shape` describes the path fully.
// Curved outlines count as no points: only small ones are worth a mask.
bool fillCachedPath(QPainter& p, std::vector<int32_t> shape, const QPainterPath& path, const QColor& colour) {
  return drawCachedShape(p, std::move(shape), path.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1),
                         0, colour,
                         [&](QPainter& mp, const QPoint& shift) {
                           mp.setPen(Qt::NoPen);
                           mp.setBrush(colour);
                           mp.drawPath(path.translated(shift));
                         });
}

}  // namespace

void strokePolyline(DeviceContext* dc, const POINT* pts, int count, bool closed) {
  HGDIOBJ pen = dc->state.pen;
  if (!pen || pen->penStyle == PS_NULL || count < 2) return;
  QColor colour = ropColour(dc, pen->penColour);
  int32_t width = std::max<int32_t>(pen->penWidth, 1);
  if (width == 1) {
    DashState dash{&dashPattern(pen->penStyle)};
    const QRect area = reachableArea(dc);
    for (int i = 0; i + 1 < count; ++i)
      thinLine(dc, colour, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, dash, area);
    if (closed) thinLine(dc, colour, pts[count - 1].x, pts[count - 1].y, pts[0].x, pts[0].y, dash, area);
    return;
  }
  // Wide pens are geometric: always solid, round ends and joins.
  QPainter& p = *dc->painter;
  QPolygon poly;
  poly.reserve(count);
  for (int i = 0; i < count; ++i) poly << QPoint(pts[i].x, pts[i].y);
  if (drawCachedStroke(p, poly, colour, width, closed)) return;
  strokeWide(p, poly, colour, width, closed);
}

QRect ExclusiveRect(int32_t l, int32_t t, int32_t r, int32_t b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  return QRect(l, t, r - l, b - t);
}


HDC CreateMemoryDC(int32_t width, int32_t height, COLORREF fill) {
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return nullptr;
  auto dc = std::make_unique<DeviceContext>();
  dc->image = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
  if (dc->image->isNull()) return nullptr;
  dc->image->fill(ToQColor(fill));
  dc->owned = std::make_unique<QPainter>(dc->image.get());
  dc->painter = dc->owned.get();
  return registerDc(dc.release());
}

HDC CreatePainterDC(QPainter* painter, int32_t logPixelsX, int32_t logPixelsY) {
  if (!painter) return nullptr;
  auto* dc = new DeviceContext;
  dc->painter = painter;
  dc->dpiX = logPixelsX;
  dc->dpiY = logPixelsY;
  return registerDc(dc);
}

HDC GetScreenDC() {
  static HDC screen = CreateMemoryDC(1, 1);
  return screen;
}

bool DeleteDC(HDC dc) {
  if (!IsDc(dc) || dc == GetScreenDC()) return false;
  releaseState(dc->state);
  for (auto& s : dc->saved) releaseState(s);
  liveDcs().erase(dc);
  delete dc;
  return true;
}

QImage* ImageOf(HDC dc) {
  if (!IsDc(dc) || !dc->image) return nullptr;
  return dc->image.get();
}

int SaveDC(HDC dc) {
  if (!IsDc(dc)) return 0;
  dc->saved.push_back(dc->state);
  retainState(dc->state);
  return int(dc->saved.size());
}

bool RestoreDC(HDC dc, int saved) {
  if (!IsDc(dc)) return false;
  int depth = int(dc->saved.size());
  int target = saved < 0 ? depth + saved + 1 : saved;
  if (target < 1 || target > depth) return false;
  while (int(dc->saved.size()) > target) {
    releaseState(dc->saved.back());
    dc->saved.pop_back();
  }
  releaseState(dc->state);
  dc->state = dc->saved.back();  // its references move into the live state
  dc->saved.pop_back();
  return true;
}

int32_t GetDeviceCaps(HDC dc, int index) {
  if (!IsDc(dc)) return 0;
  switch (index) {
    case LOGPIXELSX: return dc->dpiX;
    case LOGPIXELSY: return dc->dpiY;
    case HORZRES: return dc->image ? dc->image->width() : (dc->painter && dc->painter->device() ? dc->painter->device()->width() : 0);
    case VERTRES: return dc->image ? dc->image->height() : (dc->painter && dc->painter->device() ? dc->painter->device()->height() : 0);
    default: return 0;
  }
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (!IsDc(dc) || !IsLiveObject(object)) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (object->kind) {
    case GdiObject::Kind::Pen: slot = &dc->state.pen; break;
    case GdiObject::Kind::Brush: slot = &dc->state.brush; break;
    case GdiObject::Kind::Font: slot = &dc->state.font; break;
    case GdiObject::Kind::Region:
      // Selecting a region sets the clipping to a copy of it.
      SelectClipRgn(dc, object);
      return reinterpret_cast<HGDIOBJ>(intptr_t(RegionKind(object->region)));
  }
  HGDIOBJ old = *slot;
  retain(object);
  releaseObj(old);
  *slot = object;
  return old;
}

HGDIOBJ GetCurrentObject(HDC dc, int kind) {
  if (!IsDc(dc)) return nullptr;
  switch (kind) {
    case OBJ_PEN: return dc->state.pen;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_FONT: return dc->state.font;
    default: return nullptr;
  }
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
  if (!IsDc(dc)) return CLR_INVALID;
  std::swap(dc->state.textColour, colour);
  return colour;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
  if (!IsDc(dc)) return CLR_INVALID;
  std::swap(dc->state.bkColour, colour);
  return colour;
}

int SetBkMode(HDC dc, int mode) {
  if (!IsDc(dc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  std::swap(dc->state.bkMode, mode);
  return mode;
}

uint32_t SetTextAlign(HDC dc, uint32_t align) {
  if (!IsDc(dc)) return 0xFFFFFFFFu;
  std::swap(dc->state.textAlign, align);
  return align;
}

uint32_t GetTextAlign(HDC dc) { return IsDc(dc) ? dc->state.textAlign : 0xFFFFFFFFu; }

int SetPolyFillMode(HDC dc, int mode) {
  if (!IsDc(dc) || (mode != ALTERNATE && mode != WINDING)) return 0;
  std::swap(dc->state.polyFillMode, mode);
  return mode;
}

int SetROP2(HDC dc, int rop) {
  if (!IsDc(dc) || rop < R2_BLACK || rop > R2_WHITE) return 0;
  std::swap(dc->state.rop, rop);
  return rop;
}

int GetROP2(HDC dc) { return IsDc(dc) ? dc->state.rop : 0; }

// ---------------------------------------------------------------------------------------------
// Drawing

bool MoveToEx(HDC dc, int32_t x, int32_t y, POINT* previous) {
  if (!IsDc(dc)) return false;
  if (previous) *previous = dc->state.position;
  dc->state.position = {x, y};
  return true;
}

bool LineTo(HDC dc, int32_t x, int32_t y) {
  if (!IsDc(dc)) return false;
  POINT pts[2] = {dc->state.position, {x, y}};
  if (BeginDrawing(dc)) strokePolyline(dc, pts, 2, false);
  dc->state.position = {x, y};
  return true;
}

bool Polyline(HDC dc, const POINT* points, int count) {
  if (!IsDc(dc) || !points || count < 2) return false;
  if (BeginDrawing(dc)) strokePolyline(dc, points, count, false);
  return true;
}

bool Polygon(HDC dc, const POINT* points, int count) {
  if (!IsDc(dc) || !points || count < 2) return false;
  if (!BeginDrawing(dc)) return true;
  QPainterPath path;
  QPolygon poly;
  for (int i = 0; i < count; ++i) poly << QPoint(points[i].x, points[i].y);
  path.addPolygon(poly);
  path.closeSubpath();
  path.setFillRule(dc->state.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
  fillWithBrush(dc, path, dc->state.brush);
  strokePolyline(dc, points, count, true);
  return true;
}

namespace {

// Border width and the pixel box the border lies in, for a rectangle or an ellipse.
struct Frame {
  int32_t width = 0;  // 0: no border
  QRect outer;        // pixels covered by border and interior together
};

Frame frameFor(DeviceContext* dc, const QRect& box) {
  HGDIOBJ pen = dc->state.pen;
  Frame f;
  if (!pen || pen->penStyle == PS_NULL) {
    // Without a pen the platform fills one pixel less on the right and bottom.
    f.outer = box.adjusted(0, 0, -1, -1);
    return f;
  }
  f.width = std::max<int32_t>(pen->penWidth, 1);
  if (f.width == 1 || pen->penStyle == PS_INSIDEFRAME) {
    f.outer = box;
  } else {
    // A wide pen is centred on the outline, which runs through the outermost pixels.
    int32_t grow = f.width / 2;
    f.outer = QRect(box.left() - grow, box.top() - grow, box.width() + f.width - 1, box.height() + f.width - 1);
  }
  return f;
}

}  // namespace

bool Rectangle(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsDc(dc)) return false;
  if (!BeginDrawing(dc)) return true;
  QRect box = ExclusiveRect(left, top, right, bottom);
  if (box.isEmpty()) return true;
  Frame f = frameFor(dc, box);
  QRect inner = f.width ? f.outer.adjusted(f.width, f.width, -f.width, -f.width) : f.outer;
  QPainter& p = *dc->painter;
  // Plain fills of whole pixels need no path: the painter fills integer rectangles directly.
  const bool plain = p.compositionMode() == QPainter::CompositionMode_SourceOver;
  const bool hasInner = inner.isValid() && !inner.isEmpty();
  if (hasInner) {
    HGDIOBJ brush = dc->state.brush;
    if (plain && brush && brush->kind == GdiObject::Kind::Brush && brush->brush.lbStyle == BS_SOLID) {
      p.fillRect(inner, ropColour(dc, brush->brush.lbColor));
    } else {
      QPainterPath path;
      path.addRect(inner);
      fillWithBrush(dc, path, brush);
    }
  }
  if (f.width) {
    HGDIOBJ pen = dc->state.pen;
    if (plain && !(f.width == 1 && pen->penStyle >= PS_DASH && pen->penStyle <= PS_DASHDOTDOT)) {
      const QColor colour = ropColour(dc, pen->penColour);
      if (!hasInner) {
        p.fillRect(f.outer, colour);
      } else {  // the four sides around the interior
        p.fillRect(QRect(f.outer.left(), f.outer.top(), f.outer.width(), inner.top() - f.outer.top()), colour);
        p.fillRect(QRect(f.outer.left(), inner.bottom() + 1, f.outer.width(), f.outer.bottom() - inner.bottom()),
                   colour);
        p.fillRect(QRect(f.outer.left(), inner.top(), inner.left() - f.outer.left(), inner.height()), colour);
        p.fillRect(QRect(inner.right() + 1, inner.top(), f.outer.right() - inner.right(), inner.height()), colour);
      }
    } else if (f.width == 1 && pen->penStyle >= PS_DASH && pen->penStyle <= PS_DASHDOTDOT) {
      POINT pts[4] = {{f.outer.left(), f.outer.top()}, {f.outer.right(), f.outer.top()},
                      {f.outer.right(), f.outer.bottom()}, {f.outer.left(), f.outer.bottom()}};
      strokePolyline(dc, pts, 4, true);
    } else {
      QPainterPath band;
      band.addRect(f.outer);
      if (hasInner) band.addRect(inner);
      band.setFillRule(Qt::OddEvenFill);
      p.setPen(Qt::NoPen);
      p.setBrush(ropColour(dc, pen->penColour));
      p.drawPath(band);
    }
  }
  return true;
}

bool Ellipse(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsDc(dc)) return false;
  if (!BeginDrawing(dc)) return true;
  QRect box = ExclusiveRect(left, top, right, bottom);
  if (box.isEmpty()) return true;
  Frame f = frameFor(dc, box);
  QRectF outer(f.outer.left(), f.outer.top(), f.outer.width(), f.outer.height());
  QPainterPath fillPath;
  QRectF inner = f.width ? outer.adjusted(f.width, f.width, -f.width, -f.width) : outer;
  QPainter& p = *dc->painter;
  const bool hasInner = inner.width() > 0 && inner.height() > 0;
  if (hasInner) {
    fillPath.addEllipse(inner);
    HGDIOBJ brush = dc->state.brush;
    const bool solid = brush && brush->kind == GdiObject::Kind::Brush && brush->brush.lbStyle == BS_SOLID;
    if (!solid || !fillCachedPath(p, {2, int32_t(inner.x()), int32_t(inner.y()), int32_t(inner.width()),
                                      int32_t(inner.height())},
                                  fillPath, ropColour(dc, brush->brush.lbColor)))
      fillWithBrush(dc, fillPath, brush);
  }
  if (f.width) {
    QPainterPath band;
    band.addEllipse(outer);
    if (hasInner) band.addEllipse(inner);
    band.setFillRule(Qt::OddEvenFill);
    const QColor colour = ropColour(dc, dc->state.pen->penColour);
    if (!fillCachedPath(p, {3, f.outer.x(), f.outer.y(), f.outer.width(), f.outer.height(), f.width, hasInner ? 1 : 0},
                        band, colour)) {
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      p.drawPath(band);
    }
  }
  return true;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  if (!IsDc(dc) || !rect || !IsLiveObject(brush) || brush->kind != GdiObject::Kind::Brush) return 0;
  QRect box = ExclusiveRect(rect->left, rect->top, rect->right, rect->bottom);
  if (box.isEmpty()) return 1;
  if (!dc->painter) return 0;
  // FillRect ignores the raster operation.
  int rop = dc->state.rop;
  dc->state.rop = R2_COPYPEN;
  BeginDrawing(dc);
  QPainterPath path;
  path.addRect(box);
  fillWithBrush(dc, path, brush);
  dc->state.rop = rop;
  return 1;
}

COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF colour) {
  if (!IsDc(dc)) return CLR_INVALID;
  if (dc->image) {
    if (x < 0 || y < 0 || x >= dc->image->width() || y >= dc->image->height()) return CLR_INVALID;
    if (dc->state.clip && !dc->state.clip->contains(QPoint(x, y))) return CLR_INVALID;
    dc->owned->end();
    dc->image->setPixel(x, y, ToQColor(colour).rgb());
    dc->owned->begin(dc->image.get());
    return colour & 0xFFFFFF;
  }
  if (!dc->painter) return CLR_INVALID;
  int rop = dc->state.rop;
  dc->state.rop = R2_COPYPEN;
  BeginDrawing(dc);
  dc->painter->setPen(QPen(ToQColor(colour), 0));
  dc->painter->drawPoint(x, y);
  dc->state.rop = rop;
  return colour & 0xFFFFFF;
}

COLORREF GetPixel(HDC dc, int32_t x, int32_t y) {
  if (!IsDc(dc) || !dc->image) return CLR_INVALID;
  if (x < 0 || y < 0 || x >= dc->image->width() || y >= dc->image->height()) return CLR_INVALID;
  return fromQColour(dc->image->pixel(x, y));
}


bool DrawImageStretched(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, const QImage& image) {
  if (!IsDc(dc) || image.isNull()) return false;
  if (!BeginDrawing(dc)) return true;
  dc->painter->drawImage(ExclusiveRect(x, y, x + width, y + height), image);
  return true;
}

// Pictures are drawn far more often than they change, so the pictures last decoded are kept with
// a copy of the bytes they came from; one whose block still holds exactly those bytes is not
// decoded again. Comparing bytes costs far less than decoding them, and no write to the block
// can go unnoticed.
bool DecodedPackedDib(HGLOBAL dib, QImage* image) {
  struct Entry {
    QByteArray bytes;
    QImage image;
  };
  constexpr size_t kMaxBytes = size_t(4) << 20;           // larger pictures are not kept
  constexpr size_t kMaxCacheBytes = size_t(48) << 20;
  thread_local std::unordered_map<HGLOBAL, Entry> cache;
  thread_local size_t cacheBytes = 0;
  auto entryBytes = [](const Entry& e) { return size_t(e.bytes.size()) + size_t(e.image.sizeInBytes()); };
  const size_t size = GlobalSize(dib);
  if (!size || size > kMaxBytes) return ImageFromPackedDib(dib, image);
  auto* bytes = static_cast<const char*>(GlobalLock(dib));
  if (!bytes) return false;
  auto it = cache.find(dib);
  if (it != cache.end() && size_t(it->second.bytes.size()) == size &&
      std::memcmp(it->second.bytes.constData(), bytes, size) == 0) {
    GlobalUnlock(dib);
    *image = it->second.image;
    return true;
  }
  const bool ok = ImageFromPackedDib(dib, image);
  if (it != cache.end()) {
    cacheBytes -= entryBytes(it->second);
    cache.erase(it);
  }
  if (ok) {
    Entry entry{QByteArray(bytes, qsizetype(size)), *image};
    if (cacheBytes + entryBytes(entry) > kMaxCacheBytes) {
      cache.clear();
      cacheBytes = 0;
    }
    cacheBytes += entryBytes(entry);
    cache.emplace(dib, std::move(entry));
  }
  GlobalUnlock(dib);
  return ok;
}

bool StretchPackedDib(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, HGLOBAL dib) {
  if (!IsDc(dc)) return false;
  QImage img;
  if (!DecodedPackedDib(dib, &img)) return false;
  return DrawImageStretched(dc, x, y, width, height, img);
}

}  // namespace plat
