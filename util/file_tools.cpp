#include "util/file_tools.h"

#include <sys/stat.h>
#include <unistd.h>

// unlink rather than remove(): remove() would also take away an empty directory that
// happens to carry the name.
int FileTools::rm(const std::string& path) { return unlink(path.c_str()) == 0 ? 0 : -1; }

bool FileTools::sameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

static std::string folderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool FileTools::isPlantedLink(const std::string& path) {
  struct stat link, folder;
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return false;
  if (stat(folderOf(path).c_str(), &folder) != 0) return false;
  bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
  return shared && link.st_uid != geteuid() && link.st_uid != folder.st_uid;
}

bool FileTools::isOthersInSharedFolder(const std::string& path) {
  struct stat file, folder;
  if (lstat(path.c_str(), &file) != 0 || file.st_uid == geteuid()) return false;
  return stat(folderOf(path).c_str(), &folder) == 0 && (folder.st_mode & S_IWOTH) != 0;
}

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
  if (isPlantedLink(path)) {
    message = path +
              " is a symbolic link that another user put in a folder everyone may write to. "
              "Zolt does not write through it and has left it as it was. Choose another file "
              "name.";
    return -1;
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return 0;
  message = path + " is " + kindOf(st.st_mode) +
            ", not a regular file. Zolt writes only regular files and has left it as it "
            "was. Choose another file name.";
  return -1;
}
