#pragma once
// Line breaking for the text-bearing kinds (text, stamp, button): which characters go on which
// line, given each character's width and the width a line may take. Pure arithmetic; the kinds
// place the lines by their orientation and draw them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AnnTextLine {
  int32_t first = 0;  // index of the line's first character in the text
  int32_t count = 0;  // characters drawn on the line (line breaks not included)
  int32_t width = 0;  // sum of the drawn characters' widths
};

// A blank or a hyphen-minus: a line may break after it.
inline bool annIsBreakChar(char16_t c) { return c == u' ' || c == u'-'; }

struct AnnTextLayoutRules {
  // Width a line may take; below 0 there is no limit.
  int32_t maxWidth = -1;
  // While a new text is being typed only a carriage return ends a line and a line feed is skipped.
  bool typing = false;
};

// Breaks the text into lines. A carriage return or a line feed ends a line (a carriage return
// followed by a line feed counts once). A line that would grow past the width is broken after its
// last blank or hyphen, or before the character that does not fit when it has none. A line that
// cannot hold even one character ends the layout: what follows is not laid out at all, so a
// narrow rect never yields endless empty lines.
std::vector<AnnTextLine> annBreakLines(const std::u16string& text, const std::function<int32_t(char16_t)>& width,
                                       const AnnTextLayoutRules& rules);
