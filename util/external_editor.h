// Editing a text in an external program of the user's choice: the text goes into a private
// temporary file, the user's editor command runs on it, and the file is read back and removed.
// No toolkit code here, so a button callback can call it and tests can drive it headless.
// Single-threaded use only. editExternally blocks the caller until the editor returns;
// ExternalEdit lets an event loop go on while it runs.
#ifndef ZOLT_UTIL_EXTERNAL_EDITOR_H_
#define ZOLT_UTIL_EXTERNAL_EDITOR_H_

#include <sys/types.h>

#include <string>

// The configuration's built-in editor value (util/config.h); never run, as it needs a terminal.
extern const char kDefaultEditor[];  // "/etc/alternatives/emacs"

// The editor command to run: `configured` (an "editor" line of the user configuration; pass ""
// when there is none) if it is not blank, else $VISUAL, else $EDITOR (each when set and not
// blank), else the one found on $PATH (util/default_editor.h), else "" (none to run).
std::string editorCommand(const std::string& configured);

// `word` as one single-quoted /bin/sh word that stands for exactly its bytes: each ' inside
// becomes '\''. REQUIRES: `word` holds no NUL byte.
std::string shellQuote(const std::string& word);

// Reads the whole file `name` into `out` byte for byte: no line-length limit, no line feed
// added or dropped. Returns 0, or -1 when the file cannot be opened or a read fails; `out` is
// then left as it was.
[[nodiscard]] int readFileExactly(const std::string& name, std::string& out);

// The round trip: writes `text` exactly into a new file of mode 0600 in a new directory of
// mode 0700 made for this edit alone in the private directory (util/private_directory.h),
// named "zolt-edit-<pid>-<process start>-XXXXXX"; runs "`command` 'file name'" through
// /bin/sh and waits for it, reads the file back and removes the directory with everything
// in it (an editor's backup or swap files too).
// `command` is the user's own shell command (see editorCommand) and must not return before the
// editing is done (for a graphical editor that detaches, its "wait" option).
// Returns 0 with `text` replaced by the file's content. Returns -1 with `text` untouched and
// `error` set to a message for the user when the file cannot be created or written, the command
// cannot be run, exits with a status other than 0 or is killed (its changes are discarded, as a
// failing editor means "abandon"), removes the file, or the file cannot be read back.
// The directory is removed in every case once it was created.
[[nodiscard]] int editExternally(const std::string& command, std::string& text, std::string& error);

// One round trip as editExternally makes it, in steps, so that the caller can go on (an
// event loop polls finished()) while the editor runs. An edit still running when the
// object goes is abandoned. Single-threaded.
class ExternalEdit {
 public:
  ExternalEdit() = default;
  ~ExternalEdit();
  ExternalEdit(const ExternalEdit&) = delete;
  ExternalEdit& operator=(const ExternalEdit&) = delete;

  // Writes `text` as editExternally does and starts "`command` 'file name'" through /bin/sh
  // without waiting for it. 0; or -1 with `error` set for the user, when nothing runs and
  // nothing is left behind. REQUIRES: not started before.
  [[nodiscard]] int start(const std::string& command, const std::string& text, std::string& error);
  // True once the command has ended; never blocks. REQUIRES: started.
  bool finished();
  // Blocks until the command has ended. REQUIRES: started.
  void wait();
  // Reads the file back and removes the directory, with editExternally's results: 0 with
  // `text` replaced by the file's content, or -1 with `text` untouched and `error` set.
  // REQUIRES: finished() was true.
  [[nodiscard]] int finish(std::string& text, std::string& error);
  // Stops the command (SIGTERM to the shell and to the programs it started; what those
  // started in turn may go on, on a file that is gone) and removes the directory with the
  // text in it. Nothing happens once finish ran.
  void abandon();
  // True from a successful start until finish or abandon.
  bool running() const { return pid_ > 0 || !editDir_.empty(); }
  const std::string& command() const { return command_; }

 private:
  std::string command_, editDir_, name_;
  pid_t pid_ = -1;  // the shell running the command, until it was waited for
  int status_ = 0;  // its wait status once it ended
};

// Removes the per-edit directory `path` with all it holds; symbolic links in it are removed,
// never followed. 0, or -1 when something stayed.
int removeEditDirectory(const std::string& path);

// Removes the per-edit directories in `dir` (the private directory) whose process no longer
// runs, such as one left by a kill during an edit with the description in clear. A
// directory of a process that runs is left alone, as is anything not this user's or not a
// directory. Returns the number removed.
int removeStaleEditDirectories(const std::string& dir);

// removeStaleEditDirectories in every private directory that an earlier process may have
// used (existingPrivateDirectories), making none. Returns the number removed.
int removeStaleEdits();

#endif  // ZOLT_UTIL_EXTERNAL_EDITOR_H_
