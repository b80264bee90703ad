#include "app/exchange_file.h"

#include <unistd.h>

#include "util/private_directory.h"

std::string createExchangeFile(std::string& note, std::string& error) {
  const PrivateDirectory& dir = processPrivateDirectory();
  note = dir.note();
  std::string name;
  int fd = dir.createFile("zolt", ".tmp", name, error);
  if (fd < 0) return std::string();
  close(fd);
  return name;
}

std::string createExchangeFile() {
  std::string note, error;
  return createExchangeFile(note, error);
}
