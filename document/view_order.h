// The two orders of the list view's rows and the sort that applies them. The normal views
// order by date or priority and then text, completed rows optionally last; the calendar
// orders by the day a row is shown on, then heading, special days, items by priority and
// the closing row. Both are strict weak orders, so a stable sort gives exactly the order
// that repeated passes of adjacent swaps would give. Any thread.
#ifndef ZOLT_DOCUMENT_VIEW_ORDER_H_
#define ZOLT_DOCUMENT_VIEW_ORDER_H_

#include <vector>

#include "document/view_data.h"

// True when row `a` must stand after row `b` in the normal views. `sort` is 1 for date
// then priority, 0 for priority then date; equal rows fall back to their texts in the
// user's collation (util/collation.h), and texts that collate alike to their bytes (as
// unsigned characters, a shorter prefix first), so the order stays total. With
// `completedLast`, completed rows stand after all others.
bool viewRowAfter(const T_viewDataItem& a, const T_viewDataItem& b, int sort, bool completedLast);

// True when row `a` must stand after row `b` in the calendar: by day; within one day the
// heading row (300) first, then special-day rows (301), then the rest by ascending
// priority (to-dos, busy 100, free 200, closing row 400); equal priorities by date.
bool calendarRowAfter(const T_viewDataItem& a, const T_viewDataItem& b);

// Sorts `order` (indices into `rows`) stably by calendarRowAfter when `calendar`, else by
// viewRowAfter with `sort` and `completedLast`: rows that are equal keep their places
// relative to each other. O(n log n) for the normal views; linear passes for the
// calendar, whose rows share few (day, kind, priority) values.
// REQUIRES: every entry of `order` is an index into `rows`.
void sortRowOrder(const std::vector<T_viewDataItem>& rows, std::vector<unsigned>& order,
                  bool calendar, int sort, bool completedLast);

#endif  // ZOLT_DOCUMENT_VIEW_ORDER_H_
