// Random sequences of the operations the window offers, each with the journal calls the
// window makes, in sessions that end with a kill: every journal left behind loads, and
// loaded after any operation it gives back exactly the tree and calendar lists that the
// document held when that operation returned. Seeded: the same seeds make the same runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "document/zolt.h"
#include "store/calendar_headings.h"
#include "store/journal_test_util.h"
#include "test_util.h"

namespace {

constexpr unsigned kSeeds[] = {11, 23, 37};
constexpr int kSessions = 3;
constexpr int kOperationsPerSession = 30;

std::vector<ToDoListGroup*> groupsOf(ToDoListGroup* g, std::vector<ToDoListGroup*> out = {}) {
  out.push_back(g);
  for (ToDoListGroup* sub : g->getGroups()) out = groupsOf(sub, out);
  return out;
}

std::vector<ToDoListToDo*> todosOf(ToDoListGroup* g) {
  std::vector<ToDoListToDo*> out;
  for (ToDoListGroup* each : groupsOf(g)) {
    out.insert(out.end(), each->getToDos().begin(), each->getToDos().end());
  }
  return out;
}

// The window's operations on one document, each as the window's callback makes it.
class Window {
 public:
  Window(Zolt& z, std::mt19937& random, std::string clipboard)
      : z(z), random(random), clipboard(std::move(clipboard)) {}

  // One operation chosen at random; its name, for the messages.
  std::string act() {
    using Op = std::pair<const char*, std::function<bool()>>;
    const Op kOps[] = {
        {"new to-do", [this] { return newToDo(); }},
        {"new group", [this] { return newGroup(); }},
        {"edit to-do", [this] { return editToDo(); }},
        {"edit group", [this] { return editGroup(); }},
        {"toggle completion", [this] { return toggleCompletion(); }},
        {"toggle recording", [this] { return toggleRecording(); }},
        {"cut to-do", [this] { return cutToDo(); }},
        {"copy group", [this] { return copyGroup(); }},
        {"paste", [this] { return paste(); }},
        {"turn to group", [this] { return turnToGroup(false); }},
        {"turn a new to-do to group", [this] { return turnToGroup(true); }},
        {"delete completed", [this] { return deleteCompleted(); }},
        {"delete group", [this] { return deleteGroup(); }},
        {"toggle group flag", [this] { return toggleGroupFlag(); }},
        {"calendar appointment", [this] { return calendarItem(); }},
    };
    for (;;) {
      const Op& op = kOps[pick(sizeof kOps / sizeof kOps[0])];
      z.setMainViewType(kMainViewNormal);
      z.setGroup(z.getRoot());
      if (op.second()) return op.first;
    }
  }

 private:
  size_t pick(size_t n) { return static_cast<size_t>(random() % n); }
  ToDoListGroup* anyGroup() {
    std::vector<ToDoListGroup*> all = groupsOf(z.getRoot());
    return all[pick(all.size())];
  }
  ToDoListToDo* anyToDo() {
    std::vector<ToDoListToDo*> all = todosOf(z.getRoot());
    return all.empty() ? nullptr : all[pick(all.size())];
  }
  // Opens `t` in the editor from its own group.
  void open(ToDoListToDo* t) {
    z.setGroup(z.getRoot()->getGroupPtr(t->getPath()));
    z.setItem(t);
    z.incsave_rememberTodo();
  }
  // The editor's close: the record when anything changed.
  void close() {
    if (z.incsave_todoHasChanged()) (void)z.incsave_saveCurItem();
    z.incsave_forgetTodo();
  }
  void fill(int n) {
    z.setItemSummary("to-do " + std::to_string(n));
    z.setDate(0, 2009, 1 + static_cast<int>(pick(12)), 1 + static_cast<int>(pick(28)));
    if (pick(3) == 0) {
      z.setDate(1, 2009, 1, 1);
      T_recData r;
      r.type = 1 + static_cast<int>(pick(6));
      z.setRecData(r);
    }
  }
  bool newToDo() {
    z.setGroup(anyGroup());
    if (z.newToDo(0, 0) != 0) return false;
    z.incsave_newItem();
    fill(counter++);
    close();
    return true;
  }
  bool newGroup() {
    z.setGroup(anyGroup());
    if (z.newGroup() != 0) return false;
    z.incsave_newItem();
    z.setGroupSummary("group " + std::to_string(counter++));
    if (z.incsave_groupHasChanged()) (void)z.incsave_saveCurGroup();
    z.incsave_forgetGroup();
    return true;
  }
  bool editToDo() {
    ToDoListToDo* t = anyToDo();
    if (t == nullptr) return false;
    open(t);
    z.setItemSummary("edited " + std::to_string(counter++));
    if (!t->isAppointment()) (void)z.setItemPriority(1 + static_cast<unsigned>(pick(6)));
    if (pick(2)) z.clearDate(0);
    close();
    return true;
  }
  bool editGroup() {
    z.setGroup(anyGroup());
    if (z.inRootGroup()) return false;
    z.incsave_rememberGroup();
    z.setGroupSummary("renamed " + std::to_string(counter++));
    z.setGroupPriority(1 + static_cast<unsigned>(pick(6)));
    if (z.incsave_groupHasChanged()) (void)z.incsave_saveCurGroup();
    z.incsave_forgetGroup();
    return true;
  }
  bool toggleCompletion() {
    ToDoListToDo* t = anyToDo();
    if (t == nullptr) return false;
    z.setItem(t);
    int result = z.isItemCompleted() ? z.clearItemCompleted() : z.setItemCompleted();
    if (result >= 0) (void)z.incsave_saveCurItem();
    return true;
  }
  bool toggleRecording() {
    ToDoListToDo* t = anyToDo();
    if (t == nullptr) return false;
    z.setItem(t);
    if (z.setItemRunning(!z.isItemRunning()) == 0) (void)z.incsave_saveCurItem();
    return true;
  }
  bool cutToDo() {
    ToDoListToDo* t = anyToDo();
    if (t == nullptr) return false;
    z.setGroup(z.getRoot()->getGroupPtr(t->getPath()));
    z.setItem(t);
    if (z.exportToDoToFile(clipboard.c_str()) != 0) return false;
    z.incsave_forgetTodo();
    return z.delToDo() == 0;
  }
  bool copyGroup() {
    z.setGroup(anyGroup());
    if (z.inRootGroup()) return false;
    return z.exportGroupToFile(clipboard.c_str()) == 0;  // changes nothing, writes no record
  }
  bool paste() {
    if (!fileExists(clipboard)) return false;
    z.setGroup(anyGroup());
    return z.insertDataFromFile(clipboard.c_str()) == 0;
  }
  bool turnToGroup(bool fresh) {
    if (fresh) {
      z.setGroup(anyGroup());
      if (z.newToDo(0, 0) != 0) return false;
      z.incsave_newItem();
      fill(counter++);
    } else {
      ToDoListToDo* t = anyToDo();
      if (t == nullptr) return false;
      open(t);
    }
    if (z.turnCurItem2Group() != 0) return false;
    // The editor forgets the item it had open: its mark as new must not outlive it.
    z.incsave_rememberTodo();
    z.incsave_forgetTodo();
    return true;
  }
  bool deleteCompleted() {
    z.setGroup(anyGroup());
    z.setOptShowCompleted(true);
    z.clearViewData();
    z.getContent();
    z.sortContent();
    (void)z.delCompleted();
    return true;
  }
  bool deleteGroup() {
    z.setGroup(anyGroup());
    if (z.inRootGroup()) return false;
    if (z.exportGroupToFile(clipboard.c_str()) != 0) return false;
    z.incsave_forgetGroup();
    return z.delCurGroup() == 0;
  }
  bool toggleGroupFlag() {
    z.setGroup(anyGroup());
    if (pick(2)) {
      z.toggleGroupShowCompleted();
    } else {
      z.toggleGroupCompletedLast();
    }
    return true;
  }
  bool calendarItem() {
    std::vector<unsigned> headings = showCalendarHeadings(z, packDate(kNoTime, 2009, 2, 2));
    if (headings.empty()) return false;
    unsigned priority = pick(2) ? kBusyPriority : kFreePriority;
    if (z.newToDo(priority, headings[pick(headings.size())]) != 0) return false;
    z.incsave_newItem();
    z.setItemSummary("appointment " + std::to_string(counter++));
    close();
    return true;
  }

  Zolt& z;
  std::mt19937& random;
  std::string clipboard;
  int counter = 0;
};

// What a start makes of the master file and the first `files` journal files of `from`:
// the document, or null when the journal is refused.
std::unique_ptr<Zolt> loadPrefix(const std::string& from, int files, std::string& problem) {
  TempDir scratch;
  std::string master = scratch.file("data.dat");
  if (fileExists(from)) std::filesystem::copy_file(from, master);
  for (int n = 0; n < files; ++n) {
    std::filesystem::copy_file(from + std::to_string(n), master + std::to_string(n));
  }
  std::unique_ptr<Zolt> z(new Zolt());
  z->createRoot();
  std::string errorFile;
  if (z->readData(master.c_str()) != 0 || z->incsave_readFiles(errorFile) < 0) {
    problem = errorFile + ": " + z->incsave_replayProblem();
    return nullptr;
  }
  return z;
}

std::string stateOf(const Zolt& z) { return TreeText(z) + "-- calendar --\n" + CalendarText(z); }

}  // namespace

TEST(JournalPropertyTest, EveryJournalLoadsAndHoldsWhatWasAcknowledged) {
  int operations = 0, loads = 0;
  for (unsigned seed : kSeeds) {
    TempDir dir;
    std::string master = dir.file("data.dat");
    std::mt19937 random(seed);
    for (int session = 0; session < kSessions; ++session) {
      // A start: the replay and, when it applied anything, the compaction.
      std::unique_ptr<Zolt> z(new Zolt());
      z->createRoot();
      ASSERT_EQ(0, z->readData(master.c_str()));
      std::string errorFile;
      int replayed = z->incsave_readFiles(errorFile);
      ASSERT_GE(replayed, 0) << "seed " << seed << ": " << errorFile;
      if (replayed == 1) {
        ASSERT_EQ(0, z->incsave_compact(master.c_str()));
      }
      Window window(*z, random, dir.file("clipboard"));
      std::vector<std::string> names{"start"};
      std::vector<int> filesAfter{z->incsave_getNrOfFiles()};
      std::vector<std::string> stateAfter{stateOf(*z)};
      for (int op = 0; op < kOperationsPerSession; ++op, ++operations) {
        names.push_back(window.act());
        filesAfter.push_back(z->incsave_getNrOfFiles());
        stateAfter.push_back(stateOf(*z));
      }
      ASSERT_FALSE(z->incsave_failed());
      // The kill: nothing more is written. A start after any file of the journal loads,
      // and after the last file of an operation it holds what that operation left.
      for (int files = 0; files <= filesAfter.back(); ++files) {
        std::string problem;
        std::unique_ptr<Zolt> loaded = loadPrefix(master, files, problem);
        ++loads;
        ASSERT_NE(nullptr, loaded) << "seed " << seed << ", session " << session << ", " << files
                                   << " journal files: " << problem;
        std::string state = stateOf(*loaded);
        for (size_t k = 0; k < names.size(); ++k) {
          if (filesAfter[k] != files) continue;
          ASSERT_EQ(stateAfter[k], state) << "seed " << seed << ", session " << session
                                          << ", after operation " << k << " (" << names[k] << ")";
        }
      }
      // Now and then the session ends by the shutdown's full save instead.
      if (random() % 3 == 0) {
        ASSERT_EQ(0, z->incsave_compact(master.c_str()));
      }
    }
  }
  EXPECT_EQ(static_cast<int>(sizeof kSeeds / sizeof kSeeds[0]) * kSessions * kOperationsPerSession,
            operations);
  EXPECT_GT(loads, operations / 2) << "most operations write a record";
}
