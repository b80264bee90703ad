// The calendar list as plain text, for a terminal or a script: the lines the window's
// calendar shows, with FLTK's format codes taken out. No FLTK here.
#ifndef ZOLT_DOCUMENT_AGENDA_TEXT_H_
#define ZOLT_DOCUMENT_AGENDA_TEXT_H_

#include <string>

class Zolt;

// A browser line without its format codes: each tab-separated column loses the codes at
// its front ("@." ends them, "@@" stands for one "@"), and the non-empty columns are
// joined by one blank.
std::string plainLine(const std::string& line);

// The calendar view of `days` days from `firstDay` (a packed date) as the window builds,
// sorts and formats it: day headings, special days, the items with their times and marks,
// the overdue block first when `firstDay` is today, and an empty line for each day's
// closing row. Every line ends with a line feed. The document's view, first day and span
// are as before afterwards.
std::string agendaText(Zolt& doc, unsigned firstDay, int days);

#endif  // ZOLT_DOCUMENT_AGENDA_TEXT_H_
