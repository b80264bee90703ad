// The recurrence rule of a to-do or appointment.
#ifndef ZOLT_CALENDAR_RECURRENCE_H_
#define ZOLT_CALENDAR_RECURRENCE_H_

#include "calendar/date_time.h"

// Recurrence types: 0 none, 1 daily, 2 daily resetable, 3 weekly, 4 monthly by day,
// 5 monthly by date, 6 yearly.
struct T_recData {
  int type = 0;
  int interval = 1;                     // days (1, 2), weeks (3), months (4, 5); unused by yearly
  unsigned firstDate = kEmptyDateTime;  // no occurrence before it; empty = open
  unsigned lastDate = kEmptyDateTime;   // no occurrence after it; empty = open
  bool operator==(const T_recData& o) const {
    return type == o.type && interval == o.interval && firstDate == o.firstDate &&
           lastDate == o.lastDate;
  }
  bool operator!=(const T_recData& o) const { return !(*this == o); }
};

constexpr int kMaxRecurrenceType = 6;

#endif  // ZOLT_CALENDAR_RECURRENCE_H_
