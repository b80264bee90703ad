// What the journal tells at the start reaches the user through the dialog seam, which is a
// message box in the window, not only the terminal the program may have been started from.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/startup.h"
#include "gui/messages.h"
#include "test_util.h"

namespace {

std::vector<std::string> shown;

void record(const std::string& text) { shown.push_back(text); }
int firstButton(const std::string&, const char*, const char*, const char*) { return 0; }
void noModal(Fl_Window*) {}

// HOME and TMPDIR set to `dir` while it lives, so that the program touches nothing else.
class ScopedHome {
 public:
  explicit ScopedHome(const std::string& dir) {
    for (const char* name : {"HOME", "TMPDIR"}) {
      const char* value = getenv(name);
      saved.emplace_back(name, value ? value : "");
      setenv(name, dir.c_str(), 1);
    }
  }
  ~ScopedHome() {
    for (const auto& s : saved) setenv(s.first, s.second.c_str(), 1);
  }

 private:
  std::vector<std::pair<const char*, std::string>> saved;
};

TEST(JournalNoticeTest, TheSetAsideNoticeGoesThroughTheDialogSeam) {
  TempDir dir;
  std::string data = dir.file("data.dat");
  writeFile(data, readFile(testData("example.dat")));
  writeFile(data + "1",
            "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<new parent=2>\nt\nsstray\n"
            "I9\n>\n>\n</new>\n</data>\n");
  shown.clear();
  int status;
  {
    ScopedHome home(dir.path());
    DialogSeam previous = setDialogSeam({record, record, firstButton, noModal});
    const char* argv[] = {"zolt", "-q", "-f", data.c_str()};
    status = zoltMain(4, argv, nullptr, nullptr);
    setDialogSeam(previous);
  }
  EXPECT_EQ(0, status);
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(std::string::npos, shown[0].find("1 journal files beyond the unbroken run were set "
                                             "aside in"))
      << shown[0];
  EXPECT_TRUE(fileExists(data + ".unapplied"));
}

}  // namespace
