#include "util/file_tools.h"

#include <sys/stat.h>
#include <unistd.h>

// unlink rather than remove(): remove() would also take away an empty directory that
// happens to carry the name.
int FileTools::rm(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : -1; }

static const char* kindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

// A write goes to a new file that is then renamed over the old one: on a pipe or a device
// that would take the special file away (as root, /dev/null or /dev/full) and still never
// reach the reader behind it.
int FileTools::mayReplace(const std::string& path, std::string& message) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return 0;
  message = path + " is " + kindOf(st.st_mode) +
            ", not a regular file. Zolt writes only regular files and has left it as it "
            "was. Choose another file name.";
  return -1;
}
