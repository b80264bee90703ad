// A realistic master data file of a lifetime's data, for benchmarks: a tree 4 to 6 levels
// deep with some groups of 10,000 children, dated and recurring to-dos, appointments over
// 2000 to 2127, descriptions of about 200 bytes (some over several lines), recorded
// working times and completed items. The same seed always gives the same file.
#ifndef ZOLT_BENCH_DATA_GENERATOR_H_
#define ZOLT_BENCH_DATA_GENERATOR_H_

#include <string>

// The word that about 1 % of the items carry in their description.
constexpr const char* kRareWord = "zebrafish";

// Writes about `items` to-dos and groups to `fileName`. Returns 0, or -1 when the file
// cannot be written.
int generateDataFile(const std::string& fileName, int items, unsigned seed);

// Writes `count` journal files (changed-item records of existing to-dos) beside a file
// made by generateDataFile with the same seed. Returns 0 or -1.
int generateJournal(const std::string& fileName, int count, unsigned seed);

#endif  // ZOLT_BENCH_DATA_GENERATOR_H_
