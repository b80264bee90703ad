// The recorded working intervals of a to-do, held out of line: most to-dos have none, and
// then the list is one null pointer instead of an empty vector's three.
#ifndef ZOLT_MODEL_WORKING_TIMES_H_
#define ZOLT_MODEL_WORKING_TIMES_H_

#include <cstddef>
#include <cstdint>

#include "model/item_types.h"

class WorkingTimes {
 public:
  WorkingTimes() = default;
  WorkingTimes(const WorkingTimes& o);
  WorkingTimes& operator=(const WorkingTimes& o);
  ~WorkingTimes();
  // Same intervals in the same order.
  bool operator==(const WorkingTimes& o) const;

  size_t size() const { return block == nullptr ? 0 : block->size; }
  bool empty() const { return size() == 0; }
  const T_workingTimes& operator[](size_t i) const { return block->entries()[i]; }
  T_workingTimes& back() { return block->entries()[block->size - 1]; }
  void push_back(T_workingTimes t);

 private:
  // The head of one heap block: the counts, the intervals right behind them.
  struct Block {
    uint32_t size;
    uint32_t capacity;
    T_workingTimes* entries() { return reinterpret_cast<T_workingTimes*>(this + 1); }
    const T_workingTimes* entries() const {
      return reinterpret_cast<const T_workingTimes*>(this + 1);
    }
  };
  static_assert(sizeof(Block) % alignof(T_workingTimes) == 0, "intervals stay aligned");
  static Block* allocate(uint32_t capacity);

  Block* block = nullptr;  // owned, malloc'ed; null while there is no interval
};

#endif  // ZOLT_MODEL_WORKING_TIMES_H_
