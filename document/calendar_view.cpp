// The rows of the calendar view: dated appointments and to-dos from the calendar lists,
// the expanded recurring items, the overdue block when the view starts today, and for
// every shown day its special days, heading and closing row.
#include "document/calendar_view.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "document/calendar_lines.h"
#include "document/zolt.h"
#include "store/text_util.h"

static const char* const kWeekdayNames[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                             "Friday", "Saturday", "Sunday"};

unsigned calendarRowDate(unsigned day) {
  if ((day & kTimeMask) != kTimeMask) return dayOf(day);
  // Undo the minus one of the overdue block first: on the first of a month its
  // day-of-month is 0, which names no day.
  unsigned builtOn = (day + 1) & kDateMask;
  moveDate(builtOn, -1);
  return dayOf(builtOn);
}

std::string calendarHeadingText(unsigned day, bool holiday, bool isToday) {
  int d = packedDay(day), m = packedMonth(day), y = packedYear(day);
  int weekday = Wochentag(d, m, y);
  std::string text = "@r";
  text += kWeekdayNames[weekday];
  text += " " + itoStr(d, '0', 2, true) + "." + itoStr(m, '0', 2, true) + "." +
          itoStr(y, '0', 4, true) + "  " + itoStr(Kalenderwoche(d, m, y), ' ', 0, true);
  if (weekday >= 5 || holiday) text = "@b" + text;
  if (isToday) text = "@i" + text;
  return text;
}

// The shown days without a time, first to last; a span that would run past the last
// packable day ends there.
static std::vector<unsigned> shownDays(unsigned firstDay, int span) {
  std::vector<unsigned> days;
  unsigned d = dayOf(firstDay);
  for (int k = 0; k < span; ++k) {
    days.push_back(d);
    if (packedYear(d) == kLastYear && packedMonth(d) == 12 && packedDay(d) == 31) break;
    moveDate(d, 1);
  }
  return days;
}

// Index of the shown day `d`. REQUIRES: `d` is one of `days`.
static size_t dayIndex(const std::vector<unsigned>& days, unsigned d) {
  return static_cast<size_t>(std::lower_bound(days.begin(), days.end(), d) - days.begin());
}

// The end (one past) of the shown days up to and including `d`.
static size_t daysUpTo(const std::vector<unsigned>& days, unsigned d) {
  return static_cast<size_t>(std::upper_bound(days.begin(), days.end(), d) - days.begin());
}

namespace {

// The spans of one calendar view in the order the rows were always built, which is the
// order that rows equal in the calendar order keep.
class CalendarSpans {
 public:
  CalendarSpans(std::vector<unsigned> shown, unsigned first, unsigned last)
      : days(std::move(shown)), first(first), last(last) {}

  // A span of the row `row` of `item`. With `sameLook` it takes the look of the span
  // before, which must differ from `row` in the dates only (the occurrences of one
  // recurring item).
  void add(const T_viewDataItem& row, ToDoListItem* item, size_t from, size_t to, CalendarSlot slot,
           bool firstDay, bool lastDay, bool sameLook = false) {
    if (!sameLook || looks.empty()) looks.push_back(CalendarLook{row, item, item != nullptr});
    spans.push_back(CalendarSpan{static_cast<unsigned>(looks.size() - 1), row.date, row.secondDate,
                                 static_cast<unsigned>(from), static_cast<unsigned>(to), slot,
                                 firstDay, lastDay});
  }
  // The item rows are made without their texts: the lines make them when read.
  void addAppointments(const T_DatedCalList& list);
  void addDatedToDos(const T_DatedCalList& list);
  void addRecurring(const T_RecCalList& list);
  void addOverdue(const T_Calendar& cal, unsigned today);
  void addDayRows(size_t k, SpecialDays& specialDays, unsigned today);
  // The lines of every span, whose texts are made with `keys`; the spans are empty after.
  std::unique_ptr<CalendarLines> takeLines(CryptMan* keys) {
    return std::unique_ptr<CalendarLines>(
        new CalendarLines(std::move(days), std::move(looks), std::move(spans), keys));
  }

 private:
  std::vector<unsigned> days;
  unsigned first, last;  // the first shown day with time half 0; the last shown day
  std::deque<CalendarLook> looks;
  std::deque<CalendarSpan> spans;
};

// An appointment shows on every shown day from its begin to its end; one without an end
// on its begin day only (its row keeps the stored empty end, so no end time is shown).
void CalendarSpans::addAppointments(const T_DatedCalList& list) {
  for (const T_DatedCalListItem& entry : list) {
    if (entry.key > last) break;
    ToDoListToDo* t = entry.item;
    unsigned e = t->getDateTime(0);
    if (!hasDate(e)) e = entry.key;
    unsigned end = occurrenceLastDay(entry.key, e);  // an end at 00:00 ends the day before
    if (end < first) continue;
    unsigned d = dayOf(std::max(entry.key, first));
    T_viewDataItem row;
    t->setViewFields(row);
    size_t from = dayIndex(days, d), to = daysUpTo(days, std::min(end, last));
    if (to <= from) continue;
    add(row, t, from, to - 1, CalendarSlot::kItem, dayOf(entry.key) == d, days[to - 1] == end);
  }
}

// A to-do shows on every shown day from its end back to its begin; without a begin, back
// to the first shown day. The list is walked from its latest end down to the first day.
void CalendarSpans::addDatedToDos(const T_DatedCalList& list) {
  for (auto it = list.rbegin(); it != list.rend() && it->key >= first; ++it) {
    ToDoListToDo* t = it->item;
    unsigned b = t->getDateTime(1);
    if (hasDate(b) && b > last) continue;
    unsigned e = dayOf(std::min(it->key, last));
    b = dayOf(b);
    T_viewDataItem row;
    t->setViewFields(row);
    size_t to = dayIndex(days, e);
    size_t from = hasDate(b) ? dayIndex(days, b) : 0;
    if (from > to) continue;
    add(row, t, from, to, CalendarSlot::kItem, days[from] == b, dayOf(it->key) == e);
  }
}

// Every occurrence over the shown days it covers.
void CalendarSpans::addRecurring(const T_RecCalList& list) {
  forEachShownOccurrence(
      first, last, list, nullptr,
      [this, shown = static_cast<ToDoListToDo*>(nullptr)](
          ToDoListToDo* t, const T_viewDataItem& row, unsigned b, unsigned e) mutable {
        unsigned endDay = occurrenceLastDay(b, e);
        size_t from = dayIndex(days, dayOf(std::max(b, first)));
        size_t to = daysUpTo(days, std::min(endDay, dayOf(last)));
        if (to <= from) return;
        add(row, t, from, to - 1, CalendarSlot::kItem, days[from] == dayOf(b),
            days[to - 1] == endDay, t == shown);
        shown = t;
      },
      false);
}

// Open to-dos due before today, shown together before today's heading; a closing row
// ends the block when it holds any.
void CalendarSpans::addOverdue(const T_Calendar& cal, unsigned today) {
  size_t before = spans.size();
  T_viewDataItem row;
  auto append = [&](ToDoListToDo* t) {
    t->setViewFields(row);
    row.day = overdueRowDay(today);
    add(row, t, 0, 0, CalendarSlot::kOverdue, false, false);
  };
  for (const T_DatedCalListItem& entry : cal.datedToDos()) {
    if (entry.key >= today) break;
    if (!entry.item->isCompleted()) append(entry.item);
  }
  for (ToDoListToDo* t : cal.recurringToDos()) {
    if (!t->isCompleted() && t->getDateTime(0) < today) append(t);
  }
  if (spans.size() == before) return;
  T_viewDataItem closing;
  closing.priority = kRowClosing;
  closing.day = overdueRowDay(today);
  closing.date = closing.day;
  add(closing, nullptr, 0, 0, CalendarSlot::kOverdue, false, false);
}

// Special-day rows, the heading and the closing row of the shown day `k`.
void CalendarSpans::addDayRows(size_t k, SpecialDays& specialDays, unsigned today) {
  unsigned d = days[k] & kDateMask;
  std::vector<T_SpecDayHit> hits;
  bool holiday = specialDays.lookUp(packedDay(d), packedMonth(d), packedYear(d), hits);
  T_viewDataItem row;
  row.day = d;
  row.date = d;
  row.priority = kRowSpecialDay;
  for (const T_SpecDayHit& hit : hits) {
    row.text = (holiday ? "@b@r" : "@r") + hit.name;
    add(row, nullptr, k, k, CalendarSlot::kHeading, false, false);
  }
  row.priority = kRowHeading;
  row.text = calendarHeadingText(d, holiday, d == today);
  add(row, nullptr, k, k, CalendarSlot::kHeading, false, false);
  row.day = dayOf(d);
  row.date = row.day;
  row.priority = kRowClosing;
  row.text.clear();
  add(row, nullptr, k, k, CalendarSlot::kItem, false, false);
}

}  // namespace

// The rows are made when their lines are read (document/calendar_lines.h): a long view of
// many items holds millions of rows of which a window shows a few dozen. The lines come in
// the calendar order, so sortContent leaves them.
void Zolt::getCalendarContent() {
  if (!hasDate(calendar.firstDay) || calendar.span < 1) return;
  std::vector<unsigned> days = shownDays(calendar.firstDay, calendar.span);
  unsigned first = calendar.firstDay & kDateMask;
  unsigned last = (days.back() & kDateMask) | (calendar.firstDay & kTimeMask);
  unsigned today = getTodayDate(kNoDate);
  size_t dayCount = days.size();
  CalendarSpans spans(std::move(days), first, last);
  spans.addAppointments(calendar.datedFree());
  spans.addAppointments(calendar.datedBusy());
  spans.addDatedToDos(calendar.datedToDos());
  spans.addRecurring(calendar.recurringToDos());
  spans.addRecurring(calendar.recurringFree());
  spans.addRecurring(calendar.recurringBusy());
  if (first == today) spans.addOverdue(calendar, today);
  for (size_t k = 0; k < dayCount; ++k) spans.addDayRows(k, *specialDays, today);
  calendarLines = spans.takeLines(&keys);
}
