#include "test_util.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/zolt_test_XXXXXX";
  char* made = mkdtemp(tmpl.data());
  path_ = made ? made : "";
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void writeFile(const std::string& name, const std::string& content) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << content;
}

bool fileExists(const std::string& name) {
  struct stat st;
  return lstat(name.c_str(), &st) == 0;
}

std::string testData(const std::string& name) { return std::string(ZOLT_TEST_DATA) + "/" + name; }
