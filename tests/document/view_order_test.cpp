// The two row orders and the sort, checked against an independent oracle: the comparisons
// written out step by step and a sort by repeated passes of adjacent swaps.
#include "document/view_order.h"

#include <gtest/gtest.h>
#include <unicode/ucol.h>

#include <random>
#include <string>
#include <vector>

#include "util/collation.h"

namespace {

// ICU's comparison of the two texts in the root collation (not the sort keys the sort
// makes), then bytes as unsigned characters, the shorter text first.
bool textGreater(const std::string& a, const std::string& b) {
  static UCollator* root = [] {
    UErrorCode status = U_ZERO_ERROR;
    return ucol_open("", &status);
  }();
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = ucol_strcollUTF8(root, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                        static_cast<int32_t>(b.size()), &status);
  EXPECT_TRUE(U_SUCCESS(status));
  if (r != UCOL_EQUAL) return r == UCOL_GREATER;
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x > y;
  }
  return a.size() > b.size();
}

bool oracleAfter(const T_viewDataItem& a, const T_viewDataItem& b, int sort, bool last) {
  if (last && a.completed != b.completed) return a.completed;
  if (sort == 1) {
    if (a.date != b.date) return a.date > b.date;
    if (a.priority != b.priority) return a.priority > b.priority;
    return textGreater(a.text, b.text);
  }
  if (a.priority != b.priority) return a.priority > b.priority;
  if (a.date != b.date) return a.date > b.date;
  return textGreater(a.text, b.text);
}

// The calendar comparison exactly as its rules read.
bool oracleCalAfter(const T_viewDataItem& a, const T_viewDataItem& b) {
  if (a.day != b.day) return a.day > b.day;
  if (a.priority != b.priority) {
    return a.priority > b.priority || b.priority == kRowHeading ||
           (b.priority == kRowSpecialDay && a.priority != kRowHeading);
  }
  return a.date > b.date;
}

// Repeated passes of adjacent swaps until a pass swaps nothing. False when the passes do
// not settle (the comparison contradicts itself).
template <typename After>
bool sortByPasses(const std::vector<T_viewDataItem>& rows, std::vector<unsigned>& order,
                  After after) {
  for (size_t pass = 0; pass <= order.size() + 1; ++pass) {
    bool swapped = false;
    for (size_t i = 0; i + 1 < order.size(); ++i) {
      if (after(rows[order[i]], rows[order[i + 1]])) {
        std::swap(order[i], order[i + 1]);
        swapped = true;
      }
    }
    if (!swapped) return true;
  }
  return false;
}

std::vector<unsigned> identity(size_t n) {
  std::vector<unsigned> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = static_cast<unsigned>(i);
  return order;
}

T_viewDataItem row(unsigned day, unsigned priority, unsigned date, const char* text = "") {
  T_viewDataItem r;
  r.day = day;
  r.priority = priority;
  r.date = date;
  r.text = text;
  return r;
}

const unsigned kMonday = packDate(kEmptyDateTime, 2009, 2, 2);  // no time
const unsigned kTuesday = packDate(kEmptyDateTime, 2009, 2, 3);

}  // namespace

TEST(ViewOrderTest, NormalOrderMatchesRepeatedPasses) {
  setUserCollationLocale("C");
  // Texts that collate alike but differ in bytes (composed and decomposed accents,
  // ignorable characters) and broken UTF-8 among them.
  static const char* const kTexts[] = {"",
                                       "a",
                                       "ab",
                                       "B",
                                       "b",
                                       "\xe4pfel",
                                       "Apfel",
                                       "a\x80",
                                       "\xc3\xa9t\xc3\xa9",
                                       "e\xcc\x81te\xcc\x81",
                                       "zoo",
                                       "\xc3\x84rger",
                                       "a\xc2\xad" "b",
                                       "\xe6\x97\xa5"};
  const size_t kTextCount = sizeof kTexts / sizeof *kTexts;
  static const unsigned kDates[] = {kEmptyDateTime, kMonday, kTuesday, packTime(kMonday, 9, 30),
                                    packTime(kMonday, 0, 0)};
  static const unsigned kPriorities[] = {1, 3, 6, 100, 200};
  std::mt19937 random(20090207);
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<T_viewDataItem> rows(random() % 40);
    for (T_viewDataItem& r : rows) {
      r = row(kEmptyDateTime, kPriorities[random() % 5], kDates[random() % 5],
              kTexts[random() % kTextCount]);
      r.completed = random() % 3 == 0;
      r.isGroup = random() % 4 == 0;
    }
    int sort = trial % 2;
    bool last = (trial / 2) % 2 == 1;
    std::vector<unsigned> expected = identity(rows.size());
    ASSERT_TRUE(sortByPasses(rows, expected, [&](const T_viewDataItem& a, const T_viewDataItem& b) {
      return oracleAfter(a, b, sort, last);
    })) << trial;
    std::vector<unsigned> order = identity(rows.size());
    sortRowOrder(rows, order, false, sort, last);
    EXPECT_EQ(expected, order) << "trial " << trial;
  }
}

// Rows as the calendar build makes them: headings and special days carry their day with
// the time half 0, items and closing rows the day without a time, the overdue block the
// day before today's time half 0 minus one.
TEST(ViewOrderTest, CalendarOrderMatchesRepeatedPassesForBuiltRows) {
  static const unsigned kDays[] = {kMonday, kTuesday, packDate(kEmptyDateTime, 2010, 12, 31),
                                   packDate(kEmptyDateTime, 2027, 1, 1)};
  static const unsigned kItemPriorities[] = {0, 1, 3, 6, 100, 200};
  std::mt19937 random(20091208);
  for (int trial = 0; trial < 300; ++trial) {
    // The last trial is large enough for every radix digit to matter.
    std::vector<T_viewDataItem> rows(trial == 299 ? 3000 : random() % 40);
    for (T_viewDataItem& r : rows) {
      unsigned d = kDays[random() % 4];
      unsigned start = d & kDateMask;
      unsigned when = kDays[random() % 4];
      switch (random() % 5) {
        case 0:
          r = row(start, kRowHeading, start);
          break;
        case 1:
          r = row(start, kRowSpecialDay, start, random() % 2 ? "@rA" : "@b@rB");
          break;
        case 2:
          r = row(d, kRowClosing, d);
          break;
        case 3:  // the overdue block
          r = row(start - 1, kItemPriorities[random() % 6], packTime(when, random() % 24, 0));
          break;
        default:
          r = row(d, kItemPriorities[random() % 6], random() % 2 ? when : packTime(when, 8, 0));
      }
    }
    std::vector<unsigned> expected = identity(rows.size());
    ASSERT_TRUE(sortByPasses(rows, expected, oracleCalAfter)) << trial;
    std::vector<unsigned> order = identity(rows.size());
    sortRowOrder(rows, order, true, 1, true);
    EXPECT_EQ(expected, order) << "trial " << trial;
  }
}

// The order being sorted need not be the build order: equal rows keep their places in it.
TEST(ViewOrderTest, CalendarSortIsStableForAnyStartingOrder) {
  std::vector<T_viewDataItem> rows = {row(kMonday, 3, kMonday, "a"), row(kMonday, 3, kMonday, "b"),
                                      row(kMonday & kDateMask, kRowHeading, kMonday),
                                      row(kMonday, 3, kMonday, "c")};
  std::vector<unsigned> order = {3, 1, 2, 0};
  sortRowOrder(rows, order, true, 1, true);
  EXPECT_EQ((std::vector<unsigned>{2, 3, 1, 0}), order);
}

// Taken literally, the calendar rules say a heading or special-day row stands after an
// item row of the same day value and the item row after it as well, so passes of swaps
// would never settle. The build never gives them the same day value; for rows that do
// share one, the order puts the heading first and the special days next.
TEST(ViewOrderTest, CalendarOrderSettlesWhatTheRulesLeaveContradictory) {
  static const struct {
    const char* name;
    T_viewDataItem first;   // stands first
    T_viewDataItem second;  // stands after it
    bool contradictory;     // the literal rules say both stand after each other
  } kCases[] = {
      {"heading before item", row(kMonday, kRowHeading, kMonday), row(kMonday, 3, kMonday), true},
      {"special before free", row(kMonday, kRowSpecialDay, kMonday), row(kMonday, 200, kMonday),
       true},
      {"heading before special", row(kMonday, kRowHeading, kMonday),
       row(kMonday, kRowSpecialDay, kMonday), false},
      {"special before closing", row(kMonday, kRowSpecialDay, kMonday),
       row(kMonday, kRowClosing, kMonday), false},
      {"heading before closing", row(kMonday, kRowHeading, kMonday),
       row(kMonday, kRowClosing, kMonday), false},
      {"to-do before busy", row(kMonday, 6, kTuesday), row(kMonday, 100, kMonday), false},
      {"busy before free", row(kMonday, 100, kMonday), row(kMonday, 200, kMonday), false},
      {"free before closing", row(kMonday, 200, kMonday), row(kMonday, kRowClosing, kMonday),
       false},
      {"earlier date first", row(kMonday, 3, packTime(kMonday, 8, 0)), row(kMonday, 3, kMonday),
       false},
      {"earlier day first", row(kMonday, kRowClosing, kMonday),
       row(kTuesday, kRowHeading, kTuesday), false},
  };
  for (const auto& c : kCases) {
    EXPECT_TRUE(calendarRowAfter(c.second, c.first)) << c.name;
    EXPECT_FALSE(calendarRowAfter(c.first, c.second)) << c.name;
    EXPECT_EQ(c.contradictory,
              oracleCalAfter(c.first, c.second) && oracleCalAfter(c.second, c.first))
        << c.name;
    if (!c.contradictory) {
      EXPECT_FALSE(oracleCalAfter(c.first, c.second)) << c.name;
      EXPECT_TRUE(oracleCalAfter(c.second, c.first)) << c.name;
    }
  }
}

TEST(ViewOrderTest, BothOrdersAreStrictWeakOrders) {
  std::vector<T_viewDataItem> rows;
  for (unsigned day : {kMonday & kDateMask, kMonday}) {
    for (unsigned p : {1u, 3u, 100u, 200u, kRowHeading, kRowSpecialDay, kRowClosing}) {
      for (unsigned date : {kMonday, packTime(kMonday, 8, 0)}) {
        for (const char* text : {"a", "B"}) {
          T_viewDataItem r = row(day, p, date, text);
          r.completed = p == 3;
          rows.push_back(r);
        }
      }
    }
  }
  auto check = [&rows](auto after, const char* name) {
    for (const T_viewDataItem& a : rows) {
      EXPECT_FALSE(after(a, a)) << name;
      for (const T_viewDataItem& b : rows) {
        EXPECT_FALSE(after(a, b) && after(b, a)) << name;
        bool ab = !after(a, b) && !after(b, a);
        for (const T_viewDataItem& c : rows) {
          EXPECT_TRUE(!(after(a, b) && after(b, c)) || after(a, c)) << name;
          // Incomparability is transitive as well.
          bool bc = !after(b, c) && !after(c, b);
          EXPECT_TRUE(!(ab && bc) || (!after(a, c) && !after(c, a))) << name;
        }
      }
    }
  };
  check(calendarRowAfter, "calendar");
  for (int sort : {0, 1}) {
    for (bool last : {false, true}) {
      check([&](const T_viewDataItem& a,
                const T_viewDataItem& b) { return viewRowAfter(a, b, sort, last); },
            "normal");
    }
  }
}

// What the user sees: letters with accents among their base letters, case after the
// letter, and the locale's own rules where it has them (Swedish puts Ä after Z).
TEST(ViewOrderTest, TextsSortInTheLanguagesOrder) {
  static const struct {
    const char* locale;
    std::vector<std::string> texts;  // in the expected order
  } kCases[] = {
      {"C", {"apple", "\xc3\x84rger", "Banana", "\xc3\xa9t\xc3\xa9", "Zebra", "zoo"}},
      {"POSIX", {"a", "A", "\xc3\xa4", "b"}},
      {"de_DE.UTF-8", {"\xc3\x84rger", "Zebra"}},
      {"fr_FR.UTF-8", {"cote", "cot\xc3\xa9", "c\xc3\xb4te", "c\xc3\xb4t\xc3\xa9"}},
      {"sv_SE.UTF-8", {"Zebra", "\xc3\x84rger"}},
      {"ru_RU.UTF-8", {"\xd0\xb0\xd0\xb1", "\xd0\x91\xd0\xb0", "\xd1\x8f"}},  // аб Ба я
  };
  for (const auto& c : kCases) {
    setUserCollationLocale(c.locale);
    std::vector<T_viewDataItem> rows;
    for (auto it = c.texts.rbegin(); it != c.texts.rend(); ++it) {
      rows.push_back(row(kEmptyDateTime, 3, kEmptyDateTime, it->c_str()));
    }
    std::vector<unsigned> order = identity(rows.size());
    sortRowOrder(rows, order, false, 1, false);
    std::vector<std::string> sorted;
    for (unsigned k : order) sorted.push_back(rows[k].text);
    EXPECT_EQ(c.texts, sorted) << c.locale;
  }
  setUserCollationLocale("C");
}

// A composed and a decomposed "é" collate alike; their bytes decide, so the order is the
// same whichever was built first, and equal texts keep their build order.
TEST(ViewOrderTest, TextsThatCollateAlikeFallBackToBytes) {
  setUserCollationLocale("C");
  const std::string composed = "caf\xc3\xa9", decomposed = "cafe\xcc\x81";
  EXPECT_FALSE(textGreater(composed, decomposed) == textGreater(decomposed, composed));
  for (bool composedFirst : {true, false}) {
    std::vector<T_viewDataItem> rows = {
        row(kEmptyDateTime, 3, kEmptyDateTime, (composedFirst ? composed : decomposed).c_str()),
        row(kEmptyDateTime, 3, kEmptyDateTime, "same"),
        row(kEmptyDateTime, 3, kEmptyDateTime, (composedFirst ? decomposed : composed).c_str()),
        row(kEmptyDateTime, 3, kEmptyDateTime, "same")};
    std::vector<unsigned> order = identity(rows.size());
    sortRowOrder(rows, order, false, 1, false);
    std::vector<unsigned> expected =
        composedFirst ? std::vector<unsigned>{2, 0, 1, 3} : std::vector<unsigned>{0, 2, 1, 3};
    EXPECT_EQ(expected, order) << composedFirst;
  }
}

TEST(CollationTest, LocaleNamesFromTheEnvironment) {
  static const struct {
    const char* posix;
    const char* icu;
  } kCases[] = {{"", ""},
                {"C", ""},
                {"C.UTF-8", ""},
                {"POSIX", ""},
                {"de_DE.UTF-8", "de_DE"},
                {"sv_SE@euro", "sv_SE"},
                {"fr_CA", "fr_CA"}};
  for (const auto& c : kCases) EXPECT_EQ(c.icu, icuLocaleFor(c.posix)) << c.posix;
}
