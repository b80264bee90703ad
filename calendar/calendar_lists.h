// The calendar: the first day and span that the calendar view shows.
// The index lists of dated and recurring items join it with the calendar-list work.
// GUI thread only.
#ifndef ZOLT_CALENDAR_CALENDAR_LISTS_H_
#define ZOLT_CALENDAR_CALENDAR_LISTS_H_

#include "calendar/date_time.h"

struct T_Calendar {
  unsigned firstDay = kEmptyDateTime;  // first day shown by the calendar view
  int span = 7;                        // days shown: 1, 2, 3, 7 or 42
};

#endif  // ZOLT_CALENDAR_CALENDAR_LISTS_H_
