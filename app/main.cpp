// Zolt: a desktop organizer for one person. This program runs the headless modes itself and
// hands a start with a window to the window program, so that a run from a script or a
// cron job loads only what it needs.
#include "app/command_line.h"
#include "app/core_dumps.h"
#include "app/startup.h"
#include "app/window_program.h"

int main(int argc, char** argv) {
  disableCoreDumps();
  if (asksForWindow(argc, argv)) return execWindowProgram(argv);
  return zoltMain(argc, argv, nullptr);
}
