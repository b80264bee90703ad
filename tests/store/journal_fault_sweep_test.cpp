// The real program with one system call failing: strace makes the K-th read, write, fsync,
// rename, openat or unlink fail, over a start that replays a journal, an import and a
// recovery. Every such run either completes or refuses with a message, and the next
// ordinary start holds every acknowledged change exactly once. Also the single faults the
// sweep could only hit by chance: a journal file that cannot be removed, a read error on
// the data file or the set-aside file, a journal on another file system.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace {

std::string Record(const std::string& body) {
  return "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n" + body + "</data>\n";
}
std::string NewRecord(unsigned sid, const std::string& summary) {
  return Record("<new parent=2>\nt\ns" + summary + "\nI" + std::to_string(sid) +
                "\n>\n>\n</new>\n");
}
const std::string kBadRecord = Record("<deleted>\n77\n</deleted>\n");

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

bool HaveStrace() { return system("strace -V >/dev/null 2>&1") == 0; }

// strace before the program, as a prefix for runZolt: quiet, following children, and with
// leak checks off, which cannot run under ptrace. `options` holds no double quote.
std::string Strace(const std::string& options) {
  // The shell's "exec" and the program after it run in a shell of strace's own.
  return "ASAN_OPTIONS=\\\"$ASAN_OPTIONS:detect_leaks=0\\\" strace -f -qq " + options +
         " sh -c '\\$0 \\\"\\$@\\\"'";
}

// One kind of run the sweep faults.
struct Scenario {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // beside data.dat
  const char* args;                                        // the faulted run
  const char* nextArgs;                                    // the start after it
  std::vector<std::string> journalled;                     // summaries acknowledged before the run
  std::string madeByRun;                                   // acknowledged when the run exits 0
};

const char kEvent[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\nUID:sweep-1\r\n"
    "DTSTAMP:20240101T000000Z\r\nDTSTART:20240102T100000Z\r\nDTEND:20240102T110000Z\r\n"
    "SUMMARY:imported event\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

std::vector<Scenario> Scenarios() {
  return {
      {"start with a journal",
       {{"data.dat0", NewRecord(9, "journal one")}, {"data.dat1", NewRecord(10, "journal two")}},
       "-q -f data.dat",
       "-q -f data.dat",
       {"journal one", "journal two"},
       ""},
      {"import",
       {{"event.ics", kEvent}},
       "-q --import-ics event.ics -f data.dat",
       "-q -f data.dat",
       {},
       "imported event"},
      {"recovery",
       {{"data.dat0", NewRecord(9, "before the bad one")},
        {"data.dat1", kBadRecord},
        {"data.dat2", NewRecord(10, "after the bad one")}},
       "-q --recover -f data.dat",
       "-q --recover -f data.dat",
       {"before the bad one", "after the bad one"},
       ""},
  };
}

class JournalFaultSweepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveStrace()) GTEST_SKIP() << "strace is not installed: tools/install_deps.sh installs it";
  }
  // A fresh folder laid out for `s`.
  void Lay(const Scenario& s) {
    folder.reset(new TempDir());
    writeFile(Data(), readFile(testData("example.dat")));
    for (const auto& f : s.files) writeFile(folder->file(f.first), f.second);
  }
  std::string Data() const { return folder->file("data.dat"); }
  // How often the program calls `call` in the run `args`.
  int CountCalls(const std::string& call, const std::string& args) {
    std::string log = folder->file(".calls");
    RunResult r = runZolt(folder->path(), args, Strace("-o '" + log + "' -e trace=" + call));
    std::ifstream in(log);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
      if (line.find(call + "(") != std::string::npos) ++n;
    }
    remove(log.c_str());
    return r.status == 0 ? n : -1;
  }

  std::unique_ptr<TempDir> folder;
};

// The calls a fault is put on, each with an error it can really give.
const struct {
  const char* call;
  const char* error;
} kFaults[] = {
    {"read", "EIO"},      {"write", "ENOSPC"},  {"fsync", "EIO"},
    {"rename", "EACCES"}, {"openat", "EACCES"}, {"unlink", "EACCES"},
};

// Faulted runs per call and scenario: each of the last calls (the data file's work comes
// after the program's libraries are loaded) and a few spread over the rest, so that the
// sweep stays short.
const int kTail = 6;
const int kSpread = 2;

std::vector<int> Samples(int count) {
  std::vector<int> ks;
  for (int k = count; k >= 1 && k > count - kTail; --k) ks.push_back(k);
  int rest = count - kTail;
  for (int i = 1; i <= kSpread && rest > 0; ++i) ks.push_back(std::max(1, rest * i / kSpread));
  return ks;
}

TEST_F(JournalFaultSweepTest, EveryFaultedRunCompletesOrRefusesAndLosesOrDoublesNothing) {
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer's runtime makes system calls of its own (it probes memory by writing to a
  // pipe), so the counted calls are not the program's and a fault on them stops the runtime.
  // The plain build runs the sweep.
  GTEST_SKIP() << "the sweep runs in the build without sanitizers";
#endif
  int faulted = 0, refused = 0;
  for (const Scenario& s : Scenarios()) {
    for (const auto& fault : kFaults) {
      Lay(s);
      int count = CountCalls(fault.call, s.args);
      ASSERT_GE(count, 0) << s.name << ": the run fails without a fault";
      for (int k : Samples(count)) {
        Lay(s);
        std::string what = std::string(s.name) + ", " + fault.call + " #" + std::to_string(k);
        RunResult r = runZolt(
            folder->path(), s.args,
            Strace(std::string("-o /dev/null -e trace=") + fault.call + " -e inject=" + fault.call +
                   ":error=" + fault.error + ":when=" + std::to_string(k)));
        ++faulted;
        if (r.status != 0) {
          ++refused;
          EXPECT_FALSE(r.err.empty()) << what << ": a refusal without a message";
        }
        RunResult next = runZolt(folder->path(), s.nextArgs);
        ASSERT_EQ(0, next.status) << what << ": the next start: " << next.err
                                  << "\nafter: " << r.err;
        std::string saved = readFile(Data());
        for (const std::string& summary : s.journalled) {
          EXPECT_EQ(1u, Count(saved, "s" + summary + "\n")) << what << ": " << summary;
        }
        if (!s.madeByRun.empty()) {
          size_t n = Count(saved, "s" + s.madeByRun + "\n");
          EXPECT_EQ(r.status == 0 ? 1u : n, n) << what << ": acknowledged, yet not there";
          EXPECT_LE(n, 1u) << what << ": taken in twice";
        }
        EXPECT_LE(Count(readFile(Data() + ".unapplied"), kBadRecord), 1u) << what;
      }
    }
  }
  // The sweep ran, and its faults really reached the program.
  EXPECT_GE(faulted, 60);
  EXPECT_GT(refused, 0);
}

// A journal file that cannot be removed after its changes went into the data file is never
// replayed again, and is named; it goes at a later start that can remove it.
TEST_F(JournalFaultSweepTest, AJournalFileThatCannotBeRemovedIsNotReplayedAgain) {
  Scenario s = Scenarios()[0];
  Lay(s);
  std::string stuck = Data() + "0";
  std::string prefix = Strace("-o /dev/null -P '" + stuck +
                              "' -e trace=unlink,unlinkat -e inject=unlink,unlinkat:error=EPERM");
  for (int run = 0; run < 2; ++run) {
    RunResult r = runZolt(folder->path(), "-q -f data.dat", prefix);
    ASSERT_EQ(0, r.status) << run << ": " << r.err;
    EXPECT_NE(std::string::npos, r.err.find("could not be removed")) << run << ": " << r.err;
    EXPECT_TRUE(fileExists(stuck)) << run;
    EXPECT_EQ(1u, Count(readFile(Data()), "sjournal one\n")) << run;
  }
  RunResult r = runZolt(folder->path(), "-q -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_FALSE(fileExists(stuck));
  EXPECT_FALSE(fileExists(Data() + ".compacted"));
  EXPECT_EQ(1u, Count(readFile(Data()), "sjournal one\n"));
  EXPECT_EQ(1u, Count(readFile(Data()), "sjournal two\n"));
}

// A read error is no damage: the message says the file cannot be read.
TEST_F(JournalFaultSweepTest, AReadErrorOnTheDataFileIsNotCalledCorrupt) {
  Lay(Scenarios()[0]);
  std::string escaped =
      Strace("-o /dev/null -P '" + Data() + "' -e trace=read -e inject=read:error=EIO");
  RunResult r = runZolt(folder->path(), "-q -f data.dat", escaped);
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("cannot be read")) << r.err;
  EXPECT_EQ(std::string::npos, r.err.find("corrupt")) << r.err;
  EXPECT_EQ(readFile(testData("example.dat")), readFile(Data()));
  EXPECT_TRUE(fileExists(Data() + "0"));
}

// A journal file that fails to read is neither dropped nor taken for empty: the start is
// refused with the reason, and every file stays.
TEST_F(JournalFaultSweepTest, AReadErrorOnAJournalFileRefusesTheStartAndKeepsIt) {
  Scenario s = Scenarios()[0];
  Lay(s);
  std::string failing = Data() + "1";
  RunResult r =
      runZolt(folder->path(), "-q -f data.dat",
              Strace("-o /dev/null -P '" + failing + "' -e trace=read -e inject=read:error=EIO"));
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("reading it failed: Input/output error")) << r.err;
  EXPECT_EQ(s.files[1].second, readFile(failing));
  EXPECT_EQ(s.files[0].second, readFile(Data() + "0"));
  EXPECT_EQ(readFile(testData("example.dat")), readFile(Data()));
}

// The set-aside file cannot be read: what it holds stays, the new entry goes after it.
TEST_F(JournalFaultSweepTest, ASetAsideFileThatCannotBeReadIsAppendedTo) {
  Lay(Scenarios()[2]);
  std::string kept = Data() + ".unapplied";
  writeFile(kept, "# an earlier entry\nkept\n");
  std::string escaped =
      Strace("-o /dev/null -P '" + kept + "' -e trace=read -e inject=read:error=EIO");
  RunResult r = runZolt(folder->path(), "-q --recover -f data.dat", escaped);
  ASSERT_EQ(0, r.status) << r.err;
  std::string text = readFile(kept);
  EXPECT_EQ(0u, text.find("# an earlier entry\nkept\n# ")) << text;
  EXPECT_EQ(1u, Count(text, kBadRecord)) << text;
}

// Opened through a link on another file system, an older version's journal under the
// typed name cannot be renamed beside the data file: it is copied there and then removed.
TEST_F(JournalFaultSweepTest, AJournalUnderTheTypedNameOnAnotherFileSystemIsMoved) {
  TempDir shm;  // under TMPDIR
  std::string other = "/dev/shm";
  struct stat a, b;
  if (stat(other.c_str(), &a) != 0 || stat(shm.path().c_str(), &b) != 0 || a.st_dev == b.st_dev) {
    GTEST_SKIP() << "no second file system at /dev/shm; not run";
  }
  char pattern[] = "/dev/shm/zolt_link_XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));
  std::string linkDir = pattern;
  Lay(Scenarios()[0]);
  remove((Data() + "0").c_str());
  remove((Data() + "1").c_str());
  std::string link = linkDir + "/data.dat";
  ASSERT_EQ(0, symlink(Data().c_str(), link.c_str()));
  writeFile(link + "0", NewRecord(9, "journal one"));
  RunResult r = runZolt(folder->path(), "-q -f '" + link + "'");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(1u, Count(readFile(Data()), "sjournal one\n"));
  EXPECT_FALSE(fileExists(link + "0"));
  std::filesystem::remove_all(linkDir);
}

// Many stray journal files beyond a gap: the set-aside file is opened once to read what it
// holds and once to append them all, however many there are (and the trace saw both).
TEST_F(JournalFaultSweepTest, StrayFilesAreSetAsideWithOneAppend) {
  Lay(Scenarios()[1]);
  const int kStray = 500;
  for (int n = 2; n < 2 + kStray; ++n) {
    writeFile(Data() + std::to_string(n), NewRecord(100 + n, "stray " + std::to_string(n)));
  }
  std::string log = folder->file(".opens");
  std::string setAside = Data() + ".unapplied";
  RunResult r = runZolt(folder->path(), "-q -f data.dat",
                        Strace("-o '" + log + "' -P '" + setAside + "' -e trace=openat"));
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(static_cast<size_t>(kStray), Count(readFile(setAside), " was not applied: "));
  EXPECT_EQ(2u, Count(readFile(log), "openat(")) << readFile(log);
  EXPECT_NE(std::string::npos, r.err.find("500 journal files beyond the unbroken run")) << r.err;
}

}  // namespace
