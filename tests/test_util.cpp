#include "test_util.h"

#include <gtest/gtest.h>

#include <ctime>

#include "util/clock.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

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

RunResult runZolt(const std::string& home, const std::string& args,
                  const std::string& shellPrefix) {
  std::string out = home + "/.run_out";
  std::string err = home + "/.run_err";
  std::string command = "cd '" + home + "' && env -u USERPROFILE -u XDG_RUNTIME_DIR HOME='" + home +
                        "' TMPDIR='" + home + "' sh -c \"" + shellPrefix + " exec '" + ZOLT_BINARY +
                        "' " + args + "\" >'" + out + "' 2>'" + err + "'";
  int raw = system(command.c_str());
  RunResult result;
  result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  result.out = readFile(out);
  result.err = readFile(err);
  remove(out.c_str());
  remove(err.c_str());
  return result;
}

// Every test binary reads one fixed moment for "now": the time it started, or ZOLT_TEST_NOW
// (seconds since 1970) to repeat a run. A run that crosses midnight sees one day throughout.
namespace {
class FixedClockEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* given = getenv("ZOLT_TEST_NOW");
    std::time_t moment = given && *given ? static_cast<std::time_t>(atoll(given)) : std::time(nullptr);
    setFixedClock(moment);
  }
  void TearDown() override { clearFixedClock(); }
};
[[maybe_unused]] ::testing::Environment* const fixedClockEnvironment =
    ::testing::AddGlobalTestEnvironment(new FixedClockEnvironment);
}  // namespace
