#include "model/todo_list_todo.h"

#include <ctime>

ToDoListToDo::ToDoListToDo(unsigned id, std::string path) : ToDoListItem(id, std::move(path)) {}

ToDoListToDo::ToDoListToDo(const ToDoListToDo& o) : ToDoListItem(0, std::string()) { *this = o; }

ToDoListToDo& ToDoListToDo::operator=(const ToDoListToDo& o) {
  if (this == &o) return *this;
  description = o.description;
  times = o.times;
  completed = o.completed;
  showTimeAs = o.showTimeAs;
  running = o.running;
  begin = o.begin;
  end = o.end;
  recData = o.recData;
  copyBaseFrom(o);
  return *this;
}

static bool sameTimes(const std::vector<T_workingTimes>& a, const std::vector<T_workingTimes>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].begin != b[i].begin || a[i].end != b[i].end) return false;
  }
  return true;
}

bool ToDoListToDo::operator==(const ToDoListToDo& o) const {
  return description == o.description && sameTimes(times, o.times) &&
         completed == o.completed && showTimeAs == o.showTimeAs && running == o.running &&
         begin == o.begin && end == o.end && recData == o.recData && baseEquals(o);
}

int ToDoListToDo::clearCompleted() {
  if (isAppointment() || !completed.completed) return -2;
  completed.completed = false;
  return 0;
}

int ToDoListToDo::setRunning(bool on) {
  if (running == on) return -1;
  int32_t now = static_cast<int32_t>(time(nullptr));
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
