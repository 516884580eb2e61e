#include "annotation/persist/memory_stream.h"

#include <cstring>

#include "platform/ole/ole.h"

AnnStreamRef::~AnnStreamRef() {
  if (locked_) plat::GlobalUnlock(locked_);
  if (stream_) stream_->Release();
}

bool AnnStreamRef::MakeMemory() { return plat::SUCCEEDED(plat::CreateStreamOnHGlobal(nullptr, true, &stream_)); }

bool AnnStreamRef::MakeReader(const void* data, std::size_t bytes) {
  plat::HGLOBAL block = bytes ? plat::GlobalFromBytes(data, bytes) : nullptr;
  if (!block) return false;
  if (plat::FAILED(plat::CreateStreamOnHGlobal(block, true, &stream_))) {
    plat::GlobalFree(block);
    return false;
  }
  return true;
}

int64_t AnnStreamRef::Position() const {
  uint64_t pos = 0;
  if (!stream_ || plat::FAILED(stream_->Seek(0, plat::STREAM_SEEK_CUR, &pos))) return -1;
  return int64_t(pos);
}

bool AnnStreamRef::Rewind() const {
  return stream_ && plat::SUCCEEDED(stream_->Seek(0, plat::STREAM_SEEK_SET, nullptr));
}

const uint8_t* AnnStreamRef::Written(uint64_t* count) const {
  *count = 0;
  int64_t size = Position();
  plat::HGLOBAL block = nullptr;
  if (size < 0 || plat::FAILED(plat::GetHGlobalFromStream(stream_, &block))) return nullptr;
  if (plat::GlobalSize(block) < uint64_t(size)) return nullptr;
  if (locked_) plat::GlobalUnlock(locked_);
  auto* data = static_cast<const uint8_t*>(plat::GlobalLock(block));
  locked_ = data ? block : nullptr;
  if (!data && size > 0) return nullptr;
  *count = uint64_t(size);
  return data;
}

int32_t AnnStreamRef::CopyToTaskMemory(void** block) const {
  uint64_t count = 0;
  const uint8_t* data = Written(&count);
  if (!data || count == 0 || count > uint64_t(INT32_MAX)) return 0;
  void* out = plat::CoTaskMemAlloc(count);
  if (!out) return 0;
  std::memcpy(out, data, count);
  *block = out;
  return int32_t(count);
}
