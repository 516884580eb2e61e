#pragma once
// Movable memory blocks. Images, point arrays and texts cross between the program and the
// annotation engine in these blocks; whichever side receives a block frees it.
#include <cstddef>
#include <cstdint>

namespace plat {

struct GlobalBlock;
using HGLOBAL = GlobalBlock*;

constexpr unsigned GMEM_FIXED = 0x0000;
constexpr unsigned GMEM_MOVEABLE = 0x0002;
constexpr unsigned GMEM_ZEROINIT = 0x0040;
constexpr unsigned GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Blocks larger than this are refused, so a damaged size field cannot exhaust memory.
constexpr std::size_t kMaxGlobalBlock = std::size_t(1) << 31;

HGLOBAL GlobalAlloc(unsigned flags, std::size_t bytes);
// Returns nullptr for a handle this process does not hold.
void* GlobalLock(HGLOBAL h);
bool GlobalUnlock(HGLOBAL h);
std::size_t GlobalSize(HGLOBAL h);
// Returns nullptr on success and the handle itself on failure, like the platform call.
HGLOBAL GlobalFree(HGLOBAL h);
HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, unsigned flags);
bool GlobalIsValid(HGLOBAL h);
// Number of blocks alive; tests use it to prove that nothing leaks across the boundary.
std::size_t GlobalLiveBlocks();

// Convenience: a new block holding a copy of bytes.
HGLOBAL GlobalFromBytes(const void* data, std::size_t bytes);

}  // namespace plat
