// Writes small valid files of every format into <dir>/<target>/ as starting points for the fuzzers.
#include "controls/imaging/codec.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace img;

namespace {
Bitmap pattern(int w, int h, int bpp) {
  Bitmap b(w, h, bpp);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setIndex(x, y, bpp == 24 ? qRgb(x * 20, y * 30, (x + y) * 10) : static_cast<uint32_t>((x + y * 3) % (1 << bpp)));
  return b;
}
void put(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string root = argv[1];
  for (int bpp : {1, 4, 8, 24}) {
    const std::string n = std::to_string(bpp);
    const Bitmap b = pattern(13, 6, bpp);
    const auto bmp = encodeBmp(b);
    put(root + "/bmp", n, bmp);
    put(root + "/dib", n, std::vector<uint8_t>(bmp.begin() + 14, bmp.end()));
    put(root + "/pcx", n, encodePcx(b));
    put(root + "/tga", n, encodeTga(b, false));
    put(root + "/tga", n + "rle", encodeTga(b, true));
    put(root + "/dcx", n, encodeDcx({encodePcx(b), encodePcx(pattern(5, 3, 8))}));
    for (int16_t k : {kFormatPbm, kFormatPgm, kFormatPpm}) {
      put(root + "/pnm", n + "_" + std::to_string(k), encodePnm(b, k, false));
      put(root + "/pnm", n + "_" + std::to_string(k) + "a", encodePnm(b, k, true));
    }
    // An icon entry: the DIB with doubled height and a mask.
    std::vector<uint8_t> dib = toPackedDib(b);
    const uint32_t h2 = 12;
    for (int i = 0; i < 4; ++i) dib[8 + i] = static_cast<uint8_t>(h2 >> (8 * i));
    for (int y = 0; y < 6; ++y) dib.insert(dib.end(), {0x10, 0, 0, 0});
    std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 13, 6, 0, 0, 1, 0, static_cast<uint8_t>(bpp), 0,
                                static_cast<uint8_t>(dib.size()), static_cast<uint8_t>(dib.size() >> 8), 0, 0, 22, 0, 0, 0};
    ico.insert(ico.end(), dib.begin(), dib.end());
    put(root + "/ico", n, ico);
  }
  return 0;
}
