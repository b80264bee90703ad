// The real program under the test's X display, driven by real key and mouse events from
// xdotool, then killed with SIGKILL: the next start must have every change made in the window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "test_util.h"

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs a display (xvfb-run)";
    if (system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs xdotool";
    writeFile(data, readFile(testData("gui_window.dat")));
  }
  void TearDown() override {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }

  // Starts zolt on the data file with HOME and TMPDIR in the test's directory; its output
  // goes to `log` there.
  pid_t Launch(const std::string& args, const std::string& shellPrefix, const std::string& log) {
    pid_t child = fork();
    if (child == 0) {
      if (chdir(dir.path().c_str()) != 0) _exit(127);
      setenv("HOME", dir.path().c_str(), 1);
      setenv("TMPDIR", dir.path().c_str(), 1);
      unsetenv("XDG_RUNTIME_DIR");
      std::string command = shellPrefix + std::string("exec '") + ZOLT_BINARY + "' -f data.dat " +
                            args + " >" + log + " 2>&1";
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    return child;
  }
  // The first visible window of process `of` whose name matches `name`, once it shows.
  std::string AwaitWindow(pid_t of, const std::string& name) {
    std::string found = Shell("timeout 20 xdotool search --sync --onlyvisible --pid " +
                              std::to_string(of) + " --name '" + name + "'");
    return found.substr(0, found.find('\n'));
  }
  // Starts zolt and returns once its window is shown.
  void Start(const std::string& args = "", const std::string& shellPrefix = "") {
    pid = Launch(args, shellPrefix, "zolt.out");
    ASSERT_GE(pid, 0);
    window = AwaitWindow(pid, "^Zolt: ");
    ASSERT_FALSE(window.empty()) << readFile(dir.file("zolt.out"));
  }
  // Real key presses and mouse moves through the X server, as a person makes them.
  void Xdotool(const std::string& args) {
    ASSERT_EQ(0, system(("xdotool " + args).c_str())) << args;
  }
  std::string Shell(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
  }
  // Waits until `name` exists, for at most 20 seconds.
  bool AwaitFile(const std::string& name) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fileExists(name)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return true;
  }
  // Waits at most 20 seconds for the program to end; its wait status, or -1 when it runs on.
  int AwaitExit() { return AwaitExit(pid); }
  int AwaitExit(pid_t& which) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (waitpid(which, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(which, SIGKILL);
        waitpid(which, nullptr, 0);
        return -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    which = -1;
    return status;
  }
  int KillAndWait(int sig) {
    kill(pid, sig);
    return AwaitExit();
  }
  // Presses Return in the message box `box` of process `which` until the process ends (a
  // busy machine may show the box before it takes keys); its wait status, or -1.
  int DismissBox(const std::string& box, pid_t& which) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      if (system(("xdotool windowfocus --sync " + box + " key Return 2>/dev/null").c_str()) != 0) {
        break;  // the box is gone
      }
      auto retry = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
      int status = 0;
      while (std::chrono::steady_clock::now() < retry) {
        if (waitpid(which, &status, WNOHANG) == which) {
          which = -1;
          return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
      }
    }
    return AwaitExit(which);
  }
  // Gives the window the keyboard focus, as a click on it does on a desktop.
  void Focus() { Xdotool("windowfocus --sync " + window); }

  TempDir dir;
  std::string data = dir.file("data.dat");
  pid_t pid = -1;
  std::string window;
};

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
