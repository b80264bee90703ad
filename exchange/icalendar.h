// iCalendar (RFC 5545) files in and out of the document, written and parsed by libical:
// dated to-dos become VTODOs and appointments VEVENTs, with their recurrence as an RRULE;
// an import builds a new group named after the file and adds it as one change. What a
// side cannot hold exactly is carried as near as it can be and named in the report, so
// nothing is lost silently. GUI thread only (the document is).
#ifndef ZOLT_EXCHANGE_ICALENDAR_H_
#define ZOLT_EXCHANGE_ICALENDAR_H_

#include <string>
#include <vector>

class Zolt;

struct T_IcsExportOptions {
  // Encrypted descriptions are written in clear only when this is set and the keys are
  // logged in; otherwise they are left out and the report says so.
  bool withEncrypted = false;
  // UIDs read "zolt-<synchronisation identifier>@<uidDomain>": stable from one export of
  // a data file to the next.
  std::string uidDomain = "zolt";
};

struct T_IcsReport {
  int items = 0;                   // to-dos and appointments written or read
  int updated = 0;                 // import: items already held (by UID), updated in place
  std::vector<std::string> notes;  // what was not carried exactly, one line each
  std::string error;               // why the file was refused or not written
  std::string groupName;           // import: the new group's name
};

// True when at least one to-do's description is stored encrypted.
bool hasEncryptedDescriptions(Zolt& doc);

// The whole document as iCalendar text (CRLF line ends, long lines folded). Every to-do
// with a due date and every appointment with a begin date; undated ones are counted in
// the notes. Priorities are written on RFC 5545's scale (rfcPriority); texts as UTF-8
// without control characters but line feed and tab, and the notes say when that changed
// one. Changes nothing in the document except decrypting descriptions in memory.
std::string icalendarText(Zolt& doc, const T_IcsExportOptions& opts, T_IcsReport& report);
// Writes icalendarText to `fileName`, replacing it only once complete. 0, or -1 (with
// report.error) when it could not be written.
[[nodiscard]] int exportICalendar(Zolt& doc, const char* fileName, const T_IcsExportOptions& opts,
                                  T_IcsReport& report);

// Imports iCalendar `text` as a new group `groupName` below the current group. All or
// nothing: a text that holds a NUL byte, holds no whole VCALENDAR, or in which an item's
// dates or rule (DTSTART, DTEND, DUE, DURATION, RRULE, RECURRENCE-ID, EXDATE) cannot be
// read changes nothing and gives -1 with report.error. Other unreadable or empty
// properties are left out and listed in the notes; bytes that are not UTF-8 once folded
// lines are joined become U+FFFD; a text nested more than 32 components deep is refused.
// The place, URL, organizer and attendees go into the description; subtasks (RELATED-TO
// a parent in the text) into a group named after the parent; times without a zone are in
// the calendar's X-WR-TIMEZONE; what else an item cannot hold is noted once per kind.
// Cancelled items are left out and counted. A series whose local times do not follow one
// Zolt rule (another zone's clock changes, left-out or moved occurrences) becomes several
// items, and the notes say into how many. 0 when added and journalled; -2 when added but
// the journal record could not be written (save the master file to keep it); -3 in the
// search results view, where nothing is added.
[[nodiscard]] int importICalendarText(Zolt& doc, const std::string& text,
                                      const std::string& groupName, T_IcsReport& report);
// Reads `fileName` and imports it as a group named after the file without its ".ics".
// -1 also when the file cannot be read or is a folder or another file that is not an
// ordinary one. Other results as importICalendarText.
[[nodiscard]] int importICalendar(Zolt& doc, const char* fileName, T_IcsReport& report);

// The first line of an import's report: how many came in, how many of them updated held
// items, and into which new group the rest went.
std::string importHeadline(const T_IcsReport& report);

// One message for the user: how many items went which way ("Imported 12 ... (3 updated)"),
// then every note.
std::string exportMessage(const std::string& fileName, const T_IcsReport& report);
std::string importMessage(const std::string& fileName, const T_IcsReport& report);

// The part of a data file's name that tells its UIDs from another file's: its base name,
// letters, digits, '.', '-' and '_' only ("zolt" when nothing is left).
std::string uidDomainOf(const std::string& fileName);

#endif  // ZOLT_EXCHANGE_ICALENDAR_H_
