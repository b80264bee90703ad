#include "util/external_editor.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

#include "util/default_editor.h"
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
  return defaultEditorCommand(getenv("PATH"), desktopSession());
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

static const char kEditDirPrefix[] = "zolt-edit-";
static const char kEditFileName[] = "description.txt";

// The start time of process `pid` in clock ticks since boot (field 22 of its stat file), ""
// when it cannot be read. With the pid it names one process: a reused pid has another.
static std::string processStart(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return std::string();
  size_t at = stat.rfind(')');  // the command name may hold blanks and parentheses
  if (at == std::string::npos) return std::string();
  std::istringstream fields(stat.substr(at + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) return field;
  }
  return std::string();
}

// "zolt-edit-<pid>-<start>-": the per-edit directories of this process begin so.
static std::string editDirTag(pid_t pid) {
  return kEditDirPrefix + std::to_string(pid) + "-" + processStart(pid) + "-";
}

// Makes a directory of this edit's own (mode 0700) and in it the file holding `text`; the
// directory's name goes to `editDir`, the file's to `name`. Editors may put backups and
// swap files beside the file: all of that goes with the directory.
static int createEditFile(const std::string& text, std::string& editDir, std::string& name,
                          std::string& error) {
  std::string dir = privateDirectory();
  if (dir.empty()) {
    error = cannotCreate(
        "There is no private directory for it: $XDG_RUNTIME_DIR is unusable and zolt-<uid> under "
        "$TMPDIR (or /tmp) cannot be made or is not yours alone");
    return -1;
  }
  editDir = dir + "/" + editDirTag(getpid()) + "XXXXXX";
  if (mkdtemp(editDir.data()) == nullptr) {  // mode 0700, never an existing name
    error = cannotCreate(dir + ": " + strerror(errno));
    editDir.clear();
    return -1;
  }
  name = editDir + "/" + kEditFileName;
  int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  int written = fd < 0 ? -1 : writeAll(fd, text);
  int err = errno;
  if (fd >= 0 && close(fd) != 0 && written == 0) {
    written = -1;
    err = errno;
  }
  if (written != 0) {
    error = cannotCreate(name + ": " + strerror(err));
    (void)removeEditDirectory(editDir);
    return -1;
  }
  return 0;
}

// Starts "`command` 'name'" through /bin/sh as system() would, without waiting: the pid,
// or -1 with errno set.
static pid_t spawnEditor(const std::string& command, const std::string& name) {
  std::string line = command + " " + shellQuote(name);
  pid_t pid = fork();
  if (pid == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Says in `error` why the editor's result cannot be taken, from its wait status (-1: it
// could not be started, errno says why).
static int editorResult(const std::string& command, int status, std::string& error) {
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
  ExternalEdit edit;
  if (edit.start(command, text, error) != 0) return -1;
  edit.wait();
  return edit.finish(text, error);
}

ExternalEdit::~ExternalEdit() { abandon(); }

int ExternalEdit::start(const std::string& command, const std::string& text, std::string& error) {
  if (isBlank(command.c_str())) {
    error = std::string("No editor was found to edit the description in.") +
            "\nSet \"editor=\" in ~/.zoltrc/zolt.config (for example editor=gedit --wait), or "
            "$VISUAL, to an editor that stays open until you close it. " +
            kLeftAsItWas;
    return -1;
  }
  if (createEditFile(text, editDir_, name_, error) != 0) return -1;
  command_ = command;
  pid_ = spawnEditor(command, name_);
  if (pid_ < 0) {
    (void)editorResult(command, -1, error);
    (void)removeEditDirectory(editDir_);
    editDir_.clear();
    return -1;
  }
  return 0;
}

bool ExternalEdit::finished() {
  if (pid_ <= 0) return true;
  pid_t done;
  do {
    done = waitpid(pid_, &status_, WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done == 0) return false;
  if (done < 0) status_ = 127 << 8;  // nobody to wait for: not a success
  pid_ = -1;
  return true;
}

void ExternalEdit::wait() {
  while (pid_ > 0) {
    pid_t done = waitpid(pid_, &status_, 0);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) status_ = 127 << 8;
    pid_ = -1;
  }
}

int ExternalEdit::finish(std::string& text, std::string& error) {
  int result = editorResult(command_, status_, error);
  std::string edited;
  if (result == 0 && readFileExactly(name_, edited) != 0) {
    struct stat st;
    if (lstat(name_.c_str(), &st) != 0 && errno == ENOENT) {
      error = "The editor removed the temporary file, so there was nothing to read back.\n" +
              std::string(kLeftAsItWas) + " Save the file in the editor instead of deleting it.";
    } else {
      error = "The edited text could not be read back from " + name_ + ". " + kLeftAsItWas;
    }
    result = -1;
  }
  (void)removeEditDirectory(editDir_);
  editDir_.clear();
  if (result == 0) text.swap(edited);
  return result;
}

// The parent pid of process `pid` (field 4 of its stat file), or -1.
static pid_t parentOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return -1;
  size_t at = stat.rfind(')');
  if (at == std::string::npos) return -1;
  std::istringstream fields(stat.substr(at + 1));
  std::string state;
  long ppid = -1;
  fields >> state >> ppid;
  return fields ? static_cast<pid_t>(ppid) : -1;
}

// Sends SIGTERM to the children of `parent`: the shell passes no signal on to the editor
// it waits for, and the editor is what holds the text.
static void terminateChildren(pid_t parent) {
  DIR* d = opendir("/proc");
  if (d == nullptr) return;
  while (dirent* e = readdir(d)) {
    char* end = nullptr;
    long pid = strtol(e->d_name, &end, 10);
    if (pid > 0 && *end == '\0' && parentOf(static_cast<pid_t>(pid)) == parent) {
      kill(static_cast<pid_t>(pid), SIGTERM);
    }
  }
  closedir(d);
}

void ExternalEdit::abandon() {
  if (pid_ > 0) {
    terminateChildren(pid_);
    kill(pid_, SIGTERM);
    wait();
  }
  if (!editDir_.empty()) (void)removeEditDirectory(editDir_);
  editDir_.clear();
}

// Removes what `dirFd` holds, `depth` levels deep at most; symbolic links are removed,
// never followed. 0 when all of it went.
static int removeContent(int dirFd, int depth) {
  DIR* d = fdopendir(dirFd);
  if (d == nullptr) {
    close(dirFd);
    return -1;
  }
  int result = 0;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    struct stat st;
    if (fstatat(dirfd(d), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      int sub = openat(dirfd(d), n.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (depth <= 0 || sub < 0 || removeContent(sub, depth - 1) != 0) result = -1;
      if (sub >= 0 && unlinkat(dirfd(d), n.c_str(), AT_REMOVEDIR) != 0) result = -1;
    } else if (unlinkat(dirfd(d), n.c_str(), 0) != 0) {
      result = -1;
    }
  }
  closedir(d);
  return result;
}

int removeEditDirectory(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  int result = removeContent(fd, 8);
  if (rmdir(path.c_str()) != 0) result = -1;
  return result;
}

// Whether the process that made a per-edit directory named `name` still runs: its pid
// lives and, where its start time was recorded, started then.
static bool editorOwnerRuns(const std::string& name) {
  std::istringstream parts(name.substr(strlen(kEditDirPrefix)));
  std::string pidText, start;
  if (!std::getline(parts, pidText, '-') || !std::getline(parts, start, '-')) return true;
  char* end = nullptr;
  long pid = strtol(pidText.c_str(), &end, 10);
  if (pidText.empty() || *end != '\0' || pid <= 0 || pid > INT_MAX) return true;  // not ours
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
  return start.empty() || start == processStart(static_cast<pid_t>(pid));
}

int removeStaleEditDirectories(const std::string& dir) {
  DIR* d = dir.empty() ? nullptr : opendir(dir.c_str());
  if (d == nullptr) return 0;
  int removed = 0;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.compare(0, strlen(kEditDirPrefix), kEditDirPrefix) != 0) continue;
    struct stat st;
    if (fstatat(dirfd(d), n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != getuid() || editorOwnerRuns(n)) {
      continue;
    }
    if (removeEditDirectory(dir + "/" + n) == 0) ++removed;
  }
  closedir(d);
  return removed;
}

int removeStaleEdits() {
  int removed = 0;
  for (const std::string& dir : existingPrivateDirectories()) {
    removed += removeStaleEditDirectories(dir);
  }
  return removed;
}
