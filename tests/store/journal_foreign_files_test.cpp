// Files under journal names that Zolt did not write, journal files it cannot read, and
// the set-aside file: nothing that is not Zolt's is read as a record, moved, overwritten
// or removed, and no journal file is dropped unread.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "document/zolt.h"
#include "store/journal_files.h"
#include "test_util.h"

namespace {

const char kHead[] = "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n";

// A new-item record of a to-do `summary` below the root, as a journal file holds it.
std::string NewRecord(unsigned sid, const std::string& summary) {
  return std::string(kHead) + "<new parent=1>\nt\ns" + summary + "\nI" + std::to_string(sid) +
         "\n>\n>\n</new>\n</data>\n";
}

// Files under journal names that are no journal files: never read, moved or removed.
const struct {
  const char* name;
  const char* content;
} kForeign[] = {
    {"zero bytes", ""},
    {"junk", "\x01\x02 not a journal\n"},
    {"another document's master file",
     "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n"
     "<idmax=3>\ng\ns\nI1\n>\n</data>\n"},
    {"a head cut short", "<type=Zolt>\n<vers"},
    {"a text file", "shopping: milk, eggs\n"},
};

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class JournalForeignFilesTest : public ::testing::Test {
 protected:
  // Opens the master file and replays the journal; returns the replay's result.
  int Open() {
    zolt.reset(new Zolt());
    zolt->createRoot();
    EXPECT_EQ(0, zolt->readData(master.c_str()));
    errorFile.clear();
    return zolt->incsave_readFiles(errorFile);
  }
  // Opens, replays and writes the master file, as a start does.
  void Start() {
    int replayed = Open();
    ASSERT_GE(replayed, 0) << zolt->incsave_replayProblem();
    if (replayed == 1) {
      ASSERT_EQ(0, zolt->incsave_compact(master.c_str()));
    }
  }
  void NewToDo(unsigned sid, const std::string& summary) {
    ToDoListToDo* t = zolt->getRoot()->newToDo();
    t->setSyncID(sid);
    t->setSummary(summary);
    zolt->setGroup(zolt->getRoot());
    zolt->setItem(t);
    zolt->incsave_newItem();
    ASSERT_EQ(0, zolt->incsave_saveCurItem());
  }
  bool Notified(const std::string& part) {
    const std::vector<std::string>& notices = zolt->incsave_notices();
    return std::any_of(notices.begin(), notices.end(), [&part](const std::string& notice) {
      return notice.find(part) != std::string::npos;
    });
  }

  TempDir dir;
  std::string master = dir.file("data.dat");
  std::unique_ptr<Zolt> zolt;
  std::string errorFile;
};

TEST_F(JournalForeignFilesTest, AForeignFileInsideTheRunIsPassedOverNamedAndKept) {
  for (const auto& c : kForeign) {
    TempDir caseDir;
    master = caseDir.file("data.dat");
    writeFile(master + "0", NewRecord(10, "first"));
    writeFile(master + "1", c.content);
    writeFile(master + "2", NewRecord(11, "second"));
    ASSERT_EQ(1, Open()) << c.name << ": " << zolt->incsave_replayProblem();
    EXPECT_TRUE(Notified(master + "1 is not a journal file")) << c.name;
    ASSERT_EQ(0, zolt->incsave_compact(master.c_str())) << c.name;
    EXPECT_EQ(c.content, readFile(master + "1")) << c.name;
    EXPECT_FALSE(fileExists(master + "0")) << c.name;
    EXPECT_FALSE(fileExists(master + "2")) << c.name;
    std::string saved = readFile(master);
    EXPECT_EQ(1u, Count(saved, "sfirst\n")) << c.name;
    EXPECT_EQ(1u, Count(saved, "ssecond\n")) << c.name;
    EXPECT_FALSE(fileExists(master + ".unapplied")) << c.name;
  }
}

TEST_F(JournalForeignFilesTest, AForeignFileBeyondTheRunIsNeitherSetAsideNorRemoved) {
  for (const auto& c : kForeign) {
    TempDir caseDir;
    master = caseDir.file("data.dat");
    writeFile(master + "2", c.content);
    EXPECT_EQ(0, Open()) << c.name;
    EXPECT_EQ(c.content, readFile(master + "2")) << c.name;
    EXPECT_FALSE(fileExists(master + ".unapplied")) << c.name;
  }
}

// "todo" and "todo2" in one folder: the third change goes past "todo2", which stays.
TEST_F(JournalForeignFilesTest, ANewRecordNeverReplacesAFileUnderItsName) {
  for (const auto& c : kForeign) {
    TempDir caseDir;
    master = caseDir.file("data.dat");
    writeFile(master + "2", c.content);
    Start();
    NewToDo(20, "one");
    NewToDo(21, "two");
    NewToDo(22, "three");
    EXPECT_EQ(c.content, readFile(master + "2")) << c.name;
    EXPECT_EQ(NewRecord(22, "three"), readFile(master + "3")) << c.name;
    Start();
    std::string saved = readFile(master);
    for (const char* summary : {"sone\n", "stwo\n", "sthree\n"}) {
      EXPECT_EQ(1u, Count(saved, summary)) << c.name << " / " << summary;
    }
    EXPECT_EQ(c.content, readFile(master + "2")) << c.name;
    EXPECT_FALSE(fileExists(master + "3")) << c.name;
  }
}

// A link under a journal name is never followed: its target is not the journal's.
TEST_F(JournalForeignFilesTest, ALinkUnderAJournalNameIsLeftAlone) {
  std::string elsewhere = dir.file("elsewhere");
  writeFile(elsewhere, NewRecord(30, "through a link"));
  writeFile(master + "0", NewRecord(31, "real"));
  ASSERT_EQ(0, symlink(elsewhere.c_str(), (master + "1").c_str()));
  Start();
  EXPECT_EQ(0u, Count(readFile(master), "sthrough a link\n"));
  EXPECT_EQ(NewRecord(30, "through a link"), readFile(elsewhere));
  EXPECT_EQ(NewRecord(30, "through a link"), readFile(master + "1"));
}

// A link that leads nowhere under the first journal name: the records after it still count.
TEST_F(JournalForeignFilesTest, ADanglingLinkFirstInTheRunIsPassedOver) {
  ASSERT_EQ(0, symlink(dir.file("nowhere").c_str(), (master + "0").c_str()));
  Start();
  NewToDo(50, "after the link");
  EXPECT_EQ(NewRecord(50, "after the link"), readFile(master + "1"));
  Start();
  EXPECT_EQ(1u, Count(readFile(master), "safter the link\n"));
  EXPECT_FALSE(fileExists(master + ".unapplied"));
  struct stat st;
  EXPECT_EQ(0, lstat((master + "0").c_str(), &st));
}

TEST_F(JournalForeignFilesTest, TheKindOfAFileIsToldByItsContent) {
  static const struct {
    const char* content;
    bool journal;
  } kCases[] = {
      {"<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<changed>\nt\n", true},
      {"<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<deleted>\n7\n", true},
      {"<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<new parent=1>\n", true},
      {"<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n</data>\n", true},
      {"<type=Zolt>\n<data>\n<deleted>\n7\n</deleted>\n</data>\n", true},
      {"<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<idmax=4>\n", false},
      {"<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\ng\n", false},
      {"<data>\n<deleted>\n7\n</deleted>\n</data>\n", false},
      {"<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n", false},
      {"", false},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.journal, looksLikeJournal(c.content)) << c.content;
}

// A recovery cut short after setting a file aside and before the journal went: the next
// recovery does not keep the same record twice, and what the file held before stays.
TEST_F(JournalForeignFilesTest, TheSetAsideFileIsOnlyAppendedToAndNeverTwice) {
  writeFile(master + ".unapplied", "# an older entry\nkept\n");
  std::string bad = std::string(kHead) + "<deleted>\n77\n</deleted>\n</data>\n";
  writeFile(master + "0", bad);
  for (int run = 0; run < 2; ++run) {
    zolt.reset(new Zolt());
    zolt->createRoot();
    ASSERT_EQ(0, zolt->readData(master.c_str()));
    int setAside = 0;
    EXPECT_EQ(1, zolt->incsave_recoverFiles(setAside)) << run;
    EXPECT_EQ(1, setAside) << run;
  }
  std::string kept = readFile(master + ".unapplied");
  EXPECT_EQ(0u, kept.find("# an older entry\nkept\n# "));
  EXPECT_EQ(1u, Count(kept, bad)) << kept;
}

// Thousands of stray journal files after a gap go in one pass: one listing, one write.
TEST_F(JournalForeignFilesTest, StrayFilesAreSetAsideInOnePass) {
  const int kStray = 2000;
  for (int n = 2; n < 2 + kStray; ++n) {
    writeFile(master + std::to_string(n), NewRecord(100 + n, "stray " + std::to_string(n)));
  }
  EXPECT_EQ(0, Open());
  std::string kept = readFile(master + ".unapplied");
  EXPECT_EQ(static_cast<size_t>(kStray), Count(kept, " was not applied: beyond the gap"));
  EXPECT_FALSE(fileExists(master + "2"));
  EXPECT_FALSE(fileExists(master + std::to_string(1 + kStray)));
  EXPECT_TRUE(Notified(std::to_string(kStray) + " journal files beyond the unbroken run"));
}

// The set-aside file is made for the user alone, whatever the umask.
TEST_F(JournalForeignFilesTest, ANewSetAsideFileIsPrivate) {
  writeFile(master + "1", NewRecord(40, "stray"));
  mode_t old = umask(0);
  EXPECT_EQ(0, Open());
  umask(old);
  struct stat st;
  ASSERT_EQ(0, stat((master + ".unapplied").c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 07777);
}

}  // namespace

namespace {

// The compaction marker's fingerprint: size and SHA-1 ("abc" is FIPS 180's own example),
// and none at all when the file cannot be read to its end (a folder fails its first read).
TEST(JournalFingerprintTest, AReadErrorGivesNoFingerprint) {
  TempDir dir;
  writeFile(dir.file("abc"), "abc");
  EXPECT_EQ("3 a9993e364706816aba3e25717850c26c9cd0d89d", fileFingerprint(dir.file("abc")));
  EXPECT_EQ("", fileFingerprint(dir.path()));
  EXPECT_EQ("", fileFingerprint(dir.file("missing")));
}

}  // namespace
