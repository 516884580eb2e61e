#pragma once
// The bookkeeping of the page strip, free of widgets: when pages are appended, inserted, deleted or
// moved, where each page comes from, which page is current afterwards, and the per-page annotation
// store and the captions rearranged in step. The main window applies an edit to its thumbnails
// (fnApplyPageEdit); the page view, Edit, scanning and the page picker all go through it.
#include "runtime/variant.h"

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

// The store after the edit: entries travel with their pages, added pages get Empty, and one spare
// entry stays above the last page.
std::vector<rt::Variant> fnAlignStore(const std::vector<rt::Variant>& store, const PageEdit& edit);

enum class CaptionRule {
  Travel,    // captions stay with their pages (Delete); added pages get their number
  Renumber,  // every page is captioned by its place
};
QString fnPageCaption(int index);  // "Page " and the 1-based page number
std::vector<QString> fnAlignCaptions(const std::vector<QString>& captions, const PageEdit& edit, CaptionRule rule);

}  // namespace ws
