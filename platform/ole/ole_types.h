#pragma once
// Automation strings, byte-array variants, safe arrays and streams as the engine exchanges them.
// Strings are length-prefixed UTF-16 held as char16_t (wchar_t is 32-bit here).
#include <cstdint>

namespace plat {

using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = int32_t(0x80004005u);
constexpr HRESULT E_POINTER = int32_t(0x80004003u);
constexpr HRESULT E_OUTOFMEMORY = int32_t(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = int32_t(0x80070057u);
constexpr HRESULT STG_E_READFAULT = int32_t(0x8003001Eu);
constexpr HRESULT STG_E_WRITEFAULT = int32_t(0x8003001Du);
constexpr HRESULT STG_E_INVALIDFUNCTION = int32_t(0x80030001u);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A string is the address of its first UTF-16 unit; the 32-bit byte count sits just before it and
// a terminating 0 just after the text.
using BSTR = char16_t*;

struct SAFEARRAYBOUND {
  uint32_t cElements = 0;
  int32_t lLbound = 0;
};

struct SAFEARRAY {
  uint16_t cDims = 0;
  uint16_t fFeatures = 0;
  uint32_t cbElements = 0;
  uint32_t cLocks = 0;
  void* pvData = nullptr;
  SAFEARRAYBOUND rgsabound[1];
};

using VARTYPE = uint16_t;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_DATE = 7;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_ARRAY = 0x2000;

struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  uint16_t wReserved1 = 0;
  uint16_t wReserved2 = 0;
  uint16_t wReserved3 = 0;
  union {
    int32_t lVal;
    double date;
    BSTR bstrVal;
    SAFEARRAY* parray;
    int64_t llVal = 0;
  };
};

// A sequential, seekable byte stream with a reference count.
constexpr uint32_t STREAM_SEEK_SET = 0;
constexpr uint32_t STREAM_SEEK_CUR = 1;
constexpr uint32_t STREAM_SEEK_END = 2;

class IStream {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  // A short read is not an error: *read tells how much arrived.
  virtual HRESULT Read(void* buffer, uint32_t bytes, uint32_t* read) = 0;
  virtual HRESULT Write(const void* buffer, uint32_t bytes, uint32_t* written) = 0;
  virtual HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPosition) = 0;
  virtual HRESULT SetSize(uint64_t size) = 0;

 protected:
  virtual ~IStream() = default;
};

}  // namespace plat
