#include "platform/ole/ole.h"

#include "platform/text/ansi.h"

#include <algorithm>
#include <cmath>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace plat {

namespace {
std::atomic<std::size_t> gTaskBlocks{0};
std::atomic<std::size_t> gStrings{0};
}  // namespace

void* CoTaskMemAlloc(std::size_t bytes) {
  void* p = std::malloc(bytes ? bytes : 1);
  if (p) ++gTaskBlocks;
  return p;
}

void* CoTaskMemRealloc(void* block, std::size_t bytes) {
  if (!block) return CoTaskMemAlloc(bytes);
  return std::realloc(block, bytes ? bytes : 1);
}

void CoTaskMemFree(void* block) {
  if (!block) return;
  std::free(block);
  --gTaskBlocks;
}

std::size_t CoTaskMemLiveBlocks() { return gTaskBlocks; }

// Layout: uint32 byte count, the text, a 16-bit terminator.
BSTR SysAllocStringByteLen(const char* bytes, uint32_t byteCount) {
  if (byteCount > std::numeric_limits<uint32_t>::max() - 8) return nullptr;
  auto* raw = static_cast<char*>(std::malloc(std::size_t(byteCount) + 4 + 2 + 1));
  if (!raw) return nullptr;
  std::memcpy(raw, &byteCount, 4);
  if (bytes) std::memcpy(raw + 4, bytes, byteCount);
  else std::memset(raw + 4, 0, byteCount);
  std::memset(raw + 4 + byteCount, 0, 3);
  ++gStrings;
  return reinterpret_cast<BSTR>(raw + 4);
}

BSTR SysAllocStringLen(const char16_t* text, uint32_t units) {
  if (units > (std::numeric_limits<uint32_t>::max() - 8) / 2) return nullptr;
  return SysAllocStringByteLen(reinterpret_cast<const char*>(text), units * 2);
}

BSTR SysAllocString(const char16_t* text) {
  if (!text) return nullptr;
  uint32_t n = 0;
  while (text[n]) ++n;
  return SysAllocStringLen(text, n);
}

void SysFreeString(BSTR s) {
  if (!s) return;
  std::free(reinterpret_cast<char*>(s) - 4);
  --gStrings;
}

uint32_t SysStringByteLen(BSTR s) {
  if (!s) return 0;
  uint32_t n;
  std::memcpy(&n, reinterpret_cast<const char*>(s) - 4, 4);
  return n;
}

uint32_t SysStringLen(BSTR s) { return SysStringByteLen(s) / 2; }

bool SysReAllocString(BSTR* target, const char16_t* text) {
  BSTR copy = nullptr;
  if (text) {
    copy = SysAllocString(text);
    if (!copy) return false;
  }
  SysFreeString(*target);
  *target = copy;
  return true;
}

std::size_t SysLiveStrings() { return gStrings; }

BSTR SysAllocFromU16(std::u16string_view text) { return SysAllocStringLen(text.data(), uint32_t(text.size())); }

std::u16string SysToU16(BSTR s) { return s ? std::u16string(s, SysStringLen(s)) : std::u16string(); }

std::string SysToAnsi(BSTR s) { return toAnsi(QString::fromStdU16String(SysToU16(s))); }

bool SysStringEqual(BSTR a, BSTR b) {
  uint32_t la = SysStringByteLen(a), lb = SysStringByteLen(b);
  return la == lb && (la == 0 || std::memcmp(a, b, la) == 0);
}

namespace {
constexpr int64_t kTicksPerMs = 10000;
constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kDaysFrom1601To1899 = 109205;  // 1601-01-01 to 1899-12-30
}  // namespace

double FileTimeToVariantTime(uint64_t fileTime) {
  int64_t ms = int64_t(fileTime / kTicksPerMs) - kDaysFrom1601To1899 * kMsPerDay;
  // Before 1899-12-30 the fraction counts forward from the (negative) day, as variant dates do.
  int64_t day = ms >= 0 ? ms / kMsPerDay : -((-ms + kMsPerDay - 1) / kMsPerDay);
  double fraction = double(ms - day * kMsPerDay) / kMsPerDay;
  return day >= 0 ? day + fraction : day - fraction;
}

uint64_t VariantTimeToFileTime(double date) {
  double whole = date < 0 ? std::ceil(date) : std::floor(date);
  double fraction = std::fabs(date - whole);
  int64_t ms = int64_t(whole) * kMsPerDay + int64_t(std::llround(fraction * kMsPerDay));
  int64_t total = ms + kDaysFrom1601To1899 * kMsPerDay;
  return total < 0 ? 0 : uint64_t(total) * kTicksPerMs;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t elements) {
  if (vt != VT_UI1) return nullptr;
  auto* a = new (std::nothrow) SAFEARRAY;
  if (!a) return nullptr;
  a->cDims = 1;
  a->cbElements = 1;
  a->rgsabound[0].cElements = elements;
  a->rgsabound[0].lLbound = lowerBound;
  a->pvData = std::calloc(elements ? elements : 1, 1);
  if (!a->pvData) {
    delete a;
    return nullptr;
  }
  return a;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
  if (!array) return S_OK;
  if (array->cLocks) return int32_t(0x8002000Du);  // DISP_E_ARRAYISLOCKED
  std::free(array->pvData);
  delete array;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
  if (!array || !data) return E_INVALIDARG;
  ++array->cLocks;
  *data = array->pvData;
  return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
  if (!array || array->cLocks == 0) return E_INVALIDARG;
  --array->cLocks;
  return S_OK;
}

uint32_t SafeArrayGetDim(SAFEARRAY* array) { return array ? array->cDims : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* array, uint32_t dim, int32_t* bound) {
  if (!array || dim != 1 || !bound) return E_INVALIDARG;
  *bound = array->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, uint32_t dim, int32_t* bound) {
  if (!array || dim != 1 || !bound) return E_INVALIDARG;
  *bound = array->rgsabound[0].lLbound + int32_t(array->rgsabound[0].cElements) - 1;
  return S_OK;
}

void VariantInit(VARIANT* v) {
  if (!v) return;
  *v = VARIANT{};
}

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  else if (v->vt & VT_ARRAY) SafeArrayDestroy(v->parray);
  VariantInit(v);
  return S_OK;
}

bool VariantFromBytes(VARIANT* v, const void* bytes, uint32_t count) {
  VariantInit(v);
  SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, count);
  if (!a) return false;
  if (count) std::memcpy(a->pvData, bytes, count);
  v->vt = VT_ARRAY | VT_UI1;
  v->parray = a;
  return true;
}

const uint8_t* VariantBytes(const VARIANT* v, uint32_t* count) {
  if (count) *count = 0;
  if (!v || v->vt != (VT_ARRAY | VT_UI1) || !v->parray || v->parray->cDims != 1) return nullptr;
  if (v->parray->rgsabound[0].cElements == 0) return nullptr;
  if (count) *count = v->parray->rgsabound[0].cElements;
  return static_cast<const uint8_t*>(v->parray->pvData);
}

namespace {

class HGlobalStream final : public IStream {
 public:
  HGlobalStream(HGLOBAL block, bool deleteOnRelease) : block_(block), delete_(deleteOnRelease) {}
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    uint32_t r = --refs_;
    if (r == 0) {
      if (delete_) GlobalFree(block_);
      delete this;
    }
    return r;
  }
  HRESULT Read(void* buffer, uint32_t bytes, uint32_t* read) override {
    if (read) *read = 0;
    if (!buffer && bytes) return E_POINTER;
    std::size_t size = GlobalSize(block_);
    std::size_t n = pos_ >= size ? 0 : std::min<std::size_t>(bytes, size - pos_);
    if (n) {
      auto* p = static_cast<const char*>(GlobalLock(block_));
      if (!p) return STG_E_READFAULT;
      std::memcpy(buffer, p + pos_, n);
      GlobalUnlock(block_);
    }
    pos_ += n;
    if (read) *read = uint32_t(n);
    return n < bytes ? S_FALSE : S_OK;
  }
  HRESULT Write(const void* buffer, uint32_t bytes, uint32_t* written) override {
    if (written) *written = 0;
    if (!buffer && bytes) return E_POINTER;
    uint64_t end = pos_ + bytes;
    if (end > kMaxGlobalBlock) return STG_E_WRITEFAULT;
    if (end > GlobalSize(block_)) {
      // Grow geometrically so that a stream written in small pieces stays linear.
      std::size_t cap = std::max<std::size_t>(std::size_t(end), GlobalSize(block_) * 2);
      cap = std::min<std::size_t>(cap, kMaxGlobalBlock);
      if (!GrowTo(cap)) return E_OUTOFMEMORY;
      size_ = std::size_t(end);
    } else if (end > size_) {
      size_ = std::size_t(end);
    }
    if (bytes) {
      auto* p = static_cast<char*>(GlobalLock(block_));
      if (!p) return STG_E_WRITEFAULT;
      std::memcpy(p + pos_, buffer, bytes);
      GlobalUnlock(block_);
    }
    pos_ = end;
    if (written) *written = bytes;
    return S_OK;
  }
  HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPosition) override {
    int64_t base;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = int64_t(pos_); break;
      case STREAM_SEEK_END: base = int64_t(LogicalSize()); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    int64_t p = base + move;
    if (p < 0) return STG_E_INVALIDFUNCTION;
    pos_ = uint64_t(p);
    if (newPosition) *newPosition = pos_;
    return S_OK;
  }
  HRESULT SetSize(uint64_t size) override {
    if (size > kMaxGlobalBlock) return E_OUTOFMEMORY;
    if (size != GlobalSize(block_) && !GrowTo(std::size_t(size))) return E_OUTOFMEMORY;
    size_ = std::size_t(size);
    return S_OK;
  }
  HGLOBAL Block() {
    // Whoever takes the block sees exactly the bytes written.
    if (GlobalSize(block_) != LogicalSize()) GrowTo(LogicalSize());
    return block_;
  }

 private:
  std::size_t LogicalSize() const { return size_; }
  bool GrowTo(std::size_t bytes) {
    HGLOBAL h = GlobalReAlloc(block_, bytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!h) return false;
    block_ = h;
    return true;
  }

 public:
  std::size_t size_ = 0;

 private:
  HGLOBAL block_;
  bool delete_;
  uint32_t refs_ = 1;
  uint64_t pos_ = 0;
};

}  // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL block, bool deleteOnRelease, IStream** stream) {
  if (!stream) return E_INVALIDARG;
  *stream = nullptr;
  bool own = false;
  if (!block) {
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0);
    if (!block) return E_OUTOFMEMORY;
    own = true;
  } else if (!GlobalIsValid(block)) {
    return E_INVALIDARG;
  }
  auto* s = new (std::nothrow) HGlobalStream(block, deleteOnRelease);
  if (!s) {
    if (own) GlobalFree(block);
    return E_OUTOFMEMORY;
  }
  s->size_ = GlobalSize(block);
  *stream = s;
  return S_OK;
}

HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* block) {
  auto* s = dynamic_cast<HGlobalStream*>(stream);
  if (!s || !block) return E_INVALIDARG;
  *block = s->Block();
  return S_OK;
}

}  // namespace plat
