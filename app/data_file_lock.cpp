#include "app/data_file_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

// The master file as the file system knows it: resolved through symbolic links and made
// absolute. A file that does not exist yet is placed in its resolved folder.
static std::string resolveMaster(const std::string& masterFile) {
  char resolved[PATH_MAX];
  if (realpath(masterFile.c_str(), resolved) != nullptr) return resolved;
  size_t slash = masterFile.rfind('/');
  std::string dir = slash == std::string::npos ? "." : masterFile.substr(0, slash);
  if (slash == 0) dir = "/";
  std::string base = slash == std::string::npos ? masterFile : masterFile.substr(slash + 1);
  if (realpath(dir.c_str(), resolved) == nullptr) return masterFile;
  std::string folder = resolved;
  return folder == "/" ? "/" + base : folder + "/" + base;
}

std::string dataFileLockName(const std::string& masterFile) {
  return resolveMaster(masterFile) + ".lock";
}

static struct flock wholeFile(short type) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  return fl;
}

// The process that holds the lock, or 0 when it cannot be known. The kernel's answer comes
// first; the id the holder wrote into the file serves when the kernel gives none (a lock
// held on another NFS client). Neither is ever used to decide whether the lock is free.
static long holderOf(int fd) {
  struct flock probe = wholeFile(F_WRLCK);
  if (fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK && probe.l_pid > 0) {
    return probe.l_pid;
  }
  char text[24] = {};
  ssize_t n = pread(fd, text, sizeof text - 1, 0);
  if (n <= 0) return 0;
  char* end = nullptr;
  long pid = strtol(text, &end, 10);
  return (end != text && *end == '\n' && pid > 0) ? pid : 0;
}

// Records this process as the holder, for the message of the next refusal. Only a file
// that is plainly ours is rewritten, so a hard link planted in place of the lock file
// cannot make the truncation hit another file.
static void writeHolder(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_nlink != 1 || st.st_uid != geteuid()) return;
  std::string text = std::to_string(static_cast<long>(getpid())) + "\n";
  if (ftruncate(fd, 0) != 0) return;
  ssize_t ignored = pwrite(fd, text.data(), text.size(), 0);
  (void)ignored;
}

static std::string cannotUse(const std::string& what, const std::string& lockName,
                             const std::string& reason) {
  return "Cannot " + what + " the lock file " + lockName + ": " + reason +
         ". Zolt keeps it beside the data file so that only one Zolt at a time uses the "
         "file. Make the folder writable and remove whatever else stands under that name "
         "(on NFS, the lock service must run), then start Zolt again.";
}

int DataFileLock::acquire(const std::string& masterFile, std::string& message) {
  std::string master = resolveMaster(masterFile);
  lockName = master + ".lock";
  // O_NOFOLLOW: a symbolic link planted under the lock file's name is refused, not
  // followed to create or truncate a file elsewhere. O_CLOEXEC keeps the descriptor out of
  // the programs Zolt starts.
  int lockFd = open(lockName.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
  if (lockFd < 0) {
    message =
        cannotUse("open", lockName, errno == ELOOP ? "it is a symbolic link" : strerror(errno));
    return -1;
  }
  struct stat st;
  if (fstat(lockFd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(lockFd);
    message = cannotUse("use", lockName, "it is not a regular file");
    return -1;
  }
  struct flock fl = wholeFile(F_WRLCK);
  if (fcntl(lockFd, F_SETLK, &fl) != 0) {
    int error = errno;
    if (error == EACCES || error == EAGAIN) {
      long pid = holderOf(lockFd);
      message = "The data file " + master + " is already open in another Zolt" +
                (pid > 0 ? " (process " + std::to_string(pid) + ")" : std::string()) +
                ". Close that Zolt first, then start this one again; it has not read or "
                "written anything.";
    } else {
      message = cannotUse("lock", lockName, strerror(error));
    }
    close(lockFd);
    return -1;
  }
  fd = lockFd;
  writeHolder(fd);
  return 0;
}

// The lock file is left in place: removing it after the unlock would let a process that
// opened it just before lock a file that the next one no longer finds, and two processes
// would then both hold "the" lock.
DataFileLock::~DataFileLock() {
  if (fd >= 0) close(fd);
}
