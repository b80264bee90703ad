// The user configuration: the external editor's command and the candidate default data
// files, read once at start-up from the home directory's ".zoltrc/zolt.config".
#ifndef ZOLT_UTIL_CONFIG_H_
#define ZOLT_UTIL_CONFIG_H_

#include <string>
#include <vector>

struct ZoltConfig {
  std::string editor;
  // Whether an "editor" line set `editor`; without one `editor` holds the built-in command,
  // and $VISUAL and $EDITOR come before it (util/external_editor.h: editorCommand).
  bool editorConfigured = false;
  std::vector<std::string> defaultFiles;  // in the order they are tried
};

extern ZoltConfig zoltconfig;

// The home directory: USERPROFILE, else HOME, else "".
std::string GetHomeDir();
// Fills `zoltconfig` from the configuration file, printing each accepted line; a missing
// file leaves the built-in editor and default files.
void ReadConfigFile();

#endif  // ZOLT_UTIL_CONFIG_H_
