// The directory where Zolt keeps its short-lived files (the copy-and-paste exchange file,
// the external editor's files): one that only this user can enter. Files are made relative
// to the opened directory, so a name planted or swapped along its path after the check
// cannot send them elsewhere. GUI thread only: the process-wide directory is shared state.
#ifndef ZOLT_UTIL_PRIVATE_DIRECTORY_H_
#define ZOLT_UTIL_PRIVATE_DIRECTORY_H_

#include <string>
#include <vector>

// One settled private directory, held open.
// Invariant: ok() exactly when path() names a directory that this process holds open as
// fd(), that belongs to this user and that no one else may enter (no group or other bits).
class PrivateDirectory {
 public:
  // Settles on the first usable of: $XDG_RUNTIME_DIR; zolt-<uid> under $TMPDIR (or /tmp),
  // made with mode 0700 when missing and never followed when it is a symbolic link; a fresh
  // directory zolt-<uid>-XXXXXX made with mkdtemp under $TMPDIR, or under /tmp when $TMPDIR
  // cannot take it. The fresh one is this object's own: it is removed when this object goes.
  PrivateDirectory();
  ~PrivateDirectory();
  PrivateDirectory(const PrivateDirectory&) = delete;
  PrivateDirectory& operator=(const PrivateDirectory&) = delete;

  bool ok() const { return fd_ >= 0; }
  // The directory's path; "" when !ok().
  const std::string& path() const { return path_; }
  // The open directory (close-on-exec), owned by this object; -1 when !ok().
  int fd() const { return fd_; }
  // Set when the usual places were passed over for a fresh directory: a message for the
  // user naming the directory used, why the others were refused and what to do about it.
  const std::string& note() const { return note_; }
  // Set when !ok(): why no directory could be had and what to do about it.
  const std::string& error() const { return error_; }
  // True while the directory still is the one settled on and still is private.
  bool stillSound() const;

  // Creates a new empty file of mode 0600 named `prefix`, six random letters or digits and
  // `suffix`, never over an existing name and never through a symbolic link. Returns its
  // descriptor (close-on-exec; the caller closes it) with the full name in `name`, or -1
  // with `error` saying why.
  [[nodiscard]] int createFile(const std::string& prefix, const std::string& suffix,
                               std::string& name, std::string& error) const;
  // Creates a new empty directory of mode 0700 named `prefix` and six random letters or
  // digits. Returns 0 with the full name in `name`, or -1 with `error` saying why.
  [[nodiscard]] int createDirectory(const std::string& prefix, std::string& name,
                                    std::string& error) const;

 private:
  int usePlace(const std::string& dir, bool followLinks, std::string& why);
  int useUsualPlace(std::string& why, std::string& advice);
  int useFreshPlace(std::string& why);

  int fd_ = -1;
  std::string path_;
  std::string note_;
  std::string error_;
  bool fresh_ = false;  // made by mkdtemp for this object alone
};

// The process's private directory: settled at the first call and again when
// $XDG_RUNTIME_DIR or $TMPDIR name other places or the directory is no longer sound. The
// reference stays valid until the next call.
PrivateDirectory& processPrivateDirectory();

// The path of the process's private directory, "" when there is none.
std::string privateDirectory();

// Every private directory that Zolt may have used before, as it stands now, none made: the
// usual places of PrivateDirectory() and the fresh ones a session made there, each only when
// it is this user's own and private. For cleaning up after a process that was killed.
std::vector<std::string> existingPrivateDirectories();

#endif  // ZOLT_UTIL_PRIVATE_DIRECTORY_H_
