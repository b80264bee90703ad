// The real program under the test's X display, driven by real key and mouse events from
// xdotool: a fixture that starts zolt on a data file in a per-test directory, finds its
// windows, sends keys and kills it. Tests of each topic derive from it.
#ifndef ZOLT_TESTS_GUI_PROGRAM_FIXTURE_H_
#define ZOLT_TESTS_GUI_PROGRAM_FIXTURE_H_

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
  // Polls until no directory of an external edit is left under the test's directory, for
  // at most 20 seconds: an edit that ran is over and its text is back in the window.
  bool AwaitExternalEditDone() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Shell("find '" + dir.path() + "' -name 'zolt-edit-*' 2>/dev/null").empty()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return true;
  }
  // Gives the window the keyboard focus, as a click on it does on a desktop.
  void Focus() { Xdotool("windowfocus --sync " + window); }

  TempDir dir;
  std::string data = dir.file("data.dat");
  pid_t pid = -1;
  std::string window;
};

#endif  // ZOLT_TESTS_GUI_PROGRAM_FIXTURE_H_
