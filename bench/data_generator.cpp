#include "bench/data_generator.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "calendar/date_time.h"
#include "document/zolt.h"

namespace {

const char* const kWords[] = {"call",   "meeting", "report", "garden", "invoice", "doctor",
                              "review", "plan",    "buy",    "write",  "fix",     "ticket",
                              "budget", "school",  "car",    "travel", "read",    "email",
                              "design", "the",     "a",      "for",    "with",    "before"};
constexpr int kNrWords = sizeof kWords / sizeof kWords[0];

const char kFileHead[] = "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n";

// Seconds since 1970 of 2000-01-01 00:00 UTC.
constexpr long kEpoch2000 = 946684800;

int dayNumber(unsigned day) {
  return getNumberOfDay(packedDay(day), packedMonth(day), packedYear(day));
}

unsigned dayFromNumber(int n) {
  int d, m, y;
  getDayByNumber(n, d, m, y);
  return packDate(kNoTime, y, m, d);
}

class Generator {
 public:
  Generator(std::ostream& os, const GeneratorConfig& c)
      : os(os),
        random(c.seed),
        uniform(c.spread == DateSpread::kUniform),
        shortNotes(c.shortNotes),
        firstN(getNumberOfDay(1, 1, kFirstYear)),
        lastN(getNumberOfDay(31, 12, kLastYear)),
        nowN(dayNumber(c.now != 0 ? c.now : packDate(kNoTime, 2026, 1, 5))),
        lastSecondsN(getNumberOfDay(1, 9, 2037)) {}

  void header(int items) {
    os << kFileHead << "<idmax=" << items + 10 << ">\n<idmaxaftersync=0>\n<curGroup=/0/>\n"
       << "<viewtype=tree>\n<mainviewtype=0>\n<sorttype=date>\n"
       << "<cal.date=" << dayFromNumber(nowN) << ">\n<cal.days=42>\n"
       << "<GUIData.nLineNormal=0>\n<GUIData.nLineCal=0>\n"
       << "<Session.uWinHeight=320>\n<Session.uWinWidth=320>\n";
  }

  // The root: the archives of 10,000 to-dos first, then eight subtrees 3 to 5 group levels
  // deep below it (4 to 6 levels with the root).
  void tree(int items) {
    os << "g\ns<unnamed>\nI" << nextID() << "\n";
    int archives = items < 40000 ? 1 : items / 100000;
    int archiveSize = items < 40000 ? items / 4 : 10000;
    for (int i = 0; i < archives; ++i) {
      os << "g\nsArchive " << i << "\nI" << nextID() << "\n";
      for (int k = 0; k < archiveSize; ++k) todo();
      os << ">\n";
    }
    int left = std::max(0, items - archives * (archiveSize + 1) - 1);
    for (int c = 0; c < 8 && left > 0; ++c) {
      int share = c == 7 ? left : left / (8 - c);
      group(share - 1, 3 + pick(3));
      left -= share;
    }
    os << ">\n</data>\n";
  }

 private:
  unsigned nextID() { return ++id; }
  int pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
  int between(int low, int high) { return low + pick(high - low + 1); }

  // A group record holding `budget` items, nested `depth` group levels.
  void group(int budget, int depth) {
    os << "g\nsGroup " << id << "\nI" << nextID() << "\n";
    int priority = pick(20) == 0 ? 1 + pick(6) : 3;
    if (priority != 3) os << "p" << priority << "\n";  // 3 is the default, never written
    if (pick(10) == 0) os << "c0\n";
    if (depth <= 1 || budget < 20) {
      for (int i = 0; i < budget; ++i) todo();
    } else {
      int direct = budget / 10;
      for (int i = 0; i < direct; ++i) todo();
      int children = 3 + pick(5);
      int left = budget - direct;
      for (int c = 0; c < children && left > 0; ++c) {
        int share = c == children - 1 ? left : left / (children - c);
        group(share - 1, depth - 1);
        left -= share;
      }
    }
    os << ">\n";
  }

  // Day numbers of the lifetime; with a uniform spread every one is anywhere in range.
  int anyDay() { return between(firstN, lastN); }
  int pastDay() { return uniform ? anyDay() : between(firstN, nowN - 1); }
  int soonDay(int days) { return uniform ? anyDay() : nowN + pick(days); }
  int laterDay() { return uniform ? anyDay() : between(nowN, lastN); }
  unsigned atTime(int n) { return packTime(dayFromNumber(n), 7 + pick(12), 5 * pick(12)); }
  // Seconds since 1970 are stored in 32 bits: later days count as the last safe one.
  long secondsOf(int n) { return kEpoch2000 + 86400L * (std::min(n, lastSecondsN) - firstN); }

  // The fields of one to-do record, written in the order the program writes them, so a
  // generated file loaded and saved comes out unchanged.
  struct Record {
    unsigned priority = 3;
    bool busy = false;
    unsigned begin = kEmptyDateTime, end = kEmptyDateTime;
    int type = 0, interval = 1;
    unsigned lastDate = kEmptyDateTime;
    bool running = false;
    std::vector<std::pair<long, long>> times;
    long completed = -1;  // completion time, -1 while open
  };

  void write(const Record& r) {
    if (r.priority != 3) os << "p" << r.priority << "\n";
    if (r.busy) os << "S1\n";
    if (r.begin != kEmptyDateTime) os << "m" << r.begin << "\n";
    if (r.end != kEmptyDateTime) os << "n" << r.end << "\n";
    if (r.type != 0) os << "1" << r.type << "\n";
    if (r.type != 0 && r.interval != 1) os << "2" << r.interval << "\n";
    if (r.type != 0 && r.lastDate != kEmptyDateTime) os << "4" << r.lastDate << "\n";
    if (r.running) os << "R\n";
    for (const auto& t : r.times) os << "r" << t.first << "," << t.second << "\n";
    if (r.completed >= 0) os << "f" << r.completed << "\n";
  }

  void description() {
    if (pick(10) < 3) return;
    std::string text;
    int length = shortNotes ? 8 + pick(49) : 40 + pick(320);
    bool lines = pick(4) == 0;
    while (static_cast<int>(text.size()) < length) {
      if (!text.empty()) text += lines && pick(8) == 0 ? '\n' : ' ';
      text += kWords[pick(kNrWords)];
    }
    if (pick(70) == 0) text += std::string(" ") + kRareWord;
    os << "d" << text.size() << "\n" << text << "\n";
  }

  // One to four recorded intervals from day `n` on.
  void times(int n, Record& r) {
    long start = secondsOf(n) + 3600L * between(8, 17);
    for (int i = 1 + pick(4); i > 0; --i) {
      r.times.emplace_back(start, start + 60 * between(5, 245));
      start += 86400L * between(1, 30);
    }
  }

  void appointment(Record& r) {
    r.busy = pick(2) == 0;
    r.priority = r.busy ? 100 : 200;
    int x = pick(100);
    int n = x < 85 ? pastDay() : x < 95 ? soonDay(365) : laterDay();
    r.begin = r.end = atTime(n);
    moveDateTime(r.end, pick(20) == 0 ? between(30, 4320) : between(30, 270));
  }

  // Nearly every series of a lifetime has ended: it carries a last date in the past, and a
  // to-do's last occurrence is completed. Running series: appointments began in the past;
  // to-dos stand near now, for completing one moves it to its following occurrence.
  void recurring(Record& r) {
    r.type = 1 + pick(6);
    bool isAppointment = pick(3) == 0;
    if (isAppointment) {
      if (r.type == 2) r.type = 1;
      r.busy = pick(2) == 0;
      r.priority = r.busy ? 100 : 200;
    }
    bool ended = !uniform && pick(100) < 95;
    int n = std::max(firstN, isAppointment || ended ? pastDay() : soonDay(24) - 3);
    unsigned main = atTime(n), second = main;
    if (isAppointment) {
      moveDateTime(second, between(30, 150));
    } else if (r.type > 2) {
      moveDate(second, -std::min(pick(4), n - firstN));
    }
    r.begin = isAppointment ? main : second;
    r.end = isAppointment ? second : main;
    if (pick(4) == 0) r.interval = between(2, 4);
    if (ended) {
      int last = between(n, std::max(n, nowN - 1));
      r.lastDate = dayFromNumber(last);
      if (!isAppointment) r.completed = secondsOf(last) + 3600 * between(8, 20);
    }
  }

  // A to-do due on a day: nearly always in the past, and then mostly completed.
  void datedToDo(Record& r) {
    int x = pick(1000);
    bool past = x < 995;
    int n = past ? pastDay() : x < 999 ? soonDay(120) : laterDay();
    r.end = pick(2) == 0 ? atTime(n) : dayFromNumber(n);
    if (pick(2) == 0) {
      r.begin = r.end;
      moveDate(r.begin, -std::min(between(1, 30), n - firstN));
    }
    if (pick(7) == 0) times(n, r);
    bool done = uniform ? pick(10) == 0 : pick(100) < (past ? 95 : 5);
    if (done) r.completed = secondsOf(n) + pick(5 * 86400);
  }

  void undatedToDo(Record& r) {
    bool done = uniform ? pick(10) == 0 : pick(10) < 6;
    if (pick(7) == 0) times(pastDay(), r);
    if (done) {
      r.completed = secondsOf(pastDay());
    } else if (pick(500) == 0) {
      long start = secondsOf(nowN);
      r.running = true;
      r.times.emplace_back(start, start);  // open while it runs
    }
  }

  void todo() {
    int kind = pick(100);
    os << "t\ns" << kWords[pick(kNrWords)] << " item " << id << "\nI" << nextID() << "\n";
    Record r;
    if (kind < 20) {
      appointment(r);
    } else if (kind < 30) {
      recurring(r);
    } else {
      if (pick(4) == 0) r.priority = 1 + pick(6);
      if (kind < 70) {
        datedToDo(r);
      } else {
        undatedToDo(r);
      }
    }
    write(r);
    description();
    os << ">\n";
  }

  std::ostream& os;
  std::mt19937 random;
  bool uniform;
  bool shortNotes;
  int firstN, lastN, nowN, lastSecondsN;
  unsigned id = 0;
};

void collectToDos(ToDoListGroup* g, std::vector<ToDoListToDo*>& out) {
  out.insert(out.end(), g->getToDos().begin(), g->getToDos().end());
  for (ToDoListGroup* s : g->getGroups()) collectToDos(s, out);
}

// One journal change of `t` in `z`, as the item editor makes it.
int changeToDo(Zolt& z, ToDoListToDo* t, int n) {
  z.setItem(t);
  switch (n % 3) {
    case 0:
      (void)z.setItemCompleted();  // refused for appointments: the record is written anyway
      break;
    case 1:
      z.setItemSummary("changed " + std::to_string(n));
      break;
    default:
      z.setItemDescription(("edited in the journal, change " + std::to_string(n)).c_str());
      break;
  }
  return z.incsave_saveCurItem();
}

int addToDo(Zolt& z, ToDoListToDo* beside, int n) {
  ToDoListGroup* g = z.getRoot()->getGroupPtr(beside->getPath());
  if (g == nullptr) return -1;
  z.setGroup(g);
  if (z.newToDo(3, 0) != 0) return -1;
  z.setItemSummary("new " + std::to_string(n));
  z.setItemDescription("added between two full saves");
  z.incsave_newItem();
  return z.incsave_saveCurItem();
}

int deleteToDo(Zolt& z, ToDoListToDo* t) {
  ToDoListGroup* g = z.getRoot()->getGroupPtr(t->getPath());
  if (g == nullptr) return -1;
  z.setGroup(g);
  z.setItem(t);
  return z.delToDo();
}

// The item record of journal file `name` (none for a deleted-item record).
std::string itemRecordOf(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  // Head (3 lines), wrapper line, the record, closing lines, "</data>".
  if (lines.size() < 6) return std::string();
  size_t drop = lines[3].compare(0, 5, "<new ") == 0 ? 3 : 2;  // ">" closes the parent
  if (lines[3] == "<deleted>") return std::string();
  std::string record;
  for (size_t i = 4; i + drop < lines.size(); ++i) record += lines[i] + "\n";
  return record;
}

int writeOneFile(const std::string& journalBase, int count, const std::string& oneFile) {
  std::ofstream os(oneFile, std::ios::binary | std::ios::trunc);
  os << kFileHead << "<idmax=1>\n<curGroup=/0/>\ng\ns<unnamed>\nI1\n";
  for (int n = 0; n < count; ++n) os << itemRecordOf(journalBase + std::to_string(n));
  os << ">\n</data>\n";
  os.close();
  return os.fail() ? -1 : 0;
}

}  // namespace

int generateDataFile(const std::string& fileName, const GeneratorConfig& config) {
  std::ofstream os(fileName, std::ios::binary | std::ios::trunc);
  Generator g(os, config);
  g.header(config.items);
  g.tree(config.items);
  os.close();
  return os.fail() ? -1 : 0;
}

int generateJournal(const std::string& fileName, int count, unsigned seed,
                    const std::string& oneFile) {
  Zolt z;
  z.createRoot();
  if (z.readData(fileName.c_str()) != 0) return -1;
  std::vector<ToDoListToDo*> todos;
  collectToDos(z.getRoot(), todos);
  std::mt19937 random(seed ^ 0x5eedu);
  for (int n = 0; n < count && !todos.empty(); ++n) {
    size_t k = random() % todos.size();
    ToDoListToDo* t = todos[k];
    int kind = static_cast<int>(random() % 10);
    int result;
    if (kind < 7) {
      result = changeToDo(z, t, n);
    } else if (kind < 9) {
      result = addToDo(z, t, n);
      todos.push_back(z.getCurItem());
    } else {
      result = deleteToDo(z, t);
      todos[k] = todos.back();
      todos.pop_back();
    }
    if (result != 0) return -1;
  }
  if (z.incsave_getNrOfFiles() != count) return -1;
  return oneFile.empty() ? 0 : writeOneFile(fileName, count, oneFile);
}

int generateEncryptedFile(const std::string& source, const std::string& target, int count) {
  Zolt z;
  z.createRoot();
  if (z.readData(source.c_str()) != 0) return -1;
  if (z.getKeys().AddPwd("bench", kBenchPassword) != 0) return -1;
  std::vector<ToDoListToDo*> todos, described;
  collectToDos(z.getRoot(), todos);
  for (ToDoListToDo* t : todos) {
    if (t->getDescrData().getLen() > 0) described.push_back(t);
  }
  if (count <= 0 || static_cast<size_t>(count) > described.size()) return -1;
  size_t step = described.size() / static_cast<size_t>(count);
  for (int i = 0; i < count; ++i) described[i * step]->SetSaveCrypt(true);
  return z.writeData(target.c_str());
}
