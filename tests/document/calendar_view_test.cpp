// The rows of the calendar view: items over the days they cover, special days, headings,
// closing rows and the overdue block, in the calendar order.
#include "document/calendar_view.h"

#include <algorithm>

#include "document/document_fixture.h"

class CalendarViewTest : public DocumentTest {
 protected:
  // The rows of `item` in display order.
  std::vector<T_viewDataItem> RowsOf(const ToDoListItem* item) const {
    std::vector<T_viewDataItem> out;
    for (unsigned i : zolt.getRowOrder()) {
      if (zolt.getRowItems()[i] == item) out.push_back(zolt.getRows()[i]);
    }
    return out;
  }
  // Texts of the rows of one kind shown on `day` (as the rows carry it).
  std::vector<std::string> TextsOf(unsigned priority, unsigned day) const {
    std::vector<std::string> out;
    for (unsigned i : zolt.getRowOrder()) {
      const T_viewDataItem& r = zolt.getRows()[i];
      if (r.priority == priority && r.day == day) out.push_back(r.text);
    }
    return out;
  }
};

TEST(CalendarHeadingTest, Texts) {
  static const struct {
    unsigned day;
    bool holiday;
    bool today;
    const char* expected;
  } kCases[] = {
      {Day(2009, 2, 7), false, true, "@i@b@rSaturday 07.02.2009  6"},
      {Day(2009, 2, 8), false, true, "@i@b@rSunday 08.02.2009  6"},
      {Day(2009, 2, 9), false, false, "@rMonday 09.02.2009  7"},
      {Day(2009, 12, 25), true, false, "@b@rFriday 25.12.2009  52"},
      {Day(2009, 12, 27), true, false, "@b@rSunday 27.12.2009  52"},  // bold once
      {Day(2010, 1, 1), true, true, "@i@b@rFriday 01.01.2010  53"},
      {Day(2009, 4, 1), false, false, "@rWednesday 01.04.2009  14"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.expected, calendarHeadingText(c.day & kDateMask, c.holiday, c.today)) << c.expected;
  }
}

// Fault 2: the overdue block's day has a day of month one less than today's, 0 on the
// first of a month; the date behind it is yesterday's real date.
TEST(CalendarRowDateTest, OverdueDayIsYesterday) {
  static const struct {
    unsigned today;
    unsigned expected;
  } kCases[] = {
      {Day(2009, 2, 7), Day(2009, 2, 6)},  {Day(2009, 3, 1), Day(2009, 2, 28)},
      {Day(2008, 3, 1), Day(2008, 2, 29)}, {Day(2010, 1, 1), Day(2009, 12, 31)},
      {Day(2009, 5, 1), Day(2009, 4, 30)},
  };
  for (const auto& c : kCases) {
    unsigned rowDay = overdueRowDay(c.today & kDateMask);
    EXPECT_EQ(c.expected, calendarRowDate(rowDay))
        << packedDay(c.today) << "." << packedMonth(c.today);
    EXPECT_TRUE(isValidDateTime(calendarRowDate(rowDay)));
  }
  // Other rows keep their own day.
  EXPECT_EQ(Day(2009, 3, 1), calendarRowDate(Day(2009, 3, 1)));
  EXPECT_EQ(Day(2009, 3, 1), calendarRowDate(Day(2009, 3, 1) & kDateMask));
}

TEST_F(CalendarViewTest, BusyAppointmentOverThreeDays) {
  ToDoListToDo* t = AddAppointment("night shift", 100, At(2009, 2, 3, 22, 0), At(2009, 2, 5, 1, 0));
  ShowCalendar(Day(2009, 2, 2), 7);
  std::vector<T_viewDataItem> rows = RowsOf(t);
  ASSERT_EQ(3u, rows.size());
  static const bool kFirst[] = {true, false, false};
  static const bool kLast[] = {false, false, true};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(Day(2009, 2, 3 + k), rows[k].day) << k;
    EXPECT_EQ(kFirst[k], rows[k].firstDay) << k;
    EXPECT_EQ(kLast[k], rows[k].lastDay) << k;
    EXPECT_EQ(At(2009, 2, 3, 22, 0), rows[k].date) << k;
    EXPECT_EQ(At(2009, 2, 5, 1, 0), rows[k].secondDate) << k;
    EXPECT_EQ("night shift", rows[k].text) << k;
  }
}

TEST_F(CalendarViewTest, ToDosStandFromTheirEndBackToTheirBegin) {
  ToDoListToDo* open = AddDatedToDo("no begin", Day(2009, 2, 10));
  ToDoListToDo* span = AddDatedToDo("three days", Day(2009, 2, 5), Day(2009, 2, 3));
  ToDoListToDo* after = AddDatedToDo("later", Day(2009, 2, 20), Day(2009, 2, 12));
  ShowCalendar(Day(2009, 2, 2), 7);

  std::vector<T_viewDataItem> rows = RowsOf(open);
  ASSERT_EQ(7u, rows.size());  // every shown day
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(Day(2009, 2, 2 + k), rows[k].day) << k;
    EXPECT_FALSE(rows[k].firstDay || rows[k].lastDay) << k;
  }
  rows = RowsOf(span);
  ASSERT_EQ(3u, rows.size());
  EXPECT_TRUE(rows[0].firstDay);
  EXPECT_EQ(Day(2009, 2, 3), rows[0].day);
  EXPECT_TRUE(rows[2].lastDay);
  EXPECT_EQ(Day(2009, 2, 5), rows[2].day);
  EXPECT_TRUE(RowsOf(after).empty());
}

TEST_F(CalendarViewTest, RecurringItemsAreExpandedOverTheShownDays) {
  ToDoListToDo* t = AddAppointment("weekly", 100, At(2009, 1, 30, 22, 0), At(2009, 2, 1, 2, 0));
  zolt.setRecData(T_recData{3, 1, kEmptyDateTime, kEmptyDateTime});
  ShowCalendar(Day(2009, 2, 1), 7);
  std::vector<T_viewDataItem> rows = RowsOf(t);
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(Day(2009, 2, 1), rows[0].day);
  EXPECT_TRUE(rows[0].lastDay);
  EXPECT_EQ(Day(2009, 2, 6), rows[1].day);
  EXPECT_TRUE(rows[1].firstDay);
  EXPECT_EQ(Day(2009, 2, 7), rows[2].day);
}

TEST_F(CalendarViewTest, EachDayShowsHeadingSpecialDaysItemsAndClosingRow) {
  AddAppointment("free", 200, Day(2009, 4, 5), Day(2009, 4, 5));
  AddAppointment("busy", 100, At(2009, 4, 5, 9, 0), At(2009, 4, 5, 10, 0));
  AddDatedToDo("to-do", Day(2009, 4, 5));
  ShowCalendar(Day(2009, 4, 5), 2);
  std::vector<std::string> expected = {"@b@rSunday 05.04.2009  14",
                                       "@b@rPalm Sunday",
                                       "@b@rDST begins",
                                       "to-do",
                                       "busy",
                                       "free",
                                       "",
                                       "@rMonday 06.04.2009  15",
                                       ""};
  EXPECT_EQ(expected, Texts());
  // Rows of no item stand for nothing; the rest for their to-do.
  for (size_t i = 0; i < zolt.getRows().size(); ++i) {
    bool ofItem = zolt.getRows()[i].priority < kRowHeading;
    EXPECT_EQ(ofItem, zolt.getRowItems()[i] != nullptr) << i;
  }
}

// The movable days are computed per year: Martin Luther King Day 2010 is 18 January
// (2009's was the 19th), which a 42-day view from 8 December 2009 reaches on its last day.
TEST_F(CalendarViewTest, SpecialDaysAreRefilledAcrossNewYear) {
  ShowCalendar(Day(2009, 12, 8), 42);
  EXPECT_EQ(std::vector<std::string>{"@b@rChristmas"},
            TextsOf(kRowSpecialDay, Day(2009, 12, 25) & kDateMask));
  EXPECT_EQ(std::vector<std::string>{"@b@rMartin Luther King Day"},
            TextsOf(kRowSpecialDay, Day(2010, 1, 18) & kDateMask));
  EXPECT_TRUE(TextsOf(kRowSpecialDay, Day(2010, 1, 19) & kDateMask).empty());
  EXPECT_EQ(std::vector<std::string>{"@b@rMonday 18.01.2010  3"},
            TextsOf(kRowHeading, Day(2010, 1, 18) & kDateMask));
  EXPECT_EQ(2010, zolt.getSpecialDays().year());
  // A heading and a closing row per day, and Christmas Eve, Christmas, New Years Eve, New
  // Years Day, Epiphany and Martin Luther King Day.
  EXPECT_EQ(42u * 2 + 6, zolt.getRows().size());
}

TEST_F(CalendarViewTest, OverdueBlockStandsBeforeToday) {
  ToDoListToDo* late = AddDatedToDo("late", TodayPlus(-1));
  Complete(AddDatedToDo("done late", TodayPlus(-2)));
  AddDatedToDo("due today", TodayPlus(0));
  unsigned today = getTodayDate(kNoDate);
  ShowCalendar(getTodayDate(kNoTime), 3);
  const std::vector<unsigned>& order = zolt.getRowOrder();
  ASSERT_GE(order.size(), 3u);
  const T_viewDataItem& first = zolt.getRows()[order[0]];
  const T_viewDataItem& closing = zolt.getRows()[order[1]];
  const T_viewDataItem& heading = zolt.getRows()[order[2]];
  EXPECT_EQ(late, zolt.getRowItems()[order[0]]);
  EXPECT_EQ(overdueRowDay(today), first.day);
  EXPECT_EQ(kRowClosing, closing.priority);
  EXPECT_EQ(overdueRowDay(today), closing.day);
  EXPECT_EQ(nullptr, zolt.getRowItems()[order[1]]);
  EXPECT_EQ(kRowHeading, heading.priority);
  EXPECT_EQ(today, heading.day);
  EXPECT_EQ(0u, heading.text.find("@i"));  // today's heading is in italics
  // The completed one is in no row; the one due today stands on today only.
  EXPECT_EQ(2u, std::count_if(order.begin(), order.end(), [&](unsigned i) {
              return zolt.getRows()[i].day == overdueRowDay(today);
            }));
}

TEST_F(CalendarViewTest, NoOverdueBlockUnlessTheViewStartsToday) {
  AddDatedToDo("late", TodayPlus(-1));
  ShowCalendar(TodayPlus(1), 3);
  EXPECT_EQ(-1, FindRow(kRowClosing, overdueRowDay(getTodayDate(kNoDate))));
  const std::vector<ToDoListItem*>& items = zolt.getRowItems();
  EXPECT_EQ(items.size(), static_cast<size_t>(std::count(items.begin(), items.end(), nullptr)));
  for (const T_viewDataItem& r : zolt.getRows()) {
    EXPECT_NE(0u, r.text.find("@i")) << r.text;
  }
}
