// The window's export prompts refuse a target that is not a regular file, with a message
// that says what stands there, and leave it as it was.
#include <FL/Fl_Input.H>
#include <sys/stat.h>
#include <unistd.h>

#include "gui/main_window_fixture.h"

TEST_F(MainWindowTest, ExportPromptsRefuseAPipeAndSaySo) {
  std::string fifo = dir.file("pipe");
  std::string link = dir.file("link-to-pipe");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  ASSERT_EQ(0, symlink(fifo.c_str(), link.c_str()));
  for (int kind : {kPromptExportGroup, kPromptExportContent, kPromptExportIcs}) {
    for (const std::string& target : {fifo, link}) {
      dialogs.shown.clear();
      win->CB_Menu_prompt(kind);
      win->promptInput()->value(target.c_str());
      win->CB_Done();
      ASSERT_FALSE(dialogs.shown.empty()) << kind << " onto " << target;
      EXPECT_EQ("alert: " + target + " is a named pipe (FIFO), not a regular file.",
                dialogs.shown.back().substr(0, target.size() + 51))
          << dialogs.shown.back();
      EXPECT_FALSE(dialogs.saw("choice: ")) << "no question about replacing it";
      struct stat st;
      ASSERT_EQ(0, lstat(fifo.c_str(), &st));
      EXPECT_TRUE(S_ISFIFO(st.st_mode)) << kind << " onto " << target;
      win->showMain(kScreenList);
    }
  }
}
