// Operations on files named by path strings.
#ifndef ZOLT_UTIL_FILE_TOOLS_H_
#define ZOLT_UTIL_FILE_TOOLS_H_

#include <string>

// No state: static operations only.
class FileTools {
 public:
  FileTools() = delete;

  // Deletes the file `path` (not a directory; a symbolic link itself, not its target).
  // Returns 0 on success, -1 when there is no such file or it cannot be deleted.
  static int rm(const std::string& path);
};

#endif  // ZOLT_UTIL_FILE_TOOLS_H_
