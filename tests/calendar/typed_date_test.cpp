#include "calendar/typed_date.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "util/clock.h"

namespace {

// The C library's own calendar: `days` after `year`-`month`-`day`, at noon UTC.
std::tm cDay(int year, int month, int day, int days) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day + days;
  t.tm_hour = 12;
  std::time_t s = timegm(&t);
  std::tm out{};
  gmtime_r(&s, &out);
  return out;
}

std::string ymd(int y, int m, int d) {
  return std::to_string(y) + "-" + std::to_string(m) + "-" + std::to_string(d);
}

// Today in these cases is Friday 11 December 2026.
TEST(TypedDateTest, ReadsTheFormsPeopleType) {
  static const struct {
    const char* input;
    int year, month, day;  // year 0: refused
  } kCases[] = {
      {"18.12.", 2026, 12, 18},
      {"18.12", 2026, 12, 18},
      {" 1.3. ", 2026, 3, 1},
      {"18.12.2027", 2027, 12, 18},
      {"29.2.28", 2028, 2, 29},
      {"2026-12-18", 2026, 12, 18},
      {"today", 2026, 12, 11},
      {"Tomorrow", 2026, 12, 12},
      {"yesterday", 2026, 12, 10},
      {"+3d", 2026, 12, 14},
      {"+3", 2026, 12, 14},
      {"-11d", 2026, 11, 30},
      {"+2w", 2026, 12, 25},
      {"+1m", 2027, 1, 11},
      {"-10m", 2026, 2, 11},
      {"friday", 2026, 12, 18},
      {"Mon", 2026, 12, 14},
      {"th", 2026, 12, 17},
      {"sunday", 2026, 12, 13},
      {"31.2.", 0, 0, 0},
      {"29.2.2027", 0, 0, 0},
      {"1.1.1999", 0, 0, 0},
      {"1.1.2128", 0, 0, 0},
      {"2026-13-01", 0, 0, 0},
      {"", 0, 0, 0},
      {"t", 0, 0, 0},
      {"s", 0, 0, 0},
      {"+3x", 0, 0, 0},
      {"18.12.202", 0, 0, 0},
      {"-99999d", 0, 0, 0},
      {"18-12-2026", 0, 0, 0},
      {"fridays", 0, 0, 0},
      {"12.", 0, 0, 0},
  };
  int checked = 0;
  for (const auto& c : kCases) {
    int y = -1, m = -1, d = -1;
    bool read = parseTypedDate(c.input, 2026, 12, 11, y, m, d);
    if (c.year == 0) {
      EXPECT_FALSE(read) << c.input;
      EXPECT_EQ(ymd(-1, -1, -1), ymd(y, m, d)) << c.input << ": a refusal changes nothing";
    } else {
      EXPECT_TRUE(read) << c.input;
      EXPECT_EQ(ymd(c.year, c.month, c.day), ymd(y, m, d)) << c.input;
    }
    ++checked;
  }
  EXPECT_EQ(static_cast<int>(sizeof kCases / sizeof kCases[0]), checked);
}

TEST(TypedDateTest, DayOffsetsAgreeWithTheCLibrary) {
  int checked = 0;
  for (int n = -800; n <= 800; n += 7) {
    std::string text = (n < 0 ? "" : "+") + std::to_string(n) + "d";
    int y = 0, m = 0, d = 0;
    ASSERT_TRUE(parseTypedDate(text.c_str(), 2024, 2, 29, y, m, d)) << text;
    std::tm c = cDay(2024, 2, 29, n);
    EXPECT_EQ(ymd(c.tm_year + 1900, c.tm_mon + 1, c.tm_mday), ymd(y, m, d)) << text;
    ++checked;
  }
  EXPECT_GT(checked, 200);
}

TEST(TypedDateTest, AWeekdayIsTheNextSuchDayAfterToday) {
  static const char* const kNames[7] = {"sunday",   "monday", "tuesday", "wednesday",
                                        "thursday", "friday", "saturday"};  // tm_wday order
  int checked = 0;
  for (int start = 0; start < 14; ++start) {
    std::tm today = cDay(2026, 12, 1, start);
    for (int w = 0; w < 7; ++w) {
      int y = 0, m = 0, d = 0;
      ASSERT_TRUE(parseTypedDate(kNames[w], today.tm_year + 1900, today.tm_mon + 1, today.tm_mday,
                                 y, m, d));
      int ahead = (w - today.tm_wday + 7) % 7;
      std::tm want = cDay(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, ahead ? ahead : 7);
      EXPECT_EQ(ymd(want.tm_year + 1900, want.tm_mon + 1, want.tm_mday), ymd(y, m, d))
          << kNames[w] << " from " << today.tm_mday << "." << today.tm_mon + 1 << ".";
      ++checked;
    }
  }
  EXPECT_EQ(98, checked);
}

TEST(TypedDateTest, TodayComesFromTheProgramsClock) {
  std::tm noon{};
  noon.tm_year = 2027 - 1900;
  noon.tm_mon = 1;  // February
  noon.tm_mday = 28;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  FixedClock clock(mktime(&noon));
  int y = 0, m = 0, d = 0;
  ASSERT_TRUE(parseTypedDate("tomorrow", y, m, d));
  EXPECT_EQ(ymd(2027, 3, 1), ymd(y, m, d));
  ASSERT_TRUE(parseTypedDate("18.12.", y, m, d));
  EXPECT_EQ(ymd(2027, 12, 18), ymd(y, m, d)) << "a date without a year is in today's year";
}

}  // namespace
