// The benchmark of the main window: the work the window adds to the document's, each
// measured beside the document work it wraps. Rebuilding the list of the flat view of
// the root (showList) beside the document's own redraw; the time from exec to the first
// drawn window of a real `zolt -f FILE` beside a fresh `zolt -q -f FILE`; one completion
// toggled from the keyboard, journal record and drawing included, beside one redraw of the
// view and one journal record. Needs a display (bench.sh runs it under xvfb-run).
// bench/README.md says what each line measures.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/data_generator.h"
#include "bench/goal_table.h"
#include "bench/table_reporter.h"
#include "document/list_format.h"
#include "document/zolt.h"
#include "gui/messages.h"
#include "gui/row_list.h"
#include "gui/zolt_gui.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The window is drawn once nothing more reaches it for this long after its first drawing.
constexpr auto kPaintQuiet = std::chrono::milliseconds(150);
// A program that shows no window within this time has failed.
constexpr auto kWindowTimeout = std::chrono::seconds(60);
// The list's mark column, left of the text, in pixels.
constexpr int kMarkColumn = 26;

std::string workDir;
std::string homeDir;  // an empty home for the programs started, so no user setting counts
unsigned today;

void fail(const std::string& what) {
  fprintf(stderr, "%s\n", what.c_str());
  exit(1);
}

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A generated file, made once on first use.
const std::string& generated(const std::string& name, const GeneratorConfig& c) {
  static std::map<std::string, std::string> made;
  auto it = made.find(name);
  if (it != made.end()) return it->second;
  std::string path = workDir + "/" + name;
  if (generateDataFile(path, c) != 0) fail("cannot make " + path);
  return made[name] = path;
}

const std::string& masterFile(int n) {
  GeneratorConfig c;
  c.items = n;
  c.now = today;
  return generated("lifetime" + std::to_string(n) + ".dat", c);
}

// Dates spread evenly over the years: the worst calendar, opened on kUniformDay.
const std::string& uniformFile(int n) {
  GeneratorConfig c;
  c.items = n;
  c.spread = DateSpread::kUniform;
  return generated("uniform" + std::to_string(n) + ".dat", c);
}

// ---- a document in a real window, kept while the benchmarks of one size run ----

// The window shows the flat view of the root: every item of the file is a line.
struct WindowFixture {
  std::string source;  // the generated file it was made from
  bool journal = false;
  std::string fileName;
  std::unique_ptr<Zolt> doc;
  ZoltGUI* window = nullptr;  // owned; deleted before the document

  ~WindowFixture() {
    if (window) {
      window->hide();
      delete window;
    }
    if (doc && journal) doc->incsave_delFiles();
  }
};

// Shows the window and waits until it has drawn itself once. FLTK draws nothing into a
// window before its first Expose event has been handled (Fl::flush skips it until then), so
// the wait for that event matters: without it no benchmark here would draw anything.
void showAndDraw(ZoltGUI* w) {
  w->show();
  w->wait_for_expose();
  Fl::flush();
  XSync(fl_display, False);
}

// The fixture of `n` items; with `journal`, over a copy of the file in a directory of its
// own, since every toggle writes a journal file beside it. One fixture lives at a time: a
// million-item document and its browser lines take about 700 MB.
std::unique_ptr<WindowFixture> current;

// The window over `source` (a copy of it with `journal`), showing the flat view of the root.
WindowFixture& fixtureOf(const std::string& source, bool journal) {
  if (current && current->source == source && current->journal == journal) return *current;
  current.reset();
  auto f = std::make_unique<WindowFixture>();
  f->source = source;
  f->journal = journal;
  f->fileName = source;
  if (journal) {
    std::string dir = workDir + "/journal_" + fs::path(source).stem().string();
    fs::create_directories(dir);
    f->fileName = dir + "/toggle.dat";
    fs::copy_file(source, f->fileName, fs::copy_options::overwrite_existing);
  }
  f->doc.reset(new Zolt());
  f->doc->createRoot();
  std::string error;
  if (f->doc->readData(f->fileName.c_str()) != 0 || f->doc->incsave_readFiles(error) < 0) {
    fail("cannot read " + f->fileName);
  }
  f->window = new ZoltGUI(640, 480, "bench");
  mainWin = f->window;
  f->window->makeWindows();
  std::string exchange = workDir + "/exchange.dat";
  f->window->init(f->doc.get(), exchange.c_str());
  f->window->showMain(kScreenList);
  f->doc->setMainViewType(kMainViewNormal);
  f->doc->setOptViewtype(kViewFlat);
  f->window->showList(0);
  showAndDraw(f->window);
  current = std::move(f);
  return *current;
}

WindowFixture& fixture(int n, bool journal) { return fixtureOf(masterFile(n), journal); }

int sizeArg(const benchmark::State& state) { return static_cast<int>(state.range(0)); }

// One redraw as the window does it, without the window: free the rows, build, sort.
void redraw(Zolt& z) {
  z.clearViewData();
  z.getContent();
  z.sortContent();
}

// ---- showList beside the document's redraw ----

void BM_ShowList(benchmark::State& state) {
  WindowFixture& f = fixture(sizeArg(state), false);
  for (auto _ : state) f.window->showList(0);
  state.counters["rows"] = static_cast<double>(f.doc->lineCount());
  state.counters["lines"] = f.window->list()->size();
}

// The same document with the options showList set from the root's flags.
void BM_ShowListFloor(benchmark::State& state) {
  WindowFixture& f = fixture(sizeArg(state), false);
  for (auto _ : state) redraw(*f.doc);
  state.counters["rows"] = static_cast<double>(f.doc->lineCount());
  f.window->showList(0);  // the browser's lines name the rows again
}

// ---- one completion toggled from the keyboard ----

// The list line of the first open to-do without recurrence, or 0: completing it needs no
// message box, and every toggle completes a different one.
int lineOfOpenToDo(Zolt& doc) {
  for (size_t line = 0; line < doc.lineCount(); ++line) {
    const T_viewDataItem& r = doc.lineRow(line);
    if (r.isGroup || r.completed || r.priority > 6) continue;
    auto* t = static_cast<ToDoListToDo*>(doc.lineItem(line));
    T_recData rec;
    t->getRecData(rec);
    if (rec.type == 0 && !t->isRunning()) return static_cast<int>(line) + 1;
  }
  return 0;
}

// The key press to the redrawn list: Enter on the selected line as the window receives it,
// then the drawing, until the display server has done it.
void BM_ToggleCompleted(benchmark::State& state) {
  WindowFixture& f = fixture(sizeArg(state), true);
  ZoltGUI* w = f.window;
  for (auto _ : state) {
    state.PauseTiming();
    f.doc->incsave_delFiles();  // every record is the first, as in the floor
    int line = lineOfOpenToDo(*f.doc);
    if (line == 0) {
      state.SkipWithError("no open to-do left");
      break;
    }
    w->list()->select(line);
    Fl::flush();
    XSync(fl_display, False);
    state.ResumeTiming();
    Fl::e_keysym = FL_Enter;
    Fl::e_state = 0;
    w->handle(FL_KEYBOARD);
    Fl::flush();
    XSync(fl_display, False);
  }
  f.doc->incsave_delFiles();
  state.counters["rows"] = static_cast<double>(f.doc->lineCount());
}

// One redraw of the same view and one changed-item record of an open to-do.
void BM_ToggleFloor(benchmark::State& state) {
  WindowFixture& f = fixture(sizeArg(state), true);
  for (auto _ : state) {
    state.PauseTiming();
    f.doc->incsave_delFiles();
    int line = lineOfOpenToDo(*f.doc);
    if (line == 0 || f.doc->setItem2ViewItem(f.doc->rowIndexOfLine(line - 1)) != 0) {
      state.SkipWithError("no open to-do left");
      break;
    }
    state.ResumeTiming();
    redraw(*f.doc);
    if (f.doc->incsave_saveCurItem() != 0) state.SkipWithError("journal write failed");
  }
  f.doc->incsave_delFiles();
  state.counters["rows"] = static_cast<double>(f.doc->lineCount());
  f.window->showList(0);
}

// ---- a key to the window, drawn ----

// `key` as the window receives it from the keyboard, then the drawing, until the display
// server has done it.
void pressKey(ZoltGUI* w, int key) {
  Fl::e_keysym = key;
  Fl::e_state = 0;
  w->handle(FL_KEYBOARD);
}

void drawNow() {
  Fl::flush();
  XSync(fl_display, False);
}

// ---- the calendar in a shown window ----

// The worst calendar: 42 days of the uniform file from this day.
unsigned uniformDay() { return packDate(kNoTime, 2060, 3, 1); }

// From the normal view, the command that switches to the calendar of 42 days from
// `firstDay`, to its first page drawn (the counter first_page_ms); then End, to the last
// page shown and drawn: every line is reachable (the time of the iteration). Switching back
// to the normal view (the tree of the root, a few lines) is not timed.
void calendarShown(benchmark::State& state, const std::string& source, unsigned firstDay) {
  WindowFixture& f = fixtureOf(source, false);
  ZoltGUI* w = f.window;
  f.doc->setOptViewtype(kViewTree);
  w->showList(0);
  drawNow();
  double firstPage = -1;
  for (auto _ : state) {
    if (f.doc->getMainViewType() == kMainViewCalendar) w->CB_Menu_ZoltView(kMainViewNormal);
    f.doc->setNLineCal(0);
    f.doc->setCalSpan(42);
    f.doc->setCalFirstDay(firstDay);
    drawNow();
    auto start = Clock::now();
    w->CB_Menu_ZoltView(kMainViewCalendar);
    drawNow();
    firstPage = msSince(start);
    pressKey(w, FL_End);
    drawNow();
    state.SetIterationTime(msSince(start) / 1e3);
    if (w->list()->value() != w->list()->size()) {
      state.SkipWithError("End did not reach the last line");
      break;
    }
  }
  state.counters["first_page_ms"] = firstPage;
  state.counters["lines"] = w->list()->size();
  if (w->list()->size() <= 0) state.SkipWithError("the calendar shows nothing");
  w->CB_Menu_ZoltView(kMainViewNormal);
  f.doc->setOptViewtype(kViewFlat);
  w->showList(0);
  drawNow();
}

void BM_CalendarUniform(benchmark::State& state) {
  calendarShown(state, uniformFile(sizeArg(state)), uniformDay());
}

void BM_CalendarToday(benchmark::State& state) {
  calendarShown(state, masterFile(sizeArg(state)), today);
}

// ---- one page scrolled ----

// Page Down sent to the window showing the flat view of the root, to the drawn page. The
// selection starts on the first line and goes back there (not timed) before the last page.
void BM_PageDown(benchmark::State& state) {
  WindowFixture& f = fixture(sizeArg(state), false);
  ZoltGUI* w = f.window;
  pressKey(w, FL_Home);
  drawNow();
  long moved = 0, pages = 0;
  for (auto _ : state) {
    // Back to the top two pages before the end (a line is at least 10 pixels high).
    if (w->list()->value() + 2 * w->list()->h() / 10 >= w->list()->size()) {
      state.PauseTiming();
      pressKey(w, FL_Home);
      drawNow();
      state.ResumeTiming();
    }
    int before = w->list()->value(), top = w->list()->topline();
    pressKey(w, FL_Page_Down);
    drawNow();
    moved += w->list()->topline() - top;
    pages += w->list()->value() > before;
  }
  state.counters["rows"] = static_cast<double>(f.doc->lineCount());
  // Lines the list scrolled by a Page Down, on average: the page it drew anew.
  state.counters["lines_scrolled"] = pages > 0 ? static_cast<double>(moved) / pages : 0;
  if (pages == 0) state.SkipWithError("Page Down moved nothing");
}

// The lines the list shows from its first visible one (the last may show in part).
int shownLines(ZoltGUI* w) {
  int shown = 0;
  for (int l = std::max(1, w->list()->topline()); l <= w->list()->size() && w->list()->displayed(l);
       ++l) {
    ++shown;
  }
  return std::max(1, shown);
}

// The least any list must do for a page: read the rows of the lines it shows through the
// document's line readers, make each one's text, fill the line's background (the rows
// alternate between two colours) and draw the text with fl_draw into the same window, until
// the display server has done it. The page is as many lines as the list shows, as high as
// the list's lines; each iteration draws the next page.
void BM_PageDownFloor(benchmark::State& state) {
  WindowFixture& f = fixture(sizeArg(state), false);
  ZoltGUI* w = f.window;
  Fl_Widget* list = w->list();
  int size = w->textSize(), page = shownLines(w);
  fl_font(FL_HELVETICA, size);
  int lineHeight = std::max(fl_height(), list->h() / page);
  size_t count = f.doc->lineCount(), top = 0;
  std::string text;
  for (auto _ : state) {
    top = top + 2 * page < count ? top + page : 0;
    w->make_current();
    fl_push_clip(list->x(), list->y(), list->w(), list->h());
    fl_font(FL_HELVETICA, size);
    for (int i = 0; i < page && top + i < count; ++i) {
      size_t line = top + i;
      int y = list->y() + i * lineHeight;
      formatListLine(f.doc->lineRow(line), line % 2 == 1, text);
      fl_color(line % 2 == 1 ? fl_gray_ramp(FL_NUM_GRAY - 3) : FL_BACKGROUND2_COLOR);
      fl_rectf(list->x(), y, list->w(), lineHeight);
      size_t codes = text.find("@.");  // the format codes end there; the text follows
      fl_color(FL_FOREGROUND_COLOR);
      fl_draw(text.c_str() + (codes == std::string::npos ? 0 : codes + 2), list->x() + kMarkColumn,
              y + lineHeight - fl_descent());
    }
    fl_pop_clip();
    XSync(fl_display, False);
  }
  state.counters["rows"] = static_cast<double>(count);
  state.counters["page_lines"] = page;
  w->redraw();
  drawNow();
}

// ---- exec to the first drawn window, beside zolt -q ----

std::string zoltProgram() {
  char self[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) fail("cannot find this program");
  self[n] = '\0';
  return (fs::path(self).parent_path().parent_path() / "zolt").string();
}

// Starts `args` with HOME set to the empty home and its output thrown away.
pid_t spawn(const std::vector<std::string>& args) {
  std::vector<std::string> env = {"HOME=" + homeDir};
  for (char** e = environ; *e; ++e) {
    if (strncmp(*e, "HOME=", 5) != 0) env.push_back(*e);
  }
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) fail("cannot start " + args[0]);
  return pid;
}

void BM_QuitAfterLoading(benchmark::State& state) {
  std::string program = zoltProgram(), name = masterFile(sizeArg(state));
  current.reset();
  for (auto _ : state) {
    auto start = Clock::now();
    pid_t pid = spawn({program, "-q", "-f", name});
    int status = 0;
    waitpid(pid, &status, 0);
    state.SetIterationTime(msSince(start) / 1e3);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("zolt -q failed");
  }
}

// When the window of a program started at `start` was mapped (and so viewable: there is
// no window manager to reparent it) and when it was drawn, in ms from the start. Drawn is
// the last change to the screen before kPaintQuiet without any: the end of the first paint.
struct FirstDraw {
  double mapped = -1, drawn = -1;
  int drawings = 0;  // damage rectangles from the map to the end of the first paint
};

bool isZoltWindow(Display* d, Window w) {
  char* name = nullptr;
  bool zolt = XFetchName(d, w, &name) && name && strncmp(name, "Zolt: ", 6) == 0;
  if (name) XFree(name);
  return zolt;
}

// Waits for the next event up to `until`; false when none came in time.
bool nextEvent(Display* d, XEvent& e, Clock::time_point until) {
  while (XPending(d) == 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() <= 0) return false;
    pollfd p = {ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left.count()));
  }
  XNextEvent(d, &e);
  return true;
}

// Watches the screen from outside, as a person would see it: the root window's map events
// and a damage report on the root, whose raw rectangles tell every drawing that reaches
// the screen, whichever window it is in. Nothing can be missed by starting to watch a
// window too late.
FirstDraw watchFirstDraw(Display* d, int damageEvent, Clock::time_point start) {
  FirstDraw result;
  auto until = start + kWindowTimeout;
  Clock::time_point last;
  XEvent e;
  while (nextEvent(d, e, result.drawn >= 0 ? last + kPaintQuiet : until)) {
    if (e.type == MapNotify && result.mapped < 0 && isZoltWindow(d, e.xmap.window)) {
      result.mapped = msSince(start);
    } else if (e.type == damageEvent + XDamageNotify && result.mapped >= 0) {
      last = Clock::now();
      result.drawn = msSince(start);
      ++result.drawings;
    }
  }
  if (result.drawn >= 0) {
    result.drawn = std::chrono::duration<double, std::milli>(last - start).count();
  }
  return result;
}

void BM_FirstDrawnWindow(benchmark::State& state) {
  std::string program = zoltProgram(), name = masterFile(sizeArg(state));
  Display* d = XOpenDisplay(nullptr);
  int damageEvent = 0, damageError = 0;
  if (d == nullptr || !XDamageQueryExtension(d, &damageEvent, &damageError)) {
    state.SkipWithError("no display with the DAMAGE extension");
    if (d) XCloseDisplay(d);
    return;
  }
  current.reset();  // no other window of this process on the screen, nor its memory
  XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
  XDamageCreate(d, DefaultRootWindow(d), XDamageReportRawRectangles);
  XSync(d, False);
  FirstDraw last;
  for (auto _ : state) {
    auto start = Clock::now();
    pid_t pid = spawn({program, "-f", name});
    last = watchFirstDraw(d, damageEvent, start);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    // A failed run still reports its counters, or Google Benchmark's statistics of the
    // repetitions fail.
    state.counters["mapped_ms"] = last.mapped;
    state.counters["drawings"] = last.drawings;
    if (last.drawn < 0) {
      state.SkipWithError("no window drawn");
      break;
    }
    state.SetIterationTime(last.drawn / 1e3);
  }
  XCloseDisplay(d);
}

void registerAll(const std::vector<int>& ns) {
  using Fn = void (*)(benchmark::State&);
  for (int n : ns) {
    // Three runs each, of which the median counts: this machine is shared and noisy.
    for (const auto& b : {std::pair<const char*, Fn>{"gui_show_list", BM_ShowList},
                          {"gui_show_list_floor", BM_ShowListFloor}}) {
      withSpread(benchmark::RegisterBenchmark(b.first, b.second))
          ->Arg(n)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true)
          ->Unit(benchmark::kMillisecond);
    }
    withSpread(benchmark::RegisterBenchmark("gui_page_down", BM_PageDown))
        ->Arg(n)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    withSpread(benchmark::RegisterBenchmark("gui_page_down_floor", BM_PageDownFloor))
        ->Arg(n)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    for (const auto& b : {std::pair<const char*, Fn>{"gui_calendar_uniform", BM_CalendarUniform},
                          {"gui_calendar_today", BM_CalendarToday}}) {
      withSpread(benchmark::RegisterBenchmark(b.first, b.second))
          ->Arg(n)
          ->Iterations(1)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
    // Each toggle completes another to-do; a fixed count keeps them within the file's.
    int toggles = n >= 1000000 ? 3 : 10;
    for (const auto& b : {std::pair<const char*, Fn>{"gui_toggle_completed", BM_ToggleCompleted},
                          {"gui_toggle_floor", BM_ToggleFloor}}) {
      withSpread(benchmark::RegisterBenchmark(b.first, b.second))
          ->Arg(n)
          ->Iterations(toggles)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
    for (const auto& b :
         {std::pair<const char*, Fn>{"zolt_quit_after_loading", BM_QuitAfterLoading},
          {"gui_first_drawn_window", BM_FirstDrawnWindow}}) {
      withSpread(benchmark::RegisterBenchmark(b.first, b.second))
          ->Arg(n)
          ->Iterations(1)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (getenv("DISPLAY") == nullptr) fail("zolt_gui_bench needs a display: run it under xvfb-run");
  std::string dirTemplate = (fs::temp_directory_path() / "zolt_gui_bench_XXXXXX").string();
  if (mkdtemp(dirTemplate.data()) == nullptr) fail("cannot make a working directory");
  workDir = dirTemplate;
  homeDir = workDir + "/home";
  fs::create_directories(homeDir);
  today = getTodayDate(kNoTime);
  fl_open_display();
  // A message box would wait for a person; none is expected, and any goes to stderr.
  setDialogSeam(standardErrorSeam());
  std::vector<int> ns = benchSizes();
  registerAll(ns);
  benchmark::Initialize(&argc, argv);
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  current.reset();
  printGuiGoalTable(reporter.results, ns);
  fs::remove_all(workDir);
  return 0;
}
