// Start-up and shutdown: choose the data file, load it, replay the journal, run, and
// write everything back at the end.
#ifndef ZOLT_APP_STARTUP_H_
#define ZOLT_APP_STARTUP_H_

#include <string>

class Zolt;
struct T_CommandLine;
struct IcsExchange;

// The window's part of a start, which only the window program links, so that the headless
// modes never load the display's libraries.
struct WindowStart {
  // Opens the display before anything is loaded, so that a missing one ends the program
  // while nothing can be lost. 0, or -1 after saying why not.
  int (*openDisplay)();
  // Shows the main window over the loaded document (`zolt`) and runs the event loop until
  // the last window closes; returns the loop's result. `status` is the status line's first
  // text ("" for none).
  int (*run)(const std::string& fileName, const std::string& exchangeFile, const T_CommandLine& cl,
             const std::string& status);
};

// The one document, owned by zoltMain while it runs; left in place (not freed) when a mode
// without a window ends.
extern Zolt* zolt;

// True when `name` can be opened for reading.
bool existDat(const std::string& name);
// Chooses the first existing file of the configured default list ("~" is the home
// directory), printing "%s does not exist" for each missing one. 0 when one exists; -1
// otherwise, and then `fileName` holds the last candidate (or stays empty).
int defaultFile(std::string& fileName);
// The whole program: start-up, the event loop (once the window exists), shutdown.
// Returns the exit status: 0, or -1 when start-up was refused or nothing could be saved.
// Without `window` only the headless modes run, and without `ics` no iCalendar import or
// export: the others are refused.
int zoltMain(int argc, const char* const* argv, const WindowStart* window, const IcsExchange* ics);

#endif  // ZOLT_APP_STARTUP_H_
