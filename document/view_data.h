// The rows of the list view and the options that shape them.
#ifndef ZOLT_DOCUMENT_VIEW_DATA_H_
#define ZOLT_DOCUMENT_VIEW_DATA_H_

#include <string>

#include "calendar/date_time.h"

enum t_viewtype { kViewFlat = 0, kViewTree = 1 };

// Main view types.
constexpr int kMainViewNormal = 0;
constexpr int kMainViewActiveJobs = 1;
constexpr int kMainViewSearch = 2;
constexpr int kMainViewCalendar = 3;
constexpr int kMainViewPrevious = 4;  // not a view: back to the type saved by view 1

// Row kinds of the calendar beside the item priorities.
constexpr unsigned kRowHeading = 300;
constexpr unsigned kRowSpecialDay = 301;
constexpr unsigned kRowClosing = 400;

// One row of a view.
struct T_viewDataItem {
  bool isGroup = false;
  unsigned day = kEmptyDateTime;         // calendar: the day the row is shown on
  unsigned date = kEmptyDateTime;        // sort date
  unsigned secondDate = kEmptyDateTime;  // the other date-time of the item
  unsigned priority = 0;                 // item priority, or a calendar row kind
  std::string text;
  bool completed = false;
  bool firstDay = false;  // calendar: first day of the item's span
  bool lastDay = false;   // calendar: last day of the item's span
};

struct T_Options {
  t_viewtype viewtype = kViewTree;
  int mainViewType = kMainViewNormal;
  bool showKbd = false;
  int prevMainViewType = kMainViewNormal;
  int sort = 1;  // 0 by priority, 1 by date
  bool showCompleted = true;
  bool completedLast = true;
};

#endif  // ZOLT_DOCUMENT_VIEW_DATA_H_
