#include "util/external_editor.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "util/file_tools.h"
#include "util/private_directory.h"

const char kDefaultEditor[] = "/etc/alternatives/emacs";

static const char kLeftAsItWas[] = "The description was left as it was.";

static bool isBlank(const char* s) { return s == nullptr || s[strspn(s, " \t\r\n")] == '\0'; }

std::string editorCommand(const std::string& configured) {
  if (!isBlank(configured.c_str())) return configured;
  for (const char* variable : {"VISUAL", "EDITOR"}) {
    const char* value = getenv(variable);
    if (!isBlank(value)) return value;
  }
  return kDefaultEditor;
}

std::string shellQuote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

int readFileExactly(const std::string& name, std::string& out) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return -1;
  std::string content;
  char buf[65536];
  for (;;) {
    in.read(buf, sizeof buf);
    content.append(buf, static_cast<size_t>(in.gcount()));
    if (!in) break;
  }
  // Only a read that ran into the end of the file is complete; a read error sets badbit.
  if (in.bad() || !in.eof()) return -1;
  out.swap(content);
  return 0;
}

static int writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return -1;
    done += static_cast<size_t>(n);
  }
  return 0;
}

// `why` ends without a full stop.
static std::string cannotCreate(const std::string& why) {
  return "Unable to create temporary file\n" + why +
         ".\nMake $XDG_RUNTIME_DIR or $TMPDIR name a directory of yours that you can write to "
         "and that has free space. " +
         kLeftAsItWas;
}

// Makes the unique file holding `text`; its name goes to `name`. The name differs from the
// exchange file's, so an edit can never delete what copy and paste rely on.
static int createEditFile(const std::string& text, std::string& name, std::string& error) {
  std::string dir = privateDirectory();
  if (dir.empty()) {
    error = cannotCreate(
        "There is no private directory for it: $XDG_RUNTIME_DIR is unusable and zolt-<uid> under "
        "$TMPDIR (or /tmp) cannot be made or is not yours alone");
    return -1;
  }
  name = dir + "/zolt_edit_XXXXXX.txt";
  int fd = mkstemps(name.data(), 4);  // mode 0600, O_EXCL: never an existing file
  if (fd < 0) {
    error = cannotCreate(dir + ": " + strerror(errno));
    return -1;
  }
  int written = writeAll(fd, text);
  int err = errno;
  if (close(fd) != 0 && written == 0) {
    written = -1;
    err = errno;
  }
  if (written != 0) {
    (void)FileTools::rm(name);
    error = cannotCreate(name + ": " + strerror(err));
    return -1;
  }
  return 0;
}

// Runs the editor on `name` and says in `error` why its result cannot be taken.
static int runEditor(const std::string& command, const std::string& name, std::string& error) {
  std::string line = command + " " + shellQuote(name);
  int status = system(line.c_str());
  std::string quoted = "\"" + command + "\"";
  std::string fix =
      "\nSet \"editor=\" in ~/.zoltrc/zolt.config, or $VISUAL or $EDITOR, to an editor that is "
      "installed. ";
  if (status == -1) {
    error = "The editor command " + quoted + " could not be run: " + strerror(errno) + ". " +
            kLeftAsItWas;
  } else if (WIFSIGNALED(status)) {
    error = "The editor " + quoted + " was stopped by signal " + std::to_string(WTERMSIG(status)) +
            "; its changes were discarded. " + kLeftAsItWas;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
    error = "The editor command " + quoted + " could not be run: command not found." + fix +
            kLeftAsItWas;
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 126) {
    error = "The editor command " + quoted + " could not be run: it is not executable." + fix +
            kLeftAsItWas;
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "The editor " + quoted + " exited with status " + std::to_string(WEXITSTATUS(status)) +
            ", which means its changes are not to be kept.\n" + kLeftAsItWas +
            " Leave the editor normally to keep the changes.";
  } else {
    return 0;
  }
  return -1;
}

int editExternally(const std::string& command, std::string& text, std::string& error) {
  if (isBlank(command.c_str())) {
    error = std::string("No editor command is set.") +
            "\nSet \"editor=\" in ~/.zoltrc/zolt.config, or $VISUAL or $EDITOR. " + kLeftAsItWas;
    return -1;
  }
  std::string name;
  if (createEditFile(text, name, error) != 0) return -1;
  int result = runEditor(command, name, error);
  std::string edited;
  if (result == 0 && readFileExactly(name, edited) != 0) {
    struct stat st;
    if (lstat(name.c_str(), &st) != 0 && errno == ENOENT) {
      error = "The editor removed the temporary file, so there was nothing to read back.\n" +
              std::string(kLeftAsItWas) + " Save the file in the editor instead of deleting it.";
    } else {
      error = "The edited text could not be read back from " + name + ". " + kLeftAsItWas;
    }
    result = -1;
  }
  (void)FileTools::rm(name);
  if (result == 0) text.swap(edited);
  return result;
}
