#include "document/calendar_lines.h"

#include <algorithm>
#include <utility>

#include "model/todo_list_todo.h"

CalendarLines::CalendarLines(std::vector<unsigned> days, std::deque<CalendarLook> looks,
                             std::deque<CalendarSpan> spans, CryptMan* keys)
    : days(std::move(days)), looks(std::move(looks)), keys(keys), spans(std::move(spans)) {
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
                              std::vector<T_viewDataItem>& rows) {
  CalendarLook& look = looks[s.look];
  if (look.textPending) {
    // Only to-dos stand in the calendar's item rows.
    look.row.text = static_cast<ToDoListToDo*>(look.item)->viewText(keys);
    look.textPending = false;
  }
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
}

// A block's lines are the spans that cover it, sorted stably by the calendar order from
// the order the rows were always built in. The blocks' day values do not overlap, so this
// is the order a stable sort of every row of the view gives them; only the lines of one
// day are sorted. One pass over all spans is far cheaper than the rows of a day of a long
// view.
// With kAllBlocks, every span in that order: each block's lines in order, among others.
std::vector<unsigned> CalendarLines::spansInOrder(size_t block) const {
  struct Entry {
    uint64_t key;
    unsigned span;
  };
  std::vector<Entry> entries;
  entries.reserve(block == kAllBlocks ? spans.size() : blockStart[block + 1] - blockStart[block]);
  unsigned n = 0;
  for (const CalendarSpan& s : spans) {
    if (block == kAllBlocks || spanIn(s, block)) entries.push_back(Entry{orderKey(s), n});
    ++n;
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& x, const Entry& y) { return x.key < y.key; });
  std::vector<unsigned> order(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].span;
  return order;
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

// Numbers the looks' (kind, priority) pairs in their order. There are few distinct ones
// and runs of looks share theirs, so each look asks the last pair first.
void CalendarLines::rankLooks() {
  std::vector<std::pair<int, unsigned>> groups;
  lookGroup.resize(looks.size());
  size_t at = 0;
  for (size_t l = 0; l < looks.size(); ++l) {
    std::pair<int, unsigned> g(kindRank(looks[l].row.priority), looks[l].row.priority);
    if (at == groups.size() || groups[at] != g) {
      at = static_cast<size_t>(std::find(groups.begin(), groups.end(), g) - groups.begin());
      if (at == groups.size()) groups.push_back(g);
    }
    lookGroup[l] = static_cast<unsigned>(at);
  }
  std::vector<unsigned> byPair(groups.size()), rankOf(groups.size());
  for (unsigned g = 0; g < byPair.size(); ++g) byPair[g] = g;
  std::sort(byPair.begin(), byPair.end(),
            [&groups](unsigned x, unsigned y) { return groups[x] < groups[y]; });
  for (unsigned k = 0; k < byPair.size(); ++k) rankOf[byPair[k]] = k;
  for (unsigned& g : lookGroup) g = rankOf[g];
}

CalendarLines::Block& CalendarLines::orderedBlock(size_t block) {
  Block& b = blocks[block];
  if (!b.isOrdered) {
    b.lineSpan = spansInOrder(block);
    b.pages.resize((b.lineSpan.size() + kPageLines - 1) / kPageLines);
    b.isOrdered = true;
  }
  return b;
}

const T_viewDataItem& CalendarLines::row(size_t line) {
  size_t block = blockOf(line);
  Block& b = orderedBlock(block);
  size_t i = line - blockStart[block];
  std::unique_ptr<Page>& page = b.pages[i / kPageLines];
  if (page == nullptr) {
    page.reset(new Page());
    size_t from = i - i % kPageLines;
    size_t to = std::min(from + kPageLines, b.lineSpan.size());
    page->rows.reserve(to - from);
    for (size_t k = from; k < to; ++k) appendRow(spans[b.lineSpan[k]], block, page->rows);
    made += to - from;
  }
  return page->rows[i % kPageLines];
}

ToDoListItem* CalendarLines::item(size_t line) {
  size_t block = blockOf(line);
  return itemOf(orderedBlock(block).lineSpan[line - blockStart[block]]);
}

// The spans know their items and days: only the blocks they mark are ordered and looked at.
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
    const std::vector<unsigned>& lineSpan = orderedBlock(b).lineSpan;
    for (size_t i = std::max(from, blockStart[b]) - blockStart[b]; i < lineSpan.size(); ++i) {
      if (itemOf(lineSpan[i]) == item) return static_cast<long>(blockStart[b] + i);
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
    const std::vector<unsigned>& lineSpan = orderedBlock(b).lineSpan;
    for (size_t i = std::min(end, blockStart[b + 1]) - blockStart[b]; i-- > 0;) {
      if (itemOf(lineSpan[i]) == item) return static_cast<long>(blockStart[b] + i);
    }
  }
  return -1;
}

// One sort of all spans instead of one per day. A block's lines are then the spans of the
// block before that still cover it, merged in that order with those that begin on it.
void CalendarLines::takeAll(std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items) {
  rows.reserve(rows.size() + lineCount());
  items.reserve(items.size() + lineCount());
  std::vector<CalendarSpan> ordered;
  ordered.reserve(spans.size());
  for (unsigned span : spansInOrder(kAllBlocks)) ordered.push_back(spans[span]);
  std::vector<std::vector<unsigned>> beginning(blocks.size());
  for (unsigned n = 0; n < ordered.size(); ++n) {
    const CalendarSpan& s = ordered[n];
    beginning[s.slot == CalendarSlot::kOverdue ? 0 : s.first + 1].push_back(n);
  }
  std::vector<unsigned> shown, next;
  for (size_t b = 0; b < blocks.size(); ++b) {
    next.clear();
    auto still = [&](unsigned n) { return spanIn(ordered[n], b); };
    auto running = shown.begin();
    for (unsigned n : beginning[b]) {
      for (; running != shown.end() && *running < n; ++running) {
        if (still(*running)) next.push_back(*running);
      }
      next.push_back(n);
    }
    for (; running != shown.end(); ++running) {
      if (still(*running)) next.push_back(*running);
    }
    shown.swap(next);
    for (unsigned n : shown) {
      appendRow(ordered[n], b, rows);
      items.push_back(looks[ordered[n].look].item);
    }
    blocks[b] = Block();
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

// The lines after a dropped one move up; made rows could be those of freed items, so they
// go and are made again from the spans that stay.
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
