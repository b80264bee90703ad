#include "calendar/holidays.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "calendar/date_time.h"

// Beside T_SpecDayHit, so that argument-dependent lookup finds them for vectors of hits.
static bool operator==(const T_SpecDayHit& a, const T_SpecDayHit& b) {
  return a.name == b.name && a.holiday == b.holiday;
}

static std::ostream& operator<<(std::ostream& os, const T_SpecDayHit& hit) {
  return os << "{" << hit.name << ", " << (hit.holiday ? "holiday" : "special day") << "}";
}

namespace {

struct Expected {
  const char* name;
  int day, month;
};

void expectList(const std::vector<T_SpecDay>& list, const std::vector<Expected>& expected,
                const char* what) {
  ASSERT_EQ(list.size(), expected.size()) << what;
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].name, expected[i].name) << what << " " << i;
    EXPECT_EQ(list[i].day, expected[i].day) << expected[i].name;
    EXPECT_EQ(list[i].month, expected[i].month) << expected[i].name;
  }
}

class SpecialDaysTest : public testing::Test {
 protected:
  // The hits of one day; `holiday` receives whether the day is a holiday.
  std::vector<T_SpecDayHit> LookUp(int day, int month, int year, bool* holiday = nullptr) {
    std::vector<T_SpecDayHit> hits;
    bool isHoliday = days_.lookUp(day, month, year, hits);
    if (holiday != nullptr) *holiday = isHoliday;
    return hits;
  }

  SpecialDays days_;
};

}  // namespace

TEST_F(SpecialDaysTest, StartsWithFixedListsOnly) {
  EXPECT_EQ(days_.year(), 0);
  EXPECT_TRUE(days_.movableHolidays().empty());
  EXPECT_TRUE(days_.movableSpecialDays().empty());
  expectList(days_.fixedHolidays(),
             {{"New Years Day", 1, 1},
              {"Independence Day", 4, 7},
              {"Veterans Day", 11, 11},
              {"Christmas", 25, 12}},
             "fixed holidays");
  expectList(days_.fixedSpecialDays(),
             {{"Epiphany", 6, 1},
              {"Groundhog Day", 2, 2},
              {"St. Valentine's Day", 14, 2},
              {"St. Patrick's Day", 17, 3},
              {"April Fools' Day", 1, 4},
              {"Income Tax Due", 15, 4},
              {"Earth Day", 22, 4},
              {"Flag Day", 14, 6},
              {"Halloween", 31, 10},
              {"Christmas Eve", 24, 12},
              {"New Years Eve", 31, 12}},
             "fixed special days");
}

TEST_F(SpecialDaysTest, MovableDaysOf2009) {
  days_.fillVarLists(2009);
  EXPECT_EQ(days_.year(), 2009);
  expectList(days_.movableHolidays(),
             {{"Easter", 12, 4},
              {"Good Friday", 10, 4},
              {"Palm Sunday", 5, 4},
              {"Ascension Day", 21, 5},
              {"Pentecost", 31, 5},
              {"Martin Luther King Day", 19, 1},
              {"Presidents Day", 16, 2},
              {"Memorial Day", 25, 5},
              {"Labor Day", 7, 9},
              {"Columbus Day", 12, 10},
              {"Thanksgiving Day", 26, 11},
              {"Superbowl Sunday", 1, 2}},
             "movable holidays");
  expectList(days_.movableSpecialDays(),
             {{"Ash Wednesday", 25, 2},
              {"DST begins", 5, 4},
              {"National Day of Prayer", 7, 5},
              {"Mother's Day", 10, 5},
              {"Father's Day", 21, 6},
              {"DST ends", 25, 10}},
             "movable special days");
}

TEST_F(SpecialDaysTest, RefillingReplacesTheMovableLists) {
  days_.fillVarLists(2009);
  days_.fillVarLists(2010);
  EXPECT_EQ(days_.year(), 2010);
  EXPECT_EQ(days_.movableHolidays().size(), 12u);
  EXPECT_EQ(days_.movableSpecialDays().size(), 6u);
  EXPECT_EQ(days_.fixedHolidays().size(), 4u);
  EXPECT_EQ(days_.fixedSpecialDays().size(), 11u);
}

TEST_F(SpecialDaysTest, SuperbowlMovesToFebruaryIn2002) {
  EXPECT_EQ(LookUp(28, 1, 2001), (std::vector<T_SpecDayHit>{{"Superbowl Sunday", true}}));
  EXPECT_EQ(LookUp(3, 2, 2002), (std::vector<T_SpecDayHit>{{"Superbowl Sunday", true}}));
  EXPECT_TRUE(LookUp(27, 1, 2002).empty());
}

TEST_F(SpecialDaysTest, HolidayAndSpecialDayOnOneDayAreBothShownHolidayFirst) {
  bool holiday = false;
  EXPECT_EQ(LookUp(5, 4, 2009, &holiday),
            (std::vector<T_SpecDayHit>{{"Palm Sunday", true}, {"DST begins", false}}));
  EXPECT_TRUE(holiday);
}

TEST_F(SpecialDaysTest, MovableEntriesPrecedeFixedOnes) {
  bool holiday = false;
  // Easter 2018 fell on 1 April, the first Sunday of April, and Ash Wednesday 2018 on
  // 14 February.
  EXPECT_EQ(LookUp(1, 4, 2018, &holiday),
            (std::vector<T_SpecDayHit>{
                {"Easter", true}, {"DST begins", false}, {"April Fools' Day", false}}));
  EXPECT_TRUE(holiday);
  EXPECT_EQ(LookUp(14, 2, 2018, &holiday),
            (std::vector<T_SpecDayHit>{{"Ash Wednesday", false}, {"St. Valentine's Day", false}}));
  EXPECT_FALSE(holiday);
}

TEST_F(SpecialDaysTest, FixedHolidayMarksTheDay) {
  bool holiday = false;
  EXPECT_EQ(LookUp(4, 7, 2009, &holiday), (std::vector<T_SpecDayHit>{{"Independence Day", true}}));
  EXPECT_TRUE(holiday);
}

TEST_F(SpecialDaysTest, FixedSpecialDayIsNoHoliday) {
  bool holiday = true;
  EXPECT_EQ(LookUp(14, 2, 2009, &holiday),
            (std::vector<T_SpecDayHit>{{"St. Valentine's Day", false}}));
  EXPECT_FALSE(holiday);
}

TEST_F(SpecialDaysTest, OrdinaryDayHasNoEntry) {
  bool holiday = true;
  EXPECT_TRUE(LookUp(3, 3, 2009, &holiday).empty());
  EXPECT_FALSE(holiday);
}

// A 42-day calendar from 8 December 2009 to 18 January 2010 must use the 2010 dates in
// January (Martin Luther King Day was 19 January in 2009).
TEST_F(SpecialDaysTest, LookupAcrossNewYearRefillsForTheNewYear) {
  unsigned day = packDate(kEmptyDateTime, 2009, 12, 8);
  std::vector<std::string> kingDays;
  for (int i = 0; i < 42; ++i, moveDate(day, 1)) {
    for (const T_SpecDayHit& hit : LookUp(packedDay(day), packedMonth(day), packedYear(day))) {
      if (hit.name == "Martin Luther King Day") {
        kingDays.push_back(std::to_string(packedDay(day)) + "." + std::to_string(packedMonth(day)) +
                           "." + std::to_string(packedYear(day)));
      }
    }
  }
  EXPECT_EQ(kingDays, std::vector<std::string>{"18.1.2010"});
  EXPECT_EQ(days_.year(), 2010);
}
