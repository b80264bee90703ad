// The rows of a recurring item's occurrences: each carries the dates of the occurrence it
// shows, and an occurrence covers the shown days from its begin to its end.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "calendar/calendar_lists.h"
#include "document/view_data.h"
#include "model/todo_list_todo.h"
#include "model/todo_test_util.h"

namespace {

const unsigned E = kEmptyDateTime;

// One expected row: its day, its flags and the two dates it carries.
struct OccurrenceRow {
  unsigned day;
  bool first;
  bool last;
  unsigned date;
  unsigned secondDate;
};

// The rows that the recurring lists of `cal` give for `span` days from `firstDay`.
std::vector<T_viewDataItem> expand(const T_Calendar& cal, unsigned firstDay, int span) {
  unsigned from = firstDay & kDateMask;
  unsigned to = dayOf(firstDay);
  moveDate(to, span - 1);
  std::vector<T_viewDataItem> rows;
  std::vector<ToDoListItem*> items;
  for (const T_RecCalList* list :
       {&cal.recurringToDos(), &cal.recurringFree(), &cal.recurringBusy()}) {
    getContentRecItems(from, to, *list, rows, items, nullptr);
  }
  return rows;
}

void expectRows(const std::vector<OccurrenceRow>& want, const std::vector<T_viewDataItem>& rows,
                const char* input) {
  ASSERT_EQ(want.size(), rows.size()) << input;
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(dayOf(want[i].day), rows[i].day) << input << " row " << i;
    EXPECT_EQ(want[i].first, rows[i].firstDay) << input << " row " << i;
    EXPECT_EQ(want[i].last, rows[i].lastDay) << input << " row " << i;
    EXPECT_EQ(want[i].date, rows[i].date) << input << " row " << i;
    EXPECT_EQ(want[i].secondDate, rows[i].secondDate) << input << " row " << i;
  }
}

// An appointment's rows carry the occurrence's begin as their date and its end as the
// second date; a to-do's its end and its begin. A multi-day occurrence keeps both on every
// row, the flags marking its first and last day.
TEST(RecurringRowsTest, RowsCarryTheDatesOfTheirOccurrence) {
  const struct {
    const char* input;
    ToDoFields f;
    unsigned firstDay;
    int span;
    std::vector<OccurrenceRow> rows;
  } kCases[] = {
      {"weekly busy appointment over midnight",
       {kBusyPriority, DT(2009, 1, 30, 22, 0), DT(2009, 1, 31, 2, 0), Rec(3), 1},
       D(2009, 2, 6),
       8,
       {{D(2009, 2, 6), true, false, DT(2009, 2, 6, 22, 0), DT(2009, 2, 7, 2, 0)},
        {D(2009, 2, 7), false, true, DT(2009, 2, 6, 22, 0), DT(2009, 2, 7, 2, 0)},
        {D(2009, 2, 13), true, false, DT(2009, 2, 13, 22, 0), DT(2009, 2, 14, 2, 0)}}},
      {"last occurrence over midnight, shown from the day after it begins",
       {kBusyPriority, DT(2009, 1, 30, 22, 0), DT(2009, 1, 31, 2, 0), Rec(3, 1, E, D(2009, 2, 6)),
        1},
       D(2009, 2, 7),
       7,
       {{D(2009, 2, 7), false, true, DT(2009, 2, 6, 22, 0), DT(2009, 2, 7, 2, 0)}}},
      {"last occurrence over two midnights, shown from its last day",
       {kBusyPriority, DT(2009, 1, 30, 22, 0), DT(2009, 2, 1, 2, 0), Rec(3, 1, E, D(2009, 2, 6)),
        1},
       D(2009, 2, 8),
       2,
       {{D(2009, 2, 8), false, true, DT(2009, 2, 6, 22, 0), DT(2009, 2, 8, 2, 0)}}},
      {"last occurrence ending at midnight, shown from the day after it",
       {kBusyPriority, DT(2009, 1, 30, 22, 0), DT(2009, 1, 31, 0, 0), Rec(3, 1, E, D(2009, 2, 6)),
        1},
       D(2009, 2, 7),
       7,
       {}},
      {"monthly free appointment of two days without times",
       {kFreePriority, D(2009, 1, 31), D(2009, 2, 1), Rec(5), 0},
       D(2009, 3, 1),
       31,
       {{D(2009, 3, 31), true, false, D(2009, 3, 31), D(2009, 4, 1)}}},
      {"weekly to-do begun two days before its end",
       {3, DT(2009, 1, 3, 9, 0), DT(2009, 1, 5, 17, 0), Rec(3), 0},
       D(2009, 2, 14),
       3,
       {{D(2009, 2, 14), true, false, DT(2009, 2, 16, 17, 0), DT(2009, 2, 14, 9, 0)},
        {D(2009, 2, 15), false, false, DT(2009, 2, 16, 17, 0), DT(2009, 2, 14, 9, 0)},
        {D(2009, 2, 16), false, true, DT(2009, 2, 16, 17, 0), DT(2009, 2, 14, 9, 0)}}},
  };
  for (const auto& c : kCases) {
    T_Calendar cal;
    auto t = readToDo(c.f, cal);
    ASSERT_NE(nullptr, t) << c.input;
    expectRows(c.rows, expand(cal, c.firstDay, c.span), c.input);
    // The item keeps its own dates.
    EXPECT_EQ(c.f.begin, t->getDateTime(1)) << c.input;
    EXPECT_EQ(c.f.end, t->getDateTime(0)) << c.input;
  }
}

// Such an item only comes from a file that was never normalised (the setters drop the
// recurrence of an item that lacks a date). Each occurrence stands on its begin day alone
// instead of on every shown day after it, and its row keeps the missing end.
TEST(RecurringRowsTest, OccurrenceWithoutAnEndCoversItsBeginDayOnly) {
  T_Calendar cal;
  auto t = readToDo({kBusyPriority, DT(2009, 2, 10, 12, 0), E, Rec(3), 1}, cal);
  ASSERT_NE(nullptr, t);
  ASSERT_EQ(CalList::kRecurringBusy, t->getCalList());
  expectRows({{D(2009, 2, 10), true, true, DT(2009, 2, 10, 12, 0), E},
              {D(2009, 2, 17), true, true, DT(2009, 2, 17, 12, 0), E}},
             expand(cal, D(2009, 2, 9), 14), "from 09.02.2009");
  // 3 June 2030 is a Monday: the shown week holds Tuesday's occurrence only.
  expectRows({{D(2030, 6, 4), true, true, DT(2030, 6, 4, 12, 0), E}}, expand(cal, D(2030, 6, 3), 7),
             "from 03.06.2030");
  EXPECT_EQ(E, t->getDateTime(0));
}

}  // namespace
