#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "document/zolt.h"
#include "test_util.h"

namespace {

// What a start leaves behind that the replay's whole-tree passes used to settle: the
// active-jobs count, every group's completion state and counts, and the bytes a save writes.
struct LoadedState {
  int readResult = 0;
  int replayResult = 0;
  unsigned activeJobs = 0;
  unsigned runningInTree = 0;
  std::vector<unsigned> groupCounts;  // completed, done, counted of each group in order
  std::string saved;
};

void collectCounts(const ToDoListGroup* g, std::vector<unsigned>& out) {
  unsigned done = 0, counted = 0;
  g->getCompletedNr(done, counted);
  out.insert(out.end(), {g->isCompleted() ? 1u : 0u, done, counted});
  for (const ToDoListGroup* child : g->getGroups()) collectCounts(child, out);
}

// Loads a copy of `fixture` as start-up does. `withEmptyJournal` puts a journal file that
// holds no record beside it, which takes the replay's full way through the tree.
LoadedState load(const std::string& fixture, bool withEmptyJournal) {
  TempDir dir;
  std::string master = dir.file("data.dat");
  writeFile(master, readFile(testData(fixture)));
  if (withEmptyJournal) writeFile(master + "0", "");
  LoadedState s;
  auto zolt = std::make_unique<Zolt>();
  zolt->createRoot();
  s.readResult = zolt->readData(master.c_str());
  std::string errorFile;
  if (s.readResult == 0) s.replayResult = zolt->incsave_readFiles(errorFile);
  s.activeJobs = zolt->getNrActiveJobs();
  s.runningInTree = zolt->getRoot()->getNrActiveJobs();
  collectCounts(zolt->getRoot(), s.groupCounts);
  std::string out = dir.file("saved.dat");
  EXPECT_EQ(0, zolt->writeData(out.c_str()));
  s.saved = readFile(out);
  return s;
}

}  // namespace

// A start without a journal skips the replay's passes over the tree; what they settled
// must come out the same as with them.
TEST(ColdStartTest, LoadWithoutJournalMatchesFullReplay) {
  for (const char* fixture :
       {"all_records.dat", "example.dat", "cur_group_before_todo.dat", "gui_window.dat",
        "header_only_active.dat", "io_clashing_ids.dat", "recurring_without_begin.dat"}) {
    SCOPED_TRACE(fixture);
    LoadedState fast = load(fixture, false);
    LoadedState full = load(fixture, true);
    ASSERT_EQ(0, fast.readResult);
    EXPECT_EQ(0, fast.replayResult);
    EXPECT_EQ(0, full.replayResult);
    EXPECT_EQ(fast.runningInTree, fast.activeJobs);
    EXPECT_EQ(full.activeJobs, fast.activeJobs);
    EXPECT_EQ(full.groupCounts, fast.groupCounts);
    EXPECT_EQ(full.saved, fast.saved);
  }
}

// Running and completed to-dos deep in the tree are counted by the reader alone.
TEST(ColdStartTest, ReaderCountsRunningAndCompletedToDos) {
  TempDir dir;
  std::string master = dir.file("data.dat");
  writeFile(master,
            "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<idmax=9>\n"
            "g\ns<unnamed>\nI1\n"
            "t\nsopen running\nI2\nR\nr100,100\n>\n"
            "g\nsdone\nI3\n"
            "t\nsfinished\nI4\nf200\n>\n"
            "t\nsa meeting\nI5\np100\n>\n"
            "g\nsdeeper\nI6\n"
            "t\nsalso running\nI7\nR\nr300,300\n>\n"
            ">\n>\n>\n</data>\n");
  Zolt zolt;
  zolt.createRoot();
  ASSERT_EQ(0, zolt.readData(master.c_str()));
  std::string errorFile;
  ASSERT_EQ(0, zolt.incsave_readFiles(errorFile));
  EXPECT_EQ(0, zolt.incsave_getNrOfFiles());
  EXPECT_EQ(2u, zolt.getNrActiveJobs());
  ToDoListGroup* root = zolt.getRoot();
  ToDoListGroup* done = root->getGroups().at(0);
  unsigned nrDone = 0, counted = 0;
  done->getCompletedNr(nrDone, counted);
  EXPECT_FALSE(done->isCompleted());  // its sub-group holds an open to-do
  EXPECT_EQ(1u, nrDone);
  EXPECT_EQ(2u, counted);  // the appointment is not counted
  root->getCompletedNr(nrDone, counted);
  EXPECT_EQ(1u, nrDone);
  EXPECT_EQ(3u, counted);
}

// A file big enough for the load to grow the heap ahead reads back to the same bytes.
TEST(ColdStartTest, BigFileReadsBackToTheSameBytes) {
  TempDir dir;
  std::string first = dir.file("first.dat"), second = dir.file("second.dat");
  {
    Zolt zolt;
    zolt.createRoot();
    ToDoListGroup* g = zolt.getRoot()->newGroup();
    g->setSyncID(2);
    g->setSummary("big");
    std::string note(150, 'x');
    for (unsigned i = 0; i < 40000; ++i) {
      ToDoListToDo* t = g->newToDo();
      t->setSyncID(3 + i);
      t->setSummary("to-do number " + std::to_string(i));
      if (i % 3 != 0) t->setDescription((note + std::to_string(i)).c_str());
    }
    ASSERT_EQ(0, zolt.writeData(first.c_str()));
  }
  ASSERT_GT(readFile(first).size(), size_t{4} << 20);
  // The first file's header holds no idmax (the identifiers were set by hand): the file
  // the program itself wrote is the one that must read back unchanged.
  std::string third = dir.file("third.dat");
  for (const auto& [from, to] : {std::make_pair(first, second), std::make_pair(second, third)}) {
    Zolt zolt;
    zolt.createRoot();
    ASSERT_EQ(0, zolt.readData(from.c_str()));
    std::string errorFile;
    ASSERT_EQ(0, zolt.incsave_readFiles(errorFile));
    ASSERT_EQ(0, zolt.writeData(to.c_str()));
  }
  // Compared whole: a printed difference of two 4 MiB texts would not help.
  std::string a = readFile(second), b = readFile(third);
  auto diff = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  EXPECT_TRUE(a == b) << "first difference at byte " << (diff.first - a.begin()) << ": "
                      << a.substr(diff.first - a.begin(), 80) << " / "
                      << b.substr(diff.second - b.begin(), 80);
}
