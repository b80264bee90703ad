// A packed date-time as text for the iCalendar tests' messages and comparisons:
// "YYYY-MM-DD HH:MM", "YYYY-MM-DD" without a time, "-" without a date.
#ifndef ZOLT_TESTS_EXCHANGE_PACKED_TEXT_H_
#define ZOLT_TESTS_EXCHANGE_PACKED_TEXT_H_

#include <cstdio>
#include <string>

#include "calendar/date_time.h"

inline std::string show(unsigned v) {
  if (!hasDate(v)) return "-";
  char buf[32];
  if (hasTime(v)) {
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", packedYear(v), packedMonth(v),
             packedDay(v), packedHour(v), packedMinute(v));
  } else {
    snprintf(buf, sizeof buf, "%04d-%02d-%02d", packedYear(v), packedMonth(v), packedDay(v));
  }
  return buf;
}

#endif  // ZOLT_TESTS_EXCHANGE_PACKED_TEXT_H_
