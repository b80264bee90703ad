#include "calendar/date_time.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "util/clock.h"

namespace {

unsigned dateTime(int year, int month, int day, int hour, int minute) {
  return packTime(packDate(kEmptyDateTime, year, month, day), hour, minute);
}

unsigned dateOnly(int year, int month, int day) {
  return packDate(kEmptyDateTime, year, month, day);
}

std::string formatTm(const char* format, const std::tm& tm) {
  char buf[32];
  std::strftime(buf, sizeof buf, format, &tm);
  return buf;
}

unsigned localToday() {
  std::time_t now = zoltNow();
  std::tm local{};
  localtime_r(&now, &local);
  return dateOnly(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace

// Every packable day against the C library's calendar, plus numbering and moving by one day.
TEST(DateTimeTest, EveryPackableDayAgreesWithCLibrary) {
  std::tm start{};
  start.tm_year = 2000 - 1900;
  start.tm_mday = 1;
  std::time_t t = timegm(&start);
  int expectedNumber = 366;
  unsigned previous = 0;
  for (;; t += 24 * 60 * 60, ++expectedNumber) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    int year = tm.tm_year + 1900, month = tm.tm_mon + 1, day = tm.tm_mday;
    if (year > kLastYear) break;
    std::string at = formatTm("%Y-%m-%d", tm);
    ASSERT_TRUE(isValidDate(year, month, day)) << at;
    ASSERT_EQ(Wochentag(day, month, year), (tm.tm_wday + 6) % 7) << at;
    ASSERT_EQ(Wochentag(day, month, year) + 1, std::atoi(formatTm("%u", tm).c_str())) << at;
    ASSERT_EQ(Kalenderwoche(day, month, year), std::atoi(formatTm("%V", tm).c_str())) << at;
    ASSERT_EQ(Tag_des_Jahres(day, month, year), tm.tm_yday + 1) << at;
    ASSERT_EQ(getNumberOfDay(day, month, year), expectedNumber) << at;
    int d, m, y;
    getDayByNumber(expectedNumber, d, m, y);
    ASSERT_EQ(d * 10000 + m * 100 + y, day * 10000 + month * 100 + year) << at;

    std::tm next{};
    std::time_t tomorrow = t + 24 * 60 * 60;
    gmtime_r(&tomorrow, &next);
    if (next.tm_mday == 1) {
      ASSERT_EQ(MaxTag(month, year), day) << at;
      ASSERT_FALSE(isValidDate(year, month, day + 1)) << at;
    }
    if (next.tm_yday == 0) {
      ASSERT_EQ(daysOfYear(year), tm.tm_yday + 1) << at;
    }

    unsigned value = dateOnly(year, month, day);
    if (previous != 0) {
      unsigned back = value;
      moveDate(back, -1);
      ASSERT_EQ(back, previous) << at;
      unsigned forward = previous;
      moveDate(forward, 1);
      ASSERT_EQ(forward, value) << at;
    }
    previous = value;
  }
  EXPECT_EQ(previous, dateOnly(2127, 12, 31));
}

TEST(DateTimeTest, DayNumbersFromOrigin) {
  static const struct {
    int day, month, year, number;
  } kCases[] = {
      {1, 1, 1999, 1},
      {31, 12, 1999, 365},
      {1, 1, 2000, 366},
      {1, 3, 2000, 426},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(getNumberOfDay(c.day, c.month, c.year), c.number) << c.number;
    int d, m, y;
    getDayByNumber(c.number, d, m, y);
    EXPECT_EQ(d, c.day) << c.number;
    EXPECT_EQ(m, c.month) << c.number;
    EXPECT_EQ(y, c.year) << c.number;
  }
}

TEST(DateTimeTest, WeekdaysAndWeekNumbers) {
  static const struct {
    int day, month, year, weekday, week;
  } kCases[] = {
      {1, 1, 2000, 5, 52}, {12, 2, 2009, 3, 7},  {1, 1, 2001, 0, 1},    {1, 1, 2010, 4, 53},
      {1, 1, 2009, 3, 1},  {31, 12, 2008, 2, 1}, {31, 12, 2009, 3, 53}, {29, 12, 2014, 0, 1},
      {3, 1, 2005, 0, 1},  {2, 1, 2005, 6, 53},
  };
  for (const auto& c : kCases) {
    std::string at =
        std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day);
    EXPECT_EQ(Wochentag(c.day, c.month, c.year), c.weekday) << at;
    EXPECT_EQ(Kalenderwoche(c.day, c.month, c.year), c.week) << at;
  }
}

TEST(DateTimeTest, EasterSunday) {
  static const struct {
    int year, day, month;
  } kCases[] = {
      {2008, 23, 3}, {2009, 12, 4}, {2011, 24, 4}, {2024, 31, 3},
      {2025, 20, 4}, {1981, 19, 4}, {1954, 18, 4},
  };
  for (const auto& c : kCases) {
    int day = 0, month = 0;
    ostern(day, month, c.year);
    EXPECT_EQ(day, c.day) << c.year;
    EXPECT_EQ(month, c.month) << c.year;
  }
}

TEST(DateTimeTest, MoveDateTimeCarriesAcrossDays) {
  static const struct {
    const char* name;
    unsigned from;
    int minutes;
    unsigned expected;
  } kCases[] = {
      {"23:45 +30", dateTime(2009, 2, 28, 23, 45), 30, dateTime(2009, 3, 1, 0, 15)},
      {"new year", dateTime(2009, 12, 31, 23, 50), 30, dateTime(2010, 1, 1, 0, 20)},
      {"00:10 -30", dateTime(2000, 3, 1, 0, 10), -30, dateTime(2000, 2, 29, 23, 40)},
      {"00:10 -10", dateTime(2009, 5, 5, 0, 10), -10, dateTime(2009, 5, 5, 0, 0)},
      {"no time", dateOnly(2009, 5, 5), 90, dateTime(2009, 5, 5, 1, 30)},
      {"more than a day back", dateTime(2009, 1, 2, 0, 0), -1500, dateTime(2008, 12, 31, 23, 0)},
      {"two days on", dateTime(2100, 2, 27, 12, 0), 2 * 24 * 60, dateTime(2100, 3, 1, 12, 0)},
  };
  for (const auto& c : kCases) {
    unsigned value = c.from;
    moveDateTime(value, c.minutes);
    EXPECT_EQ(value, c.expected) << c.name;
    EXPECT_TRUE(hasTime(value)) << c.name;
  }
}

TEST(DateTimeTest, MoveDateKeepsTimeHalf) {
  static const struct {
    int hour, minute;  // -1: no time
    int year, month, day, days;
    int toYear, toMonth, toDay;
  } kCases[] = {
      {-1, 0, 2000, 3, 1, -1, 2000, 2, 29},  {13, 37, 2000, 3, 1, -1, 2000, 2, 29},
      {-1, 0, 2100, 3, 1, -1, 2100, 2, 28},  {23, 59, 2100, 3, 1, -1, 2100, 2, 28},
      {0, 0, 2009, 12, 31, 366, 2011, 1, 1},
  };
  for (const auto& c : kCases) {
    unsigned time = c.hour < 0 ? kNoTime : packTime(0, c.hour, c.minute);
    unsigned value = packDate(time, c.year, c.month, c.day);
    moveDate(value, c.days);
    EXPECT_EQ(value, packDate(time, c.toYear, c.toMonth, c.toDay)) << c.hour << ":" << c.minute;
    EXPECT_EQ(value & kTimeMask, time);
    EXPECT_TRUE(hasDate(value));
  }
}

TEST(DateTimeTest, TodayIsTheLocalDate) {
  unsigned before = localToday();
  unsigned today = getTodayDate(kEmptyDateTime);
  unsigned after = localToday();
  EXPECT_TRUE(today == before || today == after);
  EXPECT_TRUE(hasDate(today));
  EXPECT_FALSE(hasTime(today));

  unsigned withTime = getTodayDate(packTime(kEmptyDateTime, 8, 30));
  EXPECT_EQ(withTime & kTimeMask, packTime(0, 8, 30));
  EXPECT_TRUE(dayOf(withTime) == before || dayOf(withTime) == after);
}

TEST(DateTimeTest, NthWeekdayOfMonth) {
  static const struct {
    int n, weekday, month, year, day;
  } kCases[] = {
      {5, 6, 5, 2009, 31}, {5, 6, 10, 2009, 25}, {2, 6, 5, 2009, 10},
      {1, 0, 9, 2009, 7},  {4, 3, 11, 2009, 26}, {5, 0, 2, 2009, 23},  // no fifth Monday
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(nthWhichDayOfMonth(c.n, c.weekday, c.month, c.year), c.day)
        << c.n << " " << c.weekday << " " << c.month << " " << c.year;
  }
}

TEST(DateTimeTest, DateDiffIgnoresTimes) {
  static const struct {
    const char* name;
    unsigned a, b;
    int diff;
  } kCases[] = {
      {"same day", dateTime(2009, 2, 7, 23, 59), dateTime(2009, 2, 7, 0, 0), 0},
      {"same day, no time", dateOnly(2009, 2, 7), dateTime(2009, 2, 7, 12, 0), 0},
      {"earlier", dateTime(2009, 2, 6, 23, 59), dateTime(2009, 2, 7, 0, 0), -1},
      {"across a leap day", dateOnly(2000, 3, 1), dateOnly(2000, 2, 28), 2},
      {"across a year", dateOnly(2010, 1, 1), dateOnly(2009, 1, 1), 365},
  };
  for (const auto& c : kCases) EXPECT_EQ(getDateDiff(c.a, c.b), c.diff) << c.name;
}

TEST(DateTimeTest, PackingMasksFieldsAndKeepsTheOtherHalf) {
  EXPECT_EQ(dateOnly(2009, 2, 7), 0x0923C000u);
  EXPECT_EQ(packDate(0, 2000 + 128 + 9, 16 + 2, 32 + 7), packDate(0, 2009, 2, 7));
  EXPECT_EQ(packTime(kEmptyDateTime, 13, 5), 0x80001A28u);
  EXPECT_EQ(packTime(0, 32 + 13, 64 + 5), packTime(0, 13, 5));
  unsigned value = dateTime(2009, 2, 7, 13, 5);
  EXPECT_EQ(packDate(value, 2010, 3, 8) & kTimeMask, value & kTimeMask);
  EXPECT_EQ(packTime(value, 1, 2) & kDateMask, value & kDateMask);
}

TEST(DateTimeTest, ValidDates) {
  static const struct {
    int year, month, day;
    bool valid;
  } kCases[] = {
      {1999, 12, 31, false}, {2000, 1, 1, true},   {2127, 12, 31, true}, {2128, 1, 1, false},
      {2000, 2, 29, true},   {2100, 2, 29, false}, {2009, 2, 29, false}, {2009, 13, 1, false},
      {2009, 0, 1, false},   {2009, 1, 0, false},  {2009, 1, 32, false}, {2009, 4, 31, false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(isValidDate(c.year, c.month, c.day), c.valid)
        << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(DateTimeTest, ValidDateTimes) {
  static const struct {
    const char* name;
    unsigned value;
    bool valid;
  } kCases[] = {
      {"empty", kEmptyDateTime, true},
      {"date only", dateOnly(2009, 2, 28), true},
      {"time only", packTime(kEmptyDateTime, 23, 59), true},
      {"both", dateTime(2009, 2, 28, 0, 0), true},
      {"hour 24", packTime(kEmptyDateTime, 24, 0), false},
      {"minute 60", dateTime(2009, 2, 28, 10, 60), false},
      {"29 February 2009", dateOnly(2009, 2, 29), false},
      {"month 13", dateOnly(2009, 13, 1), false},
      {"day 0", dateOnly(2009, 1, 0), false},
  };
  for (const auto& c : kCases) EXPECT_EQ(isValidDateTime(c.value), c.valid) << c.name;
}

TEST(DateTimeTest, LeapYears) {
  static const struct {
    int year;
    bool leap;
  } kCases[] = {{2000, true},  {2004, true},  {2009, false},
                {2100, false}, {1900, false}, {2400, true}};
  for (const auto& c : kCases) {
    EXPECT_EQ(isLeapYear(c.year), c.leap) << c.year;
    EXPECT_EQ(daysOfYear(c.year), c.leap ? 366 : 365) << c.year;
  }
}
