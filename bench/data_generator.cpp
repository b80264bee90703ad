#include "bench/data_generator.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "calendar/date_time.h"

namespace {

const char* const kWords[] = {"call",   "meeting", "report", "garden", "invoice", "doctor",
                              "review", "plan",    "buy",    "write",  "fix",     "ticket",
                              "budget", "school",  "car",    "travel", "read",    "email",
                              "design", "the",     "a",      "for",    "with",    "before"};

class Generator {
 public:
  Generator(std::ostream& os, unsigned seed) : os(os), random(seed) {}

  void header(int items) {
    os << "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n"
       << "<idmax=" << items + 10 << ">\n<idmaxaftersync=0>\n<curGroup=/0/>\n"
       << "<viewtype=tree>\n<mainviewtype=0>\n<sorttype=date>\n"
       << "<cal.date=" << packDate(kNoTime, 2026, 1, 5) << ">\n<cal.days=42>\n"
       << "<GUIData.nLineNormal=0>\n<GUIData.nLineCal=0>\n"
       << "<Session.uWinHeight=320>\n<Session.uWinWidth=320>\n";
  }

  // The root and everything below it: a few big flat groups, the rest in a deep tree.
  void tree(int items) {
    os << "g\ns<unnamed>\nI" << nextID() << "\n";
    int big = items >= 40000 ? items / 10 / 10000 : 1;
    int bigSize = std::min(10000, items / 4);
    for (int i = 0; i < big; ++i) {
      os << "g\nsArchive " << i << "\nI" << nextID() << "\n";
      for (int k = 0; k < bigSize; ++k) todo();
      os << ">\n";
    }
    group(1, std::max(0, items - big * (bigSize + 1)), 4 + static_cast<int>(random() % 3));
    os << ">\n</data>\n";
  }

  unsigned items() const { return id; }

 private:
  unsigned nextID() { return ++id; }
  int pick(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

  // A group record with about `budget` items below it, nested `depth` more levels.
  void group(int level, int budget, int depth) {
    if (level > 1) os << "g\nsGroup " << id << "\nI" << nextID() << "\n";
    if (level > 1 && pick(20) == 0) os << "p" << 1 + pick(6) << "\n";
    if (depth <= 1 || budget < 20) {
      for (int i = 0; i < budget; ++i) todo();
    } else {
      int direct = budget / 10;
      for (int i = 0; i < direct; ++i) todo();
      int children = 3 + pick(5);
      int left = budget - direct;
      for (int c = 0; c < children && left > 0; ++c) {
        int share = c == children - 1 ? left : left / (children - c);
        group(level + 1, share - 1, depth - 1);
        left -= share;
      }
    }
    if (level > 1) os << ">\n";
  }

  unsigned randomDay() {
    int year = 2000 + pick(127);
    int month = 1 + pick(12);
    return packDate(kNoTime, year, month, 1 + pick(MaxTag(month, year)));
  }
  unsigned withTime(unsigned day) { return packTime(day, 7 + pick(12), 5 * pick(12)); }

  void description() {
    int kind = pick(10);
    if (kind < 3) return;
    std::string text;
    int length = 40 + pick(320);
    while (static_cast<int>(text.size()) < length) {
      if (!text.empty()) text += pick(12) == 0 ? '\n' : ' ';
      text += kWords[pick(sizeof kWords / sizeof kWords[0])];
    }
    if (pick(70) == 0) text += std::string(" ") + kRareWord;
    os << "d" << text.size() << "\n" << text << "\n";
  }

  void recurrence(bool appointment) {
    int type = 1 + pick(6);
    if (appointment && type == 2) type = 1;
    os << "1" << type << "\n";
    if (pick(3) == 0) os << "2" << 2 + pick(3) << "\n";
  }

  void times() {
    int n = 1 + pick(4);
    int start = 946684800 + pick(800000000);
    for (int i = 0; i < n; ++i) {
      os << "r" << start << "," << start + 60 * (5 + pick(240)) << "\n";
      start += 86400 * (1 + pick(30));
    }
  }

  // One to-do record of a random kind.
  void todo() {
    int kind = pick(100);
    os << "t\ns" << kWords[pick(sizeof kWords / sizeof kWords[0])] << " item " << id << "\nI"
       << nextID() << "\n";
    bool appointment = kind < 20;
    bool recurring = kind >= 20 && kind < 30;
    bool dated = kind < 70;
    if (appointment) {
      bool busy = pick(2) == 0;
      os << "p" << (busy ? 100 : 200) << "\n";
      if (busy) os << "S1\n";
    } else if (pick(4) == 0) {
      os << "p" << 1 + pick(6) << "\n";
    }
    if (dated) {
      unsigned first = withTime(randomDay());
      unsigned second = first;
      moveDateTime(second, 30 + pick(3000));
      if (appointment || recurring || pick(2) == 0) os << "m" << first << "\n";
      os << "n" << second << "\n";
      if (recurring) recurrence(appointment);
    }
    if (pick(7) == 0) times();
    if (!appointment && pick(10) == 0) os << "f" << 1000000000 + pick(700000000) << "\n";
    description();
    os << ">\n";
  }

  std::ostream& os;
  std::mt19937 random;
  unsigned id = 0;
};

}  // namespace

int generateDataFile(const std::string& fileName, int items, unsigned seed) {
  std::ofstream os(fileName, std::ios::binary | std::ios::trunc);
  Generator g(os, seed);
  g.header(items);
  g.tree(items);
  os.close();
  return os.fail() ? -1 : 0;
}

int generateJournal(const std::string& fileName, int count, unsigned seed) {
  std::mt19937 random(seed ^ 0x5eed);
  for (int n = 0; n < count; ++n) {
    std::ofstream os(fileName + std::to_string(n), std::ios::binary | std::ios::trunc);
    // Identifiers 2 .. 1000 are groups or to-dos near the top of the file; a changed group
    // record fits either kind only for groups, so change to-dos of the first big group.
    unsigned sid = 3 + random() % 900;
    os << "<type=Zolt>\n<version=2009-02-12_a1b2c3d4e5f6>\n<data>\n<changed>\nt\nsChanged " << n
       << "\nI" << sid << "\nn" << packDate(kNoTime, 2026, 1 + n % 12, 1 + n % 28)
       << "\n>\n</changed>\n</data>\n";
    if (os.fail()) return -1;
  }
  return 0;
}
