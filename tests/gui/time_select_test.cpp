#include "gui/time_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gui/scripted_dialogs.h"

namespace {

// The step buttons say what they do.
struct Step {
  const char* label;
};
const Step kHourUp{"+1 h"}, kHourDown{"-1 h"};
const Step kTenUp{"+10 min"}, kTenDown{"-10 min"};
const Step kOneUp{"+1 min"}, kOneDown{"-1 min"};

void press(Fl_Window* w, const Step& step) {
  Fl_Widget* b = child(w, step.label);
  if (b) b->do_callback();
}

// Types `text` into the dialog's input as a person would: the input changes, its callback
// runs.
void typeTime(TimeSelect& s, const char* text) {
  s.input()->value(text);
  s.input()->do_callback();
}

TEST(TimeSelectTest, ShowsTheHourPaddedWithABlank) {
  static const struct {
    int hour, minute;
    const char* text;
  } kCases[] = {{8, 5, " 8:05"}, {23, 59, "23:59"}, {0, 0, " 0:00"}, {12, 30, "12:30"}};
  for (const auto& c : kCases) {
    int h = c.hour, m = c.minute;
    TimeSelect s(&h, &m);
    EXPECT_STREQ(c.text, s.text()) << c.text;
  }
}

TEST(TimeSelectTest, StepsWrapAroundMidnight) {
  static const struct {
    int hour, minute;
    Step step;
    int newHour, newMinute;
    const char* text;
  } kCases[] = {
      {23, 0, kHourUp, 0, 0, " 0:00"},   {0, 10, kHourDown, 23, 10, "23:10"},
      {8, 0, kHourUp, 9, 0, " 9:00"},    {0, 5, kTenDown, 23, 55, "23:55"},
      {23, 55, kTenUp, 0, 5, " 0:05"},   {10, 59, kOneUp, 11, 0, "11:00"},
      {10, 0, kOneDown, 9, 59, " 9:59"}, {10, 20, kTenDown, 10, 10, "10:10"},
      {10, 20, kOneUp, 10, 21, "10:21"}, {0, 0, kOneDown, 23, 59, "23:59"},
  };
  for (const auto& c : kCases) {
    int h = c.hour, m = c.minute;
    TimeSelect s(&h, &m);
    press(s.window(), c.step);
    EXPECT_EQ(c.newHour, h) << c.step.label << " at " << c.hour << ":" << c.minute;
    EXPECT_EQ(c.newMinute, m) << c.step.label << " at " << c.hour << ":" << c.minute;
    EXPECT_STREQ(c.text, s.text()) << c.step.label;
  }
}

TEST(TimeSelectTest, EndingTheDialog) {
  static const struct {
    const char* how;
    bool chosen;
  } kCases[] = {{"Done", true}, {"Cancel", false}, {"close box", true}, {"Escape", false}};
  for (const auto& c : kCases) {
    int hour = 8, minute = 0;
    ScriptedDialogs dialogs;
    dialogs.onModal = [&](Fl_Window* w) {
      EXPECT_STREQ("Choose a time", w->label());
      TimeSelect* s = static_cast<TimeSelect*>(w->user_data());
      press(w, kTenUp);
      press(w, kHourDown);
      endDialog(w, c.how);
      EXPECT_FALSE(s->visible()) << c.how;
    };
    EXPECT_EQ(c.chosen, pickTime(hour, minute)) << c.how;
    EXPECT_EQ(c.chosen ? 7 : 8, hour) << c.how;
    EXPECT_EQ(c.chosen ? 10 : 0, minute) << c.how;
  }
}

TEST(TimeSelectTest, CancelLeavesTheMarker) {
  ScriptedDialogs dialogs;
  dialogs.onModal = [](Fl_Window* w) { child(w, "Cancel")->do_callback(); };
  int hour = 9, minute = 30;
  TimeSelect s(&hour, &minute);
  EXPECT_FALSE(s.run());
  EXPECT_EQ(-1, minute);
}

TEST(TimeSelectTest, ReadsTypedTimes) {
  static const struct {
    const char* text;
    bool valid;
    int hour, minute;
  } kCases[] = {
      {"14:30", true, 14, 30}, {"9:05", true, 9, 5},    {" 9:05 ", true, 9, 5},
      {"9.05", true, 9, 5},    {"14h30", true, 14, 30}, {"1430", true, 14, 30},
      {"930", true, 9, 30},    {"9", true, 9, 0},       {"0:00", true, 0, 0},
      {"23:59", true, 23, 59}, {"9:", true, 9, 0},      {"24:00", false, 0, 0},
      {"12:60", false, 0, 0},  {"9:5", false, 0, 0},    {"9:055", false, 0, 0},
      {"", false, 0, 0},       {"ab", false, 0, 0},     {"12:30x", false, 0, 0},
      {"-1:00", false, 0, 0},  {"12345", false, 0, 0},
  };
  for (const auto& c : kCases) {
    int h = -7, m = -7;
    EXPECT_EQ(c.valid, parseTimeOfDay(c.text, h, m)) << c.text;
    EXPECT_EQ(c.valid ? c.hour : -7, h) << c.text;
    EXPECT_EQ(c.valid ? c.minute : -7, m) << c.text;
  }
}

// Typing "14:30" and pressing Done (Enter) chooses 14:30; a step after typing starts from
// what was typed.
TEST(TimeSelectTest, ATypedTimeIsChosen) {
  ScriptedDialogs dialogs;
  dialogs.onModal = [](Fl_Window* w) {
    TimeSelect* s = static_cast<TimeSelect*>(w->user_data());
    typeTime(*s, "14:30");
    press(w, kOneUp);
    EXPECT_STREQ("14:31", s->input()->value());
    child(w, "Done")->do_callback();
  };
  int hour = 8, minute = 0;
  EXPECT_TRUE(pickTime(hour, minute));
  EXPECT_EQ(14, hour);
  EXPECT_EQ(31, minute);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST(TimeSelectTest, AnUnreadableTimeKeepsTheDialogOpenWithAMessage) {
  ScriptedDialogs dialogs;
  bool openAfterDone = false;
  dialogs.onModal = [&](Fl_Window* w) {
    TimeSelect* s = static_cast<TimeSelect*>(w->user_data());
    typeTime(*s, "25:00");
    child(w, "Done")->do_callback();
    openAfterDone = s->visible();
    typeTime(*s, "7:45");
    child(w, "Done")->do_callback();
  };
  int hour = 8, minute = 0;
  EXPECT_TRUE(pickTime(hour, minute));
  EXPECT_TRUE(openAfterDone);
  EXPECT_TRUE(dialogs.saw("alert: Type the time as hours and minutes, for example 14:30"));
  EXPECT_EQ(7, hour);
  EXPECT_EQ(45, minute);
}

}  // namespace
