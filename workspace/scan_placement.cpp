#include "workspace/scan_placement.h"

namespace ws {

namespace {

// A page added behind page `after`, which then becomes the current one.
ScanPlacement added(int count, int after, CaptionRule captions) {
  ScanPlacement p;
  p.valid = true;
  p.edit = fnInsertPages(count, after, after, 1);
  p.edit->current = after + 1;
  p.captions = captions;
  p.slot = p.current = after + 1;
  p.show = p.slot + 1;
  return p;
}

}  // namespace

ScanPlacement fnPlaceScannedPage(const QString& mode, int count, int current) {
  if (mode == QLatin1String("PAGE")) {
    ScanPlacement p;
    if (current < 0 || current >= count) return p;
    p.valid = true;
    p.slot = p.current = current;
    p.show = current + 1;
    return p;
  }
  if (mode == QLatin1String("APPEND")) return added(count, count - 1, CaptionRule::Travel);
  if (mode == QLatin1String("INSERT")) {
    // Further pages of the same acquisition follow in feeding order behind the one before.
    if (current < 0 || current >= count) return ScanPlacement{};
    return added(count, current, CaptionRule::Renumber);
  }
  if (mode == QLatin1String("NEW")) {
    // Scan New starts at -1: its first page fills the empty strip, the others go behind it.
    if (current + 1 == 0) {
      ScanPlacement p;
      p.valid = true;
      p.startsDocument = true;
      return p;
    }
    return added(count, count - 1, CaptionRule::Travel);
  }
  return ScanPlacement{};
}

}  // namespace ws
