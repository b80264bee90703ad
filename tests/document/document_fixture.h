// A document on an empty data file in a temporary directory, so operations can journal,
// with helpers that build items through the document's own operations and read the view
// back in display order.
#ifndef ZOLT_TESTS_DOCUMENT_DOCUMENT_FIXTURE_H_
#define ZOLT_TESTS_DOCUMENT_DOCUMENT_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/zolt.h"
#include "test_util.h"

class DocumentTest : public ::testing::Test {
 protected:
  DocumentTest() {
    zolt.createRoot();
    // A missing file is an empty document; the journal is named after it.
    EXPECT_EQ(0, zolt.readData(master.c_str()));
  }

  // A to-do in the current group (normal view), made current.
  ToDoListToDo* AddToDo(const std::string& summary, unsigned priority = 3) {
    EXPECT_EQ(0, zolt.newToDo(0, 0));
    zolt.setItemSummary(summary);
    EXPECT_EQ(0, zolt.setItemPriority(priority));
    return zolt.getCurItem();
  }
  // A to-do due on the given day (and beginning on `begin`, when it carries a date).
  ToDoListToDo* AddDatedToDo(const std::string& summary, unsigned due,
                             unsigned begin = kEmptyDateTime) {
    ToDoListToDo* t = AddToDo(summary);
    SetDate(0, due);
    if (hasDate(begin)) SetDate(1, begin);
    return t;
  }
  // An appointment (priority 100 busy, 200 free) from `begin` to `end` with their times.
  ToDoListToDo* AddAppointment(const std::string& summary, unsigned priority, unsigned begin,
                               unsigned end) {
    ToDoListToDo* t = AddToDo(summary, priority);
    SetDate(1, begin);
    SetDate(0, end);
    if (hasTime(begin)) {
      EXPECT_EQ(0, zolt.setTime(1, packedHour(begin), packedMinute(begin)));
    }
    if (hasTime(end)) {
      EXPECT_EQ(0, zolt.setTime(0, packedHour(end), packedMinute(end)));
    }
    return t;
  }
  void SetDate(int which, unsigned v) {
    EXPECT_EQ(0, zolt.setDate(which, packedYear(v), packedMonth(v), packedDay(v)));
  }
  // A sub-group of the current group; the current group stays.
  ToDoListGroup* AddGroup(const std::string& summary) {
    EXPECT_EQ(0, zolt.newGroup());
    zolt.setGroupSummary(summary);
    ToDoListGroup* g = zolt.getCurGroup();
    EXPECT_EQ(0, zolt.leaveCurGroup());
    return g;
  }
  void Complete(ToDoListToDo* t) {
    zolt.setItem(t);
    EXPECT_EQ(0, zolt.setItemCompleted());
  }
  void Start(ToDoListToDo* t) {
    zolt.setItem(t);
    EXPECT_EQ(0, zolt.setItemRunning(true));
  }

  // Shows the calendar over `span` days from `first` and builds its rows.
  void ShowCalendar(unsigned first, int span) {
    zolt.setCalFirstDay(first);
    zolt.setCalSpan(span);
    zolt.setMainViewType(kMainViewCalendar);
    Rebuild();
  }
  // What the user interface does for every redraw.
  void Rebuild() {
    zolt.clearViewData();
    zolt.setOptShowCompleted(zolt.getGroupShowCompleted());
    zolt.setOptCompletedLast(zolt.getGroupCompletedLast());
    zolt.getContent();
    zolt.sortContent();
  }
  // The rows' texts in display order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (unsigned i : zolt.getRowOrder()) out.push_back(zolt.getRows()[i].text);
    return out;
  }
  // Index of the first row (build order) with that priority and day; -1 when none.
  int FindRow(unsigned priority, unsigned day) const {
    const std::vector<T_viewDataItem>& rows = zolt.getRows();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].priority == priority && rows[i].day == day) return static_cast<int>(i);
    }
    return -1;
  }
  void ExpectJobsMatchTree() const {
    EXPECT_EQ(zolt.getRoot()->getNrActiveJobs(), zolt.getNrActiveJobs());
  }
  std::string Journal(int n) const { return readFile(master + std::to_string(n)); }

  TempDir dir;
  std::string master = dir.file("master.dat");
  Zolt zolt;
};

// A packed date without a time.
inline unsigned Day(int year, int month, int day) {
  return packDate(kEmptyDateTime, year, month, day);
}
// A packed date and time.
inline unsigned At(int year, int month, int day, int hour, int minute) {
  return packTime(Day(year, month, day), hour, minute);
}
// Today moved by `days`, without a time.
inline unsigned TodayPlus(int days) {
  unsigned d = getTodayDate(kEmptyDateTime);
  moveDate(d, days);
  return d;
}

#endif  // ZOLT_TESTS_DOCUMENT_DOCUMENT_FIXTURE_H_
