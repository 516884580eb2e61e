#pragma once
// Task memory, automation strings, byte-array variants, safe arrays and a stream on a movable
// memory block.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/memory/global_memory.h"
#include "platform/ole/ole_types.h"

namespace plat {

// Task memory: blocks handed across the engine boundary and freed by the receiver.
void* CoTaskMemAlloc(std::size_t bytes);
void* CoTaskMemRealloc(void* block, std::size_t bytes);
void CoTaskMemFree(void* block);
std::size_t CoTaskMemLiveBlocks();

// Strings. A null BSTR is a valid empty string for every reader here.
BSTR SysAllocString(const char16_t* text);
BSTR SysAllocStringLen(const char16_t* text, uint32_t units);
BSTR SysAllocStringByteLen(const char* bytes, uint32_t byteCount);
void SysFreeString(BSTR s);
uint32_t SysStringLen(BSTR s);
uint32_t SysStringByteLen(BSTR s);
// Replaces *target with a copy of text (which may be null); false when memory ran out.
bool SysReAllocString(BSTR* target, const char16_t* text);
std::size_t SysLiveStrings();
// Conveniences for C++ callers.
BSTR SysAllocFromU16(std::u16string_view text);
std::u16string SysToU16(BSTR s);
// The string in the ANSI code page of stored texts, one byte a character ('?' where it has none).
std::string SysToAnsi(BSTR s);
// Compares two strings by content; null equals empty.
bool SysStringEqual(BSTR a, BSTR b);

// Variant dates: days since 1899-12-30 with the time as the fraction; FILETIME is 100 ns units
// since 1601-01-01 (UTC). Conversions keep milliseconds, as the platform's do.
double FileTimeToVariantTime(uint64_t fileTime);
uint64_t VariantTimeToFileTime(double date);

// Safe arrays of bytes (one dimension).
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, int32_t lowerBound, uint32_t elements);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, uint32_t dim, int32_t* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, uint32_t dim, int32_t* bound);
uint32_t SafeArrayGetDim(SAFEARRAY* array);

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
// A VT_ARRAY|VT_UI1 variant holding a copy of bytes; false when memory ran out (v stays empty).
bool VariantFromBytes(VARIANT* v, const void* bytes, uint32_t count);
// The bytes of a non-empty one-dimensional byte-array variant, or null.
const uint8_t* VariantBytes(const VARIANT* v, uint32_t* count);

// A stream over a movable memory block that grows as it is written. With a null block the stream
// makes its own. deleteOnRelease frees the block when the last reference goes.
HRESULT CreateStreamOnHGlobal(HGLOBAL block, bool deleteOnRelease, IStream** stream);
HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* block);

}  // namespace plat
