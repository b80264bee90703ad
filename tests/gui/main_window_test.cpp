#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Menu_Item.H>
#include <signal.h>
#include <sys/resource.h>

#include "gui/fake_keyboard.h"
#include "gui/main_window_fixture.h"
#include "gui/raw_label.h"

TEST_F(MainWindowTest, RootRowsAlternateFromTheFirstLine) {
  ASSERT_EQ(7, lines());
  EXPECT_EQ("@B55o\t@B55@.Call the bank", line(1));
  EXPECT_EQ("@B53@bO\t@b@B53@.@home", line(2)) << "a group without to-dos is open, not done";
  EXPECT_EQ('O', line(lineOf("R&D"))[6]);
  EXPECT_EQ('a', line(lineOf("Dentist"))[4]);
  EXPECT_EQ("@B55x\t@B55@.Old task", line(7));
  EXPECT_EQ("", std::string(win->titleButton()->label()));
}

TEST_F(MainWindowTest, EmptyGroupShowsEmptyAndIgnoresClicks) {
  Click(lineOf("@home"), 300);
  ASSERT_EQ(1, lines());
  EXPECT_EQ("<empty>", line(1));
  Click(1, 10);
  Click(1, 300);
  EXPECT_EQ(kScreenList, win->screen());
  EXPECT_EQ("@home", std::string(win->titleButton()->label()));
}

TEST_F(MainWindowTest, TitleShowsGroupPathAsTyped) {
  Click(lineOf("R&D"), 300);
  EXPECT_EQ("R&D", std::string(win->titleButton()->label()));
  EXPECT_EQ(rawLabelType(), win->titleButton()->labeltype());
  Key(FL_Left);
  Click(lineOf("Work"), 300);
  Click(lineOf("Sub"), 300);
  EXPECT_EQ("Work\nSub", std::string(win->titleButton()->label()));
  EXPECT_EQ(52, win->titleButton()->h());
  EXPECT_EQ(52, win->list()->y());
  // The status line sits between the list and the bar; the bar keeps its 30 pixels.
  EXPECT_EQ(480 - 52 - 30 - win->statusLine()->h(), win->list()->h());
  EXPECT_EQ(win->list()->y() + win->list()->h(), win->statusLine()->y());
  EXPECT_EQ(win->menuButton()->y(), win->statusLine()->y() + win->statusLine()->h());
  EXPECT_GT(win->statusLine()->h(), 0);
}

TEST_F(MainWindowTest, KeysOpenLeaveAndMove) {
  int work = lineOf("Work");
  Select(work);
  Key(FL_Enter);  // on a group: nothing
  EXPECT_EQ(7, lines());
  Key(FL_Right);
  EXPECT_EQ("Work", std::string(win->titleButton()->label()));
  EXPECT_EQ(1, win->list()->value()) << "entering by key selects the first line";
  Key(FL_Down);
  EXPECT_EQ(2, win->list()->value());
  Key(FL_Down);
  EXPECT_EQ(2, win->list()->value()) << "the last line stays selected";
  Key(FL_Up);
  EXPECT_EQ(1, win->list()->value());
  Key(FL_Left);
  EXPECT_EQ("", std::string(win->titleButton()->label()));
  EXPECT_EQ(work, win->list()->value()) << "leaving restores the selected line";
}

TEST_F(MainWindowTest, EnterTogglesCompletionThroughTheJournal) {
  ASSERT_EQ(1, lineOf("Call the bank"));
  Select(1);
  Key(FL_Enter);
  EXPECT_EQ(1, journalFiles());
  EXPECT_EQ('x', line(lineOf("Call the bank"))[4]);
  EXPECT_EQ(lineOf("Call the bank"), win->list()->value()) << "the cursor follows the item";
  Restart();
  EXPECT_EQ('x', line(lineOf("Call the bank"))[4]) << "the journal brings it back";
  Click(lineOf("Call the bank"), 10);  // the mark column toggles it back
  EXPECT_EQ('o', line(lineOf("Call the bank"))[4]);
  EXPECT_EQ(2, journalFiles());
}

TEST_F(MainWindowTest, ClicksOnAGroupEnterOrEditIt) {
  Click(lineOf("Work"), 10);
  EXPECT_EQ(kScreenEditGroup, win->screen()) << "the mark column opens the group editor";
  win->CB_Done();
  EXPECT_EQ(kScreenList, win->screen());
  EXPECT_EQ("", std::string(win->titleButton()->label())) << "and closing it comes back";
  Click(lineOf("Work"), 300);
  EXPECT_EQ("Work", std::string(win->titleButton()->label()));
}

TEST_F(MainWindowTest, NewItemIsJournalledAtOnce) {
  win->CB_Menu_newTodo();
  EXPECT_EQ(kScreenEditBasics, win->screen());
  win->CB_Done();
  EXPECT_EQ(1, journalFiles());
  EXPECT_EQ(8, lines());
}

TEST_F(MainWindowTest, MenusFollowTheView) {
  const Fl_Menu_Item* m = menu_Menu;
  auto active = [&](int i) { return m[i].active() != 0; };
  EXPECT_TRUE(active(kMenuGroup) && active(kMenuFile) && active(kMenuPaste));
  win->CB_Menu_prompt(kPromptSearch);
  EXPECT_EQ(kScreenPrompt, win->screen());
  EXPECT_EQ("string to search for:", std::string(win->promptLabel()->label()));
  win->promptInput()->value("REPORT");
  win->CB_Done();
  EXPECT_EQ(kMainViewSearch, doc->getMainViewType());
  EXPECT_EQ(1, lineOf("Write report"));
  EXPECT_FALSE(active(kMenuGroup) || active(kMenuFile) || active(kMenuCopy) || active(kMenuPaste));
  EXPECT_TRUE(active(kMenuCalendar) && active(kMenuSearch));
  EXPECT_TRUE(win->upButton()->visible() && !win->newItemButton()->visible());
  win->CB_Menu_ZoltView(kMainViewCalendar);  // leaves the results first
  EXPECT_EQ(menu_CalMenu, win->menuButton()->menu());
  EXPECT_TRUE(win->calendarButton(0)->visible());
  EXPECT_FALSE(win->newItemButton()->visible() || win->upButton()->visible());
  win->CB_Menu_ZoltView(kMainViewNormal);
  EXPECT_EQ(menu_Menu, win->menuButton()->menu());
  EXPECT_EQ(7, lines());
  EXPECT_FALSE(win->calendarButton(0)->visible());
}

// Escape goes back from every screen and view the user went into, to where they came from;
// in the list itself it does nothing, and the program goes on. Enter on About closes it.
TEST_F(MainWindowTest, EscapeGoesBackFromEveryScreen) {
  ASSERT_EQ(0, doc->setItem2ViewItem(doc->getRowOrder()[lineOf("Call the bank") - 1]));
  ASSERT_EQ(0, doc->setItemRunning(true));
  win->showMain(kScreenList);
  win->show();
  int checked = 0;
  for (int key : {FL_Escape, FL_Enter}) {
    win->showMain(kScreenAbout);
    Key(key);
    EXPECT_EQ(kScreenList, win->screen()) << "About, key " << key;
    ++checked;
  }
  win->CB_Menu_prompt(kPromptSearch);
  win->promptInput()->value("REPORT");
  win->CB_Done();
  ASSERT_EQ(kMainViewSearch, doc->getMainViewType());
  Key(FL_Escape);
  EXPECT_EQ(kMainViewNormal, doc->getMainViewType()) << "search results";
  EXPECT_EQ(7, lines());
  for (int view : {kMainViewActiveJobs, kMainViewCalendar}) {
    win->CB_Menu_ZoltView(view);
    ASSERT_EQ(view, doc->getMainViewType());
    Key(FL_Escape);
    EXPECT_EQ(kMainViewNormal, doc->getMainViewType()) << view;
    EXPECT_EQ(menu_Menu, win->menuButton()->menu()) << view;
    ++checked;
  }
  Key(FL_Escape);
  EXPECT_EQ(kMainViewNormal, doc->getMainViewType());
  EXPECT_EQ(kScreenList, win->screen());
  EXPECT_TRUE(win->shown()) << "Escape in the list never ends the program";
  EXPECT_EQ(4, checked);
}

TEST_F(MainWindowTest, ActiveJobsViewAndItsButton) {
  EXPECT_FALSE(win->activeJobsButton()->visible());
  win->CB_Menu_ZoltView(kMainViewActiveJobs);
  EXPECT_EQ(kMainViewNormal, doc->getMainViewType()) << "no job runs: nothing changes";
  ASSERT_EQ(0, doc->setItem2ViewItem(doc->getRowOrder()[lineOf("Call the bank") - 1]));
  ASSERT_EQ(0, doc->setItemRunning(true));
  win->showMain(kScreenList);
  EXPECT_TRUE(win->activeJobsButton()->visible());
  win->CB_Menu_ZoltView(kMainViewActiveJobs);
  EXPECT_EQ(kMainViewActiveJobs, doc->getMainViewType());
  EXPECT_EQ("Active jobs", std::string(win->titleButton()->label()));
  EXPECT_FALSE(menu_Menu[kMenuCalendar].active() || menu_Menu[kMenuSearch].active());
  EXPECT_FALSE(win->upButton()->visible() || win->newItemButton()->visible());
  Click(1, 10);  // completing the only running job leaves the view
  EXPECT_EQ(kMainViewNormal, doc->getMainViewType());
  EXPECT_FALSE(win->activeJobsButton()->visible());
}

TEST_F(MainWindowTest, CalendarOrdersADayByItsOccurrencesTimes) {
  win->CB_Menu_ZoltView(kMainViewCalendar);
  doc->setCalFirstDay(packDate(kEmptyDateTime, 2009, 2, 16));
  win->showList(0);
  EXPECT_EQ(0, win->titleButton()->h());
  EXPECT_EQ(0, win->list()->y());
  EXPECT_EQ("@B55a\t@B55@.(8:00-8:30) Dentist", line(3));
  EXPECT_EQ("@B53a\t@B53@.(10:00-11:00) Weekly meeting", line(4));
  // The day's closing row: the left half makes a to-do of that day, the right half a free
  // appointment whose editor opens on its description.
  Click(5, 100);
  EXPECT_EQ(kScreenEditBasics, win->screen());
  EXPECT_EQ(3u, doc->getItemPriority());
  win->CB_Done();
  Click(lines(), 500);
  EXPECT_EQ(kScreenEditDescription, win->screen());
  EXPECT_EQ(200u, doc->getItemPriority());
  win->CB_Done();
  EXPECT_EQ(3, journalFiles()) << "the group \"calendar\" and the two items";
}

TEST_F(MainWindowTest, CalendarButtonsMoveTheFirstDay) {
  win->CB_Menu_ZoltView(kMainViewCalendar);
  unsigned start = packDate(kEmptyDateTime, 2009, 2, 16);
  doc->setCalFirstDay(start);
  win->CB_CalSpan(42);
  EXPECT_NE(0, menu_CalMenu[kCalMenu42Days].value());
  win->CB_CalFirstDay(2);
  unsigned back = start;
  moveDate(back, -42);
  EXPECT_EQ(back, doc->getCalFirstDay());
  win->CB_CalFirstDay(3);
  win->CB_CalFirstDay(5);
  win->CB_CalFirstDay(4);
  EXPECT_EQ(start, doc->getCalFirstDay());
  win->CB_CalFirstDay(1);  // the date selector, cancelled
  EXPECT_EQ(start, doc->getCalFirstDay());
  EXPECT_EQ(getTodayDate(kNoTime), (win->CB_CalFirstDay(0), doc->getCalFirstDay()));
}

TEST_F(MainWindowTest, CutAndPasteAGroupThroughTheClipboard) {
  Click(lineOf("Work"), 300);
  dialogs.answers = {1};
  win->CB_Menu_delGroup();
  EXPECT_TRUE(dialogs.saw("choice: Do you really want to delete this group?"));
  EXPECT_EQ(0, lineOf("Work"));
  EXPECT_EQ(6, lines());
  win->CB_Menu_paste();
  EXPECT_NE(0, lineOf("Work"));
  Restart();
  Click(lineOf("Work"), 300);
  EXPECT_NE(0, lineOf("Sub")) << "the pasted group came back whole from the journal";
}

TEST_F(MainWindowTest, CancelledDeletionAndEmptyClipboardChangeNothing) {
  Click(lineOf("Work"), 300);
  dialogs.answers = {0};
  win->CB_Menu_delGroup();
  EXPECT_EQ("Work", std::string(win->titleButton()->label()));
  win->CB_Menu_paste();
  EXPECT_TRUE(dialogs.saw("The clipboard is empty"));
  EXPECT_EQ(0, journalFiles());
}

TEST_F(MainWindowTest, ExportAndImportThroughThePrompt) {
  std::string exported = dir.file("work.zolt");
  Click(lineOf("Work"), 300);
  win->CB_Menu_prompt(kPromptExportContent);
  win->promptInput()->value(exported.c_str());
  win->CB_Done();
  EXPECT_EQ(kScreenList, win->screen());
  Key(FL_Left);
  Click(lineOf("@home"), 300);
  win->CB_Menu_prompt(kPromptImport);
  EXPECT_EQ("filename and path of Zolt-file to insert:", std::string(win->promptLabel()->label()));
  win->promptInput()->value(exported.c_str());
  win->CB_Done();
  EXPECT_NE(0, lineOf("Write report"));
  EXPECT_NE(0, lineOf("Sub"));
  win->CB_Menu_prompt(kPromptImport);
  win->promptInput()->value(dir.file("missing.zolt").c_str());
  win->CB_Done();
  EXPECT_TRUE(dialogs.saw("Could not open"));
}

TEST_F(MainWindowTest, DeleteCompletedAsksFirst) {
  dialogs.answers = {0, 1};
  win->CB_Menu_delCompl();
  EXPECT_NE(0, lineOf("Old task"));
  win->CB_Menu_delCompl();
  EXPECT_EQ(0, lineOf("Old task"));
  EXPECT_EQ(1, journalFiles());
}

TEST_F(MainWindowTest, ViewOptionsRebuildTheList) {
  win->CB_Opts_View_flat();
  EXPECT_NE(0, menu_Menu[kMenuFlat].value());
  EXPECT_EQ(0, menu_Menu[kMenuTree].value());
  EXPECT_NE(0, lineOf("Deep task")) << "the flat view shows the to-dos below";
  win->CB_Opts_View_tree();
  EXPECT_EQ(0, lineOf("Deep task"));
  win->CB_Opts_View_scompleted();
  EXPECT_EQ(0, lineOf("Old task"));
  EXPECT_EQ(0, menu_Menu[kMenuShowCompleted].value());
  win->CB_Opts_View_toggleTextSize();
  EXPECT_EQ(14, win->list()->textsize()) << "the small size is still readable";
  win->CB_Opts_View_toggleTextSize();
  EXPECT_EQ(20, win->list()->textsize());
}

TEST_F(MainWindowTest, LayoutKeepsEvenSizesAndStoresHalfOfThem) {
  win->resize(0, 0, 641, 481);
  EXPECT_EQ(640, win->w());
  EXPECT_EQ(480, win->h());
  unsigned w = 0, h = 0;
  doc->windowSize(w, h);
  EXPECT_EQ(320u, w);
  EXPECT_EQ(240u, h);
  EXPECT_EQ(450, win->menuButton()->y());
  EXPECT_EQ(620, win->activeJobsButton()->x());
}

TEST_F(MainWindowTest, AboutScreenAndLeaving) {
  win->showMain(kScreenAbout);
  EXPECT_TRUE(win->aboutBox()->Fl_Widget::visible());
  std::string about;
  for (int i = 1; i <= win->aboutBox()->size(); ++i) {
    about += std::string(win->aboutBox()->text(i)) + "\n";
  }
  EXPECT_NE(std::string::npos, about.find("@bZolt " ZOLT_VERSION "\n")) << "the program's version";
  EXPECT_NE(std::string::npos, about.find("@." + data + "\n")) << "the data file in use";
  EXPECT_NE(std::string::npos, about.find("Page Up/Down\t")) << "the keys";
  win->CB_Done();
  EXPECT_EQ(kScreenList, win->screen());
  win->show();
  Key('q', FL_CTRL);
  EXPECT_FALSE(win->shown()) << "Ctrl+q leaves";
}

TEST_F(MainWindowTest, KeyboardStripTakesTheBottomOfTheEditorScreens) {
  win->CB_Menu_newTodo();
  win->CB_Menu_ZoltView(42);
  EXPECT_TRUE(doc->getOptShowKbd());
  ASSERT_NE(nullptr, win->keyboard());
  EXPECT_TRUE(win->keyboard()->visible());
  EXPECT_EQ(480 - 60, win->keyboard()->y());
  EXPECT_EQ(480 - 60 - 30, win->closeButton()->y()) << "the screen is laid out above the strip";
  win->updateClock();
  EXPECT_NE(std::string::npos, std::string(win->keyboard()->clock()).find(':'));
  win->CB_Done();
  EXPECT_EQ(480, win->keyboard()->y()) << "the list screen has no strip";
  win->CB_hideKbd();
  ASSERT_EQ(0, doc->writeData(data.c_str()));
  EXPECT_EQ(std::string::npos, readFile(data).find("<ShowKbd>"));
}

TEST_F(MainWindowTest, ExportNeverReplacesTheDataFileAndAsksBeforeAnotherFile) {
  std::string before = readFile(data);
  win->CB_Menu_prompt(kPromptExportGroup);
  win->promptInput()->value(data.c_str());
  win->CB_Done();
  EXPECT_TRUE(dialogs.saw("is Zolt's own data file"));
  EXPECT_EQ(kScreenPrompt, win->screen()) << "the prompt stays open for another name";
  EXPECT_EQ(before, readFile(data));
  std::string other = dir.file("other.txt");
  writeFile(other, "keep me");
  win->promptInput()->value(other.c_str());
  dialogs.answers = {0};
  win->CB_Done();
  EXPECT_TRUE(dialogs.saw("exists already"));
  EXPECT_EQ("keep me", readFile(other));
  dialogs.answers = {1};
  win->promptInput()->do_callback();  // Enter in the input
  EXPECT_EQ(kScreenList, win->screen());
  EXPECT_NE("keep me", readFile(other));
  win->CB_Menu_prompt(kPromptSearch);
  EXPECT_STREQ("", win->promptInput()->value()) << "each prompt starts empty";
}

TEST_F(MainWindowTest, EscapeNeverLeavesButTheCloseBoxAlwaysDoes) {
  win->show();
  static const struct {
    int event;
    int key;
    bool leaves;
  } kCases[] = {
      {FL_SHORTCUT, FL_Escape, false},
      {FL_KEYBOARD, 'a', true},
      {FL_CLOSE, 'x', true},
      // Escape pressed just before: the close box must still leave.
      {FL_CLOSE, FL_Escape, true},
  };
  for (const auto& c : kCases) {
    win->show();
    Fl::e_number = c.event;
    Fl::e_keysym = c.key;
    cb_keypress_ESC(win, nullptr);
    EXPECT_EQ(c.leaves, !win->shown()) << c.event << " " << c.key;
  }
}

// Every file write fails while this lives, as on a full disk.
class FullDisk {
 public:
  FullDisk() {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit none = saved;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, SIG_DFL);
  }

 private:
  struct rlimit saved;
};

TEST_F(MainWindowTest, AChangeTheJournalCannotTakeIsShownAndKeptInMemory) {
  {
    FullDisk full;
    dialogs.answers = {1};
    win->CB_Menu_delCompl();
  }
  EXPECT_TRUE(dialogs.saw("alert: Zolt could not write this change to its journal"));
  EXPECT_EQ(0, lineOf("Old task")) << "the deletion holds in memory";
  ASSERT_EQ(0, doc->incsave_compact(data.c_str())) << "and reaches the data file at the end";
  Restart();
  EXPECT_EQ(0, lineOf("Old task"));
}

// At the deepest level the files can hold, a new group and turn to group are refused with
// a message that says why and what to do, not in silence.
TEST_F(MainWindowTest, AGroupRefusedAtTheDeepestLevelSaysWhy) {
  for (unsigned level = 0; level < kMaxGroupDepth; ++level) ASSERT_EQ(0, doc->newGroup());
  int groupsBefore = journalFiles();
  win->CB_Menu_newGroup();
  EXPECT_TRUE(dialogs.saw("1000 levels deep")) << "a new group";
  EXPECT_EQ(groupsBefore, journalFiles());
  dialogs.shown.clear();
  ASSERT_EQ(0, doc->newToDo(0, 0));
  win->show_editToDoWin(false, false);
  win->CB_editToDo_Menu_t2Group();
  EXPECT_TRUE(dialogs.saw("1000 levels deep")) << "turn to group";
  EXPECT_EQ(kScreenEditBasics, win->screen()) << "the editor stays open";
}

// A day heading's click makes the group "calendar" for its new item when there is none;
// taking the untouched item back takes the group back too, in memory and in the journal.
// A group that was there before stays.
TEST_F(MainWindowTest, EscapeAfterADayHeadingsClickLeavesNoEmptyCalendarGroup) {
  auto calendarGroups = [this] {
    int n = 0;
    for (ToDoListGroup* g : doc->getRoot()->getGroups()) n += g->getSummary() == "calendar";
    return n;
  };
  ASSERT_EQ(0, calendarGroups());
  for (int round = 0; round < 2; ++round) {
    if (doc->getMainViewType() != kMainViewCalendar) win->CB_Menu_ZoltView(kMainViewCalendar);
    int heading = 0;
    for (int l = 1; l <= lines() && heading == 0; ++l) {
      if (doc->lineRow(l - 1).priority == kRowHeading) heading = l;
    }
    ASSERT_GT(heading, 0);
    Click(heading, 200);
    ASSERT_EQ(kScreenEditBasics, win->screen());
    EXPECT_EQ(1, calendarGroups());
    if (round == 1) break;
    win->CB_editCancel();
    EXPECT_EQ(kScreenList, win->screen());
    EXPECT_EQ(0, calendarGroups()) << "the group made for the item is gone";
    Restart();
    EXPECT_EQ(0, calendarGroups()) << "and stays gone after a crash";
  }
  // The second round keeps its item: a later untouched one leaves the group alone.
  win->editToDo_Done();
  if (doc->getMainViewType() != kMainViewCalendar) win->CB_Menu_ZoltView(kMainViewCalendar);
  Click(1, 200);
  if (win->screen() == kScreenEditBasics) win->CB_editCancel();
  EXPECT_EQ(1, calendarGroups());
}
