#include "workspace/magnifier_link.h"

namespace ws {

namespace {
Magnifier*& installed() {
  static Magnifier* m = nullptr;
  return m;
}
}  // namespace

void setMagnifier(Magnifier* magnifier) { installed() = magnifier; }
Magnifier* magnifier() { return installed(); }

}  // namespace ws
