// The real program under the test's X display, driven by real key and mouse events from
// xdotool, then killed with SIGKILL: the next start must have every change made in the window.
#include "gui/program_fixture.h"

TEST_F(ProgramTest, ACompletionMadeWithKeysSurvivesAKill) {
  Start();
  Focus();
  Xdotool("key Down Return");
  ASSERT_TRUE(AwaitFile(data + "0")) << "the change goes into the journal at once";
  KillAndWait(SIGKILL);
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  std::string saved = readFile(data);
  size_t bank = saved.find("sCall the bank\n");
  ASSERT_NE(std::string::npos, bank);
  EXPECT_NE(std::string::npos, saved.substr(bank, saved.find(">\n", bank) - bank).find("\nf"))
      << "the to-do is completed after the restart";
  EXPECT_FALSE(fileExists(data + "0")) << "the journal was compacted";
}

TEST_F(ProgramTest, ATermSignalEndsWithAFullSave) {
  Start();
  Focus();
  Xdotool("key Down Return");
  ASSERT_TRUE(AwaitFile(data + "0"));
  int status = KillAndWait(SIGTERM);
  ASSERT_TRUE(status != -1 && WIFEXITED(status)) << "the program leaves by its own shutdown";
  EXPECT_EQ(0, WEXITSTATUS(status)) << readFile(dir.file("zolt.out"));
  EXPECT_FALSE(fileExists(data + "0")) << "the journal was written into the master file";
  EXPECT_NE(std::string::npos, readFile(data).find("\nf"));
}

TEST_F(ProgramTest, CtrlQLeavesAndRemovesTheExchangeFile) {
  Start("-c 2009-02-16 -s");
  Focus();
  Xdotool("key ctrl+q");
  int status = AwaitExit();
  ASSERT_TRUE(status != -1 && WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_EQ("", Shell("find '" + dir.path() + "' -name 'zolt*.tmp'"));
  EXPECT_NE(std::string::npos, readFile(data).find("<mainviewtype=3>"))
      << "-c started in the calendar, which the data file now remembers";
}

TEST_F(ProgramTest, AFailedSaveAtExitShowsABoxAndKeepsTheJournal) {
  // A master file too big for the file size limit: the journal record fits, the save not.
  std::string big = readFile(data);
  big.replace(big.find("sWork\n"), 5, "s" + std::string(20000, 'w'));
  writeFile(data, big);
  Start("", "trap '' XFSZ; ulimit -f 8; ");
  Focus();
  Xdotool("key Down Return");
  ASSERT_TRUE(AwaitFile(data + "0"));
  Xdotool("key ctrl+q");
  // The main window goes; a message box of the same process takes its place.
  std::string box;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (box.empty() || box == window) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no message box";
    std::string found = Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                              " --name '' 2>/dev/null");
    box = found.substr(0, found.find('\n'));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
  }
  int status = DismissBox(box, pid);
  ASSERT_TRUE(status != -1 && WIFEXITED(status));
  EXPECT_NE(0, WEXITSTATUS(status)) << "a failed save is not a success";
  EXPECT_EQ(big, readFile(data)) << "the old master file is untouched";
  EXPECT_TRUE(fileExists(data + "0")) << "the journal keeps the change for the next start";
}

TEST_F(ProgramTest, ASecondWindowOnTheSameFileIsRefusedInABox) {
  Start();
  pid_t second = Launch("", "", "second.out");
  std::string box = AwaitWindow(second, "");
  ASSERT_FALSE(box.empty()) << "the refusal shows in a message box";
  int status = DismissBox(box, second);
  ASSERT_TRUE(status != -1 && WIFEXITED(status));
  EXPECT_NE(0, WEXITSTATUS(status));
  EXPECT_TRUE(fileExists(dir.file("data.dat"))) << "the first one goes on";
  EXPECT_EQ(0, kill(pid, 0));
}

TEST_F(ProgramTest, AnEditMadeWithTheMouseAndKeysSurvivesAKill) {
  Start();
  Focus();
  Xdotool("key Down Right");  // opens "Call the bank" in the editor
  Xdotool("mousemove --window " + window + " 200 15 click 1");  // into the summary
  Xdotool("key ctrl+a BackSpace");
  Xdotool("type 'Call the bank at nine'");
  Xdotool("mousemove --window " + window + " 210 81 click 1");  // priority 5
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitFile(data + "0")) << readFile(dir.file("zolt.out"));
  KillAndWait(SIGKILL);
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  std::string saved = readFile(data);
  size_t at = saved.find("sCall the bank at nine\n");
  ASSERT_NE(std::string::npos, at) << saved;
  EXPECT_NE(std::string::npos, saved.substr(at, saved.find(">\n", at) - at).find("\np5\n"));
}
