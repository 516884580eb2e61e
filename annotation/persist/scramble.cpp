#include "annotation/persist/scramble.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> makeTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}

constexpr std::array<uint32_t, 256> kTable = makeTable();
static_assert(kTable[1] == 0x77073096u);

uint8_t keyByte(uint32_t s) { return uint8_t(s ^ (s >> 8) ^ (s >> 16) ^ (s >> 24)); }

}  // namespace

void crc32Update(uint8_t byte, uint32_t* state) { *state = kTable[(*state ^ byte) & 0xFF] ^ (*state >> 8); }

uint32_t crc32String(std::string_view ansi, uint32_t* state) {
  for (char c : ansi) crc32Update(uint8_t(c), state);
  return *state;
}

uint32_t scrambleEncode(uint8_t* buffer, std::string_view ansiPassword, std::size_t length) {
  uint32_t s = 0;
  crc32String(ansiPassword, &s);
  for (std::size_t i = 0; i < length; ++i) {
    uint8_t y = buffer[i] ^ keyByte(s);
    buffer[i] = y;
    crc32Update(y, &s);
  }
  return s;
}

uint32_t scrambleDecode(uint8_t* buffer, std::string_view ansiPassword, std::size_t length) {
  uint32_t s = 0;
  crc32String(ansiPassword, &s);
  for (std::size_t i = 0; i < length; ++i) {
    uint8_t y = buffer[i];
    buffer[i] = y ^ keyByte(s);
    crc32Update(y, &s);
  }
  return s;
}
