// Where the cursor of the list stands after the keys and commands that rebuild the list,
// and the calendar's own keys, on a real main window.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Menu_Button.H>

#include <set>

#include "calendar/date_time.h"
#include "document/view_data.h"
#include "gui/main_window_fixture.h"

namespace {

class ListKeysTest : public MainWindowTest {
 protected:
  std::string selected() const {
    int l = win->list()->value();
    return l > 0 ? shown(l) : std::string("<none>");
  }
  unsigned priorityOf(int l) const { return doc->lineRow(l - 1).priority; }
  void Calendar(int span) {
    win->CB_Menu_ZoltView(kMainViewCalendar);
    doc->setCalFirstDay(packDate(kEmptyDateTime, 2009, 2, 16));
    win->CB_CalSpan(span);
  }
  // A key with its text, as FLTK gives a printable key.
  void Typed(char c) {
    char text[2] = {c, 0};
    Fl::e_text = text;
    Fl::e_length = 1;
    Key(c);
    Fl::e_text = const_cast<char*>("");
    Fl::e_length = 0;
  }
};

TEST_F(ListKeysTest, LeftSelectsTheGroupJustLeft) {
  Select(lineOf("Work"));
  Key(FL_Right);
  Select(lineOf("Sub"));
  Key(FL_Right);
  ASSERT_EQ("Work\nSub", std::string(win->titleButton()->label()));
  // Positions the list no longer remembers (a view switch forgets them) must not lose the
  // cursor: it finds the group by itself.
  doc->clearListPositions();
  Key(FL_Left);
  EXPECT_EQ("Sub", selected());
  Key(FL_Left);
  EXPECT_EQ("Work", selected());
  Key(FL_Right);
  EXPECT_EQ("Work", std::string(win->titleButton()->label())) << "Right goes back in";
}

TEST_F(ListKeysTest, EnterFollowsTheCompletedItemWhereverItSorts) {
  Select(lineOf("Call the bank"));
  ASSERT_EQ(1, win->list()->value());
  Key(FL_Enter);
  EXPECT_EQ("Call the bank", selected()) << "the cursor moved with the item";
  EXPECT_NE(1, win->list()->value()) << "completed last: the item left the first line";
  EXPECT_EQ('x', line(win->list()->value())[4]);
  Key(FL_Enter);
  EXPECT_EQ("Call the bank", selected()) << "a second Enter reopened the same item";
  EXPECT_EQ('o', line(win->list()->value())[4]);
  EXPECT_EQ('x', line(lineOf("Old task"))[4]) << "no other item was touched";
}

TEST_F(ListKeysTest, AnItemThatLeavesTheViewLeavesTheCursorOnItsLine) {
  doc->toggleGroupShowCompleted();
  win->showList(0);
  ASSERT_EQ(0, lineOf("Old task"));
  int at = lineOf("Call the bank");
  Select(at);
  Key(FL_Enter);
  EXPECT_EQ(0, lineOf("Call the bank"));
  EXPECT_EQ(at, win->list()->value());
}

TEST_F(ListKeysTest, AfterAClickOrADeleteARowIsSelectedAndTheListHasTheKeys) {
  ShowWindow();
  win->menuButton()->take_focus();
  Click(lineOf("Call the bank"), 10);  // the mark column completes it
  EXPECT_EQ("Call the bank", selected());
  EXPECT_EQ(win->list(), Fl::focus());

  win->menuButton()->take_focus();
  dialogs.answers = {1};
  Select(lineOf("Old task"));
  win->CB_Menu_delCompl();
  ASSERT_EQ(0, lineOf("Old task"));
  EXPECT_NE("<none>", selected());
  EXPECT_EQ(win->list(), Fl::focus());

  Click(lineOf("Dentist"), 300);  // opens the editor
  ASSERT_EQ(kScreenEditBasics, win->screen());
  dialogs.answers = {1};
  win->CB_editToDo_Menu_del();
  ASSERT_EQ(kScreenList, win->screen());
  ASSERT_EQ(0, lineOf("Dentist"));
  EXPECT_NE("<none>", selected());
  EXPECT_EQ(win->list(), Fl::focus());
}

TEST_F(ListKeysTest, CalendarDownAndUpStopOnlyOnItems) {
  Calendar(7);
  int stops = 0;
  Key(FL_Down);
  for (int guard = 0; guard < lines() && win->list()->value() > 0; ++guard) {
    int l = win->list()->value();
    bool emptyDay = priorityOf(l) == kRowHeading;
    if (emptyDay) {
      int next = l + 1;
      while (next <= lines() && priorityOf(next) == kRowSpecialDay) ++next;
      EXPECT_TRUE(next > lines() || priorityOf(next) >= kRowHeading)
          << "a heading is a stop only for a day without items: line " << l;
    } else {
      EXPECT_LT(priorityOf(l), kRowHeading) << "line " << l;
    }
    ++stops;
    Key(FL_Down);
    if (win->list()->value() == l) break;
  }
  EXPECT_GE(stops, 8) << "two items on the 16th and the empty days of the week";
  int last = win->list()->value();
  Key(FL_Up);
  EXPECT_LT(win->list()->value(), last);
  EXPECT_TRUE(priorityOf(win->list()->value()) < kRowHeading ||
              priorityOf(win->list()->value()) == kRowHeading);
}

TEST_F(ListKeysTest, CalendarKeysMoveTheDaysAndChangeTheSpan) {
  Calendar(7);
  unsigned start = doc->getCalFirstDay();
  static const struct {
    int key;
    char text;
    int days;  // the first day's move from the start
    int span;
  } kCases[] = {
      {FL_Right, 0, 1, 7},   {FL_Left, 0, 0, 7}, {FL_Page_Down, 0, 7, 7},
      {FL_Page_Up, 0, 0, 7}, {'+', '+', 0, 42},  {'+', '+', 0, 42},
      {'-', '-', 0, 7},      {'-', '-', 0, 3},   {FL_Page_Up, 0, -3, 3},
  };
  for (const auto& c : kCases) {
    c.text ? Typed(c.text) : Key(c.key);
    unsigned want = start;
    moveDate(want, c.days);
    EXPECT_EQ(want, doc->getCalFirstDay()) << c.key;
    EXPECT_EQ(c.span, doc->getCalSpan()) << c.key;
  }
  Typed('t');
  EXPECT_EQ(getTodayDate(kNoTime), doc->getCalFirstDay());
  doc->setCalFirstDay(start);
  Key(FL_Home);
  EXPECT_EQ(getTodayDate(kNoTime), doc->getCalFirstDay());
}

TEST_F(ListKeysTest, CalendarRightOpensASelectedItemAndEnterOnAHeadingMakesOne) {
  Calendar(1);
  unsigned start = doc->getCalFirstDay();
  Key(FL_Down);
  ASSERT_LT(priorityOf(win->list()->value()), kRowHeading);
  Key(FL_Right);
  EXPECT_EQ(kScreenEditBasics, win->screen()) << "Right opens the item, as in the list";
  EXPECT_EQ(start, doc->getCalFirstDay());
  win->CB_Done();
  Key(FL_Right, FL_CTRL);
  unsigned next = start;
  moveDate(next, 1);
  EXPECT_EQ(next, doc->getCalFirstDay()) << "Ctrl+Right always moves a day";
  Select(1);
  ASSERT_EQ(kRowHeading, priorityOf(1));
  Key(FL_Enter);
  EXPECT_EQ(kScreenEditBasics, win->screen()) << "a new appointment on that day";
  EXPECT_EQ(100u, doc->getItemPriority());
}

TEST_F(ListKeysTest, TabReachesEveryButtonOfTheBar) {
  Calendar(1);
  ShowWindow();
  std::set<Fl_Widget*> reached;
  for (int i = 0; i < 20; ++i) {
    Key(FL_Tab);
    reached.insert(Fl::focus());
  }
  EXPECT_EQ(1u, reached.count(win->menuButton()));
  EXPECT_EQ(1u, reached.count(win->list()));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(1u, reached.count(win->calendarButton(i))) << i;
  // Enter presses the focused button: ">" moves the first day by the span.
  unsigned start = doc->getCalFirstDay();
  win->calendarButton(5)->take_focus();
  Key(FL_Enter);
  unsigned next = start;
  moveDate(next, 1);
  EXPECT_EQ(next, doc->getCalFirstDay());
}

}  // namespace
