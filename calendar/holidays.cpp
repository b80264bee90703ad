// The built-in holidays and notable days, and the lookup of one day.
#include "calendar/holidays.h"

#include <cstddef>

#include "calendar/date_time.h"

namespace {

constexpr int kMonday = 0;
constexpr int kThursday = 3;
constexpr int kSunday = 6;
constexpr int kLast = 5;  // n of the last such weekday of a month

struct FixedDay {
  const char* name;
  int day;
  int month;
};

constexpr FixedDay kFixedHolidays[] = {
    {"New Years Day", 1, 1},
    {"Independence Day", 4, 7},
    {"Veterans Day", 11, 11},
    {"Christmas", 25, 12},
};

constexpr FixedDay kFixedSpecialDays[] = {
    {"Epiphany", 6, 1},           {"Groundhog Day", 2, 2},    {"St. Valentine's Day", 14, 2},
    {"St. Patrick's Day", 17, 3}, {"April Fools' Day", 1, 4}, {"Income Tax Due", 15, 4},
    {"Earth Day", 22, 4},         {"Flag Day", 14, 6},        {"Halloween", 31, 10},
    {"Christmas Eve", 24, 12},    {"New Years Eve", 31, 12},
};

// A day that moves: `easterOffset` days from Easter Sunday when `month` is 0, else the
// n-th `weekday` of `month`.
struct MovableDay {
  const char* name;
  int easterOffset;
  int n;
  int weekday;
  int month;
};

constexpr MovableDay kMovableHolidays[] = {
    {"Easter", 0, 0, 0, 0},
    {"Good Friday", -2, 0, 0, 0},
    {"Palm Sunday", -7, 0, 0, 0},
    {"Ascension Day", 39, 0, 0, 0},
    {"Pentecost", 49, 0, 0, 0},
    {"Martin Luther King Day", 0, 3, kMonday, 1},
    {"Presidents Day", 0, 3, kMonday, 2},
    {"Memorial Day", 0, kLast, kMonday, 5},
    {"Labor Day", 0, 1, kMonday, 9},
    {"Columbus Day", 0, 2, kMonday, 10},
    {"Thanksgiving Day", 0, 4, kThursday, 11},
};

constexpr MovableDay kMovableSpecialDays[] = {
    {"Ash Wednesday", -46, 0, 0, 0},
    {"DST begins", 0, 1, kSunday, 4},
    {"National Day of Prayer", 0, 1, kThursday, 5},
    {"Mother's Day", 0, 2, kSunday, 5},
    {"Father's Day", 0, 3, kSunday, 6},
    {"DST ends", 0, kLast, kSunday, 10},
};

// Easter Sunday as a day of the year; every Easter offset stays within that year.
int easterDayOfYear(int year) {
  int day, month;
  ostern(day, month, year);
  return Tag_des_Jahres(day, month, year);
}

void addDayOfYear(std::vector<T_SpecDay>& list, int dayOfYear, int year, const char* name) {
  int month = 1;
  for (; dayOfYear > MaxTag(month, year); ++month) dayOfYear -= MaxTag(month, year);
  SpecialDays::addToList(list, dayOfYear, month, name);
}

template <std::size_t N>
void addMovableDays(std::vector<T_SpecDay>& list, const MovableDay (&rules)[N], int year) {
  int easter = easterDayOfYear(year);
  for (const MovableDay& rule : rules) {
    if (rule.month == 0) {
      addDayOfYear(list, easter + rule.easterOffset, year, rule.name);
    } else {
      int day = nthWhichDayOfMonth(rule.n, rule.weekday, rule.month, year);
      SpecialDays::addToList(list, day, rule.month, rule.name);
    }
  }
}

template <std::size_t N>
void addFixedDays(std::vector<T_SpecDay>& list, const FixedDay (&days)[N]) {
  for (const FixedDay& d : days) SpecialDays::addToList(list, d.day, d.month, d.name);
}

// Appends a hit for every entry on the given day.
void collectHits(const std::vector<T_SpecDay>& list, int day, int month, bool holiday,
                 std::vector<T_SpecDayHit>& out) {
  for (const T_SpecDay& entry : list) {
    if (entry.day == day && entry.month == month) out.push_back({entry.name, holiday});
  }
}

}  // namespace

SpecialDays::SpecialDays() { fillFixedLists(); }

void SpecialDays::fillFixedLists() {
  addFixedDays(fixedHolidays_, kFixedHolidays);
  addFixedDays(fixedSpecialDays_, kFixedSpecialDays);
}

void SpecialDays::fillVarLists(int year) {
  clearList(movableHolidays_);
  clearList(movableSpecialDays_);
  year_ = year;
  addMovableDays(movableHolidays_, kMovableHolidays, year);
  // The Super Bowl moved from the last Sunday of January to the first of February in 2002.
  int month = year < 2002 ? 1 : 2;
  int n = year < 2002 ? kLast : 1;
  addToList(movableHolidays_, nthWhichDayOfMonth(n, kSunday, month, year), month,
            "Superbowl Sunday");
  addMovableDays(movableSpecialDays_, kMovableSpecialDays, year);
}

void SpecialDays::addToList(std::vector<T_SpecDay>& list, int day, int month,
                            const std::string& name) {
  list.push_back({name, day, month});
}

void SpecialDays::clearList(std::vector<T_SpecDay>& list) { list.clear(); }

bool SpecialDays::lookUp(int day, int month, int year, std::vector<T_SpecDayHit>& out) {
  if (year != year_) fillVarLists(year);
  out.clear();
  collectHits(movableHolidays_, day, month, true, out);
  collectHits(fixedHolidays_, day, month, true, out);
  bool isHoliday = !out.empty();
  collectHits(movableSpecialDays_, day, month, false, out);
  collectHits(fixedSpecialDays_, day, month, false, out);
  return isHoliday;
}
