// Export of Zolt's items as iCalendar components, written by libical, and the file and
// message ends of both directions. The import itself is exchange/ics_import.cpp.
#include "exchange/icalendar.h"

#include <libical/ical.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include "document/export_target.h"
#include "document/zolt.h"
#include "exchange/ics_text.h"
#include "exchange/zolt_properties.h"
#include "store/atomic_file.h"
#include "util/clock.h"

namespace {

// Stands in for a CATEGORIES line until the text is made: libical writes the value of
// CATEGORIES without escaping "," and ";", so a group named "Mail, post" would become two.
constexpr const char* kCategoriesMark = "X-ZOLT-CATEGORIES-LINE";

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

// A description that is stored encrypted, or held as ciphertext, and is not empty.
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
  // An event's DTEND lies after its start, or other programs refuse it: a moment has a
  // length of nothing instead.
  if (p.hasEnd && appointment && p.hasStart && icaltime_compare(p.start, p.end) == 0) {
    icalcomponent_add_property(c, icalproperty_new_duration(icaldurationtype_null_duration()));
    return;
  }
  if (p.hasEnd) {
    icalproperty* e = appointment ? icalproperty_new_dtend(p.end) : icalproperty_new_due(p.end);
    if (p.endMarked) markNoTime(e);
    icalcomponent_add_property(c, e);
  }
}

// What one export gathers: the text of the components, and the notes said once for all
// items. Each component is written and freed as soon as it is made, so the export holds
// one item's components at a time and its time grows with the number of items alone.
struct Exporter {
  Zolt& doc;
  const T_IcsExportOptions& opts;
  T_IcsReport& report;
  std::string text;        // the components written so far
  std::string categories;  // the CATEGORIES line of the component being made, or ""
  icaltimetype stamp;      // DTSTAMP, the same for every component of one export
  int undated = 0;
  int timed = 0;
  int marked = 0;    // items with a date without a time beside a time
  int cleaned = 0;   // texts that lost control characters
  int repaired = 0;  // bytes that were not UTF-8

  Exporter(Zolt& d, const T_IcsExportOptions& o, T_IcsReport& r)
      : doc(d),
        opts(o),
        report(r),
        stamp(icaltime_current_time_with_zone(icaltimezone_get_utc_timezone())) {}

  // The text as iCalendar may hold it: UTF-8 without control characters but line feed
  // and tab, as the import reads it.
  std::string clean(std::string text) {
    repaired += repairUtf8(text);
    if (dropControlChars(text) > 0) ++cleaned;
    return text;
  }
  void note(const ToDoListToDo& t, const std::string& text) {
    report.notes.push_back((t.isAppointment() ? "Appointment " : "To-do ") +
                           itemLabel(t.getSummary()) + text);
  }
  void addRecurrence(icalcomponent* c, ToDoListToDo& t, const DatePair& p);
  void addDescription(icalcomponent* c, ToDoListToDo& t);
  void addGroupPath(icalcomponent* c, const std::vector<std::string>& names);
  void addKind(icalcomponent* c, ToDoListToDo& t);
  icalcomponent* componentOf(ToDoListToDo& t, const std::vector<std::string>& groups);
  void write(icalcomponent* c);
  void group(ToDoListGroup* g, std::vector<std::string>& names);
  void closingNotes();
};

void Exporter::addRecurrence(icalcomponent* c, ToDoListToDo& t, const DatePair& p) {
  T_recData r;
  t.getRecData(r);
  if (r.type == 0) return;
  if (!p.hasStart) {
    note(t,
         ": its recurrence was left out: iCalendar has no rule without a start, and Zolt "
         "drops the rule of an item without a begin date at its next change too.");
    return;
  }
  bool appointment = t.isAppointment();
  unsigned begin = t.getDateTime(1), end = t.getDateTime(0);
  unsigned mainDate = appointment ? begin : end;
  int shift = appointment ? 0 : getDateDiff(begin, end);
  icalcomponent_add_property(c,
                             icalproperty_new_rrule(recurrenceRule(r, mainDate, shift, p.start)));
  if (r.type == 2) {
    addX(c, kXRecurrence, kDailyResetable);
    note(t,
         " is daily, resetable: other programs see it daily from its due date, while Zolt "
         "counts from the day it is completed.");
  }
  if (hasDate(r.firstDate)) {
    addX(c, kXRecurrenceStart, icaltime_as_ical_string(icalTime(r.firstDate, true, false)));
  }
  if (shift != 0 && (r.type == 4 || r.type == 5)) {
    note(t,
         ": its monthly recurrence is counted from the due date in Zolt but from the start "
         "in iCalendar, which lies on another day.");
  }
  bool leapDay = (packedMonth(begin) == 2 && packedDay(begin) == 29) ||
                 (packedMonth(end) == 2 && packedDay(end) == 29);
  if (shift != 0 && r.type == 6 && leapDay) {
    note(t,
         ": its yearly recurrence is counted from the due date in Zolt but from the start "
         "in iCalendar, and one of them is 29 February: one side repeats it every year, "
         "the other only in leap years.");
  }
}

void Exporter::addDescription(icalcomponent* c, ToDoListToDo& t) {
  if (isEncrypted(t) && !(opts.withEncrypted && doc.getKeys().IsLoggedIn())) {
    report.notes.push_back("The encrypted description of " + itemLabel(t.getSummary()) +
                           " was left out.");
    return;
  }
  const char* text = nullptr;
  if (t.GetDescription(text, &doc.getKeys()) != 0 || text == nullptr || *text == '\0') return;
  std::string cleaned = clean(text);
  if (!cleaned.empty()) {
    icalcomponent_add_property(c, icalproperty_new_description(cleaned.c_str()));
  }
}

// The group path: one CATEGORIES for every program, the names joined by "/", and our own
// property that Zolt reads back exactly.
void Exporter::addGroupPath(icalcomponent* c, const std::vector<std::string>& names) {
  if (names.empty()) return;
  std::string category;
  for (const std::string& name : names) category += (category.empty() ? "" : "/") + clean(name);
  addX(c, kCategoriesMark, "1");
  categories = categoriesLine({category});
  addX(c, kXGroup, escapedPath(names));
}

// Free or busy for an appointment; priority and completion for a to-do.
void Exporter::addKind(icalcomponent* c, ToDoListToDo& t) {
  if (t.isAppointment()) {
    icalcomponent_add_property(
        c, icalproperty_new_transp(t.getPriority() == 200 ? ICAL_TRANSP_TRANSPARENT
                                                          : ICAL_TRANSP_OPAQUE));
    return;
  }
  icalcomponent_add_property(c, icalproperty_new_priority(rfcPriority(t.getPriority())));
  if (t.isCompleted()) {
    icalcomponent_add_property(c, icalproperty_new_status(ICAL_STATUS_COMPLETED));
    icalcomponent_add_property(c, icalproperty_new_completed(icaltime_from_timet_with_zone(
                                      t.getCompletedTime(), 0, icaltimezone_get_utc_timezone())));
  } else {
    icalcomponent_add_property(c, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
  }
}

icalcomponent* Exporter::componentOf(ToDoListToDo& t, const std::vector<std::string>& groups) {
  bool appointment = t.isAppointment();
  icalcomponent* c = appointment ? icalcomponent_new_vevent() : icalcomponent_new_vtodo();
  std::string uid = "zolt-" + std::to_string(t.getSyncID()) + "@" + opts.uidDomain;
  icalcomponent_add_property(c, icalproperty_new_uid(uid.c_str()));
  icalcomponent_add_property(c, icalproperty_new_dtstamp(stamp));
  std::string summary = clean(t.getSummary());
  if (!summary.empty()) icalcomponent_add_property(c, icalproperty_new_summary(summary.c_str()));
  DatePair p = datePair(t.getDateTime(1), t.getDateTime(0), appointment);
  if (p.startMarked || p.endMarked) ++marked;
  addDates(c, p, appointment);
  addKind(c, t);
  addGroupPath(c, groups);
  addRecurrence(c, t, p);
  addDescription(c, t);
  return c;
}

void Exporter::group(ToDoListGroup* g, std::vector<std::string>& names) {
  for (ToDoListToDo* t : g->getToDos()) {
    unsigned mainDate = t->getDateTime(t->isAppointment() ? 1 : 0);
    if (!hasDate(mainDate)) {
      ++undated;
      continue;
    }
    if (t->getNrTimes() != 0) ++timed;
    categories.clear();
    ComponentPtr c(componentOf(*t, names));
    write(c.get());
    ++report.items;
  }
  for (ToDoListGroup* sub : g->getGroups()) {
    names.push_back(sub->getSummary());
    group(sub, names);
    names.pop_back();
  }
}

void Exporter::closingNotes() {
  if (undated > 0) {
    report.notes.push_back(std::to_string(undated) +
                           " to-dos and appointments without a date were not exported.");
  }
  if (timed > 0) {
    report.notes.push_back("iCalendar has no place for recorded working times; those of " +
                           std::to_string(timed) + " to-dos were not exported.");
  }
  if (marked > 0) {
    report.notes.push_back(
        std::to_string(marked) +
        " items have a date without a time beside a date with a time. iCalendar cannot say "
        "that: such a begin is written as 00:00 and such an end as 23:59, with a mark that "
        "only Zolt reads. Other programs show those times.");
  }
  if (cleaned > 0) {
    report.notes.push_back("Control characters (other than line ends and tabs) were left out of " +
                           std::to_string(cleaned) + " texts.");
  }
  if (repaired > 0) {
    report.notes.push_back(std::to_string(repaired) +
                           " bytes of the texts were not UTF-8, as iCalendar text must be; each "
                           "was written as \"\xEF\xBF\xBD\".");
  }
}

// Appends libical's text of `c`, its CATEGORIES mark replaced by its line.
void Exporter::write(icalcomponent* c) {
  char* raw = icalcomponent_as_ical_string_r(c);
  if (raw == nullptr) return;
  std::string piece = raw;
  free(raw);
  const std::string mark = "\r\n" + std::string(kCategoriesMark) + ":1\r\n";
  size_t at = categories.empty() ? std::string::npos : piece.find(mark);
  if (at != std::string::npos) piece.replace(at, mark.size(), "\r\n" + categories + "\r\n");
  text += piece;
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
  icalcomponent_add_property(cal.get(), icalproperty_new_prodid(kZoltProdId));
  addX(cal.get(), kXPriorityScale, kRfc5545Scale);
  char* raw = icalcomponent_as_ical_string_r(cal.get());
  std::string frame = raw != nullptr ? raw : "";
  free(raw);
  // The items go where libical would have written them: before the calendar's end.
  size_t end = frame.rfind("END:VCALENDAR");
  if (end == std::string::npos) end = frame.size();
  Exporter out(doc, opts, report);
  out.text.assign(frame, 0, end);
  std::vector<std::string> names;
  out.group(doc.getRoot(), names);
  out.closingNotes();
  out.text.append(frame, end, std::string::npos);
  return std::move(out.text);
}

int exportICalendar(Zolt& doc, const char* fileName, const T_IcsExportOptions& opts,
                    T_IcsReport& report) {
  std::string text = icalendarText(doc, opts, report);
  auto body = [&text](std::ostream& os) {
    os << text;
    return os.good();
  };
  // Neither the data file's own files nor a pipe or a device under the name are replaced.
  if (fileName != nullptr && checkExportTarget(doc, fileName, report.error) != 0) return -1;
  if (fileName == nullptr || *fileName == '\0' || writeFileAtomically(fileName, body) != 0) {
    report.error = std::string("Could not write ") + (fileName ? fileName : "") +
                   ". Check the folder exists and you may write there.";
    return -1;
  }
  return 0;
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
  struct stat st;
  if (fileName != nullptr && stat(fileName, &st) == 0 && !S_ISREG(st.st_mode)) {
    report.error = std::string(fileName) +
                   (S_ISDIR(st.st_mode) ? " is a folder, not a file" : " is not an ordinary file") +
                   ". Choose the .ics file itself. Nothing was imported.";
    return -1;
  }
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

std::string importHeadline(const T_IcsReport& report) {
  std::string counts = "Imported " + std::to_string(report.items) + " to-dos and appointments";
  if (report.updated == 0) return counts + " into the new group \"" + report.groupName + "\".";
  std::string updated = std::to_string(report.updated);
  counts += " (" + updated + " updated)";
  if (report.updated >= report.items) {
    return counts + ": every one was held already and is updated in place; no new group.";
  }
  return counts + ": " + std::to_string(report.items - report.updated) +
         " new ones into the new group \"" + report.groupName + "\", the " + updated +
         " held already updated in place.";
}

std::string importMessage(const std::string& fileName, const T_IcsReport& report) {
  if (!report.error.empty()) return fileName + ": " + report.error;
  return withNotes(importHeadline(report), report,
                   "Not held exactly, imported as near as Zolt can:");
}

std::string uidDomainOf(const std::string& fileName) {
  size_t slash = fileName.find_last_of('/');
  std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  std::string domain;
  for (char c : base) {
    if (isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_') domain += c;
  }
  return domain.empty() ? std::string("zolt") : domain;
}
