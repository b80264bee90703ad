// The properties the fuzz targets check, one function per entry point. Each takes the raw
// input and returns "" when every property held, else what went wrong. The fuzz targets
// abort on a non-empty answer; tests/store/fuzz_regression_test.cpp feeds the kept inputs
// to the same functions, so the ordinary tests guard against a fault's return.
// Header only, so the test binary needs no build rule of its own for it. One thread only:
// the functions share one scratch directory per process.
#ifndef ZOLT_FUZZ_CHECKS_H_
#define ZOLT_FUZZ_CHECKS_H_

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "util/config.h"
#include "crypt/crypt_man.h"
#include "document/zolt.h"

namespace zoltfuzz {

// A small master file with a group, two to-dos and identifiers 1 to 4: the document the
// journal and the insertion targets work on.
inline const char kSmallMaster[] =
    "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<idmax=4>\n<idmaxaftersync=0>\n"
    "<curGroup=/0/>\n<viewtype=tree>\n<mainviewtype=0>\n<sorttype=date>\n"
    "<cal.date=153501696>\n<cal.days=7>\n<GUIData.nLineNormal=0>\n<GUIData.nLineCal=0>\n"
    "g\ns<unnamed>\nI1\nt\nsFirst\nI3\nn153756160\n>\ng\nsWork\nI2\nt\nsSecond\nI4\np1\n"
    "d4\nnote\n>\n>\n>\n</data>\n";

// The password the key block seeds were made with; a login tries it and a wrong one.
inline const char kSeedPassword[] = "pw";
// Logins are tried only up to this count, so that the fuzzer spends its time on the
// parser; the bound on larger counts has its own test.
constexpr int kFuzzLoginIterations = 1000;

// The process's scratch directory, emptied before each use.
inline const std::string& scratchDir() {
  static const std::string* dir = [] {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") + "/zoltfuzzXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) abort();
    atexit([] { std::filesystem::remove_all(scratchDir()); });
    // Never freed: the exit handler above runs after static objects are destroyed.
    return new std::string(name.data());
  }();
  return *dir;
}

inline std::string freshScratch() {
  const std::string& dir = scratchDir();
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::filesystem::remove_all(entry.path());
  }
  return dir;
}

inline void putFile(const std::string& name, const uint8_t* data, size_t size) {
  std::ofstream os(name, std::ios::binary | std::ios::trunc);
  os.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::string fileText(const std::string& name) {
  std::ifstream is(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
}

// What every save must keep: `zolt` written, the file read back without error and
// written again gives the same bytes. `what` names the step for the report.
inline std::string checkWriteReadWrite(Zolt& zolt, const std::string& dir, const char* what) {
  std::string first = dir + "/first.dat";
  std::string second = dir + "/second.dat";
  if (zolt.writeData(first.c_str()) != 0) return std::string(what) + ": first write failed";
  Zolt again;
  again.createRoot();
  if (again.readData(first.c_str()) != 0) {
    return std::string(what) + ": its own saved file is refused:\n" + fileText(first);
  }
  if (again.writeData(second.c_str()) != 0) return std::string(what) + ": second write failed";
  std::string a = fileText(first);
  std::string b = fileText(second);
  if (a != b) return std::string(what) + ": writes differ:\n" + a + "----\n" + b;
  return "";
}

// The master data file: readData; for accepted input, write-read-write.
inline std::string checkDataFile(const uint8_t* data, size_t size) {
  std::string dir = freshScratch();
  std::string master = dir + "/input.dat";
  putFile(master, data, size);
  Zolt zolt;
  zolt.createRoot();
  if (zolt.readData(master.c_str()) != 0) return "";
  return checkWriteReadWrite(zolt, dir, "data file");
}

// One journal file replayed over the small master file; a replayed document is written
// at start-up, so it must save and read back like any other.
inline std::string checkJournal(const uint8_t* data, size_t size) {
  std::string dir = freshScratch();
  std::string master = dir + "/master.dat";
  putFile(master, reinterpret_cast<const uint8_t*>(kSmallMaster), sizeof kSmallMaster - 1);
  putFile(master + "0", data, size);
  Zolt zolt;
  zolt.createRoot();
  if (zolt.readData(master.c_str()) != 0) return "journal: the small master file is refused";
  std::string errorFile;
  int replayed = zolt.incsave_readFiles(errorFile);
  if (replayed < 0) return "";
  return checkWriteReadWrite(zolt, dir, "journal replay");
}

// An export file inserted into the small master file's root; the result must save.
inline std::string checkInsert(const uint8_t* data, size_t size) {
  std::string dir = freshScratch();
  std::string master = dir + "/master.dat";
  std::string input = dir + "/insert.dat";
  putFile(master, reinterpret_cast<const uint8_t*>(kSmallMaster), sizeof kSmallMaster - 1);
  putFile(input, data, size);
  Zolt zolt;
  zolt.createRoot();
  if (zolt.readData(master.c_str()) != 0) return "insert: the small master file is refused";
  std::string where;
  int result = zolt.insertDataFromFile(input.c_str(), &where);
  if (result == -1 || result == -3) return "insert: refused in the normal view";
  return checkWriteReadWrite(zolt, dir, "insertion");
}

// The key block after its "<Crypt>" line: Read; for an accepted block a login with the
// seed password and with a wrong one, and Write then Read gives the same block.
inline std::string checkKeyBlock(const uint8_t* data, size_t size) {
  std::istringstream is(std::string(reinterpret_cast<const char*>(data), size));
  CryptMan keys(2);
  if (keys.Read(is) != 0) return "";
  if (keys.GetHashIterations() < 2 || keys.GetHashIterations() > kMaxHashIterations) {
    return "key block: accepted an iteration count out of range";
  }
  if (keys.GetNumPwds() > 0 && keys.GetHashIterations() <= kFuzzLoginIterations) {
    keys.Login(keys.GetNumPwds() - 1, "wrong");
    if (keys.IsLoggedIn()) return "key block: a wrong password logged in";
    keys.Login(0, kSeedPassword);
  }
  std::ostringstream first;
  keys.Write(first);
  std::string written = first.str();
  if (written.empty()) return "";
  std::istringstream back(written.substr(sizeof "<Crypt>\n" - 1));
  CryptMan again(2);
  if (again.Read(back) != 0) return "key block: its own written block is refused:\n" + written;
  std::ostringstream second;
  again.Write(second);
  if (second.str() != written) return "key block: writes differ:\n" + written + second.str();
  return "";
}

// The user configuration file, read from a scratch home directory.
inline std::string checkConfig(const uint8_t* data, size_t size) {
  std::string dir = freshScratch();
  std::filesystem::create_directory(dir + "/.zoltrc");
  putFile(dir + "/.zoltrc/zolt.config", data, size);
  setenv("USERPROFILE", dir.c_str(), 1);
  ReadConfigFile();
  if (zoltconfig.defaultFiles.empty()) return "config: no default file";
  return "";
}

// The command line: the input's bytes split at NUL into arguments after the program name.
inline std::string checkCommandLine(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"zolt"};
  std::string arg;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += static_cast<char>(data[i]);
    }
  }
  if (!arg.empty()) args.push_back(arg);
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  T_CommandLine cl;
  if (parseCommandLine(static_cast<int>(args.size()), argv.data(), cl) != 0) return "";
  if (cl.calendarAtStart && !hasDate(cl.calStartDate)) return "command line: -c without a date";
  return "";
}

// The configuration file and the command line share a target: the input's first byte
// chooses which one reads the rest.
inline std::string checkConfigAndCommandLine(const uint8_t* data, size_t size) {
  if (size == 0) return "";
  if (data[0] & 1) return checkCommandLine(data + 1, size - 1);
  return checkConfig(data + 1, size - 1);
}

}  // namespace zoltfuzz

#endif  // ZOLT_FUZZ_CHECKS_H_
