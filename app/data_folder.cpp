#include "app/data_folder.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

std::string dataFolderOf(const std::string& fileName) {
  size_t slash = fileName.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return fileName.substr(0, slash);
}

static bool isFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int makeDataFolder(const std::string& fileName, std::string& message) {
  std::string folder = dataFolderOf(fileName);
  // Each prefix ending before a '/' is a folder to make, then the folder itself.
  for (size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
    std::string part = at == std::string::npos ? folder : folder.substr(0, at);
    if (!part.empty() && !isFolder(part) && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      message = "Cannot make the folder " + part + " for the new data file " + fileName + ": " +
                strerror(errno) +
                ".\nName a data file in a folder you may write to with -f FILE, or with a "
                "\"default=\" line in ~/.zoltrc/zolt.config.";
      return -1;
    }
    if (at == std::string::npos) break;
  }
  return 0;
}

int checkDataFolder(const std::string& fileName, std::string& message) {
  std::string folder = dataFolderOf(fileName);
  struct stat st;
  std::string what;
  if (stat(folder.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return 0;
    what = " is not a folder";
  } else if (errno == ENOENT || errno == ENOTDIR) {
    what = " does not exist";
  } else {
    return 0;  // a folder that cannot be looked into: the lock file's message says why
  }
  message = "The folder " + folder + " of the data file " + fileName + what +
            ". Make the folder first, or name a data file in an existing folder with -f FILE.";
  return -1;
}
