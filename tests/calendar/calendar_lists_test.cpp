#include "calendar/calendar_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/view_data.h"
#include "document/zolt.h"
#include "model/todo_list_group.h"
#include "model/todo_list_todo.h"
#include "model/todo_test_util.h"
#include "test_util.h"

namespace {

const unsigned E = kEmptyDateTime;

std::vector<const ToDoListToDo*> itemsOf(const T_DatedCalList& list) {
  std::vector<const ToDoListToDo*> out;
  for (const T_DatedCalListItem& e : list) out.push_back(e.item);
  return out;
}

struct Expanded {
  std::vector<T_viewDataItem> rows;
  std::vector<ToDoListItem*> items;
};

// The rows the calendar view gets from the recurring lists for `span` days from `firstDay`.
Expanded expand(const T_Calendar& cal, unsigned firstDay, int span) {
  unsigned from = firstDay & kDateMask;
  unsigned to = dayOf(firstDay);
  moveDate(to, span - 1);
  Expanded x;
  getContentRecItems(from, to, cal.recurringToDos(), x.rows, x.items, nullptr);
  getContentRecItems(from, to, cal.recurringFree(), x.rows, x.items, nullptr);
  getContentRecItems(from, to, cal.recurringBusy(), x.rows, x.items, nullptr);
  return x;
}

// One expected calendar row: its day and its two flags.
struct RowDay {
  unsigned day;
  bool first;
  bool last;
};

void expectRows(const Expanded& x, const ToDoListToDo* t, const std::vector<RowDay>& want,
                const char* input) {
  ASSERT_EQ(want.size(), x.rows.size()) << input;
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(want[i].day, x.rows[i].day) << input << " row " << i;
    EXPECT_EQ(want[i].first, x.rows[i].firstDay) << input << " row " << i;
    EXPECT_EQ(want[i].last, x.rows[i].lastDay) << input << " row " << i;
    EXPECT_EQ(t, x.items[i]) << input << " row " << i;
  }
}

}  // namespace

class CalendarListsTest : public ::testing::Test {
 protected:
  // A new to-do of the tree with an end date (and a begin date when given), set through
  // the normalising setters: main date first, or the normalisation would drop the other.
  ToDoListToDo* Dated(unsigned priority, unsigned end, unsigned begin = E) {
    ToDoListToDo* t = root.newToDo();
    EXPECT_EQ(0, t->setPriority(priority, cal));
    int mainDate = priority > 6 ? 1 : 0;
    SetDateTime(t, mainDate, mainDate ? begin : end);
    SetDateTime(t, 1 - mainDate, mainDate ? end : begin);
    return t;
  }
  void SetDateTime(ToDoListToDo* t, int which, unsigned v) {
    if (hasDate(v)) {
      EXPECT_EQ(0, t->setDate(which, packedYear(v), packedMonth(v), packedDay(v), cal));
    }
    if (hasTime(v)) {
      EXPECT_EQ(0, t->setTime(which, packedHour(v), packedMinute(v), cal));
    }
  }

  T_Calendar cal;
  ToDoListGroup root{0, "/", 0};  // destroyed before the calendar
  unsigned jobs = 0;
};

TEST_F(CalendarListsTest, MembershipByPriorityTypeAndDates) {
  const struct {
    const char* input;
    ToDoFields f;
    CalList list;
    unsigned key;  // dated lists only
  } kCases[] = {
      {"to-do with an end", {3, E, D(2009, 2, 5), Rec(0), 0}, CalList::kDatedToDos, D(2009, 2, 5)},
      {"to-do with a begin only: key without a date",
       {1, D(2009, 2, 3), E, Rec(0), 0},
       CalList::kDatedToDos,
       E},
      {"daily resetable to-do is dated",
       {3, D(2009, 2, 3), D(2009, 2, 5), Rec(2), 0},
       CalList::kDatedToDos,
       D(2009, 2, 5)},
      {"weekly to-do", {3, D(2009, 2, 3), D(2009, 2, 5), Rec(3), 0}, CalList::kRecurringToDos, 0},
      {"busy appointment by its begin",
       {100, DT(2009, 2, 3, 8, 0), DT(2009, 2, 3, 9, 0), Rec(0), 1},
       CalList::kDatedBusy,
       DT(2009, 2, 3, 8, 0)},
      {"monthly busy appointment",
       {100, D(2009, 2, 3), D(2009, 2, 3), Rec(5), 1},
       CalList::kRecurringBusy,
       0},
      {"free appointment", {200, D(2009, 2, 3), E, Rec(0), 0}, CalList::kDatedFree, D(2009, 2, 3)},
      {"yearly free appointment",
       {200, D(2009, 2, 3), D(2009, 2, 3), Rec(6), 0},
       CalList::kRecurringFree,
       0},
      {"no dates", {3, E, E, Rec(3), 0}, CalList::kNone, 0},
  };
  for (const auto& c : kCases) {
    T_Calendar local;
    auto t = readToDo(c.f, local);
    ASSERT_NE(nullptr, t) << c.input;
    EXPECT_EQ(c.list, t->getCalList()) << c.input;
    EXPECT_EQ(c.list == CalList::kNone ? 0u : 1u, local.nrListed()) << c.input;
    for (const T_DatedCalList* l : {&local.datedToDos(), &local.datedBusy(), &local.datedFree()}) {
      for (const T_DatedCalListItem& e : *l) EXPECT_EQ(c.key, e.key) << c.input;
    }
  }
}

TEST_F(CalendarListsTest, EndOnlyIsKeyedByEndAndABeginKeepsTheKey) {
  ToDoListToDo* t = Dated(3, D(2009, 2, 10));
  ASSERT_EQ(1u, cal.datedToDos().size());
  EXPECT_EQ(D(2009, 2, 10), cal.datedToDos().begin()->key);
  EXPECT_EQ(0, t->setDate(1, 2009, 2, 5, cal));
  ASSERT_EQ(1u, cal.datedToDos().size());
  EXPECT_EQ(D(2009, 2, 10), cal.datedToDos().begin()->key);
  EXPECT_EQ(t, cal.datedToDos().begin()->item);
}

TEST_F(CalendarListsTest, EqualKeysPutLaterStandFirst) {
  ToDoListToDo* late = Dated(3, D(2009, 2, 12));
  ToDoListToDo* a = Dated(3, DT(2009, 2, 10, 9, 0));
  ToDoListToDo* b = Dated(3, DT(2009, 2, 10, 9, 0));
  ToDoListToDo* early = Dated(3, D(2009, 2, 1));
  ToDoListToDo* c = Dated(3, DT(2009, 2, 10, 9, 0));
  ToDoListToDo* sameDayNoTime = Dated(3, D(2009, 2, 10));
  std::vector<const ToDoListToDo*> want = {early, c, b, a, sameDayNoTime, late};
  EXPECT_EQ(want, itemsOf(cal.datedToDos()));
  // Back to front, and stopping by key, as the calendar view walks it.
  std::vector<const ToDoListToDo*> back;
  for (auto it = cal.datedToDos().rbegin(); it != cal.datedToDos().rend(); ++it) {
    if (it->key < (D(2009, 2, 10) & kDateMask)) break;  // before the start of that day
    back.push_back(it->item);
  }
  EXPECT_EQ((std::vector<const ToDoListToDo*>{late, sameDayNoTime, a, b, c}), back);
  EXPECT_EQ(early, cal.datedToDos().lower_bound(D(2009, 1, 1))->item);
  EXPECT_EQ(late, cal.datedToDos().upper_bound(D(2009, 2, 10))->item);
}

TEST_F(CalendarListsTest, ShowAsMovesAppointmentsOnly) {
  ToDoListToDo* appt = Dated(200, DT(2009, 2, 3, 9, 0), DT(2009, 2, 3, 8, 0));
  ASSERT_EQ(CalList::kDatedFree, appt->getCalList());
  appt->setShowTimeAs(1, cal);
  EXPECT_EQ(100u, appt->getPriority());
  EXPECT_EQ(CalList::kDatedBusy, appt->getCalList());
  EXPECT_TRUE(cal.datedFree().empty());
  ASSERT_EQ(1u, cal.datedBusy().size());
  EXPECT_EQ(DT(2009, 2, 3, 8, 0), cal.datedBusy().begin()->key);
  appt->setShowTimeAs(0, cal);
  EXPECT_EQ(200u, appt->getPriority());
  EXPECT_EQ(CalList::kDatedFree, appt->getCalList());

  ToDoListToDo* todo = Dated(3, D(2009, 2, 5));
  todo->setShowTimeAs(1, cal);
  EXPECT_EQ(1, todo->getShowTimeAs());
  EXPECT_EQ(3u, todo->getPriority());
  EXPECT_EQ(CalList::kDatedToDos, todo->getCalList());
  EXPECT_EQ(2u, cal.nrListed());
}

TEST_F(CalendarListsTest, RecurrenceAndPriorityMoveBetweenLists) {
  ToDoListToDo* t = Dated(3, D(2009, 2, 5), D(2009, 2, 3));
  const struct {
    const char* input;
    unsigned priority;
    int type;
    CalList list;
  } kSteps[] = {
      {"weekly to-do", 3, 3, CalList::kRecurringToDos},
      {"daily resetable to-do", 3, 2, CalList::kDatedToDos},
      {"busy appointment, monthly", 100, 4, CalList::kRecurringBusy},
      {"free appointment, none", 200, 0, CalList::kDatedFree},
      {"free appointment, yearly", 200, 6, CalList::kRecurringFree},
      {"to-do again, none", 5, 0, CalList::kDatedToDos},
  };
  for (const auto& s : kSteps) {
    ASSERT_EQ(0, t->setPriority(s.priority, cal)) << s.input;
    t->setRecData(Rec(s.type), cal);
    EXPECT_EQ(s.list, t->getCalList()) << s.input;
    EXPECT_EQ(1u, cal.nrListed()) << s.input;
  }
}

TEST_F(CalendarListsTest, ClearingTheDatesLeavesTheLists) {
  ToDoListToDo* t = Dated(3, DT(2009, 2, 5, 9, 0));
  t->clearTime(0, cal);
  EXPECT_EQ(D(2009, 2, 5), cal.datedToDos().begin()->key);
  t->clearDate(0, cal);
  EXPECT_EQ(CalList::kNone, t->getCalList());
  EXPECT_EQ(nullptr, t->getListingCalendar());
  EXPECT_EQ(0u, cal.nrListed());
}

TEST_F(CalendarListsTest, RemovingAnUnlistedItemChangesNothing) {
  ToDoListToDo* listed = Dated(3, D(2009, 2, 5));
  ToDoListToDo* undated = root.newToDo();
  undated->removeFromCalLists(cal);
  undated->putIntoCalList(cal);
  EXPECT_EQ(CalList::kNone, undated->getCalList());
  listed->removeFromCalLists(cal);
  listed->removeFromCalLists(cal);
  EXPECT_EQ(0u, cal.nrListed());
  listed->putIntoCalList(cal);
  listed->putIntoCalList(cal);  // a second put does not make a second entry
  EXPECT_EQ(1u, cal.nrListed());
}

TEST_F(CalendarListsTest, DontCheckSettersListWithoutNormalising) {
  ToDoListToDo* t = root.newToDo();
  ASSERT_EQ(0, t->setDateDontCheck(1, 2009, 2, 9, cal));
  ASSERT_EQ(0, t->setTimeDontCheck(1, 10, 30, cal));
  // A begin alone would be dropped by the normalisation; here it stays and is listed.
  EXPECT_EQ(DT(2009, 2, 9, 10, 30), t->getDateTime(1));
  EXPECT_EQ(CalList::kDatedToDos, t->getCalList());
  ASSERT_EQ(0, t->setDateDontCheck(0, 2009, 2, 2, cal));
  EXPECT_EQ(D(2009, 2, 2), t->getDateTime(0));
  EXPECT_EQ(D(2009, 2, 2), cal.datedToDos().begin()->key);
}

TEST_F(CalendarListsTest, ImpossibleValuesAreRefused) {
  ToDoListToDo* t = Dated(3, D(2009, 2, 5));
  const struct {
    const char* input;
    int result;
  } kCases[] = {
      {"30 February", t->setDate(0, 2009, 2, 30, cal)},
      {"year 2128", t->setDate(0, 2128, 1, 1, cal)},
      {"year 1999", t->setDateDontCheck(0, 1999, 12, 31, cal)},
      {"hour 24", t->setTime(0, 24, 0, cal)},
      {"minute 60", t->setTimeDontCheck(0, 10, 60, cal)},
      {"priority 7", t->setPriority(7, cal)},
  };
  for (const auto& c : kCases) EXPECT_EQ(-1, c.result) << c.input;
  EXPECT_EQ(D(2009, 2, 5), t->getDateTime(0));
  EXPECT_EQ(3u, t->getPriority());
  EXPECT_EQ(D(2009, 2, 5), cal.datedToDos().begin()->key);
}

TEST_F(CalendarListsTest, DeletingThroughTheTreeLeavesNoEntry) {
  ToDoListToDo* kept = Dated(3, D(2009, 2, 5));
  ToDoListToDo* gone = Dated(100, D(2009, 2, 6), D(2009, 2, 6));
  gone->setRecData(Rec(3), cal);
  ToDoListGroup* sub = root.newGroup();
  ToDoListGroup* subsub = sub->newGroup();
  for (ToDoListGroup* g : {sub, subsub}) {
    ToDoListToDo* t = g->newToDo();
    ASSERT_EQ(0, t->setDate(0, 2009, 2, 7, cal));
    t = g->newToDo();
    ASSERT_EQ(0, t->setDate(0, 2009, 2, 8, cal));
    ASSERT_EQ(0, t->setDate(1, 2009, 2, 7, cal));
    t->setRecData(Rec(1), cal);
  }
  ASSERT_EQ(6u, cal.nrListed());
  ASSERT_EQ(2u, cal.recurringToDos().size());
  EXPECT_EQ(0, root.delToDo(gone, jobs, cal));
  EXPECT_TRUE(cal.recurringBusy().empty());
  root.delGroup(sub, jobs, cal);
  EXPECT_EQ(1u, cal.nrListed());
  EXPECT_EQ(kept, cal.datedToDos().begin()->item);
}

TEST_F(CalendarListsTest, ADeletedToDoTakesItsEntryWithIt) {
  ToDoListToDo* t = new ToDoListToDo(7, "/0/");
  ASSERT_EQ(0, t->setDate(0, 2009, 2, 5, cal));
  ToDoListGroup* g = new ToDoListGroup(8, "/0/", 1);
  ASSERT_EQ(0, g->newToDo()->setDate(0, 2009, 2, 6, cal));
  ASSERT_EQ(2u, cal.nrListed());
  delete t;
  delete g;  // a subtree deleted without removeFromCalLists
  EXPECT_EQ(0u, cal.nrListed());
}

TEST_F(CalendarListsTest, ACalendarMayGoBeforeTheTree) {
  ToDoListToDo* t = root.newToDo();
  {
    T_Calendar local;
    ASSERT_EQ(0, t->setDate(0, 2009, 2, 5, local));
    EXPECT_EQ(&local, t->getListingCalendar());
  }
  EXPECT_EQ(nullptr, t->getListingCalendar());
  EXPECT_EQ(CalList::kNone, t->getCalList());
  EXPECT_EQ(0, root.delToDo(t, jobs, cal));
}

TEST_F(CalendarListsTest, AssignmentRelistsTheTargetAndCopiesAreUnlisted) {
  ToDoListToDo* target = Dated(3, D(2009, 2, 5));
  ToDoListToDo source(0, "/0/");
  T_Calendar other;
  ASSERT_EQ(0, source.setPriority(100, other));
  ASSERT_EQ(0, source.setDate(1, 2009, 3, 1, other));
  *target = source;
  EXPECT_EQ(&cal, target->getListingCalendar());
  EXPECT_EQ(CalList::kDatedBusy, target->getCalList());
  EXPECT_TRUE(cal.datedToDos().empty());
  EXPECT_EQ(D(2009, 3, 1), cal.datedBusy().begin()->key);
  EXPECT_EQ(1u, other.nrListed());
  ToDoListToDo copy(*target);
  EXPECT_EQ(nullptr, copy.getListingCalendar());
  EXPECT_EQ(1u, cal.nrListed());
}

// ---- expansion of recurring items ----

TEST_F(CalendarListsTest, WeeklyAppointmentAcrossAMonthEnd) {
  ToDoListToDo* t = root.newToDo();
  t->setSummary("Night shift");
  ASSERT_EQ(0, t->setPriority(100, cal));
  SetDateTime(t, 1, DT(2009, 1, 30, 22, 0));
  SetDateTime(t, 0, DT(2009, 2, 1, 2, 0));
  t->setRecData(Rec(3), cal);
  ASSERT_EQ(CalList::kRecurringBusy, t->getCalList());
  Expanded x = expand(cal, D(2009, 2, 1), 7);
  expectRows(
      x, t,
      {{D(2009, 2, 1), false, true}, {D(2009, 2, 6), true, false}, {D(2009, 2, 7), false, false}},
      "weekly from 30.01.2009 22:00");
  // Each row carries the begin of the occurrence it shows.
  ASSERT_EQ(3u, x.rows.size());
  const unsigned kBegins[] = {DT(2009, 1, 30, 22, 0), DT(2009, 2, 6, 22, 0), DT(2009, 2, 6, 22, 0)};
  for (size_t i = 0; i < x.rows.size(); ++i) {
    const T_viewDataItem& row = x.rows[i];
    EXPECT_EQ("Night shift", row.text);
    EXPECT_EQ(100u, row.priority);
    EXPECT_EQ(kBegins[i], row.date) << i;
  }
  EXPECT_EQ(DT(2009, 1, 30, 22, 0), t->getDateTime(1));  // the item is not changed
}

// A weekly to-do due at 18:00 whose begin has no time: every occurrence shows its begin
// without a time, as the first one does, not "(18:00-18:00)".
TEST_F(CalendarListsTest, OccurrencesKeepABeginWithoutATime) {
  ToDoListToDo* t = Dated(3, DT(2009, 2, 3, 18, 0), D(2009, 2, 3));
  t->setRecData(Rec(3), cal);
  Expanded x = expand(cal, D(2009, 2, 1), 21);
  ASSERT_EQ(3u, x.rows.size());
  for (size_t i = 0; i < x.rows.size(); ++i) {
    unsigned due = DT(2009, 2, 3, 18, 0), begin = D(2009, 2, 3);
    moveDate(due, 7 * static_cast<int>(i));
    moveDate(begin, 7 * static_cast<int>(i));
    EXPECT_EQ(due, x.rows[i].date) << i;
    EXPECT_EQ(begin, x.rows[i].secondDate) << i;
  }
}

// An appointment that ends at 00:00 ends with the day before: the next day shows nothing.
TEST_F(CalendarListsTest, EndAtMidnightEndsWithTheDayBefore) {
  ToDoListToDo* t = Dated(100, DT(2009, 2, 4, 0, 0), DT(2009, 2, 3, 22, 0));
  t->setRecData(Rec(3), cal);
  expectRows(expand(cal, D(2009, 2, 1), 14), t,
             {{D(2009, 2, 3), true, true}, {D(2009, 2, 10), true, true}}, "22:00 to 00:00");
  ToDoListToDo* longer = Dated(100, DT(2009, 2, 6, 0, 0), DT(2009, 2, 4, 22, 0));
  longer->setRecData(Rec(3), cal);
  Expanded x = expand(cal, D(2009, 2, 5), 1);
  ASSERT_EQ(1u, x.rows.size());
  EXPECT_EQ(longer, x.items[0]);
  EXPECT_TRUE(x.rows[0].lastDay);
}

TEST_F(CalendarListsTest, RecurrencesOutsideTheShownDaysGiveNoRows) {
  const struct {
    const char* input;
    T_recData rec;
    unsigned begin, end;
  } kCases[] = {
      {"ended before the first shown day", Rec(1, 1, E, D(2009, 1, 31)), D(2009, 1, 20),
       D(2009, 1, 20)},
      {"begins after the last shown day", Rec(1, 1, D(2009, 2, 8)), D(2009, 2, 8), D(2009, 2, 8)},
      {"next occurrence after the view", Rec(3, 3), D(2009, 1, 20), D(2009, 1, 20)},
  };
  for (const auto& c : kCases) {
    T_Calendar local;
    ToDoFields f;
    f.begin = c.begin;
    f.end = c.end;
    f.rec = c.rec;
    auto t = readToDo(f, local);
    ASSERT_EQ(CalList::kRecurringToDos, t->getCalList()) << c.input;
    EXPECT_TRUE(expand(local, D(2009, 2, 1), 7).rows.empty()) << c.input;
  }
}

TEST_F(CalendarListsTest, ExpansionStartsAtTheItemsOwnDates) {
  ToDoListToDo* t = Dated(3, D(2009, 2, 4), D(2009, 2, 4));
  t->setRecData(Rec(1, 2), cal);
  expectRows(expand(cal, D(2009, 2, 1), 7), t,
             {{D(2009, 2, 4), true, true}, {D(2009, 2, 6), true, true}}, "every second day");
}

// Near the end of 2127 no step may wrap to the year 2000 and start over.
TEST_F(CalendarListsTest, ExpansionEndsAtTheLastPackableYear) {
  const struct {
    const char* input;
    ToDoFields f;
    unsigned firstDay;
    int span;
    std::vector<RowDay> rows;
  } kCases[] = {
      {"yearly on 29.02.2124",
       {3, D(2124, 2, 28), D(2124, 2, 29), Rec(6), 0},
       D(2124, 2, 1),
       42,
       {{D(2124, 2, 28), true, false}, {D(2124, 2, 29), false, true}}},
      {"daily in the last week of 2127",
       {3, D(2127, 12, 29), D(2127, 12, 29), Rec(1), 0},
       D(2127, 12, 25),
       7,
       {{D(2127, 12, 29), true, true},
        {D(2127, 12, 30), true, true},
        {D(2127, 12, 31), true, true}}},
      {"overnight appointment on 30.12.2127",
       {100, DT(2127, 12, 30, 22, 0), DT(2127, 12, 31, 2, 0), Rec(1), 1},
       D(2127, 12, 25),
       7,
       {{D(2127, 12, 30), true, false}, {D(2127, 12, 31), false, true}}},
      {"monthly on the 31st",
       {200, D(2127, 10, 31), D(2127, 10, 31), Rec(5), 0},
       D(2127, 11, 20),
       42,
       {{D(2127, 12, 31), true, true}}},
  };
  for (const auto& c : kCases) {
    T_Calendar local;
    auto t = readToDo(c.f, local);
    ASSERT_NE(nullptr, t) << c.input;
    expectRows(expand(local, c.firstDay, c.span), t.get(), c.rows, c.input);
  }
}

// ---- a file whose recurring to-do has no begin date ----

// The to-do is listed as recurring when read, normalised to a dated one inside the writer,
// then deleted: no entry may stay behind for the calendar to follow.
TEST(CalendarListsFileTest, RecurringToDoWithoutBeginIsWrittenDeletedAndExpanded) {
  TempDir dir;
  std::string master = dir.file("master.dat");
  writeFile(master, readFile(testData("recurring_without_begin.dat")));
  Zolt zolt;
  zolt.createRoot();
  ASSERT_EQ(0, zolt.readData(master.c_str()));
  ToDoListGroup* work = zolt.getRoot()->getGroups()[0];
  ToDoListToDo* report = work->getToDos()[0];
  ToDoListToDo* meeting = work->getToDos()[1];
  T_Calendar* cal = report->getListingCalendar();
  ASSERT_NE(nullptr, cal);
  EXPECT_EQ(cal, meeting->getListingCalendar());
  EXPECT_EQ(CalList::kRecurringToDos, report->getCalList());
  EXPECT_EQ(CalList::kRecurringBusy, meeting->getCalList());

  testing::internal::CaptureStderr();
  ASSERT_EQ(0, zolt.writeData(dir.file("saved.dat").c_str()));
  EXPECT_EQ("Recurrence reset (1): no range [", testing::internal::GetCapturedStderr());
  EXPECT_NE(std::string::npos,
            readFile(dir.file("saved.dat")).find("t\nsWeekly report\nI3\nn153264640\n>\n"));
  EXPECT_EQ(CalList::kDatedToDos, report->getCalList());
  EXPECT_TRUE(cal->recurringToDos().empty());

  unsigned jobs = 0;
  ASSERT_EQ(0, work->delToDo(report, jobs, *cal));
  EXPECT_TRUE(cal->datedToDos().empty());
  EXPECT_EQ(1u, cal->nrListed());
  Expanded x = expand(*cal, D(2009, 2, 1), 7);
  expectRows(x, meeting, {{D(2009, 2, 3), true, true}}, "weekly meeting");
}

// ---- scale ----

TEST(CalendarListsScaleTest, HundredThousandDatedToDosEnterAndLeave) {
  constexpr int kCount = 100000;
  T_Calendar cal;
  std::vector<std::unique_ptr<ToDoListToDo>> todos;
  std::unordered_map<const ToDoListToDo*, int> placed;  // order of placement
  std::mt19937 random(20090201);
  for (int i = 0; i < kCount; ++i) {
    unsigned day = D(2009, 1, 1);
    moveDate(day, static_cast<int>(random() % 3000));  // many equal keys
    auto t = std::make_unique<ToDoListToDo>(static_cast<unsigned>(i), "/0/");
    ASSERT_EQ(0, t->setDateDontCheck(0, packedYear(day), packedMonth(day), packedDay(day), cal));
    placed[t.get()] = i;
    todos.push_back(std::move(t));
  }
  ASSERT_EQ(static_cast<size_t>(kCount), cal.datedToDos().size());
  const T_DatedCalListItem* previous = nullptr;
  for (const T_DatedCalListItem& e : cal.datedToDos()) {
    ASSERT_EQ(e.item->getDateTime(0), e.key);
    if (previous != nullptr) {
      ASSERT_LE(previous->key, e.key);
      if (previous->key == e.key) {
        ASSERT_GT(placed[previous->item], placed[e.item]);
      }
    }
    previous = &e;
  }
  std::shuffle(todos.begin(), todos.end(), random);
  for (int i = 0; i < kCount / 2; ++i) todos[i]->removeFromCalLists(cal);
  EXPECT_EQ(static_cast<size_t>(kCount - kCount / 2), cal.nrListed());
  todos.clear();  // the rest leave as they are destroyed
  EXPECT_EQ(0u, cal.nrListed());
}
