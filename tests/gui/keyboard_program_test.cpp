// The keyboard through the real program: the list's cursor, the calendar's keys and the
// date selector, sent as key presses through the X server.
#include <cstdlib>
#include <string>

#include "calendar/date_time.h"
#include "gui/program_fixture.h"

namespace {

class KeyboardProgramTest : public ProgramTest {
 protected:
  // The fixture file shown as the calendar on 16 February 2009, one day at a time.
  void StartInCalendar() {
    std::string file = readFile(data);
    size_t at = file.find("<mainviewtype=0>");
    ASSERT_NE(std::string::npos, at);
    file.replace(at, 16, "<mainviewtype=3>");
    writeFile(data, file);
    Start();
    Focus();
  }
  // Leaves with Ctrl+q and returns the saved file.
  std::string LeaveAndRead() {
    Focus();
    Xdotool("key ctrl+q");
    EXPECT_EQ(0, AwaitExit());
    return readFile(data);
  }
  static unsigned SavedNumber(const std::string& file, const std::string& key) {
    size_t at = file.find("<" + key + "=");
    if (at == std::string::npos) return 0;
    return static_cast<unsigned>(std::stoul(file.substr(at + key.size() + 2)));
  }
  // The saved record of the to-do `summary`, from its summary line to its end.
  static std::string Record(const std::string& file, const std::string& summary) {
    size_t at = file.find("\ns" + summary + "\n");
    if (at == std::string::npos) return std::string();
    return file.substr(at, file.find("\n>", at) - at);
  }
  std::string Screenshot(const std::string& name) {
    std::string png = dir.file(name);
    Shell("import -window " + window + " " + png + " 2>/dev/null");
    if (getenv("ZOLT_SHOTS")) Shell("cp " + png + " " + getenv("ZOLT_SHOTS"));
    return png;
  }
};

TEST_F(KeyboardProgramTest, ASecondEnterActsOnTheItemTheFirstCompleted) {
  Start();
  Focus();
  Xdotool("key Down");  // the first line: "Call the bank"
  Xdotool("key Return");
  Xdotool("key Return");
  std::string saved = LeaveAndRead();
  std::string bank = Record(saved, "Call the bank");
  ASSERT_FALSE(bank.empty()) << saved;
  EXPECT_EQ(std::string::npos, bank.find("\nf")) << "completed and reopened: " << bank;
  EXPECT_NE(std::string::npos, Record(saved, "Old task").find("\nf1234567890"))
      << "the item that took its line stays as it was";
  std::string meeting = Record(saved, "Weekly meeting");
  EXPECT_EQ(std::string::npos, meeting.find("\nf")) << meeting;
}

TEST_F(KeyboardProgramTest, CalendarKeysMoveTheDaysAndTheSpan) {
  StartInCalendar();
  unsigned start = SavedNumber(readFile(data), "cal.date");
  Xdotool("key Right");      // a day on (no item is selected)
  Xdotool("key Page_Down");  // the span on: one day
  Xdotool("key plus");       // two days
  Xdotool("key Page_Down");  // two days on
  Screenshot("calendar.png");
  std::string saved = LeaveAndRead();
  unsigned want = start;
  moveDate(want, 4);
  EXPECT_EQ(dayOf(want), dayOf(SavedNumber(saved, "cal.date")));
  EXPECT_EQ(2u, SavedNumber(saved, "cal.days"));
}

TEST_F(KeyboardProgramTest, TheDateSelectorOpensOverTheWindowAndTakesATypedDate) {
  StartInCalendar();
  Xdotool("mousemove 0 0");  // far from where the dialog must open
  // From the list, Tab reaches the menu button, "Today", then "Select".
  Xdotool("key Tab Tab Tab Return");
  std::string dialog = AwaitWindow(pid, "^Choose a date");
  ASSERT_FALSE(dialog.empty());
  std::string geometry = Shell("xdotool getwindowgeometry --shell " + dialog);
  std::string main = Shell("xdotool getwindowgeometry --shell " + window);
  auto value = [](const std::string& g, const std::string& key) {
    size_t at = g.find(key + "=");
    return at == std::string::npos ? -1 : std::atoi(g.c_str() + at + key.size() + 1);
  };
  int cx = value(geometry, "X") + value(geometry, "WIDTH") / 2;
  int cy = value(geometry, "Y") + value(geometry, "HEIGHT") / 2;
  int mx = value(main, "X") + value(main, "WIDTH") / 2;
  int my = value(main, "Y") + value(main, "HEIGHT") / 2;
  EXPECT_LE(std::abs(cx - mx), 2) << geometry << main;
  EXPECT_LE(std::abs(cy - my), 2) << geometry << main;
  Xdotool("key --window " + dialog + " Right");  // chooses a day: the keys reach the grid
  Xdotool("windowfocus --sync " + dialog);
  Xdotool("type --delay 20 2026-12-18");
  Shell("import -window root " + dir.file("date.png") + " 2>/dev/null");
  if (getenv("ZOLT_SHOTS"))
    Shell(std::string("cp ") + dir.file("date.png") + " " + getenv("ZOLT_SHOTS"));
  Xdotool("key Return");
  std::string saved = LeaveAndRead();
  unsigned day = SavedNumber(saved, "cal.date");
  EXPECT_EQ(2026, packedYear(day));
  EXPECT_EQ(12, packedMonth(day));
  EXPECT_EQ(18, packedDay(day));
}

}  // namespace
