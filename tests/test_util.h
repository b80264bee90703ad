// Helpers shared by the tests: per-test temporary directories and whole-file I/O.
#ifndef ZOLT_TESTS_TEST_UTIL_H_
#define ZOLT_TESTS_TEST_UTIL_H_

#include <string>

// A fresh directory under $TMPDIR (or /tmp), removed with its content on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string readFile(const std::string& name);
void writeFile(const std::string& name, const std::string& content);
bool fileExists(const std::string& name);
// Path of a fixture file in tests/data.
std::string testData(const std::string& name);

// Result of running the zolt program in a shell.
struct RunResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `shellPrefix` followed by the built zolt program with `args`, with HOME and TMPDIR
// set to `home` (USERPROFILE and XDG_RUNTIME_DIR unset), in the directory `home`.
RunResult runZolt(const std::string& home, const std::string& args,
                  const std::string& shellPrefix = "");
#endif  // ZOLT_TESTS_TEST_UTIL_H_
