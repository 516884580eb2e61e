#pragma once
// Where a scanned page goes in the page strip, by the scan mode of the acquisition ("NEW",
// "APPEND", "INSERT", "PAGE"): the slot it fills, the pages that move back to make room, the
// current page and the page shown afterwards. Free of widgets; the main window applies it.
#include <QString>

namespace ws {

struct ScanPlacement {
  bool valid = false;     // false for an unknown mode, or a page to replace that is not there
  int slot = 0;           // the thumbnail that takes the scanned page
  bool loadsThumb = false;  // a thumbnail is added at the end first
  // Pages slot .. count-1 (before the scan) move back by one, with their annotations.
  bool shiftsBehind = false;
  bool renumbersAll = false;  // every caption becomes "Page " & (index + 1); otherwise only the slot's
  bool highlightsSlot = false;  // only the slot's thumbnail is selected afterwards
  bool startsDocument = false;  // the first page of Scan New: the page view and its layer start afresh
  int current = 0;        // gintCurrPage afterwards
  int show = 1;           // the 1-based page shown afterwards
};

// count: thumbnails before the page arrives (element 0 always exists, so an empty strip has one
// element); current: gintCurrPage as the scan command or the previous page left it.
ScanPlacement fnPlaceScannedPage(const QString& mode, int count, int current);

}  // namespace ws
