#include "document/view_order.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "util/collation.h"

// Each order is "a > b" on a lexicographic key, which makes it a strict weak order.
bool viewRowAfter(const T_viewDataItem& a, const T_viewDataItem& b, int sort, bool completedLast) {
  if (completedLast && a.completed != b.completed) return a.completed;
  if (sort == 1) {
    if (a.date != b.date) return a.date > b.date;
    if (a.priority != b.priority) return a.priority > b.priority;
  } else {
    if (a.priority != b.priority) return a.priority > b.priority;
    if (a.date != b.date) return a.date > b.date;
  }
  return userCollator().compare(a.text, b.text) > 0;
}

// Heading rows and special-day rows carry their day with the time half 0, items and the
// closing row the day with no time, so the build never gives a heading or special-day row
// the day value of an item row. Were it to happen, plain "higher priority after" would
// put the heading after the item while "everything after a heading" puts it before, and
// no order could satisfy both; ranking the kinds first keeps the order consistent for
// any rows and agrees with both rules wherever they agree.
static int calendarRank(unsigned priority) {
  if (priority == kRowHeading) return 0;
  if (priority == kRowSpecialDay) return 1;
  return 2;
}

bool calendarRowAfter(const T_viewDataItem& a, const T_viewDataItem& b) {
  if (a.day != b.day) return a.day > b.day;
  if (a.priority != b.priority) {
    int ra = calendarRank(a.priority);
    int rb = calendarRank(b.priority);
    if (ra != rb) return ra > rb;
    return a.priority > b.priority;
  }
  return a.date > b.date;
}

namespace {

// One entry of the order with what the calendar order sorts it by.
struct CalendarSortEntry {
  unsigned group;  // rank of the row's (day, kind, priority) among those of all rows
  unsigned date;
  unsigned place;  // position in the order before sorting
};

constexpr int kDigitBits = 11;
constexpr unsigned kDigitMask = (1u << kDigitBits) - 1;

// Stable counting sort of `a` by one digit of a field; nothing to do when every entry has
// the same digit.
template <typename Field>
void radixPass(std::vector<CalendarSortEntry>& a, std::vector<CalendarSortEntry>& spare,
               Field field, int shift) {
  std::vector<size_t> start(kDigitMask + 2, 0);
  for (const CalendarSortEntry& e : a) ++start[((field(e) >> shift) & kDigitMask) + 1];
  if (std::find(start.begin(), start.end(), a.size()) != start.end()) return;
  for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
  for (const CalendarSortEntry& e : a) spare[start[(field(e) >> shift) & kDigitMask]++] = e;
  a.swap(spare);
}

// The groups of the rows met so far by their key (day << 32 | priority): an open-addressed
// table, as the rows have few distinct keys and every row asks for its own.
class GroupTable {
 public:
  GroupTable() : slots(64, kFree) {}
  // The group of `key`, or `fresh` (entered now) when it has none yet.
  unsigned find(uint64_t key, unsigned fresh) {
    if (used * 2 >= slots.size()) grow();
    size_t mask = slots.size() - 1;
    for (size_t i = hash(key) & mask;; i = (i + 1) & mask) {
      if (slots[i].group == kFree.group) {
        slots[i] = Slot{key, fresh};
        ++used;
        return fresh;
      }
      if (slots[i].key == key) return slots[i].group;
    }
  }

 private:
  struct Slot {
    uint64_t key;
    unsigned group;
  };
  static constexpr Slot kFree{0, ~0u};
  // Days differ in the high half of a key, priorities in the low: both are mixed into the
  // low bits that pick the slot.
  static size_t hash(uint64_t key) {
    key ^= key >> 33;
    key *= 0xFF51AFD7ED558CCDu;
    return static_cast<size_t>(key ^ (key >> 33));
  }
  void grow() {
    std::vector<Slot> old(slots.size() * 2, kFree);
    old.swap(slots);
    used = 0;
    for (const Slot& s : old) {
      if (s.group != kFree.group) find(s.key, s.group);
    }
  }
  std::vector<Slot> slots;
  size_t used = 0;
};

// Rows share a few (day, kind, priority) values only: they are numbered in calendar order
// so that one number stands for the three.
std::vector<CalendarSortEntry> calendarEntries(const std::vector<T_viewDataItem>& rows,
                                               const std::vector<unsigned>& order) {
  std::vector<CalendarSortEntry> entries(order.size());
  GroupTable groupOf;
  std::vector<std::pair<uint64_t, unsigned>> groupKeys;  // (day << 2 | kind rank, priority)
  uint64_t lastKey = 0;
  unsigned lastGroup = 0;
  for (size_t n = 0; n < order.size(); ++n) {
    const T_viewDataItem& r = rows[order[n]];
    uint64_t key = static_cast<uint64_t>(r.day) << 32 | r.priority;
    if (n == 0 || key != lastKey) {  // runs of rows share their group
      lastGroup = groupOf.find(key, static_cast<unsigned>(groupKeys.size()));
      if (lastGroup == groupKeys.size()) {
        groupKeys.emplace_back(static_cast<uint64_t>(r.day) << 2 | calendarRank(r.priority),
                               r.priority);
      }
      lastKey = key;
    }
    entries[n] = {lastGroup, r.date, static_cast<unsigned>(n)};
  }
  std::vector<unsigned> byKey(groupKeys.size());
  for (unsigned g = 0; g < byKey.size(); ++g) byKey[g] = g;
  std::sort(byKey.begin(), byKey.end(),
            [&groupKeys](unsigned x, unsigned y) { return groupKeys[x] < groupKeys[y]; });
  std::vector<unsigned> rankOf(groupKeys.size());
  for (unsigned k = 0; k < byKey.size(); ++k) rankOf[byKey[k]] = k;
  for (CalendarSortEntry& e : entries) e.group = rankOf[e.group];
  return entries;
}

// Calendar views hold a row per item and shown day, millions for a long view of many
// items, so the order is sorted by stable radix passes: the date first, then the group.
void sortCalendarOrder(const std::vector<T_viewDataItem>& rows, std::vector<unsigned>& order) {
  std::vector<CalendarSortEntry> entries = calendarEntries(rows, order);
  std::vector<CalendarSortEntry> spare(entries.size());
  auto date = [](const CalendarSortEntry& e) { return e.date; };
  auto group = [](const CalendarSortEntry& e) { return e.group; };
  for (int shift = 0; shift < 32; shift += kDigitBits) radixPass(entries, spare, date, shift);
  for (int shift = 0; shift < 32; shift += kDigitBits) radixPass(entries, spare, group, shift);
  std::vector<unsigned> sorted(order.size());
  for (size_t n = 0; n < entries.size(); ++n) sorted[n] = order[entries[n].place];
  order.swap(sorted);
}

}  // namespace

namespace {

// A row of a normal view as the sort sees it: viewRowAfter's fields in the order it asks
// them, so that comparisons read this small array and go to the rows for texts only.
struct ViewSortEntry {
  uint64_t major;  // the completed flag (when completed rows go last) above the first field
  unsigned minor;  // the second field
  unsigned row;    // index into the rows
};

// Sort keys of the texts of a run of rows, held end to end in one buffer.
class RunKeys {
 public:
  // Makes the keys of rows entries[from] to entries[to - 1], one per entry, in that order.
  void make(const std::vector<T_viewDataItem>& rows, const std::vector<ViewSortEntry>& entries,
            size_t from, size_t to) {
    bytes.clear();
    ends.clear();
    const TextCollator& collator = userCollator();
    for (size_t n = from; n < to; ++n) {
      const std::string& text = rows[entries[n].row].text;
      collator.appendSortKey(text.data(), text.size(), bytes);
      ends.push_back(bytes.size());
    }
  }
  // <0, 0 or >0 as the key of the k-th row of the run orders before, with or after the
  // m-th one's.
  int compare(size_t k, size_t m) const {
    size_t kb = k == 0 ? 0 : ends[k - 1], mb = m == 0 ? 0 : ends[m - 1];
    size_t kn = ends[k] - kb, mn = ends[m] - mb;
    int c = memcmp(bytes.data() + kb, bytes.data() + mb, std::min(kn, mn));
    if (c != 0) return c;
    return kn < mn ? -1 : kn > mn ? 1 : 0;
  }

 private:
  std::string bytes;
  std::vector<size_t> ends;
};

// Sorts entries[from, to), rows whose dates and priorities are equal, by their texts:
// collation first, bytes where texts collate alike, and build order where they are equal.
void sortRunByText(const std::vector<T_viewDataItem>& rows, std::vector<ViewSortEntry>& entries,
                   size_t from, size_t to, RunKeys& keys) {
  keys.make(rows, entries, from, to);
  std::vector<unsigned> places(to - from);
  for (unsigned k = 0; k < places.size(); ++k) places[k] = k;
  std::stable_sort(places.begin(), places.end(), [&](unsigned x, unsigned y) {
    int c = keys.compare(x, y);
    if (c != 0) return c < 0;
    return rows[entries[from + x].row].text.compare(rows[entries[from + y].row].text) < 0;
  });
  std::vector<ViewSortEntry> run(entries.begin() + from, entries.begin() + to);
  for (size_t k = 0; k < places.size(); ++k) entries[from + k] = run[places[k]];
}

// Texts are compared only between rows of equal date and priority, so they are sorted in
// a second step, run by run: sort keys are made for the rows that need them, once each.
void sortViewOrder(const std::vector<T_viewDataItem>& rows, std::vector<unsigned>& order, int sort,
                   bool completedLast) {
  std::vector<ViewSortEntry> entries(order.size());
  for (size_t n = 0; n < order.size(); ++n) {
    const T_viewDataItem& r = rows[order[n]];
    unsigned first = sort == 1 ? r.date : r.priority;
    unsigned second = sort == 1 ? r.priority : r.date;
    uint64_t last = completedLast && r.completed ? 1 : 0;
    entries[n] = ViewSortEntry{last << 32 | first, second, order[n]};
  }
  // "x before y" is "y after x", that is x's key below y's: a stable sort then keeps rows
  // that are equal in build order, as the passes of adjacent swaps do.
  auto keyLess = [](const ViewSortEntry& x, const ViewSortEntry& y) {
    return x.major != y.major ? x.major < y.major : x.minor < y.minor;
  };
  std::stable_sort(entries.begin(), entries.end(), keyLess);
  RunKeys keys;
  for (size_t from = 0; from < entries.size();) {
    size_t to = from + 1;
    while (to < entries.size() && !keyLess(entries[from], entries[to])) ++to;
    if (to - from > 1) sortRunByText(rows, entries, from, to, keys);
    from = to;
  }
  for (size_t n = 0; n < entries.size(); ++n) order[n] = entries[n].row;
}

}  // namespace

void sortRowOrder(const std::vector<T_viewDataItem>& rows, std::vector<unsigned>& order,
                  bool calendar, int sort, bool completedLast) {
  if (calendar) {
    // The calendar makes its rows in order: a stable sort of an order that has no row after
    // one it must stand before leaves it as it is, and one look at each pair is far cheaper.
    auto before = [&rows](unsigned x, unsigned y) { return calendarRowAfter(rows[y], rows[x]); };
    if (std::is_sorted(order.begin(), order.end(), before)) return;
    sortCalendarOrder(rows, order);
  } else {
    sortViewOrder(rows, order, sort, completedLast);
  }
}
