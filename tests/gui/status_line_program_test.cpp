// The status line of the real program, as the display shows it: read from a capture of the
// window, since another process cannot ask the widget.
#include <cstdio>

#include "gui/program_fixture.h"

class StatusLineProgramTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    if (system("command -v import >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs import";
  }
  // Whether the status line's strip (the 20 pixels above the 30 of the bottom bar) holds
  // more than one colour, as text on its background does; -1 when no capture could be read.
  int StripHasText() {
    std::string ppm = dir.file("shot.ppm");
    remove(ppm.c_str());
    Shell("import -window " + window + " -depth 8 " + ppm + " 2>/dev/null");
    std::string image = readFile(ppm);
    int w = 0, h = 0, max = 0, used = 0;
    if (sscanf(image.c_str(), "P6 %d %d %d%n", &w, &h, &max, &used) != 3 || max != 255) return -1;
    size_t pixels = static_cast<size_t>(used) + 1;  // one white space ends the header
    if (h < 50 || image.size() < pixels + 3u * w * h) return -1;
    const char* first = image.data() + pixels + 3u * w * (h - 50);
    for (int y = h - 50; y < h - 30; ++y) {
      for (int x = 0; x < w; ++x) {
        const char* p = image.data() + pixels + 3u * (static_cast<size_t>(w) * y + x);
        if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) return 1;
      }
    }
    return 0;
  }
  // Polls, for at most 20 seconds, until the strip is blank (`text` false) or shows text.
  bool AwaitStrip(bool text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (StripHasText() != (text ? 1 : 0)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // a poll, not a wait
    }
    return true;
  }
};

TEST_F(StatusLineProgramTest, CtrlZShowsItsOutcomeInTheStatusLine) {
  Start();
  Focus();
  ASSERT_TRUE(AwaitStrip(false)) << "an ordinary start leaves the status line empty";
  Xdotool("key ctrl+z");  // nothing to undo yet: the line says so
  EXPECT_TRUE(AwaitStrip(true)) << "the status line shows the undo's outcome";
}

// The first start on a fresh account makes the default data file and says so in the window;
// standard output keeps its own line about it.
TEST_F(StatusLineProgramTest, TheFirstStartShowsTheNewDataFile) {
  pid = fork();
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    setenv("HOME", dir.path().c_str(), 1);
    setenv("TMPDIR", dir.path().c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    std::string command = std::string("exec '") + ZOLT_BINARY + "' >zolt.out 2>&1";
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  window = AwaitWindow(pid, "^Zolt: ");
  ASSERT_FALSE(window.empty()) << readFile(dir.file("zolt.out"));
  EXPECT_TRUE(AwaitStrip(true)) << "the status line names the new file";
  EXPECT_TRUE(fileExists(dir.file(".zolt/zolt_default.dat")));
  Focus();
  Xdotool("key ctrl+q");
  EXPECT_EQ(0, AwaitExit());
  EXPECT_NE(std::string::npos, readFile(dir.file("zolt.out")).find("Starting a new data file at "))
      << readFile(dir.file("zolt.out"));
}
