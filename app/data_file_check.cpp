#include "app/data_file_check.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/data_folder.h"
#include "util/file_tools.h"

static const int kMaxLinks = 40;  // as the kernel allows in one path

std::string linkEnd(const std::string& path) {
  std::string at = path;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat st;
    if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    char target[PATH_MAX];
    ssize_t n = readlink(at.c_str(), target, sizeof target - 1);
    if (n < 0) return "";
    target[n] = '\0';
    std::string folder = dataFolderOf(at);
    at = target[0] == '/' ? std::string(target) : folder + "/" + target;
  }
  return "";
}

// A link that leads nowhere: -1 with the message. ENOENT and ENOTDIR mean the target is
// missing; other errors (a folder that cannot be searched) are left to the reading.
static int checkDanglingLink(const std::string& fileName, std::string& message) {
  struct stat st;
  if (lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
  if (stat(fileName.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR && errno != ELOOP)) {
    return 0;
  }
  std::string end = linkEnd(fileName);
  std::string why =
      end.empty() ? "a chain of links that does not end" : end + ", which does not exist";
  message = "The data file " + fileName + " is a symbolic link to " + why +
            " (a disk or network share that is not mounted?). Zolt has left the link as it "
            "was and has written nothing. Mount the disk or share, or mend or remove the "
            "link, then start Zolt again.";
  return -1;
}

static std::string resolved(const std::string& fileName) {
  char buffer[PATH_MAX];
  return realpath(fileName.c_str(), buffer) != nullptr ? buffer : fileName;
}

// Someone else's file or link in a folder everyone may write to: the other user could read
// every save, or have laid out the data Zolt would load.
static int checkOwner(const std::string& fileName, std::string& message) {
  std::string target = resolved(fileName);
  const std::string* planted = nullptr;
  if (FileTools::isPlantedLink(fileName) || FileTools::isOthersInSharedFolder(fileName)) {
    planted = &fileName;
  } else if (FileTools::isOthersInSharedFolder(target)) {
    planted = &target;
  }
  if (planted == nullptr) return 0;
  message = "The data file " + fileName + (*planted == fileName ? "" : " (" + target + ")") +
            " belongs to another user and lies in a folder that everyone may write to. "
            "Zolt does not use it and has left it as it was. Keep your data file in a "
            "folder of your own, and name it with -f FILE.";
  return -1;
}

int checkDataFile(const std::string& fileName, std::string& message) {
  if (checkDanglingLink(fileName, message) != 0) return -1;
  if (checkOwner(fileName, message) != 0) return -1;
  // A pipe or a device named as the data file would hang the reading, and the first save
  // would put a regular file in its place.
  return FileTools::mayReplace(fileName, message);
}
