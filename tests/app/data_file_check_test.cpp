// What may stand under the data file's name and under an export's: links that lead
// nowhere, links and files that another user put in a shared folder, and the modes of the
// files Zolt writes. The program is run as a user would run it.
#include "app/data_file_check.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "document/zolt.h"
#include "test_util.h"
#include "util/external_editor.h"

namespace {

bool isLink(const std::string& name) {
  struct stat st;
  return lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

unsigned modeOf(const std::string& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class DataFileCheckTest : public ::testing::Test {
 protected:
  RunResult Run(const std::string& args, const std::string& prefix = "") {
    return runZolt(dir.path(), args, prefix);
  }

  TempDir dir;
  std::string example = readFile(testData("example.dat"));
};

TEST_F(DataFileCheckTest, LinkEndFollowsTheChain) {
  ASSERT_EQ(0, mkdir(dir.file("sub").c_str(), 0700));
  ASSERT_EQ(0, symlink("sub/b", dir.file("a").c_str()));
  ASSERT_EQ(0, symlink("../c", dir.file("sub/b").c_str()));
  ASSERT_EQ(0, symlink("loop", dir.file("loop").c_str()));
  writeFile(dir.file("plain"), "");
  EXPECT_EQ(dir.file("sub/../c"), linkEnd(dir.file("a")));
  EXPECT_EQ(dir.file("plain"), linkEnd(dir.file("plain")));
  EXPECT_EQ(dir.file("none"), linkEnd(dir.file("none")));
  EXPECT_EQ("", linkEnd(dir.file("loop")));
}

// A data file that is a link to a missing target (a disk that is not mounted) is refused
// with the target named, whether named with -f or found as the default file; the link
// stays and nothing is made at the target.
TEST_F(DataFileCheckTest, ALinkThatLeadsNowhereIsRefusedAndKept) {
  ASSERT_EQ(0, mkdir(dir.file(".zolt").c_str(), 0700));
  std::string missing = dir.file("unmounted/zolt.dat");
  static const struct {
    const char* link;
    const char* args;
  } kCases[] = {
      {"linked.dat", "-q -s -f linked.dat"},
      {".zolt/zolt_default.dat", "-q -s"},
      {"linked.dat", "-f linked.dat --agenda 7"},
  };
  for (const auto& c : kCases) {
    std::string link = dir.file(c.link);
    unlink(link.c_str());
    ASSERT_EQ(0, symlink(missing.c_str(), link.c_str()));
    RunResult r = Run(c.args);
    EXPECT_NE(0, r.status) << c.args;
    EXPECT_NE(std::string::npos, r.err.find("is a symbolic link to " + missing +
                                            ", which does "
                                            "not exist"))
        << c.args << ": " << r.err;
    EXPECT_TRUE(isLink(link)) << c.args;
    EXPECT_FALSE(fileExists(dir.file("unmounted"))) << c.args;
    EXPECT_FALSE(fileExists(dir.file("zolt/zolt_default.dat"))) << c.args;
    EXPECT_FALSE(fileExists(dir.file("zolt_default.dat"))) << c.args;
  }
}

// A link to the data file stays a link: every save, the journal's compaction too, goes to
// its target.
TEST_F(DataFileCheckTest, SavesWriteThroughALinkToItsTarget) {
  ASSERT_EQ(0, mkdir(dir.file("disk").c_str(), 0700));
  std::string target = dir.file("disk/real.dat");
  writeFile(target, example);
  ASSERT_EQ(0, symlink("disk/real.dat", dir.file("linked.dat").c_str()));
  writeFile(target + "0",
            "<type=Zolt>\n<data>\n<new parent=2>\nt\nsFrom the journal\nI9\n>\n>\n</new>\n"
            "</data>\n");
  RunResult r = Run("-q -s -f linked.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(isLink(dir.file("linked.dat")));
  EXPECT_NE(std::string::npos, readFile(target).find("sFrom the journal")) << "compacted";
  EXPECT_FALSE(fileExists(target + "0"));
}

// A link whose target went away while Zolt ran (a disk unmounted) is not replaced by a new
// file: the save fails and the link stays for the disk to come back.
TEST_F(DataFileCheckTest, ASaveNeverReplacesALinkThatLeadsNowhere) {
  ASSERT_EQ(0, mkdir(dir.file("disk").c_str(), 0700));
  std::string target = dir.file("disk/real.dat");
  std::string link = dir.file("linked.dat");
  writeFile(target, example);
  ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));
  Zolt doc;
  doc.createRoot();
  ASSERT_EQ(0, doc.readData(link.c_str()));
  ASSERT_EQ(0, rename(dir.file("disk").c_str(), dir.file("unmounted").c_str()));
  EXPECT_EQ(-1, doc.writeData(link.c_str()));
  EXPECT_TRUE(isLink(link));
  EXPECT_FALSE(fileExists(dir.file("disk")));
  ASSERT_EQ(0, rename(dir.file("unmounted").c_str(), dir.file("disk").c_str()));
  EXPECT_EQ(0, doc.writeData(link.c_str())) << "and works again once it is back";
  EXPECT_TRUE(isLink(link));
}

// A second local user, made for the test and removed after it. Only root can make one;
// `ok()` is false otherwise.
class OtherUser {
 public:
  OtherUser() {
    if (geteuid() != 0) return;
    name_ = "zoltp" + std::to_string(getpid());
    std::string add = "useradd -M -N -s /usr/sbin/nologin " + name_ + " 2>/dev/null";
    // useradd refuses while another one holds the user database: try until a deadline.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (system(add.c_str()) != 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (struct passwd* pw = getpwnam(name_.c_str())) uid_ = pw->pw_uid;
  }
  ~OtherUser() {
    if (uid_ != 0) (void)system(("userdel " + name_ + " 2>/dev/null").c_str());
  }
  bool ok() const { return uid_ != 0; }
  uid_t uid() const { return uid_; }
  // Runs `command` through /bin/sh as this user; true when it exited with 0.
  bool run(const std::string& command) const {
    return system(("runuser -u " + name_ + " -- sh -c " + shellQuote(command)).c_str()) == 0;
  }

 private:
  std::string name_;
  uid_t uid_ = 0;
};

// The second user's cases: they need root, which makes that user; as any other user they
// are skipped with a message, and as root they must run.
class SecondUserTest : public DataFileCheckTest {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a second local user";
    ASSERT_TRUE(other.ok()) << "root could not make a second user with useradd";
    ASSERT_EQ(0, chmod(dir.path().c_str(), 0755));
    ASSERT_EQ(0, mkdir(shared.c_str(), 0777));
    ASSERT_EQ(0, chmod(shared.c_str(), 01777));
    ASSERT_EQ(0, mkdir(theirs.c_str(), 0777));
    ASSERT_EQ(0, chown(theirs.c_str(), other.uid(), -1));
    writeFile(data, example);
  }

  OtherUser other;
  std::string shared = dir.file("shared");  // like /tmp: sticky, everyone may write
  std::string theirs = dir.file("theirs");  // the other user's own folder
  std::string data = dir.file("data.dat");
};

// In a shared folder, the other user's link at the name an export is to take sends
// nothing into their file, however the export is asked for.
TEST_F(SecondUserTest, ExportsDoNotFollowALinkAnotherUserPlanted) {
  std::string bait = theirs + "/bait.txt";
  ASSERT_TRUE(other.run("umask 0; printf 'theirs' > " + shellQuote(bait) + " && ln -s " +
                        shellQuote(bait) + " " + shellQuote(shared + "/alice.ics")));
  RunResult r = Run("-f data.dat --export-ics shared/alice.ics");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("symbolic link that another user put")) << r.err;
  EXPECT_EQ("theirs", readFile(bait));
  EXPECT_TRUE(isLink(shared + "/alice.ics"));
  // The user's own link in the same folder is followed as before.
  writeFile(dir.file("mine.ics"), "");
  ASSERT_EQ(0, symlink(dir.file("mine.ics").c_str(), (shared + "/own.ics").c_str()));
  r = Run("-f data.dat --export-ics shared/own.ics");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, readFile(dir.file("mine.ics")).find("BEGIN:VCALENDAR"));
}

// A replaced file keeps its mode only when it is the user's own; a new one is never wider
// than 0600, whatever the umask.
TEST_F(SecondUserTest, AnExportKeepsOnlyItsOwnFilesMode) {
  static const struct {
    const char* name;
    bool theirs;
    unsigned mode;  // 0: no file there before
    unsigned expected;
  } kCases[] = {
      {"new.ics", false, 0, 0600},
      {"own.ics", false, 0644, 0644},
      {"their.ics", true, 0666, 0600},
  };
  for (const auto& c : kCases) {
    std::string file = dir.file(c.name);
    if (c.mode != 0) {
      writeFile(file, "before");
      ASSERT_EQ(0, chmod(file.c_str(), c.mode));
      if (c.theirs) {
        ASSERT_EQ(0, chown(file.c_str(), other.uid(), -1));
      }
    }
    RunResult r = Run(std::string("-f data.dat --export-ics ") + c.name, "umask 0;");
    EXPECT_EQ(0, r.status) << c.name << ": " << r.err;
    EXPECT_EQ(c.expected, modeOf(file)) << c.name;
  }
}

// A data file of the other user's in a folder that everyone may write to is refused, by
// its name or through the user's own link, and left as it was; the user's own file there is
// taken. So is a link the other user planted there.
TEST_F(SecondUserTest, AnotherUsersDataFileInASharedFolderIsRefused) {
  std::string planted = shared + "/planted.dat";
  std::string linked = shared + "/linked.dat";
  ASSERT_TRUE(other.run("printf '' > " + shellQuote(planted) + " && ln -s " + shellQuote(data) +
                        " " + shellQuote(linked)));
  ASSERT_EQ(0, symlink(planted.c_str(), dir.file("mine.dat").c_str()));
  for (const char* args :
       {"-q -s -f shared/planted.dat", "-q -s -f mine.dat", "-q -s -f shared/linked.dat"}) {
    RunResult r = Run(args);
    EXPECT_NE(0, r.status) << args;
    EXPECT_NE(std::string::npos, r.err.find("another user")) << args << ": " << r.err;
    EXPECT_EQ("", readFile(planted)) << args;
    EXPECT_EQ(example, readFile(data)) << args;
  }
  RunResult r = Run("-q -s -f shared/own.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(fileExists(shared + "/own.dat"));
}

}  // namespace
