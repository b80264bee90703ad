#include "gui/recurrence_notice.h"

#include <cstdio>

const char* recurrenceName(int type) {
  static const char* const kNames[kMaxRecurrenceType + 1] = {
      "none",  "daily", "daily, resetable", "weekly", "monthly, by day", "monthly, by date",
      "yearly"};
  return type >= 0 && type <= kMaxRecurrenceType ? kNames[type] : kNames[0];
}

std::string dayText(unsigned value) {
  char text[16];
  snprintf(text, sizeof text, "%02d.%02d.%04d", packedDay(value), packedMonth(value),
           packedYear(value));
  return text;
}

static std::string withArticle(const std::string& word) {
  return (word[0] == 'e' ? "an " : "a ") + word;
}

std::string missingDateQuestion(const T_recData& wanted, bool toDo, unsigned begin, unsigned end) {
  unsigned mainDate = toDo ? end : begin, other = toDo ? begin : end;
  if (wanted.type == 0 || !hasDate(mainDate) || hasDate(other)) return std::string();
  std::string kind = toDo ? "to-do" : "appointment";
  std::string has = toDo ? "end" : "begin", lacks = toDo ? "begin" : "end";
  return "A recurring " + kind + " needs " + withArticle(lacks) + " date as well as its " + has +
         ". Set the " + lacks + " to " + dayText(mainDate) + ", the " + has +
         "'s day, and let it recur \"" + recurrenceName(wanted.type) + "\"?";
}

const char* missingDateButton(bool toDo) { return toDo ? "Set the begin" : "Set the end"; }

// Why a recurrence cannot stand on these dates, and what to set.
static std::string whyRemoved(const T_recData& wanted, bool toDo, unsigned begin, unsigned end) {
  std::string kind = toDo ? "to-do" : "appointment";
  std::string mainName = toDo ? "end" : "begin", otherName = toDo ? "begin" : "end";
  unsigned mainDate = toDo ? end : begin, other = toDo ? begin : end;
  if (!hasDate(mainDate)) {
    return "a recurring " + kind + " needs its " + mainName + " date. Set the " + mainName +
           " and the " + otherName + ", then choose the recurrence again.";
  }
  if (!hasDate(other)) {
    return "a recurring " + kind + " needs " + withArticle(otherName) + " date as well as its " +
           mainName + ". Set the " + otherName + " (the " + mainName +
           "'s day will do), then choose the recurrence again.";
  }
  std::string range;
  if (hasDate(wanted.firstDate)) range += " from " + dayText(wanted.firstDate);
  if (hasDate(wanted.lastDate)) range += " until " + dayText(wanted.lastDate);
  if (!range.empty()) range = " (" + range.substr(1) + ")";
  return "the " + kind + "'s " + mainName + ", " + dayText(mainDate) +
         ", lies outside the days it was to recur on" + range +
         ". Choose the recurrence again with days around it, or move the " + mainName + ".";
}

std::string recurrenceChangeNotice(const T_recData& wanted, const T_recData& now, bool toDo,
                                   unsigned begin, unsigned end) {
  if (wanted.type <= 0 || wanted.type > kMaxRecurrenceType || now.type == wanted.type) {
    return std::string();
  }
  std::string was = recurrenceName(wanted.type);
  if (now.type != 0) {
    return std::string("An appointment cannot recur \"") + was + "\" (that is for to-dos): it " +
           "now recurs " + recurrenceName(now.type) + ".";
  }
  return "The recurrence \"" + was + "\" was removed: " + whyRemoved(wanted, toDo, begin, end);
}
