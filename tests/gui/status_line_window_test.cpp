// The status line under the list: what the last command did, in a real main window.
#include <FL/Fl_Box.H>
#include <FL/Fl_Input.H>

#include "gui/main_window_fixture.h"
#include "gui/status_line.h"

namespace {

std::string Status(const ZoltGUI* win) { return win->statusText(); }

}  // namespace

TEST_F(MainWindowTest, StatusLineSaysWhatUndoAndRedoDid) {
  EXPECT_EQ("", Status(win)) << "an ordinary start has nothing to say";
  EXPECT_TRUE(win->statusLine()->visible());
  Key('z', FL_CTRL);
  EXPECT_EQ("Nothing more to undo", Status(win));

  int bank = lineOf("Call the bank");
  ASSERT_GT(bank, 0);
  Select(bank);
  Key(FL_Enter);
  EXPECT_EQ("Completed 'Call the bank'", Status(win));
  Key('z', FL_CTRL);
  EXPECT_EQ("Undone: completion of 'Call the bank'", Status(win));
  Key('y', FL_CTRL);
  EXPECT_EQ("Redone: completion of 'Call the bank'", Status(win));
  Key('y', FL_CTRL);
  EXPECT_EQ("Nothing more to redo", Status(win));
  Key('z', FL_CTRL);
  Key('z', FL_CTRL);
  EXPECT_EQ("Nothing more to undo", Status(win));

  // Reopening is its own step, named as such.
  Select(lineOf("Call the bank"));
  Key(FL_Enter);
  Select(lineOf("Call the bank"));
  Key(FL_Enter);
  EXPECT_EQ("Reopened 'Call the bank'", Status(win));
  Key('z', FL_CTRL);
  EXPECT_EQ("Undone: reopening of 'Call the bank'", Status(win));
}

TEST_F(MainWindowTest, StatusLineCountsTheDeletedCompletedAndNamesTheUndo) {
  dialogs.answers.push_back(1);  // "Delete"
  win->CB_Menu_delCompl();
  EXPECT_EQ(0, lineOf("Old task"));
  EXPECT_EQ("Deleted 1 completed", Status(win));
  Key('z', FL_CTRL);
  EXPECT_EQ("Undone: deletion of 'Old task'", Status(win));
  EXPECT_NE(0, lineOf("Old task"));
  Key('y', FL_CTRL);
  dialogs.answers.push_back(1);
  win->CB_Menu_delCompl();
  EXPECT_EQ("Deleted 0 completed", Status(win)) << "none was left to delete";
}

TEST_F(MainWindowTest, StatusLineGivesImportAndExportCountsInShort) {
  std::string ics = dir.file("two.ics");
  writeFile(ics,
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
            "BEGIN:VEVENT\r\nUID:one@test\r\nDTSTAMP:20261201T000000Z\r\n"
            "DTSTART:20261214T100000\r\nDTEND:20261214T110000\r\nSUMMARY:One\r\nEND:VEVENT\r\n"
            "BEGIN:VEVENT\r\nUID:two@test\r\nDTSTAMP:20261201T000000Z\r\n"
            "DTSTART:20261215T100000\r\nDTEND:20261215T110000\r\nSUMMARY:Two\r\nEND:VEVENT\r\n"
            "END:VCALENDAR\r\n");
  dialogs.onModal = [](Fl_Window* w) { endDialog(w, "OK"); };
  static const struct {
    const char* file;
    const char* status;
  } cases[] = {
      {"two.ics", "Imported 2"},
      {"two.ics", "Imported 2 (2 updated)"},  // the same items again: updated in place
      {"missing.ics", "Nothing imported from "},
  };
  for (const auto& c : cases) {
    win->CB_Menu_prompt(kPromptImportIcs);
    std::string file = dir.file(c.file);
    win->promptInput()->value(file.c_str());
    win->CB_Done();
    std::string want = c.status;
    if (want.back() == ' ') want += file;
    EXPECT_EQ(want, Status(win)) << c.file;
  }

  // The export's count is the number of items the file holds.
  std::string out = dir.file("out.ics");
  win->CB_Menu_prompt(kPromptExportIcs);
  win->promptInput()->value(out.c_str());
  win->CB_Done();
  std::string written = readFile(out);
  int items = 0;
  for (const char* begin : {"BEGIN:VEVENT", "BEGIN:VTODO"}) {
    for (size_t at = written.find(begin); at != std::string::npos;
         at = written.find(begin, at + 1)) {
      ++items;
    }
  }
  ASSERT_GE(items, 2) << written;
  EXPECT_EQ("Exported " + std::to_string(items) + " to " + out, Status(win));
}

TEST(StatusLineText, LongNamesAreCutOnACharacterBoundary) {
  std::string umlauts;
  for (int i = 0; i < 30; ++i) umlauts += "\xC3\xA4";  // 60 bytes of two-byte characters
  static const struct {
    std::string name, quoted;
  } cases[] = {
      {"Pay rent", "'Pay rent'"},
      {std::string(40, 'x'), "'" + std::string(40, 'x') + "'"},
      {std::string(41, 'x'), "'" + std::string(37, 'x') + "...'"},
      {umlauts, "'" + umlauts.substr(0, 36) + "...'"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.quoted, quotedName(c.name)) << c.name;
  EXPECT_EQ("Undone: a change", undoStatus(nullptr, false, true));
}
