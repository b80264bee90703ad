// The item editor in the real program, driven with real keys through xdotool.
#include <sys/stat.h>

#include <sstream>

#include "gui/program_fixture.h"

namespace {

class EditorProgramTest : public ProgramTest {
 protected:
  // The shown windows of the program named like `name`, other than the main window.
  std::vector<std::string> Windows(const std::string& name) {
    std::vector<std::string> ids;
    std::istringstream found(Shell("xdotool search --onlyvisible --pid " + std::to_string(pid) +
                                   " --name '" + name + "' 2>/dev/null"));
    for (std::string id; std::getline(found, id);) {
      if (!id.empty() && id != window) ids.push_back(id);
    }
    return ids;
  }
  // Polls until the program shows a window named like `name` ("" after 20 seconds), or
  // with `gone`, until it shows none ("gone" then).
  std::string AwaitWindowNamed(const std::string& name, bool gone = false) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      std::vector<std::string> ids = Windows(name);
      if (gone && ids.empty()) return "gone";
      if (!gone && !ids.empty()) return ids[0];
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return std::string();
  }
  // Polls until `file` holds `text`, for at most 20 seconds.
  bool AwaitText(const std::string& file, const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (readFile(file).find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a poll, not a wait
    }
    return true;
  }
};

// While the user's editor runs, the window answers: Ctrl+Q asks before leaving, and "Keep
// editing" keeps the program; the text comes back when the editor ends.
TEST_F(EditorProgramTest, TheWindowAnswersWhileTheExternalEditorRuns) {
  std::string go = dir.file("go"), up = dir.file("up");
  std::string script = dir.file("edit.sh");
  writeFile(script, "#!/bin/sh\ntouch '" + up + "'\nwhile [ ! -e '" + go +
                        "' ]; do sleep 0.01; done\necho 'from the editor' >> \"$1\"\n");
  chmod(script.c_str(), 0700);
  mkdir(dir.file(".zoltrc").c_str(), 0700);
  writeFile(dir.file(".zoltrc/zolt.config"), "editor=" + script + "\n");
  Start();
  Focus();
  Xdotool("key Down Right");  // "Call the bank"
  Xdotool("key alt+e");
  ASSERT_TRUE(AwaitFile(up)) << readFile(dir.file("zolt.out"));
  Focus();
  Xdotool("key ctrl+q");
  std::string question = AwaitWindowNamed("^Zolt: question");
  ASSERT_FALSE(question.empty()) << "the window answers while the editor runs";
  Xdotool("windowfocus --sync " + question);
  Xdotool("key Return");  // the default: keep editing
  ASSERT_EQ("gone", AwaitWindowNamed("^Zolt: question", true));
  EXPECT_EQ(0, kill(pid, 0)) << "the program goes on";
  writeFile(go, "");
  ASSERT_TRUE(AwaitExternalEditDone());
  Focus();
  Xdotool("key alt+c");
  EXPECT_TRUE(AwaitText(data + "0", "from the editor")) << readFile(dir.file("zolt.out"));
}

}  // namespace
