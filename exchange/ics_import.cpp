// Import of iCalendar text. libical parses the whole text first; what it could not read is
// sorted into what refuses the file (a date or rule an item needs) and what is only left
// out and named. Recurring series are expanded where local times or left-out occurrences
// call for it and split into runs one Zolt recurrence holds. The new group is built apart
// from the tree and added in one step (Zolt::insertGroup), so an import is all or nothing.
#include <libical/ical.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "exchange/ics_properties.h"
#include "exchange/ics_reimport.h"
#include "exchange/ics_related.h"
#include "exchange/ics_series.h"
#include "exchange/ics_text.h"
#include "exchange/ics_timezones.h"
#include "exchange/zolt_properties.h"
#include "util/clock.h"

namespace {

constexpr int kMaxCountExpansion = 100000;
// Series in a time zone are split by clock changes up to this many years past today (or
// past their start, when that is later); beyond, the last run keeps one local time.
constexpr int kHorizonYears = 3;
// All expansions of one file together; a file of a few hundred bytes needs microseconds.
constexpr std::chrono::milliseconds kExpansionBudget(1500);

// Calendars nest three deep (VCALENDAR, VEVENT, VALARM); far deeper nesting only makes
// the walks over components run out of stack.
constexpr int kMaxNesting = 32;

// Properties without which an item's dates or its rule are not known.
const char* const kNeededProperties[] = {"DTSTART", "DTEND",         "DUE",   "DURATION",
                                         "RRULE",   "RECURRENCE-ID", "EXDATE"};

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

bool isItem(icalcomponent* c) {
  icalcomponent_kind k = icalcomponent_isa(c);
  return k == ICAL_VEVENT_COMPONENT || k == ICAL_VTODO_COMPONENT;
}

std::string labelOf(icalcomponent* c) {
  bool appointment = icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT;
  return (appointment ? "Appointment " : "To-do ") +
         itemLabel(textProperty(c, ICAL_SUMMARY_PROPERTY));
}

bool isCancelled(icalcomponent* c) {
  icalproperty* p = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
  return p != nullptr && icalproperty_get_status(p) == ICAL_STATUS_CANCELLED;
}

// ---- what libical could not read ----

// The property an X-LIC-ERROR text names ("No value for DESCRIPTION property", "Can't parse
// as DATE-TIME value in DTSTART property"), or "" when it names none.
std::string damagedProperty(const std::string& text) {
  size_t end = text.find(" property");
  while (end != std::string::npos) {
    size_t begin = text.rfind(' ', end - 1);
    size_t before = begin == std::string::npos ? std::string::npos : text.rfind(' ', begin - 1);
    if (begin != std::string::npos) {
      std::string word = text.substr(before == std::string::npos ? 0 : before + 1,
                                     begin - (before == std::string::npos ? 0 : before + 1));
      if (word == "for" || word == "in") return text.substr(begin + 1, end - begin - 1);
    }
    end = text.find(" property", end + 1);
  }
  return std::string();
}

bool isNeeded(const std::string& property) {
  for (const char* name : kNeededProperties) {
    if (property == name) return true;
  }
  return false;
}

struct Damage {
  std::string refusal;                 // why the file is refused, or ""
  std::map<std::string, int> skipped;  // what was left out, by property and place
};

// Sorts the X-LIC-ERRORs of `c` and of everything in it. `label` names the item `c` is or
// lies in ("" outside items); `place` says where below the item ("" for its own lines).
void collectDamage(icalcomponent* c, const std::string& label, const std::string& place,
                   Damage& d) {
  int own = 0;
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p != nullptr;
       p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY)) {
    const char* raw = icalproperty_get_xlicerror(p);
    std::string text = raw != nullptr ? raw : "damaged property";
    std::string name = damagedProperty(text);
    ++own;
    if (!label.empty() && place.empty() && isNeeded(name)) {
      if (d.refusal.empty()) d.refusal = label + ": " + text;
      continue;
    }
    std::string what = name.empty() ? "unreadable line" : name == "X" ? "X-" : name;
    ++d.skipped[what + place];
  }
  // An appointment is placed by its start: without one it could only be dropped unseen.
  if (icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT &&
      icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY) == nullptr && d.refusal.empty()) {
    d.refusal = label + (own > 0 ? " has no start that can be read" : " has no start (DTSTART)");
  }
  for (icalcomponent* sub = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT);
       sub != nullptr; sub = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT)) {
    icalcomponent_kind k = icalcomponent_isa(sub);
    std::string where = place;
    if (k == ICAL_VALARM_COMPONENT) where = " in an alarm";
    if (k == ICAL_VTIMEZONE_COMPONENT) where = " in a time zone";
    collectDamage(sub, isItem(sub) ? labelOf(sub) : label, isItem(sub) ? "" : where, d);
  }
}

std::string skippedNote(const std::map<std::string, int>& skipped) {
  int total = 0;
  std::string list;
  for (const auto& s : skipped) {
    total += s.second;
    list += (list.empty() ? "" : ", ") + s.first + " (" + std::to_string(s.second) + ")";
  }
  return std::to_string(total) +
         " empty or unreadable properties were left out, none of them needed for dates: " + list +
         ".";
}

// ---- moved and cancelled occurrences ----

// The occurrences that components with a RECURRENCE-ID take out of their series, by UID.
using MovedOccurrences = std::map<std::string, std::vector<T_IcsExclusion>>;

// ---- the item as it will be built ----

struct ItemDraft {
  bool appointment = false;
  std::string summary;
  unsigned priority = 3;
  unsigned begin = kEmptyDateTime;
  unsigned end = kEmptyDateTime;
  T_recData rec;
  bool completed = false;
  int32_t completedAt = 0;
  std::string description;
};

// Where the draft's dates came from, for the occurrences of its series. An occurrence
// ends `endDays` calendar days (a DURATION's days and weeks, on the wall clock) and then
// `endOffset` exact seconds after it starts.
struct DateSource {
  icaltimetype start = icaltime_null_time();  // DTSTART as written; a to-do's DUE without one
  icaltimezone* zone = nullptr;               // its zone; null when floating or a date
  long long beginOffset = 0;                  // seconds from the start to what begin denotes
  long long endOffset = 0;                    // the same for end
  int endDays = 0;
  bool zoned() const { return zone != nullptr && !start.is_date && !icaltime_is_null_time(start); }
};

// One occurrence in Zolt's terms: local packed begin and end.
struct Occurrence {
  unsigned begin = kEmptyDateTime;
  unsigned end = kEmptyDateTime;
  bool early = false;    // its main date lies before the years Zolt holds
  bool sameDay = false;  // its main date is the day it starts on in the source's zone
};

// Changes of "this and every later occurrence" (RECURRENCE-ID;RANGE=THISANDFUTURE), by UID.
using RangeStarts = std::map<std::string, std::vector<T_IcsExclusion>>;

void setPacked(ToDoListToDo* t, int which, unsigned v, T_Calendar& cal) {
  if (!hasDate(v)) return;
  (void)t->setDateDontCheck(which, packedYear(v), packedMonth(v), packedDay(v), cal);
  if (hasTime(v)) (void)t->setTimeDontCheck(which, packedHour(v), packedMinute(v), cal);
}

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

// A begin after an end, by what they mean: a date without a time is that whole day, so it
// lies neither before nor after a time on the same day.
bool reversed(unsigned begin, unsigned end) {
  unsigned kb = dateKey(begin), ke = dateKey(end);
  return kb > ke || (kb == ke && hasTime(begin) && hasTime(end) && begin > end);
}

std::vector<T_IcsRun> zoltRuns(const ItemDraft& d,
                               const std::vector<std::pair<unsigned, unsigned>>& pairs);
ItemDraft runItem(const ItemDraft& d, std::pair<unsigned, unsigned> first,
                  std::pair<unsigned, unsigned> last, bool isFirst, bool open, bool single);

struct Importer {
  icalcomponent* vcal = nullptr;  // the VCALENDAR being read; not owned
  T_IcsReport& report;
  std::string label;       // the item being read, for the notes
  bool zoltScale = false;  // PRIORITY holds Zolt's own 1 to 6 (its older exports)
  int cancelled = 0;
  int cleaned = 0;  // texts that lost control characters
  std::set<std::string> noted;
  std::chrono::steady_clock::time_point deadline;
  T_IcsUnheld unheld;        // what Zolt holds nowhere, by kind
  T_IcsRelations relations;  // the subtask trees
  std::set<std::string> unknownFloatingZones;
  std::map<std::string, icalcomponent*> masters;  // the series of each UID; not owned
  RangeStarts ranges;
  bool quietRange = false;  // a series' start before 2000 is not a date to note

  explicit Importer(T_IcsReport& r)
      : report(r), deadline(std::chrono::steady_clock::now() + kExpansionBudget) {}

  // One note per text: an item that meets the same thing twice is named once.
  void note(const std::string& text) {
    std::string n = label + ": " + text;
    if (noted.insert(n).second) report.notes.push_back(n);
  }

  icaltimezone* zoneOf(icalproperty* prop, const icaltimetype& t);
  icaltimezone* floatingZone();
  unsigned packedFields(int year, int month, int day, int hour, int minute, bool noTime);
  unsigned packed(icaltimetype t, icaltimezone* zone, bool noTime);
  unsigned packedInstant(time_t secs, bool noTime);
  unsigned packedAt(time_t secs, bool zoned, bool noTime);
  unsigned dateProperty(icalcomponent* c, icalproperty_kind kind, icaltimetype* raw = nullptr,
                        icaltimezone** rawZone = nullptr);
  std::string cleanText(std::string text);

  bool ruleParts(const icalrecurrencetype& rule, const icaltimetype& source, T_recData& r);
  unsigned lastDateOf(const icalrecurrencetype& rule, icaltimetype start, icaltimezone* zone,
                      int shift);
  T_recData recurrence(icalcomponent* c, const icalrecurrencetype& rule, const ItemDraft& d,
                       const DateSource& s, bool& exact);
  DateSource readDates(icalcomponent* c, ItemDraft& d);
  void readKind(icalcomponent* c, ItemDraft& d);
  std::vector<ItemDraft> readItem(icalcomponent* c, const std::string& summaryBlanks,
                                  const MovedOccurrences& moved);
  std::vector<ItemDraft> withRule(icalcomponent* c, ItemDraft& d, DateSource& s,
                                  const MovedOccurrences& moved);
  std::vector<ItemDraft> series(const ItemDraft& d, const DateSource& s,
                                const icalrecurrencetype& rule, bool exact,
                                const std::vector<T_IcsExclusion>& excluded, T_IcsBounds bounds,
                                std::set<time_t>& starts);
  void keepRuns(const ItemDraft& d, const std::vector<Occurrence>& occ,
                const std::vector<size_t>& which, bool mayRunOn, std::vector<ItemDraft>& out);
  Occurrence occurrence(const ItemDraft& d, const DateSource& s, const icaltimetype& start);
  std::vector<ItemDraft> rdateItems(icalcomponent* c, const ItemDraft& d, const DateSource& s,
                                    const std::vector<T_IcsExclusion>& excluded,
                                    std::set<time_t>& starts);
  icalcomponent* rangeMaster(icalcomponent* c, DateSource& s, const DateSource& own,
                             T_IcsBounds& bounds);
  void cutAtRange(icalcomponent* c, const DateSource& s, T_IcsBounds& bounds);
  void build(const ItemDraft& d, ToDoListToDo* t, T_Calendar& cal);
};

icaltimezone* Importer::zoneOf(icalproperty* prop, const icaltimetype& t) {
  if (icaltime_is_utc(t)) return icaltimezone_get_utc_timezone();
  icalparameter* tzid = icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER);
  if (tzid == nullptr) return t.is_date ? nullptr : floatingZone();
  const char* name = icalparameter_get_tzid(tzid);
  icaltimezone* zone = icalcomponent_get_timezone(vcal, name);
  if (zone == nullptr) zone = icaltimezone_get_builtin_timezone(name);
  if (zone == nullptr) zone = icaltimezone_get_builtin_timezone_from_tzid(name);
  if (zone == nullptr) note(std::string("unknown time zone ") + name + ", times read as local");
  return zone;
}

// The zone the calendar gives its times without a zone, or null: they are local times.
icaltimezone* Importer::floatingZone() {
  std::string unknown;
  icaltimezone* zone = floatingZoneOf(vcal, unknown);
  if (!unknown.empty()) unknownFloatingZones.insert(unknown);
  return zone;
}

// A date outside what Zolt holds is moved to the nearest day it holds, and noted.
unsigned Importer::packedFields(int year, int month, int day, int hour, int minute, bool noTime) {
  if (year < kFirstYear || year > kLastYear) {
    std::string was = dateText(year, month, day);
    bool early = year < kFirstYear;
    year = early ? kFirstYear : kLastYear;
    month = early ? 1 : 12;
    day = early ? 1 : 31;
    if (!quietRange || !early)
      note("the date " + was + " lies outside 2000-2127 and was set to " +
           dateText(year, month, day));
  }
  unsigned v = packDate(kEmptyDateTime, year, month, day);
  return noTime ? v : packTime(v, hour, minute);
}

// A moment as a packed value: in the local zone when `zoned`, else its wall clock read as
// UTC (how floating times and dates go through the arithmetic).
unsigned Importer::packedAt(time_t secs, bool zoned, bool noTime) {
  if (zoned) return packedInstant(secs, noTime);
  struct tm wall;
  gmtime_r(&secs, &wall);
  return packedFields(wall.tm_year + 1900, wall.tm_mon + 1, wall.tm_mday, wall.tm_hour, wall.tm_min,
                      noTime);
}

unsigned Importer::packedInstant(time_t secs, bool noTime) {
  struct tm local;
  localtime_r(&secs, &local);
  return packedFields(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, noTime);
}

// A date or local date-time as a packed value.
unsigned Importer::packed(icaltimetype t, icaltimezone* zone, bool noTime) {
  if (!t.is_date && zone != nullptr) return packedInstant(icsInstant(t, zone), noTime);
  return packedFields(t.year, t.month, t.day, t.hour, t.minute, t.is_date || noTime);
}

bool hasNoTimeMark(icalproperty* p) {
  for (icalparameter* x = icalproperty_get_first_parameter(p, ICAL_X_PARAMETER); x != nullptr;
       x = icalproperty_get_next_parameter(p, ICAL_X_PARAMETER)) {
    const char* name = icalparameter_get_xname(x);
    if (name != nullptr && strcmp(name, kXNoTime) == 0) return true;
  }
  return false;
}

// The value of the first `kind` property, or the empty value.
unsigned Importer::dateProperty(icalcomponent* c, icalproperty_kind kind, icaltimetype* raw,
                                icaltimezone** rawZone) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (p == nullptr) return kEmptyDateTime;
  icalvalue* v = icalproperty_get_value(p);
  if (v == nullptr) return kEmptyDateTime;
  icaltimetype t = icalvalue_get_datetime(v);
  if (icaltime_is_null_time(t)) return kEmptyDateTime;
  icaltimezone* zone = zoneOf(p, t);
  if (raw != nullptr) *raw = t;
  if (rawZone != nullptr) *rawZone = zone;
  return packed(t, zone, hasNoTimeMark(p));
}

// Text as Zolt keeps it: without the control characters iCalendar text may not hold, as
// the export leaves them out too.
std::string Importer::cleanText(std::string text) {
  if (dropControlChars(text) > 0) ++cleaned;
  return text;
}

// ---- rules ----

// Type and interval from the rule's frequency and BY parts, judged on the day the series
// starts in its own zone (`source`). True when Zolt's recurrence gives exactly the rule's
// occurrences there; what only an approximation holds (a rule finer than daily) is noted.
bool Importer::ruleParts(const icalrecurrencetype& rule, const icaltimetype& source, T_recData& r) {
  int d = source.day, m = source.month;
  int w = (icaltime_day_of_week(source) + 5) % 7;  // Monday is 0
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
  if (!exact && !isExpandable(rule)) {
    static const char* const kinds[] = {"none",   "daily",           "daily, resetable",
                                        "weekly", "monthly, by day", "monthly, by date",
                                        "yearly"};
    std::string kept = std::string(kinds[r.type]);
    if (r.type == 3) kept += " on " + std::string(kWeekdayNames[w]);
    if (r.type == 4) kept += " on the " + std::to_string(weekOfMonth) + ". " + kWeekdayNames[w];
    if (r.type != 6 && r.interval != 1) kept += " every " + std::to_string(r.interval);
    note("the rule " + ruleString(rule) + " cannot be held exactly; kept as " + kept);
  }
  return exact;
}

// The last occurrence of a rule with COUNT, as the date Zolt compares its main date with;
// the empty value when it cannot be worked out.
unsigned Importer::lastDateOf(const icalrecurrencetype& rule, icaltimetype start,
                              icaltimezone* zone, int shift) {
  if (rule.count > kMaxCountExpansion || !isExpandable(rule)) return kEmptyDateTime;
  T_IcsBounds bounds;
  bounds.maxOccurrences = static_cast<size_t>(rule.count);
  bounds.lastDay = icaltime_from_day_of_year(1, kLastYear + 1);
  bounds.deadline = deadline;
  T_IcsExpansion x = expandSeries(rule, start, zone, {}, bounds);
  if (x.starts.empty() || (!x.ended && x.starts.size() < static_cast<size_t>(rule.count))) {
    return kEmptyDateTime;
  }
  icaltimetype last = x.starts.back();
  if (last.year < kFirstYear || last.year > kLastYear) return kEmptyDateTime;
  unsigned v = dayOf(packed(last, zone, true));
  return moveWithinRange(v, -shift) ? v : kEmptyDateTime;
}

T_recData Importer::recurrence(icalcomponent* c, const icalrecurrencetype& rule, const ItemDraft& d,
                               const DateSource& s, bool& exact) {
  T_recData r;
  if (icalcomponent_count_properties(c, ICAL_RRULE_PROPERTY) > 1) {
    note("only the first of several RRULEs was kept");
  }
  unsigned mainDate = d.appointment ? d.begin : d.end;
  int shift = d.appointment || !hasDate(d.begin) ? 0 : getDateDiff(d.begin, d.end);
  icaltimetype source = s.start;
  if (icaltime_is_null_time(source)) {
    source = icaltime_null_date();
    source.year = packedYear(mainDate);
    source.month = packedMonth(mainDate);
    source.day = packedDay(mainDate);
  }
  exact = ruleParts(rule, source, r);
  const char* kind = xPropertyValue(c, kXRecurrence);
  if (!d.appointment && r.type == 1 && kind != nullptr && strcmp(kind, kDailyResetable) == 0) {
    r.type = 2;
  }
  if (const char* first = xPropertyValue(c, kXRecurrenceStart)) {
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
    if (!icaltime_is_null_time(s.start)) r.lastDate = lastDateOf(rule, s.start, s.zone, shift);
    // A series that ended before 2000 is named where its occurrences are followed.
    if (!hasDate(r.lastDate) && s.start.year >= kFirstYear) {
      note("COUNT=" + std::to_string(rule.count) +
           ": no last date could be worked out, so the rule runs on without end");
    }
  }
  // A last date before the item's own date leaves the item's own occurrence only.
  if (hasDate(r.lastDate) && dateKey(mainDate) > dateKey(r.lastDate)) r = T_recData();
  if (hasDate(r.firstDate) && dateKey(mainDate) < dateKey(r.firstDate)) r.firstDate = mainDate;
  return r;
}

// ---- dates ----

// The moment the occurrence that starts at `start` ends.
time_t endInstant(const DateSource& s, icaltimetype start) {
  if (s.endDays != 0) icaltime_adjust(&start, s.endDays, 0, 0, 0);
  return icsInstant(start, s.zoned() ? s.zone : nullptr) + s.endOffset;
}

DateSource Importer::readDates(icalcomponent* c, ItemDraft& d) {
  DateSource s;
  d.begin = dateProperty(c, ICAL_DTSTART_PROPERTY, &s.start, &s.zone);
  icaltimetype rawEnd = icaltime_null_time();
  icaltimezone* endZone = nullptr;
  d.end =
      dateProperty(c, d.appointment ? ICAL_DTEND_PROPERTY : ICAL_DUE_PROPERTY, &rawEnd, &endZone);
  bool hasStart = !icaltime_is_null_time(s.start);
  if (hasDate(d.end) && hasStart) {
    s.endOffset =
        icsInstant(rawEnd, endZone != nullptr ? endZone : s.zone) - icsInstant(s.start, s.zone);
  }
  icalproperty* duration = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY);
  if (!hasDate(d.end) && duration != nullptr && hasDate(d.begin)) {
    icaldurationtype length = icalproperty_get_duration(duration);
    // Days and weeks are calendar days; hours, minutes and seconds exact time.
    int sign = length.is_neg ? -1 : 1;
    s.endDays = sign * static_cast<int>(length.weeks * 7 + length.days);
    s.endOffset = sign * (length.hours * 3600LL + length.minutes * 60LL + length.seconds);
    d.end = packedAt(endInstant(s, s.start), s.zoned(), s.start.is_date);
  }
  d.end = keptLength(d.begin, d.end, s.endOffset - s.beginOffset);
  // An all-day event's DTEND is the day after it.
  // (Told by the days as written: one before 2000 was moved to the first day Zolt holds.)
  if (d.appointment && hasDate(d.end) && !hasTime(d.begin) && !hasTime(d.end) &&
      (dateKey(d.end) > dateKey(d.begin) || (hasStart && s.endOffset >= 86400))) {
    if (dateKey(d.end) > dateKey(d.begin)) moveDate(d.end, -1);
    s.endOffset -= 86400;
  }
  // Task lists write a recurring to-do with a due date alone: its rule counts from there.
  if (!d.appointment && !hasStart && hasDate(d.end) && !icaltime_is_null_time(rawEnd)) {
    s.start = rawEnd;
    s.zone = endZone;
    s.endOffset = 0;
  }
  if (!d.appointment && !hasDate(d.end) && hasDate(d.begin)) {
    note("it has a start but no due date; the start was taken as its due date");
    d.end = d.begin;
    d.begin = kEmptyDateTime;
    s.endOffset = 0;
    s.endDays = 0;
  }
  if (hasDate(d.begin) && hasDate(d.end) && reversed(d.begin, d.end)) {
    d.end = d.begin;
    s.endOffset = s.beginOffset;
    s.endDays = 0;
  }
  if (!s.zoned()) s.zone = nullptr;
  return s;
}

// Priority, free or busy, completion.
void Importer::readKind(icalcomponent* c, ItemDraft& d) {
  if (d.appointment) {
    icalproperty* transp = icalcomponent_get_first_property(c, ICAL_TRANSP_PROPERTY);
    bool free = transp != nullptr && icalproperty_get_transp(transp) == ICAL_TRANSP_TRANSPARENT;
    d.priority = free ? 200 : 100;
    return;
  }
  icalproperty* prio = icalcomponent_get_first_property(c, ICAL_PRIORITY_PROPERTY);
  int p = prio != nullptr ? icalproperty_get_priority(prio) : 0;
  if (zoltScale) {
    d.priority = p >= 1 && p <= 6 ? static_cast<unsigned>(p) : p > 6 ? 6 : 3;
  } else {
    d.priority = zoltPriority(p);
  }
  icalproperty* status = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY);
  icalproperty* completed = icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY);
  if ((status != nullptr && icalproperty_get_status(status) == ICAL_STATUS_COMPLETED) ||
      completed != nullptr) {
    d.completed = true;
    d.completedAt = static_cast<int32_t>(zoltNow());
    if (completed != nullptr) {
      icaltimetype ct = icalproperty_get_completed(completed);
      d.completedAt = static_cast<int32_t>(icaltime_as_timet_with_zone(
          ct, ct.zone != nullptr ? ct.zone : icaltimezone_get_utc_timezone()));
    }
  }
}

std::vector<T_IcsExclusion> exclusionsOf(icalcomponent* c, Importer& in,
                                         const MovedOccurrences& moved) {
  std::vector<T_IcsExclusion> out;
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p != nullptr;
       p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY)) {
    icaltimetype t = icalproperty_get_exdate(p);
    if (!icaltime_is_null_time(t)) out.push_back(T_IcsExclusion{t, in.zoneOf(p, t)});
  }
  auto found = moved.find(textProperty(c, ICAL_UID_PROPERTY));
  if (found != moved.end()) out.insert(out.end(), found->second.begin(), found->second.end());
  return out;
}

std::vector<ItemDraft> Importer::readItem(icalcomponent* c, const std::string& summaryBlanks,
                                          const MovedOccurrences& moved) {
  ItemDraft d;
  d.appointment = icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT;
  d.summary = textProperty(c, ICAL_SUMMARY_PROPERTY);
  if (!d.summary.empty()) d.summary += summaryBlanks;
  d.summary = cleanText(d.summary);
  readKind(c, d);
  // A series begun before 2000 is taken from its first occurrence in 2000 or later.
  quietRange = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY) != nullptr;
  DateSource s = readDates(c, d);
  quietRange = false;
  std::string description = textProperty(c, ICAL_DESCRIPTION_PROPERTY);
  std::string kept = descriptionLines(c);
  if (!kept.empty()) description += (description.empty() ? "" : "\n") + kept;
  d.description = cleanText(description);
  countUnheld(c, unheld);
  int alarms = icalcomponent_count_components(c, ICAL_VALARM_COMPONENT);
  if (alarms > 0) note("Zolt has no alarms; " + std::to_string(alarms) + " left out");
  return withRule(c, d, s, moved);
}

// True when the rule picks weekdays of every week or every few weeks and nothing else
// (workdays are often written as a daily rule): one weekly series per weekday then gives
// exactly its occurrences.
bool isWeekdayRule(const icalrecurrencetype& rule) {
  bool weekly = rule.freq == ICAL_WEEKLY_RECURRENCE;
  bool daily = rule.freq == ICAL_DAILY_RECURRENCE && rule.interval <= 1;
  if ((!weekly && !daily) || isEmptyList(rule.by_day)) return false;
  for (const short* list : {rule.by_second, rule.by_minute, rule.by_hour, rule.by_month_day,
                            rule.by_year_day, rule.by_week_no, rule.by_month, rule.by_set_pos}) {
    if (!isEmptyList(list)) return false;
  }
  for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
    if (icalrecurrencetype_day_position(rule.by_day[i]) != 0) return false;
  }
  return true;
}

bool isRangeOverride(icalcomponent* c) {
  icalproperty* p = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
  if (p == nullptr) return false;
  icalparameter* range = icalproperty_get_first_parameter(p, ICAL_RANGE_PARAMETER);
  return range != nullptr && icalparameter_get_range(range) == ICAL_RANGE_THISANDFUTURE;
}

// The item, or the items of its series, with what Zolt holds of its rule.
std::vector<ItemDraft> Importer::withRule(icalcomponent* c, ItemDraft& d, DateSource& s,
                                          const MovedOccurrences& moved) {
  icalproperty* rp = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
  bool override = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
  int exrules = icalcomponent_count_properties(c, ICAL_EXRULE_PROPERTY);
  if (exrules > 0) {
    note("EXRULE (" + std::to_string(exrules) + ") cannot be held and was left out" +
         (rp != nullptr ? ": every occurrence of the rule is shown" : ""));
  }
  std::set<time_t> starts;  // the moments the occurrences imported so far start
  if (!icaltime_is_null_time(s.start)) {
    starts.insert(icsInstant(s.start, s.zoned() ? s.zone : nullptr));
  }
  T_IcsBounds bounds;
  icalcomponent* ruleOwner = c;
  DateSource own = s;
  if (override) {
    ruleOwner = isRangeOverride(c) ? rangeMaster(c, s, own, bounds) : nullptr;
    if (ruleOwner == nullptr) return {d};
    rp = icalcomponent_get_first_property(ruleOwner, ICAL_RRULE_PROPERTY);
  } else if (rp != nullptr) {
    cutAtRange(c, s, bounds);
  }
  std::vector<T_IcsExclusion> excluded = exclusionsOf(ruleOwner, *this, moved);
  std::vector<ItemDraft> out;
  if (rp == nullptr) {
    out.push_back(d);
  } else {
    icalrecurrencetype rule = icalproperty_get_rrule(rp);
    bool exact = false;
    d.rec = recurrence(ruleOwner, rule, d, s, exact);
    // Zolt keeps a rule only on items with both dates.
    if (d.rec.type != 0 && !hasDate(d.appointment ? d.end : d.begin)) {
      if (d.appointment) {
        d.end = d.begin;
        s.endOffset = s.beginOffset;
        s.endDays = 0;
      } else {
        d.begin = dayOf(d.end);
        s.beginOffset = s.endOffset;
        note("the start was set to the due day so the recurrence could be kept");
      }
    }
    bool early = !icaltime_is_null_time(s.start) && s.start.year < kFirstYear;
    bool expand = d.rec.type != 0 && d.rec.type != 2 && isExpandable(rule) &&
                  !icaltime_is_null_time(s.start) &&
                  (s.zoned() || !excluded.empty() || !exact || early || override ||
                   bounds.before != T_IcsBounds().before ||
                   icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY) != nullptr);
    if (expand) {
      out = series(d, s, rule, exact, excluded, bounds, starts);
    } else {
      if (d.rec.type != 0 && !excluded.empty()) {
        note("EXDATE or moved occurrences (" + std::to_string(excluded.size()) +
             ") cannot be held: every occurrence of the rule is shown, moved ones also where "
             "they were moved to");
      }
      out.push_back(d);
    }
  }
  if (!override) {
    std::vector<ItemDraft> extra =
        rdateItems(c, out.empty() ? d : out.front(), s, excluded, starts);
    out.insert(out.end(), extra.begin(), extra.end());
  }
  return out;
}

// The series a change of "this and every later occurrence" `c` belongs to, or null. `s`
// becomes the series' own start, shifted to `own`'s times; `bounds` the part of the series
// that `c` changes.
icalcomponent* Importer::rangeMaster(icalcomponent* c, DateSource& s, const DateSource& own,
                                     T_IcsBounds& bounds) {
  std::string uid = textProperty(c, ICAL_UID_PROPERTY);
  auto found = masters.find(uid);
  icalproperty* rid = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
  if (found == masters.end() || icaltime_is_null_time(own.start)) return nullptr;
  ItemDraft master;
  master.appointment = icalcomponent_isa(found->second) == ICAL_VEVENT_COMPONENT;
  DateSource ms = readDates(found->second, master);
  if (icaltime_is_null_time(ms.start)) return nullptr;
  icaltimetype at = icalproperty_get_recurrenceid(rid);
  icaltimezone* atZone = zoneOf(rid, at);
  icaltimezone* zone = ms.zoned() ? ms.zone : nullptr;
  time_t from = icsInstant(at, atZone != nullptr ? atZone : zone);
  long long shift = icsInstant(own.start, own.zoned() ? own.zone : nullptr) - from;
  s = ms;
  s.beginOffset = shift;
  s.endOffset = shift + own.endOffset;
  s.endDays = own.endDays;
  bounds.from = from;
  cutAtRange(found->second, s, bounds);
  return found->second;
}

// Ends the part of the series `c` from `bounds.from` where its next change of "this and
// every later occurrence" begins.
void Importer::cutAtRange(icalcomponent* c, const DateSource& s, T_IcsBounds& bounds) {
  auto found = ranges.find(textProperty(c, ICAL_UID_PROPERTY));
  if (found == ranges.end()) return;
  icaltimezone* zone = s.zoned() ? s.zone : nullptr;
  for (const T_IcsExclusion& x : found->second) {
    time_t at = icsInstant(x.time, x.zone != nullptr ? x.zone : zone);
    if (at > bounds.from && at < bounds.before) bounds.before = at;
  }
}

// The occurrence that starts at `start`, in the series' zone.
Occurrence Importer::occurrence(const ItemDraft& d, const DateSource& s,
                                const icaltimetype& start) {
  Occurrence o;
  bool zoned = s.zoned();
  time_t at = icsInstant(start, zoned ? s.zone : nullptr);
  time_t mainAt = d.appointment || !hasDate(d.end) ? at + s.beginOffset : endInstant(s, start);
  struct tm local;
  zoned ? localtime_r(&mainAt, &local) : gmtime_r(&mainAt, &local);
  if (local.tm_year + 1900 < kFirstYear) {
    o.early = true;
    return o;
  }
  o.sameDay = local.tm_year + 1900 == start.year && local.tm_mon + 1 == start.month &&
              local.tm_mday == start.day;
  if (hasDate(d.begin)) o.begin = packedAt(at + s.beginOffset, zoned, !hasTime(d.begin));
  if (hasDate(d.end)) o.end = packedAt(endInstant(s, start), zoned, !hasTime(d.end));
  o.end = keptLength(o.begin, o.end, endInstant(s, start) - (at + s.beginOffset));
  return o;
}

// The day after which a series is no longer followed: kHorizonYears past today or past its
// start, and never before the last occurrence it leaves out.
icaltimetype horizonOf(const DateSource& s, const std::vector<T_IcsExclusion>& excluded) {
  time_t now = zoltNow();
  icaltimetype h = icaltime_from_timet_with_zone(now, 1, nullptr);
  if (icaltime_compare_date_only(s.start, h) > 0) h = s.start;
  for (const T_IcsExclusion& x : excluded) {
    if (icaltime_compare_date_only(x.time, h) > 0) h = x.time;
  }
  h.is_date = 1;
  h.year += kHorizonYears;
  if (h.month == 2 && h.day == 29) h.day = 28;
  if (h.year > kLastYear) h = icaltime_from_day_of_year(365, kLastYear);
  return h;
}

std::vector<ItemDraft> Importer::series(const ItemDraft& d, const DateSource& s,
                                        const icalrecurrencetype& rule, bool exact,
                                        const std::vector<T_IcsExclusion>& excluded,
                                        T_IcsBounds bounds, std::set<time_t>& starts) {
  bounds.lastDay = horizonOf(s, excluded);
  bounds.deadline = deadline;
  quietRange = true;
  T_IcsExpansion x = expandSeries(rule, s.start, s.zoned() ? s.zone : nullptr, excluded, bounds);
  std::vector<Occurrence> occ;
  std::map<int, std::vector<size_t>> byWeekday;  // the source's weekday (1 is Sunday)
  bool weekdays = isWeekdayRule(rule);
  for (const icaltimetype& start : x.starts) {
    Occurrence o = occurrence(d, s, start);
    if (o.early) continue;
    if (!hasDate(o.begin) && !hasDate(o.end)) break;
    starts.insert(icsInstant(start, s.zoned() ? s.zone : nullptr));
    byWeekday[weekdays ? icaltime_day_of_week(start) : 0].push_back(occ.size());
    occ.push_back(o);
  }
  quietRange = false;
  if (occ.empty()) {
    note(x.starts.empty() ? "every occurrence of its series is left out or moved, so nothing of "
                            "it was imported"
                          : "every occurrence of its series lies before 2000, so nothing of it "
                            "was imported");
    return {};
  }
  if (x.cut) {
    note("its series is too long to follow here: after its first " + std::to_string(occ.size()) +
         " occurrences it runs on as one rule");
  }
  bool holdable = exact || weekdays;
  ItemDraft each = d;
  if (weekdays && rule.freq == ICAL_DAILY_RECURRENCE) each.rec.type = 3;
  std::vector<ItemDraft> out;
  for (const auto& group : byWeekday) {
    keepRuns(each, occ, group.second, holdable && !x.ended, out);
  }
  std::string last = dateText(bounds.lastDay.year, bounds.lastDay.month, bounds.lastDay.day);
  bool runsOn = std::any_of(out.begin(), out.end(), [](const ItemDraft& p) {
    return p.rec.type != 0 && !hasDate(p.rec.lastDate);
  });
  if (!holdable) {
    note("the rule " + ruleString(rule) + " cannot be said by Zolt's recurrence: its " +
         std::to_string(occ.size()) + " occurrences " + (x.ended ? "" : "up to " + last + " ") +
         "became " + std::to_string(out.size()) + " items" +
         (x.ended ? "" : "; later ones were not imported"));
    return out;
  }
  if (out.size() > byWeekday.size()) {
    std::string why = s.zoned() ? "so that every occurrence keeps its local time" : "";
    if (x.excluded > 0) {
      why += std::string(why.empty() ? "" : ", and ") + "around " + std::to_string(x.excluded) +
             " left-out or moved occurrences";
    }
    if (!why.empty())
      note("its series was split into " + std::to_string(out.size()) + " series, " + why);
  }
  if (byWeekday.size() > 1) {
    note("its rule " + ruleString(rule) + " became one weekly series per weekday");
  }
  if (!x.ended && !runsOn) {
    note("after " + last +
         " no further occurrences were imported: no rule of Zolt's keeps "
         "them on the source's days");
  } else if (!x.ended && out.size() > byWeekday.size() && s.zoned()) {
    note("after " + last + " its last series keeps one local time, also across clock changes");
  }
  return out;
}

// The items of the occurrences `which` of `occ`: the fewest runs of Zolt's own rule, the
// last one open when `mayRunOn` and Zolt's rule keeps it on the source's days.
void Importer::keepRuns(const ItemDraft& d, const std::vector<Occurrence>& occ,
                        const std::vector<size_t>& which, bool mayRunOn,
                        std::vector<ItemDraft>& out) {
  std::vector<std::pair<unsigned, unsigned>> pairs;
  for (size_t i : which) pairs.emplace_back(occ[i].begin, occ[i].end);
  std::vector<T_IcsRun> runs = zoltRuns(d, pairs);
  bool keepsDays = d.rec.type == 1 || d.rec.type == 3;
  for (size_t i = 0; i < runs.size(); ++i) {
    bool open =
        i + 1 == runs.size() && mayRunOn && (keepsDays || occ[which[runs[i].first]].sameDay);
    out.push_back(runItem(d, pairs[runs[i].first], pairs[runs[i].last], out.empty(), open,
                          runs[i].first == runs[i].last));
  }
}

// The occurrences RDATE adds to the item, as items of their own: those that neither the
// rule gives (`starts`) nor EXDATE or a moved occurrence takes out.
std::vector<ItemDraft> Importer::rdateItems(icalcomponent* c, const ItemDraft& d,
                                            const DateSource& s,
                                            const std::vector<T_IcsExclusion>& excluded,
                                            std::set<time_t>& starts) {
  std::vector<ItemDraft> out;
  if (icaltime_is_null_time(s.start)) return out;
  bool zoned = s.zoned();
  ItemDraft single = d;
  single.rec = T_recData();
  quietRange = true;
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p != nullptr;
       p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
    icaldatetimeperiodtype v = icalproperty_get_rdate(p);
    bool period = icaltime_is_null_time(v.time);
    icaltimetype t = period ? v.period.start : v.time;
    if (icaltime_is_null_time(t)) continue;
    icaltimezone* zone = zoneOf(p, t);
    time_t at = icsInstant(t, zone != nullptr ? zone : zoned ? s.zone : nullptr);
    if (!starts.insert(at).second ||
        isExcludedOccurrence(t, zone != nullptr ? zone : s.zone, excluded)) {
      continue;
    }
    icaltimetype start = zoned ? icaltime_from_timet_with_zone(at, 0, s.zone) : t;
    Occurrence o = occurrence(single, s, start);
    if (o.early) continue;
    if (period && hasDate(o.end)) {
      time_t end = icaltime_is_null_time(v.period.end)
                       ? at + icaldurationtype_as_int(v.period.duration)
                       : icsInstant(v.period.end, zone != nullptr ? zone
                                                  : zoned         ? s.zone
                                                                  : nullptr);
      o.end = packedAt(end, zoned, !hasTime(single.end));
    }
    ItemDraft one = single;
    one.begin = o.begin;
    one.end = o.end;
    out.push_back(one);
  }
  quietRange = false;
  if (!out.empty()) {
    note("its " + std::to_string(out.size()) + " further dates (RDATE) became items of their own");
  }
  return out;
}

// The runs of `pairs` that Zolt's own step gives, on an item of the same kind and rule.
std::vector<T_IcsRun> zoltRuns(const ItemDraft& d,
                               const std::vector<std::pair<unsigned, unsigned>>& pairs) {
  T_Calendar cal;
  ToDoListToDo stepper(0, "/");
  (void)stepper.setPriority(d.priority, cal);
  setPacked(&stepper, 0, pairs[0].second, cal);
  setPacked(&stepper, 1, pairs[0].first, cal);
  T_recData steps;
  steps.type = d.rec.type;
  steps.interval = d.rec.interval;
  stepper.setRecData(steps, cal);
  return splitIntoRuns(pairs, [&stepper](unsigned& b, unsigned& e) {
    return stepper.setFollowingRecurrenceDate(b, e) == 1;
  });
}

// The item of one run from `first` to `last`; an `open` run goes on as the rule does.
ItemDraft runItem(const ItemDraft& d, std::pair<unsigned, unsigned> first,
                  std::pair<unsigned, unsigned> last, bool isFirst, bool open, bool single) {
  ItemDraft p = d;
  p.begin = first.first;
  p.end = first.second;
  if (!open) p.rec.lastDate = dayOf(d.appointment ? last.first : last.second);
  if (!open && single) p.rec = T_recData();
  if (!isFirst) p.rec.firstDate = kEmptyDateTime;
  unsigned mainDate = d.appointment ? p.begin : p.end;
  if (hasDate(p.rec.firstDate) && dateKey(mainDate) < dateKey(p.rec.firstDate)) {
    p.rec.firstDate = mainDate;
  }
  return p;
}

void Importer::build(const ItemDraft& d, ToDoListToDo* t, T_Calendar& cal) {
  t->setSummary(d.summary);
  (void)t->setPriority(d.priority, cal);
  if (d.appointment) t->setShowTimeAs(d.priority == 100 ? 1 : 0, cal);
  setPacked(t, 0, d.end, cal);
  setPacked(t, 1, d.begin, cal);
  t->setRecData(d.rec, cal);
  T_recData kept;
  t->getRecData(kept);
  if (kept != d.rec) note("its recurrence could not be kept");
  if (d.completed && !d.appointment) t->setCompletedDirect(T_completed{true, d.completedAt});
  if (!d.description.empty()) t->setDescription(d.description.c_str());
}

// ---- groups ----

// The names of the item's group path: Zolt's own property, else the first CATEGORIES
// split at "/" (further categories are noted).
std::vector<std::string> groupNames(icalcomponent* c, Importer& in) {
  if (const char* path = xPropertyValue(c, kXGroup)) return unescapedPath(path);
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

// The item's group path: its own, or below a parent in the file, the topmost parent's
// followed by the names of the parents (and its own name when it has subtasks).
std::vector<std::string> pathOf(icalcomponent* c, Importer& in) {
  auto chain = in.relations.chains.find(c);
  if (chain == in.relations.chains.end()) return groupNames(c, in);
  std::vector<std::string> names = groupNames(chain->second.front(), in);
  for (icalcomponent* item : chain->second) {
    std::string name = textProperty(item, ICAL_SUMMARY_PROPERTY);
    names.push_back(name.empty() ? std::string("(no summary)") : name);
  }
  return names;
}

// The group for the item's group path below `top`, made on first use.
ToDoListGroup* groupFor(icalcomponent* c, ToDoListGroup* top,
                        std::map<std::string, ToDoListGroup*>& made, Importer& in) {
  ToDoListGroup* g = top;
  std::vector<std::string> sofar;
  for (const std::string& name : pathOf(c, in)) {
    if (name.empty()) continue;
    sofar.push_back(name);
    auto found = made.find(escapedPath(sofar));
    if (found == made.end()) {
      ToDoListGroup* sub = g->newGroup();
      sub->setSummary(in.cleanText(name));
      found = made.emplace(escapedPath(sofar), sub).first;
    }
    g = found->second;
  }
  return g;
}

// ---- the file ----

std::vector<icalcomponent*> calendarsOf(icalcomponent* top) {
  std::vector<icalcomponent*> calendars;
  if (top != nullptr && icalcomponent_isa(top) == ICAL_VCALENDAR_COMPONENT) {
    calendars.push_back(top);
  } else if (top != nullptr && icalcomponent_isa(top) == ICAL_XROOT_COMPONENT) {
    for (icalcomponent* c = icalcomponent_get_first_component(top, ICAL_VCALENDAR_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(top, ICAL_VCALENDAR_COMPONENT)) {
      calendars.push_back(c);
    }
  }
  return calendars;
}

std::vector<icalcomponent*> itemsOf(const std::vector<icalcomponent*>& calendars) {
  std::vector<icalcomponent*> items;
  for (icalcomponent* vcal : calendars) {
    for (icalcomponent* c = icalcomponent_get_first_component(vcal, ICAL_ANY_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(vcal, ICAL_ANY_COMPONENT)) {
      if (isItem(c)) items.push_back(c);
    }
  }
  return items;
}

// The occurrences that moved or cancelled ones take out of their series, by UID; the UIDs
// of series in `masters`.
MovedOccurrences movedOccurrences(const std::vector<icalcomponent*>& items, Importer& in,
                                  std::set<std::string>& masters) {
  MovedOccurrences moved;
  for (icalcomponent* c : items) {
    in.vcal = icalcomponent_get_parent(c);
    in.label = labelOf(c);
    std::string uid = textProperty(c, ICAL_UID_PROPERTY);
    icalproperty* p = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
    if (p == nullptr) {
      if (icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY) != nullptr) {
        masters.insert(uid);
        in.masters.emplace(uid, c);
      }
      continue;
    }
    icaltimetype t = icalproperty_get_recurrenceid(p);
    if (icaltime_is_null_time(t)) continue;
    (isRangeOverride(c) ? in.ranges : moved)[uid].push_back(T_IcsExclusion{t, in.zoneOf(p, t)});
  }
  return moved;
}

bool usesZoltScale(icalcomponent* vcal) {
  icalproperty* prodid = icalcomponent_get_first_property(vcal, ICAL_PRODID_PROPERTY);
  const char* id = prodid != nullptr ? icalproperty_get_prodid(prodid) : nullptr;
  return id != nullptr && strcmp(id, kZoltProdId) == 0 &&
         xPropertyValue(vcal, kXPriorityScale) == nullptr;
}

// Reads every item of the parsed file into `built`.
void readItems(const std::vector<icalcomponent*>& calendars, const std::string& text,
               ToDoListGroup& built, Importer& in) {
  std::vector<icalcomponent*> items = itemsOf(calendars);
  std::vector<std::string> blanks = summaryTrailingBlanks(text);
  if (blanks.size() != items.size()) blanks.assign(items.size(), std::string());
  in.relations = relationsOf(items);
  std::set<std::string> masters;
  MovedOccurrences moved = movedOccurrences(items, in, masters);
  T_Calendar scratch;
  std::map<std::string, ToDoListGroup*> made;
  for (size_t i = 0; i < items.size(); ++i) {
    icalcomponent* c = items[i];
    in.vcal = icalcomponent_get_parent(c);
    in.zoltScale = usesZoltScale(in.vcal);
    in.label = labelOf(c);
    if (isCancelled(c)) {
      ++in.cancelled;
      continue;
    }
    bool movedOne = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
    if (movedOne && masters.count(textProperty(c, ICAL_UID_PROPERTY)) != 0) {
      in.note(isRangeOverride(c)
                  ? "a change of this and every later occurrence of a series: "
                    "imported as a series of its own from there"
                  : "a moved occurrence of a series: imported as an item of its own");
    }
    ToDoListGroup* g = groupFor(c, &built, made, in);
    for (const ItemDraft& d : in.readItem(c, blanks[i], moved)) {
      ToDoListToDo* t = g->newToDo();
      in.build(d, t, scratch);
      t->setImportUid(textProperty(c, ICAL_UID_PROPERTY));
      ++in.report.items;
    }
  }
}

// "1 item is" or "N items are".
std::string itemsAre(int n) { return std::to_string(n) + (n == 1 ? " item is" : " items are"); }

void relationNotes(Importer& in) {
  int orphans = in.relations.parentNotInFile, others = in.relations.otherRelation;
  if (orphans > 0) {
    in.report.notes.push_back(itemsAre(orphans) + (orphans == 1 ? " a subtask" : " subtasks") +
                              " of an item that is not in the file (RELATED-TO), or of one of "
                              "its own subtasks: they stand in their own group.");
  }
  if (others > 0) {
    in.report.notes.push_back(std::to_string(others) +
                              (others == 1 ? " item names a related item other than its parent"
                                           : " items name a related item other than their parent") +
                              " (RELATED-TO): Zolt holds no such link.");
  }
  for (const std::string& zone : in.unknownFloatingZones) {
    in.report.notes.push_back("The calendar's time zone " + zone +
                              " (X-WR-TIMEZONE) is unknown: its times without a zone were read as "
                              "local times.");
  }
}

void closingNotes(const std::vector<icalcomponent*>& calendars, Importer& in) {
  std::map<std::string, int> skipped;
  for (icalcomponent* vcal : calendars) {
    for (icalcomponent* c = icalcomponent_get_first_component(vcal, ICAL_ANY_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(vcal, ICAL_ANY_COMPONENT)) {
      icalcomponent_kind kind = icalcomponent_isa(c);
      if (kind == ICAL_VTIMEZONE_COMPONENT || isItem(c)) continue;
      // A component libical does not know by name has no name of its own there.
      const char* name = icalcomponent_kind_to_string(kind);
      ++skipped[name != nullptr ? name : "unknown"];
    }
  }
  for (const auto& s : skipped) {
    in.report.notes.push_back(std::to_string(s.second) + " " + s.first +
                              " component(s) are not to-dos or appointments and were left out.");
  }
  if (in.cancelled > 0) {
    in.report.notes.push_back(std::to_string(in.cancelled) +
                              " cancelled appointments, to-dos or occurrences were left out.");
  }
  if (in.cleaned > 0) {
    in.report.notes.push_back("Control characters were left out of " + std::to_string(in.cleaned) +
                              " texts.");
  }
  for (const std::string& n : unheldNotes(in.unheld)) in.report.notes.push_back(n);
  relationNotes(in);
}

// The text libical is given: why it cannot be, or "" and the notes on what was repaired.
std::string checkText(std::string& text, std::vector<std::string>& notes) {
  if (int line = lineOfFirstNul(text)) {
    return "The file holds a NUL byte (line " + std::to_string(line) +
           "), which no iCalendar text does: it is another kind of file, or it is damaged. "
           "Nothing was imported.";
  }
  if (int line = lineBeyondDepth(text, kMaxNesting)) {
    return "Its components are nested more than " + std::to_string(kMaxNesting) + " deep (line " +
           std::to_string(line) +
           "), which no calendar needs: the file is damaged. Nothing was imported.";
  }
  // A fold may split a UTF-8 character, so the encoding is judged on the joined lines.
  text = unfolded(text);
  if (int replaced = repairUtf8(text)) {
    notes.push_back(std::to_string(replaced) +
                    " bytes are not UTF-8, as iCalendar text must be; each was replaced by "
                    "\"\xEF\xBF\xBD\". The file may have been saved in another encoding.");
  }
  return std::string();
}

}  // namespace

int importICalendarText(Zolt& doc, const std::string& original, const std::string& groupName,
                        T_IcsReport& report) {
  report.groupName = groupName;
  if (doc.getMainViewType() == kMainViewSearch) {
    report.error = "Leave the search results first: an import goes into the current group.";
    return -3;
  }
  std::string text = original;
  std::vector<std::string> notes;
  report.error = checkText(text, notes);
  if (!report.error.empty()) return -1;
  icalerror_set_errors_are_fatal(0);
  ComponentPtr top(icalparser_parse_string(text.c_str()));
  std::vector<icalcomponent*> calendars = calendarsOf(top.get());
  if (calendars.empty()) {
    report.error =
        "This is not a whole iCalendar file: no complete BEGIN:VCALENDAR ... "
        "END:VCALENDAR block was found. Nothing was imported.";
    return -1;
  }
  Damage damage;
  collectDamage(top.get(), "", "", damage);
  if (!damage.refusal.empty()) {
    report.error = "The file is damaged, so nothing was imported. " + damage.refusal;
    return -1;
  }
  if (!damage.skipped.empty()) notes.push_back(skippedNote(damage.skipped));
  tameTimezones(top.get(), notes);
  report.notes = notes;
  ToDoListGroup built(0, "/", 1);
  built.setSummary(groupName);
  Importer in(report);
  readItems(calendars, text, built, in);
  closingNotes(calendars, in);
  int result = insertOrUpdate(doc, built, report);
  if (result == -1) {
    report.error = "Leave the search results first: an import goes into the current group.";
    return -3;
  }
  return result == Zolt::kInsertNotJournalled ? -2 : 0;
}
