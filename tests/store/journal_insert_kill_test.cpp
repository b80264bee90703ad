// A large insertion is one change: a child process inserts an export of many records and
// is killed with SIGKILL, at each file operation it makes and at many instants; after every
// kill a fresh load with the journal's replay holds either all of the records or none.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "document/zolt.h"
#include "test_util.h"

namespace {

// Fault injection for the child: while `killAtOperation` is set, the process kills itself
// at that fsync or rename (counted from 1), before making it or just after. Elsewhere the
// calls do what the C library's do.
int killAtOperation = 0;
bool killAfterIt = false;
int operationsMade = 0;

void operationPoint(bool after) {
  if (killAtOperation == 0) return;
  if (!after) ++operationsMade;
  if (operationsMade == killAtOperation && after == killAfterIt) raise(SIGKILL);
}

}  // namespace

extern "C" int fsync(int fd) {
  operationPoint(false);
  int result = static_cast<int>(syscall(SYS_fsync, fd));
  operationPoint(true);
  return result;
}

extern "C" int rename(const char* from, const char* to) {
  operationPoint(false);
  int result = renameat(AT_FDCWD, from, AT_FDCWD, to);
  operationPoint(true);
  return result;
}

namespace {

constexpr int kToDos = 400;
constexpr int kGroups = 20;
constexpr int kTimedKills = 16;

// The tree with identifiers.
std::string Tree(const Zolt& z) {
  std::ostringstream out;
  z.getRoot()->writeContent(out, false, nullptr, true, true);
  return out.str();
}

std::unique_ptr<Zolt> OpenAndReplay(const std::string& master) {
  std::unique_ptr<Zolt> z(new Zolt());
  z->createRoot();
  EXPECT_EQ(0, z->readData(master.c_str()));
  std::string error;
  EXPECT_GE(z->incsave_readFiles(error), 0) << error;
  return z;
}

ToDoListGroup* TargetOf(const Zolt& z) { return z.getRoot()->getGroups().at(0); }

// Inserts the export into the master file's first group; returns insertDataFromFile's
// result.
int Insert(const std::string& master, const std::string& exported) {
  std::unique_ptr<Zolt> z = OpenAndReplay(master);
  z->setGroup(TargetOf(*z));
  return z->insertDataFromFile(exported.c_str());
}

}  // namespace

class JournalInsertKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The master file: a target group beside a few items of the user's.
    Zolt z;
    z.createRoot();
    ASSERT_EQ(0, z.readData(master().c_str()));
    ASSERT_EQ(0, z.newGroup());
    z.setGroupSummary("Target");
    ASSERT_EQ(0, z.newToDo(0, 0));
    z.setItemSummary("already there");
    ASSERT_EQ(0, z.leaveCurGroup());
    ASSERT_EQ(0, z.newToDo(0, 0));
    z.setItemSummary("beside");
    ASSERT_EQ(0, z.writeData(master().c_str()));
    z.incsave_delFiles();
    initial = readFile(master());
    none = Tree(*OpenAndReplay(master()));
    // The export: many to-dos and groups with to-dos inside.
    Zolt source;
    source.createRoot();
    for (int k = 0; k < kToDos; ++k) {
      ASSERT_EQ(0, source.newToDo(0, 0));
      source.setItemSummary("pasted " + std::to_string(k));
      source.setItemDescription(std::string(100, 'a' + k % 26).c_str());
    }
    for (int k = 0; k < kGroups; ++k) {
      ASSERT_EQ(0, source.newGroup());
      source.setGroupSummary("pasted group " + std::to_string(k));
      ASSERT_EQ(0, source.newToDo(0, 0));
      source.setItemSummary("inside " + std::to_string(k));
      ASSERT_EQ(0, source.leaveCurGroup());
    }
    ASSERT_EQ(0, source.exportContentToFile(exported().c_str()));
    // The reference: the whole insertion in this process.
    auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(0, Insert(master(), exported()));
    took = std::chrono::steady_clock::now() - began;
    all = Tree(*OpenAndReplay(master()));
    ASSERT_NE(none, all);
    ASSERT_EQ(kToDos + 1, static_cast<int>(TargetOf(*OpenAndReplay(master()))->getToDos().size()));
  }

  std::string master() const { return dir.file("data.dat"); }
  std::string exported() const { return dir.file("export.zolt"); }

  // A fresh start on the master file and its journal: all of the insertion or none of it.
  void ExpectAllOrNone(const std::string& when) {
    std::string tree = Tree(*OpenAndReplay(master()));
    EXPECT_TRUE(tree == none || tree == all) << when;
  }

  // Runs the insertion in a child on a fresh copy of the initial master file. With
  // `operation` set, the child kills itself there; else the test kills it `lateBy` after
  // it starts to insert. Returns true when the child was killed before it finished.
  bool InsertInChild(int operation, bool after, std::chrono::nanoseconds lateBy) {
    std::filesystem::remove(master());
    for (int n = 0; fileExists(master() + std::to_string(n)); ++n) {
      std::filesystem::remove(master() + std::to_string(n));
    }
    writeFile(master(), initial);
    int started[2];
    EXPECT_EQ(0, pipe(started));
    pid_t child = fork();
    if (child == 0) {
      close(started[0]);
      std::unique_ptr<Zolt> z = OpenAndReplay(master());
      z->setGroup(TargetOf(*z));
      killAtOperation = operation;
      killAfterIt = after;
      char go = 1;
      if (write(started[1], &go, 1) != 1) _exit(2);
      _exit(z->insertDataFromFile(exported().c_str()) == 0 ? 0 : 1);
    }
    close(started[1]);
    char go;
    EXPECT_EQ(1, read(started[0], &go, 1));
    close(started[0]);
    if (operation == 0) {
      auto until = std::chrono::steady_clock::now() + lateBy;
      while (std::chrono::steady_clock::now() < until) {
      }
      kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) {
      EXPECT_EQ(0, WEXITSTATUS(status));
    }
    return WIFSIGNALED(status);
  }

  TempDir dir;
  std::string initial, none, all;
  std::chrono::steady_clock::duration took{};
};

TEST_F(JournalInsertKillTest, KillAtEveryFileOperationLeavesAllOrNone) {
  int killed = 0;
  for (int operation = 1;; ++operation) {
    bool killedBefore = InsertInChild(operation, false, {});
    if (killedBefore) ExpectAllOrNone("before file operation " + std::to_string(operation));
    bool killedAfter = InsertInChild(operation, true, {});
    if (killedAfter) ExpectAllOrNone("after file operation " + std::to_string(operation));
    killed += killedBefore + killedAfter;
    if (!killedBefore && !killedAfter) break;  // the insertion made fewer operations
  }
  EXPECT_GE(killed, 4);  // at least the record's fsync and its rename, before and after
  ExpectAllOrNone("after the insertion");
  EXPECT_EQ(all, Tree(*OpenAndReplay(master())));
}

TEST_F(JournalInsertKillTest, KillAtAnyInstantLeavesAllOrNone) {
  int killed = 0;
  for (int k = 0; k <= kTimedKills; ++k) {
    auto lateBy = std::chrono::duration_cast<std::chrono::nanoseconds>(took) * k / kTimedKills;
    killed += InsertInChild(0, false, lateBy);
    ExpectAllOrNone("killed " + std::to_string(lateBy.count()) + " ns into the insertion");
  }
  // The earliest kill lands before the child's insertion (a fork alone takes longer than
  // nothing), so at least that one fired.
  EXPECT_GE(killed, 1) << "no kill landed while the child was inserting";
}
