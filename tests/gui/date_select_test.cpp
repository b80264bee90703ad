#include "gui/date_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Select_Browser.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "calendar/date_time.h"
#include "gui/scripted_dialogs.h"

namespace {

// Pixel columns of the grid: week number 0-43, Monday from 44 on, Friday 196-239, Sunday
// 278-315.
const int kMondayX = 50, kFridayX = 220, kSundayX = 300;

void press(DateSelect& s, const char* label) { child(s.window(), label)->do_callback(); }

std::vector<std::string> lines(const DateSelect& s) {
  std::vector<std::string> out;
  for (int i = 1; i <= s.grid()->size(); i++) out.push_back(s.grid()->text(i));
  return out;
}

// A mouse button released on `line` at `x` pixels from the grid's left edge.
void click(DateSelect& s, int line, int x) {
  s.grid()->select(line);
  Fl::e_number = FL_RELEASE;
  Fl::e_x = s.grid()->x() + x;
  s.grid()->do_callback();
  Fl::e_number = 0;
}

// The grid line and an x inside the cell of day `d` of the shown month.
void cellOf(const DateSelect& s, int d, int& line, int& x) {
  int pos = Wochentag(1, s.shownMonth(), s.shownYear()) + d - 1;
  static const int kColumnX[] = {kMondayX, 90, 130, 170, kFridayX, 250, kSundayX};
  line = pos / 7 + 2;
  x = kColumnX[pos % 7];
}

struct Date {
  int year, month, day;
};

class DateSelectTest : public ::testing::Test {
 protected:
  Date date{2009, 2, 12};
};

TEST_F(DateSelectTest, GridOfFebruary2009StartsOnASundayInWeek5) {
  DateSelect s(&date.year, &date.month, &date.day);
  EXPECT_STREQ("February", s.monthLabel()->label()) << "the month by name";
  EXPECT_STREQ("2009", s.yearLabel()->label());
  EXPECT_TRUE(s.doneButton()->active());
  EXPECT_EQ((std::vector<std::string>{
                "Wk\tM\tT\tW\tT\tF\tSa\tSu", "5\t\t\t\t\t\t\t1", "6\t2\t3\t4\t5\t6\t7\t8",
                "7\t9\t10\t11\t@B15@C255@b@u12\t13\t14\t15", "8\t16\t17\t18\t19\t20\t21\t22",
                "9\t23\t24\t25\t26\t27\t28\t"}),
            lines(s));
}

// January 2010 begins in week 53 of 2009 and ends on a Sunday: no empty week line follows.
TEST_F(DateSelectTest, GridOfJanuary2010StartsInWeek53) {
  date = {2010, 1, 31};
  DateSelect s(&date.year, &date.month, &date.day);
  EXPECT_STREQ("January", s.monthLabel()->label());
  EXPECT_STREQ("2010", s.yearLabel()->label());
  EXPECT_EQ((std::vector<std::string>{"Wk\tM\tT\tW\tT\tF\tSa\tSu", "53\t\t\t\t\t1\t2\t3",
                                      "1\t4\t5\t6\t7\t8\t9\t10", "2\t11\t12\t13\t14\t15\t16\t17",
                                      "3\t18\t19\t20\t21\t22\t23\t24",
                                      "4\t25\t26\t27\t28\t29\t30\t@B15@C255@b@u31"}),
            lines(s));
}

TEST_F(DateSelectTest, ClickOnADayChoosesIt) {
  static const struct {
    int line, x;
    int day;
  } kCases[] = {{2, kSundayX, 1}, {3, kFridayX, 6}, {4, kMondayX, 9}, {6, 250, 28}};
  for (const auto& c : kCases) {
    date = {2009, 2, 12};
    DateSelect s(&date.year, &date.month, &date.day);
    click(s, c.line, c.x);
    EXPECT_EQ(2009, date.year) << c.day;
    EXPECT_EQ(2, date.month) << c.day;
    EXPECT_EQ(c.day, date.day) << c.day;
    std::string line = s.grid()->text(c.line);
    EXPECT_NE(std::string::npos, line.find("@u" + std::to_string(c.day))) << line;
  }
}

// Empty cells show the neighbouring month; the header, the week numbers and the space right
// of Sunday pick nothing. The caller's date stays as it was.
TEST_F(DateSelectTest, ClickOutsideTheDays) {
  static const struct {
    int year, month, line, x;
    int shownYear, shownMonth;
  } kCases[] = {
      {2009, 2, 2, kMondayX, 2009, 1},  {2009, 2, 6, kSundayX, 2009, 3},
      {2009, 3, 2, kMondayX, 2009, 2},  {2009, 2, 1, kMondayX, 2009, 2},
      {2009, 2, 1, kSundayX, 2009, 2},  {2009, 2, 3, 40, 2009, 2},
      {2009, 2, 3, 316, 2009, 2},       {2009, 2, 0, kMondayX, 2009, 2},
      {2000, 1, 2, kMondayX, 2000, 1},  {2127, 12, 6, kSundayX, 2127, 12},
      {2009, 12, 6, kSundayX, 2010, 1},
  };
  for (const auto& c : kCases) {
    date = {c.year, c.month, 12};
    DateSelect s(&date.year, &date.month, &date.day);
    click(s, c.line, c.x);
    EXPECT_EQ(c.shownYear, s.shownYear()) << c.year << "-" << c.month << " " << c.line;
    EXPECT_EQ(c.shownMonth, s.shownMonth()) << c.year << "-" << c.month << " " << c.line;
    EXPECT_EQ(12, date.day);
    EXPECT_EQ(c.month, date.month);
  }
}

// Steps never leave January 2000 to December 2127, the years a packed date holds.
TEST_F(DateSelectTest, StepsStayWithin2000And2127) {
  static const struct {
    int year, month;
    const char* button;
    int shownYear, shownMonth;
    const char *monthLabel, *yearLabel;
  } kCases[] = {
      {2009, 2, "M-", 2009, 1, "January", "2009"},
      {2009, 1, "M-", 2008, 12, "December", "2008"},
      {2009, 12, "M+", 2010, 1, "January", "2010"},
      {2009, 2, "M+", 2009, 3, "March", "2009"},
      {2009, 2, "Y+", 2010, 2, "February", "2010"},
      {2009, 2, "Y-", 2008, 2, "February", "2008"},
      {2000, 1, "M-", 2000, 1, "January", "2000"},
      {2000, 6, "Y-", 2000, 6, "June", "2000"},
      {2001, 1, "Y-", 2000, 1, "January", "2000"},
      {2127, 12, "M+", 2127, 12, "December", "2127"},
      {2127, 3, "Y+", 2127, 3, "March", "2127"},
      {2126, 12, "M+", 2127, 1, "January", "2127"},
      {2126, 12, "Y+", 2127, 12, "December", "2127"},
  };
  for (const auto& c : kCases) {
    date = {c.year, c.month, 12};
    DateSelect s(&date.year, &date.month, &date.day);
    press(s, c.button);
    EXPECT_EQ(c.shownYear, s.shownYear()) << c.year << "-" << c.month << " " << c.button;
    EXPECT_EQ(c.shownMonth, s.shownMonth()) << c.year << "-" << c.month << " " << c.button;
    EXPECT_STREQ(c.monthLabel, s.monthLabel()->label()) << c.button;
    EXPECT_STREQ(c.yearLabel, s.yearLabel()->label()) << c.button;
    EXPECT_EQ(c.year, date.year) << "stepping chooses nothing";
  }
}

TEST_F(DateSelectTest, StepsRedrawTheGrid) {
  date = {2009, 3, 12};
  DateSelect s(&date.year, &date.month, &date.day);
  press(s, "M-");
  EXPECT_STREQ("5\t\t\t\t\t\t\t1", s.grid()->text(2));
  EXPECT_STREQ("7\t9\t10\t11\t12\t13\t14\t15", s.grid()->text(4)) << "no chosen day in February";
}

TEST_F(DateSelectTest, WithoutADateShowsTodayInItalicsAndDoneWaitsForAClick) {
  unsigned today = getTodayDate(kEmptyDateTime);
  date = {0, 0, -1};
  DateSelect s(&date.year, &date.month, &date.day);
  EXPECT_EQ(packedYear(today), s.shownYear());
  EXPECT_EQ(packedMonth(today), s.shownMonth());
  EXPECT_FALSE(s.doneButton()->active());
  int line, x;
  cellOf(s, packedDay(today), line, x);
  std::string cell = "@i" + std::to_string(packedDay(today));
  EXPECT_NE(std::string::npos, std::string(s.grid()->text(line)).find(cell));

  cellOf(s, 15, line, x);
  click(s, line, x);
  EXPECT_TRUE(s.doneButton()->active());
  EXPECT_EQ(15, date.day);
  EXPECT_EQ(packedMonth(today), date.month);
  EXPECT_EQ(packedYear(today), date.year);
}

TEST_F(DateSelectTest, EndingTheDialog) {
  static const struct {
    const char* how;
    bool chosen;
  } kCases[] = {{"Done", true}, {"Cancel", false}, {"close box", true}, {"Escape", false}};
  for (const auto& c : kCases) {
    Date picked{2009, 2, 12};
    ScriptedDialogs dialogs;
    dialogs.onModal = [&](Fl_Window* w) {
      EXPECT_STREQ("Choose a date", w->label());
      DateSelect* s = static_cast<DateSelect*>(w->user_data());
      EXPECT_TRUE(s->visible());
      click(*s, 3, kMondayX);  // 2 February
      endDialog(w, c.how);
      EXPECT_FALSE(s->visible()) << c.how;
    };
    EXPECT_EQ(c.chosen, pickDate(picked.year, picked.month, picked.day)) << c.how;
    EXPECT_EQ(c.chosen ? 2 : 12, picked.day) << c.how;
    EXPECT_EQ(2, picked.month);
    EXPECT_EQ(2009, picked.year);
  }
}

TEST_F(DateSelectTest, CancelLeavesTheMarker) {
  ScriptedDialogs dialogs;
  dialogs.onModal = [](Fl_Window* w) { child(w, "Cancel")->do_callback(); };
  DateSelect s(&date.year, &date.month, &date.day);
  EXPECT_FALSE(s.run());
  EXPECT_EQ(-1, date.day);
}

TEST_F(DateSelectTest, ClosingWithoutAClickChoosesNothing) {
  ScriptedDialogs dialogs;
  dialogs.onModal = [](Fl_Window* w) { w->do_callback(); };
  Date none{2009, 2, -1};
  EXPECT_FALSE(pickDate(none.year, none.month, none.day));
  EXPECT_EQ(-1, none.day);
}

TEST_F(DateSelectTest, KeysMoveTheChosenDayAcrossMonths) {
  static const struct {
    int key;
    int year, month, day;  // the chosen date after the key, from 12 February 2009 on
  } kCases[] = {
      {FL_Right, 2009, 2, 13}, {FL_Down, 2009, 2, 20},      {FL_Down, 2009, 2, 27},
      {FL_Right, 2009, 2, 28}, {FL_Right, 2009, 3, 1},      {FL_Up, 2009, 2, 22},
      {FL_Left, 2009, 2, 21},  {FL_Page_Down, 2009, 3, 21}, {FL_Page_Up, 2009, 2, 21},
  };
  DateSelect s(&date.year, &date.month, &date.day);
  for (const auto& c : kCases) {
    EXPECT_TRUE(s.handleKey(c.key)) << c.key;
    EXPECT_EQ(c.year * 10000 + c.month * 100 + c.day,
              date.year * 10000 + date.month * 100 + date.day)
        << c.key;
    EXPECT_EQ(c.month, s.shownMonth()) << "the grid follows the chosen day";
  }
  date = {2009, 1, 31};
  DateSelect end(&date.year, &date.month, &date.day);
  end.handleKey(FL_Page_Down);
  EXPECT_EQ(28, date.day) << "a month on from 31 January is the last day of February";
}

TEST_F(DateSelectTest, TheChosenDayIsAFilledCellAndTheFirstKeyChoosesToday) {
  unsigned today = getTodayDate(kEmptyDateTime);
  date = {0, 0, -1};
  DateSelect s(&date.year, &date.month, &date.day);
  s.handleKey(FL_Right);
  EXPECT_EQ(packedDay(today), date.day) << "the first key chooses where it starts";
  EXPECT_TRUE(s.doneButton()->active());
  int line, x;
  cellOf(s, date.day, line, x);
  std::string text = s.grid()->text(line);
  EXPECT_NE(std::string::npos, text.find("@B15@C255@b@u")) << text;
}

TEST_F(DateSelectTest, EnterAndATypedDateEndTheDialog) {
  static const struct {
    const char* typed;  // empty: Enter on the day moved to with the keys
    bool chosen;
    int year, month, day;
  } kCases[] = {
      {"", true, 2009, 2, 13},
      {"2026-12-18", true, 2026, 12, 18},
      {"18.3.2010", true, 2010, 3, 18},
      {"31.2.", false, 2009, 2, 12},
  };
  for (const auto& c : kCases) {
    Date picked{2009, 2, 12};
    bool stillOpen = false;
    ScriptedDialogs dialogs;
    dialogs.onModal = [&](Fl_Window* w) {
      DateSelect* s = static_cast<DateSelect*>(w->user_data());
      if (*c.typed) {
        s->entry()->value(c.typed);
      } else {
        s->handleKey(FL_Right);
      }
      s->entry()->do_callback();  // Enter in the field
      stillOpen = s->visible();
      if (stillOpen) {
        EXPECT_STREQ("not a date:", s->entry()->label()) << c.typed;
        endDialog(w, "Cancel");
      }
    };
    EXPECT_EQ(c.chosen, pickDate(picked.year, picked.month, picked.day)) << c.typed;
    EXPECT_EQ(!c.chosen, stillOpen) << c.typed;
    EXPECT_EQ(c.year * 10000 + c.month * 100 + c.day,
              picked.year * 10000 + picked.month * 100 + picked.day)
        << c.typed;
  }
}

TEST_F(DateSelectTest, OpensCentredOverTheWindowItServes) {
  Fl_Window main(300, 200, 640, 480);
  main.end();
  main.show();
  ScriptedDialogs dialogs;
  int x = -1, y = -1;
  dialogs.onModal = [&](Fl_Window* w) {
    x = w->x() + w->w() / 2;
    y = w->y() + w->h() / 2;
    w->hide();
  };
  Fl::e_x_root = 5;  // the mouse far from the window
  Fl::e_y_root = 5;
  DateSelect s(&date.year, &date.month, &date.day);
  s.run();
  EXPECT_EQ(300 + 320, x);
  EXPECT_EQ(200 + 240, y);
}

}  // namespace
