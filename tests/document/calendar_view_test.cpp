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

// A recurring item's rows carry the dates of the occurrence they show, so a day orders
// its recurring and one-off items by the times of that day, not by when a series began.
TEST_F(CalendarViewTest, ADayOrdersRecurringAndOneOffItemsByTheirTimes) {
  ToDoListToDo* meeting =
      AddAppointment("meeting", 100, At(2009, 1, 5, 10, 0), At(2009, 1, 5, 11, 0));
  zolt.setRecData(T_recData{3, 1, kEmptyDateTime, kEmptyDateTime});
  AddAppointment("dentist", 100, At(2009, 2, 16, 8, 0), At(2009, 2, 16, 9, 0));
  AddAppointment("lunch", 100, At(2009, 2, 16, 12, 0), At(2009, 2, 16, 13, 0));
  ToDoListToDo* report = AddDatedToDo("report", Day(2009, 1, 5), Day(2009, 1, 5));
  EXPECT_EQ(0, zolt.setTime(0, 17, 0));
  EXPECT_EQ(0, zolt.setTime(1, 9, 0));
  zolt.setRecData(T_recData{3, 1, kEmptyDateTime, kEmptyDateTime});
  AddDatedToDo("call", Day(2009, 2, 16));
  EXPECT_EQ(0, zolt.setTime(0, 12, 0));
  ShowCalendar(Day(2009, 2, 16), 1);

  EXPECT_EQ((std::vector<std::string>{"dentist", "meeting", "lunch"}),
            TextsOf(kBusyPriority, Day(2009, 2, 16)));
  EXPECT_EQ((std::vector<std::string>{"call", "report"}), TextsOf(3, Day(2009, 2, 16)));
  std::vector<T_viewDataItem> rows = RowsOf(meeting);
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(At(2009, 2, 16, 10, 0), rows[0].date);
  EXPECT_EQ(At(2009, 2, 16, 11, 0), rows[0].secondDate);
  rows = RowsOf(report);
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(At(2009, 2, 16, 17, 0), rows[0].date);
  EXPECT_EQ(At(2009, 2, 16, 9, 0), rows[0].secondDate);
  EXPECT_EQ(At(2009, 1, 5, 10, 0), meeting->getDateTime(1));  // the series is not moved
}

// Each occurrence of a series over midnight gives its begin on its first day and its end on
// its last, with both dates on every row.
TEST_F(CalendarViewTest, MultiDayOccurrencesKeepTheirBeginEndAndFlags) {
  ToDoListToDo* t =
      AddAppointment("night shift", 200, At(2009, 1, 30, 22, 0), At(2009, 1, 31, 2, 0));
  zolt.setRecData(T_recData{3, 1, kEmptyDateTime, kEmptyDateTime});
  ShowCalendar(Day(2009, 2, 1), 14);
  static const struct {
    int day;
    bool first;
    bool last;
    int beginDay;  // of the occurrence, in February 2009
  } kRows[] = {
      {6, true, false, 6}, {7, false, true, 6}, {13, true, false, 13}, {14, false, true, 13}};
  std::vector<T_viewDataItem> rows = RowsOf(t);
  ASSERT_EQ(4u, rows.size());
  for (size_t k = 0; k < rows.size(); ++k) {
    const auto& want = kRows[k];
    EXPECT_EQ(Day(2009, 2, want.day), rows[k].day) << k;
    EXPECT_EQ(want.first, rows[k].firstDay) << k;
    EXPECT_EQ(want.last, rows[k].lastDay) << k;
    EXPECT_EQ(At(2009, 2, want.beginDay, 22, 0), rows[k].date) << k;
    EXPECT_EQ(At(2009, 2, want.beginDay + 1, 2, 0), rows[k].secondDate) << k;
  }
}

// An appointment with a begin and no end stands on its begin day alone, as its first and
// last day; its row and the item keep the missing end.
TEST_F(CalendarViewTest, AppointmentWithoutAnEndCoversItsBeginDayOnly) {
  static const struct {
    const char* input;
    unsigned firstDay;
    int span;
    size_t rows;
  } kCases[] = {
      {"42 days in June 2030", Day(2030, 6, 1), 42, 0},
      {"the week of its begin", Day(2009, 2, 9), 7, 1},
      {"its begin day alone", Day(2009, 2, 10), 1, 1},
      {"the day after", Day(2009, 2, 11), 7, 0},
  };
  std::vector<ToDoListToDo*> items;
  for (unsigned priority : {kBusyPriority, kFreePriority}) {
    items.push_back(AddToDo("open end", priority));
    SetDate(1, Day(2009, 2, 10));
    EXPECT_EQ(0, zolt.setTime(1, 12, 0));
    ASSERT_FALSE(hasDate(items.back()->getDateTime(0)));
  }
  for (const auto& c : kCases) {
    ShowCalendar(c.firstDay, c.span);
    for (ToDoListToDo* t : items) {
      std::vector<T_viewDataItem> rows = RowsOf(t);
      ASSERT_EQ(c.rows, rows.size()) << c.input << " " << t->getPriority();
      if (rows.empty()) continue;
      EXPECT_EQ(Day(2009, 2, 10), rows[0].day) << c.input;
      EXPECT_TRUE(rows[0].firstDay && rows[0].lastDay) << c.input;
      EXPECT_EQ(At(2009, 2, 10, 12, 0), rows[0].date) << c.input;
      EXPECT_EQ(kEmptyDateTime, rows[0].secondDate) << c.input;
    }
  }
  for (ToDoListToDo* t : items) EXPECT_EQ(kEmptyDateTime, t->getDateTime(0));
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
