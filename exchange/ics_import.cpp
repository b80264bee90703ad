// Import of iCalendar text. libical parses the whole text first; what it could not read is
// sorted into what refuses the file (a date or rule an item needs) and what is only left
// out and named. Recurring series are expanded where local times or left-out occurrences
// call for it and split into runs one Zolt recurrence holds. The new group is built apart
// from the tree and added in one step (Zolt::insertGroup), so an import is all or nothing.
#include <libical/ical.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "document/zolt.h"
#include "exchange/icalendar.h"
#include "exchange/ics_reimport.h"
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

std::string textProperty(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (p == nullptr) return std::string();
  icalvalue* v = icalproperty_get_value(p);
  const char* text = v != nullptr ? icalvalue_get_text(v) : nullptr;
  return text != nullptr ? text : std::string();
}

const char* xValue(icalcomponent* c, const char* name) {
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p != nullptr;
       p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
    const char* n = icalproperty_get_x_name(p);
    if (n != nullptr && strcmp(n, name) == 0) return icalproperty_get_x(p);
  }
  return nullptr;
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

// Where the draft's dates came from, for the occurrences of its series.
struct DateSource {
  icaltimetype start = icaltime_null_time();  // DTSTART as written
  icaltimezone* zone = nullptr;               // its zone; null when floating or a date
  long long beginOffset = 0;                  // seconds from the start to what begin denotes
  long long endOffset = 0;                    // the same for end
  bool zoned() const { return zone != nullptr && !start.is_date && !icaltime_is_null_time(start); }
};

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

  explicit Importer(T_IcsReport& r)
      : report(r), deadline(std::chrono::steady_clock::now() + kExpansionBudget) {}

  // One note per text: an item that meets the same thing twice is named once.
  void note(const std::string& text) {
    std::string n = label + ": " + text;
    if (noted.insert(n).second) report.notes.push_back(n);
  }

  icaltimezone* zoneOf(icalproperty* prop, const icaltimetype& t);
  unsigned packedFields(int year, int month, int day, int hour, int minute, bool noTime);
  unsigned packed(icaltimetype t, icaltimezone* zone, bool noTime);
  unsigned packedInstant(time_t secs, bool noTime);
  unsigned dateProperty(icalcomponent* c, icalproperty_kind kind, icaltimetype* raw = nullptr,
                        icaltimezone** rawZone = nullptr);
  std::string cleanText(std::string text);

  bool ruleParts(const icalrecurrencetype& rule, unsigned mainDate, T_recData& r);
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
                                const std::vector<T_IcsExclusion>& excluded);
  std::pair<unsigned, unsigned> occurrence(const ItemDraft& d, const DateSource& s,
                                           const icaltimetype& start);
  void build(const ItemDraft& d, ToDoListToDo* t, T_Calendar& cal);
};

icaltimezone* Importer::zoneOf(icalproperty* prop, const icaltimetype& t) {
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

// A date outside what Zolt holds is moved to the nearest day it holds, and noted.
unsigned Importer::packedFields(int year, int month, int day, int hour, int minute, bool noTime) {
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
  return noTime ? v : packTime(v, hour, minute);
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

// Type and interval from the rule's frequency and BY parts; what Zolt holds only nearly
// is noted. True when Zolt's recurrence gives exactly the rule's occurrences.
bool Importer::ruleParts(const icalrecurrencetype& rule, unsigned mainDate, T_recData& r) {
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
  exact = ruleParts(rule, mainDate, r);
  const char* kind = xValue(c, kXRecurrence);
  if (!d.appointment && r.type == 1 && kind != nullptr && strcmp(kind, kDailyResetable) == 0) {
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
    if (!icaltime_is_null_time(s.start)) r.lastDate = lastDateOf(rule, s.start, s.zone, shift);
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

// ---- dates ----

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
    d.end = packed(icaltime_add(s.start, length), s.zone, false);
    s.endOffset = icaldurationtype_as_int(length);
  }
  // An all-day event's DTEND is the day after it.
  if (d.appointment && hasDate(d.end) && !hasTime(d.begin) && !hasTime(d.end) &&
      dateKey(d.end) > dateKey(d.begin)) {
    moveDate(d.end, -1);
  }
  if (!d.appointment && !hasDate(d.end) && hasDate(d.begin)) {
    note("it has a start but no due date; the start was taken as its due date");
    d.end = d.begin;
    d.begin = kEmptyDateTime;
    s.endOffset = 0;
  }
  if (hasDate(d.begin) && hasDate(d.end) && reversed(d.begin, d.end)) {
    d.end = d.begin;
    s.endOffset = s.beginOffset;
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
  DateSource s = readDates(c, d);
  std::string description = textProperty(c, ICAL_DESCRIPTION_PROPERTY);
  std::string location = textProperty(c, ICAL_LOCATION_PROPERTY);
  if (!location.empty())
    description += (description.empty() ? "" : "\n") + ("Location: " + location);
  d.description = cleanText(description);
  int alarms = icalcomponent_count_components(c, ICAL_VALARM_COMPONENT);
  if (alarms > 0) note("Zolt has no alarms; " + std::to_string(alarms) + " left out");
  return withRule(c, d, s, moved);
}

// The item, or the items of its series, with what Zolt holds of its rule.
std::vector<ItemDraft> Importer::withRule(icalcomponent* c, ItemDraft& d, DateSource& s,
                                          const MovedOccurrences& moved) {
  icalproperty* rp = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY);
  bool override = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
  for (icalproperty_kind kind : {ICAL_RDATE_PROPERTY, ICAL_EXRULE_PROPERTY}) {
    int n = icalcomponent_count_properties(c, kind);
    if (n == 0) continue;
    note(std::string(icalproperty_kind_to_string(kind)) + " (" + std::to_string(n) +
         ") cannot be held and was left out" +
         (rp != nullptr ? ": every occurrence of the rule is shown" : ""));
  }
  if (rp == nullptr || override) return {d};
  icalrecurrencetype rule = icalproperty_get_rrule(rp);
  bool exact = false;
  d.rec = recurrence(c, rule, d, s, exact);
  // Zolt keeps a rule only on items with both dates.
  if (d.rec.type != 0 && !hasDate(d.appointment ? d.end : d.begin)) {
    if (d.appointment) {
      d.end = d.begin;
      s.endOffset = s.beginOffset;
    } else {
      d.begin = dayOf(d.end);
      s.beginOffset = s.endOffset;
      note("the start was set to the due day so the recurrence could be kept");
    }
  }
  std::vector<T_IcsExclusion> excluded = exclusionsOf(c, *this, moved);
  bool expand = d.rec.type != 0 && d.rec.type != 2 && isExpandable(rule) &&
                !icaltime_is_null_time(s.start) && (s.zoned() || !excluded.empty());
  if (expand) return series(d, s, rule, exact, excluded);
  if (d.rec.type != 0 && !excluded.empty()) {
    note("EXDATE or moved occurrences (" + std::to_string(excluded.size()) +
         ") cannot be held: every occurrence of the rule is shown, moved ones also where they "
         "were moved to");
  }
  return {d};
}

// The begin and end of the occurrence that starts at `start`, as local packed values.
std::pair<unsigned, unsigned> Importer::occurrence(const ItemDraft& d, const DateSource& s,
                                                   const icaltimetype& start) {
  unsigned b = d.begin, e = d.end;
  if (s.zoned()) {
    time_t at = icsInstant(start, s.zone);
    if (hasDate(b)) b = packedInstant(at + s.beginOffset, !hasTime(d.begin));
    if (hasDate(e)) e = packedInstant(at + s.endOffset, !hasTime(d.end));
    return {b, e};
  }
  // Floating times and dates keep their wall clock: only the day moves.
  int days = static_cast<int>((icsInstant(start, nullptr) - icsInstant(s.start, nullptr)) / 86400);
  if (hasDate(b) && !moveWithinRange(b, days)) return {kEmptyDateTime, kEmptyDateTime};
  if (hasDate(e) && !moveWithinRange(e, days)) return {kEmptyDateTime, kEmptyDateTime};
  return {b, e};
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
                                        const std::vector<T_IcsExclusion>& excluded) {
  T_IcsBounds bounds;
  bounds.lastDay = horizonOf(s, excluded);
  bounds.deadline = deadline;
  T_IcsExpansion x = expandSeries(rule, s.start, s.zone, excluded, bounds);
  std::vector<std::pair<unsigned, unsigned>> pairs;
  for (const icaltimetype& start : x.starts) {
    auto p = occurrence(d, s, start);
    if (!hasDate(p.first) && !hasDate(p.second)) break;
    pairs.push_back(p);
  }
  if (pairs.empty()) {
    note("every occurrence of its series is left out or moved, so nothing of it was imported");
    return {};
  }
  if (x.cut) {
    note("its series is too long to follow here: after its first " + std::to_string(pairs.size()) +
         " occurrences it runs on as one rule");
  }
  if (!exact) {
    ItemDraft one = d;
    if (x.ended) one.rec.lastDate = dayOf(d.appointment ? pairs.back().first : pairs.back().second);
    if (x.excluded > 0) {
      note(std::to_string(x.excluded) +
           " left-out or moved occurrences cannot be held with this rule: they are shown");
    }
    return {one};
  }
  std::vector<T_IcsRun> runs = zoltRuns(d, pairs);
  std::vector<ItemDraft> out;
  for (size_t i = 0; i < runs.size(); ++i) {
    bool open = i + 1 == runs.size() && !x.ended;
    out.push_back(runItem(d, pairs[runs[i].first], pairs[runs[i].last], i == 0, open,
                          runs[i].first == runs[i].last));
  }
  if (runs.size() > 1) {
    std::string why = s.zoned() ? "so that every occurrence keeps its local time" : "";
    if (x.excluded > 0) {
      why += std::string(why.empty() ? "" : ", and ") + "around " + std::to_string(x.excluded) +
             " left-out or moved occurrences";
    }
    note("its series was split into " + std::to_string(runs.size()) + " series, " + why);
  }
  if (!x.ended && runs.size() > 1 && s.zoned()) {
    note("after " + dateText(bounds.lastDay.year, bounds.lastDay.month, bounds.lastDay.day) +
         " its last series keeps one local time, also across clock changes");
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
  if (const char* path = xValue(c, kXGroup)) return unescapedPath(path);
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
      if (icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY) != nullptr) masters.insert(uid);
      continue;
    }
    icaltimetype t = icalproperty_get_recurrenceid(p);
    if (!icaltime_is_null_time(t)) moved[uid].push_back(T_IcsExclusion{t, in.zoneOf(p, t)});
  }
  return moved;
}

bool usesZoltScale(icalcomponent* vcal) {
  icalproperty* prodid = icalcomponent_get_first_property(vcal, ICAL_PRODID_PROPERTY);
  const char* id = prodid != nullptr ? icalproperty_get_prodid(prodid) : nullptr;
  return id != nullptr && strcmp(id, kZoltProdId) == 0 && xValue(vcal, kXPriorityScale) == nullptr;
}

// Reads every item of the parsed file into `built`.
void readItems(const std::vector<icalcomponent*>& calendars, const std::string& text,
               ToDoListGroup& built, Importer& in) {
  std::vector<icalcomponent*> items = itemsOf(calendars);
  std::vector<std::string> blanks = summaryTrailingBlanks(text);
  if (blanks.size() != items.size()) blanks.assign(items.size(), std::string());
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
      in.note("a moved occurrence of a series: imported as an item of its own");
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

void closingNotes(const std::vector<icalcomponent*>& calendars, Importer& in) {
  std::map<std::string, int> skipped;
  for (icalcomponent* vcal : calendars) {
    for (icalcomponent* c = icalcomponent_get_first_component(vcal, ICAL_ANY_COMPONENT);
         c != nullptr; c = icalcomponent_get_next_component(vcal, ICAL_ANY_COMPONENT)) {
      icalcomponent_kind kind = icalcomponent_isa(c);
      if (kind != ICAL_VTIMEZONE_COMPONENT && !isItem(c))
        ++skipped[icalcomponent_kind_to_string(kind)];
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
}

// The text libical is given: why it cannot be, or "" and the notes on what was repaired.
std::string checkText(std::string& text, std::vector<std::string>& notes) {
  if (int line = lineOfFirstNul(text)) {
    return "The file holds a NUL byte (line " + std::to_string(line) +
           "), which no iCalendar text does: it is another kind of file, or it is damaged. "
           "Nothing was imported.";
  }
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
