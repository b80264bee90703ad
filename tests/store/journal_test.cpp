#include <gtest/gtest.h>

#include <sstream>

#include "crypt/sha1.h"
#include "document/zolt.h"
#include "test_util.h"

// A document on a master file in a temporary directory, reopened as start-up does.
class JournalTest : public ::testing::Test {
 protected:
  JournalTest() { Open(); }

  // Opens the master file and replays the journal; returns the replay's result.
  int Open() {
    zolt.reset(new Zolt());
    zolt->createRoot();
    EXPECT_EQ(0, zolt->readData(master.c_str()));
    errorFile.clear();
    return zolt->incsave_readFiles(errorFile);
  }
  ToDoListGroup* Root() { return zolt->getRoot(); }
  // A new to-do in `g` with identifier `sid`, journalled as the editor does on closing.
  ToDoListToDo* NewToDo(ToDoListGroup* g, unsigned sid, const std::string& summary) {
    ToDoListToDo* t = g->newToDo();
    t->setSyncID(sid);
    t->setSummary(summary);
    zolt->setGroup(g);
    zolt->setItem(t);
    zolt->incsave_newItem();
    EXPECT_EQ(0, zolt->incsave_saveCurItem());
    return t;
  }
  std::string Journal(int n) { return readFile(master + std::to_string(n)); }
  // The tree as an export would write it, for comparing whole documents.
  static std::string Tree(ToDoListGroup* root) {
    std::ostringstream out;
    root->writeContent(out, false, nullptr, true, true);
    return out.str();
  }

  TempDir dir;
  std::string master = dir.file("data.dat");
  std::unique_ptr<Zolt> zolt;
  std::string errorFile;
};

TEST_F(JournalTest, NoJournalReplaysNothing) {
  EXPECT_EQ(0, Open());
  EXPECT_EQ(0, zolt->incsave_getNrOfFiles());
}

TEST_F(JournalTest, NewItemRecordIsWrittenAndReplayed) {
  NewToDo(Root(), 50, "Call Bob");
  EXPECT_EQ(1, zolt->incsave_getNrOfFiles());
  EXPECT_EQ(
      "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<new parent=1>\nt\nsCall Bob\nI50\n"
      ">\n>\n</new>\n</data>\n",
      Journal(0));
  std::string before = Tree(Root());
  EXPECT_EQ(1, Open());
  EXPECT_EQ(before, Tree(Root()));
  EXPECT_EQ(50u, zolt->getIdmax());
}

TEST_F(JournalTest, ChangedRecordsApplyInOrderAndKeepThePlace) {
  ToDoListGroup* g = Root()->newGroup();
  g->setSyncID(7);
  ASSERT_EQ(0, zolt->incsave_newRecord(1, g, true));
  NewToDo(g, 8, "first");
  NewToDo(g, 9, "second");
  ToDoListToDo* t = g->getToDos()[0];
  zolt->setItem(t);
  zolt->incsave_rememberTodo();
  EXPECT_FALSE(zolt->incsave_todoHasChanged());
  t->setSummary("edited once");
  EXPECT_TRUE(zolt->incsave_todoHasChanged());
  ASSERT_EQ(0, zolt->incsave_saveCurItem());
  t->setSummary("edited twice");
  t->addTime(100, 200);
  ASSERT_EQ(0, zolt->incsave_saveCurItem());
  EXPECT_NE(std::string::npos,
            Journal(4).find("<changed>\nt\nsedited twice\nI8\nr100,200\n>\n</changed>\n"));
  std::string before = Tree(Root());

  EXPECT_EQ(1, Open());
  EXPECT_EQ(before, Tree(Root()));
  EXPECT_EQ(0u, Root()->getGroups()[0]->getToDos()[0]->getID());
}

TEST_F(JournalTest, GroupRecords) {
  ToDoListGroup* g = Root()->newGroup();
  g->setSyncID(5);
  g->setSummary("Work");
  zolt->setGroup(g);
  zolt->incsave_newItem();
  ASSERT_EQ(0, zolt->incsave_saveCurGroup());
  zolt->incsave_rememberGroup();
  EXPECT_FALSE(zolt->incsave_groupHasChanged());
  g->setSummary("Play");
  g->setPriority(2);
  EXPECT_TRUE(zolt->incsave_groupHasChanged());
  ASSERT_EQ(0, zolt->incsave_saveCurGroup());
  zolt->incsave_forgetGroup();
  EXPECT_EQ(1, Open());
  ASSERT_EQ(1u, Root()->getGroups().size());
  EXPECT_EQ("Play", Root()->getGroups()[0]->getSummary());
  EXPECT_EQ(2u, Root()->getGroups()[0]->getPriority());
}

TEST_F(JournalTest, DeletedRecordsRemoveItemsAndSubtrees) {
  ToDoListGroup* g = Root()->newGroup();
  g->setSyncID(5);
  ASSERT_EQ(0, zolt->incsave_newRecord(1, g, true));
  NewToDo(g, 6, "inside");
  NewToDo(Root(), 7, "outside");
  ASSERT_EQ(0, zolt->incsave_deleted(7));
  ASSERT_EQ(0, zolt->incsave_deleted(5));
  EXPECT_EQ(1, Open());
  EXPECT_TRUE(Root()->getGroups().empty());
  EXPECT_TRUE(Root()->getToDos().empty());
}

TEST_F(JournalTest, RunMustStartAtZero) {
  writeFile(master + "1", "<data>\n<deleted>\n99\n</deleted>\n</data>\n");
  EXPECT_EQ(0, Open());
}

TEST_F(JournalTest, HeaderOnlyFileIsPassedOver) {
  writeFile(master + "0", "<type=Zolt>\n<data>\n</data>\n");
  EXPECT_EQ(0, Open());
  NewToDo(Root(), 60, "after");
  EXPECT_TRUE(fileExists(master + "1"));
  EXPECT_EQ(1, Open());
  EXPECT_EQ(1u, Root()->getToDos().size());
}

TEST_F(JournalTest, DamagedRecordsNameTheirFile) {
  static const struct {
    const char* name;
    const char* record;
  } kCases[] = {
      {"unknown deleted item", "<deleted>\n99\n</deleted>\n"},
      {"deleted without end", "<deleted>\n1\n"},
      {"unknown parent", "<new parent=99>\nt\nsx\n>\n>\n</new>\n"},
      {"missing </new>", "<new parent=1>\nt\nsx\n>\n>\n"},
      {"changed unknown item", "<changed>\nt\nsx\nI99\n>\n</changed>\n"},
      {"changed without identifier", "<changed>\nt\nsx\n>\n</changed>\n"},
      {"changed to-do names a group", "<changed>\nt\nsx\nI1\n>\n</changed>\n"},
  };
  for (const auto& c : kCases) {
    writeFile(master + "0", std::string("<data>\n") + c.record + "</data>\n");
    EXPECT_EQ(-1, Open()) << c.name;
    EXPECT_EQ(master + "0", errorFile) << c.name;
  }
}

TEST_F(JournalTest, NewItemUnderAToDoIsDamaged) {
  NewToDo(Root(), 20, "a to-do");
  writeFile(master + "1", "<data>\n<new parent=20>\nt\nsinside\n>\n>\n</new>\n</data>\n");
  EXPECT_EQ(-1, Open());
  EXPECT_EQ(master + "1", errorFile);
}

TEST_F(JournalTest, ReplayRecountsActiveJobs) {
  NewToDo(Root(), 30, "job");
  writeFile(master + "1", "<data>\n<changed>\nt\nsjob\nI30\nR\nr10,10\n>\n</changed>\n</data>\n");
  EXPECT_EQ(1, Open());
  EXPECT_EQ(1u, zolt->getNrActiveJobs());
  writeFile(master + "2", "<data>\n<changed>\nt\nsjob\nI30\nr10,20\n>\n</changed>\n</data>\n");
  EXPECT_EQ(1, Open());
  EXPECT_EQ(0u, zolt->getNrActiveJobs());
}

TEST_F(JournalTest, CompactionWritesTheMasterAndRemovesTheJournal) {
  NewToDo(Root(), 40, "kept");
  ASSERT_EQ(1, Open());
  ASSERT_EQ(0, zolt->incsave_compact(master.c_str()));
  EXPECT_FALSE(fileExists(master + "0"));
  EXPECT_FALSE(fileExists(master + ".compacted"));
  EXPECT_EQ(0, Open());
  ASSERT_EQ(1u, Root()->getToDos().size());
  EXPECT_EQ("kept", Root()->getToDos()[0]->getSummary());
}

// The compaction marker: size and SHA-1 of the master file the compaction wrote.
static std::string Fingerprint(const std::string& content) {
  unsigned char digest[kSha1DigestLen];
  Hash_SHA1::Digest(content.data(), static_cast<int>(content.size()), digest);
  std::string hex;
  for (unsigned char b : digest) {
    static const char kHex[] = "0123456789abcdef";
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  return std::to_string(content.size()) + " " + hex + "\n";
}

// A crash after the new master file replaced the old one but before the journal was
// removed: the journal must not be applied a second time.
TEST_F(JournalTest, InterruptedCompactionIsNotReplayedTwice) {
  NewToDo(Root(), 40, "once");
  NewToDo(Root(), 41, "gone");
  ASSERT_EQ(0, zolt->incsave_deleted(41));
  std::string journal[3] = {Journal(0), Journal(1), Journal(2)};
  ASSERT_EQ(1, Open());
  ASSERT_EQ(0, zolt->incsave_compact(master.c_str()));
  std::string compacted = readFile(master);
  for (int n = 0; n < 3; ++n) writeFile(master + std::to_string(n), journal[n]);
  writeFile(master + ".compacted", Fingerprint(compacted));

  EXPECT_EQ(0, Open());
  EXPECT_EQ(1u, Root()->getToDos().size());
  EXPECT_FALSE(fileExists(master + "0"));
  EXPECT_FALSE(fileExists(master + ".compacted"));
}

// A crash before the new master file was in place: the marker does not match, the journal
// is replayed as usual.
TEST_F(JournalTest, CompactionMarkerOfAnotherFileIsIgnored) {
  NewToDo(Root(), 40, "once");
  writeFile(master + ".compacted", Fingerprint("some other content"));
  EXPECT_EQ(1, Open());
  EXPECT_EQ(1u, Root()->getToDos().size());
  EXPECT_FALSE(fileExists(master + ".compacted"));
}

TEST_F(JournalTest, LeftoverTemporaryFilesAreRemoved) {
  writeFile(master + ".jtmpAbC123", "half a record");
  writeFile(master + ".tmpXyZ789", "half a master file");
  writeFile(dir.file("unrelated.jtmp"), "keep");
  Open();
  EXPECT_FALSE(fileExists(master + ".jtmpAbC123"));
  EXPECT_FALSE(fileExists(master + ".tmpXyZ789"));
  EXPECT_TRUE(fileExists(dir.file("unrelated.jtmp")));
}

TEST_F(JournalTest, UnwritableJournalIsReported) {
  zolt.reset(new Zolt());
  zolt->createRoot();
  ASSERT_EQ(0, zolt->readData(dir.file("missing/data.dat").c_str()));
  testing::internal::CaptureStderr();
  EXPECT_EQ(-1, zolt->incsave_deleted(1));
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(
                                   "changes are no longer being saved as they happen"));
  EXPECT_TRUE(zolt->incsave_failed());
  EXPECT_EQ(0, zolt->incsave_getNrOfFiles());
}
