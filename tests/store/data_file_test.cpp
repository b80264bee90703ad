#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "document/zolt.h"
#include "test_util.h"

class DataFileTest : public ::testing::Test {
 protected:
  DataFileTest() { zolt.createRoot(); }

  int Load(const std::string& content) {
    writeFile(master, content);
    return zolt.readData(master.c_str());
  }
  int LoadFixture(const std::string& name) { return Load(readFile(testData(name))); }
  std::string Save() {
    EXPECT_EQ(0, zolt.writeData(saved.c_str()));
    return readFile(saved);
  }
  // A file with the standard header lines, `items` after the root's "g" line.
  static std::string withItems(const std::string& items) {
    return "<type=Zolt>\n<data>\n<idmax=0>\ng\n" + items + ">\n</data>\n";
  }

  TempDir dir;
  std::string master = dir.file("master.dat");
  std::string saved = dir.file("saved.dat");
  Zolt zolt;
};

TEST_F(DataFileTest, ExampleRoundTripsByteForByte) {
  ASSERT_EQ(0, LoadFixture("example.dat"));
  EXPECT_EQ(readFile(testData("example.dat")), Save());
}

TEST_F(DataFileTest, EveryRecordLineKindRoundTrips) {
  ASSERT_EQ(0, LoadFixture("all_records.dat"));
  EXPECT_EQ(readFile(testData("all_records.dat")), Save());
  EXPECT_EQ(zolt.getRoot()->getGroups()[0], zolt.getCurGroup());
  EXPECT_EQ(1u, zolt.getNrActiveJobs());
}

TEST_F(DataFileTest, MissingFileIsAnEmptyDocument) {
  ASSERT_EQ(0, zolt.readData(dir.file("none.dat").c_str()));
  EXPECT_EQ(1u, zolt.getRoot()->getSyncID());
  EXPECT_EQ(1u, zolt.getIdmax());
  EXPECT_EQ("/0/", zolt.getCurGroupPath());
}

TEST_F(DataFileTest, ItemsWithoutIdentifierGetTheNextOnes) {
  ASSERT_EQ(0, Load("<idmax=41>\ng\nt\nsNew\n>\nI7\n>\n</data>\n"));
  EXPECT_EQ(42u, zolt.getRoot()->getToDos()[0]->getSyncID());
  EXPECT_EQ(42u, zolt.getIdmax());
  EXPECT_FALSE(zolt.getRoot()->getToDos()[0]->hasBeenSaved());
  EXPECT_TRUE(zolt.getRoot()->hasBeenSaved());
}

TEST_F(DataFileTest, ChildrenAreNumberedInFileOrder) {
  ASSERT_EQ(0, Load(withItems("I1\nt\nI2\n>\ng\nI3\n>\nt\nI4\n>\n")));
  const ToDoListGroup* root = zolt.getRoot();
  EXPECT_EQ(0u, root->getToDos()[0]->getID());
  EXPECT_EQ(1u, root->getGroups()[0]->getID());
  EXPECT_EQ(2u, root->getToDos()[1]->getID());
  EXPECT_EQ("/0/1/", root->getGroups()[0]->fullPath());
}

TEST_F(DataFileTest, ViewFlagsAndDefaultRecord) {
  ASSERT_EQ(0, Load(withItems("I1\ng\nI2\nc0\nl1\n>\nt\nsPlain\nI3\n>\n")));
  const ToDoListGroup* g = zolt.getRoot()->getGroups()[0];
  EXPECT_FALSE(g->getShowCompleted());
  EXPECT_TRUE(g->getCompletedLast());
  std::string out = Save();
  EXPECT_NE(std::string::npos, out.find("\nt\nsPlain\nI3\n>\n"));
  EXPECT_NE(std::string::npos, out.find("\ng\ns<unnamed>\nI2\nc0\n>\n"));
}

TEST_F(DataFileTest, LongSummaryAndDescriptionRoundTrip) {
  std::string summary(2000, 's');
  std::string descr = std::string(3000, 'd') + "\n\n";
  ASSERT_EQ(0, Load(withItems("I1\nt\ns" + summary + "\nI2\nd" + std::to_string(descr.size()) +
                              "\n" + descr + "\n>\n")));
  const char* text = nullptr;
  zolt.getRoot()->getToDos()[0]->GetDescription(text, nullptr);
  EXPECT_EQ(descr, text);
  std::string first = Save();
  Zolt again;
  again.createRoot();
  ASSERT_EQ(0, again.readData(saved.c_str()));
  EXPECT_EQ(summary, again.getRoot()->getToDos()[0]->getSummary());
}

TEST_F(DataFileTest, LineBreaksInNamesBecomeBlanks) {
  ASSERT_EQ(0, Load(withItems("I1\n>\n")));
  ToDoListToDo* t = zolt.getRoot()->newToDo();
  t->setSummary("two\nlines\r");
  zolt.getRoot()->newGroup()->setSummary("a\rb");
  EXPECT_EQ("two lines ", t->getSummary());
  Save();
  Zolt again;
  again.createRoot();
  ASSERT_EQ(0, again.readData(saved.c_str()));
  EXPECT_EQ("two lines ", again.getRoot()->getToDos()[0]->getSummary());
  EXPECT_EQ("a b", again.getRoot()->getGroups()[0]->getSummary());
}

TEST_F(DataFileTest, OldVersionNeedsAngleG) {
  EXPECT_EQ(-1, Load("<version=0.13>\ng\n>\n</data>\n"));
  Zolt old;
  old.createRoot();
  writeFile(master, "<version=0.13>\n<g>\nsOld\n>\n</data>\n");
  EXPECT_EQ(0, old.readData(master.c_str()));
  EXPECT_EQ("Old", old.getRoot()->getSummary());
  Zolt journalTyped;
  journalTyped.createRoot();
  writeFile(master, "<type=Zolt-Sync>\n<version=0.13>\ng\n>\n</data>\n");
  EXPECT_EQ(0, journalTyped.readData(master.c_str()));
}

// "<version=0" once threw out of the reader (a value too short to hold "0." and ">").
TEST_F(DataFileTest, ShortOldVersionLineIsReadAsAnOldVersion) {
  ASSERT_EQ(0, LoadFixture("version_line_too_short.dat"));
  EXPECT_EQ(1u, zolt.getRoot()->getSyncID());
  for (const char* line : {"<version=0>", "<version=0.>"}) {
    Zolt old;
    old.createRoot();
    writeFile(master, std::string(line) + "\n<g>\n>\n</data>\n");
    EXPECT_EQ(0, old.readData(master.c_str())) << line;
  }
}

TEST_F(DataFileTest, UnknownCurrentGroupFallsBackToRoot) {
  ASSERT_EQ(0, Load("<curGroup=/0/7/>\ng\nI1\n>\n</data>\n"));
  EXPECT_EQ(zolt.getRoot(), zolt.getCurGroup());
  EXPECT_EQ("/0/", zolt.getCurGroupPath());
}

// Damaged files must be refused or repaired, never crash or read out of bounds.
TEST_F(DataFileTest, DamagedFilesAreRefusedOrRepaired) {
  static const struct {
    const char* name;
    std::string items;
    int expected;
  } kCases[] = {
      {"no closing line", "t\nsx\n", -1},
      {"month 13", "t\nn" + std::to_string(0x09D04000u) + "\n>\n", 0},
      {"day 0", "t\nn" + std::to_string(0x09200000u | 0x4000u) + "\n>\n", 0},
      {"30 February", "t\nn" + std::to_string(0x092F4000u) + "\n>\n", 0},
      {"hour 24", "t\nm153501696\nn" + std::to_string(0x0910B000u) + "\n>\n", 0},
      {"minute 60", "t\nn" + std::to_string(0x091081E0u) + "\n>\n", 0},
      {"negative length", "t\nd-5\nabc\n>\n", -1},
      {"huge length", "t\nd2147483647\nabc\n>\n", -1},
      {"length past the end", "t\nd100\nabc\n", -1},
      {"short binary", "t\nF2\nd32\nQ9fH!!!!\n>\n", -1},
      {"compressed", "t\nF1\nd3\nQ9fH!!!!\n>\n", -1},
      {"unknown recurrence type", "t\nn153501696\n1999\n2-3\n>\n", 0},
      {"control bytes", "t\ns\x01\x02\x7f\nx\x03\n\x04\n>\n", 0},
      {"unknown lines", "\xff\xfe\n\n", 0},
  };
  for (const auto& c : kCases) {
    Zolt fresh;
    fresh.createRoot();
    writeFile(master, withItems(c.items));
    EXPECT_EQ(c.expected, fresh.readData(master.c_str())) << c.name;
    if (c.expected == 0) {
      EXPECT_EQ(0, fresh.writeData(saved.c_str())) << c.name;
    }
  }
}

TEST_F(DataFileTest, FileWithoutItemsIsDamaged) {
  EXPECT_EQ(-1, Load("<type=Zolt>\n<data>\n\xff\xfe\n"));
}

TEST_F(DataFileTest, ImpossibleDatesAreReadAsMissing) {
  ASSERT_EQ(0, Load(withItems("t\nn" + std::to_string(0x092F4000u) + "\n>\n")));
  EXPECT_FALSE(hasDate(zolt.getRoot()->getToDos()[0]->getDateTime(0)));
}

TEST_F(DataFileTest, DeepNestingIsRefused) {
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "g\n";
  EXPECT_EQ(-1, Load(withItems(deep)));
  std::string fine;
  for (int i = 0; i < 200; ++i) fine += "g\n";
  for (int i = 0; i < 200; ++i) fine += ">\n";
  Zolt ok;
  ok.createRoot();
  writeFile(master, withItems(fine));
  EXPECT_EQ(0, ok.readData(master.c_str()));
}

TEST_F(DataFileTest, WriteKeepsModeAndLinks) {
  ASSERT_EQ(0, LoadFixture("example.dat"));
  std::string fresh = dir.file("fresh.dat");
  ASSERT_EQ(0, zolt.writeData(fresh.c_str()));
  struct stat st;
  ASSERT_EQ(0, stat(fresh.c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);

  chmod(fresh.c_str(), 0640);
  std::string link = dir.file("link.dat");
  ASSERT_EQ(0, symlink("fresh.dat", link.c_str()));
  ASSERT_EQ(0, zolt.writeData(link.c_str()));
  ASSERT_EQ(0, lstat(link.c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(0, stat(fresh.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777);
  EXPECT_EQ(readFile(testData("example.dat")), readFile(fresh));
}

// A write that fails halfway (here: the file size limit, as a full disk would) reports
// failure and leaves the old file and nothing else behind.
TEST_F(DataFileTest, FailedWriteLeavesOldFileIntact) {
  ASSERT_EQ(0, Load(withItems("I1\nt\ns" + std::string(100000, 'x') + "\n>\n")));
  std::string old = "old content that must survive\n";
  writeFile(saved, old);
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(zolt.writeData(saved.c_str()) == -1 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status)) << "writeData did not report the failure";
  EXPECT_EQ(old, readFile(saved));
  int entries = 0;
  for (auto it = std::filesystem::directory_iterator(dir.path());
       it != std::filesystem::directory_iterator(); ++it) {
    ++entries;
  }
  EXPECT_EQ(2, entries) << "a temporary file was left behind";
}

// Reads `file` into `doc` as a user who may not read it: this process when it is not root
// (root reads every file), else a child that has become the unprivileged user 65534. The
// result of readData; kNotRun when the child could not become that user.
constexpr int kNotRun = 100;
static int readAsUnprivileged(Zolt& doc, const std::string& file) {
  if (geteuid() != 0) return doc.readData(file.c_str());
  pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(kNotRun);
    _exit(doc.readData(file.c_str()) + 10);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return kNotRun;
  return WEXITSTATUS(status) == kNotRun ? kNotRun : WEXITSTATUS(status) - 10;
}

// A file that exists but cannot be read is not an empty document: a later full save
// would overwrite it.
TEST_F(DataFileTest, UnreadableFileIsNotTakenForEmpty) {
  writeFile(master, readFile(testData("example.dat")));
  chmod(master.c_str(), 0);
  chmod(dir.path().c_str(), 0711);  // another user may reach the file, not read it
  EXPECT_EQ(-1, readAsUnprivileged(zolt, master));
  chmod(master.c_str(), 0644);
  Zolt fresh;
  fresh.createRoot();
  EXPECT_EQ(0, readAsUnprivileged(fresh, master)) << "the same file, readable, is read";
  chmod(dir.path().c_str(), 0700);
}

TEST_F(DataFileTest, DirectoryIsNotADataFile) { EXPECT_EQ(-1, zolt.readData(dir.path().c_str())); }

// A hand-edited file whose stored idmax is below an identifier it holds: the identifier
// handed to an item without one must not be one the file already uses.
TEST_F(DataFileTest, IdentifiersHandedOutWhileReadingNeverClash) {
  ASSERT_EQ(0, Load("<idmax=0>\ng\nt\nsfresh\n>\nt\nsread\nI1\n>\n>\n</data>\n"));
  const auto& todos = zolt.getRoot()->getToDos();
  EXPECT_EQ(1u, todos[1]->getSyncID());
  EXPECT_EQ(3u, todos[0]->getSyncID());
  EXPECT_EQ(2u, zolt.getRoot()->getSyncID());
  EXPECT_EQ(3u, zolt.getIdmax());
}

TEST_F(DataFileTest, IdentifiersOutOfRangeAreReplaced) {
  ASSERT_EQ(0, Load("<idmax=4294967295>\ng\nI1\nt\nI4294967295\n>\nt\n>\n>\n</data>\n"));
  const auto& todos = zolt.getRoot()->getToDos();
  EXPECT_EQ(1u, zolt.getRoot()->getSyncID());
  EXPECT_EQ(3u, todos[0]->getSyncID());
  EXPECT_EQ(2u, todos[1]->getSyncID());
  EXPECT_EQ(3u, zolt.getIdmax());
}
