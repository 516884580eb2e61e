#include "fuzz_common.h"

// Counting pages and decoding the first and the last must both stay inside the buffer.
LUMIVEX_FUZZ_TARGET({
  const int32_t n = img::pdfPageCount(in);
  if (n > 0) {
    (void)img::decodePdf(in, 1);
    if (n > 1) (void)img::decodePdf(in, n);
  }
})
