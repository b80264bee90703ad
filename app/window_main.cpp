// Zolt with its window: every mode, the window's among them. zolt starts it for a window.
#include "app/core_dumps.h"
#include "app/ics_exchange.h"
#include "app/startup.h"
#include "app/window_start.h"

int main(int argc, char** argv) {
  disableCoreDumps();
  return zoltMain(argc, argv, fltkWindowStart(), icalendarExchange());
}
