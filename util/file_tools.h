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

  // Whether a write may put a new regular file in the place of `path`: 0 when nothing
  // stands there or a regular file does (a symbolic link counts as what it leads to), -1
  // when something else does (a named pipe, a device, a directory, a socket), and then
  // `message` tells the user what stands there and that it is left alone.
  [[nodiscard]] static int mayReplace(const std::string& path, std::string& message);
};

#endif  // ZOLT_UTIL_FILE_TOOLS_H_
