// The real program on a journal it cannot apply: the start is refused with the file, the
// record and the way on, and touches nothing; --recover loads what applies and keeps the
// rest beside the data file.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_util.h"

class JournalRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(data, readFile(testData("example.dat")));
    writeFile(data + "0", kGood);
    writeFile(data + "1", kBad);
    writeFile(data + "2", kAfter);
  }

  static constexpr const char* kGood =
      "<type=Zolt>\n<data>\n<new parent=2>\nt\nsbefore the bad one\nI9\n>\n>\n</new>\n</data>\n";
  static constexpr const char* kBad = "<type=Zolt>\n<data>\n<deleted>\n77\n</deleted>\n</data>\n";
  static constexpr const char* kAfter =
      "<type=Zolt>\n<data>\n<new parent=2>\nt\nsafter the bad one\nI10\n>\n>\n</new>\n</data>\n";
  TempDir dir;
  std::string data = dir.file("data.dat");
  std::string real = std::filesystem::canonical(dir.path()).string() + "/data.dat";
};

TEST_F(JournalRecoveryTest, AStartThatCannotApplyTheJournalSaysWhyAndTouchesNothing) {
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  EXPECT_NE(0, r.status);
  EXPECT_NE(std::string::npos, r.err.find("The journal file " + real +
                                          "1 cannot be applied (line 3: <deleted>: no "
                                          "item has the identifier 77)"))
      << r.err;
  EXPECT_NE(std::string::npos, r.err.find("zolt -q --recover -f 'data.dat'")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find(real + ".unapplied")) << r.err;
  EXPECT_EQ(readFile(testData("example.dat")), readFile(data));
  EXPECT_EQ(kGood, readFile(data + "0"));
  EXPECT_EQ(kBad, readFile(data + "1"));
  EXPECT_EQ(kAfter, readFile(data + "2"));
  EXPECT_FALSE(fileExists(data + ".unapplied"));
}

TEST_F(JournalRecoveryTest, RecoverLoadsWhatAppliesAndKeepsTheRestBeside) {
  RunResult r = runZolt(dir.path(), "-q --recover -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("1 journal file(s) could not be applied")) << r.err;
  std::string saved = readFile(data);
  EXPECT_NE(std::string::npos, saved.find("sbefore the bad one\n"));
  EXPECT_NE(std::string::npos, saved.find("safter the bad one\n"));
  EXPECT_FALSE(fileExists(data + "0")) << "the journal is in the master file now";
  EXPECT_EQ(
      "# " + real + "1 was not applied: line 3: <deleted>: no item has the identifier 77\n" + kBad,
      readFile(data + ".unapplied"));
  // The next start is an ordinary one.
  r = runZolt(dir.path(), "-q -f data.dat");
  EXPECT_EQ(0, r.status) << r.err;
}
