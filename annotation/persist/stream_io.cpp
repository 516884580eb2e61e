#include "annotation/persist/stream_io.h"

#include <algorithm>
#include <vector>

#include "annotation/rect_util.h"
#include "platform/ole/ole.h"

namespace {
constexpr size_t kWriteBuffer = 16384;
}

bool AnnStreamWriter::Flush() {
  if (!ok_ || buffer_.empty()) {
    buffer_.clear();
    return ok_;
  }
  uint32_t written = 0, count = uint32_t(buffer_.size());
  if (!stream_ || plat::FAILED(stream_->Write(buffer_.data(), count, &written)) || written != count) ok_ = false;
  buffer_.clear();
  return ok_;
}

bool AnnStreamWriter::Bytes(const void* data, uint32_t count) {
  if (!ok_) return false;
  if (count == 0) return true;
  if (buffer_.size() + count > kWriteBuffer && !Flush()) return false;
  auto* p = static_cast<const uint8_t*>(data);
  if (count >= kWriteBuffer) {
    uint32_t written = 0;
    if (!stream_ || plat::FAILED(stream_->Write(p, count, &written)) || written != count) ok_ = false;
    return ok_;
  }
  buffer_.insert(buffer_.end(), p, p + count);
  return true;
}

bool AnnStreamWriter::String(plat::BSTR text) {
  uint32_t units = text ? plat::SysStringLen(text) : 0;
  if (!text) return U32(0);
  if (!U32(units * 2 + 2)) return false;
  if (!Bytes(text, units * 2)) return false;
  char16_t terminator = 0;
  return Bytes(&terminator, 2);
}

int64_t AnnStreamWriter::Position() {
  Flush();
  uint64_t pos = 0;
  if (!stream_ || plat::FAILED(stream_->Seek(0, plat::STREAM_SEEK_CUR, &pos))) return -1;
  return int64_t(pos);
}

bool AnnStreamWriter::SeekTo(int64_t position) {
  if (!Flush()) return false;
  if (!stream_ || plat::FAILED(stream_->Seek(position, plat::STREAM_SEEK_SET, nullptr))) ok_ = false;
  return ok_;
}

AnnStreamReader::AnnStreamReader(plat::IStream* stream) : stream_(stream) {
  if (!stream_) return;
  uint64_t here = 0, end = 0;
  if (plat::FAILED(stream_->Seek(0, plat::STREAM_SEEK_CUR, &here))) return;
  if (plat::FAILED(stream_->Seek(0, plat::STREAM_SEEK_END, &end))) return;
  stream_->Seek(int64_t(here), plat::STREAM_SEEK_SET, nullptr);
  remaining_ = end > here ? end - here : 0;
}

bool AnnStreamReader::Bytes(void* data, uint32_t count) {
  if (count == 0) return true;
  if (count > remaining_ || !stream_) return false;
  uint32_t read = 0;
  if (plat::FAILED(stream_->Read(data, count, &read)) || read != count) {
    remaining_ = 0;
    return false;
  }
  remaining_ -= count;
  return true;
}

bool AnnStreamReader::Skip(uint32_t count) {
  if (count > remaining_ || !stream_) return false;
  if (plat::FAILED(stream_->Seek(count, plat::STREAM_SEEK_CUR, nullptr))) return false;
  remaining_ -= count;
  return true;
}

bool AnnStreamReader::Count(uint32_t* count, uint32_t itemSize) {
  if (!U32(count)) return false;
  return itemSize == 0 || uint64_t(*count) * itemSize <= remaining_;
}

bool AnnStreamReader::Rect(plat::RECT* rect) {
  if (!Bytes(rect, sizeof *rect)) return false;
  *rect = annLimitRect(*rect);
  return true;
}

bool AnnStreamReader::Points(std::vector<plat::POINT>* points) {
  uint32_t count = 0;
  if (!Count(&count, sizeof(plat::POINT))) return false;
  points->resize(count);
  if (count && !Bytes(points->data(), count * uint32_t(sizeof(plat::POINT)))) return false;
  for (plat::POINT& p : *points) p = annLimitPoint(p);
  return true;
}

bool AnnStreamReader::Font(plat::LOGFONTA* font) {
  if (!Bytes(font, sizeof *font)) return false;
  annLimitFontSize(font);
  return true;
}

bool AnnStreamReader::String(plat::BSTR* text) {
  *text = nullptr;
  uint32_t bytes = 0;
  if (!U32(&bytes)) return false;
  if (bytes == 0) return true;
  if (bytes > remaining_ || bytes < 2 || bytes % 2 != 0) return false;
  std::vector<char16_t> buffer(bytes / 2);
  if (!Bytes(buffer.data(), bytes)) return false;
  if (buffer.back() != 0) return false;
  // The text ends at its first terminator, as the writer stored it.
  std::u16string_view view(buffer.data());
  *text = plat::SysAllocFromU16(view);
  return *text != nullptr;
}
