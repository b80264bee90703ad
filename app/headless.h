// The work the command line asks for without a window: the iCalendar import and export and
// the agenda on standard output. Runs after the data file and its journal are loaded.
#ifndef ZOLT_APP_HEADLESS_H_
#define ZOLT_APP_HEADLESS_H_

#include <string>

#include "app/command_line.h"

class Zolt;

// Imports, then exports, then prints the agenda, as `cl` asks; an import that could not be
// journalled is saved into `fileName` at once. Reports go to standard output (standard
// error while the agenda is printed), failures to standard error. 0, or -1 when one of
// them failed (the others still run).
int runWithoutWindow(Zolt& doc, const T_CommandLine& cl, const std::string& fileName);

#endif  // ZOLT_APP_HEADLESS_H_
