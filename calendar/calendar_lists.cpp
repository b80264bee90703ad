// The six calendar lists, how to-dos enter and leave them, the setters of a to-do that keep
// them right, and the expansion of recurring items into calendar rows.
#include "calendar/calendar_lists.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "document/view_data.h"
#include "model/todo_list_todo.h"

// ---- T_Calendar ----

namespace {

constexpr CalList kDatedLists[] = {CalList::kDatedToDos, CalList::kDatedBusy, CalList::kDatedFree};
constexpr unsigned kRankOrderBits = 30;
constexpr unsigned kRankListShift = kRankOrderBits + 32;
constexpr uint64_t kRankOrderMask = (uint64_t{1} << kRankOrderBits) - 1;

uint64_t datedListNumber(CalList which) {
  return which == CalList::kDatedToDos ? 0 : which == CalList::kDatedBusy ? 1 : 2;
}

}  // namespace

T_Calendar::~T_Calendar() { unlistAll(); }

void T_Calendar::unlistAll() {
  for (T_RecCalList* list : {&recToDos, &recBusy, &recFree}) {
    for (ToDoListToDo* t : *list) t->calPos = T_CalListPos();
    list->clear();
  }
  for (T_DatedCalList* list : {&datToDos, &datBusy, &datFree}) {
    for (const T_DatedCalListItem& e : *list) e.item->calPos = T_CalListPos();
    list->clear();
  }
  for (const T_BatchedEntry& e : batched) {
    if (e.item != nullptr) e.item->calPos = T_CalListPos();
  }
  batched.clear();
}

size_t T_Calendar::nrListed() const {
  return recToDos.size() + datToDos.size() + recBusy.size() + datBusy.size() + recFree.size() +
         datFree.size();
}

T_RecCalList* T_Calendar::recurringList(CalList which) {
  switch (which) {
    case CalList::kRecurringToDos:
      return &recToDos;
    case CalList::kRecurringBusy:
      return &recBusy;
    case CalList::kRecurringFree:
      return &recFree;
    default:
      return nullptr;
  }
}

T_DatedCalList* T_Calendar::datedList(CalList which) {
  switch (which) {
    case CalList::kDatedToDos:
      return &datToDos;
    case CalList::kDatedBusy:
      return &datBusy;
    case CalList::kDatedFree:
      return &datFree;
    default:
      return nullptr;
  }
}

T_CalListPos T_Calendar::insert(ToDoListToDo* t, CalList which, unsigned key) {
  T_CalListPos pos;
  pos.cal = this;
  pos.list = which;
  if (T_RecCalList* rec = recurringList(which)) {
    pos.recEntry = rec->insert(rec->end(), t);
  } else if (T_DatedCalList* dated = datedList(which)) {
    if (batchDepth > 0) {
      // The noting order must fit below the list's bits; that many would not fit in memory
      // anyway, but then the entries so far are placed and the count starts again.
      if (batched.size() > kRankOrderMask) placeBatched();
      uint64_t order = kRankOrderMask - batched.size();
      uint64_t list = datedListNumber(which);
      batched.push_back(
          T_BatchedEntry{t, list << kRankListShift | uint64_t{key} << kRankOrderBits | order});
      pos.datedEntry = dated->end();
      return pos;
    }
    // Inserting with the first entry of an equal or greater key as the hint places the new
    // entry right before it: before every entry with an equal key.
    pos.datedEntry = dated->insert(dated->lower_bound(key), T_DatedCalListItem{t, key});
  } else {
    return T_CalListPos();
  }
  return pos;
}

void T_Calendar::erase(ToDoListToDo* t, const T_CalListPos& pos) {
  if (T_RecCalList* rec = recurringList(pos.list)) {
    rec->erase(pos.recEntry);
  } else if (T_DatedCalList* dated = datedList(pos.list)) {
    if (pos.datedEntry != dated->end()) {
      dated->erase(pos.datedEntry);
      return;
    }
    // Noted in the open batch. A to-do leaving during a read is nearly always one of the
    // last noted (that of a damaged record), so the search starts at the back.
    for (auto it = batched.rbegin(); it != batched.rend(); ++it) {
      if (it->item == t) {
        it->item = nullptr;
        return;
      }
    }
  }
}

void T_Calendar::endBatch() {
  if (batchDepth == 0 || --batchDepth > 0) return;
  placeBatched();
}

// One by one, each entry would go before every entry of an equal key that stood there
// already: among equal keys the last noted stands first, and before the entries placed
// before the batch. Sorted so (in place: a second array as long would be most of a big
// load's peak memory), the entries of each list are merged into it in one walk.
void T_Calendar::placeBatched() {
  std::vector<T_BatchedEntry> entries;
  entries.swap(batched);
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [](const T_BatchedEntry& e) { return e.item == nullptr; }),
                entries.end());
  std::sort(entries.begin(), entries.end(),
            [](const T_BatchedEntry& a, const T_BatchedEntry& b) { return a.rank < b.rank; });
  const T_BatchedEntry* first = entries.data();
  const T_BatchedEntry* end = first + entries.size();
  for (CalList which : kDatedLists) {
    const T_BatchedEntry* last = first;
    while (last != end && last->rank >> kRankListShift == datedListNumber(which)) ++last;
    placeRun(which, first, last);
    first = last;
  }
}

// A few entries into a long list are placed by a search each, as the walk would be longer.
void T_Calendar::placeRun(CalList which, const T_BatchedEntry* first, const T_BatchedEntry* last) {
  T_DatedCalList& dated = *datedList(which);
  bool search = static_cast<size_t>(last - first) * 16 < dated.size();
  auto next = dated.begin();  // first entry from before the batch with a key not below
  for (const T_BatchedEntry* e = first; e != last; ++e) {
    if (search) {
      if (e == first || e[-1].key() != e->key()) next = dated.lower_bound(e->key());
    } else {
      while (next != dated.end() && next->key < e->key()) ++next;
    }
    e->item->calPos.datedEntry = dated.insert(next, T_DatedCalListItem{e->item, e->key()});
  }
}

CalList calListFor(unsigned priority, int recurrenceType, unsigned begin, unsigned end) {
  if (!hasDate(begin) && !hasDate(end)) return CalList::kNone;
  // Daily resetable items are listed by their date: their next date depends on the day
  // they are completed, so they cannot be expanded ahead.
  bool recurring = recurrenceType != 0 && recurrenceType != 2;
  if (priority == kBusyPriority) return recurring ? CalList::kRecurringBusy : CalList::kDatedBusy;
  if (priority == kFreePriority) return recurring ? CalList::kRecurringFree : CalList::kDatedFree;
  return recurring ? CalList::kRecurringToDos : CalList::kDatedToDos;
}

unsigned calListKeyFor(unsigned priority, unsigned begin, unsigned end) {
  return (priority == kBusyPriority || priority == kFreePriority) ? begin : end;
}

// ---- entering and leaving ----

void ToDoListToDo::putIntoCalList(T_Calendar& cal) {
  if (calPos.cal != nullptr) removeFromCalLists(*calPos.cal);
  CalList which = calListFor(priority, recData.type, begin, end);
  if (which == CalList::kNone) return;
  calPos = cal.insert(this, which, calListKeyFor(priority, begin, end));
}

void ToDoListToDo::removeFromCalLists(T_Calendar& cal) {
  (void)cal;  // the entry is found through calPos, which also names its calendar
  if (calPos.cal == nullptr) return;
  calPos.cal->erase(this, calPos);
  calPos = T_CalListPos();
}

// ---- setters that keep the lists right ----

template <typename Change>
void ToDoListToDo::changeListed(T_Calendar& cal, bool sanitize, Change change) {
  removeFromCalLists(cal);
  change();
  if (sanitize) sanitizeTimeThings();
  putIntoCalList(cal);
}

static bool isValidTime(int hour, int minute) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
}

int ToDoListToDo::setDate(int which, int year, int month, int day, T_Calendar& cal) {
  if (!isValidDate(year, month, day)) return -1;
  unsigned& field = which ? begin : end;
  changeListed(cal, true, [&] { field = packDate(field, year, month, day); });
  return 0;
}

int ToDoListToDo::setDateDontCheck(int which, int year, int month, int day, T_Calendar& cal) {
  if (!isValidDate(year, month, day)) return -1;
  unsigned& field = which ? begin : end;
  changeListed(cal, false, [&] { field = packDate(field, year, month, day); });
  return 0;
}

int ToDoListToDo::setTime(int which, int hour, int minute, T_Calendar& cal) {
  if (!isValidTime(hour, minute)) return -1;
  unsigned& field = which ? begin : end;
  changeListed(cal, true, [&] { field = packTime(field, hour, minute); });
  return 0;
}

int ToDoListToDo::setTimeDontCheck(int which, int hour, int minute, T_Calendar& cal) {
  if (!isValidTime(hour, minute)) return -1;
  unsigned& field = which ? begin : end;
  changeListed(cal, false, [&] { field = packTime(field, hour, minute); });
  return 0;
}

void ToDoListToDo::clearDate(int which, T_Calendar& cal) {
  unsigned& field = which ? begin : end;
  changeListed(cal, true, [&] { field = clearDatePart(field); });
}

void ToDoListToDo::clearTime(int which, T_Calendar& cal) {
  unsigned& field = which ? begin : end;
  changeListed(cal, true, [&] { field = clearTimePart(field); });
}

int ToDoListToDo::setPriority(unsigned p, T_Calendar& cal) {
  if (p > 6 && p != kBusyPriority && p != kFreePriority) return -1;
  changeListed(cal, true, [&] { priority = p; });
  return 0;
}

void ToDoListToDo::setShowTimeAs(int v, T_Calendar& cal) {
  if (!isAppointment()) {
    showTimeAs = v;
    return;
  }
  changeListed(cal, true, [&] {
    showTimeAs = v;
    priority = v != 0 ? kBusyPriority : kFreePriority;
  });
}

// ---- expansion of recurring items ----

// The last moment an occurrence from `b` to `e` covers: one without an end (possible in a
// file that was never normalised) covers its begin day only, not every day after it.
// The moment an occurrence ends, as far as the days it covers go. One that ends at 00:00 on
// a later day than it begins ends with the day before: nothing of that day is taken up.
static unsigned occurrenceEnd(unsigned b, unsigned e) {
  if (!hasDate(e)) return b;
  bool atMidnight = hasTime(e) && packedHour(e) == 0 && packedMinute(e) == 0;
  if (!atMidnight || dateKey(e) <= dateKey(b)) return e;
  unsigned dayBefore = dayOf(e);
  moveDate(dayBefore, -1);
  return dayBefore;
}

// Appends one row per shown day that the occurrence from `b` to `e` covers; `row` holds the
// item's view data with the occurrence's dates.
static void appendOccurrenceRows(ToDoListToDo* t, T_viewDataItem row, unsigned b, unsigned e,
                                 unsigned from, unsigned to, std::vector<T_viewDataItem>& rows,
                                 std::vector<ToDoListItem*>& items) {
  unsigned lastDay = dayOf(to);
  unsigned endDay = dayOf(occurrenceEnd(b, e));
  for (unsigned day = dayOf(std::max(b, from)); day <= endDay && day <= lastDay;) {
    row.day = day;
    row.firstDay = day == dayOf(b);
    row.lastDay = day == endDay;
    rows.push_back(row);
    items.push_back(t);
    // Stopping on the last shown day keeps the step from leaving the packable years.
    if (day == lastDay || day == endDay) break;
    moveDate(day, 1);
  }
}

// True when the series' last occurrence ends before `from`: an appointment's last date is
// that of its begin, and an occurrence that runs past midnight reaches into the days after.
static bool endsBefore(const ToDoListToDo* t, unsigned lastDate, unsigned from, unsigned b,
                       unsigned e) {
  if (!t->isAppointment() || !hasDate(b)) return lastDate < from;
  return getDateDiff(from, lastDate) > getDateDiff(occurrenceEnd(b, e), b);
}

static void expandItem(ToDoListToDo* t, unsigned from, unsigned to, CryptMan* keys, bool withText,
                       const OccurrenceVisitor& visit) {
  T_recData rec;
  t->getRecData(rec);
  unsigned b = t->getDateTime(1);
  unsigned e = t->getDateTime(0);
  if (hasDate(rec.lastDate) && endsBefore(t, rec.lastDate, from, b, e)) return;
  if (hasDate(rec.firstDate) && rec.firstDate > to) return;
  // An occurrence that ends before the first shown day shows nothing: a series begun years
  // ago jumps to the shown days instead of taking thousands of steps to reach them.
  if (t->skipOccurrencesBefore(from, b, e) < 0) return;
  // The view data is made once, on the first occurrence shown, and shared by all: the
  // item's text is then made once for all its rows.
  T_viewDataItem row;
  bool made = false;
  for (;;) {
    if (occurrenceEnd(b, e) >= from && b <= to) {
      if (!made) withText ? t->setViewData(row, keys) : t->setViewFields(row);
      made = true;
      // The rows show this occurrence, not the item's own dates (its first occurrence):
      // the times shown and the place among the day's rows are the occurrence's.
      row.date = t->isAppointment() ? b : e;
      row.secondDate = t->isAppointment() ? e : b;
      visit(t, row, b, e);
    }
    unsigned oldB = b, oldE = e;
    if (t->setFollowingRecurrenceDate(b, e) != 1 || b > to) return;
    // Every step must move on, or the expansion would never end.
    if (b <= oldB && e <= oldE) return;
  }
}

unsigned occurrenceLastDay(unsigned b, unsigned e) { return dayOf(occurrenceEnd(b, e)); }

void forEachShownOccurrence(unsigned from, unsigned to, const T_RecCalList& list, CryptMan* keys,
                            const OccurrenceVisitor& visit, bool withText) {
  if (!hasDate(from) || !hasDate(to)) return;
  for (ToDoListToDo* t : list) expandItem(t, from, to, keys, withText, visit);
}

void getContentRecItems(unsigned from, unsigned to, const T_RecCalList& list,
                        std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items,
                        CryptMan* keys) {
  forEachShownOccurrence(from, to, list, keys,
                         [&](ToDoListToDo* t, const T_viewDataItem& row, unsigned b, unsigned e) {
                           appendOccurrenceRows(t, row, b, e, from, to, rows, items);
                         });
}
