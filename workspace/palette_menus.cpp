#include "workspace/palette_menus.h"

#include "annotation/ann_codes.h"

#include <deque>
#include <string>

namespace ws {

namespace {

struct KeyTool {
  const char* key;
  int32_t tool;
};
// Button order: two to a row.
const KeyTool kKeys[] = {{"arrow", TOOL_POINTER},   {"text", TOOL_TEXT},         {"rectangle", TOOL_RECTANGLE},
                         {"ellipse", TOOL_ELLIPSE}, {"polygon", TOOL_POLYGON},   {"polyline", TOOL_POLYLINE},
                         {"line", TOOL_LINE},       {"freehand", TOOL_FREEHAND}, {"stamp", TOOL_STAMP},
                         {"button", TOOL_BUTTON},   {"image", TOOL_IMAGE}};

constexpr int32_t kCellWidth = 32995;
constexpr int32_t kCellHeight = 34525;

using L = ListKind;
using K = ItemKind;

PaletteItem colour(const char* name, const char* caption, int32_t attribute) { return {name, caption, K::Colour, attribute}; }
PaletteItem list(const char* name, const char* caption, int32_t attribute, ListKind l, const char* listName) {
  return {name, caption, K::List, attribute, l, listName};
}

// The rectangle, ellipse and polygon menus differ only in their names.
// A menu item's name made of its menu's name and the rest; the names outlive the table (a deque
// never moves its strings).
const char* itemName(const char* menu, const char* rest) {
  static std::deque<std::string> names;
  names.push_back(std::string(menu) + rest);
  return names.back().c_str();
}

std::vector<PaletteItem> shapeItems(const char* p) {
  auto n = [p](const char* rest) { return itemName(p, rest); };
  return {colour(n("PenColor"), "Pen Color...", PROP_PEN_COLOR),
          colour(n("FillColor"), "Fill Color...", PROP_FILL_COLOR),
          list(n("PenWidth"), "Pen Width", PROP_PEN_WIDTH, L::PenWidth, n("PW")),
          list(n("BackStyle"), "Back Style", PROP_BACK_STYLE, L::BackStyle, n("BS")),
          list(n("HatchStyle"), "Hatch Style", PROP_HATCH_STYLE, L::HatchStyle, n("HS")),
          colour(n("HatchColor"), "Hatch Color...", PROP_HATCH_COLOR)};
}

std::vector<PaletteItem> strokeItems(const char* p) {
  auto n = [p](const char* rest) { return itemName(p, rest); };
  return {colour(n("PenColor"), "Pen Color...", PROP_PEN_COLOR),
          list(n("PenWidth"), "Pen Width", PROP_PEN_WIDTH, L::PenWidth, n("PW")),
          list(n("PenStyle"), "Pen Style", PROP_PEN_STYLE, L::PenStyle, n("PS")),
          list(n("PenFillStyle"), "Pen Fill Style", PROP_PEN_FILL_STYLE, L::PenFillStyle, n("PFS"))};
}

}  // namespace

const std::vector<QString>& fnPaletteKeys() {
  static const std::vector<QString> keys = [] {
    std::vector<QString> k;
    for (const KeyTool& e : kKeys) k.push_back(QString::fromLatin1(e.key));
    return k;
  }();
  return keys;
}

int32_t fnPaletteTool(const QString& key) {
  for (const KeyTool& e : kKeys)
    if (key == QLatin1String(e.key)) return e.tool;
  return -1;
}

QString fnPaletteKeyForTool(int32_t tool) {
  for (const KeyTool& e : kKeys)
    if (e.tool == tool && tool != TOOL_POINTER) return QString::fromLatin1(e.key);
  return QStringLiteral("arrow");
}

QString fnPaletteHit(int32_t x, int32_t y) {
  if (x == kCellWidth || x <= 0 || x >= 2 * kCellWidth + 1 || y <= 0) return QString();
  const int column = x < kCellWidth ? 0 : 1;
  if (y % kCellHeight == 0) return QString();
  const int row = y / kCellHeight;
  if (row > 5) return QString();
  const int index = row * 2 + column;
  return index < static_cast<int>(std::size(kKeys)) ? QString::fromLatin1(kKeys[index].key) : QString();
}

const std::vector<PaletteMenu>& fnPaletteMenus() {
  static const std::vector<PaletteMenu> menus = {
      {"text", "mnuT", "Text Menu", TOOL_TEXT,
       {colour("mnuTPenColor", "Pen Color...", PROP_PEN_COLOR), colour("mnuTTextColor", "Text Color...", PROP_TEXT_COLOR),
        colour("mnuTBackColor", "Back Color...", PROP_BACK_COLOR),
        list("mnuTPenWidth", "Pen Width", PROP_PEN_WIDTH, L::PenWidth, "mnuTPW"),
        {"mnuTFont", "Font...", K::Font, 0},
        list("mnuTBackStyle", "Back Style", PROP_BACK_STYLE, L::BackStyle, "mnuTBS"),
        list("mnuTTextOrientation", "Text Orientation", PROP_TEXT_ORIENTATION, L::TextOrientation, "mnuTTO"),
        list("mnuTHatchStyle", "Hatch Style", PROP_HATCH_STYLE, L::HatchStyle, "mnuTHS"),
        colour("mnuTHatchColor", "Hatch Color...", PROP_HATCH_COLOR),
        list("mnuTTextJustification", "Text Justification", PROP_TEXT_JUSTIFICATION, L::Justification, "mnuTTJ")}},
      {"rectangle", "mnuR", "Rectangle Menu", TOOL_RECTANGLE, shapeItems("mnuR")},
      {"ellipse", "mnuE", "Ellipse Menu", TOOL_ELLIPSE, shapeItems("mnuE")},
      {"polygon", "mnuP", "Polygon Menu", TOOL_POLYGON, shapeItems("mnuP")},
      {"polyline", "mnuPL", "PolyLine Menu", TOOL_POLYLINE, strokeItems("mnuPL")},
      {"line", "mnuL", "Line Menu", TOOL_LINE, strokeItems("mnuL")},
      {"freehand", "mnuFH", "FreeHand Menu", TOOL_FREEHAND, strokeItems("mnuFH")},
      {"stamp", "mnuS", "Stamp Menu", TOOL_STAMP,
       {{"mnuSText", "Text...", K::DefaultText, 0}, colour("mnuSPenColor", "Pen Color...", PROP_PEN_COLOR),
        colour("mnuSTextColor", "Text Color...", PROP_TEXT_COLOR), colour("mnuSBackColor", "Back Color...", PROP_BACK_COLOR),
        list("mnuSPenWidth", "Pen Width...", PROP_PEN_WIDTH, L::PenWidth, "mnuSPW"),
        {"mnuSFont", "Font...", K::Font, 0},
        list("mnuSBackStyle", "Back Style", PROP_BACK_STYLE, L::BackStyle, "mnuSBS"),
        list("mnuSTextOrientation", "Text Orientation", PROP_TEXT_ORIENTATION, L::TextOrientation, "mnuSTO"),
        list("mnuSHatchStyle", "Hatch Style", PROP_HATCH_STYLE, L::HatchStyle, "mnuSHS"),
        colour("mnuSHatchColor", "Hatch Color...", PROP_HATCH_COLOR)}},
      {"button", "mnuB", "Button Menu", TOOL_BUTTON,
       {{"mnuBText", "Text...", K::DefaultText, 0}, colour("mnuBTextColor", "Text Color...", PROP_TEXT_COLOR),
        colour("mnuBBackColor", "Back Color...", PROP_BACK_COLOR),
        list("mnuBPenWidth", "Pen Width", PROP_PEN_WIDTH, L::PenWidth, "mnuBPW"),
        {"mnuBFont", "Font...", K::Font, 0},
        colour("mnuBBvlLightColor", "Bevel Light Color...", PROP_BEVEL_LIGHT_COLOR),
        colour("mnuBBvlShadowColor", "Bevel Shadow Color...", PROP_BEVEL_SHADOW_COLOR)}},
      {"image", "mnuI", "Image Menu", TOOL_IMAGE,
       {{"mnuIImage", "Image...", K::Picture, PROP_IMAGE}, colour("mnuIPenColor", "Pen Color...", PROP_PEN_COLOR),
        colour("mnuIFillColor", "Fill Color...", PROP_FILL_COLOR),
        list("mnuIPenWidth", "Pen Width", PROP_PEN_WIDTH, L::PenWidth, "mnuIPW"),
        colour("mnuITransparentColor", "Transparent Color...", PROP_TRANSPARENT_COLOR),
        list("mnuIBackStyle", "Back Style", PROP_BACK_STYLE, L::BackStyle, "mnuIBS"),
        list("mnuIHatchStyle", "Hatch Style", PROP_HATCH_STYLE, L::HatchStyle, "mnuIHS"),
        colour("mnuIHatchColor", "Hatch Color...", PROP_HATCH_COLOR)}},
  };
  return menus;
}

const PaletteMenu* fnPaletteMenu(const QString& key) {
  for (const PaletteMenu& m : fnPaletteMenus())
    if (key == QLatin1String(m.key)) return &m;
  return nullptr;
}

namespace {
struct ListDef {
  std::vector<const char*> captions;
  std::vector<int32_t> values;
};
const ListDef& listDef(ListKind l) {
  static const ListDef none{};
  static const ListDef width{{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
  static const ListDef back{{"Opaque", "Transparent", "Translucent"}, {2, 1, 3}};
  static const ListDef penStyle{{"________", "_ _ _ _ _ _", "...............", "_._._._._.", "_.._.._.._.."}, {0, 1, 2, 3, 4}};
  static const ListDef penFill{{"Opaque", "Translucent", "Invert"}, {13, 9, 7}};
  static const ListDef orientation{{"0", "90", "180", "270"}, {0, 900, 1800, 2700}};
  static const ListDef hatch{{"None", "Horizontal", "Vertical", "Diagonal Down, Left to Right", "Diagonal Up, Left to Right",
                              "Cross Hatch", "Diagonal Cross"},
                             {5999, 0, 1, 2, 3, 4, 5}};
  static const ListDef justification{{"Left Justification", "Right Justification", "Center Justification"}, {0, 1, 2}};
  switch (l) {
    case L::PenWidth: return width;
    case L::BackStyle: return back;
    case L::PenStyle: return penStyle;
    case L::PenFillStyle: return penFill;
    case L::TextOrientation: return orientation;
    case L::HatchStyle: return hatch;
    case L::Justification: return justification;
    case L::None: break;
  }
  return none;
}
}  // namespace

std::vector<QString> fnListCaptions(ListKind l, bool stamp) {
  std::vector<QString> out;
  for (const char* c : listDef(l).captions) out.push_back(QString::fromLatin1(c));
  if (stamp && l == L::TextOrientation && !out.empty()) out.back() = QStringLiteral("2700");
  return out;
}

int32_t fnListValue(ListKind l, int index) {
  const std::vector<int32_t>& v = listDef(l).values;
  if (v.empty()) return 0;
  if (index < 0) index = 0;
  return v[static_cast<std::size_t>(std::min<int>(index, static_cast<int>(v.size()) - 1))];
}

int fnListCheckedIndex(ListKind l, int32_t value) {
  const std::vector<int32_t>& v = listDef(l).values;
  if (l == L::PenWidth) return value >= 0 && value <= 9 ? value : -1;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (v[i] == value) return static_cast<int>(i);
  return static_cast<int>(v.size()) - 1;
}

QString fnColourTitle(int32_t attribute) {
  switch (attribute) {
    case PROP_PEN_COLOR: return QStringLiteral("Select Pen Color");
    case PROP_TEXT_COLOR: return QStringLiteral("Select Text Color");
    case PROP_BACK_COLOR: return QStringLiteral("Select Back Color");
    case PROP_FILL_COLOR: return QStringLiteral("Select Fill Color");
    case PROP_TRANSPARENT_COLOR: return QStringLiteral("Select Transparent Color");
    case PROP_BEVEL_LIGHT_COLOR: return QStringLiteral("Select Bevel Light Color");
    case PROP_BEVEL_SHADOW_COLOR: return QStringLiteral("Select Bevel Shadow Color");
    case PROP_HATCH_COLOR: return QStringLiteral("Select Hatch Color");
    default: return QString();
  }
}

QString fnDefaultTextAnswer(const QString& answer) {
  const QString t = answer.trimmed();
  return t.isEmpty() ? QString() : t + QLatin1Char(' ');
}

}  // namespace ws
