// The console report of Google Benchmark, keeping every result for the table of goals
// printed at the end. Shared by the benchmark of the document and that of the window.
#ifndef ZOLT_BENCH_TABLE_REPORTER_H_
#define ZOLT_BENCH_TABLE_REPORTER_H_

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bench/goal_table.h"

// The numbers of items to measure: ZOLT_BENCH_SIZES as a comma-separated list, or
// 10,000, 100,000 and 1,000,000.
inline std::vector<int> benchSizes() {
  const char* env = getenv("ZOLT_BENCH_SIZES");
  std::string list = env ? env : "10000,100000,1000000";
  std::vector<int> result;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');) result.push_back(atoi(item.c_str()));
  return result;
}

class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || r.iterations == 0) continue;
      // Repeated benchmarks report their median (and, where asked for, the spread of their
      // runs as "min" and "max"); the others their one run.
      BenchResult& out = results[r.run_name.function_name + "/" + r.run_name.args];
      if (r.run_type == Run::RT_Aggregate &&
          (r.aggregate_name == "min" || r.aggregate_name == "max")) {
        keepSpread(r, r.aggregate_name == "min" ? out.low : out.high);
        continue;
      }
      if (r.run_type == Run::RT_Aggregate ? r.aggregate_name != "median" : r.repetitions > 1) {
        continue;
      }
      out.cpuMs = r.cpu_accumulated_time * 1e3 / static_cast<double>(r.iterations);
      out.realMs = r.real_accumulated_time * 1e3 / static_cast<double>(r.iterations);
      for (const auto& c : r.counters) out.counters[c.first] = c.second;
      auto rows = r.counters.find("rows");
      if (rows != r.counters.end()) out.rows = rows->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  BenchResults results;

 private:
  static void keepSpread(const Run& r, BenchSpread& out) {
    out.cpuMs = r.cpu_accumulated_time * 1e3 / static_cast<double>(r.iterations);
    out.realMs = r.real_accumulated_time * 1e3 / static_cast<double>(r.iterations);
    for (const auto& c : r.counters) out.counters[c.first] = c.second;
  }
};

// The statistics "min" and "max" beside Google Benchmark's own, so that a table can give
// the spread of the repetitions beside their median.
inline benchmark::internal::Benchmark* withSpread(benchmark::internal::Benchmark* b) {
  return b
      ->ComputeStatistics("min",
                          [](const std::vector<double>& v) {
                            return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
                          })
      ->ComputeStatistics("max", [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
      });
}

#endif  // ZOLT_BENCH_TABLE_REPORTER_H_
