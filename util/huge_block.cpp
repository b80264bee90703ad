#include "util/huge_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

static bool bigLoadUnderway = false;

void setBigLoadUnderway(bool on) { bigLoadUnderway = on; }

void* mapHugeBlock(bool hugePage) {
  // Twice the size, then the unaligned ends cut away.
  void* mapped = mmap(nullptr, 2 * kHugeBlockBytes, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto start = reinterpret_cast<uintptr_t>(mapped);
  uintptr_t aligned = (start + kHugeBlockBytes - 1) & ~(kHugeBlockBytes - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  uintptr_t tail = aligned + kHugeBlockBytes;
  if (start + 2 * kHugeBlockBytes > tail) {
    munmap(reinterpret_cast<void*>(tail), start + 2 * kHugeBlockBytes - tail);
  }
  if (hugePage || bigLoadUnderway) {
    madvise(reinterpret_cast<void*>(aligned), kHugeBlockBytes, MADV_HUGEPAGE);
  }
  return reinterpret_cast<void*>(aligned);
}

bool useHugeBlocks() {
#if defined(__SANITIZE_ADDRESS__)
  return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
  return false;
#else
  return true;
#endif
#else
  return true;
#endif
}
