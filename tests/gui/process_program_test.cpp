// The real program as a process among others: the signals that end a session (a logout, a
// kill, Ctrl+C) end it with the full shutdown whatever the window shows, and the programs it
// starts inherit none of its descriptors.
#include <sys/stat.h>

#include <sstream>
#include <vector>

#include "gui/program_fixture.h"

namespace {

class ProcessProgramTest : public ProgramTest {
 protected:
  // The visible windows of the program, as xdotool lists them.
  std::vector<std::string> Windows(const std::string& name = "") {
    std::istringstream found(Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                   " --name '" + name + "' 2>/dev/null"));
    std::vector<std::string> ids;
    for (std::string id; std::getline(found, id);) ids.push_back(id);
    return ids;
  }
  // Waits until a window other than the main one shows (named `name` when given).
  bool AwaitOtherWindow(const std::string& name = "") {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      for (const std::string& id : Windows(name)) {
        if (id != window) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return false;
  }
  // Completes the first to-do, so that the journal holds a change the shutdown must save.
  void MakeAJournalledChange() {
    Focus();
    Xdotool("key Down Return");
    ASSERT_TRUE(AwaitFile(data + "0")) << "the change goes into the journal at once";
  }
  // Opens a new to-do in the editor and types `summary` into its summary field.
  void NewToDo(const std::string& summary) {
    Xdotool("key alt+n");
    Xdotool("mousemove --window " + window + " 300 15 click 1");
    Xdotool("type --delay 20 " + summary);
  }
  // Sends `sig` and expects the program's own shutdown: exit status 0, the journal written
  // into the master file and removed.
  void ExpectFullShutdownOn(int sig, const std::string& state) {
    int status = KillAndWait(sig);
    ASSERT_TRUE(status != -1 && WIFEXITED(status))
        << state << ": signal " << sig << " did not end the program by its shutdown";
    EXPECT_EQ(0, WEXITSTATUS(status)) << state << "\n" << readFile(dir.file("zolt.out"));
    EXPECT_FALSE(fileExists(data + "0")) << state << ": the journal was saved and removed";
    std::string saved = readFile(data);
    size_t bank = saved.find("sCall the bank\n");
    ASSERT_NE(std::string::npos, bank) << state;
    EXPECT_NE(std::string::npos, saved.substr(bank, saved.find(">\n", bank) - bank).find("\nf"))
        << state << ": the completion is in the master file";
  }
};

// A drop-down menu runs a loop of its own; the signal must end it too.
TEST_F(ProcessProgramTest, EachQuitSignalEndsTheProgramWithAMenuOpen) {
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
    writeFile(data, readFile(testData("gui_window.dat")));
    Start();
    MakeAJournalledChange();
    Xdotool("key alt+m");
    ASSERT_TRUE(AwaitOtherWindow()) << "the menu opened";
    ExpectFullShutdownOn(sig, "menu open");
  }
}

TEST_F(ProcessProgramTest, TermEndsTheProgramWithAQuestionOpen) {
  Start();
  MakeAJournalledChange();
  NewToDo("Typed");
  Xdotool("key Escape");
  ASSERT_TRUE(AwaitOtherWindow("Zolt: question")) << "the discard question shows";
  ExpectFullShutdownOn(SIGTERM, "question open");
  EXPECT_NE(std::string::npos, readFile(data).find("Typed\n"))
      << "the question took its harmless answer (keep), and the new item was saved";
}

TEST_F(ProcessProgramTest, TermEndsTheProgramWithASelectorOpen) {
  Start();
  MakeAJournalledChange();
  NewToDo("Dated");
  Xdotool("mousemove --window " + window + " 30 185 click 1");  // the End date's drop-down
  ASSERT_TRUE(AwaitOtherWindow()) << "the drop-down opened";
  Xdotool("key Down Down Down Return");  // "select"
  ASSERT_TRUE(AwaitOtherWindow("Choose a date")) << "the date selector shows";
  ExpectFullShutdownOn(SIGTERM, "selector open");
  EXPECT_NE(std::string::npos, readFile(data).find("Dated\n")) << "the editor was saved";
}

TEST_F(ProcessProgramTest, TermEndsTheProgramWithTheEditorOpen) {
  Start();
  MakeAJournalledChange();
  NewToDo("Unsaved");
  ExpectFullShutdownOn(SIGTERM, "editor open");
  EXPECT_NE(std::string::npos, readFile(data).find("Unsaved\n"))
      << "what was typed into the editor is kept, as Ctrl+q keeps it";
}

// A private directory that someone else planted does not keep the window from starting:
// a box says which directory is used instead and why, and that one goes at the end.
TEST_F(ProcessProgramTest, APlantedPrivateDirectoryIsPassedOverWithANote) {
  std::string own = dir.file("zolt-" + std::to_string(geteuid()));
  ASSERT_EQ(0, mkdir(own.c_str(), 0700));
  ASSERT_EQ(0, chown(own.c_str(), 54321, -1));
  pid = Launch("", "", "zolt.out");
  std::string box = AwaitWindow(pid, "^Zolt$");
  ASSERT_FALSE(box.empty()) << "the note shows in a box";
  std::string log = readFile(dir.file("zolt.out"));
  EXPECT_NE(std::string::npos, log.find(own + " belongs to another user (uid 54321)")) << log;
  size_t at = log.find(own + "-");
  ASSERT_NE(std::string::npos, at) << log;
  std::string fresh = log.substr(at, own.size() + 7);
  EXPECT_TRUE(fileExists(fresh)) << fresh;
  Xdotool("windowfocus --sync " + box + " key Return");
  window = AwaitWindow(pid, "^Zolt: ");
  ASSERT_FALSE(window.empty()) << "the window starts after the note";
  Focus();
  Xdotool("key ctrl+q");
  int status = AwaitExit();
  ASSERT_TRUE(status != -1 && WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  EXPECT_FALSE(fileExists(fresh)) << "the fresh directory goes with the session";
  struct stat st;
  ASSERT_EQ(0, lstat(own.c_str(), &st));
  EXPECT_EQ(54321u, st.st_uid) << "the planted directory is left alone";
}

// The external editor inherits no descriptor of Zolt's (the signal pipe, the lock file,
// the private directory, the display connection): only standard input, output and error.
TEST_F(ProcessProgramTest, TheExternalEditorInheritsOnlyTheStandardDescriptors) {
  std::string script = dir.file("list-fds.sh");
  std::string listing = dir.file("fds.txt");
  // ls is the shell's child; /proc/<shell>/fd lists what the editor's shell got from Zolt.
  // The shell's output goes to the listing for good first: a redirection of ls alone would
  // keep a copy of the old output open in the shell meanwhile.
  writeFile(script, "#!/bin/sh\nexec >'" + listing + ".part'\nls -l /proc/$$/fd\nmv '" + listing +
                        ".part' '" + listing + "'\n");
  ASSERT_EQ(0, chmod(script.c_str(), 0700));
  ASSERT_EQ(0, mkdir(dir.file(".zoltrc").c_str(), 0700));
  writeFile(dir.file(".zoltrc/zolt.config"), "editor=" + script + "\n");
  // Zolt itself starts with only the standard descriptors: what the editor gets beyond them
  // can only come from Zolt.
  pid = fork();
  if (pid == 0) {
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    setenv("HOME", dir.path().c_str(), 1);
    setenv("TMPDIR", dir.path().c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    std::string command = std::string("exec '") + ZOLT_BINARY + "' -f data.dat >zolt.out 2>&1";
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  window = AwaitWindow(pid, "^Zolt: ");
  ASSERT_FALSE(window.empty()) << readFile(dir.file("zolt.out"));
  Focus();
  NewToDo("Edited");
  Xdotool("key alt+e");
  ASSERT_TRUE(AwaitFile(listing)) << "the editor ran";
  std::istringstream lines(readFile(listing));
  int seen = 0;
  for (std::string line; std::getline(lines, line);) {
    size_t arrow = line.find(" -> ");
    if (arrow == std::string::npos) continue;  // the "total" line
    size_t start = line.rfind(' ', arrow - 1) + 1;
    int fd = std::stoi(line.substr(start, arrow - start));
    std::string target = line.substr(arrow + 4);
    ++seen;
    if (fd <= 2 || target == script) continue;  // the standard ones, the shell's script
    ADD_FAILURE() << "the editor inherited descriptor " << fd << " -> " << target;
  }
  EXPECT_GE(seen, 3) << "the listing holds the standard descriptors at least";
  ASSERT_TRUE(AwaitExternalEditDone());
  Xdotool("key ctrl+q");
  int status = AwaitExit();
  ASSERT_TRUE(status != -1 && WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
}

}  // namespace
