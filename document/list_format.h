// How a row of a view becomes one line of the list's browser: the row colour, the mark
// column and the text, which the browser shows as it stands ("@." ends the format codes,
// so a text with "@" is never read as one). No FLTK here: the lines are plain strings.
#ifndef ZOLT_DOCUMENT_LIST_FORMAT_H_
#define ZOLT_DOCUMENT_LIST_FORMAT_H_

#include <string>

#include "document/view_data.h"

// Background colours of the rows: the day headings, and the two that item rows alternate
// between (the first line has kRowPrefixA).
extern const char* const kHeadingPrefix;  // "@B50"
extern const char* const kRowPrefixA;     // "@B55"
extern const char* const kRowPrefixB;     // "@B53"

// The line of a row of the normal, active-jobs or search view. `alternate` selects
// kRowPrefixB.
std::string formatListLine(const T_viewDataItem& row, bool alternate);
// The same into `line`, which is emptied first: a list of many rows reuses one buffer.
void formatListLine(const T_viewDataItem& row, bool alternate, std::string& line);

// The line of a row of the calendar view: item rows carry their times on the shown day,
// headings and special days their own format codes, closing rows nothing.
std::string formatCalendarLine(const T_viewDataItem& row, bool alternate);

// "(B-E) " for a calendar row that begins or ends on its day at a time; "" otherwise.
std::string calendarTimes(const T_viewDataItem& row);

#endif  // ZOLT_DOCUMENT_LIST_FORMAT_H_
