// The cost of keeping the undo history, beside the changes it is kept for: a completion
// toggled in the list and a big group cut, each with its journal record, and the
// history's own part of each (the copies and the step kept). Part of zolt_bench.
#ifndef ZOLT_BENCH_UNDO_BENCH_H_
#define ZOLT_BENCH_UNDO_BENCH_H_

#include <functional>
#include <string>
#include <vector>

#include "bench/goal_table.h"

// Registers the benchmarks at each size. `masterFile` gives the lifetime file of a size;
// `workDir` takes copies, removed by each benchmark.
void registerUndoBenchmarks(const std::vector<int>& sizes,
                            const std::function<const std::string&(int)>& masterFile,
                            const std::string& workDir);
// Prints the table "Undo history": each change beside the history's part of it, and the
// memory 1,000 kept steps take.
void printUndoTable(const BenchResults& results, const std::vector<int>& sizes);

#endif  // ZOLT_BENCH_UNDO_BENCH_H_
