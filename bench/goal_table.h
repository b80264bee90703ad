// The table of goals the benchmark prints at the end: every figure beside its floor or
// its limit, and whether the goal is met. Markdown, so it can be pasted as it is.
#ifndef ZOLT_BENCH_GOAL_TABLE_H_
#define ZOLT_BENCH_GOAL_TABLE_H_

#include <map>
#include <string>
#include <vector>

struct BenchResult {
  double cpuMs = -1;                       // CPU time of the process per iteration
  double realMs = -1;                      // wall-clock time per iteration
  double rows = -1;                        // rows a view shows, where it has them
  std::map<std::string, double> counters;  // every counter of the benchmark, rows included
};
// By benchmark name and size, for example "load/100000"; "/iterations:..." is left off.
using BenchResults = std::map<std::string, BenchResult>;

struct FileFacts {
  double fileMB = 0;   // size of the generated master file, MiB
  double peakMB = -1;  // peak resident memory of a fresh process that loaded it, MiB
};

// Prints the tables to standard output. Missing results show as "n/a". Figures are CPU
// time, which other work on a shared machine disturbs far less than wall-clock time;
// where waiting for the disk is the point (fsync), wall-clock time.
void printGoalTable(const BenchResults& results, const std::vector<int>& sizes,
                    const std::map<int, FileFacts>& facts);

// The window's tables: showList, the first drawn window and a toggled completion, each
// beside the document work it wraps. Where the goals set no limit the ratio stands alone.
void printGuiGoalTable(const BenchResults& results, const std::vector<int>& sizes);

#endif  // ZOLT_BENCH_GOAL_TABLE_H_
