#include "app/headless.h"

#include <cctype>
#include <cstdio>

#include "document/agenda_text.h"
#include "document/zolt.h"

// The program's iCalendar exchange; a program built without one says so.
static const IcsExchange* exchange(const IcsExchange* ics) {
  if (ics == nullptr)
    fprintf(stderr, "This program of Zolt has no iCalendar exchange; start zolt.\n");
  return ics;
}

int runWithoutWindow(Zolt& doc, const T_CommandLine& cl, const std::string& fileName,
                     const IcsExchange* ics) {
  FILE* out = cl.agenda ? stderr : stdout;
  int status = 0;
  bool exchanges = !cl.importIcs.empty() || !cl.exportIcs.empty();
  if (exchanges && exchange(ics) == nullptr) return -1;
  if (!cl.importIcs.empty() && ics->importFile(doc, cl.importIcs, fileName, out) != 0) {
    status = -1;
  }
  if (!cl.exportIcs.empty() && ics->exportFile(doc, cl.exportIcs, fileName, out) != 0) {
    status = -1;
  }
  if (cl.agenda) {
    unsigned first = cl.calendarAtStart ? cl.calStartDate : getTodayDate(kEmptyDateTime);
    int days = cl.agendaDays != 0 ? cl.agendaDays : doc.getCalSpan();
    fputs(agendaText(doc, first, days).c_str(), stdout);
    fflush(stdout);
  }
  return status;
}
