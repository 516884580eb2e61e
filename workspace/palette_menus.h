#pragma once
// The annotation palette's rules, free of widgets: the tool of each palette key, which key a right
// click at a point of the palette hits, and the attribute menus of the ten drawing tools with the
// values behind their list items.
#include <QString>
#include <cstdint>
#include <vector>

namespace ws {

// The palette's keys in button order, and the tool each selects (-1 for a key it does not have).
const std::vector<QString>& fnPaletteKeys();
int32_t fnPaletteTool(const QString& key);
// The key of a tool's button; "arrow" for the pointer, no tool or any other value.
QString fnPaletteKeyForTool(int32_t tool);
// The key under a point of the palette in hundredths of twips: two columns 32995 wide and six rows
// 34525 high; a point on a line between cells, or in the empty last cell, hits nothing ("").
QString fnPaletteHit(int32_t x, int32_t y);

enum class ItemKind { Colour, List, Font, DefaultText, Picture };
enum class ListKind { None, PenWidth, BackStyle, PenStyle, PenFillStyle, TextOrientation, HatchStyle, Justification };

struct PaletteItem {
  const char* name;     // "mnuRPenColor"
  const char* caption;  // "Pen Color..."
  ItemKind kind;
  int32_t attribute;    // the tool attribute it sets (colours and lists; 17 for the picture)
  ListKind list = ListKind::None;
  const char* listName = "";  // "mnuRPW"
};

struct PaletteMenu {
  const char* key;      // "rectangle"
  const char* name;     // "mnuR"
  const char* caption;  // "Rectangle Menu"
  int32_t tool;
  std::vector<PaletteItem> items;
};

const std::vector<PaletteMenu>& fnPaletteMenus();
const PaletteMenu* fnPaletteMenu(const QString& key);

// Captions of a list's items (the stamp's orientation list reads "2700" for its last item).
std::vector<QString> fnListCaptions(ListKind list, bool stamp = false);
// The attribute value of item `index`; an index past the last item gives the last item's value.
int32_t fnListValue(ListKind list, int index);
// The item to check for a stored value: pen widths check the item of that width (none, -1, above
// 9); the other lists the item of that value, or their last item when no item has it.
int fnListCheckedIndex(ListKind list, int32_t value);
// Title of the colour dialog for a colour attribute ("Select Pen Color"); "" for any other.
QString fnColourTitle(int32_t attribute);
// A default text typed by the user: trimmed, with one blank after it; "" when nothing was typed.
QString fnDefaultTextAnswer(const QString& answer);

}  // namespace ws
