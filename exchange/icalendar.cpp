// The mapping between Zolt's items and iCalendar components. Export walks the tree and
// hands libical one component per dated item; import lets libical parse the whole file
// first, so a damaged file is refused before anything is built, then builds the new
// group apart from the tree and adds it in one step (Zolt::insertGroup).
#include "exchange/icalendar.h"

#include <libical/ical.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "document/zolt.h"
#include "store/atomic_file.h"
#include "util/clock.h"

namespace {

constexpr const char* kWeekdayCodes[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
constexpr const char* kWeekdayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                         "Friday", "Saturday", "Sunday"};
// Our own properties and parameter: what iCalendar has no word for, read back by Zolt.
constexpr const char* kXRecurrence = "X-ZOLT-RECURRENCE";             // value DAILY-RESETABLE
constexpr const char* kXRecurrenceStart = "X-ZOLT-RECURRENCE-START";  // the first date
constexpr const char* kXNoTime = "X-ZOLT-NOTIME";  // a date-time that stands for a date
constexpr const char* kXGroup = "X-ZOLT-GROUP";    // the group path, names escaped
constexpr const char* kDailyResetable = "DAILY-RESETABLE";
constexpr int kMaxCountExpansion = 100000;

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

std::string itemLabel(const std::string& summary) {
  return "\"" + (summary.empty() ? std::string("(no summary)") : summary) + "\"";
}

std::string dateText(int year, int month, int day) {
  char buf[16];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return buf;
}

// A description that is stored encrypted, or held as ciphertext, and is not empty.
// Moves `v` by `days` when the result stays within 2000-2127; false (v unchanged) otherwise.
bool moveWithinRange(unsigned& v, int days) {
  int n = getNumberOfDay(packedDay(v), packedMonth(v), packedYear(v)) + days;
  if (n < getNumberOfDay(1, 1, kFirstYear) || n > getNumberOfDay(31, 12, kLastYear)) return false;
  moveDate(v, days);
  return true;
}

bool isEncrypted(const ToDoListToDo& t) {
  const DescrData& d = t.getDescrData();
  return (d.getFlags() & (kDescrEncrypted | kDescrSaveCrypt)) != 0 && d.getLen() > 1;
}

// ---------------------------------------------------------------------------------------
// Export

icaltimetype icalTime(unsigned v, bool asDate, bool endOfDay) {
  icaltimetype t = icaltime_null_time();
  t.year = packedYear(v);
  t.month = packedMonth(v);
  t.day = packedDay(v);
  t.is_date = asDate ? 1 : 0;
  if (!asDate && hasTime(v)) {
    t.hour = packedHour(v);
    t.minute = packedMinute(v);
  } else if (!asDate && endOfDay) {
    t.hour = 23;
    t.minute = 59;
  }
  return t;
}

void markNoTime(icalproperty* p) {
  icalparameter* x = icalparameter_new_x("TRUE");
  icalparameter_set_xname(x, kXNoTime);
  icalproperty_add_parameter(p, x);
}

// The item's two date-times as iCalendar values. Both carry a time or neither does, as
// iCalendar asks; a side without a time beside one with a time becomes 00:00 (a start) or
// 23:59 (an end) and is marked, so Zolt reads it back without a time.
struct DatePair {
  bool hasStart = false, hasEnd = false;
  icaltimetype start, end;
  bool startMarked = false, endMarked = false;
};

DatePair datePair(unsigned begin, unsigned end, bool appointment) {
  DatePair p;
  p.hasStart = hasDate(begin);
  p.hasEnd = hasDate(end);
  bool timed = (p.hasStart && hasTime(begin)) || (p.hasEnd && hasTime(end));
  if (p.hasStart) {
    p.start = icalTime(begin, !timed, false);
    p.startMarked = timed && !hasTime(begin);
  }
  if (p.hasEnd) {
    unsigned e = end;
    // An all-day event ends before its DTEND.
    if (!timed && appointment) moveDate(e, 1);
    p.end = icalTime(e, !timed, true);
    p.endMarked = timed && !hasTime(end);
  }
  return p;
}

// The RRULE of `r`; `start` is the item's DTSTART, `mainDate` the date Zolt counts the
// recurrence from and `shift` the days from the main date to DTSTART (a to-do's start
// may lie before its due date).
icalrecurrencetype recurrenceRule(const T_recData& r, unsigned mainDate, int shift,
                                  const icaltimetype& start) {
  std::string text;
  std::string interval = ";INTERVAL=" + std::to_string(r.interval);
  int d = packedDay(mainDate);
  switch (r.type) {
    case 1:
    case 2:
      text = "FREQ=DAILY" + interval;
      break;
    case 3:
      text = "FREQ=WEEKLY" + interval;
      break;
    case 4: {
      int w = Wochentag(d, packedMonth(mainDate), packedYear(mainDate));
      text = "FREQ=MONTHLY" + interval + ";BYDAY=" + std::to_string((d - 1) / 7 + 1) +
             kWeekdayCodes[w];
      break;
    }
    case 5:
      text = "FREQ=MONTHLY" + interval + ";BYMONTHDAY=" + std::to_string(d);
      break;
    default:
      text = "FREQ=YEARLY";
      break;
  }
  icalrecurrencetype rule = icalrecurrencetype_from_string(text.c_str());
  if (hasDate(r.lastDate)) {
    unsigned until = r.lastDate;
    (void)moveWithinRange(until, shift);
    rule.until = icalTime(until, start.is_date != 0, true);
    if (!start.is_date && !hasTime(r.lastDate)) rule.until.second = 59;
  }
  return rule;
}

void addX(icalcomponent* c, const char* name, const std::string& value) {
  icalproperty* p = icalproperty_new_x(value.c_str());
  icalproperty_set_x_name(p, name);
  icalcomponent_add_property(c, p);
}

void addDates(icalcomponent* c, const DatePair& p, bool appointment) {
  if (p.hasStart) {
    icalproperty* s = icalproperty_new_dtstart(p.start);
    if (p.startMarked) markNoTime(s);
    icalcomponent_add_property(c, s);
  }
  if (p.hasEnd) {
    icalproperty* e = appointment ? icalproperty_new_dtend(p.end) : icalproperty_new_due(p.end);
    if (p.endMarked) markNoTime(e);
    icalcomponent_add_property(c, e);
  }
}

void addRecurrence(icalcomponent* c, ToDoListToDo& t, const DatePair& p, T_IcsReport& report) {
  T_recData r;
  t.getRecData(r);
  if (r.type == 0 || !p.hasStart) return;
  bool appointment = t.isAppointment();
  unsigned begin = t.getDateTime(1), end = t.getDateTime(0);
  unsigned mainDate = appointment ? begin : end;
  int shift = appointment ? 0 : getDateDiff(begin, end);
  icalcomponent_add_property(c,
                             icalproperty_new_rrule(recurrenceRule(r, mainDate, shift, p.start)));
  if (r.type == 2) {
    addX(c, kXRecurrence, kDailyResetable);
    report.notes.push_back("To-do " + itemLabel(t.getSummary()) +
                           " is daily, resetable: other programs see it daily from its due date, "
                           "while Zolt counts from the day it is completed.");
  }
  if (hasDate(r.firstDate)) {
    addX(c, kXRecurrenceStart, icaltime_as_ical_string(icalTime(r.firstDate, true, false)));
  }
  if (shift != 0 && (r.type == 4 || r.type == 5)) {
    report.notes.push_back("To-do " + itemLabel(t.getSummary()) +
                           ": its monthly recurrence is counted from the due date in Zolt but "
                           "from the start in iCalendar, which lies on another day.");
  }
}

void addDescription(icalcomponent* c, ToDoListToDo& t, CryptMan& keys,
                    const T_IcsExportOptions& opts, T_IcsReport& report) {
  if (isEncrypted(t) && !(opts.withEncrypted && keys.IsLoggedIn())) {
    report.notes.push_back("The encrypted description of " + itemLabel(t.getSummary()) +
                           " was left out.");
    return;
  }
  const char* text = nullptr;
  if (t.GetDescription(text, &keys) != 0 || text == nullptr || *text == '\0') return;
  icalcomponent_add_property(c, icalproperty_new_description(text));
}

// A group path for kXGroup: the names joined by "/", each with "\\" and "/" escaped by a
// backslash, so any name comes back whole.
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

// The group path: CATEGORIES for every program (libical writes it as a list, so a comma in
// a name splits it there), and our own property that Zolt reads back exactly.
void addGroupPath(icalcomponent* c, const std::vector<std::string>& names) {
  if (names.empty()) return;
  std::string categories;
  for (const std::string& name : names) categories += (categories.empty() ? "" : "/") + name;
  icalcomponent_add_property(c, icalproperty_new_categories(categories.c_str()));
  addX(c, kXGroup, escapedPath(names));
}

icalcomponent* componentOf(ToDoListToDo& t, const std::vector<std::string>& groups, CryptMan& keys,
                           const T_IcsExportOptions& opts, T_IcsReport& report) {
  bool appointment = t.isAppointment();
  icalcomponent* c = appointment ? icalcomponent_new_vevent() : icalcomponent_new_vtodo();
  std::string uid = "zolt-" + std::to_string(t.getSyncID()) + "@" + opts.uidDomain;
  icalcomponent_add_property(c, icalproperty_new_uid(uid.c_str()));
  icalcomponent_add_property(
      c,
      icalproperty_new_dtstamp(icaltime_current_time_with_zone(icaltimezone_get_utc_timezone())));
  if (!t.getSummary().empty()) {
    icalcomponent_add_property(c, icalproperty_new_summary(t.getSummary().c_str()));
  }
  DatePair p = datePair(t.getDateTime(1), t.getDateTime(0), appointment);
  addDates(c, p, appointment);
  if (appointment) {
    icalcomponent_add_property(
        c, icalproperty_new_transp(t.getPriority() == 200 ? ICAL_TRANSP_TRANSPARENT
                                                          : ICAL_TRANSP_OPAQUE));
  } else {
    icalcomponent_add_property(c, icalproperty_new_priority(static_cast<int>(t.getPriority())));
    if (t.isCompleted()) {
      icalcomponent_add_property(c, icalproperty_new_status(ICAL_STATUS_COMPLETED));
      icalcomponent_add_property(c, icalproperty_new_completed(icaltime_from_timet_with_zone(
                                        t.getCompletedTime(), 0, icaltimezone_get_utc_timezone())));
    } else {
      icalcomponent_add_property(c, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    }
  }
  addGroupPath(c, groups);
  addRecurrence(c, t, p, report);
  addDescription(c, t, keys, opts, report);
  return c;
}

struct ExportWalk {
  Zolt& doc;
  const T_IcsExportOptions& opts;
  T_IcsReport& report;
  icalcomponent* calendar;
  int undated = 0;
  int timed = 0;

  void group(ToDoListGroup* g, std::vector<std::string>& names) {
    for (ToDoListToDo* t : g->getToDos()) {
      unsigned mainDate = t->getDateTime(t->isAppointment() ? 1 : 0);
      if (!hasDate(mainDate)) {
        ++undated;
        continue;
      }
      if (t->getNrTimes() != 0) ++timed;
      icalcomponent_add_component(calendar, componentOf(*t, names, doc.getKeys(), opts, report));
      ++report.items;
    }
    for (ToDoListGroup* sub : g->getGroups()) {
      names.push_back(sub->getSummary());
      group(sub, names);
      names.pop_back();
    }
  }
};

// ---------------------------------------------------------------------------------------
// Import

struct Importer {
  icalcomponent* vcal = nullptr;  // the VCALENDAR being read; not owned
  T_IcsReport& report;
  std::string label;  // the item being read, for the notes

  explicit Importer(T_IcsReport& r) : report(r) {}
  void note(const std::string& text) { report.notes.push_back(label + ": " + text); }

  icaltimezone* zoneOf(icalproperty* prop, const icaltimetype& t) {
    if (icaltime_is_utc(t)) return icaltimezone_get_utc_timezone();
    icalparameter* tzid = icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER);
    if (tzid == nullptr) return nullptr;
    const char* name = icalparameter_get_tzid(tzid);
    icaltimezone* zone = icalcomponent_get_timezone(vcal, name);
    if (zone == nullptr) zone = icaltimezone_get_builtin_timezone(name);
    if (zone == nullptr) zone = icaltimezone_get_builtin_timezone_from_tzid(name);
    if (zone == nullptr) note(std::string("unknown time zone ") + name + ", times read as local");
    return zone;
  }

  // A date or local date-time as a packed value; a date outside what Zolt holds is moved
  // to the nearest day it holds, and noted.
  unsigned packed(icaltimetype t, icaltimezone* zone, bool noTime) {
    int year = t.year, month = t.month, day = t.day, hour = t.hour, minute = t.minute;
    if (!t.is_date && zone != nullptr) {
      time_t secs = icaltime_as_timet_with_zone(t, zone);
      struct tm local;
      localtime_r(&secs, &local);
      year = local.tm_year + 1900;
      month = local.tm_mon + 1;
      day = local.tm_mday;
      hour = local.tm_hour;
      minute = local.tm_min;
    }
    if (year < kFirstYear || year > kLastYear) {
      std::string was = dateText(year, month, day);
      bool early = year < kFirstYear;
      year = early ? kFirstYear : kLastYear;
      month = early ? 1 : 12;
      day = early ? 1 : 31;
      note("the date " + was + " lies outside 2000-2127 and was set to " +
           dateText(year, month, day));
    }
    unsigned v = packDate(kEmptyDateTime, year, month, day);
    return (t.is_date || noTime) ? v : packTime(v, hour, minute);
  }

  // The value of the first `kind` property, or the empty value.
  unsigned dateProperty(icalcomponent* c, icalproperty_kind kind, icaltimetype* raw = nullptr,
                        icaltimezone** rawZone = nullptr) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    if (p == nullptr) return kEmptyDateTime;
    icalvalue* v = icalproperty_get_value(p);
    if (v == nullptr) return kEmptyDateTime;
    icaltimetype t = icalvalue_get_datetime(v);
    if (icaltime_is_null_time(t)) return kEmptyDateTime;
    icaltimezone* zone = zoneOf(p, t);
    if (raw != nullptr) *raw = t;
    if (rawZone != nullptr) *rawZone = zone;
    bool marked =
        icalproperty_get_first_parameter(p, ICAL_X_PARAMETER) != nullptr && hasNoTimeMark(p);
    return packed(t, zone, marked);
  }

  static bool hasNoTimeMark(icalproperty* p) {
    for (icalparameter* x = icalproperty_get_first_parameter(p, ICAL_X_PARAMETER); x != nullptr;
         x = icalproperty_get_next_parameter(p, ICAL_X_PARAMETER)) {
      const char* name = icalparameter_get_xname(x);
      if (name != nullptr && strcmp(name, kXNoTime) == 0) return true;
    }
    return false;
  }

  static const char* xValue(icalcomponent* c, const char* name) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p != nullptr;
         p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
      const char* n = icalproperty_get_x_name(p);
      if (n != nullptr && strcmp(n, name) == 0) return icalproperty_get_x(p);
    }
    return nullptr;
  }

  static std::string labelOf(icalcomponent* c);
  T_recData recurrence(icalcomponent* c, unsigned begin, unsigned end, bool appointment,
                       const icaltimetype& rawStart, icaltimezone* startZone);
  void ruleParts(const icalrecurrencetype& rule, unsigned mainDate, T_recData& r);
  unsigned lastDateOf(const icalrecurrencetype& rule, icaltimetype start, icaltimezone* zone,
                      int shift);
  void readItem(icalcomponent* c, ToDoListToDo* t, T_Calendar& scratch);
};

bool onlyValue(const short* list, int size, int value) {
  return list[0] == value && (size < 2 || list[1] == ICAL_RECURRENCE_ARRAY_MAX);
}

bool isEmptyList(const short* list) { return list[0] == ICAL_RECURRENCE_ARRAY_MAX; }

std::string ruleString(icalrecurrencetype rule) {
  char* s = icalrecurrencetype_as_string_r(&rule);
  std::string text = s != nullptr ? s : "";
  free(s);
  return text;
}

// Type and interval from the rule's frequency and BY parts; what Zolt holds only nearly
// is noted.
void Importer::ruleParts(const icalrecurrencetype& rule, unsigned mainDate, T_recData& r) {
  int d = packedDay(mainDate), m = packedMonth(mainDate), y = packedYear(mainDate);
  int w = Wochentag(d, m, y);
  int weekOfMonth = (d - 1) / 7 + 1;
  bool exact = true;
  r.interval = rule.interval < 1 ? 1 : rule.interval;
  for (const short* list : {rule.by_second, rule.by_minute, rule.by_hour, rule.by_year_day,
                            rule.by_week_no, rule.by_set_pos}) {
    if (!isEmptyList(list)) exact = false;
  }
  switch (rule.freq) {
    case ICAL_YEARLY_RECURRENCE:
      r.type = 6;
      if (r.interval != 1 || !isEmptyList(rule.by_day)) exact = false;
      if (!isEmptyList(rule.by_month) && !onlyValue(rule.by_month, ICAL_BY_MONTH_SIZE, m))
        exact = false;
      if (!isEmptyList(rule.by_month_day) &&
          !onlyValue(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE, d)) {
        exact = false;
      }
      r.interval = 1;
      break;
    case ICAL_MONTHLY_RECURRENCE: {
      if (!isEmptyList(rule.by_month)) exact = false;
      if (!isEmptyList(rule.by_day)) {
        r.type = 4;
        short code = rule.by_day[0];
        int pos = icalrecurrencetype_day_position(code);
        int dow = static_cast<int>(icalrecurrencetype_day_day_of_week(code)) - 2;  // 1 = Sunday
        if (dow < 0) dow = 6;
        if (!onlyValue(rule.by_day, ICAL_BY_DAY_SIZE, code) || pos != weekOfMonth || dow != w ||
            !isEmptyList(rule.by_month_day)) {
          exact = false;
        }
      } else {
        r.type = 5;
        if (!isEmptyList(rule.by_month_day) &&
            !onlyValue(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE, d)) {
          exact = false;
        }
      }
      break;
    }
    case ICAL_WEEKLY_RECURRENCE: {
      r.type = 3;
      if (!isEmptyList(rule.by_month) || !isEmptyList(rule.by_month_day)) exact = false;
      if (!isEmptyList(rule.by_day)) {
        short code = rule.by_day[0];
        int dow = static_cast<int>(icalrecurrencetype_day_day_of_week(code)) - 2;
        if (dow < 0) dow = 6;
        if (!onlyValue(rule.by_day, ICAL_BY_DAY_SIZE, code) || dow != w) exact = false;
      }
      break;
    }
    case ICAL_DAILY_RECURRENCE:
      r.type = 1;
      if (!isEmptyList(rule.by_day) || !isEmptyList(rule.by_month) ||
          !isEmptyList(rule.by_month_day)) {
        exact = false;
      }
      break;
    default:  // hourly, minutely, secondly
      r.type = 1;
      r.interval = 1;
      exact = false;
      break;
  }
  if (!exact) {
    static const char* const kinds[] = {"none",   "daily",           "daily, resetable",
                                        "weekly", "monthly, by day", "monthly, by date",
                                        "yearly"};
    std::string kept = std::string(kinds[r.type]);
    if (r.type == 3) kept += " on " + std::string(kWeekdayNames[w]);
    if (r.type == 4) kept += " on the " + std::to_string(weekOfMonth) + ". " + kWeekdayNames[w];
    if (r.type != 6 && r.interval != 1) kept += " every " + std::to_string(r.interval);
    note("the rule " + ruleString(rule) + " cannot be held exactly; kept as " + kept);
  }
}

// The last occurrence of a rule with COUNT, as the date Zolt compares its main date with;
// the empty value when it cannot be worked out.
unsigned Importer::lastDateOf(const icalrecurrencetype& rule, icaltimetype start,
                              icaltimezone* zone, int shift) {
  if (rule.count > kMaxCountExpansion) return kEmptyDateTime;
  icalrecur_iterator* it = icalrecur_iterator_new(rule, start);
  if (it == nullptr) return kEmptyDateTime;
  icaltimetype last = icaltime_null_time();
  int n = 0;
  for (icaltimetype next = icalrecur_iterator_next(it); !icaltime_is_null_time(next);
       next = icalrecur_iterator_next(it)) {
    last = next;
    if (++n >= rule.count) break;
  }
  icalrecur_iterator_free(it);
  if (n == 0 || last.year < kFirstYear || last.year > kLastYear) return kEmptyDateTime;
  unsigned v = dayOf(packed(last, zone, true));
  return moveWithinRange(v, -shift) ? v : kEmptyDateTime;
}

T_recData Importer::recurrence(icalcomponent* c, unsigned begin, unsigned end, bool appointment,
                               const icaltimetype& rawStart, icaltimezone* startZone) {
  T_recData r;
  icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
  for (icalproperty_kind kind : {ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY, ICAL_EXRULE_PROPERTY}) {
    int n = icalcomponent_count_properties(c, kind);
    if (n == 0) continue;
    note(std::string(icalproperty_kind_to_string(kind)) + " (" + std::to_string(n) +
         ") cannot be held and was left out" +
         (p != nullptr ? ": every occurrence of the rule is shown" : ""));
  }
  if (p == nullptr) return r;
  if (icalcomponent_count_properties(c, ICAL_RRULE_PROPERTY) > 1) {
    note("only the first of several RRULEs was kept");
  }
  icalrecurrencetype rule = icalproperty_get_rrule(p);
  unsigned mainDate = appointment ? begin : end;
  int shift = appointment ? 0 : getDateDiff(begin, end);
  ruleParts(rule, mainDate, r);
  const char* kind = xValue(c, kXRecurrence);
  if (!appointment && r.type == 1 && kind != nullptr && strcmp(kind, kDailyResetable) == 0) {
    r.type = 2;
  }
  if (const char* first = xValue(c, kXRecurrenceStart)) {
    icaltimetype t = icaltime_from_string(first);
    if (!icaltime_is_null_time(t)) r.firstDate = packed(t, nullptr, true);
  }
  if (!icaltime_is_null_time(rule.until)) {
    icaltimezone* zone = icaltime_is_utc(rule.until) ? icaltimezone_get_utc_timezone() : nullptr;
    icaltimetype until = rule.until;
    bool endOfDay = !until.is_date && until.hour == 23 && until.minute == 59;
    r.lastDate = packed(until, zone, endOfDay);
    (void)moveWithinRange(r.lastDate, -shift);
  } else if (rule.count > 0) {
    if (!icaltime_is_null_time(rawStart)) r.lastDate = lastDateOf(rule, rawStart, startZone, shift);
    if (!hasDate(r.lastDate)) {
      note("COUNT=" + std::to_string(rule.count) +
           ": no last date could be worked out, so the rule runs on without end");
    }
  }
  // A last date before the item's own date leaves the item's own occurrence only.
  if (hasDate(r.lastDate) && dateKey(mainDate) > dateKey(r.lastDate)) r = T_recData();
  if (hasDate(r.firstDate) && dateKey(mainDate) < dateKey(r.firstDate)) r.firstDate = mainDate;
  return r;
}

void setPacked(ToDoListToDo* t, int which, unsigned v, T_Calendar& cal) {
  if (!hasDate(v)) return;
  (void)t->setDateDontCheck(which, packedYear(v), packedMonth(v), packedDay(v), cal);
  if (hasTime(v)) (void)t->setTimeDontCheck(which, packedHour(v), packedMinute(v), cal);
}

std::string textProperty(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (p == nullptr) return std::string();
  icalvalue* v = icalproperty_get_value(p);
  const char* text = v != nullptr ? icalvalue_get_text(v) : nullptr;
  return text != nullptr ? text : std::string();
}

std::string Importer::labelOf(icalcomponent* c) {
  bool appointment = icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT;
  return (appointment ? "Appointment " : "To-do ") +
         itemLabel(textProperty(c, ICAL_SUMMARY_PROPERTY));
}

void Importer::readItem(icalcomponent* c, ToDoListToDo* t, T_Calendar& cal) {
  bool appointment = icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT;
  std::string summary = textProperty(c, ICAL_SUMMARY_PROPERTY);
  icaltimetype rawStart = icaltime_null_time();
  icaltimezone* startZone = nullptr;
  unsigned begin = dateProperty(c, ICAL_DTSTART_PROPERTY, &rawStart, &startZone);
  unsigned end = dateProperty(c, appointment ? ICAL_DTEND_PROPERTY : ICAL_DUE_PROPERTY);
  icalproperty* duration = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY);
  if (!hasDate(end) && duration != nullptr && hasDate(begin)) {
    icaltimetype e = icaltime_add(rawStart, icalproperty_get_duration(duration));
    end = packed(e, startZone, false);
  }
  unsigned priority = 3;
  if (appointment) {
    icalproperty* transp = icalcomponent_get_first_property(c, ICAL_TRANSP_PROPERTY);
    bool free = transp != nullptr && icalproperty_get_transp(transp) == ICAL_TRANSP_TRANSPARENT;
    priority = free ? 200 : 100;
    // An all-day event's DTEND is the day after it.
    if (hasDate(end) && !hasTime(begin) && !hasTime(end) && dateKey(end) > dateKey(begin)) {
      moveDate(end, -1);
    }
  } else {
    icalproperty* prio = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY);
    int p = prio != nullptr ? icalproperty_get_priority(prio) : 0;
    if (p >= 1 && p <= 6) priority = static_cast<unsigned>(p);
    if (p > 6) {
      priority = 6;
      note("priority " + std::to_string(p) + " became 6, Zolt's lowest");
    }
    if (!hasDate(end) && hasDate(begin)) {
      note("it has a start but no due date; the start was taken as its due date");
      end = begin;
      begin = kEmptyDateTime;
    }
  }
  if (hasDate(begin) && hasDate(end) && begin > end) end = begin;
  T_recData r = recurrence(c, begin, end, appointment, rawStart, startZone);
  // Zolt keeps a rule only on items with both dates.
  if (r.type != 0 && !hasDate(appointment ? end : begin)) {
    if (appointment) {
      end = begin;
    } else {
      begin = dayOf(end);
      note("the start was set to the due day so the recurrence could be kept");
    }
  }
  t->setSummary(summary);
  (void)t->setPriority(priority, cal);
  if (appointment) t->setShowTimeAs(priority == 100 ? 1 : 0, cal);
  setPacked(t, 0, end, cal);
  setPacked(t, 1, begin, cal);
  t->setRecData(r, cal);
  T_recData kept;
  t->getRecData(kept);
  if (kept != r) note("its recurrence could not be kept");

  icalproperty* status = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
  icalproperty* completed = icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY);
  if (!appointment &&
      ((status != nullptr && icalproperty_get_status(status) == ICAL_STATUS_COMPLETED) ||
       completed != nullptr)) {
    T_completed done;
    done.completed = true;
    done.time = static_cast<int32_t>(zoltNow());
    if (completed != nullptr) {
      icaltimetype ct = icalproperty_get_completed(completed);
      done.time = static_cast<int32_t>(icaltime_as_timet_with_zone(
          ct, ct.zone != nullptr ? ct.zone : icaltimezone_get_utc_timezone()));
    }
    t->setCompletedDirect(done);
  }
  std::string description = textProperty(c, ICAL_DESCRIPTION_PROPERTY);
  std::string location = textProperty(c, ICAL_LOCATION_PROPERTY);
  if (!location.empty())
    description += (description.empty() ? "" : "\n") + ("Location: " + location);
  if (!description.empty()) t->setDescription(description.c_str());
  int alarms = icalcomponent_count_components(c, ICAL_VALARM_COMPONENT);
  if (alarms > 0) note("Zolt has no alarms; " + std::to_string(alarms) + " left out");
}

// The first error libical found while parsing, or "".
std::string firstError(icalcomponent* c) {
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p != nullptr;
       p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY)) {
    const char* text = icalproperty_get_xlicerror(p);
    return std::string(icalcomponent_kind_to_string(icalcomponent_isa(c))) + ": " +
           (text != nullptr ? text : "damaged property");
  }
  for (icalcomponent* sub = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT);
       sub != nullptr; sub = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT)) {
    std::string e = firstError(sub);
    if (!e.empty()) return e;
  }
  return std::string();
}

// The names of the item's group path: Zolt's own property, else the first CATEGORIES
// split at "/" (further categories are noted).
std::vector<std::string> groupNames(icalcomponent* c, Importer& in) {
  if (const char* path = Importer::xValue(c, kXGroup)) return unescapedPath(path);
  std::vector<std::string> names;
  icalproperty* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY);
  if (p == nullptr) return names;
  const char* value = icalproperty_get_categories(p);
  std::string path = value != nullptr ? value : "";
  if (icalcomponent_count_properties(c, ICAL_CATEGORIES_PROPERTY) > 1) {
    in.note("only its first category \"" + path + "\" became its group");
  }
  std::istringstream parts(path);
  std::string name;
  while (std::getline(parts, name, '/')) names.push_back(name);
  return names;
}

// The group for the item's group path below `top`, made on first use.
ToDoListGroup* groupFor(icalcomponent* c, ToDoListGroup* top,
                        std::map<std::string, ToDoListGroup*>& made, Importer& in) {
  ToDoListGroup* g = top;
  std::vector<std::string> sofar;
  for (const std::string& name : groupNames(c, in)) {
    if (name.empty()) continue;
    sofar.push_back(name);
    auto found = made.find(escapedPath(sofar));
    if (found == made.end()) {
      ToDoListGroup* sub = g->newGroup();
      sub->setSummary(name);
      found = made.emplace(escapedPath(sofar), sub).first;
    }
    g = found->second;
  }
  return g;
}

}  // namespace

// ---------------------------------------------------------------------------------------

bool hasEncryptedDescriptions(Zolt& doc) {
  std::vector<ToDoListItem*> items;
  doc.getRoot()->collectSubtree(items);
  for (ToDoListItem* item : items) {
    auto* t = dynamic_cast<ToDoListToDo*>(item);
    if (t != nullptr && isEncrypted(*t)) return true;
  }
  return false;
}

std::string icalendarText(Zolt& doc, const T_IcsExportOptions& opts, T_IcsReport& report) {
  ComponentPtr cal(icalcomponent_new_vcalendar());
  icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
  icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Zolt//Zolt organizer//EN"));
  ExportWalk walk{doc, opts, report, cal.get()};
  std::vector<std::string> names;
  walk.group(doc.getRoot(), names);
  if (walk.undated > 0) {
    report.notes.push_back(std::to_string(walk.undated) +
                           " to-dos and appointments without a date were not exported.");
  }
  if (walk.timed > 0) {
    report.notes.push_back("iCalendar has no place for recorded working times; those of " +
                           std::to_string(walk.timed) + " to-dos were not exported.");
  }
  char* text = icalcomponent_as_ical_string_r(cal.get());
  std::string result = text != nullptr ? text : "";
  free(text);
  return result;
}

int exportICalendar(Zolt& doc, const char* fileName, const T_IcsExportOptions& opts,
                    T_IcsReport& report) {
  std::string text = icalendarText(doc, opts, report);
  auto body = [&text](std::ostream& os) {
    os << text;
    return os.good();
  };
  if (fileName == nullptr || *fileName == '\0' || writeFileAtomically(fileName, body) != 0) {
    report.error = std::string("Could not write ") + (fileName ? fileName : "") +
                   ". Check the folder exists and you may write there.";
    return -1;
  }
  return 0;
}

int importICalendarText(Zolt& doc, const std::string& text, const std::string& groupName,
                        T_IcsReport& report) {
  report.groupName = groupName;
  if (doc.getMainViewType() == kMainViewSearch) {
    report.error = "Leave the search results first: an import goes into the current group.";
    return -3;
  }
  icalerror_set_errors_are_fatal(0);
  ComponentPtr top(icalparser_parse_string(text.c_str()));
  std::vector<icalcomponent*> calendars;
  if (top && icalcomponent_isa(top.get()) == ICAL_VCALENDAR_COMPONENT) {
    calendars.push_back(top.get());
  } else if (top && icalcomponent_isa(top.get()) == ICAL_XROOT_COMPONENT) {
    for (icalcomponent* c = icalcomponent_get_first_component(top.get(), ICAL_VCALENDAR_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(top.get(), ICAL_VCALENDAR_COMPONENT)) {
      calendars.push_back(c);
    }
  }
  if (calendars.empty()) {
    report.error =
        "This is not a whole iCalendar file: no complete BEGIN:VCALENDAR ... "
        "END:VCALENDAR block was found. Nothing was imported.";
    return -1;
  }
  std::string damage = firstError(top.get());
  if (!damage.empty()) {
    report.error = "The file is damaged, so nothing was imported. " + damage;
    return -1;
  }
  T_Calendar scratch;
  ToDoListGroup built(0, "/", 1);
  built.setSummary(groupName);
  std::map<std::string, ToDoListGroup*> made;
  Importer in(report);
  std::map<std::string, int> skipped;
  for (icalcomponent* vcal : calendars) {
    in.vcal = vcal;
    for (icalcomponent* c = icalcomponent_get_first_component(vcal, ICAL_ANY_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(vcal, ICAL_ANY_COMPONENT)) {
      icalcomponent_kind kind = icalcomponent_isa(c);
      if (kind == ICAL_VTIMEZONE_COMPONENT) continue;
      if (kind != ICAL_VEVENT_COMPONENT && kind != ICAL_VTODO_COMPONENT) {
        ++skipped[icalcomponent_kind_to_string(kind)];
        continue;
      }
      in.label = Importer::labelOf(c);
      ToDoListGroup* g = groupFor(c, &built, made, in);
      in.readItem(c, g->newToDo(), scratch);
      ++report.items;
    }
  }
  for (const auto& s : skipped) {
    report.notes.push_back(std::to_string(s.second) + " " + s.first +
                           " component(s) are not to-dos or appointments and were left out.");
  }
  int result = doc.insertGroup(built);
  if (result == -1) {
    report.error = "Leave the search results first: an import goes into the current group.";
    return -3;
  }
  return result == Zolt::kInsertNotJournalled ? -2 : 0;
}

static std::string baseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 4) {
    std::string ext = name.substr(name.size() - 4);
    for (char& ch : ext) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    if (ext == ".ics") name.resize(name.size() - 4);
  }
  return name.empty() ? std::string("calendar") : name;
}

int importICalendar(Zolt& doc, const char* fileName, T_IcsReport& report) {
  std::ifstream in(fileName != nullptr ? fileName : "", std::ios::binary);
  if (!in) {
    report.error = std::string("Could not open ") + (fileName ? fileName : "") + ".";
    return -1;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    report.error = std::string("Could not read ") + fileName + ".";
    return -1;
  }
  return importICalendarText(doc, text.str(), baseName(fileName), report);
}

static std::string withNotes(std::string head, const T_IcsReport& report, const char* title) {
  if (report.notes.empty()) return head;
  head += "\n";
  head += title;
  for (const std::string& n : report.notes) head += "\n- " + n;
  return head;
}

std::string exportMessage(const std::string& fileName, const T_IcsReport& report) {
  if (!report.error.empty()) return report.error;
  return withNotes(
      "Exported " + std::to_string(report.items) + " to-dos and appointments to " + fileName + ".",
      report, "Not exported exactly:");
}

std::string importMessage(const std::string& fileName, const T_IcsReport& report) {
  if (!report.error.empty()) return fileName + ": " + report.error;
  return withNotes("Imported " + std::to_string(report.items) +
                       " to-dos and appointments into the new group \"" + report.groupName + "\".",
                   report, "Not held exactly, imported as near as Zolt can:");
}
