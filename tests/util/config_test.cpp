#include "util/config.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "app/startup.h"
#include "test_util.h"

// Points the home directory at a temporary one for the test and restores it afterwards.
class ConfigTest : public ::testing::Test {
 protected:
  ConfigTest() {
    const char* h = getenv("HOME");
    const char* u = getenv("USERPROFILE");
    savedHome = h ? h : "";
    hadProfile = u != nullptr;
    savedProfile = u ? u : "";
    setenv("HOME", dir.path().c_str(), 1);
    unsetenv("USERPROFILE");
  }
  ~ConfigTest() override {
    setenv("HOME", savedHome.c_str(), 1);
    if (hadProfile) setenv("USERPROFILE", savedProfile.c_str(), 1);
  }
  void WriteConfig(const std::string& content) {
    mkdir(dir.file(".zoltrc").c_str(), 0700);
    writeFile(dir.file(".zoltrc/zolt.config"), content);
  }

  TempDir dir;
  std::string savedHome, savedProfile;
  bool hadProfile = false;
};

TEST_F(ConfigTest, BuiltInValuesWithoutFile) {
  ReadConfigFile();
  EXPECT_EQ("/etc/alternatives/emacs", zoltconfig.editor);
  EXPECT_FALSE(zoltconfig.editorConfigured);
  EXPECT_EQ((std::vector<std::string>{"~/.zolt/zolt_default.dat", "~/zolt/zolt_default.dat",
                                      "zolt_default.dat"}),
            zoltconfig.defaultFiles);
}

TEST_F(ConfigTest, FileLines) {
  std::string longLine = "default=" + std::string(1000, 'x');
  WriteConfig("editor = vim\neditor_x=nano \ndefault=~/notes.dat\neditor without equals\n# x=1\n" +
              longLine + "\n");
  testing::internal::CaptureStderr();
  ReadConfigFile();
  std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ("nano", zoltconfig.editor);
  EXPECT_TRUE(zoltconfig.editorConfigured);
  EXPECT_EQ((std::vector<std::string>{"~/notes.dat", std::string(1000, 'x')}),
            zoltconfig.defaultFiles);
  EXPECT_NE(std::string::npos, printed.find("user config: editor = vim\n"));
  EXPECT_NE(std::string::npos, printed.find("user config: editor = nano\n"));
  EXPECT_NE(std::string::npos, printed.find("user config: default = ~/notes.dat\n"));
}

TEST_F(ConfigTest, UserProfileWinsOverHome) {
  setenv("USERPROFILE", "/profile", 1);
  EXPECT_EQ("/profile", GetHomeDir());
  unsetenv("USERPROFILE");
  EXPECT_EQ(dir.path(), GetHomeDir());
}

TEST_F(ConfigTest, DefaultFileTakesTheFirstExistingCandidate) {
  WriteConfig("default=~/missing.dat\ndefault=~/there.dat\ndefault=~/later.dat\n");
  writeFile(dir.file("there.dat"), "");
  ReadConfigFile();
  std::string name;
  testing::internal::CaptureStdout();
  EXPECT_EQ(0, defaultFile(name));
  EXPECT_EQ("", testing::internal::GetCapturedStdout()) << "the search is silent";
  EXPECT_EQ(dir.file("there.dat"), name);
}

TEST_F(ConfigTest, WithoutAnExistingDefaultTheFirstIsWhereANewFileStarts) {
  WriteConfig("default=~/a.dat\ndefault=b.dat\n");
  ReadConfigFile();
  std::string name;
  EXPECT_EQ(-1, defaultFile(name));
  EXPECT_EQ(dir.file("a.dat"), name);

  unsetenv("HOME");
  EXPECT_EQ(-1, defaultFile(name));
  EXPECT_EQ("b.dat", name) << "a \"~\" name names nothing without a home directory";
  WriteConfig("default=~/a.dat\n");
  setenv("HOME", dir.path().c_str(), 1);
  ReadConfigFile();
  unsetenv("HOME");
  EXPECT_EQ(-1, defaultFile(name));
  EXPECT_EQ("", name);
}
