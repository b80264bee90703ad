#include "util/file_tools.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_util.h"

TEST(FileToolsTest, RmDeletesAFileOnly) {
  TempDir dir;
  writeFile(dir.file("a.txt"), "x");
  EXPECT_EQ(0, FileTools::rm(dir.file("a.txt")));
  EXPECT_FALSE(fileExists(dir.file("a.txt")));
  EXPECT_EQ(-1, FileTools::rm(dir.file("a.txt"))) << "already gone";

  ASSERT_EQ(0, mkdir(dir.file("sub").c_str(), 0700));
  EXPECT_EQ(-1, FileTools::rm(dir.file("sub"))) << "a directory is not a file";
  EXPECT_TRUE(fileExists(dir.file("sub")));

  writeFile(dir.file("target"), "kept");
  ASSERT_EQ(0, symlink(dir.file("target").c_str(), dir.file("link").c_str()));
  EXPECT_EQ(0, FileTools::rm(dir.file("link")));
  EXPECT_EQ("kept", readFile(dir.file("target"))) << "the link goes, not what it points to";
}

TEST(FileToolsTest, MayReplaceOnlyRegularFilesOrNothing) {
  TempDir dir;
  writeFile(dir.file("plain"), "x");
  ASSERT_EQ(0, mkfifo(dir.file("pipe").c_str(), 0600));
  ASSERT_EQ(0, mkdir(dir.file("sub").c_str(), 0700));
  ASSERT_EQ(0, symlink(dir.file("plain").c_str(), dir.file("to-plain").c_str()));
  ASSERT_EQ(0, symlink(dir.file("pipe").c_str(), dir.file("to-pipe").c_str()));
  static const struct {
    const char* name;
    int expected;
    const char* what;
  } kCases[] = {
      {"missing", 0, ""},
      {"plain", 0, ""},
      {"to-plain", 0, ""},
      {"pipe", -1, " is a named pipe (FIFO), not a regular file."},
      {"to-pipe", -1, " is a named pipe (FIFO), not a regular file."},
      {"sub", -1, " is a directory, not a regular file."},
  };
  for (const auto& c : kCases) {
    std::string message;
    EXPECT_EQ(c.expected, FileTools::mayReplace(dir.file(c.name), message)) << c.name;
    if (c.expected == 0) {
      EXPECT_EQ("", message) << c.name;
    } else {
      EXPECT_EQ(0u, message.find(dir.file(c.name) + c.what)) << message;
      EXPECT_NE(std::string::npos, message.find("left it as it was")) << message;
    }
  }
}
