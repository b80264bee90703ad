// Start-up and shutdown: choose the data file, load it, replay the journal, run, and
// write everything back at the end.
#ifndef ZOLT_APP_STARTUP_H_
#define ZOLT_APP_STARTUP_H_

#include <string>

class Zolt;

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
int zoltMain(int argc, const char* const* argv);

#endif  // ZOLT_APP_STARTUP_H_
