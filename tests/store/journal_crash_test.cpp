// A child process makes a long scripted sequence of changes while the test kills it with
// SIGKILL at many points; after each kill the program must start on the same files and
// hold every change whose call had returned.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "document/zolt.h"
#include "store/calendar_headings.h"
#include "test_util.h"

namespace {

constexpr int kOperations = 120;
constexpr int kKillPoints = 20;

std::vector<ToDoListToDo*> allToDos(ToDoListGroup* g, std::vector<ToDoListToDo*> out = {}) {
  for (ToDoListToDo* t : g->getToDos()) out.push_back(t);
  for (ToDoListGroup* sub : g->getGroups()) out = allToDos(sub, out);
  return out;
}

std::vector<ToDoListGroup*> allGroups(ToDoListGroup* g, std::vector<ToDoListGroup*> out = {}) {
  out.push_back(g);
  for (ToDoListGroup* sub : g->getGroups()) out = allGroups(sub, out);
  return out;
}

// The operations a user makes through the window, each with the journal calls the window
// makes. The same seed gives the same sequence on the same document.
class Script {
 public:
  explicit Script(Zolt& z) : z(z) {}

  void run(int op, unsigned seed) {
    std::mt19937 random(seed * 7919u + static_cast<unsigned>(op));
    auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
    std::vector<ToDoListToDo*> todos = allToDos(z.getRoot());
    int kind = static_cast<int>(pick(9));
    if (todos.empty() && kind >= 1 && kind <= 5) kind = 0;
    ToDoListToDo* t = todos.empty() ? nullptr : todos[pick(todos.size())];
    switch (kind) {
      case 0:
        newToDo(pick, op, false);
        break;
      case 1:
        edit(t, op, pick(6) + 1);
        break;
      case 2:
        z.setItem(t);
        if (z.setItemCompleted() >= 0) (void)z.incsave_saveCurItem();
        break;
      case 3:
        z.setItem(t);
        if (z.setItemRunning(!z.isItemRunning()) == 0) (void)z.incsave_saveCurItem();
        break;
      case 4:
        inGroupOf(t);
        z.delToDo();
        break;
      case 5:
        inGroupOf(t);
        z.turnCurItem2Group();
        z.setGroup(z.getRoot());
        break;
      case 6:
        calendarItem(pick, op);
        break;
      case 7:
        newGroup(pick, op);
        break;
      default:
        newToDo(pick, op, true);
        break;
    }
  }

 private:
  void inGroupOf(ToDoListToDo* t) {
    z.setGroup(z.getRoot()->getGroupPtr(t->getPath()));
    z.setItem(t);
  }
  template <class Pick>
  void newToDo(Pick& pick, int op, bool recurring) {
    std::vector<ToDoListGroup*> groups = allGroups(z.getRoot());
    z.setGroup(groups[pick(groups.size())]);
    z.newToDo(0, 0);
    z.incsave_newItem();
    z.setItemSummary("to-do " + std::to_string(op));
    z.setDate(0, 2009, 1 + static_cast<int>(pick(12)), 1 + static_cast<int>(pick(28)));
    if (recurring) {
      z.setDate(1, 2009, 1, 1);
      T_recData r;
      r.type = 1 + static_cast<int>(pick(6));
      z.setRecData(r);
    }
    (void)z.incsave_saveCurItem();
    z.setGroup(z.getRoot());
  }
  void edit(ToDoListToDo* t, int op, unsigned priority) {
    z.setItem(t);
    z.incsave_rememberTodo();
    z.setItemSummary("edited " + std::to_string(op));
    if (!t->isAppointment()) z.setItemPriority(priority);
    if (z.incsave_todoHasChanged()) (void)z.incsave_saveCurItem();
    z.incsave_forgetTodo();
  }
  template <class Pick>
  void calendarItem(Pick& pick, int op) {
    std::vector<unsigned> headings = showCalendarHeadings(z, packDate(kNoTime, 2009, 2, 2));
    if (z.newToDo(pick(2) ? kBusyPriority : kFreePriority, headings[pick(headings.size())]) == 0) {
      z.incsave_newItem();
      z.setItemSummary("appointment " + std::to_string(op));
      (void)z.incsave_saveCurItem();
    }
    z.setMainViewType(kMainViewNormal);
    z.setGroup(z.getRoot());
  }
  template <class Pick>
  void newGroup(Pick& pick, int op) {
    std::vector<ToDoListGroup*> groups = allGroups(z.getRoot());
    z.setGroup(groups[pick(groups.size())]);
    if (z.newGroup() != 0) return;
    z.incsave_newItem();
    z.setGroupSummary("group " + std::to_string(op));
    (void)z.incsave_saveCurGroup();
    z.setGroup(z.getRoot());
  }

  Zolt& z;
};

// The tree as the master file holds it, with recorded and completion times blanked out:
// they come from the clock, which differs between two runs of the same script.
std::string canonical(Zolt& z) {
  std::ostringstream out;
  z.getRoot()->writeContent(out, false, nullptr, true, true);
  std::istringstream in(out.str());
  std::string result, line;
  while (std::getline(in, line)) {
    if (!line.empty() && (line[0] == 'r' || line[0] == 'f')) line = line.substr(0, 1);
    result += line + "\n";
  }
  return result;
}

std::unique_ptr<Zolt> openAndReplay(const std::string& master) {
  std::unique_ptr<Zolt> z(new Zolt());
  z->createRoot();
  EXPECT_EQ(0, z->readData(master.c_str()));
  std::string error;
  EXPECT_GE(z->incsave_readFiles(error), 0) << error;
  return z;
}

int journalFiles(const std::string& master) {
  int n = 0;
  while (fileExists(master + std::to_string(n))) ++n;
  return n;
}

}  // namespace

class JournalCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initial = readFile(testData("example.dat"));
    // The reference run: the whole script in this process, remembering after each
    // operation how many journal files it had written and what the tree held.
    writeFile(refMaster, initial);
    auto z = openAndReplay(refMaster);
    Script script(*z);
    for (int op = 0; op < kOperations; ++op) {
      script.run(op, kSeed);
      recordsAfter.push_back(z->incsave_getNrOfFiles());
      stateAfter.push_back(canonical(*z));
    }
  }

  // What the first `k` journal files of the reference run make of the initial file.
  std::string replayReference(int k) {
    TempDir scratch;
    std::string master = scratch.file("data.dat");
    writeFile(master, initial);
    for (int n = 0; n < k; ++n) {
      std::filesystem::copy_file(refMaster + std::to_string(n), master + std::to_string(n));
    }
    return canonical(*openAndReplay(master));
  }

  // Runs the script in a child process and kills it once `ops` operations have returned
  // and then `lateBy` more microseconds, so the kill lands inside an operation as often as
  // between two. Returns the number of operations that had returned.
  int RunAndKill(const std::string& master, int ops, unsigned lateBy) {
    int progress[2];
    EXPECT_EQ(0, pipe(progress));
    pid_t child = fork();
    if (child == 0) {
      close(progress[0]);
      auto z = openAndReplay(master);
      Script script(*z);
      for (int op = 0; op < kOperations; ++op) {
        script.run(op, kSeed);
        char done = 1;
        if (write(progress[1], &done, 1) != 1) _exit(1);
      }
      pause();
      _exit(0);
    }
    close(progress[1]);
    int returned = 0;
    char done;
    while (returned < ops && read(progress[0], &done, 1) == 1) ++returned;
    auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(lateBy);
    while (std::chrono::steady_clock::now() < until) {
    }
    EXPECT_EQ(0, kill(child, SIGKILL));
    int status = 0;
    EXPECT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the kill fired: the child did not end by itself";
    while (read(progress[0], &done, 1) == 1) ++returned;  // reported before the kill landed
    close(progress[0]);
    return returned;
  }

  static constexpr unsigned kSeed = 4242;
  TempDir refDir;
  std::string refMaster = refDir.file("data.dat");
  std::string initial;
  std::vector<int> recordsAfter;
  std::vector<std::string> stateAfter;
};

TEST_F(JournalCrashTest, EveryReturnedChangeSurvivesAKill) {
  // The journal of a whole run holds exactly what the document held in memory.
  ASSERT_EQ(stateAfter.back(), replayReference(recordsAfter.back()));

  std::mt19937 random(99);
  for (int point = 0; point < kKillPoints; ++point) {
    TempDir dir;
    std::string master = dir.file("data.dat");
    writeFile(master, initial);
    int target = static_cast<int>(random() % kOperations);
    int returned = RunAndKill(master, target, static_cast<unsigned>(random() % 20000));
    int files = journalFiles(master);
    int acknowledged = returned == 0 ? 0 : recordsAfter[returned - 1];
    EXPECT_GE(files, acknowledged) << "kill after " << returned << " operations";

    RunResult r = runZolt(dir.path(), "-q -f data.dat");
    ASSERT_EQ(0, r.status) << "kill after " << returned << " operations: " << r.err;
    EXPECT_EQ(0, journalFiles(master));
    Zolt after;
    after.createRoot();
    ASSERT_EQ(0, after.readData(master.c_str()));
    std::string state = canonical(after);
    EXPECT_EQ(replayReference(files), state) << "kill after " << returned << " operations";
    // At an operation boundary, the file holds exactly what memory held.
    for (int op = 0; op < kOperations; ++op) {
      if (recordsAfter[op] == files && (op + 1 == kOperations || recordsAfter[op + 1] != files)) {
        EXPECT_EQ(stateAfter[op], state) << "kill after " << returned << " operations";
      }
    }
  }
}
