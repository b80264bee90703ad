#include "bench/undo_bench.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "document/zolt.h"

namespace {

namespace fs = std::filesystem;

std::function<const std::string&(int)> lifetimeFile;
std::string baseDir;

int sizeOf(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

// A copy of the lifetime file in a directory of its own, so its journal lies apart.
std::string copyOfLifetime(int n, const std::string& tag) {
  std::string dir = baseDir + "/undo_" + tag + std::to_string(n);
  fs::create_directories(dir);
  std::string name = dir + "/data.dat";
  fs::copy_file(lifetimeFile(n), name, fs::copy_options::overwrite_existing);
  return name;
}

std::unique_ptr<Zolt> loaded(const std::string& name) {
  auto z = std::make_unique<Zolt>();
  z->createRoot();
  if (z->readData(name.c_str()) != 0) return nullptr;
  std::string error;
  if (z->incsave_readFiles(error) < 0) return nullptr;
  return z;
}

// The biggest group below the root ("Archive 0", 10,000 to-dos at 100,000 items).
ToDoListGroup* archive(Zolt& z) {
  ToDoListGroup* best = z.getRoot();
  for (ToDoListGroup* g : z.getRoot()->getGroups()) {
    if (best == z.getRoot() || g->getToDos().size() > best->getToDos().size()) best = g;
  }
  return best;
}

// An open, undated, non-recurring to-do of that group: a toggle that moves nothing.
ToDoListToDo* openToDo(Zolt& z) {
  for (ToDoListToDo* t : archive(z)->getToDos()) {
    T_recData r;
    t->getRecData(r);
    if (!t->isCompleted() && t->getPriority() < 7 && r.type == 0) return t;
  }
  return nullptr;
}

void toggle(Zolt& z, ToDoListToDo* t) {
  z.setItem(t);
  t->isCompleted() ? z.clearItemCompleted() : z.setItemCompleted();
}

// A completion toggled in the list as the window does it: the toggle, its journal record
// (real fsyncs) and the completion counts of the whole tree. Wall-clock.
void BM_ToggleCompletion(benchmark::State& state) {
  std::string name = copyOfLifetime(sizeOf(state), "toggle");
  auto z = loaded(name);
  ToDoListToDo* t = z ? openToDo(*z) : nullptr;
  if (t == nullptr) {
    state.SkipWithError("no open to-do");
    return;
  }
  sync();
  for (auto _ : state) {
    toggle(*z, t);
    if (z->incsave_saveCurItem() != 0) state.SkipWithError("journal write failed");
    z->checkCompleted();
  }
  z->incsave_delFiles();
  fs::remove_all(fs::path(name).parent_path());
}

// The history's part of that toggle: the copies before and after and the step kept, the
// oldest dropped once 1,000 are kept (the steady state of a long session).
void BM_UndoHistoryOfToggle(benchmark::State& state) {
  auto z = loaded(lifetimeFile(sizeOf(state)));
  ToDoListToDo* t = z ? openToDo(*z) : nullptr;
  if (t == nullptr) {
    state.SkipWithError("no open to-do");
    return;
  }
  UndoHistory& history = z->getUndoHistory();
  z->setItem(t);
  for (auto _ : state) {
    history.noteBefore(t);
    history.noteSaved(t);
  }
  state.counters["steps_kept"] = static_cast<double>(history.undoSteps());
  state.counters["kib_kept"] = history.bytes() / 1024.0;
}

// Cutting the biggest group with its journal record, each cut on a freshly loaded copy (the
// load not timed), with the history kept or off: the difference is the history's part.
void cutBigGroup(benchmark::State& state, bool withHistory) {
  std::string name = copyOfLifetime(sizeOf(state), withHistory ? "cut" : "cut_off");
  for (auto _ : state) {
    state.PauseTiming();
    auto z = loaded(name);
    if (z == nullptr) {
      state.SkipWithError("cannot load");
      break;
    }
    z->getUndoHistory().setEnabled(withHistory);
    z->setGroup(archive(*z));
    sync();
    state.ResumeTiming();
    if (z->delCurGroup() != 0) state.SkipWithError("cut refused");
    state.PauseTiming();
    state.counters["kib_kept"] = z->getUndoHistory().bytes() / 1024.0;
    z->incsave_delFiles();
    z.reset();
    state.ResumeTiming();
  }
  fs::remove_all(fs::path(name).parent_path());
}

void BM_CutBigGroup(benchmark::State& state) { cutBigGroup(state, true); }
void BM_CutBigGroupWithoutHistory(benchmark::State& state) { cutBigGroup(state, false); }

const BenchResult* find(const BenchResults& r, const std::string& name, int n) {
  auto it = r.find(name + "/" + std::to_string(n));
  if (it == r.end()) it = r.find(name + "/" + std::to_string(n) + "_median");
  return it == r.end() ? nullptr : &it->second;
}

// `part` is the history's own time, or, when `without` is given, the change timed without
// the history, whose difference to the change is the history's part.
void printRow(const BenchResults& r, const char* change, const char* name, const char* part,
              const char* without, int n) {
  const BenchResult* whole = find(r, name, n);
  const BenchResult* other = find(r, without ? without : part, n);
  if (whole == nullptr || other == nullptr) {
    printf("| %s | %d | n/a | n/a | n/a |\n", change, n);
    return;
  }
  double own = without ? whole->realMs - other->realMs : other->realMs;
  double share = 100.0 * own / whole->realMs;
  printf("| %s | %d | %.3f | %.4f | %.2f %% %s |\n", change, n, whole->realMs, own, share,
         share < 10 ? "met" : "**not met**");
}

}  // namespace

void registerUndoBenchmarks(const std::vector<int>& sizes,
                            const std::function<const std::string&(int)>& masterFile,
                            const std::string& workDir) {
  lifetimeFile = masterFile;
  baseDir = workDir;
  for (int n : sizes) {
    benchmark::RegisterBenchmark("undo_change_toggle", BM_ToggleCompletion)
        ->Arg(n)
        ->Iterations(200)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("undo_history_of_toggle", BM_UndoHistoryOfToggle)
        ->Arg(n)
        ->Iterations(20000)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("undo_change_cut_group", BM_CutBigGroup)
        ->Arg(n)
        ->Iterations(5)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("undo_change_cut_group_without_history",
                                 BM_CutBigGroupWithoutHistory)
        ->Arg(n)
        ->Iterations(5)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
}

void printUndoTable(const BenchResults& results, const std::vector<int>& sizes) {
  printf(
      "\n### Undo history: its part of a change (wall ms; goal: under 10 %% of the change)\n\n"
      "| change | N | change ms | history ms | share |\n|---|---|---|---|---|\n");
  for (int n : sizes) {
    printRow(results, "completion toggled", "undo_change_toggle", "undo_history_of_toggle", nullptr,
             n);
    printRow(results, "biggest group cut", "undo_change_cut_group", nullptr,
             "undo_change_cut_group_without_history", n);
  }
  for (int n : sizes) {
    const BenchResult* kept = find(results, "undo_history_of_toggle", n);
    if (kept == nullptr || kept->counters.count("kib_kept") == 0) continue;
    printf(
        "\nAt %d items: %.0f steps of toggles kept take %.0f KiB (bounds: %zu steps, %zu MiB).\n",
        n, kept->counters.at("steps_kept"), kept->counters.at("kib_kept"), UndoHistory::kMaxSteps,
        UndoHistory::kMaxBytes >> 20);
  }
}
