#include "util/text_arena.h"

#include <cstdint>
#include <unordered_set>

#include "util/huge_block.h"

namespace {

struct Arena {
  char* next = nullptr;
  char* limit = nullptr;
  std::unordered_set<uintptr_t> blocks;  // the start of each block
};

// Reachable until the end, so a leak checker does not count it.
Arena& arena() {
  static auto* a = new Arena();
  return *a;
}

}  // namespace

char* arenaTake(size_t n) {
  if (n == 0 || n > kArenaTextMax || !useHugeBlocks()) return nullptr;
  Arena& a = arena();
  if (static_cast<size_t>(a.limit - a.next) < n) {
    a.next = static_cast<char*>(mapHugeBlock(!a.blocks.empty()));
    a.limit = a.next + kHugeBlockBytes;
    a.blocks.insert(reinterpret_cast<uintptr_t>(a.next));
  }
  char* p = a.next;
  a.next += n;
  return p;
}

void arenaGiveBackLast(char* p, size_t n) {
  Arena& a = arena();
  if (p + n == a.next) a.next = p;
}

bool arenaOwns(const void* p) {
  if (p == nullptr || !useHugeBlocks()) return false;
  // Blocks are aligned to their size: the block a pointer lies in starts at its rounding.
  uintptr_t start = reinterpret_cast<uintptr_t>(p) & ~(uintptr_t{kHugeBlockBytes} - 1);
  const Arena& a = arena();
  return a.blocks.count(start) != 0;
}
