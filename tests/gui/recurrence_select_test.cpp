#include "gui/recurrence_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Select_Browser.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "calendar/date_time.h"
#include "gui/date_select.h"
#include "gui/scripted_dialogs.h"

namespace {

// The interval's "-" and "+" buttons.
void stepInterval(RecurrenceSelect& s, int step) {
  child(s.window(), step < 0 ? "-" : "+")->do_callback();
}

void chooseType(RecurrenceSelect& s, int value) {
  s.typeChoice()->value(value);
  s.typeChoice()->do_callback();
}

// Entry 0 is "none", entry 1 "select".
void pickDateMenu(Fl_Menu_Button* menu, int entry) {
  menu->value(entry);
  menu->do_callback();
}

// Clicks day `d` of the month a date selector shows, then "Done".
void clickDayAndDone(Fl_Window* w, int d) {
  DateSelect* s = static_cast<DateSelect*>(w->user_data());
  static const int kColumnX[] = {50, 90, 130, 170, 220, 250, 300};
  int pos = Wochentag(1, s->shownMonth(), s->shownYear()) + d - 1;
  s->grid()->select(pos / 7 + 2);
  Fl::e_number = FL_RELEASE;
  Fl::e_x = kColumnX[pos % 7];
  s->grid()->do_callback();
  Fl::e_number = 0;
  child(w, "Done")->do_callback();
}

unsigned date(int year, int month, int day) { return packDate(kEmptyDateTime, year, month, day); }

// The main date 29.01.2009, the fifth Thursday of its month.
const int kDay = 29, kMonth = 1, kThursday = 3;

class RecurrenceSelectTest : public ::testing::Test {
 protected:
  T_recData rec;
};

// Yearly always steps one year, so its interval stays 1 and the text never promises more.
TEST_F(RecurrenceSelectTest, ExplainsEachType) {
  static const struct {
    int type;
    const char* unit;
    const char* interval;
    const char* text;
  } kCases[] = {
      {0, "", "1", "No recurrence."},
      {1, "day(s)", "2", "Repeat every 2 day(s)."},
      {2, "day(s)", "2",
       "Repeat every 2 days,\nreset when done.\nUseful if you have to do it\n AT LEAST every 2 "
       "day(s)."},
      {3, "week(s)", "2", "Repeat on Thursday\nevery 2 week(s)."},
      {4, "month(s)", "2", "Repeat on 5. Thursday\nevery 2 month(s)."},
      {5, "month(s)", "2", "Repeat on day 29\nevery 2 month(s)."},
      {6, "year(s)", "1", "Repeat on 29.1.\n every 1 year(s)."},
  };
  for (const auto& c : kCases) {
    rec = T_recData();
    RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
    chooseType(s, c.type);
    stepInterval(s, 1);
    EXPECT_EQ(c.type, rec.type);
    EXPECT_EQ(c.type, s.typeChoice()->value());
    EXPECT_STREQ(c.unit, s.unit()) << c.type;
    EXPECT_STREQ(c.interval, s.intervalText()) << c.type;
    EXPECT_STREQ(c.text, s.explanation()) << c.type;
    EXPECT_EQ(c.type != 0, s.beginDateMenu()->active() != 0) << c.type;
    EXPECT_EQ(c.type != 0, s.endDateMenu()->active() != 0) << c.type;

    // The same record handed in shows the same.
    T_recData again = rec;
    RecurrenceSelect shown(&again, kDay, kMonth, kThursday, true);
    EXPECT_STREQ(c.text, shown.explanation()) << c.type;
    EXPECT_EQ(c.type, shown.typeChoice()->value());
  }
}

TEST_F(RecurrenceSelectTest, ExplanationNamesTheWeekdayAndItsWeekOfTheMonth) {
  static const struct {
    int day, weekday;
    const char* text;
  } kCases[] = {{1, 0, "Repeat on 1. Monday\nevery 1 month(s)."},
                {7, 6, "Repeat on 1. Sunday\nevery 1 month(s)."},
                {8, 1, "Repeat on 2. Tuesday\nevery 1 month(s)."},
                {21, 5, "Repeat on 3. Saturday\nevery 1 month(s)."},
                {22, 4, "Repeat on 4. Friday\nevery 1 month(s)."},
                {31, 2, "Repeat on 5. Wednesday\nevery 1 month(s)."}};
  for (const auto& c : kCases) {
    rec.type = 4;
    RecurrenceSelect s(&rec, c.day, 3, c.weekday, true);
    EXPECT_STREQ(c.text, s.explanation()) << c.day;
  }
}

TEST_F(RecurrenceSelectTest, ResetableIsDailyForAnAppointment) {
  RecurrenceSelect s(&rec, kDay, kMonth, kThursday, false);
  chooseType(s, 2);
  EXPECT_EQ(1, rec.type);
  EXPECT_EQ(1, s.typeChoice()->value());
  EXPECT_STREQ("Repeat every 1 day(s).", s.explanation());
}

TEST_F(RecurrenceSelectTest, IntervalStaysWithin1And1000) {
  rec.type = 1;
  RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
  stepInterval(s, -1);
  EXPECT_EQ(1, rec.interval);
  EXPECT_STREQ("1", s.intervalText());
  rec.interval = 999;
  stepInterval(s, 1);
  stepInterval(s, 1);
  EXPECT_EQ(1000, rec.interval);
  EXPECT_STREQ("1000", s.intervalText());
  EXPECT_STREQ("Repeat every 1000 day(s).", s.explanation());
}

TEST_F(RecurrenceSelectTest, TypesWithoutAnIntervalKeep1) {
  for (int type : {0, 6}) {
    rec = T_recData();
    rec.type = type;
    rec.interval = 5;
    RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
    EXPECT_EQ(1, rec.interval) << type;
    stepInterval(s, 1);
    EXPECT_EQ(1, rec.interval) << type;
    EXPECT_STREQ("1", s.intervalText()) << type;
  }
}

TEST_F(RecurrenceSelectTest, ChoosingNoneClearsTheRecord) {
  rec = {5, 3, date(2009, 1, 1), date(2009, 12, 31)};
  RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
  EXPECT_STREQ("01.01.2009", s.beginText());
  EXPECT_STREQ("31.12.2009", s.endText());
  chooseType(s, 0);
  EXPECT_EQ(T_recData(), rec);
  EXPECT_STREQ("none", s.beginText());
  EXPECT_STREQ("none", s.endText());
  EXPECT_FALSE(s.beginDateMenu()->active());
}

TEST_F(RecurrenceSelectTest, DateMenuNoneEmptiesThatDate) {
  rec = {1, 1, date(2009, 1, 1), date(2009, 12, 31)};
  RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
  pickDateMenu(s.beginDateMenu(), 0);
  EXPECT_FALSE(hasDate(rec.firstDate));
  EXPECT_STREQ("none", s.beginText());
  EXPECT_EQ(date(2009, 12, 31), rec.lastDate);
  pickDateMenu(s.endDateMenu(), 0);
  EXPECT_FALSE(hasDate(rec.lastDate));
  EXPECT_STREQ("none", s.endText());
}

// The chosen date keeps the field's time half; an empty field starts on today's month.
TEST_F(RecurrenceSelectTest, DateMenuSelectOpensTheDateSelector) {
  unsigned today = getTodayDate(kEmptyDateTime);
  rec = {1, 1, kEmptyDateTime, packTime(date(2009, 3, 10), 14, 0)};
  ScriptedDialogs dialogs;
  int shownMonth = 0;
  dialogs.onModal = [&](Fl_Window* w) {
    EXPECT_STREQ("Choose a date", w->label());
    shownMonth = static_cast<DateSelect*>(w->user_data())->shownMonth();
    clickDayAndDone(w, 20);
  };
  RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
  pickDateMenu(s.endDateMenu(), 1);
  EXPECT_EQ(3, shownMonth);
  EXPECT_EQ(packTime(date(2009, 3, 20), 14, 0), rec.lastDate);
  EXPECT_STREQ("20.03.2009", s.endText());

  pickDateMenu(s.beginDateMenu(), 1);
  EXPECT_EQ(packedMonth(today), shownMonth);
  EXPECT_EQ(date(packedYear(today), packedMonth(today), 20), rec.firstDate);
  EXPECT_FALSE(hasTime(rec.firstDate));
}

TEST_F(RecurrenceSelectTest, CancelledDateSelectorChangesNothing) {
  rec = {1, 1, date(2009, 1, 1), kEmptyDateTime};
  ScriptedDialogs dialogs;
  dialogs.onModal = [](Fl_Window* w) { child(w, "Cancel")->do_callback(); };
  RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
  pickDateMenu(s.beginDateMenu(), 1);
  pickDateMenu(s.endDateMenu(), 1);
  EXPECT_EQ(date(2009, 1, 1), rec.firstDate);
  EXPECT_EQ(kEmptyDateTime, rec.lastDate);
  EXPECT_STREQ("01.01.2009", s.beginText());
  EXPECT_STREQ("none", s.endText());
}

TEST_F(RecurrenceSelectTest, EndingTheDialog) {
  static const struct {
    const char* how;
    bool chosen;
  } kCases[] = {{"Done", true}, {"Cancel", false}, {"close box", true}, {"Escape", false}};
  for (const auto& c : kCases) {
    T_recData picked = {1, 2, date(2009, 1, 1), kEmptyDateTime};
    const T_recData before = picked;
    ScriptedDialogs dialogs;
    dialogs.onModal = [&](Fl_Window* w) {
      EXPECT_STREQ("Repeat", w->label());
      RecurrenceSelect* s = static_cast<RecurrenceSelect*>(w->user_data());
      chooseType(*s, 3);
      endDialog(w, c.how);
      EXPECT_FALSE(s->visible()) << c.how;
    };
    EXPECT_EQ(c.chosen, pickRecurrence(picked, kDay, kMonth, kThursday, true)) << c.how;
    T_recData weekly = before;
    weekly.type = 3;
    EXPECT_EQ(c.chosen ? weekly : before, picked) << c.how;
  }
}

TEST_F(RecurrenceSelectTest, CancelLeavesTheMarker) {
  rec.type = 5;
  ScriptedDialogs dialogs;
  dialogs.onModal = [](Fl_Window* w) { child(w, "Cancel")->do_callback(); };
  RecurrenceSelect s(&rec, kDay, kMonth, kThursday, true);
  EXPECT_FALSE(s.run());
  EXPECT_EQ(-1, rec.type);
}

}  // namespace
