#pragma once
// A reference to a platform stream that is released with its holder, and the memory-stream chores
// the containers share: make one, measure what was written, copy the written bytes out.
#include <cstddef>
#include <cstdint>

#include "platform/memory/global_memory.h"
#include "platform/ole/ole_types.h"

class AnnStreamRef {
 public:
  AnnStreamRef() = default;
  explicit AnnStreamRef(plat::IStream* s) : stream_(s) {}
  ~AnnStreamRef();
  AnnStreamRef(const AnnStreamRef&) = delete;
  AnnStreamRef& operator=(const AnnStreamRef&) = delete;
  plat::IStream* get() const { return stream_; }
  plat::IStream** out() { return &stream_; }
  explicit operator bool() const { return stream_ != nullptr; }

  // A growing stream on a new memory block; false when none could be made.
  bool MakeMemory();
  // A stream reading a copy of bytes; false when memory ran out.
  bool MakeReader(const void* data, std::size_t bytes);
  // The bytes from the start of the stream to its current position, as a pointer into the
  // stream's block and a count (valid while the stream lives).
  const uint8_t* Written(uint64_t* count) const;
  // The written bytes in a new task-memory block stored through block; their count, or 0 (and
  // nothing stored) when there are none or no block could be had.
  int32_t CopyToTaskMemory(void** block) const;
  bool Rewind() const;
  int64_t Position() const;

 private:
  plat::IStream* stream_ = nullptr;
  mutable plat::HGLOBAL locked_ = nullptr;
};
