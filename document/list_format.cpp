#include "document/list_format.h"

const char* const kHeadingPrefix = "@B50";
const char* const kRowPrefixA = "@B55";
const char* const kRowPrefixB = "@B53";

// The mark column of an item row; priorities above 6 (appointments) are never shown done.
static const char* itemMark(const T_viewDataItem& row) {
  if (row.priority == 100) return "a\t";
  if (row.priority == 200) return "i\t";
  if (row.completed && row.priority <= 6) return "x\t";
  return "o\t";
}

static void itemLine(const char* prefix, const char* mark, const std::string& text,
                     std::string& line) {
  line.clear();
  line += prefix;
  line += mark;
  line += prefix;
  line += "@.";
  line += text;
}

static std::string itemLine(const char* prefix, const char* mark, const std::string& text) {
  std::string line;
  itemLine(prefix, mark, text, line);
  return line;
}

void formatListLine(const T_viewDataItem& row, bool alternate, std::string& line) {
  const char* prefix = alternate ? kRowPrefixB : kRowPrefixA;
  const char* mark = row.isGroup ? (row.completed ? "@bX\t@b" : "@bO\t@b") : itemMark(row);
  itemLine(prefix, mark, row.text, line);
}

std::string formatListLine(const T_viewDataItem& row, bool alternate) {
  std::string line;
  formatListLine(row, alternate, line);
  return line;
}

static std::string hourMinute(unsigned v) {
  int minute = packedMinute(v);
  return std::to_string(packedHour(v)) + ":" + (minute < 10 ? "0" : "") + std::to_string(minute);
}

std::string calendarTimes(const T_viewDataItem& row) {
  bool open = !row.completed || row.priority > 6;
  if (!open || row.priority >= kRowHeading) return std::string();
  // A to-do's row date is its end, an appointment's its begin.
  unsigned begin = row.priority <= 6 ? row.secondDate : row.date;
  unsigned end = row.priority <= 6 ? row.date : row.secondDate;
  std::string b = row.firstDay && hasTime(begin) ? hourMinute(begin) : std::string();
  std::string e = row.lastDay && hasTime(end) ? hourMinute(end) : std::string();
  if (b.empty() && e.empty()) return std::string();
  return "(" + b + "-" + e + ") ";
}

std::string formatCalendarLine(const T_viewDataItem& row, bool alternate) {
  if (row.priority == kRowClosing) return std::string();
  if (row.priority == kRowHeading || row.priority == kRowSpecialDay) {
    return std::string(kHeadingPrefix) + "\t" + kHeadingPrefix + row.text;
  }
  return itemLine(alternate ? kRowPrefixB : kRowPrefixA, itemMark(row),
                  calendarTimes(row) + row.text);
}
