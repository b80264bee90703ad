#include "app/ics_exchange.h"

#include <cstdio>

#include "document/zolt.h"
#include "exchange/icalendar.h"

static int importFile(Zolt& doc, const std::string& file, const std::string& fileName, FILE* out) {
  T_IcsReport report;
  doc.rememberGroup();
  doc.setGroup(doc.getRoot());
  int result = importICalendar(doc, file.c_str(), report);
  doc.enterPrevGroup();
  if (result == -1 || result == -3) {
    fprintf(stderr, "%s\n", importMessage(file, report).c_str());
    return -1;
  }
  fprintf(out, "%s\n", importMessage(file, report).c_str());
  if (result == -2) {
    // The journal could not take the new group: only a full save keeps it.
    int written = doc.incsave_compact(fileName.c_str());
    fprintf(out, "write to file: %i\n", written);
    if (written != 0) return -1;
  }
  return 0;
}

static int exportFile(Zolt& doc, const std::string& file, const std::string& fileName, FILE* out) {
  T_IcsReport report;
  T_IcsExportOptions opts;
  opts.uidDomain = uidDomainOf(fileName);
  if (exportICalendar(doc, file.c_str(), opts, report) != 0) {
    fprintf(stderr, "%s\n", exportMessage(file, report).c_str());
    return -1;
  }
  fprintf(out, "%s\n", exportMessage(file, report).c_str());
  return 0;
}

const IcsExchange* icalendarExchange() {
  static const IcsExchange exchange = {importFile, exportFile};
  return &exchange;
}
