// Codecs still to come; each says so clearly.
#include "controls/imaging/codec.h"

namespace img {
namespace {
[[noreturn]] void notYet(const char* f) {
  fail(kErrUnsupported, QStringLiteral("%1 files are not supported yet").arg(QString::fromLatin1(f)));
}
}  // namespace
Bitmap decodePcx(std::span<const uint8_t>) { notYet("PCX"); }
std::vector<uint8_t> encodePcx(const Bitmap&) { notYet("PCX"); }
int32_t dcxPageCount(std::span<const uint8_t>) { notYet("DCX"); }
Bitmap decodeDcx(std::span<const uint8_t>, int32_t) { notYet("DCX"); }
std::vector<uint8_t> encodeDcx(const std::vector<std::vector<uint8_t>>&) { notYet("DCX"); }
std::vector<std::span<const uint8_t>> dcxPages(std::span<const uint8_t>) { notYet("DCX"); }
Bitmap decodeTga(std::span<const uint8_t>) { notYet("TGA"); }
std::vector<uint8_t> encodeTga(const Bitmap&, bool) { notYet("TGA"); }
Bitmap decodePnm(std::span<const uint8_t>, int16_t*) { notYet("PNM"); }
std::vector<uint8_t> encodePnm(const Bitmap&, int16_t, bool) { notYet("PNM"); }
Bitmap decodeIco(std::span<const uint8_t>) { notYet("ICO"); }
Bitmap decodeJpeg(std::span<const uint8_t>, int16_t*) { notYet("JPEG"); }
std::vector<uint8_t> encodeJpeg(const Bitmap&, const SaveOptions&) { notYet("JPEG"); }
Bitmap decodePng(std::span<const uint8_t>) { notYet("PNG"); }
std::vector<uint8_t> encodePng(const Bitmap&, bool) { notYet("PNG"); }
}  // namespace img
