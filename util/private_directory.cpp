#include "util/private_directory.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

// The fallback must be a real directory owned by us with mode 0700 so that nobody else can
// plant or follow names in it.
std::string privateDirectory() {
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (runtime && *runtime && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
      st.st_uid == getuid()) {
    return runtime;
  }
  const char* tmp = getenv("TMPDIR");
  std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/zolt-" + std::to_string(getuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 077) != 0) {
    return std::string();
  }
  return dir;
}
