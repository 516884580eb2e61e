#include "fuzz_common.h"

LUMIVEX_FUZZ_TARGET((void)img::decodeEps(in))
