// Zolt's iCalendar import and export without a window: zolt starts it for --import-ics and
// --export-ics, so that only these runs load libical.
#include "app/core_dumps.h"
#include "app/ics_exchange.h"
#include "app/startup.h"

int main(int argc, char** argv) {
  disableCoreDumps();
  return zoltMain(argc, argv, nullptr, icalendarExchange());
}
