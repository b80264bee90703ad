// The benchmark of a lifetime's data: loading and saving beside their floors, the journal,
// the views, search, an encrypted file and the peak memory, over generated files of
// 10,000, 100,000 and 1,000,000 items; at the end a table of every goal. bench/README.md
// says what each line measures. ZOLT_BENCH_SIZES (for example "10000,100000") chooses
// other sizes.
#include <benchmark/benchmark.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/cold_start_table.h"
#include "bench/data_generator.h"
#include "bench/goal_table.h"
#include "bench/table_reporter.h"
#include "bench/undo_bench.h"
#include "document/zolt.h"
#include "exchange/icalendar.h"

// The goals compare saving "before fsync": while this is set, fsync returns at once for
// the whole process, the document's saves and the floor alike.
static bool syncSkipped = false;

extern "C" int fsync(int fd) {
  if (syncSkipped) return 0;
  return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace {

namespace fs = std::filesystem;

constexpr int kJournalFiles = 1000;
constexpr int kEncrypted = 1000;
// Runs of each fresh process, alternating with its floor; the tables give the median and
// the spread.
constexpr int kFreshRuns = 5;
// The headless start is a few ms: more runs, so that the medians stand above the noise.
constexpr int kHeadlessRuns = 21;

std::string workDir;
unsigned today;  // the generated lifetimes end today, where the calendar opens

void fail(const std::string& what) {
  fprintf(stderr, "%s\n", what.c_str());
  exit(1);
}

// ---- the files, each made once on first use ----

std::map<std::string, std::string> made;

template <typename Make>
const std::string& file(const std::string& name, Make make) {
  auto it = made.find(name);
  if (it != made.end()) return it->second;
  std::string path = workDir + "/" + name;
  if (make(path) != 0) fail("cannot make " + path);
  return made[name] = path;
}

const std::string& masterFile(int n) {
  return file("lifetime" + std::to_string(n) + ".dat", [n](const std::string& path) {
    GeneratorConfig c;
    c.items = n;
    c.now = today;
    return generateDataFile(path, c);
  });
}

const std::string& uniformFile(int n) {
  return file("uniform" + std::to_string(n) + ".dat", [n](const std::string& path) {
    GeneratorConfig c;
    c.items = n;
    c.spread = DateSpread::kUniform;
    return generateDataFile(path, c);
  });
}

// The second shape of data for a cold start: dates spread over the years and short notes,
// about 8 MB at 100,000 items: many small items, where the cost per item shows most.
const std::string& shortNotesFile(int n) {
  return file("notes" + std::to_string(n) + ".dat", [n](const std::string& path) {
    GeneratorConfig c;
    c.items = n;
    c.spread = DateSpread::kUniform;
    c.shortNotes = true;
    return generateDataFile(path, c);
  });
}

const std::string& encryptedFile(int n) {
  return file("encrypted" + std::to_string(n) + ".dat", [n](const std::string& path) {
    return generateEncryptedFile(masterFile(n), path, kEncrypted);
  });
}

std::unique_ptr<Zolt> load(const std::string& name) {
  std::unique_ptr<Zolt> z(new Zolt());
  z->createRoot();
  if (z->readData(name.c_str()) != 0) fail("cannot read " + name);
  return z;
}

// A copy of the master file with kJournalFiles journal files beside it, the same records
// as one file, and the master file the replay leads to.
struct JournalSet {
  std::string base, oneFile, compacted;
};

const JournalSet& journalSet(int n) {
  static std::map<int, JournalSet> sets;
  auto it = sets.find(n);
  if (it != sets.end()) return it->second;
  JournalSet j;
  std::string dir = workDir + "/journal" + std::to_string(n);
  fs::create_directories(dir);
  j.base = dir + "/base.dat";
  j.oneFile = workDir + "/records" + std::to_string(n) + ".dat";
  j.compacted = workDir + "/compacted" + std::to_string(n) + ".dat";
  fs::copy_file(masterFile(n), j.base);
  if (generateJournal(j.base, kJournalFiles, 42, j.oneFile) != 0) fail("cannot make journal");
  auto z = load(j.base);
  std::string error;
  if (z->incsave_readFiles(error) != 1 || z->writeData(j.compacted.c_str()) != 0) {
    fail("cannot replay the journal of " + j.base);
  }
  return sets[n] = j;
}

int sizeArg(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

// Loads outside the timing, runs `timed` and frees the document outside the timing again.
template <typename Timed>
void withFreshDocument(benchmark::State& state, const std::string& name, Timed timed) {
  for (auto _ : state) {
    state.PauseTiming();
    auto z = load(name);
    state.ResumeTiming();
    timed(*z);
    state.PauseTiming();
    z.reset();
    state.ResumeTiming();
  }
}

// ---- load and save, each beside its floor ----

void BM_Load(benchmark::State& state) {
  std::string name = masterFile(sizeArg(state));
  for (auto _ : state) {
    auto z = load(name);
    state.PauseTiming();
    z.reset();  // freeing the tree is not part of loading
    state.ResumeTiming();
  }
}

// Every line read into one string: the least that reading the file line by line costs.
void BM_LoadFloorGetline(benchmark::State& state) {
  std::string name = masterFile(sizeArg(state));
  for (auto _ : state) {
    std::ifstream in(name, std::ios::binary);
    std::string line;
    size_t lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
}

void save(benchmark::State& state, bool sync) {
  auto z = load(masterFile(sizeArg(state)));
  std::string out = workDir + "/saved.dat";
  syncSkipped = !sync;
  for (auto _ : state) {
    if (z->writeData(out.c_str()) != 0) state.SkipWithError("writeData failed");
  }
  syncSkipped = false;
}

void BM_Save(benchmark::State& state) { save(state, false); }
void BM_SaveSynced(benchmark::State& state) { save(state, true); }

// The bytes of the file written to a new file in one piece and renamed into place; with
// `sync`, synced before the rename as a save does.
void saveFloor(benchmark::State& state, bool sync) {
  std::ifstream in(masterFile(sizeArg(state)), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  std::string bytes = content.str();
  std::string out = workDir + "/floor.dat", temp = out + ".tmp";
  for (auto _ : state) {
    std::ofstream os(temp, std::ios::binary | std::ios::trunc);
    os.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    os.close();
    if (sync) {
      FILE* f = fopen(temp.c_str(), "rb");
      fsync(fileno(f));
      fclose(f);
    }
    rename(temp.c_str(), out.c_str());
  }
}

void BM_SaveFloorWrite(benchmark::State& state) { saveFloor(state, false); }
void BM_SaveFloorWriteSynced(benchmark::State& state) { saveFloor(state, true); }

// ---- the journal ----

// The replay alone: the master file is loaded outside the timing.
void BM_JournalReplay(benchmark::State& state) {
  const JournalSet& j = journalSet(sizeArg(state));
  withFreshDocument(state, j.base, [&state](Zolt& z) {
    std::string error;
    if (z.incsave_readFiles(error) != 1) state.SkipWithError("replay failed");
  });
}

// Reading the bytes of the 1,000 files, each opened and read whole: what any replay of
// them costs at least.
void BM_JournalFloorRead(benchmark::State& state) {
  const JournalSet& j = journalSet(sizeArg(state));
  for (auto _ : state) {
    size_t bytes = 0;
    for (int n = 0; n < kJournalFiles; ++n) {
      std::ifstream in(j.base + std::to_string(n), std::ios::binary);
      std::stringstream content;
      content << in.rdbuf();
      bytes += content.str().size();
    }
    benchmark::DoNotOptimize(bytes);
  }
}

// The same records read from one master file.
void BM_JournalRecordsAsOneFile(benchmark::State& state) {
  const JournalSet& j = journalSet(sizeArg(state));
  for (auto _ : state) benchmark::DoNotOptimize(load(j.oneFile).get());
}

void BM_StartupWithJournal(benchmark::State& state) {
  const JournalSet& j = journalSet(sizeArg(state));
  for (auto _ : state) {
    auto z = load(j.base);
    std::string error;
    if (z->incsave_readFiles(error) != 1) state.SkipWithError("replay failed");
    state.PauseTiming();
    z.reset();
    state.ResumeTiming();
  }
}

void BM_StartupCompacted(benchmark::State& state) {
  const JournalSet& j = journalSet(sizeArg(state));
  for (auto _ : state) {
    auto z = load(j.compacted);
    state.PauseTiming();
    z.reset();
    state.ResumeTiming();
  }
}

// A changed-item record of a to-do of the 10,000-item file, with `range(0)` record-less
// journal files already there (the first record when 0).
void BM_JournalRecord(benchmark::State& state) {
  int existing = sizeArg(state);
  std::string dir = workDir + "/records_after" + std::to_string(existing);
  fs::create_directories(dir);
  std::string name = dir + "/j.dat";
  fs::copy_file(masterFile(10000), name);
  for (int n = 0; n < existing; ++n) {
    std::ofstream(name + std::to_string(n)) << "<type=Zolt>\n<data>\n</data>\n";
  }
  auto z = load(name);
  std::string error;
  if (z->incsave_readFiles(error) < 0) state.SkipWithError("journal not read");
  z->setItem(z->getRoot()->getGroups()[0]->getToDos()[0]);
  // A sync of a small file waits for whatever else the disk still has to write: start
  // from a quiet disk.
  sync();
  for (auto _ : state) {
    if (z->incsave_saveCurItem() != 0) state.SkipWithError("journal write failed");
    if (existing == 0) {
      state.PauseTiming();
      z->incsave_delFiles();
      state.ResumeTiming();
    }
  }
  z->incsave_delFiles();
  fs::remove_all(dir);
}

// ---- a large paste ----

constexpr int kPastedRecords = 10000;

// An export of "Archive 0" of the 100,000-item file: 10,000 top-level to-do records.
const std::string& pasteFile() {
  return file("paste" + std::to_string(kPastedRecords) + ".zolt", [](const std::string& path) {
    auto z = load(masterFile(100000));
    z->setGroup(z->getRoot()->getGroups()[0]);
    return z->exportContentToFile(path.c_str());
  });
}

// insertDataFromFile of the 10,000 records into the root of a freshly loaded copy of the
// master file, its journal with real fsyncs included; the load and removing the journal
// are not timed.
void BM_Insert10000Records(benchmark::State& state) {
  int n = sizeArg(state);
  const std::string& paste = pasteFile();
  std::string dir = workDir + "/insert" + std::to_string(n);
  fs::create_directories(dir);
  std::string name = dir + "/data.dat";
  fs::copy_file(masterFile(n), name, fs::copy_options::overwrite_existing);
  int files = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto z = load(name);
    sync();
    state.ResumeTiming();
    if (z->insertDataFromFile(paste.c_str()) != 0) state.SkipWithError("insertion failed");
    state.PauseTiming();
    files = z->incsave_getNrOfFiles();
    z->incsave_delFiles();
    z.reset();
    state.ResumeTiming();
  }
  state.counters["journal_files"] = files;
  fs::remove_all(dir);
}

// ---- iCalendar export ----

// icalendarText of a loaded file: the text the export writes, its file not included.
void BM_ExportICalendar(benchmark::State& state) {
  auto z = load(masterFile(sizeArg(state)));
  int items = 0;
  for (auto _ : state) {
    T_IcsReport report;
    std::string text = icalendarText(*z, T_IcsExportOptions(), report);
    benchmark::DoNotOptimize(text.data());
    items = report.items;
  }
  state.counters["items"] = items;
}

// ---- views ----

// One redraw as the window does it: free the rows, build them, sort them.
void redraw(Zolt& z) {
  z.clearViewData();
  z.getContent();
  z.sortContent();
}

void runView(benchmark::State& state, Zolt& z) {
  for (auto _ : state) redraw(z);
  state.counters["rows"] = static_cast<double>(z.lineCount());
}

void BM_FlatViewOfRoot(benchmark::State& state) {
  auto z = load(masterFile(sizeArg(state)));
  z->setOptViewtype(kViewFlat);
  runView(state, *z);
}

void BM_TreeViewOfBigGroup(benchmark::State& state) {
  auto z = load(masterFile(sizeArg(state)));
  z->setOptViewtype(kViewTree);
  z->setGroup(z->getRoot()->getGroups()[0]);  // "Archive 0", the biggest group
  runView(state, *z);
}

void BM_ActiveJobsView(benchmark::State& state) {
  auto z = load(masterFile(sizeArg(state)));
  if (z->getNrActiveJobs() == 0) {
    state.SkipWithError("no running to-do");
    return;
  }
  z->setMainViewType(kMainViewActiveJobs);
  runView(state, *z);
}

void calendarView(benchmark::State& state, const std::string& name, unsigned firstDay) {
  auto z = load(name);
  z->setMainViewType(kMainViewCalendar);
  z->setCalSpan(42);
  z->setCalFirstDay(firstDay);
  runView(state, *z);
}

// Today, where the lifetime ends: the overdue block is built too.
void BM_Calendar42Days(benchmark::State& state) {
  calendarView(state, masterFile(sizeArg(state)), today);
}

void BM_Calendar42DaysUniform(benchmark::State& state) {
  calendarView(state, uniformFile(sizeArg(state)), packDate(kNoTime, 2060, 3, 1));
}

// The search from the root and the redraw that shows its results.
void BM_SearchOn(benchmark::State& state, Zolt& z) {
  size_t hits = 0;
  for (auto _ : state) {
    if (z.search(kRareWord) != 0) state.SkipWithError("search refused");
    redraw(z);
    state.PauseTiming();
    hits = z.lineCount();
    if (z.leaveCurGroup() != 0) state.SkipWithError("search not left");
    state.ResumeTiming();
  }
  state.counters["rows"] = static_cast<double>(hits);
}

void BM_Search(benchmark::State& state) {
  auto z = load(masterFile(sizeArg(state)));
  BM_SearchOn(state, *z);
}

// The same search when every description holds a letter beyond ASCII, so that each one is
// folded through its Unicode case folding (the word searched for stays ASCII). The
// descriptions are changed once, outside the timing.
void BM_SearchFolded(benchmark::State& state) {
  auto z = load(masterFile(sizeArg(state)));
  std::vector<ToDoListGroup*> groups{z->getRoot()};
  while (!groups.empty()) {
    ToDoListGroup* g = groups.back();
    groups.pop_back();
    groups.insert(groups.end(), g->getGroups().begin(), g->getGroups().end());
    for (ToDoListToDo* t : g->getToDos()) {
      const char* text = nullptr;
      if (t->GetDescription(text, &z->getKeys()) != 0 || text == nullptr) continue;
      t->setDescription(("Gr\u00f6\u00dfe " + std::string(text)).c_str());
    }
  }
  BM_SearchOn(state, *z);
}

// The sort alone of the flat view of the root (the rows are built outside the timing):
// by priority, then date, then text, where most rows share priority and date.
void BM_SortFlatRoot(benchmark::State& state) {
  auto z = load(masterFile(sizeArg(state)));
  z->setOptViewtype(kViewFlat);
  z->setOptsSort(0);
  for (auto _ : state) {
    state.PauseTiming();
    z->clearViewData();
    z->getContent();
    state.ResumeTiming();
    z->sortContent();
  }
  state.counters["rows"] = static_cast<double>(z->lineCount());
}

// ---- encryption ----

void BM_OpenEncryptedAndLogIn(benchmark::State& state) {
  std::string name = encryptedFile(sizeArg(state));
  for (auto _ : state) {
    auto z = load(name);
    z->getKeys().Login(0, kBenchPassword);
    if (!z->getKeys().IsLoggedIn()) state.SkipWithError("login failed");
    state.PauseTiming();
    z.reset();
    state.ResumeTiming();
  }
}

void readEncryptedDescriptions(ToDoListGroup* g, CryptMan& keys, int& count) {
  for (ToDoListToDo* t : g->getToDos()) {
    if ((t->getDescrData().getFlags() & kDescrEncrypted) == 0) continue;
    const char* text = nullptr;
    if (t->GetDescription(text, &keys) == 0) ++count;
  }
  for (ToDoListGroup* s : g->getGroups()) readEncryptedDescriptions(s, keys, count);
}

// Decrypting every encrypted description once logged in, as a search over them does.
void BM_DecryptDescriptions(benchmark::State& state) {
  std::string name = encryptedFile(sizeArg(state));
  int count = 0;
  withFreshDocument(state, name, [&count, &state](Zolt& z) {
    state.PauseTiming();
    z.getKeys().Login(0, kBenchPassword);
    count = 0;
    state.ResumeTiming();
    readEncryptedDescriptions(z.getRoot(), z.getKeys(), count);
  });
  state.counters["rows"] = count;
}

// Peak memory in MiB of zolt_load_peak (beside this program) loading `name`; -1 on failure.
double peakMemoryAfterLoading(const std::string& name) {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  self[n] = '\0';
  std::string command =
      (fs::path(self).parent_path() / "zolt_load_peak").string() + " '" + name + "'";
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return -1;
  long kib = -1;
  if (fscanf(p, "%ld", &kib) != 1) kib = -1;
  return pclose(p) == 0 && kib > 0 ? kib / 1024.0 : -1;
}

// The headless start beside `true`, on a data file without items (made by the program
// itself) and on the lifetime file of 100,000 items when that size runs.
void printHeadlessStart(const std::string& runner, const std::string& zolt,
                        const std::vector<int>& ns) {
  const std::string& empty = file("empty.dat", [&zolt](const std::string& path) {
    return system(("'" + zolt + "' -q -s -f '" + path + "' >/dev/null 2>&1").c_str());
  });
  FreshRun none = runFresh(runner, zolt, empty, kHeadlessRuns, {"-q"}, true);
  FreshRun full;
  if (std::find(ns.begin(), ns.end(), 100000) != ns.end()) {
    full = runFresh(runner, zolt, masterFile(100000), kHeadlessRuns, {"-q"}, true);
  }
  printHeadlessStartTable(none, full);
}

// Fresh processes, measured from outside through zolt_cold_start beside this program and
// the program itself (build-bench/zolt): `zolt -q -f` on the lifetime and the short-notes
// file, and the 7-day agenda of the lifetime file from its "now" (today), each beside a
// fresh process that only reads the file with std::getline, wall-clock (what a user waits
// for).
void printFreshProcessTables(const std::vector<int>& ns) {
  char self[PATH_MAX];
  ssize_t len = readlink("/proc/self/exe", self, sizeof self - 1);
  if (len <= 0) return;
  self[len] = '\0';
  fs::path dir = fs::path(self).parent_path();
  std::string runner = (dir / "zolt_cold_start").string();
  std::string zolt = (dir.parent_path() / "zolt").string();
  char now[16];
  snprintf(now, sizeof now, "%04d-%02d-%02d", packedYear(today), packedMonth(today),
           packedDay(today));
  std::vector<FreshCase> starts, agendas;
  for (int n : ns) {
    for (int shape = 0; shape < 2; ++shape) {
      const std::string& name = shape == 0 ? masterFile(n) : shortNotesFile(n);
      FreshCase c{shape == 0 ? "lifetime" : "short notes", n,
                  fs::file_size(name) / (1024.0 * 1024.0), FreshRun()};
      c.run = runFresh(runner, zolt, name, kFreshRuns, {"-q"});
      starts.push_back(c);
      if (shape == 0) {
        c.run = runFresh(runner, zolt, name, kFreshRuns, {"--agenda", "7", "-c", now});
        agendas.push_back(c);
      }
    }
  }
  printFreshTables(starts, agendas);
  printHeadlessStart(runner, zolt, ns);
}

// Benchmarks that load a document outside the timing for every iteration get a fixed
// number of iterations, or the untimed loads of a big file would take minutes.
int64_t pausedIterations(int n) { return std::max<int64_t>(3, 3000000 / n); }

void registerAll(const std::vector<int>& ns) {
  using Fn = void (*)(benchmark::State&);
  const std::pair<const char*, Fn> kPerSize[] = {
      {"load", BM_Load},
      {"load_floor_getline", BM_LoadFloorGetline},
      {"save", BM_Save},
      {"save_floor_write", BM_SaveFloorWrite},
      {"save_fsync", BM_SaveSynced},
      {"save_floor_write_fsync", BM_SaveFloorWriteSynced},
      {"view_flat_root", BM_FlatViewOfRoot},
      {"view_tree_10000_group", BM_TreeViewOfBigGroup},
      {"view_active_jobs", BM_ActiveJobsView},
      {"view_calendar_42_days", BM_Calendar42Days},
      {"view_calendar_42_days_uniform", BM_Calendar42DaysUniform},
      {"search_1_percent", BM_Search},
      {"search_1_percent_folded", BM_SearchFolded},
      {"sort_flat_root", BM_SortFlatRoot},
      {"startup_1000_journal_files", BM_StartupWithJournal},
      {"startup_compacted", BM_StartupCompacted},
      {"journal_records_as_one_file", BM_JournalRecordsAsOneFile},
      {"journal_floor_read_1000_files", BM_JournalFloorRead},
      {"open_1000_encrypted_and_log_in", BM_OpenEncryptedAndLogIn},
  };
  // First, while the disk is quiet: these wait for fsync.
  for (int existing : {0, 10000}) {
    benchmark::RegisterBenchmark("journal_record_after", BM_JournalRecord)
        ->Arg(existing)
        ->Unit(benchmark::kMicrosecond);
  }
  // Three runs each, of which the median counts: this machine is shared and noisy.
  for (const auto& b : kPerSize) {
    for (int n : ns) {
      benchmark::RegisterBenchmark(b.first, b.second)
          ->Arg(n)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true)
          ->Unit(benchmark::kMillisecond);
    }
  }
  const std::pair<const char*, Fn> kPaused[] = {
      {"journal_replay_1000_files", BM_JournalReplay},
      {"decrypt_1000_descriptions", BM_DecryptDescriptions},
  };
  for (int n : ns) {
    benchmark::RegisterBenchmark("insert_10000_records", BM_Insert10000Records)
        ->Arg(n)
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  // Well under a second for 30,000 items; the sizes past 100,000 would only take long.
  std::vector<int> exportSizes = {kExportLifetime};
  for (int n : ns) {
    if (n <= 100000) exportSizes.push_back(n);
  }
  for (int n : exportSizes) {
    benchmark::RegisterBenchmark("export_icalendar", BM_ExportICalendar)
        ->Arg(n)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
  }
  registerUndoBenchmarks(
      ns, [](int n) -> const std::string& { return masterFile(n); }, workDir);
  for (const auto& b : kPaused) {
    for (int n : ns) {
      benchmark::RegisterBenchmark(b.first, b.second)
          ->Arg(n)
          ->Iterations(pausedIterations(n))
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string dirTemplate = (fs::temp_directory_path() / "zolt_bench_XXXXXX").string();
  if (mkdtemp(dirTemplate.data()) == nullptr) fail("cannot make a working directory");
  workDir = dirTemplate;
  today = getTodayDate(kNoTime);
  std::vector<int> ns = benchSizes();
  registerAll(ns);
  benchmark::Initialize(&argc, argv);
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::map<int, FileFacts> facts;
  for (int n : ns) {
    const std::string& name = masterFile(n);
    facts[n] = FileFacts{fs::file_size(name) / (1024.0 * 1024.0), peakMemoryAfterLoading(name)};
  }
  printGoalTable(reporter.results, ns, facts);
  printUndoTable(reporter.results, ns);
  printFreshProcessTables(ns);
  fs::remove_all(workDir);
  return 0;
}
