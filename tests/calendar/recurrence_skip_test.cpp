// Passing over a series' occurrences before a day in one jump lands where single steps
// land: the oracle is setFollowingRecurrenceDate called again and again.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "calendar/calendar_lists.h"
#include "calendar/recurrence.h"
#include "document/view_data.h"
#include "model/todo_list_todo.h"
#include "model/todo_test_util.h"

namespace {

// A random dated item of a series of any type but the daily resetable one: either kind,
// with or without times, a second date up to three days from the first, sometimes a last
// date, anywhere in range.
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
  static const int kTypes[] = {1, 3, 4, 5, 6};
  f.rec = Rec(kTypes[random() % 5], 1 + static_cast<int>(random() % 4), kEmptyDateTime, last);
  return f;
}

// The occurrences single steps give from the item's own dates, as (begin, end) pairs, and
// whether the series ran out (a step failed) before one ended on `from` or later.
struct Stepped {
  std::vector<std::pair<unsigned, unsigned>> occurrences;
  bool ranOut = false;
};

Stepped stepUntil(const ToDoListToDo& t, unsigned from) {
  Stepped s;
  unsigned b = t.getDateTime(1), e = t.getDateTime(0);
  s.occurrences.emplace_back(b, e);
  while (e < from) {
    if (t.setFollowingRecurrenceDate(b, e) != 1) {
      s.ranOut = true;
      break;
    }
    s.occurrences.emplace_back(b, e);
  }
  return s;
}

TEST(RecurrenceSkipTest, JumpLandsWhereSingleStepsLand) {
  std::mt19937 random(20090207);
  T_Calendar cal;
  int counts[3] = {0, 0, 0};  // results -1, 0 and 1
  for (int n = 0; n < 4000; ++n) {
    ToDoFields f = randomSeries(random);
    auto t = readToDo(f, cal);
    ASSERT_NE(nullptr, t);
    unsigned from = D(2000, 1, 1);
    moveDate(from, static_cast<int>(random() % 46700));
    from &= kDateMask;
    Stepped oracle = stepUntil(*t, from);
    unsigned b = t->getDateTime(1), e = t->getDateTime(0);
    int result = t->skipOccurrencesBefore(from, b, e);
    std::string input = recordOf(f) + " from " + std::to_string(from);
    ++counts[result + 1];
    if (result == -1) {
      EXPECT_TRUE(oracle.ranOut) << input;
    } else if (result == 0) {
      EXPECT_EQ(t->getDateTime(1), b) << input;
      EXPECT_EQ(t->getDateTime(0), e) << input;
    } else {
      // On an occurrence of the single steps, after the first and at most at the first
      // that ends on `from` or later: every one passed over ends before `from`.
      auto at =
          std::find(oracle.occurrences.begin(), oracle.occurrences.end(), std::make_pair(b, e));
      ASSERT_NE(oracle.occurrences.end(), at) << input;
      EXPECT_NE(oracle.occurrences.begin(), at) << input;
    }
  }
  for (int r = 0; r < 3; ++r) EXPECT_GT(counts[r], 100) << "result " << r - 1;
}

TEST(RecurrenceSkipTest, OnlyTheDailyResetableTypeNeverJumps) {
  static const struct {
    const char* input;
    int type;
    int result;
  } kCases[] = {
      {"none", 0, 0},   {"daily", 1, 1},          {"daily resetable", 2, 0},
      {"weekly", 3, 1}, {"monthly by day", 4, 1}, {"monthly by date", 5, 1},
      {"yearly", 6, 1},
  };
  T_Calendar cal;
  for (const auto& c : kCases) {
    auto t = readToDo({3, D(2001, 3, 5), D(2001, 3, 5), Rec(c.type), 0}, cal);
    ASSERT_NE(nullptr, t) << c.input;
    unsigned b = t->getDateTime(1), e = t->getDateTime(0);
    EXPECT_EQ(c.result, t->skipOccurrencesBefore(D(2100, 1, 1) & kDateMask, b, e)) << c.input;
  }
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

// The weekday rule's day of the month moves by up to six days from month to month: the
// first Monday of February 2016 is the 1st, that of March the 7th, 35 days later. A jump
// that counted 31 days a month only would pass over it.
TEST(RecurrenceSkipTest, TheWeekdayRuleIsNotPassedOverAtItsLongestStep) {
  T_Calendar cal;
  auto t = readToDo({3, D(2016, 2, 1), D(2016, 2, 1), Rec(4), 0}, cal);
  ASSERT_NE(nullptr, t);
  std::vector<T_viewDataItem> rows;
  std::vector<ToDoListItem*> items;
  getContentRecItems(D(2016, 3, 7) & kDateMask, D(2016, 3, 7), cal.recurringToDos(), rows, items,
                     nullptr);
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(dayOf(D(2016, 3, 7)), rows[0].day);
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
