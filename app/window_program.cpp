#include "app/window_program.h"

#include <limits.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

std::string programBeside(const std::string& name) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::string();
  std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + name;
}

int execProgramBeside(const std::string& name, char** argv) {
  std::string path = programBeside(name);
  if (path.empty()) {
    fprintf(stderr, "Zolt cannot find its program %s: /proc/self/exe: %s\n", name.c_str(),
            strerror(errno));
    return -1;
  }
  execv(path.c_str(), argv);
  fprintf(stderr, "Zolt cannot start its program %s: %s\n", path.c_str(), strerror(errno));
  return -1;
}
