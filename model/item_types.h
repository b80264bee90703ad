// Plain records shared by the item tree: recorded working intervals and completion state.
#ifndef ZOLT_MODEL_ITEM_TYPES_H_
#define ZOLT_MODEL_ITEM_TYPES_H_

#include <cstdint>

// One recorded working interval, seconds since 1970 (UTC). While a to-do is running,
// the last interval is open and its `end` equals its `begin`.
struct T_workingTimes {
  int32_t begin = 0;
  int32_t end = 0;
};

// Completion state of a to-do: the flag and the completion time (seconds since 1970).
struct T_completed {
  bool completed = false;
  int32_t time = 0;
  bool operator==(const T_completed& o) const { return completed == o.completed && time == o.time; }
};

#endif  // ZOLT_MODEL_ITEM_TYPES_H_
