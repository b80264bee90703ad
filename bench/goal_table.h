// The table of goals the benchmark prints at the end: every figure beside its floor or
// its limit, and whether the goal is met. Markdown, so it can be pasted as it is.
#ifndef ZOLT_BENCH_GOAL_TABLE_H_
#define ZOLT_BENCH_GOAL_TABLE_H_

#include <map>
#include <string>
#include <vector>

// The least or the most of the repetitions of a benchmark, where it reports them.
struct BenchSpread {
  double cpuMs = -1;
  double realMs = -1;
  std::map<std::string, double> counters;
};

struct BenchResult {
  double cpuMs = -1;                       // CPU time of the process per iteration
  double realMs = -1;                      // wall-clock time per iteration
  double rows = -1;                        // rows a view shows, where it has them
  std::map<std::string, double> counters;  // every counter of the benchmark, rows included
  BenchSpread low, high;                   // min and max over the repetitions
};
// By benchmark name and size, for example "load/100000"; "/iterations:..." is left off.
using BenchResults = std::map<std::string, BenchResult>;

struct FileFacts {
  double fileMB = 0;   // size of the generated master file, MiB
  double peakMB = -1;  // peak resident memory of a fresh process that loaded it, MiB
};

// A figure over several runs: the median and the least and the most.
struct Spread {
  double median = -1, min = -1, max = -1;
};

// One line of the table "Lean views and items": a figure beside its floor and its limit.
// The generated lifetime whose export holds about 30,000 dated items.
constexpr int kExportLifetime = 43000;

struct GoalRow {
  std::string goal;     // what is asked, for example "fresh zolt -q <= 2.5 x fresh getline"
  std::string subject;  // the data, for example "lifetime, 100,000 items"
  std::string unit;     // of the figure, the floor and the limit: "ms" or "MiB"
  Spread figure;
  Spread floor;
  double limit = -1;      // the most the figure may be; -1 where it is not known
  Spread ratio;           // figure / floor; min and max where paired runs give them
  bool hasFloor = false;  // whether `floor` is part of the line
  bool hasGoal = false;   // whether `limit` is a goal (the agenda's figures have none)
};

// The table "Lean views and items" under `title`: every goal with its figure, floor,
// limit, ratio and whether it is met ("n/a" where its size was not run).
void printLeanTable(const std::string& title, const std::vector<GoalRow>& rows);

// Prints the tables to standard output. Missing results show as "n/a". Figures are CPU
// time, which other work on a shared machine disturbs far less than wall-clock time;
// where waiting for the disk is the point (fsync), wall-clock time.
void printGoalTable(const BenchResults& results, const std::vector<int>& sizes,
                    const std::map<int, FileFacts>& facts);

// The window's tables: showList, the first drawn window and a toggled completion, each
// beside the document work it wraps. Where the goals set no limit the ratio stands alone.
void printGuiGoalTable(const BenchResults& results, const std::vector<int>& sizes);

#endif  // ZOLT_BENCH_GOAL_TABLE_H_
