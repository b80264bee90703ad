// Calendar arithmetic on plain day, month and year numbers and on packed date-times.
#include "calendar/date_time.h"
#include "util/clock.h"

#include <ctime>

namespace {

constexpr int kDaysInMonth[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int kDaysBeforeMonth[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kOriginYear = 1999;  // day number 1 is 1 January of this year

// Division and remainder that round toward minus infinity, so negative sums borrow.
int floorDiv(int a, int b) { return (a >= 0) ? a / b : -((-a + b - 1) / b); }
int floorMod(int a, int b) { return a - floorDiv(a, b) * b; }

// Leap years from year 1 up to and including `year`.
int leapYearsUpTo(int year) { return year / 4 - year / 100 + year / 400; }

int dayNumberOf(unsigned v) { return getNumberOfDay(packedDay(v), packedMonth(v), packedYear(v)); }

unsigned withDayNumber(unsigned v, int n) {
  int day, month, year;
  getDayByNumber(n, day, month, year);
  return packDate(v, year, month, day);
}

}  // namespace

unsigned packDate(unsigned v, int year, int month, int day) {
  unsigned date = (static_cast<unsigned>(year - 2000) & 0x7Fu) << 24 |
                  (static_cast<unsigned>(month) & 0xFu) << 20 |
                  (static_cast<unsigned>(day) & 0x1Fu) << 15;
  return date | (v & kTimeMask);
}

unsigned packTime(unsigned v, int hour, int minute) {
  unsigned time =
      (static_cast<unsigned>(hour) & 0x1Fu) << 9 | (static_cast<unsigned>(minute) & 0x3Fu) << 3;
  return (v & kDateMask) | time;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool isValidDate(int year, int month, int day) {
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return false;
  return day >= 1 && day <= MaxTag(month, year);
}

bool isValidDateTime(unsigned v) {
  if (hasDate(v) && !isValidDate(packedYear(v), packedMonth(v), packedDay(v))) return false;
  return !hasTime(v) || (packedHour(v) <= 23 && packedMinute(v) <= 59);
}

int MaxTag(int month, int year) {
  return (month == 2 && isLeapYear(year)) ? 29 : kDaysInMonth[month];
}

int daysOfYear(int year) { return isLeapYear(year) ? 366 : 365; }

int Tag_des_Jahres(int day, int month, int year) {
  return day + kDaysBeforeMonth[month] + ((month >= 3 && isLeapYear(year)) ? 1 : 0);
}

int getNumberOfDay(int day, int month, int year) {
  int n = (year - kOriginYear) * 365 + Tag_des_Jahres(day, month, year);
  if (year > kOriginYear) n += leapYearsUpTo(year - 1) - leapYearsUpTo(kOriginYear - 1);
  return n;
}

// The calendar's rows step through many days one at a time: the year is estimated from the
// mean length of a Gregorian year and corrected, instead of counted up from the origin.
void getDayByNumber(int n, int& day, int& month, int& year) {
  year = kOriginYear + static_cast<int>((static_cast<long long>(n) - 1) * 400 / 146097);
  while (year > kOriginYear && getNumberOfDay(1, 1, year) > n) --year;
  while (getNumberOfDay(1, 1, year + 1) <= n) ++year;
  n -= getNumberOfDay(1, 1, year) - 1;  // day of the year, from 1
  month = 1;
  while (n > MaxTag(month, year)) n -= MaxTag(month++, year);
  day = n;
}

int getDateDiff(unsigned a, unsigned b) { return dayNumberOf(a) - dayNumberOf(b); }

void moveDate(unsigned& value, int days) {
  value = withDayNumber(value, dayNumberOf(value) + days);
}

void moveDateTime(unsigned& value, int minutes) {
  int total = packedMinute(value) + minutes;
  int hours = packedHour(value) + floorDiv(total, 60);
  int days = floorDiv(hours, 24);
  value = withDayNumber(value, dayNumberOf(value) + days);
  value = packTime(value, floorMod(hours, 24), floorMod(total, 60));
}

unsigned getTodayDate(unsigned value) {
  std::time_t now = zoltNow();
  std::tm local{};
  localtime_r(&now, &local);
  return packDate(value, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

int CurrentDoomDay(int year) {
  static constexpr int kCenturyAnchor[4] = {5, 4, 2, 0};
  int c = year / 100;
  int y = year % 100;
  int anchor = kCenturyAnchor[c % 4];
  if (y == 0) return anchor;
  return (anchor + y + (y - 1) / 4 + (c % 4 == 0 ? 1 : 0)) % 7;
}

int Wochentag(int day, int month, int year) {
  return ((Tag_des_Jahres(day, month, year) - 1) % 7 + CurrentDoomDay(year)) % 7;
}

int Kalenderwoche(int day, int month, int year) {
  int j = CurrentDoomDay(year);
  int k = Tag_des_Jahres(day, month, year) - 1 + j;
  if (j > 3) k -= 7;
  if (k < 0) return (j == 4 || CurrentDoomDay(year - 1) == 3) ? 53 : 52;
  int week = k / 7 + 1;
  if (week > 52 && k > 360 && j != 3 && CurrentDoomDay(year + 1) != 4) return 1;
  return week;
}

void ostern(int& day, int& month, int year) {
  int k = year / 100;
  int m = 15 + (3 * k + 3) / 4 - (8 * k + 13) / 25;
  int s = 2 - (3 * k + 3) / 4;
  int a = year % 19;
  int d = (19 * a + m) % 30;
  int r = d / 29 + (d / 28 - d / 29) * (a / 11);
  int og = 21 + d - r;
  int sz = 7 - (year + year / 4 + s) % 7;
  int oe = 7 - (og - sz) % 7;
  int os = og + oe;
  if (os > 31) {
    day = os - 31;
    month = 4;
  } else {
    day = os;
    month = 3;
  }
}

int nthWhichDayOfMonth(int n, int weekday, int month, int year) {
  int first = (weekday - Wochentag(1, month, year) + 7) % 7;
  int d = first + 1 + 7 * (n - 1);
  return d > MaxTag(month, year) ? d - 7 : d;
}
