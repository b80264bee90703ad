// The calendar: the first day and span that the calendar view shows, and six index lists of
// the dated and recurring to-dos and appointments of the tree, so the calendar view is built
// without walking the tree. The lists point into the tree and own nothing. GUI thread only.
#ifndef ZOLT_CALENDAR_CALENDAR_LISTS_H_
#define ZOLT_CALENDAR_CALENDAR_LISTS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <set>
#include <type_traits>
#include <vector>

#include "calendar/date_time.h"
#include "util/slot_pool.h"

class CryptMan;
class ToDoListItem;
class ToDoListToDo;
struct T_viewDataItem;

// One entry of a dated list.
struct T_DatedCalListItem {
  ToDoListToDo* item;  // not owned
  unsigned key;        // packed date-time the entry is sorted by
};

// Orders dated entries by key alone, so entries with equal keys stay in placement order.
struct DatedCalListKeyLess {
  using is_transparent = void;
  bool operator()(const T_DatedCalListItem& a, const T_DatedCalListItem& b) const {
    return a.key < b.key;
  }
  bool operator()(const T_DatedCalListItem& a, unsigned key) const { return a.key < key; }
  bool operator()(unsigned key, const T_DatedCalListItem& b) const { return key < b.key; }
};

// The lists' entries are nodes of one size each, one for nearly every dated to-do: they
// come from pools (util/slot_pool.h) rather than a heap block each.
template <typename T>
struct CalEntryAllocator {
  using value_type = T;
  CalEntryAllocator() = default;
  template <typename U>
  CalEntryAllocator(const CalEntryAllocator<U>&) {}  // NOLINT: converts as allocators do
  T* allocate(size_t n) {
    if (n == 1) return static_cast<T*>(pool().take());
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) {
    if (n == 1) {
      pool().give(p);
    } else {
      ::operator delete(p);
    }
  }
  template <typename U>
  bool operator==(const CalEntryAllocator<U>&) const {
    return true;
  }
  template <typename U>
  bool operator!=(const CalEntryAllocator<U>&) const {
    return false;
  }

 private:
  static SlotPool& pool() { return SlotPool::of<sizeof(T), alignof(T)>(); }
};

// Sorted by key, ascending as unsigned numbers; among equal keys the entry placed last
// stands first. Walk it with begin()/end() or rbegin()/rend(); lower_bound/upper_bound of a
// key give the place to stop early.
using T_DatedCalList =
    std::multiset<T_DatedCalListItem, DatedCalListKeyLess, CalEntryAllocator<T_DatedCalListItem>>;
// Recurring items in the order they were placed (appended at the end).
using T_RecCalList = std::list<ToDoListToDo*, CalEntryAllocator<ToDoListToDo*>>;

// Which of the six lists an item is in.
enum class CalList {
  kNone,
  kRecurringToDos,
  kDatedToDos,
  kRecurringBusy,
  kDatedBusy,
  kRecurringFree,
  kDatedFree,
};

struct T_Calendar;

// Where a to-do is listed: the calendar, the list and its own entry there, so it leaves the
// list in constant time however its dates have changed since it entered.
// Every to-do carries one, so the two kinds of entry share their place: `list` tells which
// is valid.
struct T_CalListPos {
  T_Calendar* cal = nullptr;  // not owned; null while the to-do is in no list
  CalList list = CalList::kNone;
  union {
    T_RecCalList::iterator recEntry;      // valid in a recurring list
    T_DatedCalList::iterator datedEntry;  // valid in a dated list; its end() while batched
  };
  T_CalListPos() : recEntry() {}
};
static_assert(std::is_trivially_copyable<T_RecCalList::iterator>::value &&
                  std::is_trivially_copyable<T_DatedCalList::iterator>::value,
              "the entries are copied as the union's bytes");

// Invariant: every entry of the six lists refers to a live to-do whose T_CalListPos names
// this calendar, that list and that entry, and every to-do is in at most one list. Only
// ToDoListToDo::putIntoCalList and removeFromCalLists change the lists.
struct T_Calendar {
  unsigned firstDay = kEmptyDateTime;  // first day shown by the calendar view
  int span = 7;                        // days shown: 1, 2, 3, 7 or 42

  T_Calendar() = default;
  // The items still listed are told that they are in no list any more, so a calendar may
  // be destroyed before the tree it indexes.
  ~T_Calendar();
  // Empties all six lists; the to-dos that were in them are in no list afterwards. Much
  // cheaper than letting a whole tree's to-dos leave one by one when it is freed.
  void unlistAll();
  // The to-dos point at their calendar: it stays where it is.
  T_Calendar(const T_Calendar&) = delete;
  T_Calendar& operator=(const T_Calendar&) = delete;

  // To-dos (priority other than 100 and 200) whose recurrence type is neither 0 nor 2.
  const T_RecCalList& recurringToDos() const { return recToDos; }
  // The other dated to-dos, keyed by their end date-time.
  const T_DatedCalList& datedToDos() const { return datToDos; }
  // Appointments of priority 100 (busy): recurring, and dated keyed by their begin.
  const T_RecCalList& recurringBusy() const { return recBusy; }
  const T_DatedCalList& datedBusy() const { return datBusy; }
  // Appointments of priority 200 (free): recurring, and dated keyed by their begin.
  const T_RecCalList& recurringFree() const { return recFree; }
  const T_DatedCalList& datedFree() const { return datFree; }
  // Entries in all six lists together.
  size_t nrListed() const;

  // A batch for readers of many records. Between beginBatch and the matching endBatch,
  // to-dos entering a dated list are only noted; endBatch places them all at once, in
  // exactly the order placing them one by one would have given. Placing entries one by
  // one costs a walk down the list's tree each, which for the hundreds of thousands of a
  // big file is most of the reading; placed in key order they go in at the end. Batches
  // nest: only the outermost endBatch places. While a batch is open the dated lists and
  // nrListed() do not show the noted entries yet; leaving and re-entering work as usual.
  void beginBatch() { ++batchDepth; }
  void endBatch();

 private:
  friend class ToDoListToDo;

  // A to-do noted for a dated list during a batch; `item` is null once it left again.
  // `rank` holds the list (0 to 2) in its top two bits, the key below them and the noting
  // order reversed in the low 30 bits, so that the entries sort in place, as plain numbers,
  // into the order they are placed in.
  struct T_BatchedEntry {
    ToDoListToDo* item;
    uint64_t rank;
    unsigned key() const { return static_cast<unsigned>(rank >> 30); }
  };
  // Places every noted entry (the batch stays open).
  void placeBatched();
  // Places the sorted entries of one list from `first` to `last`.
  void placeRun(CalList which, const T_BatchedEntry* first, const T_BatchedEntry* last);

  T_RecCalList* recurringList(CalList which);
  T_DatedCalList* datedList(CalList which);
  // Places `t` into `which` (a dated list under `key`) and returns where it stands.
  T_CalListPos insert(ToDoListToDo* t, CalList which, unsigned key);
  // Erases the entry of `t` that `pos` names. REQUIRES: `pos` is t's entry in this calendar.
  void erase(ToDoListToDo* t, const T_CalListPos& pos);

  T_RecCalList recToDos;
  T_DatedCalList datToDos;
  T_RecCalList recBusy;
  T_DatedCalList datBusy;
  T_RecCalList recFree;
  T_DatedCalList datFree;
  int batchDepth = 0;
  std::vector<T_BatchedEntry> batched;  // in the order noted
};

// The list an item belongs in, by priority, recurrence type and dates: kNone when neither
// date carries a date.
CalList calListFor(unsigned priority, int recurrenceType, unsigned begin, unsigned end);
// The key of an item in a dated list: its begin for priority 100 and 200, else its end.
unsigned calListKeyFor(unsigned priority, unsigned begin, unsigned end);

// Expands every item of one recurring list over the shown days from `from` (the first shown
// day, time half 0) to `to` (the last shown day without a time): for each occurrence that
// touches those days, one row per shown day it covers is appended to `rows` (made with the
// to-do's setViewData; day, first-day and last-day flags set, and the sort date and second
// date those of the occurrence) and the item to `items` at the same index. An occurrence
// without an end covers its begin day only. Occurrences are taken from the item's own dates
// forward, stepped with setFollowingRecurrenceDate on copies; the items are not changed.
// Ends for any dates: a step that fails or does not move forward ends the item. `keys` may
// be null.
// REQUIRES: `from` and `to` carry a date.
void getContentRecItems(unsigned from, unsigned to, const T_RecCalList& list,
                        std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items,
                        CryptMan* keys);

// What forEachShownOccurrence hands over for one occurrence from `b` to `e` of the to-do
// `t`: `row` is t's view data (setViewData) with the sort date and second date of the
// occurrence; its day and flags are not set.
using OccurrenceVisitor =
    std::function<void(ToDoListToDo* t, const T_viewDataItem& row, unsigned b, unsigned e)>;
// Visits, in getContentRecItems' order, every occurrence that getContentRecItems makes rows
// of; each covers the shown days from dayOf(max(b, from)) to the earlier of dayOf(to) and
// occurrenceLastDay(b, e). An item's view data is made once for all its occurrences;
// without `withText` the row's text stays empty (setViewFields).
void forEachShownOccurrence(unsigned from, unsigned to, const T_RecCalList& list, CryptMan* keys,
                            const OccurrenceVisitor& visit, bool withText = true);
// The last day (without a time) an occurrence from `b` to `e` covers: its end's day, or
// its begin's when it has no end; the day before for an end at 00:00 after the begin day.
unsigned occurrenceLastDay(unsigned b, unsigned e);

#endif  // ZOLT_CALENDAR_CALENDAR_LISTS_H_
