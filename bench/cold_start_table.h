// Fresh processes measured from outside by zolt_cold_start: `zolt -q` and the 7-day agenda
// beside a fresh std::getline over the same file, their tables and their lines of the table
// "Lean views and items".
#ifndef ZOLT_BENCH_COLD_START_TABLE_H_
#define ZOLT_BENCH_COLD_START_TABLE_H_

#include <map>
#include <string>
#include <vector>

// The figures zolt_cold_start prints, by name ("zolt_ms_median", "peak_kib_max", ...);
// empty when it failed.
using FreshRun = std::map<std::string, double>;

// Runs `runner` (zolt_cold_start) on `zolt` and `file`, `runs` times, the program getting
// `args` before its -f COPY; beside a fresh `true` instead of a fresh getline with
// `besideTrue`.
FreshRun runFresh(const std::string& runner, const std::string& zolt, const std::string& file,
                  int runs, const std::vector<std::string>& args, bool besideTrue = false);

struct FreshCase {
  std::string shape;  // "lifetime" or "short notes"
  int items = 0;
  double fileMB = 0;
  FreshRun run;
};

// The table of cold starts (`zolt -q`) and that of the 7-day agenda, then the table "Lean
// views and items" of both: the goals at 100,000 and 1,000,000 items, n/a where a size was
// not run.
void printFreshTables(const std::vector<FreshCase>& starts, const std::vector<FreshCase>& agendas);

// The table of the headless start beside `true`: `zolt -q` on a file without items (goal:
// within 3 ms of `true`) and on the lifetime file of 100,000 items (goal: under 37 ms); a
// case whose run is empty is shown as not run.
void printHeadlessStartTable(const FreshRun& empty, const FreshRun& hundredThousand);

#endif  // ZOLT_BENCH_COLD_START_TABLE_H_
