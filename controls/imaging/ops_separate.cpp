// Channel separation: one 8-bit grey picture per channel of the colour model.
#include "controls/imaging/image_ops.h"
#include "controls/imaging/ops_support.h"

#include <algorithm>
#include <cmath>

namespace img {

std::vector<Bitmap> separateColours(const Bitmap& src, int model) {
  if (src.isNull() || model < 0 || model > 3) return {};
  const Bitmap c = src.toColor24();
  const int n = model == 3 ? 4 : 3;
  std::vector<Bitmap> out;
  for (int k = 0; k < n; ++k) {
    Bitmap g(c.width(), c.height(), 8);
    g.setGrayPalette();
    ops::copyMeta(c, g);
    g.annotation.clear();
    out.push_back(std::move(g));
  }
  for (int32_t y = 0; y < c.height(); ++y) {
    const uint8_t* p = c.row(y);
    uint8_t* o[4] = {out[0].row(y), out[1].row(y), out[2].row(y), n == 4 ? out[3].row(y) : nullptr};
    for (int32_t x = 0; x < c.width(); ++x, p += 3) {
      const int r = p[2], g = p[1], b = p[0];
      switch (model) {
        case 0:
          o[0][x] = static_cast<uint8_t>(r);
          o[1][x] = static_cast<uint8_t>(g);
          o[2][x] = static_cast<uint8_t>(b);
          break;
        case 1: {
          double h, s, l;
          rgbToHsl(r, g, b, h, s, l);
          o[0][x] = static_cast<uint8_t>(std::lround(h * 255.0 / 360.0) % 256);
          o[1][x] = static_cast<uint8_t>(std::lround(s * 255.0));
          o[2][x] = static_cast<uint8_t>(std::lround(l * 255.0));
          break;
        }
        case 2:
          o[0][x] = static_cast<uint8_t>(255 - r);
          o[1][x] = static_cast<uint8_t>(255 - g);
          o[2][x] = static_cast<uint8_t>(255 - b);
          break;
        default: {
          // Black takes the common part of the three inks; the inks are what is left, rescaled.
          const int k = 255 - std::max({r, g, b});
          const int rest = 255 - k;
          auto ink = [&](int v) { return rest == 0 ? 0 : static_cast<int>(std::lround((rest - v) * 255.0 / rest)); };
          o[0][x] = static_cast<uint8_t>(ink(r));
          o[1][x] = static_cast<uint8_t>(ink(g));
          o[2][x] = static_cast<uint8_t>(ink(b));
          o[3][x] = static_cast<uint8_t>(k);
          break;
        }
      }
    }
  }
  return out;
}

}  // namespace img
