// The editor and leaving the window, driven through the real program with xdotool keys as a
// person types them; then a kill, or the program's own exit, and a look at the data file.
#include "gui/program_fixture.h"

// After gtest: Xlib's macros (None, Bool, Status) would break its headers.
#include <X11/Xlib.h>

class WindowProgramTest : public ProgramTest {
 protected:
  // The program started on a fresh copy of the fixture, then `keys` and the text `typed`
  // sent to it: a screen open, perhaps with an edit in it.
  void OpenScreen(const char* keys, const char* typed) {
    writeFile(data, readFile(testData("gui_window.dat")));
    Start();
    Focus();
    Xdotool(keys);
    if (*typed) Xdotool(std::string("type --delay 30 '") + typed + "'");
  }
  // What a window manager sends when the user clicks the window's close box.
  void CloseBox() {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(nullptr, display);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
  }
  // Waits for the program's own exit and expects status 0.
  void ExpectCleanExit() {
    int status = AwaitExit();
    ASSERT_TRUE(status != -1 && WIFEXITED(status)) << "the program left by itself";
    EXPECT_EQ(0, WEXITSTATUS(status)) << readFile(dir.file("zolt.out"));
  }
  // The record of the to-do or group named `summary` in the data file after a headless
  // load, which replays the journal; "" when there is none.
  std::string RecordAfterRestart(const std::string& summary) {
    RunResult r = runZolt(dir.path(), "-q -s -f data.dat");
    EXPECT_EQ(0, r.status) << r.err;
    std::string saved = readFile(data);
    size_t at = saved.find("\ns" + summary + "\n");
    if (at == std::string::npos) return "";
    size_t begin = saved.rfind('\n', at - 1);
    return saved.substr(begin + 1, saved.find("\n>\n", at) - begin);
  }
};

TEST_F(WindowProgramTest, TypingANewItemsNameOnlyNamesIt) {
  Start();
  Focus();
  // Each letter of "test", "e", "s", "d" and "5" is the underlined letter of one of the
  // editor's buttons, and a blank would press the focused one.
  Xdotool("key alt+n");
  Xdotool("type --delay 30 'test sd5'");
  Xdotool("key Return");
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitFile(data + "0")) << "closing journals the new item";
  KillAndWait(SIGKILL);
  std::string record = RecordAfterRestart("test sd5");
  ASSERT_NE("", record) << "the summary is what was typed, \"<unnamed>\" replaced";
  EXPECT_EQ(0u, record.rfind("t\n", 0)) << record;
  EXPECT_EQ(std::string::npos, record.find("\np"))
      << "a to-do of the default priority 3: " << record;
  EXPECT_EQ(std::string::npos, record.find("\nf")) << "not completed: " << record;
  EXPECT_EQ(std::string::npos, record.find("\nr")) << "no time recorded: " << record;
  EXPECT_EQ(std::string::npos, record.find("\nR")) << "no recording runs: " << record;
  EXPECT_EQ("", Shell("find '" + dir.path() + "' -name 'zolt_edit_*'")) << "no editor ran";
}

TEST_F(WindowProgramTest, AButtonsLetterActsOnlyWithAlt) {
  Start();
  Focus();
  // Tab takes the focus out of the summary onto a check button, which takes no letters.
  Xdotool("key alt+n Tab");
  Xdotool("type --delay 30 'tdm5es'");
  Xdotool("key alt+5 alt+c");
  ASSERT_TRUE(AwaitFile(data + "0"));
  KillAndWait(SIGKILL);
  std::string record = RecordAfterRestart("<unnamed>\nI21");
  ASSERT_NE("", record) << "the new item, named as made";
  EXPECT_NE(std::string::npos, record.find("\np5\n")) << "Alt+5 set priority 5: " << record;
  EXPECT_EQ(std::string::npos, record.find("\nf")) << "not completed: " << record;
  EXPECT_EQ(std::string::npos, record.find("\nR")) << "no recording runs: " << record;
  EXPECT_EQ(std::string::npos, record.find("\nr")) << "no time recorded: " << record;
}

// The editor of "Call the bank" with " now" typed at the end of the summary.
static const char kOpenAndType[] = "key Down Right End";

// The screens to leave from: the keys that lead there from the list, what is typed there,
// and what the data file holds after the exit.
static const struct {
  const char* keys;
  const char* typed;
  const char* expected;
} kScreens[] = {
    {kOpenAndType, " now", "\nsCall the bank now\n"},                                // editor
    {"key alt+m Down Down Down Down Down Down Down Down Return", "x", "\nsWork\n"},  // prompt
    {"key alt+m Return", "", "\nsWork\n"},                                           // about
};

TEST_F(WindowProgramTest, CtrlQLeavesFromEveryScreenKeepingTheEdit) {
  for (const auto& c : kScreens) {
    OpenScreen(c.keys, c.typed);
    Xdotool("key ctrl+q");
    ExpectCleanExit();
    EXPECT_NE(std::string::npos, readFile(data).find(c.expected)) << c.keys;
  }
  EXPECT_FALSE(fileExists(data + "0")) << "the exit wrote the master file";
}

TEST_F(WindowProgramTest, TheCloseBoxLeavesFromEveryScreen) {
  for (const auto& c : kScreens) {
    OpenScreen(c.keys, c.typed);
    CloseBox();
    ExpectCleanExit();
    EXPECT_NE(std::string::npos, readFile(data).find(c.expected)) << c.keys;
  }
}

TEST_F(WindowProgramTest, EscapeTakesBackAnUntouchedNewItem) {
  Start();
  Focus();
  Xdotool("key alt+n Escape");
  // A change after it, so that the journal shows whatever the Escape left behind.
  Xdotool("key alt+n");
  Xdotool("type --delay 30 'kept'");
  Xdotool("key alt+c");
  ASSERT_TRUE(AwaitFile(data + "0"));
  KillAndWait(SIGKILL);
  EXPECT_FALSE(fileExists(data + "1")) << "one record: the kept item's";
  EXPECT_NE("", RecordAfterRestart("kept"));
  std::string saved = readFile(data);
  EXPECT_EQ(saved.find("s<unnamed>\n"), saved.rfind("s<unnamed>\n"))
      << "only the root is unnamed: the item taken back is gone";
}

TEST_F(WindowProgramTest, EscapeTakesBackADayHeadingsClick) {
  Start("-c 2009-02-16");
  Focus();
  Xdotool("mousemove --window " + window + " 200 10 click 1");
  Xdotool("key Escape ctrl+q");
  ExpectCleanExit();
  std::string saved = readFile(data);
  EXPECT_EQ(saved.find("s<unnamed>\n"), saved.rfind("s<unnamed>\n")) << saved;
  EXPECT_EQ(std::string::npos, saved.find("n153650176\n")) << "no appointment on 16.02.2009";
  EXPECT_EQ(std::string::npos, saved.find("scalendar\n")) << "no empty group \"calendar\" left";
}

TEST_F(WindowProgramTest, TheWindowsSizeAndViewAreKeptAtExit) {
  Start();
  Focus();
  Xdotool("windowsize --sync " + window + " 800 600");
  Xdotool("key ctrl+q");
  ExpectCleanExit();
  std::string saved = readFile(data);
  EXPECT_NE(std::string::npos, saved.find("<Session.uWinWidth=400>")) << saved.substr(0, 400);
  EXPECT_NE(std::string::npos, saved.find("<Session.uWinHeight=300>"));

  Start("-c 2009-02-16");  // the calendar, with no change to any item
  Focus();
  Xdotool("key ctrl+q");
  ExpectCleanExit();
  EXPECT_NE(std::string::npos, readFile(data).find("<mainviewtype=3>"));
}

// Enter in a new item's summary keeps it and goes back to the list, where Alt+N makes the
// next one at once.
TEST_F(WindowProgramTest, EnterKeepsANewItemAndReturnsToTheList) {
  Start();
  Focus();
  Xdotool("key alt+n");
  Xdotool("type --delay 30 'Buy milk'");
  Xdotool("key Return alt+n");
  Xdotool("type --delay 30 'Eggs'");
  Xdotool("key Return ctrl+q");
  ExpectCleanExit();
  std::string saved = readFile(data);
  EXPECT_NE(std::string::npos, saved.find("\nsBuy milk\n")) << saved;
  EXPECT_NE(std::string::npos, saved.find("\nsEggs\n")) << saved;
}

// Escape goes back from the calendar to the list, which the data file then remembers.
TEST_F(WindowProgramTest, EscapeLeavesTheCalendarForTheList) {
  Start("-c 2009-02-16");
  Focus();
  Xdotool("key Escape ctrl+q");
  ExpectCleanExit();
  EXPECT_NE(std::string::npos, readFile(data).find("<mainviewtype=0>"));
}

// The editor's End and Recurrence have their Alt letters: Alt+n opens the end's menu (whose
// "none" then takes the end away), Alt+r the recurrence selector.
TEST_F(WindowProgramTest, EndAndRecurrenceOpenWithTheirAltLetters) {
  Start();
  Focus();
  Xdotool("key Down Down Down Down Down Down Right");  // "Dentist", 8:00 to 8:30
  Xdotool("key alt+r");
  std::string repeat = AwaitWindow(pid, "^Repeat$");
  ASSERT_FALSE(repeat.empty()) << "Alt+r opens the recurrence selector";
  Xdotool("windowfocus --sync " + repeat);
  Xdotool("key Escape");
  Focus();
  Xdotool("key alt+n Down Return");  // the menu's first entry: none
  Xdotool("key alt+c ctrl+q");
  ExpectCleanExit();
  std::string record = readFile(data);
  size_t at = record.find("\nsDentist\n");
  ASSERT_NE(std::string::npos, at);
  EXPECT_EQ(std::string::npos, record.substr(at, record.find("\n>\n", at) - at).find("\nn"))
      << "the end is gone: " << record.substr(at, 80);
}
