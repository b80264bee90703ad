#include "store/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "util/file_tools.h"

// The file that a write must replace: the target of a symbolic link, else the name itself.
// "" for a link that is neither replaced nor followed: one that leads nowhere (its target
// may be on a disk that is not mounted) or one that another user planted in a shared folder.
static std::string resolveTarget(const std::string& fileName) {
  struct stat st;
  if (lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return fileName;
  char resolved[PATH_MAX];
  if (FileTools::isPlantedLink(fileName) || realpath(fileName.c_str(), resolved) == nullptr) {
    return "";
  }
  return resolved;
}

static std::string directoryOf(const std::string& name) {
  size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

std::string resolvedFileName(const std::string& name) {
  char resolved[PATH_MAX];
  if (realpath(name.c_str(), resolved) != nullptr) return resolved;
  size_t slash = name.rfind('/');
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (realpath(directoryOf(name).c_str(), resolved) == nullptr) return name;
  std::string folder = resolved;
  return folder == "/" ? "/" + base : folder + "/" + base;
}

static int syncPath(const std::string& name, int flags) {
  int fd = open(name.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return -1;
  int result = fsync(fd);
  if (close(fd) != 0) result = -1;
  return result == 0 ? 0 : -1;
}

int syncDirectoryOf(const std::string& name) {
  return syncPath(directoryOf(name), O_RDONLY | O_DIRECTORY);
}

// Creates the temporary file beside `target` with the mode the target will have: the
// target's own when it is this user's file; else 0600, as another user's mode may let
// others read what this user writes.
static int makeTemporary(const std::string& target, std::string& tempName) {
  tempName = target + ".tmpXXXXXX";
  int fd = mkostemp(tempName.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  bool own = stat(target.c_str(), &st) == 0 && st.st_uid == geteuid();
  mode_t mode = own ? (st.st_mode & 07777) : 0600;
  if (fchmod(fd, mode) != 0 || close(fd) != 0) {
    unlink(tempName.c_str());
    return -1;
  }
  return 0;
}

static bool writeThrough(const std::string& tempName,
                         const std::function<bool(std::ostream&)>& writeBody) {
  std::ofstream os(tempName, std::ios::binary | std::ios::trunc);
  if (!os) return false;
  if (!writeBody(os)) return false;
  os.flush();
  if (!os) return false;
  os.close();
  return !os.fail();
}

int writeFileAtomically(const std::string& fileName,
                        const std::function<bool(std::ostream&)>& writeBody,
                        const std::function<bool(const std::string& tempName)>& beforeCommit) {
  std::string target = resolveTarget(fileName);
  if (target.empty()) return -1;
  std::string tempName;
  if (makeTemporary(target, tempName) != 0) return -1;
  bool ok = writeThrough(tempName, writeBody) && syncPath(tempName, O_RDONLY) == 0 &&
            (!beforeCommit || beforeCommit(tempName)) &&
            rename(tempName.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(tempName.c_str());
    return -1;
  }
  // The new content is in place now; a directory that cannot be synced only weakens the
  // guarantee across a power cut, and reporting failure would wrongly suggest the old
  // content is still there.
  if (syncPath(directoryOf(target), O_RDONLY | O_DIRECTORY) != 0) {
    fprintf(stderr, "Could not sync the directory of %s\n", target.c_str());
  }
  return 0;
}
