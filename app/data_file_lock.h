// One Zolt per data file. A second process on the same master file would interleave its
// journal with the first one's, or compact the journal under it; an advisory lock on a
// lock file beside the master file, held for the life of the process, refuses it before it
// reads or writes anything.
#ifndef ZOLT_APP_DATA_FILE_LOCK_H_
#define ZOLT_APP_DATA_FILE_LOCK_H_

#include <string>

// The lock file of the master file `masterFile`: the resolved master file's name (the
// target of a symbolic link, an absolute path) followed by ".lock", so that every spelling
// of the same file names the same lock. `masterFile` need not exist yet.
std::string dataFileLockName(const std::string& masterFile);

// Holds the lock of one master file until it is destroyed; process exit releases it too,
// so a crashed process never blocks the next one. The lock file stays in place.
// The lock is a POSIX record lock (fcntl): it belongs to this process alone, is not
// inherited by the children it starts (the external editor), and works over NFS.
// REQUIRES: one DataFileLock per master file per process, and nothing else in the process
// opens the lock file: closing any descriptor of it would release the lock.
// GUI thread only.
class DataFileLock {
 public:
  DataFileLock() = default;
  ~DataFileLock();
  DataFileLock(const DataFileLock&) = delete;
  DataFileLock& operator=(const DataFileLock&) = delete;

  // Takes the lock of `masterFile`, creating its lock file (mode 0600) when missing, and
  // writes this process's id into it for the message of a later refusal. Returns 0 once the
  // lock is held; -1 with `message` set for the user when another process holds it or the
  // lock file cannot be opened or locked (never through a symbolic link).
  // REQUIRES: no lock held yet by this object.
  [[nodiscard]] int acquire(const std::string& masterFile, std::string& message);

  // The lock file's name once acquire was called, else "".
  const std::string& fileName() const { return lockName; }

 private:
  int fd = -1;  // open and locked while held
  std::string lockName;
};

#endif  // ZOLT_APP_DATA_FILE_LOCK_H_
