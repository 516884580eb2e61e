#pragma once
// Shared by the fuzz targets: a modest pixel cap, and only the control's own error may escape.
#include "controls/imaging/codec.h"
#include "runtime/errors.h"

#include <cstdint>
#include <span>

#define LUMIVEX_FUZZ_TARGET(body)                                                   \
  extern "C" int LLVMFuzzerInitialize(int*, char***) {                              \
    img::setMaxBitmapBytes(std::size_t(64) << 20);                                  \
    return 0;                                                                       \
  }                                                                                 \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {    \
    std::span<const uint8_t> in(data, size);                                        \
    try {                                                                           \
      body;                                                                         \
    } catch (const rt::RuntimeError&) {                                             \
    }                                                                               \
    return 0;                                                                       \
  }
