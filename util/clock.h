// The one clock of the program: every reading of today's date or the current time goes
// through zoltNow(), so that a test can fix the moment and a run that crosses midnight or
// a month's end behaves the same as any other.
// GUI thread only (tests set it before they act).
#ifndef ZOLT_UTIL_CLOCK_H
#define ZOLT_UTIL_CLOCK_H

#include <ctime>

// Seconds since 1970: the fixed moment when a test has set one, else the system time.
std::time_t zoltNow();

// Fixes the clock at `moment` until clearFixedClock(); tests only.
void setFixedClock(std::time_t moment);
void clearFixedClock();

// Fixes the clock for the lifetime of the object and restores the previous state after.
class FixedClock {
 public:
  explicit FixedClock(std::time_t moment);
  ~FixedClock();
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;

 private:
  bool hadFixed_;
  std::time_t previous_;
};

#endif  // ZOLT_UTIL_CLOCK_H
