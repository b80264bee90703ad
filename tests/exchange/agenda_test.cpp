#include <gtest/gtest.h>

#include "document/zolt.h"
#include "document/agenda_text.h"
#include "test_util.h"

namespace {

TEST(AgendaTest, PlainLineDropsFormatCodes) {
  static const struct {
    const char* line;
    const char* expected;
  } kCases[] = {
      {"@B50\t@B50@i@b@rSaturday 07.02.2009  6", "Saturday 07.02.2009  6"},
      {"@B55a\t@B55@.(8:00-8:30) Meeting", "a (8:00-8:30) Meeting"},
      {"@B53o\t@B53@.@b looks like a code", "o @b looks like a code"},
      {"@B50\t@B50@rSt. Valentine's Day", "St. Valentine's Day"},
      {"@@at the front", "@at the front"},
      {"", ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.expected, plainLine(c.line)) << c.line;
}

// The stored text is what the window's calendar shows for that week: headings, the
// special day, times on the first and last day of an item, the marks, the to-do without a
// begin date on every day up to its due date, and an empty line for each closing row.
TEST(AgendaTest, FixtureWeekMatchesTheStoredText) {
  TempDir home;
  std::string data = home.file("agenda.dat");
  writeFile(data, readFile(testData("ics/agenda.dat")));
  RunResult r = runZolt(home.path(), "-f agenda.dat -c 2009-02-09 --agenda 7");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(readFile(testData("ics/agenda_2009-02-09_7days.txt")), r.out);
  EXPECT_EQ(readFile(testData("ics/agenda.dat")), readFile(data));  // nothing written
}

// An appointment from 22:00 to 00:00 is shown on its own day only, not as "(-0:00)" on
// the next.
TEST(AgendaTest, AnEndAtMidnightShowsOnTheDayBeforeOnly) {
  TempDir home;
  writeFile(home.file("cases.dat"), readFile(testData("ics/export_cases.dat")));
  RunResult r = runZolt(home.path(), "-f cases.dat -c 2009-02-12 --agenda 2");
  EXPECT_EQ(0, r.status) << r.err;
  size_t friday = r.out.find("Friday 13.02.2009");
  ASSERT_NE(std::string::npos, friday) << r.out;
  EXPECT_LT(r.out.find("a (22:00-0:00) Late show\n"), friday) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find("Late show", friday)) << r.out;
}

TEST(AgendaTest, LeavesTheDocumentsViewAsItWas) {
  TempDir dir;
  Zolt doc;
  doc.createRoot();
  ASSERT_EQ(0, doc.readData(testData("ics/agenda.dat").c_str()));
  unsigned first = doc.getCalFirstDay();
  std::string text = agendaText(doc, packDate(kEmptyDateTime, 2009, 2, 12), 2);
  EXPECT_EQ(0u, text.find("Thursday 12.02.2009  7\n"));
  EXPECT_NE(std::string::npos, text.find("Friday 13.02.2009  7\n"));
  EXPECT_EQ(std::string::npos, text.find("Saturday"));
  EXPECT_EQ(kMainViewNormal, doc.getMainViewType());
  EXPECT_EQ(7, doc.getCalSpan());
  EXPECT_EQ(first, doc.getCalFirstDay());
  EXPECT_TRUE(doc.getRows().empty());
}

}  // namespace
