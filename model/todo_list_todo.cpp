#include "model/todo_list_todo.h"

#include <cstdint>
#include <ctime>
#include <new>

#include "document/view_data.h"
#include "util/clock.h"
#include "util/slot_pool.h"
#include "util/text_cut.h"

static SlotPool& toDoPool() { return SlotPool::of<sizeof(ToDoListToDo), alignof(ToDoListToDo)>(); }

void* ToDoListToDo::operator new(size_t size) {
  if (size == sizeof(ToDoListToDo)) return toDoPool().take();
  return ::operator new(size);
}

void ToDoListToDo::operator delete(void* p, size_t size) {
  if (p == nullptr) return;
  if (size == sizeof(ToDoListToDo)) {
    toDoPool().give(p);
    return;
  }
  ::operator delete(p);
}

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
  completedFlag = o.completedFlag;
  completedTime = o.completedTime;
  showTimeAs = o.showTimeAs;
  running = o.running;
  begin = o.begin;
  end = o.end;
  recData = o.recData;
  setImportUid(o.getImportUid());
  copyBaseFrom(o);
}

void ToDoListToDo::takeImportedFields(const ToDoListToDo& o) {
  if (this == &o) return;
  T_Calendar* cal = calPos.cal;
  if (cal != nullptr) removeFromCalLists(*cal);
  summary = o.summary;
  priority = o.priority;
  showTimeAs = o.showTimeAs;
  begin = o.begin;
  end = o.end;
  recData = o.recData;
  completedFlag = o.completedFlag;
  completedTime = o.completedTime;
  if (cal != nullptr) putIntoCalList(*cal);
}

const std::string& ToDoListToDo::getImportUid() const {
  static const std::string kNone;
  return importUid != nullptr ? *importUid : kNone;
}

void ToDoListToDo::setImportUid(const std::string& uid) {
  std::string kept;
  for (char c : uid) {
    if (static_cast<unsigned char>(c) >= 0x20) kept += c;
  }
  if (kept.empty()) {
    importUid.reset();
  } else {
    importUid = std::make_unique<std::string>(std::move(kept));
  }
}

bool ToDoListToDo::operator==(const ToDoListToDo& o) const {
  return description == o.description && times == o.times &&
         getCompletedDirect() == o.getCompletedDirect() && showTimeAs == o.showTimeAs &&
         running == o.running && begin == o.begin && end == o.end && recData == o.recData &&
         getImportUid() == o.getImportUid() && baseEquals(o);
}

int ToDoListToDo::clearCompleted() {
  if (isAppointment() || !completedFlag) return -2;
  completedFlag = false;
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
  setViewFields(row);
  row.text = viewText(keys);
}

std::string ToDoListToDo::viewText(CryptMan* keys) {
  if (!summary.empty()) return summary;
  const char* text = nullptr;
  if (description.GetDescription(text, keys) != 0) return "<encrypted>";
  return text == nullptr ? std::string() : descriptionRowText(text);
}

void ToDoListToDo::setViewFields(T_viewDataItem& row) const {
  row.isGroup = false;
  row.priority = priority;
  row.completed = completedFlag;
  row.running = isRunning();
  row.date = isAppointment() ? begin : end;
  row.secondDate = isAppointment() ? end : begin;
}
