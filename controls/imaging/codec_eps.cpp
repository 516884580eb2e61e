// Encapsulated PostScript: the picture shown is the TIFF preview that the binary EPS header points
// to. The PostScript itself is not drawn, so an EPS without such a preview cannot be read.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"
#include "runtime/errors.h"

namespace img {

namespace {

constexpr uint64_t kEpsHeader = 30;  // signature, three offset and length pairs, checksum

[[noreturn]] void noPreview() {
  fail(kErrUnsupported, QStringLiteral("Reading EPS files without a TIFF preview is not supported"));
}

// A section of the file; length 0 means the file has none.
struct Section {
  uint32_t offset = 0;
  uint32_t length = 0;
};

Section sectionAt(ByteReader& r, const char* why) {
  Section s;
  s.offset = r.u32le();
  s.length = r.u32le();
  if (s.length == 0) return s;
  if (s.offset < kEpsHeader || static_cast<uint64_t>(s.offset) + s.length > r.size()) r.damaged(why);
  return s;
}

}  // namespace

Bitmap decodeEps(std::span<const uint8_t> data) {
  ByteReader r(data, "EPS");
  if (data.size() < 4 || data[0] != 0xC5 || data[1] != 0xD0 || data[2] != 0xD3 || data[3] != 0xC6) noPreview();
  if (data.size() < kEpsHeader) r.damaged("the header is truncated");
  r.skip(4);
  (void)sectionAt(r, "the PostScript section lies outside the file");
  (void)sectionAt(r, "the metafile preview lies outside the file");
  const Section tiff = sectionAt(r, "the TIFF preview lies outside the file");
  if (tiff.length == 0) noPreview();
  try {
    return decodeTiff(data.subspan(tiff.offset, tiff.length), 1);
  } catch (const rt::RuntimeError& e) {
    // A preview without a page is as damaged as one that cannot be decoded.
    if (e.Number() != kErrDamaged && e.Number() != kErrBadPage) throw;
    fail(kErrDamaged, QStringLiteral("The EPS file is damaged: its TIFF preview cannot be read (%1)").arg(e.Description()));
  }
}

}  // namespace img
