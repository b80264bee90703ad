#include "util/default_editor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "test_util.h"

// Puts a fake program into the folder `where` of `dir`, as a desktop's $PATH might hold it.
static void install(const TempDir& dir, const std::string& program, const std::string& where) {
  std::string folder = dir.file(where);
  mkdir(folder.c_str(), 0755);
  writeFile(folder + "/" + program, "#!/bin/sh\n");
  chmod((folder + "/" + program).c_str(), 0755);
}

// A $PATH of the two folders "bin" and "usr".
static std::string pathOf(const TempDir& dir) { return dir.file("bin") + ":" + dir.file("usr"); }

TEST(DefaultEditorTest, AWaitingGraphicalEditorComesFirstInADesktop) {
  static const struct {
    std::vector<const char*> programs;  // alternately into "bin" and "usr"
    bool desktop;
    const char* expected;
  } kCases[] = {
      {{"nano", "xterm", "gedit"}, true, "gedit --wait"},
      {{"vi", "kate", "gvim"}, true, "kate --block"},
      {{"code", "mousepad"}, true, "code --wait"},
      {{"nano", "vi", "x-terminal-emulator"}, true, "x-terminal-emulator -e nano"},
      {{"editor", "nano", "x-terminal-emulator", "xterm"}, true, "xterm -e editor"},
      {{"vim"}, true, ""},                // a terminal editor without a terminal window
      {{"xdg-open", "xterm"}, true, ""},  // a launcher returns at once: never chosen
      {{"gedit", "nano"}, false, "nano"},
      {{}, true, ""},
  };
  for (const auto& c : kCases) {
    TempDir dir;
    std::string list;
    for (size_t i = 0; i < c.programs.size(); ++i) {
      install(dir, c.programs[i], i % 2 ? "usr" : "bin");
      list += std::string(c.programs[i]) + " ";
    }
    EXPECT_EQ(c.expected, defaultEditorCommand(pathOf(dir).c_str(), c.desktop)) << list;
  }
}

TEST(DefaultEditorTest, OnlyExecutableFilesInThePathCount) {
  TempDir dir;
  install(dir, "gedit", "bin");
  chmod(dir.file("bin/gedit").c_str(), 0644);
  mkdir(dir.file("usr").c_str(), 0755);
  mkdir(dir.file("usr/kate").c_str(), 0755);
  EXPECT_EQ("", defaultEditorCommand(pathOf(dir).c_str(), true));
  EXPECT_EQ("", defaultEditorCommand(nullptr, true));
  EXPECT_EQ("", defaultEditorCommand("", true));
  install(dir, "xed", "usr");
  EXPECT_EQ("xed --wait", defaultEditorCommand((":" + pathOf(dir)).c_str(), true));
}
