#pragma once
// Where a scanned page goes in the page strip, by the scan mode of the acquisition ("NEW",
// "APPEND", "INSERT", "PAGE"): the page edit that makes room for it (the strip's own bookkeeping),
// the slot it fills, the current page and the page shown afterwards. Free of widgets; the main
// window applies it.
#include "workspace/page_strip.h"

#include <QString>
#include <optional>

namespace ws {

struct ScanPlacement {
  bool valid = false;  // false for an unknown mode, or a page to replace that is not there
  // The pages added or moved to make room; none when the page replaces a picture in place.
  std::optional<PageEdit> edit;
  CaptionRule captions = CaptionRule::Travel;  // Insert renumbers every page
  int slot = 0;                 // the thumbnail that takes the scanned page
  bool startsDocument = false;  // the first page of Scan New: the page view and its layer start afresh
  int current = 0;              // the document's current page afterwards (the slot)
  int show = 1;                 // the 1-based page shown afterwards
};

// count: the document's pages before the page arrives (none before the first page of Scan New);
// current: the document's current page as the scan command or the previous page left it.
ScanPlacement fnPlaceScannedPage(const QString& mode, int count, int current);

}  // namespace ws
