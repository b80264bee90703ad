// The real program beside files of another local user: a journal file left by a run as
// someone else, and a link another user put where the set-aside file goes in a shared
// folder. The second user is made by the test; it needs root, and is skipped otherwise.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "test_util.h"

namespace {

const char kPeer[] = "zoltpeer";
// Ends a runZolt prefix that is a program: the shell's "exec" and the program after it run
// in a shell of its own.
const char kThenExec[] = " sh -c '\\$0 \\\"\\$@\\\"'";
const char kRecord[] =
    "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<new parent=2>\nt\nsfrom the "
    "journal\nI9\n>\n>\n</new>\n</data>\n";

// The second user, made when missing. Null when the test cannot make one.
const passwd* Peer() {
  if (getpwnam(kPeer) == nullptr) {
    std::string command =
        std::string("useradd -M -N -s /usr/sbin/nologin ") + kPeer + " >/dev/null 2>&1";
    if (system(command.c_str()) != 0) return nullptr;
  }
  return getpwnam(kPeer);
}

class JournalOtherUserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "making a second user needs root; not run";
    peer = Peer();
    ASSERT_NE(nullptr, peer) << "useradd failed although running as root";
    writeFile(data, readFile(testData("example.dat")));
  }
  // Runs zolt as the second user.
  RunResult RunAsPeer(const std::string& args) {
    return runZolt(dir.path(), args,
                   "setpriv --reuid=" + std::to_string(peer->pw_uid) +
                       " --regid=" + std::to_string(peer->pw_gid) + " --clear-groups" + kThenExec);
  }
  void GiveToPeer(const std::string& name) {
    ASSERT_EQ(0, lchown(name.c_str(), peer->pw_uid, peer->pw_gid)) << name;
  }

  const passwd* peer = nullptr;
  TempDir dir;
  std::string data = dir.file("data.dat");
};

// As if `sudo zolt` had written the journal file: the start refuses, says whose it is and
// what to do, and keeps it; the recovery sets it aside with that reason.
TEST_F(JournalOtherUserTest, AJournalFileOfAnotherUserIsNeitherReplayedNorDropped) {
  writeFile(data + "0", kRecord);
  GiveToPeer(data + "0");
  RunResult r = runZolt(dir.path(), "-q -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find(std::string("belongs to ") + kPeer)) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("chown")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("zolt -q --recover -f 'data.dat'")) << r.err;
  EXPECT_EQ(kRecord, readFile(data + "0"));
  EXPECT_EQ(readFile(testData("example.dat")), readFile(data));

  r = runZolt(dir.path(), "-q --recover -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
  std::string kept = readFile(data + ".unapplied");
  EXPECT_NE(std::string::npos, kept.find(std::string("belongs to ") + kPeer)) << kept;
  EXPECT_NE(std::string::npos, kept.find(kRecord)) << kept;
  EXPECT_EQ(std::string::npos, readFile(data).find("sfrom the journal\n"));
}

// A journal file the user cannot open (root's, mode 0600): refused with the owner named.
TEST_F(JournalOtherUserTest, AJournalFileTheUserCannotOpenRefusesTheStart) {
  ASSERT_EQ(0, chown(dir.path().c_str(), peer->pw_uid, peer->pw_gid));
  GiveToPeer(data);
  writeFile(data + "0", kRecord);
  ASSERT_EQ(0, chmod((data + "0").c_str(), 0600));
  RunResult r = RunAsPeer("-q -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("Permission denied; it belongs to root")) << r.err;
  EXPECT_EQ(kRecord, readFile(data + "0"));
  EXPECT_EQ(readFile(testData("example.dat")), readFile(data));
}

// In a shared sticky folder another user's link where the set-aside file goes: Zolt
// writes nothing through it, says why (not a full disk), and keeps its journal files.
TEST_F(JournalOtherUserTest, TheSetAsideFileNeverFollowsAnotherUsersLink) {
  ASSERT_EQ(0, chmod(dir.path().c_str(), 01777));
  std::string victim = dir.file("theirs.txt");
  writeFile(victim, "their own text\n");
  GiveToPeer(victim);
  ASSERT_EQ(0, symlink(victim.c_str(), (data + ".unapplied").c_str()));
  GiveToPeer(data + ".unapplied");
  writeFile(data + "1", kRecord);  // beyond a gap: it is set aside at the start
  RunResult r = runZolt(dir.path(), "-q -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("symbolic link that belongs to")) << r.err;
  EXPECT_EQ(std::string::npos, r.err.find("room on the disk")) << r.err;
  EXPECT_EQ("their own text\n", readFile(victim));
  EXPECT_EQ(kRecord, readFile(data + "1"));
}

// In a shared sticky folder someone else put a journal file beside the user's data file:
// it is never replayed; the recovery sets it aside once, and since the user cannot remove
// it, the starts after that pass over it instead of taking it in again.
TEST_F(JournalOtherUserTest, APlantedJournalFileInAStickyFolderComesInNever) {
  ASSERT_EQ(0, chmod(dir.path().c_str(), 01777));
  GiveToPeer(data);
  writeFile(data + "0", kRecord);  // root's, readable by all
  RunResult r = RunAsPeer("-q -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("belongs to root")) << r.err;

  r = RunAsPeer("-q --recover -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("could not be removed")) << r.err;
  for (int run = 0; run < 2; ++run) {
    r = RunAsPeer("-q -f data.dat");
    EXPECT_EQ(0, r.status) << run << ": " << r.err;
  }
  EXPECT_EQ(kRecord, readFile(data + "0"));
  EXPECT_EQ(std::string::npos, readFile(data).find("sfrom the journal\n"));
  std::string kept = readFile(data + ".unapplied");
  EXPECT_EQ(kept.find(kRecord), kept.rfind(kRecord)) << kept;
  EXPECT_NE(std::string::npos, kept.find(kRecord)) << kept;
}

}  // namespace
