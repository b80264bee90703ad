// A cold start measured from outside: zolt_cold_start [--beside-true] ZOLT FILE RUNS [ARG...]
// runs, RUNS times each and alternating, a fresh `ZOLT ARG... -f COPY` (ARG... is -q when none
// is given; COPY a copy of FILE in a new directory, which is also its HOME) and a floor: a fresh
// process that only reads FILE line by line with std::getline (this program again, as
// `zolt_cold_start --getline FILE`), or with --beside-true a fresh `true`, the floor of any
// start. Prints one line of NAME=VALUE pairs: the wall-clock ms of the floor and of zolt
// (median, min and max), the ratio zolt / floor and the difference zolt - floor in ms of each
// pair of runs (median, min and max), zolt's peak resident KiB (median, min and max), the
// floor's peak and zolt's page faults. Peak and faults come from wait4: the child is forked
// from this small program, so the peak Linux carries over from the image the exec replaced is
// small.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

int readLines(const char* name) {
  std::ifstream is(name, std::ios::binary);
  std::string line;
  size_t bytes = 0;
  while (std::getline(is, line)) bytes += line.size() + 1;
  return bytes > 0 ? 0 : 1;
}

struct Run {
  double ms = 0;
  long peakKiB = 0;
  long faults = 0;
  bool ok = false;
};

Run runProcess(const std::vector<std::string>& args, const std::string& home) {
  Run r;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!home.empty()) setenv("HOME", home.c_str(), 1);
    if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(127);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return r;
  r.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  r.peakKiB = usage.ru_maxrss;
  r.faults = usage.ru_minflt + usage.ru_majflt;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

// NAME_median, NAME_min and NAME_max of `v`.
void printSpread(const char* name, const std::vector<double>& v) {
  printf("%s_median=%.3f %s_min=%.3f %s_max=%.3f ", name, median(v), name,
         *std::min_element(v.begin(), v.end()), name, *std::max_element(v.begin(), v.end()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--getline") == 0) return readLines(argv[2]);
  bool besideTrue = argc > 1 && strcmp(argv[1], "--beside-true") == 0;
  if (besideTrue) {
    --argc;
    ++argv;
  }
  if (argc < 4) {
    fprintf(stderr, "usage: zolt_cold_start [--beside-true] ZOLT FILE RUNS [ARG...]\n");
    return 2;
  }
  std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string zolt = argv[1], file = argv[2];
  int runs = std::max(1, atoi(argv[3]));
  std::vector<std::string> zoltArgs = {zolt};
  for (int i = 4; i < argc; ++i) zoltArgs.push_back(argv[i]);
  if (argc == 4) zoltArgs.push_back("-q");
  std::string dirTemplate = (fs::temp_directory_path() / "zolt_cold_XXXXXX").string();
  if (mkdtemp(dirTemplate.data()) == nullptr) return 1;
  std::string copy = dirTemplate + "/data.dat";
  fs::copy_file(file, copy);
  zoltArgs.push_back("-f");
  zoltArgs.push_back(copy);
  std::vector<double> floorMs, zoltMs, ratios, diffs, peaks, floorPeaks;
  long faults = 0;
  bool ok = true;
  for (int i = 0; i < runs; ++i) {
    Run f = besideTrue ? runProcess({"true"}, std::string())
                       : runProcess({self, "--getline", file}, std::string());
    Run z = runProcess(zoltArgs, dirTemplate);
    ok = ok && f.ok && z.ok;
    floorMs.push_back(f.ms);
    zoltMs.push_back(z.ms);
    ratios.push_back(f.ms > 0 ? z.ms / f.ms : -1);
    diffs.push_back(z.ms - f.ms);
    peaks.push_back(static_cast<double>(z.peakKiB));
    floorPeaks.push_back(static_cast<double>(f.peakKiB));
    faults = z.faults;
  }
  fs::remove_all(dirTemplate);
  if (!ok) return 1;
  printSpread("floor_ms", floorMs);
  printSpread("zolt_ms", zoltMs);
  printSpread("ratio", ratios);
  printSpread("diff_ms", diffs);
  printSpread("peak_kib", peaks);
  printSpread("floor_peak_kib", floorPeaks);
  printf("faults=%ld\n", faults);
  return 0;
}
