// The command line: -f FILE, -c [YYYY-MM-DD], -q, -s.
#ifndef ZOLT_APP_COMMAND_LINE_H_
#define ZOLT_APP_COMMAND_LINE_H_

#include <string>

#include "calendar/date_time.h"

struct T_CommandLine {
  std::string fileName;                    // set by -f; empty keeps the default
  unsigned calStartDate = kEmptyDateTime;  // -c's date, no time
  bool calendarAtStart = false;            // -c
  bool quitAfterLoading = false;           // -q
  bool saveAtExit = false;                 // -s
};

// Parses the arguments after the program name. An option is decided by its second
// character; other letters and stray names are ignored. Returns 0, or -1 after printing
// a message to standard error when -c carries a date that is not a valid YYYY-MM-DD
// between 2000-01-01 and 2127-12-31.
[[nodiscard]] int parseCommandLine(int argc, const char* const* argv, T_CommandLine& cl);

#endif  // ZOLT_APP_COMMAND_LINE_H_
