#include "controls/imaging/row_kernels.h"

#include <algorithm>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

// Written as plain loops the compiler turns into vector code: no branches, no tables, and only
// arithmetic whose results stay within the lane widths used.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_ROW_KERNEL __attribute__((target_clones("avx2", "default")))
#else
#define LUMIVEX_ROW_KERNEL
#endif

namespace img::rows {

namespace {

inline uint32_t luminanceOf(uint32_t blue, uint32_t green, uint32_t red) {
  const uint32_t s = red * 299u + green * 587u + blue * 114u + 500u;
  // s / 1000 as (s / 8) / 125, the second by multiplication: exact for every s / 8 below
  // 2^15 (the error of the rounded-up factor stays under 2^15 * 125 / 2^22 / 125 < 1 / 125),
  // and every product fits in 32 bits.
  return ((s >> 3) * 33555u) >> 22;
}

LUMIVEX_ROW_KERNEL void luminancePlain(const uint8_t* __restrict bgr, std::size_t n, uint8_t* __restrict out) {
  for (std::size_t x = 0; x < n; ++x) out[x] = static_cast<uint8_t>(luminanceOf(bgr[3 * x], bgr[3 * x + 1], bgr[3 * x + 2]));
}

void mapBytesPlain(uint8_t* p, std::size_t n, const uint8_t* table) {
  for (std::size_t i = 0; i < n; ++i) p[i] = table[p[i]];
}

inline uint8_t scaled(uint32_t v, uint32_t entry) {
  const uint32_t s = entry & 31u, out = (v * (entry >> 5) + ((1u << s) >> 1)) >> s;
  return static_cast<uint8_t>(out < 255u ? out : 255u);
}

void scaleByLuminancePlain(uint8_t* bgr, std::size_t n, const LuminanceScale& scale) {
  for (std::size_t x = 0; x < n; ++x, bgr += 3) {
    const uint32_t e = scale.entry(luminanceOf(bgr[0], bgr[1], bgr[2]));
    bgr[0] = scaled(bgr[0], e);
    bgr[1] = scaled(bgr[1], e);
    bgr[2] = scaled(bgr[2], e);
  }
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_WIDE_ROWS 1
// The compiler's vector headers start some results from an undefined register, which its flow
// analysis reports as uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define LUMIVEX_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// 64 pixels are three 64-byte registers, taken as four groups of sixteen pixels with one channel
// in the low byte of each 32-bit lane. Group k starts at byte 48k, so it lies within one register
// pair: groups 0 and 1 in registers 0 and 1, groups 2 and 3 in registers 1 and 2 (or 2 and 2).
constexpr int kGroupStart[4] = {0, 48, 32, 16};  // within its pair
struct Indexes {
  alignas(64) uint8_t spread[4][3][64];  // group, channel: byte permutes into the low bytes of lanes
  alignas(64) uint8_t pack[3][64];       // lanes of two groups back to 64 bytes of pixels
  alignas(64) uint8_t lanes[4][64];      // four byte planes back to 32-bit lanes, for group k
};
constexpr Indexes makeIndexes() {
  Indexes t{};
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < 64; ++i) t.spread[k][c][i] = i % 4 ? 0 : static_cast<uint8_t>(kGroupStart[k] + 3 * (i / 4) + c);
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 64; ++i) {
      // Byte q of the pixels is byte q % 48 of group q / 48; output register j takes groups j, j + 1.
      const int q = 64 * j + i, group = q / 48, b = q % 48;
      t.pack[j][i] = static_cast<uint8_t>((group == j ? 0 : 64) + (b / 3) * 4 + b % 3);
    }
  for (int k = 0; k < 4; ++k)
    for (int i = 0; i < 64; ++i) t.lanes[k][i] = static_cast<uint8_t>((i % 2 ? 64 : 0) + 16 * k + i / 4);
  return t;
}
constexpr Indexes kIndexes = makeIndexes();
constexpr __mmask64 kLowBytes = 0x1111111111111111ull;

struct Group {
  __m512i b, g, r;
};

LUMIVEX_WIDE inline Group channels(const __m512i (&px)[3], int k) {
  const __m512i lo = px[k < 2 ? 0 : k - 1], hi = px[k < 1 ? 1 : k < 2 ? 1 : 2];
  Group g;
  __m512i* channel[3] = {&g.b, &g.g, &g.r};
  for (int c = 0; c < 3; ++c)
    *channel[c] = _mm512_maskz_permutex2var_epi8(kLowBytes, lo, _mm512_load_si512(kIndexes.spread[k][c]), hi);
  return g;
}

LUMIVEX_WIDE inline __m512i luminanceLanes(const Group& p) {
  const __m512i s = _mm512_add_epi32(
      _mm512_add_epi32(_mm512_mullo_epi32(p.r, _mm512_set1_epi32(299)), _mm512_mullo_epi32(p.g, _mm512_set1_epi32(587))),
      _mm512_add_epi32(_mm512_mullo_epi32(p.b, _mm512_set1_epi32(114)), _mm512_set1_epi32(500)));
  return _mm512_srli_epi32(_mm512_mullo_epi32(_mm512_srli_epi32(s, 3), _mm512_set1_epi32(33555)), 22);
}

// The luminance of the 64 pixels, one byte each, and their four groups.
LUMIVEX_WIDE inline __m512i luminance64(const uint8_t* bgr, __m512i (&px)[3], Group (&groups)[4]) {
  for (int j = 0; j < 3; ++j) px[j] = _mm512_loadu_si512(bgr + 64 * j);
  __m128i lum[4];
  for (int k = 0; k < 4; ++k) {
    groups[k] = channels(px, k);
    lum[k] = _mm512_cvtepi32_epi8(luminanceLanes(groups[k]));
  }
  __m512i all = _mm512_castsi128_si512(lum[0]);
  all = _mm512_inserti32x4(all, lum[1], 1);
  all = _mm512_inserti32x4(all, lum[2], 2);
  return _mm512_inserti32x4(all, lum[3], 3);
}

// Pixels before the first that starts on a 64-byte boundary: from there every block of 64 pixels
// is three whole cache lines (3 * 43 = 1 modulo 64).
inline std::size_t pixelsToBoundary(const uint8_t* bgr, std::size_t n) {
  return std::min(n, (64 - (reinterpret_cast<uintptr_t>(bgr) & 63)) * 43 % 64);
}

LUMIVEX_WIDE void luminanceWide(const uint8_t* bgr, std::size_t n, uint8_t* out) {
  std::size_t x = pixelsToBoundary(bgr, n);
  luminancePlain(bgr, x, out);
  bgr += 3 * x;
  out += x;
  __m512i px[3];
  Group groups[4];
  for (; x + 64 <= n; x += 64, bgr += 192, out += 64) _mm512_storeu_si512(out, luminance64(bgr, px, groups));
  luminancePlain(bgr, n - x, out);
}

// 64 entries of a 256-byte table, chosen by the 64 bytes of i: each half of the table is two
// registers, and the top bit of i chooses the half.
LUMIVEX_WIDE inline __m512i lookUp(const uint8_t* table, __m512i i, __mmask64 upper) {
  const __m512i low = _mm512_permutex2var_epi8(_mm512_load_si512(table), i, _mm512_load_si512(table + 64));
  const __m512i high = _mm512_permutex2var_epi8(_mm512_load_si512(table + 128), i, _mm512_load_si512(table + 192));
  return _mm512_mask_blend_epi8(upper, low, high);
}

LUMIVEX_WIDE inline __m512i scaleLanes(__m512i v, __m512i f, __m512i round, __m512i shift) {
  return _mm512_min_epu32(_mm512_srlv_epi32(_mm512_add_epi32(_mm512_mullo_epi32(v, f), round), shift),
                          _mm512_set1_epi32(255));
}

LUMIVEX_WIDE void scaleByLuminanceWide(uint8_t* bgr, std::size_t n, const LuminanceScale& scale) {
  std::size_t x = pixelsToBoundary(bgr, n);
  scaleByLuminancePlain(bgr, x, scale);
  bgr += 3 * x;
  __m512i px[3];
  Group groups[4];
  for (; x + 64 <= n; x += 64, bgr += 192) {
    const __m512i lum = luminance64(bgr, px, groups);
    const __mmask64 upper = _mm512_movepi8_mask(lum);
    __m512i plane[4];
    for (int j = 0; j < 4; ++j) plane[j] = lookUp(scale.plane(j), lum, upper);
    __m512i out[4];
    for (int k = 0; k < 4; ++k) {
      // The entries of group k as 32-bit lanes: bytes 0 and 1 from the first two planes, 2 and 3
      // from the others.
      const __m512i idx = _mm512_load_si512(kIndexes.lanes[k]);
      const __m512i e = _mm512_or_si512(_mm512_maskz_permutex2var_epi8(0x3333333333333333ull, plane[0], idx, plane[1]),
                                        _mm512_maskz_permutex2var_epi8(0xCCCCCCCCCCCCCCCCull, plane[2], idx, plane[3]));
      const __m512i f = _mm512_srli_epi32(e, 5), shift = _mm512_and_si512(e, _mm512_set1_epi32(31));
      const __m512i round = _mm512_srli_epi32(_mm512_sllv_epi32(_mm512_set1_epi32(1), shift), 1);
      out[k] = _mm512_or_si512(
          _mm512_or_si512(scaleLanes(groups[k].b, f, round, shift), _mm512_slli_epi32(scaleLanes(groups[k].g, f, round, shift), 8)),
          _mm512_slli_epi32(scaleLanes(groups[k].r, f, round, shift), 16));
    }
    for (int j = 0; j < 3; ++j)
      _mm512_store_si512(bgr + 64 * j, _mm512_permutex2var_epi8(out[j], _mm512_load_si512(kIndexes.pack[j]), out[j + 1]));
  }
  scaleByLuminancePlain(bgr, n - x, scale);
}

// A whole 256-entry table in four registers: each byte picks its entry from the two halves by a
// two-register permute, and its top bit chooses between the halves.
LUMIVEX_WIDE inline __m512i mapWide(__m512i v, const __m512i (&t)[4]) {
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), _mm512_permutex2var_epi8(t[0], v, t[1]),
                                _mm512_permutex2var_epi8(t[2], v, t[3]));
}
LUMIVEX_WIDE inline void mapPart(uint8_t* at, std::size_t count, const __m512i (&t)[4]) {
  const __mmask64 m = count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1;
  _mm512_mask_storeu_epi8(at, m, mapWide(_mm512_maskz_loadu_epi8(m, at), t));
}
// The bytes before the first 64-byte boundary and after the last are done with masked loads and
// stores: a 64-byte access across two cache lines costs about half as much again, and rows of
// a picture seldom start on a boundary.
LUMIVEX_WIDE void mapBytesWide(uint8_t* p, std::size_t n, const uint8_t* table) {
  const __m512i t[4] = {_mm512_loadu_si512(table), _mm512_loadu_si512(table + 64), _mm512_loadu_si512(table + 128),
                        _mm512_loadu_si512(table + 192)};
  const std::size_t head = std::min(n, (64 - (reinterpret_cast<uintptr_t>(p) & 63)) & 63);
  if (head) mapPart(p, head, t);
  std::size_t i = head;
  for (; i + 64 <= n; i += 64) _mm512_store_si512(p + i, mapWide(_mm512_load_si512(p + i), t));
  if (i < n) mapPart(p + i, n - i, t);
}

#pragma GCC diagnostic pop
const bool kWide = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
#endif

}  // namespace

void mapBytes(uint8_t* p, std::size_t n, const uint8_t* table) {
#ifdef LUMIVEX_WIDE_ROWS
  if (kWide) return mapBytesWide(p, n, table);
#endif
  mapBytesPlain(p, n, table);
}

void luminance(const uint8_t* bgr, std::size_t n, uint8_t* out) {
#ifdef LUMIVEX_WIDE_ROWS
  if (kWide) return luminanceWide(bgr, n, out);
#endif
  luminancePlain(bgr, n, out);
}

LuminanceScale::LuminanceScale(const std::array<uint32_t, 256>& entries) : entries_(entries) {
  for (std::size_t y = 0; y < 256; ++y)
    for (std::size_t j = 0; j < 4; ++j) planes_[j][y] = static_cast<uint8_t>(entries[y] >> (8 * j));
}

void scaleByLuminance(uint8_t* bgr, std::size_t n, const LuminanceScale& scale) {
#ifdef LUMIVEX_WIDE_ROWS
  if (kWide) return scaleByLuminanceWide(bgr, n, scale);
#endif
  scaleByLuminancePlain(bgr, n, scale);
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

