#include "app/exchange_file.h"

#include <stdlib.h>
#include <unistd.h>

#include "util/private_directory.h"

std::string createExchangeFile() {
  std::string dir = privateDirectory();
  if (dir.empty()) return std::string();
  std::string name = dir + "/zoltXXXXXX.tmp";
  int fd = mkstemps(name.data(), 4);
  if (fd < 0) return std::string();
  close(fd);
  return name;
}
