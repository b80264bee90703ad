#include "document/calendar_lines.h"

#include <algorithm>
#include <iterator>
#include <utility>

CalendarLines::CalendarLines(std::vector<unsigned> days, std::deque<CalendarLook> looks,
                             std::deque<CalendarSpan> spans)
    : days(std::move(days)), looks(std::move(looks)), spans(std::move(spans)) {
  rankLooks();
  blocks.resize(this->days.size() + 1);
  countLines();
}

// One sweep over the spans: a span adds a line to every block it covers.
void CalendarLines::countLines() {
  std::vector<long> change(blocks.size() + 1, 0);
  for (const CalendarSpan& s : spans) {
    size_t from = s.slot == CalendarSlot::kOverdue ? 0 : s.first + 1;
    size_t to = s.slot == CalendarSlot::kOverdue ? 0 : s.last + 1;
    ++change[from];
    --change[to + 1];
  }
  blockStart.assign(blocks.size() + 1, 0);
  long inBlock = 0;
  for (size_t b = 0; b < blocks.size(); ++b) {
    inBlock += change[b];
    blockStart[b + 1] = blockStart[b] + static_cast<size_t>(inBlock);
  }
}

size_t CalendarLines::blockOf(size_t line) const {
  return static_cast<size_t>(std::upper_bound(blockStart.begin(), blockStart.end(), line) -
                             blockStart.begin()) -
         1;
}

bool CalendarLines::spanIn(const CalendarSpan& s, size_t block) const {
  if (s.slot == CalendarSlot::kOverdue) return block == 0;
  return block > s.first && block <= s.last + 1;
}

// The row of span `s` in `block`.
void CalendarLines::appendRow(const CalendarSpan& s, size_t block,
                              std::vector<T_viewDataItem>& rows,
                              std::vector<ToDoListItem*>& items) const {
  const CalendarLook& look = looks[s.look];
  rows.push_back(look.row);
  T_viewDataItem& row = rows.back();
  row.date = s.date;
  row.secondDate = s.secondDate;
  if (s.slot == CalendarSlot::kItem) {
    size_t k = block - 1;
    row.day = days[k];
    row.firstDay = s.firstDay && k == s.first;
    row.lastDay = s.lastDay && k == s.last;
  }
  items.push_back(look.item);
}

// A block's rows are those of the spans that cover it, sorted stably by the calendar
// order from the order the rows were always built in. The blocks' day values do not
// overlap, so this is the order a stable sort of every row of the view gives them; only
// the rows of one day are sorted. One pass over all spans is far cheaper than the rows of
// a day of a long view.
void CalendarLines::makeRows(size_t block, std::vector<T_viewDataItem>& rows,
                             std::vector<ToDoListItem*>& items) const {
  struct Entry {
    uint64_t key;
    unsigned span;
  };
  size_t count = blockStart[block + 1] - blockStart[block];
  std::vector<Entry> entries;
  entries.reserve(count);
  unsigned n = 0;
  for (const CalendarSpan& s : spans) {
    if (spanIn(s, block)) entries.push_back(Entry{orderKey(s), n});
    ++n;
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& x, const Entry& y) { return x.key < y.key; });
  rows.reserve(rows.size() + count);
  items.reserve(items.size() + count);
  for (const Entry& e : entries) appendRow(spans[e.span], block, rows, items);
}

// The calendar order within one block as one number: a day's heading and special-day rows
// (whose day value is the smaller) before its items, then the (kind, priority) group,
// then the date.
uint64_t CalendarLines::orderKey(const CalendarSpan& s) const {
  uint64_t item = s.slot == CalendarSlot::kItem ? 1 : 0;
  return item << 63 | static_cast<uint64_t>(lookGroup[s.look]) << 32 | s.date;
}

// Heading first, then special days, then the rest by ascending priority.
static int kindRank(unsigned priority) {
  if (priority == kRowHeading) return 0;
  if (priority == kRowSpecialDay) return 1;
  return 2;
}

// Numbers the looks' (kind, priority) pairs in their order; there are few of them.
void CalendarLines::rankLooks() {
  std::vector<std::pair<int, unsigned>> groups;
  for (const CalendarLook& l : looks) groups.emplace_back(kindRank(l.row.priority), l.row.priority);
  std::vector<std::pair<int, unsigned>> sorted = groups;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  lookGroup.resize(groups.size());
  for (size_t l = 0; l < groups.size(); ++l) {
    lookGroup[l] = static_cast<unsigned>(std::lower_bound(sorted.begin(), sorted.end(), groups[l]) -
                                         sorted.begin());
  }
}

CalendarLines::Block& CalendarLines::madeBlock(size_t block) {
  Block& b = blocks[block];
  if (!b.isMade) {
    makeRows(block, b.rows, b.items);
    b.isMade = true;
    made += b.rows.size();
  }
  return b;
}

const T_viewDataItem& CalendarLines::row(size_t line) {
  size_t b = blockOf(line);
  return madeBlock(b).rows[line - blockStart[b]];
}

ToDoListItem* CalendarLines::item(size_t line) {
  size_t b = blockOf(line);
  return madeBlock(b).items[line - blockStart[b]];
}

// The spans know their items and days: only the blocks they mark are made and looked at.
std::vector<char> CalendarLines::blocksShowing(const ToDoListItem* item) const {
  std::vector<char> ofItem(looks.size(), 0);
  for (size_t l = 0; l < looks.size(); ++l) ofItem[l] = looks[l].item == item;
  std::vector<char> shows(blocks.size(), 0);
  for (const CalendarSpan& s : spans) {
    if (!ofItem[s.look]) continue;
    if (s.slot == CalendarSlot::kOverdue) {
      shows[0] = 1;
    } else {
      std::fill(shows.begin() + s.first + 1, shows.begin() + s.last + 2, 1);
    }
  }
  return shows;
}

long CalendarLines::firstLineFrom(const ToDoListItem* item, size_t from) {
  if (from >= lineCount()) return -1;
  std::vector<char> shows = blocksShowing(item);
  for (size_t b = blockOf(from); b < blocks.size(); ++b) {
    if (!shows[b]) continue;
    const std::vector<ToDoListItem*>& items = madeBlock(b).items;
    for (size_t i = std::max(from, blockStart[b]) - blockStart[b]; i < items.size(); ++i) {
      if (items[i] == item) return static_cast<long>(blockStart[b] + i);
    }
  }
  return -1;
}

long CalendarLines::lastLineBefore(const ToDoListItem* item, size_t end) {
  end = std::min(end, lineCount());
  if (end == 0) return -1;
  std::vector<char> shows = blocksShowing(item);
  for (size_t b = blockOf(end - 1) + 1; b-- > 0;) {
    if (!shows[b]) continue;
    const std::vector<ToDoListItem*>& items = madeBlock(b).items;
    for (size_t i = std::min(end, blockStart[b + 1]) - blockStart[b]; i-- > 0;) {
      if (items[i] == item) return static_cast<long>(blockStart[b] + i);
    }
  }
  return -1;
}

void CalendarLines::takeAll(std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items) {
  rows.reserve(rows.size() + lineCount());
  items.reserve(items.size() + lineCount());
  for (size_t b = 0; b < blocks.size(); ++b) {
    if (!blocks[b].isMade) {
      makeRows(b, rows, items);
      continue;
    }
    std::move(blocks[b].rows.begin(), blocks[b].rows.end(), std::back_inserter(rows));
    items.insert(items.end(), blocks[b].items.begin(), blocks[b].items.end());
  }
  spans.clear();
  unmakeAll();
  countLines();
}

std::vector<unsigned> CalendarLines::looksShowing(
    const std::function<bool(const ToDoListItem*)>& shows) const {
  std::vector<unsigned> found;
  for (size_t l = 0; l < looks.size(); ++l) {
    if (shows(looks[l].item)) found.push_back(static_cast<unsigned>(l));
  }
  return found;
}

// The lines after a dropped one move up; made blocks would hold rows of freed items, so
// they go and are made again from the spans that stay.
void CalendarLines::dropLooks(const std::vector<unsigned>& gone) {
  if (gone.empty()) return;
  std::vector<char> isGone(looks.size(), 0);
  for (unsigned l : gone) {
    isGone[l] = 1;
    looks[l].item = nullptr;
  }
  spans.erase(std::remove_if(spans.begin(), spans.end(),
                             [&isGone](const CalendarSpan& s) { return isGone[s.look] != 0; }),
              spans.end());
  unmakeAll();
  countLines();
}

void CalendarLines::unmakeAll() {
  for (Block& b : blocks) b = Block();
  made = 0;
}
