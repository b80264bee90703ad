// The box an iCalendar import or export reports in: its summary above, every note in a
// scrolling text below, so a report of any length fits on the screen. GUI thread only.
#ifndef ZOLT_GUI_REPORT_BOX_H_
#define ZOLT_GUI_REPORT_BOX_H_

#include <string>

// Shows `summary` with `detail` in a scrolling text, as a message or (with `problem`) an
// alert, through the dialog seam; a plain message box when `detail` is empty.
void showReport(const std::string& summary, const std::string& detail, bool problem);

#endif  // ZOLT_GUI_REPORT_BOX_H_
