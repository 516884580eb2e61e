#include "platform/text/ansi.h"

#include <array>

namespace plat {
namespace {
// 0x80..0x9F of Windows-1252; 0 marks the five unassigned bytes, which map to themselves.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

std::string toAnsi(const QString& text) {
  std::string out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    char mapped = '?';
    if (c >= 0x80 && c <= 0x9F && kHigh[c - 0x80] == 0) mapped = static_cast<char>(c);
    for (std::size_t k = 0; k < kHigh.size(); ++k) {
      if (kHigh[k] != 0 && kHigh[k] == c) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    }
    // A surrogate pair is one character that the code page cannot hold: one '?', not two.
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    out.push_back(mapped);
  }
  return out;
}

QString fromAnsi(std::string_view bytes) {
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (unsigned char b : bytes) {
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0)
      out.append(QChar(kHigh[b - 0x80]));
    else
      out.append(QChar(static_cast<char16_t>(b)));
  }
  return out;
}

}  // namespace plat
