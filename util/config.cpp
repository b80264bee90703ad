#include "util/config.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "store/text_util.h"

ZoltConfig zoltconfig;

std::string GetHomeDir() {
  const char* home = getenv("USERPROFILE");
  if (home == nullptr) home = getenv("HOME");
  return home ? home : "";
}

// What the file set is a note for the user, on standard error: the headless modes' standard
// output carries their result alone (an agenda piped into mail, a calendar to a file).
static void readConfigLine(const std::string& line) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) return;
  std::string value = trim(line.substr(eq + 1));
  if (startsWith(line, "editor")) {
    zoltconfig.editor = value;
    zoltconfig.editorConfigured = true;
    fprintf(stderr, "user config: editor = %s\n", value.c_str());
  } else if (startsWith(line, "default")) {
    zoltconfig.defaultFiles.push_back(value);
    fprintf(stderr, "user config: default = %s\n", value.c_str());
  }
}

void ReadConfigFile() {
  zoltconfig.editor = "/etc/alternatives/emacs";
  zoltconfig.editorConfigured = false;
  zoltconfig.defaultFiles.clear();
  std::string home = GetHomeDir();
  if (!home.empty()) {
    std::ifstream in(home + "/.zoltrc/zolt.config", std::ios::binary);
    std::string line;
    while (readRawLine(in, line)) readConfigLine(trimBlanks(line));
  }
  if (zoltconfig.defaultFiles.empty()) {
    zoltconfig.defaultFiles = {"~/.zolt/zolt_default.dat", "~/zolt/zolt_default.dat",
                               "zolt_default.dat"};
  }
}
