#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "test_util.h"

// Runs the real program headless, as a user or a script would.
class StartupTest : public ::testing::Test {
 protected:
  RunResult Run(const std::string& args, const std::string& prefix = "") {
    return runZolt(dir.path(), args, prefix);
  }
  // Files anywhere below the test's directory, the private temporary directory included;
  // the lock file, which stays beside the data file on purpose, does not count.
  int CountFiles() {
    int n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      n += entry.is_regular_file() && entry.path().extension() != ".lock" ? 1 : 0;
    }
    return n;
  }

  TempDir dir;
  std::string data = dir.file("data.dat");
};

TEST_F(StartupTest, QuitAndSaveRoundTripsTheExample) {
  writeFile(data, readFile(testData("example.dat")));
  RunResult r = Run("-q -s -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("write to file: 0\n"));
  EXPECT_EQ(readFile(testData("example.dat")), readFile(data));
}

TEST_F(StartupTest, WithoutSaveNothingIsWritten) {
  writeFile(data, readFile(testData("example.dat")));
  RunResult r = Run("-q -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("write to file"));
  EXPECT_EQ(1, CountFiles()) << "the exchange file must be removed at shutdown";
}

TEST_F(StartupTest, WithoutADefaultFileANewOneStartsInTheHomeFolder) {
  std::string made = dir.file(".zolt/zolt_default.dat");
  RunResult r = Run("-q");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("Starting a new data file at " + made + "\n", r.out);
  EXPECT_TRUE(fileExists(made));
  struct stat st;
  ASSERT_EQ(0, stat(dir.file(".zolt").c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777u) << "the folder of the user's data is private";
  EXPECT_FALSE(fileExists(dir.file("zolt_default.dat"))) << "nothing in the current folder";

  r = Run("-q");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.out) << "said once: the next start finds the file";
}

TEST_F(StartupTest, AnExistingDefaultFileIsTakenSilently) {
  mkdir(dir.file("zolt").c_str(), 0700);
  writeFile(dir.file("zolt/zolt_default.dat"), readFile(testData("example.dat")));
  RunResult r = Run("-q -s");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("write to file: 0\n", r.out);
  EXPECT_EQ(readFile(testData("example.dat")), readFile(dir.file("zolt/zolt_default.dat")));
  EXPECT_FALSE(fileExists(dir.file(".zolt")));
}

TEST_F(StartupTest, ADataFileNamedWithFLooksForNoDefault) {
  writeFile(data, readFile(testData("example.dat")));
  RunResult r = Run("-q -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.out);
  EXPECT_FALSE(fileExists(dir.file(".zolt")));
}

TEST_F(StartupTest, ADataFileInAMissingFolderIsNamedAsSuch) {
  RunResult r = Run("-q -s -f nowhere/data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("The folder nowhere of the data file nowhere/data.dat "
                                          "does not exist"))
      << r.err;
  EXPECT_EQ(std::string::npos, r.err.find("lock")) << r.err;
  EXPECT_FALSE(fileExists(dir.file("nowhere")));
}

TEST_F(StartupTest, CorruptMasterFileIsRefusedAndLeftAlone) {
  std::string corrupt = "<type=Zolt>\n<data>\ng\nsbroken\n";
  writeFile(data, corrupt);
  RunResult r = Run("-q -s -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos,
            r.err.find("Master data file corrupt. Read Documentation about data recovery."));
  EXPECT_EQ(corrupt, readFile(data));
}

TEST_F(StartupTest, InvalidCalendarDateTouchesNoFile) {
  RunResult r = Run("-q -s -f data.dat -c 2009-02-30");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("YYYY-MM-DD"));
  EXPECT_FALSE(fileExists(data));
}

TEST_F(StartupTest, FailedSaveIsReportedAndKeepsTheOldFile) {
  std::string big = readFile(testData("example.dat"));
  big.insert(big.find("s<unnamed>\n"), "");
  big.replace(big.find("sWork"), 5, "s" + std::string(20000, 'w'));
  writeFile(data, big);
  RunResult r = Run("-q -s -f data.dat", "trap '' XFSZ; ulimit -f 8;");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.out.find("write to file: -1\n"));
  EXPECT_NE(std::string::npos, r.err.find("data.dat"));
  EXPECT_EQ(big, readFile(data));
}

TEST_F(StartupTest, JournalIsCompactedIntoTheMasterFile) {
  writeFile(data, readFile(testData("example.dat")));
  writeFile(
      data + "0",
      "<type=Zolt>\n<data>\n<new parent=2>\nt\nsFrom the journal\nI9\n>\n>\n</new>\n</data>\n");
  RunResult r = Run("-q -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("write to file: 0\n"));
  EXPECT_FALSE(fileExists(data + "0"));
  EXPECT_NE(std::string::npos, readFile(data).find("\nt\nsFrom the journal\nI9\n>\n"));
  EXPECT_NE(std::string::npos, readFile(data).find("<idmax=9>"));
}

TEST_F(StartupTest, CorruptJournalIsRefusedAndLeftAlone) {
  writeFile(data, readFile(testData("example.dat")));
  std::string journal = "<type=Zolt>\n<data>\n<deleted>\n77\n</deleted>\n</data>\n";
  writeFile(data + "0", journal);
  RunResult r = Run("-q -s -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos,
            r.err.find("The journal file " + std::filesystem::canonical(data).string() +
                       "0 cannot be applied (line 3: <deleted>: no item has the identifier 77)"))
      << r.err;
  EXPECT_NE(std::string::npos, r.err.find("zolt -q --recover -f 'data.dat'")) << r.err;
  EXPECT_EQ(journal, readFile(data + "0"));
  EXPECT_EQ(readFile(testData("example.dat")), readFile(data));
}

// A file name that begins with '-' is the file's name, not an option; a missing or empty
// one is refused before anything is written.
TEST_F(StartupTest, FileNamesAfterDashFAreTakenWhole) {
  RunResult r = Run("-q -s -f -dash.dat");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(fileExists(dir.file("-dash.dat")));
  EXPECT_FALSE(fileExists(dir.file("zolt_default.dat")));
  for (const char* args : {"-q -s -f ''", "-q -s -f"}) {
    r = Run(args);
    EXPECT_NE(0, r.status) << args;
    EXPECT_NE(std::string::npos, r.err.find("-f needs a FILE name after it")) << args << r.err;
    EXPECT_FALSE(fileExists(dir.file("zolt_default.dat"))) << args;
  }
}

// The work without a window needs no temporary file: whatever blocks the private
// directory, it runs, and makes no directory in its place.
TEST_F(StartupTest, HeadlessModesIgnoreABlockedPrivateDirectory) {
  writeFile(data, readFile(testData("example.dat")));
  std::string own = dir.file("zolt-" + std::to_string(geteuid()));
  ASSERT_EQ(0, mkdir(own.c_str(), 0777));
  ASSERT_EQ(0, chmod(own.c_str(), 0777));
  ASSERT_EQ(0, chown(own.c_str(), 54321, -1));
  static const char* kArgs[] = {"-q -s -f data.dat", "-f data.dat --agenda 7",
                                "-f data.dat --export-ics out.ics"};
  for (const char* args : kArgs) {
    RunResult r = Run(args);
    EXPECT_EQ(0, r.status) << args << ": " << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("temporary")) << args << ": " << r.err;
    r = Run(args, "TMPDIR=/nonexistent/tmp");
    EXPECT_EQ(0, r.status) << args << " with a missing TMPDIR: " << r.err;
  }
  EXPECT_TRUE(fileExists(dir.file("out.ics")));
  int made = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    made += entry.path().filename().string().rfind("zolt-", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(1, made) << "only the blocker: no fresh directory was needed";
}

// The agenda's standard output is the agenda alone: the configuration's notes and the
// journal's compaction are told on standard error.
TEST_F(StartupTest, TheAgendasStandardOutputIsTheAgendaAlone) {
  ASSERT_EQ(0, mkdir(dir.file(".zoltrc").c_str(), 0700));
  writeFile(dir.file(".zoltrc/zolt.config"), "editor=vim\ndefault=~/data.dat\n");
  writeFile(data, readFile(testData("ics/agenda.dat")));
  writeFile(data + "0",
            "<type=Zolt>\n<data>\n<new parent=1>\nt\nsUndated\nI10\n>\n>\n</new>\n</data>\n");
  RunResult r = Run("-c 2009-02-09 --agenda 7");
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(readFile(testData("ics/agenda_2009-02-09_7days.txt")), r.out);
  EXPECT_NE(std::string::npos, r.err.find("user config: editor = vim\n")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("write to file: 0\n")) << r.err;
  EXPECT_FALSE(fileExists(data + "0")) << "the journal was replayed";
}

// A kill during an external edit leaves the description in clear in the edit's own
// directory; every start removes it, the headless ones too, wherever a session kept it.
TEST_F(StartupTest, EveryStartRemovesTheEditsOfKilledSessions) {
  writeFile(data, readFile(testData("example.dat")));
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  ASSERT_EQ(dead, waitpid(dead, nullptr, 0));
  std::string uid = std::to_string(geteuid());
  static const char* kArgs[] = {"-q -f data.dat", "-f data.dat --agenda 7",
                                "-f data.dat --export-ics out.ics", "-f data.dat --import-ics x"};
  for (const char* args : kArgs) {
    std::vector<std::string> edits;
    for (const std::string& place :
         {dir.file("zolt-" + uid), dir.file("zolt-" + uid + "-Ab12Cd")}) {
      mkdir(place.c_str(), 0700);
      std::string edit = place + "/zolt-edit-" + std::to_string(dead) + "-123-abcdef";
      ASSERT_EQ(0, mkdir(edit.c_str(), 0700)) << edit;
      writeFile(edit + "/description.txt", "MARKER");
      edits.push_back(edit);
    }
    Run(args);
    for (const std::string& edit : edits) EXPECT_FALSE(fileExists(edit)) << args << ": " << edit;
  }
}
