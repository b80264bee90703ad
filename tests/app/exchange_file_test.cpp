#include "app/exchange_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "test_util.h"

// Runs each case with its own XDG_RUNTIME_DIR and TMPDIR, restoring them afterwards.
class ExchangeFileTest : public ::testing::Test {
 protected:
  ExchangeFileTest() {
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
      const char* v = getenv(name);
      saved.push_back(v ? std::string(v) : std::string("\x01"));
    }
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", dir.path().c_str(), 1);
  }
  ~ExchangeFileTest() override {
    const char* names[] = {"XDG_RUNTIME_DIR", "TMPDIR"};
    for (int i = 0; i < 2; ++i) {
      if (saved[i] == "\x01") {
        unsetenv(names[i]);
      } else {
        setenv(names[i], saved[i].c_str(), 1);
      }
    }
  }
  static mode_t Mode(const std::string& name) {
    struct stat st;
    return lstat(name.c_str(), &st) == 0 ? (st.st_mode & 0777) : 07777;
  }

  TempDir dir;
  std::vector<std::string> saved;
  std::string privateDir = dir.file("zolt-" + std::to_string(getuid()));
};

TEST_F(ExchangeFileTest, UniquePrivateFileInOwnDirectory) {
  std::string a = createExchangeFile();
  std::string b = createExchangeFile();
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(0, a.compare(0, privateDir.size() + 5, privateDir + "/zolt"));
  EXPECT_EQ(".tmp", a.substr(a.size() - 4));
  EXPECT_EQ(0700u, Mode(privateDir));
  EXPECT_EQ(0600u, Mode(a));
}

TEST_F(ExchangeFileTest, RuntimeDirectoryIsPreferred) {
  setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  std::string name = createExchangeFile();
  EXPECT_EQ(dir.path() + "/zolt", name.substr(0, dir.path().size() + 5));
}

// A directory planted under the usual name is never used, and never stops the exchange
// file: it goes into a fresh directory, and the note tells the user which and why.
TEST_F(ExchangeFileTest, PlantedDirectoryIsPassedOver) {
  mkdir(dir.file("elsewhere").c_str(), 0777);
  ASSERT_EQ(0, symlink(dir.file("elsewhere").c_str(), privateDir.c_str()));
  std::string note, error;
  std::string name = createExchangeFile(note, error);
  ASSERT_FALSE(name.empty()) << error;
  EXPECT_EQ(privateDir + "-", name.substr(0, privateDir.size() + 1)) << name;
  EXPECT_NE(std::string::npos, note.find(privateDir + " is a symbolic link")) << note;
  EXPECT_EQ(0600u, Mode(name));
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("elsewhere"))) << "nothing went through the link";
  unlink(name.c_str());
}
