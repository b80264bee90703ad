// The rows of the calendar view: dated appointments and to-dos from the calendar lists,
// the expanded recurring items, the overdue block when the view starts today, and for
// every shown day its special days, heading and closing row.
#include "document/calendar_view.h"

#include <algorithm>
#include <utility>
#include <vector>

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

// Which rows of a shown day a span's rows join. The day values sort overdue block first,
// then per day its heading and special-day rows (the day with time half 0), then its
// items and closing row (the day without a time): the calendar order's first key.
enum class Slot : unsigned char { kOverdue, kHeading, kItem };

// The rows one item (or one occurrence, or one day row) makes: the same row on every shown
// day from `first` to `last` (indices into the shown days). An item's rows share
// everything but the day and the two flags, which only the first and the last of them can
// carry; so the calendar keeps one span per item and makes its rows in display order. The
// row itself is kept once per item (`look`), since a recurring item's occurrences differ
// in their dates only.
struct CalendarSpan {
  unsigned look;  // index into the looks
  unsigned date, secondDate;
  unsigned first, last;
  Slot slot;
  bool firstDay;  // the row on `first` is the item's first day
  bool lastDay;   // the row on `last` is the item's last day
};

// What the rows of one item have in common.
struct RowLook {
  T_viewDataItem row;  // its day is the row's own for the overdue and heading slots
  ToDoListItem* item;  // not owned; null for rows of no item
};

// The spans of one calendar view in the order the rows were always built, which is the
// order that rows equal in the calendar order keep.
class CalendarSpans {
 public:
  CalendarSpans(const std::vector<unsigned>& days, unsigned first, unsigned last)
      : days(days), first(first), last(last) {}

  // A span of the row `row` of `item`. With `sameLook` it takes the look of the span
  // before, which must differ from `row` in the dates only (the occurrences of one
  // recurring item).
  void add(const T_viewDataItem& row, ToDoListItem* item, size_t from, size_t to, Slot slot,
           bool firstDay, bool lastDay, bool sameLook = false) {
    if (!sameLook || looks.empty()) looks.push_back(RowLook{row, item});
    spans.push_back(CalendarSpan{static_cast<unsigned>(looks.size() - 1), row.date, row.secondDate,
                                 static_cast<unsigned>(from), static_cast<unsigned>(to), slot,
                                 firstDay, lastDay});
  }
  void addAppointments(const T_DatedCalList& list, CryptMan* keys);
  void addDatedToDos(const T_DatedCalList& list, CryptMan* keys);
  void addRecurring(const T_RecCalList& list, CryptMan* keys);
  void addOverdue(const T_Calendar& cal, unsigned today, CryptMan* keys);
  void addDayRows(size_t k, SpecialDays& specialDays, unsigned today);
  // Appends the rows of every span in the calendar order. The spans are reordered.
  void emit(std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items);

 private:
  std::vector<unsigned> sortedSpans() const;
  void emitRow(const CalendarSpan& s, unsigned k, std::vector<T_viewDataItem>& rows,
               std::vector<ToDoListItem*>& items) const;

  const std::vector<unsigned>& days;
  unsigned first, last;  // the first shown day with time half 0; the last shown day
  std::vector<RowLook> looks;
  std::vector<CalendarSpan> spans;
};

// An appointment shows on every shown day from its begin to its end; one without an end
// on its begin day only (its row keeps the stored empty end, so no end time is shown).
void CalendarSpans::addAppointments(const T_DatedCalList& list, CryptMan* keys) {
  for (const T_DatedCalListItem& entry : list) {
    if (entry.key > last) break;
    ToDoListToDo* t = entry.item;
    unsigned e = t->getDateTime(0);
    if (!hasDate(e)) e = entry.key;
    unsigned end = occurrenceLastDay(entry.key, e);  // an end at 00:00 ends the day before
    if (end < first) continue;
    unsigned d = dayOf(std::max(entry.key, first));
    T_viewDataItem row;
    t->setViewData(row, keys);
    size_t from = dayIndex(days, d), to = daysUpTo(days, std::min(end, last));
    if (to <= from) continue;
    add(row, t, from, to - 1, Slot::kItem, dayOf(entry.key) == d, days[to - 1] == end);
  }
}

// A to-do shows on every shown day from its end back to its begin; without a begin, back
// to the first shown day. The list is walked from its latest end down to the first day.
void CalendarSpans::addDatedToDos(const T_DatedCalList& list, CryptMan* keys) {
  for (auto it = list.rbegin(); it != list.rend() && it->key >= first; ++it) {
    ToDoListToDo* t = it->item;
    unsigned b = t->getDateTime(1);
    if (hasDate(b) && b > last) continue;
    unsigned e = dayOf(std::min(it->key, last));
    b = dayOf(b);
    T_viewDataItem row;
    t->setViewData(row, keys);
    size_t to = dayIndex(days, e);
    size_t from = hasDate(b) ? dayIndex(days, b) : 0;
    if (from > to) continue;
    add(row, t, from, to, Slot::kItem, days[from] == b, dayOf(it->key) == e);
  }
}

// Every occurrence over the shown days it covers.
void CalendarSpans::addRecurring(const T_RecCalList& list, CryptMan* keys) {
  forEachShownOccurrence(
      first, last, list, keys,
      [this, shown = static_cast<ToDoListToDo*>(nullptr)](
          ToDoListToDo* t, const T_viewDataItem& row, unsigned b, unsigned e) mutable {
        unsigned endDay = occurrenceLastDay(b, e);
        size_t from = dayIndex(days, dayOf(std::max(b, first)));
        size_t to = daysUpTo(days, std::min(endDay, dayOf(last)));
        if (to <= from) return;
        add(row, t, from, to - 1, Slot::kItem, days[from] == dayOf(b), days[to - 1] == endDay,
            t == shown);
        shown = t;
      });
}

// Open to-dos due before today, shown together before today's heading; a closing row
// ends the block when it holds any.
void CalendarSpans::addOverdue(const T_Calendar& cal, unsigned today, CryptMan* keys) {
  size_t before = spans.size();
  T_viewDataItem row;
  auto append = [&](ToDoListToDo* t) {
    t->setViewData(row, keys);
    row.day = overdueRowDay(today);
    add(row, t, 0, 0, Slot::kOverdue, false, false);
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
  add(closing, nullptr, 0, 0, Slot::kOverdue, false, false);
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
    add(row, nullptr, k, k, Slot::kHeading, false, false);
  }
  row.priority = kRowHeading;
  row.text = calendarHeadingText(d, holiday, d == today);
  add(row, nullptr, k, k, Slot::kHeading, false, false);
  row.day = dayOf(d);
  row.date = row.day;
  row.priority = kRowClosing;
  row.text.clear();
  add(row, nullptr, k, k, Slot::kItem, false, false);
}

constexpr int kDigitBits = 11;
constexpr unsigned kDigitMask = (1u << kDigitBits) - 1;

struct SpanKey {
  unsigned group;  // rank of the span's (kind, priority) among those of all spans
  unsigned date;
  unsigned span;
};

// Stable counting sort of `a` by one digit of a field; nothing to do when every entry has
// the same digit.
template <typename Field>
void radixPass(std::vector<SpanKey>& a, std::vector<SpanKey>& spare, Field field, int shift) {
  std::vector<size_t> start(kDigitMask + 2, 0);
  for (const SpanKey& e : a) ++start[((field(e) >> shift) & kDigitMask) + 1];
  if (std::find(start.begin(), start.end(), a.size()) != start.end()) return;
  for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
  for (const SpanKey& e : a) spare[start[(field(e) >> shift) & kDigitMask]++] = e;
  a.swap(spare);
}

// Heading first, then special days, then the rest by ascending priority.
int kindRank(unsigned priority) {
  if (priority == kRowHeading) return 0;
  if (priority == kRowSpecialDay) return 1;
  return 2;
}

// The spans by (kind, priority, date), stably: the order of their rows within one day.
std::vector<unsigned> CalendarSpans::sortedSpans() const {
  std::vector<std::pair<int, unsigned>> groups;  // (kind rank, priority), few of them
  std::vector<SpanKey> keys(spans.size());
  for (size_t n = 0; n < spans.size(); ++n) {
    unsigned priority = looks[spans[n].look].row.priority;
    std::pair<int, unsigned> g(kindRank(priority), priority);
    size_t at = static_cast<size_t>(std::find(groups.begin(), groups.end(), g) - groups.begin());
    if (at == groups.size()) groups.push_back(g);
    keys[n] = SpanKey{static_cast<unsigned>(at), spans[n].date, static_cast<unsigned>(n)};
  }
  std::vector<unsigned> byKey(groups.size()), rankOf(groups.size());
  for (unsigned g = 0; g < byKey.size(); ++g) byKey[g] = g;
  std::sort(byKey.begin(), byKey.end(),
            [&groups](unsigned x, unsigned y) { return groups[x] < groups[y]; });
  for (unsigned k = 0; k < byKey.size(); ++k) rankOf[byKey[k]] = k;
  for (SpanKey& k : keys) k.group = rankOf[k.group];
  std::vector<SpanKey> spare(keys.size());
  auto date = [](const SpanKey& e) { return e.date; };
  auto group = [](const SpanKey& e) { return e.group; };
  for (int shift = 0; shift < 32; shift += kDigitBits) radixPass(keys, spare, date, shift);
  for (int shift = 0; shift < 32; shift += kDigitBits) radixPass(keys, spare, group, shift);
  std::vector<unsigned> sorted(keys.size());
  for (size_t n = 0; n < keys.size(); ++n) sorted[n] = keys[n].span;
  return sorted;
}

// The row of span `s` on the shown day `k`.
void CalendarSpans::emitRow(const CalendarSpan& s, unsigned k, std::vector<T_viewDataItem>& rows,
                            std::vector<ToDoListItem*>& items) const {
  const RowLook& look = looks[s.look];
  rows.push_back(look.row);
  T_viewDataItem& row = rows.back();
  row.date = s.date;
  row.secondDate = s.secondDate;
  if (s.slot == Slot::kItem) {
    row.day = days[k];
    row.firstDay = s.firstDay && k == s.first;
    row.lastDay = s.lastDay && k == s.last;
  }
  items.push_back(look.item);
}

void CalendarSpans::emit(std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items) {
  // The spans in their sorted order: each day then reads them front to back.
  {
    std::vector<unsigned> sorted = sortedSpans();
    std::vector<CalendarSpan> ordered(sorted.size());
    for (size_t n = 0; n < sorted.size(); ++n) ordered[n] = spans[sorted[n]];
    spans.swap(ordered);
  }
  // Per shown day, the spans that start on it; the overdue block stands before every day.
  std::vector<std::vector<unsigned>> headings(days.size()), starting(days.size());
  std::vector<unsigned> overdue;
  size_t total = 0;
  for (unsigned n = 0; n < spans.size(); ++n) {
    const CalendarSpan& s = spans[n];
    total += s.last - s.first + 1;
    if (s.slot == Slot::kOverdue) overdue.push_back(n);
    if (s.slot == Slot::kHeading) headings[s.first].push_back(n);
    if (s.slot == Slot::kItem) starting[s.first].push_back(n);
  }
  rows.reserve(rows.size() + total);
  items.reserve(items.size() + total);
  for (unsigned n : overdue) emitRow(spans[n], 0, rows, items);
  // The item spans shown on day k: those of the day before that still run, merged with
  // those starting on k.
  std::vector<unsigned> shown, next;
  for (unsigned k = 0; k < days.size(); ++k) {
    for (unsigned n : headings[k]) emitRow(spans[n], k, rows, items);
    next.clear();
    auto running = shown.begin();
    for (unsigned n : starting[k]) {
      for (; running != shown.end() && *running < n; ++running) {
        if (spans[*running].last >= k) next.push_back(*running);
      }
      next.push_back(n);
    }
    for (; running != shown.end(); ++running) {
      if (spans[*running].last >= k) next.push_back(*running);
    }
    shown.swap(next);
    for (unsigned n : shown) emitRow(spans[n], k, rows, items);
  }
}

}  // namespace

// The rows are made in the calendar order itself, so sortContent finds them in order and
// leaves them: a long view of many items holds millions of rows, and making them sorted
// costs neither a sort of all of them nor the memory one needs.
void Zolt::getCalendarContent() {
  if (!hasDate(calendar.firstDay) || calendar.span < 1) return;
  std::vector<unsigned> days = shownDays(calendar.firstDay, calendar.span);
  unsigned first = calendar.firstDay & kDateMask;
  unsigned last = (days.back() & kDateMask) | (calendar.firstDay & kTimeMask);
  unsigned today = getTodayDate(kNoDate);
  CalendarSpans spans(days, first, last);
  spans.addAppointments(calendar.datedFree(), &keys);
  spans.addAppointments(calendar.datedBusy(), &keys);
  spans.addDatedToDos(calendar.datedToDos(), &keys);
  spans.addRecurring(calendar.recurringToDos(), &keys);
  spans.addRecurring(calendar.recurringFree(), &keys);
  spans.addRecurring(calendar.recurringBusy(), &keys);
  if (first == today) spans.addOverdue(calendar, today, &keys);
  for (size_t k = 0; k < days.size(); ++k) spans.addDayRows(k, *specialDays, today);
  spans.emit(rows, rowItems);
}
