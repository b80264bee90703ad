// The occurrences of a recurring iCalendar component, expanded by libical within bounds of
// count, date and time, less the excluded ones (EXDATE, moved or cancelled occurrences);
// and the split of such occurrences into runs that one Zolt recurrence reproduces.
// GUI thread only (libical's time zones are shared).
#ifndef ZOLT_EXCHANGE_ICS_SERIES_H_
#define ZOLT_EXCHANGE_ICS_SERIES_H_

#include <libical/ical.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

// An occurrence that is not to be shown: a date excludes every occurrence on that day, a
// date-time the one that starts at that moment. `zone` is null for a floating time, which
// is read in the series' zone.
struct T_IcsExclusion {
  icaltimetype time;
  icaltimezone* zone;  // not owned
};

struct T_IcsExpansion {
  std::vector<icaltimetype> starts;  // in the series' zone and order, exclusions left out
  bool ended = false;                // the rule ran out (UNTIL, COUNT) within the bounds
  int excluded = 0;                  // occurrences left out as excluded
  bool cut = false;  // stopped by the count or the time of the bounds, not by their last day
};

struct T_IcsBounds {
  size_t maxOccurrences = 20000;
  icaltimetype lastDay;  // no occurrence after this day is expanded
  std::chrono::steady_clock::time_point deadline;
  // Only occurrences that start from `from` and before `before` belong to the series: a
  // change of "this and every later occurrence" cuts it in two there.
  time_t from = std::numeric_limits<time_t>::min();
  time_t before = std::numeric_limits<time_t>::max();
};

// True when libical can expand `rule` in bounded time: every frequency from DAILY up. The
// finer ones can spend minutes inside one step on a rule that never matches.
bool isExpandable(const icalrecurrencetype& rule);

// The occurrences of `rule` from `start` (in `zone`, null for floating or a date).
// REQUIRES: isExpandable(rule).
T_IcsExpansion expandSeries(icalrecurrencetype rule, icaltimetype start, icaltimezone* zone,
                            const std::vector<T_IcsExclusion>& excluded, const T_IcsBounds& bounds);

// True when `occurrence` (in `zone`) is among `excluded`.
bool isExcludedOccurrence(const icaltimetype& occurrence, icaltimezone* zone,
                          const std::vector<T_IcsExclusion>& excluded);

// The moment `t` denotes: in `zone`, or read as UTC when `zone` is null (a floating time
// or a date then keeps its wall clock through the arithmetic). A wall time that the zone
// skips is read with the offset before the change (02:30 on a spring-forward day is 03:30
// of the new time); one that it passes twice is the first of the two.
time_t icsInstant(const icaltimetype& t, icaltimezone* zone);

// One run of occurrences that a single Zolt recurrence gives: indices into the list.
struct T_IcsRun {
  size_t first;
  size_t last;
};
// Splits `occurrences` (begin and end of each, packed local date-times) into the fewest
// consecutive runs in which `step`, Zolt's step to the following occurrence, leads from
// each occurrence exactly to the next one.
std::vector<T_IcsRun> splitIntoRuns(const std::vector<std::pair<unsigned, unsigned>>& occurrences,
                                    const std::function<bool(unsigned& b, unsigned& e)>& step);

#endif  // ZOLT_EXCHANGE_ICS_SERIES_H_
