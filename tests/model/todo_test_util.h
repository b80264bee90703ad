// Helpers for the to-do, recurrence and calendar-list tests: packed values and to-dos read from
// records exactly as a data file gives them (not normalised).
#ifndef ZOLT_TESTS_MODEL_TODO_TEST_UTIL_H_
#define ZOLT_TESTS_MODEL_TODO_TEST_UTIL_H_

#include <memory>
#include <sstream>
#include <string>

#include "calendar/calendar_lists.h"
#include "calendar/date_time.h"
#include "calendar/recurrence.h"
#include "model/todo_list_todo.h"

inline unsigned D(int year, int month, int day) {
  return packDate(kEmptyDateTime, year, month, day);
}
inline unsigned DT(int year, int month, int day, int hour, int minute) {
  return packTime(D(year, month, day), hour, minute);
}
inline T_recData Rec(int type, int interval = 1, unsigned first = kEmptyDateTime,
                     unsigned last = kEmptyDateTime) {
  T_recData r;
  r.type = type;
  r.interval = interval;
  r.firstDate = first;
  r.lastDate = last;
  return r;
}

// The fields of a to-do that decide its dates and list.
struct ToDoFields {
  unsigned priority = 3;
  unsigned begin = kEmptyDateTime;
  unsigned end = kEmptyDateTime;
  T_recData rec;
  int showTimeAs = 0;
};

// The record lines of a to-do with these fields.
inline std::string recordOf(const ToDoFields& f, const std::string& summary = "item") {
  std::ostringstream os;
  os << "s" << summary << "\np" << f.priority << "\nS" << f.showTimeAs << "\n";
  if (f.begin != kEmptyDateTime) os << "m" << f.begin << "\n";
  if (f.end != kEmptyDateTime) os << "n" << f.end << "\n";
  os << "1" << f.rec.type << "\n2" << f.rec.interval << "\n";
  if (hasDate(f.rec.firstDate)) os << "3" << f.rec.firstDate << "\n";
  if (hasDate(f.rec.lastDate)) os << "4" << f.rec.lastDate << "\n";
  os << ">\n";
  return os.str();
}

// A to-do read from a record with these fields and listed in `cal`, as the reader does.
inline std::unique_ptr<ToDoListToDo> readToDo(const ToDoFields& f, T_Calendar& cal,
                                              const std::string& summary = "item") {
  auto t = std::make_unique<ToDoListToDo>(0, "/0/");
  std::istringstream is(recordOf(f, summary));
  unsigned jobs = 0, idmax = 0;
  if (t->readContent(is, jobs, idmax, cal) != 0) return nullptr;
  return t;
}

#endif  // ZOLT_TESTS_MODEL_TODO_TEST_UTIL_H_
