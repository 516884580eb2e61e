#pragma once
// Little-endian int32 readers and writers over a platform stream, as the layer stream and the
// element record use them. Every write is checked; the reader never reads past the end of its
// stream and refuses a length that exceeds the bytes that remain, so a damaged or hostile stream
// cannot make it allocate without bound.
#include <cstdint>
#include <string>
#include <vector>

#include "annotation/rect_util.h"
#include "platform/graphics/gdi_types.h"
#include "platform/ole/ole_types.h"

class AnnStreamWriter {
 public:
  explicit AnnStreamWriter(plat::IStream* stream) : stream_(stream) {}
  // Writes go through a small buffer: the platform stream is reached once per few kilobytes.
  ~AnnStreamWriter() { Flush(); }
  AnnStreamWriter(const AnnStreamWriter&) = delete;
  AnnStreamWriter& operator=(const AnnStreamWriter&) = delete;
  // Hands buffered bytes to the stream; false once any write failed (later writes are skipped).
  bool Flush();
  // Everything written so far reached the stream.
  bool Ok() { return Flush(); }
  // No write has failed yet; bytes may still wait in the buffer.
  bool Good() const { return ok_; }
  plat::IStream* Stream() const { return stream_; }
  bool Bytes(const void* data, uint32_t count);
  bool I32(int32_t value) { return Bytes(&value, 4); }
  bool U32(uint32_t value) { return Bytes(&value, 4); }
  // Engine string: uint32 byte count (text bytes + 2, 0 for none), then UTF-16 text and terminator.
  bool String(plat::BSTR text);
  // Current position, or -1 when the stream cannot tell.
  int64_t Position();
  bool SeekTo(int64_t position);

 private:
  plat::IStream* stream_;
  bool ok_ = true;
  std::vector<uint8_t> buffer_;
};

class AnnStreamReader {
 public:
  // Measures the bytes between the stream's position and its end.
  explicit AnnStreamReader(plat::IStream* stream);
  plat::IStream* Stream() const { return stream_; }
  uint64_t Remaining() const { return remaining_; }
  bool Bytes(void* data, uint32_t count);
  bool I32(int32_t* value) { return Bytes(value, 4); }
  bool U32(uint32_t* value) { return Bytes(value, 4); }
  // False on a short read, a byte count beyond the remaining bytes, an odd count or missing
  // terminator. A count of 0 gives a null string.
  bool String(plat::BSTR* text);
  // Reads a count of items of itemSize bytes each that must fit in what remains.
  bool Count(uint32_t* count, uint32_t itemSize);
  bool Skip(uint32_t count);
  // Stored coordinates: false on a short read. A coordinate outside the sound range of the page
  // is held at its edge (annLimitCoordinate), so no later sum or scaling of it can overflow and
  // the element that holds it is kept. Points come after their count, which must fit in what
  // remains.
  bool Rect(plat::RECT* rect);
  bool Points(std::vector<plat::POINT>* points);
  // A stored LOGFONTA; its face name always ends inside its field, however the bytes ran, and its
  // height and width are held within +-kAnnFontSizeLimit.
  bool Font(plat::LOGFONTA* font);
  // Narrows the readable bytes to at most max (a body that declares its own size).
  void Limit(uint64_t max) { remaining_ = remaining_ < max ? remaining_ : max; }
  // Accounts for bytes that another reader consumed from the same stream.
  void Consumed(uint64_t count) { remaining_ = remaining_ > count ? remaining_ - count : 0; }

 private:
  plat::IStream* stream_;
  uint64_t remaining_ = 0;
};
