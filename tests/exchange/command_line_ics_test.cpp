// The long options and the work they start without a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "test_util.h"

namespace {

int parse(std::vector<const char*> args, T_CommandLine& cl) {
  args.insert(args.begin(), "zolt");
  return parseCommandLine(static_cast<int>(args.size()), args.data(), cl);
}

// The letters of a long option never count as short options: "--export-ics" and
// "--import-ics" hold a c and an s, and -f stays pending across a long option.
TEST(LongOptionsTest, AreTakenWhole) {
  static const struct {
    std::vector<const char*> args;
    const char* exportIcs;
    const char* importIcs;
    bool agenda;
    int days;
    bool help;
    const char* fileName;
  } kCases[] = {
      {{"--export-ics", "out.ics"}, "out.ics", "", false, 0, false, ""},
      {{"--import-ics", "in.ics", "-f", "d.dat"}, "", "in.ics", false, 0, false, "d.dat"},
      {{"--agenda"}, "", "", true, 0, false, ""},
      {{"--agenda", "42", "-f", "d.dat"}, "", "", true, 42, false, "d.dat"},
      {{"-f", "--agenda"}, "", "", false, 0, false, "--agenda"},
      {{"--help"}, "", "", false, 0, true, ""},
  };
  for (const auto& c : kCases) {
    T_CommandLine cl;
    ASSERT_EQ(0, parse(c.args, cl)) << c.args[0];
    EXPECT_EQ(c.exportIcs, cl.exportIcs) << c.args[0];
    EXPECT_EQ(c.importIcs, cl.importIcs) << c.args[0];
    EXPECT_EQ(c.agenda, cl.agenda) << c.args[0];
    EXPECT_EQ(c.days, cl.agendaDays) << c.args[0];
    EXPECT_EQ(c.help, cl.help) << c.args[0];
    EXPECT_EQ(c.fileName, cl.fileName) << c.args[0];
    EXPECT_FALSE(cl.calendarAtStart) << c.args[0];
    EXPECT_FALSE(cl.saveAtExit) << c.args[0];
    EXPECT_FALSE(cl.quitAfterLoading) << c.args[0];
  }
}

TEST(LongOptionsTest, AgendaTakesTheCalendarDate) {
  T_CommandLine cl;
  ASSERT_EQ(0, parse({"--agenda", "3", "-c", "2009-02-12"}, cl));
  EXPECT_TRUE(cl.agenda);
  EXPECT_EQ(3, cl.agendaDays);
  EXPECT_EQ(packDate(kEmptyDateTime, 2009, 2, 12), cl.calStartDate);
  EXPECT_TRUE(runsWithoutWindow(cl));
}

TEST(LongOptionsTest, MistakesAreRefused) {
  static const std::vector<const char*> kCases[] = {
      {"--agenda", "5"},    {"--agenda", "7x"},       {"--export-ics"},
      {"--import-ics"},     {"--exportics", "x.ics"}, {"--"},
      {"--export-ics", ""},
  };
  for (const auto& args : kCases) {
    T_CommandLine cl;
    EXPECT_EQ(-1, parse(args, cl)) << args[0] << " " << args.size();
  }
}

TEST(LongOptionsTest, WhichRunWithoutAWindow) {
  T_CommandLine cl;
  EXPECT_FALSE(runsWithoutWindow(cl));
  for (auto set :
       {+[](T_CommandLine& c) { c.quitAfterLoading = true; },
        +[](T_CommandLine& c) { c.exportIcs = "x"; }, +[](T_CommandLine& c) { c.importIcs = "x"; },
        +[](T_CommandLine& c) { c.agenda = true; }}) {
    T_CommandLine c;
    set(c);
    EXPECT_TRUE(runsWithoutWindow(c));
  }
}

TEST(LongOptionsTest, HelpListsEveryOption) {
  TempDir home;
  RunResult r = runZolt(home.path(), "--help");
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(usageText(), r.out);
  for (const char* option : {"-f FILE", "-c [YYYY-MM-DD]", "-q ", "-s ", "--export-ics FILE",
                             "--import-ics FILE", "--agenda [DAYS]", "--help"}) {
    EXPECT_NE(std::string::npos, r.out.find(option)) << option;
  }
}

// The program itself, without a display: import into a new data file, which is saved at
// the end, then export it again.
TEST(LongOptionsTest, ImportAndExportRunWithoutAWindow) {
  TempDir home;
  writeFile(home.file("family.ics"), readFile(testData("ics/all_day_google.ics")));
  RunResult in = runZolt(home.path(), "-f d.dat --import-ics family.ics", "unset DISPLAY;");
  EXPECT_EQ(0, in.status) << in.err;
  EXPECT_NE(std::string::npos, in.out.find("Imported 2 to-dos and appointments into the new "
                                           "group \"family\"."))
      << in.out;
  EXPECT_NE(std::string::npos, readFile(home.file("d.dat")).find("sfamily\n"));

  RunResult out = runZolt(home.path(), "-f d.dat --export-ics out.ics", "unset DISPLAY;");
  EXPECT_EQ(0, out.status) << out.err;
  EXPECT_NE(std::string::npos, out.out.find("Exported 2 to-dos and appointments to out.ics."));
  std::string ics = readFile(home.file("out.ics"));
  EXPECT_NE(std::string::npos, ics.find("SUMMARY:Ski trip")) << ics;
  EXPECT_NE(std::string::npos, ics.find("@d.dat")) << ics;

  // The same files again: every item is held already, by the UID the import kept or by
  // the data file's own export; nothing is added.
  for (const char* again : {"family.ics", "out.ics"}) {
    RunResult re =
        runZolt(home.path(), std::string("-f d.dat --import-ics ") + again, "unset DISPLAY;");
    EXPECT_EQ(0, re.status) << re.err;
    EXPECT_NE(std::string::npos, re.out.find("Imported 2 to-dos and appointments (2 updated)"))
        << again << ": " << re.out;
  }
  std::string data = readFile(home.file("d.dat"));
  EXPECT_EQ(data.find("sSki trip"), data.rfind("sSki trip")) << "held once";

  writeFile(home.file("bad.ics"), "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n");
  std::string before = readFile(home.file("d.dat"));
  RunResult bad = runZolt(home.path(), "-f d.dat --import-ics bad.ics", "unset DISPLAY;");
  EXPECT_NE(0, bad.status);
  EXPECT_NE(std::string::npos, bad.err.find("bad.ics: This is not a whole iCalendar file"))
      << bad.err;
  EXPECT_EQ(before, readFile(home.file("d.dat")));
}

}  // namespace
