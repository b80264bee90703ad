#include "exchange/ics_report.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_util.h"

namespace {

TEST(IcsReportTest, NotesOfOneKindAreCountedTogether) {
  static const struct {
    const char* note;
    const char* kind;
  } kCases[] = {
      {"Appointment \"Gym\": the rule FREQ=WEEKLY;BYDAY=MO,WE cannot be held exactly; kept as "
       "weekly on Monday",
       "the rule \xE2\x80\xA6 cannot be held exactly; kept as weekly on Monday"},
      {"To-do \"Tax: 2009\": its series was split into 3 series, around 2 left-out or moved "
       "occurrences",
       "its series was split into \xE2\x80\xA6 series, around \xE2\x80\xA6 left-out or moved "
       "occurrences"},
      {"1 item is marked private (CLASS).", "\xE2\x80\xA6 item is marked private (CLASS)"},
      {"Appointment \"A\": only its first category \"Work, home\" became its group",
       "only its first category \"\xE2\x80\xA6\" became its group"},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.kind, noteKind(c.note)) << c.note;
  auto kinds = noteKinds({"Appointment \"A\": the date 1999-01-01 lies outside",
                          "Zolt has no alarms; 2 left out",
                          "To-do \"B\": the date 1998-05-01 lies outside"});
  ASSERT_EQ(2u, kinds.size());
  EXPECT_EQ("the date \xE2\x80\xA6 lies outside", kinds[0].first);
  EXPECT_EQ(2, kinds[0].second);
  EXPECT_EQ(1, kinds[1].second);
}

// A thousand notes: a summary of a few lines, every note in the detail and in a file
// beside the data file.
TEST(IcsReportTest, ALongReportIsSummedUpAndKeptBesideTheDataFile) {
  TempDir dir;
  T_IcsReport report;
  report.items = 1000;
  report.groupName = "feed";
  for (int i = 0; i < 1000; ++i) {
    report.notes.push_back("Appointment \"Day " + std::to_string(i) + "\": Zolt has no alarms; " +
                           std::to_string(i % 3 + 1) + " left out");
  }
  report.notes.push_back(
      "3 VJOURNAL component(s) are not to-dos or appointments and were left out.");
  std::string data = dir.file("zolt.dat");
  T_IcsReportText text = importReportText("feed.ics", report, data);
  EXPECT_EQ(
      "Imported 1000 to-dos and appointments into the new group \"feed\".\n"
      "Not held exactly, imported as near as Zolt can (notes by kind):\n"
      "1000 \xC3\x97 Zolt has no alarms; \xE2\x80\xA6 left out\n"
      "1 \xC3\x97 \xE2\x80\xA6 VJOURNAL component(s) are not to-dos or appointments and were left "
      "out\n"
      "Every note is also in " +
          data + ".ics-import-notes.txt.",
      text.summary);
  EXPECT_EQ(data + ".ics-import-notes.txt", text.file);
  EXPECT_EQ(text.detail, readFile(text.file));
  EXPECT_EQ(1001, std::count(text.detail.begin(), text.detail.end(), '\n'));

  report.notes.resize(kLongReport);
  TempDir other;
  T_IcsReportText shorter = importReportText("feed.ics", report, other.file("zolt.dat"));
  EXPECT_EQ("", shorter.file);
  EXPECT_FALSE(fileExists(other.file("zolt.dat.ics-import-notes.txt")));
}

}  // namespace
