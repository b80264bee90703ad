// The item and group editor screens of a real main window over a real document.
#include "gui/item_editor.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Multiline_Input.H>
#include <FL/Fl_Window.H>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "calendar/date_time.h"
#include "document/zolt.h"
#include "gui/date_select.h"
#include "gui/recurrence_notice.h"
#include "gui/recurrence_select.h"
#include "gui/row_list.h"
#include "gui/scripted_dialogs.h"
#include "gui/time_select.h"
#include "gui/zolt_gui.h"
#include "test_util.h"
#include "util/config.h"

namespace {

// The root holds two to-dos and an appointment; "Work" holds four to-dos, three of them
// completed; "Empty" holds nothing.
const char kFixture[] =
    "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<idmax=20>\n<idmaxaftersync=0>\n"
    "<curGroup=/0/>\n<viewtype=tree>\n<mainviewtype=0>\n<sorttype=priority>\n"
    "<cal.date=153632768>\n<cal.days=1>\n<GUIData.nLineNormal=0>\n<GUIData.nLineCal=0>\n"
    "<Session.uWinHeight=240>\n<Session.uWinWidth=320>\n"
    "g\ns<unnamed>\nI1\n"
    "t\nsCall the bank\nI2\np2\n>\n"
    "t\nsWrite letter\nI3\np3\n>\n"
    "t\nsDentist\nI4\np100\n>\n"
    "g\nsWork\nI5\n"
    "t\nsW1\nI6\np3\nf1234567890\n>\n"
    "t\nsW2\nI7\np3\nf1234567890\n>\n"
    "t\nsW3\nI8\np3\nf1234567890\n>\n"
    "t\nsW4\nI9\np3\n>\n"
    ">\n"
    "g\nsEmpty\nI10\n>\n"
    ">\n</data>\n";

unsigned at(int year, int month, int day, int hour = -1, int minute = 0) {
  unsigned v = packDate(kEmptyDateTime, year, month, day);
  return hour < 0 ? v : packTime(v, hour, minute);
}

ToDoListToDo* findToDo(Zolt* doc, const std::string& summary) {
  std::vector<ToDoListItem*> items;
  doc->getRoot()->collectSubtree(items);
  for (ToDoListItem* item : items) {
    ToDoListToDo* t = dynamic_cast<ToDoListToDo*>(item);
    if (t && t->getSummary() == summary) return t;
  }
  return nullptr;
}

// Picks the entry labelled `label` of `menu` as a click would (labels may hold "/").
void pick(Fl_Menu_* menu, const char* label) {
  for (const Fl_Menu_Item* m = menu->menu(); m && m->label(); m = m->next()) {
    if (strcmp(m->label(), label) == 0) {
      menu->picked(m);
      return;
    }
  }
  ADD_FAILURE() << "no entry " << label;
}

ToDoListGroup* findGroup(Zolt* doc, const std::string& summary) {
  std::vector<ToDoListItem*> items;
  doc->getRoot()->collectSubtree(items);
  for (ToDoListItem* item : items) {
    ToDoListGroup* g = dynamic_cast<ToDoListGroup*>(item);
    if (g && g->getSummary() == summary) return g;
  }
  return nullptr;
}

size_t countToDos(Zolt* doc) {
  std::vector<ToDoListItem*> items;
  doc->getRoot()->collectSubtree(items);
  size_t n = 0;
  for (ToDoListItem* item : items) n += dynamic_cast<ToDoListToDo*>(item) != nullptr;
  return n;
}

bool inside(const Fl_Widget* w, int W, int H) {
  return w->x() >= 0 && w->y() >= 0 && w->x() + w->w() <= W && w->y() + w->h() <= H;
}

bool overlap(const Fl_Widget* a, const Fl_Widget* b) {
  return a->x() < b->x() + b->w() && b->x() < a->x() + a->w() && a->y() < b->y() + b->h() &&
         b->y() < a->y() + a->h();
}

class ItemEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master = dir.file("zolt.dat");
    clipboard = dir.file("clip.tmp");
    writeFile(master, kFixture);
    doc = new Zolt();
    doc->createRoot();
    ASSERT_EQ(0, doc->readData(master.c_str()));
    w = new ZoltGUI(640, 480, "t");
    mainWin = w;
    w->makeWindows();
    w->init(doc, clipboard.c_str());
    w->showMain(kScreenList);
    w->showList(0);
    e = w->editor();
  }
  void TearDown() override {
    delete w;
    delete doc;
  }

  // Opens `summary` as a click on its row does.
  void open(const std::string& summary) {
    ToDoListToDo* t = findToDo(doc, summary);
    ASSERT_NE(nullptr, t) << summary;
    doc->setItem(t);
    doc->incsave_rememberTodo();
    w->show_editToDoWin(false, false);
  }
  // A new to-do in the current group, as "&New Item" makes it.
  void openNew() { w->CB_Menu_newTodo(); }
  void openGroup(const std::string& summary) {
    ToDoListGroup* g = findGroup(doc, summary);
    ASSERT_NE(nullptr, g) << summary;
    doc->setGroup(g);
    doc->incsave_rememberGroup();
    w->showMain(kScreenEditGroup);
  }
  // A fresh document: the master file and the journal replayed over it.
  Zolt* restart() {
    Zolt* fresh = new Zolt();
    fresh->createRoot();
    EXPECT_EQ(0, fresh->readData(master.c_str()));
    std::string bad;
    EXPECT_LE(0, fresh->incsave_readFiles(bad)) << bad;
    return fresh;
  }
  int rowOf(const std::string& summary) {
    w->showList(0);
    const std::vector<ToDoListItem*>& items = doc->getRowItems();
    for (size_t i = 0; i < items.size(); ++i) {
      if (items[i] && items[i]->getSummary() == summary) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no row " << summary;
    return -1;
  }
  // Lets the event loop run until the user's editor has ended and its text is back; false
  // after 20 seconds.
  bool awaitExternalEdit() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (w->externalEditRunning()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Fl::wait(0.01);
    }
    return true;
  }
  unsigned begin() const { return doc->getDateTime(1); }
  unsigned end() const { return doc->getDateTime(0); }

  TempDir dir;
  std::string master, clipboard;
  Zolt* doc = nullptr;
  ZoltGUI* w = nullptr;
  EditorScreens* e = nullptr;
  ScriptedDialogs dialogs;
};

// ---- Texts ----

TEST(DateTime2strTest, Formats) {
  static const struct {
    unsigned value;
    const char* expected;
  } kCases[] = {
      {kEmptyDateTime, "none"},
      {at(2009, 2, 5, 9, 5), "05.02.2009 9:05"},
      {at(2009, 2, 5), "05.02.2009 xx:xx"},
      {at(2127, 12, 31, 23, 59), "31.12.2127 23:59"},
      {packTime(kEmptyDateTime, 10, 0), "none"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.expected, ZoltGUI::dateTime2str(c.value)) << std::hex << c.value;
  }
}

TEST_F(ItemEditorTest, OpeningFillsTheBasicsScreen) {
  open("Call the bank");
  EXPECT_EQ(kScreenEditBasics, w->screen());
  EXPECT_STREQ("Call the bank", e->summary->value());
  EXPECT_TRUE(e->isToDo->value());
  EXPECT_TRUE(e->priority[1]->value());
  EXPECT_FALSE(e->priority[2]->value());
  EXPECT_STREQ("not yet...", e->completionLabel->label());
  EXPECT_STREQ("Descr", e->screenButton->label());
  EXPECT_STREQ("&Start", e->startStop->label());
  EXPECT_STREQ("&Recurrence: none", e->recurrence->label());
  EXPECT_TRUE(e->startStop->visible());
  EXPECT_TRUE(e->extEdit->visible());
  EXPECT_TRUE(e->crypt->visible());
  EXPECT_FALSE(e->crypt->active());  // nobody logged in
  EXPECT_TRUE(w->closeButton()->visible());
  EXPECT_TRUE(e->menu->visible());
  EXPECT_TRUE(menu_editToDo[kEditMenuBasics].value());
  EXPECT_FALSE(e->description->visible());
}

TEST_F(ItemEditorTest, AnAppointmentHidesPriorityAndCompletion) {
  open("Dentist");
  EXPECT_FALSE(e->isToDo->value());
  EXPECT_FALSE(e->priorityGroup->visible());
  EXPECT_FALSE(e->done->visible());
  EXPECT_FALSE(e->completionLabel->visible());
}

TEST_F(ItemEditorTest, TheDescriptionScreenWhenPreferredAndThere) {
  ToDoListToDo* t = findToDo(doc, "Write letter");
  t->setDescription("Dear Sir");
  doc->setItem(t);
  w->show_editToDoWin(true, false);
  EXPECT_EQ(kScreenEditDescription, w->screen());
  EXPECT_STREQ("Dear Sir", e->description->value());
  EXPECT_STREQ("Basics", e->screenButton->label());
  EXPECT_TRUE(e->extEdit->visible());
  EXPECT_FALSE(e->startStop->visible());
  e->screenButton->do_callback();
  EXPECT_EQ(kScreenEditBasics, w->screen());
  w->CB_Done();
  doc->setItem(findToDo(doc, "Call the bank"));  // no description: basics
  w->show_editToDoWin(true, false);
  EXPECT_EQ(kScreenEditBasics, w->screen());
  w->CB_Done();
  w->show_editToDoWin(false, true);
  EXPECT_EQ(kScreenEditDescription, w->screen());
}

// ---- What of the dates is offered ----

TEST_F(ItemEditorTest, ANewToDoOffersTheEndDateOnlyUntilItIsSet) {
  openNew();
  EXPECT_TRUE(e->endDate->visible());
  EXPECT_TRUE(e->endBox->visible());
  EXPECT_STREQ("none", e->endBox->label());
  for (Fl_Widget* hidden :
       {static_cast<Fl_Widget*>(e->beginDate), static_cast<Fl_Widget*>(e->beginBox),
        static_cast<Fl_Widget*>(e->endTime), static_cast<Fl_Widget*>(e->beginTime),
        static_cast<Fl_Widget*>(e->recurrence), static_cast<Fl_Widget*>(e->showAs)}) {
    EXPECT_FALSE(hidden->visible()) << hidden->label();
  }
  pick(e->endDate, "today");
  EXPECT_TRUE(hasDate(end()));
  EXPECT_TRUE(e->beginDate->visible());
  EXPECT_TRUE(e->endTime->visible());
  EXPECT_TRUE(e->recurrence->visible());
  EXPECT_FALSE(e->beginTime->visible());
  EXPECT_FALSE(e->showAs->visible());
  pick(e->beginDate, "today");
  EXPECT_TRUE(e->beginTime->visible());
  EXPECT_TRUE(e->showAs->visible());
  // Clearing the end of a to-do clears its begin too.
  pick(e->endDate, "none");
  EXPECT_FALSE(hasDate(begin()));
  EXPECT_FALSE(e->beginDate->visible());
  EXPECT_FALSE(e->beginBox->visible());
}

TEST_F(ItemEditorTest, AnAppointmentOffersTheBeginFirst) {
  open("Dentist");
  EXPECT_TRUE(e->beginDate->visible());
  EXPECT_FALSE(e->endDate->visible());
  doc->setDate(1, 2009, 2, 5);
  w->editToDo_updateTimeThings();
  EXPECT_STREQ("05.02.2009 xx:xx", e->beginBox->label());
  EXPECT_TRUE(e->beginTime->visible());
  EXPECT_TRUE(e->endDate->visible());
  EXPECT_TRUE(e->recurrence->visible());
  EXPECT_FALSE(e->endTime->visible());
  EXPECT_FALSE(e->showAs->visible());
}

// ---- Moving dates ----

TEST_F(ItemEditorTest, BeginPlus30Minutes) {
  static const struct {
    unsigned begin, end, expected;
  } kCases[] = {
      {at(2009, 2, 5, 23, 45), kEmptyDateTime, at(2009, 2, 6, 0, 15)},
      {at(2009, 12, 31, 23, 50), kEmptyDateTime, at(2010, 1, 1, 0, 20)},
      {at(2009, 2, 5, 10, 0), at(2009, 2, 5), at(2009, 2, 5, 10, 30)},
      {at(2009, 2, 5), kEmptyDateTime, at(2009, 2, 5)},
  };
  open("Dentist");
  for (const auto& c : kCases) {
    doc->clearDate(0);
    doc->setDate(1, packedYear(c.begin), packedMonth(c.begin), packedDay(c.begin));
    hasTime(c.begin) ? (void)doc->setTime(1, packedHour(c.begin), packedMinute(c.begin))
                     : doc->clearTime(1);
    if (hasDate(c.end)) doc->setDate(0, packedYear(c.end), packedMonth(c.end), packedDay(c.end));
    w->CB_editToDo_Date(kEditBeginPlus30);
    EXPECT_EQ(ZoltGUI::dateTime2str(c.expected), ZoltGUI::dateTime2str(end()))
        << ZoltGUI::dateTime2str(c.begin);
    EXPECT_EQ(ZoltGUI::dateTime2str(c.expected), e->endBox->label());
  }
  doc->clearDate(1);
  doc->clearDate(0);
  w->CB_editToDo_Date(kEditBeginPlus30);  // no begin: nothing happens
  EXPECT_FALSE(hasDate(end()));
}

// The date selector's cell of `day` in the month it shows, clicked, and Done.
void chooseDay(Fl_Window* window, int day) {
  DateSelect* s = static_cast<DateSelect*>(window->user_data());
  int pos = Wochentag(1, s->shownMonth(), s->shownYear()) + day - 1;
  static const int kColumnX[] = {50, 90, 130, 170, 220, 250, 300};
  s->clickGrid(pos / 7 + 2, kColumnX[pos % 7]);
  s->doneButton()->do_callback();
}

TEST_F(ItemEditorTest, SelectingTheBeginKeepsTheDistanceToTheEnd) {
  static const struct {
    int day;
    unsigned begin, end;
  } kCases[] = {
      {10, at(2009, 2, 10, 10, 0), at(2009, 2, 12, 12, 0)},
      {1, at(2009, 2, 1, 10, 0), at(2009, 2, 3, 12, 0)},
  };
  open("Dentist");
  for (const auto& c : kCases) {
    doc->clearDate(0);
    doc->setDate(1, 2009, 2, 5);
    doc->setTime(1, 10, 0);
    doc->setDate(0, 2009, 2, 7);
    doc->setTime(0, 12, 0);
    int shownMonth = 0;
    dialogs.onModal = [&](Fl_Window* window) {
      shownMonth = static_cast<DateSelect*>(window->user_data())->shownMonth();
      chooseDay(window, c.day);
    };
    pick(e->beginDate, "select");
    EXPECT_EQ(2, shownMonth);
    EXPECT_EQ(ZoltGUI::dateTime2str(c.begin), ZoltGUI::dateTime2str(begin())) << c.day;
    EXPECT_EQ(ZoltGUI::dateTime2str(c.end), ZoltGUI::dateTime2str(end())) << c.day;
  }
  // Cancelled: nothing changes.
  dialogs.onModal = [](Fl_Window* window) { child(window, "Cancel")->do_callback(); };
  pick(e->endDate, "select");
  EXPECT_EQ(at(2009, 2, 3, 12, 0), end());
}

TEST_F(ItemEditorTest, SelectingADateWithoutOneStartsOnNoDate) {
  openNew();
  dialogs.onModal = [](Fl_Window* window) { chooseDay(window, 20); };
  pick(e->endDate, "select");
  EXPECT_TRUE(hasDate(end()));
  EXPECT_EQ(20, packedDay(end()));
}

// Steps the time selector from what it shows by `minutes` and presses Done.
void stepTime(Fl_Window* window, int minutes) {
  TimeSelect* s = static_cast<TimeSelect*>(window->user_data());
  s->stepHour(minutes / 60);
  s->stepMinute(minutes % 60);
  child(window, "Done")->do_callback();
}

// An end moves along with the begin time only when it carries both a date and a time.
TEST_F(ItemEditorTest, ChangingTheBeginTimeMovesOnlyAnEndWithDateAndTime) {
  static const struct {
    const char* name;
    unsigned end, expected;
  } kCases[] = {
      {"end with time", at(2009, 2, 5, 12, 0), at(2009, 2, 5, 13, 30)},
      {"end on the next day", at(2009, 2, 6, 9, 0), at(2009, 2, 6, 10, 30)},
      {"end without time", at(2009, 2, 7), at(2009, 2, 7)},
      {"no end", kEmptyDateTime, kEmptyDateTime},
  };
  open("Dentist");
  for (const auto& c : kCases) {
    doc->clearDate(0);
    doc->setDate(1, 2009, 2, 5);
    doc->setTime(1, 10, 0);
    if (hasDate(c.end)) {
      doc->setDate(0, packedYear(c.end), packedMonth(c.end), packedDay(c.end));
      hasTime(c.end) ? (void)doc->setTime(0, packedHour(c.end), packedMinute(c.end))
                     : doc->clearTime(0);
    }
    std::string shown;
    dialogs.onModal = [&](Fl_Window* window) {
      shown = static_cast<TimeSelect*>(window->user_data())->text();
      stepTime(window, 90);
    };
    pick(e->beginTime, "select");
    EXPECT_EQ("10:00", shown) << c.name;
    EXPECT_EQ(at(2009, 2, 5, 11, 30), begin()) << c.name;
    EXPECT_EQ(ZoltGUI::dateTime2str(c.expected), ZoltGUI::dateTime2str(end())) << c.name;
  }
}

TEST_F(ItemEditorTest, AnEarlierBeginTimeMovesTheEndBackAndNoneClearsIt) {
  open("Dentist");
  doc->setDate(1, 2009, 2, 5);
  doc->setTime(1, 10, 0);
  doc->setDate(0, 2009, 2, 5);
  doc->setTime(0, 12, 0);
  dialogs.onModal = [](Fl_Window* window) { stepTime(window, -120); };
  pick(e->beginTime, "select");
  EXPECT_EQ(at(2009, 2, 5, 8, 0), begin());
  EXPECT_EQ(at(2009, 2, 5, 10, 0), end());
  EXPECT_STREQ("05.02.2009 10:00", e->endBox->label());
  pick(e->endTime, "none");
  EXPECT_EQ(at(2009, 2, 5), end());
}

TEST_F(ItemEditorTest, ATimeWithoutOneStartsAtEight) {
  open("Dentist");
  doc->setDate(1, 2009, 2, 5);
  std::string shown;
  dialogs.onModal = [&](Fl_Window* window) {
    shown = static_cast<TimeSelect*>(window->user_data())->text();
    stepTime(window, 15);
  };
  pick(e->beginTime, "select");
  EXPECT_EQ(" 8:00", shown);
  EXPECT_EQ(at(2009, 2, 5, 8, 15), begin());
}

TEST_F(ItemEditorTest, RecurrenceThroughTheSelector) {
  open("Write letter");
  doc->setDate(0, 2009, 2, 12);
  doc->setDate(1, 2009, 2, 12);
  w->editToDo_updateTimeThings();
  dialogs.onModal = [](Fl_Window* window) {
    RecurrenceSelect* s = static_cast<RecurrenceSelect*>(window->user_data());
    s->chooseType(3);
    child(window, "Done")->do_callback();
  };
  e->recurrence->do_callback();
  T_recData rec;
  doc->getRecData(rec);
  EXPECT_EQ(3, rec.type);
  EXPECT_STREQ("&Recurrence: weekly", e->recurrence->label());
  dialogs.onModal = [](Fl_Window* window) { child(window, "Cancel")->do_callback(); };
  e->recurrence->do_callback();
  doc->getRecData(rec);
  EXPECT_EQ(3, rec.type);
}

// A recurrence chosen on the main date alone offers the other date on the same day; taken,
// both dates and the recurrence stand; declined, nothing changes and nothing more is said.
TEST_F(ItemEditorTest, ARecurrenceOnOneDateOffersTheOtherOnItsDay) {
  static const struct {
    const char* summary;
    int mainWhich;  // 0 end (a to-do), 1 begin (an appointment)
    int answer;     // 1: set the date, 0: Cancel
    const char* question;
  } kCases[] = {
      {"Dentist", 1, 1, "A recurring appointment needs an end date as well as its begin. "},
      {"Dentist", 1, 0, "A recurring appointment needs an end date"},
      {"Write letter", 0, 1, "A recurring to-do needs a begin date as well as its end. "},
      {"Write letter", 0, 0, "A recurring to-do needs a begin date"},
  };
  for (const auto& c : kCases) {
    open(c.summary);
    doc->clearRecData();
    doc->clearDate(1 - c.mainWhich);
    doc->setDate(c.mainWhich, 2009, 2, 5);
    w->editToDo_updateTimeThings();
    dialogs.shown.clear();
    dialogs.answers = {c.answer};
    dialogs.onModal = [](Fl_Window* window) {
      static_cast<RecurrenceSelect*>(window->user_data())->chooseType(5);
      child(window, "Done")->do_callback();
    };
    e->recurrence->do_callback();
    ASSERT_EQ(1u, dialogs.shown.size()) << c.summary << c.answer;
    EXPECT_EQ(0u, dialogs.shown[0].find(std::string("choice: ") + c.question)) << dialogs.shown[0];
    T_recData rec;
    doc->getRecData(rec);
    EXPECT_EQ(c.answer ? 5 : 0, rec.type) << c.summary;
    EXPECT_STREQ(c.answer ? "&Recurrence: monthly, by date" : "&Recurrence: none",
                 e->recurrence->label());
    unsigned other = doc->getDateTime(1 - c.mainWhich);
    EXPECT_EQ(c.answer ? ZoltGUI::dateTime2str(at(2009, 2, 5)) : "none",
              ZoltGUI::dateTime2str(other))
        << c.summary;
  }
}

// Every edit that makes the date rules drop or change a recurrence says so in the window,
// with what to set.
TEST_F(ItemEditorTest, AnEditThatDropsTheRecurrenceSaysWhyAndWhatToSet) {
  static const struct {
    const char* summary;
    int type;
    unsigned lastDate;
    std::function<void(ZoltGUI*)> edit;
    int typeAfter;
    std::string said;  // empty: nothing is said
  } kCases[] = {
      {"Dentist", 3, kEmptyDateTime, [](ZoltGUI* g) { g->CB_editToDo_Date(kEditNone); },  // the end
       0,
       "The recurrence \"weekly\" was removed: a recurring appointment needs an end date as "
       "well as its begin. Set the end (the begin's day will do), then choose the recurrence "
       "again."},
      {"Dentist", 3, kEmptyDateTime,
       [](ZoltGUI* g) { g->CB_editToDo_Date(kEditBegin | kEditNone); }, 0,
       "a recurring appointment needs its begin date."},
      {"Write letter", 4, kEmptyDateTime, [](ZoltGUI* g) { g->CB_editToDo_Date(kEditNone); }, 0,
       "a recurring to-do needs its end date."},
      {"Write letter", 2, kEmptyDateTime, [](ZoltGUI* g) { g->CB_edit_Pr(-1); }, 1,
       "An appointment cannot recur \"daily, resetable\" (that is for to-dos): it now recurs "
       "daily."},
      {"Call the bank", 3, at(2009, 2, 28), [](ZoltGUI* g) { g->CB_editToDo_Date(kEditToday); }, 0,
       "The recurrence \"weekly\" was removed: the to-do's end, " +
           dayText(getTodayDate(kEmptyDateTime)) +
           ", lies outside the days it was to recur on (until 28.02.2009). Choose the "
           "recurrence again with days around it, or move the end."},
      {"Call the bank", 3, kEmptyDateTime, [](ZoltGUI* g) { g->CB_editToDo_Date(kEditToday); }, 3,
       ""},
  };
  for (const auto& c : kCases) {
    open(c.summary);
    for (int twice = 0; twice < 2; ++twice) {  // either date alone is dropped at once
      doc->setDate(1, 2009, 2, 5);
      doc->setDate(0, 2009, 2, 6);
    }
    T_recData rec;
    rec.type = c.type;
    rec.lastDate = c.lastDate;
    doc->setRecData(rec);
    w->editToDo_updateTimeThings();
    dialogs.shown.clear();
    c.edit(w);
    doc->getRecData(rec);
    EXPECT_EQ(c.typeAfter, rec.type) << c.said;
    EXPECT_STREQ((std::string("&Recurrence: ") + recurrenceName(c.typeAfter)).c_str(),
                 e->recurrence->label());
    if (c.said.empty()) {
      EXPECT_EQ(std::vector<std::string>{}, dialogs.shown);
      continue;
    }
    ASSERT_EQ(1u, dialogs.shown.size()) << c.said;
    EXPECT_NE(std::string::npos, dialogs.shown[0].find(c.said)) << dialogs.shown[0];
    EXPECT_EQ(0u, dialogs.shown[0].find("alert: ")) << dialogs.shown[0];
  }
}

// ---- Kind, priority, show-as, completion, time recording ----

TEST_F(ItemEditorTest, TurningABusyAppointmentIntoAToDoAndBack) {
  open("Dentist");
  doc->setDate(1, 2009, 2, 5);
  doc->setDate(0, 2009, 2, 5);
  w->editToDo_updateTimeThings();
  pick(e->showAs, "busy");
  EXPECT_EQ(100u, doc->getItemPriority());
  e->isToDo->value(1);
  e->isToDo->do_callback();
  EXPECT_EQ(3u, doc->getItemPriority());
  EXPECT_TRUE(e->priority[2]->value());
  EXPECT_TRUE(e->priorityGroup->visible());
  EXPECT_TRUE(e->done->visible());
  EXPECT_EQ(1, doc->getShowTimeAs());
  e->isToDo->value(0);
  e->isToDo->do_callback();
  EXPECT_EQ(100u, doc->getItemPriority());
  EXPECT_FALSE(e->priorityGroup->visible());
}

// An appointment that gains its end, and with it a range, starts as busy; one opened with
// its range keeps what it was, and the user can still make it free.
TEST_F(ItemEditorTest, AnAppointmentStartsBusyOnceItHasARange) {
  open("Dentist");
  doc->setDate(1, 2009, 2, 5);
  doc->setDate(0, 2009, 2, 5);
  doc->setShowTimeAs(0);
  open("Dentist");
  EXPECT_EQ(200u, doc->getItemPriority()) << "opened as it was: free";
  w->CB_editToDo_Date(kEditNone);  // no end: no range, no show-as
  EXPECT_FALSE(e->showAs->visible());
  w->CB_editToDo_Date(kEditToday);
  EXPECT_TRUE(e->showAs->visible());
  EXPECT_EQ(1, e->showAs->value());
  EXPECT_EQ(100u, doc->getItemPriority()) << "busy";
  pick(e->showAs, "free");
  w->CB_editToDo_Time(kEditNone);
  EXPECT_EQ(200u, doc->getItemPriority()) << "the user's choice stays";
}

TEST_F(ItemEditorTest, AnAppointmentWithOnlyABeginLosesItAsAToDo) {
  open("Dentist");
  doc->setDate(1, 2009, 2, 5);
  doc->setShowTimeAs(1);
  EXPECT_EQ(100u, doc->getItemPriority());
  w->CB_edit_Pr(-1);
  EXPECT_EQ(3u, doc->getItemPriority());
  EXPECT_FALSE(hasDate(begin()));
  EXPECT_EQ(0, doc->getShowTimeAs());
  w->CB_edit_Pr(-1);
  EXPECT_EQ(200u, doc->getItemPriority());
}

TEST_F(ItemEditorTest, PriorityButtonsAreRadioButtons) {
  open("Call the bank");
  e->priority[4]->do_callback();
  EXPECT_EQ(5u, doc->getItemPriority());
  for (int k = 0; k < 6; ++k) EXPECT_EQ(k == 4, e->priority[k]->value() != 0) << k;
}

TEST_F(ItemEditorTest, CompletingAndReopening) {
  open("Call the bank");
  e->done->value(1);
  e->done->do_callback();
  EXPECT_TRUE(doc->isItemCompleted());
  EXPECT_FALSE(e->startStop->visible());
  EXPECT_STRNE("not yet...", e->completionLabel->label());
  EXPECT_EQ(16u, strlen(e->completionLabel->label()));  // dd.mm.yyyy hh:mm
  e->done->value(0);
  e->done->do_callback();
  EXPECT_FALSE(doc->isItemCompleted());
  EXPECT_TRUE(e->startStop->visible());
  EXPECT_STREQ("not yet...", e->completionLabel->label());
}

TEST_F(ItemEditorTest, ARecurringToDoMovesOnAndStaysOpen) {
  open("Write letter");
  doc->setDate(0, 2009, 2, 12);
  doc->setDate(1, 2009, 2, 12);
  T_recData rec;
  rec.type = 1;
  doc->setRecData(rec);
  e->done->value(1);
  e->done->do_callback();
  EXPECT_TRUE(dialogs.saw("Recurrent ToDo:\nSet completed, activated for following date."));
  EXPECT_FALSE(doc->isItemCompleted());
  EXPECT_FALSE(e->done->value());
  EXPECT_EQ(at(2009, 2, 13), end());
}

TEST_F(ItemEditorTest, TimeRecordingStartsAndStops) {
  open("Call the bank");
  e->startStop->do_callback();
  EXPECT_TRUE(doc->isItemRunning());
  EXPECT_EQ(1u, doc->getNrActiveJobs());
  EXPECT_STREQ("&Stop", e->startStop->label());
  w->showMain(kScreenEditTimes);
  ASSERT_EQ(2, e->times->size());
  EXPECT_STREQ("   running", e->times->text(2));
  EXPECT_TRUE(e->timeSum->visible());
  EXPECT_TRUE(menu_editToDo[kEditMenuTimes].value());
  w->showMain(kScreenEditBasics);
  e->startStop->do_callback();
  EXPECT_FALSE(doc->isItemRunning());
  EXPECT_EQ(0u, doc->getNrActiveJobs());
  EXPECT_STREQ("&Start", e->startStop->label());
  w->showMain(kScreenEditTimes);
  ASSERT_EQ(2, e->times->size());
  EXPECT_EQ(0, strncmp("      -> ", e->times->text(2), 9)) << e->times->text(2);
}

TEST_F(ItemEditorTest, TheTimeSumInHoursAndMinutes) {
  ToDoListToDo* t = findToDo(doc, "Call the bank");
  t->addTime(1234567890, 1234567890 + 3725);
  open("Call the bank");
  EXPECT_STREQ("Time: 1:02", e->timeSum->label());
  w->showMain(kScreenEditTimes);
  time_t b = 1234567890;
  char expected[42];
  strftime(expected, sizeof expected, "%d.%m.%Y %H:%M", localtime(&b));
  ASSERT_EQ(2, e->times->size());
  EXPECT_STREQ(expected, e->times->text(1));
}

// ---- The group screen ----

TEST_F(ItemEditorTest, TheGroupScreenCountsCompletedToDos) {
  static const struct {
    const char* group;
    const char* expected;
  } kCases[] = {{"Work", "3/4 (75 %) done"}, {"Empty", "0/0 (no to-dos yet)"}};
  for (const auto& c : kCases) {
    openGroup(c.group);
    EXPECT_EQ(kScreenEditGroup, w->screen());
    EXPECT_STREQ(c.group, e->summary->value());
    EXPECT_STREQ(c.expected, e->groupCompletion->label());
    EXPECT_STREQ("Time: 0:00", e->timeSum->label());
    EXPECT_TRUE(e->groupMenu->visible());
    EXPECT_FALSE(e->menu->visible());
    EXPECT_FALSE(e->screenButton->visible());
    w->CB_Done();
  }
}

TEST_F(ItemEditorTest, TheGroupEditorJournalsSummaryAndPriority) {
  openGroup("Work");
  e->summary->value("Office");
  e->priority[0]->do_callback();
  w->CB_Done();
  EXPECT_EQ(kScreenList, w->screen());
  Zolt* fresh = restart();
  ToDoListGroup* g = findGroup(fresh, "Office");
  ASSERT_NE(nullptr, g);
  EXPECT_EQ(1u, g->getPriority());
  delete fresh;
}

TEST_F(ItemEditorTest, CuttingAGroupCopiesTheTypedSummary) {
  openGroup("Work");
  e->summary->value("Office");
  dialogs.answers = {1};
  pick(e->groupMenu, "cut/&delete");
  EXPECT_TRUE(dialogs.saw("Do you really want to delete this group?"));
  EXPECT_EQ(kScreenList, w->screen());
  EXPECT_EQ(nullptr, findGroup(doc, "Work"));
  EXPECT_EQ(nullptr, findGroup(doc, "Office"));
  EXPECT_NE(std::string::npos, readFile(clipboard).find("sOffice\n"));
}

// ---- Leaving, the journal and the clipboard ----

TEST_F(ItemEditorTest, AnEditClosedIsInTheJournal) {
  open("Call the bank");
  e->summary->value("Call the bank today");
  e->priority[4]->do_callback();
  e->description->value("ask about the loan");
  w->CB_Done();
  EXPECT_EQ(kScreenList, w->screen());
  Zolt* fresh = restart();
  ToDoListToDo* t = findToDo(fresh, "Call the bank today");
  ASSERT_NE(nullptr, t);
  EXPECT_EQ(5u, t->getPriority());
  const char* text = nullptr;
  ASSERT_EQ(0, t->GetDescription(text, nullptr));
  EXPECT_STREQ("ask about the loan", text);
  delete fresh;
}

TEST_F(ItemEditorTest, ANewItemClosedIsInTheJournal) {
  openNew();
  e->summary->value("Fresh");
  w->CB_Done();
  Zolt* fresh = restart();
  EXPECT_NE(nullptr, findToDo(fresh, "Fresh"));
  delete fresh;
}

// Leaving through "&go to item's group" from another view journals like "&Close".
TEST_F(ItemEditorTest, GoingToTheItemsGroupJournalsTheEdit) {
  for (int view : {kMainViewSearch, kMainViewCalendar}) {
    SCOPED_TRACE(view);
    doc->setGroup(findGroup(doc, "Work"));
    w->showList(0);
    std::string old = view == kMainViewSearch ? "W4" : "W3";
    if (view == kMainViewSearch) {
      ASSERT_EQ(0, doc->search(old));
    } else {
      doc->setMainViewType(kMainViewCalendar);
    }
    w->setMenuActive();
    w->showList(0);
    open(old);
    e->summary->value((old + " edited").c_str());
    pick(e->menu, "&go to item's group");
    EXPECT_EQ(kScreenList, w->screen());
    EXPECT_EQ(kMainViewNormal, doc->getMainViewType());
    EXPECT_EQ("Work", doc->getCurGroup()->getSummary());
    Zolt* fresh = restart();
    EXPECT_NE(nullptr, findToDo(fresh, old + " edited"));
    delete fresh;
  }
}

TEST_F(ItemEditorTest, CutCopiesWhatWasTypedThenDeletes) {
  open("Call the bank");
  e->summary->value("Call the bank now");
  dialogs.answers = {1};
  pick(e->menu, "cut/&delete");
  EXPECT_TRUE(dialogs.saw("Do you really want to delete this item?"));
  EXPECT_EQ(kScreenList, w->screen());
  EXPECT_EQ(nullptr, findToDo(doc, "Call the bank"));
  EXPECT_NE(std::string::npos, readFile(clipboard).find("sCall the bank now\n"));
  Zolt* fresh = restart();
  EXPECT_EQ(nullptr, findToDo(fresh, "Call the bank"));
  delete fresh;
}

TEST_F(ItemEditorTest, CancelledCutKeepsTheItem) {
  open("Call the bank");
  dialogs.answers = {0};
  pick(e->menu, "cut/&delete");
  EXPECT_EQ(kScreenEditBasics, w->screen());
  EXPECT_NE(nullptr, findToDo(doc, "Call the bank"));
}

// Without its copy in the clipboard the cut item would be gone for good.
TEST_F(ItemEditorTest, CutDeletesNothingWhenTheClipboardCannotBeWritten) {
  w->init(doc, dir.file("missing/clip.tmp").c_str());
  open("Call the bank");
  dialogs.answers = {1};
  pick(e->menu, "cut/&delete");
  EXPECT_TRUE(dialogs.saw("alert: Could not copy the item to the clipboard file"));
  EXPECT_EQ(kScreenEditBasics, w->screen());
  EXPECT_NE(nullptr, findToDo(doc, "Call the bank"));
}

// A new item cut before it was ever journalled leaves no new-item mark behind for the
// next record, which would otherwise come back as a second copy of another to-do.
TEST_F(ItemEditorTest, CuttingANewItemLeavesTheJournalClean) {
  openNew();
  dialogs.answers = {1};
  pick(e->menu, "cut/&delete");
  EXPECT_FALSE(doc->incsave_todoHasChanged());
  w->toggleCompleted(rowOf("Write letter"), false);
  Zolt* fresh = restart();
  EXPECT_EQ(7u, countToDos(fresh));
  EXPECT_TRUE(findToDo(fresh, "Write letter")->isCompleted());
  delete fresh;
}

TEST_F(ItemEditorTest, CopyPutsTheItemIntoTheClipboard) {
  open("Write letter");
  pick(e->menu, "&copy");
  EXPECT_EQ(kScreenEditBasics, w->screen());
  EXPECT_NE(std::string::npos, readFile(clipboard).find("sWrite letter\n"));
}

TEST_F(ItemEditorTest, TurnToGroupKeepsWhatWasTyped) {
  open("Write letter");
  e->summary->value("Letter project");
  pick(e->menu, "turn to group");
  EXPECT_EQ(kScreenList, w->screen());
  EXPECT_EQ("Letter project", doc->getCurGroup()->getSummary());
  Zolt* fresh = restart();
  ToDoListGroup* g = findGroup(fresh, "Letter project");
  ASSERT_NE(nullptr, g);
  ASSERT_EQ(1u, g->getToDos().size());
  EXPECT_EQ("Letter project", g->getToDos()[0]->getSummary());
  EXPECT_EQ(nullptr, findToDo(fresh, "Write letter"));
  delete fresh;
}

TEST_F(ItemEditorTest, EditorMenuFollowsTheView) {
  w->setMenuActive();
  EXPECT_TRUE(menu_editToDo[kEditMenuToGroup].active());
  EXPECT_TRUE(menu_editToDo[kEditMenuDelete].active());
  doc->setMainViewType(kMainViewCalendar);
  w->setMenuActive();
  EXPECT_FALSE(menu_editToDo[kEditMenuToGroup].active());
  EXPECT_TRUE(menu_editToDo[kEditMenuDelete].active());
  doc->setMainViewType(kMainViewNormal);
  ASSERT_EQ(0, doc->search("bank"));
  w->setMenuActive();
  EXPECT_FALSE(menu_editToDo[kEditMenuToGroup].active());
  EXPECT_FALSE(menu_editToDo[kEditMenuDelete].active());
}

// ---- Keys, the external editor and encryption ----

TEST_F(ItemEditorTest, AltCClosesTheEditor) {
  open("Call the bank");
  e->summary->value("Call the bank soon");
  Fl::e_keysym = 'c';
  Fl::e_state = FL_ALT;
  EXPECT_EQ(1, w->handle(FL_KEYBOARD));
  Fl::e_state = 0;
  EXPECT_EQ(kScreenList, w->screen());
  EXPECT_NE(nullptr, findToDo(doc, "Call the bank soon"));
}

TEST_F(ItemEditorTest, TheExternalEditorEditsTheTypedText) {
  std::string script = dir.file("ed.sh");
  std::string seen = dir.file("seen");
  writeFile(script, "#!/bin/sh\necho \"$1\" > '" + seen + "'\necho 'added line' >> \"$1\"\n");
  chmod(script.c_str(), 0700);
  ZoltConfig saved = zoltconfig;
  zoltconfig.editor = script;
  zoltconfig.editorConfigured = true;
  open("Call the bank");
  e->description->value("typed, not saved\n");
  Fl::e_keysym = 'e';
  Fl::e_state = FL_ALT;
  EXPECT_EQ(1, w->handle(FL_KEYBOARD));
  Fl::e_state = 0;
  ASSERT_TRUE(awaitExternalEdit());
  EXPECT_STREQ("typed, not saved\nadded line\n", e->description->value());
  EXPECT_EQ(0, e->description->position());
  std::string file = readFile(seen);
  ASSERT_FALSE(file.empty());
  file.pop_back();  // echo's line feed
  EXPECT_FALSE(fileExists(file)) << file;
  // A failing editor changes nothing and says why.
  zoltconfig.editor = "false";
  e->extEdit->do_callback();
  ASSERT_TRUE(awaitExternalEdit());
  EXPECT_EQ(1u, dialogs.shown.size());
  EXPECT_STREQ("typed, not saved\nadded line\n", e->description->value());
  zoltconfig = saved;
}

// While the user's editor runs the window goes on: the description is shut, a second edit
// and leaving the item are refused with the reason, quitting asks first; once the editor
// ends, its text is in the description.
TEST_F(ItemEditorTest, TheWindowGoesOnWhileTheExternalEditorRuns) {
  std::string go = dir.file("go");
  std::string script = dir.file("ed.sh");
  writeFile(script, "#!/bin/sh\nwhile [ ! -e '" + go +
                        "' ]; do sleep 0.01; done\necho 'added' >> \"$1\"\n");
  chmod(script.c_str(), 0700);
  ZoltConfig saved = zoltconfig;
  zoltconfig.editor = script;
  zoltconfig.editorConfigured = true;
  open("Call the bank");
  e->description->value("typed\n");
  e->extEdit->do_callback();
  ASSERT_TRUE(w->externalEditRunning()) << "the call returns while the editor runs";
  EXPECT_FALSE(e->description->active());
  e->extEdit->do_callback();
  w->CB_Done();
  dialogs.answers = {0};  // keep editing
  w->closeForShutdown();
  ASSERT_EQ(3u, dialogs.shown.size());
  EXPECT_EQ(0u, dialogs.shown[0].find("message: The description is open in the editor"));
  EXPECT_EQ(0u, dialogs.shown[1].find("alert: The description is open in the editor"));
  EXPECT_EQ(0u, dialogs.shown[2].find("choice: The description is still open in the editor"));
  EXPECT_EQ(kScreenEditBasics, w->screen()) << "the item was not left";
  EXPECT_TRUE(w->externalEditRunning());
  writeFile(go, "");
  ASSERT_TRUE(awaitExternalEdit());
  EXPECT_STREQ("typed\nadded\n", e->description->value());
  EXPECT_TRUE(e->description->active());
  w->CB_Done();
  EXPECT_EQ(kScreenList, w->screen());
  zoltconfig = saved;
}

// Quitting while the user's editor runs, when the user says so, gives that edit up and
// leaves no copy of the description behind; the rest of the item is kept.
TEST_F(ItemEditorTest, QuittingDuringAnExternalEditGivesItUp) {
  std::string run = dir.file("run");
  ASSERT_EQ(0, mkdir(run.c_str(), 0700));
  const char* oldRun = getenv("XDG_RUNTIME_DIR");
  std::string savedRun = oldRun ? oldRun : "";
  setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  std::string script = dir.file("ed.sh");
  std::string up = dir.file("up");
  writeFile(script, "#!/bin/sh\necho $$ > '" + up + "'\nwhile :; do sleep 0.01; done\n");
  chmod(script.c_str(), 0700);
  ZoltConfig saved = zoltconfig;
  zoltconfig.editor = script;
  zoltconfig.editorConfigured = true;
  open("Call the bank");
  e->summary->value("Call the bank today");
  e->extEdit->do_callback();
  ASSERT_TRUE(w->externalEditRunning());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (readFile(up).find('\n') == std::string::npos) {  // the editor is up
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    Fl::wait(0.01);
  }
  dialogs.answers = {1};  // quit
  w->closeForShutdown();
  EXPECT_FALSE(w->externalEditRunning());
  std::vector<std::string> left;
  if (DIR* d = opendir(run.c_str())) {
    while (dirent* entry = readdir(d)) {
      if (strncmp(entry->d_name, "zolt-edit-", 10) == 0) left.push_back(entry->d_name);
    }
    closedir(d);
  }
  EXPECT_EQ(std::vector<std::string>{}, left) << "no copy of the description";
  pid_t editor = atoi(readFile(up).c_str());
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (kill(editor, 0) == 0) {  // it was told to end, and soon does
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the editor runs on";
    Fl::wait(0.01);
  }
  EXPECT_NE(nullptr, findToDo(doc, "Call the bank today")) << "the item was closed as kept";
  if (oldRun) {
    setenv("XDG_RUNTIME_DIR", savedRun.c_str(), 1);
  } else {
    unsetenv("XDG_RUNTIME_DIR");
  }
  zoltconfig = saved;
}

TEST_F(ItemEditorTest, ADescriptionMarkedForEncryptionIsStoredEncrypted) {
  ASSERT_EQ(0, doc->getKeys().AddPwd("test", "pw"));
  open("Call the bank");
  EXPECT_TRUE(e->crypt->active());
  e->description->value("PIN 4711");
  e->crypt->value(1);
  e->crypt->do_callback();
  w->CB_Done();
  ASSERT_EQ(0, doc->writeData(master.c_str()));
  EXPECT_EQ(std::string::npos, readFile(master).find("PIN 4711"));
  ASSERT_TRUE(fileExists(master + "0"));
  EXPECT_EQ(std::string::npos, readFile(master + "0").find("PIN 4711"));
  Zolt* fresh = restart();
  ToDoListToDo* t = findToDo(fresh, "Call the bank");
  ASSERT_NE(nullptr, t);
  const char* text = nullptr;
  EXPECT_EQ(1, t->GetDescription(text, &fresh->getKeys()));
  fresh->getKeys().Login(0, "pw");
  ASSERT_EQ(0, t->GetDescription(text, &fresh->getKeys()));
  EXPECT_STREQ("PIN 4711", text);
  delete fresh;
}

// A description still locked is never overwritten with what the editor shows.
TEST_F(ItemEditorTest, ALockedDescriptionSurvivesTheEditor) {
  ASSERT_EQ(0, doc->getKeys().AddPwd("test", "pw"));
  open("Call the bank");
  e->description->value("PIN 4711");
  e->crypt->value(1);
  e->crypt->do_callback();
  w->CB_Done();
  ASSERT_EQ(0, doc->writeData(master.c_str()));
  Zolt* locked = restart();
  w->init(locked, clipboard.c_str());
  Zolt* old = doc;
  doc = locked;
  open("Call the bank");
  EXPECT_FALSE(e->description->active());
  EXPECT_FALSE(e->crypt->active());
  w->CB_Done();
  doc = old;
  w->init(doc, clipboard.c_str());
  locked->getKeys().Login(0, "pw");
  const char* text = nullptr;
  ASSERT_EQ(0, findToDo(locked, "Call the bank")->GetDescription(text, &locked->getKeys()));
  EXPECT_STREQ("PIN 4711", text);
  delete locked;
}

// ---- Layout ----

// Every widget of every editor screen lies inside the window, and the bottom bar's
// buttons do not cover one another, down to the minimum size.
TEST_F(ItemEditorTest, EveryScreenFitsTheWindow) {
  static const struct { int W, H; } kSizes[] = {{320, 320}, {640, 640}, {641, 481}};
  open("Call the bank");
  for (const auto& s : kSizes) {
    w->resize(0, 0, s.W, s.H);
    for (int screen :
         {kScreenEditBasics, kScreenEditTimes, kScreenEditDescription, kScreenEditGroup}) {
      w->showMain(screen);
      std::vector<Fl_Widget*> shown;
      for (int i = 0; i < w->children(); ++i) {
        if (w->child(i)->visible()) shown.push_back(w->child(i));
      }
      for (Fl_Widget* a : shown) {
        EXPECT_TRUE(inside(a, w->w(), w->h()))
            << s.W << "x" << s.H << " screen " << screen << " " << (a->label() ? a->label() : "");
        for (Fl_Widget* b : shown) {
          if (a != b && a->y() >= w->h() - 30 && b->y() >= w->h() - 30) {
            EXPECT_FALSE(overlap(a, b)) << screen << " " << a->label() << " " << b->label();
          }
        }
      }
    }
    w->showMain(kScreenEditBasics);
    EXPECT_TRUE(e->startStop->visible());
    EXPECT_TRUE(e->extEdit->visible());
    EXPECT_FALSE(overlap(e->startStop, e->extEdit));
    EXPECT_FALSE(overlap(e->crypt, e->recurrence));
  }
}

// ---- A new item: typing names it, Escape takes it back ----

TEST_F(ItemEditorTest, ANewItemOpensOnItsSummarySelected) {
  w->show();
  Fl::check();
  openNew();
  EXPECT_EQ(e->summary, Fl::focus());
  EXPECT_EQ(0, e->summary->mark());
  EXPECT_EQ(e->summary->size(), e->summary->position()) << "\"<unnamed>\" is selected";
  w->CB_Done();
  w->CB_Menu_newGroup();
  EXPECT_EQ(e->summary, Fl::focus());
  EXPECT_EQ(0, e->summary->mark());
  EXPECT_EQ(e->summary->size(), e->summary->position());
  w->CB_Done();
  open("Call the bank");
  EXPECT_EQ(e->summary, Fl::focus()) << "an opened item focuses its summary too";
  EXPECT_EQ(e->summary->mark(), e->summary->position()) << "without a selection to type over";
}

TEST_F(ItemEditorTest, EscapeTakesBackAnUntouchedNewItemAndGroup) {
  size_t toDos = countToDos(doc);
  openNew();
  Fl::e_keysym = FL_Escape;
  EXPECT_EQ(1, w->handle(FL_KEYBOARD));
  EXPECT_EQ(kScreenList, w->screen());
  EXPECT_EQ(toDos, countToDos(doc));
  std::vector<ToDoListItem*> before, after;
  doc->getRoot()->collectSubtree(before);
  w->CB_Menu_newGroup();
  e->cancel->do_callback();
  EXPECT_EQ(kScreenList, w->screen());
  doc->getRoot()->collectSubtree(after);
  EXPECT_EQ(before.size(), after.size()) << "the new group is gone";
  EXPECT_TRUE(dialogs.shown.empty()) << "nothing to lose, so nothing to ask";
  EXPECT_EQ(0, doc->incsave_getNrOfFiles()) << "no journal record left behind";
  // And nothing marked new is handed on to the next record.
  w->toggleCompleted(rowOf("Write letter"), false);
  Zolt* fresh = restart();
  EXPECT_EQ(toDos, countToDos(fresh));
  delete fresh;
}

TEST_F(ItemEditorTest, EscapeAsksBeforeTakingBackAChangedNewItem) {
  size_t toDos = countToDos(doc);
  for (int answer : {0, 1}) {  // "Keep", then "Discard"
    SCOPED_TRACE(answer);
    if (w->screen() == kScreenList) openNew();
    e->summary->value("typed");
    dialogs.answers = {answer};
    Fl::e_keysym = FL_Escape;
    w->handle(FL_KEYBOARD);
    EXPECT_TRUE(dialogs.saw("Discard this new item"));
    EXPECT_EQ(answer ? kScreenList : kScreenEditBasics, w->screen());
  }
  EXPECT_EQ(toDos, countToDos(doc));
  openNew();
  e->priority[4]->do_callback();  // a change applied at once counts as well
  dialogs.answers = {0};
  e->cancel->do_callback();
  EXPECT_EQ(kScreenEditBasics, w->screen());
  // On an item that was there before, Escape leaves as "&Close" does, keeping the edit.
  w->CB_Done();
  open("Call the bank");
  e->summary->value("Call the bank soon");
  w->handle(FL_KEYBOARD);
  EXPECT_EQ(kScreenList, w->screen());
  EXPECT_NE(nullptr, findToDo(doc, "Call the bank soon"));
}

TEST_F(ItemEditorTest, CancelShowsForANewItemWhereTheBarHasRoom) {
  static const struct {
    int width;
    bool group;
    bool shown;
  } kCases[] = {{640, false, true}, {320, false, false}, {320, true, true}, {640, true, true}};
  for (const auto& c : kCases) {
    w->resize(0, 0, c.width, 480);
    c.group ? w->CB_Menu_newGroup() : openNew();
    EXPECT_EQ(c.shown, e->cancel->visible() != 0) << c.width << (c.group ? " group" : " item");
    for (Fl_Widget* other :
         {static_cast<Fl_Widget*>(e->extEdit), static_cast<Fl_Widget*>(e->startStop),
          static_cast<Fl_Widget*>(e->groupMenu), static_cast<Fl_Widget*>(e->menu)}) {
      if (c.shown && other->visible()) {
        EXPECT_FALSE(overlap(e->cancel, other)) << c.width;
      }
    }
    e->cancel->do_callback();
    open("Call the bank");
    EXPECT_FALSE(e->cancel->visible()) << "an opened item has nothing to take back";
    w->CB_Done();
  }
}

TEST_F(ItemEditorTest, ANewEmptyGroupIsOpenNotDone) {
  w->CB_Menu_newGroup();
  EXPECT_STREQ("0/0 (no to-dos yet)", e->groupCompletion->label());
  e->summary->value("Fresh");
  w->CB_Done();
  w->CB_Up();
  bool found = false;
  for (int i = 1; i <= w->list()->size(); ++i) {
    std::string line = w->list()->text(i);
    if (line.size() < 5 || line.compare(line.size() - 5, 5, "Fresh") != 0) continue;
    found = true;
    EXPECT_NE(std::string::npos, line.find("@bO\t")) << line;
  }
  EXPECT_TRUE(found) << "the empty group is in sight, whatever \"show completed\" says";
}

TEST_F(ItemEditorTest, WithoutAnEditorAltESaysWhatToSet) {
  TempDir empty;
  std::string path = getenv("PATH") ? getenv("PATH") : "";
  std::string visual = getenv("VISUAL") ? getenv("VISUAL") : "";
  std::string editor = getenv("EDITOR") ? getenv("EDITOR") : "";
  setenv("PATH", empty.path().c_str(), 1);
  unsetenv("VISUAL");
  unsetenv("EDITOR");
  open("Call the bank");
  e->extEdit->do_callback();
  setenv("PATH", path.c_str(), 1);
  if (!visual.empty()) setenv("VISUAL", visual.c_str(), 1);
  if (!editor.empty()) setenv("EDITOR", editor.c_str(), 1);
  EXPECT_TRUE(dialogs.saw("Set \"editor=\" in ~/.zoltrc/zolt.config")) << dialogs.shown.size();
  EXPECT_TRUE(dialogs.saw("$VISUAL"));
}

}  // namespace
