// The day headings of a calendar view, for tests that put new items on days as a click on
// a heading does.
#ifndef ZOLT_TESTS_STORE_CALENDAR_HEADINGS_H_
#define ZOLT_TESTS_STORE_CALENDAR_HEADINGS_H_

#include <vector>

#include "document/zolt.h"

// Shows the calendar from `firstDay` in `z` and returns the row indices of its headings.
inline std::vector<unsigned> showCalendarHeadings(Zolt& z, unsigned firstDay) {
  z.setMainViewType(kMainViewCalendar);
  z.setCalFirstDay(firstDay);
  z.clearViewData();
  z.getContent();
  z.sortContent();
  std::vector<unsigned> headings;
  for (unsigned i = 0; i < z.getRows().size(); ++i) {
    if (z.getRows()[i].priority == kRowHeading) headings.push_back(i);
  }
  return headings;
}

#endif  // ZOLT_TESTS_STORE_CALENDAR_HEADINGS_H_
