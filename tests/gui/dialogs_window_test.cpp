// The window as a new user meets it: the prompt's button and Escape, the search results'
// title, paging through the list, the selection after the editor, the row of a running
// to-do and the login asked for by opening a to-do, each through a real ZoltGUI.
#include <gtest/gtest.h>
// After gtest: X11's headers, which FLTK's pull in, define names gtest uses.
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_Button.H>
#include <FL/Fl_Multiline_Input.H>

#include <cstring>
#include <string>

#include "gui/item_editor.h"
#include "gui/main_window_fixture.h"
#include "model/todo_list_todo.h"

namespace {

class DialogsWindowTest : public MainWindowTest {
 protected:
  int selected() const { return win->list()->value(); }
  ToDoListToDo* toDo(const std::string& summary) {
    int line = lineOf(summary);
    if (line == 0) return nullptr;
    unsigned row = doc->getRowOrder()[line - 1];
    return static_cast<ToDoListToDo*>(doc->getRowItems()[row]);
  }
  // Lines the list shows at once, counted from its top.
  int shownLines() const {
    int n = 0;
    for (int l = win->list()->topline(); l <= lines() && win->list()->displayed(l); ++l) ++n;
    return n;
  }
};

TEST_F(DialogsWindowTest, ThePromptsButtonSaysWhatItDoesAndEscapeCancels) {
  static const struct {
    int kind;
    const char* button;
  } kCases[] = {{kPromptSearch, "Search"},        {kPromptExportGroup, "Export"},
                {kPromptExportContent, "Export"}, {kPromptImport, "Import"},
                {kPromptExportIcs, "Export"},     {kPromptImportIcs, "Import"}};
  std::string file = dir.file("export.dat");
  for (const auto& c : kCases) {
    win->CB_Menu_prompt(c.kind);
    ASSERT_EQ(kScreenPrompt, win->screen());
    EXPECT_STREQ(c.button, win->closeButton()->label()) << c.kind;
    EXPECT_STREQ("Cancel", win->cancelButton()->label());
    win->promptInput()->value(file.c_str());
    Key(FL_Escape);
    EXPECT_EQ(kScreenList, win->screen()) << "Escape cancels prompt " << c.kind;
    EXPECT_FALSE(fileExists(file)) << "nothing was exported by " << c.kind;
  }
  EXPECT_TRUE(dialogs.shown.empty());
  win->showMain(kScreenAbout);
  EXPECT_STREQ("&Close", win->closeButton()->label()) << "elsewhere the button closes";
}

TEST_F(DialogsWindowTest, SearchResultsNameTheQueryAndTheNumberFound) {
  static const struct {
    const char* query;
    const char* title;
  } kCases[] = {{"task", "Search \"task\": 2 found"},
                {"nowhere to be found", "Search \"nowhere to be found\": nothing found"}};
  for (const auto& c : kCases) {
    win->CB_Menu_prompt(kPromptSearch);
    win->promptInput()->value(c.query);
    win->CB_Done();
    ASSERT_EQ(kMainViewSearch, doc->getMainViewType()) << c.query;
    EXPECT_STREQ(c.title, win->titleButton()->label());
    win->CB_Up();
  }
  win->CB_Menu_prompt(kPromptSearch);
  win->promptInput()->value("task");
  win->CB_Done();
  int found = 0;
  for (int i = 1; i <= lines(); ++i) found += shown(i).find("task") != std::string::npos;
  EXPECT_EQ(2, found) << "the count in the title is the number of lines found";
}

TEST_F(DialogsWindowTest, PageKeysPageAndHomeAndEndJump) {
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(0, doc->newToDo(0, 0));
    doc->setItemSummary("Item " + std::to_string(i));
  }
  win->resize(0, 0, 320, 320);
  win->showList(0);
  ASSERT_GT(lines(), 40);
  Select(1);
  int page = shownLines() - 1;
  ASSERT_GE(page, 3) << "the window shows several lines";
  Key(FL_Page_Down);
  EXPECT_EQ(1 + page, selected());
  EXPECT_TRUE(win->list()->displayed(selected())) << "the selection stays in sight";
  Key(FL_End);
  EXPECT_EQ(lines(), selected());
  EXPECT_TRUE(win->list()->displayed(lines()));
  Key(FL_Page_Down);
  EXPECT_EQ(lines(), selected()) << "no step past the end";
  Key(FL_Page_Up);
  EXPECT_EQ(lines() - (shownLines() - 1), selected());
  Key(FL_Home);
  EXPECT_EQ(1, selected());
  EXPECT_TRUE(win->list()->displayed(1));
  Key(FL_Page_Up);
  EXPECT_EQ(1, selected());
  Key(FL_Down);
  EXPECT_EQ(2, selected()) << "Down still moves one line";
}

TEST_F(DialogsWindowTest, ClosingTheEditorKeepsTheItemSelected) {
  int line = lineOf("Call the bank");
  ASSERT_NE(0, line);
  Select(line);
  Key(FL_Right);
  ASSERT_EQ(kScreenEditBasics, win->screen());
  win->CB_Done();
  EXPECT_EQ(lineOf("Call the bank"), selected());
  // Renamed, it sorts elsewhere; the selection follows it.
  Select(lineOf("Call the bank"));
  Key(FL_Right);
  win->editor()->summary->value("Zz call the bank");
  win->CB_Done();
  ASSERT_NE(0, lineOf("Zz call the bank"));
  EXPECT_EQ(lineOf("Zz call the bank"), selected());
  // The group editor opened from a row leaves that group's row selected.
  Click(lineOf("Work"), 10);
  ASSERT_EQ(kScreenEditGroup, win->screen());
  win->CB_Done();
  EXPECT_EQ(lineOf("Work"), selected());
}

// Enter in the editor's summary presses "Close": a new item named and kept with two keys.
// Enter in the description is a line break.
TEST_F(DialogsWindowTest, EnterInTheSummaryClosesTheEditor) {
  win->CB_Menu_newTodo();
  ASSERT_EQ(kScreenEditBasics, win->screen());
  win->editor()->summary->value("Buy milk");
  win->editor()->summary->take_focus();
  Key(FL_Enter);
  EXPECT_EQ(kScreenList, win->screen());
  ASSERT_NE(0, lineOf("Buy milk"));
  EXPECT_EQ(lineOf("Buy milk"), selected());
  Select(lineOf("Buy milk"));
  Key(FL_Right);
  win->CB_editToDo_screenButton();
  ASSERT_EQ(kScreenEditDescription, win->screen());
  win->editor()->description->take_focus();
  Key(FL_Enter);
  EXPECT_EQ(kScreenEditDescription, win->screen()) << "Enter elsewhere leaves the editor open";
  win->CB_Done();
}

TEST_F(DialogsWindowTest, ARunningToDoMarksItsRow) {
  ToDoListToDo* bank = toDo("Call the bank");
  ASSERT_NE(nullptr, bank);
  std::string before = line(lineOf("Call the bank"));
  std::string other = line(lineOf("Dentist"));
  doc->setItem(bank);
  ASSERT_EQ(0, doc->setItemRunning(true));
  win->showList(0);
  int l = lineOf("Call the bank  (running)");
  ASSERT_NE(0, l) << "the row says it runs";
  EXPECT_NE(before.substr(0, 4), line(l).substr(0, 4)) << "in a colour of its own";
  EXPECT_NE(std::string::npos, line(l).find("@b@.")) << "in bold";
  EXPECT_EQ(other, line(lineOf("Dentist"))) << "other rows are as they were";
  doc->setItem(bank);
  ASSERT_EQ(0, doc->setItemRunning(false));
  win->showList(0);
  EXPECT_EQ(before, line(lineOf("Call the bank")));
}

// Opening a to-do whose description is locked asks for the login, says why, and once the
// login succeeds opens the to-do; a cancelled login opens it with only the description
// shut: its other fields can still be changed, and the description survives that.
TEST_F(DialogsWindowTest, ALoginAskedForByOpeningAToDoOpensIt) {
  ASSERT_EQ(0, doc->getKeys().AddPwd("home", "pw"));
  Select(lineOf("Call the bank"));
  Key(FL_Right);
  win->editor()->description->value("PIN 4711");
  win->editor()->crypt->value(1);
  win->editor()->crypt->do_callback();
  win->CB_Done();
  ASSERT_EQ(0, doc->writeData(data.c_str()));
  Restart();
  ASSERT_TRUE(doc->getKeys().CanLogIn());

  std::string reason;
  dialogs.onModal = [&](Fl_Window* w) {
    for (int i = 0; i < w->children(); ++i) {
      const char* l = w->child(i)->label();
      if (l && strstr(l, "is encrypted")) reason = l;
    }
    endDialog(w, "Cancel");
  };
  Select(lineOf("Call the bank"));
  Key(FL_Right);
  ASSERT_EQ(kScreenEditBasics, win->screen()) << "a cancelled login still opens the to-do";
  EXPECT_EQ("The description of \"Call the bank\" is encrypted. Log in to read it.", reason);
  EXPECT_TRUE(dialogs.shown.empty()) << "a cancelled login is no wrong key";
  EditorScreens* e = win->editor();
  EXPECT_FALSE(e->description->active());
  EXPECT_FALSE(e->crypt->active());
  for (Fl_Widget* open :
       {static_cast<Fl_Widget*>(e->summary), static_cast<Fl_Widget*>(e->endDate),
        static_cast<Fl_Widget*>(e->priority[4]), static_cast<Fl_Widget*>(e->isToDo)}) {
    EXPECT_TRUE(open->visible() && open->active()) << open->label();
  }
  e->priority[4]->do_callback();
  win->CB_Done();
  EXPECT_EQ(5u, toDo("Call the bank")->getPriority());

  dialogs.onModal = [&](Fl_Window* w) {
    static_cast<Fl_Input_*>(child(w, "Password (hidden input):"))->value("pw");
    endDialog(w, "OK");
  };
  Select(lineOf("Call the bank"));
  Key(FL_Right);
  ASSERT_EQ(kScreenEditBasics, win->screen()) << "the to-do opens after the login";
  EXPECT_STREQ("Call the bank", win->editor()->summary->value());
  EXPECT_STREQ("PIN 4711", win->editor()->description->value());
  EXPECT_TRUE(win->editor()->crypt->active());
  EXPECT_TRUE(win->editor()->priority[4]->value()) << "the change made while locked stays";
}

}  // namespace
