#pragma once
// The platform's virtual-key numbers for Qt keys. Both controls report keys with these numbers:
// the annotation engine in its key messages, the imaging control in its KeyDown and KeyUp events.

namespace plat {

// Letters and digits keep their ASCII codes; F1 to F24 are 0x70 to 0x87. 0 when the key has no
// virtual key.
int VirtualKeyFromQtKey(int qtKey);

}  // namespace plat
