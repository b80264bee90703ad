// An import's or export's report as a window shows it: a short summary that counts the
// notes by kind, and the notes themselves for a scrolling text, kept in a file beside the
// data file when there are many. No display is needed here.
#ifndef ZOLT_EXCHANGE_ICS_REPORT_H_
#define ZOLT_EXCHANGE_ICS_REPORT_H_

#include <string>
#include <utility>
#include <vector>

#include "exchange/icalendar.h"

// More notes than this are also written to a file: a scrolling text shows them, but a
// user who wants to work through them needs them where they stay.
constexpr size_t kLongReport = 50;

struct T_IcsReportText {
  std::string summary;  // the first line of the message, then the kinds of notes
  std::string detail;   // every note, one line each; "" when there are none
  std::string file;     // where the notes were also written; "" when not
};

// The kind of a note: the note without the item it names and with its numbers, quoted
// texts and rule values left out, so notes that say the same of other items are one kind.
std::string noteKind(const std::string& note);
// The kinds of `notes` with how many notes each has, most first (ties in order of first
// appearance).
std::vector<std::pair<std::string, int>> noteKinds(const std::vector<std::string>& notes);

// The report of importICalendar or exportICalendar on `fileName`. With more than kLongReport
// notes they are also written to `dataFile` + ".ics-import-notes.txt" (or
// ".ics-export-notes.txt"), replaced whole, a new file readable by its owner only; the
// summary names the file, or says that it could not be written. `dataFile` "" writes none.
T_IcsReportText importReportText(const std::string& fileName, const T_IcsReport& report,
                                 const std::string& dataFile);
T_IcsReportText exportReportText(const std::string& fileName, const T_IcsReport& report,
                                 const std::string& dataFile);

#endif  // ZOLT_EXCHANGE_ICS_REPORT_H_
