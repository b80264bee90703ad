// Every input that ever made a fuzz target fail is kept in tests/data/fuzz/TARGET and fed
// here to the same check the target runs, so the ordinary tests guard against a fault's
// return without fuzzing. The seeds go through the checks too.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/checks.h"
#include "test_util.h"

namespace {

using Check = std::string (*)(const uint8_t*, size_t);

struct Target {
  const char* name;
  Check check;
  const char* seeds;  // below tests/data
  bool keptFaults;    // tests/data/fuzz/NAME holds inputs that once failed
};

const Target kTargets[] = {
    {"data_file", zoltfuzz::checkDataFile, ".", true},
    {"journal", zoltfuzz::checkJournal, "fuzz_seeds/journal", false},
    {"insert", zoltfuzz::checkInsert, ".", true},
    {"key_block", zoltfuzz::checkKeyBlock, "fuzz_seeds/key_block", false},
    {"config", zoltfuzz::checkConfigAndCommandLine, "fuzz_seeds/config", false},
};

std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> names;
  if (!std::filesystem::is_directory(dir)) return names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

size_t replay(const Target& t, const std::string& dir) {
  std::vector<std::string> names = filesIn(dir);
  for (const std::string& name : names) {
    std::string input = readFile(name);
    EXPECT_EQ("", t.check(reinterpret_cast<const uint8_t*>(input.data()), input.size()))
        << t.name << ": " << name;
  }
  return names.size();
}

}  // namespace

// A folder that went missing or empty would let this pass on nothing: each target that has
// kept faults must still have them, and no other target may have a folder nobody replays.
TEST(FuzzRegressionTest, KeptFaultInputsPassTheirChecks) {
  for (const Target& t : kTargets) {
    std::string dir = testData(std::string("fuzz/") + t.name);
    size_t replayed = replay(t, dir);
    if (t.keptFaults) {
      EXPECT_LT(0u, replayed) << dir << " holds no input";
    } else {
      EXPECT_FALSE(std::filesystem::exists(dir)) << dir << ": mark the target as keeping faults";
    }
  }
}

TEST(FuzzRegressionTest, SeedsPassTheirChecks) {
  for (const Target& t : kTargets) EXPECT_LT(0u, replay(t, testData(t.seeds))) << t.name;
}
