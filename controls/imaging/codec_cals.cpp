// CALS raster type 1: a 2048-byte header of 128-byte text records, then one page of CCITT
// group 4 data. The group 4 data goes through the TIFF reader inside a small TIFF built around it,
// so the fax decoding is the one every TIFF fax page gets.
#include "controls/imaging/byte_io.h"
#include "controls/imaging/codec.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/errors.h"

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

namespace img {

namespace {

constexpr std::size_t kCalsHeader = 2048;
constexpr std::size_t kCalsRecord = 128;

// A little-endian TIFF of one page in one strip: the fixed part (header, directory, resolution
// values) followed by the compressed data as given.
std::vector<uint8_t> wrapInTiff(std::span<const uint8_t> strip, uint32_t width, uint32_t height, uint16_t compression,
                                uint16_t photometric, uint32_t dpi, const char* format) {
  struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
  };
  constexpr uint16_t kShort = 3, kLong = 4, kRational = 5;
  constexpr uint32_t kEntries = 12;
  constexpr uint32_t kDirAt = 8;
  constexpr uint32_t kRationalsAt = kDirAt + 2 + kEntries * 12 + 4;
  constexpr uint32_t kDataAt = kRationalsAt + 16;
  if (strip.size() > UINT32_MAX - kDataAt) damagedFile(format, "the picture data is too large");
  const uint32_t res = dpi ? dpi : 1;
  const Entry entries[kEntries] = {
      {256, kLong, 1, width},
      {257, kLong, 1, height},
      {258, kShort, 1, 1},
      {259, kShort, 1, compression},
      {262, kShort, 1, photometric},
      {273, kLong, 1, kDataAt},
      {277, kShort, 1, 1},
      {278, kLong, 1, height},
      {279, kLong, 1, static_cast<uint32_t>(strip.size())},
      {282, kRational, 1, kRationalsAt},
      {283, kRational, 1, kRationalsAt + 8},
      {296, kShort, 1, static_cast<uint32_t>(dpi ? 2 : 1)},
  };
  std::vector<uint8_t> out;
  out.reserve(kDataAt + strip.size());
  ByteWriter w(out, true);
  w.u8('I');
  w.u8('I');
  w.u16(42);
  w.u32(kDirAt);
  w.u16(static_cast<uint16_t>(kEntries));
  for (const Entry& e : entries) {
    w.u16(e.tag);
    w.u16(e.type);
    w.u32(e.count);
    w.u32(e.value);  // a short sits in the low half, which is where little-endian puts it
  }
  w.u32(0);
  for (int i = 0; i < 2; ++i) {
    w.u32(res);
    w.u32(1);
  }
  w.bytes(strip.data(), strip.size());
  return out;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

// The value of the record "key: value" among the header's records, if there is one.
std::optional<std::string_view> field(std::span<const uint8_t> header, std::string_view key) {
  for (std::size_t at = 0; at + kCalsRecord <= header.size(); at += kCalsRecord) {
    const std::string_view rec(reinterpret_cast<const char*>(header.data() + at), kCalsRecord);
    if (rec.size() <= key.size() || rec[key.size()] != ':') continue;
    bool same = true;
    for (std::size_t i = 0; i < key.size() && same; ++i)
      same = std::tolower(static_cast<unsigned char>(rec[i])) == key[i];
    if (same) return trimmed(rec.substr(key.size() + 1));
  }
  return std::nullopt;
}

// A decimal number of at most nine digits (larger values are nonsense in every field here).
std::optional<uint32_t> number(std::string_view s) {
  s = trimmed(s);
  if (s.empty() || s.size() > 9) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  return v;
}

// Two numbers "a,b".
std::optional<std::pair<uint32_t, uint32_t>> pairOf(std::string_view s) {
  const auto comma = s.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto a = number(s.substr(0, comma)), b = number(s.substr(comma + 1));
  if (!a || !b) return std::nullopt;
  return std::make_pair(*a, *b);
}

}  // namespace

Bitmap decodeFaxG4(std::span<const uint8_t> data, uint32_t width, uint32_t height, bool negative, uint32_t dpi,
                   const char* format) {
  (void)Bitmap::checkedSize(width, height, 1);
  if (data.empty()) damagedFile(format, "no picture data");
  const std::vector<uint8_t> tiff = wrapInTiff(data, width, height, 4, negative ? 1 : 0, dpi, format);
  Bitmap b;
  try {
    b = decodeTiff(tiff, 1);
  } catch (const rt::RuntimeError& e) {
    // The TIFF around the data is ours: what failed is the file's group 4 data.
    if (e.Number() != kErrDamaged) throw;
    fail(kErrDamaged, QStringLiteral("The %1 file is damaged: its group 4 data cannot be decoded (%2)")
                          .arg(QString::fromLatin1(format), e.Description()));
  }
  if (!dpi) {
    b.resolutionX = b.resolutionY = 0;
    b.resolutionUnit = 0;
  }
  return b;
}

Bitmap decodeCals(std::span<const uint8_t> data) {
  if (data.size() < kCalsHeader) damagedFile("CALS", "the header is truncated");
  const auto header = data.first(kCalsHeader);
  if (const auto type = field(header, "rtype")) {
    const auto t = number(*type);
    if (!t) damagedFile("CALS", "the raster type is not a number");
    if (*t != 1) fail(kErrUnsupported, QStringLiteral("Reading CALS type %1 files is not supported").arg(*t));
  }
  const auto count = field(header, "rpelcnt");
  if (!count) damagedFile("CALS", "the header has no picture size (rpelcnt)");
  const auto size = pairOf(*count);
  if (!size) damagedFile("CALS", "the picture size (rpelcnt) is not two numbers");
  if (size->first == 0 || size->second == 0 || size->first > static_cast<uint32_t>(kMaxDimension) ||
      size->second > static_cast<uint32_t>(kMaxDimension))
    damagedFile("CALS", "the picture size (rpelcnt) is out of range");
  uint32_t dpi = 0;
  if (const auto density = field(header, "rdensty")) {
    const auto d = number(*density);
    if (d && *d > 0 && *d <= 100000) dpi = *d;
  }
  // The direction of the pixels along a line, counter-clockwise from the page's x axis; lines
  // follow each other a quarter turn clockwise from it ("000,270" is the usual page).
  int quarterTurns = 0;
  if (const auto orient = field(header, "rorient")) {
    const auto o = pairOf(*orient);
    if (!o || o->first % 90 != 0 || o->first >= 360 || o->second >= 360 || (o->second + 360 - o->first) % 360 != 270)
      fail(kErrUnsupported, QStringLiteral("Reading CALS files with the orientation %1 is not supported")
                                .arg(QString::fromLatin1(orient->data(), static_cast<qsizetype>(orient->size()))));
    quarterTurns = static_cast<int>((360 - o->first) / 90 % 4);
  }
  const auto body = data.subspan(kCalsHeader);
  if (body.empty()) damagedFile("CALS", "no picture data after the header");
  Bitmap b = decodeFaxG4(body, size->first, size->second, false, dpi, "CALS");
  return quarterTurns ? rotate90(b, quarterTurns) : b;
}

bool looksLikeCals(std::span<const uint8_t> head) {
  auto startsWith = [&](std::string_view s) {
    return head.size() >= s.size() && std::string_view(reinterpret_cast<const char*>(head.data()), s.size()) == s;
  };
  return startsWith("srcdocid:") || startsWith("rtype:");
}

}  // namespace img
