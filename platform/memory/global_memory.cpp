#include "platform/memory/global_memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace plat {

struct GlobalBlock {
  unsigned char* data = nullptr;
  std::size_t size = 0;
  int locks = 0;
};

namespace {
std::mutex& blocksMutex() {
  static std::mutex m;
  return m;
}
std::unordered_set<GlobalBlock*>& liveBlocks() {
  static std::unordered_set<GlobalBlock*> s;
  return s;
}
bool isLive(HGLOBAL h) { return h && liveBlocks().count(h) != 0; }
}  // namespace

HGLOBAL GlobalAlloc(unsigned flags, std::size_t bytes) {
  if (bytes > kMaxGlobalBlock) return nullptr;
  auto* b = new GlobalBlock;
  // Always at least one byte so that a zero-sized block still has an address to lock.
  b->data = static_cast<unsigned char*>((flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1)
                                                                 : std::malloc(bytes ? bytes : 1));
  if (!b->data) {
    delete b;
    return nullptr;
  }
  b->size = bytes;
  std::lock_guard<std::mutex> g(blocksMutex());
  liveBlocks().insert(b);
  return b;
}

void* GlobalLock(HGLOBAL h) {
  std::lock_guard<std::mutex> g(blocksMutex());
  if (!isLive(h)) return nullptr;
  ++h->locks;
  return h->data;
}

bool GlobalUnlock(HGLOBAL h) {
  std::lock_guard<std::mutex> g(blocksMutex());
  if (!isLive(h) || h->locks == 0) return false;
  --h->locks;
  return h->locks > 0;
}

std::size_t GlobalSize(HGLOBAL h) {
  std::lock_guard<std::mutex> g(blocksMutex());
  return isLive(h) ? h->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
  std::lock_guard<std::mutex> g(blocksMutex());
  if (!isLive(h)) return h;
  liveBlocks().erase(h);
  std::free(h->data);
  delete h;
  return nullptr;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, unsigned flags) {
  if (bytes > kMaxGlobalBlock) return nullptr;
  std::lock_guard<std::mutex> g(blocksMutex());
  if (!isLive(h)) return nullptr;
  auto* p = static_cast<unsigned char*>(std::realloc(h->data, bytes ? bytes : 1));
  if (!p) return nullptr;
  if ((flags & GMEM_ZEROINIT) && bytes > h->size) std::memset(p + h->size, 0, bytes - h->size);
  h->data = p;
  h->size = bytes;
  return h;
}

bool GlobalIsValid(HGLOBAL h) {
  std::lock_guard<std::mutex> g(blocksMutex());
  return isLive(h);
}

std::size_t GlobalLiveBlocks() {
  std::lock_guard<std::mutex> g(blocksMutex());
  return liveBlocks().size();
}

HGLOBAL GlobalFromBytes(const void* data, std::size_t bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!h) return nullptr;
  if (bytes) std::memcpy(h->data, data, bytes);
  return h;
}

}  // namespace plat
