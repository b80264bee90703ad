// Slots of one size cut from huge blocks (util/huge_block.h): a big file's hundreds of
// thousands of small records then touch a few dozen pages instead of one heap block each,
// with its header and the first touch of its page. Freed slots form a list through their
// first bytes and are reused; the blocks are never given back. Builds with a sanitizer use
// the heap instead. GUI thread only, like the tree.
#ifndef ZOLT_UTIL_SLOT_POOL_H_
#define ZOLT_UTIL_SLOT_POOL_H_

#include <cstddef>

class SlotPool {
 public:
  // Slots of `slotSize` bytes (at least a pointer's), rounded up to `alignment`.
  SlotPool(size_t slotSize, size_t alignment);
  SlotPool(const SlotPool&) = delete;
  SlotPool& operator=(const SlotPool&) = delete;

  void* take();
  // `slot` came from take() of this pool.
  void give(void* slot);

  // The pool of slots of `Size` bytes aligned as `Align`, one for the whole process.
  template <size_t Size, size_t Align>
  static SlotPool& of() {
    static SlotPool* pool = new SlotPool(Size, Align);  // lives as long as its slots
    return *pool;
  }

 private:
  void newBlock();

  size_t slotSize;
  void* freeSlots = nullptr;
  char* next = nullptr;
  char* limit = nullptr;
};

#endif  // ZOLT_UTIL_SLOT_POOL_H_
