#include "util/slot_pool.h"

#include <new>

#include "util/huge_block.h"

SlotPool::SlotPool(size_t size, size_t alignment) {
  if (size < sizeof(void*)) size = sizeof(void*);
  if (alignment < alignof(void*)) alignment = alignof(void*);
  slotSize = (size + alignment - 1) / alignment * alignment;
}

void* SlotPool::take() {
  if (!useHugeBlocks()) return ::operator new(slotSize);
  if (freeSlots != nullptr) {
    void* slot = freeSlots;
    freeSlots = *static_cast<void**>(slot);
    return slot;
  }
  if (static_cast<size_t>(limit - next) < slotSize) newBlock();
  void* slot = next;
  next += slotSize;
  return slot;
}

void SlotPool::give(void* slot) {
  if (!useHugeBlocks()) {
    ::operator delete(slot);
    return;
  }
  *static_cast<void**>(slot) = freeSlots;
  freeSlots = slot;
}

void SlotPool::newBlock() {
  next = static_cast<char*>(mapHugeBlock(next != nullptr));
  limit = next + kHugeBlockBytes;
}
