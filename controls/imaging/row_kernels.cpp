#include "controls/imaging/row_kernels.h"

// Written as plain loops the compiler turns into vector code: no branches, no tables, and only
// arithmetic whose results stay within the lane widths used.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define LUMIVEX_ROW_KERNEL
#endif

namespace img::rows {

LUMIVEX_ROW_KERNEL void luminance(const uint8_t* __restrict bgr, std::size_t n, uint8_t* __restrict out) {
  for (std::size_t x = 0; x < n; ++x) {
    const uint32_t s = bgr[3 * x + 2] * 299u + bgr[3 * x + 1] * 587u + bgr[3 * x] * 114u + 500u;
    // s / 1000 as (s / 8) / 125, the second by multiplication: exact for every s / 8 below
    // 2^15 (the error of the rounded-up factor stays under 2^15 * 125 / 2^22 / 125 < 1 / 125),
    // and every product fits in 32 bits.
    out[x] = static_cast<uint8_t>(((s >> 3) * 33555u) >> 22);
  }
}

namespace {
// v * 255 / d rounded down equals v * m >> 16 for every v in 0..d when m is 255 * 65536 / d
// rounded up and d is below 256: the error stays below v / 65536 < 1 / d.
inline uint8_t stretched(uint32_t v, uint32_t lo, uint32_t d, uint32_t m) {
  const uint32_t above = v > lo ? v - lo : 0;
  return static_cast<uint8_t>(((above < d ? above : d) * m) >> 16);
}
}  // namespace

LUMIVEX_ROW_KERNEL void stretch(uint8_t* __restrict values, std::size_t n, int lo, int hi) {
  const auto l = static_cast<uint32_t>(lo), d = static_cast<uint32_t>(hi - lo), m = (255u * 65536u + d - 1) / d;
  for (std::size_t x = 0; x < n; ++x) values[x] = stretched(values[x], l, d, m);
}

LUMIVEX_ROW_KERNEL void stretchInto(const uint8_t* __restrict in, uint8_t* __restrict out, std::size_t n, int lo, int hi) {
  const auto l = static_cast<uint32_t>(lo), d = static_cast<uint32_t>(hi - lo), m = (255u * 65536u + d - 1) / d;
  for (std::size_t x = 0; x < n; ++x) out[x] = stretched(in[x], l, d, m);
}

LUMIVEX_ROW_KERNEL void replaceInRange(uint8_t* __restrict bgr, std::size_t n, const ColourRange& range) {
  const uint8_t l0 = range.lo[0], l1 = range.lo[1], l2 = range.lo[2];
  const auto d0 = static_cast<uint8_t>(range.hi[0] - l0), d1 = static_cast<uint8_t>(range.hi[1] - l1),
             d2 = static_cast<uint8_t>(range.hi[2] - l2);
  const uint8_t w0 = range.with[0], w1 = range.with[1], w2 = range.with[2];
  for (std::size_t x = 0; x < n; ++x) {
    uint8_t* p = bgr + 3 * x;
    // A value lies within [lo, hi] when its distance above lo, wrapping below it, is at most hi - lo.
    const bool hit = static_cast<uint8_t>(p[0] - l0) <= d0 && static_cast<uint8_t>(p[1] - l1) <= d1 &&
                     static_cast<uint8_t>(p[2] - l2) <= d2;
    p[0] = hit ? w0 : p[0];
    p[1] = hit ? w1 : p[1];
    p[2] = hit ? w2 : p[2];
  }
}

}  // namespace img::rows
