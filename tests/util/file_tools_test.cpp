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
