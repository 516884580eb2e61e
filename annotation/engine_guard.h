#pragma once
// Internal to the engine: how every slot keeps exceptions inside, and small helpers the slot files
// share.
#include <cstdint>
#include <functional>
#include <new>

#include "annotation/ann_codes.h"
#include "annotation/engine_interface.h"

namespace ann_detail {

// How deep the host has called into the engine: a host callback may call slots again, and the
// layer or element that raised the callback is still running underneath. Whatever such a nested call
// destroys is handed to deferUntilSlotsReturn and destroyed once the outermost slot has returned.
class SlotDepth {
 public:
  SlotDepth() noexcept;
  ~SlotDepth();
  SlotDepth(const SlotDepth&) = delete;
  SlotDepth& operator=(const SlotDepth&) = delete;
  // 1 inside a slot the host called directly, more inside a slot called from a host callback.
  static int Current() noexcept;
};
// Runs work now when no slot is running, else when the outermost slot returns.
void deferUntilSlotsReturn(std::function<void()> work);

// Nothing thrown by the engine's work may cross into the host: every slot runs through these.
template <typename R, typename F>
R guarded(R failure, F&& work) noexcept {
  SlotDepth depth;
  try {
    return work();
  } catch (...) {
    return failure;
  }
}

template <typename F>
int32_t guardedCode(F&& work) noexcept {
  SlotDepth depth;
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return ERR_NO_MEMORY;
  } catch (...) {
    return ERR_INTERNAL;
  }
}

template <typename F>
void guardedVoid(F&& work) noexcept {
  SlotDepth depth;
  try {
    work();
  } catch (...) {
  }
}

inline bool lowByte(int32_t v) { return (v & 0xFF) != 0; }

inline const char16_t* asText(AnnValue v) { return reinterpret_cast<const char16_t*>(v); }

}  // namespace ann_detail

// The body of a slot that looks its layer up and calls exactly one layer operation.
#define ANN_FORWARD(call)                              \
  return ann_detail::guardedCode([&]() -> int32_t {    \
    AnnLayer* l = FindLayer(layer);                    \
    if (!l) return ERR_BAD_LAYER;                      \
    return l->call;                                    \
  })

// The same for the enumeration slots: the layer answers an id, the slot hands it out.
#define ANN_FORWARD_ID(call)                           \
  return ann_detail::guardedCode([&]() -> int32_t {    \
    AnnLayer* l = FindLayer(layer);                    \
    if (!l) return ERR_BAD_LAYER;                      \
    int32_t v = l->call;                               \
    if (id) *id = v;                                   \
    return ANN_OK;                                     \
  })
