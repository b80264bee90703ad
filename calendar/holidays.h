// Holidays and other notable days that the calendar view names under each shown day.
// Days with a fixed date are listed once; days that move (from Easter or as the n-th
// weekday of a month) are listed for one year at a time and refilled when a day of
// another year is looked up. The set of days is built in. GUI thread only.
#ifndef ZOLT_CALENDAR_HOLIDAYS_H_
#define ZOLT_CALENDAR_HOLIDAYS_H_

#include <string>
#include <vector>

struct T_SpecDay {
  std::string name;
  int day;
  int month;  // 1 to 12
};

// One name found for a looked-up day.
struct T_SpecDayHit {
  std::string name;
  bool holiday;  // the name comes from a holiday list
};

class SpecialDays {
 public:
  // Year 0 (movable lists empty); the fixed lists are filled.
  SpecialDays();
  ~SpecialDays() = default;
  SpecialDays(const SpecialDays&) = delete;
  SpecialDays& operator=(const SpecialDays&) = delete;

  // Appends the fixed holidays and fixed special days, in their built-in order.
  void fillFixedLists();
  // Empties both movable lists, stores `year` and fills them for that year.
  void fillVarLists(int year);
  static void addToList(std::vector<T_SpecDay>& list, int day, int month, const std::string& name);
  static void clearList(std::vector<T_SpecDay>& list);

  // Replaces `out` with every name of the given day, in display order: movable holidays,
  // fixed holidays, movable special days, fixed special days. Refills the movable lists
  // first when `year` is not the stored year. Returns true when the day is a holiday.
  // A holiday's hits are all shown bold ("@b@r" + name), those of any other day plain
  // ("@r" + name).
  bool lookUp(int day, int month, int year, std::vector<T_SpecDayHit>& out);

  // The year the movable lists hold; 0 before the first fill.
  int year() const { return year_; }
  const std::vector<T_SpecDay>& fixedHolidays() const { return fixedHolidays_; }
  const std::vector<T_SpecDay>& fixedSpecialDays() const { return fixedSpecialDays_; }
  const std::vector<T_SpecDay>& movableHolidays() const { return movableHolidays_; }
  const std::vector<T_SpecDay>& movableSpecialDays() const { return movableSpecialDays_; }

 private:
  int year_ = 0;
  std::vector<T_SpecDay> fixedHolidays_;
  std::vector<T_SpecDay> fixedSpecialDays_;
  std::vector<T_SpecDay> movableHolidays_;
  std::vector<T_SpecDay> movableSpecialDays_;
};

#endif  // ZOLT_CALENDAR_HOLIDAYS_H_
