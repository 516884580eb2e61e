#include "fuzz_common.h"

LUMIVEX_FUZZ_TARGET({
  const int32_t n = img::dcxPageCount(in);
  for (int32_t p = 1; p <= n && p <= 8; ++p) (void)img::decodeDcx(in, p);
})
