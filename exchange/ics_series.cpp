// Expansion of a recurrence through libical's iterator, and its split into runs.
#include "exchange/ics_series.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool sameDay(const icaltimetype& a, const icaltimetype& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

// Days since 1 March of year 0 in the proleptic Gregorian calendar: only differences count.
long dayNumber(const icaltimetype& t) {
  long y = t.year - (t.month <= 2 ? 1 : 0);
  long m = t.month <= 2 ? t.month + 9 : t.month - 3;
  return 365 * y + y / 4 - y / 100 + y / 400 + (153 * m + 2) / 5 + t.day - 1;
}

}  // namespace

bool isExcludedOccurrence(const icaltimetype& occurrence, icaltimezone* zone,
                          const std::vector<T_IcsExclusion>& excluded) {
  // Zones differ by less than two days, so only near dates can be the same moment; a far
  // one (a damaged year 10045) would have libical expand its zone up to there each time.
  for (const T_IcsExclusion& x : excluded) {
    if (x.time.is_date || occurrence.is_date) {
      if (sameDay(x.time, occurrence)) return true;
    } else if (std::labs(dayNumber(x.time) - dayNumber(occurrence)) <= 2 &&
               icsInstant(x.time, x.zone != nullptr ? x.zone : zone) ==
                   icsInstant(occurrence, zone)) {
      return true;
    }
  }
  return false;
}

bool isExpandable(const icalrecurrencetype& rule) {
  switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
    case ICAL_WEEKLY_RECURRENCE:
    case ICAL_MONTHLY_RECURRENCE:
    case ICAL_YEARLY_RECURRENCE:
      return true;
    default:
      return false;
  }
}

namespace {

// The offset from UTC that `zone` has at the moment `at`.
int offsetAt(icaltimezone* zone, time_t at) {
  icaltimetype utc = icaltime_from_timet_with_zone(at, 0, icaltimezone_get_utc_timezone());
  int daylight = 0;
  return icaltimezone_get_utc_offset_of_utc_time(zone, &utc, &daylight);
}

}  // namespace

time_t icsInstant(const icaltimetype& t, icaltimezone* zone) {
  icaltimezone* utc = icaltimezone_get_utc_timezone();
  icaltimetype wallTime = t;
  wallTime.zone = nullptr;
  time_t wall = icaltime_as_timet_with_zone(wallTime, utc);
  if (zone == nullptr || zone == utc || t.is_date) return wall;
  // Clock changes lie months apart: a day either side sees the offsets around this one.
  int before = offsetAt(zone, wall - 86400), after = offsetAt(zone, wall + 86400);
  time_t early = wall - before, late = wall - after;
  bool earlyHolds = offsetAt(zone, early) == before, lateHolds = offsetAt(zone, late) == after;
  if (earlyHolds && lateHolds) return std::min(early, late);
  if (lateHolds && !earlyHolds) return late;
  return early;  // the zone's wall clock passes this time, or skips it
}

T_IcsExpansion expandSeries(icalrecurrencetype rule, icaltimetype start, icaltimezone* zone,
                            const std::vector<T_IcsExclusion>& excluded,
                            const T_IcsBounds& bounds) {
  T_IcsExpansion out;
  // The iterator compares UNTIL with the wall clock of the occurrences: an UNTIL in UTC (as
  // a series in a zone must have it) is read in the series' zone first.
  if (!icaltime_is_null_time(rule.until) && icaltime_is_utc(rule.until) && zone != nullptr &&
      !start.is_date) {
    rule.until = icaltime_from_timet_with_zone(icsInstant(rule.until, nullptr), 0, zone);
    rule.until.zone = nullptr;
  }
  icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
  if (it == nullptr) return out;
  int counted = 0;
  for (;;) {
    icaltimetype next = icalrecur_iterator_next(it);
    if (icaltime_is_null_time(next)) {
      out.ended = true;
      break;
    }
    if (icaltime_compare_date_only(next, bounds.lastDay) > 0) break;
    // The clock is read now and then only: a step takes well under a microsecond.
    if (out.starts.size() >= bounds.maxOccurrences ||
        ((++counted & 255) == 0 && std::chrono::steady_clock::now() > bounds.deadline)) {
      out.cut = true;
      break;
    }
    time_t at = icsInstant(next, zone);
    if (at < bounds.from) continue;
    if (at >= bounds.before) {
      out.ended = true;
      break;
    }
    if (isExcludedOccurrence(next, zone, excluded)) {
      ++out.excluded;
      continue;
    }
    out.starts.push_back(next);
  }
  icalrecur_iterator_free(it);
  return out;
}

std::vector<T_IcsRun> splitIntoRuns(const std::vector<std::pair<unsigned, unsigned>>& occurrences,
                                    const std::function<bool(unsigned& b, unsigned& e)>& step) {
  std::vector<T_IcsRun> runs;
  for (size_t i = 0; i < occurrences.size(); ++i) {
    if (!runs.empty()) {
      unsigned b = occurrences[i - 1].first, e = occurrences[i - 1].second;
      if (step(b, e) && b == occurrences[i].first && e == occurrences[i].second) {
        runs.back().last = i;
        continue;
      }
    }
    runs.push_back(T_IcsRun{i, i});
  }
  return runs;
}
