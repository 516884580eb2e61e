#include "annotation/elements/text_layout.h"

std::vector<AnnTextLine> annBreakLines(const std::u16string& text, const std::function<int32_t(char16_t)>& width,
                                       const AnnTextLayoutRules& rules) {
  std::vector<AnnTextLine> lines;
  const int32_t n = int32_t(text.size());
  int32_t i = 0;
  while (i < n) {
    AnnTextLine line;
    line.first = i;
    int32_t lastBreak = -1;       // index just after the last break character on the line
    int32_t widthAtBreak = 0;
    bool ended = false;
    while (i < n) {
      const char16_t c = text[size_t(i)];
      if (c == u'\r' || (c == u'\n' && !rules.typing)) {
        // The break itself is not drawn; a CR LF pair ends one line only.
        ++i;
        if (c == u'\r' && i < n && text[size_t(i)] == u'\n') ++i;
        ended = true;
        break;
      }
      // A line feed while typing is skipped: it stays in the line's run with no width, and the
      // kinds never draw control characters.
      const int32_t w = c == u'\n' ? 0 : width(c);
      if (rules.maxWidth >= 0 && line.width + w > rules.maxWidth) {
        if (line.count == 0) return lines;  // not even one character fits
        if (lastBreak > line.first) {
          line.count = lastBreak - line.first;
          line.width = widthAtBreak;
          i = lastBreak;
        }
        ended = true;
        break;
      }
      line.width += w;
      ++line.count;
      ++i;
      if (annIsBreakChar(c)) {
        lastBreak = i;
        widthAtBreak = line.width;
      }
    }
    lines.push_back(line);
    // A text that ends with a line break has an empty last line, where the caret stands.
    if (ended && i == n && n > 0 && (text[size_t(n - 1)] == u'\r' || text[size_t(n - 1)] == u'\n'))
      lines.push_back({n, 0, 0});
  }
  return lines;
}
