// The console report of Google Benchmark, keeping every result for the table of goals
// printed at the end. Shared by the benchmark of the document and that of the window.
#ifndef ZOLT_BENCH_TABLE_REPORTER_H_
#define ZOLT_BENCH_TABLE_REPORTER_H_

#include <benchmark/benchmark.h>

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
      // Repeated benchmarks report their median; the others their one run.
      if (r.run_type == Run::RT_Aggregate ? r.aggregate_name != "median" : r.repetitions > 1) {
        continue;
      }
      BenchResult& out = results[r.run_name.function_name + "/" + r.run_name.args];
      out.cpuMs = r.cpu_accumulated_time * 1e3 / static_cast<double>(r.iterations);
      out.realMs = r.real_accumulated_time * 1e3 / static_cast<double>(r.iterations);
      for (const auto& c : r.counters) out.counters[c.first] = c.second;
      auto rows = r.counters.find("rows");
      if (rows != r.counters.end()) out.rows = rows->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  BenchResults results;
};

#endif  // ZOLT_BENCH_TABLE_REPORTER_H_
