// The work the command line asks for without a window: the iCalendar import and export and
// the agenda on standard output. Runs after the data file and its journal are loaded.
#ifndef ZOLT_APP_HEADLESS_H_
#define ZOLT_APP_HEADLESS_H_

#include <cstdio>
#include <string>

#include "app/command_line.h"

class Zolt;

// The iCalendar import and export, which only the programs that link libical have, so that
// -q and the agenda never load it. Each is 0, or -1 after a message on standard error;
// reports go to `out`.
struct IcsExchange {
  // Adds the iCalendar `file` to `doc` as a new group; an import that could not be
  // journalled is saved into `fileName` at once.
  int (*importFile)(Zolt& doc, const std::string& file, const std::string& fileName, FILE* out);
  // Writes the dated items of `doc` (whose data file is `fileName`) to `file`.
  int (*exportFile)(Zolt& doc, const std::string& file, const std::string& fileName, FILE* out);
};

// Imports, then exports, then prints the agenda, as `cl` asks; an import that could not be
// journalled is saved into `fileName` at once. Reports go to standard output (standard
// error while the agenda is printed), failures to standard error. 0, or -1 when one of
// them failed (the others still run). Without `ics` an import or export is refused.
int runWithoutWindow(Zolt& doc, const T_CommandLine& cl, const std::string& fileName,
                     const IcsExchange* ics);

#endif  // ZOLT_APP_HEADLESS_H_
