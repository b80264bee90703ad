// The iCalendar entries of the main menu's file sub-menu and their prompts.
#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>

#include <algorithm>
#include <cstdlib>

#include "gui/main_window_fixture.h"

// After the test headers: it brings X11's macros, which clash with names in them.
#include <FL/Fl_Text_Display.H>

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

// What a report box showed: its summary, the notes of its scrolling text, its height.
struct ShownReport {
  std::string summary, notes;
  int height = 0;
};

// Records every report box shown through `dialogs` into `seen` and closes it.
void recordReports(ScriptedDialogs& dialogs, std::vector<ShownReport>& seen) {
  dialogs.onModal = [&seen](Fl_Window* w) {
    ShownReport r;
    r.height = w->h();
    for (int i = 0; i < w->children(); ++i) {
      if (auto* t = dynamic_cast<Fl_Text_Display*>(w->child(i))) {
        char* text = t->buffer()->text();
        r.notes = text;
        free(text);
      } else if (auto* b = dynamic_cast<Fl_Box*>(w->child(i))) {
        r.summary = b->label() != nullptr ? b->label() : "";
      }
    }
    seen.push_back(r);
    endDialog(w, "OK");
  };
}

}  // namespace

TEST_F(MainWindowTest, ICalendarExportAndImportThroughThePrompts) {
  std::string ics = dir.file("cal.ics");
  std::vector<ShownReport> reports;
  recordReports(dialogs, reports);
  // An import's outcome heads a report box when it has notes, else a plain message.
  auto told = [&](const std::string& text) {
    for (const ShownReport& r : reports) {
      if (r.summary.find(text) != std::string::npos) return true;
    }
    return dialogs.saw(text);
  };
  win->CB_Menu_prompt(kPromptExportIcs);
  EXPECT_EQ("filename and path of iCalendar-file to export to:",
            std::string(win->promptLabel()->label()));
  win->promptInput()->value(ics.c_str());
  win->CB_Done();
  EXPECT_EQ(kScreenList, win->screen());
  // The demo's undated items are noted, so the summary heads a report box.
  ASSERT_EQ(1u, reports.size());
  EXPECT_EQ(0u, reports[0].summary.rfind("Exported ", 0)) << reports[0].summary;
  EXPECT_NE(std::string::npos, reports[0].notes.find("without a date were not exported"))
      << reports[0].notes;
  EXPECT_NE(std::string::npos, readFile(ics).find("SUMMARY:Dentist"));

  // Its own export read back holds nothing new: every item is updated in place, unchanged.
  int before = lines();
  win->CB_Menu_prompt(kPromptImportIcs);
  EXPECT_EQ("filename and path of iCalendar-file to import:",
            std::string(win->promptLabel()->label()));
  win->promptInput()->value(ics.c_str());
  win->CB_Done();
  EXPECT_TRUE(told("(2 updated): every one was held already"))
      << dialogs.shown.back() << " / " << reports.size();
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
  EXPECT_TRUE(told("into the new group \"other\""));
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
  std::vector<ShownReport> reports;
  recordReports(dialogs, reports);
  win->CB_Done();
  EXPECT_FALSE(dialogs.saw("choice: ")) << "nobody is logged in: nothing to ask";
  ASSERT_EQ(1u, reports.size());
  EXPECT_NE(std::string::npos,
            reports[0].notes.find("The encrypted description of \"Secret\" was left out."))
      << reports[0].notes;
  EXPECT_EQ(std::string::npos, readFile(ics).find("4711"));
}

// A thousand notes: a box of a few lines over a scrolling text, and every note also in a
// file beside the data file.
TEST_F(MainWindowTest, ALongImportReportFitsOnTheScreen) {
  std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n";
  for (int i = 0; i < 1000; ++i) {
    ics += "BEGIN:VEVENT\r\nUID:a" + std::to_string(i) + "\r\nSUMMARY:Day " + std::to_string(i) +
           "\r\nDTSTART:20090212T100000\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
           "TRIGGER:-PT5M\r\nEND:VALARM\r\nEND:VEVENT\r\n";
  }
  ics += "END:VCALENDAR\r\n";
  std::string file = dir.file("alarms.ics");
  writeFile(file, ics);
  std::vector<ShownReport> reports;
  recordReports(dialogs, reports);
  win->CB_Menu_prompt(kPromptImportIcs);
  win->promptInput()->value(file.c_str());
  win->CB_Done();
  ASSERT_EQ(1u, reports.size());
  EXPECT_LT(reports[0].height, 768);
  EXPECT_NE(std::string::npos, reports[0].summary.find("1000 \xC3\x97 Zolt has no alarms"))
      << reports[0].summary;
  EXPECT_EQ(1000, std::count(reports[0].notes.begin(), reports[0].notes.end(), '\n'));
  EXPECT_EQ(reports[0].notes, readFile(data + ".ics-import-notes.txt"));
}
