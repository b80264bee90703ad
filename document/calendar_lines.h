// The lines of the calendar view, made from the items' spans when they are read. A long
// view of many items shows millions of lines of which a window draws a few dozen, so the
// build keeps one span per item (document/calendar_view.cpp) and the number of lines of
// each day; a day's lines are put in order when one of them is first read, and their
// rows made a page at a time. GUI thread only.
#ifndef ZOLT_DOCUMENT_CALENDAR_LINES_H_
#define ZOLT_DOCUMENT_CALENDAR_LINES_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "document/view_data.h"

class CryptMan;
class ToDoListItem;

// Which rows of a shown day a span's rows join. The day values sort overdue block first,
// then per day its heading and special-day rows (the day with time half 0), then its
// items and closing row (the day without a time): the calendar order's first key.
enum class CalendarSlot : unsigned char { kOverdue, kHeading, kItem };

// The rows one item (or one occurrence, or one day row) makes: the same row on every shown
// day from `first` to `last` (indices into the shown days). An item's rows share
// everything but the day and the two flags, which only the first and the last of them can
// carry. The row itself is kept once per item (`look`), since a recurring item's
// occurrences differ in their dates only.
struct CalendarSpan {
  unsigned look;  // index into the looks
  unsigned date, secondDate;
  unsigned first, last;
  CalendarSlot slot;
  bool firstDay;  // the row on `first` is the item's first day
  bool lastDay;   // the row on `last` is the item's last day
};

// What the rows of one item have in common.
struct CalendarLook {
  T_viewDataItem row;  // its day is the row's own for the overdue and heading slots
  ToDoListItem* item;  // not owned; null for rows of no item
  // The row's text is still to be made from the item (a to-do): most items of a long view
  // are never read, and making their texts was a quarter of the build.
  bool textPending;
};

// The lines in display order: the overdue block (block 0), then one block per shown day.
// A line's rows are those the whole view built at once would hold, field by field, in the
// same order. A block's lines are put in order when one of them is first read, and their
// rows made a page at a time. Made rows are kept until the view is rebuilt: a reference a
// reader holds to a line stays good while it reads others, and a window that scrolls back
// finds what it showed. Invariant: blockStart has one entry per block and one more, the
// line count.
class CalendarLines {
 public:
  // Takes the spans in the order the rows were always built, which is the order that rows
  // equal in the calendar order keep. `days` are the shown days.
  // The texts still to be made are made with `keys` (not owned; it outlives the lines).
  CalendarLines(std::vector<unsigned> days, std::deque<CalendarLook> looks,
                std::deque<CalendarSpan> spans, CryptMan* keys);
  CalendarLines(const CalendarLines&) = delete;
  CalendarLines& operator=(const CalendarLines&) = delete;

  size_t lineCount() const { return blockStart.back(); }
  // The row and item of `line`; the row is made with its page when it is not made yet.
  // The reference lives until the lines are dropped or taken. REQUIRES: line < lineCount().
  const T_viewDataItem& row(size_t line);
  ToDoListItem* item(size_t line);
  // The first line from `from` on that shows `item`, -1 when none does.
  long firstLineFrom(const ToDoListItem* item, size_t from);
  // The last line before `end` that shows `item`, -1 when none does.
  long lastLineBefore(const ToDoListItem* item, size_t end);
  // Appends every line's row and item in display order; the lines are empty after.
  void takeAll(std::vector<T_viewDataItem>& rows, std::vector<ToDoListItem*>& items);
  // The looks of the items `shows` picks, found while the items live; dropLooks then
  // removes their lines (the made rows are made anew when read).
  std::vector<unsigned> looksShowing(const std::function<bool(const ToDoListItem*)>& shows) const;
  void dropLooks(const std::vector<unsigned>& gone);
  // Rows held in memory, for the tests and the benchmark.
  size_t rowsMade() const { return made; }

 private:
  // A window shows a few dozen lines of a day that may hold a hundred thousand.
  static constexpr size_t kPageLines = 256;
  static constexpr size_t kAllBlocks = ~static_cast<size_t>(0);
  struct Page {
    std::vector<T_viewDataItem> rows;
  };
  struct Block {
    bool isOrdered = false;
    std::vector<unsigned> lineSpan;  // the span of each of the block's lines
    std::vector<std::unique_ptr<Page>> pages;
  };
  void countLines();
  size_t blockOf(size_t line) const;
  bool spanIn(const CalendarSpan& s, size_t block) const;
  Block& orderedBlock(size_t block);
  std::vector<unsigned> spansInOrder(size_t block) const;
  void rankLooks();
  uint64_t orderKey(const CalendarSpan& s) const;
  // Appends the row of `s` on `block`, making its look's text first when it is pending.
  void appendRow(const CalendarSpan& s, size_t block, std::vector<T_viewDataItem>& rows);
  ToDoListItem* itemOf(unsigned span) const { return looks[spans[span].look].item; }
  std::vector<char> blocksShowing(const ToDoListItem* item) const;
  void unmakeAll();

  std::vector<unsigned> days;
  std::deque<CalendarLook> looks;
  CryptMan* keys;  // not owned
  std::vector<unsigned> lookGroup;  // per look: its (kind, priority) pair's rank
  // In build order. Deques: a long view holds hundreds of thousands of spans, which a
  // growing vector would copy and fault in again at every doubling.
  std::deque<CalendarSpan> spans;
  std::vector<size_t> blockStart;  // first line of each block
  std::vector<Block> blocks;
  size_t made = 0;
};

#endif  // ZOLT_DOCUMENT_CALENDAR_LINES_H_
