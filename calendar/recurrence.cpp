// Recurrence of a to-do or appointment: the normalisation of its dates and recurrence, the
// step to the following occurrence, and completing a recurring to-do.
#include "calendar/recurrence.h"

#include <algorithm>
#include <ctime>
#include <iostream>
#include <utility>

#include "model/todo_list_todo.h"
#include "util/clock.h"

namespace {

constexpr int kTypeNone = 0;
constexpr int kTypeDaily = 1;
constexpr int kTypeDailyResetable = 2;
constexpr int kTypeWeekly = 3;
constexpr int kTypeMonthlyByDay = 4;
constexpr int kTypeMonthlyByDate = 5;
constexpr int kTypeYearly = 6;

// Notes on standard error when a recurrence has to be reset; the window says why itself.
const char kResetNoRange[] = "Recurrence reset (1): no range [";
const char kResetNoEndDate[] = "Recurrence reset (2): no end date for todo [";
const char kResetToDoOutOfRange[] = "Recurrence reset (3): date not in range [";
const char kResetNoStartDate[] = "Recurrence reset (4): type date without start date/time [";
const char kResetDateOutOfRange[] = "Recurrence reset (5) [";

// The fields the normalisation works on. It runs on a copy, so that a listed to-do leaves
// its list only when something really changes.
struct TimeThings {
  unsigned priority;
  int showTimeAs;
  unsigned begin;
  unsigned end;
  T_recData rec;
  bool operator==(const TimeThings& o) const {
    return priority == o.priority && showTimeAs == o.showTimeAs && begin == o.begin &&
           end == o.end && rec == o.rec;
  }
};

bool isAppointmentPriority(unsigned priority) { return priority > 6; }

// True when the date of `v` lies before the recurrence's first or after its last date.
bool outsideRecurrence(unsigned v, const T_recData& r) {
  unsigned key = dateKey(v);
  return (hasDate(r.firstDate) && key < dateKey(r.firstDate)) ||
         (hasDate(r.lastDate) && key > dateKey(r.lastDate));
}

// An appointment without a begin date has no dates; type 2 is for to-dos only. True when
// the recurrence must be reset.
bool normaliseAppointment(TimeThings& t, bool hasRecurrence) {
  if (t.rec.type == kTypeDailyResetable) t.rec.type = kTypeDaily;
  if (!hasDate(t.begin)) {
    t.begin = t.end = kEmptyDateTime;
    if (hasRecurrence) std::cerr << kResetNoStartDate;
    return true;
  }
  if (!hasDate(t.end)) t.end = kEmptyDateTime;
  if (hasRecurrence && outsideRecurrence(t.begin, t.rec)) {
    std::cerr << kResetDateOutOfRange;
    return true;
  }
  return false;
}

// A to-do without an end (due) date has no dates. True when the recurrence must be reset.
bool normaliseToDo(TimeThings& t, bool hasRecurrence) {
  if (!hasDate(t.end)) {
    t.begin = t.end = kEmptyDateTime;
    if (!hasRecurrence) return false;
    std::cerr << kResetNoEndDate;
    return true;
  }
  if (!hasDate(t.begin)) t.begin = kEmptyDateTime;
  if (hasRecurrence && outsideRecurrence(t.end, t.rec)) {
    std::cerr << kResetToDoOutOfRange;
    return true;
  }
  return false;
}

void normalise(TimeThings& t) {
  bool hasRecurrence = t.rec.type != kTypeNone;
  bool reset = false;
  if (hasDate(t.begin) && hasDate(t.end)) {
    unsigned kb = dateKey(t.begin), ke = dateKey(t.end);
    if (kb > ke || (kb == ke && hasTime(t.begin) && hasTime(t.end) && t.begin > t.end)) {
      std::swap(t.begin, t.end);
    }
  } else if (hasRecurrence) {
    std::cerr << kResetNoRange;
    t.showTimeAs = 0;
    // An appointment's priority says free or busy as well: the two stay in step.
    if (isAppointmentPriority(t.priority)) t.priority = kFreePriority;
    reset = true;
  }
  if (hasDate(t.rec.firstDate) && hasDate(t.rec.lastDate) &&
      dateKey(t.rec.firstDate) > dateKey(t.rec.lastDate)) {
    std::swap(t.rec.firstDate, t.rec.lastDate);
  }
  bool kindReset = isAppointmentPriority(t.priority) ? normaliseAppointment(t, hasRecurrence)
                                                     : normaliseToDo(t, hasRecurrence);
  if (reset || kindReset) t.rec = T_recData();
}

// ---- steps ----
// Each gives the following main date in `out`, or false when it would leave 2000..2127:
// packed years have 7 bits, so a date past 2127 would wrap to 2000.

bool moveWithinRange(unsigned v, long long days, unsigned& out) {
  static const int kFirstDayNumber = getNumberOfDay(1, 1, kFirstYear);
  static const int kLastDayNumber = getNumberOfDay(31, 12, kLastYear);
  long long n = getNumberOfDay(packedDay(v), packedMonth(v), packedYear(v)) + days;
  if (n < kFirstDayNumber || n > kLastDayNumber) return false;
  out = v;
  moveDate(out, static_cast<int>(days));
  return true;
}

// Moves year and month on by `months`; false past December 2127.
bool addMonths(int& year, int& month, long long months) {
  long long index = static_cast<long long>(year) * 12 + (month - 1) + months;
  if (index > static_cast<long long>(kLastYear) * 12 + 11) return false;
  year = static_cast<int>(index / 12);
  month = static_cast<int>(index % 12) + 1;
  return true;
}

// The steps of the month and year rules first move `ahead` more candidates at once: the
// dates the rule would give were no month or year passed over. They then go on to the
// first candidate that exists, as a single step does.

// The same weekday in the same week of the month; months without it are passed over.
bool stepMonthlyByDay(unsigned main, long long interval, long long ahead, unsigned& out) {
  int day = packedDay(main), month = packedMonth(main), year = packedYear(main);
  int weekday = Wochentag(day, month, year);
  int week = (day - 1) / 7 * 7;
  if (!addMonths(year, month, ahead * interval)) return false;
  for (;;) {
    if (!addMonths(year, month, interval)) return false;
    int d = weekday - Wochentag(1, month, year) + 1;
    if (d < 1) d += 7;
    d += week;
    if (d <= MaxTag(month, year)) {
      out = packDate(main, year, month, d);
      return true;
    }
  }
}

// The same day of the month; months too short for it are passed over.
bool stepMonthlyByDate(unsigned main, long long interval, long long ahead, unsigned& out) {
  int day = packedDay(main), month = packedMonth(main), year = packedYear(main);
  if (!addMonths(year, month, ahead * interval)) return false;
  do {
    if (!addMonths(year, month, interval)) return false;
  } while (MaxTag(month, year) < day);
  out = packDate(main, year, month, day);
  return true;
}

// The next year; 29 February goes to the next leap year.
bool stepYearly(unsigned main, long long ahead, unsigned& out) {
  int day = packedDay(main), month = packedMonth(main);
  long long year = packedYear(main) + 1 + ahead;
  if (month == 2 && day == 29) {
    while (year <= kLastYear && !isLeapYear(static_cast<int>(year))) ++year;
  }
  if (year > kLastYear) return false;
  out = packDate(main, static_cast<int>(year), month, day);
  return true;
}

// The main date of the first occurrence at or after candidate `steps` (1 is the following
// occurrence). Daily and weekly candidates all exist and lie the same days apart.
bool nextMainDate(unsigned main, const T_recData& rec, long long steps, unsigned& out) {
  // An interval below 1 would stand still or go back; such records count as 1.
  long long interval = std::max(rec.interval, 1);
  switch (rec.type) {
    case kTypeDaily:
      return moveWithinRange(main, steps * interval, out);
    case kTypeDailyResetable:
      return steps == 1 && moveWithinRange(getTodayDate(main), interval, out);
    case kTypeWeekly:
      return moveWithinRange(main, 7 * steps * interval, out);
    case kTypeMonthlyByDay:
      return stepMonthlyByDay(main, interval, steps - 1, out);
    case kTypeMonthlyByDate:
      return stepMonthlyByDate(main, interval, steps - 1, out);
    case kTypeYearly:
      return stepYearly(main, steps - 1, out);
    default:
      return false;
  }
}

// The most days one candidate can lie after the one before (`days`), and the most the
// weekday rule's day of the month can move on beyond that in all (`slack`). False for the
// rules whose candidates cannot be counted ahead.
bool candidateSpan(const T_recData& rec, long long& days, long long& slack) {
  long long interval = std::max(rec.interval, 1);
  slack = rec.type == kTypeMonthlyByDay ? 6 : 0;
  switch (rec.type) {
    case kTypeDaily:
      days = interval;
      return true;
    case kTypeWeekly:
      days = 7 * interval;
      return true;
    case kTypeMonthlyByDay:
    case kTypeMonthlyByDate:
      days = 31 * interval;
      return true;
    case kTypeYearly:
      days = 366;
      return true;
    default:
      return false;
  }
}

// The second date keeps its distance in days from the main date, and its own time half:
// one without a time stays without one, whatever time the main date carries.
unsigned stepOccurrences(const T_recData& rec, bool appointment, long long steps, unsigned& b,
                         unsigned& e) {
  if (rec.type == kTypeNone) return 0;
  unsigned main = appointment ? b : e;
  unsigned second = appointment ? e : b;
  if (!hasDate(main)) return 0;
  unsigned newMain;
  if (!nextMainDate(main, rec, steps, newMain)) return 0;
  if (hasDate(rec.lastDate) && newMain > rec.lastDate) return 0;
  unsigned newSecond = second;
  if (hasDate(second)) {
    if (!moveWithinRange(newMain, getDateDiff(second, main), newSecond)) return 0;
    newSecond = (newSecond & kDateMask) | (second & kTimeMask);
  }
  (appointment ? b : e) = newMain;
  (appointment ? e : b) = newSecond;
  return 1;
}

}  // namespace

void ToDoListToDo::sanitizeTimeThings() {
  TimeThings before{priority, showTimeAs, begin, end, recData};
  TimeThings after = before;
  normalise(after);
  if (after == before) return;
  T_Calendar* cal = calPos.cal;
  if (cal != nullptr) removeFromCalLists(*cal);
  priority = after.priority;
  showTimeAs = after.showTimeAs;
  begin = after.begin;
  end = after.end;
  recData = after.rec;
  if (cal != nullptr) putIntoCalList(*cal);
}

int ToDoListToDo::skipOccurrencesBefore(unsigned from, unsigned& b, unsigned& e) const {
  long long days, slack;
  if (!candidateSpan(recData, days, slack) || !hasDate(b) || !hasDate(e) || e >= from) return 0;
  // Candidate k ends at most k * days + slack days after the end of (b, e): those with
  // k * days < lag end before `from`, and so does every occurrence among them.
  long long lag = getDateDiff(from, e) - slack;
  long long candidate = lag > 0 ? (lag - 1) / days + 1 : 0;
  if (candidate < 2) return 0;  // a single step goes as far
  return stepOccurrences(recData, isAppointment(), candidate, b, e) == 1 ? 1 : -1;
}

unsigned ToDoListToDo::setFollowingRecurrenceDate(unsigned& b, unsigned& e) const {
  return stepOccurrences(recData, isAppointment(), 1, b, e);
}

int ToDoListToDo::setCompleted(T_Calendar& cal) {
  if (isAppointment() || completedFlag) return -2;
  if (recData.type != kTypeNone && hasDate(recData.firstDate) &&
      recData.firstDate > getTodayDate(kEmptyDateTime)) {
    return -1;
  }
  removeFromCalLists(cal);
  unsigned moved = setFollowingRecurrenceDate(begin, end);
  if (moved == 0) setCompletedDirect(T_completed{true, static_cast<int32_t>(zoltNow())});
  sanitizeTimeThings();
  putIntoCalList(cal);
  if (running) setRunning(false);
  return static_cast<int>(moved);
}

void ToDoListToDo::setRecData(T_recData r, T_Calendar& cal) {
  if (r.interval < 1) r.interval = 1;
  if (r.type < kTypeNone || r.type > kMaxRecurrenceType) r.type = kTypeNone;
  removeFromCalLists(cal);
  recData = r;
  sanitizeTimeThings();
  putIntoCalList(cal);
}
