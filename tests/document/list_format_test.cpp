#include "document/list_format.h"

#include <gtest/gtest.h>

static T_viewDataItem Row(unsigned priority, bool completed, bool group, const char* text) {
  T_viewDataItem r;
  r.priority = priority;
  r.completed = completed;
  r.isGroup = group;
  r.text = text;
  return r;
}

TEST(ListFormatTest, NormalLines) {
  static const struct {
    T_viewDataItem row;
    bool alternate;
    const char* expected;
  } kCases[] = {
      {Row(3, false, false, "Call"), false, "@B55o\t@B55@.Call"},
      {Row(3, true, false, "Done"), true, "@B53x\t@B53@.Done"},
      {Row(100, false, false, "Busy"), false, "@B55a\t@B55@.Busy"},
      {Row(200, true, false, "Free"), false, "@B55i\t@B55@.Free"},
      {Row(3, false, true, "Work"), false, "@B55@bO\t@b@B55@.Work"},
      {Row(3, true, true, "Old"), true, "@B53@bX\t@b@B53@.Old"},
      // Format codes in a text stay text.
      {Row(3, false, false, "@b@home"), false, "@B55o\t@B55@.@b@home"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.expected, formatListLine(c.row, c.alternate)) << c.row.text;
  }
}

TEST(ListFormatTest, CalendarTimesShowOnTheirOwnDays) {
  unsigned day = packDate(kEmptyDateTime, 2009, 2, 16);
  unsigned eight = packTime(day, 8, 0), half = packTime(day, 8, 30);
  static const struct {
    unsigned priority;
    bool first, last, completed;
    const char* expected;
  } kCases[] = {
      {100, true, true, false, "@B55a\t@B55@.(8:00-8:30) Meet"},
      {100, true, false, false, "@B55a\t@B55@.(8:00-) Meet"},
      {100, false, true, false, "@B55a\t@B55@.(-8:30) Meet"},
      {100, false, false, false, "@B55a\t@B55@.Meet"},
      // A done to-do shows no times; an appointment is never shown done.
      {3, true, true, true, "@B55x\t@B55@.Meet"},
  };
  for (const auto& c : kCases) {
    T_viewDataItem r = Row(c.priority, c.completed, false, "Meet");
    r.firstDay = c.first;
    r.lastDay = c.last;
    // A to-do's row date is its end, an appointment's its begin.
    r.date = c.priority <= 6 ? half : eight;
    r.secondDate = c.priority <= 6 ? eight : half;
    EXPECT_EQ(c.expected, formatCalendarLine(r, false)) << c.priority << c.first << c.last;
  }
  T_viewDataItem heading = Row(kRowHeading, false, false, "@b@rMonday");
  EXPECT_EQ("@B50\t@B50@b@rMonday", formatCalendarLine(heading, true));
  EXPECT_EQ("", formatCalendarLine(Row(kRowClosing, false, false, ""), false));
}
