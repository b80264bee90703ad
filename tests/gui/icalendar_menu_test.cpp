// The iCalendar entries of the main menu's file sub-menu and their prompts.
#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>

#include "gui/main_window_fixture.h"

namespace {

// Inserting entries shifts every later index: each named index must still find its entry.
TEST(MainMenuTable, EveryIndexNamesItsEntry) {
  static const struct {
    int index;
    const char* label;
  } kCases[] = {
      {kMenuAbout, "About"},
      {kMenuFile, "&file"},
      {kMenuImport, "import"},
      {kMenuExportGroup, "export group+"},
      {kMenuExportContent, "export content"},
      {kMenuExportIcs, "export calendar (iCalendar)"},
      {kMenuImportIcs, "import calendar (iCalendar)"},
      {kMenuCopy, "&copy"},
      {kMenuCopyGroup, "group+"},
      {kMenuCopyContent, "content"},
      {kMenuPaste, "&paste"},
      {kMenuGroup, "&group"},
      {kMenuGroupNew, "new"},
      {kMenuGroupEdit, "edit"},
      {kMenuGroupDelete, "cut/delete"},
      {kMenuDelCompleted, "delete completed"},
      {kMenuSearch, "&search..."},
      {kMenuView, "&View"},
      {kMenuCalendar, "calendar"},
      {kMenuFlat, "flat"},
      {kMenuTree, "tree"},
      {kMenuShowCompleted, "show completed"},
      {kMenuCompletedLast, "completed last"},
      {kMenuSortPriority, "sort priority"},
      {kMenuSortDate, "sort date"},
      {kMenuToggleSize, "toggle size"},
      {kMenuCrypt, "Crypt"},
      {kMenuAddPwd, "Add Pwd..."},
      {kMenuLogin, "Login..."},
      {kMenuExit, "E&xit"},
  };
  for (const auto& c : kCases) {
    ASSERT_NE(nullptr, menu_Menu[c.index].label()) << c.label;
    EXPECT_STREQ(c.label, menu_Menu[c.index].label()) << c.index;
  }
  EXPECT_EQ(nullptr, menu_Menu[kMenuImportIcs + 1].label()) << "the file sub-menu ends there";
}

}  // namespace

TEST_F(MainWindowTest, ICalendarExportAndImportThroughThePrompts) {
  std::string ics = dir.file("cal.ics");
  win->CB_Menu_prompt(kPromptExportIcs);
  EXPECT_EQ("filename and path of iCalendar-file to export to:",
            std::string(win->promptLabel()->label()));
  win->promptInput()->value(ics.c_str());
  win->CB_Done();
  EXPECT_EQ(kScreenList, win->screen());
  EXPECT_TRUE(dialogs.saw("message: Exported ")) << dialogs.shown.back();
  EXPECT_NE(std::string::npos, readFile(ics).find("SUMMARY:Dentist"));

  // Its own export read back holds nothing new: every item is updated in place, unchanged.
  int before = lines();
  win->CB_Menu_prompt(kPromptImportIcs);
  EXPECT_EQ("filename and path of iCalendar-file to import:",
            std::string(win->promptLabel()->label()));
  win->promptInput()->value(ics.c_str());
  win->CB_Done();
  EXPECT_TRUE(dialogs.saw("(2 updated): every one was held already")) << dialogs.shown.back();
  EXPECT_EQ(before, lines());
  EXPECT_EQ(0, journalFiles()) << "nothing changed, nothing recorded";

  std::string other = dir.file("other.ics");
  std::string text = readFile(ics);
  for (size_t at = text.find("UID:zolt-"); at != std::string::npos;
       at = text.find("UID:zolt-", at + 1)) {
    text.replace(at, 9, "UID:else-");
  }
  writeFile(other, text);
  win->CB_Menu_prompt(kPromptImportIcs);
  win->promptInput()->value(other.c_str());
  win->CB_Done();
  EXPECT_TRUE(dialogs.saw("into the new group \"other\"")) << dialogs.shown.back();
  EXPECT_EQ(before + 1, lines());
  EXPECT_NE(0, lineOf("other"));
  EXPECT_EQ(1, journalFiles()) << "the whole import is one journal record";

  win->CB_Menu_prompt(kPromptImportIcs);
  win->promptInput()->value(dir.file("missing.ics").c_str());
  win->CB_Done();
  EXPECT_TRUE(dialogs.saw("alert: " + dir.file("missing.ics") + ": Could not open"));
  EXPECT_EQ(1, journalFiles());
}

TEST_F(MainWindowTest, ICalendarExportLeavesEncryptedDescriptionsOutWithoutLogin) {
  doc->setItem(nullptr);
  ASSERT_EQ(0, doc->newToDo(0, 0));
  doc->setItemSummary("Secret");
  doc->setDate(0, 2009, 2, 9);
  doc->setItemDescription("PIN 4711");
  doc->getCurItem()->SetSaveCrypt(true);
  std::string ics = dir.file("secret.ics");
  win->CB_Menu_prompt(kPromptExportIcs);
  win->promptInput()->value(ics.c_str());
  win->CB_Done();
  EXPECT_FALSE(dialogs.saw("choice: ")) << "nobody is logged in: nothing to ask";
  EXPECT_TRUE(dialogs.saw("The encrypted description of \"Secret\" was left out."));
  EXPECT_EQ(std::string::npos, readFile(ics).find("4711"));
}
