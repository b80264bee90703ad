// The rows of the calendar view: dated appointments and to-dos from the calendar lists,
// the expanded recurring items, the overdue block when the view starts today, and for
// every shown day its special days, heading and closing row.
#include "document/calendar_view.h"

#include <algorithm>

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

void Zolt::getCalendarContent() {
  if (!hasDate(calendar.firstDay) || calendar.span < 1) return;
  std::vector<unsigned> days = shownDays(calendar.firstDay, calendar.span);
  unsigned first = calendar.firstDay & kDateMask;
  unsigned last = (days.back() & kDateMask) | (calendar.firstDay & kTimeMask);
  unsigned today = getTodayDate(kNoDate);
  appendAppointmentRows(calendar.datedFree(), days, first, last);
  appendAppointmentRows(calendar.datedBusy(), days, first, last);
  appendDatedToDoRows(days, first, last);
  getContentRecItems(first, last, calendar.recurringToDos(), rows, rowItems, &keys);
  getContentRecItems(first, last, calendar.recurringFree(), rows, rowItems, &keys);
  getContentRecItems(first, last, calendar.recurringBusy(), rows, rowItems, &keys);
  if (first == today) appendOverdueRows(today);
  for (unsigned d : days) appendDayRows(d & kDateMask, today);
}

// An appointment shows on every shown day from its begin to its end; one without an end
// on its begin day only (its row keeps the stored empty end, so no end time is shown).
void Zolt::appendAppointmentRows(const T_DatedCalList& list, const std::vector<unsigned>& days,
                                 unsigned first, unsigned last) {
  for (const T_DatedCalListItem& entry : list) {
    if (entry.key > last) break;
    ToDoListToDo* t = entry.item;
    unsigned e = t->getDateTime(0);
    if (!hasDate(e)) e = entry.key;
    if (e < first) continue;
    unsigned d = dayOf(std::max(entry.key, first));
    unsigned end = dayOf(e);
    T_viewDataItem row;
    t->setViewData(row, &keys);
    row.firstDay = dayOf(entry.key) == d;
    for (size_t k = dayIndex(days, d); k < days.size() && days[k] <= end && days[k] <= last; ++k) {
      row.day = days[k];
      row.lastDay = days[k] == end;
      appendRow(row, t);
      row.firstDay = false;
    }
  }
}

// A to-do shows on every shown day from its end back to its begin; without a begin, back
// to the first shown day. The list is walked from its latest end down to the first day.
void Zolt::appendDatedToDoRows(const std::vector<unsigned>& days, unsigned first, unsigned last) {
  const T_DatedCalList& list = calendar.datedToDos();
  for (auto it = list.rbegin(); it != list.rend() && it->key >= first; ++it) {
    ToDoListToDo* t = it->item;
    unsigned b = t->getDateTime(1);
    if (hasDate(b) && b > last) continue;
    unsigned e = dayOf(std::min(it->key, last));
    b = dayOf(b);
    T_viewDataItem row;
    t->setViewData(row, &keys);
    row.lastDay = dayOf(it->key) == e;
    for (size_t k = dayIndex(days, e) + 1; k-- > 0;) {
      if (hasDate(b) && b > days[k]) break;
      row.day = days[k];
      row.firstDay = days[k] == b;
      appendRow(row, t);
      row.lastDay = false;
    }
  }
}

// Open to-dos due before today, shown together before today's heading; a closing row
// ends the block when it holds any.
void Zolt::appendOverdueRows(unsigned today) {
  size_t before = rows.size();
  unsigned day = overdueRowDay(today);
  auto append = [&](ToDoListToDo* t) {
    T_viewDataItem row;
    t->setViewData(row, &keys);
    row.day = day;
    appendRow(row, t);
  };
  for (const T_DatedCalListItem& entry : calendar.datedToDos()) {
    if (entry.key >= today) break;
    if (!entry.item->isCompleted()) append(entry.item);
  }
  for (ToDoListToDo* t : calendar.recurringToDos()) {
    if (!t->isCompleted() && t->getDateTime(0) < today) append(t);
  }
  if (rows.size() == before) return;
  T_viewDataItem closing;
  closing.priority = kRowClosing;
  closing.day = day;
  closing.date = day;
  appendRow(closing, nullptr);
}

// Special-day rows, the heading and the closing row of one shown day `d` (time half 0).
void Zolt::appendDayRows(unsigned d, unsigned today) {
  std::vector<T_SpecDayHit> hits;
  bool holiday = specialDays->lookUp(packedDay(d), packedMonth(d), packedYear(d), hits);
  T_viewDataItem row;
  row.day = d;
  row.date = d;
  row.priority = kRowSpecialDay;
  for (const T_SpecDayHit& hit : hits) {
    row.text = (holiday ? "@b@r" : "@r") + hit.name;
    appendRow(row, nullptr);
  }
  row.priority = kRowHeading;
  row.text = calendarHeadingText(d, holiday, d == today);
  appendRow(row, nullptr);
  row.day = dayOf(d);
  row.date = row.day;
  row.priority = kRowClosing;
  row.text.clear();
  appendRow(row, nullptr);
}
