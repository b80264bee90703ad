#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "crypt/sha1.h"
#include "document/zolt.h"
#include "store/journal_test_util.h"
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
  writeFile(master + "1", "<type=Zolt>\n<data>\n<deleted>\n99\n</deleted>\n</data>\n");
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
    writeFile(master + "0", std::string("<type=Zolt>\n<data>\n") + c.record + "</data>\n");
    EXPECT_EQ(-1, Open()) << c.name;
    EXPECT_EQ(master + "0", errorFile) << c.name;
  }
}

TEST_F(JournalTest, NewItemUnderAToDoIsDamaged) {
  NewToDo(Root(), 20, "a to-do");
  writeFile(master + "1", "<type=Zolt>\n<data>\n<new parent=20>\nt\nsinside\n>\n>\n</new>\n</data>\n");
  EXPECT_EQ(-1, Open());
  EXPECT_EQ(master + "1", errorFile);
}

TEST_F(JournalTest, ReplayRecountsActiveJobs) {
  NewToDo(Root(), 30, "job");
  writeFile(master + "1", "<type=Zolt>\n<data>\n<changed>\nt\nsjob\nI30\nR\nr10,10\n>\n</changed>\n</data>\n");
  EXPECT_EQ(1, Open());
  EXPECT_EQ(1u, zolt->getNrActiveJobs());
  writeFile(master + "2", "<type=Zolt>\n<data>\n<changed>\nt\nsjob\nI30\nr10,20\n>\n</changed>\n</data>\n");
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

// ---- What the document does, the replay accepts ----

TEST_F(JournalTest, TurnToGroupOfAToDoNoRecordHoldsReplays) {
  ASSERT_EQ(0, zolt->newToDo(0, 0));  // made in the editor, never journalled
  zolt->incsave_newItem();
  zolt->setItemSummary("never journalled");
  ASSERT_EQ(0, zolt->turnCurItem2Group());
  EXPECT_FALSE(zolt->incsave_todoHasChanged()) << "the group's record holds the to-do";
  std::string before = Tree(Root());
  EXPECT_EQ(1, zolt->incsave_getNrOfFiles()) << "no deletion of what no record made";
  EXPECT_EQ(1, Open()) << errorFile << ": " << zolt->incsave_replayProblem();
  EXPECT_EQ(before, Tree(Root()));
}

TEST_F(JournalTest, TurnToGroupOfAJournalledToDoReplays) {
  NewToDo(Root(), 50, "journalled");
  zolt->setItem(Root()->getToDos()[0]);
  ASSERT_EQ(0, zolt->turnCurItem2Group());
  EXPECT_EQ(3, zolt->incsave_getNrOfFiles());
  std::string before = Tree(Root());
  EXPECT_EQ(1, Open()) << zolt->incsave_replayProblem();
  EXPECT_EQ(before, Tree(Root()));
}

// Groups nested down to the deepest level the readers accept, built in the file.
static std::string NestedFile(unsigned levels) {
  std::string text = "<type=Zolt>\n<data>\n<idmax=1>\ng\nI1\n";
  for (unsigned i = 0; i < levels; ++i) text += "g\nsg\nI" + std::to_string(i + 2) + "\n";
  text += "t\nsdeep\nI9999\n>\n";
  for (unsigned i = 0; i <= levels; ++i) text += ">\n";
  return text + "</data>\n";
}

TEST_F(JournalTest, NoGroupIsMadeBelowTheDeepestLevelTheReadersAccept) {
  writeFile(master, NestedFile(kMaxGroupDepth));
  ASSERT_EQ(0, Open());
  ToDoListGroup* deepest = Root();
  while (!deepest->getGroups().empty()) deepest = deepest->getGroups()[0];
  ASSERT_EQ(kMaxGroupDepth, deepest->getLevel());
  zolt->setGroup(deepest);
  EXPECT_EQ(-1, zolt->newGroup());
  zolt->setItem(deepest->getToDos()[0]);
  EXPECT_EQ(-1, zolt->turnCurItem2Group());
  Zolt source;
  source.createRoot();
  ASSERT_EQ(0, source.newGroup());
  ASSERT_EQ(0, source.newToDo(0, 0));
  source.setItemSummary("inside");
  ASSERT_EQ(0, source.leaveCurGroup());
  ASSERT_EQ(0, source.newToDo(0, 0));
  source.setItemSummary("beside");
  std::string exported = dir.file("export.zolt");
  ASSERT_EQ(0, source.exportContentToFile(exported.c_str()));
  std::string where;
  EXPECT_EQ(Zolt::kInsertDamaged, zolt->insertDataFromFile(exported.c_str(), &where));
  EXPECT_NE(std::string::npos, where.find("groups nest at most 1000 levels deep")) << where;
  ASSERT_EQ(2u, deepest->getToDos().size()) << "the to-do beside the group is inserted";
  EXPECT_TRUE(deepest->getGroups().empty());
  ToDoListGroup built(0, "", 0);
  built.setSummary("imported");
  EXPECT_EQ(-1, zolt->insertGroup(built));

  std::string before = Tree(Root());
  EXPECT_EQ(1, Open()) << zolt->incsave_replayProblem();
  EXPECT_EQ(before, Tree(Root()));
  ASSERT_EQ(0, zolt->incsave_compact(master.c_str()));
  EXPECT_EQ(0, Open()) << "the master file reads back";
  EXPECT_EQ(before, Tree(Root()));
}

TEST_F(JournalTest, GroupFlagsAreJournalledAtOnce) {
  ToDoListGroup* g = Root()->newGroup();
  g->setSyncID(5);
  ASSERT_EQ(0, zolt->incsave_newRecord(1, g, false));
  zolt->setGroup(g);
  EXPECT_FALSE(zolt->toggleGroupShowCompleted());
  EXPECT_EQ(2, zolt->incsave_getNrOfFiles());
  EXPECT_FALSE(zolt->toggleGroupCompletedLast());
  EXPECT_EQ(3, zolt->incsave_getNrOfFiles());
  zolt->setGroup(Root());
  EXPECT_FALSE(zolt->toggleGroupCompletedLast()) << "the root of a file never saved too";
  EXPECT_EQ(4, zolt->incsave_getNrOfFiles());
  std::string before = Tree(Root());
  EXPECT_EQ(1, Open());
  EXPECT_EQ(before, Tree(Root()));
  EXPECT_FALSE(Root()->getGroups()[0]->getShowCompleted());
  EXPECT_FALSE(Root()->getGroups()[0]->getCompletedLast());
  EXPECT_FALSE(Root()->getCompletedLast());
}

TEST_F(JournalTest, FlagsOfAGroupNoRecordHoldsWaitForItsOwnRecord) {
  ASSERT_EQ(0, zolt->newGroup());
  zolt->incsave_newItem();
  zolt->toggleGroupShowCompleted();
  EXPECT_EQ(0, zolt->incsave_getNrOfFiles()) << "a changed record could not be replayed";
  ASSERT_EQ(0, zolt->incsave_saveCurGroup());
  EXPECT_EQ(1, Open()) << zolt->incsave_replayProblem();
  EXPECT_FALSE(Root()->getGroups()[0]->getShowCompleted());
}

// Every kind of record leaves the calendar lists as a fresh load of the same tree makes
// them: the replay takes items out and puts them back, the reader builds them anew.
TEST_F(JournalTest, ReplayedRecordsLeaveTheCalendarListsAsALoadMakesThem) {
  std::string day1 = std::to_string(packDate(kNoTime, 2009, 2, 3));
  std::string day2 = std::to_string(packDate(kNoTime, 2009, 2, 5));
  const std::string kRecords[] = {
      "<new parent=1>\nt\nsdated\nI20\nm" + day1 + "\nn" + day1 + "\n>\n>\n</new>\n",
      "<new parent=1>\nt\nsbusy\nI21\np100\nm" + day1 + "\nn" + day1 + "\n>\n>\n</new>\n",
      "<new parent=1>\ng\nsgroup\nI22\nt\nsinside\nI23\nn" + day2 + "\n>\n>\n>\n</new>\n",
      "<changed>\nt\nsdated, moved\nI20\nm" + day2 + "\nn" + day2 + "\n>\n</changed>\n",
      "<changed>\nt\nsbusy, moved\nI21\np100\nm" + day2 + "\nn" + day2 + "\n>\n</changed>\n",
      "<changed>\nt\nsrecurring\nI20\nm" + day2 + "\nn" + day2 + "\n11\n>\n</changed>\n",
      "<deleted>\n23\n</deleted>\n",
      "<deleted>\n21\n</deleted>\n",
  };
  for (size_t k = 0; k < sizeof kRecords / sizeof kRecords[0]; ++k) {
    writeFile(master + std::to_string(k), std::string("<type=Zolt>\n<data>\n") + kRecords[k] + "</data>\n");
    ASSERT_EQ(1, Open()) << kRecords[k] << zolt->incsave_replayProblem();
    std::string replayed = CalendarText(*zolt);
    std::string written = dir.file("written.dat");
    ASSERT_EQ(0, zolt->writeData(written.c_str()));
    Zolt fresh;
    fresh.createRoot();
    ASSERT_EQ(0, fresh.readData(written.c_str()));
    EXPECT_EQ(CalendarText(fresh), replayed) << "after " << kRecords[k];
    EXPECT_NE("", replayed);
  }
}

TEST_F(JournalTest, IdentifiersThatDoNotFitAreRefused) {
  NewToDo(Root(), 2, "two");
  static const char* const kRecords[] = {
      "<deleted>\n4294967298\n</deleted>\n",
      "<deleted>\n-4294967294\n</deleted>\n",
      "<new parent=4294967297>\nt\nsx\n>\n>\n</new>\n",
  };
  for (const char* record : kRecords) {
    writeFile(master + "1", std::string("<type=Zolt>\n<data>\n") + record + "</data>\n");
    EXPECT_EQ(-1, Open()) << record;
    EXPECT_NE(std::string::npos, zolt->incsave_replayProblem().find("no number")) << record;
  }
}

TEST_F(JournalTest, ARefusedRecordSaysWhichLineAndWhy) {
  writeFile(master + "0", "<type=Zolt>\n<data>\n<deleted>\n77\n</deleted>\n</data>\n");
  EXPECT_EQ(-1, Open());
  EXPECT_EQ("line 3: <deleted>: no item has the identifier 77", zolt->incsave_replayProblem());
}

TEST_F(JournalTest, ANewRecordThatFailsHalfwayChangesNothing) {
  NewToDo(Root(), 2, "before");
  std::string before = Tree(Root());
  // Two whole to-dos, then no "</new>": the record is refused as a whole.
  writeFile(master + "1", "<type=Zolt>\n<data>\n<new parent=1>\nsrenamed\nt\nsone\nI3\n>\nt\nstwo\nI4\n>\n>\n");
  int setAside = 0;
  zolt.reset(new Zolt());
  zolt->createRoot();
  ASSERT_EQ(0, zolt->readData(master.c_str()));
  EXPECT_EQ(1, zolt->incsave_recoverFiles(setAside));
  EXPECT_EQ(1, setAside);
  EXPECT_EQ(before, Tree(Root()));
  EXPECT_EQ(0u, CalendarText(*zolt).size());
}

TEST_F(JournalTest, RecoveryAppliesWhatItCanAndSetsAsideTheRest) {
  NewToDo(Root(), 2, "first");
  NewToDo(Root(), 3, "after the bad one");
  std::filesystem::rename(master + "1", master + "2");
  std::string bad = "<type=Zolt>\n<data>\n<deleted>\n77\n</deleted>\n</data>\n";
  writeFile(master + "1", bad);
  EXPECT_EQ(-1, Open());
  EXPECT_EQ(bad, readFile(master + "1")) << "the refusal touches nothing";
  EXPECT_FALSE(fileExists(zolt->incsave_setAsideName()));

  zolt.reset(new Zolt());
  zolt->createRoot();
  ASSERT_EQ(0, zolt->readData(master.c_str()));
  int setAside = 0;
  ASSERT_EQ(1, zolt->incsave_recoverFiles(setAside));
  EXPECT_EQ(1, setAside);
  ASSERT_EQ(2u, Root()->getToDos().size());
  EXPECT_EQ("after the bad one", Root()->getToDos()[1]->getSummary());
  std::string kept = readFile(master + ".unapplied");
  EXPECT_EQ(
      "# " + master + "1 was not applied: line 3: <deleted>: no item has the identifier 77\n" + bad,
      kept);
  ASSERT_EQ(0, zolt->incsave_compact(master.c_str()));
  EXPECT_EQ(0, Open());
  EXPECT_EQ(2u, Root()->getToDos().size());
  EXPECT_EQ(kept, readFile(master + ".unapplied")) << "kept until the user deals with it";
}

// ---- Removal of the journal ----

TEST_F(JournalTest, ARecognisedCompactionRemovesFilesBeyondAGap) {
  NewToDo(Root(), 40, "once");
  NewToDo(Root(), 41, "twice?");
  NewToDo(Root(), 42, "thrice?");
  std::string journal[3] = {Journal(0), Journal(1), Journal(2)};
  ASSERT_EQ(1, Open());
  ASSERT_EQ(0, zolt->incsave_compact(master.c_str()));
  // A crash after removing file 0 of three, as removal from 0 upwards could leave it.
  writeFile(master + "1", journal[1]);
  writeFile(master + "2", journal[2]);
  writeFile(master + ".compacted", Fingerprint(readFile(master)));
  EXPECT_EQ(0, Open());
  EXPECT_FALSE(fileExists(master + "1"));
  EXPECT_FALSE(fileExists(master + "2"));
  // The next session's journal starts at 0 and is all that a later start replays.
  NewToDo(Root(), 43, "new");
  EXPECT_EQ(1, Open());
  EXPECT_EQ(4u, Root()->getToDos().size());
}

TEST_F(JournalTest, FilesBeyondTheRunAreSetAsideBeforeANewJournalBegins) {
  NewToDo(Root(), 40, "in the master");
  ASSERT_EQ(1, Open());
  ASSERT_EQ(0, zolt->incsave_compact(master.c_str()));
  std::string stale = "<type=Zolt>\n<data>\n<new parent=1>\nt\nsstale\nI41\n>\n>\n</new>\n</data>\n";
  writeFile(master + "1", stale);  // no marker: nothing says whether the master holds it
  EXPECT_EQ(0, Open());
  EXPECT_FALSE(fileExists(master + "1"));
  EXPECT_NE(std::string::npos, readFile(master + ".unapplied").find(stale));
  NewToDo(Root(), 42, "new");
  EXPECT_EQ(1, Open());
  EXPECT_EQ(2u, Root()->getToDos().size()) << "the stale file never joins the new run";
}

TEST_F(JournalTest, LeftoverCompactionMarkerTemporariesAreRemoved) {
  writeFile(master + ".compacted.Ab12Cd", "half a fingerprint");
  Open();
  EXPECT_FALSE(fileExists(master + ".compacted.Ab12Cd"));
}

// ---- Names ----

TEST_F(JournalTest, EverySpellingOfTheMasterFileFindsTheSameJournal) {
  ASSERT_EQ(0, zolt->writeData(master.c_str()));
  std::filesystem::create_symlink(master, dir.file("link.dat"));
  std::string link = dir.file("link.dat");
  zolt.reset(new Zolt());
  zolt->createRoot();
  ASSERT_EQ(0, zolt->readData(link.c_str()));
  zolt->incsave_newItem();
  ASSERT_EQ(0, zolt->newToDo(0, 0));
  zolt->incsave_newItem();
  ASSERT_EQ(0, zolt->incsave_saveCurItem());
  EXPECT_TRUE(fileExists(master + "0"));
  EXPECT_FALSE(fileExists(link + "0"));
  EXPECT_EQ(1, Open()) << "opened under its own name, the file finds the journal";
  EXPECT_EQ(1u, Root()->getToDos().size());
}

TEST_F(JournalTest, AJournalUnderTheNameAsTypedIsFoundOnce) {
  ASSERT_EQ(0, zolt->writeData(master.c_str()));
  std::string link = dir.file("link.dat");
  std::filesystem::create_symlink(master, link);
  writeFile(link + "0", "<type=Zolt>\n<data>\n<new parent=1>\nt\nsone\nI2\n>\n>\n</new>\n</data>\n");
  writeFile(link + "1", "<type=Zolt>\n<data>\n<new parent=1>\nt\nstwo\nI3\n>\n>\n</new>\n</data>\n");
  zolt.reset(new Zolt());
  zolt->createRoot();
  ASSERT_EQ(0, zolt->readData(link.c_str()));
  ASSERT_EQ(1, zolt->incsave_readFiles(errorFile)) << zolt->incsave_replayProblem();
  EXPECT_EQ(2u, Root()->getToDos().size());
  EXPECT_FALSE(fileExists(link + "0"));
  EXPECT_TRUE(fileExists(master + "1"));
  EXPECT_EQ(1, Open()) << "found once: now under the file's own name";
  EXPECT_EQ(2u, Root()->getToDos().size());
}
