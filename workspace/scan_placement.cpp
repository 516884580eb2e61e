#include "workspace/scan_placement.h"

namespace ws {

ScanPlacement fnPlaceScannedPage(const QString& mode, int count, int current) {
  ScanPlacement p;
  if (mode == QLatin1String("PAGE")) {
    if (current < 0 || current >= count) return p;
    p.valid = true;
    p.slot = current;
    p.current = current;
    p.show = current + 1;
    return p;
  }
  if (mode == QLatin1String("APPEND")) {
    p.valid = true;
    p.slot = count;
    p.loadsThumb = true;
    p.highlightsSlot = true;
    p.current = count;
    p.show = count + 1;
    return p;
  }
  if (mode == QLatin1String("INSERT")) {
    if (current < 0 || current >= count) return p;
    p.valid = true;
    p.slot = current + 1;
    p.loadsThumb = true;
    p.shiftsBehind = current + 1 < count;
    p.renumbersAll = true;
    p.highlightsSlot = true;
    // Further pages of the same acquisition follow in feeding order.
    p.current = current + 1;
    p.show = current + 2;
    return p;
  }
  if (mode == QLatin1String("NEW")) {
    p.valid = true;
    p.current = current + 1;
    p.show = p.current + 1;
    p.highlightsSlot = true;
    if (p.current == 0) {
      p.startsDocument = true;
      p.slot = 0;
    } else {
      p.slot = count;
      p.loadsThumb = true;
    }
    return p;
  }
  return p;
}

}  // namespace ws
