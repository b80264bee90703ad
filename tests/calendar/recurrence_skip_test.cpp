// Passing over many occurrences of a daily or weekly series at once gives exactly what the
// single steps give: the oracle is setFollowingRecurrenceDate called that many times.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "calendar/calendar_lists.h"
#include "calendar/recurrence.h"
#include "document/view_data.h"
#include "model/todo_list_todo.h"
#include "model/todo_test_util.h"

namespace {

// A random dated item of a daily or weekly series: either kind, with or without times, a
// second date up to three days from the first, sometimes a last date, anywhere in range.
ToDoFields randomSeries(std::mt19937& random) {
  ToDoFields f;
  bool appointment = random() % 2 == 0;
  f.priority = appointment ? (random() % 2 ? kBusyPriority : kFreePriority) : 3;
  unsigned first = D(2000, 1, 1);
  moveDate(first, static_cast<int>(random() % 46700));
  if (random() % 3) first = packTime(first, static_cast<int>(random() % 24), 5);
  unsigned second = first;
  moveDate(second, static_cast<int>(random() % 4));
  if (random() % 3 == 0) second = clearTimePart(second);
  f.begin = appointment ? first : second;
  f.end = appointment ? second : first;
  if (!appointment) std::swap(f.begin, f.end);  // a to-do ends last
  unsigned last = kEmptyDateTime;
  if (random() % 4 == 0) {
    last = dayOf(first);
    moveDate(last, static_cast<int>(random() % 2000));
  }
  f.rec = Rec(random() % 2 ? 1 : 3, 1 + static_cast<int>(random() % 4), kEmptyDateTime, last);
  return f;
}

TEST(RecurrenceSkipTest, SkipEqualsThatManySingleSteps) {
  std::mt19937 random(20090207);
  T_Calendar cal;
  int moved = 0;
  for (int n = 0; n < 3000; ++n) {
    ToDoFields f = randomSeries(random);
    auto t = readToDo(f, cal);
    ASSERT_NE(nullptr, t);
    T_recData rec;
    t->getRecData(rec);
    long long steps = 1 + static_cast<long long>(random() % 3000);
    unsigned b = t->getDateTime(1), e = t->getDateTime(0);
    unsigned result = 1;
    for (long long k = 0; k < steps && result == 1; ++k)
      result = t->setFollowingRecurrenceDate(b, e);
    unsigned jb = t->getDateTime(1), je = t->getDateTime(0);
    std::string input = recordOf(f) + " steps " + std::to_string(steps);
    ASSERT_EQ(result, skipOccurrences(rec, t->isAppointment(), steps, jb, je)) << input;
    moved += result;
    if (result == 1) {
      EXPECT_EQ(b, jb) << input;
      EXPECT_EQ(e, je) << input;
    } else {
      EXPECT_EQ(t->getDateTime(1), jb) << input;  // nothing changes
      EXPECT_EQ(t->getDateTime(0), je) << input;
    }
  }
  EXPECT_GT(moved, 1000);  // both outcomes are well represented
  EXPECT_LT(moved, 2900);
}

// The rows of a shown span: (day, first day, last day) of each.
std::vector<unsigned> rowsOf(const T_Calendar& cal, unsigned from, unsigned to) {
  std::vector<T_viewDataItem> rows;
  std::vector<ToDoListItem*> items;
  for (const T_RecCalList* list :
       {&cal.recurringToDos(), &cal.recurringBusy(), &cal.recurringFree()}) {
    getContentRecItems(from, to, *list, rows, items, nullptr);
  }
  std::vector<unsigned> out;
  for (const T_viewDataItem& r : rows) {
    out.push_back(r.day);
    out.push_back(r.firstDay * 2 + r.lastDay);
  }
  return out;
}

// The oracle starts the series at its first occurrence ending on a shown day or later,
// found by single steps, so its expansion passes over nothing.
TEST(RecurrenceSkipTest, ShownRowsEqualThoseOfSingleSteps) {
  std::mt19937 random(20090208);
  int shown = 0;
  for (int n = 0; n < 2000; ++n) {
    ToDoFields f = randomSeries(random);
    unsigned from = D(2000, 1, 1);
    moveDate(from, static_cast<int>(random() % 46700));
    from &= kDateMask;
    unsigned to = dayOf(from);
    moveDate(to, static_cast<int>(random() % 42));
    if (to < from) continue;  // the span would leave the packable years
    T_Calendar cal, oracleCal;
    auto t = readToDo(f, cal);
    ASSERT_NE(nullptr, t);
    ToDoFields g = f;
    unsigned b = f.begin, e = f.end;
    while (e < from && t->setFollowingRecurrenceDate(b, e) == 1) {
      g.begin = b;
      g.end = e;
    }
    auto oracle = readToDo(g, oracleCal);
    ASSERT_NE(nullptr, oracle);
    EXPECT_EQ(rowsOf(oracleCal, from, to), rowsOf(cal, from, to))
        << recordOf(f) << " from " << from;
  }
}

TEST(RecurrenceSkipTest, OnlyDailyAndWeeklySkip) {
  static const struct {
    const char* input;
    int type, interval, stepDays;
  } kCases[] = {
      {"daily", 1, 1, 1},           {"every third day", 1, 3, 3}, {"weekly", 3, 1, 7},
      {"fortnightly", 3, 2, 14},    {"daily resetable", 2, 1, 0}, {"monthly by day", 4, 1, 0},
      {"monthly by date", 5, 1, 0}, {"yearly", 6, 1, 0},          {"none", 0, 1, 0},
  };
  for (const auto& c : kCases) {
    T_recData rec = Rec(c.type, c.interval);
    EXPECT_EQ(c.stepDays, fixedStepDays(rec)) << c.input;
    unsigned b = D(2009, 2, 1), e = D(2009, 2, 1);
    EXPECT_EQ(c.stepDays != 0 ? 1u : 0u, skipOccurrences(rec, false, 2, b, e)) << c.input;
  }
}

// A series begun in 2000 still shows on every day of a calendar at the end of the range.
TEST(RecurrenceSkipTest, SeriesFromTheFirstYearShowsInTheLast) {
  T_Calendar cal;
  ToDoFields f{kBusyPriority, DT(2000, 1, 1, 9, 0), DT(2000, 1, 1, 10, 0), Rec(1), 1};
  auto t = readToDo(f, cal);
  ASSERT_NE(nullptr, t);
  std::vector<T_viewDataItem> rows;
  std::vector<ToDoListItem*> items;
  getContentRecItems(D(2127, 12, 25) & kDateMask, D(2127, 12, 31), cal.recurringBusy(), rows, items,
                     nullptr);
  ASSERT_EQ(7u, rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(dayOf(D(2127, 12, 25 + static_cast<int>(i))), rows[i].day) << i;
    EXPECT_TRUE(rows[i].firstDay && rows[i].lastDay) << i;
  }
}

}  // namespace
