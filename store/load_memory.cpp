#include "store/load_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "util/huge_block.h"

namespace {

// Smaller files load in a few milliseconds whatever their pages cost.
constexpr size_t kMinFileBytes = size_t{4} << 20;
constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
// The heap's own defaults (glibc), set again once the load is done.
constexpr int kDefaultTopPad = 128 * 1024;
// A block below the size malloc serves from its own mapping, so it comes from the heap.
constexpr size_t kStep = 96 * 1024;

}  // namespace

LoadMemory::LoadMemory(size_t fileBytes) {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
  if (fileBytes < kMinFileBytes) return;
  // A loaded file takes about 2.5 times its size: room for that, grown in one step.
  size_t room = fileBytes / 2 * 5;
  auto before = reinterpret_cast<uintptr_t>(sbrk(0));
  if (mallopt(M_TOP_PAD, static_cast<int>(room < (size_t{1} << 30) ? room : size_t{1} << 30)) ==
      0) {
    return;
  }
  reserved = true;
  setBigLoadUnderway(true);
  // Allocating until the heap grows makes it grow by the pad at once; freed, the blocks
  // fall back into the heap's top, which keeps the pad.
  void* blocks[64];
  int n = 0;
  while (n < 64 && reinterpret_cast<uintptr_t>(sbrk(0)) == before) {
    blocks[n] = malloc(kStep);
    if (blocks[n] == nullptr) break;
    ++n;
  }
  for (int i = n - 1; i >= 0; --i) free(blocks[i]);
  auto after = reinterpret_cast<uintptr_t>(sbrk(0));
  uintptr_t from = (before + kHugePage - 1) & ~(kHugePage - 1);
  if (after > from + kHugePage) {
    madvise(reinterpret_cast<void*>(from), (after - from) & ~(kHugePage - 1), MADV_HUGEPAGE);
  }
#else
  (void)fileBytes;
#endif
}

LoadMemory::~LoadMemory() {
#if defined(__GLIBC__)
  if (reserved) {
    mallopt(M_TOP_PAD, kDefaultTopPad);
    setBigLoadUnderway(false);
  }
#endif
}
