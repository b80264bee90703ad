#include "app/data_file_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "test_util.h"

namespace {

// A second process that takes the lock of `master` through DataFileLock and keeps it until
// it is released or killed. With `startProgram`, it then starts a program that outlives it,
// as the external editor may: that program must not keep the lock.
class LockHolder {
 public:
  explicit LockHolder(const std::string& master, bool startProgram = false) {
    int ready[2], release[2];
    if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(release, O_CLOEXEC) != 0 ||
        pipe2(program, O_CLOEXEC) != 0) {
      return;
    }
    pid = fork();
    if (pid == 0) runChild(master, startProgram, ready[1], release[0]);
    close(ready[1]);
    close(release[0]);
    close(program[0]);
    releaseFd = release[1];
    char answer = 0;
    held = pid > 0 && read(ready[0], &answer, 1) == 1 && answer == '1';
    close(ready[0]);
  }
  ~LockHolder() {
    crash();
    close(program[1]);
  }
  // Ends the holder the way a crash does: no destructor, no unlock of its own.
  void crash() {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
    close(releaseFd);
  }

  pid_t pid = -1;
  bool held = false;

 private:
  [[noreturn]] void runChild(const std::string& master, bool startProgram, int readyFd,
                             int releaseFd) {
    DataFileLock lock;
    std::string message;
    bool ok = lock.acquire(master, message) == 0;
    if (ok && startProgram && fork() == 0) {
      dup2(program[0], 0);
      execl("/bin/sh", "sh", "-c", "exec cat >/dev/null", static_cast<char*>(nullptr));
      _exit(127);
    }
    ssize_t ignored = write(readyFd, ok ? "1" : "0", 1);
    char c;
    ignored = read(releaseFd, &c, 1);
    (void)ignored;
    _exit(0);
  }

  int releaseFd = -1;
  int program[2] = {-1, -1};  // the started program reads until the write end closes
};

std::string realPath(const std::string& name) {
  char resolved[PATH_MAX];
  return realpath(name.c_str(), resolved) != nullptr ? resolved : name;
}

}  // namespace

class DataFileLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(data, readFile(testData("example.dat")));
    writeFile(data + "0", journal);
  }
  RunResult Run(const std::string& args) { return runZolt(dir.path(), args); }
  // Every regular file below the test's directory with its content.
  std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (entry.is_regular_file()) files[entry.path().string()] = readFile(entry.path().string());
    }
    return files;
  }
  void ExpectRefusedBy(const LockHolder& holder, const RunResult& r) {
    EXPECT_NE(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("The data file " + realPath(dir.path()) +
                                            "/data.dat is already open "
                                            "in another Zolt (process " +
                                            std::to_string(holder.pid) + ")."))
        << r.err;
  }

  TempDir dir;
  std::string data = dir.file("data.dat");
  std::string journal =
      "<type=Zolt>\n<data>\n<new parent=2>\nt\nsFrom the journal\nI9\n>\n>\n</new>\n</data>\n";
};

TEST_F(DataFileLockTest, SecondZoltIsRefusedBeforeItTouchesAnything) {
  // A leftover of an interrupted journal write: any start that got going would remove it.
  writeFile(data + ".jtmpABCDEF", "<type=Zolt>\n");
  LockHolder holder(data);
  ASSERT_TRUE(holder.held);
  std::map<std::string, std::string> before = Snapshot();
  RunResult r = Run("-q -s -f data.dat");
  ExpectRefusedBy(holder, r);
  EXPECT_EQ(std::string::npos, r.out.find("write to file"));
  EXPECT_EQ(before, Snapshot()) << "no file written, removed or left behind";
}

TEST_F(DataFileLockTest, CrashedHolderNeverBlocks) {
  LockHolder holder(data);
  ASSERT_TRUE(holder.held);
  holder.crash();
  ASSERT_TRUE(fileExists(data + ".lock")) << "the stale lock file is there";
  RunResult r = Run("-q -s -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_FALSE(fileExists(data + "0"));
  EXPECT_NE(std::string::npos, readFile(data).find("\nsFrom the journal\n"));
}

TEST_F(DataFileLockTest, ProgramStartedByTheHolderDoesNotKeepTheLock) {
  LockHolder holder(data, true);
  ASSERT_TRUE(holder.held);
  holder.crash();
  RunResult r = Run("-q -s -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
}

TEST_F(DataFileLockTest, EverySpellingOfTheFileMeetsTheSameLock) {
  std::filesystem::create_directory(dir.file("sub"));
  std::filesystem::create_symlink(data, dir.file("link.dat"));
  std::filesystem::create_symlink("data.dat", dir.file("relative_link.dat"));
  std::filesystem::create_directory_symlink(dir.path(), dir.file("linkdir"));
  static const struct {
    std::string holder;  // below the test's directory
    std::string run;     // the -f argument, relative to it or "ABS/..."
  } kCases[] = {
      {"data.dat", "./data.dat"},
      {"data.dat", "ABS/data.dat"},
      {"data.dat", "sub/../data.dat"},
      {"data.dat", "link.dat"},
      {"link.dat", "data.dat"},
      {"relative_link.dat", "linkdir/data.dat"},
      {"linkdir/data.dat", "ABS/link.dat"},
  };
  for (const auto& c : kCases) {
    LockHolder holder(dir.file(c.holder));
    ASSERT_TRUE(holder.held) << c.holder;
    std::string run = c.run.compare(0, 4, "ABS/") == 0 ? dir.file(c.run.substr(4)) : c.run;
    RunResult r = Run("-q -s -f " + run);
    ExpectRefusedBy(holder, r);
    EXPECT_EQ(journal, readFile(data + "0")) << c.holder << " / " << c.run;
  }
  EXPECT_FALSE(fileExists(dir.file("link.dat.lock")));
}

TEST_F(DataFileLockTest, MasterFileNotYetThereIsLockedToo) {
  std::string fresh = dir.file("fresh.dat");
  LockHolder holder(fresh);
  ASSERT_TRUE(holder.held);
  RunResult r = Run("-q -s -f fresh.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find(realPath(dir.path()) + "/fresh.dat is already open"));
  EXPECT_FALSE(fileExists(fresh));
  holder.crash();
  r = Run("-q -s -f fresh.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(fileExists(fresh));
}

TEST_F(DataFileLockTest, MessageNamesTheHolderWhateverTheLockFileSays) {
  LockHolder holder(data);
  ASSERT_TRUE(holder.held);
  EXPECT_EQ(std::to_string(holder.pid) + "\n", readFile(data + ".lock"));
  writeFile(data + ".lock", "1\n");
  ExpectRefusedBy(holder, Run("-q -s -f data.dat"));
}

TEST_F(DataFileLockTest, LockFileIsPrivateAndStaysAfterRelease) {
  mode_t oldMask = umask(0);
  {
    DataFileLock lock;
    std::string message;
    ASSERT_EQ(0, lock.acquire(data, message)) << message;
    EXPECT_EQ(realPath(data) + ".lock", lock.fileName());
    EXPECT_EQ(realPath(data) + ".lock", dataFileLockName(dir.file("./data.dat")));
    struct stat st;
    ASSERT_EQ(0, stat(lock.fileName().c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 07777);
    EXPECT_EQ(std::to_string(getpid()) + "\n", readFile(lock.fileName()));
  }
  umask(oldMask);
  EXPECT_TRUE(fileExists(data + ".lock"));
}

TEST_F(DataFileLockTest, SymbolicLinkInPlaceOfTheLockFileIsNotFollowed) {
  std::string victim = dir.file("victim");
  std::filesystem::create_symlink(victim, data + ".lock");
  RunResult r = Run("-q -s -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("Cannot open the lock file " + realPath(dir.path()) +
                                          "/data.dat.lock: it is a symbolic link."))
      << r.err;
  EXPECT_FALSE(fileExists(victim));
  EXPECT_EQ(journal, readFile(data + "0"));
}
