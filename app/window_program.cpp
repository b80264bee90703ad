#include "app/window_program.h"

#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

std::string windowProgramPath() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::string();
  std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "zolt-window";
}

int execWindowProgram(char** argv) {
  std::string path = windowProgramPath();
  if (path.empty()) {
    fprintf(stderr, "Zolt cannot find its window program: /proc/self/exe: %s\n", strerror(errno));
    return -1;
  }
  execv(path.c_str(), argv);
  fprintf(stderr, "Zolt cannot start its window program %s: %s\n", path.c_str(), strerror(errno));
  return -1;
}
