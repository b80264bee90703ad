#include "util/default_editor.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

static bool named(const char* variable) {
  const char* value = getenv(variable);
  return value != nullptr && *value != '\0';
}

bool desktopSession() { return named("DISPLAY") || named("WAYLAND_DISPLAY"); }

// An executable regular file `program` in a directory of `path`.
static bool onPath(const std::string& program, const std::string& path) {
  size_t from = 0;
  while (from <= path.size()) {
    size_t colon = path.find(':', from);
    if (colon == std::string::npos) colon = path.size();
    std::string dir = path.substr(from, colon - from);
    // An empty entry is the current directory, which is never searched for an editor.
    if (!dir.empty()) {
      std::string file = dir + "/" + program;
      struct stat st;
      if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0) {
        return true;
      }
    }
    from = colon + 1;
  }
  return false;
}

std::string defaultEditorCommand(const char* path, bool desktop) {
  static const struct {
    const char* program;
    const char* command;
  } kGraphical[] = {
      {"gedit", "gedit --wait"},
      {"kate", "kate --block"},
      {"xed", "xed --wait"},
      {"gvim", "gvim -f"},
      {"code", "code --wait"},
      {"geany", "geany -i"},
      {"mousepad", "mousepad --disable-server"},
  };
  static const char* const kTerminalEditors[] = {"editor", "nano", "vim", "vi"};
  static const char* const kTerminals[] = {"xterm", "x-terminal-emulator"};
  std::string dirs = path ? path : "";
  if (desktop) {
    for (const auto& g : kGraphical) {
      if (onPath(g.program, dirs)) return g.command;
    }
  }
  for (const char* editor : kTerminalEditors) {
    if (!onPath(editor, dirs)) continue;
    if (!desktop) return editor;
    for (const char* terminal : kTerminals) {
      if (onPath(terminal, dirs)) return std::string(terminal) + " -e " + editor;
    }
    return "";  // a terminal editor needs a terminal window, and there is none
  }
  return "";
}
