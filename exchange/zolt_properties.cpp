// The shared names and mappings of the iCalendar exchange.
#include "exchange/zolt_properties.h"

#include <cstdio>

#include "calendar/date_time.h"

int rfcPriority(unsigned zoltPriority) {
  static const int kScale[] = {1, 3, 5, 6, 7, 9};
  return zoltPriority >= 1 && zoltPriority <= 6 ? kScale[zoltPriority - 1] : 5;
}

unsigned zoltPriority(int rfcPriority) {
  static const unsigned kScale[] = {1, 1, 2, 2, 3, 4, 5, 5, 6};
  return rfcPriority >= 1 && rfcPriority <= 9 ? kScale[rfcPriority - 1] : 3;
}

std::string escapedPath(const std::vector<std::string>& names) {
  std::string path;
  for (const std::string& name : names) {
    if (!path.empty()) path += '/';
    for (char ch : name) {
      if (ch == '\\' || ch == '/') path += '\\';
      path += ch;
    }
  }
  return path;
}

std::vector<std::string> unescapedPath(const std::string& path) {
  std::vector<std::string> names(1);
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\\' && i + 1 < path.size()) {
      names.back() += path[++i];
    } else if (path[i] == '/') {
      names.emplace_back();
    } else {
      names.back() += path[i];
    }
  }
  return names;
}

std::string itemLabel(const std::string& summary) {
  return "\"" + (summary.empty() ? std::string("(no summary)") : summary) + "\"";
}

std::string dateText(int year, int month, int day) {
  char buf[16];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return buf;
}

bool moveWithinRange(unsigned& v, int days) {
  int n = getNumberOfDay(packedDay(v), packedMonth(v), packedYear(v)) + days;
  if (n < getNumberOfDay(1, 1, kFirstYear) || n > getNumberOfDay(31, 12, kLastYear)) return false;
  moveDate(v, days);
  return true;
}

unsigned keptLength(unsigned begin, unsigned end, long long seconds) {
  bool timed = hasDate(begin) && hasDate(end) && hasTime(begin) && hasTime(end);
  // No clock is set back by more than a day; a longer item ending before its start was
  // clamped into Zolt's years, not set back.
  if (!timed || seconds < 60 || seconds > 2 * 86400 || end > begin) return end;
  unsigned moved = begin;
  moveDateTime(moved, static_cast<int>(seconds / 60));
  return moved;
}
