// The prompt, the question boxes, the list's keys and the time selector, driven in the real
// program with real keys from xdotool; what they changed is read back after a kill -9.
#include <set>
#include <string>
#include <vector>

#include "calendar/date_time.h"
#include "gui/program_fixture.h"

namespace {

class DialogsProgramTest : public ProgramTest {
 protected:
  // Opens "export content" from the menu by keys and types `file` into its prompt.
  void TypeIntoExportPrompt(const std::string& file) {
    Menu("f Right Down Down Return");
    Xdotool("type --delay 20 '" + file + "'");
  }
  // The summaries of the completed to-dos the data file and its journal hold now.
  std::set<std::string> Completed() {
    RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
    EXPECT_EQ(0, r.status) << r.err;
    std::set<std::string> done;
    std::string saved = readFile(data);
    for (size_t at = saved.find("\nt\n"); at != std::string::npos;
         at = saved.find("\nt\n", at + 1)) {
      std::string record = saved.substr(at, saved.find("\n>\n", at) - at);
      size_t s = record.find("\ns");
      if (s == std::string::npos || record.find("\nf") == std::string::npos) continue;
      done.insert(record.substr(s + 2, record.find('\n', s + 2) - s - 2));
    }
    return done;
  }
  // A data file of `n` open to-dos "Item 01" ... in the root.
  void WriteItems(int n) {
    std::string file =
        "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<idmax=" + std::to_string(n + 1) +
        ">\n<idmaxaftersync=0>\n<curGroup=/0/>\n<viewtype=tree>\n<mainviewtype=0>\n"
        "<sorttype=priority>\n<cal.date=153632768>\n<cal.days=1>\n<GUIData.nLineNormal=0>\n"
        "<GUIData.nLineCal=0>\n<Session.uWinHeight=160>\n<Session.uWinWidth=160>\ng\n"
        "s<unnamed>\nI1\n";
    for (int i = 1; i <= n; ++i) {
      char name[16];
      snprintf(name, sizeof name, "Item %02d", i);
      file += "t\ns" + std::string(name) + "\nI" + std::to_string(i + 1) + "\np3\n>\n";
    }
    writeFile(data, file + ">\n</data>\n");
  }
  // Opens the main menu and walks to an entry by keys, as a person without a mouse does.
  void Menu(const std::string& keys) {
    Xdotool("key alt+m");
    AwaitMenu();
    Xdotool("key " + keys);
  }
  // Waits until the menu's window shows (a second window of the process).
  void AwaitMenu() { ASSERT_FALSE(AwaitOther("").empty()) << "the menu opened"; }
  std::string AwaitOther(const std::string& name) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      std::string found = Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                " --name '" + name + "' 2>/dev/null");
      for (size_t at = 0; at < found.size();) {
        size_t end = found.find('\n', at);
        std::string id = found.substr(at, end - at);
        if (!id.empty() && id != window) return id;
        if (end == std::string::npos) break;
        at = end + 1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return "";
  }
  // Waits until no window of the process but the main one shows named `name`.
  bool AwaitGone(const std::string& name,
                 std::chrono::milliseconds within = std::chrono::seconds(20)) {
    auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline) {
      std::string found = Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                " --name '" + name + "' 2>/dev/null");
      // xdotool may list the main window under any name: only the others count.
      if (found.empty() || found == window + "\n") return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return false;
  }
};

// "export content" by keys: the prompt's button says Export; Escape leaves without writing,
// Enter writes the file.
TEST_F(DialogsProgramTest, EscapeCancelsTheExportPromptAndEnterExports) {
  Start();
  Focus();
  std::string out = dir.file("out.dat");
  TypeIntoExportPrompt(out);
  Xdotool("key Escape");
  TypeIntoExportPrompt(out);
  Xdotool("key Return");
  ASSERT_TRUE(AwaitFile(out)) << "Enter exported";
  EXPECT_NE(std::string::npos, readFile(out).find("sCall the bank\n"));
  EXPECT_EQ(0, kill(pid, 0)) << "Escape did not end the program";
}

TEST_F(DialogsProgramTest, EscapeLeavesThePromptWithoutExporting) {
  Start();
  Focus();
  std::string out = dir.file("out.dat");
  TypeIntoExportPrompt(out);
  Xdotool("key Escape");
  // The list takes keys again: Enter completes "Call the bank", which the journal records.
  Xdotool("key Down Return");
  ASSERT_TRUE(AwaitFile(data + "0")) << "the list has the keys again";
  EXPECT_FALSE(fileExists(out)) << "Escape exported nothing";
  KillAndWait(SIGKILL);
  EXPECT_EQ(std::set<std::string>({"Call the bank", "Old task"}), Completed());
}

// "delete completed" asks first; Enter in the question gives the harmless answer.
TEST_F(DialogsProgramTest, EnterInAQuestionKeepsWhatItWouldDelete) {
  Start();
  Focus();
  Menu("Down Down Down Down Down Down Return");
  std::string box = AwaitOther("^Zolt: question$");
  ASSERT_FALSE(box.empty()) << "the question shows with its title";
  // A box may show before it takes keys: press Enter until it is gone.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  do {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "Enter never answered";
    system(("xdotool windowfocus --sync " + box + " key Return 2>/dev/null").c_str());
  } while (!AwaitGone("^Zolt: question$", std::chrono::milliseconds(500)));
  Focus();
  Xdotool("key ctrl+q");
  ASSERT_NE(-1, AwaitExit());
  EXPECT_EQ(1u, Completed().count("Old task")) << "the completed to-do was not deleted";
}

// Page Down moves by a page, End and Home jump; Enter completes the selected to-do.
TEST_F(DialogsProgramTest, PageDownEndAndHomeMoveTheSelection) {
  WriteItems(40);
  Start();
  Focus();
  // A completed to-do moves to the end of the list (completed last), so End comes first.
  Xdotool("key End Return Home Return Home Page_Down Return ctrl+q");
  ASSERT_NE(-1, AwaitExit());
  std::set<std::string> done = Completed();
  ASSERT_EQ(3u, done.size()) << ::testing::PrintToString(done);
  EXPECT_EQ(1u, done.count("Item 40")) << "End";
  EXPECT_EQ(1u, done.count("Item 01")) << "Home";
  done.erase("Item 01");
  done.erase("Item 40");
  // From "Item 02" on the first line, a page of a window 320 pixels high.
  int paged = std::stoi(done.begin()->substr(5));
  EXPECT_GE(paged, 2 + 5) << "Page Down moved more than a line";
  EXPECT_LE(paged, 2 + 12) << "and no more than a window's lines";
}

// The editor closed with Alt+c leaves its item selected: Enter then completes it.
TEST_F(DialogsProgramTest, TheItemStaysSelectedAfterTheEditor) {
  WriteItems(10);
  Start();
  Focus();
  Xdotool("key Down Down Down Right");
  Xdotool("key alt+c");
  Xdotool("key Return");
  ASSERT_TRUE(AwaitFile(data + "0")) << "Enter completed a to-do";
  KillAndWait(SIGKILL);
  EXPECT_EQ(std::set<std::string>({"Item 03"}), Completed());
}

// The time selector takes a typed time: "14:30" and Enter set the appointment's end time.
TEST_F(DialogsProgramTest, ATimeTypedInTheSelectorIsKept) {
  Start();
  Focus();
  Xdotool("key Down Down Down Down Down Down Right");            // "Dentist", an appointment
  Xdotool("mousemove --window " + window + " 100 185 click 1");  // the end's "Time" menu
  AwaitMenu();
  Xdotool("key Down Down Return");  // "select"
  ASSERT_FALSE(AwaitOther("^Choose a time$").empty()) << "the time selector shows";
  Xdotool("type --delay 20 14:30");
  Xdotool("key Return");
  ASSERT_TRUE(AwaitGone("^Choose a time$"));
  Focus();
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitFile(data + "0")) << "the change reached the journal";
  KillAndWait(SIGKILL);
  RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
  ASSERT_EQ(0, r.status) << r.err;
  std::string saved = readFile(data);
  size_t at = saved.find("sDentist\n");
  ASSERT_NE(std::string::npos, at);
  std::string record = saved.substr(at, saved.find("\n>\n", at) - at);
  size_t n = record.find("\nn");
  ASSERT_NE(std::string::npos, n) << record;
  unsigned end = static_cast<unsigned>(std::stoul(record.substr(n + 2)));
  EXPECT_EQ(14, packedHour(end)) << record;
  EXPECT_EQ(30, packedMinute(end)) << record;
}

}  // namespace
