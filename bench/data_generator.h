// Data files of a lifetime for the benchmark: a master data file of N items, the journal
// files of a session's changes, and a copy of a master file with encrypted descriptions.
// The same arguments always give the same files. Not for use by the program itself.
#ifndef ZOLT_BENCH_DATA_GENERATOR_H_
#define ZOLT_BENCH_DATA_GENERATOR_H_

#include <string>

// The word that about 1 % of the items carry in their description.
constexpr const char* kRareWord = "zebrafish";
// The password of the files made by generateEncryptedFile.
constexpr const char* kBenchPassword = "correct horse battery staple";

// How the dates of a generated file are spread over 2000-01-01 .. 2127-12-31.
enum class DateSpread {
  // A lifetime up to `now`: 995 in 1,000 dated to-dos lie in the past and 95 % of those
  // are completed; 4 are due in the coming four months, 1 later. 95 % of the recurring
  // series have ended; of the others the to-dos stand near `now` (they move on when
  // completed) and the appointments began in the past. Appointments: 85 % in the past, 10 %
  // in the coming year, 5 % up to 2127.
  kLifetime,
  // Every date uniform over the whole range and one to-do in ten completed: the worst
  // case for a calendar far from both ends, where each open to-do due after the shown
  // days and without a begin date stands on every shown day.
  kUniform,
};

struct GeneratorConfig {
  int items = 10000;  // to-dos and groups, about
  unsigned seed = 42;
  unsigned now = 0;  // packed day the lifetime reaches; 0: 2026-01-05
  DateSpread spread = DateSpread::kLifetime;
  // Descriptions of 8 to 56 bytes instead of 40 to 360: many small items, a small file.
  bool shortNotes = false;
};

// Writes the master data file. Root content: groups "Archive k" of 10,000 to-dos each
// (one of N/4 when N < 40,000; N/100,000 of them otherwise) and a tree of groups 4 to 6
// levels deep holding the rest. Per 100 to-dos: 20 one-off appointments, 10 recurring
// items (the six types alike, a third of them appointments), 40 dated to-dos and 30
// without a date; descriptions on 7 in 10 of about 200 bytes (some over several lines),
// recorded working times on 1 in 7, a few running. 0, or -1 when it cannot be written.
int generateDataFile(const std::string& fileName, const GeneratorConfig& config);

// Makes `count` journal files beside `fileName` (named after it, as the program names
// them) through the document's own operations on the loaded file: 7 in 10 change a to-do,
// 2 in 10 add one, 1 in 10 deletes one. When `oneFile` is not empty, also writes there a
// master file holding the records of the changed and added to-dos once each, in journal
// order: the same records loaded as one file. 0, or -1 on any failure.
int generateJournal(const std::string& fileName, int count, unsigned seed,
                    const std::string& oneFile);

// Writes `target`: `source` loaded, a password (kBenchPassword) added and `count` to-dos
// with a description, spread over the file, stored encrypted. 0, or -1 on failure.
int generateEncryptedFile(const std::string& source, const std::string& target, int count);

#endif  // ZOLT_BENCH_DATA_GENERATOR_H_
