// The list of the real program scrolled with the mouse wheel and its scrollbar, and clicked,
// through the X server; the first line in sight is what the data file keeps at exit.
#include <string>

#include "gui/program_fixture.h"

namespace {

// A data file of `count` to-dos in the root group, more than a window shows.
std::string manyToDos(int count) {
  std::string file =
      "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<idmax=" +
      std::to_string(count + 1) +
      ">\n<idmaxaftersync=0>\n<curGroup=/0/>\n<viewtype=tree>\n<mainviewtype=0>\n"
      "<sorttype=priority>\n<cal.date=153632768>\n<cal.days=1>\n<GUIData.nLineNormal=0>\n"
      "<GUIData.nLineCal=0>\n<Session.uWinHeight=240>\n<Session.uWinWidth=320>\ng\ns<unnamed>\n"
      "I1\n";
  for (int i = 2; i <= count + 1; ++i) {
    file += "t\nsItem " + std::to_string(i) + "\nI" + std::to_string(i) + "\np3\n>\n";
  }
  return file + ">\n</data>\n";
}

class RowListProgramTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    writeFile(data, manyToDos(100));
  }
  // Leaves with Ctrl+q and returns the first line in sight the data file kept.
  int SavedTopLine() {
    Focus();
    Xdotool("key ctrl+q");
    EXPECT_EQ(0, AwaitExit());
    std::string saved = readFile(data);
    const std::string key = "<GUIData.nLineNormal=";
    size_t at = saved.find(key);
    if (at == std::string::npos) return -1;
    return std::stoi(saved.substr(at + key.size()));
  }
};

TEST_F(RowListProgramTest, TheWheelScrollsALinePerNotch) {
  Start();
  Focus();
  Xdotool("mousemove --window " + window + " 200 200");
  Xdotool("click --repeat 3 5");  // three notches down
  EXPECT_EQ(4, SavedTopLine());
  Start();
  Focus();
  Xdotool("mousemove --window " + window + " 200 200");
  Xdotool("click 4");  // one notch up from where it was left
  EXPECT_EQ(3, SavedTopLine());
}

TEST_F(RowListProgramTest, TheScrollbarsArrowScrollsALine) {
  Start();
  Focus();
  // The down arrow at the foot of the scrollbar, right of the lines, above the status line
  // (20 pixels) and the button bar (30).
  Xdotool("mousemove --window " + window + " 628 416");
  Xdotool("click 1");
  EXPECT_EQ(2, SavedTopLine());
}

TEST_F(RowListProgramTest, AClickOnALineOpensItsToDo) {
  Start();
  Focus();
  Xdotool("mousemove --window " + window + " 200 40");  // the first line's text, below the title
  Xdotool("click 1");
  Xdotool("key End");
  Xdotool("type --delay 20 ' changed'");
  Xdotool("key alt+c");  // closes the editor, keeping the change
  SavedTopLine();
  std::string saved = readFile(data);
  size_t at = saved.find(" changed\n");
  ASSERT_NE(std::string::npos, at) << "the editor took the typing";
  size_t line = saved.rfind('\n', at) + 1;
  EXPECT_EQ("sItem ", saved.substr(line, 6)) << "the summary of a to-do of the list";
}

}  // namespace
