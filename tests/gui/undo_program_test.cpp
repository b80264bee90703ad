// Undo and redo through the real program, with xdotool keys as a person types them. The
// state a kill would leave is read after every step (the data file and its journal, loaded
// by a second program in a directory of their own), and the program is killed with SIGKILL:
// the next start shows exactly the state after the last change or undo it acknowledged.
#include <sys/stat.h>

#include "gui/program_fixture.h"

class UndoProgramTest : public ProgramTest {
 protected:
  // The items the next start shows (the data file after a headless load of a copy of the
  // data file and its journal, from its first group on), as things stand now.
  std::string StateAfterAKill() {
    TempDir copy;
    for (int n = -1;; ++n) {
      std::string name = n < 0 ? data : data + std::to_string(n);
      if (!fileExists(name)) break;
      writeFile(copy.file(n < 0 ? "data.dat" : "data.dat" + std::to_string(n)), readFile(name));
    }
    RunResult r = runZolt(copy.path(), "-q -s -f data.dat");
    EXPECT_EQ(0, r.status) << r.err;
    return Items(readFile(copy.file("data.dat")));
  }
  static std::string Items(const std::string& file) {
    size_t at = file.find("\ng\n");
    return at == std::string::npos ? "" : file.substr(at);
  }
  // The journal file each acknowledged step writes: the next one to appear.
  void Step(const std::string& keys) {
    Xdotool("key --delay 60 " + keys);
    ASSERT_TRUE(AwaitFile(data + std::to_string(journalFiles))) << keys << " journals at once";
    ++journalFiles;
  }
  int journalFiles = 0;
};

TEST_F(UndoProgramTest, CompletionUndoneAndRedoneSurvivesAKillAfterEachStep) {
  std::string original = StateAfterAKill();
  ASSERT_NE("", original);
  Start();
  Focus();
  Step("Down Return");
  std::string completed = StateAfterAKill();
  ASSERT_NE(original, completed) << "the to-do was completed";
  Step("ctrl+z");
  EXPECT_EQ(original, StateAfterAKill());
  Step("ctrl+shift+z");
  EXPECT_EQ(completed, StateAfterAKill());
  Step("ctrl+z");
  EXPECT_EQ(original, StateAfterAKill());
  Step("ctrl+y");
  EXPECT_EQ(completed, StateAfterAKill());
  Step("ctrl+z");
  KillAndWait(SIGKILL);
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(original, Items(readFile(data))) << "the last undo survived the kill";
}

// A new item, undone, redone and undone again through the menu's entries, with a kill after
// the redo and the next session going on from there.
TEST_F(UndoProgramTest, ANewItemGoesAndComesBackThroughTheMenu) {
  std::string original = StateAfterAKill();
  Start();
  Focus();
  Xdotool("key alt+n");
  Xdotool("type --delay 30 'Fresh'");
  Step("alt+c");
  std::string withFresh = StateAfterAKill();
  ASSERT_NE(std::string::npos, withFresh.find("\nsFresh\n"));
  Step("alt+m u");
  EXPECT_EQ(original, StateAfterAKill()) << "undo removed the new item";
  Step("alt+m r");
  EXPECT_EQ(withFresh, StateAfterAKill()) << "redo brought it back";
  KillAndWait(SIGKILL);
  EXPECT_EQ(withFresh, StateAfterAKill());

  // The next session starts with the journal written into the data file and no history:
  // Ctrl+z changes nothing.
  Start();
  journalFiles = 0;
  Focus();
  Xdotool("key ctrl+z");
  Step("Down Return");
  std::string completed = StateAfterAKill();
  Step("ctrl+z");
  KillAndWait(SIGKILL);
  EXPECT_EQ(withFresh, StateAfterAKill()) << "only the session's own change was undone";
  EXPECT_NE(completed, withFresh);
}
