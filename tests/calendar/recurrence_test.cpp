#include "calendar/recurrence.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <memory>
#include <string>

#include "calendar/calendar_lists.h"
#include "model/todo_list_todo.h"
#include "model/todo_test_util.h"
#include "util/clock.h"

namespace {

const unsigned E = kEmptyDateTime;

// Normalises `t` and returns what that printed.
std::string sanitized(ToDoListToDo& t) {
  testing::internal::CaptureStderr();
  t.sanitizeTimeThings();
  return testing::internal::GetCapturedStderr();
}

unsigned today() { return getTodayDate(kEmptyDateTime); }

unsigned daysFrom(unsigned v, int days) {
  moveDate(v, days);
  return v;
}

}  // namespace

// ---- setFollowingRecurrenceDate ----

TEST(RecurrenceStepTest, EachTypeIntervalAndLimit) {
  static const struct {
    const char* input;
    unsigned priority;
    T_recData rec;
    unsigned begin, end;
    unsigned result;
    unsigned newBegin, newEnd;  // unchanged when result is 0
  } kCases[] = {
      {"daily 3, to-do with times", 3, Rec(1, 3), DT(2009, 1, 8, 9, 0), DT(2009, 1, 10, 14, 0), 1,
       DT(2009, 1, 11, 9, 0), DT(2009, 1, 13, 14, 0)},
      {"daily 3, begin without a time stays without one", 3, Rec(1, 3), D(2009, 1, 8),
       DT(2009, 1, 10, 14, 0), 1, D(2009, 1, 11), DT(2009, 1, 13, 14, 0)},
      {"weekly appointment, end without a time stays without one", 100, Rec(3),
       DT(2009, 2, 3, 9, 0), D(2009, 2, 4), 1, DT(2009, 2, 10, 9, 0), D(2009, 2, 11)},
      {"weekly appointment across a month end", 100, Rec(3), DT(2009, 1, 30, 22, 0),
       DT(2009, 2, 1, 2, 0), 1, DT(2009, 2, 6, 22, 0), DT(2009, 2, 8, 2, 0)},
      {"weekly 2, dates without times", 3, Rec(3, 2), D(2009, 2, 3), D(2009, 2, 5), 1,
       D(2009, 2, 17), D(2009, 2, 19)},
      {"monthly by day, fifth Thursday skips two months", 3, Rec(4), D(2009, 1, 29), D(2009, 1, 29),
       1, D(2009, 4, 30), D(2009, 4, 30)},
      {"monthly by day 3, fourth Saturday into the next year", 3, Rec(4, 3), D(2009, 11, 27),
       D(2009, 11, 28), 1, D(2010, 2, 26), D(2010, 2, 27)},
      {"monthly by day, second Tuesday", 200, Rec(4), DT(2009, 2, 10, 8, 0), DT(2009, 2, 10, 9, 0),
       1, DT(2009, 3, 10, 8, 0), DT(2009, 3, 10, 9, 0)},
      {"monthly by date, 31st skips February", 3, Rec(5), D(2009, 1, 31), D(2009, 1, 31), 1,
       D(2009, 3, 31), D(2009, 3, 31)},
      {"monthly by date 3 carries into the year", 3, Rec(5, 3), D(2009, 10, 31), D(2009, 10, 31), 1,
       D(2010, 1, 31), D(2010, 1, 31)},
      {"yearly 29 February to the next leap year", 3, Rec(6), D(2008, 2, 29), D(2008, 2, 29), 1,
       D(2012, 2, 29), D(2012, 2, 29)},
      {"yearly 29 February over 2100", 3, Rec(6), D(2096, 2, 29), D(2096, 2, 29), 1, D(2104, 2, 29),
       D(2104, 2, 29)},
      {"yearly ignores the interval", 100, Rec(6, 5), DT(2009, 6, 15, 10, 0),
       DT(2009, 6, 15, 11, 0), 1, DT(2010, 6, 15, 10, 0), DT(2010, 6, 15, 11, 0)},
      {"on the last date (no time) passes", 3, Rec(1, 1, E, D(2009, 1, 15)), DT(2009, 1, 14, 9, 0),
       DT(2009, 1, 14, 14, 0), 1, DT(2009, 1, 15, 9, 0), DT(2009, 1, 15, 14, 0)},
      {"after the last date", 3, Rec(1, 1, E, D(2009, 1, 15)), DT(2009, 1, 15, 9, 0),
       DT(2009, 1, 15, 14, 0), 0, 0, 0},
      {"after a last date with a time", 3, Rec(1, 1, E, DT(2009, 1, 15, 10, 0)),
       DT(2009, 1, 14, 9, 0), DT(2009, 1, 14, 14, 0), 0, 0, 0},
      {"no recurrence", 3, Rec(0), D(2009, 1, 8), D(2009, 1, 10), 0, 0, 0},
      {"to-do without a begin: only the end moves", 3, Rec(3), E, DT(2009, 2, 5, 17, 0), 1, E,
       DT(2009, 2, 12, 17, 0)},
      {"to-do without an end has no main date", 3, Rec(1), D(2009, 1, 8), E, 0, 0, 0},
      // The year field has 7 bits: nothing may step past 2127-12-31 and wrap to 2000.
      {"yearly 29.02.2124 has no leap year left", 3, Rec(6), D(2124, 2, 29), D(2124, 2, 29), 0, 0,
       0},
      {"yearly from 2127", 3, Rec(6), D(2127, 3, 1), D(2127, 3, 1), 0, 0, 0},
      {"daily from 31.12.2127", 3, Rec(1), D(2127, 12, 31), D(2127, 12, 31), 0, 0, 0},
      {"weekly from 28.12.2127", 3, Rec(3), D(2127, 12, 28), D(2127, 12, 28), 0, 0, 0},
      {"monthly by date from 15.12.2127", 3, Rec(5), D(2127, 12, 15), D(2127, 12, 15), 0, 0, 0},
      {"monthly by day from 20.12.2127", 3, Rec(4), D(2127, 12, 20), D(2127, 12, 20), 0, 0, 0},
      {"second date would pass 2127", 100, Rec(1), DT(2127, 12, 30, 22, 0), DT(2127, 12, 31, 2, 0),
       0, 0, 0},
      {"huge daily interval", 3, Rec(1, INT_MAX), D(2009, 1, 1), D(2009, 1, 1), 0, 0, 0},
      {"huge weekly interval", 3, Rec(3, INT_MAX), D(2009, 1, 1), D(2009, 1, 1), 0, 0, 0},
      {"huge monthly interval", 3, Rec(4, INT_MAX), D(2009, 1, 1), D(2009, 1, 1), 0, 0, 0},
  };
  for (const auto& c : kCases) {
    T_Calendar cal;
    ToDoFields f;
    f.priority = c.priority;
    f.begin = c.begin;
    f.end = c.end;
    f.rec = c.rec;
    auto t = readToDo(f, cal);
    ASSERT_NE(nullptr, t) << c.input;
    unsigned b = c.begin, e = c.end;
    EXPECT_EQ(c.result, t->setFollowingRecurrenceDate(b, e)) << c.input;
    EXPECT_EQ(c.result ? c.newBegin : c.begin, b) << c.input;
    EXPECT_EQ(c.result ? c.newEnd : c.end, e) << c.input;
    EXPECT_EQ(c.begin, t->getDateTime(1)) << c.input;  // works on the copies only
    EXPECT_EQ(c.end, t->getDateTime(0)) << c.input;
  }
}

TEST(RecurrenceStepTest, DailyResetableCountsFromToday) {
  T_Calendar cal;
  ToDoFields f;
  f.begin = packTime(daysFrom(today(), -11), 9, 0);
  f.end = packTime(daysFrom(today(), -10), 14, 0);
  f.rec = Rec(2, 2);
  auto t = readToDo(f, cal);
  unsigned b = f.begin, e = f.end;
  ASSERT_EQ(1u, t->setFollowingRecurrenceDate(b, e));
  EXPECT_EQ(packTime(daysFrom(today(), 2), 14, 0), e);
  EXPECT_EQ(packTime(daysFrom(today(), 1), 9, 0), b);
}

// ---- sanitizeTimeThings ----

TEST(SanitizeTest, NormalisesAndPrintsExactNotes) {
  const std::string n1 = "Recurrence reset (1): no range [";
  const std::string n2 = "Recurrence reset (2): no end date for todo [";
  const std::string n3 = "Recurrence reset (3): date not in range [";
  const std::string n4 = "Recurrence reset (4): type date without start date/time [";
  const std::string n5 = "Recurrence reset (5) [";
  const unsigned timeOnly = clearDatePart(DT(2009, 2, 3, 9, 0));
  const struct {
    const char* input;
    ToDoFields in;
    ToDoFields out;
    std::string printed;
  } kCases[] = {
      {"begin after end is swapped",
       {3, D(2009, 1, 12), D(2009, 1, 10), Rec(0), 0},
       {3, D(2009, 1, 10), D(2009, 1, 12), Rec(0), 0},
       ""},
      {"same day, both with times, swapped",
       {3, DT(2009, 1, 10, 15, 0), DT(2009, 1, 10, 9, 0), Rec(0), 0},
       {3, DT(2009, 1, 10, 9, 0), DT(2009, 1, 10, 15, 0), Rec(0), 0},
       ""},
      {"same day, begin without time, kept",
       {3, D(2009, 1, 10), DT(2009, 1, 10, 9, 0), Rec(0), 0},
       {3, D(2009, 1, 10), DT(2009, 1, 10, 9, 0), Rec(0), 0},
       ""},
      {"recurrence first after last is swapped",
       {3, D(2009, 2, 1), D(2009, 2, 1), Rec(1, 1, D(2009, 3, 1), D(2009, 1, 1)), 0},
       {3, D(2009, 2, 1), D(2009, 2, 1), Rec(1, 1, D(2009, 1, 1), D(2009, 3, 1)), 0},
       ""},
      {"valid recurring to-do is kept",
       {3, DT(2009, 2, 3, 9, 0), DT(2009, 2, 5, 9, 0), Rec(3, 2, D(2009, 1, 1), D(2009, 12, 31)),
        1},
       {3, DT(2009, 2, 3, 9, 0), DT(2009, 2, 5, 9, 0), Rec(3, 2, D(2009, 1, 1), D(2009, 12, 31)),
        1},
       ""},
      {"recurring to-do without begin",
       {3, E, D(2009, 2, 5), Rec(3), 1},
       {3, E, D(2009, 2, 5), Rec(0), 0},
       n1},
      {"recurring busy appointment without end becomes free",
       {100, DT(2009, 2, 3, 10, 0), E, Rec(3), 1},
       {200, DT(2009, 2, 3, 10, 0), E, Rec(0), 0},
       n1},
      {"to-do with only a begin loses it",
       {3, D(2009, 2, 3), E, Rec(0), 0},
       {3, E, E, Rec(0), 0},
       ""},
      {"to-do: a time without a date goes",
       {3, timeOnly, D(2009, 2, 5), Rec(0), 0},
       {3, E, D(2009, 2, 5), Rec(0), 0},
       ""},
      {"recurring to-do without dates", {3, E, E, Rec(1), 0}, {3, E, E, Rec(0), 0}, n1 + n2},
      {"appointment: type 2 becomes 1",
       {200, D(2009, 2, 3), D(2009, 2, 3), Rec(2), 0},
       {200, D(2009, 2, 3), D(2009, 2, 3), Rec(1), 0},
       ""},
      {"appointment with only an end loses it",
       {200, E, D(2009, 2, 3), Rec(0), 0},
       {200, E, E, Rec(0), 0},
       ""},
      {"recurring appointment with only an end",
       {100, E, DT(2009, 2, 3, 9, 0), Rec(3), 1},
       {200, E, E, Rec(0), 0},
       n1 + n4},
      {"appointment before its recurrence begins",
       {200, D(2009, 2, 3), D(2009, 2, 3), Rec(3, 1, D(2009, 3, 1)), 0},
       {200, D(2009, 2, 3), D(2009, 2, 3), Rec(0), 0},
       n5},
      {"to-do after its recurrence ended",
       {3, D(2009, 2, 1), D(2009, 2, 3), Rec(1, 1, E, D(2009, 1, 31)), 0},
       {3, D(2009, 2, 1), D(2009, 2, 3), Rec(0), 0},
       n3},
  };
  for (const auto& c : kCases) {
    T_Calendar cal;
    auto t = readToDo(c.in, cal);
    ASSERT_NE(nullptr, t) << c.input;
    EXPECT_EQ(c.printed, sanitized(*t)) << c.input;
    T_recData r;
    t->getRecData(r);
    EXPECT_EQ(c.out.priority, t->getPriority()) << c.input;
    EXPECT_EQ(c.out.showTimeAs, t->getShowTimeAs()) << c.input;
    EXPECT_EQ(c.out.begin, t->getDateTime(1)) << c.input;
    EXPECT_EQ(c.out.end, t->getDateTime(0)) << c.input;
    EXPECT_TRUE(c.out.rec == r) << c.input << ": type " << r.type;
    // The listing follows the normalised state.
    EXPECT_EQ(calListFor(c.out.priority, c.out.rec.type, c.out.begin, c.out.end), t->getCalList())
        << c.input;
    EXPECT_EQ("", sanitized(*t)) << c.input << " (a second run changes nothing)";
  }
}

// ---- setCompleted and setRecData ----

class CompleteTest : public ::testing::Test {
 protected:
  std::unique_ptr<ToDoListToDo> Make(unsigned priority, unsigned begin, unsigned end,
                                     T_recData rec) {
    ToDoFields f;
    f.priority = priority;
    f.begin = begin;
    f.end = end;
    f.rec = rec;
    return readToDo(f, cal);
  }

  T_Calendar cal;
};

TEST_F(CompleteTest, RecurringToDoMovesOnAndStaysOpen) {
  auto t = Make(3, DT(2009, 1, 8, 9, 0), DT(2009, 1, 10, 14, 0), Rec(1, 3));
  ASSERT_EQ(CalList::kRecurringToDos, t->getCalList());
  EXPECT_EQ(1, t->setCompleted(cal));
  EXPECT_FALSE(t->isCompleted());
  EXPECT_EQ(DT(2009, 1, 11, 9, 0), t->getDateTime(1));
  EXPECT_EQ(DT(2009, 1, 13, 14, 0), t->getDateTime(0));
  EXPECT_EQ(CalList::kRecurringToDos, t->getCalList());
  EXPECT_EQ(1u, cal.nrListed());
}

// A weekly to-do due at 18:00 whose begin has no time: completing it moves both dates a
// week on, and the begin still has no time.
TEST_F(CompleteTest, BeginWithoutATimeStaysWithoutOne) {
  auto t = Make(3, D(2009, 2, 2), DT(2009, 2, 3, 18, 0), Rec(3));
  EXPECT_EQ(1, t->setCompleted(cal));
  EXPECT_EQ(D(2009, 2, 9), t->getDateTime(1));
  EXPECT_EQ(DT(2009, 2, 10, 18, 0), t->getDateTime(0));
  EXPECT_EQ(1, t->setCompleted(cal));
  EXPECT_EQ(D(2009, 2, 16), t->getDateTime(1));
}

TEST_F(CompleteTest, PastTheLastDateIsCompletedNow) {
  auto t = Make(3, DT(2009, 1, 15, 9, 0), DT(2009, 1, 15, 14, 0), Rec(1, 1, E, D(2009, 1, 15)));
  t->setRunningDirect(true);
  long now = static_cast<long>(zoltNow());
  t->addTime(now - 60, now - 60);
  EXPECT_EQ(0, t->setCompleted(cal));
  EXPECT_TRUE(t->isCompleted());
  EXPECT_EQ(now, t->getCompletedTime());
  EXPECT_EQ(DT(2009, 1, 15, 14, 0), t->getDateTime(0));
  EXPECT_FALSE(t->isRunning());
  EXPECT_EQ(now, t->getTimeEnd(0));
  EXPECT_EQ(CalList::kRecurringToDos, t->getCalList());
  EXPECT_EQ(-2, t->setCompleted(cal));
}

TEST_F(CompleteTest, AppointmentIsRefused) {
  auto t = Make(100, D(2009, 2, 3), D(2009, 2, 3), Rec(0));
  EXPECT_EQ(-2, t->setCompleted(cal));
  EXPECT_FALSE(t->isCompleted());
}

TEST_F(CompleteTest, RecurrenceNotBegunYetChangesNothing) {
  unsigned tomorrow = daysFrom(today(), 1);
  auto t = Make(3, D(2009, 1, 1), daysFrom(today(), 3), Rec(1, 1, tomorrow));
  ASSERT_EQ(CalList::kRecurringToDos, t->getCalList());
  const ToDoListToDo* listed = cal.recurringToDos().front();
  EXPECT_EQ(-1, t->setCompleted(cal));
  EXPECT_FALSE(t->isCompleted());
  EXPECT_EQ(daysFrom(today(), 3), t->getDateTime(0));
  ASSERT_EQ(1u, cal.recurringToDos().size());
  EXPECT_EQ(listed, cal.recurringToDos().front());
}

TEST_F(CompleteTest, RecurrenceBegunTodayIsCompleted) {
  auto t = Make(3, today(), daysFrom(today(), 3), Rec(1, 1, today()));
  EXPECT_EQ(1, t->setCompleted(cal));
}

TEST_F(CompleteTest, DailyResetableStepsFromTodayInItsDatedList) {
  auto t = Make(3, packTime(daysFrom(today(), -11), 9, 0), packTime(daysFrom(today(), -10), 14, 0),
                Rec(2, 2));
  ASSERT_EQ(CalList::kDatedToDos, t->getCalList());
  EXPECT_EQ(1, t->setCompleted(cal));
  unsigned expected = packTime(daysFrom(today(), 2), 14, 0);
  EXPECT_EQ(expected, t->getDateTime(0));
  EXPECT_EQ(packTime(daysFrom(today(), 1), 9, 0), t->getDateTime(1));
  ASSERT_EQ(1u, cal.datedToDos().size());
  EXPECT_EQ(expected, cal.datedToDos().begin()->key);
}

TEST_F(CompleteTest, PlainToDoIsCompletedAndStaysListed) {
  auto t = Make(3, E, D(2009, 2, 3), Rec(0));
  EXPECT_EQ(0, t->setCompleted(cal));
  EXPECT_TRUE(t->isCompleted());
  EXPECT_EQ(CalList::kDatedToDos, t->getCalList());
  EXPECT_EQ(1u, cal.nrListed());
}

TEST_F(CompleteTest, SetRecDataGuardsIntervalAndType) {
  auto t = Make(3, D(2009, 2, 1), D(2009, 2, 3), Rec(0));
  static const struct {
    T_recData input;
    int type, interval;
  } kCases[] = {{Rec(3, 0), 3, 1}, {Rec(3, -5), 3, 1}, {Rec(7, 2), 0, 2}, {Rec(-1, 2), 0, 2}};
  for (const auto& c : kCases) {
    t->setRecData(c.input, cal);
    T_recData r;
    t->getRecData(r);
    EXPECT_EQ(c.type, r.type) << c.input.type << "/" << c.input.interval;
    EXPECT_EQ(c.interval, r.interval) << c.input.type << "/" << c.input.interval;
  }
}

// The reset of a recurrence without a range sets show-as to free: the appointment's
// priority follows, and it moves from the recurring busy to the dated free list.
TEST_F(CompleteTest, StepTwoResetKeepsPriorityWithShowAs) {
  ToDoFields f;
  f.priority = 100;
  f.showTimeAs = 1;
  f.begin = DT(2009, 2, 3, 10, 0);
  f.rec = Rec(3);
  auto t = readToDo(f, cal);
  ASSERT_EQ(CalList::kRecurringBusy, t->getCalList());
  EXPECT_EQ("Recurrence reset (1): no range [", sanitized(*t));
  EXPECT_EQ(200u, t->getPriority());
  EXPECT_EQ(0, t->getShowTimeAs());
  EXPECT_EQ(&cal, t->getListingCalendar());
  EXPECT_EQ(CalList::kDatedFree, t->getCalList());
  EXPECT_TRUE(cal.recurringBusy().empty());
  ASSERT_EQ(1u, cal.datedFree().size());
  EXPECT_EQ(t.get(), cal.datedFree().begin()->item);
}
