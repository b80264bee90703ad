// The import of each iCalendar fixture against an expansion of the same file by another
// library: python3-icalendar with dateutil (tests/exchange/ics_oracle.py), run in the time
// zones UTC, Europe/Berlin, America/New_York and Australia/Sydney. libical is what is
// being checked, so it cannot be its own oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "exchange/packed_text.h"
#include "test_util.h"
#include "util/clock.h"

namespace {

const char kPython[] = "/usr/bin/python3";  // Debian's, which holds Debian's modules
const char kFirstDay[] = "2008-01-01";
const char kLastDay[] = "2011-12-31";

// Every fixture whose occurrences Zolt shows exactly within the compared years. Left out:
// rules finer than daily (in rules_zolt_cannot_hold), the zones that no real zone is like
// (malformed_timezone) and the files that are refused or repaired byte by byte.
const char* const kFixtures[] = {
    "all_day_google.ics",
    "folded_lines.ics",
    "tzid_outlook.ics",
    "utc_times.ics",
    "berlin_weekly.ics",
    "outlook_until_utc.ics",
    "new_york_evening.ics",
    "moved_occurrence.ics",
    "google_empty_properties.ics",
    "fold_inside_utf8.ics",
    "x_wr_timezone.ics",
    "series_on_another_weekday.ics",
    "series_before_2000.ics",
    "this_and_future.ics",
    "todo_due_without_start.ics",
    "clock_change_times.ics",
    "durations.ics",
    "rules_in_several_items.ics",
    "timetable_rdate.ics",
    "overnight_across_clock_change.ics",
};
const char* const kZones[] = {"UTC", "Europe/Berlin", "America/New_York", "Australia/Sydney"};

// Standard output of `command`, and its exit status.
std::string run(const std::string& command, int& status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) {
    status = -1;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int raw = pclose(p);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

unsigned dayOfText(const std::string& text) {
  return packDate(kEmptyDateTime, atoi(text.c_str()), atoi(text.c_str() + 5),
                  atoi(text.c_str() + 8));
}

// Zolt's occurrences of every item below `g` whose main date lies in [first, last], each
// stepped as the calendar steps it.
void zoltLines(ToDoListGroup* g, unsigned first, unsigned last, std::vector<std::string>& out) {
  for (ToDoListToDo* t : g->getToDos()) {
    unsigned b = t->getDateTime(1), e = t->getDateTime(0);
    for (int n = 0; n < 100000; ++n) {
      unsigned mainDate = t->isAppointment() ? b : e;
      if (dateKey(mainDate) > dateKey(last)) break;
      if (dateKey(mainDate) >= dateKey(first)) {
        out.push_back(t->getSummary() + "|" + show(b) + "|" + show(e));
      }
      if (t->setFollowingRecurrenceDate(b, e) != 1) break;
    }
  }
  for (ToDoListGroup* sub : g->getGroups()) zoltLines(sub, first, last, out);
}

// How two sorted lists of occurrence lines differ: one that both hold matches; one on
// the same day under the same summary with other times is at a wrong time.
struct Tally {
  int matched = 0, missing = 0, extra = 0, wrongTime = 0;
};

std::string keyOf(const std::string& line) {
  size_t bar = line.find('|');
  return bar == std::string::npos ? line : line.substr(0, bar + 11);
}

Tally tally(const std::vector<std::string>& expected, const std::vector<std::string>& got) {
  Tally t;
  std::vector<std::string> missing, extra;
  std::set_difference(expected.begin(), expected.end(), got.begin(), got.end(),
                      std::back_inserter(missing));
  std::set_difference(got.begin(), got.end(), expected.begin(), expected.end(),
                      std::back_inserter(extra));
  t.matched = static_cast<int>(expected.size() - missing.size());
  std::multiset<std::string> extraDays;
  for (const std::string& line : extra) extraDays.insert(keyOf(line));
  for (const std::string& line : missing) {
    auto found = extraDays.find(keyOf(line));
    if (found == extraDays.end()) {
      ++t.missing;
      continue;
    }
    extraDays.erase(found);
    ++t.wrongTime;
  }
  t.extra = static_cast<int>(extraDays.size());
  return t;
}

class IcalendarOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    hadTZ = tz != nullptr;
    if (hadTZ) oldTZ = tz;
  }
  void TearDown() override {
    hadTZ ? setenv("TZ", oldTZ.c_str(), 1) : unsetenv("TZ");
    tzset();
  }

  // The oracle's lines for `fixture`, after a line "zone NAME" for each zone.
  std::vector<std::string> oracle(const std::string& fixture, int& status) {
    std::string command = std::string(kPython) + " '" + std::string(ZOLT_TEST_DATA) +
                          "/../exchange/ics_oracle.py' '" + testData("ics/" + fixture) + "' " +
                          kFirstDay + " " + kLastDay;
    for (const char* zone : kZones) command += std::string(" ") + zone;
    std::string out = run(command + " 2>&1", status);
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < out.size()) {
      size_t end = out.find('\n', at);
      if (end == std::string::npos) end = out.size();
      lines.push_back(out.substr(at, end - at));
      at = end + 1;
    }
    return lines;
  }

  std::vector<std::string> imported(const std::string& fixture, const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
    TempDir dir;
    Zolt doc;
    doc.createRoot();
    EXPECT_EQ(0, doc.readData(dir.file("a.dat").c_str()));
    T_IcsReport report;
    EXPECT_EQ(0, importICalendar(doc, testData("ics/" + fixture).c_str(), report))
        << fixture << ": " << report.error;
    std::vector<std::string> lines;
    zoltLines(doc.getRoot(), dayOfText(kFirstDay), dayOfText(kLastDay), lines);
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  bool hadTZ = false;
  std::string oldTZ;
};

TEST_F(IcalendarOracleTest, ImportGivesTheOccurrencesAnotherLibraryExpands) {
  int status = 0;
  std::string probe = run(std::string(kPython) + " -c 'import icalendar, dateutil' 2>&1", status);
  if (status != 0) {
    GTEST_SKIP() << "python3-icalendar and python3-dateutil are missing (tools/install_deps.sh "
                    "installs them), so the import was not checked against them: "
                 << probe;
  }
  // Series in a zone are split by clock changes up to three years past today: the whole
  // compared span lies within that.
  FixedClock clock(1233446400);  // 2009-02-01 00:00 UTC
  size_t compared = 0;
  for (const char* fixture : kFixtures) {
    std::vector<std::string> expected = oracle(fixture, status);
    ASSERT_EQ(0, status) << fixture << ":\n" << ::testing::PrintToString(expected);
    std::vector<std::string> got;
    for (const char* zone : kZones) {
      got.push_back(std::string("zone ") + zone);
      for (const std::string& line : imported(fixture, zone)) got.push_back(line);
    }
    std::vector<std::string> want = expected, have = got;
    std::sort(want.begin(), want.end());
    std::sort(have.begin(), have.end());
    Tally t = tally(want, have);
    EXPECT_EQ(0, t.missing + t.extra + t.wrongTime)
        << fixture << ": " << t.matched << " matched, " << t.missing << " missing, " << t.extra
        << " extra, " << t.wrongTime << " at a wrong time";
    EXPECT_EQ(expected, got) << fixture;
    compared += expected.size();
  }
  EXPECT_GT(compared, 100u);  // the oracle really expanded something
}

}  // namespace
