// Zolt's programs beside zolt: zolt-window for the window and zolt-ics for the iCalendar
// import and export. zolt runs the other headless modes itself and loads neither the
// display's libraries (FLTK, X11, fontconfig) nor libical for them.
#ifndef ZOLT_APP_WINDOW_PROGRAM_H_
#define ZOLT_APP_WINDOW_PROGRAM_H_

#include <string>

// The program `name` in the running program's directory ("" when /proc/self/exe cannot
// be read).
std::string programBeside(const std::string& name);
// Replaces this process with the program `name` beside it, given the same arguments
// (argv[0] included), so that it keeps the process id, the descriptors and the
// environment. Returns only when that fails: -1 after a message on standard error.
int execProgramBeside(const std::string& name, char** argv);

#endif  // ZOLT_APP_WINDOW_PROGRAM_H_
