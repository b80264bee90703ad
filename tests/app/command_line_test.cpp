#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
  int result;
  T_CommandLine cl;
};

Parsed parse(std::vector<const char*> args) {
  args.insert(args.begin(), "zolt");
  Parsed p;
  p.result = parseCommandLine(static_cast<int>(args.size()), args.data(), p.cl);
  return p;
}

}  // namespace

TEST(CommandLineTest, OptionsAndFileNames) {
  static const struct {
    std::vector<const char*> args;
    const char* fileName;
    bool quit, save, calendar;
  } kCases[] = {
      {{"-f", "-q", "name.dat"}, "-q", false, false, false},
      {{"-q", "-s", "-f", "-dash.dat"}, "-dash.dat", true, true, false},
      {{"-f", "--agenda"}, "--agenda", false, false, false},
      {{"-f", "-"}, "-", false, false, false},
      {{"-f", "a.dat", "-f", "b.dat"}, "b.dat", false, false, false},
      {{"bare.dat"}, "", false, false, false},
      {{"-fxyz", "a.dat", "b.dat"}, "a.dat", false, false, false},
      {{"-s", "-x", "-q"}, "", true, true, false},
      {{"-c", "-f", "c.dat"}, "c.dat", false, false, true},
      {{"-f", "c.dat", "-c"}, "c.dat", false, false, true},
  };
  for (const auto& c : kCases) {
    Parsed p = parse(c.args);
    ASSERT_EQ(0, p.result) << c.fileName;
    EXPECT_EQ(c.fileName, p.cl.fileName) << c.fileName;
    EXPECT_EQ(c.quit, p.cl.quitAfterLoading) << c.fileName;
    EXPECT_EQ(c.save, p.cl.saveAtExit) << c.fileName;
    EXPECT_EQ(c.calendar, p.cl.calendarAtStart) << c.fileName;
  }
}

TEST(CommandLineTest, CalendarDate) {
  Parsed p = parse({"-c", "2009-02-12"});
  ASSERT_EQ(0, p.result);
  EXPECT_EQ(153501696u, p.cl.calStartDate);

  unsigned before = getTodayDate(kEmptyDateTime);
  p = parse({"-c", "-q"});
  unsigned after = getTodayDate(kEmptyDateTime);
  ASSERT_EQ(0, p.result);
  EXPECT_TRUE(p.cl.calStartDate == before || p.cl.calStartDate == after);
  EXPECT_TRUE(p.cl.quitAfterLoading);
  EXPECT_FALSE(hasTime(p.cl.calStartDate));
}

TEST(CommandLineTest, InvalidCalendarDatesAreRefused) {
  static const char* kCases[] = {"2009-2-12",  "2009-02-30", "1999-12-31", "2128-01-01",
                                 "2009-13-01", "20090212",   "abcd-ef-gh", "2009-02-12x"};
  for (const char* c : kCases) EXPECT_EQ(-1, parse({"-c", c}).result) << c;
}

// An option that needs a FILE takes the next argument whole; none, or an empty one, is
// refused: silently going on with the default file would write where the user did not say.
TEST(CommandLineTest, MissingOrEmptyFileNamesAreRefused) {
  static const struct {
    std::vector<const char*> args;
  } kCases[] = {
      {{"-f"}},           {{"-q", "-s", "-f"}},   {{"-f", ""}},       {{"-f", "", "name.dat"}},
      {{"--export-ics"}}, {{"--export-ics", ""}}, {{"--import-ics"}}, {{"-q", "--import-ics", ""}},
  };
  for (const auto& c : kCases) {
    std::string line;
    for (const char* a : c.args) line += std::string("'") + a + "' ";
    testing::internal::CaptureStderr();
    Parsed p = parse(c.args);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(-1, p.result) << line;
    EXPECT_NE(std::string::npos, err.find("needs a FILE name after it")) << line << err;
  }
}

TEST(CommandLineTest, LongOptionsTakeTheirFileWhole) {
  Parsed p = parse({"--export-ics", "-out.ics", "--import-ics", "--in.ics"});
  ASSERT_EQ(0, p.result);
  EXPECT_EQ("-out.ics", p.cl.exportIcs);
  EXPECT_EQ("--in.ics", p.cl.importIcs);
}

// Whether zolt hands the start to the window program or to the iCalendar one: decided
// before anything is printed, so the parse that decides it says nothing (the program it
// hands over to says it all again).
TEST(CommandLineTest, AsksForTheWindowOrTheIcalendarProgramAsTheModesSay) {
  struct Case {
    std::vector<const char*> args;
    bool window;
    bool icalendar;
  };
  const Case kCases[] = {
      {{}, true, false},
      {{"-f", "data.dat", "-c", "2009-02-09", "stray"}, true, false},
      {{"--recover"}, true, false},
      {{"-s"}, true, false},
      {{"-q"}, false, false},
      {{"--recover", "-q"}, false, false},
      {{"--agenda", "7"}, false, false},
      {{"--export-ics", "out.ics"}, false, true},
      {{"--import-ics", "in.ics", "--agenda"}, false, true},
      {{"--help", "--export-ics", "out.ics"}, false, false},
      {{"--bogus"}, false, false},
      {{"--export-ics", "out.ics", "-c", "2009-02-30"}, false, false},
      {{"-f"}, false, false},
  };
  for (const Case& c : kCases) {
    std::vector<const char*> args = c.args;
    args.insert(args.begin(), "zolt");
    int argc = static_cast<int>(args.size());
    testing::internal::CaptureStderr();
    bool window = asksForWindow(argc, args.data());
    bool icalendar = asksForIcalendar(argc, args.data());
    std::string said = testing::internal::GetCapturedStderr();
    std::string shown = argc > 1 ? args[1] : "(none)";
    EXPECT_EQ(c.window, window) << shown;
    EXPECT_EQ(c.icalendar, icalendar) << shown;
    EXPECT_EQ("", said) << shown;
  }
}
