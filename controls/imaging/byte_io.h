#pragma once
// Bounds-checked little and big-endian reading and writing for the small codecs. Every read past
// the end throws the "damaged file" error naming the format, so no decoder reads beyond its input.
#include "controls/imaging/imaging_errors.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace img {

class ByteReader {
 public:
  ByteReader(std::span<const uint8_t> data, const char* format) : d_(data), format_(format) {}
  std::size_t size() const { return d_.size(); }
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return d_.size() - pos_; }
  bool atEnd() const { return pos_ >= d_.size(); }
  void seek(uint64_t p) {
    if (p > d_.size()) damaged("offset past the end of the file");
    pos_ = static_cast<std::size_t>(p);
  }
  void skip(uint64_t n) {
    if (n > remaining()) damaged("file is truncated");
    pos_ += static_cast<std::size_t>(n);
  }
  std::span<const uint8_t> take(uint64_t n) {
    if (n > remaining()) damaged("file is truncated");
    auto s = d_.subspan(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return s;
  }
  uint8_t u8() {
    if (pos_ >= d_.size()) damaged("file is truncated");
    return d_[pos_++];
  }
  uint16_t u16le() {
    auto s = take(2);
    return static_cast<uint16_t>(s[0] | (s[1] << 8));
  }
  uint32_t u32le() {
    auto s = take(4);
    return static_cast<uint32_t>(s[0]) | (static_cast<uint32_t>(s[1]) << 8) | (static_cast<uint32_t>(s[2]) << 16) |
           (static_cast<uint32_t>(s[3]) << 24);
  }
  int32_t i32le() { return static_cast<int32_t>(u32le()); }
  const uint8_t* data() const { return d_.data(); }
  std::span<const uint8_t> all() const { return d_; }
  [[noreturn]] void damaged(const char* why) const;

 private:
  std::span<const uint8_t> d_;
  std::size_t pos_ = 0;
  const char* format_;
};

[[noreturn]] void damagedFile(const char* format, const char* why);

// Writes into a pre-sized buffer (toPackedDib) or appends to a growing one.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out, bool append = false) : o_(out), append_(append) {}
  void u8(uint8_t v) {
    if (append_) o_.push_back(v);
    else o_[pos_++] = v;
  }
  void u16(uint16_t v) {
    u8(static_cast<uint8_t>(v));
    u8(static_cast<uint8_t>(v >> 8));
  }
  void u32(uint32_t v) {
    u16(static_cast<uint16_t>(v));
    u16(static_cast<uint16_t>(v >> 16));
  }
  void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
  void bytes(const uint8_t* p, std::size_t n) {
    if (append_) o_.insert(o_.end(), p, p + n);
    else {
      std::memcpy(o_.data() + pos_, p, n);
      pos_ += n;
    }
  }

 private:
  std::vector<uint8_t>& o_;
  bool append_;
  std::size_t pos_ = 0;
};

}  // namespace img
