#include "model/working_times.h"

#include <cstdlib>
#include <cstring>
#include <new>

WorkingTimes::Block* WorkingTimes::allocate(uint32_t capacity) {
  size_t bytes = sizeof(Block) + capacity * sizeof(T_workingTimes);
  auto* b = static_cast<Block*>(malloc(bytes));
  if (b == nullptr) throw std::bad_alloc();
  b->size = 0;
  b->capacity = capacity;
  return b;
}

WorkingTimes::WorkingTimes(const WorkingTimes& o) { *this = o; }

WorkingTimes& WorkingTimes::operator=(const WorkingTimes& o) {
  if (this == &o) return *this;
  free(block);
  block = nullptr;
  if (o.empty()) return *this;
  block = allocate(o.block->size);
  block->size = o.block->size;
  memcpy(block->entries(), o.block->entries(), o.block->size * sizeof(T_workingTimes));
  return *this;
}

WorkingTimes::~WorkingTimes() { free(block); }

bool WorkingTimes::operator==(const WorkingTimes& o) const {
  if (size() != o.size()) return false;
  for (size_t i = 0; i < size(); ++i) {
    if ((*this)[i].begin != o[i].begin || (*this)[i].end != o[i].end) return false;
  }
  return true;
}

void WorkingTimes::push_back(T_workingTimes t) {
  if (block == nullptr || block->size == block->capacity) {
    // Most to-dos that record time have a handful of intervals: start small, then double.
    uint32_t capacity = block == nullptr ? 2 : 2 * block->capacity;
    Block* grown = allocate(capacity);
    if (block != nullptr) {
      grown->size = block->size;
      memcpy(grown->entries(), block->entries(), block->size * sizeof(T_workingTimes));
      free(block);
    }
    block = grown;
  }
  block->entries()[block->size++] = t;
}
