// zolt runs -q and the agenda itself and hands a start with a window to zolt-window beside
// it, an iCalendar import or export to zolt-ics: no headless run loads the display's
// libraries, only the iCalendar ones load libical, none loads ICU unless it sorts texts,
// and the window's start says every message once.
#include "app/window_program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_util.h"

namespace {

// The display's libraries, as the dynamic loader names them when it looks for them.
const char* const kDisplayLibraries[] = {"libfltk", "libX11", "libXft", "libxcb", "libfontconfig"};
// The iCalendar library and ICU (which it needs).
const char* const kIcalendarLibraries[] = {"libical", "libicu"};

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class WindowProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { writeFile(dir.file("data.dat"), readFile(testData("example.dat"))); }
  TempDir dir;
};

}  // namespace

TEST_F(WindowProgramTest, HeadlessModesLoadNoDisplayLibrary) {
  writeFile(dir.file("in.ics"), readFile(testData("ics/berlin_weekly.ics")));
  struct Case {
    const char* args;
    int status;
    bool icalendar;  // may load libical
  };
  const Case kCases[] = {
      {"-q -f data.dat", 0, false},
      {"-q -s -f data.dat --recover", 0, false},
      {"-f data.dat --agenda 7 -c 2009-02-09", 0, false},
      {"-f data.dat --export-ics out.ics", 0, true},
      {"-f data.dat --import-ics in.ics", 0, true},
      {"--help", 0, false},
      {"--bogus", 255, false},
  };
  for (const Case& c : kCases) {
    RunResult r = runZolt(dir.path(), c.args, "LD_DEBUG=libs");
    EXPECT_EQ(c.status, r.status) << c.args << ": " << r.err;
    // The loader's trace is there, so the run was watched.
    ASSERT_NE(std::string::npos, r.err.find("libc.so")) << c.args << ": " << r.err;
    for (const char* library : kDisplayLibraries) {
      EXPECT_EQ(std::string::npos, r.err.find(library)) << c.args << " loaded " << library;
    }
    for (const char* library : kIcalendarLibraries) {
      if (c.icalendar) continue;
      EXPECT_EQ(std::string::npos, r.err.find(library)) << c.args << " loaded " << library;
    }
  }
  EXPECT_TRUE(fileExists(dir.file("out.ics")));
}

// Without a display the window program refuses, as it did when it was one program, and
// the notes of the command line are said once: zolt said nothing before handing over.
TEST_F(WindowProgramTest, AWindowStartIsTheWindowProgramsAndSaysEachNoteOnce) {
  RunResult r = runZolt(dir.path(), "stray -f data.dat", "unset DISPLAY; LD_DEBUG=libs");
  EXPECT_EQ(255, r.status) << r.err;
  EXPECT_EQ(1u, count(r.err, "Ignoring 'stray': a data file's name goes after -f\n")) << r.err;
  EXPECT_EQ(1u, count(r.err, "Zolt needs a graphical display (DISPLAY is not set).")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("libfltk")) << "the window program ran";
  EXPECT_EQ(readFile(testData("example.dat")), readFile(dir.file("data.dat")));
}

// zolt alone still runs -q, and names the program it cannot start for the others.
TEST_F(WindowProgramTest, AMissingProgramIsNamed) {
  std::string bin = dir.file("bin");
  ASSERT_EQ(0, mkdir(bin.c_str(), 0700));
  std::filesystem::copy_file(ZOLT_BINARY, bin + "/zolt");
  std::string command =
      "cd '" + dir.path() + "' && HOME='" + dir.path() + "' DISPLAY=:99 '" + bin + "/zolt' ";
  std::string err = dir.file("err.txt");
  struct Case {
    const char* args;
    int status;
    std::string said;
  };
  const Case kCases[] = {
      {"-q -f data.dat", 0, ""},
      {"-f data.dat", 255,
       "Zolt cannot start its program " + bin + "/zolt-window: No such file or directory\n"},
      {"-f data.dat --export-ics out.ics", 255,
       "Zolt cannot start its program " + bin + "/zolt-ics: No such file or directory\n"},
  };
  for (const Case& c : kCases) {
    int raw = system((command + c.args + " >/dev/null 2>'" + err + "'").c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << c.args;
    EXPECT_EQ(c.status, WEXITSTATUS(raw)) << c.args;
    EXPECT_EQ(c.said, readFile(err)) << c.args;
  }
  EXPECT_FALSE(fileExists(dir.file("out.ics")));
}

TEST(ProgramBesideTest, IsInTheRunningProgramsDirectory) {
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(std::filesystem::path(self).parent_path() / "zolt-ics",
            std::filesystem::path(programBeside("zolt-ics")));
}
