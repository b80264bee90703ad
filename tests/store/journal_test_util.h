// Views of a document for the journal's tests: the tree as a file holds it and the six
// calendar lists, so that a document rebuilt from files can be compared with the one that
// wrote them.
#ifndef ZOLT_TESTS_STORE_JOURNAL_TEST_UTIL_H_
#define ZOLT_TESTS_STORE_JOURNAL_TEST_UTIL_H_

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "document/zolt.h"

// The tree with identifiers and group flags, as the master file writes it.
inline std::string TreeText(const Zolt& z) {
  std::ostringstream out;
  z.getRoot()->writeContent(out, false, nullptr, true, true);
  return out.str();
}

// Each calendar list as "list: synchronisation identifier@key" lines, sorted, so that two
// documents built in another order compare equal when they list the same to-dos.
inline std::string CalendarText(const Zolt& z) {
  const T_Calendar& cal = z.getCalendar();
  std::vector<std::string> lines;
  auto dated = [&lines](const char* name, const T_DatedCalList& list) {
    for (const T_DatedCalListItem& e : list) {
      lines.push_back(std::string(name) + ": " + std::to_string(e.item->getSyncID()) + "@" +
                      std::to_string(e.key));
    }
  };
  auto recurring = [&lines](const char* name, const T_RecCalList& list) {
    for (const ToDoListToDo* t : list) {
      lines.push_back(std::string(name) + ": " + std::to_string(t->getSyncID()));
    }
  };
  dated("dated to-dos", cal.datedToDos());
  dated("dated busy", cal.datedBusy());
  dated("dated free", cal.datedFree());
  recurring("recurring to-dos", cal.recurringToDos());
  recurring("recurring busy", cal.recurringBusy());
  recurring("recurring free", cal.recurringFree());
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

#endif  // ZOLT_TESTS_STORE_JOURNAL_TEST_UTIL_H_
