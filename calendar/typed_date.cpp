#include "calendar/typed_date.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "calendar/date_time.h"

namespace {

struct Day {
  int year, month, day;
};

std::string trimmedLower(const char* text) {
  std::string s = text ? text : "";
  size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::string();
  s = s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Reads the digits at `at` into `value`; false when there are none or too many.
bool readNumber(const std::string& s, size_t& at, int& value, size_t maxDigits) {
  size_t begin = at;
  value = 0;
  while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])) && at - begin < 9) {
    value = value * 10 + (s[at] - '0');
    ++at;
  }
  return at > begin && at - begin <= maxDigits;
}

bool inRange(const Day& d) {
  return d.year >= kFirstYear && d.year <= kLastYear && isValidDate(d.year, d.month, d.day);
}

// A day before the calendar's origin stays out of range (year 0), so it is refused.
Day addDays(const Day& from, int days) {
  Day d{0, 0, 0};
  int n = getNumberOfDay(from.day, from.month, from.year) + days;
  if (n >= 1) getDayByNumber(n, d.day, d.month, d.year);
  return d;
}

// "18.12.", "18.12", "18.12.2026", "18.12.26".
bool readDotted(const std::string& s, const Day& today, Day& out) {
  size_t at = 0;
  int d = 0, m = 0, y = today.year;
  if (!readNumber(s, at, d, 2) || at >= s.size() || s[at] != '.') return false;
  ++at;
  if (!readNumber(s, at, m, 2)) return false;
  if (at < s.size() && s[at] == '.') ++at;
  if (at < s.size()) {
    size_t begin = at;
    if (!readNumber(s, at, y, 4) || at != s.size()) return false;
    if (at - begin == 2) {
      y += 2000;
    } else if (at - begin != 4) {
      return false;
    }
  }
  out = Day{y, m, d};
  return true;
}

// "2026-12-18".
bool readIso(const std::string& s, Day& out) {
  size_t at = 0;
  int y = 0, m = 0, d = 0;
  if (!readNumber(s, at, y, 4) || at != 4 || at >= s.size() || s[at++] != '-') return false;
  if (!readNumber(s, at, m, 2) || at >= s.size() || s[at++] != '-') return false;
  if (!readNumber(s, at, d, 2) || at != s.size()) return false;
  out = Day{y, m, d};
  return true;
}

// "+3", "+3d", "-2w", "+1m".
bool readOffset(const std::string& s, const Day& today, Day& out) {
  if (s.size() < 2 || (s[0] != '+' && s[0] != '-')) return false;
  size_t at = 1;
  int n = 0;
  if (!readNumber(s, at, n, 5)) return false;
  char unit = at < s.size() ? s[at++] : 'd';
  if (at != s.size()) return false;
  if (s[0] == '-') n = -n;
  if (unit == 'd') {
    out = addDays(today, n);
  } else if (unit == 'w') {
    out = addDays(today, 7 * n);
  } else if (unit == 'm') {
    int index = today.year * 12 + today.month - 1 + n;
    if (index < 0) return false;
    out = Day{index / 12, index % 12 + 1, 0};
    out.day = today.day < MaxTag(out.month, out.year) ? today.day : MaxTag(out.month, out.year);
  } else {
    return false;
  }
  return true;
}

bool readWord(const std::string& s, const Day& today, Day& out) {
  static const char* const kWeekdays[7] = {"monday", "tuesday",  "wednesday", "thursday",
                                           "friday", "saturday", "sunday"};
  if (s == "today") {
    out = today;
  } else if (s == "tomorrow") {
    out = addDays(today, 1);
  } else if (s == "yesterday") {
    out = addDays(today, -1);
  } else {
    for (int w = 0; w < 7; ++w) {
      std::string name = kWeekdays[w];
      if (s.size() < 2 || name.compare(0, s.size(), s) != 0) continue;
      int ahead = (w - Wochentag(today.day, today.month, today.year) + 7) % 7;
      out = addDays(today, ahead == 0 ? 7 : ahead);
      return true;
    }
    return false;
  }
  return true;
}

}  // namespace

bool parseTypedDate(const char* text, int todayYear, int todayMonth, int todayDay, int& year,
                    int& month, int& day) {
  std::string s = trimmedLower(text);
  Day today{todayYear, todayMonth, todayDay};
  Day d{0, 0, 0};
  if (s.empty() || !inRange(today)) return false;
  bool read =
      readDotted(s, today, d) || readIso(s, d) || readOffset(s, today, d) || readWord(s, today, d);
  if (!read || !inRange(d)) return false;
  year = d.year;
  month = d.month;
  day = d.day;
  return true;
}

bool parseTypedDate(const char* text, int& year, int& month, int& day) {
  unsigned today = getTodayDate(kNoTime);
  return parseTypedDate(text, packedYear(today), packedMonth(today), packedDay(today), year, month,
                        day);
}
