#include "fuzz_common.h"

// The TIFF library does the parsing; what matters here is that our page handling and the limits we
// give the library hold for any directory: count the pages, read the first and the last.
LUMIVEX_FUZZ_TARGET({
  int16_t format = 0;
  const int32_t n = img::tiffPageCount(in);
  (void)img::decodeTiff(in, 1, &format);
  if (n > 1) (void)img::decodeTiff(in, n, &format);
})
