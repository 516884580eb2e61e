#pragma once
// The bookkeeping of the page strip, free of widgets: when pages are appended, inserted, deleted or
// moved, where each page comes from and which page is current afterwards. The document's page
// store applies an edit (PageStore::apply), its layers and captions in step; the page view, Edit,
// scanning and the page picker all go through it.
#include <QString>
#include <optional>
#include <vector>

namespace ws {

inline constexpr int kNewPage = -1;

struct PageEdit {
  // Page i after the edit was page from[i] before it, or kNewPage for an added page.
  std::vector<int> from;
  int current = 0;    // the current page afterwards
  int firstNew = -1;  // the index of the first added page; -1 when none was added
  int count() const { return static_cast<int>(from.size()); }
};

// Pages added behind the last page; the current page stays.
PageEdit fnAppendPages(int count, int current, int added);
// Pages added directly behind page `after` (Insert uses the current page); the pages behind it move
// back; the current page stays.
PageEdit fnInsertPages(int count, int current, int after, int added);
// The selected pages go. Walking from the last page to the first, each selected page at or before
// the current one moves the current page back by one (not below the first). None when every page is
// selected: the strip keeps at least one page.
std::optional<PageEdit> fnDeletePages(int count, int current, const std::vector<bool>& selected);
// One page moves to another place; the current page stays the same page.
PageEdit fnMovePage(int count, int current, int from, int to);

enum class CaptionRule {
  Travel,    // captions stay with their pages (Delete); added pages get their number
  Renumber,  // every page is captioned by its place
};
QString fnPageCaption(int index);  // "Page " and the 1-based page number

}  // namespace ws
