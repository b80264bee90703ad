// The command line: -f FILE, -c [YYYY-MM-DD], -q, -s, and the long options --export-ics FILE,
// --import-ics FILE, --agenda [DAYS], --recover and --help.
#ifndef ZOLT_APP_COMMAND_LINE_H_
#define ZOLT_APP_COMMAND_LINE_H_

#include <cstdio>
#include <string>

#include "calendar/date_time.h"

struct T_CommandLine {
  std::string fileName;                    // set by -f; empty keeps the default
  unsigned calStartDate = kEmptyDateTime;  // -c's date, no time
  bool calendarAtStart = false;            // -c
  bool quitAfterLoading = false;           // -q
  bool saveAtExit = false;                 // -s
  std::string exportIcs;                   // --export-ics FILE
  std::string importIcs;                   // --import-ics FILE
  bool agenda = false;                     // --agenda
  int agendaDays = 0;                      // --agenda's DAYS; 0 keeps the document's span
  bool help = false;                       // --help
  bool recover = false;                    // --recover
};

// True when the options ask for work without a window (-q, the iCalendar options, the
// agenda).
bool runsWithoutWindow(const T_CommandLine& cl);
// The text --help prints: every option, one line each.
const char* usageText();

// Parses the arguments after the program name. An option is decided by its second
// character; other letters are ignored, and so are stray names (with a note on `notes`).
// An argument beginning with "--" is a long option, taken whole (its letters are
// never read as short options). An option that needs a FILE (-f, --export-ics,
// --import-ics) takes the next argument whole, even one that begins with '-'. Returns 0, or
// -1 after a message on `notes` (none when it is null) when such an option has no FILE or an
// empty one, -c carries a date that is not a valid YYYY-MM-DD between 2000-01-01 and
// 2127-12-31, a long option is unknown, or --agenda's DAYS is not 1, 2, 3, 7 or 42.
[[nodiscard]] int parseCommandLine(int argc, const char* const* argv, T_CommandLine& cl,
                                   FILE* notes = stderr);
// True when the arguments (argv[0] the program) parse and ask for the window: not --help and
// no headless mode. Prints nothing.
bool asksForWindow(int argc, const char* const* argv);
// True when the arguments parse, are not --help and ask for an iCalendar import or export.
// Prints nothing.
bool asksForIcalendar(int argc, const char* const* argv);

#endif  // ZOLT_APP_COMMAND_LINE_H_
