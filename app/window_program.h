// The window lives in a program of its own, zolt-window beside zolt, so that the headless
// modes start without loading the display's libraries (FLTK, X11, fontconfig).
#ifndef ZOLT_APP_WINDOW_PROGRAM_H_
#define ZOLT_APP_WINDOW_PROGRAM_H_

#include <string>

// The window program beside the running one ("" when /proc/self/exe cannot be read).
std::string windowProgramPath();
// Replaces this process with the window program, given the same arguments (argv[0]
// included), so that it keeps the process id, the descriptors and the environment.
// Returns only when that fails: -1 after a message on standard error.
int execWindowProgram(char** argv);

#endif  // ZOLT_APP_WINDOW_PROGRAM_H_
