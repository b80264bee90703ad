// The journal as the real program writes it, driven with real keys from xdotool and then
// killed with SIGKILL: the next start must have the change, and a journal it cannot apply
// must not lock the user out.
#include "gui/program_fixture.h"

class JournalProgramTest : public ProgramTest {
 protected:
  // The root group's own lines in the master file (up to its first child).
  std::string RootLines() {
    std::string saved = readFile(data);
    size_t from = saved.find("\ng\n");
    return saved.substr(from, saved.find("\nt\n", from) - from);
  }
};

TEST_F(JournalProgramTest, AGroupsShowCompletedFlagSurvivesAKill) {
  ASSERT_EQ(std::string::npos, RootLines().find("\nc0")) << "the flag starts set";
  Start();
  Focus();
  // The menu, View, into it and down to its fourth entry: "show completed".
  Xdotool("key alt+m v Right Down Down Down Return");
  ASSERT_TRUE(AwaitFile(data + "0")) << "the change goes into the journal at once";
  EXPECT_NE(-1, KillAndWait(SIGKILL));
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, RootLines().find("\nc0")) << RootLines();
  EXPECT_FALSE(fileExists(data + "0"));
}

TEST_F(JournalProgramTest, TurningANewToDoIntoAGroupSurvivesAKill) {
  Start();
  Focus();
  Xdotool("key alt+n");  // a new to-do, open in the editor and never journalled
  Xdotool("type 'Plan the move'");
  Xdotool("key alt+m Down Down Down Down Return");  // the editor's menu: turn to group
  ASSERT_TRUE(AwaitFile(data + "0")) << readFile(dir.file("zolt.out"));
  KillAndWait(SIGKILL);
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  ASSERT_EQ(0, r.status) << "the journal loads: " << r.err;
  std::string saved = readFile(data);
  EXPECT_NE(std::string::npos, saved.find("g\nsPlan the move\n")) << saved;
  EXPECT_NE(std::string::npos, saved.find("t\nsPlan the move\n")) << saved;
}
