#include "model/todo_list_todo.h"

#include <sys/mman.h>

#include <cstdint>
#include <ctime>
#include <new>

#include "document/view_data.h"
#include "util/clock.h"
#include "util/text_cut.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZOLT_TODO_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ZOLT_TODO_POOL 0
#endif
#endif
#ifndef ZOLT_TODO_POOL
#define ZOLT_TODO_POOL 1
#endif

namespace {

#if ZOLT_TODO_POOL
// Slots of one size cut from 2 MiB blocks aligned to 2 MiB, so that a block can be one
// huge page: loading 100,000 to-dos then touches a dozen pages instead of 5,000. Freed
// slots form a list through their first bytes. GUI thread only, like the tree.
class SlotPool {
 public:
  explicit SlotPool(size_t slotSize) : slotSize((slotSize + 15) & ~size_t{15}) {}
  void* take() {
    if (freeSlots != nullptr) {
      void* slot = freeSlots;
      freeSlots = *static_cast<void**>(slot);
      return slot;
    }
    if (static_cast<size_t>(limit - next) < slotSize) newBlock();
    void* slot = next;
    next += slotSize;
    return slot;
  }
  void give(void* slot) {
    *static_cast<void**>(slot) = freeSlots;
    freeSlots = slot;
  }

 private:
  static constexpr size_t kBlock = size_t{2} << 20;
  void newBlock() {
    // Twice the size, then the unaligned ends cut away.
    void* mapped =
        mmap(nullptr, 2 * kBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto start = reinterpret_cast<uintptr_t>(mapped);
    uintptr_t aligned = (start + kBlock - 1) & ~(kBlock - 1);
    if (aligned > start) munmap(mapped, aligned - start);
    uintptr_t tail = aligned + kBlock;
    if (start + 2 * kBlock > tail) munmap(reinterpret_cast<void*>(tail), start + 2 * kBlock - tail);
    madvise(reinterpret_cast<void*>(aligned), kBlock, MADV_HUGEPAGE);
    next = reinterpret_cast<char*>(aligned);
    limit = next + kBlock;
  }

  size_t slotSize;
  void* freeSlots = nullptr;
  char* next = nullptr;
  char* limit = nullptr;
};

SlotPool& toDoPool() {
  static SlotPool* pool = new SlotPool(sizeof(ToDoListToDo));  // lives as long as its slots
  return *pool;
}
#endif

}  // namespace

void* ToDoListToDo::operator new(size_t size) {
#if ZOLT_TODO_POOL
  if (size == sizeof(ToDoListToDo)) return toDoPool().take();
#endif
  return ::operator new(size);
}

void ToDoListToDo::operator delete(void* p, size_t size) {
  if (p == nullptr) return;
#if ZOLT_TODO_POOL
  if (size == sizeof(ToDoListToDo)) {
    toDoPool().give(p);
    return;
  }
#endif
  ::operator delete(p);
}

ToDoListToDo::ToDoListToDo(unsigned id, std::string path) : ToDoListItem(id, std::move(path)) {}

ToDoListToDo::ToDoListToDo(const ToDoListToDo& o) : ToDoListItem(0, std::string()) { *this = o; }

ToDoListToDo::~ToDoListToDo() {
  if (calPos.cal != nullptr) removeFromCalLists(*calPos.cal);
}

ToDoListToDo& ToDoListToDo::operator=(const ToDoListToDo& o) {
  if (this == &o) return *this;
  // Dates, priority and recurrence change below: a listed to-do must not keep its old entry.
  T_Calendar* cal = calPos.cal;
  if (cal != nullptr) removeFromCalLists(*cal);
  copyFields(o);
  if (cal != nullptr) putIntoCalList(*cal);
  return *this;
}

void ToDoListToDo::copyFields(const ToDoListToDo& o) {
  description = o.description;
  times = o.times;
  completed = o.completed;
  showTimeAs = o.showTimeAs;
  running = o.running;
  begin = o.begin;
  end = o.end;
  recData = o.recData;
  copyBaseFrom(o);
}

static bool sameTimes(const std::vector<T_workingTimes>& a, const std::vector<T_workingTimes>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].begin != b[i].begin || a[i].end != b[i].end) return false;
  }
  return true;
}

bool ToDoListToDo::operator==(const ToDoListToDo& o) const {
  return description == o.description && sameTimes(times, o.times) && completed == o.completed &&
         showTimeAs == o.showTimeAs && running == o.running && begin == o.begin && end == o.end &&
         recData == o.recData && baseEquals(o);
}

int ToDoListToDo::clearCompleted() {
  if (isAppointment() || !completed.completed) return -2;
  completed.completed = false;
  return 0;
}

int ToDoListToDo::setRunning(bool on) {
  if (running == on) return -1;
  int32_t now = static_cast<int32_t>(zoltNow());
  if (on) {
    times.push_back(T_workingTimes{now, now});
  } else if (!times.empty()) {
    times.back().end = now;
  }
  running = on;
  return 0;
}

void ToDoListToDo::addTime(long b, long e) {
  times.push_back(T_workingTimes{static_cast<int32_t>(b), static_cast<int32_t>(e)});
}

double ToDoListToDo::getTimeSum() const {
  size_t closed = times.size();
  if (running && closed > 0) --closed;
  double sum = 0;
  for (size_t i = 0; i < closed; ++i) sum += static_cast<double>(times[i].end) - times[i].begin;
  return sum;
}

// Descriptions shown in place of a summary are cut to this many characters (never inside
// one: a multi-byte letter or a letter with its accents stays whole).
static constexpr size_t kDescriptionRowLength = 25;

// A description as one short line: line feeds and tabs become blanks, leading blanks go.
static std::string descriptionRowText(const char* text) {
  std::string s(text);
  for (char& c : s) {
    if (c == '\n' || c == '\t') c = ' ';
  }
  s.erase(0, s.find_first_not_of(' '));
  return cutWithEllipsis(s, kDescriptionRowLength);
}

void ToDoListToDo::setViewData(T_viewDataItem& row, CryptMan* keys) {
  row.isGroup = false;
  row.priority = priority;
  if (!summary.empty()) {
    row.text = summary;
  } else {
    const char* text = nullptr;
    if (description.GetDescription(text, keys) != 0) {
      row.text = "<encrypted>";
    } else {
      row.text = text == nullptr ? std::string() : descriptionRowText(text);
    }
  }
  row.completed = completed.completed;
  row.running = isRunning();
  row.date = isAppointment() ? begin : end;
  row.secondDate = isAppointment() ? end : begin;
}
