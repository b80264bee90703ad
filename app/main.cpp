// Zolt: a desktop organizer for one person. This program runs -q and the agenda itself and
// hands a start with a window, or with an iCalendar import or export, to the program
// beside it that has those libraries, so that a run from a script or a cron job loads only
// what it needs.
#include "app/command_line.h"
#include "app/core_dumps.h"
#include "app/startup.h"
#include "app/window_program.h"

int main(int argc, char** argv) {
  disableCoreDumps();
  if (asksForWindow(argc, argv)) return execProgramBeside("zolt-window", argv);
  if (asksForIcalendar(argc, argv)) return execProgramBeside("zolt-ics", argv);
  return zoltMain(argc, argv, nullptr, nullptr);
}
