#include "util/private_directory.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "test_util.h"

namespace {

// A uid that is not ours, for directories planted by "another user" (the tests run as root,
// who may hand a directory to anyone).
const uid_t kOtherUid = 54321;

// Each test gets TMPDIR in its own directory and no XDG_RUNTIME_DIR; both come back after.
class PrivateDirectoryTest : public ::testing::Test {
 protected:
  PrivateDirectoryTest() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
      const char* v = getenv(name);
      saved.push_back({name, v != nullptr, v ? v : ""});
    }
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", dir.path().c_str(), 1);
  }
  ~PrivateDirectoryTest() override {
    for (const Saved& s : saved) {
      s.had ? setenv(s.name, s.value.c_str(), 1) : unsetenv(s.name);
    }
  }
  static struct stat Stat(const std::string& name) {
    struct stat st = {};
    EXPECT_EQ(0, lstat(name.c_str(), &st)) << name;
    return st;
  }
  static bool IsEmpty(const std::string& name) {
    return std::filesystem::is_empty(std::filesystem::path(name));
  }
  // Checks that `d` is usable: open, ours, 0700, and its file lands in it with mode 0600.
  static void ExpectPrivate(const PrivateDirectory& d, const std::string& label) {
    ASSERT_TRUE(d.ok()) << label << ": " << d.error();
    struct stat st = Stat(d.path());
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << label;
    EXPECT_EQ(geteuid(), st.st_uid) << label;
    EXPECT_EQ(0700u, st.st_mode & 07777) << label;
    EXPECT_NE(0, fcntl(d.fd(), F_GETFD) & FD_CLOEXEC) << label << ": kept from the editor";
    std::string name, error;
    int fd = d.createFile("zolt", ".tmp", name, error);
    ASSERT_GE(fd, 0) << label << ": " << error;
    EXPECT_NE(0, fcntl(fd, F_GETFD) & FD_CLOEXEC) << label;
    close(fd);
    EXPECT_EQ(d.path() + "/zolt", name.substr(0, d.path().size() + 5)) << label;
    EXPECT_EQ(0600u, Stat(name).st_mode & 07777) << label;
    unlink(name.c_str());
  }

  struct Saved {
    const char* name;
    bool had;
    std::string value;
  };
  TempDir dir;
  std::vector<Saved> saved;
  std::string usual = dir.file("zolt-" + std::to_string(geteuid()));
};

TEST_F(PrivateDirectoryTest, UsualPlaceIsMadeWithoutANote) {
  PrivateDirectory d;
  ExpectPrivate(d, "usual");
  EXPECT_EQ(usual, d.path());
  EXPECT_EQ("", d.note());
  PrivateDirectory again;
  EXPECT_EQ(usual, again.path()) << "an existing private directory is used again";
}

TEST_F(PrivateDirectoryTest, RuntimeDirectoryIsUsedOnlyWhenPrivate) {
  std::string runtime = dir.file("run");
  ASSERT_EQ(0, mkdir(runtime.c_str(), 0700));
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  {
    PrivateDirectory d;
    ExpectPrivate(d, "runtime");
    EXPECT_EQ(runtime, d.path());
  }
  static const struct {
    const char* label;
    std::function<void(const std::string&)> spoil;
  } kCases[] = {
      {"another user's",
       [](const std::string& p) { ASSERT_EQ(0, chown(p.c_str(), kOtherUid, -1)); }},
      {"readable by others", [](const std::string& p) { ASSERT_EQ(0, chmod(p.c_str(), 0755)); }},
      {"missing", [](const std::string& p) { ASSERT_EQ(0, rmdir(p.c_str())); }},
  };
  for (const auto& c : kCases) {
    rmdir(runtime.c_str());
    ASSERT_EQ(0, mkdir(runtime.c_str(), 0700));
    c.spoil(runtime);
    PrivateDirectory d;
    ExpectPrivate(d, c.label);
    EXPECT_EQ(usual, d.path()) << c.label << ": the next usual place, without a fuss";
    EXPECT_EQ("", d.note()) << c.label;
  }
}

// Whatever blocks the usual place, Zolt works in a fresh directory, says which and why, and
// leaves the blocker as it found it.
TEST_F(PrivateDirectoryTest, BlockedUsualPlaceFallsBackToAFreshDirectory) {
  std::string elsewhere = dir.file("elsewhere");
  ASSERT_EQ(0, mkdir(elsewhere.c_str(), 0700));
  static const struct {
    const char* label;
    std::function<void(const std::string&, const std::string&)> block;
    const char* why;
  } kCases[] = {
      {"another user's directory",
       [](const std::string& p, const std::string&) {
         ASSERT_EQ(0, mkdir(p.c_str(), 0700));
         ASSERT_EQ(0, chown(p.c_str(), kOtherUid, -1));
       },
       "belongs to another user (uid 54321)"},
      {"a symbolic link",
       [](const std::string& p, const std::string& to) {
         ASSERT_EQ(0, symlink(to.c_str(), p.c_str()));
       },
       "is a symbolic link"},
      {"a world-writable directory",
       [](const std::string& p, const std::string&) {
         ASSERT_EQ(0, mkdir(p.c_str(), 0700));
         ASSERT_EQ(0, chmod(p.c_str(), 0777));
       },
       "is open to other users (mode 0777"},
      {"a plain file", [](const std::string& p, const std::string&) { writeFile(p, "x"); },
       "is not a directory"},
  };
  for (const auto& c : kCases) {
    c.block(usual, elsewhere);
    struct stat before = Stat(usual);
    std::string fresh;
    {
      PrivateDirectory d;
      ExpectPrivate(d, c.label);
      fresh = d.path();
      EXPECT_EQ(usual + "-", fresh.substr(0, usual.size() + 1)) << c.label;
      EXPECT_NE(std::string::npos, d.note().find(fresh)) << c.label << ": " << d.note();
      EXPECT_NE(std::string::npos, d.note().find(usual + " " + c.why)) << d.note();
      EXPECT_NE(std::string::npos, d.note().find("Remove " + usual)) << d.note();
    }
    EXPECT_FALSE(fileExists(fresh)) << c.label << ": the fresh directory goes with its owner";
    struct stat after = Stat(usual);
    EXPECT_EQ(before.st_mode, after.st_mode) << c.label << ": the blocker is left alone";
    EXPECT_EQ(before.st_uid, after.st_uid) << c.label;
    EXPECT_TRUE(IsEmpty(elsewhere)) << c.label << ": nothing was made through the link";
    unlink(usual.c_str());
    rmdir(usual.c_str());
  }
}

TEST_F(PrivateDirectoryTest, MissingTmpdirFallsBackToTmp) {
  std::string missing = dir.file("no such dir");
  setenv("TMPDIR", missing.c_str(), 1);
  PrivateDirectory d;
  ExpectPrivate(d, "missing TMPDIR");
  std::string fallback = "/tmp/zolt-" + std::to_string(geteuid()) + "-";
  EXPECT_EQ(fallback, d.path().substr(0, fallback.size()));
  EXPECT_NE(std::string::npos, d.note().find("$TMPDIR names " + missing + ", which does not exist"))
      << d.note();
  EXPECT_NE(std::string::npos, d.note().find("Set TMPDIR")) << d.note();
  EXPECT_FALSE(fileExists(missing)) << "TMPDIR is not made up";
}

TEST_F(PrivateDirectoryTest, SubdirectoriesAreUniqueAndPrivate) {
  PrivateDirectory d;
  std::string a, b, error;
  ASSERT_EQ(0, d.createDirectory("zolt-edit-", a, error)) << error;
  ASSERT_EQ(0, d.createDirectory("zolt-edit-", b, error)) << error;
  EXPECT_NE(a, b);
  EXPECT_EQ(d.path() + "/zolt-edit-", a.substr(0, d.path().size() + 11));
  EXPECT_EQ(0700u, Stat(a).st_mode & 07777);
  EXPECT_EQ(geteuid(), Stat(a).st_uid);
}

// The directory is opened once; renaming a planted link into its place afterwards does not
// send new files through it, and the process directory notices and settles again.
TEST_F(PrivateDirectoryTest, ProcessDirectorySettlesAgainWhenSwapped) {
  std::string first = privateDirectory();
  ASSERT_EQ(usual, first);
  EXPECT_EQ(&processPrivateDirectory(), &processPrivateDirectory()) << "kept while sound";
  std::string elsewhere = dir.file("elsewhere");
  ASSERT_EQ(0, mkdir(elsewhere.c_str(), 0700));
  ASSERT_EQ(0, rename(usual.c_str(), dir.file("moved").c_str()));
  ASSERT_EQ(0, symlink(elsewhere.c_str(), usual.c_str()));
  std::string next = privateDirectory();
  EXPECT_EQ(usual + "-", next.substr(0, usual.size() + 1)) << next;
  EXPECT_TRUE(IsEmpty(elsewhere)) << "nothing was made through the link";
  TempDir other;
  setenv("TMPDIR", other.path().c_str(), 1);
  EXPECT_EQ(other.file("zolt-" + std::to_string(geteuid())), privateDirectory())
      << "a new TMPDIR is followed";
  EXPECT_FALSE(fileExists(next)) << "the empty fresh directory went";
}

// The places an earlier session may have used are listed as they stand, none made: only
// directories of this user's that no one else may enter, never a link in the shared
// folder, and only names a session makes.
TEST_F(PrivateDirectoryTest, EarlierPlacesAreListedOnlyWhenPrivate) {
  // Those under the test's TMPDIR: /tmp is looked at too, and other runs may use it.
  auto listed = [this]() {
    std::vector<std::string> here;
    for (const std::string& p : existingPrivateDirectories()) {
      if (p.compare(0, dir.path().size() + 1, dir.path() + "/") == 0) here.push_back(p);
    }
    return here;
  };
  std::string own = dir.file("zolt-" + std::to_string(geteuid()));
  std::string prefix = own + "-";
  static const struct {
    const char* suffix;  // after "zolt-<uid>-"
    unsigned mode;
    bool others;
    bool listed;
  } kCases[] = {
      {"Ab12Cd", 0700, false, true},    {"Ef34Gh", 0777, false, false},
      {"Ij56Kl", 0700, true, false},    {"short", 0700, false, false},
      {"Mn78Op-x", 0700, false, false},
  };
  EXPECT_EQ(std::vector<std::string>{}, listed()) << "nothing made";
  EXPECT_FALSE(fileExists(own));
  std::vector<std::string> expected;
  for (const auto& c : kCases) {
    std::string place = prefix + c.suffix;
    ASSERT_EQ(0, mkdir(place.c_str(), 0700)) << place;
    ASSERT_EQ(0, chmod(place.c_str(), c.mode));
    if (c.others) {
      ASSERT_EQ(0, chown(place.c_str(), kOtherUid, -1));
    }
    if (c.listed) expected.push_back(place);
  }
  ASSERT_EQ(0, symlink((prefix + "Ab12Cd").c_str(), (prefix + "Qr90St").c_str()));
  ASSERT_EQ(0, symlink((prefix + "Ab12Cd").c_str(), own.c_str()));
  EXPECT_EQ(expected, listed()) << "a link is no place of ours";
  ASSERT_EQ(0, unlink(own.c_str()));
  ASSERT_EQ(0, mkdir(own.c_str(), 0700));
  expected.insert(expected.begin(), own);
  EXPECT_EQ(expected, listed());
}

}  // namespace
