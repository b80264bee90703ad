// The benchmark of a lifetime's data: loading, saving, the journal, the views and search
// over generated files of 10,000, 100,000 and 1,000,000 items, each beside its floor.
// ZOLT_BENCH_SIZES (for example "10000,100000") chooses other sizes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/data_generator.h"
#include "document/zolt.h"

namespace {

std::string workDir;
std::map<int, std::string> dataFiles;  // size -> generated master file

std::string dataFile(int n) {
  auto it = dataFiles.find(n);
  if (it != dataFiles.end()) return it->second;
  std::string name = workDir + "/data" + std::to_string(n) + ".dat";
  if (generateDataFile(name, n, 42) != 0) {
    fprintf(stderr, "cannot write %s\n", name.c_str());
    exit(1);
  }
  return dataFiles[n] = name;
}

std::unique_ptr<Zolt> load(const std::string& name) {
  std::unique_ptr<Zolt> z(new Zolt());
  z->createRoot();
  if (z->readData(name.c_str()) != 0) {
    fprintf(stderr, "cannot read %s\n", name.c_str());
    exit(1);
  }
  return z;
}

void setBytes(benchmark::State& state, const std::string& name) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(name)));
}

// ---- load and save, each beside its floor ----

void BM_Load(benchmark::State& state) {
  std::string name = dataFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto z = load(name);
    state.PauseTiming();
    z.reset();  // freeing the tree is not part of loading
    state.ResumeTiming();
  }
  setBytes(state, name);
}

void BM_LoadFloorGetline(benchmark::State& state) {
  std::string name = dataFile(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::ifstream in(name, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    benchmark::DoNotOptimize(lines.data());
  }
  setBytes(state, name);
}

void BM_Save(benchmark::State& state) {
  std::string name = dataFile(static_cast<int>(state.range(0)));
  auto z = load(name);
  std::string out = workDir + "/saved.dat";
  for (auto _ : state) {
    if (z->writeData(out.c_str()) != 0) state.SkipWithError("writeData failed");
  }
  setBytes(state, name);
}

// Writing the same bytes, synced and renamed into place as a save does.
void BM_SaveFloorWrite(benchmark::State& state) {
  std::string name = dataFile(static_cast<int>(state.range(0)));
  std::ifstream in(name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  std::string bytes = content.str();
  std::string out = workDir + "/floor.dat";
  for (auto _ : state) {
    std::string temp = out + ".tmp";
    FILE* f = fopen(temp.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fflush(f);
    fsync(fileno(f));
    fclose(f);
    rename(temp.c_str(), out.c_str());
  }
  setBytes(state, name);
}

// ---- the journal ----

void BM_StartupWith1000JournalFiles(benchmark::State& state) {
  std::string name = workDir + "/journal.dat";
  std::filesystem::copy_file(dataFile(static_cast<int>(state.range(0))), name,
                             std::filesystem::copy_options::overwrite_existing);
  generateJournal(name, 1000, 42);
  for (auto _ : state) {
    auto z = load(name);
    std::string error;
    if (z->incsave_readFiles(error) != 1) state.SkipWithError("replay failed");
    state.PauseTiming();
    z.reset();
    state.ResumeTiming();
  }
  for (int n = 0; n < 1000; ++n) std::filesystem::remove(name + std::to_string(n));
}

void BM_JournalRecordAfter10000(benchmark::State& state) {
  std::string dir = workDir + "/j10000";
  std::filesystem::create_directories(dir);
  std::string name = dir + "/j.dat";
  for (int n = 0; n < 10000; ++n) {
    std::ofstream(name + std::to_string(n)) << "<type=Zolt>\n<data>\n</data>\n";
  }
  auto z = load(name);
  std::string error;
  (void)z->incsave_readFiles(error);
  for (auto _ : state) {
    if (z->incsave_deleted(1) != 0) state.SkipWithError("journal write failed");
  }
  state.counters["files"] = z->incsave_getNrOfFiles();
  std::filesystem::remove_all(dir);
}

void BM_JournalFirstRecord(benchmark::State& state) {
  std::string dir = workDir + "/j0";
  std::filesystem::create_directories(dir);
  std::string name = dir + "/j.dat";
  for (auto _ : state) {
    state.PauseTiming();
    auto z = load(name);
    std::string error;
    (void)z->incsave_readFiles(error);
    state.ResumeTiming();
    if (z->incsave_deleted(1) != 0) state.SkipWithError("journal write failed");
    state.PauseTiming();
    z->incsave_delFiles();
    state.ResumeTiming();
  }
  std::filesystem::remove_all(dir);
}

// ---- views ----

// One redraw as the window does it: free the rows, build them, sort them.
void redraw(Zolt& z) {
  z.clearViewData();
  z.getContent();
  z.sortContent();
}

void BM_FlatViewOfRoot(benchmark::State& state) {
  auto z = load(dataFile(static_cast<int>(state.range(0))));
  z->setOptViewtype(kViewFlat);
  for (auto _ : state) redraw(*z);
  state.counters["rows"] = static_cast<double>(z->getRows().size());
}

void BM_TreeViewOfBigGroup(benchmark::State& state) {
  auto z = load(dataFile(static_cast<int>(state.range(0))));
  z->setOptViewtype(kViewTree);
  z->setGroup(z->getRoot()->getGroups()[0]);  // "Archive 0", the biggest group
  for (auto _ : state) redraw(*z);
  state.counters["rows"] = static_cast<double>(z->getRows().size());
}

void BM_ActiveJobsView(benchmark::State& state) {
  auto z = load(dataFile(static_cast<int>(state.range(0))));
  // A few running to-dos, so the view is not empty.
  auto& todos = z->getRoot()->getGroups()[0]->getToDos();
  for (size_t i = 0; i < todos.size(); i += 97) {
    z->setItem(todos[i]);
    z->setItemRunning(true);
  }
  z->setMainViewType(kMainViewActiveJobs);
  for (auto _ : state) redraw(*z);
  state.counters["rows"] = static_cast<double>(z->getRows().size());
}

void BM_Calendar42Days(benchmark::State& state) {
  auto z = load(dataFile(static_cast<int>(state.range(0))));
  z->setMainViewType(kMainViewCalendar);
  z->setCalSpan(42);
  z->setCalFirstDay(packDate(kNoTime, 2060, 3, 1));
  for (auto _ : state) redraw(*z);
  state.counters["rows"] = static_cast<double>(z->getRows().size());
}

// ---- memory ----

// Peak resident memory of a fresh process that loads the file, in MB.
double peakMemoryAfterLoading(const std::string& name) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    auto z = load(name);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    long kb = usage.ru_maxrss;
    (void)!write(pipeFds[1], &kb, sizeof kb);
    _exit(0);
  }
  long kb = -1;
  (void)!read(pipeFds[0], &kb, sizeof kb);
  waitpid(child, nullptr, 0);
  close(pipeFds[0]);
  close(pipeFds[1]);
  return kb / 1024.0;
}

std::vector<int> sizes() {
  const char* env = getenv("ZOLT_BENCH_SIZES");
  std::string list = env ? env : "10000,100000,1000000";
  std::vector<int> result;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');) result.push_back(atoi(item.c_str()));
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  char dirTemplate[] = "/tmp/zolt_bench_XXXXXX";
  workDir = mkdtemp(dirTemplate);
  std::vector<int> ns = sizes();
  auto add = [&](const char* label, void (*fn)(benchmark::State&)) {
    for (int n : ns) {
      benchmark::RegisterBenchmark(label, fn)->Arg(n)->Unit(benchmark::kMillisecond);
    }
  };
  add("load", BM_Load);
  add("load_floor_getline", BM_LoadFloorGetline);
  add("save", BM_Save);
  add("save_floor_write_fsync", BM_SaveFloorWrite);
  add("view_flat_root", BM_FlatViewOfRoot);
  add("view_tree_10000_group", BM_TreeViewOfBigGroup);
  add("view_active_jobs", BM_ActiveJobsView);
  add("view_calendar_42_days", BM_Calendar42Days);
  benchmark::RegisterBenchmark("startup_1000_journal_files", BM_StartupWith1000JournalFiles)
      ->Arg(100000)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("journal_record_first", BM_JournalFirstRecord)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("journal_record_after_10000", BM_JournalRecordAfter10000)
      ->Unit(benchmark::kMicrosecond);

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  printf("\npeak memory after loading (fresh process):\n");
  for (int n : ns) {
    std::string name = dataFile(n);
    double fileMB = std::filesystem::file_size(name) / (1024.0 * 1024.0);
    printf("  N=%-8d file %8.1f MB  peak %8.1f MB  goal %8.1f MB\n", n, fileMB,
           peakMemoryAfterLoading(name), 3 * fileMB + 20);
  }
  std::filesystem::remove_all(workDir);
  return 0;
}
