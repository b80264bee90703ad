#include "gui/time_select.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gui/scripted_dialogs.h"

namespace {

Fl_Widget* at(Fl_Window* w, int x, int y) {
  for (int i = 0; i < w->children(); i++) {
    if (w->child(i)->x() == x && w->child(i)->y() == y) return w->child(i);
  }
  ADD_FAILURE() << "no widget at " << x << "," << y;
  return nullptr;
}

// The step buttons by where they stand.
struct Step {
  const char* name;
  int x, y;
};
const Step kHourUp{"hour +", 20, 50}, kHourDown{"hour -", 20, 76};
const Step kTenUp{"minute +10", 60, 50}, kTenDown{"minute -10", 60, 76};
const Step kOneUp{"minute +1", 86, 50}, kOneDown{"minute -1", 86, 76};

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
    at(s.window(), c.step.x, c.step.y)->do_callback();
    EXPECT_EQ(c.newHour, h) << c.step.name << " at " << c.hour << ":" << c.minute;
    EXPECT_EQ(c.newMinute, m) << c.step.name << " at " << c.hour << ":" << c.minute;
    EXPECT_STREQ(c.text, s.text()) << c.step.name;
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
      EXPECT_STREQ("TimeSelector", w->label());
      TimeSelect* s = static_cast<TimeSelect*>(w->user_data());
      at(w, kTenUp.x, kTenUp.y)->do_callback();
      at(w, kHourDown.x, kHourDown.y)->do_callback();
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

}  // namespace
