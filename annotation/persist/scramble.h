#pragma once
// The keyed byte stream that scrambles the body of a layer with a password. The key state steps
// like a CRC-32 over the reflected polynomial 0xEDB88320, without initial or final inversion, and
// both directions step over the stored (scrambled) bytes, so the decoder ends on the encoder's
// final state - the check value - exactly when it started from the same password.
#include <cstddef>
#include <cstdint>
#include <string_view>

void crc32Update(uint8_t byte, uint32_t* state);
// Steps the state over the ANSI bytes of a password, terminator excluded.
uint32_t crc32String(std::string_view ansi, uint32_t* state);
uint32_t scrambleEncode(uint8_t* buffer, std::string_view ansiPassword, std::size_t length);
uint32_t scrambleDecode(uint8_t* buffer, std::string_view ansiPassword, std::size_t length);
