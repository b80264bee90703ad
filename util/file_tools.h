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

  // Whether `a` and `b` name one existing file: the same device and inode, reached through
  // symbolic links. False when either does not exist.
  static bool sameFile(const std::string& a, const std::string& b);

  // Whether a write may put a new regular file in the place of `path`: 0 when nothing
  // stands there or a regular file does (a symbolic link counts as what it leads to), -1
  // when something else does (a named pipe, a device, a directory, a socket) or `path` is a
  // symbolic link that another user planted in a folder that everyone may write to (see
  // isPlantedLink), and then `message` tells the user what stands there and that it is
  // left alone.
  [[nodiscard]] static int mayReplace(const std::string& path, std::string& message);

  // Whether `path` is a symbolic link that must not be followed: it lies in a sticky folder
  // that everyone may write to (/tmp), and belongs neither to this user nor to the folder's
  // owner. That is the kernel's own rule for opening such a link; a write that resolves the
  // link by itself (to rename over its target) must keep it too, or anyone could send the
  // user's data into a file of theirs.
  static bool isPlantedLink(const std::string& path);

  // Whether `path` (not followed when a link) belongs to another user and lies in a folder
  // that everyone may write to, where that user could have put it for this one to use.
  static bool isOthersInSharedFolder(const std::string& path);
};

#endif  // ZOLT_UTIL_FILE_TOOLS_H_
