// An iCalendar text imported into a small document, then the document exported again:
// neither may crash, overrun or loop, whatever the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "document/zolt.h"
#include "exchange/icalendar.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::cerr.rdbuf(nullptr);
  // A document without a data file journals its changes beside the current directory: keep
  // them in a scratch folder of this run's own.
  char folder[] = "/tmp/zolt_ics_fuzz_XXXXXX";
  if (mkdtemp(folder) == nullptr || chdir(folder) != 0) abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Zolt doc;
  doc.createRoot();
  T_IcsReport in;
  std::string text(reinterpret_cast<const char*>(data), size);
  (void)importICalendarText(doc, text, "fuzz", in);
  T_IcsExportOptions options;
  T_IcsReport back;
  (void)icalendarText(doc, options, back);
  return 0;
}
